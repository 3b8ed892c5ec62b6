#include "core/journalseparator.h"

#include "core/journalformat.h"

#include <algorithm>
#include <map>
#include <vector>

namespace core {

namespace {

// One record of the head as read with a separator: its separators and the ";" outside quotes.
struct Record {
    int separators = 0;
    int semicolons = 0;
    qsizetype bytes = 0; // line ends left out
};

// The head's non-empty records read with spreadsheet quoting and that separator: a field that
// starts with '"' runs to the '"' before a separator or a line end ('""' standing for one '"'),
// line ends inside it included. The last record is left out when the head was cut after it. So is
// a record that fills the longest line: the journal writes fewer ";" only in such a line, and may
// have had room for none.
std::vector<Record> records(QByteArrayView head, char separator, bool cut) {
    enum class State { FieldStart, Plain, Quoted, QuoteInQuoted };
    std::vector<Record> found;
    Record record;
    bool empty = true;
    State state = State::FieldStart;
    const auto endRecord = [&] {
        if (!empty && record.bytes < MaxLineLength)
            found.push_back(record);
        record = {};
        empty = true;
        state = State::FieldStart;
    };
    for (const char c : head) {
        if (c != '\r' && c != '\n')
            ++record.bytes;
        if (state == State::Quoted) {
            if (c == '"')
                state = State::QuoteInQuoted;
            continue;
        }
        if (state == State::QuoteInQuoted && c == '"') {
            state = State::Quoted;
            continue;
        }
        if (c == '\r' || c == '\n') {
            endRecord();
            continue;
        }
        empty = false;
        if (c == separator) {
            ++record.separators;
            state = State::FieldStart;
            continue;
        }
        if (c == ';')
            ++record.semicolons;
        state = state == State::FieldStart && c == '"' ? State::Quoted : State::Plain;
    }
    if (!cut)
        endRecord();
    return found;
}

// Whether most records hold the same number of separators, one or more.
bool splitsAlike(const std::vector<Record>& found) {
    if (found.empty() || std::any_of(found.begin(), found.end(),
                                     [](const Record& record) { return record.semicolons > 0; }))
        return false;
    std::map<int, int> counts;
    for (const Record& record : found)
        ++counts[record.separators];
    const auto most = std::max_element(counts.begin(), counts.end(),
                                       [](auto a, auto b) { return a.second < b.second; });
    return most->first >= 1 && most->second * 4 >= int(found.size()) * 3;
}

// Whether a line of the head ends with ";", as every line of the journal's own form does (a ";"
// after every cell): such a file is read with ";" whatever quotes its cells hold. Quotes are not
// looked at here, since the journal's own files are never quoted: a cell that merely begins with
// '"' must not hide the separators after it.
bool endsALineWithSemicolon(QByteArrayView head) {
    for (qsizetype at = 0; at < head.size(); ++at)
        if ((head[at] == '\r' || head[at] == '\n') && at > 0 && head[at - 1] == ';')
            return true;
    return false;
}

} // namespace

char separatorOf(QByteArrayView text) {
    // The lines looked at, empty ones not counted, and the most text read for them.
    constexpr int SampledLines = 50;
    constexpr qsizetype MostBytes = qsizetype(1) << 20;
    qsizetype end = 0;
    int lines = 0;
    for (char previous = '\n'; end < text.size() && lines < SampledLines; ++end) {
        const char c = text[end];
        if ((c == '\n' || c == '\r') && previous != '\n' && previous != '\r')
            ++lines;
        previous = c;
    }
    const QByteArrayView head = text.first(std::min(end, MostBytes));
    if (endsALineWithSemicolon(head))
        return ';';
    // A tab rarely stands in a cell's text, a comma often does (a decimal comma among them).
    const bool cut = lines >= SampledLines || head.size() >= MostBytes;
    for (const char separator : {'\t', ','})
        if (splitsAlike(records(head, separator, cut)))
            return separator;
    return ';';
}

QString separatorName(char separator) {
    switch (separator) {
    case ',':
        return QStringLiteral("«,» (запятая)");
    case '\t':
        return QStringLiteral("«Tab» (табуляция)");
    default:
        return QStringLiteral("«;» (точка с запятой)");
    }
}

} // namespace core
