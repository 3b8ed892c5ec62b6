#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <functional>

class QMimeData;

namespace model {
class GridModel;
} // namespace model

namespace editing {

// The columns a paste wrote into: [first, first + count).
struct PastedColumns {
    int first = 0;
    int count = 0;
};

// The clipboard format of the cells the grid copies, beside their text: the cells exactly, a tab
// or a line end in a cell (read from a spreadsheet's file) included.
inline constexpr char CellsMimeType[] = "application/x-eklz-journal-cells";
QByteArray encodeCells(const QList<QStringList>& rows);

// What Ctrl+V pastes: the grid's own cells, else the text's tab-separated lines, as spreadsheets
// copy them.
QList<QStringList> pastedRows(const QMimeData& clipboard);

// Ctrl+V: the rows written from the cell (top, left) on, into the rows `shown` accepts (as
// spreadsheets paste into a filtered range), rows added as needed; cells past the last column are
// left out, and every text goes through the filter typed text goes through.
PastedColumns pasteTable(model::GridModel& grid, const QList<QStringList>& rows, int top, int left,
                         const std::function<bool(int row)>& shown = {});

} // namespace editing
