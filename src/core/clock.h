#pragma once

#include <QDate>
#include <QDateTime>
#include <QString>

namespace core {

// The date and time a printout is titled with, the day block dates are judged against and the
// moment backups are stamped with.
class Clock {
public:
    virtual ~Clock() = default;
    virtual QString date() const = 0;
    virtual QString time() const = 0;
    // The local date and time; the system's by default.
    virtual QDateTime now() const;
    QDate today() const { return now().date(); }
};

// Now, in the system's regional short date and time formats.
class SystemClock : public Clock {
public:
    QString date() const override;
    QString time() const override;
};

} // namespace core
