#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <atomic>
#include <optional>
#include <vector>

namespace core {

// Bytes kept packed (zlib at its quickest level, through Qt), piece by piece as they are read:
// a register's text packs to about two fifths of its size, and packing it never holds it whole.
class PackedBytes {
public:
    PackedBytes() = default;
    // None when memory ran out (a base that lost bytes would merge as a smaller register), or
    // when `stop` came true before the end.
    static std::optional<PackedBytes> of(QByteArrayView bytes,
                                         const std::atomic<bool>* stop = nullptr);

    // Appends a piece of at most FilePieceBytes; false when memory ran out.
    bool append(QByteArrayView piece);
    qsizetype size() const { return size_; }
    qsizetype packedSize() const;
    // The bytes again; none when memory runs out or a piece no longer unpacks.
    std::optional<QByteArray> unpacked() const;

private:
    std::vector<QByteArray> pieces_;
    qsizetype size_ = 0;
};

} // namespace core
