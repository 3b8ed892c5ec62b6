#pragma once

#include <QDate>
#include <QString>
#include <string_view>

// Numbers as a spreadsheet shows them in a cell, for the import.

namespace exchange {

// What a cell's number format makes of its number, as far as the journal needs to know.
struct NumberFormat {
    enum Kind {
        General, // whole numbers in full, others with up to 15 significant digits
        Fixed,   // `decimals` places, at least `integerDigits` digits before the comma
        Percent, // the number times 100, `decimals` places, then "%"
        Date,    // ДД.ММ.ГГГГ, whatever order or separators the format has
        Time,    // ЧЧ:ММ, or ЧЧ:ММ:СС when the format shows seconds
    };
    Kind kind = General;
    int decimals = 0;
    int integerDigits = 1;
    bool seconds = false;
    bool elapsedHours = false; // "[h]": the hours counted past a day, not the time of day
};

// A format code such as "0.00", "DD.MM.YYYY" or "000000": its first section read for the kind,
// the decimal places and the leading zeros; literal texts, colours, conditions, grouping and
// currency signs are left out.
NumberFormat parseNumberFormat(std::string_view code);
// The formats an .xlsx file may use by number without writing their codes (0 .. 49).
NumberFormat builtinNumberFormat(int id);

// The number as a cell of that format shows it: a decimal comma, no thousands separators, whole
// numbers exactly ("12345678", "100000000000000000000"). `origin` is the day of serial number 0.
QString showNumber(double value, const NumberFormat& format, QDate origin);

} // namespace exchange
