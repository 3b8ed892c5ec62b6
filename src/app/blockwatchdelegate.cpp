#include "app/blockwatchdelegate.h"

#include "model/registerstate.h"

#include <QAbstractItemView>
#include <QHelpEvent>
#include <QToolTip>

namespace app {

BlockWatchDelegate::BlockWatchDelegate(const model::RegisterState& watch, QObject* parent)
    : QStyledItemDelegate(parent), watch_(&watch) {}

bool BlockWatchDelegate::notADate(const QModelIndex& index) const {
    return watch_ && index.isValid() && watch_->blocks().activationColumn() == index.column() &&
           watch_->blocks().undated(index.row());
}

void BlockWatchDelegate::showRepeats(RepeatTip tip) {
    repeats_ = true;
    repeatTip_ = std::move(tip);
}

bool BlockWatchDelegate::repeated(const QModelIndex& index) const {
    return repeats_ && watch_ && index.isValid() &&
           watch_->repeats().marked(index.row(), index.column());
}

// Away from the cells (below the rows, right of the columns) the grid has no tooltip of its own:
// the window's shows there.
// A number's cell tells where else it stands (the journal's other rows, the archives) below its
// row's block state.
QString BlockWatchDelegate::toolTip(const QModelIndex& index) const {
    if (!index.isValid())
        return {};
    if (notADate(index))
        return QStringLiteral("Не дата: дд.мм.гггг");
    const QString state = blockStateTip(index);
    const QString where = repeatTip_ ? repeatTip_(index.row(), index.column()) : QString();
    if (where.isEmpty())
        return state;
    return state.isEmpty() ? where : state + u'\n' + where;
}

QString BlockWatchDelegate::blockStateTip(const QModelIndex& index) const {
    if (!watch_ || !watch_->blocks().blockColumn())
        return {};
    const QString blockDate = index.model()
                                  ->index(index.row(), *watch_->blocks().blockColumn())
                                  .data()
                                  .toString()
                                  .trimmed();
    switch (watch_->blocks().state(index.row())) {
    case model::BlockState::Blocked:
        return QStringLiteral("Заблокирована с ") + blockDate;
    case model::BlockState::Soon:
        return QStringLiteral("Блокируется ") + blockDate;
    case model::BlockState::Clear:
        break;
    }
    return {};
}

bool BlockWatchDelegate::helpEvent(QHelpEvent* event, QAbstractItemView* view,
                                   const QStyleOptionViewItem& option, const QModelIndex& index) {
    if (event->type() == QEvent::ToolTip) {
        const QString tip = toolTip(index);
        if (!tip.isEmpty()) {
            QToolTip::showText(event->globalPos(), tip, view);
            return true;
        }
    }
    return QStyledItemDelegate::helpEvent(event, view, option, index);
}

void BlockWatchDelegate::initStyleOption(QStyleOptionViewItem* option,
                                         const QModelIndex& index) const {
    QStyledItemDelegate::initStyleOption(option, index);
    if (notADate(index) || repeated(index))
        option->palette.setColor(QPalette::Text, NotADateColour);
    if (!watch_ || option->state.testFlag(QStyle::State_Selected))
        return;
    switch (watch_->blocks().state(index.row())) {
    case model::BlockState::Blocked:
        option->backgroundBrush = blocked_;
        break;
    case model::BlockState::Soon:
        option->backgroundBrush = soon_;
        break;
    case model::BlockState::Clear:
        break;
    }
}

} // namespace app
