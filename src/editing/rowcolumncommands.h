#pragma once

namespace model {
class GridModel;
} // namespace model

namespace editing {

// Moves the rightmost column in front of column `col` ("Переместить колонки"). Returns whether the
// grid changed, so that the window can mark the journal as modified: the rightmost column onto
// itself, like a column outside the grid, changes nothing.
bool moveLastColumnTo(model::GridModel& grid, int col);

} // namespace editing
