#pragma once

#include <QObject>
#include <QPersistentModelIndex>

class QLineEdit;
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
class LineCompletion;

// The input line (TxtVvod) above the grid: what is typed, deleted or pasted into it goes into
// the current cell at once, one undo step ("Ввод") for the whole entry on that cell. A click into
// it drops an open cell edit. In the owner, model and mechanic columns it proposes the column's
// earlier values, as the cell editor does; an activation date typed the short way is written out
// as dd.mm.yyyy when the entry ends (Enter, or the line is left), in the entry's own undo step.
// A proposal taken and a date written out go into the cell the entry was typed into, even when
// the current cell moved meanwhile (F3 moves it while the line keeps the focus).
// A character key on "Ввод" (CmdEdit) copies the line into the current cell first, as one in the
// line does.
class InputLine : public QObject {
    Q_OBJECT
public:
    InputLine(QWidget& window, model::GridModel& grid, const GridView& view,
              editing::GridHistory& history, CellDelegate& edits);

    QLineEdit& line() { return *line_; }
    // Copies the line, as typed (a pending proposal not yet taken), into the current cell.
    void copyToCell();

Q_SIGNALS:
    // The line's text went into a cell of column `col` (the entry's); within its undo step.
    void stored(int col);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void finishEntry();
    void store(const QModelIndex& cell, const QString& text);

    model::GridModel& grid_;
    const GridView& view_;
    editing::GridHistory& history_;
    CellDelegate& edits_;
    QLineEdit* line_;
    LineCompletion* completion_;
    QWidget* copyingControl_;
    QPersistentModelIndex entryCell_; // the cell the line was last copied into, in this entry
};

} // namespace app
