#include "app/celleditor.h"

#include "app/shortcuts.h"

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

void CellEditor::begin(const QModelIndex& cell) {
    cell_ = cell;
    // The text as the cell holds it, even what the input filter refuses (a ";" or line end read
    // from a spreadsheet's file), so that an edit left as it was changes nothing; only what is
    // typed goes through the filter.
    const QValidator* const filter = validator();
    setValidator(nullptr);
    setText(cell.data(Qt::EditRole).toString());
    setValidator(filter);
    opened_.start();
}

void CellEditor::placeOver(const QRect& cellArea) {
    cellWidth_ = cellArea.width();
    setGeometry(cellArea);
    fitToText();
}

void CellEditor::typeOver(const QString& typed) {
    if (!isOpen())
        return;
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

void CellEditor::mouseDoubleClickEvent(QMouseEvent* event) {
    if (opened_.isValid() &&
        opened_.elapsed() <= QGuiApplication::styleHints()->mouseDoubleClickInterval()) {
        setCursorPosition(cursorPositionAt(event->position().toPoint()));
        return;
    }
    QLineEdit::mouseDoubleClickEvent(event);
}

bool CellEditor::event(QEvent* event) {
    if (event->type() == QEvent::ShortcutOverride && window() &&
        leaveToWindowAction(*window(), static_cast<QKeyEvent&>(*event)))
        return true;
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
    QLineEdit::keyPressEvent(event);
}

} // namespace app
