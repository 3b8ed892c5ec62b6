#pragma once

#include <QString>

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
// rows added as needed; cells past the last column are left out, and every text goes through
// the filter typed text goes through.
PastedColumns pasteTable(model::GridModel& grid, const QString& text, int top, int left);

} // namespace editing
