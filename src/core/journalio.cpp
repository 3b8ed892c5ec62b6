#include "core/journalio.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSaveFile>
#include <cerrno>
#include <filesystem>
#include <system_error>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace journal {

namespace {

constexpr qint64 StaleAfterSeconds = 60;

#ifdef Q_OS_UNIX
bool statOf(const QString& path, struct stat& info) {
    return ::stat(QFile::encodeName(path).constData(), &info) == 0;
}
#endif

} // namespace

std::optional<QByteArray> readWholeFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return std::nullopt;
    return bytes;
}

QString readFailureCause(const QString& path) {
    const QFileInfo info(path);
    if (!info.exists())
        return QStringLiteral("Файл не найден.");
    if (!info.isReadable())
        return QStringLiteral("Нет прав на чтение файла.");
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return file.errorString();
    return QStringLiteral("Файл не удалось прочитать.");
}

QString writeWholeFile(const QString& path, const QByteArray& bytes) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return file.errorString();
#ifdef Q_OS_UNIX
    struct stat old;
    if (statOf(path, old)) {
        if (::fchown(file.handle(), uid_t(-1), old.st_gid) != 0) {
            // Not a member of that group: the file keeps the user's group.
        }
        if (::fchmod(file.handle(), old.st_mode & 07777) != 0) {
            // The file keeps the permissions QSaveFile gave it.
        }
    }
#endif
    // Without commit() the temporary file is discarded and the old file is left as it was.
    if (file.write(bytes) != bytes.size()) {
        const QString cause = file.errorString();
        file.cancelWriting();
        return cause;
    }
    if (!file.commit())
        return file.errorString();
    return {};
}

void removeStaleTemporaries(const QString& path) {
    const QFileInfo journal(path);
    const QRegularExpression temporary(QStringLiteral("^") +
                                       QRegularExpression::escape(journal.fileName()) +
                                       QStringLiteral("\\.[A-Za-z0-9]{6}$"));
    const QDateTime staleBefore = QDateTime::currentDateTime().addSecs(-StaleAfterSeconds);
    QDir folder = journal.dir();
    const QFileInfoList entries = folder.entryInfoList(QDir::Files | QDir::Hidden);
    for (const QFileInfo& entry : entries)
        if (temporary.match(entry.fileName()).hasMatch() && entry.lastModified() < staleBefore)
            QFile::remove(entry.filePath());
}

QString makeFolderLikeParent(const QString& folder) {
    const QFileInfo info(folder);
    if (info.isDir())
        return {};
    if (info.exists() || info.isSymLink())
        return qt_error_string(ENOTDIR);
    std::error_code error;
    if (!std::filesystem::create_directory(std::filesystem::path(folder.toStdU16String()), error))
        return qt_error_string(error ? error.value() : EEXIST);
#ifdef Q_OS_UNIX
    struct stat parent;
    if (statOf(QFileInfo(folder).absolutePath(), parent)) {
        const QByteArray name = QFile::encodeName(folder);
        if (::chown(name.constData(), uid_t(-1), parent.st_gid) != 0) {
            // Not a member of that group: the folder keeps the user's group.
        }
        if (::chmod(name.constData(), parent.st_mode & 07777) != 0) {
            // The folder keeps the permissions the user's umask gave it.
        }
    }
#endif
    return {};
}

} // namespace journal
