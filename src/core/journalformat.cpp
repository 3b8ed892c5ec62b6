#include "core/journalformat.h"

#include "core/fingerprint.h"
#include "core/foldertree.h"
#include "core/journalcharset.h"
#include "core/journalquotes.h"
#include "core/journalseparator.h"
#include "core/memory.h"

#include <QFile>
#include <QFileInfo>
#include <algorithm>

namespace core {

namespace {

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
