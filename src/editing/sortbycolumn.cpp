#include "editing/sortbycolumn.h"

#include "app/gridmodel.h"
#include "journal/journalcolumns.h"

namespace editing {

bool sortByColumn(GridModel& grid, int column, QString& headerFormat) {
    if (column < 0 || column >= grid.cols())
        return false;
    grid.setCol(column);
    grid.setColSel(column);
    // With Row equal to RowSel the grid sorts every row below the header.
    grid.setRow(0);
    grid.setRowSel(0);
    grid.setSort(1);
    headerFormat = journal::headerFormat();
    grid.setFormatString(headerFormat);
    return true;
}

} // namespace editing
