#pragma once

// What the program promises about the rows the journal reader hands over and about the files its
// writer makes of them: shared by the reader's fuzzer and the journal fuzzer.

#include "core/journalcharset.h"
#include "core/journalcolumns.h"
#include "core/journalformat.h"
#include "promise.h"

#include <QByteArrayView>
#include <QList>
#include <QStringList>
#include <algorithm>
#include <optional>

namespace fuzz {

// The characters that part a file's cells and lines, and NUL.
inline bool isStructural(QChar c, char separator) {
    return c == QLatin1Char(separator) || c == u'\r' || c == u'\n' || c == QChar(0);
}

// Rows of one width within the limits, whose cells hold no part of the file's structure (but for
// the separators and line ends of quoted fields) and no NUL, each row short enough to have been
// one line. In a file read with another separator than ";", a cell may hold ";".
inline void checkRows(const core::ReadResult& result) {
    const QList<QStringList>& rows = result.rows;
    const qsizetype cols = rows.isEmpty() ? core::FileColumns : rows.first().size();
    PROMISE(cols >= core::FileColumns);
    PROMISE(rows.size() * cols * core::ReaderCellBytes <= core::readerMemoryBudget());
    for (const QStringList& row : rows) {
        PROMISE(row.size() == cols);
        qsizetype length = 0;
        for (const QString& cell : row) {
            length += cell.size();
            for (QChar ch : cell) {
                const bool structural = isStructural(ch, result.separator);
                PROMISE(!structural || (result.quoted && ch != QChar(0)));
                // Windows-1251 text is made of the characters a file can hold.
                if (result.encoding == core::TextEncoding::Windows1251)
                    PROMISE(core::canHold(ch) || structural || ch == u';');
            }
        }
        PROMISE(length <= core::MaxLineLength);
    }
}

// Read from a file as it stands, one Windows-1251 byte a character between ";": such cells can all
// be written again.
inline bool readAsWritten(const core::ReadResult& result) {
    return result.encoding == core::TextEncoding::Windows1251 && !result.quoted &&
           result.separator == ';';
}

inline QStringView lineOf(QStringView text, qsizetype& pos) {
    const qsizetype end = text.indexOf(u"\r\n", pos);
    const QStringView line = text.sliced(pos, (end < 0 ? text.size() : end) - pos);
    pos = end < 0 ? text.size() : end + 2;
    return line;
}

// Rows the save check lets through are written as one line of eight ";"-ended fields each (fewer
// ";" only in a line that eight would take past the limit, which is then filled up to it), no
// line longer than the reader accepts, and read back as the same columns 0 .. 7, which write the
// same bytes again.
inline void checkWriteAndReadBack(const QList<QStringList>& rows, bool writable) {
    const std::optional<core::CellPosition> unwritable = core::findUnwritableCell(rows);
    const std::optional<int> overlong = core::findOverlongRow(rows);
    if (writable)
        PROMISE(!unwritable);
    if (unwritable)
        return;

    const QByteArray written = core::writeJournal(rows);
    // Lines are measured in characters, as the reader measures them.
    const core::TextEncoding encoding = core::detectEncoding(written);
    const QString text =
        core::decodeText(encoding == core::TextEncoding::Utf8 ? core::withoutByteOrderMark(written)
                                                              : QByteArrayView(written),
                         encoding);
    qsizetype pos = 0;
    int lines = 0;
    std::optional<int> firstLongLine;
    while (pos < text.size()) {
        const QStringView line = lineOf(text, pos);
        const qsizetype separators = line.count(u';');
        PROMISE(separators == core::FileColumns
                    ? line.endsWith(u';')
                    : separators < core::FileColumns && line.size() >= core::MaxLineLength);
        if (line.size() > core::MaxLineLength && !firstLongLine)
            firstLongLine = lines;
        ++lines;
    }
    PROMISE(lines == rows.size());
    // The save check names exactly the row whose line the reader would refuse.
    PROMISE(overlong == firstLongLine);
    if (overlong)
        return;

    const core::ReadResult reread = core::readJournal(written);
    // What the save check lets through is read back unless the memory runs out, and never
    // unquoted, whatever its cells hold.
    PROMISE(reread.ok() || reread.fault->kind == core::ReadFault::OutOfMemory);
    PROMISE(!reread.quoted && reread.unclosedQuoteLines.empty());
    if (!reread.ok())
        return;
    PROMISE(reread.droppedNulBytes == 0);
    PROMISE(reread.rows.size() == rows.size());
    for (int r = 0; r < rows.size(); ++r) {
        PROMISE(reread.rows[r].size() == core::FileColumns);
        for (int c = 0; c < core::FileColumns; ++c)
            PROMISE(reread.rows[r][c] == rows[r].value(c));
    }
    PROMISE(core::writeJournal(reread.rows) == written);
}

} // namespace fuzz
