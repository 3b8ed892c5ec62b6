#pragma once

#include <QString>
#include <functional>

namespace model {
class GridModel;
} // namespace model

namespace editing {

// The columns a paste wrote into: [first, first + count).
struct PastedColumns {
    int first = 0;
    int count = 0;
};

// Ctrl+V: tab-separated lines (as spreadsheets copy them) written from the cell (top, left) on,
// into the rows `shown` accepts (as spreadsheets paste into a filtered range), rows added as
// needed; cells past the last column are left out, and every text goes through the filter
// typed text goes through.
PastedColumns pasteTable(model::GridModel& grid, const QString& text, int top, int left,
                         const std::function<bool(int row)>& shown = {});

} // namespace editing
