#pragma once

#include "exchange/orcussheet.h"

#include <QByteArrayView>

namespace exchange {

// The cells of an .xlsx file's first sheet that orcus passes over: strings written in the cell
// itself ("inlineStr", as some programs write every string), texts and ISO dates typed as such
// without a formula ("str", "d") go into the cells, and error values typed as such (#N/A) are
// told. The sheet is looked through again only when it holds one of these types.
void readInlineCells(QByteArrayView xlsx, SheetCells& cells);

} // namespace exchange
