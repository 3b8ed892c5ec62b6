#pragma once

#include <QString>

namespace model {
class GridModel;
} // namespace model

namespace editing {

// The text of the search input box, also used as its title.
QString searchPrompt();

// Looks for the first data row, from the top, whose cell in the search column (where the
// selection ends) contains the answer, regardless of case. The cell found becomes the current
// cell, alone in the selection, its row scrolled to the top. Returns whether a row was found; an
// empty answer or no match changes nothing.
bool searchColumn(model::GridModel& grid, const QString& answer);

} // namespace editing
