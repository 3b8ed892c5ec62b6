#pragma once

#include <QDate>
#include <QString>
#include <QStringView>
#include <array>
#include <optional>

namespace core {

// Dates as the register holds them, and the block-date rule: a unit blocks on the first day of
// the month into which the day 426 days after its activation falls.

constexpr int BlockPeriodDays = 426;
// The last year a date text can name.
constexpr int MaxYear = 9999;

// 0 to 9 only: QChar::isDigit() takes the digits of every script.
constexpr bool isAsciiDigit(QChar c) {
    return c >= u'0' && c <= u'9';
}

// A date text as the register holds it: day and month of one or two digits, a four-digit year
// (d.m.yyyy, dd.mm.yyyy) or a two-digit one (dd.mm.yy: 00-29 are 2000-2029, 30-99 are
// 1930-1999), with blanks before or after it. Nothing else reads as a date.
std::optional<QDate> readDate(QStringView text);
// An activation date, which a spreadsheet may also have saved as yyyy-mm-dd: readDate, or that
// form (the text stays as written; only its block date is worked out from it).
std::optional<QDate> readActivationDate(QStringView text);
// dd.mm.yyyy.
QString formatDate(QDate date);
QDate blockDateFor(QDate activation);

// Room for a date text written without allocating.
using DateBuffer = std::array<char16_t, 20>;
// The block date text (01.mm.yyyy) for an activation text (readActivationDate), written into
// `buffer`; empty when the text is not a date or the block date would fall past MaxYear. For the
// block-date pass, which reads every dated row on every click.
QStringView blockDateText(QStringView activation, DateBuffer& buffer);

} // namespace core
