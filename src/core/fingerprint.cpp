#include "core/fingerprint.h"

#include <QFile>
#include <QHashFunctions>
#include <array>

namespace core {

void Fingerprint::add(QByteArrayView piece) {
    first_ = qHash(piece, first_);
    second_ = qHash(piece, second_ ^ 0xA5A5A5A5u);
}

QByteArray Fingerprint::value() const {
    const std::array<size_t, 2> both = {first_, second_};
    return QByteArray(reinterpret_cast<const char*>(both.data()), sizeof both);
}

QByteArray fingerprintOf(QByteArrayView bytes) {
    Fingerprint fingerprint;
    for (qsizetype at = 0; at < bytes.size(); at += FilePieceBytes)
        fingerprint.add(bytes.sliced(at, std::min(FilePieceBytes, bytes.size() - at)));
    return fingerprint.value();
}

std::optional<QByteArray> fingerprintOfFile(int fd) {
    QFile file;
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::DontCloseHandle) || !file.seek(0))
        return std::nullopt;
    // Whole pieces but the last, so that the fingerprint is fingerprintOf() of the bytes.
    Fingerprint fingerprint;
    QByteArray piece(FilePieceBytes, Qt::Uninitialized);
    for (qint64 filled = -1; filled != 0;) {
        filled = 0;
        while (filled < FilePieceBytes) {
            const qint64 read = file.read(piece.data() + filled, FilePieceBytes - filled);
            if (read < 0)
                return std::nullopt;
            if (read == 0)
                break;
            filled += read;
        }
        if (filled > 0)
            fingerprint.add(QByteArrayView(piece.constData(), filled));
    }
    return fingerprint.value();
}

} // namespace core
