#pragma once

#include "core/foldertree.h"

#include <QString>
#include <chrono>
#include <functional>

namespace core {

// The lock every copy of the program takes on the journal folder while it saves, from the look
// at the file being replaced through its backup to the rename: two mechanics pressing "Сохранить"
// at once save one after the other, and the second sees the first one's file. It is an
// open-file-description lock (fcntl) on ".eklz-save.lock" in the folder, which works across
// processes and users of one computer and, where the file system passes locks on, across
// computers; the system drops it when its holder dies.
//
// Any member of the group may put something else under that name. A link, FIFO, socket or empty
// folder there is removed and the lock file made again; a regular file this user cannot open,
// or a folder with files in it, is named to the user with its owner, since it may be a
// colleague's and the program will not take it away.
class SaveLock {
public:
    static constexpr std::chrono::milliseconds DefaultWait{15000};
    // Asked about every 20 ms while another copy holds the lock: false stops waiting.
    using StillWaiting = std::function<bool()>;

    // Waits up to `wait` for the lock. Where the folder cannot hold a lock file (it is not
    // writable: the save then fails on its own) or locks are not supported, the save goes on
    // unlocked. The lock file is made whole with its bits (read-write for the group) before it
    // appears, so that no member ever finds one it cannot lock.
    explicit SaveLock(const FolderTree& folder, std::chrono::milliseconds wait = DefaultWait,
                      StillWaiting stillWaiting = {});

    // False when another copy held the lock for the whole wait, the wait was cancelled, or the
    // lock file is there but cannot be locked by this user.
    bool held() const { return cause_.isEmpty(); }
    // Why the lock is not held, for the message.
    const QString& cause() const { return cause_; }

private:
    enum class Step { Done, Again };

    Step attempt(const Opened& root);
    Step lockOpened(const Opened& root, FileHandle file, const struct stat& info);
    Step clearAway(const Opened& root, const struct stat& seen);
    Step refuse(QString cause);

    std::chrono::steady_clock::time_point giveUp_;
    StillWaiting stillWaiting_;
    FileHandle file_;
    QString cause_;
};

} // namespace core
