#pragma once

#include "exchange/sheetcells.h"

#include <QString>

// The largest sheet the import takes, and the refusals of a file that declares more.

namespace exchange {

// Ten times the 32,767 rows a register once held.
constexpr qint64 MaxImportRows = 327670;
// Room for the journal's eight columns and many more of the user's own.
constexpr qint64 MaxImportColumns = 64;
constexpr qint64 MaxImportCells = MaxImportRows * MaxImportColumns;

// A file that declares at least `declared` filled cells.
Refusal tooManyCellsRefusal(qint64 declared);
// A sheet reaching to the cell at (row, col), from 0: a grid of more cells than the journal takes.
Refusal tooFarRefusal(int row, int col);

} // namespace exchange
