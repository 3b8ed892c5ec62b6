#pragma once

#include "journal/intervaltimer.h"

#include <QObject>
#include <functional>

namespace model {
class GridModel;
} // namespace model

namespace journal {

// The pause and the periodic save, both built on a timer whose tick handler sets its interval
// to 0 (the window's Timer2).

constexpr double AutosavePeriodSeconds = 59;

// Seconds as the timer's interval: whole milliseconds, a half going to the even neighbour,
// limited to 0 .. INT_MAX.
int timerInterval(double seconds);

// Switches the timer on with an interval of `seconds` and lets the application's events run until
// the interval drops to 1 or below (the tick handler sets it to 0), then switches the timer off.
// A wait of under 2 ms returns at once. The wait sleeps in a nested event loop between events.
// Returns false when the wait was cut short because the application is quitting (the timer is
// then left as it is).
bool wait(IntervalTimer& timer, double seconds);

// While the grid has more than three rows: a pause of AutosavePeriodSeconds, a save, one turn of
// the event loop. The row count is tested before each pause only. Ends, without saving, when the
// application quits during a pause.
void runPeriodicSave(model::GridModel& grid, IntervalTimer& timer,
                     const std::function<void()>& save);

// The periodic save of one grid with its own timer (object name "Timer2"). No command of the
// window starts it; run() does, until the grid has three rows or fewer.
class PeriodicSave : public QObject {
    Q_OBJECT
public:
    PeriodicSave(model::GridModel& grid, std::function<void()> save, QObject* parent = nullptr);

    IntervalTimer& timer() { return *timer_; }
    void run();
    // Stops a pause in progress; the periodic save then ends at its next check.
    void stop();

private:
    model::GridModel& grid_;
    std::function<void()> save_;
    IntervalTimer* timer_;
};

} // namespace journal
