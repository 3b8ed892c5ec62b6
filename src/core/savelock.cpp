#include "core/savelock.h"

#include <cerrno>
#include <fcntl.h>
#include <thread>
#include <unistd.h>

namespace journal {

namespace {

// 0 when taken; otherwise the error of the failing call (EAGAIN: held by another).
int tryLock(int fd) {
    struct flock whole {};
    whole.l_type = F_WRLCK;
    whole.l_whence = SEEK_SET;
#ifdef F_OFD_SETLK
    if (::fcntl(fd, F_OFD_SETLK, &whole) == 0)
        return 0;
    if (errno != EINVAL)
        return errno;
#endif
    return ::fcntl(fd, F_SETLK, &whole) == 0 ? 0 : errno;
}

} // namespace

SaveLock::SaveLock(const FolderTree& folder, std::chrono::milliseconds wait) {
    const Opened root = folder.openFolder(folder.root());
    if (!root.ok())
        return;
    const int fd = ::openat(root.handle.fd(), fileName(),
                            O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0600);
    if (fd < 0)
        return;
    FileHandle file(fd);
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode))
        return;
    // Every member of the group locks the same file.
    if (info.st_uid == ::geteuid())
        setModeAndGroup(fd, 0660 | (root.info.st_mode & 0006), root.info.st_gid);
    const auto giveUp = std::chrono::steady_clock::now() + wait;
    for (;;) {
        const int error = tryLock(fd);
        if (error == 0) {
            file_ = std::move(file);
            return;
        }
        if (error != EAGAIN && error != EACCES && error != EINTR)
            return; // no locks on this file system
        if (std::chrono::steady_clock::now() >= giveUp) {
            busy_ = true;
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

QString SaveLock::busyText() {
    return QStringLiteral("Журнал сейчас сохраняет другой пользователь. Попробуйте сохранить ещё "
                          "раз через несколько секунд.");
}

} // namespace journal
