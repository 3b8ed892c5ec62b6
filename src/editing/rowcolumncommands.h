#pragma once

namespace model {
class GridModel;
} // namespace model

namespace editing {

// Moves the rightmost column in front of column `col` ("Переместить колонки"). Returns whether the
// grid changed, so that the window can mark the journal as modified: the rightmost column onto
// itself, like a column outside the grid, changes nothing.
bool moveLastColumnTo(model::GridModel& grid, int col);

// Sorts all data rows ascending (or descending) by the given column. Every column stays, with the
// caption that travelled with it; a caption left empty (a column added by hand) among the first
// eight gets the journal's standard caption for its place, unless another column already bears that
// caption. A column outside the grid changes nothing. Returns whether the sort ran. The grid is
// best hidden meanwhile.
bool sortByColumn(model::GridModel& grid, int column, bool descending = false);

} // namespace editing
