#include "journal/journalgrid.h"

#include "model/gridmodel.h"

#include <algorithm>

namespace journal {

void resetJournalGrid(model::GridModel& grid) {
    // Rows before columns: dropping the rows first spares relaying a large grid's cells.
    grid.setRows(1);
    grid.setCols(core::FileColumns);
    grid.addItem(QString());
    grid.setFormatString(core::headerFormat());
}

void showJournalTable(model::GridModel& grid, core::CellTable table, bool emptyRowBelow) {
    // The header row goes above the data rows, with the captions the grid has.
    table.insertRows(0, 1);
    for (int c = 0; c < std::min(table.cols(), grid.cols()); ++c)
        table.setCell(0, c, grid.cell(0, c));
    if (emptyRowBelow)
        table.insertRows(table.rows(), 1);
    grid.replaceCells(std::move(table));
}

} // namespace journal
