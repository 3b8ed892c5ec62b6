#pragma once

#include "core/prompter.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <vector>

namespace model {
class GridModel;
} // namespace model

namespace journal {

// A three-way merge of a journal: the base (the file as this copy last read or wrote it), theirs
// (the file as another copy has saved it since) and ours (the grid). What only one side changed
// is taken from it; what both changed alike is kept; what both changed differently, or one
// deleted and the other changed, is a conflict for the user to settle.
//
// Columns are matched by their contents, so a column moved or added on either side is no change:
// each side's columns are paired with the base's by how many of the base's texts they hold. Rows
// are matched by the "Зав. № ЭКЛЗ" serial where it is filled and unique on both sides, then by
// their whole text, then, for rows still unmatched, by sharing all but a few cells: so a sort on
// either side is no change, and a row edited on one side is still the same row.
//
// The merge is planned as edits to the grid as it stands: cells to store, rows to remove, rows of
// theirs to insert, columns of theirs to add, so that it is undone in one step.
class JournalMerge {
public:
    // base and theirs: journals as read from the file (data rows only); ours: the grid.
    JournalMerge(const QList<QStringList>& base, const QList<QStringList>& theirs,
                 const model::GridModel& ours);

    const std::vector<core::MergeConflict>& conflicts() const { return conflicts_; }

    // What comes from the file with these choices (one per conflict: true takes the file's side).
    struct Counts {
        int addedRows = 0;
        int changedCells = 0;
        int deletedRows = 0;
        int addedColumns = 0;
        bool any() const { return addedRows + changedCells + deletedRows + addedColumns > 0; }
        Counts& operator+=(const Counts& more) {
            addedRows += more.addedRows;
            changedCells += more.changedCells;
            deletedRows += more.deletedRows;
            addedColumns += more.addedColumns;
            return *this;
        }
    };
    Counts counts(const std::vector<bool>& takeTheirs) const;

    // Makes the grid the merged journal, each conflict settled as `takeTheirs` says. The grid must
    // stand as it did when the merge was planned.
    void apply(model::GridModel& grid, const std::vector<bool>& takeTheirs) const;

private:
    struct CellEdit {
        int row;
        int col;
        QString text;
        int conflict = -1; // stored only when that conflict takes the file's side
    };
    struct RowInsert {
        int after; // the grid row it follows (-1: the top)
        QList<QString> cells;
        int conflict = -1;
    };
    struct RowRemoval {
        int row;
        int conflict = -1;
    };
    static bool chosen(int conflict, const std::vector<bool>& takeTheirs) {
        return conflict < 0 || takeTheirs[std::size_t(conflict)];
    }

    friend class MergePlanner;
    std::vector<core::MergeConflict> conflicts_;
    int addedColumns_ = 0; // theirs, with no column here: added after the grid's last
    std::vector<CellEdit> cells_;
    std::vector<RowInsert> inserts_;   // by `after`, ascending
    std::vector<RowRemoval> removals_; // by row, ascending
};

} // namespace journal
