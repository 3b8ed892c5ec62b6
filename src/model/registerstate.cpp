#include "model/registerstate.h"

#include "model/gridmodel.h"

namespace model {

RegisterState::RegisterState(const GridModel& grid, QDate today, QObject* parent)
    : QObject(parent), grid_(grid), today_(today) {
    connect(&grid, &GridModel::dataChanged, this, &RegisterState::markDirty);
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
    markDirty();
}

const BlockJudgement& RegisterState::blocks() const {
    update();
    return blocks_;
}

const SerialRepeats& RegisterState::repeats() const {
    update();
    return repeats_;
}

const CompletionValues& RegisterState::values(int col) const {
    update();
    return values_.try_emplace(col, grid_, col).first->second;
}

void RegisterState::markDirty() {
    dirty_ = true;
    if (!std::exchange(settleQueued_, true))
        QMetaObject::invokeMethod(
            this,
            [this] {
                settleQueued_ = false;
                settle();
            },
            Qt::QueuedConnection);
}

void RegisterState::update() const {
    if (!dirty_)
        return;
    dirty_ = false;
    changedUntold_ = true;
    blocks_ = BlockJudgement(grid_, today_);
    repeats_ = SerialRepeats(grid_);
    values_.clear();
}

void RegisterState::settle() {
    update();
    if (std::exchange(changedUntold_, false))
        Q_EMIT changed();
}

} // namespace model
