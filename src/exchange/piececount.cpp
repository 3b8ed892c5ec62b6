#include "exchange/piececount.h"

#include <algorithm>

namespace exchange {

void PieceCounter::take(QByteArrayView piece) {
    // An occurrence cut by the piece's start is found in the carried bytes and the piece's first
    // ones; one that lies in the carried bytes alone was counted before, and cannot, as they are
    // shorter than the pattern.
    const qsizetype keep = pattern_.size() - 1;
    const QByteArray seam = QByteArray(carry_).append(piece.first(std::min(piece.size(), keep)));
    for (qsizetype at = seam.indexOf(pattern_); at >= 0 && at < carry_.size();
         at = seam.indexOf(pattern_, at + 1))
        ++count_;
    for (qsizetype at = piece.indexOf(pattern_); at >= 0; at = piece.indexOf(pattern_, at + 1))
        ++count_;
    const auto end = [&](qsizetype bytes) { return piece.last(std::min(piece.size(), bytes)); };
    carry_ = carry_.append(end(keep)).right(keep);
    tail_ = tail_.append(end(64)).right(64);
}

} // namespace exchange
