#include "core/journaltext.h"

#include "core/fingerprint.h"
#include "core/journalcolumns.h"
#include "core/journalseparator.h"
#include "core/textpieces.h"

#include <QStringDecoder>
#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <vector>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace core {

namespace {

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

// Lines as the reader counts them, in text that comes in pieces: CR LF, CR and LF each end one;
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

// The bytes that end a cell or a line.
std::array<bool, 256> cellEnds(char separator) {
    std::array<bool, 256> ends{};
    ends[static_cast<unsigned char>(separator)] = ends['\r'] = ends['\n'] = true;
    return ends;
}

// Notes the separators from data[i] on and returns where the line ends (its CR or LF, or size).
// Sixteen bytes are looked at a time where the processor can: the scan is most of the cost of an
// open.
qsizetype noteSemicolons(const unsigned char* data, qsizetype i, qsizetype size, qsizetype start,
                         char separator, const std::array<bool, 256>& ends,
                         std::vector<qsizetype>& semicolons) {
#ifdef __SSE2__
    const __m128i semicolon = _mm_set1_epi8(separator);
    const __m128i cr = _mm_set1_epi8('\r');
    const __m128i lf = _mm_set1_epi8('\n');
    for (; i + 16 <= size; i += 16) {
        const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + i));
        const __m128i ends = _mm_or_si128(_mm_cmpeq_epi8(chunk, cr), _mm_cmpeq_epi8(chunk, lf));
        const auto endMask = unsigned(_mm_movemask_epi8(ends));
        auto mask = unsigned(_mm_movemask_epi8(_mm_cmpeq_epi8(chunk, semicolon)));
        // Only the ";" before the first line end belong to this line.
        if (endMask != 0)
            mask &= (1u << std::countr_zero(endMask)) - 1;
        for (; mask != 0; mask &= mask - 1)
            semicolons.push_back(i + std::countr_zero(mask) - start);
        if (endMask != 0)
            return i + std::countr_zero(endMask);
    }
#endif
    for (; i < size; ++i) {
        const unsigned char c = data[i];
        if (!ends[c])
            continue;
        if (c != static_cast<unsigned char>(separator))
            break;
        semicolons.push_back(i - start);
    }
    return i;
}

// Splits text that ends where a line ends into lines and their cells (the separators, CR and LF
// are the same bytes in every encoding read), and stops at the first line the reader refuses.
class LineSplitter {
public:
    // split: the line's separators are noted and the memory budget applies; otherwise the lines
    // alone.
    LineSplitter(TextEncoding encoding, char separator, qsizetype memoryBudget, bool split,
                 LineSink& sink)
        : encoding_(encoding), separator_(separator), ends_(cellEnds(separator)),
          budget_(memoryBudget), split_(split), sink_(sink) {}

    bool stopped() const { return stopped_; }
    const std::optional<ReadFault>& fault() const { return fault_; }

    bool feed(QByteArrayView text) {
        if (stopped_)
            return false;
        const auto* const data = reinterpret_cast<const unsigned char*>(text.data());
        const qsizetype size = text.size();
        // Where the next LF is, kept while a line of lone CRs is passed.
        qsizetype lf = -1;
        for (qsizetype pos = 0; pos < size;) {
            qsizetype i = pos;
            if (split_) {
                // The separators are noted as the line is scanned, so that its cells need no
                // second scan.
                semicolons_.clear();
                i = noteSemicolons(data, i, size, pos, separator_, ends_, semicolons_);
            } else {
                if (lf < pos) {
                    const void* found = std::memchr(data + pos, '\n', std::size_t(size - pos));
                    lf = found ? static_cast<const unsigned char*>(found) - data : size;
                }
                const void* cr = std::memchr(data + pos, '\r', std::size_t(lf - pos));
                i = cr ? static_cast<const unsigned char*>(cr) - data : lf;
            }
            if (!addLine(text.sliced(pos, i - pos), offset_ + pos, lines_ + 1, semicolons_)) {
                stopped_ = true;
                return false;
            }
            pos = i + 1 < size && data[i] == '\r' && data[i + 1] == '\n' ? i + 2 : i + 1;
        }
        offset_ += size;
        return true;
    }

    // A row of a text read with quoting.
    bool addRow(const core::QuotedRow& row) {
        if (!addLine(row.bytes, row.offset, row.line, row.separators)) {
            stopped_ = true;
            return false;
        }
        return true;
    }

private:
    bool addLine(QByteArrayView bytes, qsizetype offset, int number,
                 std::span<const qsizetype> separators) {
        JournalLine line;
        line.number = number;
        line.offset = offset;
        line.bytes = bytes;
        line.semicolons = separators;
        line.length = decodedLength(bytes, encoding_);
        lines_ = number;
        ++rows_;
        if (line.length > MaxLineLength) {
            fault_ = ReadFault{line.number, ReadFault::LineTooLong};
            return false;
        }
        if (!split_)
            return sink_.take(line);
        // Within the limit a line has at most MaxLineLength + 1 fields.
        const qsizetype lastCell = separators.empty() ? 0 : separators.back() + 1;
        line.fields = int(separators.size()) + (bytes.size() > lastCell ? 1 : 0);
        const int cols = std::max(cols_, line.fields);
        if (qsizetype(rows_) * cols * CellEntryBytes + (textUnits_ + line.length) * 2 > budget_) {
            fault_ = ReadFault{line.number, ReadFault::OutOfMemory};
            return false;
        }
        cols_ = cols;
        textUnits_ += line.length;
        return sink_.take(line);
    }

    TextEncoding encoding_;
    char separator_;
    std::array<bool, 256> ends_;
    qsizetype budget_;
    bool split_;
    LineSink& sink_;
    bool stopped_ = false;
    std::optional<ReadFault> fault_;
    int lines_ = 0; // the last line's number
    int rows_ = 0;
    int cols_ = FileColumns;
    qsizetype textUnits_ = 0;
    qsizetype offset_ = 0;
    std::vector<qsizetype> semicolons_;
};

// Hands the splitter whole lines from pieces cut anywhere: the part after a piece's last line
// end waits for the next piece, and so does a CR at its very end, whose LF may start the next one.
class LineJoiner {
public:
    explicit LineJoiner(LineSplitter& splitter) : splitter_(splitter) {}

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
            if (!splitter_.feed(pending_))
                return false;
            pending_.clear();
            piece = piece.sliced(first);
            end -= first;
        }
        if (end > 0 && !splitter_.feed(piece.first(end)))
            return false;
        pending_ = piece.sliced(end).toByteArray();
        return true;
    }

    bool flush() {
        const bool more = pending_.isEmpty() || splitter_.feed(pending_);
        pending_.clear();
        return more;
    }

private:
    LineSplitter& splitter_;
    QByteArray pending_;
};

// A look at the text's lines, from its start until one is not shaped as this program writes
// them (for a spreadsheet's file, its first). A text that cannot be read counts as its own.
bool ownShape(const Pieces& pieces) {
    core::OwnShape shape;
    bool own = true;
    const PieceTake takeText = [&](QByteArrayView text) { return own = shape.add(text); };
    TextPieces text(false, true, takeText);
    const bool read = pieces([&](QByteArrayView bytes) { return text.add(bytes); });
    if (own && read)
        text.finish();
    return own && (!read || shape.finish());
}

// The separator told from the text's first lines.
char separatorOf(const Pieces& pieces) {
    SeparatorScan scan;
    const PieceTake takeText = [&](QByteArrayView text) { return scan.add(text); };
    TextPieces text(true, true, takeText);
    bool more = true;
    pieces([&](QByteArrayView bytes) { return more = more && text.add(bytes); });
    if (more)
        text.finish();
    return scan.finish();
}

} // namespace

Pieces filePieces(QIODevice& file) {
    return [&file](const PieceTake& take) { return file.seek(0) && readInPieces(file, take); };
}

Pieces bytePieces(QByteArrayView bytes) {
    return [bytes](const PieceTake& take) {
        if (!bytes.isEmpty())
            take(bytes);
        return true;
    };
}

std::optional<TextScan> scanText(const Pieces& pieces, bool countLines, const PieceTake& alsoTake) {
    EncodingScan encoding;
    LineCounter lines;
    // The quotes are read between the cells the separator makes.
    const char separator = countLines ? separatorOf(pieces) : ';';
    core::QuoteScan quotes(separator);
    const TextPieces* source = nullptr;
    const PieceTake takeText = [&](QByteArrayView text) {
        if (countLines) {
            lines.add(text);
            quotes.add(text);
        }
        // UTF-16 text is read as UTF-8 whatever it holds.
        if (!source->utf16())
            encoding.add(text);
        return true;
    };
    // The lines of a UTF-16 file are those of its text.
    TextPieces text(false, countLines, takeText);
    source = &text;
    const bool read = pieces([&](QByteArrayView bytes) {
        if (alsoTake && !alsoTake(bytes))
            return false;
        return text.add(bytes);
    });
    if (!read || !text.finish())
        return std::nullopt;
    TextScan scan;
    scan.encoding = text.utf16() ? TextEncoding::Utf16 : encoding.result();
    scan.nulBytes = text.nulBytes();
    scan.lines = lines.lines();
    scan.separator = separator;
    if (countLines) {
        scan.quoting = quotes.finish(scan.encoding);
        // A file this program wrote is read as it stands, whatever its quotes.
        if (scan.quoting.quoted && ownShape(pieces))
            scan.quoting = {};
    }
    return scan;
}

namespace {

LineWalk walk(const Pieces& pieces, const TextScan& scan, qsizetype memoryBudget, bool split,
              LineSink& sink) {
    LineSplitter splitter(scan.cellEncoding(), scan.separator, memoryBudget, split, sink);
    LineJoiner joiner(splitter);
    // A row that long is refused whatever follows, as a line is.
    std::optional<core::QuotedRows> rows;
    if (split && scan.quoting.quoted)
        rows.emplace(scan.quoting, scan.separator, 4 * qsizetype(MaxLineLength) + 4,
                     [&](const core::QuotedRow& row) { return splitter.addRow(row); });
    const PieceTake takeText = [&](QByteArrayView text) {
        return rows ? rows->add(text) : joiner.add(text);
    };
    TextPieces text(scan.cellEncoding() == TextEncoding::Utf8, true, takeText);
    LineWalk walk;
    walk.read = pieces([&](QByteArrayView bytes) { return text.add(bytes); });
    if (walk.read && !splitter.stopped() && text.finish()) {
        if (rows)
            rows->finish();
        else
            joiner.flush();
    }
    walk.fault = splitter.fault();
    if (rows)
        walk.unclosedQuoteLines = rows->unclosedLines();
    return walk;
}

} // namespace

LineWalk walkLines(const Pieces& pieces, const TextScan& scan, qsizetype memoryBudget,
                   LineSink& sink) {
    return walk(pieces, scan, memoryBudget, true, sink);
}

LineWalk walkLinesOnly(const Pieces& pieces, const TextScan& scan, LineSink& sink) {
    return walk(pieces, scan, 0, false, sink);
}

} // namespace core
