#pragma once

#include <QString>
#include <optional>

namespace model {
class GridModel;
} // namespace model

namespace editing {

// The text of the search input box, also used as its title.
QString searchPrompt();

// The first row, from the top, whose cell in `column` contains the answer, regardless of case;
// none for an empty answer or no match.
std::optional<int> searchColumn(const model::GridModel& grid, int column, const QString& answer);

} // namespace editing
