#pragma once

#include "exchange/sheetcells.h"

#include <QByteArrayView>

namespace exchange {

// Reads the table cells.sheet() of the .ods file's bytes (its content.xml) into the cells, and
// looks the others over into cells.others(). Each cell as the table shows it: texts with their
// paragraphs on lines of their own; dates as ДД.ММ.ГГГГ; whole numbers in full unless the cell
// shows them with leading zeros; other numbers, percentages, currencies, times and booleans as
// the cell's text shows them; a formula by its saved result. Repeated rows and cells are filled
// as often as they repeat. A formula's error and a merged range go to the cells' problems. Throws
// Refusal, and std::runtime_error with the parser's words for a content.xml that is no XML.
void readOds(QByteArrayView bytes, SheetCells& cells);

} // namespace exchange
