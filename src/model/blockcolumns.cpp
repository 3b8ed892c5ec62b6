#include "model/blockcolumns.h"

#include "core/journalcolumns.h"
#include "core/journaldates.h"
#include "model/gridmodel.h"

#include <algorithm>

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
    const auto found =
        std::count_if(grid.captions().begin(), grid.captions().end(),
                      [&](const QString& other) { return other.trimmed() == caption; });
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

} // namespace

RowDates RowDates::of(QStringView activation, QStringView block) {
    RowDates row;
    row.ends = activation.isEmpty();
    row.dated = !activation.trimmed().isEmpty();
    core::DateBuffer buffer;
    const QStringView computed = core::blockDateText(activation, buffer);
    row.activation = !computed.isEmpty();
    row.blockExact = block == computed;
    if (block.trimmed().isEmpty())
        return row;
    // A computed block date holds no blanks: a cell holding exactly it holds it trimmed too.
    if (row.activation && block.trimmed() == computed) {
        row.blockLike = row.blockDate = true;
        row.blockDay = core::readDate(computed)->toJulianDay();
        return row;
    }
    const std::optional<QDate> blocked = core::readDate(block);
    if (blocked) {
        const std::optional<QDate> activated =
            row.activation ? core::readActivationDate(activation) : std::nullopt;
        row.blockDate = true;
        row.blockDay = blocked->toJulianDay();
        row.blockLike = blocked->day() == 1 || (activated && *blocked > *activated);
        row.blockBefore = activated && activated->day() == 1 && *blocked < *activated;
    }
    row.blockForeign = !row.blockLike && holdsLetterOrDigit(block);
    return row;
}

void DateCounts::add(RowDates row) {
    ++rows;
    dated += row.dated ? 1 : 0;
    activations += row.activation ? 1 : 0;
    blockLike += row.blockLike ? 1 : 0;
    blockForeign += row.blockForeign ? 1 : 0;
    blockDates += row.blockDate ? 1 : 0;
    blockBefore += row.blockBefore ? 1 : 0;
}

std::optional<BlockColumns> captionedBlockColumns(const GridModel& grid) {
    const std::optional<int> activation = grid.findColumn(core::ActivationDateHeader);
    const std::optional<int> block = grid.findColumn(core::BlockDateHeader);
    if (!activation || !block)
        return std::nullopt;
    return BlockColumns{*activation, *block};
}

std::optional<QString> whyBlockDatesUnfilled(const GridModel& grid,
                                             const std::optional<BlockColumns>& columns,
                                             const DateCounts& reached, int end) {
    if (!columns)
        return missingCaption(grid);
    const DateCounts& e = reached;
    if (e.dated > 0 && e.activations * 2 <= e.dated)
        return notDates(core::ActivationDateHeader, e.dated - e.activations, e.dated);
    if (e.blockBefore * 2 > e.blockDates)
        return unfilledBecause(
            QStringLiteral("колонки «%1» и «%2», похоже, переставлены (%3 из %4)")
                .arg(core::ActivationDateHeader, core::BlockDateHeader)
                .arg(e.blockBefore)
                .arg(e.blockDates));
    if (e.blockForeign * 2 > e.rows)
        return notDates(core::BlockDateHeader, e.blockForeign, e.rows);
    if (e.blockLike > 0)
        return std::nullopt;
    const std::optional<int> col = blockDatesColumn(grid, *columns, end);
    if (!col)
        return std::nullopt;
    return unfilledBecause(QStringLiteral("даты блокировки стоят в колонке ") +
                           columnLabel(grid, *col));
}

} // namespace model
