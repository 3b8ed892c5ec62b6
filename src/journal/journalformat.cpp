#include "journal/journalformat.h"

#include "app/gridmodel.h"
#include "journal/cellprefetch.h"
#include "journal/journalcharset.h"

#include <algorithm>

namespace journal {

namespace {

bool endsLine(QChar c) {
    return c == u'\r' || c == u'\n';
}

// One line of the text: [start, end) without its line end; next is where the following line
// starts (CR LF, CR and LF each end a line).
struct Line {
    qsizetype start = 0;
    qsizetype end = 0;
    qsizetype next = 0;
    qsizetype semicolons = 0;

    qsizetype length() const { return end - start; }
};

Line lineAt(QStringView text, qsizetype start) {
    Line line{start, start, start, 0};
    const QChar* chars = text.data();
    const qsizetype size = text.size();
    qsizetype i = start;
    for (; i < size && !endsLine(chars[i]); ++i)
        if (chars[i] == u';')
            ++line.semicolons;
    line.end = i;
    line.next = i + 1 < size && chars[i] == u'\r' && chars[i + 1] == u'\n' ? i + 2 : i + 1;
    return line;
}

// Every ";" ends a cell; text after the last one is a cell of its own.
qsizetype fieldCount(QStringView text, const Line& line) {
    const bool openLastCell = line.end > line.start && text[line.end - 1] != u';';
    return line.semicolons + (openLastCell ? 1 : 0);
}

// How much of the text the table takes: the lines before the first one refused, and the widest
// of them. Measured before any cell is made, so the cells are laid out once.
struct Extent {
    int rows = 0;
    int cols = FileColumns;
    std::optional<ReadFault> fault;
};

Extent measure(QStringView text) {
    Extent extent;
    for (qsizetype pos = 0; pos < text.size();) {
        const Line line = lineAt(text, pos);
        const int lineNumber = extent.rows + 1;
        if (line.length() > MaxLineLength) {
            extent.fault = ReadFault{lineNumber, ReadFault::LineTooLong};
            break;
        }
        // A line within the limit has at most MaxLineLength + 1 fields.
        const int cols = std::max(extent.cols, int(fieldCount(text, line)));
        if (qsizetype(lineNumber) * cols > MaxCells) {
            extent.fault = ReadFault{lineNumber, ReadFault::TooManyCells};
            break;
        }
        extent.rows = lineNumber;
        extent.cols = cols;
        pos = line.next;
    }
    return extent;
}

// Fills the cells of a row from one line; returns the line's field count.
int fillRow(QStringView text, const Line& line, QString* row) {
    const QChar* chars = text.data();
    int col = 0;
    qsizetype pieceStart = line.start;
    for (qsizetype i = line.start; i < line.end; ++i) {
        if (chars[i] != u';')
            continue;
        if (i > pieceStart)
            row[col] = QString(chars + pieceStart, i - pieceStart);
        ++col;
        pieceStart = i + 1;
    }
    if (line.end > pieceStart) {
        row[col] = QString(chars + pieceStart, line.end - pieceStart);
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
QStringView writtenCell(const GridModel& grid, int row, int col) {
    return col < grid.cols() ? QStringView(grid.cell(row, col)) : QStringView();
}

int writtenColumns(const GridModel& grid) {
    return std::min(grid.cols(), FileColumns);
}

} // namespace

ReadResult readJournal(const QByteArray& bytes) {
    ReadResult result;
    QByteArray withoutNuls;
    result.droppedNulBytes = dropNulBytes(bytes, withoutNuls);
    DecodedText decoded =
        decodeJournalBytes(result.droppedNulBytes > 0 ? withoutNuls : QByteArrayView(bytes));
    result.encoding = decoded.encoding;
    const QStringView text(decoded.text);

    const Extent extent = measure(text);
    result.fault = extent.fault;
    JournalTable& table = result.table;
    table.rows = extent.rows;
    table.cols = extent.cols;
    table.cells.resize(qsizetype(extent.rows) * extent.cols);
    QString* row = table.cells.data();
    qsizetype pos = 0;
    for (int r = 0; r < extent.rows; ++r, row += extent.cols) {
        const Line line = lineAt(text, pos);
        result.lastLineFields = fillRow(text, line, row);
        pos = line.next;
    }
    return result;
}

QByteArray writeJournal(const GridModel& grid) {
    const int rows = std::max(grid.rows(), 1);
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
    return bytes;
}

std::optional<CellPosition> findUnwritableCell(const GridModel& grid) {
    const int cols = writtenColumns(grid);
    for (int r = 1; r < grid.rows(); ++r) {
        prefetchRowAhead(grid, r, cols);
        for (int c = 0; c < cols; ++c)
            if (indexOfUnwritable(grid.cell(r, c)) >= 0)
                return CellPosition{r, c};
    }
    return std::nullopt;
}

std::optional<int> findOverlongRow(const GridModel& grid) {
    const int cols = writtenColumns(grid);
    for (int r = 1; r < grid.rows(); ++r) {
        qsizetype length = FileColumns;
        for (int c = 0; c < cols; ++c)
            length += grid.cell(r, c).size();
        if (length > MaxLineLength)
            return r;
    }
    return std::nullopt;
}

} // namespace journal
