#pragma once

#include <QObject>
#include <QString>
#include <functional>

class QWidget;

namespace editing {
class GridHistory;
} // namespace editing

namespace model {
class GridModel;
} // namespace model

namespace app {

class CellDelegate;
class GridView;

// The commands that change the grid from the window: the row and column buttons, a click on a
// caption (sorts by that column: ascending, and descending at a second click on the column
// just sorted, shown by the header's sort indicator), Ctrl+X, Ctrl+V and Ctrl+Z, Ctrl+Y and
// Ctrl+Shift+Z (ActUndo, ActRedo; also from the cell editor when its own text has nothing to undo
// or redo). Each runs through the grid's delegate, so an open edit is stored first, is one undo
// step and says changed() when it changed the grid.
class GridCommands : public QObject {
    Q_OBJECT
public:
    GridCommands(QWidget& window, model::GridModel& grid, GridView& view,
                 editing::GridHistory& history, CellDelegate& edits);

    void deleteLastColumn();
    void insertColumn();
    void deleteRow();
    // An empty row at the bottom, its first cell current and the keyboard on the grid, so that
    // typing begins the next unit's owner.
    void addRow();
    void moveLastColumnHere();
    // Ctrl+V: the clipboard's cells (the grid's own, else tab-separated text) from the current
    // cell on, rows added as needed, filtered as typed text is.
    void paste();
    // Ctrl+X: the selected cells onto the clipboard, as Ctrl+C puts them, then emptied.
    void cut();
    void undo();
    void redo();

Q_SIGNALS:
    // The grid was changed (or a change undone or redone).
    void changed();
    // A paste wrote into the activation dates, within its undo step: their block dates follow.
    void activationDatesPasted();
    // A row or a column was deleted: what went, and how to get it back.
    void deleted(const QString& notice);

private:
    bool run(const QString& name, const std::function<bool()>& command);
    bool runInPlace(const QString& name, const std::function<bool()>& command);
    void sortByColumn(int col);
    // Any change to the rows but the header sort itself: the next click sorts ascending.
    void forgetSort();

    struct Sorted {
        int col = -1;
        bool descending = false;
    };

    model::GridModel& grid_;
    GridView& view_;
    editing::GridHistory& history_;
    Sorted sorted_;
    bool sorting_ = false;
};

} // namespace app
