#include "model/gridchange.h"

#include "model/gridmodel.h"

#include <algorithm>

namespace model {

GridChange GridChange::inverse() const {
    GridChange undone = *this;
    switch (kind) {
    case Text:
        std::swap(undone.before, undone.after);
        break;
    case InsertRows:
        undone.kind = RemoveRows;
        break;
    case RemoveRows:
        undone.kind = InsertRows;
        break;
    case InsertColumns:
        undone.kind = RemoveColumns;
        break;
    case RemoveColumns:
        undone.kind = InsertColumns;
        break;
    case MoveColumn:
        std::swap(undone.col, undone.count);
        break;
    case SortRows: {
        std::vector<int> back(order.size());
        for (std::size_t i = 0; i < order.size(); ++i)
            back[std::size_t(order[i])] = int(i);
        undone.order = std::move(back);
        break;
    }
    case Reset:
        break;
    }
    return undone;
}

// Undoing and redoing are changes the grid makes on its own behalf: they are not recorded.
class GridModel::Unrecorded {
public:
    explicit Unrecorded(GridModel& grid) : grid_(grid), log_(std::exchange(grid.log_, nullptr)) {}
    ~Unrecorded() { grid_.log_ = log_; }
    Unrecorded(const Unrecorded&) = delete;
    Unrecorded& operator=(const Unrecorded&) = delete;

private:
    GridModel& grid_;
    std::vector<GridChange>* log_;
};

// Undoing a change is doing its inverse.
void GridModel::undoChange(const GridChange& change) {
    redoChange(change.inverse());
}

void GridModel::redoChange(const GridChange& change) {
    const Unrecorded quiet(*this);
    switch (change.kind) {
    case GridChange::Text:
        setTextMatrix(change.row, change.col, change.after);
        break;
    case GridChange::InsertRows:
        insertRowsAt(change.row, change.count, change.cells, change.heights);
        break;
    case GridChange::RemoveRows:
        removeRowsAt(change.row, change.count);
        break;
    case GridChange::InsertColumns:
        insertColumnsAt(change.col, change.count, change.cells, change.formats);
        break;
    case GridChange::RemoveColumns:
        removeColumnsAt(change.col, change.count);
        break;
    case GridChange::MoveColumn:
        setColPosition(change.col, change.count);
        break;
    case GridChange::SortRows:
        permuteRows(change.row, change.order);
        break;
    case GridChange::Reset:
        break;
    }
}

void GridModel::insertRowsAt(int at, int count, const QList<QString>& cells,
                             const std::vector<int>& heights) {
    if (count <= 0 || at < 1 || at > rows())
        return;
    beginInsertRows({}, at - 1, at + count - 2);
    cells_.insertRows(at, count);
    if (cells.size() == qsizetype(count) * cols())
        fillCells(at, count, 0, cols(), cells);
    if (heights.size() == std::size_t(count))
        rowHeights_.insert(rowHeights_.begin() + at, heights.begin(), heights.end());
    else
        rowHeights_.insert(rowHeights_.begin() + at, std::size_t(count), AutoSize);
    endInsertRows();
}

bool GridModel::insertItems(int at, int count, const QList<QString>& texts) {
    if (count <= 0 || at < 1 || at > rows() || texts.size() != qsizetype(count) * cols())
        return false;
    if (log_) {
        GridChange inserted = GridChange::of(GridChange::InsertRows, at, 0, count);
        inserted.cells = texts;
        record(std::move(inserted));
    }
    insertRowsAt(at, count, texts, {});
    return true;
}

void GridModel::removeRowsAt(int at, int count) {
    if (count <= 0 || at < 1 || at + count > rows())
        return;
    if (row_ >= at && (row_ < at + count || row_ >= rows() - count))
        Q_EMIT leaveCell();
    beginRemoveRows({}, at - 1, at + count - 2);
    cells_.removeRows(at, count);
    rowHeights_.erase(rowHeights_.begin() + at, rowHeights_.begin() + at + count);
    endRemoveRows();
    clampCursor();
}

void GridModel::insertColumnsAt(int at, int count, const QList<QString>& cells,
                                const std::vector<ColumnFormat>& formats) {
    if (count <= 0 || at < 0 || at > cols())
        return;
    beginInsertColumns({}, at, at + count - 1);
    cells_.insertColumns(at, count);
    if (cells.size() == qsizetype(rows()) * count)
        fillCells(0, rows(), at, count, cells);
    if (formats.size() == std::size_t(count))
        columns_.insert(columns_.begin() + at, formats.begin(), formats.end());
    else
        columns_.insert(columns_.begin() + at, std::size_t(count), ColumnFormat{});
    endInsertColumns();
    Q_EMIT columnLayoutChanged();
}

void GridModel::removeColumnsAt(int at, int count) {
    if (count <= 0 || at < 0 || at + count > cols() || count == cols())
        return;
    if (col_ >= at && (col_ < at + count || col_ >= cols() - count))
        Q_EMIT leaveCell();
    beginRemoveColumns({}, at, at + count - 1);
    cells_.removeColumns(at, count);
    columns_.erase(columns_.begin() + at, columns_.begin() + at + count);
    endRemoveColumns();
    clampCursor();
    Q_EMIT columnLayoutChanged();
}

void GridModel::permuteRows(int first, const std::vector<int>& order) {
    if (first < 1 || first + int(order.size()) > rows())
        return;
    Q_EMIT layoutAboutToBeChanged();
    applyOrder(first, order);
    Q_EMIT layoutChanged();
}

} // namespace model
