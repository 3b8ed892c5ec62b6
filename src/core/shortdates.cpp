#include "core/shortdates.h"

#include "core/journaldates.h"

#include <QVarLengthArray>

namespace core {

namespace {

bool isSeparator(QChar c) {
    return c == u'.' || c == u'/' || c == u'-' || c == u' ' || c == u'\t';
}

// The digit runs of the text, apart by separators: at most three, each of one to four digits, or
// one of six or eight. Empty when anything else stands in the text.
using Pieces = QVarLengthArray<QStringView, 3>;

std::optional<Pieces> splitDigits(QStringView text) {
    Pieces pieces;
    qsizetype pos = 0;
    while (pos < text.size()) {
        const qsizetype start = pos;
        while (pos < text.size() && isAsciiDigit(text[pos]))
            ++pos;
        if (pos == start || pieces.size() == 3)
            return std::nullopt;
        pieces.append(text.sliced(start, pos - start));
        if (pos == text.size())
            break;
        // One separator, or a run of blanks.
        const QChar separator = text[pos++];
        if (!isSeparator(separator))
            return std::nullopt;
        if (separator == u' ' || separator == u'\t')
            while (pos < text.size() && (text[pos] == u' ' || text[pos] == u'\t'))
                ++pos;
        if (pos == text.size())
            return std::nullopt; // a separator with nothing after it
    }
    return pieces;
}

} // namespace

std::optional<QString> normalisedDate(QStringView typed) {
    const std::optional<Pieces> pieces = splitDigits(typed.trimmed());
    if (!pieces)
        return std::nullopt;
    QStringView day;
    QStringView month;
    QStringView year;
    if (pieces->size() == 1) {
        const QStringView run = pieces->front();
        if (run.size() != 6 && run.size() != 8)
            return std::nullopt;
        day = run.first(2);
        month = run.sliced(2, 2);
        year = run.sliced(4);
    } else if (pieces->size() == 3) {
        day = pieces->at(0);
        month = pieces->at(1);
        year = pieces->at(2);
        if (day.size() > 2 || month.size() > 2 || (year.size() != 2 && year.size() != 4))
            return std::nullopt;
    } else {
        return std::nullopt;
    }
    const QDate date(year.toInt() + (year.size() == 2 ? 2000 : 0), month.toInt(), day.toInt());
    if (!date.isValid())
        return std::nullopt;
    return formatDate(date);
}

} // namespace core
