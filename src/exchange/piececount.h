#pragma once

#include <QByteArray>
#include <QByteArrayView>

namespace exchange {

// Counts the occurrences of a byte string in bytes that come in pieces (a tag in a zip part read
// a megabyte at a time), whichever way the pieces cut it, and keeps the last bytes seen.
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
