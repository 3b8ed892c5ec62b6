#include "exchange/piececount.h"

#include <algorithm>

namespace exchange {

void PieceCounter::take(QByteArrayView piece) {
    // An occurrence cut by the piece's start is found in the carried bytes and the piece joined.
    // None lies in the carried bytes alone, which are shorter than the pattern: each is counted
    // once.
    const QByteArray seen = QByteArray(carry_).append(piece);
    for (qsizetype at = seen.indexOf(pattern_); at >= 0; at = seen.indexOf(pattern_, at + 1))
        ++count_;
    carry_ = seen.right(pattern_.size() - 1);
    tail_ = tail_.append(piece.last(std::min<qsizetype>(piece.size(), 64))).right(64);
}

} // namespace exchange
