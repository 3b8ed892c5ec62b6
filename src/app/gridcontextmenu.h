#pragma once

#include <QObject>
#include <QPoint>

class QAction;
class QMenu;
class QWidget;

namespace editing {
class GridHistory;
} // namespace editing

namespace app {

class CellDelegate;
class GridCommands;
class GridView;

// The grid's context menu (MenuGrid), at a right click and at the Menu key or Shift+F10:
// "Отменить", "Повторить", "Вырезать", "Копировать", "Вставить", "Найти…", "Удалить строку" and
// "Экспорт…", each with the window's shortcut beside it. Undo, redo, find and export run the
// window's own actions (ActUndo, ActRedo, ActFind, ActExport); the rest run the grid's commands
// through the grid's delegate. An entry that cannot act is disabled: nothing to undo or redo, no
// data row selected to cut or delete, no text on the clipboard to paste.
class GridContextMenu : public QObject {
    Q_OBJECT
public:
    GridContextMenu(QWidget& window, GridView& view, editing::GridHistory& history,
                    GridCommands& commands, CellDelegate& edits);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Opens the menu there (on the screen) and returns at once; a click on an entry or
    // elsewhere closes it.
    void popUp(QPoint globalPosition);
    void addEntry(const char* name, const QString& caption, const char* windowAction);
    template <typename Function>
    void addEntry(const char* name, const QString& caption, const QKeySequence& keys,
                  Function function);
    QAction* windowAction(const char* name) const;

    QWidget& window_;
    GridView& view_;
    editing::GridHistory& history_;
    CellDelegate& edits_;
    QMenu* menu_;
};

} // namespace app
