#include "core/savelock.h"

#include "core/accountname.h"
#include "core/journalio.h"
#include "core/systemerror.h"

#include <cerrno>
#include <fcntl.h>
#include <thread>
#include <unistd.h>

namespace core {

namespace {

// Each round opens what stands under the name, and either locks it, clears it away or refuses;
// only another copy clearing or replacing it at the same moment sends a round back.
constexpr int Rounds = 8;
constexpr std::chrono::milliseconds Pause{20};

const QByteArray LockName = QByteArrayLiteral(".eklz-save.lock");
const QString ShownName = QString::fromLatin1(LockName);

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

// Makes the lock file under a temporary name and gives it its name, unless another copy just did:
// 0, EEXIST, or the error of the failing call.
int makeLockFile(const Opened& root) {
    NewFile made(root.handle.fd(), LockName.mid(1), 0660 | (root.info.st_mode & 0006),
                 root.info.st_gid);
    made.commitUnlessTaken(LockName);
    return made.error();
}

bool sameFile(const struct stat& one, const struct stat& other) {
    return one.st_dev == other.st_dev && one.st_ino == other.st_ino;
}

QString kindOf(mode_t mode) {
    if (S_ISLNK(mode))
        return QStringLiteral("символическая ссылка");
    if (S_ISFIFO(mode))
        return QStringLiteral("канал");
    if (S_ISSOCK(mode))
        return QStringLiteral("сокет");
    if (S_ISDIR(mode))
        return QStringLiteral("папка");
    return QStringLiteral("устройство");
}

QString ownerAndMode(const struct stat& info) {
    return QStringLiteral("владелец %1, права %2")
        .arg(userName(info.st_uid))
        .arg(uint(info.st_mode & 07777), 4, 8, QLatin1Char('0'));
}

} // namespace

SaveLock::SaveLock(const FolderTree& folder, std::chrono::milliseconds wait,
                   StillWaiting stillWaiting)
    : giveUp_(std::chrono::steady_clock::now() + wait), stillWaiting_(std::move(stillWaiting)) {
    const Opened root = folder.openFolder(folder.root());
    if (!root.ok())
        return;
    for (int round = 0; round < Rounds; ++round)
        if (attempt(root) == Step::Done)
            return;
    cause_ = QStringLiteral("Файл блокировки %1 в папке журнала всё время заменяют другим. "
                            "Попробуйте сохранить ещё раз.")
                 .arg(ShownName);
}

SaveLock::Step SaveLock::attempt(const Opened& root) {
    const QString cannotOpen =
        QStringLiteral("Файл блокировки %1 в папке журнала нельзя открыть: ").arg(ShownName);
    FileHandle file(::openat(root.handle.fd(), LockName.constData(),
                             O_RDWR | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (file.valid()) {
        struct stat info {};
        if (::fstat(file.fd(), &info) != 0)
            return refuse(cannotOpen + systemErrorText(errno));
        if (!S_ISREG(info.st_mode))
            return clearAway(root, info);
        return lockOpened(root, std::move(file), info);
    }
    const int error = errno;
    if (error == ENOENT) {
        const int made = makeLockFile(root);
        // None can be made (a folder not writable): the save tells why on its own.
        return made == 0 || made == EEXIST ? Step::Again : Step::Done;
    }
    if (error == EROFS)
        return Step::Done;
    struct stat entry {};
    if (::fstatat(root.handle.fd(), LockName.constData(), &entry, AT_SYMLINK_NOFOLLOW) != 0)
        return errno == ENOENT ? Step::Again : refuse(cannotOpen + systemErrorText(error));
    if (!S_ISREG(entry.st_mode))
        return clearAway(root, entry);
    if (error == EACCES || error == EPERM)
        return refuse(cannotOpen + QStringLiteral("нет прав (%1). Попросите владельца удалить его "
                                                  "или дать права группе.")
                                       .arg(ownerAndMode(entry)));
    return refuse(cannotOpen + systemErrorText(error));
}

SaveLock::Step SaveLock::lockOpened(const Opened& root, FileHandle file, const struct stat& info) {
    for (;;) {
        const int error = tryLock(file.fd());
        if (error == 0) {
            // Locked only if it is still the file of that name: another copy may have moved it
            // aside an instant ago, taking it for what stood there before.
            struct stat named {};
            if (::fstatat(root.handle.fd(), LockName.constData(), &named, AT_SYMLINK_NOFOLLOW) !=
                    0 ||
                !sameFile(named, info))
                return Step::Again;
            file_ = std::move(file);
            return Step::Done;
        }
        if (error != EAGAIN && error != EACCES && error != EINTR)
            return Step::Done; // no locks on this file system
        if (std::chrono::steady_clock::now() >= giveUp_)
            return refuse(QStringLiteral("Журнал сейчас сохраняет другой пользователь. Попробуйте "
                                         "сохранить ещё раз через несколько секунд."));
        if (stillWaiting_ && !stillWaiting_())
            return refuse(QStringLiteral(
                "Сохранение отменено: журнал всё ещё сохраняет другой пользователь."));
        std::this_thread::sleep_for(Pause);
    }
}

// What is not a regular file goes, and the next round makes the lock file again. A folder goes
// only when empty; anything else is first moved aside under a name of this copy's own, so that a
// lock file another copy has just made in its place is never removed but put back.
SaveLock::Step SaveLock::clearAway(const Opened& root, const struct stat& seen) {
    const int at = root.handle.fd();
    const QString cannot =
        QStringLiteral("Файл блокировки %1 в папке журнала — не обычный файл, а %2 (%3), и "
                       "удалить его нельзя")
            .arg(ShownName, kindOf(seen.st_mode), ownerAndMode(seen));
    if (S_ISDIR(seen.st_mode)) {
        if (::unlinkat(at, LockName.constData(), AT_REMOVEDIR) == 0 || errno == ENOENT ||
            errno == ENOTDIR)
            return Step::Again;
        if (errno == ENOTEMPTY || errno == EEXIST)
            return refuse(cannot + QStringLiteral(": в папке есть файлы. Удалите эту папку или "
                                                  "переименуйте её."));
        return refuse(cannot + QStringLiteral(": ") + systemErrorText(errno));
    }
    const QByteArray aside = temporaryName(LockName.mid(1));
    if (::renameat(at, LockName.constData(), at, aside.constData()) != 0) {
        if (errno == ENOENT)
            return Step::Again;
        return refuse(cannot + QStringLiteral(": ") + systemErrorText(errno) +
                      QStringLiteral(" Попросите владельца удалить его."));
    }
    struct stat moved {};
    if (::fstatat(at, aside.constData(), &moved, AT_SYMLINK_NOFOLLOW) != 0)
        return Step::Again;
    if (S_ISREG(moved.st_mode)) {
        if (placeUnlessTaken(at, aside, LockName) != 0)
            ::unlinkat(at, aside.constData(), 0);
        return Step::Again;
    }
    if (::unlinkat(at, aside.constData(), S_ISDIR(moved.st_mode) ? AT_REMOVEDIR : 0) != 0)
        placeUnlessTaken(at, aside, LockName);
    return Step::Again;
}

SaveLock::Step SaveLock::refuse(QString cause) {
    cause_ = std::move(cause);
    return Step::Done;
}

} // namespace core
