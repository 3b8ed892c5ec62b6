#include "app/celleditor.h"

#include "model/gridmodel.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QStyleHints>
#include <QToolButton>
#include <QValidator>
#include <algorithm>

namespace app {

CellEditor::CellEditor(QWidget* parent) : QLineEdit(parent) {
    connect(this, &QLineEdit::textChanged, this, &CellEditor::fitToText);
}

void CellEditor::open(const QModelIndex& cell, const QRect& area, Start start) {
    cell_ = cell;
    const QString text = cell.data(Qt::EditRole).toString();
    cellWidth_ = area.width();
    setGeometry(area);
    // The text as the cell holds it, even what the input filter refuses (a ";" or line end read
    // from a spreadsheet's file), so that an edit left as it was changes nothing; only what is
    // typed goes through the filter.
    const QValidator* const filter = validator();
    setValidator(nullptr);
    setText(text);
    setValidator(filter);
    fitToText();
    if (start == Start::SelectAll)
        selectAll();
    else
        end(false);
    show();
    raise();
    setFocus(Qt::OtherFocusReason);
    opened_.start();
}

bool CellEditor::commit(model::GridModel& grid) {
    if (!isOpen()) {
        drop();
        return false;
    }
    const QPersistentModelIndex cell = cell_;
    const QString typed = text();
    drop();
    // The grid may have lost the cell meanwhile (rows removed from outside the window's
    // commands, which store the edit first); then there is nowhere to put the text.
    if (!cell.isValid() || grid.cell(cell.row(), cell.column()) == typed)
        return false;
    return grid.setText(cell.row(), cell.column(), typed);
}

void CellEditor::typeOver(const QString& typed) {
    clear();
    insert(typed); // through the validator, as a key is
}

void CellEditor::fitToText() {
    const QMargins margins = textMargins() + contentsMargins();
    // The buttons at the edges (the calendar's) take room from the text.
    int buttons = 0;
    for (const QToolButton* button : findChildren<QToolButton*>(Qt::FindDirectChildrenOnly))
        if (button->isVisibleTo(this))
            buttons += button->sizeHint().width() + 4;
    // The frame and the caret's room besides the text.
    const int textWidth = std::max(fontMetrics().horizontalAdvance(text()),
                                   fontMetrics().horizontalAdvance(roomFor_));
    const int wanted = textWidth + margins.left() + margins.right() + buttons + 12;
    int width = std::max(cellWidth_, wanted);
    if (const QWidget* parent = parentWidget())
        width = std::min(width, std::max(cellWidth_, parent->width() - x()));
    if (width != this->width())
        resize(width, height());
}

void CellEditor::drop() {
    cell_ = QPersistentModelIndex();
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

void CellEditor::mouseDoubleClickEvent(QMouseEvent* event) {
    if (opened_.isValid() &&
        opened_.elapsed() <= QGuiApplication::styleHints()->mouseDoubleClickInterval()) {
        setCursorPosition(cursorPositionAt(event->position().toPoint()));
        return;
    }
    QLineEdit::mouseDoubleClickEvent(event);
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

} // namespace app
