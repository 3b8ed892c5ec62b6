#include "editing/sortbycolumn.h"

#include "core/journalcolumns.h"
#include "model/gridmodel.h"

namespace editing {

bool sortByColumn(GridModel& grid, int column) {
    if (column < 0 || column >= grid.cols())
        return false;
    grid.setCol(column);
    grid.setColSel(column);
    // With Row equal to RowSel the grid sorts every row below the header.
    grid.setRow(0);
    grid.setRowSel(0);
    grid.setSort(1);
    grid.setFormatString(journal::headerFormat());
    return true;
}

} // namespace editing
