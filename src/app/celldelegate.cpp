#include "app/celldelegate.h"

#include "app/gridview.h"
#include "app/linecompletion.h"
#include "core/journalcolumns.h"
#include "core/journaldates.h"
#include "core/shortdates.h"
#include "editing/gridhistory.h"
#include "editing/journaltextvalidator.h"
#include "model/gridmodel.h"

#include <QAbstractItemView>
#include <QAction>
#include <QCalendarWidget>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QScreen>
#include <QStyle>
#include <QToolTip>
#include <algorithm>

namespace app {

namespace {

// Places a popup under `anchor`, its left edges aligned, or above it when the screen's available
// area has no room below; never past that area's edges (the task bar, the screen's bottom).
void placePopupAt(QWidget& popup, const QWidget& anchor) {
    const QPoint below = anchor.mapToGlobal(QPoint(0, anchor.height()));
    const QScreen* screen = anchor.screen();
    if (!screen) {
        popup.move(below);
        return;
    }
    const QRect area = screen->availableGeometry();
    const QSize size = popup.frameGeometry().size().expandedTo(popup.size());
    int top = below.y();
    if (top + size.height() > area.bottom() + 1)
        top = anchor.mapToGlobal(QPoint(0, 0)).y() - size.height();
    top = std::clamp(top, area.top(), std::max(area.top(), area.bottom() + 1 - size.height()));
    const int left =
        std::clamp(below.x(), area.left(), std::max(area.left(), area.right() + 1 - size.width()));
    popup.move(left, top);
}

} // namespace

CellDelegate::CellDelegate(model::GridModel& grid, GridView& view, editing::GridHistory& history,
                           const model::RegisterState& state)
    : QStyledItemDelegate(&view), grid_(grid), view_(view), history_(history),
      editor_(new CellEditor(view.viewport())), watch_(&state) {
    editor_->setObjectName(QStringLiteral("txtDataEntry"));
    editor_->hide();
    editor_->setValidator(new editing::JournalTextValidator(editor_));
    completion_ = new LineCompletion(*editor_, [this] {
        const QModelIndex cell = editor_->cell();
        return LineCompletion::Target{valuesFor(cell.column()), cell.row()};
    });
    calendar_ = new QCalendarWidget(editor_);
    calendar_->setObjectName(QStringLiteral("CalDate"));
    calendar_->setWindowFlags(Qt::Popup);
    calendar_->setGridVisible(true);
    calendar_->setFirstDayOfWeek(Qt::Monday);
    calendar_->installEventFilter(this);
    calendarButton_ = editor_->addAction(editor_->style()->standardIcon(QStyle::SP_ArrowDown),
                                         QLineEdit::TrailingPosition);
    calendarButton_->setObjectName(QStringLiteral("ActCalendar"));
    calendarButton_->setToolTip(QStringLiteral("Календарь (Alt+Вниз)"));
    calendarButton_->setVisible(false);
    connect(calendarButton_, &QAction::triggered, this, &CellDelegate::openCalendar);
    connect(calendar_, &QCalendarWidget::clicked, this, &CellDelegate::pickDate);
    connect(calendar_, &QCalendarWidget::activated, this, &CellDelegate::pickDate);
    view.setItemDelegate(this);
    connect(&view_, &GridView::gotFocus, this, &CellDelegate::commit);
}

const model::CompletionValues* CellDelegate::valuesFor(int col) const {
    for (const QStringView caption :
         {core::OwnerHeader, core::RegisterModelHeader, core::MechanicHeader})
        if (col >= 0 && grid_.findColumn(caption) == col)
            return &watch_->values(col);
    return nullptr;
}

void CellDelegate::open(CellEditor::Start start) {
    const QModelIndex current = view_.currentIndex();
    if (!current.isValid() || view_.isRowHidden(current.row()) || editor_->isOpen())
        return;
    view_.edit(current);
    // Qt's view selects a line editor's whole text as it opens it.
    if (start == CellEditor::Start::CaretAtEnd)
        editor_->end(false);
}

// The view asks the delegate to store and close; it stores through setModelData.
void CellDelegate::commit() {
    if (!editor_->isOpen())
        return;
    Q_EMIT commitData(editor_);
    Q_EMIT closeEditor(editor_, NoHint);
}

void CellDelegate::drop() {
    if (editor_->isOpen())
        Q_EMIT closeEditor(editor_, RevertModelCache);
}

QWidget* CellDelegate::createEditor(QWidget*, const QStyleOptionViewItem&,
                                    const QModelIndex&) const {
    return editor_;
}

void CellDelegate::destroyEditor(QWidget*, const QModelIndex&) const {
    editor_->hide();
    editor_->clearCell();
}

// Also called when the cell's text changes under an open edit: the edit keeps what was typed.
void CellDelegate::setEditorData(QWidget*, const QModelIndex& index) const {
    if (editor_->cell() == index)
        return;
    completion_->reset();
    const bool dates = grid_.findColumn(core::ActivationDateHeader) == index.column() ||
                       grid_.findColumn(core::BlockDateHeader) == index.column();
    calendarButton_->setVisible(dates);
    if (!dates)
        calendar_->hide();
    editor_->setRoomFor(dates ? QStringLiteral("00.00.0000") : QString());
    editor_->begin(index);
}

void CellDelegate::setModelData(QWidget*, QAbstractItemModel*, const QModelIndex& index) const {
    if (!index.isValid())
        return;
    const auto step = history_.step(QStringLiteral("Ввод в ячейку"));
    completion_->accept();
    if (grid_.findColumn(core::ActivationDateHeader) == index.column())
        if (const std::optional<QString> date = core::normalisedDate(editor_->text()))
            editor_->setText(*date);
    const QString typed = editor_->text();
    if (grid_.cell(index.row(), index.column()) == typed)
        return;
    grid_.setText(index.row(), index.column(), typed);
    // Qt's delegate interface is const; telling of the stored text changes nothing of it.
    Q_EMIT const_cast<CellDelegate*>(this)->stored(index.column());
}

void CellDelegate::updateEditorGeometry(QWidget*, const QStyleOptionViewItem& option,
                                        const QModelIndex&) const {
    editor_->placeOver(option.rect);
}

void CellDelegate::openCalendar() {
    if (!calendarButton_->isVisible())
        return;
    const QString text = editor_->text();
    std::optional<QDate> date = core::readDate(text);
    if (!date)
        if (const std::optional<QString> normalised = core::normalisedDate(text))
            date = core::readDate(*normalised);
    const QDate shown = date ? *date : today_();
    calendar_->setSelectedDate(shown);
    calendar_->setCurrentPage(shown.year(), shown.month());
    calendar_->adjustSize();
    placePopupAt(*calendar_, *editor_);
    calendar_->show();
    calendar_->setFocus(Qt::PopupFocusReason);
}

void CellDelegate::pickDate(QDate date) {
    calendar_->hide();
    if (date.isValid())
        editor_->setText(core::formatDate(date));
    editor_->setFocus(Qt::OtherFocusReason);
}

// The editor's keys that end an edit, and Alt+Down, which opens the calendar in a date column.
// Leaving the editor for another control stores nothing by itself: a click into the input line
// drops the edit, a command stores it first.
bool CellDelegate::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress)
        return false;
    const auto& key = static_cast<const QKeyEvent&>(*event);
    // Escape closes the calendar only: the edit stays open, its text as it was.
    if (watched == calendar_ && key.key() == Qt::Key_Escape) {
        calendar_->hide();
        editor_->setFocus(Qt::OtherFocusReason);
        return true;
    }
    if (watched != editor_)
        return false;
    if (key.key() == Qt::Key_Down && key.modifiers() == Qt::AltModifier &&
        calendarButton_->isVisible()) {
        openCalendar();
        return true;
    }
    switch (key.key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter: {
        const QModelIndex cell = editor_->cell();
        commit();
        const int next = view_.shownRow(cell.row() + 1, 1);
        view_.goTo(next >= 0 ? next : cell.row(), cell.column());
        view_.setFocus(Qt::OtherFocusReason);
        return true;
    }
    case Qt::Key_Escape:
        drop();
        view_.setFocus(Qt::OtherFocusReason);
        return true;
    case Qt::Key_Tab:
        editNeighbour(1);
        return true;
    case Qt::Key_Backtab:
        editNeighbour(-1);
        return true;
    default:
        return false;
    }
}

void CellDelegate::editNeighbour(int columns) {
    commit();
    int row = view_.currentRow();
    int col = view_.currentColumn() + columns;
    // Past the row's end onto the next row shown, or before its start onto the one above.
    const int step = col >= grid_.columnCount() ? 1 : col < 0 ? -1 : 0;
    if (const int other = step == 0 ? -1 : view_.shownRow(row + step, step); other >= 0) {
        row = other;
        col = step > 0 ? 0 : grid_.columnCount() - 1;
    }
    view_.goTo(row, std::clamp(col, 0, grid_.columnCount() - 1));
    open();
}

bool CellDelegate::notADate(const QModelIndex& index) const {
    return watch_ && index.isValid() && watch_->blocks().activationColumn() == index.column() &&
           watch_->blocks().undated(index.row());
}

bool CellDelegate::repeated(const QModelIndex& index) const {
    return repeatTip_ && watch_ && index.isValid() &&
           watch_->repeats().marked(index.row(), index.column());
}

// Away from the cells (below the rows, right of the columns) the grid has no tooltip of its own:
// the window's shows there.
// A number's cell tells where else it stands (the journal's other rows, the archives) below its
// row's block state.
QString CellDelegate::toolTip(const QModelIndex& index) const {
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

QString CellDelegate::blockStateTip(const QModelIndex& index) const {
    if (!watch_ || !watch_->blocks().blockColumn())
        return {};
    const QString blockDate = grid_.text(index.row(), *watch_->blocks().blockColumn()).trimmed();
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

bool CellDelegate::helpEvent(QHelpEvent* event, QAbstractItemView* view,
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

void CellDelegate::initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const {
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
