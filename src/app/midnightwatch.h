#pragma once

#include <QObject>
#include <memory>

class QTimer;
class QWidget;

namespace core {
class Clock;
} // namespace core

namespace model {
class RegisterState;
} // namespace model

namespace app {

// The day the block states are judged against: the clock's today, taken at midnight by a timer
// of the window (TimerMidnight, set anew for each next midnight) and whenever asked, should the
// day have turned unnoticed.
class MidnightWatch : public QObject {
    Q_OBJECT
public:
    MidnightWatch(QWidget& window, model::RegisterState& watch, std::shared_ptr<core::Clock> clock);

    void followToday();

public Q_SLOTS:
    // The day has turned: today is followed and the next midnight awaited.
    void followMidnight();

private:
    void scheduleMidnight();

    model::RegisterState& watch_;
    std::shared_ptr<core::Clock> clock_;
    QTimer* timer_;
};

} // namespace app
