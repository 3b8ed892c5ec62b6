#pragma once

#include <QDate>
#include <QString>
#include <cstdint>
#include <optional>
#include <vector>

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
};

// The two columns by their captions alone.
std::optional<BlockColumns> captionedBlockColumns(const GridModel& grid);
// What row `row`, a row of the grid, says of the two captioned columns.
RowDates readRowDates(const GridModel& grid, const BlockColumns& columns, int row);

// Which units have blocked and which block soon: every data row of the register is judged by its
// block date ("Дата блок." column) against today, and the rows of each kind are counted.

// A unit whose block date lies at most this many days ahead blocks soon.
constexpr int BlockWarningDays = 31;

// How a row is shaded by its state, on screen and in a spreadsheet, as 0xRRGGBB: light red for
// units that have blocked, light amber for those that block soon.
constexpr std::uint32_t BlockedShade = 0xFFC8C8;
constexpr std::uint32_t SoonShade = 0xFFE6AA;

enum class BlockState : std::uint8_t {
    Clear,   // no readable block date, or one further away than the warning days
    Soon,    // today < block date <= today + BlockWarningDays
    Blocked, // block date <= today
};

struct BlockCounts {
    int blocked = 0;
    int soon = 0;
    int undated = 0; // rows whose activation date is filled but not a date
    // Why the block-date pass writes nothing; none while it fills.
    std::optional<QString> unfilledReason = std::nullopt;
    friend bool operator==(const BlockCounts&, const BlockCounts&) = default;
};

// "Заблокированы: N. Блокируются в ближайшие 31 дн.: M.", " Без даты активации: K." when K is
// not 0, and the reason the block dates are not filled, when they are not.
QString blockSummaryText(const BlockCounts& counts);

// Which rows a mechanic wants to see: all, the blocked units, those that block soon, both of
// these (the list for a round), or those whose activation date is not a date.
enum class RowFilter { All, Blocked, Soon, Undated, BlockedOrSoon };
// The filter's name, as the filter list shows it and a printout of the rows shown is titled.
QString rowFilterName(RowFilter filter);

// One pass over the grid as it stands: the block-date column found as the block-date pass finds
// it (whyBlockDatesUnfilled), and each row's state. Without a confirmed column every row is Clear,
// and the counts say why.
class BlockJudgement {
public:
    BlockJudgement() = default;
    BlockJudgement(const GridModel& grid, QDate today);
    // The same from what each row says of the captioned columns (readRowDates), already at
    // hand: `rowDates` holds one entry per row, or none without the captioned columns.
    BlockJudgement(const GridModel& grid, QDate today, const std::vector<RowDates>& rowDates);

    // The state of row `row`; Clear for rows outside the table.
    BlockState state(int row) const {
        return has(row) ? rows_[std::size_t(row)].state : BlockState::Clear;
    }
    const BlockCounts& counts() const { return counts_; }
    const std::optional<QString>& unfilledReason() const { return counts_.unfilledReason; }
    bool shows(int row, RowFilter filter) const;
    std::optional<int> blockColumn() const {
        return columns_ ? std::optional(columns_->block) : std::nullopt;
    }
    // The activation-date column, while the block-date column is confirmed by its cells.
    std::optional<int> activationColumn() const {
        return columns_ ? std::optional(columns_->activation) : std::nullopt;
    }
    // Whether row `row` holds an activation text that is not a date (so its unit drops out
    // of the watch); false while no block-date column is confirmed by its cells.
    bool undated(int row) const { return has(row) && rows_[std::size_t(row)].undated; }
    // The rows the block-date pass writes: those it reaches whose block-date cell holds another
    // text than the pass writes, in ascending order; none while it declines.
    const std::vector<int>& unfilledRows() const { return unfilled_; }
    // Whether the judgement read the cells of column `col`: a change to others leaves it
    // standing.
    bool reads(int col) const {
        return readsAll_ ||
               (captioned_ && (col == captioned_->activation || col == captioned_->block));
    }

private:
    struct Row {
        BlockState state = BlockState::Clear;
        bool undated = false;
    };
    bool has(int row) const { return row >= 0 && std::size_t(row) < rows_.size(); }

    std::optional<BlockColumns> captioned_;
    bool readsAll_ = false;               // the other columns were compared too
    std::optional<BlockColumns> columns_; // confirmed by its cells
    std::vector<Row> rows_;               // by row, while columns_
    BlockCounts counts_;
    std::vector<int> unfilled_;
};

} // namespace model
