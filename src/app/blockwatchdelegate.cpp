#include "app/blockwatchdelegate.h"

#include "model/blockwatch.h"

BlockWatchDelegate::BlockWatchDelegate(const journal::BlockWatch& watch, QObject* parent)
    : QStyledItemDelegate(parent), watch_(&watch) {}

void BlockWatchDelegate::initStyleOption(QStyleOptionViewItem* option,
                                         const QModelIndex& index) const {
    QStyledItemDelegate::initStyleOption(option, index);
    if (!watch_ || option->state.testFlag(QStyle::State_Selected))
        return;
    // The view's rows are the grid's data rows: view row r is grid row r + 1.
    switch (watch_->state(index.row() + 1)) {
    case journal::BlockState::Blocked:
        option->backgroundBrush = blocked_;
        break;
    case journal::BlockState::Soon:
        option->backgroundBrush = soon_;
        break;
    case journal::BlockState::Clear:
        break;
    }
}
