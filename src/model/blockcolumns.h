#pragma once

#include "core/celltext.h"

#include <QString>
#include <QStringView>
#include <cstdint>
#include <optional>
#include <vector>

namespace model {

class GridModel;

// Which columns hold the activation dates and the block dates. They are found by their header
// captions ("Дата актив.", "Дата блок."), and the captions must be borne out by the cells of the
// rows the block-date pass reaches (row 1 down to the first empty activation date): a pass
// writes into the block-date column, so a column that merely carries the caption (after columns
// were moved and a file reopened, captions stand by position) must never be taken for it.

struct BlockColumns {
    int activation = 0;
    int block = 0;
    friend bool operator==(const BlockColumns&, const BlockColumns&) = default;
};

// What one row's pair of cells says about the two columns.
struct RowEvidence {
    bool ends : 1 = false;         // the activation cell is empty: the pass stops at this row
    bool dated : 1 = false;        // the activation cell holds more than blanks
    bool activation : 1 = false;   // ... and reads as a date
    bool blockFilled : 1 = false;  // the block-date cell holds more than blanks
    bool blockMatches : 1 = false; // ... and holds the block date of the activation date
    bool blockLike : 1 = false;    // ... or another date that may be a block date typed by hand:
                                   // the first of a month, or a date after the activation date
    bool blockForeign : 1 = false; // ... or looks like another column's data: a word, a number,
                                   // a date that is not block-like (a mark such as "?" or "-"
                                   // does not)
    bool blockDate : 1 = false;    // the block-date cell reads as a date
    bool blockBefore : 1 = false;  // ... before an activation date that is the first of a month,
                                   // as when the two columns' captions are swapped
    bool blockExact : 1 = false;   // the block-date cell holds exactly what the pass would write
    qint32 blockDay = 0;           // the block date as a Julian day, when it reads as one
    static RowEvidence of(QStringView activation, QStringView block);
};

// The rows' evidence summed over some rows.
struct ColumnEvidence {
    int rows = 0;
    int dated = 0;
    int activations = 0;
    int blockFilled = 0;
    int blockMatches = 0;
    int blockLike = 0;
    int blockForeign = 0;
    int blockDates = 0;
    int blockBefore = 0;

    void add(RowEvidence row, int sign = 1);
};

// The evidence of a grid's rows for its two captioned columns, kept row by row as the grid
// changes and summed over the rows the pass reaches, and the decision both the block-date pass
// and the block watch take from it. An edit weighs its row again in constant time (in time
// proportional to the columns while the block-date column holds no block-like cell, since the
// other columns then count too); only a move of the end of the activation dates, an insert or
// removal above it, or a reordering of the rows costs time in proportion to the rows passed
// over.
//
// The pass declines when a caption is missing or doubled; when the activation column holds no
// dates in most dated rows; when most dates in the block-date column lie before activation
// dates that are the first of a month (the captions of the two columns are swapped); when the
// block-date column holds another column's data (words, numbers, dates that are not
// block-like) in more than half the rows reached (empty cells and marks count for it, ties
// fill); and when a block-date column without a block-like cell stands beside the block dates
// of the activation dates in another column, or beside an activation column that itself holds
// the block dates of another column's dates.
class BlockEvidence {
public:
    // Finds the two columns by their captions and weighs every row.
    void reset(const GridModel& grid);
    const std::optional<BlockColumns>& columns() const { return columns_; }
    // The rows weighed: the grid's row count when up to date.
    int size() const { return int(rows_.size()); }
    RowEvidence row(int row) const { return rows_[std::size_t(row)]; }
    // The first row the pass does not reach.
    int end() const { return end_; }
    const ColumnEvidence& reached() const { return reached_; }

    // The cells of data row `row` changed, in any column.
    void reweigh(const GridModel& grid, int row);
    // Cells outside the two columns changed in rows first .. last.
    void otherCellsChanged(const GridModel& grid, int first, int last);
    // Rows first .. first + count - 1 were inserted, or removed.
    void insertRows(const GridModel& grid, int first, int count);
    void removeRows(const GridModel& grid, int first, int count);
    // Row first+i became what row first+order[i] was; false, changing nothing, when the rows
    // weighed are too few.
    bool permute(const GridModel& grid, int first, const std::vector<int>& order);

    // Why the pass writes nothing into the grid as it stands, in words for the line under the
    // grid ("Дата блок. не заполняется: ..."); none when it fills.
    std::optional<QString> declined(const GridModel& grid) const;

private:
    // What the cells outside the two columns say, cell by cell in the rows reached, while the
    // block-date column holds no block-like cell there: whether each is filled, holds the block
    // date of the activation date, or is a date whose block date the activation column holds.
    struct OtherColumns {
        enum Bit : std::uint8_t { Filled = 1, Matches = 2, Held = 4 };
        int cols = 0;
        std::vector<std::uint8_t> cells;        // by grid row, then column
        std::vector<int> filled, matches, held; // by column, over the rows reached
    };

    void truncate(int end);
    void extend(const GridModel& grid);
    // A reached row's other cells read again from the grid, or weighed out.
    void readOthers(const GridModel& grid, int row) const;
    void weighOthers(int row, int sign) const;
    // The other columns are followed only while they count.
    void dropOthersUnlessNeeded();
    std::optional<int> blockDatesColumn(const GridModel& grid) const;

    std::optional<BlockColumns> columns_;
    std::vector<RowEvidence> rows_; // by grid row, while columns_
    int end_ = 1;
    ColumnEvidence reached_; // rows 1 .. end_ - 1
    // Set up when first asked for, then kept up to date with the rows reached; dropped when the
    // block-date column gains a block-like cell, or the rows are inserted, removed or reordered.
    mutable std::optional<OtherColumns> others_;
};

// The two columns by their captions (each exactly one column), with the grid's cells bearing them
// out; none otherwise.
std::optional<BlockColumns> findBlockColumns(const GridModel& grid);
// Why a pass over the grid as it stands writes nothing; none when it fills.
std::optional<QString> blockDatesDeclined(const GridModel& grid);
// The two columns by their captions alone.
std::optional<BlockColumns> captionedBlockColumns(const GridModel& grid);

} // namespace model
