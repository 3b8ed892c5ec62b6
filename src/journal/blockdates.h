#pragma once

#include "model/blockcolumns.h"
#include "model/blockwatch.h"

#include <QPointer>
#include <QtGlobal>
#include <vector>

namespace model {
class GridModel;
} // namespace model

namespace journal {

// The block-date pass: fills the "Дата блок." column from the "Дата актив." column, both found by
// their captions and borne out by the cells of the rows it reaches (BlockEvidence), for each data
// row from the top down to the first row with an empty activation date. A row whose activation
// text is not a date gets an empty block date. Writes nothing when it cannot be sure of the two
// columns (blockDatesDeclined says why). Cells that already hold the right text are left alone.
void fillBlockDates(model::GridModel& grid);

// The same pass, run again and again on one grid (on every click): it keeps each row's evidence
// and where the activation dates end, so that a run after a few stored cells looks at those rows
// alone, with the result of a whole pass. A change to the rows, columns or their order, or to the
// header row, makes the next run a whole pass.
//
// Beside a block watch on the same grid, the pass reads the watch's evidence, which follows every
// change to the grid as it happens, rather than weighing the rows a second time; it weighs them
// itself only while the watch has not followed the grid as it stands.
class BlockDatePass {
public:
    void readEvidenceOf(const model::BlockWatch& watch) { watch_ = &watch; }
    void run(model::GridModel& grid);

private:
    const model::BlockEvidence& evidence() const { return shared_ ? *shared_ : own_; }
    void followPermutation(const model::GridModel& grid);
    void runWhole(model::GridModel& grid);
    void takeUpChanges(const model::GridModel& grid, std::size_t from);
    // Fills rows first .. up to the first empty activation date; returns that row.
    int fillFrom(model::GridModel& grid, int first);
    bool fillRow(model::GridModel& grid, int row);
    void remember(const model::GridModel& grid);

    const model::GridModel* grid_ = nullptr;
    quint64 structure_ = 0;
    std::size_t seen_ = 0;
    QPointer<const model::BlockWatch> watch_;
    // The watch's evidence during a run that reads it; the pass's own otherwise.
    const model::BlockEvidence* shared_ = nullptr;
    model::BlockEvidence own_;
    // Whether own_ stands for grid_ as of structure_ and seen_.
    bool ownKept_ = false;
    // The two columns the run fills.
    model::BlockColumns columns_;
    // The first data row with an empty activation date (the row count when there is none).
    int end_ = 1;
    // Whether the last run filled the rows above end_.
    bool filled_ = false;
};

} // namespace journal
