#pragma once

#include "core/journalcharset.h"

#include <QByteArrayView>
#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

// Spreadsheet quoting in a journal's text. A spreadsheet writes a field that starts with '"' up
// to the matching '"' before a ";" or a line end, '""' inside it standing for one '"', and a ";"
// or a line end inside it belonging to its text; this program writes no quoting at all. Whether
// a file is read with quoting is decided from the whole of its text (QuoteScan), so that a
// journal this program wrote always reads back byte for byte, whatever its cells hold.

namespace core {

struct Quoting {
    bool quoted = false; // the fields are read with spreadsheet quoting
    // The offsets, in the text the second pass walks, of the quotes that never close, in turn:
    // each one's field is the rest of its line.
    std::vector<qsizetype> unclosed;
};

// How the quotes of a text that comes in pieces, cut anywhere, are read. The text is read with
// quoting only when
// - at least one field starts with '"' and closes, and every such field closes properly: the
//   closing '"' is followed by ";", a line end or the end of the text. A field that runs past
//   its line end and then closes wrongly, or not at all, never closes: it ends at that line end
//   and the lines after read as ever. No more fields may be unclosed than closed, and at most
//   MostUnclosed;
// - and it is not shaped as this program writes its journals (OwnShape), which the caller looks
//   at only when the quotes are read so: a text that cannot be read with quoting needs no look.
// A text that starts with the UTF-8 byte-order mark is judged after it.
class QuoteScan {
public:
    // separator: between the cells (core::SeparatorScan).
    explicit QuoteScan(char separator = ';');
    ~QuoteScan();
    QuoteScan(const QuoteScan&) = delete;
    QuoteScan& operator=(const QuoteScan&) = delete;

    // The first piece of a text holds the whole byte-order mark when it has one.
    void add(QByteArrayView piece);
    // After the last piece, once the text's encoding is known: a mark that is no UTF-8 one stays
    // in the first cell, and such a text is read as it stands.
    Quoting finish(core::TextEncoding encoding);

    static constexpr std::size_t MostUnclosed = 100;

private:
    class Fields;
    void readFields(QByteArrayView piece);
    // Notes the quote of a field that never closes; false past MostUnclosed.
    bool unclosed(qsizetype quote);

    char separator_;
    // The fields, and another reading begun after the line end in the open field's line, which
    // is the one that stands when that field never closes.
    std::unique_ptr<Fields> fields_;
    std::unique_ptr<Fields> afterUnclosed_;
    qsizetype afterUnclosedOf_ = -1; // the open field's quote that reading follows
    bool broken_ = false;
    int closed_ = 0; // by the readings before the current one
    std::vector<qsizetype> unclosed_;
    bool started_ = false;
    bool byteOrderMark_ = false;
    qsizetype offset_ = 0;
};

// Whether a text that comes in pieces, cut anywhere, is shaped as this program writes its
// journals: each line has eight ";" and ends with one, but a line as long as the reader accepts,
// which may keep fewer. (Eight, not only the last: a spreadsheet's lines end with ";" too when
// their last cell is empty, after seven.) CR LF, CR and LF each end a line.
class OwnShape {
public:
    // False once a line is shaped otherwise.
    bool add(QByteArrayView piece);
    bool finish();

private:
    void endLine();

    bool own_ = true;
    qsizetype lineSemicolons_ = 0;
    qsizetype lineBytes_ = 0;
    char lastByte_ = 0;
    bool pendingCr_ = false;
};

// One row of a text read with quoting: its cells' text, unquoted, with a separator between them
// (whose positions are given: a cell's text may hold ";" too).
struct QuotedRow {
    QByteArrayView bytes;
    std::span<const qsizetype> separators;
    int line = 0;         // the line it starts on, 1-based
    qsizetype offset = 0; // of its first byte in the text
};

// Splits text that comes in pieces, cut anywhere, into rows with spreadsheet quoting (the second
// pass, for a text QuoteScan judged quoted). CR LF, CR and LF each end a row outside quotes and
// stay in the text inside them; a row longer than `longestRow` bytes goes as soon as it is,
// unfinished, for the reader to refuse.
class QuotedRows {
public:
    using Take = std::function<bool(const QuotedRow& row)>;
    QuotedRows(const Quoting& quoting, char separator, qsizetype longestRow, Take take);

    // False once `take` has returned false.
    bool add(QByteArrayView piece);
    bool finish();
    // The lines of the quotes that never closed, in turn.
    const std::vector<int>& unclosedLines() const { return unclosedLines_; }

private:
    enum class State { FieldStart, Plain, Quoted, QuoteInQuoted };
    bool plain(char c, bool lineEnd);
    // Whether the open field's quote is one that never closes.
    bool opensUnclosed();
    bool endRow();

    std::vector<qsizetype> unclosed_;
    std::size_t nextUnclosed_ = 0;
    char separator_;
    std::array<bool, 256> plainStops_;
    qsizetype longestRow_;
    Take take_;
    State state_ = State::FieldStart;
    std::string row_;
    std::vector<qsizetype> separators_;
    qsizetype offset_ = 0; // of the piece
    qsizetype at_ = 0;     // of the byte read
    qsizetype rowOffset_ = 0;
    qsizetype quoteAt_ = -1;
    int quoteLine_ = 0;
    int line_ = 1;
    int rowLine_ = 1;
    char previous_ = 0;
    bool skipLf_ = false;
    std::vector<int> unclosedLines_;
};

} // namespace core
