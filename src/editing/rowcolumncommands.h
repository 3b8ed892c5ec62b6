#pragma once

namespace model {
class GridModel;
} // namespace model

namespace editing {

// The commands that change the shape of the journal grid. Each returns whether the grid changed,
// so that the window can mark the journal as modified.

// Appends one empty row at the bottom.
bool addRow(model::GridModel& grid);

// Removes the row where the selection ends. The header row stays; the only data row may go.
bool deleteRow(model::GridModel& grid);

// Inserts an empty column at the current column, which moves one place to the right with
// every column after it.
bool addColumn(model::GridModel& grid);

// Removes the rightmost column, keeping at least one.
bool deleteColumn(model::GridModel& grid);

// Moves the rightmost column in front of the current column ("Переместить колонки").
bool moveLastColumnToCurrent(model::GridModel& grid);

} // namespace editing
