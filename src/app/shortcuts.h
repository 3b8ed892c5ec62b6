#pragma once

#include <QAction>
#include <QKeySequence>
#include <QList>
#include <QWidget>

namespace app {

// A shortcut of the whole window, found by its object name, that calls `slot` of `receiver` (or a
// function object, for as long as `receiver` lives).
template <typename Receiver, typename Slot>
QAction* addShortcut(QWidget& window, const char* name, const QList<QKeySequence>& keys,
                     Receiver* receiver, Slot slot) {
    auto* action = new QAction(&window);
    action->setObjectName(QString::fromLatin1(name));
    action->setShortcuts(keys);
    QObject::connect(action, &QAction::triggered, receiver, slot);
    window.addAction(action);
    return action;
}

} // namespace app
