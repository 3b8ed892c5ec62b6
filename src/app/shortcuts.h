#pragma once

#include <QAction>
#include <QKeyEvent>
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

// For a ShortcutOverride event in a line edit of the window: leaves the key to the window's action
// that has it as its shortcut, where the platform gives the line edit a meaning of its own for it
// (on X11 Ctrl+E moves to the end of the line). Undo and redo, and the clipboard's keys, stay the
// line edit's. True when the key was left to the action.
inline bool leaveToWindowAction(const QWidget& window, QKeyEvent& key) {
    for (const QKeySequence::StandardKey own :
         {QKeySequence::Undo, QKeySequence::Redo, QKeySequence::Copy, QKeySequence::Cut,
          QKeySequence::Paste, QKeySequence::SelectAll})
        if (key.matches(own))
            return false;
    if (key.keyCombination() == QKeyCombination(Qt::ControlModifier, Qt::Key_Y))
        return false;
    const QKeySequence pressed(key.keyCombination());
    for (const QAction* action : window.actions())
        if (action->isEnabled() && action->shortcuts().contains(pressed)) {
            key.ignore();
            return true;
        }
    return false;
}

} // namespace app
