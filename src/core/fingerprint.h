#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <optional>

namespace core {

// Files are copied and fingerprinted in pieces of this size: a file's fingerprint is the same
// whether its bytes are read piece by piece or held whole.
constexpr qsizetype FilePieceBytes = qsizetype(1) << 18;

// A 128-bit fingerprint of a file's bytes, to tell whether the file changed since this process
// opened or saved it: two of Qt's hashes with different seeds (hardware-assisted where the
// processor allows), carried from piece to piece. It is compared only within one process, and no
// one forges a register against it; a cryptographic hash took a quarter of the time of opening.
class Fingerprint {
public:
    // Every piece but the last is FilePieceBytes long.
    void add(QByteArrayView piece);
    QByteArray value() const;

private:
    size_t first_ = 0x9E3779B9u;
    size_t second_ = 0x85EBCA6Bu;
};

QByteArray fingerprintOf(QByteArrayView bytes);
// The fingerprint of the open file's bytes from its start; none when it cannot be read.
std::optional<QByteArray> fingerprintOfFile(int fd);

} // namespace core
