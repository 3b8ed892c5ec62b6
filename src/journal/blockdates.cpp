#include "journal/blockdates.h"

#include "core/journaldates.h"
#include "model/blockcolumns.h"
#include "model/cellprefetch.h"
#include "model/gridmodel.h"

namespace journal {

void fillBlockDates(GridModel& grid) {
    const std::optional<BlockColumns> columns = findBlockColumns(grid);
    if (!columns)
        return;
    const int activationCol = columns->activation;
    const int blockCol = columns->block;
    DateBuffer buffer;
    // The row count is read on every turn: a slot that reacts to a changed cell may remove rows.
    for (int r = 1; r < grid.rows(); ++r) {
        prefetchColumnAhead(grid, r, activationCol);
        prefetchColumnAhead(grid, r, blockCol);
        const QString& activation = grid.cell(r, activationCol);
        if (activation.isEmpty())
            break;
        const QStringView block = blockDateText(activation, buffer);
        // Compared before writing, so that a pass over unchanged rows allocates nothing.
        if (QStringView(grid.cell(r, blockCol)) != block)
            grid.setTextMatrix(r, blockCol, block.toString());
    }
}

} // namespace journal
