#include "model/blockjudgement.h"

#include "core/journalcolumns.h"
#include "core/journaldates.h"
#include "model/gridmodel.h"

#include <algorithm>
#include <span>

namespace model {

namespace {

bool holdsLetterOrDigit(QStringView text) {
    return std::any_of(text.begin(), text.end(), [](QChar c) { return c.isLetterOrNumber(); });
}

QString unfilledBecause(const QString& why) {
    return QStringLiteral("Дата блок. не заполняется: ") + why;
}

QString notDates(QStringView caption, int count, int of) {
    return unfilledBecause(
        QStringLiteral("в колонке «%1» не даты (%2 из %3)").arg(caption).arg(count).arg(of));
}

// Which of the two captions is missing or doubled: the first that is not on one column.
QString missingCaption(const GridModel& grid) {
    const QStringView caption = grid.findColumn(core::ActivationDateHeader)
                                    ? core::BlockDateHeader
                                    : core::ActivationDateHeader;
    const auto found = std::ranges::count_if(
        grid.captions(), [&](const QString& other) { return other.trimmed() == caption; });
    return unfilledBecause((found == 0 ? QStringLiteral("нет колонки «%1»")
                                       : QStringLiteral("колонок «%1» больше одной"))
                               .arg(caption));
}

// Where, in rows 0 .. end - 1, the block dates stand when the captioned column holds none: in a
// column that holds the block dates of the activation dates in most of its filled cells, or in
// the activation column itself when it holds, beside most filled cells of another column, the
// block dates of those (the captions of two moved columns then stand one place off).
std::optional<int> blockDatesColumn(const GridModel& grid, BlockColumns columns, int end) {
    const std::size_t cols = std::size_t(grid.columnCount());
    std::vector<int> filled(cols), matches(cols), held(cols);
    for (int r = 0; r < end; ++r) {
        const QString activation = grid.cell(r, columns.activation);
        const QStringView activationText = QStringView(activation).trimmed();
        core::DateBuffer buffer;
        const QStringView computed = core::blockDateText(activation, buffer);
        for (std::size_t c = 0; c < cols; ++c) {
            if (int(c) == columns.activation || int(c) == columns.block)
                continue;
            const QString& cell = grid.cell(r, int(c));
            const QStringView text = QStringView(cell).trimmed();
            if (text.isEmpty())
                continue;
            core::DateBuffer other;
            ++filled[c];
            matches[c] += !computed.isEmpty() && text == computed ? 1 : 0;
            if (!activationText.isEmpty() && core::blockDateText(text, other) == activationText)
                ++held[c];
        }
    }
    for (std::size_t c = 0; c < cols; ++c)
        if (filled[c] > 0 && matches[c] * 2 > filled[c])
            return int(c);
    for (std::size_t c = 0; c < cols; ++c)
        if (filled[c] > 0 && held[c] * 2 > filled[c])
            return columns.activation;
    return std::nullopt;
}

// Why the block-date pass writes nothing into the grid as it stands, in words for the line under
// the grid ("Дата блок. не заполняется: ..."); none when it fills. `columns` are the captioned
// ones, `reached` what the rows the pass reaches say of them.
//
// The pass declines when a caption is missing or doubled; when the activation column holds no
// dates in most dated rows; when most dates in the block-date column lie before activation
// dates that are the first of a month (the captions of the two columns are swapped); when the
// block-date column holds another column's data (words, numbers, dates that are not
// block-like) in more than half the rows reached (empty cells and marks count for it, ties
// fill); and when a block-date column without a block-like cell stands beside the block dates
// of the activation dates in another column, or beside an activation column that itself holds
// the block dates of another column's dates.
std::optional<QString> whyBlockDatesUnfilled(const GridModel& grid,
                                             const std::optional<BlockColumns>& columns,
                                             std::span<const RowDates> reached) {
    if (!columns)
        return missingCaption(grid);
    const auto rowsWith = [reached](bool RowDates::*fact) {
        return int(std::ranges::count_if(reached, fact));
    };
    const int dated = rowsWith(&RowDates::dated);
    const int activations = rowsWith(&RowDates::activation);
    if (dated > 0 && activations * 2 <= dated)
        return notDates(core::ActivationDateHeader, dated - activations, dated);
    const int blockBefore = rowsWith(&RowDates::blockBefore);
    const int blockDates = rowsWith(&RowDates::blockDate);
    if (blockBefore * 2 > blockDates)
        return unfilledBecause(
            QStringLiteral("колонки «%1» и «%2», похоже, переставлены (%3 из %4)")
                .arg(core::ActivationDateHeader, core::BlockDateHeader)
                .arg(blockBefore)
                .arg(blockDates));
    const int blockForeign = rowsWith(&RowDates::blockForeign);
    if (blockForeign * 2 > int(reached.size()))
        return notDates(core::BlockDateHeader, blockForeign, int(reached.size()));
    if (rowsWith(&RowDates::blockLike) > 0)
        return std::nullopt;
    const std::optional<int> col = blockDatesColumn(grid, *columns, int(reached.size()));
    if (!col)
        return std::nullopt;
    return unfilledBecause(QStringLiteral("даты блокировки стоят в колонке ") +
                           columnLabel(grid, *col));
}

} // namespace

QString blockSummaryText(const BlockCounts& counts) {
    return QStringLiteral("Заблокированы: ") + QString::number(counts.blocked) +
           QStringLiteral(". Блокируются в ближайшие ") + QString::number(BlockWarningDays) +
           QStringLiteral(" дн.: ") + QString::number(counts.soon) + QLatin1Char('.') +
           (counts.undated > 0 ? QStringLiteral(" Без даты активации: ") +
                                     QString::number(counts.undated) + QLatin1Char('.')
                               : QString()) +
           (counts.unfilledReason ? QLatin1Char(' ') + *counts.unfilledReason + QLatin1Char('.')
                                  : QString());
}

QString rowFilterName(RowFilter filter) {
    const QString soon = QStringLiteral("блокируются в ближайшие %1 дн.").arg(BlockWarningDays);
    switch (filter) {
    case RowFilter::Blocked:
        return QStringLiteral("Заблокированы");
    case RowFilter::Soon:
        return soon.at(0).toUpper() + soon.mid(1);
    case RowFilter::Undated:
        return QStringLiteral("Без даты активации");
    case RowFilter::BlockedOrSoon:
        return QStringLiteral("Заблокированы и ") + soon;
    case RowFilter::All:
        break;
    }
    return QStringLiteral("Все");
}

RowDates readRowDates(const GridModel& grid, const BlockColumns& columns, int row) {
    const QStringView activation = grid.cell(row, columns.activation);
    const QStringView block = grid.cell(row, columns.block);
    RowDates dates;
    dates.ends = activation.isEmpty();
    dates.dated = !activation.trimmed().isEmpty();
    core::DateBuffer buffer;
    const QStringView computed = core::blockDateText(activation, buffer);
    dates.activation = !computed.isEmpty();
    dates.blockExact = block == computed;
    if (block.trimmed().isEmpty())
        return dates;
    // A computed block date holds no blanks: a cell holding exactly it holds it trimmed too.
    if (dates.activation && block.trimmed() == computed) {
        dates.blockLike = dates.blockDate = true;
        dates.blockDay = core::readDate(computed)->toJulianDay();
        return dates;
    }
    const std::optional<QDate> blocked = core::readDate(block);
    if (blocked) {
        const std::optional<QDate> activated =
            dates.activation ? core::readActivationDate(activation) : std::nullopt;
        dates.blockDate = true;
        dates.blockDay = blocked->toJulianDay();
        dates.blockLike = blocked->day() == 1 || (activated && *blocked > *activated);
        dates.blockBefore = activated && activated->day() == 1 && *blocked < *activated;
    }
    dates.blockForeign = !dates.blockLike && holdsLetterOrDigit(block);
    return dates;
}

std::optional<BlockColumns> captionedBlockColumns(const GridModel& grid) {
    const std::optional<int> activation = grid.findColumn(core::ActivationDateHeader);
    const std::optional<int> block = grid.findColumn(core::BlockDateHeader);
    if (!activation || !block)
        return std::nullopt;
    return BlockColumns{*activation, *block};
}

BlockJudgement::BlockJudgement(const GridModel& grid, QDate today)
    : BlockJudgement(grid, today, [&grid] {
          std::vector<RowDates> rowDates;
          if (const std::optional<BlockColumns> columns = captionedBlockColumns(grid)) {
              rowDates.resize(std::size_t(grid.rowCount()));
              for (int r = 0; r < grid.rowCount(); ++r)
                  rowDates[std::size_t(r)] = readRowDates(grid, *columns, r);
          }
          return rowDates;
      }()) {}

BlockJudgement::BlockJudgement(const GridModel& grid, QDate today,
                               const std::vector<RowDates>& rowDates) {
    captioned_ = captionedBlockColumns(grid);
    // The rows the pass reaches: down to the first empty activation date.
    std::span<const RowDates> reached;
    if (captioned_)
        reached = {rowDates.begin(), std::ranges::find_if(rowDates, &RowDates::ends)};
    // Without a block-like cell the other columns are compared (whyBlockDatesUnfilled).
    readsAll_ = captioned_ && std::ranges::none_of(reached, &RowDates::blockLike);
    counts_.unfilledReason = whyBlockDatesUnfilled(grid, captioned_, reached);
    if (counts_.unfilledReason)
        return;
    for (std::size_t r = 0; r < reached.size(); ++r)
        if (!reached[r].blockExact)
            unfilled_.push_back(int(r));
    columns_ = captioned_;
    rows_.resize(rowDates.size());
    const qint64 first = today.toJulianDay();
    const qint64 last = first + BlockWarningDays;
    for (std::size_t r = 0; r < rowDates.size(); ++r) {
        const RowDates row = rowDates[r];
        Row& judged = rows_[r];
        judged.undated = row.dated && !row.activation;
        if (today.isValid() && row.blockDate && row.blockDay <= last)
            judged.state = row.blockDay <= first ? BlockState::Blocked : BlockState::Soon;
        counts_.undated += judged.undated ? 1 : 0;
        counts_.blocked += judged.state == BlockState::Blocked ? 1 : 0;
        counts_.soon += judged.state == BlockState::Soon ? 1 : 0;
    }
}

bool BlockJudgement::shows(int row, RowFilter filter) const {
    switch (filter) {
    case RowFilter::Blocked:
        return state(row) == BlockState::Blocked;
    case RowFilter::Soon:
        return state(row) == BlockState::Soon;
    case RowFilter::Undated:
        return undated(row);
    case RowFilter::BlockedOrSoon:
        return state(row) != BlockState::Clear;
    case RowFilter::All:
        break;
    }
    return true;
}

} // namespace model
