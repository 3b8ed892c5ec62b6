#include "app/gridcommands.h"

#include "app/celldelegate.h"
#include "app/gridview.h"
#include "app/shortcuts.h"
#include "core/journalcolumns.h"
#include "editing/gridhistory.h"
#include "editing/pastetable.h"
#include "editing/rowcolumncommands.h"
#include "model/gridmodel.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QHeaderView>
#include <QMimeData>

namespace app {

GridCommands::GridCommands(QWidget& window, model::GridModel& grid, GridView& view,
                           editing::GridHistory& history, CellDelegate& edits)
    : QObject(&window), grid_(grid), view_(view), history_(history) {
    addShortcut(window, "ActUndo", {QKeySequence::Undo}, this,
                edits.command(this, &GridCommands::undo));
    addShortcut(window, "ActRedo",
                {QKeySequence(Qt::ControlModifier | Qt::Key_Y),
                 QKeySequence(Qt::ControlModifier | Qt::ShiftModifier | Qt::Key_Z)},
                this, edits.command(this, &GridCommands::redo));
    const CellEditor* editor = &edits.editor();
    connect(editor, &CellEditor::undoRequested, this, edits.command(this, &GridCommands::undo));
    connect(editor, &CellEditor::redoRequested, this, edits.command(this, &GridCommands::redo));
    connect(&view_, &GridView::pasteRequested, this, edits.command(this, &GridCommands::paste));
    connect(&view_, &GridView::cutRequested, this, edits.command(this, &GridCommands::cut));
    const auto forget = [this] { forgetSort(); };
    connect(&grid_, &model::GridModel::modelReset, this, forget);
    connect(&grid_, &model::GridModel::layoutChanged, this, forget);
    connect(&grid_, &model::GridModel::rowsInserted, this, forget);
    connect(&grid_, &model::GridModel::rowsRemoved, this, forget);
    connect(&grid_, &model::GridModel::columnsInserted, this, forget);
    connect(&grid_, &model::GridModel::columnsRemoved, this, forget);
    connect(&grid_, &model::GridModel::columnsMoved, this, forget);
    connect(&grid_, &model::GridModel::dataChanged, this, forget);
    connect(&grid_, &model::GridModel::headerDataChanged, this, forget);
    connect(&view_, &GridView::headerClicked, this,
            edits.command(this, &GridCommands::sortByColumn));
}

bool GridCommands::run(const QString& name, const std::function<bool()>& command) {
    const auto step = history_.step(name);
    if (!command())
        return false;
    Q_EMIT changed();
    return true;
}

// The commands on rows and columns leave the current cell at its place, on whatever row or column
// moved into it (Qt's selection model would follow the cell's old row or column instead): what is
// typed next goes into the column just added, and "Удалить строку" pressed again removes the
// next unit. Within the command's step, so that undo and redo know the place too.
bool GridCommands::runInPlace(const QString& name, const std::function<bool()>& command) {
    const QModelIndex current = view_.currentIndex();
    const QPoint place(current.row(), current.column());
    return run(name, [&] {
        if (!command())
            return false;
        if (current.isValid() && grid_.rowCount() > 0)
            view_.selectionModel()->setCurrentIndex(
                grid_.index(std::min(place.x(), grid_.rowCount() - 1),
                            std::min(place.y(), grid_.columnCount() - 1)),
                QItemSelectionModel::ClearAndSelect);
        return true;
    });
}

// The notice follows the step, once it is on the history.
void GridCommands::deleteLastColumn() {
    const QString label = model::columnLabel(grid_, grid_.columnCount() - 1);
    if (runInPlace(QStringLiteral("Удалить колонку"),
                   [this] { return grid_.removeColumns(grid_.columnCount() - 1, 1); }))
        Q_EMIT deleted(QStringLiteral("Колонка %1 удалена. Ctrl+Z — вернуть").arg(label));
}

void GridCommands::insertColumn() {
    runInPlace(QStringLiteral("Добавить колонку"),
               [this] { return grid_.insertColumns(std::max(0, view_.currentColumn()), 1); });
}

void GridCommands::deleteRow() {
    const int row = view_.selectionEnd().y();
    if (runInPlace(QStringLiteral("Удалить строку"), [&] { return grid_.removeRows(row, 1); }))
        Q_EMIT deleted(QStringLiteral("Строка %1 удалена. Ctrl+Z — вернуть").arg(row + 1));
}

void GridCommands::addRow() {
    run(QStringLiteral("Добавить строку"), [this] {
        grid_.appendRow();
        return true;
    });
    view_.goTo(grid_.rowCount() - 1, 0);
    view_.setFocus(Qt::OtherFocusReason);
}

void GridCommands::moveLastColumnHere() {
    runInPlace(QStringLiteral("Переместить колонки"),
               [this] { return editing::moveLastColumnTo(grid_, view_.currentColumn()); });
}

void GridCommands::paste() {
    const QMimeData* clipboard = QGuiApplication::clipboard()->mimeData();
    if (!clipboard || !view_.currentIndex().isValid())
        return;
    const QList<QStringList> rows = editing::pastedRows(*clipboard);
    if (rows.isEmpty())
        return;
    const auto step = history_.step(QStringLiteral("Вставить"));
    const editing::PastedColumns pasted =
        editing::pasteTable(grid_, rows, view_.currentRow(), view_.currentColumn(),
                            [this](int row) { return !view_.isRowHidden(row); });
    Q_EMIT changed();
    const std::optional<int> activation = grid_.findColumn(core::ActivationDateHeader);
    if (activation && *activation >= pasted.first && *activation < pasted.first + pasted.count)
        Q_EMIT activationDatesPasted();
}

void GridCommands::cut() {
    view_.copySelection();
    const auto step = history_.step(QStringLiteral("Вырезать"));
    bool emptied = false;
    const QRect selected = view_.selectedCells();
    for (int r = selected.top(); r <= selected.bottom(); ++r)
        for (int c = selected.left(); c <= selected.right(); ++c)
            if (!view_.isRowHidden(r) && !grid_.cell(r, c).isEmpty())
                emptied = grid_.setText(r, c, QString()) || emptied;
    if (emptied)
        Q_EMIT changed();
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
// A second click on the column just sorted, nothing having changed the rows since, turns the
// order round; a third turns it back.
void GridCommands::sortByColumn(int col) {
    const bool descending = sorted_.col == col && !sorted_.descending;
    bool sorted = false;
    view_.setVisible(false);
    {
        const auto step = history_.step(QStringLiteral("Сортировка"));
        sorting_ = true;
        sorted = editing::sortByColumn(grid_, col, descending);
        sorting_ = false;
        if (sorted)
            Q_EMIT changed();
    }
    view_.setVisible(true);
    if (!sorted)
        return;
    sorted_ = {col, descending};
    view_.horizontalHeader()->setSortIndicator(col, descending ? Qt::DescendingOrder
                                                               : Qt::AscendingOrder);
    view_.horizontalHeader()->setSortIndicatorShown(true);
}

void GridCommands::forgetSort() {
    if (sorting_ || sorted_.col < 0)
        return;
    sorted_ = {};
    view_.horizontalHeader()->setSortIndicatorShown(false);
}

} // namespace app
