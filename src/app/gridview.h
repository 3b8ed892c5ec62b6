#pragma once

#include <QTableView>

namespace model {
class GridModel;
} // namespace model

namespace app {

// Shows the journal grid. Row 0 is drawn as the table's header, the data rows below it.
// Mouse and focus become the grid's notifications; the current cell and the selection live in
// the model, which the view follows. Places and sizes are in twips.
//
// A left click anywhere on the grid's cells is a click (clicked()): on a cell it makes that cell
// current, on the empty area below the rows or right of the columns it works on the current cell.
// A left click on the header row is a header click (headerClicked()), which sorts and edits
// nothing. Right and middle clicks select nothing and are no clicks; every release raises
// mouseUp().
class GridView : public QTableView {
    Q_OBJECT
public:
    explicit GridView(model::GridModel* model, QWidget* parent = nullptr);

    int mouseRow() const { return mouseRow_; }
    int mouseCol() const { return mouseCol_; }

    // The current cell's rectangle, relative to the grid's top-left corner.
    int cellLeft() const;
    int cellTop() const;
    int cellWidth() const;
    int cellHeight() const;

    int leftTwips() const;
    int topTwips() const;
    // A negative size is refused: the grid keeps its size and false is returned.
    bool setWidthTwips(int twips);
    bool setHeightTwips(int twips);

    void refresh();
    // Makes the cell current and scrolls it into view; goToRow also selects its row whole, as a
    // match found or a row opened from the list of rows found is shown.
    void goTo(int row, int col);
    void goToRow(int row, int col);
    // Scrolls back to the first column (the owners), the rows staying where they are.
    void showFirstColumn();

    // The selected cells as tab-separated lines on the clipboard, as spreadsheets paste them
    // (Ctrl+C).
    void copySelection() const;

    // Column widths in pixels the user dragged, by column position (0: none).
    QList<int> draggedWidths() const;
    void setDraggedWidths(const QList<int>& widths);

Q_SIGNALS:
    // Ctrl+V on the grid, with the clipboard's text; Ctrl+X.
    void pasteRequested(const QString& text);
    void cutRequested();
    // A printable character typed on the grid: the current cell's edit begins with it.
    void typed(const QString& text);
    // A click, or Enter, on a cell: its edit begins with the whole text selected.
    void clicked();
    // F2 on a cell: its edit begins with the caret after the text.
    void editRequested();
    void headerClicked();
    void gotFocus();
    void mouseUp();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Cell {
        int row = -1;
        int col = -1;
    };
    Cell cellAtViewport(QPoint position) const;
    Cell cellAtHeader(QPoint position) const;
    void press(Cell cell, Qt::MouseButton button);
    void drag(Cell cell);
    void release(Cell cell);
    QRect currentCellRect() const;
    int pageRows() const;

    void applyColumnLayout();
    void applyHeaderHeight();
    void followSelection();
    void followTopRow(int row);

    model::GridModel* grid_;
    int mouseRow_ = 0;
    int mouseCol_ = 0;
    QList<int> draggedWidths_;
    bool applyingLayout_ = false;
    bool dragging_ = false; // a left press on the grid, until its release
    bool onHeader_ = false; // that press was on the header row
    bool pressed_ = false;  // any press on the grid, until its release
};

} // namespace app
