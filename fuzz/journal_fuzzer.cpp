// Feeds arbitrary bytes to the journal reader, fills a grid with what it read as opening a file
// does, runs the block-date pass, edits the grid, writes it and reads the result back, checking at
// each step what the program promises. A broken promise aborts: libFuzzer keeps the input. The
// reader and writer alone: reader_fuzzer.

#include "core/journalcharset.h"
#include "core/journalcolumns.h"
#include "core/journaldates.h"
#include "core/journalformat.h"
#include "core/prompter.h"
#include "journal/journalgrid.h"
#include "journal/unstorablecells.h"
#include "journalchecks.h"
#include "model/blockjudgement.h"
#include "model/gridmodel.h"
#include "model/registerstate.h"
#include "promise.h"

#include <QPoint>
#include <cstdint>

namespace {

// The block-date pass changes nothing when the cells of the rows it reaches do not bear out the
// two captioned columns; otherwise it changes the block-date column only, and there writes, down
// to the first empty activation date, the first day of the month that holds the day 426 days
// after activation (worked out here with QDate), or nothing for a text that is not a date or a
// block date past the year 9999, and its columns are still borne out after it (so that the
// register's state, which decides as it does, agrees with the grid it left). Only the cells the
// grid reports changed are compared.
std::optional<model::BlockColumns> blockColumnsOf(const model::GridModel& grid) {
    const model::BlockJudgement judged(grid, {});
    if (!judged.blockColumn())
        return std::nullopt;
    return model::BlockColumns{*judged.activationColumn(), *judged.blockColumn()};
}

void checkBlockDates(model::GridModel& grid) {
    const std::optional<model::BlockColumns> columns = blockColumnsOf(grid);
    const int rows = grid.rowCount();
    const int cols = grid.columnCount();
    QList<QPoint> changed;
    const QMetaObject::Connection watch = QObject::connect(
        &grid, &model::GridModel::dataChanged, [&](const QModelIndex& from, const QModelIndex& to) {
            for (int r = from.row(); r <= to.row(); ++r)
                for (int c = from.column(); c <= to.column(); ++c)
                    changed << QPoint(r, c);
        });
    journal::fillBlockDates(grid);
    QObject::disconnect(watch);
    PROMISE(grid.rowCount() == rows && grid.columnCount() == cols);
    PROMISE(blockColumnsOf(grid) == columns);
    if (!columns) {
        PROMISE(changed.isEmpty());
        return;
    }
    for (const QPoint& cell : changed)
        PROMISE(cell.y() == columns->block);
    for (int r = 0; r < rows; ++r) {
        const QString activation = grid.text(r, columns->activation);
        if (activation.isEmpty())
            break;
        const std::optional<QDate> date = core::readDate(activation);
        const QDate block = date ? core::blockDateFor(*date) : QDate();
        const QString expected =
            block.isValid() && block.year() <= 9999 ? core::formatDate(block) : QString();
        PROMISE(grid.text(r, columns->block) == expected);
    }
}

// The register's state, kept beside the grid through its changes, says what a pass over the grid
// says: the same column, counts and reason for no block dates.
void checkRegisterState(const model::GridModel& grid, const model::RegisterState& state) {
    const model::BlockJudgement fresh(grid, state.today());
    PROMISE(fresh.blockColumn() == state.blocks().blockColumn());
    PROMISE(fresh.counts() == state.blocks().counts());
}

// Answers "Да".
class Agreeing final : public core::Prompter {
public:
    QString inputBox(const QString&, const QString&) override { return {}; }
    void message(const QString&) override {}
    bool question(const QString&) override { return true; }
    KeepChanges askToKeepChanges(const QString&) override { return KeepChanges::Save; }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));

    core::ReadResult result = core::readJournal(bytes);
    const bool windows1251Read = fuzz::readAsWritten(result);
    const bool quoted = result.quoted;

    // Filled as opening a file fills the grid: on a refused line, an empty row below the rows read.
    model::GridModel grid;
    journal::resetJournalGrid(grid);
    const bool ok = result.ok();
    const int rows = int(result.rows.size());
    const int cols = rows > 0 ? int(result.rows.first().size()) : core::FileColumns;
    journal::showJournalTable(grid, std::move(result.rows), !ok);
    PROMISE(grid.rowCount() == rows + (ok ? 0 : 1));
    PROMISE(grid.columnCount() == cols);
    PROMISE(grid.caption(core::BlockDate).trimmed() == core::BlockDateHeader);

    const model::RegisterState state(grid, QDate(2010, 6, 15));
    checkBlockDates(grid);
    checkRegisterState(grid, state);
    fuzz::checkWriteAndReadBack(grid.dataRows(), windows1251Read);
    // The ";" and line ends of quoted fields, once replaced, are gone, and the grid saves.
    if (quoted) {
        Agreeing agreeing;
        PROMISE(journal::settleUnstorableCells(grid, agreeing));
        PROMISE(journal::unstorableCells(grid).empty());
        fuzz::checkWriteAndReadBack(grid.dataRows(),
                                    result.encoding == core::TextEncoding::Windows1251);
    }

    // Then edited, sorted and rearranged as the input's first bytes say, and written and read
    // back again: the grid keeps every text through edits and reorders.
    if (grid.rowCount() > 0 && bytes.size() >= 4) {
        const auto at = [&](int i) { return static_cast<unsigned char>(bytes[i]); };
        const int row = at(0) % grid.rowCount();
        const int col = at(1) % grid.columnCount();
        // A cell from elsewhere in the grid, taken from the table itself, grown a little.
        const QString moved = grid.text(at(2) % grid.rowCount(), at(3) % grid.columnCount());
        for (int i = 0; i < 3; ++i)
            grid.setText(row, col, moved + QString::number(i));
        PROMISE(grid.text(row, col) == moved + QStringLiteral("2"));
        grid.sort(col);
        grid.moveColumnTo(col, at(2) % grid.columnCount());
        grid.removeRows(row, 1);
        checkRegisterState(grid, state);
        fuzz::checkWriteAndReadBack(grid.dataRows(), windows1251Read);
    }
    return 0;
}
