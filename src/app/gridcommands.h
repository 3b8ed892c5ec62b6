#pragma once

#include <QObject>
#include <QString>

class QWidget;

namespace editing {
class GridHistory;
} // namespace editing

namespace model {
class BlockWatch;
class GridModel;
} // namespace model

namespace app {

class CellEditSession;
class GridView;

// The commands that change the grid from the window: the row and column buttons, a click on the
// header row (sorts by that column), Ctrl+V and Ctrl+Z, Ctrl+Y and Ctrl+Shift+Z (ActUndo, ActRedo;
// also from the cell editor when its own text has nothing to undo or redo). Each runs through the
// edit session, so an open edit is stored first, is one undo step and says changed() when it
// changed the grid.
class GridCommands : public QObject {
    Q_OBJECT
public:
    // The shortcuts go on `window`.
    GridCommands(QWidget& window, model::GridModel& grid, GridView& view,
                 editing::GridHistory& history, model::BlockWatch& watch, CellEditSession& edits);

    void deleteLastColumn();
    void insertColumn();
    void deleteRow();
    // An empty row at the bottom, its first cell current and the keyboard on the grid, so that
    // typing begins the next unit's owner.
    void addRow();
    void moveLastColumnHere();
    // Tab-separated text from the current cell on, rows added as needed, filtered as typed text
    // is.
    void paste(const QString& text);
    void undo();
    void redo();

Q_SIGNALS:
    // The grid was changed (or a change undone or redone).
    void changed();
    // A paste wrote into the activation dates, within its undo step: their block dates follow.
    void activationDatesPasted();

private:
    void run(const QString& name, bool (*command)(model::GridModel&));
    void sortByClickedHeader();

    model::GridModel& grid_;
    GridView& view_;
    editing::GridHistory& history_;
    model::BlockWatch& watch_;
};

} // namespace app
