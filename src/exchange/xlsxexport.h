#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <optional>

namespace exchange {

class ExportSheet;

// The sheet as an Excel workbook of one sheet at `path` (written in place: exportfile.h makes a
// write atomic). Every cell a string, but for the dates of the date columns, which are dates
// shown ДД.ММ.ГГГГ; the header row bold, frozen and filtered; the columns' widths; the shading.
// None when written, else why not, in words for the user. exportSheet checks that it fits.
std::optional<QString> writeXlsx(const ExportSheet& sheet, const QString& path);

// Counts the occurrences of a byte string in bytes that come in pieces (a tag in a zip part read
// a megabyte at a time), whichever way the pieces cut it, and keeps the last bytes seen: how a
// written sheet is checked for every row and its end.
class PieceCounter {
public:
    // `pattern` must not overlap itself ("<row " does not): occurrences never share a byte.
    explicit PieceCounter(QByteArray pattern) : pattern_(std::move(pattern)) {}

    void take(QByteArrayView piece);
    qsizetype count() const { return count_; }
    // The bytes seen last, up to 64.
    const QByteArray& tail() const { return tail_; }

private:
    QByteArray pattern_;
    QByteArray carry_; // the end of what was seen, too short to hold the pattern whole
    QByteArray tail_;
    qsizetype count_ = 0;
};

} // namespace exchange
