#include "core/backgroundbytes.h"

#include "core/fingerprint.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace core {

namespace {

std::optional<QByteArray> readWhole(const FileHandle& file, const QByteArray& fingerprint) {
    struct stat info {};
    if (::fstat(file.fd(), &info) != 0)
        return std::nullopt;
    QByteArray bytes(qsizetype(info.st_size), Qt::Uninitialized);
    qsizetype filled = 0;
    while (filled < bytes.size()) {
        const ssize_t read =
            ::pread(file.fd(), bytes.data() + filled,
                    size_t(std::min(FilePieceBytes, bytes.size() - filled)), off_t(filled));
        if (read < 0 && errno == EINTR)
            continue;
        if (read <= 0)
            return std::nullopt;
        filled += read;
    }
    if (fingerprintOf(bytes) != fingerprint)
        return std::nullopt;
    return bytes;
}

} // namespace

BackgroundBytes::BackgroundBytes(int fd, QByteArray fingerprint) {
    struct stat info {};
    if (::fstat(fd, &info) == 0 && info.st_size <= FilePieceBytes) {
        read_ = readWhole(FileHandle(::fcntl(fd, F_DUPFD_CLOEXEC, 0)), fingerprint);
        return;
    }
    FileHandle copy(::fcntl(fd, F_DUPFD_CLOEXEC, 0));
    if (!copy.valid())
        return;
    bytes_ = std::async(std::launch::async,
                        [file = std::move(copy), fingerprint = std::move(fingerprint)] {
                            return readWhole(file, fingerprint);
                        });
}

std::optional<QByteArray> BackgroundBytes::take() {
    if (read_)
        return *std::exchange(read_, std::nullopt);
    if (!bytes_.valid())
        return std::nullopt;
    return bytes_.get();
}

} // namespace core
