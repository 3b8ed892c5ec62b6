#include "exchange/numberformats.h"

#include "core/journaldates.h"

#include <QChar>
#include <algorithm>
#include <cmath>
#include <cstdio>

namespace exchange {

namespace {

// The last serial number a spreadsheet shows as a date: 31.12.9999.
constexpr double LastDateSerial = 2958465.0;

// The first section of a format code with what is not a placeholder taken out: quoted texts,
// escaped characters, "[...]" (colours, conditions, locales) but for elapsed time, "_x" and "*x"
// fillers.
std::string placeholders(std::string_view code) {
    std::string kept;
    for (std::size_t i = 0; i < code.size(); ++i) {
        const char c = code[i];
        if (c == ';')
            break;
        if (c == '"') {
            const std::size_t end = code.find('"', i + 1);
            i = end == std::string_view::npos ? code.size() : end;
        } else if (c == '\\' || c == '_' || c == '*') {
            ++i;
        } else if (c == '[') {
            const std::size_t end = code.find(']', i + 1);
            const std::string_view inside = code.substr(i + 1, end - std::min(end, i + 1));
            // "[h]", "[mm]", "[ss]": time counted past a day, whose letters count.
            if (!inside.empty() && inside.find_first_not_of("hHmMsS") == std::string_view::npos)
                for (const char letter : inside)
                    kept += char(std::tolower(static_cast<unsigned char>(letter)));
            i = end == std::string_view::npos ? code.size() : end;
        } else {
            kept += char(std::tolower(static_cast<unsigned char>(c)));
        }
    }
    return kept;
}

// Digits of a whole number of any size, as the double holds it exactly.
QString wholeNumber(double value) {
    char digits[400];
    std::snprintf(digits, sizeof digits, "%.0f", value);
    return QString::fromLatin1(digits);
}

QString withComma(QString text) {
    return text.replace(u'.', u',');
}

QString fixed(double value, int decimals, int integerDigits) {
    // A number that rounds to zero shows no minus sign.
    if (std::abs(value) < 0.5 * std::pow(10.0, -decimals))
        value = 0.0;
    QString text = QString::number(value, 'f', decimals);
    const bool negative = text.startsWith(u'-');
    const qsizetype point = text.indexOf(u'.');
    const qsizetype whole = (point < 0 ? text.size() : point) - (negative ? 1 : 0);
    if (whole < integerDigits)
        text.insert(negative ? 1 : 0, QString(integerDigits - whole, u'0'));
    else if (integerDigits == 0 && whole == 1 && text[negative ? 1 : 0] == u'0' && point > 0)
        text.remove(negative ? 1 : 0, 1);
    return withComma(text);
}

QString general(double value) {
    if (value == std::floor(value) && std::abs(value) < 1e300)
        return wholeNumber(value);
    const double magnitude = std::abs(value);
    if (magnitude >= 1e-9 && magnitude < 1e15) {
        // 15 significant digits, trailing zeros dropped.
        const int decimals = std::max(0, 14 - int(std::floor(std::log10(magnitude))));
        QString text = QString::number(value, 'f', std::min(decimals, 24));
        while (text.contains(u'.') && (text.endsWith(u'0') || text.endsWith(u'.')))
            text.chop(1);
        return withComma(text);
    }
    // Else 15 significant digits with an exponent, trailing zeros dropped: "1,5E-12".
    const QString text = QString::number(value, 'E', 14);
    const qsizetype exponent = text.indexOf(u'E');
    QString mantissa = text.left(exponent);
    while (mantissa.contains(u'.') && (mantissa.endsWith(u'0') || mantissa.endsWith(u'.')))
        mantissa.chop(1);
    return withComma(mantissa + text.mid(exponent));
}

} // namespace

NumberFormat parseNumberFormat(std::string_view code) {
    const std::string kept = placeholders(code);
    NumberFormat format;
    if (kept.empty() || kept == "general" || kept == "@")
        return format;
    if (kept.find_first_of("yd") != std::string::npos ||
        (kept.find('m') != std::string::npos && kept.find_first_of("hs") == std::string::npos)) {
        format.kind = NumberFormat::Date;
        return format;
    }
    if (kept.find_first_of("hs") != std::string::npos) {
        format.kind = NumberFormat::Time;
        format.seconds = kept.find('s') != std::string::npos;
        format.elapsedHours =
            code.find("[h") != std::string_view::npos || code.find("[H") != std::string_view::npos;
        return format;
    }
    if (kept.find('e') != std::string::npos || kept.find('/') != std::string::npos)
        return format; // scientific and fractions: shown as general numbers
    const std::size_t point = kept.find('.');
    const std::string whole = kept.substr(0, point);
    if (whole.find_first_of("0#?") == std::string::npos &&
        (point == std::string::npos || kept.find_first_of("0#?", point) == std::string::npos))
        return format;
    format.kind = kept.find('%') != std::string::npos ? NumberFormat::Percent : NumberFormat::Fixed;
    format.integerDigits = int(std::count(whole.begin(), whole.end(), '0'));
    if (point != std::string::npos)
        for (std::size_t i = point + 1;
             i < kept.size() && (kept[i] == '0' || kept[i] == '#' || kept[i] == '?'); ++i)
            ++format.decimals;
    return format;
}

NumberFormat builtinNumberFormat(int id) {
    const auto among = [id](std::initializer_list<int> ids) {
        return std::find(ids.begin(), ids.end(), id) != ids.end();
    };
    // 5 to 8 are currencies, 37 to 44 accounting formats.
    if (among({1, 3, 5, 6, 37, 38, 41, 42}))
        return parseNumberFormat("0");
    if (among({2, 4, 7, 8, 39, 40, 43, 44}))
        return parseNumberFormat("0.00");
    if (id == 9 || id == 10)
        return parseNumberFormat(id == 9 ? "0%" : "0.00%");
    if (id == 18 || id == 20)
        return parseNumberFormat("h:mm");
    if (among({19, 21, 45, 47}))
        return parseNumberFormat("h:mm:ss");
    if (id == 46)
        return parseNumberFormat("[h]:mm:ss");
    if ((id >= 14 && id <= 17) || id == 22 || (id >= 27 && id <= 36) || (id >= 50 && id <= 58))
        return parseNumberFormat("dd.mm.yyyy");
    return {};
}

QString showNumber(double value, const NumberFormat& format, QDate origin) {
    if (!std::isfinite(value))
        return {};
    // A serial number before day 0 or after 31.12.9999 is shown as a number, not a date or time.
    const bool serial = value >= 0 && value <= LastDateSerial;
    if (format.kind == NumberFormat::Date && serial) {
        qint64 days = qint64(std::floor(value));
        // The 1900 date system counts a 29 February 1900 that never was (serial 60): the days
        // before it are one day later than their count from the origin says.
        if (origin == QDate(1899, 12, 30) && days > 0 && days < 61)
            ++days;
        return core::formatDate(origin.addDays(days));
    }
    if (format.kind == NumberFormat::Time && serial) {
        const qint64 seconds = format.elapsedHours
                                   ? std::llround(value * 86400.0)
                                   : std::llround((value - std::floor(value)) * 86400.0) % 86400;
        QString text = QStringLiteral("%1:%2")
                           .arg(seconds / 3600, 2, 10, QChar(u'0'))
                           .arg(seconds / 60 % 60, 2, 10, QChar(u'0'));
        if (format.seconds)
            text += QStringLiteral(":%1").arg(seconds % 60, 2, 10, QChar(u'0'));
        return text;
    }
    if (format.kind == NumberFormat::Fixed)
        return fixed(value, format.decimals, format.integerDigits);
    if (format.kind == NumberFormat::Percent)
        return fixed(value * 100.0, format.decimals, format.integerDigits) + u'%';
    return general(value);
}

} // namespace exchange
