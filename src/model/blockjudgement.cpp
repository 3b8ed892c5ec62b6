#include "model/blockjudgement.h"

#include "model/gridmodel.h"

namespace model {

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
    return RowDates::of(grid.text(row, columns.activation), grid.text(row, columns.block));
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
    const std::optional<BlockColumns> captioned = captionedBlockColumns(grid);
    DateCounts reached;
    int end = 0;
    if (captioned) {
        for (; end < grid.rowCount() && !rowDates[std::size_t(end)].ends; ++end) {
            reached.add(rowDates[std::size_t(end)]);
            if (!rowDates[std::size_t(end)].blockExact)
                unfilled_.push_back(end);
        }
    }
    captioned_ = captioned;
    // Without a block-like cell the other columns are compared (whyBlockDatesUnfilled).
    readsAll_ = captioned && reached.blockLike == 0;
    counts_.unfilledReason = whyBlockDatesUnfilled(grid, captioned, reached, end);
    if (counts_.unfilledReason) {
        unfilled_.clear();
        return;
    }
    columns_ = captioned;
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
