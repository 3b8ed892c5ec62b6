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

namespace journal {

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

Written replaceFileAt(int folder, const QByteArray& name, QByteArrayView bytes, mode_t mode,
                      gid_t group) {
    const QByteArray temporary = temporaryName(name);
    Opened file = createNewAt(folder, temporary, 0600);
    if (!file.ok())
        return {file.error, {}};
    setModeAndGroup(file.handle.fd(), mode, group);
    int error = writeAll(file.handle.fd(), bytes);
    if (error == 0 && ::fsync(file.handle.fd()) != 0 && errno != EINVAL)
        error = errno;
    struct stat info {};
    if (error == 0 && ::fstat(file.handle.fd(), &info) != 0)
        error = errno;
    if (error == 0 && ::renameat(folder, temporary.constData(), folder, name.constData()) != 0)
        error = errno;
    if (error != 0) {
        ::unlinkat(folder, temporary.constData(), 0);
        return {error, {}};
    }
    // A rename leaves the file's times alone, but not its ctime on every file system.
    if (::fstat(file.handle.fd(), &info) != 0)
        return {0, {}};
    return {0, FileIdentity::of(info)};
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

int copyInPieces(int from, int to) {
    QByteArray piece(FilePieceBytes, Qt::Uninitialized);
    for (;;) {
        const ssize_t read = ::read(from, piece.data(), size_t(piece.size()));
        if (read < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        if (read == 0)
            return 0;
        if (const int error = writeAll(to, QByteArrayView(piece.constData(), read)); error != 0)
            return error;
    }
}

} // namespace journal
