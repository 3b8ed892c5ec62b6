#include "core/clock.h"

#include <QLocale>
#include <QTime>

QDateTime Clock::now() const {
    return QDateTime::currentDateTime();
}

QString SystemClock::date() const {
    return QLocale::system().toString(QDate::currentDate(), QLocale::ShortFormat);
}

QString SystemClock::time() const {
    return QLocale::system().toString(QTime::currentTime(), QLocale::ShortFormat);
}
