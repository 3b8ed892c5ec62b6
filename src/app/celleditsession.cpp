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
        const QPoint cell = editor_->cellPosition();
        return LineCompletion::Target{valuesFor(cell.y()), cell.x()};
    });
    calendar_ = new DateCalendar(*editor_, [this] { return today_(); });
    editor_->setObjectName(QStringLiteral("txtDataEntry"));
    editor_->setGeometry(twips::toPixels(&window, 120, 2280, 255, 285));
    editor_->hide();
    editor_->setValidator(new editing::JournalTextValidator(editor_));
    connect(&view_, &GridView::gotFocus, this, &CellEditSession::commit);
    connect(&grid_, &model::GridModel::leaveCell, this, &CellEditSession::commit);
    connect(editor_, &CellEditor::commitRequested, this, [this] {
        commit();
        view_.goTo(std::min(grid_.row() + 1, grid_.rows() - 1), grid_.col());
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
    const int row = grid_.row();
    const int col = grid_.col();
    if (row < 1 || view_.isRowHidden(row - 1))
        return;
    const QRect cell(twips::toPixels(&window_, view_.cellLeft() + view_.leftTwips()),
                     twips::toPixels(&window_, view_.cellTop() + view_.topTwips()),
                     twips::toPixels(&window_, view_.cellWidth()),
                     twips::toPixels(&window_, view_.cellHeight()));
    completion_->reset();
    const bool dates = grid_.findColumn(core::ActivationDateHeader) == col ||
                       grid_.findColumn(core::BlockDateHeader) == col;
    calendar_->setAvailable(dates);
    editor_->setRoomFor(dates ? QStringLiteral("00.00.0000") : QString());
    editor_->open(row, col, grid_.textMatrix(row, col), cell, start);
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
    const int col = editor_->cellPosition().y();
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
    int row = grid_.row();
    int col = grid_.col() + columns;
    if (col >= grid_.cols() && row + 1 < grid_.rows()) {
        ++row;
        col = 0;
    } else if (col < 0 && row > 1) {
        --row;
        col = grid_.cols() - 1;
    }
    view_.goTo(row, std::clamp(col, 0, grid_.cols() - 1));
    open();
}

} // namespace app
