#pragma once

#include "core/foldertree.h"

#include <QString>
#include <chrono>

namespace core {

// The lock every copy of the program takes on the journal folder while it saves, from the look
// at the file being replaced through its backup to the rename: two mechanics pressing "Сохранить"
// at once save one after the other, and the second sees the first one's file. It is an
// open-file-description lock (fcntl) on ".eklz-save.lock" in the folder, which works across
// processes and users of one computer and, where the file system passes locks on, across
// computers; the system drops it when its holder dies.
class SaveLock {
public:
    static constexpr std::chrono::milliseconds DefaultWait{15000};

    // Waits up to `wait` for the lock. Where the folder cannot hold a lock file (it is not
    // writable: the save then fails on its own) or locks are not supported, the save goes on
    // unlocked. The lock file is made whole with its bits (read-write for the group) before it
    // appears, so that no member ever finds one it cannot lock.
    explicit SaveLock(const FolderTree& folder, std::chrono::milliseconds wait = DefaultWait);

    // False when another copy held the lock for the whole wait, or the lock file is there but
    // cannot be locked by this user.
    bool held() const { return error_ == 0; }
    // Why the lock is not held, for the message.
    QString cause() const;

    static const char* fileName() { return ".eklz-save.lock"; }

private:
    FileHandle file_;
    int error_ = 0; // EAGAIN: held by another copy
};

} // namespace core
