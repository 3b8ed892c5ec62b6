#pragma once

class GridModel;

namespace journal {

// The block-date pass: fills the "Дата блок." column from the "Дата актив." column, both found by
// their captions and borne out by their cells (findBlockColumns), for each data row from the top
// down to the first row with an empty activation date. A row whose activation text is not a date
// gets an empty block date. Writes nothing when it cannot be sure of the two columns. Cells that
// already hold the right text are left alone.
void fillBlockDates(GridModel& grid);

} // namespace journal
