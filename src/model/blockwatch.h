#pragma once

#include "model/blockcolumns.h"

#include <QDate>
#include <QObject>
#include <QStringView>
#include <cstdint>
#include <optional>
#include <vector>

class GridModel;

// Which units have blocked and which block soon: every data row of the register is judged by its
// block date ("Дата блок." column) against today, and the rows of each kind are counted.
namespace journal {

// A unit whose block date lies at most this many days ahead blocks soon.
constexpr int BlockWarningDays = 31;

enum class BlockState : std::uint8_t {
    Clear,   // no readable block date, or one further away than the warning days
    Soon,    // today < block date <= today + BlockWarningDays
    Blocked, // block date <= today
};

struct BlockCounts {
    int blocked = 0;
    int soon = 0;
    int undated = 0; // rows whose activation date is filled but not a date
    friend bool operator==(const BlockCounts&, const BlockCounts&) = default;
};

// "Заблокированы: N. Блокируются в ближайшие 31 дн.: M.", and " Без даты активации: K." when
// K is not 0.
QString blockSummaryText(BlockCounts counts);

// Which rows a mechanic wants to see: all, the blocked units, those that block soon, or those
// whose activation date is not a date.
enum class RowFilter { All, Blocked, Soon, Undated };

// Keeps the state of every row of a grid, following the grid's changes as they happen: a changed
// cell re-judges its row only, inserted and removed rows are judged or dropped, anything larger
// (a sort, a new register, a moved or renamed column, a new day) is one linear pass. Reading a
// row's state is a look-up.
//
// The block-date column is found as the block-date pass finds it (its caption borne out by the
// cells, findBlockColumns); without one every row is Clear. The evidence for the two columns is
// kept row by row, so an edit weighs it again in constant time.
class BlockWatch : public QObject {
    Q_OBJECT
public:
    BlockWatch(const GridModel& grid, QDate today, QObject* parent = nullptr);

    QDate today() const { return today_; }
    void setToday(QDate today);

    // The state of grid row `row`; Clear for the header row and for rows outside the grid.
    BlockState state(int row) const {
        return row > 0 && std::size_t(row) < states_.size() ? states_[std::size_t(row)]
                                                            : BlockState::Clear;
    }
    BlockCounts counts() const { return counts_; }
    bool shows(int row, RowFilter filter) const {
        switch (filter) {
        case RowFilter::Blocked:
            return state(row) == BlockState::Blocked;
        case RowFilter::Soon:
            return state(row) == BlockState::Soon;
        case RowFilter::Undated:
            return undated(row);
        case RowFilter::All:
            break;
        }
        return true;
    }
    std::optional<int> blockColumn() const { return blockCol_; }
    // The activation-date column, while the block-date column is borne out.
    std::optional<int> activationColumn() const {
        return blockCol_ ? std::optional(captioned_->activation) : std::nullopt;
    }
    // Whether grid row `row` holds an activation text that is not a date (so its unit drops out
    // of the watch); false while no block-date column is borne out.
    bool undated(int row) const {
        return blockCol_ && row > 0 && std::size_t(row) < rowEvidence_.size() &&
               isUndated(rowEvidence_[std::size_t(row)]);
    }

    // Finds the column again and judges every row.
    void recount();

    // While one is alive, countsChanged is held back; the last one to end sends it once if the
    // counts differ from those last sent. For passes that change many rows one by one.
    class Batch {
    public:
        explicit Batch(BlockWatch& watch);
        ~Batch();
        Batch(const Batch&) = delete;
        Batch& operator=(const Batch&) = delete;

    private:
        BlockWatch& watch_;
    };

Q_SIGNALS:
    void countsChanged(journal::BlockCounts counts);
    // Many rows may have changed state without their cells changing (a new day, a renamed
    // column): the rows shown need repainting.
    void statesReset();

private:
    void onDataChanged(int firstRow, int lastRow, int firstCol, int lastCol,
                       const QList<int>& roles);
    void onRowsInserted(int firstRow, int lastRow);
    void onRowsRemoved(int firstRow, int lastRow);
    void onHeaderChanged();
    void onRowsPermuted(int first, const std::vector<int>& order);
    void onLayoutChanged();
    // Takes the rows' evidence into account again; false when that changed the decision, which
    // the caller then follows with a recount.
    bool weighRows(int firstRow, int lastRow);
    void judgeRow(int row);
    static bool isUndated(RowEvidence row) { return row.dated && !row.activation; }
    void add(BlockState state, int sign);
    void notify();

    const GridModel& grid_;
    QDate today_;
    std::optional<BlockColumns> captioned_; // by captions alone
    ColumnEvidence evidence_;
    std::vector<RowEvidence> rowEvidence_; // by grid row, while captioned_
    std::optional<int> blockCol_;          // the captioned block column, when borne out
    std::vector<BlockState> states_;       // by grid row; row 0 (the header) is always Clear
    BlockCounts counts_;
    BlockCounts sent_;
    int batchDepth_ = 0;
    bool permuted_ = false; // the rows were reordered and followed since layoutAboutToBeChanged
};

} // namespace journal
