#include "core/journalio.h"

#include "core/fingerprint.h"
#include "core/systemerror.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <cerrno>
#include <csignal>
#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

namespace core {

namespace {

constexpr qint64 StaleAfterSeconds = 60;
constexpr qint64 AbandonedAfterSeconds = 3600;

bool processEnded(qint64 pid) {
    return pid > 0 && ::kill(pid_t(pid), 0) != 0 && errno == ESRCH;
}

} // namespace

QString readFailureCause(int error) {
    if (error == ENOENT)
        return QStringLiteral("Файл не найден.");
    if (error == EACCES || error == EPERM)
        return QStringLiteral("Нет прав на чтение файла.");
    return systemErrorText(error);
}

QByteArray temporaryName(const QByteArray& base) {
    return '.' + base + ".eklz-" + QByteArray::number(QCoreApplication::applicationPid()) + '-' +
           QByteArray::number(QRandomGenerator::global()->generate(), 16) + ".tmp";
}

NewFile::NewFile(int folder, const QByteArray& base, mode_t mode, gid_t group)
    : folder_(folder), temporary_(temporaryName(base)),
      file_(createNewAt(folder, temporary_, 0600)) {
    error_ = file_.ok() ? 0 : file_.error;
    if (file_.ok())
        setModeAndGroup(fd(), mode, group);
}

NewFile::~NewFile() {
    if (file_.ok() && !placed_)
        ::unlinkat(folder_, temporary_.constData(), 0);
}

bool NewFile::write(QByteArrayView bytes) {
    if (error_ == 0)
        error_ = writeAll(fd(), bytes);
    return error_ == 0;
}

bool NewFile::copyFrom(int source) {
    if (error_ == 0 && ::lseek(source, 0, SEEK_SET) != 0)
        error_ = errno;
    QByteArray piece(FilePieceBytes, Qt::Uninitialized);
    while (error_ == 0) {
        const ssize_t read = ::read(source, piece.data(), size_t(piece.size()));
        if (read < 0 && errno == EINTR)
            continue;
        if (read < 0)
            error_ = errno;
        else if (read == 0)
            break;
        else
            write(QByteArrayView(piece.constData(), read));
    }
    return error_ == 0;
}

bool NewFile::restart() {
    if (error_ == 0 && (::ftruncate(fd(), 0) != 0 || ::lseek(fd(), 0, SEEK_SET) != 0))
        error_ = errno;
    return error_ == 0;
}

bool NewFile::flushed() {
    // Some file systems (a few network shares) cannot sync; that is no failure of the write.
    if (error_ == 0 && ::fsync(fd()) != 0 && errno != EINVAL && errno != ENOTSUP)
        error_ = errno;
    return error_ == 0;
}

std::optional<FileIdentity> NewFile::commit(const QByteArray& name) {
    if (!flushed())
        return std::nullopt;
    if (::renameat(folder_, temporary_.constData(), folder_, name.constData()) != 0) {
        error_ = errno;
        return std::nullopt;
    }
    placed_ = true;
    struct stat info {};
    return ::fstat(fd(), &info) == 0 ? FileIdentity::of(info) : FileIdentity{};
}

std::optional<FileIdentity> NewFile::commitUnlessTaken(const QByteArray& name) {
    if (!flushed())
        return std::nullopt;
    if (const int error = placeUnlessTaken(folder_, temporary_, name); error != 0) {
        if (error != EEXIST)
            error_ = error;
        return std::nullopt;
    }
    placed_ = true;
    struct stat info {};
    return ::fstat(fd(), &info) == 0 ? FileIdentity::of(info) : FileIdentity{};
}

void removeStaleTemporaries(int folder, const QByteArray& base, const QDateTime& now) {
    const int listed = ::dup(folder);
    if (listed < 0)
        return;
    DIR* entries = ::fdopendir(listed);
    if (!entries) {
        ::close(listed);
        return;
    }
    const QRegularExpression temporary(QStringLiteral("^\\.") +
                                       QRegularExpression::escape(QFile::decodeName(base)) +
                                       QStringLiteral("\\.eklz-(\\d{1,10})-[0-9a-f]{1,8}\\.tmp$"));
    const qint64 nowSeconds = now.toSecsSinceEpoch();
    ::rewinddir(entries);
    while (const dirent* entry = ::readdir(entries)) {
        const QRegularExpressionMatch match = temporary.match(QFile::decodeName(entry->d_name));
        struct stat info {};
        if (!match.hasMatch() || ::fstatat(folder, entry->d_name, &info, AT_SYMLINK_NOFOLLOW) != 0)
            continue;
        const qint64 age = nowSeconds - qint64(info.st_mtim.tv_sec);
        if (age > AbandonedAfterSeconds ||
            (age > StaleAfterSeconds && processEnded(match.captured(1).toLongLong())))
            ::unlinkat(folder, entry->d_name, 0);
    }
    ::closedir(entries);
}

} // namespace core
