#include "app/datecalendar.h"

#include "core/journaldates.h"
#include "core/shortdates.h"

#include <QAction>
#include <QCalendarWidget>
#include <QKeyEvent>
#include <QLineEdit>
#include <QScreen>
#include <QStyle>
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

DateCalendar::DateCalendar(QLineEdit& line, std::function<QDate()> today)
    : QObject(&line), line_(line), today_(std::move(today)), calendar_(new QCalendarWidget(&line)),
      button_(line.addAction(line.style()->standardIcon(QStyle::SP_ArrowDown),
                             QLineEdit::TrailingPosition)) {
    calendar_->setObjectName(QStringLiteral("CalDate"));
    calendar_->setWindowFlags(Qt::Popup);
    calendar_->setGridVisible(true);
    calendar_->setFirstDayOfWeek(Qt::Monday);
    calendar_->installEventFilter(this);
    button_->setObjectName(QStringLiteral("ActCalendar"));
    button_->setToolTip(QStringLiteral("Календарь (Alt+Вниз)"));
    button_->setVisible(false);
    connect(button_, &QAction::triggered, this, &DateCalendar::open);
    connect(calendar_, &QCalendarWidget::clicked, this, &DateCalendar::pick);
    connect(calendar_, &QCalendarWidget::activated, this, &DateCalendar::pick);
    line_.installEventFilter(this);
}

void DateCalendar::setAvailable(bool available) {
    button_->setVisible(available);
    if (!available)
        calendar_->hide();
}

void DateCalendar::open() {
    if (!button_->isVisible())
        return;
    const QString text = line_.text();
    std::optional<QDate> date = core::readDate(text);
    if (!date)
        if (const std::optional<QString> normalised = core::normalisedDate(text))
            date = core::readDate(*normalised);
    const QDate shown = date ? *date : today_();
    calendar_->setSelectedDate(shown);
    calendar_->setCurrentPage(shown.year(), shown.month());
    calendar_->adjustSize();
    placePopupAt(*calendar_, line_);
    calendar_->show();
    calendar_->setFocus(Qt::PopupFocusReason);
}

void DateCalendar::pick(QDate date) {
    calendar_->hide();
    if (date.isValid())
        line_.setText(core::formatDate(date));
    line_.setFocus(Qt::OtherFocusReason);
}

bool DateCalendar::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress)
        return QObject::eventFilter(watched, event);
    const auto& key = static_cast<const QKeyEvent&>(*event);
    if (watched == &line_ && button_->isVisible() && key.key() == Qt::Key_Down &&
        key.modifiers() == Qt::AltModifier) {
        open();
        return true;
    }
    // Escape closes the calendar only: the edit stays open, its text as it was.
    if (watched == calendar_ && key.key() == Qt::Key_Escape) {
        calendar_->hide();
        line_.setFocus(Qt::OtherFocusReason);
        return true;
    }
    return QObject::eventFilter(watched, event);
}

} // namespace app
