#pragma once

#include <QString>

class GridModel;

namespace editing {

// The text of the search input box, also used as its title.
QString searchPrompt();

// Looks for the first data row, from the top, whose cell in the search column (where the
// selection ends) contains the answer, regardless of case. A match becomes the current row,
// scrolled to the top, with the selection reaching to the row below it (above it for the last
// row). Returns whether a row was found; an empty answer or no match changes nothing.
bool searchColumn(GridModel& grid, const QString& answer);

} // namespace editing
