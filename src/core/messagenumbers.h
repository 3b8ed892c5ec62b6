#pragma once

#include <QString>

namespace core {

// "32 767": digits in groups of three, as the messages write numbers.
inline QString grouped(qint64 number) {
    QString digits = QString::number(number);
    for (qsizetype at = digits.size() - 3; at > 0 && digits[at - 1].isDigit(); at -= 3)
        digits.insert(at, u' ');
    return digits;
}

} // namespace core
