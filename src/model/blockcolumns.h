#pragma once

#include <QStringView>
#include <cstdint>
#include <optional>

class GridModel;

// Which columns hold the activation dates and the block dates. They are found by their header
// captions ("Дата актив.", "Дата блок."), and the captions must be borne out by the cells: a
// block-date pass writes into the block-date column, so a column that merely carries the caption
// (after columns were moved and a file reopened, captions stand by position) must never be taken
// for it.
namespace journal {

struct BlockColumns {
    int activation = 0;
    int block = 0;
    friend bool operator==(const BlockColumns&, const BlockColumns&) = default;
};

// What one row's pair of cells says about the two columns.
struct RowEvidence {
    bool dated = false;        // the activation cell is not empty
    bool activation = false;   // ... and reads as a date
    bool blockFilled = false;  // the block-date cell is not empty
    bool blockMatches = false; // ... and holds the block date of the activation date
    bool blockLike = false;    // ... or another date that may be a block date typed by hand: the
                               // first of a month, or a date after the activation date
    bool blockExact = false;   // the block-date cell holds exactly what the pass would write
    static RowEvidence of(QStringView activation, QStringView block);
};

// The rows' evidence summed over a register. Convincing when most dated rows hold activation
// dates and at least half the filled block-date cells are block-like: a column of names, numbers
// or activation dates (which lie before the dates beside them and are seldom the first of a
// month) is never taken for block dates, while a block date typed by hand is still replaced.
struct ColumnEvidence {
    int dated = 0;
    int activations = 0;
    int blockFilled = 0;
    int blockMatches = 0;
    int blockLike = 0;

    void add(RowEvidence row, int sign = 1);
    bool convincing() const;
};

// The two columns by their captions (each exactly one column), with the grid's cells bearing them
// out; none otherwise. An empty block-date column is taken (a new register) unless another column
// already holds the block dates of the activation dates.
std::optional<BlockColumns> findBlockColumns(const GridModel& grid);
// The two columns by their captions alone.
std::optional<BlockColumns> captionedBlockColumns(const GridModel& grid);
ColumnEvidence evidenceFor(const GridModel& grid, BlockColumns columns);
// Whether a column other than the captioned block-date one holds the block dates of the
// activation column: then an empty captioned column is an added one that came to stand at the
// block dates' place.
bool blockDatesStandElsewhere(const GridModel& grid, BlockColumns columns);

} // namespace journal
