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
#include <optional>

namespace core {

namespace {

Replacement failed(int error) {
    Replacement failure;
    failure.kind = Replacement::Failed;
    failure.cause = systemErrorText(error);
    return failure;
}

bool changedFrom(const Expectation& expected, const std::optional<QByteArray>& found) {
    if (!expected.known)
        return false;
    if (!found) // gone since (or unreadable): nothing of anyone's is lost by writing it
        return false;
    if (!expected.existed)
        return *found != expected.agreed;
    // A file this copy could not read (too large, unreadable) is written over only after the
    // question about its partial read, which stands for this one.
    if (expected.fingerprint.isEmpty())
        return false;
    return *found != expected.fingerprint && *found != expected.agreed;
}

// The bits and group for a new file: of the like file, else of the folder, never executable.
std::pair<mode_t, gid_t> modeForNewFile(const FolderTree& tree, const QString& likeFile,
                                        const Opened& folder) {
    const Opened like = tree.openForReading(likeFile);
    if (like.ok())
        return {like.info.st_mode & 0666, like.info.st_gid};
    return {folder.info.st_mode & 0666, folder.info.st_gid};
}

// The whole file, when it fits in the memory free and still has that fingerprint; else none.
std::optional<QByteArray> bytesOfFile(int fd, qint64 size, const QByteArray& fingerprint) {
    if (size < 0 || memoryToOpen(size) > availableMemory())
        return std::nullopt;
    QFile file;
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::DontCloseHandle) || !file.seek(0))
        return std::nullopt;
    QByteArray bytes;
    bytes.reserve(qsizetype(size));
    if (!readInPieces(file,
                      [&](QByteArrayView piece) {
                          bytes.append(piece);
                          return true;
                      }) ||
        fingerprintOf(bytes) != fingerprint)
        return std::nullopt;
    return bytes;
}

} // namespace

Replacement replaceJournalFile(const FolderTree& tree, JournalBackups& backups, const QString& path,
                               const CellTable& cells, const Expectation& expected,
                               const QString& likeFile, bool makeFolder) {
    const SaveLock lock(tree);
    if (!lock.held()) {
        Replacement busy;
        busy.kind = Replacement::Failed;
        busy.cause = lock.cause();
        return busy;
    }
    QByteArray name;
    const Opened folder = tree.openParent(path, &name, makeFolder);
    if (!folder.ok())
        return failed(folder.error);
    removeStaleTemporaries(folder.handle.fd(), name, QDateTime::currentDateTime());

    Replacement replacement;
    const Opened old = openRegularAt(folder.handle.fd(), name);
    if (!old.ok() && old.error != ENOENT) {
        // A link, FIFO, device or folder in the journal's place is never replaced or followed.
        if (old.error == ELOOP || old.error == NotARegularFile || old.error == EISDIR)
            return failed(old.error);
        replacement.unkeptBackup = readFailureCause(old.error);
    }
    std::optional<QByteArray> found;
    if (old.ok()) {
        found = fingerprintOfFile(old.handle.fd());
        if (!found)
            replacement.unkeptBackup = readFailureCause(EIO);
    }
    if (changedFrom(expected, found)) {
        Replacement changed;
        changed.kind = Replacement::ChangedOnDisk;
        changed.found = *found;
        // Read under the lock, so that the bytes are those of that fingerprint.
        if (expected.keepBytes)
            if (std::optional<QByteArray> bytes =
                    bytesOfFile(old.handle.fd(), old.info.st_size, *found)) {
                changed.bytes = std::move(*bytes);
                changed.bytesHeld = true;
            }
        return changed;
    }
    const auto [mode, group] = old.ok() ? std::pair(old.info.st_mode & 0666, old.info.st_gid)
                                        : modeForNewFile(tree, likeFile, folder);
    NewFile file(folder.handle.fd(), name, mode, group);
    Fingerprint written;
    writeJournalInPieces(
        cells,
        [&](QByteArrayView piece) {
            written.add(piece);
            return file.write(piece);
        },
        [&] {
            written = {};
            return file.restart();
        });
    if (file.error() != 0)
        return failed(file.error());
    replacement.fingerprint = written.value();
    // Saving the same bytes again keeps nothing new: periodic saves of an unchanged register must
    // not push the real earlier versions out of the backups.
    if (found && *found != replacement.fingerprint) {
        JournalBackups::Kept kept = backups.keep(path, old.handle.fd(), mode, group);
        replacement.backup = kept.path.value_or(QString());
        replacement.unkeptBackup = std::move(kept.cause);
    }
    const std::optional<FileIdentity> identity = file.commit(name);
    if (!identity) {
        // The file was not replaced, so the backup just made would only repeat it.
        if (!replacement.backup.isEmpty())
            backups.forget(replacement.backup);
        return failed(file.error());
    }
    replacement.written = *identity;
    if (expected.keepBytes)
        replacement.writtenFile = openRegularAt(folder.handle.fd(), name).handle;
    if (!replacement.backup.isEmpty())
        backups.dropOldest(path);
    return replacement;
}

} // namespace core
