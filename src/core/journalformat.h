#pragma once

#include "core/journalcharset.h"
#include "core/journalcolumns.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

namespace core {

// The journal file: Windows-1251 text, no header line, one line per data row, every cell followed
// by ";" (but for a line that would then pass MaxLineLength), every line ended by CR LF, no
// quoting. A file a spreadsheet wrote, with its quoting, is read too (journalformat.cpp).

// The longest line the reader accepts, in characters, its line end not counted (shorter in the
// fuzz build, for the reason given at readerMemoryBudget).
#ifdef EKLZ_FUZZ_MAX_LINE_LENGTH
constexpr int MaxLineLength = EKLZ_FUZZ_MAX_LINE_LENGTH;
#else
constexpr int MaxLineLength = 32767;
#endif
// The memory the reader may fill with rows, in bytes: what the machine has free, or in the fuzz
// build a few kilobytes, so that the limit is reached by small inputs and no input costs more
// than a few milliseconds.
qsizetype readerMemoryBudget();
// What the reader counts for each cell of its rows besides its text (two bytes a character): the
// QString and the block its text is kept in.
constexpr qsizetype ReaderCellBytes = qsizetype(sizeof(QString)) + 32;

// The first line the reader refuses, 1-based.
struct ReadFault {
    enum Kind {
        LineTooLong, // longer than MaxLineLength
        OutOfMemory, // its row, or the columns it adds, would not fit in the memory budget
    };
    int line = 0;
    Kind kind = LineTooLong;
    friend bool operator==(const ReadFault&, const ReadFault&) = default;
};

struct ReadResult {
    // On a fault: the lines before the faulty one.
    // The data rows, all with the same number of cells: never fewer than eight; a longer line
    // widens all.
    QList<QStringList> rows;
    std::optional<ReadFault> fault;
    // Field count of the last line read, which tells where the reader stopped (0 for none).
    int lastLineFields = 0;
    TextEncoding encoding = TextEncoding::Windows1251;
    // NUL bytes left out: no journal text holds them, so a file with them is damaged.
    qsizetype droppedNulBytes = 0;
    // On a fault: how many lines the whole file has.
    qsizetype totalLines = 0;
    // Read with spreadsheet quoting: its cells may then hold ";" and line ends.
    bool quoted = false;
    std::vector<int> unclosedQuoteLines; // the lines of quotes that never close
    // Between the cells: ";", or "," or a tab in a CSV saved so (core::separatorOf).
    char separator = ';';

    bool ok() const { return !fault; }
};

// The bytes are read as UTF-16 when they start with its byte-order mark, otherwise as UTF-8 or
// Windows-1251 (detectEncoding); NUL bytes are left out.
// CR LF, a lone CR and a lone LF each end a line; a last line without a line end counts too.
// Every ";" ends a cell, so a ";" at the end of a line closes its last cell and opens no new one:
// "a;b;c" and "a;b;c;" read alike, ";;" leaves an empty cell, an empty line is an empty row.
// A file shaped otherwise than this program writes, whose fields show spreadsheet quoting, is read
// with it (core::findQuoting); this program's own files always as they stand.
ReadResult readJournal(const QByteArray& bytes, qsizetype memoryBudget = readerMemoryBudget());

struct FileRead {
    ReadResult result;
    QByteArray fingerprint; // of the file's bytes (fingerprintOf)
    QByteArray bytes;       // the file's bytes, when they were asked to be kept
};
// readJournal for an open file (its descriptor, left open), read whole from its start; its bytes
// are kept when asked for (`keepBytes`), as the base of a later merge. None when it cannot be read.
std::optional<FileRead> readJournalFile(int fd, qsizetype memoryBudget = readerMemoryBudget(),
                                        bool keepBytes = false);
// The same for the regular file at that path, never through a link in its place.
std::optional<FileRead> readJournalFile(const QString& path,
                                        qsizetype memoryBudget = readerMemoryBudget());

// How many rows the open file would read into (on a fault: its lines). None when it cannot be
// read.
std::optional<qsizetype> countJournalRows(int fd);

// The writer: columns 0 .. 7 of every data row (empty fields for cells a row lacks; cells past 7
// are not written), each cell followed by ";". A line that would thus pass MaxLineLength gets only
// the ";" that fit, though at least those its last non-empty cell needs before it: it reads back as
// the same eight cells. Check the rows with findUnwritableCell and findOverlongRow first.
// Windows-1251, unless those bytes would read back as UTF-8: then UTF-8 with a byte-order mark.
QByteArray writeJournal(const QList<QStringList>& rows);

struct CellPosition {
    int row = 0;
    int col = 0;
    friend bool operator==(const CellPosition&, const CellPosition&) = default;
};

// The first written cell (row by row, columns 0 .. 7) holding a character the file cannot hold;
// `row` is its index in the rows.
std::optional<CellPosition> findUnwritableCell(const QList<QStringList>& rows);
// The index of the first row whose line would be longer than the reader accepts: whose text and
// the ";" between its cells up to its last non-empty one pass MaxLineLength.
std::optional<int> findOverlongRow(const QList<QStringList>& rows);

} // namespace core
