#pragma once

#include "model/blockcolumns.h"

#include <QDate>
#include <QObject>
#include <QStringView>
#include <cstdint>
#include <optional>
#include <vector>

namespace model {

class GridModel;

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
    // Why the block-date pass writes nothing (BlockEvidence::declined); none while it fills.
    std::optional<QString> declined = std::nullopt;
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

// Keeps the state of every row of a grid, following the grid's changes as they happen: a changed
// cell re-judges its row only, inserted and removed rows are judged or dropped, anything larger
// (a sort, a new register, a moved or renamed column, a new day) is one linear pass. Reading a
// row's state is a look-up.
//
// The block-date column is found as the block-date pass finds it, by the same evidence and
// decision (BlockEvidence), kept row by row so that an edit weighs it again in constant time;
// without one every row is Clear, and the counts say why.
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
    const BlockCounts& counts() const { return counts_; }
    // Why the block-date pass writes nothing into the grid as it stands; none while it fills.
    const std::optional<QString>& declined() const { return counts_.declined; }
    bool shows(int row, RowFilter filter) const {
        switch (filter) {
        case RowFilter::Blocked:
            return state(row) == BlockState::Blocked;
        case RowFilter::Soon:
            return state(row) == BlockState::Soon;
        case RowFilter::Undated:
            return undated(row);
        case RowFilter::BlockedOrSoon:
            return state(row) != BlockState::Clear;
        case RowFilter::All:
            break;
        }
        return true;
    }
    std::optional<int> blockColumn() const { return blockCol_; }
    // The activation-date column, while the block-date column is borne out.
    std::optional<int> activationColumn() const {
        return blockCol_ ? std::optional(evidence_.columns()->activation) : std::nullopt;
    }
    // Whether grid row `row` holds an activation text that is not a date (so its unit drops out
    // of the watch); false while no block-date column is borne out.
    bool undated(int row) const {
        return blockCol_ && row > 0 && row < evidence_.size() && isUndated(evidence_.row(row));
    }

    // Finds the column again and judges every row.
    void recount();

    // The evidence the watch judges by, while it has followed every change to `grid` (none
    // otherwise): the block-date pass reads it rather than weighing every row a second time.
    const BlockEvidence* evidenceFor(const GridModel& grid) const;

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
    void countsChanged(model::BlockCounts counts);
    // Many rows may have changed state without their cells changing (a new day, a renamed
    // column): the rows shown need repainting.
    void statesReset();

private:
    template <typename Keeper>
    friend void followGrid(const GridModel&, Keeper*, void (Keeper::*)());
    void onDataChanged(int firstRow, int lastRow, int firstCol, int lastCol,
                       const QList<int>& roles);
    void onRowsInserted(int firstRow, int lastRow);
    void onRowsRemoved(int firstRow, int lastRow);
    void onHeaderChanged();
    void onRowsPermuted(int first, const std::vector<int>& order);
    void onLayoutChanged();
    // Judges every row by the evidence as it stands.
    void rejudge();
    // Takes the rows' evidence into account again, then decides again.
    bool weighRows(int firstRow, int lastRow);
    // The decision again, after a change to the evidence: true when it stands (its reason may
    // read otherwise), false when it changed and every row was judged again.
    bool decideAgain();
    void judgeRow(int row);
    static bool isUndated(RowEvidence row) { return row.dated && !row.activation; }
    void add(BlockState state, int sign);
    void notify();
    // The evidence now stands for the grid as it is.
    void followed();

    const GridModel& grid_;
    QDate today_;
    BlockEvidence evidence_;
    std::optional<int> blockCol_;    // the captioned block column, when borne out
    std::vector<BlockState> states_; // by grid row; row 0 (the header) is always Clear
    BlockCounts counts_;
    BlockCounts sent_;
    int batchDepth_ = 0;
    bool permuted_ = false; // the rows were reordered and followed since layoutAboutToBeChanged
    // The grid's structure revision and length of its changed-row list when the evidence last
    // took up a change; the evidence is up to date while both still hold.
    bool following_ = false;
    quint64 followedStructure_ = 0;
    std::size_t followedChanges_ = 0;
};

} // namespace model
