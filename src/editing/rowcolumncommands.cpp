#include "editing/rowcolumncommands.h"

#include "model/gridmodel.h"

#include <algorithm>

namespace editing {

bool deleteRow(model::GridModel& grid, int row) {
    return grid.removeRows(row, 1);
}

bool addColumn(model::GridModel& grid, int col) {
    return grid.insertColumns(std::clamp(col, 0, grid.columnCount()), 1);
}

bool deleteColumn(model::GridModel& grid) {
    return grid.removeColumns(grid.columnCount() - 1, 1);
}

bool moveLastColumnTo(model::GridModel& grid, int col) {
    const int last = grid.columnCount() - 1;
    return col >= 0 && col < last && grid.moveColumnTo(last, col);
}

} // namespace editing
