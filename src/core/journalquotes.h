#pragma once

#include <QByteArrayView>
#include <functional>
#include <span>
#include <vector>

// A journal's text split into rows: its lines, or rows with spreadsheet quoting. A spreadsheet
// writes a field that starts with '"' up to the matching '"' before a ";" or a line end, '""'
// inside it standing for one '"', and a ";" or a line end inside it belonging to its text; this
// program writes no quoting at all. Whether a file is read with quoting is decided from the whole
// of its text, so that a journal this program wrote always reads back byte for byte, whatever its
// cells hold.

namespace core {

struct Quoting {
    bool quoted = false; // the fields are read with spreadsheet quoting
    // The offsets in the text of the quotes that never close, in turn: each one's field is the
    // rest of its line.
    std::vector<qsizetype> unclosed;
};

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
Quoting findQuoting(QByteArrayView text, char separator);
constexpr std::size_t MostUnclosed = 100;

// One row of a text: its cells' text, unquoted, with a separator between them (whose positions
// are given: a quoted cell's text may hold the separator too).
struct TextRow {
    QByteArrayView bytes;
    std::span<const qsizetype> separators;
    int line = 0; // the line it starts on, 1-based
};

using TakeRow = std::function<bool(const TextRow& row)>;

// Splits the text into lines, handing `take` each in turn until it returns false. CR LF, a lone
// CR and a lone LF each end a line; a last line without an end counts too.
void splitLines(QByteArrayView text, char separator, const TakeRow& take);

// The same with that quoting: CR LF, CR and LF each end a row outside quotes and stay in the text
// inside them. The lines of the quotes that never closed, up to where it stopped.
std::vector<int> splitQuotedRows(QByteArrayView text, const Quoting& quoting, char separator,
                                 const TakeRow& take);

} // namespace core
