#include "editing/columnvalues.h"

#include "model/gridmodel.h"

#include <algorithm>

namespace editing {

ColumnValues::ColumnValues(const model::GridModel& grid, QString caption, QObject* parent)
    : QObject(parent), grid_(grid), caption_(std::move(caption)) {
    using model::GridModel;
    connect(&grid, &GridModel::dataChanged, this, &ColumnValues::cellsChanged);
    connect(&grid, &GridModel::rowsInserted, this,
            [this](const QModelIndex&, int first, int last) { rowsInserted(first, last); });
    connect(&grid, &GridModel::rowsRemoved, this,
            [this](const QModelIndex&, int first, int last) { rowsRemoved(first, last); });
    connect(&grid, &GridModel::rowsPermuted, this, &ColumnValues::rowsPermuted);
    for (const auto signal : {&GridModel::columnsInserted, &GridModel::columnsRemoved})
        connect(&grid, signal, this, &ColumnValues::markStale);
    connect(&grid, &GridModel::columnsMoved, this, &ColumnValues::markStale);
    connect(&grid, &GridModel::headerDataChanged, this, &ColumnValues::markStale);
    connect(&grid, &GridModel::modelReset, this, &ColumnValues::markStale);
}

void ColumnValues::refresh() const {
    if (!stale_)
        return;
    stale_ = false;
    column_ = grid_.findColumn(caption_);
    rowIds_.assign(std::size_t(grid_.rows()), ValueIndex::None);
    if (!column_) {
        index_.clear();
        return;
    }
    std::vector<core::CellText> values;
    values.reserve(std::size_t(grid_.rows()));
    for (int row = 1; row < grid_.rows(); ++row)
        values.push_back(grid_.cell(row, *column_));
    index_.assign(values);
    for (int row = 1; row < grid_.rows(); ++row)
        rowIds_[std::size_t(row)] = index_.idOf(grid_.cell(row, *column_));
}

std::optional<int> ColumnValues::column() const {
    refresh();
    return column_;
}

const ValueIndex& ColumnValues::index() const {
    refresh();
    return index_;
}

ValueIndex::Id ColumnValues::idOfRow(int row) const {
    return row >= 1 && std::size_t(row) < rowIds_.size() ? rowIds_[std::size_t(row)]
                                                         : ValueIndex::None;
}

std::optional<QString> ColumnValues::proposal(QStringView typed, int row) const {
    refresh();
    const ValueIndex::Id best = index_.best(typed, idOfRow(row));
    if (best == ValueIndex::None)
        return std::nullopt;
    return index_.text(best);
}

QStringList ColumnValues::matches(QStringView typed, int row, int limit) const {
    refresh();
    QStringList texts;
    for (const ValueIndex::Id id : index_.matches(typed, limit, idOfRow(row)))
        texts.append(index_.text(id));
    return texts;
}

void ColumnValues::storeRow(int row) {
    if (std::size_t(row) >= rowIds_.size()) {
        markStale();
        return;
    }
    ValueIndex::Id& id = rowIds_[std::size_t(row)];
    const core::CellText value = grid_.cell(row, *column_).trimmed();
    if (id != ValueIndex::None ? index_.text(id) == value : value.isEmpty())
        return;
    index_.release(id);
    id = index_.add(value);
}

void ColumnValues::cellsChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight,
                                const QList<int>& roles) {
    if (stale_ || !column_ || (!roles.isEmpty() && !roles.contains(Qt::DisplayRole)))
        return;
    if (*column_ < topLeft.column() || *column_ > bottomRight.column())
        return;
    // View row r is grid row r + 1.
    for (int row = topLeft.row() + 1; row <= bottomRight.row() + 1 && !stale_; ++row)
        storeRow(row);
}

void ColumnValues::rowsInserted(int first, int last) {
    if (stale_)
        return;
    const int at = first + 1;
    const int count = last - first + 1;
    if (!column_ || rowIds_.size() + std::size_t(count) != std::size_t(grid_.rows()) ||
        at > int(rowIds_.size())) {
        markStale();
        return;
    }
    std::vector<ValueIndex::Id> added;
    added.reserve(std::size_t(count));
    for (int row = at; row < at + count; ++row)
        added.push_back(index_.add(grid_.cell(row, *column_)));
    rowIds_.insert(rowIds_.begin() + at, added.begin(), added.end());
}

void ColumnValues::rowsRemoved(int first, int last) {
    if (stale_)
        return;
    const int at = first + 1;
    const int count = last - first + 1;
    if (!column_ || rowIds_.size() != std::size_t(grid_.rows()) + std::size_t(count) ||
        std::size_t(at + count) > rowIds_.size()) {
        markStale();
        return;
    }
    for (int row = at; row < at + count; ++row)
        index_.release(rowIds_[std::size_t(row)]);
    rowIds_.erase(rowIds_.begin() + at, rowIds_.begin() + at + count);
}

// Row first+i became what row first+order[i] was: the counts stay, the rows' ids move.
void ColumnValues::rowsPermuted(int first, const std::vector<int>& order) {
    if (stale_)
        return;
    if (first < 1 || std::size_t(first) + order.size() > rowIds_.size()) {
        markStale();
        return;
    }
    std::vector<ValueIndex::Id> moved(order.size());
    for (std::size_t i = 0; i < order.size(); ++i)
        moved[i] = rowIds_[std::size_t(first + order[i])];
    std::copy(moved.begin(), moved.end(), rowIds_.begin() + first);
}

} // namespace editing
