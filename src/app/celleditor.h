#pragma once

#include <QElapsedTimer>
#include <QLineEdit>
#include <QPersistentModelIndex>

namespace model {
class GridModel;
} // namespace model

namespace app {

// The in-cell editor: a line edit laid over the cell it was opened on. It remembers that cell,
// so its text goes back where it was typed even when the current cell has moved since.
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
    // Shows the editor at `area` (in its parent's pixels) with the cell's text and the focus.
    void open(const QModelIndex& cell, const QRect& area, Start start = Start::SelectAll);
    // Stores the text into the cell the editor was opened on and closes it. Returns whether the
    // cell's text changed.
    bool commit(model::GridModel& grid);
    // Closes the editor without storing its text.
    void drop();
    // Replaces the text with what was typed, as the first keys of an edit do.
    void typeOver(const QString& typed);
    // The editor is never too narrow for this text (a date, in a date column), whatever it holds.
    void setRoomFor(const QString& text) { roomFor_ = text; }

Q_SIGNALS:
    void commitRequested();
    void dropRequested();
    // Undo or redo with nothing left to undo or redo in the editor's own text: the grid's turn.
    void undoRequested();
    void redoRequested();
    // Tab, Shift+Tab: store and edit the next or previous cell of the row.
    void stepRequested(int columns);

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
