#pragma once

#include <QObject>
#include <QTimer>

namespace journal {

// A timer with separate Enabled and Interval settings: it ticks every Interval milliseconds
// while it is enabled and its interval is above 0. An interval of 0 stops it (unlike QTimer,
// where 0 means "as often as possible").
class IntervalTimer : public QObject {
    Q_OBJECT
public:
    explicit IntervalTimer(QObject* parent = nullptr);

    bool enabled() const { return enabled_; }
    void setEnabled(bool enabled);
    int interval() const { return interval_; }
    void setInterval(int milliseconds);

Q_SIGNALS:
    void timer();

private:
    void apply();

    QTimer timer_;
    bool enabled_ = false;
    int interval_ = 0;
};

} // namespace journal
