#pragma once

#include <QString>
#include <QStringView>
#include <optional>

namespace model {

class GridModel;

// Which columns hold the activation dates and the block dates. They are found by their header
// captions ("Дата актив.", "Дата блок."), and the captions must be confirmed by the cells of the
// rows the block-date pass reaches (the first row down to the first empty activation date): a pass
// writes into the block-date column, so a column that merely carries the caption (after columns
// were moved and a file reopened, captions stand by position) must never be taken for it.

struct BlockColumns {
    int activation = 0;
    int block = 0;
    friend bool operator==(const BlockColumns&, const BlockColumns&) = default;
};

// What one row's pair of cells says about the two columns.
struct RowDates {
    bool ends = false;         // the activation cell is empty: the pass stops at this row
    bool dated = false;        // the activation cell holds more than blanks
    bool activation = false;   // ... and reads as a date
    bool blockLike = false;    // the block-date cell holds the block date of the activation
                               // date, or another date that may be a block date typed by hand:
                               // the first of a month, or a date after the activation date
    bool blockForeign = false; // ... or looks like another column's data: a word, a number,
                               // a date that is not block-like (a mark such as "?" or "-"
                               // does not)
    bool blockDate = false;    // the block-date cell reads as a date
    bool blockBefore = false;  // ... before an activation date that is the first of a month,
                               // as when the two columns' captions are swapped
    bool blockExact = false;   // the block-date cell holds exactly what the pass would write
    qint64 blockDay = 0;       // the block date as a Julian day, when it reads as one
    static RowDates of(QStringView activation, QStringView block);
};

// What the rows say, summed over the rows the pass reaches.
struct DateCounts {
    int rows = 0;
    int dated = 0;
    int activations = 0;
    int blockLike = 0;
    int blockForeign = 0;
    int blockDates = 0;
    int blockBefore = 0;

    void add(RowDates row);
};

// The two columns by their captions alone.
std::optional<BlockColumns> captionedBlockColumns(const GridModel& grid);

// Why the block-date pass writes nothing into the grid as it stands, in words for the line under
// the grid ("Дата блок. не заполняется: ..."); none when it fills. `columns` are the captioned
// ones, `reached` what rows 0 .. end - 1.
//
// The pass declines when a caption is missing or doubled; when the activation column holds no
// dates in most dated rows; when most dates in the block-date column lie before activation
// dates that are the first of a month (the captions of the two columns are swapped); when the
// block-date column holds another column's data (words, numbers, dates that are not
// block-like) in more than half the rows reached (empty cells and marks count for it, ties
// fill); and when a block-date column without a block-like cell stands beside the block dates
// of the activation dates in another column, or beside an activation column that itself holds
// the block dates of another column's dates.
std::optional<QString> whyBlockDatesUnfilled(const GridModel& grid,
                                             const std::optional<BlockColumns>& columns,
                                             const DateCounts& reached, int end);

} // namespace model
