#include "core/foldertree.h"

#include "core/systemerror.h"

#include <QFile>
#include <QStringList>
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <stdio.h>
#include <unistd.h>
#include <utility>

namespace core {

FileHandle::~FileHandle() {
    if (fd_ >= 0)
        ::close(fd_);
}

FileHandle& FileHandle::operator=(FileHandle&& other) noexcept {
    if (this != &other) {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = other.release();
    }
    return *this;
}

int FileHandle::release() {
    return std::exchange(fd_, -1);
}

namespace {

Opened failure(int error) {
    Opened opened;
    opened.error = error;
    return opened;
}

Opened described(int fd) {
    Opened opened;
    if (fd < 0)
        return failure(errno);
    opened.handle = FileHandle(fd);
    if (::fstat(fd, &opened.info) != 0)
        return failure(errno);
    return opened;
}

Opened openFolderAt(int folder, const QByteArray& name) {
    Opened opened = described(
        ::openat(folder, name.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    // A link to a folder reads as "not a folder"; it is told as the link it is.
    struct stat entry {};
    if (opened.error == ENOTDIR &&
        ::fstatat(folder, name.constData(), &entry, AT_SYMLINK_NOFOLLOW) == 0 &&
        S_ISLNK(entry.st_mode))
        opened.error = ELOOP;
    return opened;
}

Opened makeFolderAt(const Opened& parent, const QByteArray& name) {
    if (::mkdirat(parent.handle.fd(), name.constData(), 0700) != 0 && errno != EEXIST)
        return failure(errno);
    Opened made = openFolderAt(parent.handle.fd(), name);
    if (made.ok() && made.info.st_uid == ::geteuid()) {
        setModeAndGroup(made.handle.fd(), parent.info.st_mode & 07777, parent.info.st_gid);
        // A folder made next inside this one takes its mode from this status.
        ::fstat(made.handle.fd(), &made.info);
    }
    return made;
}

} // namespace

bool FileIdentity::operator==(const FileIdentity& other) const {
    return device == other.device && inode == other.inode && size == other.size &&
           modified.tv_sec == other.modified.tv_sec && modified.tv_nsec == other.modified.tv_nsec &&
           changed.tv_sec == other.changed.tv_sec && changed.tv_nsec == other.changed.tv_nsec;
}

FileIdentity FileIdentity::of(const struct stat& info) {
    return {info.st_dev, info.st_ino, info.st_size, info.st_mtim, info.st_ctim};
}

FolderTree::FolderTree(QString root) : root_(std::move(root)) {}

Opened FolderTree::openFolder(const QString& path, bool make) const {
    Opened at =
        described(::open(QFile::encodeName(root_).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!at.ok() || path == root_)
        return at;
    if (!path.startsWith(root_ + u'/'))
        return failure(EXDEV);
    const QStringList parts = path.mid(root_.size() + 1).split(u'/', Qt::SkipEmptyParts);
    for (const QString& part : parts) {
        const QByteArray name = QFile::encodeName(part);
        if (part == QStringLiteral("..") || part == QStringLiteral("."))
            return failure(EXDEV);
        Opened next = openFolderAt(at.handle.fd(), name);
        if (!next.ok() && next.error == ENOENT && make)
            next = makeFolderAt(at, name);
        if (!next.ok())
            return next;
        at = std::move(next);
    }
    return at;
}

Opened FolderTree::openParent(const QString& path, QByteArray* name, bool make) const {
    const qsizetype slash = path.lastIndexOf(u'/');
    if (slash < 0)
        return failure(EXDEV);
    *name = QFile::encodeName(path.mid(slash + 1));
    return openFolder(path.left(slash), make);
}

Opened FolderTree::openForReading(const QString& path) const {
    QByteArray name;
    const Opened folder = openParent(path, &name);
    if (!folder.ok())
        return failure(folder.error);
    return openRegularAt(folder.handle.fd(), name);
}

std::vector<FolderEntry> folderEntries(int folder) {
    std::vector<FolderEntry> found;
    const int listed = ::dup(folder);
    DIR* entries = listed < 0 ? nullptr : ::fdopendir(listed);
    if (!entries) {
        if (listed >= 0)
            ::close(listed);
        return found;
    }
    ::rewinddir(entries);
    while (const dirent* entry = ::readdir(entries)) {
        FolderEntry each{entry->d_name};
        if (each.name != "." && each.name != ".." &&
            ::fstatat(folder, entry->d_name, &each.info, AT_SYMLINK_NOFOLLOW) == 0)
            found.push_back(std::move(each));
    }
    ::closedir(entries);
    return found;
}

Opened openRegularAt(int folder, const QByteArray& name) {
    Opened file = described(::openat(folder, name.constData(),
                                     O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (!file.ok())
        return file;
    if (!S_ISREG(file.info.st_mode))
        return failure(S_ISDIR(file.info.st_mode) ? EISDIR : NotARegularFile);
    // Reads of a regular file never block; the flag only kept a FIFO from holding the open.
    const int flags = ::fcntl(file.handle.fd(), F_GETFL);
    if (flags >= 0)
        ::fcntl(file.handle.fd(), F_SETFL, flags & ~O_NONBLOCK);
    return file;
}

Opened createNewAt(int folder, const QByteArray& name, mode_t mode) {
    Opened file = described(::openat(folder, name.constData(),
                                     O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (file.ok() && ::fchmod(file.handle.fd(), mode & 07777) == 0)
        file.info.st_mode = (file.info.st_mode & ~mode_t(07777)) | (mode & 07777);
    return file;
}

int placeUnlessTaken(int folder, const QByteArray& temporary, const QByteArray& name) {
#ifdef RENAME_NOREPLACE
    if (::renameat2(folder, temporary.constData(), folder, name.constData(), RENAME_NOREPLACE) == 0)
        return 0;
    if (errno != EINVAL && errno != ENOSYS)
        return errno;
#endif
    // File systems without that rename: a hard link is never made over a name either.
    if (::linkat(folder, temporary.constData(), folder, name.constData(), 0) == 0) {
        ::unlinkat(folder, temporary.constData(), 0);
        return 0;
    }
    if (errno != EPERM && errno != EOPNOTSUPP)
        return errno;
    // Nor hard links (FAT): only the program's own save lock keeps the name free meanwhile. Any
    // entry of that name, whatever it is (a dangling link too), takes it.
    struct stat entry {};
    if (::fstatat(folder, name.constData(), &entry, AT_SYMLINK_NOFOLLOW) == 0 || errno != ENOENT)
        return EEXIST;
    return ::renameat(folder, temporary.constData(), folder, name.constData()) == 0 ? 0 : errno;
}

int writeAll(int fd, QByteArrayView bytes) {
    const char* at = bytes.data();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t written = ::write(fd, at, size_t(std::min<qsizetype>(left, 1 << 24)));
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        if (written == 0)
            return ENOSPC;
        at += written;
        left -= written;
    }
    return 0;
}

void setModeAndGroup(int fd, mode_t mode, gid_t group) {
    if (::fchown(fd, uid_t(-1), group) != 0) {
        // Not a member of that group: the file keeps the user's group.
    }
    if (::fchmod(fd, mode & 07777) != 0) {
        // The file keeps the bits it was made with.
    }
}

} // namespace core
