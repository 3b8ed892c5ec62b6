#include "journal/blockdates.h"

#include "app/gridmodel.h"
#include "journal/cellprefetch.h"
#include "journal/journalcolumns.h"

#include <chrono>

namespace journal {

namespace {

using std::chrono::year_month_day;

// Longest date text written here: a sign, up to 10 digits of year, two dots and two pairs.
constexpr int DateBufferSize = 20;

bool isDigit(QChar c) {
    return c >= u'0' && c <= u'9';
}

// Reads 1 .. maxDigits ASCII digits at `pos`; returns the digit count (0 when there are none or
// too many).
int readNumber(QStringView text, qsizetype& pos, int maxDigits, int& value) {
    int digits = 0;
    value = 0;
    while (pos < text.size() && isDigit(text[pos])) {
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

// The calendar date a text names, worked out in whole numbers: the block-date pass reads every
// dated row of the register on every click.
std::optional<year_month_day> readCalendarDate(QStringView text) {
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
    const year_month_day date{std::chrono::year(year), std::chrono::month(unsigned(month)),
                              std::chrono::day(unsigned(day))};
    if (!date.ok())
        return std::nullopt;
    return date;
}

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

// Writes dd.mm.yyyy (the year with at least four digits) and returns the length written.
qsizetype writeDate(int year, unsigned month, unsigned day, char16_t (&buffer)[DateBufferSize]) {
    char16_t* out = writeTwoDigits(buffer, day);
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
    return out - buffer;
}

qsizetype writeDate(year_month_day date, char16_t (&buffer)[DateBufferSize]) {
    return writeDate(int(date.year()), unsigned(date.month()), unsigned(date.day()), buffer);
}

} // namespace

std::optional<QDate> readDate(QStringView text) {
    const std::optional<year_month_day> date = readCalendarDate(text);
    if (!date)
        return std::nullopt;
    return QDate(int(date->year()), int(unsigned(date->month())), int(unsigned(date->day())));
}

QString formatDate(QDate date) {
    char16_t buffer[DateBufferSize];
    int year = 0;
    int month = 0;
    int day = 0;
    date.getDate(&year, &month, &day);
    return QStringView(buffer, writeDate(year, unsigned(month), unsigned(day), buffer)).toString();
}

QDate blockDateFor(QDate activation) {
    const QDate blocked = activation.addDays(BlockPeriodDays);
    return QDate(blocked.year(), blocked.month(), 1);
}

QString blockDateText(QStringView activation) {
    const std::optional<year_month_day> date = readCalendarDate(activation);
    if (!date)
        return QString();
    char16_t buffer[DateBufferSize];
    return QStringView(buffer, writeDate(blockDateOf(*date), buffer)).toString();
}

std::optional<int> findColumnByHeader(const GridModel& grid, QStringView header) {
    std::optional<int> found;
    for (int c = 0; c < grid.cols(); ++c) {
        if (QStringView(grid.cell(0, c)).trimmed() != header)
            continue;
        if (found)
            return std::nullopt;
        found = c;
    }
    return found;
}

void fillBlockDates(GridModel& grid) {
    const std::optional<int> activationCol = findColumnByHeader(grid, ActivationDateHeader);
    const std::optional<int> blockCol = findColumnByHeader(grid, BlockDateHeader);
    if (!activationCol || !blockCol)
        return;
    char16_t buffer[DateBufferSize];
    // The row count is read on every turn: a slot that reacts to a changed cell may remove rows.
    for (int r = 1; r < grid.rows(); ++r) {
        prefetchColumnAhead(grid, r, *activationCol);
        prefetchColumnAhead(grid, r, *blockCol);
        const QString& activation = grid.cell(r, *activationCol);
        if (activation.isEmpty())
            break;
        QStringView block;
        if (const std::optional<year_month_day> date = readCalendarDate(activation))
            block = QStringView(buffer, writeDate(blockDateOf(*date), buffer));
        // Compared before writing, so that a pass over unchanged rows allocates nothing.
        if (QStringView(grid.cell(r, *blockCol)) != block)
            grid.setTextMatrix(r, *blockCol, block.toString());
    }
}

} // namespace journal
