#pragma once

namespace model {
class GridModel;
} // namespace model

namespace editing {

// The commands that change the shape of the journal grid. Each returns whether the grid changed,
// so that the window can mark the journal as modified.

// Removes row `row`; the only row may go.
bool deleteRow(model::GridModel& grid, int row);

// Inserts an empty column at `col`, which moves one place to the right with every column after
// it.
bool addColumn(model::GridModel& grid, int col);

// Removes the rightmost column, keeping at least one.
bool deleteColumn(model::GridModel& grid);

// Moves the rightmost column in front of column `col` ("Переместить колонки").
bool moveLastColumnTo(model::GridModel& grid, int col);

} // namespace editing
