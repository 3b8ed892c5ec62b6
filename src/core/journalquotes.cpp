#include "core/journalquotes.h"

#include "core/journalcolumns.h"
#include "core/journalformat.h"

#include <string>

namespace core {

namespace {

bool isLineEnd(char c) {
    return c == '\r' || c == '\n';
}

bool endsField(char c, char separator) {
    return c == separator || isLineEnd(c);
}

// Where the line end at `at` is followed by the next line: after its LF when it is a CR LF.
qsizetype afterLineEnd(QByteArrayView text, qsizetype at) {
    return text[at] == '\r' && at + 1 < text.size() && text[at + 1] == '\n' ? at + 2 : at + 1;
}

// Whether every line of the text is shaped as this program writes them.
bool ownShape(QByteArrayView text) {
    bool own = true;
    splitLines(text, ';', [&](const TextRow& line) {
        const auto semicolons = qsizetype(line.separators.size());
        own = (semicolons == FileColumns && line.bytes.endsWith(';')) ||
              (semicolons <= FileColumns && line.bytes.size() >= MaxLineLength);
        return own;
    });
    return own;
}

} // namespace

Quoting findQuoting(QByteArrayView text, char separator) {
    std::vector<qsizetype> unclosed;
    int closed = 0;
    qsizetype from = 0; // where the reading started: a field starts there
    for (qsizetype at = 0; at < text.size();) {
        const qsizetype quote = text.indexOf('"', at);
        if (quote < 0)
            break;
        at = quote + 1;
        // Only a '"' that starts a field opens one; elsewhere it is text.
        if (quote != from && !endsField(text[quote - 1], separator))
            continue;
        qsizetype crossed = -1; // right after the first line end inside the field
        bool closes = false;
        for (; at < text.size(); ++at) {
            if (text[at] == '"') {
                if (at + 1 == text.size() || endsField(text[at + 1], separator)) {
                    closes = true;
                    ++at;
                    break;
                }
                if (text[at + 1] != '"')
                    break; // closed wrongly
                ++at;
            } else if (crossed < 0 && isLineEnd(text[at])) {
                crossed = at + 1;
            }
        }
        if (closes) {
            ++closed;
            continue;
        }
        // A field closed wrongly on its own line leaves the text as it stands. One that ran past
        // its line end never closed: it ends at that line end, and the reading goes on there.
        if ((at < text.size() && crossed < 0) || unclosed.size() == MostUnclosed)
            return {};
        unclosed.push_back(quote);
        if (crossed < 0)
            break;
        at = from = crossed;
    }
    // Nothing closed, or fewer than never did: no sign that a spreadsheet wrote the file.
    if (closed == 0 || qsizetype(unclosed.size()) > closed || ownShape(text))
        return {};
    return {true, std::move(unclosed)};
}

void splitLines(QByteArrayView text, char separator, const TakeRow& take) {
    std::vector<qsizetype> separators;
    int line = 0;
    for (qsizetype start = 0; start < text.size();) {
        separators.clear();
        qsizetype end = start;
        for (; end < text.size() && !isLineEnd(text[end]); ++end)
            if (text[end] == separator)
                separators.push_back(end - start);
        if (!take({text.sliced(start, end - start), separators, ++line}))
            return;
        start = end < text.size() ? afterLineEnd(text, end) : end;
    }
}

std::vector<int> splitQuotedRows(QByteArrayView text, const Quoting& quoting, char separator,
                                 const TakeRow& take) {
    std::vector<int> unclosedLines;
    auto nextUnclosed = quoting.unclosed.begin();
    std::string row;
    std::vector<qsizetype> separators;
    int line = 1;
    int rowLine = 1;
    const auto endRow = [&] {
        const bool more =
            take({QByteArrayView(row.data(), qsizetype(row.size())), separators, rowLine});
        row.clear();
        separators.clear();
        return more;
    };
    const qsizetype size = text.size();
    // Field by field, from its start.
    for (qsizetype at = 0; at < size;) {
        if (text[at] == '"') {
            const qsizetype quote = at++;
            while (nextUnclosed != quoting.unclosed.end() && *nextUnclosed < quote)
                ++nextUnclosed;
            const bool neverCloses =
                nextUnclosed != quoting.unclosed.end() && *nextUnclosed == quote;
            bool closes = false;
            const int quoteLine = line;
            for (; at < size; ++at) {
                const char c = text[at];
                if (c == '"' && (at + 1 == size || text[at + 1] != '"')) {
                    closes = true;
                    ++at;
                    // A closing quote followed by text is text itself (the quoting was judged on
                    // the whole text, which lets no such quote through; kept for safety).
                    if (at < size && !endsField(text[at], separator))
                        row += '"';
                    break;
                }
                if (c == '"') {
                    ++at; // '""' is one '"'
                } else if (isLineEnd(c)) {
                    // A quote that never closes: its field is the rest of its line.
                    if (neverCloses)
                        break;
                    if (c == '\n' || at + 1 == size || text[at + 1] != '\n')
                        ++line;
                }
                row += c;
            }
            if (!closes)
                unclosedLines.push_back(quoteLine);
        }
        // The rest of the field, up to its end.
        while (at < size && !endsField(text[at], separator))
            row += text[at++];
        if (at < size && text[at] == separator) {
            separators.push_back(qsizetype(row.size()));
            row += separator;
            if (++at < size)
                continue;
        }
        // The row ends at a line end or at the end of the text.
        if (!endRow() || at == size)
            break;
        at = afterLineEnd(text, at);
        rowLine = ++line;
    }
    return unclosedLines;
}

} // namespace core
