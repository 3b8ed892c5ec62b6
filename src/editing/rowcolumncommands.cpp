#include "editing/rowcolumncommands.h"

#include "model/gridmodel.h"

namespace editing {

bool moveLastColumnTo(model::GridModel& grid, int col) {
    const int last = grid.columnCount() - 1;
    return col >= 0 && col < last && grid.moveColumnTo(last, col);
}

} // namespace editing
