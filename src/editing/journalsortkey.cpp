#include "editing/journalsortkey.h"

#include "core/journaldates.h"

#include <QCollator>
#include <QLocale>
#include <algorithm>

namespace editing {

namespace {

enum Rank { NumberRank, DateRank, TextRank, EmptyRank };

// A double holds this many significant digits exactly.
constexpr qsizetype ExactDigits = 15;
// Longer digit strings are read as text: a double ends near 10^308.
constexpr qsizetype MaxNumberDigits = 300;

// Two long numbers may round to the same double; this text then orders them exactly: the digit
// count first, then the digits, both mirrored for negative numbers.
QString exactOrder(QStringView digits, bool negative) {
    QString order;
    order.reserve(digits.size() + 1);
    order.append(QChar(char16_t(negative ? 0xFFFF - digits.size() : digits.size())));
    for (QChar digit : digits)
        order.append(negative ? QChar(u'9' - (digit.unicode() - u'0')) : digit);
    return order;
}

std::optional<model::SortKey> wholeNumberKey(const QString& text) {
    const bool negative = text.startsWith(u'-');
    const qsizetype signLength = negative || text.startsWith(u'+') ? 1 : 0;
    const QStringView digits = QStringView(text).mid(signLength);
    if (digits.isEmpty() || digits.size() > MaxNumberDigits ||
        !std::all_of(digits.begin(), digits.end(), core::isAsciiDigit))
        return std::nullopt;
    const auto firstSignificant =
        std::find_if(digits.begin(), digits.end(), [](QChar c) { return c != u'0'; });
    const QStringView significant = digits.sliced(firstSignificant - digits.begin());
    model::SortKey key{NumberRank, 0, {}, {}};
    if (significant.size() <= ExactDigits) {
        // Read by hand: the locale-aware conversion costs more than the rest of the sort key.
        qint64 value = 0;
        for (QChar digit : significant)
            value = value * 10 + (digit.unicode() - u'0');
        key.number = double(negative ? -value : value);
    } else {
        bool ok = false;
        key.number = QStringView(text).toDouble(&ok);
        if (!ok)
            return std::nullopt;
        key.text = exactOrder(significant, negative);
    }
    return key;
}

// Blanks typed around a date do not hide it.
bool mayBeDate(QStringView text) {
    text = text.trimmed();
    return text.size() >= 6 && text.size() <= 10 && core::isAsciiDigit(text.front()) &&
           text.contains(u'.');
}

// Russian dictionary order, case aside. The grid's sort keys each distinct text of a column
// once, so the collator is asked once per distinct text.
QCollator makeRussianCollator() {
    QCollator collator(QLocale(QLocale::Russian, QLocale::Russia));
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    return collator;
}

} // namespace

model::SortKey journalSortKey(const QString& text) {
    if (QStringView(text).trimmed().isEmpty())
        return model::SortKey{EmptyRank, 0, {}, {}};
    if (auto number = wholeNumberKey(text))
        return *std::move(number);
    if (mayBeDate(text)) {
        if (const auto date = core::readDate(text))
            return model::SortKey{DateRank, double(date->toJulianDay()), {}, {}};
    }
    thread_local const QCollator collator = makeRussianCollator();
    return model::SortKey{TextRank, 0, text, collator.sortKey(text)};
}

} // namespace editing
