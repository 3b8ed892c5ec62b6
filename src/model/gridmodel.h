#pragma once

#include "core/journalformat.h"
#include "model/gridcells.h"
#include "model/gridchange.h"

#include <QAbstractTableModel>
#include <QCollatorSortKey>
#include <QList>
#include <QString>
#include <functional>
#include <optional>
#include <span>
#include <vector>

namespace model {

// How a cell text takes part in a sort. Keys compare by rank first, then by number, then
// by the collation key (or, without one, by the text itself).
struct SortKey {
    int rank = 0;
    double number = 0;
    QString text;
    std::optional<QCollatorSortKey> collated;
};
using SortKeyMaker = std::function<SortKey(const QString&)>;

// The journal grid: text cells in rows 0 .. rows()-1 and columns 0 .. cols()-1, row 0 being
// the fixed header row, a current cell with a selection reaching from it, and the members the
// program reads and writes.
//
// Qt's views see the data rows only (view row r is grid row r + 1); the header row is served
// as the horizontal header data.
//
// An index outside the grid or a size below one is refused, as Qt's models refuse them: setters
// return false and change nothing, getters give an empty text or AutoSize.
class GridModel : public QAbstractTableModel {
    Q_OBJECT
public:
    // Widths and heights not set explicitly; the view sizes such columns from the format text.
    static constexpr int AutoSize = ColumnFormat::AutoSize;

    explicit GridModel(QObject* parent = nullptr);

    int rows() const { return cells_.rows(); }
    bool setRows(int rows);
    int cols() const { return cells_.cols(); }
    bool setCols(int cols);

    int row() const { return row_; }
    bool setRow(int row);
    int col() const { return col_; }
    bool setCol(int col);
    // Moves the current cell in one step (one LeaveCell), as a click on a cell does.
    bool setCurrentCell(int row, int col);
    int rowSel() const { return rowSel_; }
    bool setRowSel(int row);
    int colSel() const { return colSel_; }
    bool setColSel(int col);

    QString text() const { return textMatrix(row_, col_); }
    bool setText(const QString& text) { return setTextMatrix(row_, col_, text); }
    QString textMatrix(int row, int col) const;
    bool setTextMatrix(int row, int col, const QString& text);
    // Unchecked access for whole-register passes that have validated their range; the reference
    // is valid until the grid next changes.
    const QString& cell(int row, int col) const { return cells_.cell(row, col); }
    // The data rows (grid rows 1 .. rows()-1), each with cols() texts: shared, not copied.
    QList<QStringList> dataRows() const { return cells_.dataRows(); }

    void setFormatString(const QString& format);
    int colWidth(int col) const;
    bool setColWidth(int col, int twips);
    bool colCentred(int col) const;
    int rowHeight(int row) const;
    bool setRowHeight(int row, int twips);
    // The text a column's automatic width is measured from (its format section).
    QString colWidthText(int col) const;

    bool setColPosition(int col, int position);
    void addItem(const QString& tabSeparated);
    // Inserts `count` rows at `at` (1 .. rows()), holding `texts` (count × cols texts, row after
    // row), as one change.
    bool insertItems(int at, int count, const QList<QString>& texts);
    // The header row cannot be removed.
    bool removeItem(int row);
    // Writing 1 sorts the rows Row..RowSel (all data rows when they are equal) ascending,
    // keyed on columns Col..ColSel, 2 descending (equal keys keeping their order); the header
    // row stays.
    void setSort(int how);
    void setSortKeyMaker(SortKeyMaker maker);
    static SortKey genericSortKey(const QString& text);

    int topRow() const { return topRow_; }
    bool setTopRow(int row);

    // Replaces the whole grid in one step: `texts` holds rows × cols texts row after row.
    // The format and widths of the columns that remain are kept.
    bool replaceCells(int rows, int cols, const QList<QString>& texts);
    // Replaces the data rows in one step, keeping the header; a row wider than the header widens
    // the grid (with empty captions), a narrower one is padded with empty texts.
    void replaceDataRows(QList<QStringList> rows);

    // The column whose header text, blanks at both ends aside, is `caption`; none when no column
    // or more than one has it.
    std::optional<int> findColumn(QStringView caption) const;

    // While a log is set, every change to the cells, rows, columns and their order is appended
    // to it (widths, heights and the scroll position are not), so that it can be undone.
    void setChangeLog(std::vector<GridChange>* log) { log_ = log; }
    // Undoes or redoes a logged change; the grid must stand as it did right after (or before)
    // it. Neither is logged.
    void undoChange(const GridChange& change);
    void redoChange(const GridChange& change);

    // QAbstractTableModel, seen by the view.
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

Q_SIGNALS:
    // Just before the current cell changes, while row()/col() still name the cell being left.
    void leaveCell();
    void currentCellChanged();
    void selectionChanged();
    void topRowChanged(int row);
    void columnLayoutChanged();
    void rowHeightChanged(int row);

private:
    using Column = ColumnFormat;
    class Unrecorded;

    void record(GridChange change) {
        if (log_)
            log_->push_back(std::move(change));
    }
    void insertRowsAt(int at, int count, const QList<QString>& cells,
                      const std::vector<int>& heights);
    void removeRowsAt(int at, int count);
    void insertColumnsAt(int at, int count, const QList<QString>& cells,
                         const std::vector<ColumnFormat>& formats);
    void removeColumnsAt(int at, int count);
    void permuteRows(int first, const std::vector<int>& order);

    bool hasRow(int row) const { return row >= 0 && row < rows(); }
    bool hasCol(int col) const { return col >= 0 && col < cols(); }
    // Row after row, the texts of a block of cells; and the other way.
    QList<QString> texts(int row, int rowCount, int col, int colCount) const;
    void fillCells(int row, int rowCount, int col, int colCount, const QList<QString>& texts);
    void storeText(int row, int col, const QString& text);
    void applyOrder(int first, std::span<const int> order);
    void moveCurrent(int row, int col);
    void clampCursor();
    void resizeStorage(int rows, int cols);
    void resetLayout();

    GridCells cells_;
    std::vector<Column> columns_;
    std::vector<int> rowHeights_;
    int row_ = 0;
    int col_ = 0;
    int rowSel_ = 0;
    int colSel_ = 0;
    int topRow_ = 1;
    SortKeyMaker sortKeyMaker_;
    std::vector<GridChange>* log_ = nullptr;
};

// How a message names a column: its number from 1 and, when it has one, its caption ("8
// («Механик»)").
QString columnLabel(const GridModel& grid, int col);

} // namespace model
