#pragma once

#include <QString>
#include <QStringView>
#include <optional>

namespace core {

// An activation date typed the short way, as dd.mm.yyyy: day, month and year apart by a dot, a
// slash, a hyphen or blanks ("5.3.26", "5/3/2026", "5 3 2026"), or run together as six or eight
// digits (ddmmyy, ddmmyyyy); a day and a month of one or two digits, a year of two (20yy) or
// four. Blanks around it are dropped. Nothing when the text is no such form or names no day of
// the calendar (readDate's rules): "31.02.26", "5.13.26" and "0.0.0" stay as they were typed.
std::optional<QString> normalisedDate(QStringView typed);

} // namespace core
