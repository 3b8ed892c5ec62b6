#include "core/journalformat.h"

#include "core/fingerprint.h"
#include "core/foldertree.h"
#include "core/journalcharset.h"
#include "core/memory.h"

#include <QFile>
#include <QFileInfo>
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
    // `lines`: how many lines the text has, so that the row entries are reserved in one piece (a
    // growing vector would copy them and briefly hold them twice).
    TableFiller(TextEncoding encoding, qsizetype memoryBudget, qsizetype lines, ReadResult& result)
        : encoding_(encoding), budget_(memoryBudget), result_(result) {
        expectedRows_ =
            int(std::min<qsizetype>(lines + 1, budget_ / (CellEntryBytes * FileColumns) + 1));
        result_.table.resize(0, FileColumns);
        result_.table.reserveRows(expectedRows_);
    }

    // Reads the lines of `text`, which ends where a line ends (or where the file does); false
    // once a line stopped the reading.
    bool feed(QByteArrayView text) {
        if (result_.fault)
            return false;
        bytes_ = text;
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
                return false;
            pos = i + 1 < size && data[i] == '\r' && data[i + 1] == '\n' ? i + 2 : i + 1;
        }
        return true;
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

// Lines as the reader counts them, in a file that comes in pieces: CR LF, CR and LF each end one;
// a last line without an end counts too.
class LineCounter {
public:
    void add(QByteArrayView piece) {
        if (piece.isEmpty())
            return;
        if (pendingCr_ && piece[0] != '\n')
            ++lines_;
        lines_ += countByte(piece, '\n');
        // A CR counts unless an LF follows it; one at the end waits for the next piece.
        const char* const data = piece.data();
        const char* const end = data + piece.size();
        for (const char* cr = data;
             (cr = static_cast<const char*>(std::memchr(cr, '\r', std::size_t(end - cr)))) !=
             nullptr;
             ++cr)
            if (cr + 1 < end && cr[1] != '\n')
                ++lines_;
        pendingCr_ = piece.back() == '\r';
        last_ = piece.back();
    }
    qsizetype lines() const {
        return lines_ + (pendingCr_ ? 1 : 0) +
               (last_ != 0 && last_ != '\n' && last_ != '\r' ? 1 : 0);
    }

private:
    qsizetype lines_ = 0;
    bool pendingCr_ = false;
    char last_ = 0;
};

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

// The ";" after a data row's cells, whose text is `text` characters long. Each of its eight cells
// is followed by one, unless the line would then be longer than the reader accepts: then only as
// many as fit, since the reader fills a short line with empty cells. Never fewer than its last
// non-empty cell needs before it, though; a line that still does not fit is too long
// (findOverlongRow).
int writtenSeparators(const GridCells& grid, int row, qsizetype text) {
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

    LineCounter lines;
    lines.add(text);
    TableFiller(cellEncoding, memoryBudget, lines.lines(), result).feed(text);
    if (result.fault)
        result.totalLines = lines.lines();
    return result;
}

namespace {

// Hands the filler whole lines from pieces cut anywhere: the part after a piece's last line end
// waits for the next piece, and so does a CR at its very end, whose LF may start the next one.
class LineJoiner {
public:
    explicit LineJoiner(TableFiller& filler) : filler_(filler) {}

    bool add(QByteArrayView piece) {
        qsizetype end = piece.size();
        if (end > 0 && piece[end - 1] == '\r')
            --end;
        while (end > 0 && piece[end - 1] != '\n' && piece[end - 1] != '\r')
            --end;
        if (end == 0) {
            pending_ += piece.toByteArray();
            // A line already this long is refused whatever follows: it goes as it is.
            if (pending_.size() > 4 * qsizetype(MaxLineLength) + 4)
                return flush();
            return true;
        }
        if (!pending_.isEmpty()) {
            // The pending line ends at the first line end of this piece (an LF after its CR).
            qsizetype first = 0;
            if (pending_.back() == '\r')
                first = piece[0] == '\n' ? 1 : 0;
            else {
                while (piece[first] != '\n' && piece[first] != '\r')
                    ++first;
                first +=
                    piece[first] == '\r' && first + 1 < piece.size() && piece[first + 1] == '\n'
                        ? 2
                        : 1;
            }
            pending_ += piece.first(first).toByteArray();
            if (!filler_.feed(pending_))
                return false;
            pending_.clear();
            piece = piece.sliced(first);
            end -= first;
        }
        if (end > 0 && !filler_.feed(piece.first(end)))
            return false;
        pending_ = piece.sliced(end).toByteArray();
        return true;
    }

    bool flush() {
        const bool more = pending_.isEmpty() || filler_.feed(pending_);
        pending_.clear();
        return more;
    }

private:
    TableFiller& filler_;
    QByteArray pending_;
};

} // namespace

std::optional<qsizetype> countJournalRows(QFile& file) {
    if (!file.seek(0))
        return std::nullopt;
    LineCounter lines;
    bool plain = true;
    bool first = true;
    const bool counted = readInPieces(file, [&](QByteArrayView bytes) {
        plain = plain &&
                !(first && (bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF"))) &&
                !bytes.contains('\0');
        first = false;
        lines.add(bytes);
        return plain;
    });
    if (plain)
        return counted ? std::optional(lines.lines()) : std::nullopt;
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

std::optional<FileRead> readJournalFile(QFile& file, qsizetype memoryBudget) {
    if (!file.seek(0))
        return std::nullopt;
    // First the whole file once: its fingerprint, encoding and line count, and whether it is one
    // of the rare files read whole (UTF-16, or holding NUL bytes).
    Fingerprint fingerprint;
    EncodingScan encoding;
    LineCounter lines;
    bool readWhole = false;
    bool first = true;
    const bool scanned = readInPieces(file, [&](QByteArrayView bytes) {
        fingerprint.add(bytes);
        if (first && (bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF")))
            readWhole = true;
        first = false;
        readWhole = readWhole || bytes.contains('\0');
        if (!readWhole) {
            encoding.add(bytes);
            lines.add(bytes);
        }
        return true;
    });
    if (!scanned)
        return std::nullopt;
    if (!file.seek(0))
        return std::nullopt;
    if (readWhole) {
        const QByteArray bytes = file.readAll();
        if (file.error() != QFileDevice::NoError)
            return std::nullopt;
        return FileRead{readJournal(bytes, memoryBudget), fingerprintOf(bytes)};
    }

    FileRead read;
    read.fingerprint = fingerprint.value();
    ReadResult& result = read.result;
    result.encoding = encoding.result();
    TableFiller filler(result.encoding, memoryBudget, lines.lines(), result);
    LineJoiner joiner(filler);
    first = true;
    const bool decoded = readInPieces(file, [&](QByteArrayView bytes) {
        if (std::exchange(first, false) && result.encoding == TextEncoding::Utf8)
            bytes = withoutByteOrderMark(bytes);
        return joiner.add(bytes);
    });
    if (!decoded)
        return std::nullopt;
    if (!result.fault)
        joiner.flush();
    if (result.fault)
        result.totalLines = lines.lines();
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
char* writeLine(const GridCells& grid, int row, char* out) {
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
qsizetype lineBound(const GridCells& grid, int row) {
    qsizetype text = 0;
    for (int c = 0; c < writtenColumns(grid); ++c)
        text += grid.cell(row, c).size();
    return text + FileColumns + 2;
}

} // namespace

bool writeJournalInPieces(const GridCells& grid, const PutPiece& put, const Restart& restart) {
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

QByteArray writeJournal(const GridCells& grid) {
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
        qsizetype text = 0;
        for (int c = 0; c < cols; ++c)
            text += grid.cell(r, c).size();
        if (text + FileColumns > MaxLineLength &&
            text + writtenSeparators(grid, r, text) > MaxLineLength)
            return r;
    }
    return std::nullopt;
}

} // namespace journal
