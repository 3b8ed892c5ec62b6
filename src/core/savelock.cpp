#include "core/savelock.h"

#include "core/journalio.h"
#include "core/systemerror.h"

#include <cerrno>
#include <fcntl.h>
#include <thread>
#include <unistd.h>

namespace core {

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

// Makes the lock file under a temporary name and gives it its name, unless another copy just did.
void makeLockFile(const Opened& root) {
    NewFile made(root.handle.fd(), SaveLock::fileName() + 1, 0660 | (root.info.st_mode & 0006),
                 root.info.st_gid);
    made.commitUnlessTaken(SaveLock::fileName());
}

int openLockFile(const Opened& root) {
    return ::openat(root.handle.fd(), SaveLock::fileName(),
                    O_RDWR | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
}

} // namespace

SaveLock::SaveLock(const FolderTree& folder, std::chrono::milliseconds wait) {
    const Opened root = folder.openFolder(folder.root());
    if (!root.ok())
        return;
    int fd = openLockFile(root);
    if (fd < 0 && errno == ENOENT) {
        makeLockFile(root);
        fd = openLockFile(root);
    }
    if (fd < 0) {
        // None could be made (a folder not writable) or none is allowed: the save tells.
        if (errno != ENOENT && errno != EROFS)
            error_ = errno;
        return;
    }
    FileHandle file(fd);
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        error_ = NotARegularFile;
        return;
    }
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
            error_ = EAGAIN;
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

QString SaveLock::cause() const {
    if (error_ == EAGAIN)
        return QStringLiteral("Журнал сейчас сохраняет другой пользователь. Попробуйте сохранить "
                              "ещё раз через несколько секунд.");
    return QStringLiteral("Файл блокировки %1 в папке журнала нельзя открыть: %2")
        .arg(QString::fromLatin1(fileName()), systemErrorText(error_));
}

} // namespace core
