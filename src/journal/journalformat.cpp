#include "journal/journalformat.h"

#include "app/gridmodel.h"
#include "journal/cellprefetch.h"
#include "journal/journalcharset.h"

#include <algorithm>

namespace journal {

namespace {

// The table's cells grow row by row; a line with more fields than the table has columns widens
// every row (rare, so the cells are simply laid out again).
class TableBuilder {
public:
    explicit TableBuilder(qsizetype expectedRows) {
        table_.cells.reserve(expectedRows * table_.cols);
    }

    void startRow() {
        table_.cells.resize(table_.cells.size() + table_.cols);
        ++table_.rows;
    }
    void dropRow() {
        --table_.rows;
        table_.cells.resize(qsizetype(table_.rows) * table_.cols);
    }
    void setCell(int col, const QChar* text, qsizetype length) {
        if (col >= table_.cols)
            widen(col + 1);
        table_.cells[qsizetype(table_.rows - 1) * table_.cols + col] = QString(text, length);
    }
    JournalTable take() { return std::move(table_); }

private:
    void widen(int cols) {
        QList<QString> cells(qsizetype(table_.rows) * cols);
        for (int r = 0; r < table_.rows; ++r)
            std::move(table_.cells.begin() + qsizetype(r) * table_.cols,
                      table_.cells.begin() + qsizetype(r + 1) * table_.cols,
                      cells.begin() + qsizetype(r) * cols);
        table_.cells = std::move(cells);
        table_.cols = cols;
    }

    JournalTable table_;
};

// The number of lines, exact when the file keeps to one kind of line end; only used to reserve.
qsizetype expectedLineCount(const QByteArray& bytes) {
    const auto crs = std::count(bytes.begin(), bytes.end(), '\r');
    const auto lfs = std::count(bytes.begin(), bytes.end(), '\n');
    return std::max(crs, lfs) + 1;
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
    const QString text = decodeJournalText(bytes);
    const QChar* chars = text.constData();
    const qsizetype size = text.size();
    TableBuilder table(expectedLineCount(bytes));
    bool overlong = false;

    // One scan: every ";" ends a cell, CR LF, CR or LF ends a line. Only non-empty pieces are
    // stored, so the empty piece after a line's closing ";" opens no column.
    qsizetype lineStart = 0;
    while (lineStart < size && !overlong) {
        table.startRow();
        qsizetype pieceStart = lineStart;
        int col = 0;
        qsizetype i = lineStart;
        for (;; ++i) {
            const char16_t c = i < size ? chars[i].unicode() : u'\n';
            if (c != u';' && c != u'\r' && c != u'\n')
                continue;
            if (i > pieceStart)
                table.setCell(col, chars + pieceStart, i - pieceStart);
            if (c == u';') {
                ++col;
                pieceStart = i + 1;
                continue;
            }
            overlong = i - lineStart > MaxLineLength;
            result.lastLineFields = i > pieceStart ? col + 1 : col;
            break;
        }
        if (overlong)
            table.dropRow();
        if (i + 1 < size && chars[i] == u'\r' && chars[i + 1] == u'\n')
            ++i;
        lineStart = i + 1;
    }
    result.table = table.take();
    if (overlong)
        result.overlongLine = result.table.rows + 1;
    return result;
}

QByteArray writeJournal(const GridModel& grid) {
    const int rows = grid.rows();
    const int cols = writtenColumns(grid);
    qsizetype length = qsizetype(rows - 1) * (FileColumns + 2);
    for (int r = 1; r < rows; ++r)
        for (int c = 0; c < cols; ++c)
            length += grid.cell(r, c).size();

    QString text;
    text.reserve(length);
    for (int r = 1; r < rows; ++r) {
        prefetchRowAhead(grid, r, cols);
        for (int c = 0; c < FileColumns; ++c) {
            text.append(writtenCell(grid, r, c));
            text.append(u';');
        }
        text.append(u"\r\n");
    }
    return encodeJournalText(text);
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
