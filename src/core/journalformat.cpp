#include "core/journalformat.h"

#include "core/fingerprint.h"
#include "core/foldertree.h"
#include "core/journalcharset.h"
#include "core/journaltext.h"
#include "core/memory.h"

#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

namespace core {

namespace {

// Fills the table with the lines the walk hands it; the walk has checked each against the line
// limit and the memory budget before any of its cells is stored.
class TableFiller final : public LineSink {
public:
    // `lines`: how many lines the text has, so that the row entries are reserved in one piece (a
    // growing vector would copy them and briefly hold them twice).
    TableFiller(TextEncoding encoding, qsizetype memoryBudget, qsizetype lines, ReadResult& result)
        : encoding_(encoding), budget_(memoryBudget), result_(result) {
        expectedRows_ =
            int(std::min<qsizetype>(lines + 1, budget_ / (CellEntryBytes * FileColumns) + 1));
        result_.table.resize(0, FileColumns);
        result_.table.reserveRows(expectedRows_);
    }

    bool take(const JournalLine& line) override {
        CellTable& table = result_.table;
        const int cols = std::max(table.cols(), line.fields);
        if (cols > table.cols()) {
            const int first = table.cols();
            table.insertColumns(first, cols - first);
            // Reserved only while the whole file's rows would fit; a few wide lines atop a long
            // file may well stop the reading before its end.
            if (qsizetype(expectedRows_) * cols * CellEntryBytes <= budget_)
                for (int c = first; c < cols; ++c)
                    table.column(c).reserve(expectedRows_);
        }
        // Each field is appended to its column, decoded on its own.
        line.forEachCell([this](int col, QByteArrayView piece) { appendCell(col, piece); });
        result_.lastLineFields = line.fields;
        for (int c = line.fields; c < cols; ++c)
            table.column(c).appendEmpty(1);
        table.rowAppended();
        // The first rows tell how much text the columns will hold.
        if (table.rows() == SampledRows)
            for (int c = 0; c < table.cols(); ++c)
                table.column(c).expectRows(expectedRows_);
        return true;
    }

private:
    static constexpr int SampledRows = 256;

    void appendCell(int col, QByteArrayView piece) {
        TextColumn& column = result_.table.column(col);
        if (encoding_ == TextEncoding::Windows1251)
            column.appendWindows1251(piece);
        else
            column.append(QString::fromUtf8(piece));
    }

    TextEncoding encoding_;
    qsizetype budget_;
    ReadResult& result_;
    int expectedRows_ = 0;
};

// The table of the text the pieces give, after the first pass told its encoding and lines; false
// when the pieces could not be read.
bool fillTable(const Pieces& pieces, const TextScan& scan, qsizetype memoryBudget,
               ReadResult& result) {
    result.encoding = scan.encoding;
    result.droppedNulBytes = scan.nulBytes;
    TableFiller filler(scan.cellEncoding(), memoryBudget, scan.lines, result);
    const LineWalk walk = walkLines(pieces, scan, memoryBudget, filler);
    if (!walk.read)
        return false;
    result.fault = walk.fault;
    result.quoted = scan.quoting.quoted;
    result.separator = scan.separator;
    result.unclosedQuoteLines = walk.unclosedQuoteLines;
    if (result.fault)
        result.totalLines = scan.lines;
    result.rows = rowsOf(result.table);
    return true;
}

// The text of the cell at (row, col) as written: empty when the grid lacks the column.
CellText writtenCell(const CellTable& grid, int row, int col) {
    return col < grid.cols() ? grid.cell(row, col) : CellText();
}

int writtenColumns(const CellTable& grid) {
    return std::min(grid.cols(), FileColumns);
}

// The ";" after a data row's cells, whose text is `text` characters long. Each of its eight cells
// is followed by one, unless the line would then be longer than the reader accepts: then only as
// many as fit, since the reader fills a short line with empty cells. Never fewer than its last
// non-empty cell needs before it, though; a line that still does not fit is too long
// (findOverlongRow).
int writtenSeparators(const CellTable& grid, int row, qsizetype text) {
    if (text + FileColumns <= MaxLineLength)
        return FileColumns;
    int needed = 0;
    for (int c = 1; c < writtenColumns(grid); ++c)
        if (!grid.cell(row, c).isEmpty())
            needed = c;
    return int(std::clamp<qsizetype>(MaxLineLength - text, needed, FileColumns));
}

} // namespace

qsizetype readerMemoryBudget() {
#ifdef EKLZ_FUZZ_MEMORY_BUDGET
    return EKLZ_FUZZ_MEMORY_BUDGET;
#else
    return availableMemory();
#endif
}

ReadResult readJournal(const QByteArray& bytes, qsizetype memoryBudget) {
    ReadResult result;
    const Pieces pieces = bytePieces(bytes);
    const std::optional<TextScan> scan = scanText(pieces, true);
    // Bytes in memory are always read.
    if (scan)
        fillTable(pieces, *scan, memoryBudget, result);
    return result;
}

std::optional<qsizetype> countJournalRows(QFile& file) {
    const std::optional<TextScan> scan = scanText(filePieces(file), true);
    if (!scan)
        return std::nullopt;
    // Quoted line ends join lines into one row.
    if (scan->encoding != TextEncoding::Utf16 && scan->nulBytes == 0 && !scan->quoting.quoted)
        return scan->lines;
    const std::optional<FileRead> read = readJournalFile(file);
    if (!read)
        return std::nullopt;
    return qsizetype(read->result.fault ? read->result.totalLines : read->result.table.rows());
}

std::optional<FileRead> readJournalFile(const QString& path, qsizetype memoryBudget) {
    const QFileInfo info(path);
    const Opened opened = FolderTree(info.absolutePath()).openForReading(info.absoluteFilePath());
    QFile file;
    if (!opened.ok() ||
        !file.open(opened.handle.fd(), QIODevice::ReadOnly, QFileDevice::DontCloseHandle))
        return std::nullopt;
    return readJournalFile(file, memoryBudget);
}

std::optional<FileRead> readJournalFile(QFile& file, qsizetype memoryBudget, bool keepBytes) {
    // The first pass also takes the fingerprint of the file's bytes.
    const Pieces pieces = filePieces(file);
    Fingerprint fingerprint;
    FileRead read;
    if (keepBytes)
        read.bytes.reserve(qsizetype(file.size()));
    const std::optional<TextScan> scan = scanText(pieces, true, [&](QByteArrayView bytes) {
        fingerprint.add(bytes);
        if (keepBytes)
            read.bytes.append(bytes);
        return true;
    });
    if (!scan)
        return std::nullopt;
    read.fingerprint = fingerprint.value();
    if (!fillTable(pieces, *scan, memoryBudget, read.result))
        return std::nullopt;
    return read;
}

namespace {

// Collects written lines and hands them on in pieces of FilePieceBytes, the last one shorter.
class PieceOutput {
public:
    explicit PieceOutput(PutPiece put) : put_(std::move(put)) {}

    // Room for `bytes` more bytes at the end of what is pending.
    char* reserve(qsizetype bytes) {
        if (pending_.size() < used_ + bytes)
            pending_.resize(std::max(used_ + bytes, FilePieceBytes + FilePieceBytes / 2));
        return pending_.data() + used_;
    }
    // The bytes up to `end` (within what reserve() gave) are written; full pieces go on.
    bool wrote(const char* end) {
        used_ = end - pending_.constData();
        qsizetype at = 0;
        while (used_ - at >= FilePieceBytes) {
            if (!put_(QByteArrayView(pending_.constData() + at, FilePieceBytes)))
                return false;
            at += FilePieceBytes;
        }
        if (at > 0) {
            std::memmove(pending_.data(), pending_.constData() + at, size_t(used_ - at));
            used_ -= at;
        }
        return true;
    }
    bool finish() { return used_ == 0 || put_(QByteArrayView(pending_.constData(), used_)); }

private:
    PutPiece put_;
    QByteArray pending_;
    qsizetype used_ = 0;
};

// The data row as its file line in Windows-1251, CR LF included, from `out` on; its end.
char* writeLine(const CellTable& grid, int row, char* out) {
    char* const line = out;
    for (int c = 0; c < FileColumns; ++c) {
        out = writeWindows1251(writtenCell(grid, row, c), out);
        *out++ = ';';
    }
    if (out - line > MaxLineLength)
        out -= FileColumns - writtenSeparators(grid, row, out - line - FileColumns);
    *out++ = '\r';
    *out++ = '\n';
    return out;
}

// The longest the row's line can be in Windows-1251 bytes, before its ";" beyond the limit go.
qsizetype lineBound(const CellTable& grid, int row) {
    qsizetype text = 0;
    for (int c = 0; c < writtenColumns(grid); ++c)
        text += grid.cell(row, c).size();
    return text + FileColumns + 2;
}

} // namespace

bool writeJournalInPieces(const CellTable& grid, const PutPiece& put, const Restart& restart) {
    const int rows = std::max(grid.rows(), 1);
    EncodingScan encoding;
    bool utf16LookAlike = false;
    {
        PieceOutput output([&](QByteArrayView piece) {
            encoding.add(piece);
            return put(piece);
        });
        for (int r = 1; r < rows; ++r) {
            char* const start = output.reserve(lineBound(grid, r));
            char* const end = writeLine(grid, r, start);
            if (r == 1)
                utf16LookAlike = QByteArrayView(start, end - start).startsWith("\xFF\xFE") ||
                                 QByteArrayView(start, end - start).startsWith("\xFE\xFF");
            if (!output.wrote(end))
                return false;
        }
        if (!output.finish())
            return false;
    }
    // The rare journal whose Windows-1251 bytes would read back as UTF-8 with Cyrillic letters
    // (only capitals Р С Т У each followed by a sign such as "ё" or "№", and no other Cyrillic),
    // or as UTF-16 (a first cell starting "яю" or "юя"), is written as UTF-8 with a byte-order
    // mark instead, which reads back as it was. It is known only at the end: written again.
    if (encoding.result() != TextEncoding::Utf8 && !utf16LookAlike)
        return true;
    if (!restart())
        return false;
    PieceOutput output(put);
    char* const mark = output.reserve(Utf8ByteOrderMark.size());
    std::memcpy(mark, Utf8ByteOrderMark.data(), size_t(Utf8ByteOrderMark.size()));
    if (!output.wrote(mark + Utf8ByteOrderMark.size()))
        return false;
    QByteArray line;
    for (int r = 1; r < rows; ++r) {
        line.resize(lineBound(grid, r));
        line.truncate(writeLine(grid, r, line.data()) - line.constData());
        const QByteArray utf8 = decodeWindows1251(line).toUtf8();
        char* const start = output.reserve(utf8.size());
        std::memcpy(start, utf8.constData(), size_t(utf8.size()));
        if (!output.wrote(start + utf8.size()))
            return false;
    }
    return output.finish();
}

QByteArray writeJournal(const CellTable& grid) {
    qsizetype length = 0;
    for (int r = 1; r < grid.rows(); ++r)
        length += lineBound(grid, r);
    QByteArray bytes;
    bytes.reserve(length);
    writeJournalInPieces(
        grid,
        [&](QByteArrayView piece) {
            bytes.append(piece);
            return true;
        },
        [&] {
            bytes.clear();
            return true;
        });
    return bytes;
}

std::optional<CellPosition> findUnwritableCell(const CellTable& grid) {
    const int cols = writtenColumns(grid);
    // Column by column, as the texts lie in memory; the first such cell row by row is wanted.
    std::optional<CellPosition> first;
    for (int c = 0; c < cols; ++c) {
        const int rows = first ? first->row : grid.rows();
        for (int r = 1; r < rows; ++r)
            if (indexOfUnwritable(grid.cell(r, c)) >= 0) {
                first = CellPosition{r, c};
                break;
            }
    }
    return first;
}

std::optional<int> findOverlongRow(const CellTable& grid) {
    const int cols = writtenColumns(grid);
    for (int r = 1; r < grid.rows(); ++r) {
        qsizetype text = 0;
        for (int c = 0; c < cols; ++c)
            text += grid.cell(r, c).size();
        if (text + FileColumns > MaxLineLength &&
            text + writtenSeparators(grid, r, text) > MaxLineLength)
            return r;
    }
    return std::nullopt;
}

CellTable tableOf(const QList<QStringList>& rows) {
    CellTable table(int(rows.size()) + 1, rows.isEmpty() ? FileColumns : int(rows[0].size()));
    for (int r = 0; r < rows.size(); ++r)
        for (int c = 0; c < rows[r].size(); ++c)
            table.setCell(r + 1, c, rows[r][c]);
    return table;
}

QList<QStringList> rowsOf(const CellTable& table) {
    QList<QStringList> rows;
    for (int r = 0; r < table.rows(); ++r) {
        QStringList row;
        for (int c = 0; c < table.cols(); ++c)
            row.append(table.cell(r, c).toString());
        rows.append(row);
    }
    return rows;
}

QByteArray writeJournal(const QList<QStringList>& rows) {
    return writeJournal(tableOf(rows));
}

std::optional<CellPosition> findUnwritableCell(const QList<QStringList>& rows) {
    std::optional<CellPosition> found = findUnwritableCell(tableOf(rows));
    if (found)
        found->row -= 1;
    return found;
}

std::optional<int> findOverlongRow(const QList<QStringList>& rows) {
    std::optional<int> found = findOverlongRow(tableOf(rows));
    if (found)
        *found -= 1;
    return found;
}

} // namespace core
