#include "core/backgroundbytes.h"

#include "core/fingerprint.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace core {

namespace {

// The file's bytes from its start, packed piece by piece as they are read and fingerprinted on
// the way; none when they cannot be read or are not the version fingerprinted.
std::optional<PackedBytes> readPacked(const FileHandle& file, const QByteArray& fingerprint,
                                      const std::atomic<bool>& stop) {
    QByteArray piece(FilePieceBytes, Qt::Uninitialized);
    Fingerprint taken;
    PackedBytes packed;
    for (off_t at = 0;;) {
        if (stop.load())
            return std::nullopt;
        qsizetype filled = 0;
        // pread: the duplicate shares its file offset with the descriptor it was made from.
        while (filled < piece.size()) {
            const ssize_t read = ::pread(file.fd(), piece.data() + filled,
                                         size_t(piece.size() - filled), at + off_t(filled));
            if (read < 0 && errno == EINTR)
                continue;
            if (read < 0)
                return std::nullopt;
            if (read == 0)
                break;
            filled += read;
        }
        const QByteArrayView bytes(piece.constData(), filled);
        if (filled > 0) {
            taken.add(bytes);
            if (!packed.append(bytes))
                return std::nullopt;
        }
        if (filled < piece.size())
            break;
        at += off_t(filled);
    }
    if (taken.value() != fingerprint)
        return std::nullopt;
    return packed;
}

} // namespace

BackgroundBytes::BackgroundBytes(int fd, QByteArray fingerprint) {
    FileHandle copy(::fcntl(fd, F_DUPFD_CLOEXEC, 0));
    if (!copy.valid())
        return;
    stop_ = std::make_shared<std::atomic<bool>>(false);
    bytes_ = std::async(std::launch::async,
                        [file = std::move(copy), fingerprint = std::move(fingerprint),
                         stop = stop_] { return readPacked(file, fingerprint, *stop); });
}

BackgroundBytes::BackgroundBytes(QByteArray bytes)
    : stop_(std::make_shared<std::atomic<bool>>(false)) {
    bytes_ = std::async(std::launch::async, [bytes = std::move(bytes), stop = stop_] {
        return PackedBytes::of(bytes, stop.get());
    });
}

BackgroundBytes& BackgroundBytes::operator=(BackgroundBytes&& other) noexcept {
    if (this != &other) {
        abandon();
        // The abandoned thread is waited for here, one piece at most.
        bytes_ = std::move(other.bytes_);
        stop_ = std::move(other.stop_);
    }
    return *this;
}

std::optional<PackedBytes> BackgroundBytes::take() {
    if (!bytes_.valid())
        return std::nullopt;
    return bytes_.get();
}

} // namespace core
