#include "journal/journalsearch.h"

#include "core/foldertree.h"
#include "core/journalcharset.h"
#include "core/journalcolumns.h"
#include "core/journalformat.h"
#include "core/journalpaths.h"
#include "core/journaltext.h"
#include "core/memory.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <array>
#include <limits>
#include <optional>

namespace journal {

namespace {

// "Открыть журнал" refuses files too large for the memory, so no row of them can be shown.
bool fitsMemory(qint64 size) {
    return core::memoryToOpen(size) <= core::availableMemory();
}

// The file opened without following a link below the journal folder; false when it is no
// regular file, too large to open or cannot be opened.
bool openToRead(const core::FolderTree& folder, const QString& path, core::Opened& opened,
                QFile& device) {
    opened = folder.openForReading(path);
    return opened.ok() && fitsMemory(opened.info.st_size) &&
           device.open(opened.handle.fd(), QIODevice::ReadOnly, QFileDevice::DontCloseHandle);
}

// thisyear.csv, then the archives in name order.
std::vector<JournalFile> journalFiles(const QString& programFolder) {
    std::vector<JournalFile> files{
        {QStringLiteral("thisyear.csv"), core::currentJournalPath(programFolder)}};
    for (JournalFile& archive : archiveFiles(programFolder))
        files.push_back(std::move(archive));
    return files;
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
        const QString chars = core::decodeWindows1251(everyByte);
        ByteFolding table;
        for (int b = 0; b < 256; ++b)
            table.foldedChar[b] = core::FindText::foldChar(chars[b].unicode());
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

    qsizetype length() const { return pattern_.size(); }

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

// Where the folded needle last starts in bytes that come in pieces: a file without a match is
// only looked at, in strides of the needle's length.
class LastMatch {
public:
    explicit LastMatch(const FoldedSearcher& searcher) : searcher_(searcher) {}

    void add(QByteArrayView piece) {
        const qsizetype seam = searcher_.length() - 1;
        // A match across the cut starts in the last bytes of the piece before.
        if (!tail_.isEmpty()) {
            const QByteArray across = tail_ + piece.first(std::min(seam, piece.size()));
            for (qsizetype at = searcher_.indexIn(across, 0); at >= 0;
                 at = searcher_.indexIn(across, at + 1))
                last_ = offset_ - tail_.size() + at;
        }
        if (const qsizetype at = lastIn(piece); at >= 0)
            last_ = offset_ + at;
        offset_ += piece.size();
        if (piece.size() >= seam)
            tail_ = piece.last(seam).toByteArray();
        else
            tail_ = QByteArray(tail_ + piece.toByteArray()).right(seam);
    }

    std::optional<qsizetype> last() const { return last_; }

private:
    // The last match in the piece, or -1. A piece without one is looked through once; in one with
    // a match, windows from its end are each looked through to their last match, so that a piece
    // with a match in every line is not searched match by match.
    qsizetype lastIn(QByteArrayView piece) const {
        constexpr qsizetype Window = 4096;
        const qsizetype first = searcher_.indexIn(piece, 0);
        if (first < 0)
            return -1;
        for (qsizetype end = piece.size(); end > first + 1; end -= Window) {
            const qsizetype start = std::max<qsizetype>(end - Window, 0);
            // A match starting in the window may end in the next one.
            const QByteArrayView window =
                piece.sliced(start, std::min(piece.size(), end + searcher_.length() - 1) - start);
            qsizetype last = -1;
            for (qsizetype at = searcher_.indexIn(window, 0); at >= 0 && start + at < end;
                 at = searcher_.indexIn(window, at + 1))
                last = start + at;
            if (last >= 0)
                return last;
        }
        return first;
    }

    const FoldedSearcher& searcher_;
    qsizetype offset_ = 0;
    QByteArray tail_;
    std::optional<qsizetype> last_;
};

// The rows of one file that have a cell the needle matches, from the lines the reader takes.
// Over Windows-1251 bytes only a line the folded needle is found in is decoded, and the walk
// ends after the line of the last match.
class FileHits final : public core::LineSink {
public:
    FileHits(const core::FindText& needle, core::TextEncoding encoding,
             const FoldedSearcher* bytePattern, qsizetype lastMatch, size_t room)
        : needle_(needle), encoding_(encoding), bytePattern_(bytePattern), lastMatch_(lastMatch),
          room_(room) {}

    bool take(const core::JournalLine& line) override {
        if (line.offset > lastMatch_)
            return false;
        // The bytes matched lie within one cell, as the needle holds no ";"; the cells decoded
        // are matched again all the same, so that a hit is what the grid would show.
        if (bytePattern_ && bytePattern_->indexIn(line.bytes, 0) < 0)
            return true;
        bool matches = false;
        forEachCellOf(line, [&](QByteArrayView cell) {
            if (!matches)
                matches = needle_.matches(decoded(cell));
        });
        if (matches) {
            QStringList cells;
            cells.reserve(core::FileColumns);
            forEachCellOf(line, [&](QByteArrayView cell) {
                if (cells.size() < core::FileColumns)
                    cells << core::decodeText(cell, encoding_);
            });
            cells.resize(core::FileColumns);
            rows_.push_back({line.number, std::move(cells)});
        }
        return rows_.size() < room_;
    }

    struct Row {
        int number = 0;
        QStringList cells;
    };
    std::vector<Row>& rows() { return rows_; }

private:
    // Over Windows-1251 bytes the lines come unsplit.
    template <typename Take> void forEachCellOf(const core::JournalLine& line, Take&& take) const {
        const auto cell = [&](int, QByteArrayView bytes) { take(bytes); };
        if (bytePattern_)
            core::forEachCell(line.bytes, cell);
        else
            line.forEachCell(cell);
    }

    // The cell's text, in a buffer kept from cell to cell where no decoder makes a string anyway.
    QStringView decoded(QByteArrayView cell) {
        if (encoding_ != core::TextEncoding::Windows1251)
            return buffer_ = QString::fromUtf8(cell);
        buffer_.resize(cell.size());
        core::decodeWindows1251(cell, reinterpret_cast<char16_t*>(buffer_.data()));
        return buffer_;
    }

    const core::FindText& needle_;
    core::TextEncoding encoding_;
    QString buffer_;
    const FoldedSearcher* bytePattern_;
    qsizetype lastMatch_;
    size_t room_;
    std::vector<Row> rows_;
};

// The cells of a few columns of every line the reader takes.
class RowCells final : public core::LineSink {
public:
    RowCells(core::TextEncoding encoding, int first, int last, const CellTake& take)
        : encoding_(encoding), first_(first), last_(last), take_(take) {}

    bool take(const core::JournalLine& line) override {
        line.forEachCell([&](int index, QByteArrayView cell) {
            if (index < first_ || index > last_)
                return;
            if (encoding_ == core::TextEncoding::Windows1251) {
                buffer_.resize(cell.size());
                core::decodeWindows1251(cell, reinterpret_cast<char16_t*>(buffer_.data()));
            } else {
                buffer_ = core::decodeText(cell, encoding_);
            }
            take_(line.number, index, buffer_);
        });
        return true;
    }

private:
    core::TextEncoding encoding_;
    int first_;
    int last_;
    const CellTake& take_;
    QString buffer_;
};

class Search {
public:
    Search(const core::FindText& needle, int limit) : needle_(needle), limit_(size_t(limit)) {
        if (std::optional<QByteArray> pattern = foldedBytes(needle.folded()))
            bytePattern_.emplace(std::move(*pattern));
    }

    bool done() const { return hits_.size() >= limit_; }
    std::vector<JournalHit> hits() && { return std::move(hits_); }

    // The file is opened without following a link below the journal folder, and left out when
    // it is no regular file, too large to open or cannot be read to where the reader stops.
    void searchFile(const core::FolderTree& folder, const JournalFile& file) {
        core::Opened opened;
        QFile device;
        if (!openToRead(folder, file.path, opened, device))
            return;
        const core::Pieces pieces = core::filePieces(device);
        std::optional<LastMatch> matches;
        if (bytePattern_)
            matches.emplace(*bytePattern_);
        const std::optional<core::TextScan> scan =
            core::scanText(pieces, false, [&](QByteArrayView bytes) {
                if (matches)
                    matches->add(bytes);
                return true;
            });
        if (!scan)
            return;
        // The reader takes such bytes as they stand, one Windows-1251 byte per character: only
        // the lines up to the last match are walked, and only overlong lines stop the walk.
        const bool bytesAsText = scan->bytesAsText();
        if (bytesAsText && !(matches && matches->last()))
            return;
        FileHits found(needle_, scan->cellEncoding(), bytesAsText ? &*bytePattern_ : nullptr,
                       bytesAsText ? *matches->last() : std::numeric_limits<qsizetype>::max(),
                       limit_ - hits_.size());
        const core::LineWalk walk =
            bytesAsText ? core::walkLinesOnly(pieces, *scan, found)
                        : core::walkLines(pieces, *scan, core::readerMemoryBudget(), found);
        if (!walk.read)
            return;
        for (FileHits::Row& row : found.rows())
            hits_.push_back({file.journal, file.path, row.number, std::move(row.cells)});
    }

private:
    const core::FindText& needle_;
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

// Only ".csv" in lower case: that is the file "Загрузить архив" opens for a name. Hidden files,
// folders and special files are no archives.
std::vector<JournalFile> archiveFiles(const QString& programFolder) {
    const QDir archives(core::archiveFolderPath(programFolder));
    QStringList names = archives.entryList({QStringLiteral("*.csv")},
                                           QDir::Files | QDir::CaseSensitive, QDir::NoSort);
    // Ordered by code unit rather than by locale, so that the order is the same on every machine.
    std::sort(names.begin(), names.end());
    std::vector<JournalFile> files;
    for (const QString& name : names)
        files.push_back({name.chopped(4), archives.filePath(name)});
    return files;
}

bool readJournalCells(const core::FolderTree& folder, const QString& path, int first, int last,
                      const CellTake& take) {
    core::Opened opened;
    QFile device;
    if (!openToRead(folder, path, opened, device))
        return false;
    const core::Pieces pieces = core::filePieces(device);
    const std::optional<core::TextScan> scan = core::scanText(pieces, true);
    if (!scan)
        return false;
    RowCells cells(scan->cellEncoding(), first, last, take);
    return core::walkLines(pieces, *scan, core::readerMemoryBudget(), cells).read;
}

std::vector<JournalHit> searchJournals(const QString& programFolder, const core::FindText& needle,
                                       int limit) {
    if (needle.isEmpty() || limit <= 0 || !fitsInCell(needle.folded()))
        return {};
    Search search(needle, limit);
    const core::FolderTree folder(programFolder);
    for (const JournalFile& file : journalFiles(programFolder)) {
        if (search.done())
            break;
        search.searchFile(folder, file);
    }
    return std::move(search).hits();
}

} // namespace journal
