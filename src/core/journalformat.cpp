#include "core/journalformat.h"

#include "core/journalcharset.h"
#include "core/prefetch.h"

#include <algorithm>
#include <vector>

namespace journal {

namespace {

// A line of the file without its line end: bytes [start, end).
struct LineSpan {
    qsizetype start = 0;
    qsizetype end = 0;
};

// How much of the file the table takes: the lines before the first one refused, and the widest
// of them. Measured before any cell is made, so the cells are laid out once.
struct Extent {
    std::vector<LineSpan> lines;
    int cols = FileColumns;
    std::optional<ReadFault> fault;
};

// One scan over the bytes (";", CR and LF are the same bytes in both encodings): CR LF, CR and
// LF each end a line, every ";" ends a cell and text after the last one is a cell of its own.
Extent measure(QByteArrayView bytes, TextEncoding encoding) {
    Extent extent;
    const auto* const data = reinterpret_cast<const unsigned char*>(bytes.data());
    const qsizetype size = bytes.size();
    // Reserved in one piece (bench/RESULTS.md: a growing list cost a page fault per read).
    extent.lines.reserve(
        std::max(std::count(data, data + size, '\n'), std::count(data, data + size, '\r')) + 1);
    for (qsizetype pos = 0; pos < size;) {
        qsizetype semicolons = 0;
        qsizetype i = pos;
        // Branches only on a control character (bench/RESULTS.md).
        for (; i < size; ++i) {
            const unsigned char c = data[i];
            if (c <= '\r' && (c == '\r' || c == '\n'))
                break;
            semicolons += c == ';' ? 1 : 0;
        }
        const int lineNumber = int(extent.lines.size()) + 1;
        if (decodedLength(bytes.sliced(pos, i - pos), encoding) > MaxLineLength) {
            extent.fault = ReadFault{lineNumber, ReadFault::LineTooLong};
            break;
        }
        // Within the limit a line has at most MaxLineLength + 1 fields.
        const bool openLastCell = i > pos && data[i - 1] != ';';
        const int cols = std::max(extent.cols, int(semicolons) + (openLastCell ? 1 : 0));
        if (qsizetype(lineNumber) * cols > MaxCells) {
            extent.fault = ReadFault{lineNumber, ReadFault::TooManyCells};
            break;
        }
        extent.lines.push_back({pos, i});
        extent.cols = cols;
        pos = i + 1 < size && data[i] == '\r' && data[i + 1] == '\n' ? i + 2 : i + 1;
    }
    return extent;
}

// Lines as the reader counts them: CR LF, CR and LF each end one; a last line without an end
// counts too.
qsizetype lineCount(QByteArrayView bytes) {
    qsizetype lines = 0;
    const qsizetype size = bytes.size();
    for (qsizetype i = 0; i < size; ++i) {
        if (bytes[i] == '\n' || (bytes[i] == '\r' && (i + 1 == size || bytes[i + 1] != '\n')))
            ++lines;
    }
    const char last = size > 0 ? bytes[size - 1] : '\n';
    return lines + (last != '\n' && last != '\r' ? 1 : 0);
}

// Fills the cells of a row from one line, each decoded on its own; returns the field count.
int fillRow(QByteArrayView bytes, LineSpan line, TextEncoding encoding, QString* row) {
    const char* const data = bytes.data();
    int col = 0;
    qsizetype pieceStart = line.start;
    for (qsizetype i = line.start; i < line.end; ++i) {
        if (data[i] != ';')
            continue;
        if (i > pieceStart)
            row[col] = decodeText(bytes.sliced(pieceStart, i - pieceStart), encoding);
        ++col;
        pieceStart = i + 1;
    }
    if (line.end > pieceStart) {
        row[col] = decodeText(bytes.sliced(pieceStart, line.end - pieceStart), encoding);
        ++col;
    }
    return col;
}

// The bytes without their NUL bytes, and how many there were.
qsizetype dropNulBytes(const QByteArray& bytes, QByteArray& withoutNuls) {
    const qsizetype nuls = std::count(bytes.cbegin(), bytes.cend(), '\0');
    if (nuls > 0) {
        withoutNuls = bytes;
        withoutNuls.removeIf([](char byte) { return byte == '\0'; });
    }
    return nuls;
}

// The text of the cell at (row, col) as written: empty when the grid lacks the column.
QStringView writtenCell(GridCells grid, int row, int col) {
    return col < grid.cols ? QStringView(grid.cell(row, col)) : QStringView();
}

int writtenColumns(GridCells grid) {
    return std::min(grid.cols, FileColumns);
}

void prefetchRowAhead(GridCells grid, int row, int cols) {
    const int ahead = row + PrefetchRowsAhead;
    if (ahead < grid.rows)
        for (int c = 0; c < cols; ++c)
            prefetchText(grid.cell(ahead, c));
}

} // namespace

ReadResult readJournal(const QByteArray& bytes) {
    ReadResult result;
    // A UTF-16 file holds NUL bytes in every ASCII character: it is read as the same text in
    // UTF-8 before any NUL byte is looked for.
    const std::optional<QByteArray> fromUtf16 = utf16AsUtf8(bytes);
    const QByteArray& source = fromUtf16 ? *fromUtf16 : bytes;
    QByteArray withoutNuls;
    result.droppedNulBytes = dropNulBytes(source, withoutNuls);
    QByteArrayView text = result.droppedNulBytes > 0 ? withoutNuls : QByteArrayView(source);
    // How the cells are decoded: UTF-16 files go as UTF-8.
    const TextEncoding cellEncoding = fromUtf16 ? TextEncoding::Utf8 : detectEncoding(text);
    result.encoding = fromUtf16 ? TextEncoding::Utf16 : cellEncoding;
    if (cellEncoding == TextEncoding::Utf8 && !fromUtf16)
        text = withoutByteOrderMark(text);

    const Extent extent = measure(text, cellEncoding);
    result.fault = extent.fault;
    if (result.fault)
        result.totalLines = lineCount(text);
    JournalTable& table = result.table;
    table.rows = int(extent.lines.size());
    table.cols = extent.cols;
    table.cells.resize(qsizetype(table.rows) * table.cols);
    QString* row = table.cells.data();
    for (const LineSpan& line : extent.lines) {
        result.lastLineFields = fillRow(text, line, cellEncoding, row);
        row += table.cols;
    }
    return result;
}

QByteArray writeJournal(GridCells grid) {
    const int rows = std::max(grid.rows, 1);
    const int cols = writtenColumns(grid);
    // Every character is one byte; each line adds its eight ";" and CR LF.
    qsizetype length = qsizetype(rows - 1) * (FileColumns + 2);
    for (int r = 1; r < rows; ++r)
        for (int c = 0; c < cols; ++c)
            length += grid.cell(r, c).size();

    QByteArray bytes(length, Qt::Uninitialized);
    char* out = bytes.data();
    for (int r = 1; r < rows; ++r) {
        prefetchRowAhead(grid, r, cols);
        for (int c = 0; c < FileColumns; ++c) {
            out = writeWindows1251(writtenCell(grid, r, c), out);
            *out++ = ';';
        }
        *out++ = '\r';
        *out++ = '\n';
    }
    // The rare journal whose Windows-1251 bytes would read back as UTF-8 with Cyrillic letters
    // (only capitals Р С Т У each followed by a sign such as "ё" or "№", and no other Cyrillic),
    // or as UTF-16 (a first cell starting "яю" or "юя"), is written as UTF-8 with a byte-order
    // mark instead, which reads back as it was.
    if (detectEncoding(bytes) == TextEncoding::Utf8 || utf16AsUtf8(bytes))
        return Utf8ByteOrderMark.toByteArray() + decodeWindows1251(bytes).toUtf8();
    return bytes;
}

std::optional<CellPosition> findUnwritableCell(GridCells grid) {
    const int cols = writtenColumns(grid);
    for (int r = 1; r < grid.rows; ++r) {
        prefetchRowAhead(grid, r, cols);
        for (int c = 0; c < cols; ++c)
            if (indexOfUnwritable(grid.cell(r, c)) >= 0)
                return CellPosition{r, c};
    }
    return std::nullopt;
}

bool fitsCellLimit(GridCells grid) {
    return qsizetype(std::max(grid.rows - 1, 0)) * FileColumns <= MaxCells;
}

std::optional<int> findOverlongRow(GridCells grid) {
    const int cols = writtenColumns(grid);
    for (int r = 1; r < grid.rows; ++r) {
        qsizetype length = FileColumns;
        for (int c = 0; c < cols; ++c)
            length += grid.cell(r, c).size();
        if (length > MaxLineLength)
            return r;
    }
    return std::nullopt;
}

} // namespace journal
