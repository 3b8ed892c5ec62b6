#include "exchange/importlimits.h"

#include "core/messagenumbers.h"

namespace exchange {

Refusal tooManyCellsRefusal(qint64 declared) {
    return {QStringLiteral("Файл не импортирован: в нём заявлено не меньше %1 заполненных ячеек, "
                           "а журнал вмещает не больше %2.")
                .arg(core::grouped(declared), core::grouped(MaxImportCells))};
}

Refusal tooFarRefusal(int row, int col) {
    return {QStringLiteral("Файл не импортирован: лист доходит до ячейки %1, это %2 ячеек, а "
                           "журнал вмещает не больше %3.")
                .arg(cellAddress(row, col), core::grouped(qint64(row + 1) * (col + 1)),
                     core::grouped(MaxImportCells))};
}

} // namespace exchange
