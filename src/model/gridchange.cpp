#include "model/gridchange.h"

#include "model/gridmodel.h"

#include <algorithm>

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
        undone.order = RowOrder(back);
        break;
    }
    case Reset:
        break;
    }
    return undone;
}

RowOrder::RowOrder(const std::vector<int>& order) {
    if (order.size() <= 0x10000)
        narrow_.assign(order.begin(), order.end());
    else
        wide_.assign(order.begin(), order.end());
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
    if (count <= 0 || at < 1 || at > rows_)
        return;
    beginInsertRows({}, at - 1, at + count - 2);
    const qsizetype first = offset(at, 0);
    cells_.insert(first, qsizetype(count) * cols_, QString());
    if (cells.size() == qsizetype(count) * cols_)
        std::copy(cells.begin(), cells.end(), cells_.begin() + first);
    if (heights.size() == std::size_t(count))
        rowHeights_.insert(rowHeights_.begin() + at, heights.begin(), heights.end());
    else
        rowHeights_.insert(rowHeights_.begin() + at, std::size_t(count), AutoSize);
    rows_ += count;
    endInsertRows();
}

void GridModel::removeRowsAt(int at, int count) {
    if (count <= 0 || at < 1 || at + count > rows_)
        return;
    if (row_ >= at && (row_ < at + count || row_ >= rows_ - count))
        Q_EMIT leaveCell();
    beginRemoveRows({}, at - 1, at + count - 2);
    cells_.remove(offset(at, 0), qsizetype(count) * cols_);
    rowHeights_.erase(rowHeights_.begin() + at, rowHeights_.begin() + at + count);
    rows_ -= count;
    endRemoveRows();
    clampCursor();
}

void GridModel::insertColumnsAt(int at, int count, const QList<QString>& cells,
                                const std::vector<ColumnFormat>& formats) {
    if (count <= 0 || at < 0 || at > cols_)
        return;
    beginInsertColumns({}, at, at + count - 1);
    const int cols = cols_ + count;
    QList<QString> laid(qsizetype(rows_) * cols);
    const bool filled = cells.size() == qsizetype(rows_) * count;
    for (int r = 0; r < rows_; ++r) {
        const auto from = cells_.begin() + offset(r, 0);
        auto to = laid.begin() + qsizetype(r) * cols;
        to = std::move(from, from + at, to);
        if (filled)
            std::copy(cells.begin() + qsizetype(r) * count,
                      cells.begin() + qsizetype(r + 1) * count, to);
        std::move(from + at, from + cols_, to + count);
    }
    cells_ = std::move(laid);
    if (formats.size() == std::size_t(count))
        columns_.insert(columns_.begin() + at, formats.begin(), formats.end());
    else
        columns_.insert(columns_.begin() + at, std::size_t(count), ColumnFormat{});
    cols_ = cols;
    endInsertColumns();
    Q_EMIT columnLayoutChanged();
}

void GridModel::removeColumnsAt(int at, int count) {
    if (count <= 0 || at < 0 || at + count > cols_ || count == cols_)
        return;
    if (col_ >= at && (col_ < at + count || col_ >= cols_ - count))
        Q_EMIT leaveCell();
    beginRemoveColumns({}, at, at + count - 1);
    const int cols = cols_ - count;
    QList<QString> laid(qsizetype(rows_) * cols);
    for (int r = 0; r < rows_; ++r) {
        const auto from = cells_.begin() + offset(r, 0);
        auto to = std::move(from, from + at, laid.begin() + qsizetype(r) * cols);
        std::move(from + at + count, from + cols_, to);
    }
    cells_ = std::move(laid);
    columns_.erase(columns_.begin() + at, columns_.begin() + at + count);
    cols_ = cols;
    endRemoveColumns();
    clampCursor();
    Q_EMIT columnLayoutChanged();
}

void GridModel::permuteRows(int first, const RowOrder& order) {
    const int count = int(order.size());
    if (first < 1 || first + count > rows_)
        return;
    Q_EMIT layoutAboutToBeChanged();
    QList<QString> laid(qsizetype(count) * cols_);
    std::vector<int> heights(std::size_t(count), AutoSize);
    for (int i = 0; i < count; ++i) {
        const int from = first + order[std::size_t(i)];
        std::move(cells_.begin() + offset(from, 0), cells_.begin() + offset(from, 0) + cols_,
                  laid.begin() + qsizetype(i) * cols_);
        heights[std::size_t(i)] = rowHeights_[std::size_t(from)];
    }
    std::move(laid.begin(), laid.end(), cells_.begin() + offset(first, 0));
    std::copy(heights.begin(), heights.end(), rowHeights_.begin() + first);
    Q_EMIT layoutChanged();
}
