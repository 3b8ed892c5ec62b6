#include "journal/blockdates.h"

#include "core/journaldates.h"
#include "model/gridmodel.h"

#include <algorithm>

namespace journal {

void fillBlockDates(model::GridModel& grid) {
    BlockDatePass().run(grid);
}

void BlockDatePass::run(model::GridModel& grid) {
    shared_ = watch_ ? watch_->evidenceFor(grid) : nullptr;
    if (!shared_)
        followPermutation(grid);
    else if (ownKept_) {
        own_ = {};
        ownKept_ = false;
    }
    const bool sameGrid = grid_ == &grid && structure_ == grid.structureRevision() &&
                          seen_ <= grid.changedRows().size() && (shared_ || ownKept_) &&
                          evidence().columns() &&
                          model::captionedBlockColumns(grid) == evidence().columns();
    if (!sameGrid) {
        runWhole(grid);
        return;
    }
    const std::vector<int>& changed = grid.changedRows();
    if (std::find(changed.begin() + qsizetype(seen_), changed.end(), 0) != changed.end()) {
        runWhole(grid);
        return;
    }
    const std::size_t from = seen_;
    takeUpChanges(grid, from);
    seen_ = changed.size();
    if (evidence().declined(grid)) {
        filled_ = false;
        remember(grid);
        return;
    }
    columns_ = *evidence().columns();
    if (!filled_) {
        end_ = fillFrom(grid, 1);
    } else {
        // The rows stored since the last run: those above the end of the activation dates are
        // filled; a stored row at the end may carry the dates further down. The end may have
        // moved up too, by a row stored after others below it (an undo of several rows): the
        // evidence, taken up, already knows where it is now.
        end_ = std::min(end_, evidence().end());
        const std::vector<int> rows(changed.begin() + qsizetype(from), changed.end());
        for (int row : rows) {
            if (structure_ != grid.structureRevision())
                break;
            if (row >= end_)
                continue;
            if (!fillRow(grid, row))
                end_ = row;
        }
        if (structure_ == grid.structureRevision() && end_ < grid.rows())
            end_ = fillFrom(grid, end_);
    }
    filled_ = true;
    remember(grid);
}

// A sort changes no row's cells: when it is the only change since the last run, each row's
// evidence goes with its row, and the fill runs from the top (rows whose cells are right cost a
// look-up each), since rows that lay below the end of the activation dates may now lie above it.
void BlockDatePass::followPermutation(const model::GridModel& grid) {
    const model::GridModel::RowPermutation& sorted = grid.lastPermutation();
    if (grid_ != &grid || !ownKept_ || !own_.columns() ||
        structure_ + 1 != grid.structureRevision() || sorted.revision != grid.structureRevision() ||
        sorted.changedBefore != seen_ || !own_.permute(grid, sorted.first, sorted.order))
        return;
    structure_ = grid.structureRevision();
    seen_ = 0;
    end_ = 1;
}

// Every row's evidence afresh (unless the watch's is read), then the pass over every dated row.
void BlockDatePass::runWhole(model::GridModel& grid) {
    grid_ = &grid;
    if (!shared_) {
        own_.reset(grid);
        ownKept_ = true;
    }
    filled_ = false;
    structure_ = grid.structureRevision();
    seen_ = grid.changedRows().size();
    if (!evidence().declined(grid)) {
        columns_ = *evidence().columns();
        end_ = fillFrom(grid, 1);
        filled_ = true;
    }
    remember(grid);
}

// Brings the pass's own evidence up to date for the rows stored since `from` in the grid's list
// (the watch's follows them as they are stored).
void BlockDatePass::takeUpChanges(const model::GridModel& grid, std::size_t from) {
    if (shared_)
        return;
    const std::vector<int>& changed = grid.changedRows();
    for (std::size_t i = from; i < changed.size(); ++i)
        own_.reweigh(grid, changed[i]);
}

int BlockDatePass::fillFrom(model::GridModel& grid, int first) {
    // The row count is read on every turn: a slot that reacts to a changed cell may remove rows.
    int r = first;
    while (r < grid.rows() && fillRow(grid, r))
        ++r;
    return r;
}

// Writes the row's block date; false, writing nothing, when its activation date is empty.
bool BlockDatePass::fillRow(model::GridModel& grid, int row) {
    const model::BlockColumns columns = columns_;
    const core::CellChars activationChars(grid.cell(row, columns.activation));
    const QStringView activation = activationChars.view();
    if (activation.isEmpty())
        return false;
    // The evidence, taken up before every fill, already says whether the cell is right.
    const model::BlockEvidence& evidence = this->evidence();
    if (row < evidence.size() && evidence.columns() == columns && evidence.row(row).blockExact)
        return true;
    core::DateBuffer buffer;
    const QStringView block = core::blockDateText(activation, buffer);
    // Compared before writing, so that a pass over unchanged rows allocates nothing.
    if (grid.cell(row, columns.block) != block)
        grid.setTextMatrix(row, columns.block, block.toString());
    return true;
}

// What the run wrote is taken up too, so that the next run starts from the grid as it stands;
// when the rows changed under the run (a slot reacting to a written cell), the next run is whole.
void BlockDatePass::remember(const model::GridModel& grid) {
    if (structure_ != grid.structureRevision()) {
        grid_ = nullptr;
        return;
    }
    if (evidence().columns())
        takeUpChanges(grid, seen_);
    seen_ = grid.changedRows().size();
}

} // namespace journal
