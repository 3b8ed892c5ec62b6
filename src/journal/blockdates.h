#pragma once

namespace model {
class BlockJudgement;
class GridModel;
} // namespace model

namespace journal {

// The block-date pass: fills the "Дата блок." column from the "Дата актив." column, both found by
// their captions and confirmed by the cells of the rows it reaches (model::BlockJudgement), for
// each data row from the top down to the first row with an empty activation date. A row whose
// activation text is not a date gets an empty block date. Writes nothing when it cannot be sure
// of the two columns (the judgement's `unfilledReason` says why). Cells that already hold the right
// text are left alone.
void fillBlockDates(model::GridModel& grid);
// The same pass by a judgement of the grid as it stands (a model::RegisterState's, kept from
// click to click).
void fillBlockDates(model::GridModel& grid, const model::BlockJudgement& judgement);

} // namespace journal
