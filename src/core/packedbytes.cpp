#include "core/packedbytes.h"

#include "core/fingerprint.h"

#include <new>

namespace core {

namespace {

// zlib's quickest level: on a register, three times as fast as its default, a fifth larger.
constexpr int PackingLevel = 1;

} // namespace

std::optional<PackedBytes> PackedBytes::of(QByteArrayView bytes, const std::atomic<bool>* stop) {
    PackedBytes packed;
    for (qsizetype at = 0; at < bytes.size(); at += FilePieceBytes)
        if ((stop && stop->load()) ||
            !packed.append(bytes.sliced(at, std::min(FilePieceBytes, bytes.size() - at))))
            return std::nullopt;
    return packed;
}

bool PackedBytes::append(QByteArrayView piece) {
    if (piece.isEmpty())
        return true;
    try {
        QByteArray packed =
            qCompress(reinterpret_cast<const uchar*>(piece.data()), piece.size(), PackingLevel);
        if (packed.isEmpty())
            return false;
        packed.squeeze();
        pieces_.push_back(std::move(packed));
    } catch (const std::bad_alloc&) {
        return false;
    }
    size_ += piece.size();
    return true;
}

qsizetype PackedBytes::packedSize() const {
    qsizetype total = 0;
    for (const QByteArray& piece : pieces_)
        total += piece.size();
    return total;
}

std::optional<QByteArray> PackedBytes::unpacked() const {
    try {
        QByteArray bytes;
        bytes.reserve(size_);
        for (const QByteArray& piece : pieces_) {
            const QByteArray unpacked = qUncompress(piece);
            if (unpacked.isEmpty())
                return std::nullopt;
            bytes.append(unpacked);
        }
        if (bytes.size() != size_)
            return std::nullopt;
        return bytes;
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
}

} // namespace core
