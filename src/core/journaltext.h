#pragma once

#include "core/journalcharset.h"
#include "core/journalformat.h"
#include "core/journalquotes.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QIODevice>
#include <functional>
#include <optional>
#include <span>
#include <vector>

namespace core {

// A journal's text read line by line from its bytes in pieces cut anywhere (a file read from its
// start, or bytes in memory as one piece), never held whole: a first pass tells how the text is
// encoded and how many lines it has, a second hands out its lines as the reader takes them.

// Each cell the reader stores costs its row entry besides its text (TextColumn).
constexpr qsizetype CellEntryBytes = 6;

// Hands `take` the bytes in pieces from their start until their end or until `take` returns
// false; false when they could not be read.
using PieceTake = std::function<bool(QByteArrayView piece)>;
using Pieces = std::function<bool(const PieceTake& take)>;

// The open file's bytes from its start, in pieces of FilePieceBytes.
Pieces filePieces(QIODevice& file);
// Bytes in memory, as one piece.
Pieces bytePieces(QByteArrayView bytes);

struct TextScan {
    // Utf16 for a file that starts with its byte-order mark (either byte order); otherwise
    // detectEncoding of the text without its NUL bytes.
    TextEncoding encoding = TextEncoding::Windows1251;
    // NUL bytes the text leaves out (in a UTF-16 file, its U+0000 characters).
    qsizetype nulBytes = 0;
    // Lines as the reader counts them, a UTF-8 byte-order mark not left out (when asked for).
    qsizetype lines = 0;
    // Whether the fields are read with spreadsheet quoting (told with the lines).
    core::Quoting quoting;
    // Between the cells (told with the lines, from the first ones: core::SeparatorScan).
    char separator = ';';

    // How the cells are decoded: UTF-16 text goes as UTF-8.
    TextEncoding cellEncoding() const {
        return encoding == TextEncoding::Utf16 ? TextEncoding::Utf8 : encoding;
    }
    // One Windows-1251 byte per character, the text the bytes as they stand.
    bool bytesAsText() const { return encoding == TextEncoding::Windows1251 && nulBytes == 0; }
};

// The first pass over all the bytes (countLines: also their lines, separator and quoting, as the
// reader needs them); `alsoTake` sees every piece of them as well (false stops the
// pass, which then tells only what it saw). None when they could not be read.
std::optional<TextScan> scanText(const Pieces& pieces, bool countLines,
                                 const PieceTake& alsoTake = {});

struct JournalLine {
    int number = 0;                        // 1-based
    qsizetype offset = 0;                  // of its first byte in the text
    QByteArrayView bytes;                  // its line end left out
    std::span<const qsizetype> semicolons; // where the separators between its cells are in bytes
    int fields = 0; // cells: every separator closes one, and text after the last one is one more
    qsizetype length = 0; // in UTF-16 units, decoded

    // Its cells' bytes in turn: take(index, bytes).
    template <typename Take> void forEachCell(Take&& take) const {
        qsizetype start = 0;
        int index = 0;
        for (const qsizetype semicolon : semicolons) {
            take(index++, bytes.sliced(start, semicolon - start));
            start = semicolon + 1;
        }
        if (start < bytes.size())
            take(index, bytes.sliced(start));
    }
};

// The cells of a line's bytes in turn, as the reader splits them: take(index, bytes).
template <typename Take> void forEachCell(QByteArrayView line, Take&& take) {
    qsizetype start = 0;
    int index = 0;
    for (qsizetype i = 0; i < line.size(); ++i)
        if (line[i] == ';') {
            take(index++, line.sliced(start, i - start));
            start = i + 1;
        }
    if (start < line.size())
        take(index, line.sliced(start));
}

class LineSink {
public:
    // A line the reader takes (within MaxLineLength and the memory budget); false stops the walk.
    virtual bool take(const JournalLine& line) = 0;

protected:
    ~LineSink() = default;
};

struct LineWalk {
    bool read = false;              // the bytes could be read (to where the walk stopped)
    std::optional<ReadFault> fault; // the line the reader refuses, which stopped the walk
    // The lines of quotes that never close, in a text read with quoting.
    std::vector<int> unclosedQuoteLines;
};

// The second pass: the sink takes the lines of the text in turn; a UTF-8 byte-order mark is left
// out, CR LF, a lone CR and a lone LF each end a line, a last line without an end counts too.
// In a text read with quoting (scan.quoting) each line is a row of unquoted cells instead
// (core::QuotedRows), numbered by the line it starts on.
// A line longer than MaxLineLength, or one whose cells would not fit in the memory budget (as
// the reader stores them, a row of `cols` cells for every line), stops the walk before the sink
// sees it.
LineWalk walkLines(const Pieces& pieces, const TextScan& scan, qsizetype memoryBudget,
                   LineSink& sink);
// The same for a sink that splits only the few lines it needs (forEachCell): each line comes
// without its ";" and fields, and only a line longer than MaxLineLength stops the walk.
LineWalk walkLinesOnly(const Pieces& pieces, const TextScan& scan, LineSink& sink);

} // namespace core
