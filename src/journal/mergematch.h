#pragma once

#include "core/journalcolumns.h"

#include <QList>
#include <QStringList>
#include <QStringView>
#include <optional>
#include <vector>

namespace journal {

// The matching a three-way merge of journals rests on: which column and which row of a side
// (the file now, or the grid) is which column and row of the base.

// The data rows of a journal as one side of a merge sees them.
struct Side {
    const QList<QStringList>* cells;
    const QStringList* header; // the captions, for the grid; none for a file
    int rows;
    int cols;

    QStringView cell(int row, int col) const { return (*cells)[row][col]; }
    bool columnEmpty(int col) const;
};

// For each base column, the side's column holding it, or -1. Columns are paired by how many of
// the base column's texts the side's column holds; columns with nothing to tell them by (empty
// ones) by position next to their paired neighbours, or where the side has a header by the
// journal header's caption first.
std::vector<int> matchColumns(const Side& base, const Side& side);

// Which side row is which base row: sideOf[base row] and baseOf[side row], -1 for none.
struct RowMatch {
    std::vector<int> sideOf;
    std::vector<int> baseOf;
};

// Rows are paired by the serial (base column SerialNumber, blanks at the ends aside) where it is
// filled and unique on both sides; then by all the texts of the paired columns, in order among
// equal rows; then rows still unpaired, when they share most of their cells and differ in at most
// a few.
RowMatch matchRows(const Side& base, const Side& side, const std::vector<int>& map);

// Rows of one side, to find a row with the same texts in every paired column of another side's
// row; each is found once.
class SameRows {
public:
    SameRows(const Side& side, const std::vector<int>& map, int baseCols);
    void add(int row);
    // The row still here that has the texts of the other side's row, if any; it is then taken.
    std::optional<int> take(const Side& other, const std::vector<int>& otherMap, int row);

private:
    const Side& side_;
    const std::vector<int>& map_;
    int baseCols_;
    std::vector<std::pair<size_t, int>> rows_; // by hash
    std::vector<bool> taken_;
    bool sorted_ = false;
};

} // namespace journal
