#include "app/celleditsession.h"

#include "app/celleditor.h"
#include "app/datecalendar.h"
#include "app/gridview.h"
#include "app/linecompletion.h"
#include "app/twips.h"
#include "core/journalcolumns.h"
#include "core/shortdates.h"
#include "editing/gridhistory.h"
#include "editing/journaltextvalidator.h"
#include "model/gridmodel.h"
#include "model/registerstate.h"

#include <QWidget>
#include <algorithm>

namespace app {

CellEditSession::CellEditSession(QWidget& window, model::GridModel& grid, GridView& view,
                                 editing::GridHistory& history, const model::RegisterState& state)
    : QObject(&window), window_(window), grid_(grid), view_(view), history_(history), state_(state),
      editor_(new CellEditor(&window)) {
    completion_ = new LineCompletion(*editor_, [this] {
        const QModelIndex cell = editor_->cell();
        return LineCompletion::Target{valuesFor(cell.column()), cell.row()};
    });
    calendar_ = new DateCalendar(*editor_, [this] { return today_(); });
    editor_->setObjectName(QStringLiteral("txtDataEntry"));
    editor_->setGeometry(twips::toPixels(&window, 120, 2280, 255, 285));
    editor_->hide();
    editor_->setValidator(new editing::JournalTextValidator(editor_));
    connect(&view_, &GridView::gotFocus, this, &CellEditSession::commit);
    connect(view_.selectionModel(), &QItemSelectionModel::currentChanged, this,
            &CellEditSession::commit);
    connect(editor_, &CellEditor::commitRequested, this, [this] {
        commit();
        view_.goTo(std::min(view_.currentRow() + 1, grid_.rowCount() - 1), view_.currentColumn());
        view_.setFocus(Qt::OtherFocusReason);
    });
    connect(editor_, &CellEditor::stepRequested, this, &CellEditSession::editNeighbour);
    connect(editor_, &CellEditor::dropRequested, this, [this] {
        drop();
        view_.setFocus(Qt::OtherFocusReason);
    });
    connect(editor_, &CellEditor::undoRequested, this, &CellEditSession::undoRequested);
    connect(editor_, &CellEditor::redoRequested, this, &CellEditSession::redoRequested);
}

void CellEditSession::open(CellEditor::Start start) {
    const QModelIndex current = view_.currentIndex();
    const int col = current.column();
    if (!current.isValid() || view_.isRowHidden(current.row()))
        return;
    const QRect cell = view_.currentCellRect().translated(view_.pos());
    completion_->reset();
    const bool dates = grid_.findColumn(core::ActivationDateHeader) == col ||
                       grid_.findColumn(core::BlockDateHeader) == col;
    calendar_->setAvailable(dates);
    editor_->setRoomFor(dates ? QStringLiteral("00.00.0000") : QString());
    editor_->open(current, cell, start);
}

const model::CompletionValues* CellEditSession::valuesFor(int col) const {
    for (const QStringView caption :
         {core::OwnerHeader, core::RegisterModelHeader, core::MechanicHeader})
        if (col >= 0 && grid_.findColumn(caption) == col)
            return &state_.values(col);
    return nullptr;
}

void CellEditSession::commit() {
    const auto step = history_.step(QStringLiteral("Ввод в ячейку"));
    const int col = editor_->cell().column();
    completion_->accept();
    if (editor_->isOpen() && grid_.findColumn(core::ActivationDateHeader) == col)
        if (const std::optional<QString> date = core::normalisedDate(editor_->text()))
            editor_->setText(*date);
    if (editor_->commit(grid_))
        Q_EMIT stored(col);
}

void CellEditSession::drop() {
    editor_->drop();
}

void CellEditSession::typeOver(const QString& text) {
    if (editor_->isOpen())
        editor_->typeOver(text);
}

void CellEditSession::editNeighbour(int columns) {
    commit();
    int row = view_.currentRow();
    int col = view_.currentColumn() + columns;
    if (col >= grid_.columnCount() && row + 1 < grid_.rowCount()) {
        ++row;
        col = 0;
    } else if (col < 0 && row > 0) {
        --row;
        col = grid_.columnCount() - 1;
    }
    view_.goTo(row, std::clamp(col, 0, grid_.columnCount() - 1));
    open();
}

} // namespace app
