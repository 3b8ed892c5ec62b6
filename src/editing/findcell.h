#pragma once

#include "core/findtext.h"

#include <QString>
#include <functional>
#include <optional>

namespace model {
class GridModel;
} // namespace model

namespace editing {

struct FoundCell {
    int row = 0;
    int col = 0;
    bool wrapped = false; // the search went past the last (or first) row and on from the other end
};

// "Найти": the next cell holding the text, row by row from the start cell on (backwards
// with `forward` false), the start cell itself counted when `includeStart` is set, going round
// once. Only column `onlyColumn` is looked in when given, and only the rows `shown` accepts.
std::optional<FoundCell> findCell(const model::GridModel& grid, const core::FindText& text,
                                  int startRow, int startCol, bool forward, bool includeStart,
                                  std::optional<int> onlyColumn = std::nullopt,
                                  const std::function<bool(int row)>& shown = {});

// The text of the search input box, also used as its title.
QString searchPrompt();

// The first row, from the top, whose cell in `column` contains the answer, regardless of case,
// among the rows `shown` accepts; none for an empty answer or no match.
std::optional<int> searchColumn(const model::GridModel& grid, int column, const QString& answer,
                                const std::function<bool(int row)>& shown = {});

} // namespace editing
