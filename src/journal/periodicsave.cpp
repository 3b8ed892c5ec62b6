#include "journal/periodicsave.h"

#include "core/rounding.h"
#include "model/gridmodel.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QEventLoop>
#include <QPointer>
#include <climits>

namespace journal {

int timerInterval(double seconds) {
    const double milliseconds = seconds * 1000;
    if (!(milliseconds > 0))
        return 0;
    if (milliseconds >= double(INT_MAX))
        return INT_MAX;
    return int(core::roundHalfEven(milliseconds));
}

bool wait(IntervalTimer& timer2, double seconds) {
    timer2.setEnabled(true);
    timer2.setInterval(timerInterval(seconds));
    const QPointer<IntervalTimer> timer(&timer2);
    const auto done = [timer] { return !timer || timer->interval() <= 1; };
    if (!done()) {
        QEventLoop loop;
        const auto check = [&loop, done] {
            if (done())
                loop.quit();
        };
        // The tick handler runs on the same signal; checking afterwards, queued, does not depend
        // on the order of the connections. The check before the loop sleeps catches any other
        // change of the interval.
        QObject::connect(&timer2, &IntervalTimer::timer, &loop, check, Qt::QueuedConnection);
        QObject::connect(&timer2, &QObject::destroyed, &loop, &QEventLoop::quit);
        if (QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance())
            QObject::connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, &loop, check);
        loop.exec();
        // Otherwise the loop was told to exit from outside: the application is quitting.
        if (!done() || !timer)
            return false;
    }
    timer2.setEnabled(false);
    return true;
}

void runPeriodicSave(model::GridModel& grid, IntervalTimer& timer2,
                     const std::function<void()>& save) {
    const QPointer<model::GridModel> alive(&grid);
    while (alive && alive->rowCount() > 2) {
        if (!wait(timer2, AutosavePeriodSeconds) || !alive)
            return;
        save();
        QCoreApplication::processEvents();
    }
}

PeriodicSave::PeriodicSave(model::GridModel& grid, std::function<void()> save, QObject* parent)
    : QObject(parent), grid_(grid), save_(std::move(save)), timer_(new IntervalTimer(this)) {
    timer_->setObjectName(QStringLiteral("Timer2"));
    connect(timer_, &IntervalTimer::timer, this, [this] { timer_->setInterval(0); });
}

void PeriodicSave::run() {
    runPeriodicSave(grid_, *timer_, save_);
}

void PeriodicSave::stop() {
    timer_->setEnabled(false);
}

} // namespace journal
