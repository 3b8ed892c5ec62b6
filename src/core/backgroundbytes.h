#pragma once

#include "core/foldertree.h"
#include "core/packedbytes.h"

#include <QByteArray>
#include <atomic>
#include <future>
#include <memory>
#include <optional>

namespace core {

// A file's bytes read on a thread of their own from a descriptor of their own, so that the
// caller goes on at once (opening a register must not wait for a copy of it), packed as they are
// read and checked against the fingerprint its reader took: the version read, whatever became
// of its name since.
//
// Bytes no longer wanted (dropped, or replaced by another file's) are abandoned: the thread stops
// after the piece it is at, so that nobody waits for the rest of a large register.
class BackgroundBytes {
public:
    BackgroundBytes() = default;
    // Reads from a duplicate of `fd`, which the caller may close.
    BackgroundBytes(int fd, QByteArray fingerprint);
    // Packs bytes already at hand (a version another copy saved, merged with).
    explicit BackgroundBytes(QByteArray bytes);
    BackgroundBytes(BackgroundBytes&&) noexcept = default;
    BackgroundBytes& operator=(BackgroundBytes&& other) noexcept;
    ~BackgroundBytes() { abandon(); }

    bool pending() const { return bytes_.valid(); }
    // Waits for them: the bytes, or none when they could not be read or are not that version.
    std::optional<PackedBytes> take();

private:
    void abandon() {
        if (stop_)
            stop_->store(true);
    }

    std::shared_ptr<std::atomic<bool>> stop_;
    std::future<std::optional<PackedBytes>> bytes_;
};

} // namespace core
