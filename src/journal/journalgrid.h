#pragma once

#include "core/journalformat.h"

namespace model {
class GridModel;
} // namespace model

namespace journal {

// Putting a journal read from a file into the grid.

// The grid as before any reading: eight columns, the header row and one empty data row, the
// journal header format assigned to the grid.
void resetJournalGrid(model::GridModel& grid);
// Replaces the data rows of a reset grid with the table's rows in one step, the header texts kept;
// with emptyRowBelow one empty row follows them.
void showJournalTable(model::GridModel& grid, core::CellTable table, bool emptyRowBelow);

} // namespace journal
