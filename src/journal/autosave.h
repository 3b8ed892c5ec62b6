#pragma once

#include <functional>

class GridModel;
class IntervalTimer;

// The pause Wait and the periodic save ciclesave, both built on the window's timer Timer2, whose
// tick handler sets its interval to 0.
namespace journal {

constexpr double AutosavePeriodSeconds = 59;

// Seconds as the timer's interval: whole milliseconds, a half going to the even neighbour,
// limited to 0 .. INT_MAX.
int timerInterval(double seconds);

// Switches the timer on with an interval of `seconds` and lets the application's events run until
// the interval drops to 1 or below (the tick handler sets it to 0), then switches the timer off.
// A wait of under 2 ms returns at once. The wait sleeps in a nested event loop between events.
// Returns false when the wait was cut short because the application is quitting (the timer is
// then left as it is).
bool wait(IntervalTimer& timer2, double seconds);

// While the grid has more than three rows: a pause of AutosavePeriodSeconds, a save, one turn of
// the event loop. The row count is tested before each pause only. Ends, without saving, when the
// application quits during a pause.
void ciclesave(GridModel& grid, IntervalTimer& timer2, const std::function<void()>& save);

} // namespace journal
