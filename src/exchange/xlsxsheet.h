#pragma once

#include "exchange/sheetcells.h"

#include <QByteArrayView>
#include <string>
#include <string_view>

namespace exchange {

// The part a relationship's target names. A target starting with "/" starts from the package's
// root, any other from the folder of the part the relationship belongs to ("" for the package
// itself); "." and ".." segments are resolved.
std::string resolvedTarget(std::string_view sourcePart, std::string_view target);

// Reads the sheet cells.sheet() of the .xlsx file's bytes into the cells, and looks the others
// over into cells.others(): each cell as the sheet shows it (shared and inline strings as they
// are; numbers by their cell's number format, dates as ДД.ММ.ГГГГ, in the workbook's date system
// (1900 or 1904); booleans as ИСТИНА and ЛОЖЬ; a formula by its saved result). What cannot come
// over (a formula's error, an error value, a merged range) goes to the cells' problems. Throws
// Refusal, and std::runtime_error with the parser's words for a part that is no XML.
void readXlsx(QByteArrayView bytes, SheetCells& cells);

} // namespace exchange
