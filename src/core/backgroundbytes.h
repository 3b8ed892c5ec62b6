#pragma once

#include "core/foldertree.h"

#include <QByteArray>
#include <future>
#include <optional>

namespace core {

// A file's bytes read on a thread of their own from a descriptor of their own, so that the
// caller goes on at once (opening a register must not wait for a copy of it), and checked
// against the fingerprint its reader took: the version read, whatever became of its name since.
class BackgroundBytes {
public:
    BackgroundBytes() = default;
    // Reads from a duplicate of `fd`, which the caller may close (a small file at once).
    BackgroundBytes(int fd, QByteArray fingerprint);

    bool pending() const { return bytes_.valid() || read_; }
    // Waits for them: the bytes, or none when they could not be read or are not that version.
    std::optional<QByteArray> take();

private:
    std::future<std::optional<QByteArray>> bytes_;
    // A file of one piece is read at once: a thread would cost more than the copy.
    std::optional<std::optional<QByteArray>> read_;
};

} // namespace core
