#include "app/midnightwatch.h"

#include "core/clock.h"
#include "model/registerstate.h"

#include <QDateTime>
#include <QTimer>
#include <QWidget>
#include <algorithm>

namespace app {

namespace {

constexpr qint64 DayMs = 24 * 60 * 60 * 1000;
constexpr qint64 MinuteMs = 60 * 1000;

} // namespace

MidnightWatch::MidnightWatch(QWidget& window, model::RegisterState& watch,
                             std::shared_ptr<core::Clock> clock)
    : QObject(&window), watch_(watch), clock_(std::move(clock)), timer_(new QTimer(&window)) {
    timer_->setObjectName(QStringLiteral("TimerMidnight"));
    timer_->setSingleShot(true);
    timer_->setTimerType(Qt::PreciseTimer);
    connect(timer_, &QTimer::timeout, this, &MidnightWatch::followMidnight);
    scheduleMidnight();
}

void MidnightWatch::followToday() {
    watch_.setToday(clock_->today());
    watch_.settle();
}

void MidnightWatch::followMidnight() {
    followToday();
    scheduleMidnight();
}

void MidnightWatch::scheduleMidnight() {
    const QDateTime now = clock_->now();
    qint64 wait = now.msecsTo(QDateTime(now.date().addDays(1), QTime(0, 0)));
    // No such local time (a daylight-saving change at midnight) or an unreadable clock: look
    // again in a minute.
    if (wait <= 0)
        wait = MinuteMs;
    timer_->start(int(std::min(wait, DayMs + MinuteMs)));
}

} // namespace app
