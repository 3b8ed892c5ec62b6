#include "app/gridcommands.h"

#include "app/celleditsession.h"
#include "app/gridview.h"
#include "app/shortcuts.h"
#include "core/journalcolumns.h"
#include "editing/gridhistory.h"
#include "editing/pastetable.h"
#include "editing/rowcolumncommands.h"
#include "editing/sortbycolumn.h"
#include "model/blockwatch.h"
#include "model/gridmodel.h"

namespace app {

GridCommands::GridCommands(QWidget& window, model::GridModel& grid, GridView& view,
                           editing::GridHistory& history, model::BlockWatch& watch,
                           CellEditSession& edits)
    : QObject(&window), grid_(grid), view_(view), history_(history), watch_(watch) {
    addShortcut(window, "ActUndo", {QKeySequence::Undo}, this,
                edits.command(this, &GridCommands::undo));
    addShortcut(window, "ActRedo",
                {QKeySequence(Qt::ControlModifier | Qt::Key_Y),
                 QKeySequence(Qt::ControlModifier | Qt::ShiftModifier | Qt::Key_Z)},
                this, edits.command(this, &GridCommands::redo));
    connect(&edits, &CellEditSession::undoRequested, this,
            edits.command(this, &GridCommands::undo));
    connect(&edits, &CellEditSession::redoRequested, this,
            edits.command(this, &GridCommands::redo));
    connect(&view_, &GridView::pasteRequested, this, edits.command(this, &GridCommands::paste));
    // A release on the header row sorts by its column.
    connect(&view_, &GridView::mouseUp, this,
            [this, sort = edits.command(this, &GridCommands::sortByClickedHeader)] {
                if (view_.mouseRow() == 0)
                    sort();
            });
}

void GridCommands::run(const QString& name, bool (*command)(model::GridModel&)) {
    const auto step = history_.step(name);
    if (command(grid_))
        Q_EMIT changed();
}

void GridCommands::deleteLastColumn() {
    run(QStringLiteral("Удалить колонку"), &editing::deleteColumn);
}

void GridCommands::insertColumn() {
    run(QStringLiteral("Добавить колонку"), &editing::addColumn);
}

void GridCommands::deleteRow() {
    run(QStringLiteral("Удалить строку"), &editing::deleteRow);
}

void GridCommands::addRow() {
    run(QStringLiteral("Добавить строку"), &editing::addRow);
    view_.goTo(grid_.rows() - 1, 0);
    view_.setFocus(Qt::OtherFocusReason);
}

void GridCommands::moveLastColumnHere() {
    run(QStringLiteral("Переместить колонки"), &editing::moveLastColumnToCurrent);
}

void GridCommands::paste(const QString& text) {
    if (text.isEmpty())
        return;
    const auto step = history_.step(QStringLiteral("Вставить"));
    const editing::PastedColumns pasted = editing::pasteTable(grid_, text);
    Q_EMIT changed();
    const std::optional<int> activation = grid_.findColumn(core::ActivationDateHeader);
    if (activation && *activation >= pasted.first && *activation < pasted.first + pasted.count)
        Q_EMIT activationDatesPasted();
}

void GridCommands::undo() {
    if (history_.undo())
        Q_EMIT changed();
}

void GridCommands::redo() {
    if (history_.redo())
        Q_EMIT changed();
}

// The view is hidden while the rows are laid out anew, so that it does not follow each step.
void GridCommands::sortByClickedHeader() {
    view_.setVisible(false);
    view_.refresh();
    {
        const auto step = history_.step(QStringLiteral("Сортировка"));
        const model::BlockWatch::Batch batch(watch_);
        if (editing::sortByColumn(grid_, view_.mouseCol()))
            Q_EMIT changed();
    }
    view_.setVisible(true);
}

} // namespace app
