#pragma once

#include <QList>
#include <QString>
#include <QtGlobal>
#include <vector>

namespace model {

// How a column is laid out: its width (or automatic), centring, and the text its automatic width
// is measured from.
struct ColumnFormat {
    static constexpr int AutoSize = -1;
    int widthTwips = AutoSize;
    bool centred = false;
    QString widthText;
};

// One change to the grid, with what it takes to undo and redo it: never a copy of the grid.
struct GridChange {
    enum Kind {
        Text,          // the cell (row, col) went from `before` to `after`
        InsertRows,    // `count` rows at `row`, holding `cells` and `heights` (none: empty ones)
        RemoveRows,    // `count` rows at `row`, which held `cells` and `heights`
        InsertColumns, // `count` columns at `col`, holding `cells` and `formats` (none: new ones)
        RemoveColumns, // `count` columns at `col`, which held `cells` (row after row), `formats`
        MoveColumn,    // the column at `col` went to position `count`
        SortRows,      // rows from `row` on were reordered: new row row+i was row row+order[i]
        Reset,         // the whole grid was replaced: nothing before it can be undone
    };
    static GridChange of(Kind kind, int row = 0, int col = 0, int count = 0) {
        GridChange change;
        change.kind = kind;
        change.row = row;
        change.col = col;
        change.count = count;
        return change;
    }

    // The change that takes the grid back: an insert for a removal, the order back for a sort.
    GridChange inverse() const;

    Kind kind = Text;
    int row = 0;
    int col = 0;
    int count = 0;
    QString before;
    QString after;
    QList<QString> cells;
    std::vector<ColumnFormat> formats;
    std::vector<int> heights;
    std::vector<int> order;
};

} // namespace model
