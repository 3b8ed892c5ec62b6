#include "model/blockcolumns.h"

#include "core/journalcolumns.h"
#include "core/journaldates.h"
#include "model/gridmodel.h"

namespace journal {

RowEvidence RowEvidence::of(QStringView activation, QStringView block) {
    RowEvidence row;
    row.dated = !activation.trimmed().isEmpty();
    row.blockFilled = !block.trimmed().isEmpty();
    DateBuffer buffer;
    const QStringView computed = blockDateText(activation, buffer);
    row.activation = !computed.isEmpty();
    row.blockExact = block == computed;
    if (!row.blockFilled)
        return row;
    if (row.activation && computed == block.trimmed()) {
        row.blockMatches = row.blockLike = true;
        return row;
    }
    const std::optional<QDate> blocked = readDate(block);
    if (!blocked)
        return row;
    row.blockLike = blocked->day() == 1 || (row.activation && *blocked > *readDate(activation));
    return row;
}

void ColumnEvidence::add(RowEvidence row, int sign) {
    dated += row.dated ? sign : 0;
    activations += row.activation ? sign : 0;
    blockFilled += row.blockFilled ? sign : 0;
    blockMatches += row.blockMatches ? sign : 0;
    blockLike += row.blockLike ? sign : 0;
}

bool ColumnEvidence::convincing() const {
    const bool activationsBorneOut = dated == 0 || activations * 2 > dated;
    const bool blockDatesBorneOut = blockLike * 2 >= blockFilled;
    return activationsBorneOut && blockDatesBorneOut;
}

std::optional<BlockColumns> captionedBlockColumns(const GridModel& grid) {
    const std::optional<int> activation = grid.findColumn(ActivationDateHeader);
    const std::optional<int> block = grid.findColumn(BlockDateHeader);
    if (!activation || !block)
        return std::nullopt;
    return BlockColumns{*activation, *block};
}

ColumnEvidence evidenceFor(const GridModel& grid, BlockColumns columns) {
    ColumnEvidence evidence;
    for (int r = 1; r < grid.rows(); ++r) {
        evidence.add(
            RowEvidence::of(grid.cell(r, columns.activation), grid.cell(r, columns.block)));
    }
    return evidence;
}

bool blockDatesStandElsewhere(const GridModel& grid, BlockColumns columns) {
    for (int c = 0; c < grid.cols(); ++c) {
        if (c == columns.activation || c == columns.block)
            continue;
        const ColumnEvidence other = evidenceFor(grid, {columns.activation, c});
        if (other.blockFilled > 0 && other.blockMatches * 2 > other.blockFilled)
            return true;
    }
    return false;
}

std::optional<BlockColumns> findBlockColumns(const GridModel& grid) {
    const std::optional<BlockColumns> columns = captionedBlockColumns(grid);
    if (!columns)
        return std::nullopt;
    const ColumnEvidence evidence = evidenceFor(grid, *columns);
    if (!evidence.convincing() ||
        (evidence.blockFilled == 0 && blockDatesStandElsewhere(grid, *columns)))
        return std::nullopt;
    return columns;
}

} // namespace journal
