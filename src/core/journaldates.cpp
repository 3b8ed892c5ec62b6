#include "core/journaldates.h"

#include <chrono>

namespace core {

namespace {

using std::chrono::year_month_day;

// Reads 1 .. maxDigits ASCII digits at `pos`; returns the digit count (0 when there are none or
// too many).
int readNumber(QStringView text, qsizetype& pos, int maxDigits, int& value) {
    int digits = 0;
    value = 0;
    while (pos < text.size() && isAsciiDigit(text[pos])) {
        if (++digits > maxDigits)
            return 0;
        value = value * 10 + (text[pos].unicode() - u'0');
        ++pos;
    }
    return digits;
}

bool readDot(QStringView text, qsizetype& pos) {
    if (pos < text.size() && text[pos] == u'.') {
        ++pos;
        return true;
    }
    return false;
}

// The date of that year, month and day, when the calendar has it.
std::optional<year_month_day> calendarDate(int year, int month, int day) {
    const year_month_day date{std::chrono::year(year), std::chrono::month(unsigned(month)),
                              std::chrono::day(unsigned(day))};
    if (!date.ok())
        return std::nullopt;
    return date;
}

// Worked out in whole numbers, without QDate: the block-date pass reads every dated row. Blanks
// typed around a date do not hide it.
std::optional<year_month_day> readCalendarDate(QStringView text) {
    text = text.trimmed();
    qsizetype pos = 0;
    int day = 0;
    int month = 0;
    int year = 0;
    if (readNumber(text, pos, 2, day) == 0 || !readDot(text, pos))
        return std::nullopt;
    if (readNumber(text, pos, 2, month) == 0 || !readDot(text, pos))
        return std::nullopt;
    const int yearDigits = readNumber(text, pos, 4, year);
    if (pos != text.size())
        return std::nullopt;
    if (yearDigits == 2)
        year += year < 30 ? 2000 : 1900;
    else if (yearDigits != 4 || year == 0) // the calendar has no year 0
        return std::nullopt;
    return calendarDate(year, month, day);
}

// yyyy-mm-dd, as Calc writes a date cell's text in a CSV it saves.
std::optional<year_month_day> readIsoDate(QStringView text) {
    text = text.trimmed();
    if (text.size() != 10 || text[4] != u'-' || text[7] != u'-')
        return std::nullopt;
    qsizetype pos = 0;
    int year = 0;
    int month = 0;
    int day = 0;
    if (readNumber(text, pos, 4, year) != 4 || year == 0 || pos++ != 4 ||
        readNumber(text, pos, 2, month) != 2 || pos++ != 7 || readNumber(text, pos, 2, day) != 2)
        return std::nullopt;
    return calendarDate(year, month, day);
}

std::optional<year_month_day> readActivation(QStringView text) {
    if (std::optional<year_month_day> date = readCalendarDate(text))
        return date;
    return readIsoDate(text);
}

// The one block-date rule.
year_month_day blockDateOf(year_month_day activation) {
    const year_month_day blocked{std::chrono::sys_days(activation) +
                                 std::chrono::days(BlockPeriodDays)};
    return blocked.year() / blocked.month() / 1;
}

char16_t* writeTwoDigits(char16_t* out, unsigned value) {
    *out++ = char16_t(u'0' + value / 10);
    *out++ = char16_t(u'0' + value % 10);
    return out;
}

// Writes dd.mm.yyyy (the year with at least four digits).
QStringView writeDate(int year, unsigned month, unsigned day, DateBuffer& buffer) {
    char16_t* out = writeTwoDigits(buffer.data(), day);
    *out++ = u'.';
    out = writeTwoDigits(out, month);
    *out++ = u'.';
    qint64 rest = year;
    if (rest < 0) {
        *out++ = u'-';
        rest = -rest;
    }
    char16_t digits[12];
    int count = 0;
    do {
        digits[count++] = char16_t(u'0' + rest % 10);
        rest /= 10;
    } while (rest > 0);
    while (count < 4)
        digits[count++] = u'0';
    while (count > 0)
        *out++ = digits[--count];
    return QStringView(buffer.data(), out - buffer.data());
}

year_month_day toCalendar(QDate date) {
    int year = 0;
    int month = 0;
    int day = 0;
    date.getDate(&year, &month, &day);
    return {std::chrono::year(year), std::chrono::month(unsigned(month)),
            std::chrono::day(unsigned(day))};
}

std::optional<QDate> asQDate(std::optional<year_month_day> date) {
    if (!date)
        return std::nullopt;
    return QDate(int(date->year()), int(unsigned(date->month())), int(unsigned(date->day())));
}

} // namespace

std::optional<QDate> readDate(QStringView text) {
    return asQDate(readCalendarDate(text));
}

std::optional<QDate> readActivationDate(QStringView text) {
    return asQDate(readActivation(text));
}

QString formatDate(QDate date) {
    DateBuffer buffer;
    int year = 0;
    int month = 0;
    int day = 0;
    date.getDate(&year, &month, &day);
    return writeDate(year, unsigned(month), unsigned(day), buffer).toString();
}

QDate blockDateFor(QDate activation) {
    if (!activation.isValid())
        return {};
    return *asQDate(blockDateOf(toCalendar(activation)));
}

QStringView blockDateText(QStringView activation, DateBuffer& buffer) {
    const std::optional<year_month_day> date = readActivation(activation);
    if (!date)
        return {};
    const year_month_day blocked = blockDateOf(*date);
    // A date past the year 9999 could not be read back.
    if (int(blocked.year()) > MaxYear)
        return {};
    return writeDate(int(blocked.year()), unsigned(blocked.month()), 1, buffer);
}

} // namespace core
