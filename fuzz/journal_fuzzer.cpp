// Feeds arbitrary bytes to the journal reader, fills a grid with what it read as opening a file
// does, runs the block-date pass, writes the grid and reads the result back, checking at each
// step what the program promises about files. A broken promise aborts: libFuzzer keeps the input.

#include "core/celltext.h"
#include "core/journalcharset.h"
#include "core/journalcolumns.h"
#include "core/journaldates.h"
#include "core/journalformat.h"
#include "core/prompter.h"
#include "journal/blockdates.h"
#include "journal/journalgrid.h"
#include "journal/unstorablecells.h"
#include "model/blockcolumns.h"
#include "model/gridmodel.h"
#include "model/registerstate.h"
#include "promise.h"

#include <QPoint>
#include <cstdint>

namespace {

bool isStructural(QChar c) {
    return c == u';' || c == u'\r' || c == u'\n' || c == QChar(0);
}

// What the reader hands over: a rectangular table within the limits, whose cells hold no part
// of the file's structure (but for the ";" and line ends of quoted fields) and no NUL, each row
// short enough to have been one line.
void checkTable(const core::ReadResult& result) {
    const core::CellTable& table = result.table;
    PROMISE(table.cols() >= core::FileColumns);
    PROMISE(qsizetype(table.rows()) * table.cols() * 6 <= core::readerMemoryBudget());
    for (int c = 0; c < table.cols(); ++c)
        PROMISE(table.column(c).rows() == table.rows());
    for (int r = 0; r < table.rows(); ++r) {
        qsizetype length = 0;
        for (int c = 0; c < table.cols(); ++c) {
            const core::CellChars chars(table.cell(r, c));
            const QStringView cell = chars.view();
            length += cell.size();
            // Kept a byte a character exactly when every character has a Windows-1251 byte.
            PROMISE(table.cell(r, c).isWide() != core::hasWindows1251Bytes(cell));
            for (QChar ch : cell)
                PROMISE(!isStructural(ch) || (result.quoted && ch != QChar(0)));
            // Windows-1251 text is made of the characters a file can hold.
            if (result.encoding == core::TextEncoding::Windows1251)
                for (QChar ch : cell)
                    PROMISE(core::canHold(ch) || (result.quoted && isStructural(ch)));
        }
        PROMISE(length <= core::MaxLineLength);
    }
}

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
    const int rows = grid.rows();
    const int cols = grid.cols();
    QList<QPoint> changed;
    const QMetaObject::Connection watch = QObject::connect(
        &grid, &model::GridModel::dataChanged, [&](const QModelIndex& from, const QModelIndex& to) {
            for (int r = from.row(); r <= to.row(); ++r)
                for (int c = from.column(); c <= to.column(); ++c)
                    changed << QPoint(r + 1, c);
        });
    journal::fillBlockDates(grid);
    QObject::disconnect(watch);
    PROMISE(grid.rows() == rows && grid.cols() == cols);
    PROMISE(blockColumnsOf(grid) == columns);
    if (!columns) {
        PROMISE(changed.isEmpty());
        return;
    }
    for (const QPoint& cell : changed)
        PROMISE(cell.y() == columns->block);
    for (int r = 1; r < rows; ++r) {
        const core::CellChars activationChars(grid.cell(r, columns->activation));
        const QStringView activation = activationChars.view();
        if (activation.isEmpty())
            break;
        const std::optional<QDate> date = core::readDate(activation);
        const QDate block = date ? core::blockDateFor(*date) : QDate();
        const QString expected =
            block.isValid() && block.year() <= 9999 ? core::formatDate(block) : QString();
        PROMISE(grid.cell(r, columns->block) == expected);
    }
}

// The register's state, kept beside the grid through its changes, says what a pass over the grid
// says: the same column, counts and reason for no block dates.
void checkRegisterState(const model::GridModel& grid, const model::RegisterState& state) {
    const model::BlockJudgement fresh(grid, state.today());
    PROMISE(fresh.blockColumn() == state.blocks().blockColumn());
    PROMISE(fresh.counts() == state.blocks().counts());
}

QStringView lineOf(QStringView text, qsizetype& pos) {
    const qsizetype end = text.indexOf(u"\r\n", pos);
    const QStringView line = text.sliced(pos, (end < 0 ? text.size() : end) - pos);
    pos = end < 0 ? text.size() : end + 2;
    return line;
}

// A grid the save check lets through is written as one line of eight ";"-ended fields per data
// row (fewer ";" only in a line that eight would take past the limit, which is then filled up to
// it), no line longer than the reader accepts, and reads back as the same columns 0 .. 7.
void checkWriteAndReadBack(const model::GridModel& grid, bool windows1251Read) {
    const std::optional<core::CellPosition> unwritable = core::findUnwritableCell(grid.allCells());
    const std::optional<int> overlong = core::findOverlongRow(grid.allCells());
    // Whatever was read as Windows-1251 can be written again.
    if (windows1251Read)
        PROMISE(!unwritable);
    if (unwritable)
        return;

    const QByteArray written = core::writeJournal(grid.allCells());
    // Lines are measured in characters, as the reader measures them.
    const core::TextEncoding encoding = core::detectEncoding(written);
    const QString text =
        core::decodeText(encoding == core::TextEncoding::Utf8 ? core::withoutByteOrderMark(written)
                                                              : QByteArrayView(written),
                         encoding);
    qsizetype pos = 0;
    int lines = 0;
    std::optional<int> firstLongLine;
    while (pos < text.size()) {
        const QStringView line = lineOf(text, pos);
        ++lines;
        const qsizetype separators = line.count(u';');
        PROMISE(separators == core::FileColumns
                    ? line.endsWith(u';')
                    : separators < core::FileColumns && line.size() >= core::MaxLineLength);
        if (line.size() > core::MaxLineLength && !firstLongLine)
            firstLongLine = lines;
    }
    PROMISE(lines == grid.rows() - 1);
    // The save check names exactly the row whose line the reader would refuse.
    PROMISE(overlong == firstLongLine);
    if (overlong)
        return;

    core::ReadResult reread = core::readJournal(written);
    // What the save check lets through is read back unless the memory runs out, and never
    // unquoted, whatever its cells hold.
    PROMISE(reread.ok() || reread.fault->kind == core::ReadFault::OutOfMemory);
    PROMISE(!reread.quoted && reread.unclosedQuoteLines.empty());
    if (!reread.ok())
        return;
    PROMISE(reread.droppedNulBytes == 0);
    PROMISE(reread.table.rows() == grid.rows() - 1);
    PROMISE(reread.table.cols() == core::FileColumns);
    for (int r = 1; r < grid.rows(); ++r)
        for (int c = 0; c < core::FileColumns; ++c)
            PROMISE(reread.table.cell(r - 1, c) ==
                    (c < grid.cols() ? grid.cell(r, c) : core::CellText()));

    // A second save of what was read back writes the same bytes.
    model::GridModel again;
    journal::resetJournalGrid(again);
    journal::showJournalTable(again, std::move(reread.table), false);
    PROMISE(core::writeJournal(again.allCells()) == written);
}

// A grid made of the input, thick with quotes (which the bytes 0x02 .. 0x1F and the ones a cell
// cannot hold become), 0x00 ending a cell and 0x01 a row: written and read back, it gives the
// same cells, never unquoted.
void checkQuotesNeverUnquoted(QByteArrayView bytes) {
    model::GridModel grid;
    journal::resetJournalGrid(grid);
    int row = 1;
    int col = 0;
    QString cell;
    const auto store = [&] {
        if (col < core::FileColumns)
            grid.setTextMatrix(row, col, cell);
        cell.clear();
    };
    for (const char byte : bytes) {
        const auto b = static_cast<unsigned char>(byte);
        if (b == 0 || b == 1) {
            store();
            col = b == 0 ? col + 1 : 0;
            if (b == 1 && row < 200)
                grid.setRows(++row + 1);
        } else {
            const QChar c = core::decodeWindows1251(QByteArrayView(&byte, 1)).front();
            cell += b < 0x20 || !core::canHold(c) ? QChar(u'"') : c;
        }
    }
    store();
    if (core::findOverlongRow(grid.allCells()))
        return;
    checkWriteAndReadBack(grid, true);
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

    // Bytes read as Windows-1251 come back byte for byte.
    if (core::detectEncoding(bytes) == core::TextEncoding::Windows1251)
        PROMISE(core::encodeWindows1251(core::decodeWindows1251(bytes)) == bytes);

    core::ReadResult result = core::readJournal(bytes);
    checkTable(result);
    if (result.encoding != core::TextEncoding::Utf16)
        PROMISE(result.droppedNulBytes == bytes.count('\0'));
    const bool windows1251Read =
        result.encoding == core::TextEncoding::Windows1251 && !result.quoted;
    const bool quoted = result.quoted;

    // Filled as opening a file fills the grid: on a refused line, an empty row below the rows read.
    model::GridModel grid;
    journal::resetJournalGrid(grid);
    const bool ok = result.ok();
    const int tableRows = result.table.rows();
    const int tableCols = result.table.cols();
    journal::showJournalTable(grid, std::move(result.table), !ok);
    PROMISE(grid.rows() == 1 + tableRows + (ok ? 0 : 1));
    PROMISE(grid.cols() == tableCols);
    PROMISE(grid.cell(0, core::BlockDate).trimmed() == core::BlockDateHeader);
    // A journal read whole, whose text the file can hold, can be saved as it was read.
    if (ok && !core::findUnwritableCell(grid.allCells()))
        PROMISE(!core::findOverlongRow(grid.allCells()));

    const model::RegisterState state(grid, QDate(2010, 6, 15));
    checkBlockDates(grid);
    checkRegisterState(grid, state);
    checkWriteAndReadBack(grid, windows1251Read);
    // The ";" and line ends of quoted fields, once replaced, are gone, and the grid saves.
    if (quoted) {
        Agreeing agreeing;
        PROMISE(journal::settleUnstorableCells(grid, agreeing));
        PROMISE(journal::unstorableCells(grid).empty());
        checkWriteAndReadBack(grid, result.encoding == core::TextEncoding::Windows1251);
    }
    checkQuotesNeverUnquoted(bytes);

    // Then edited, sorted and rearranged as the input's first bytes say, and written and read
    // back again: the cell storage keeps every text through appends, reorders and compaction.
    if (grid.rows() > 1 && bytes.size() >= 4) {
        const auto at = [&](int i) { return static_cast<unsigned char>(bytes[i]); };
        const int row = 1 + at(0) % (grid.rows() - 1);
        const int col = at(1) % grid.cols();
        // A cell from elsewhere in the grid, taken from the table itself, grown a little.
        const QString moved = grid.textMatrix(1 + at(2) % (grid.rows() - 1), at(3) % grid.cols());
        for (int i = 0; i < 3; ++i)
            grid.setTextMatrix(row, col, moved + QString::number(i));
        PROMISE(grid.textMatrix(row, col) == moved + QStringLiteral("2"));
        grid.setCurrentCell(row, col);
        grid.setSort(1);
        grid.setColPosition(col, at(2) % grid.cols());
        grid.removeItem(row);
        checkRegisterState(grid, state);
        checkWriteAndReadBack(grid, windows1251Read);
    }
    return 0;
}
