#include "app/celleditor.h"

#include "model/gridmodel.h"

#include <QKeyEvent>

CellEditor::CellEditor(QWidget* parent) : QLineEdit(parent) {}

void CellEditor::open(int row, int col, const QString& text, const QRect& area) {
    cell_ = Cell{row, col};
    setText(text);
    setGeometry(area);
    show();
    raise();
    setFocus(Qt::OtherFocusReason);
}

bool CellEditor::commit(GridModel& grid) {
    if (!isOpen()) {
        drop();
        return false;
    }
    const Cell cell = *cell_;
    const QString typed = text();
    drop();
    // The grid may have lost the cell meanwhile (rows removed from outside the window's
    // commands, which store the edit first); then there is nowhere to put the text.
    if (cell.row >= grid.rows() || cell.col >= grid.cols())
        return false;
    if (grid.cell(cell.row, cell.col) == typed)
        return false;
    grid.setTextMatrix(cell.row, cell.col, typed);
    return true;
}

void CellEditor::drop() {
    cell_.reset();
    hide();
}

// Tab and Shift+Tab stay in the grid: focus never leaves it for a button while an edit is open.
bool CellEditor::event(QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Tab || key == Qt::Key_Backtab) {
            Q_EMIT stepRequested(key == Qt::Key_Tab ? 1 : -1);
            return true;
        }
    }
    return QLineEdit::event(event);
}

void CellEditor::keyPressEvent(QKeyEvent* event) {
    if (event->matches(QKeySequence::Undo) && !isUndoAvailable()) {
        Q_EMIT undoRequested();
        return;
    }
    if ((event->matches(QKeySequence::Redo) ||
         event->keyCombination() == QKeyCombination(Qt::ControlModifier, Qt::Key_Y)) &&
        !isRedoAvailable()) {
        Q_EMIT redoRequested();
        return;
    }
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        Q_EMIT commitRequested();
        return;
    case Qt::Key_Escape:
        Q_EMIT dropRequested();
        return;
    default:
        QLineEdit::keyPressEvent(event);
    }
}
