#include "model/registerstate.h"

#include "model/gridmodel.h"

namespace model {

RegisterState::RegisterState(const GridModel& grid, QDate today, QObject* parent)
    : QObject(parent), grid_(grid), today_(today) {
    connect(&grid, &GridModel::dataChanged, this,
            [this](const QModelIndex& from, const QModelIndex& to) {
                cellsChanged({from.row(), to.row()}, {from.column(), to.column()});
            });
    connect(&grid, &GridModel::headerDataChanged, this, &RegisterState::markDirty);
    connect(&grid, &GridModel::rowsInserted, this, &RegisterState::markDirty);
    connect(&grid, &GridModel::rowsRemoved, this, &RegisterState::markDirty);
    connect(&grid, &GridModel::columnsInserted, this, &RegisterState::markDirty);
    connect(&grid, &GridModel::columnsRemoved, this, &RegisterState::markDirty);
    connect(&grid, &GridModel::columnsMoved, this, &RegisterState::markDirty);
    connect(&grid, &GridModel::layoutChanged, this, &RegisterState::markDirty);
    connect(&grid, &GridModel::modelReset, this, &RegisterState::markDirty);
    markDirty();
}

void RegisterState::setToday(QDate today) {
    if (today == today_)
        return;
    today_ = today;
    blocksDue_ = true;
    settleSoon();
}

const BlockJudgement& RegisterState::blocks() const {
    if (std::exchange(blocksDue_, false)) {
        updateRowDates();
        blocks_ = BlockJudgement(grid_, today_, rowDates_);
        changedUntold_ = true;
    }
    return blocks_;
}

const SerialRepeats& RegisterState::repeats() const {
    for (int kind = 0; kind < SerialKinds; ++kind)
        if (std::exchange(repeatsDue_[std::size_t(kind)], false)) {
            repeats_.recount(grid_, kind);
            changedUntold_ = true;
        }
    return repeats_;
}

const CompletionValues& RegisterState::values(int col) const {
    return values_.try_emplace(col, grid_, col).first->second;
}

void RegisterState::updateRowDates() const {
    const std::optional<BlockColumns> columns = captionedBlockColumns(grid_);
    const int rows = grid_.rowCount();
    if (columns != rowDatesColumns_ || rowDates_.size() != std::size_t(rows)) {
        rowDatesColumns_ = columns;
        rowDates_.assign(std::size_t(rows), {});
        rowDatesDue_ = std::pair(0, rows - 1);
    }
    if (const auto due = std::exchange(rowDatesDue_, std::nullopt); due && columns)
        for (int r = std::max(due->first, 0); r <= std::min(due->second, rows - 1); ++r)
            rowDates_[std::size_t(r)] = readRowDates(grid_, *columns, r);
}

void RegisterState::markDirty() {
    rowDatesColumns_.reset();
    rowDates_.clear();
    blocksDue_ = true;
    repeatsDue_ = {true, true};
    values_.clear();
    settleSoon();
}

// A stored cell leaves standing the parts that read nothing of its column.
void RegisterState::cellsChanged(std::pair<int, int> rows, std::pair<int, int> cols) {
    rowDatesDue_ = rowDatesDue_ ? std::pair(std::min(rowDatesDue_->first, rows.first),
                                            std::max(rowDatesDue_->second, rows.second))
                                : rows;
    for (int col = cols.first; col <= cols.second; ++col) {
        blocksDue_ = blocksDue_ || blocks_.reads(col);
        if (const std::optional<int> kind = repeats_.kindOf(col))
            repeatsDue_[std::size_t(*kind)] = true;
        values_.erase(col);
    }
    settleSoon();
}

void RegisterState::settleSoon() {
    if (!std::exchange(settleQueued_, true))
        QMetaObject::invokeMethod(
            this,
            [this] {
                settleQueued_ = false;
                settle();
            },
            Qt::QueuedConnection);
}

void RegisterState::settle() {
    blocks();
    repeats();
    if (std::exchange(changedUntold_, false))
        Q_EMIT changed();
}

} // namespace model
