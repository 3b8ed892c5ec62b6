#include "journal/journalgrid.h"

#include "model/gridmodel.h"

#include <algorithm>
#include <iterator>

namespace journal {

void resetJournalGrid(GridModel& grid) {
    // Rows before columns: dropping the rows first spares relaying a large grid's cells.
    grid.setRows(1);
    grid.setCols(FileColumns);
    grid.addItem(QString());
    grid.setFormatString(headerFormat());
}

void showJournalTable(GridModel& grid, JournalTable table, bool emptyRowBelow) {
    const int cols = table.cols;
    const int rows = 1 + table.rows + (emptyRowBelow ? 1 : 0);
    QList<QString> cells;
    cells.reserve(qsizetype(rows) * cols);
    for (int c = 0; c < cols; ++c)
        cells.append(c < grid.cols() ? grid.cell(0, c) : QString());
    std::move(table.cells.begin(), table.cells.end(), std::back_inserter(cells));
    cells.resize(qsizetype(rows) * cols);
    grid.replaceCells(rows, cols, std::move(cells));
}

} // namespace journal
