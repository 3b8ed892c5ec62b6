#include "core/journalquotes.h"

#include "core/journalcolumns.h"
#include "core/journalformat.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace core {

namespace {

bool endsField(char c, char separator) {
    return c == separator || c == '\r' || c == '\n';
}

const char* find(const char* from, const char* end, char c) {
    const void* found = std::memchr(from, c, std::size_t(end - from));
    return found ? static_cast<const char*>(found) : end;
}

// The ";" between the two (within a piece, so that an int holds their count), in a loop the
// compiler makes a vector one: twice as fast as std::count here.
int semicolons(const char* from, const char* end) {
    int count = 0;
    for (; from < end; ++from)
        count += *from == ';' ? 1 : 0;
    return count;
}

// The bytes that end a run of text outside quotes, and inside them.
constexpr std::array<bool, 256> stopsAt(char c) {
    std::array<bool, 256> stops{};
    stops[static_cast<unsigned char>(c)] = stops['\r'] = stops['\n'] = true;
    return stops;
}
constexpr std::array<bool, 256> QuotedStops = stopsAt('"');

} // namespace

// The fields as a spreadsheet writes them, read from quote to quote: whether every field that
// starts with '"' closes properly, how many did, and the one still open.
class QuoteScan::Fields {
public:
    enum class Mode { Plain, Quoted, Broken };

    // before: the byte before the first piece (a line end: a field starts there).
    Fields(char before, char separator) : before_(before), separator_(separator) {}

    void add(QByteArrayView piece, qsizetype offset) {
        const char* const data = piece.data();
        const char* const end = data + piece.size();
        const char* p = data;
        if (p == end)
            return;
        // A '"' at the end of the last piece: this byte tells what it was.
        if (std::exchange(quoteAtEnd_, false))
            p = afterQuote(p);
        while (p < end && mode != Mode::Broken) {
            const char* const quote = find(p, end, '"');
            if (mode == Mode::Plain) {
                if (quote == end)
                    break;
                // Only a '"' that starts a field opens one; elsewhere it is text.
                if (endsField(quote > data ? quote[-1] : before_, separator_)) {
                    mode = Mode::Quoted;
                    openedAt = offset + (quote - data);
                    crossedAt = -1;
                }
                p = quote + 1;
                continue;
            }
            if (crossedAt < 0) {
                const char* const lineEnd = std::min(find(p, quote, '\n'), find(p, quote, '\r'));
                if (lineEnd < quote)
                    crossedAt = offset + (lineEnd - data) + 1;
            }
            if (quote == end)
                break;
            if (quote + 1 == end) {
                quoteAtEnd_ = true;
                break;
            }
            p = afterQuote(quote + 1);
        }
        before_ = end[-1];
    }

    // At the end of the text, a '"' waiting for its next byte closes its field.
    void finish() {
        if (std::exchange(quoteAtEnd_, false)) {
            ++closed;
            mode = Mode::Plain;
        }
    }

    Mode mode = Mode::Plain;
    int closed = 0;
    qsizetype openedAt = -1;  // of the open field's quote
    qsizetype crossedAt = -1; // right after the first line end inside the open field

private:
    // `next` is the byte after a '"' inside a quoted field: another '"' (one '"' of the text),
    // or what may follow a closing quote, or anything else, which breaks the quoting.
    const char* afterQuote(const char* next) {
        if (*next == '"')
            return next + 1;
        if (endsField(*next, separator_)) {
            ++closed;
            mode = Mode::Plain;
        } else {
            mode = Mode::Broken;
        }
        return next;
    }

    char before_;
    char separator_;
    bool quoteAtEnd_ = false;
};

QuoteScan::QuoteScan(char separator)
    : separator_(separator), fields_(std::make_unique<Fields>('\n', separator)) {}

QuoteScan::~QuoteScan() = default;

void QuoteScan::add(QByteArrayView piece) {
    if (!std::exchange(started_, true))
        byteOrderMark_ = piece.startsWith(core::Utf8ByteOrderMark);
    // A quote that closes wrongly on its own line leaves the text as it stands, whatever its
    // shape.
    if (!broken_)
        readFields(piece);
    offset_ += piece.size();
}

void QuoteScan::readFields(QByteArrayView piece) {
    qsizetype from = offset_ == 0 && byteOrderMark_ ? core::Utf8ByteOrderMark.size() : 0;
    for (;;) {
        fields_->add(piece.sliced(from), offset_ + from);
        if (fields_->mode != Fields::Mode::Broken)
            break;
        // A field that broke after a line end never closed: it ends at that line end, and the
        // reading begun there goes on.
        if (fields_->crossedAt < 0 || !unclosed(fields_->openedAt)) {
            broken_ = true;
            return;
        }
        closed_ += fields_->closed;
        if (afterUnclosed_ && afterUnclosedOf_ == fields_->openedAt) {
            // It has read the pieces before this one.
            fields_ = std::move(afterUnclosed_);
            from = 0;
        } else if (fields_->crossedAt >= offset_) {
            from = fields_->crossedAt - offset_;
            fields_ = std::make_unique<Fields>('\n', separator_);
        } else {
            broken_ = true; // no reading was kept from there
            return;
        }
    }
    // The reading that stands if the open field never closes starts after its first line end.
    if (fields_->mode != Fields::Mode::Quoted || fields_->crossedAt < 0) {
        afterUnclosed_.reset();
    } else if (afterUnclosed_ && afterUnclosedOf_ == fields_->openedAt) {
        afterUnclosed_->add(piece, offset_);
    } else if (fields_->crossedAt >= offset_) {
        // A reading after an unclosed quote never follows a field over a line end while that
        // quote is open (each run of quotes there is even), so one is enough.
        afterUnclosed_ = std::make_unique<Fields>('\n', separator_);
        afterUnclosedOf_ = fields_->openedAt;
        const qsizetype start = fields_->crossedAt - offset_;
        afterUnclosed_->add(piece.sliced(start), offset_ + start);
    } else {
        afterUnclosed_.reset();
    }
}

bool QuoteScan::unclosed(qsizetype quote) {
    // The second pass reads the text without its byte-order mark.
    unclosed_.push_back(quote - (byteOrderMark_ ? core::Utf8ByteOrderMark.size() : 0));
    return unclosed_.size() <= MostUnclosed;
}

// Each line's ";" and its last byte, counted between its line ends.
bool OwnShape::add(QByteArrayView piece) {
    const char* p = piece.data();
    const char* const end = p + piece.size();
    if (std::exchange(pendingCr_, false) && p < end && *p == '\n')
        ++p;
    const char* lf = nullptr;
    const char* cr = nullptr;
    while (own_ && p < end) {
        if (lf == nullptr || lf < p)
            lf = find(p, end, '\n');
        if (cr == nullptr || cr < p)
            cr = find(p, end, '\r');
        const char* const lineEnd = std::min(lf, cr);
        lineSemicolons_ += semicolons(p, lineEnd);
        lineBytes_ += lineEnd - p;
        if (lineEnd > p)
            lastByte_ = lineEnd[-1];
        if (lineEnd == end)
            return own_;
        endLine();
        p = lineEnd + 1;
        if (*lineEnd == '\r') {
            if (p == end)
                pendingCr_ = true;
            else if (*p == '\n')
                ++p;
        }
    }
    return own_;
}

bool OwnShape::finish() {
    if (lineBytes_ > 0)
        endLine();
    return own_;
}

// This program ends every cell with ";"; only a line as long as the reader accepts may keep
// fewer of them.
void OwnShape::endLine() {
    const bool own = (lineSemicolons_ == core::FileColumns && lastByte_ == ';') ||
                     (lineSemicolons_ <= core::FileColumns && lineBytes_ >= core::MaxLineLength);
    own_ = own_ && own;
    lineSemicolons_ = 0;
    lineBytes_ = 0;
    lastByte_ = 0;
}

Quoting QuoteScan::finish(core::TextEncoding encoding) {
    if (broken_)
        return {};
    // A field open at the end never closed.
    fields_->finish();
    if (fields_->mode == Fields::Mode::Quoted && fields_->crossedAt >= 0) {
        if (!afterUnclosed_ || afterUnclosedOf_ != fields_->openedAt ||
            !unclosed(fields_->openedAt))
            return {};
        closed_ += fields_->closed;
        fields_ = std::move(afterUnclosed_);
        fields_->finish();
    }
    if (fields_->mode == Fields::Mode::Broken ||
        (fields_->mode == Fields::Mode::Quoted &&
         (fields_->crossedAt >= 0 || !unclosed(fields_->openedAt))))
        return {};
    closed_ += fields_->closed;
    // A mark that is no UTF-8 one stays in the first cell, before any quote.
    const bool markKept = byteOrderMark_ && encoding != core::TextEncoding::Utf8;
    // Nothing closed, or fewer than never did: no sign that a spreadsheet wrote the file.
    if (markKept || closed_ == 0 || qsizetype(unclosed_.size()) > closed_)
        return {};
    return {true, std::move(unclosed_)};
}

QuotedRows::QuotedRows(const Quoting& quoting, char separator, qsizetype longestRow, Take take)
    : unclosed_(quoting.unclosed), separator_(separator), plainStops_(stopsAt(separator)),
      longestRow_(longestRow), take_(std::move(take)) {}

bool QuotedRows::add(QByteArrayView piece) {
    for (qsizetype i = 0; i < piece.size(); ++i) {
        // Text up to the next byte that may end it goes in one piece.
        if (state_ == State::Plain || state_ == State::Quoted) {
            const std::array<bool, 256>& stops = state_ == State::Plain ? plainStops_ : QuotedStops;
            const auto* const bytes = reinterpret_cast<const unsigned char*>(piece.data());
            qsizetype end = i;
            while (end < piece.size() && !stops[bytes[end]])
                ++end;
            if (end > i) {
                row_.append(piece.data() + i, std::size_t(end - i));
                previous_ = piece[end - 1];
                skipLf_ = false;
                at_ = offset_ + end - 1;
                i = end - 1;
                if (qsizetype(row_.size()) > longestRow_ && !endRow())
                    return false;
                continue;
            }
        }
        const char c = piece[i];
        at_ = offset_ + i;
        const bool lineEnd = c == '\r' || c == '\n';
        const bool lfOfCrLf = lineEnd && c == '\n' && previous_ == '\r';
        previous_ = c;
        if (lfOfCrLf && std::exchange(skipLf_, false)) {
            ++rowOffset_;
            continue;
        }
        skipLf_ = false;
        const int line = line_;
        if (lineEnd && !lfOfCrLf)
            ++line_;
        switch (state_) {
        case State::FieldStart:
            if (c == '"') {
                state_ = State::Quoted;
                quoteAt_ = at_;
                quoteLine_ = line;
                break;
            }
            state_ = State::Plain;
            if (!plain(c, lineEnd))
                return false;
            break;
        case State::Plain:
            if (!plain(c, lineEnd))
                return false;
            break;
        case State::Quoted:
            if (c == '"') {
                state_ = State::QuoteInQuoted;
            } else if (lineEnd && opensUnclosed()) {
                // A quote that never closes: its field is the rest of its line.
                unclosedLines_.push_back(quoteLine_);
                if (!plain(c, lineEnd))
                    return false;
            } else {
                row_ += c;
            }
            break;
        case State::QuoteInQuoted:
            if (c == '"') {
                row_ += '"';
                state_ = State::Quoted;
                break;
            }
            // A closing quote followed by text is text itself (the first pass lets no such
            // file through, but the file may have changed since).
            if (!endsField(c, separator_))
                row_ += '"';
            state_ = State::Plain;
            if (!plain(c, lineEnd))
                return false;
            break;
        }
        if (qsizetype(row_.size()) > longestRow_ && !endRow())
            return false;
    }
    offset_ += piece.size();
    return true;
}

bool QuotedRows::opensUnclosed() {
    while (nextUnclosed_ < unclosed_.size() && unclosed_[nextUnclosed_] < quoteAt_)
        ++nextUnclosed_;
    return nextUnclosed_ < unclosed_.size() && unclosed_[nextUnclosed_] == quoteAt_;
}

// A byte outside quotes.
bool QuotedRows::plain(char c, bool lineEnd) {
    if (c == separator_) {
        separators_.push_back(qsizetype(row_.size()));
        row_ += c;
        state_ = State::FieldStart;
    } else if (lineEnd) {
        if (!endRow())
            return false;
        state_ = State::FieldStart;
        skipLf_ = c == '\r';
        rowLine_ = line_;
    } else {
        row_ += c;
    }
    return true;
}

bool QuotedRows::finish() {
    if (state_ == State::Quoted)
        unclosedLines_.push_back(quoteLine_);
    // Nothing after the last line end.
    if (state_ == State::FieldStart && row_.empty() && separators_.empty())
        return true;
    state_ = State::FieldStart;
    return endRow();
}

bool QuotedRows::endRow() {
    const QuotedRow row{QByteArrayView(row_.data(), qsizetype(row_.size())), separators_, rowLine_,
                        rowOffset_};
    const bool more = take_(row);
    row_.clear();
    separators_.clear();
    rowOffset_ = at_ + 1;
    return more;
}

} // namespace core
