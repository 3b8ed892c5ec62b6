#pragma once

#include "core/celltext.h"

#include <QObject>
#include <QStringView>
#include <array>
#include <optional>
#include <vector>

namespace model {

class GridModel;

// Which units are registered twice: the numbers of the "Зав. № ЭКЛЗ" and "Рег. № ЭКЛЗ" columns
// (found by caption), each column's numbers indexed, so that a cell holding a number another row
// of the same column holds is marked. Only this grid's rows count: a number an archive holds too
// is a unit carried over a year end, no repeat.

constexpr QStringView SerialNumberHeader = u"Зав. № ЭКЛЗ";
constexpr QStringView RegistrationNumberHeader = u"Рег. № ЭКЛЗ";

// The two numbered columns, by kind.
enum SerialKind : int { FactoryNumber = 0, RegistrationNumber = 1 };
constexpr int SerialKinds = 2;
constexpr std::array<QStringView, SerialKinds> SerialHeaders = {SerialNumberHeader,
                                                                RegistrationNumberHeader};

// What a number is compared by: its text without the blanks at both ends, letter case kept.
core::CellText serialKey(core::CellText text);
// A 64-bit fingerprint of a number's key (serialKey), never 0; 0 stands for an empty cell. Two
// numbers are taken for the same when their fingerprints are; a text has one fingerprint however
// it is kept.
quint64 serialFingerprint(core::CellText text);

// Follows every change to the grid as it happens, as BlockWatch does: a stored cell re-indexes
// its row only, inserted and removed rows are added or dropped, a sort moves the rows' entries
// with them; anything larger (a new register, a moved or renamed column) is one linear pass.
//
// Each column keeps its rows' fingerprints twice, by row and in ascending order (16 bytes a row
// in all): how many rows hold a number is a binary search, and which rows hold it a look along
// the column, asked only for a number that is repeated.
class SerialIndex : public QObject {
    Q_OBJECT
public:
    // When a whole pass over a new register is made: at once, or once the events already due
    // (the new register's first paint) are handled. Until then no cell is marked.
    enum class WholePass { AtOnce, AfterPendingEvents };

    explicit SerialIndex(const GridModel& grid, QObject* parent = nullptr,
                         WholePass wholePass = WholePass::AtOnce);

    std::optional<int> column(int kind) const { return columns_[std::size_t(kind)]; }
    // The kind of the grid column, when it is one of the two.
    std::optional<int> kindOf(int col) const;
    // The fingerprint of the cell's number, 0 for an empty cell or another column.
    quint64 fingerprint(int row, int col) const;
    // Whether the cell's number is held by another row of its column.
    bool marked(int row, int col) const;
    // The other grid rows whose cell in that column holds the same number, in ascending order.
    std::vector<int> otherRows(int row, int col) const;
    // How many cells are marked.
    int markedCells() const { return marked_[0] + marked_[1]; }
    // Whether a whole pass is still due (no cell is marked until it is made).
    bool passDue() const { return due_; }

    // Indexes the grid again, whole (later, when so made).
    void rebuild();
    // Makes a pass that is due now.
    void settle();

Q_SIGNALS:
    // Cells were marked or unmarked (maybe in rows other than the one changed).
    void marksChanged(int markedCells);

protected:
    bool event(QEvent* event) override;

private:
    struct Column {
        std::vector<quint64> byRow;  // by grid row; row 0 (the header) is always 0
        std::vector<quint64> sorted; // every non-zero one of byRow, ascending
    };

    template <typename Keeper>
    friend void followGrid(const GridModel&, Keeper*, void (Keeper::*)());
    void onDataChanged(int firstRow, int lastRow, int firstCol, int lastCol,
                       const QList<int>& roles);
    void onRowsInserted(int firstRow, int lastRow);
    void onRowsRemoved(int firstRow, int lastRow);
    void onHeaderChanged();
    void onRowsPermuted(int first, const std::vector<int>& order);
    void onLayoutChanged();
    void buildNow();
    // The cells of that kind marked for holding the number: all of them, or none.
    int markedFor(int kind, quint64 fingerprint) const;
    int count(int kind, quint64 fingerprint) const;
    // The row takes the number its cell holds now; `unsorted` leaves the ascending copy for a
    // sort(), after many rows.
    void add(int kind, int row, bool unsorted = false);
    void remove(int kind, int row, bool unsorted = false);
    // Sorts the ascending copy afresh and counts the marks again.
    void resort(int kind);
    void recount(int kind);
    bool consistent() const;
    void notify();

    const GridModel& grid_;
    const WholePass wholePass_;
    std::array<std::optional<int>, SerialKinds> columns_;
    std::array<Column, SerialKinds> index_;
    std::array<int, SerialKinds> marked_{};
    int sent_ = -1;
    bool changed_ = false;  // some cell's mark changed since the last notice
    bool permuted_ = false; // the rows were reordered and followed since layoutAboutToBeChanged
    bool due_ = false;      // a whole pass is due
    bool scheduled_ = false;
};

} // namespace model
