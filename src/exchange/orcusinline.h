#pragma once

#include "exchange/orcussheet.h"

#include <QByteArrayView>
#include <string>

namespace exchange {

// The cells of an .xlsx file's sheet (its part) that orcus passes over: strings written in the cell
// itself ("inlineStr", as some programs write every string), texts and ISO dates typed as such
// without a formula ("str", "d") go into the cells, and error values typed as such (#N/A) are
// told. The sheet is looked through again only when it holds one of these types. Refuses a part
// that does not inflate to the size and checksum its zip entry gives.
void readInlineCells(QByteArrayView xlsx, const std::string& part, SheetCells& cells);

} // namespace exchange
