#include "journal/blockdates.h"

#include "app/gridmodel.h"
#include "journal/journalcolumns.h"

namespace journal {

namespace {

// Longest date text formatDate produces: a sign, 10 digits of year, two dots, two pairs.
constexpr int DateBufferSize = 20;

bool isDigit(QChar c) {
    return c >= u'0' && c <= u'9';
}

// Reads 1 .. maxDigits ASCII digits at `pos`; returns the digit count (0 when there are none).
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

char16_t* writeTwoDigits(char16_t* out, int value) {
    *out++ = char16_t(u'0' + value / 10);
    *out++ = char16_t(u'0' + value % 10);
    return out;
}

// Writes dd.mm.yyyy (the year with at least four digits) and returns the length written.
qsizetype writeDate(int year, int month, int day, char16_t (&buffer)[DateBufferSize]) {
    char16_t* out = writeTwoDigits(buffer, day);
    *out++ = u'.';
    out = writeTwoDigits(out, month);
    *out++ = u'.';
    qint64 digitsLeft = year;
    if (digitsLeft < 0) {
        *out++ = u'-';
        digitsLeft = -digitsLeft;
    }
    char16_t digits[12];
    int count = 0;
    do {
        digits[count++] = char16_t(u'0' + digitsLeft % 10);
        digitsLeft /= 10;
    } while (digitsLeft > 0);
    while (count < 4)
        digits[count++] = u'0';
    while (count > 0)
        *out++ = digits[--count];
    return out - buffer;
}

// The block date for an activation date, written as 01.mm.yyyy.
qsizetype writeBlockDate(QDate activation, char16_t (&buffer)[DateBufferSize]) {
    int year = 0;
    int month = 0;
    activation.addDays(BlockPeriodDays).getDate(&year, &month, nullptr);
    return writeDate(year, month, 1, buffer);
}

} // namespace

std::optional<QDate> readDate(QStringView text) {
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
    else if (yearDigits != 4)
        return std::nullopt;
    const QDate date(year, month, day);
    if (!date.isValid())
        return std::nullopt;
    return date;
}

QString formatDate(QDate date) {
    char16_t buffer[DateBufferSize];
    int year = 0;
    int month = 0;
    int day = 0;
    date.getDate(&year, &month, &day);
    const qsizetype length = writeDate(year, month, day, buffer);
    return QString(reinterpret_cast<const QChar*>(buffer), length);
}

QDate blockDateFor(QDate activation) {
    const QDate blocked = activation.addDays(BlockPeriodDays);
    return QDate(blocked.year(), blocked.month(), 1);
}

QString blockDateText(QStringView activation) {
    const std::optional<QDate> date = readDate(activation);
    if (!date)
        return QString();
    char16_t buffer[DateBufferSize];
    return QStringView(buffer, writeBlockDate(*date, buffer)).toString();
}

std::optional<int> findColumnByHeader(const GridModel& grid, QStringView header) {
    std::optional<int> found;
    if (grid.rows() < 1)
        return found;
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
        const QString& activation = grid.cell(r, *activationCol);
        if (activation.isEmpty())
            break;
        QStringView block;
        if (const std::optional<QDate> date = readDate(activation))
            block = QStringView(buffer, writeBlockDate(*date, buffer));
        // Compared before writing, so that a pass over unchanged rows allocates nothing.
        if (QStringView(grid.cell(r, *blockCol)) != block)
            grid.setTextMatrix(r, *blockCol, block.toString());
    }
}

} // namespace journal
