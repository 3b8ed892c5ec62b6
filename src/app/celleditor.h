#pragma once

#include <QElapsedTimer>
#include <QLineEdit>
#include <QPersistentModelIndex>

namespace app {

// The line editor of a grid cell, which the grid's delegate opens over the cell. It remembers
// its cell, so its text goes back where it was typed even when rows have moved since.
class CellEditor : public QLineEdit {
    Q_OBJECT
public:
    explicit CellEditor(QWidget* parent = nullptr);

    bool isOpen() const { return isVisible() && cell_.isValid(); }
    // The cell it was opened on, wherever rows and columns moved it since; invalid when it is
    // closed or the cell is gone.
    QModelIndex cell() const { return cell_; }
    // How an edit begins: a click selects the whole text, so that typing replaces it, as in a
    // spreadsheet; F2 puts the caret after the text.
    enum class Start { SelectAll, CaretAtEnd };
    void begin(const QModelIndex& cell);
    // Placed over the cell's rectangle, and wider for a longer text.
    void placeOver(const QRect& cellArea);
    void clearCell() { cell_ = QPersistentModelIndex(); }
    // The first keys of an edit: an open editor's text becomes what was typed.
    void typeOver(const QString& typed);
    // The editor is never too narrow for this text (a date, in a date column), whatever it holds.
    void setRoomFor(const QString& text) { roomFor_ = text; }

Q_SIGNALS:
    // Undo or redo with nothing left to undo or redo in the editor's own text: the grid's turn.
    void undoRequested();
    void redoRequested();

protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    // As wide as its text, never narrower than its cell nor past its parent's right edge.
    void fitToText();

    QPersistentModelIndex cell_;
    int cellWidth_ = 0;
    QString roomFor_;
    // When the editor opened: a double click on the grid whose second press lands on the editor
    // just opened places the caret there rather than selecting a word.
    QElapsedTimer opened_;
};

} // namespace app
