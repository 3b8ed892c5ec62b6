#include "core/journalformat.h"

#include "core/fingerprint.h"
#include "core/foldertree.h"
#include "core/journalcharset.h"
#include "core/journalseparator.h"
#include "core/memory.h"

#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <functional>
#include <span>
#include <string>
#include <vector>

namespace core {

namespace {

// A journal's text split into rows: its lines, or rows with spreadsheet quoting. A spreadsheet
// writes a field that starts with '"' up to the matching '"' before a ";" or a line end, '""'
// inside it standing for one '"', and a ";" or a line end inside it belonging to its text; this
// program writes no quoting at all. Whether a file is read with quoting is decided from the whole
// of its text, so that a journal this program wrote always reads back byte for byte, whatever its
// cells hold.

struct Quoting {
    bool quoted = false; // the fields are read with spreadsheet quoting
    // The offsets in the text of the quotes that never close, in turn: each one's field is the
    // rest of its line.
    std::vector<qsizetype> unclosed;
};

constexpr std::size_t MostUnclosed = 100;

// One row of a text: its cells' text, unquoted, with a separator between them (whose positions
// are given: a quoted cell's text may hold the separator too).
struct TextRow {
    QByteArrayView bytes;
    std::span<const qsizetype> separators;
    int line = 0; // the line it starts on, 1-based
};

using TakeRow = std::function<bool(const TextRow& row)>;

bool isLineEnd(char c) {
    return c == '\r' || c == '\n';
}

bool endsField(char c, char separator) {
    return c == separator || isLineEnd(c);
}

// Where the line end at `at` is followed by the next line: after its LF when it is a CR LF.
qsizetype afterLineEnd(QByteArrayView text, qsizetype at) {
    return text[at] == '\r' && at + 1 < text.size() && text[at + 1] == '\n' ? at + 2 : at + 1;
}

// Splits the text into lines, handing `take` each in turn until it returns false. CR LF, a lone
// CR and a lone LF each end a line; a last line without an end counts too.
void splitLines(QByteArrayView text, char separator, const TakeRow& take) {
    std::vector<qsizetype> separators;
    int line = 0;
    for (qsizetype start = 0; start < text.size();) {
        separators.clear();
        qsizetype end = start;
        for (; end < text.size() && !isLineEnd(text[end]); ++end)
            if (text[end] == separator)
                separators.push_back(end - start);
        if (!take({text.sliced(start, end - start), separators, ++line}))
            return;
        start = end < text.size() ? afterLineEnd(text, end) : end;
    }
}

// Whether every line of the text is shaped as this program writes them.
bool ownShape(QByteArrayView text) {
    bool own = true;
    splitLines(text, ';', [&](const TextRow& line) {
        const auto semicolons = qsizetype(line.separators.size());
        own = (semicolons == FileColumns && line.bytes.endsWith(';')) ||
              (semicolons <= FileColumns && line.bytes.size() >= MaxLineLength);
        return own;
    });
    return own;
}

// How the quotes of the text (after its byte-order mark), between cells parted by `separator`,
// are read. The text is read with quoting only when
// - at least one field starts with '"' and closes, and every such field closes properly: the
//   closing '"' is followed by the separator, a line end or the end of the text. A field that
//   runs past its line end and then closes wrongly, or not at all, never closes: it ends at that
//   line end and the lines after read as ever. No more fields may be unclosed than closed, and
//   at most MostUnclosed;
// - and it is not shaped as this program writes its journals: each line has eight ";" and ends
//   with one, but a line as long as the reader accepts, which may keep fewer. (Eight, not only
//   the last: a spreadsheet's lines end with ";" too when their last cell is empty, after seven.)
Quoting findQuoting(QByteArrayView text, char separator) {
    std::vector<qsizetype> unclosed;
    int closed = 0;
    qsizetype from = 0; // where the reading started: a field starts there
    for (qsizetype at = 0; at < text.size();) {
        const qsizetype quote = text.indexOf('"', at);
        if (quote < 0)
            break;
        at = quote + 1;
        // Only a '"' that starts a field opens one; elsewhere it is text.
        if (quote != from && !endsField(text[quote - 1], separator))
            continue;
        qsizetype crossed = -1; // right after the first line end inside the field
        bool closes = false;
        for (; at < text.size(); ++at) {
            if (text[at] == '"') {
                if (at + 1 == text.size() || endsField(text[at + 1], separator)) {
                    closes = true;
                    ++at;
                    break;
                }
                if (text[at + 1] != '"')
                    break; // closed wrongly
                ++at;
            } else if (crossed < 0 && isLineEnd(text[at])) {
                crossed = at + 1;
            }
        }
        if (closes) {
            ++closed;
            continue;
        }
        // A field closed wrongly on its own line leaves the text as it stands. One that ran past
        // its line end never closed: it ends at that line end, and the reading goes on there.
        if ((at < text.size() && crossed < 0) || unclosed.size() == MostUnclosed)
            return {};
        unclosed.push_back(quote);
        if (crossed < 0)
            break;
        at = from = crossed;
    }
    // Nothing closed, or fewer than never did: no sign that a spreadsheet wrote the file.
    if (closed == 0 || qsizetype(unclosed.size()) > closed || ownShape(text))
        return {};
    return {true, std::move(unclosed)};
}

// The same as splitLines with that quoting: CR LF, CR and LF each end a row outside quotes and
// stay in the text inside them. The lines of the quotes that never closed, up to where it stopped.
std::vector<int> splitQuotedRows(QByteArrayView text, const Quoting& quoting, char separator,
                                 const TakeRow& take) {
    std::vector<int> unclosedLines;
    auto nextUnclosed = quoting.unclosed.begin();
    std::string row;
    std::vector<qsizetype> separators;
    int line = 1;
    int rowLine = 1;
    const auto endRow = [&] {
        const bool more =
            take({QByteArrayView(row.data(), qsizetype(row.size())), separators, rowLine});
        row.clear();
        separators.clear();
        return more;
    };
    const qsizetype size = text.size();
    // Field by field, from its start.
    for (qsizetype at = 0; at < size;) {
        if (text[at] == '"') {
            const qsizetype quote = at++;
            while (nextUnclosed != quoting.unclosed.end() && *nextUnclosed < quote)
                ++nextUnclosed;
            const bool neverCloses =
                nextUnclosed != quoting.unclosed.end() && *nextUnclosed == quote;
            bool closes = false;
            const int quoteLine = line;
            for (; at < size; ++at) {
                const char c = text[at];
                if (c == '"' && (at + 1 == size || text[at + 1] != '"')) {
                    closes = true;
                    ++at;
                    // A closing quote followed by text is text itself (the quoting was judged on
                    // the whole text, which lets no such quote through; kept for safety).
                    if (at < size && !endsField(text[at], separator))
                        row += '"';
                    break;
                }
                if (c == '"') {
                    ++at; // '""' is one '"'
                } else if (isLineEnd(c)) {
                    // A quote that never closes: its field is the rest of its line.
                    if (neverCloses)
                        break;
                    if (c == '\n' || at + 1 == size || text[at + 1] != '\n')
                        ++line;
                }
                row += c;
            }
            if (!closes)
                unclosedLines.push_back(quoteLine);
        }
        // The rest of the field, up to its end.
        while (at < size && !endsField(text[at], separator))
            row += text[at++];
        if (at < size && text[at] == separator) {
            separators.push_back(qsizetype(row.size()));
            row += separator;
            if (++at < size)
                continue;
        }
        // The row ends at a line end or at the end of the text.
        if (!endRow() || at == size)
            break;
        at = afterLineEnd(text, at);
        rowLine = ++line;
    }
    return unclosedLines;
}

// The text the rows are read from: NUL bytes left out, a file that starts with a UTF-16
// byte-order mark as UTF-8 (the mark left out), a UTF-8 mark before UTF-8 text left out.
struct JournalText {
    QByteArray bytes; // the file's own when it holds no NUL and is no UTF-16
    QByteArrayView text;
    TextEncoding encoding = TextEncoding::Windows1251;
    qsizetype nulBytes = 0;

    Q_DISABLE_COPY_MOVE(JournalText)
    explicit JournalText(const QByteArray& file) : bytes(file) {
        if (std::optional<QByteArray> utf8 = utf16AsUtf8(file)) {
            bytes = std::move(*utf8);
            encoding = TextEncoding::Utf16;
        }
        if (bytes.contains('\0')) {
            const qsizetype size = bytes.size();
            bytes.removeIf([](char byte) { return byte == '\0'; });
            nulBytes = size - bytes.size();
        }
        text = bytes;
        if (encoding == TextEncoding::Utf16)
            return;
        encoding = detectEncoding(bytes);
        if (encoding == TextEncoding::Utf8)
            text = withoutByteOrderMark(bytes);
    }
};

// Stores the rows the splitter hands over, each checked first against the line limit and the
// memory budget.
class RowReader {
public:
    RowReader(TextEncoding encoding, qsizetype memoryBudget, ReadResult& result)
        : encoding_(encoding), budget_(memoryBudget), result_(result) {}

    bool take(const TextRow& row) {
        const qsizetype length = decodedLength(row.bytes, encoding_);
        if (length > MaxLineLength) {
            result_.fault = ReadFault{row.line, ReadFault::LineTooLong};
            return false;
        }
        // Every separator closes a cell, and text after the last one is one more.
        const qsizetype lastCell = row.separators.empty() ? 0 : row.separators.back() + 1;
        const int fields = int(row.separators.size()) + (row.bytes.size() > lastCell ? 1 : 0);
        const int cols = std::max(cols_, fields);
        if ((result_.rows.size() + 1) * cols * ReaderCellBytes + (units_ + length) * 2 > budget_) {
            result_.fault = ReadFault{row.line, ReadFault::OutOfMemory};
            return false;
        }
        cols_ = cols;
        units_ += length;
        QStringList cells;
        cells.reserve(cols);
        qsizetype start = 0;
        for (const qsizetype separator : row.separators) {
            cells << decodeText(row.bytes.sliced(start, separator - start), encoding_);
            start = separator + 1;
        }
        if (start < row.bytes.size())
            cells << decodeText(row.bytes.sliced(start), encoding_);
        cells.resize(cols);
        result_.rows << std::move(cells);
        result_.lastLineFields = fields;
        return true;
    }

    // Rows read before a wider one get its width too.
    void finish() {
        for (QStringList& cells : result_.rows)
            if (cells.size() < cols_)
                cells.resize(cols_);
    }

private:
    TextEncoding encoding_;
    qsizetype budget_;
    ReadResult& result_;
    int cols_ = FileColumns;
    qsizetype units_ = 0;
};

// The cell as written: empty where the row lacks it.
QStringView writtenCell(const QStringList& row, int col) {
    return col < row.size() ? QStringView(row[col]) : QStringView();
}

qsizetype writtenText(const QStringList& row) {
    qsizetype text = 0;
    for (int c = 0; c < FileColumns; ++c)
        text += writtenCell(row, c).size();
    return text;
}

// The ";" after a row's cells, whose text is `text` characters long. Each of its eight cells is
// followed by one, unless the line would then be longer than the reader accepts: then only as
// many as fit, since the reader fills a short line with empty cells. Never fewer than its last
// non-empty cell needs before it, though; a line that still does not fit is too long
// (findOverlongRow).
int writtenSeparators(const QStringList& row, qsizetype text) {
    if (text + FileColumns <= MaxLineLength)
        return FileColumns;
    int needed = 0;
    for (int c = 1; c < FileColumns; ++c)
        if (!writtenCell(row, c).isEmpty())
            needed = c;
    return int(std::clamp<qsizetype>(MaxLineLength - text, needed, FileColumns));
}

// The row as its file line in Windows-1251, CR LF included, from `out` on; its end.
char* writeLine(const QStringList& row, char* out) {
    char* const line = out;
    for (int c = 0; c < FileColumns; ++c) {
        out = writeWindows1251(writtenCell(row, c), out);
        *out++ = ';';
    }
    if (out - line > MaxLineLength)
        out -= FileColumns - writtenSeparators(row, out - line - FileColumns);
    *out++ = '\r';
    *out++ = '\n';
    return out;
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
    const JournalText text(bytes);
    result.encoding = text.encoding;
    result.droppedNulBytes = text.nulBytes;
    result.separator = separatorOf(text.text);
    // A UTF-8 mark before Windows-1251 text stays in the first cell, and such a text is read as
    // it stands.
    const Quoting quoting =
        text.encoding != TextEncoding::Utf8 && text.text.startsWith(Utf8ByteOrderMark)
            ? Quoting()
            : findQuoting(text.text, result.separator);
    result.quoted = quoting.quoted;
    // UTF-16 text is read as UTF-8.
    RowReader reader(text.encoding == TextEncoding::Utf16 ? TextEncoding::Utf8 : text.encoding,
                     memoryBudget, result);
    const TakeRow take = [&](const TextRow& row) { return reader.take(row); };
    if (quoting.quoted)
        result.unclosedQuoteLines = splitQuotedRows(text.text, quoting, result.separator, take);
    else
        splitLines(text.text, result.separator, take);
    reader.finish();
    if (result.fault)
        splitLines(text.text, result.separator, [&](const TextRow&) {
            ++result.totalLines;
            return true;
        });
    return result;
}

std::optional<qsizetype> countJournalRows(int fd) {
    const std::optional<FileRead> read = readJournalFile(fd);
    if (!read)
        return std::nullopt;
    return read->result.fault ? read->result.totalLines : read->result.rows.size();
}

std::optional<FileRead> readJournalFile(const QString& path, qsizetype memoryBudget) {
    const QFileInfo info(path);
    const Opened opened = FolderTree(info.absolutePath()).openForReading(info.absoluteFilePath());
    if (!opened.ok())
        return std::nullopt;
    return readJournalFile(opened.handle.fd(), memoryBudget);
}

std::optional<FileRead> readJournalFile(int fd, qsizetype memoryBudget, bool keepBytes) {
    QFile file;
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::DontCloseHandle) || !file.seek(0))
        return std::nullopt;
    FileRead read;
    read.bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return std::nullopt;
    read.fingerprint = fingerprintOf(read.bytes);
    read.result = readJournal(read.bytes, memoryBudget);
    if (!keepBytes)
        read.bytes.clear();
    return read;
}

QByteArray writeJournal(const QList<QStringList>& rows) {
    qsizetype length = 0;
    for (const QStringList& row : rows)
        length += writtenText(row) + FileColumns + 2;
    QByteArray bytes(length, Qt::Uninitialized);
    char* out = bytes.data();
    for (const QStringList& row : rows)
        out = writeLine(row, out);
    bytes.truncate(out - bytes.constData());
    // The rare journal whose Windows-1251 bytes would read back as UTF-8 with Cyrillic letters
    // (only capitals Р С Т У each followed by a sign such as "ё" or "№", and no other Cyrillic),
    // or as UTF-16 (a first cell starting "яю" or "юя"), is written as UTF-8 with a byte-order
    // mark instead, which reads back as it was.
    if (detectEncoding(bytes) == TextEncoding::Utf8 || bytes.startsWith("\xFF\xFE") ||
        bytes.startsWith("\xFE\xFF"))
        return Utf8ByteOrderMark.toByteArray() + decodeWindows1251(bytes).toUtf8();
    return bytes;
}

std::optional<CellPosition> findUnwritableCell(const QList<QStringList>& rows) {
    for (int r = 0; r < rows.size(); ++r)
        for (int c = 0; c < FileColumns; ++c)
            if (indexOfUnwritable(writtenCell(rows[r], c)) >= 0)
                return CellPosition{r, c};
    return std::nullopt;
}

std::optional<int> findOverlongRow(const QList<QStringList>& rows) {
    for (int r = 0; r < rows.size(); ++r) {
        const qsizetype text = writtenText(rows[r]);
        if (text + FileColumns > MaxLineLength &&
            text + writtenSeparators(rows[r], text) > MaxLineLength)
            return r;
    }
    return std::nullopt;
}

} // namespace core
