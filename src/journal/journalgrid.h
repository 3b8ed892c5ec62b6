#pragma once

#include "core/journalformat.h"

class GridModel;

// Putting a journal read from a file into the grid.
namespace journal {

// The grid as before any reading: eight columns, the header row and one empty data row, the
// journal header format assigned to the grid.
void resetJournalGrid(GridModel& grid);
// Replaces the data rows of a reset grid with the table's rows in one step, the header texts kept;
// with emptyRowBelow one empty row follows them.
void showJournalTable(GridModel& grid, CellTable table, bool emptyRowBelow);

} // namespace journal
