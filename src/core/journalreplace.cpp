#include "core/journalreplace.h"

#include "core/fingerprint.h"
#include "core/journalformat.h"
#include "core/journalio.h"
#include "core/memory.h"
#include "core/savelock.h"
#include "core/systemerror.h"

#include <QDateTime>
#include <QFile>
#include <cerrno>
#include <fcntl.h>
#include <optional>
#include <unistd.h>

namespace core {

namespace {

bool changedFrom(const Expectation& expected, const QByteArray& found) {
    if (!expected.agreed.isEmpty() && found == expected.agreed)
        return false;
    if (!expected.known || !expected.existed)
        return true;
    // A file read only in part (too large for memory) is written over only after the question
    // about its partial read, which stands for this one.
    if (expected.fingerprint.isEmpty())
        return false;
    return found != expected.fingerprint;
}

Replacement refused(const QString& cause) {
    Replacement refusal;
    refusal.kind = Replacement::Failed;
    refusal.cause = cause;
    return refusal;
}

Replacement failed(int error) {
    return refused(systemErrorText(error));
}

// A file this copy cannot read whole is never replaced: its previous version could be neither
// compared with what this copy knows nor kept in Backup.
Replacement unreadableFile(const QString& cause) {
    return refused(cause + u' ' +
                   QStringLiteral("Файл, который программа не может прочитать целиком, она не "
                                  "заменяет: его прежнюю версию нельзя было бы ни сравнить, ни "
                                  "сохранить в папке Backup. Файл не изменён."));
}

Replacement linkedElsewhere(nlink_t links) {
    return refused(QStringLiteral("У файла есть и другие имена (жёстких ссылок: %1): под ними "
                                  "осталась бы прежняя версия. Программа не записывает журнал в "
                                  "такой файл. Файл не изменён; сохраните журнал через «Сохранить "
                                  "как» или уберите лишние ссылки.")
                       .arg(links));
}

// The bits and group for a new file: of the like file, else of the folder, never executable.
std::pair<mode_t, gid_t> modeForNewFile(const FolderTree& tree, const QString& likeFile,
                                        const Opened& folder) {
    const Opened like = tree.openForReading(likeFile);
    if (like.ok())
        return {like.info.st_mode & 0666, like.info.st_gid};
    return {folder.info.st_mode & 0666, folder.info.st_gid};
}

// A folder shared through its set-group-ID bit gives every file in it its group, and the group
// the folder's read and write bits: a file copied with a user's private bits (0600, the user's
// own group) would lock colleagues out of the journal after the save.
std::pair<mode_t, gid_t> givenByFolder(std::pair<mode_t, gid_t> file, const Opened& folder) {
    if (!(folder.info.st_mode & S_ISGID))
        return file;
    return {file.first | (folder.info.st_mode & (S_IRGRP | S_IWGRP)), folder.info.st_gid};
}

// Removes the folder the save made (Archive) when the save left it empty.
void removeFolderMade(const FolderTree& tree, const QString& folderPath) {
    QByteArray name;
    const Opened above = tree.openParent(folderPath, &name);
    if (above.ok())
        ::unlinkat(above.handle.fd(), name.constData(), AT_REMOVEDIR);
}

// The whole file, when it fits in the memory free and still has that fingerprint; else none.
std::optional<QByteArray> bytesOfFile(int fd, qint64 size, const QByteArray& fingerprint) {
    if (size < 0 || memoryToOpen(size) > availableMemory())
        return std::nullopt;
    QFile file;
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::DontCloseHandle) || !file.seek(0))
        return std::nullopt;
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError || fingerprintOf(bytes) != fingerprint)
        return std::nullopt;
    return bytes;
}

// The replacement in the file's folder, under the save lock.
Replacement replaceIn(const Opened& folder, const QByteArray& name, JournalBackups& backups,
                      const QString& path, const QList<QStringList>& rows,
                      const Expectation& expected, std::pair<mode_t, gid_t> newFileMode) {
    removeStaleTemporaries(folder.handle.fd(), name, QDateTime::currentDateTime());
    const Opened old = openRegularAt(folder.handle.fd(), name);
    if (!old.ok() && old.error != ENOENT) {
        // A link, FIFO, device or folder in the journal's place is never replaced or followed.
        if (old.error == ELOOP || old.error == NotARegularFile || old.error == EISDIR)
            return failed(old.error);
        return unreadableFile(readFailureCause(old.error));
    }
    std::optional<QByteArray> found;
    if (old.ok()) {
        if (old.info.st_nlink > 1)
            return linkedElsewhere(old.info.st_nlink);
        found = fingerprintOfFile(old.handle.fd());
        if (!found)
            return unreadableFile(readFailureCause(EIO));
    }
    const bool agreedProtected =
        found && !expected.agreedProtected.isEmpty() && *found == expected.agreedProtected;
    if (found && changedFrom(expected, *found)) {
        Replacement changed;
        changed.kind = Replacement::ChangedOnDisk;
        changed.found = *found;
        // Read under the lock, so that the bytes are those of that fingerprint.
        changed.bytes = bytesOfFile(old.handle.fd(), old.info.st_size, *found);
        return changed;
    }
    // The file's write bits are off for this user, as the system judges them for us.
    const bool writeProtected =
        found && ::faccessat(folder.handle.fd(), name.constData(), W_OK, AT_EACCESS) != 0 &&
        errno == EACCES;
    if (writeProtected && !agreedProtected) {
        Replacement protectedFile;
        protectedFile.kind = Replacement::WriteProtected;
        protectedFile.found = *found;
        protectedFile.foundMode = old.info.st_mode & 07777;
        protectedFile.foundOwner = old.info.st_uid;
        return protectedFile;
    }
    // A write-protected file agreed to keeps its bits: the colleague's choice stands.
    const auto [mode, group] =
        !old.ok()        ? givenByFolder(newFileMode, folder)
        : writeProtected ? std::pair(old.info.st_mode & 0666, old.info.st_gid)
                         : givenByFolder({old.info.st_mode & 0666, old.info.st_gid}, folder);
    Replacement replacement;
    NewFile file(folder.handle.fd(), name, mode, group);
    const QByteArray bytes = writeJournal(rows);
    if (!file.write(bytes))
        return failed(file.error());
    replacement.fingerprint = fingerprintOf(bytes);
    // Saving the same bytes again keeps nothing new: repeated saves of an unchanged register must
    // not push the real earlier versions out of the backups.
    std::optional<QString> backup;
    if (found && *found != replacement.fingerprint) {
        JournalBackups::Kept kept = backups.keep(path, old.handle.fd(), mode, group);
        backup = std::move(kept.path);
        replacement.unkeptBackup = std::move(kept.cause);
    }
    if (!file.commit(name)) {
        // The file was not replaced, so the backup just made would only repeat it.
        if (backup)
            backups.forget(*backup);
        return failed(file.error());
    }
    replacement.bytes = bytes;
    if (backup)
        backups.dropOldest(path);
    return replacement;
}

} // namespace

Replacement replaceJournalFile(const FolderTree& tree, JournalBackups& backups, const QString& path,
                               const QList<QStringList>& rows, const Expectation& expected,
                               const QString& likeFile, bool makeFolder,
                               const std::function<bool()>& stillWaiting) {
    const SaveLock lock(tree, SaveLock::DefaultWait, stillWaiting);
    if (!lock.held())
        return refused(lock.cause());
    const QString folderPath = path.left(path.lastIndexOf(u'/'));
    QByteArray name;
    const bool folderMissing = makeFolder && tree.openFolder(folderPath).error == ENOENT;
    const Opened folder = tree.openParent(path, &name, makeFolder);
    if (!folder.ok())
        return failed(folder.error);
    Replacement replacement = replaceIn(folder, name, backups, path, rows, expected,
                                        modeForNewFile(tree, likeFile, folder));
    if (folderMissing && replacement.kind != Replacement::Replaced)
        removeFolderMade(tree, folderPath);
    return replacement;
}

} // namespace core
