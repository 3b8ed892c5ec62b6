#pragma once

class GridModel;

namespace journal {

// The block-date pass: fills the "Дата блок." column from the "Дата актив." column, both found by
// their header texts, for each data row from the top down to the first row with an empty
// activation date. A row whose activation text is not a date gets an empty block date. Does
// nothing when either column is missing or doubled. Cells that already hold the right text are
// left alone.
void fillBlockDates(GridModel& grid);

} // namespace journal
