#pragma once

#include "core/journalformat.h"

#include <QString>
#include <optional>

namespace model {
class BlockJudgement;
class GridModel;
} // namespace model

namespace journal {

// Putting a journal read from a file into the grid, and the block dates an opening fills.

// The block-date pass: fills the "Дата блок." column from the "Дата актив." column, both found by
// their captions and confirmed by the cells of the rows it reaches (model::BlockJudgement), for
// each data row from the top down to the first row with an empty activation date. A row whose
// activation text is not a date gets an empty block date. Writes nothing when it cannot be sure
// of the two columns (the judgement's `unfilledReason` says why). Cells that already hold the right
// text are left alone.
void fillBlockDates(model::GridModel& grid);
// The same pass by a judgement of the grid as it stands (a model::RegisterState's, kept from
// click to click).
void fillBlockDates(model::GridModel& grid, const model::BlockJudgement& judgement);

// The grid as before any reading: eight columns, the header row and one empty data row, the
// journal header format assigned to the grid.
void resetJournalGrid(model::GridModel& grid);
// Replaces the data rows of a reset grid with these rows in one step, the header texts kept;
// with emptyRowBelow one empty row follows them.
void showJournalTable(model::GridModel& grid, QList<QStringList> rows, bool emptyRowBelow);

// The data rows of a journal read from a file as an opening shows them: with the block dates the
// pass fills. A merge compares the grid with its base and with the other side in this form, so
// that a block date the program filled on every side is no one's change.
QList<QStringList> asOpened(QList<QStringList> rows);

// Reads the journal file at `path` (any file the user names) into the reset grid and fills its
// block dates, as an opening does, for work without the window. None when it was read whole;
// else why not, and the grid holds the rows read before the fault, if any.
std::optional<QString> readJournalIntoGrid(model::GridModel& grid, const QString& path);

} // namespace journal
