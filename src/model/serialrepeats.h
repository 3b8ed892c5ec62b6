#pragma once

#include <QHash>
#include <QStringView>
#include <array>
#include <optional>
#include <vector>

namespace model {

class GridModel;

// Which units are registered twice: the numbers of the "Зав. № ЭКЛЗ" and "Рег. № ЭКЛЗ" columns
// (found by caption), so that a cell holding a number another row of the same column holds is
// marked. Only this grid's rows count: a number an archive holds too is a unit carried over a
// year end, no repeat.

// The two numbered columns, by kind, and their captions.
enum SerialKind : int { FactoryNumber = 0, RegistrationNumber = 1 };
constexpr int SerialKinds = 2;
constexpr std::array<QStringView, SerialKinds> SerialHeaders = {u"Зав. № ЭКЛЗ", u"Рег. № ЭКЛЗ"};

// A 64-bit fingerprint of a number: its text without the blanks at both ends, letter case kept;
// never 0, which stands for an empty cell. Two numbers are taken for the same when their
// fingerprints are.
quint64 serialFingerprint(QStringView text);

// The numbers of both columns of a grid as it stands, in one pass.
class SerialRepeats {
public:
    SerialRepeats() = default;
    explicit SerialRepeats(const GridModel& grid);
    // Counts the numbers of one kind again (its column found anew), the other kind's kept.
    void recount(const GridModel& grid, int kind);

    std::optional<int> column(int kind) const { return columns_[std::size_t(kind)]; }
    // The kind of the grid column, when it is one of the two.
    std::optional<int> kindOf(int col) const;
    // The fingerprint of the cell's number, 0 for an empty cell or another column.
    quint64 fingerprint(int row, int col) const;
    // Whether the cell's number is held by another row of its column.
    bool marked(int row, int col) const;
    // The other rows whose cell in that column holds the same number, in ascending order.
    std::vector<int> otherRows(int row, int col) const;
    int markedCells() const { return numbers_[0].marked + numbers_[1].marked; }

private:
    struct Column {
        std::vector<quint64> byRow;  // by row
        QHash<quint64, int> holding; // how many rows hold each number
        int marked = 0;
    };

    std::array<std::optional<int>, SerialKinds> columns_;
    std::array<Column, SerialKinds> numbers_;
};

} // namespace model
