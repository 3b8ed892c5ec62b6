#include "exchange/importlimits.h"

namespace exchange {

QString groupedNumber(qint64 number) {
    QString digits = QString::number(number);
    for (qsizetype at = digits.size() - 3; at > 0 && digits[at - 1].isDigit(); at -= 3)
        digits.insert(at, u' ');
    return digits;
}

Refusal tooManyCellsRefusal(qint64 declared) {
    return {QStringLiteral("Файл не импортирован: в нём заявлено не меньше %1 заполненных ячеек, "
                           "а журнал вмещает не больше %2.")
                .arg(groupedNumber(declared), groupedNumber(MaxImportCells))};
}

Refusal tooFarRefusal(int row, int col) {
    return {QStringLiteral("Файл не импортирован: лист доходит до ячейки %1, это %2 ячеек, а "
                           "журнал вмещает не больше %3.")
                .arg(cellAddress(row, col), groupedNumber(qint64(row + 1) * (col + 1)),
                     groupedNumber(MaxImportCells))};
}

} // namespace exchange
