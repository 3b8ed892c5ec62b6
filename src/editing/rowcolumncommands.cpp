#include "editing/rowcolumncommands.h"

#include "model/gridmodel.h"

namespace editing {

bool addRow(model::GridModel& grid) {
    grid.addItem(QString());
    return true;
}

bool deleteRow(model::GridModel& grid) {
    const int row = grid.rowSel();
    if (row < 1 || row >= grid.rows())
        return false;
    grid.removeItem(row);
    return true;
}

bool addColumn(model::GridModel& grid) {
    grid.setCols(grid.cols() + 1);
    grid.setColPosition(grid.cols() - 1, grid.col());
    return true;
}

bool deleteColumn(model::GridModel& grid) {
    if (grid.cols() <= 1)
        return false;
    grid.setCols(grid.cols() - 1);
    return true;
}

bool moveLastColumnToCurrent(model::GridModel& grid) {
    const int last = grid.cols() - 1;
    const int current = grid.col();
    if (current < 0 || current >= last)
        return false;
    grid.setColPosition(last, current);
    return true;
}

} // namespace editing
