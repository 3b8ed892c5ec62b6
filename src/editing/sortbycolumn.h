#pragma once

#include <QString>

class GridModel;

namespace editing {

// Sorts all data rows ascending by the given column, then gives the grid the journal header
// again: the eight standard titles by position, eight columns.
// The current cell is then the header cell of that column. A column outside the grid changes
// nothing. Returns whether the sort ran. The grid is best hidden meanwhile.
bool sortByColumn(GridModel& grid, int column);

} // namespace editing
