#pragma once

#include "exchange/orcussheet.h"

#include <QByteArrayView>

namespace exchange {

// Reads the first sheet of the .xlsx file's bytes into the cells, with orcus: each cell as the
// sheet shows it (shared and inline strings as they are; numbers by their cell's number format,
// dates as ДД.ММ.ГГГГ; booleans as ИСТИНА and ЛОЖЬ; a formula by its saved result). What cannot
// come over (a formula's error, a merged range, a further sheet) goes to the cells' problems.
// Throws Refusal, and whatever orcus throws on a damaged file.
void readXlsx(QByteArrayView bytes, SheetCells& cells);

} // namespace exchange
