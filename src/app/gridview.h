#pragma once

#include <QTableView>

namespace model {
class GridModel;
} // namespace model

namespace app {

// Shows the journal grid, the captions as the table's header. The current cell and the
// selection are those of Qt's selection model.
//
// A left click on a cell makes it current and is a click (clicked()); a click on the empty area
// below the rows or right of the columns works on the current cell. A left click on a caption is
// a header click (headerClicked()), which sorts and edits nothing. Right and middle clicks
// select nothing and are no clicks.
class GridView : public QTableView {
    Q_OBJECT
public:
    explicit GridView(model::GridModel* model, QWidget* parent = nullptr);

    // The current cell; (-1, -1) when the grid has no rows.
    int currentRow() const { return currentIndex().row(); }
    int currentColumn() const { return currentIndex().column(); }
    // The cells the commands work on: from the current cell to where a drag ended, the current
    // cell alone otherwise; empty without rows.
    QRect selectedCells() const;
    // The cell where the selection ends (the far corner from the current cell), x being the
    // column and y the row.
    QPoint selectionEnd() const;
    // Selects the cells from the current one to (row, col), as a drag does.
    void selectTo(int row, int col);

    // Makes the cell current, alone in the selection, and scrolls it into view; goToRow also
    // selects its row whole, as a match found or a row opened from the list of rows found is
    // shown. `hint` places the cell in the view.
    void goTo(int row, int col, ScrollHint hint = EnsureVisible);
    void goToRow(int row, int col);
    // Scrolls back to the first column (the owners), the rows staying where they are.
    void showFirstColumn();
    // The first row from `row` on, going by `step` (1 or -1), that no filter hides; -1 for none.
    int shownRow(int row, int step) const;
    // A current cell on a row a filter hides, where what is typed, pasted or deleted next would
    // go unseen, moves to the next row shown below it, else above; with no row shown there is no
    // current cell, and once rows are shown again the first of them has it. Called when the
    // filter is chosen and after a save, not on each change: a row the user's own entry takes
    // out of the filter keeps the entry.
    void keepCurrentShown();

    // The selected cells of the rows shown as tab-separated lines on the clipboard, as
    // spreadsheets copy and paste them (Ctrl+C).
    void copySelection() const;

    // Column widths in pixels the user dragged, by column position (0: none).
    QList<int> draggedWidths() const { return draggedWidths_; }
    void setDraggedWidths(const QList<int>& widths);

Q_SIGNALS:
    // Ctrl+V on the grid, with the clipboard's text; Ctrl+X.
    void pasteRequested();
    void cutRequested();
    // A printable character typed on the grid: the current cell's edit begins with it.
    void typed(const QString& text);
    // A click, or Enter, on a cell: its edit begins with the whole text selected.
    void clicked();
    // F2 on a cell: its edit begins with the caret after the text.
    void editRequested();
    void headerClicked(int col);
    void gotFocus();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void applyColumnLayout();
    void resetSelection();

    model::GridModel* grid_;
    QPersistentModelIndex selectionEnd_; // where a drag ended
    bool selecting_ = false;
    QPoint keptCurrent_{0, 0}; // (row, column) while the table is replaced
    QList<int> draggedWidths_;
    bool applyingLayout_ = false;
    bool dragging_ = false;  // a left press on a cell, until its release
    int headerPressed_ = -1; // the caption a left press was on, until its release
    bool pressed_ = false;   // any press on the grid, until its release
};

} // namespace app
