#include "app/gridcontextmenu.h"

#include "app/celldelegate.h"
#include "app/celleditor.h"
#include "app/gridcommands.h"
#include "app/gridview.h"
#include "editing/gridhistory.h"

#include <QClipboard>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>

namespace app {

namespace {

// The shortcut is shown after a tab, as menus show theirs; it stays the window's alone.
QString withKeys(const QString& caption, const QKeySequence& keys) {
    return keys.isEmpty() ? caption : caption + u'\t' + keys.toString(QKeySequence::NativeText);
}

// Where the keys open the menu: over the current cell.
QPoint currentCellCentre(const GridView& view) {
    const int col = view.currentColumn();
    if (const QModelIndex current = view.currentIndex(); current.isValid()) {
        const QRect cell = view.visualRect(current);
        if (view.viewport()->rect().intersects(cell))
            return view.viewport()->mapToGlobal(cell.center());
    }
    const QHeaderView* header = view.horizontalHeader();
    return header->mapToGlobal(
        QPoint(std::max(0, header->sectionViewportPosition(col)) + 4, header->height() / 2));
}

} // namespace

GridContextMenu::GridContextMenu(QWidget& window, GridView& view, editing::GridHistory& history,
                                 GridCommands& commands, CellDelegate& edits)
    : QObject(&window), window_(window), view_(view), history_(history), edits_(edits),
      menu_(new QMenu(&view)) {
    menu_->setObjectName(QStringLiteral("MenuGrid"));
    addEntry("MenuUndo", QStringLiteral("Отменить"), "ActUndo");
    addEntry("MenuRedo", QStringLiteral("Повторить"), "ActRedo");
    menu_->addSeparator();
    addEntry("MenuCut", QStringLiteral("Вырезать"), QKeySequence::Cut,
             edits.command(&commands, &GridCommands::cut));
    addEntry("MenuCopy", QStringLiteral("Копировать"), QKeySequence::Copy,
             edits.command([this] { view_.copySelection(); }));
    addEntry("MenuPaste", QStringLiteral("Вставить"), QKeySequence::Paste,
             edits.command([&commands] { commands.paste(); }));
    menu_->addSeparator();
    addEntry("MenuFind", QStringLiteral("Найти…"), "ActFind");
    addEntry("MenuDeleteRow", QStringLiteral("Удалить строку"), QKeySequence(),
             edits.command(&commands, &GridCommands::deleteRow));
    addEntry("MenuExport", QStringLiteral("Экспорт…"), "ActExport");
    view_.installEventFilter(this);
    view_.viewport()->installEventFilter(this);
}

QAction* GridContextMenu::windowAction(const char* name) const {
    return window_.findChild<QAction*>(QString::fromLatin1(name), Qt::FindDirectChildrenOnly);
}

// An entry that runs the window's action of that name, which may be made after the menu.
void GridContextMenu::addEntry(const char* name, const QString& caption,
                               const char* windowActionName) {
    QAction* entry = menu_->addAction(caption);
    entry->setObjectName(QString::fromLatin1(name));
    entry->setProperty("caption", caption);
    entry->setProperty("windowAction", QByteArray(windowActionName));
    connect(entry, &QAction::triggered, this, [this, windowActionName] {
        if (QAction* action = windowAction(windowActionName); action && action->isEnabled())
            action->trigger();
    });
}

template <typename Function>
void GridContextMenu::addEntry(const char* name, const QString& caption, const QKeySequence& keys,
                               Function function) {
    QAction* entry = menu_->addAction(withKeys(caption, keys));
    entry->setObjectName(QString::fromLatin1(name));
    connect(entry, &QAction::triggered, this, function);
}

// Each entry is updated first: its window action's state and keys, what there is to act on.
void GridContextMenu::popUp(QPoint globalPosition) {
    for (QAction* entry : menu_->actions()) {
        const QByteArray name = entry->property("windowAction").toByteArray();
        if (name.isEmpty())
            continue;
        const QAction* action = windowAction(name.constData());
        entry->setText(withKeys(entry->property("caption").toString(),
                                action ? action->shortcut() : QKeySequence()));
        entry->setEnabled(action && action->isEnabled());
    }
    const auto entry = [this](const char* name) {
        return menu_->findChild<QAction*>(QString::fromLatin1(name));
    };
    // An open edit is a change Ctrl+Z takes back too.
    entry("MenuUndo")
        ->setEnabled(entry("MenuUndo")->isEnabled() &&
                     (history_.stack().canUndo() || edits_.editor().isOpen()));
    entry("MenuRedo")->setEnabled(entry("MenuRedo")->isEnabled() && history_.stack().canRedo());
    entry("MenuCut")->setEnabled(view_.currentIndex().isValid());
    entry("MenuPaste")->setEnabled(!QGuiApplication::clipboard()->text().isEmpty());
    entry("MenuDeleteRow")->setEnabled(view_.currentIndex().isValid());
    menu_->popup(globalPosition);
}

// A right click on the grid (a context-menu event its viewport passes on), the Menu key or
// Shift+F10, which Qt turns into no context-menu event.
bool GridContextMenu::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() != Qt::Key_F10 || key->modifiers() != Qt::ShiftModifier)
            return QObject::eventFilter(watched, event);
        popUp(currentCellCentre(view_));
        return true;
    }
    if (event->type() != QEvent::ContextMenu)
        return QObject::eventFilter(watched, event);
    const auto* request = static_cast<QContextMenuEvent*>(event);
    popUp(request->reason() == QContextMenuEvent::Mouse ? request->globalPos()
                                                        : currentCellCentre(view_));
    return true;
}

} // namespace app
