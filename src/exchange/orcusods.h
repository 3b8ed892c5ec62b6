#pragma once

#include "exchange/orcussheet.h"

#include <QByteArrayView>

namespace exchange {

// Reads the table cells.sheet() of the .ods file's bytes into the cells, and looks the others
// over into cells.others(): its content.xml through orcus's
// zip and XML parsers (orcus's own .ods import drops repeated rows, a cell's further paragraphs
// and its spaces). Each cell as the table shows it: texts with their paragraphs on lines of their
// own; dates as ДД.ММ.ГГГГ; whole numbers in full unless the cell shows them with leading zeros;
// other numbers, percentages, currencies, times and booleans as the cell's text shows them; a
// formula by its saved result. A formula's error and a merged range go to the cells' problems.
// Throws Refusal, and whatever orcus throws on a damaged file.
void readOds(QByteArrayView bytes, SheetCells& cells);

} // namespace exchange
