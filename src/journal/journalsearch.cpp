#include "journal/journalsearch.h"

#include "core/foldertree.h"
#include "core/journalcharset.h"
#include "core/journalcolumns.h"
#include "core/journalformat.h"
#include "core/journalpaths.h"
#include "core/memory.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <array>
#include <cstring>
#include <optional>

namespace journal {

namespace {

// "Открыть журнал" refuses files too large for the memory, so no row of them can be shown.
bool fitsMemory(qint64 size) {
    return memoryToOpen(size) <= availableMemory();
}

struct JournalFile {
    QString journal;
    QString path;
};

// thisyear.csv, then the archives in name order. Only ".csv" in lower case: that is the file
// "Загрузить архив" opens for a name. Hidden files, folders and special files are no archives.
std::vector<JournalFile> journalFiles(const QString& programFolder) {
    std::vector<JournalFile> files{
        {QStringLiteral("thisyear.csv"), currentJournalPath(programFolder)}};
    const QDir archives(archiveFolderPath(programFolder));
    QStringList names = archives.entryList({QStringLiteral("*.csv")},
                                           QDir::Files | QDir::CaseSensitive, QDir::NoSort);
    // Ordered by code unit rather than by locale, so that the order is the same on every machine.
    std::sort(names.begin(), names.end());
    for (const QString& name : names)
        files.push_back({name.chopped(4), archives.filePath(name)});
    return files;
}

// The file's bytes, read without following a link below the journal folder; none when it is no
// regular file or too large to open.
std::optional<QByteArray> readJournalFile(const FolderTree& folder, const QString& path) {
    const Opened opened = folder.openForReading(path);
    QFile file;
    if (!opened.ok() || !fitsMemory(opened.info.st_size) ||
        !file.open(opened.handle.fd(), QIODevice::ReadOnly, QFileDevice::DontCloseHandle))
        return std::nullopt;
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return std::nullopt;
    return bytes;
}

// Windows-1251 bytes folded so that two bytes compare equal exactly when FindText takes their
// characters for the same letter. A folded character is stood for by the lowest byte that folds
// to it, which keeps the mapping one to one even for a character without a byte of its own.
struct ByteFolding {
    std::array<unsigned char, 256> folded{};
    std::array<char16_t, 256> foldedChar{}; // the byte's character as FindText folds it
};

const ByteFolding& byteFolding() {
    static const ByteFolding folding = [] {
        QByteArray everyByte(256, Qt::Uninitialized);
        for (int b = 0; b < 256; ++b)
            everyByte[b] = char(b);
        const QString chars = decodeWindows1251(everyByte);
        ByteFolding table;
        for (int b = 0; b < 256; ++b)
            table.foldedChar[b] = FindText::foldChar(chars[b].unicode());
        for (int b = 0; b < 256; ++b) {
            const auto* first =
                std::find(table.foldedChar.begin(), table.foldedChar.end(), table.foldedChar[b]);
            table.folded[b] = static_cast<unsigned char>(first - table.foldedChar.begin());
        }
        return table;
    }();
    return folding;
}

// The folded needle as folded bytes; none when it holds a character no Windows-1251 byte folds
// to, which no Windows-1251 file can then hold.
std::optional<QByteArray> foldedBytes(const QString& folded) {
    const ByteFolding& table = byteFolding();
    QByteArray bytes(folded.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < folded.size(); ++i) {
        const auto* byte =
            std::find(table.foldedChar.begin(), table.foldedChar.end(), folded[i].unicode());
        if (byte == table.foldedChar.end())
            return std::nullopt;
        bytes[i] = char(byte - table.foldedChar.begin());
    }
    return bytes;
}

// Boyer-Moore-Horspool over bytes folded as they are compared: a file without a match is looked
// at in strides of the needle's length, neither decoded nor copied.
class FoldedSearcher {
public:
    explicit FoldedSearcher(QByteArray pattern) : pattern_(std::move(pattern)) {
        shift_.fill(pattern_.size());
        for (qsizetype i = 0; i + 1 < pattern_.size(); ++i)
            shift_[static_cast<unsigned char>(pattern_[i])] = pattern_.size() - 1 - i;
    }

    // Where the first match at or after `from` starts, or -1.
    qsizetype indexIn(QByteArrayView bytes, qsizetype from) const {
        const auto& fold = byteFolding().folded;
        const auto* const data = reinterpret_cast<const unsigned char*>(bytes.data());
        const auto* const pattern = reinterpret_cast<const unsigned char*>(pattern_.data());
        const qsizetype length = pattern_.size();
        const unsigned char last = pattern[length - 1];
        for (qsizetype at = from; at + length <= bytes.size();) {
            const unsigned char byte = fold[data[at + length - 1]];
            if (byte == last) {
                qsizetype i = 0;
                while (i + 1 < length && fold[data[at + i]] == pattern[i])
                    ++i;
                if (i + 1 == length)
                    return at;
            }
            at += shift_[byte];
        }
        return -1;
    }

private:
    QByteArray pattern_;
    std::array<qsizetype, 256> shift_{};
};

struct Line {
    qsizetype start = 0;
    qsizetype end = 0; // its line end not included
    int number = 0;    // 1-based
};

// The lines of a Windows-1251 file counted as the reader counts them, and only as far as a match
// needs: a file without one is never split. Stops where the reader would stop.
class LineWalk {
public:
    explicit LineWalk(QByteArrayView bytes) : bytes_(bytes) {}

    // The line that holds the byte at `at`, which lies at or past every line returned before;
    // none when the reader stops before that line.
    std::optional<Line> lineHolding(qsizetype at) {
        const auto* const data = reinterpret_cast<const unsigned char*>(bytes_.data());
        const qsizetype size = bytes_.size();
        while (!stopped_ && next_ < size) {
            Line line{next_, next_, number_ + 1};
            for (; line.end < size; ++line.end) {
                const unsigned char c = data[line.end];
                if (c <= '\r' && (c == '\r' || c == '\n'))
                    break;
            }
            if (line.end - line.start > MaxLineLength) {
                stopped_ = true;
                break;
            }
            number_ = line.number;
            next_ = line.end + 1 < size && data[line.end] == '\r' && data[line.end + 1] == '\n'
                        ? line.end + 2
                        : line.end + 1;
            if (at < line.end)
                return line;
        }
        return std::nullopt;
    }

    qsizetype next() const { return next_; }

private:
    QByteArrayView bytes_;
    qsizetype next_ = 0; // where the next line starts
    int number_ = 0;     // lines taken so far
    bool stopped_ = false;
};

QStringList firstCells(QStringList cells) {
    cells.resize(FileColumns);
    return cells;
}

class Search {
public:
    Search(const FindText& needle, int limit) : needle_(needle), limit_(size_t(limit)) {
        if (std::optional<QByteArray> pattern = foldedBytes(needle.folded()))
            bytePattern_.emplace(std::move(*pattern));
    }

    bool done() const { return hits_.size() >= limit_; }
    std::vector<JournalHit> hits() && { return std::move(hits_); }

    void searchFile(const FolderTree& folder, const JournalFile& file) {
        const std::optional<QByteArray> bytes = readJournalFile(folder, file.path);
        if (!bytes)
            return;
        if (readsAsWindows1251(*bytes))
            searchWindows1251(file, *bytes);
        else
            searchCells(file, readJournal(*bytes).table);
    }

private:
    // Whether the reader takes the bytes as they stand, one Windows-1251 byte per character.
    static bool readsAsWindows1251(const QByteArray& bytes) {
        const bool utf16 = bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF");
        const bool nulBytes = std::memchr(bytes.constData(), 0, size_t(bytes.size())) != nullptr;
        return !utf16 && !nulBytes && detectEncoding(bytes) == TextEncoding::Windows1251;
    }

    void searchWindows1251(const JournalFile& file, QByteArrayView bytes) {
        if (!bytePattern_)
            return;
        LineWalk lines(bytes);
        for (qsizetype at = bytePattern_->indexIn(bytes, 0); at >= 0 && !done();
             at = bytePattern_->indexIn(bytes, lines.next())) {
            const std::optional<Line> line = lines.lineHolding(at);
            if (!line)
                return;
            // The bytes matched lie within one cell, as the needle holds no ";"; the cells
            // decoded are matched again all the same, so that a hit is what the grid would show.
            const QStringList cells = cellsOf(bytes.sliced(line->start, line->end - line->start));
            if (std::any_of(cells.begin(), cells.end(),
                            [&](const QString& cell) { return needle_.matches(cell); }))
                hits_.push_back({file.journal, file.path, line->number, firstCells(cells)});
        }
    }

    void searchCells(const JournalFile& file, const JournalTable& table) {
        for (int row = 0; row < table.rows() && !done(); ++row) {
            bool matches = false;
            for (int col = 0; col < table.cols() && !matches; ++col)
                matches = needle_.matches(table.cell(row, col));
            if (!matches)
                continue;
            QStringList cells;
            for (int col = 0; col < FileColumns; ++col)
                cells << table.cell(row, col).toString();
            hits_.push_back({file.journal, file.path, row + 1, cells});
        }
    }

    // The cells of a Windows-1251 line as the reader splits it.
    static QStringList cellsOf(QByteArrayView line) {
        QStringList cells;
        qsizetype start = 0;
        for (qsizetype i = 0; i < line.size(); ++i) {
            if (line[i] == ';') {
                cells << decodeWindows1251(line.sliced(start, i - start));
                start = i + 1;
            }
        }
        if (start < line.size())
            cells << decodeWindows1251(line.sliced(start));
        return cells;
    }

    const FindText& needle_;
    size_t limit_;
    std::optional<FoldedSearcher> bytePattern_;
    std::vector<JournalHit> hits_;
};

// A cell never holds ";", a line end or NUL, and no other character folds to one of them.
bool fitsInCell(const QString& folded) {
    return std::none_of(folded.begin(), folded.end(), [](QChar c) {
        return c == u';' || c == u'\r' || c == u'\n' || c == u'\0';
    });
}

} // namespace

std::vector<JournalHit> searchJournals(const QString& programFolder, const FindText& needle,
                                       int limit) {
    if (needle.isEmpty() || limit <= 0 || !fitsInCell(needle.folded()))
        return {};
    Search search(needle, limit);
    const FolderTree folder(programFolder);
    for (const JournalFile& file : journalFiles(programFolder)) {
        if (search.done())
            break;
        search.searchFile(folder, file);
    }
    return std::move(search).hits();
}

} // namespace journal
