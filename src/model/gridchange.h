#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QtGlobal>
#include <vector>

namespace model {

// How a column is laid out: its centring, and the text its width is measured from.
struct ColumnFormat {
    bool centred = false;
    QString widthText;
};

// One change to the table, with what it takes to undo and redo it: never a copy of the table.
struct GridChange {
    enum Kind {
        Text,          // the cell (row, col) went from `before` to `after`
        Caption,       // the caption of column `col` went from `before` to `after`
        InsertRows,    // `count` rows at `row`, holding `cells` (none: empty ones)
        RemoveRows,    // `count` rows at `row`, which held `cells`
        InsertColumns, // `count` columns at `col`, holding `captions`, `cells` and `formats`
                       // (none: new ones)
        RemoveColumns, // `count` columns at `col`, which held `captions`, `cells` (row after
                       // row) and `formats`
        MoveColumn,    // the column at `col` went to position `count`
        SortRows,      // the rows were reordered: new row i was row order[i]
        Reset,         // the whole table was replaced: nothing before it can be undone
    };
    // The change that takes the grid back: an insert for a removal, the order back for a sort.
    GridChange inverse() const;

    // Every member has an initializer, so that a change names only the parts it holds.
    Kind kind = Text;
    int row = 0;
    int col = 0;
    int count = 0;
    QString before = {};
    QString after = {};
    QStringList captions = {};
    QList<QString> cells = {};
    std::vector<ColumnFormat> formats = {};
    std::vector<int> order = {};
};

} // namespace model
