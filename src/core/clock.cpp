#include "core/clock.h"

#include <QLocale>
#include <QTime>

namespace core {

QDateTime Clock::now() const {
    return QDateTime::currentDateTime();
}

namespace {

// The system's formats where it speaks Russian, Russian ones otherwise: the journal is Russian.
QLocale russianLocale() {
    const QLocale system = QLocale::system();
    return system.language() == QLocale::Russian ? system
                                                 : QLocale(QLocale::Russian, QLocale::Russia);
}

} // namespace

QString SystemClock::date() const {
    return russianLocale().toString(QDate::currentDate(), QLocale::ShortFormat);
}

// With seconds: two printouts made in one minute can be told apart.
QString SystemClock::time() const {
    return russianLocale().toString(QTime::currentTime(), QStringLiteral("H:mm:ss"));
}

} // namespace core
