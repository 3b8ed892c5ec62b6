#include "core/journalformat.h"

#include "core/journalcharset.h"
#include "core/memory.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

namespace journal {

namespace {

// Each cell costs its row entry besides its text (TextColumn).
constexpr qsizetype CellEntryBytes = 6;

qsizetype countByte(QByteArrayView bytes, char byte) {
    qsizetype count = 0;
    const char* p = bytes.data();
    const char* const end = p + bytes.size();
    while (p < end && (p = static_cast<const char*>(std::memchr(p, byte, std::size_t(end - p))))) {
        ++count;
        ++p;
    }
    return count;
}

// The bytes that end a cell or a line.
constexpr auto Separator = [] {
    std::array<bool, 256> separator{};
    separator[';'] = separator['\r'] = separator['\n'] = true;
    return separator;
}();

// Fills the table line by line. One scan finds a line's end and fields (";", CR and LF are the
// same bytes in both encodings); a line that is too long, or would need more memory than is
// left, stops the reading before any of its cells is stored.
class TableFiller {
public:
    TableFiller(QByteArrayView bytes, TextEncoding encoding, qsizetype memoryBudget,
                ReadResult& result)
        : bytes_(bytes), encoding_(encoding), budget_(memoryBudget), result_(result) {
        // The row entries are reserved in one piece: a growing vector would copy them and
        // briefly hold them twice.
        qsizetype lines = countByte(bytes, '\n');
        if (lines == 0)
            lines = countByte(bytes, '\r');
        expectedRows_ =
            int(std::min<qsizetype>(lines + 1, budget_ / (CellEntryBytes * FileColumns) + 1));
        result_.table.resize(0, FileColumns);
        result_.table.reserveRows(expectedRows_);
    }

    void fill() {
        const auto* const data = reinterpret_cast<const unsigned char*>(bytes_.data());
        const qsizetype size = bytes_.size();
        for (qsizetype pos = 0; pos < size;) {
            // The line's ";" are noted as it is scanned, so that its cells need no second scan.
            semicolons_.clear();
            qsizetype i = pos;
            for (; i < size; ++i) {
                const unsigned char c = data[i];
                if (!Separator[c])
                    continue;
                if (c != ';')
                    break;
                semicolons_.push_back(i);
            }
            if (!addLine(pos, i, qsizetype(semicolons_.size())))
                return;
            pos = i + 1 < size && data[i] == '\r' && data[i + 1] == '\n' ? i + 2 : i + 1;
        }
    }

private:
    bool addLine(qsizetype start, qsizetype end, qsizetype semicolons) {
        CellTable& table = result_.table;
        const int lineNumber = table.rows() + 1;
        const QByteArrayView line = bytes_.sliced(start, end - start);
        const qsizetype length = decodedLength(line, encoding_);
        if (length > MaxLineLength) {
            result_.fault = ReadFault{lineNumber, ReadFault::LineTooLong};
            return false;
        }
        // Within the limit a line has at most MaxLineLength + 1 fields.
        const bool openLastCell = end > start && bytes_[end - 1] != ';';
        const int cols = std::max(table.cols(), int(semicolons) + (openLastCell ? 1 : 0));
        if (qsizetype(lineNumber) * cols * CellEntryBytes + (textUnits_ + length) * 2 > budget_) {
            result_.fault = ReadFault{lineNumber, ReadFault::OutOfMemory};
            return false;
        }
        if (cols > table.cols()) {
            const int first = table.cols();
            table.insertColumns(first, cols - first);
            // Reserved only while the whole file's rows would fit; a few wide lines atop a long
            // file may well stop the reading before its end.
            if (qsizetype(expectedRows_) * cols * CellEntryBytes <= budget_)
                for (int c = first; c < cols; ++c)
                    table.column(c).reserve(expectedRows_);
        }
        textUnits_ += length;
        result_.lastLineFields = fillRow(start, end);
        for (int c = result_.lastLineFields; c < cols; ++c)
            table.column(c).appendEmpty(1);
        table.rowAppended();
        return true;
    }

    // Appends each field of the line to its column, decoded on its own; returns the field count.
    int fillRow(qsizetype start, qsizetype end) {
        int col = 0;
        qsizetype pieceStart = start;
        for (const qsizetype semicolon : semicolons_) {
            appendCell(col++, bytes_.sliced(pieceStart, semicolon - pieceStart));
            pieceStart = semicolon + 1;
        }
        if (end > pieceStart)
            appendCell(col++, bytes_.sliced(pieceStart, end - pieceStart));
        return col;
    }

    void appendCell(int col, QByteArrayView piece) {
        TextColumn& column = result_.table.column(col);
        if (encoding_ == TextEncoding::Windows1251) {
            column.append(piece.size(), [piece](char16_t* out) { decodeWindows1251(piece, out); });
        } else {
            const QString text = QString::fromUtf8(piece);
            column.append(text.size(), [&text](char16_t* out) {
                std::copy(text.utf16(), text.utf16() + text.size(), out);
            });
        }
    }

    QByteArrayView bytes_;
    TextEncoding encoding_;
    qsizetype budget_;
    ReadResult& result_;
    int expectedRows_ = 0;
    qsizetype textUnits_ = 0;
    std::vector<qsizetype> semicolons_;
};

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
QStringView writtenCell(const GridCells& grid, int row, int col) {
    return col < grid.cols() ? grid.cell(row, col) : QStringView();
}

int writtenColumns(const GridCells& grid) {
    return std::min(grid.cols(), FileColumns);
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

    TableFiller(text, cellEncoding, memoryBudget, result).fill();
    if (result.fault)
        result.totalLines = lineCount(text);
    return result;
}

QByteArray writeJournal(const GridCells& grid) {
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

std::optional<CellPosition> findUnwritableCell(const GridCells& grid) {
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

std::optional<int> findOverlongRow(const GridCells& grid) {
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
