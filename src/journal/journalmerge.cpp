#include "journal/journalmerge.h"

#include "core/journalcolumns.h"
#include "journal/mergematch.h"
#include "model/gridmodel.h"

#include <QStringList>
#include <algorithm>

namespace journal {

namespace {

// How a deleted or changed row is shown in the question: its filled cells.
QString rowText(const Side& side, int row) {
    QStringList cells;
    for (int c = 0; c < side.cols; ++c)
        if (const QStringView text = side.cell(row, c).trimmed(); !text.isEmpty())
            cells << text.toString();
    return cells.join(QStringLiteral(", "));
}

const QString DeletedRow = QStringLiteral("строка удалена");

int colsOf(const QList<QStringList>& rows) {
    return rows.isEmpty() ? core::FileColumns : int(rows.first().size());
}

} // namespace

// Walks the base rows and both sides once and writes the plan into the merge.
class MergePlanner {
public:
    MergePlanner(JournalMerge& merge, const Side& base, const Side& theirs, const Side& ours,
                 const model::GridModel& grid)
        : merge_(merge), base_(base), theirs_(theirs), ours_(ours), grid_(grid),
          oursMap_(matchColumns(base, ours)), theirsMap_(matchColumns(base, theirs)),
          oursRows_(matchRows(base, ours, oursMap_)),
          theirsRows_(matchRows(base, theirs, theirsMap_)) {}

    void plan() {
        addTheirColumns();
        planOurRows();
        planTheirRows();
    }

private:
    // Columns of theirs that hold something but match no column of the base come after ours.
    void addTheirColumns() {
        for (int c = 0; c < theirs_.cols; ++c)
            if (std::find(theirsMap_.begin(), theirsMap_.end(), c) == theirsMap_.end() &&
                !theirs_.columnEmpty(c))
                extraColumns_.push_back(c);
        merge_.addedColumns_ = int(extraColumns_.size());
    }

    QString cellOf(const Side& side, const std::vector<int>& map, int row, int baseCol) const {
        const int c = map[std::size_t(baseCol)];
        return c < 0 ? QString() : side.cell(row, c).toString();
    }

    // Whether the side's row holds the base row's texts in every column both have.
    bool unchanged(const Side& side, const std::vector<int>& map, int row, int baseRow) const {
        for (int b = 0; b < base_.cols; ++b) {
            const int c = map[std::size_t(b)];
            if (c >= 0 && side.cell(row, c) != base_.cell(baseRow, b))
                return false;
        }
        return true;
    }

    int conflict(core::MergeConflict::Kind kind, const Side& side, const std::vector<int>& map,
                 int row, QString column, QString mine, QString theirs) {
        merge_.conflicts_.push_back({kind, cellOf(side, map, row, core::Owner).trimmed(),
                                     cellOf(side, map, row, core::SerialNumber).trimmed(),
                                     std::move(column), std::move(mine), std::move(theirs)});
        return int(merge_.conflicts_.size()) - 1;
    }

    void planOurRows() {
        dropped_.assign(std::size_t(ours_.rows), false);
        for (int o = 0; o < ours_.rows; ++o) {
            const int b = oursRows_.baseOf[std::size_t(o)];
            if (b < 0)
                continue; // added here
            const int t = theirsRows_.sideOf[std::size_t(b)];
            if (t >= 0) {
                mergeCells(o, b, t);
                continue;
            }
            // Deleted in the file: gone here too, unless it was changed here.
            if (unchanged(ours_, oursMap_, o, b)) {
                merge_.removals_.push_back({o});
                dropped_[std::size_t(o)] = true;
            } else {
                merge_.removals_.push_back(
                    {o, conflict(core::MergeConflict::DeletedInFile, ours_, oursMap_, o, {},
                                 rowText(ours_, o), DeletedRow)});
            }
        }
    }

    void mergeCells(int o, int b, int t) {
        for (int col = 0; col < base_.cols; ++col) {
            const int oc = oursMap_[std::size_t(col)];
            const int tc = theirsMap_[std::size_t(col)];
            if (oc < 0 || tc < 0)
                continue; // a column gone on one side: the other side's texts stay as they are
            const QStringView was = base_.cell(b, col);
            const QStringView mine = ours_.cell(o, oc);
            const QStringView theirs = theirs_.cell(t, tc);
            if (theirs == was || theirs == mine)
                continue;
            if (mine == was) {
                merge_.cells_.push_back({o, oc, theirs.toString()});
                continue;
            }
            merge_.cells_.push_back(
                {o, oc, theirs.toString(),
                 conflict(core::MergeConflict::ChangedBoth, ours_, oursMap_, o,
                          model::columnLabel(grid_, oc), mine.toString(), theirs.toString())});
        }
        for (std::size_t i = 0; i < extraColumns_.size(); ++i)
            if (const QStringView text = theirs_.cell(t, extraColumns_[i]); !text.isEmpty())
                merge_.cells_.push_back({o, ours_.cols + int(i), text.toString()});
    }

    // The row of theirs as the grid's columns hold it, their added columns after.
    QList<QString> gridRowOf(int t) const {
        QList<QString> cells(ours_.cols + qsizetype(extraColumns_.size()));
        for (int b = 0; b < base_.cols; ++b) {
            const int oc = oursMap_[std::size_t(b)];
            const int tc = theirsMap_[std::size_t(b)];
            if (oc >= 0 && tc >= 0)
                cells[oc] = theirs_.cell(t, tc).toString();
        }
        for (std::size_t i = 0; i < extraColumns_.size(); ++i)
            cells[ours_.cols + qsizetype(i)] = theirs_.cell(t, extraColumns_[i]).toString();
        return cells;
    }

    // The grid row a row of theirs goes after: that of the nearest row before it in the file
    // that the grid still holds (-1, the top, when there is none).
    int anchorOf(int t) const {
        for (int before = t - 1; before >= 0; --before) {
            const int b = theirsRows_.baseOf[std::size_t(before)];
            if (b < 0)
                continue;
            const int o = oursRows_.sideOf[std::size_t(b)];
            if (o >= 0 && !dropped_[std::size_t(o)])
                return o;
        }
        return -1;
    }

    void planTheirRows() {
        SameRows addedHere(ours_, oursMap_, base_.cols);
        for (int o = 0; o < ours_.rows; ++o)
            if (oursRows_.baseOf[std::size_t(o)] < 0)
                addedHere.add(o);
        for (int t = 0; t < theirs_.rows; ++t) {
            const int b = theirsRows_.baseOf[std::size_t(t)];
            int conflictIndex = -1;
            if (b < 0) {
                // Added there; the same row added here too is kept once.
                if (addedHere.take(theirs_, theirsMap_, t))
                    continue;
            } else {
                if (oursRows_.sideOf[std::size_t(b)] >= 0)
                    continue; // on both sides: merged cell by cell
                // Deleted here: it stays deleted, unless it was changed there.
                if (unchanged(theirs_, theirsMap_, t, b))
                    continue;
                conflictIndex = conflict(core::MergeConflict::DeletedHere, theirs_, theirsMap_, t,
                                         {}, DeletedRow, rowText(theirs_, t));
            }
            merge_.inserts_.push_back({anchorOf(t), gridRowOf(t), conflictIndex});
        }
        std::stable_sort(merge_.inserts_.begin(), merge_.inserts_.end(),
                         [](const auto& a, const auto& b) { return a.after < b.after; });
    }

    JournalMerge& merge_;
    const Side& base_;
    const Side& theirs_;
    const Side& ours_;
    const model::GridModel& grid_;
    std::vector<int> oursMap_;
    std::vector<int> theirsMap_;
    RowMatch oursRows_;
    RowMatch theirsRows_;
    std::vector<int> extraColumns_; // theirs
    std::vector<bool> dropped_;     // ours rows the file deleted
};

JournalMerge::JournalMerge(const QList<QStringList>& base, const QList<QStringList>& theirs,
                           const model::GridModel& ours) {
    const QList<QStringList>& ourRows = ours.dataRows();
    const QStringList& ourHeader = ours.captions();
    const Side baseSide{&base, nullptr, int(base.size()),
                        std::min(colsOf(base), core::FileColumns)};
    const Side theirSide{&theirs, nullptr, int(theirs.size()), colsOf(theirs)};
    const Side ourSide{&ourRows, &ourHeader, ours.rowCount(), ours.columnCount()};
    MergePlanner(*this, baseSide, theirSide, ourSide, ours).plan();
}

JournalMerge::Counts JournalMerge::counts(const std::vector<bool>& takeTheirs) const {
    const auto taken = [&](const auto& edits) {
        return int(std::count_if(edits.begin(), edits.end(), [&](const auto& edit) {
            return chosen(edit.conflict, takeTheirs);
        }));
    };
    return {taken(inserts_), taken(cells_), taken(removals_), addedColumns_};
}

void JournalMerge::apply(model::GridModel& grid, const std::vector<bool>& takeTheirs) const {
    if (addedColumns_ > 0)
        grid.setColumnCount(grid.columnCount() + addedColumns_);
    for (const CellEdit& edit : cells_)
        if (chosen(edit.conflict, takeTheirs))
            grid.setText(edit.row, edit.col, edit.text);
    // From the bottom up, so that the rows above keep their numbers: the rows that go after a
    // row first, then that row's removal.
    auto insert = inserts_.rbegin();
    auto removal = removals_.rbegin();
    for (int row = grid.rowCount() - 1; row >= -1; --row) {
        std::vector<const RowInsert*> going;
        for (; insert != inserts_.rend() && insert->after == row; ++insert)
            if (chosen(insert->conflict, takeTheirs))
                going.push_back(&*insert);
        if (!going.empty()) {
            QList<QString> block;
            block.reserve(qsizetype(going.size()) * grid.columnCount());
            for (auto each = going.rbegin(); each != going.rend(); ++each)
                block += (*each)->cells;
            grid.insertRowTexts(row + 1, int(going.size()), block);
        }
        if (removal != removals_.rend() && removal->row == row) {
            if (chosen(removal->conflict, takeTheirs))
                grid.removeRows(row, 1);
            ++removal;
        }
    }
}

} // namespace journal
