#include "core/journallock.h"

#include <QFile>
#include <QUuid>
#include <cerrno>
#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

namespace core {

namespace {

constexpr qsizetype MaxMarkSize = 1024;

// What is found under a mark's name, as judged; `identity` tells it from another found later.
struct Found {
    enum Kind { Missing, Readable, Unreadable } kind = Missing;
    LockMark mark;
    bool ours = false; // this user's own (its owner is our effective user)
    bool folder = false;
    QByteArray identity;
};

Found unreadable(const QString& reason, const QDateTime& since) {
    Found found;
    found.kind = Found::Unreadable;
    found.mark.holder.unreadable = true;
    found.mark.holder.reason = reason;
    found.mark.holder.since = since;
    return found;
}

bool retirable(const Found& found) {
    return (found.kind == Found::Readable && isStale(found.mark)) ||
           (found.kind == Found::Unreadable && found.ours);
}

enum class Made { Made, Exists, Failed };

// A name beside the mark for this copy alone, short whatever the journal's name.
QByteArray sideName(const QByteArray& token, const char* suffix) {
    return ".~lock." + token + suffix;
}

QString openFailure(int error) {
    switch (error) {
    case ELOOP:
        return QStringLiteral("это ссылка, а не файл");
    case EACCES:
    case EPERM:
        return QStringLiteral("нет прав на чтение");
    case ENXIO:
        return QStringLiteral("это не обычный файл");
    default:
        return QStringLiteral("ошибка чтения");
    }
}

// The bytes of the file open at fd, if it is the regular file found before; else why not.
QString readRegular(int fd, const struct stat& entry, QByteArray& bytes) {
    struct stat info {};
    if (::fstat(fd, &info) != 0 || info.st_ino != entry.st_ino || info.st_dev != entry.st_dev)
        return openFailure(0);
    if (S_ISDIR(info.st_mode))
        return QStringLiteral("это папка, а не файл");
    if (!S_ISREG(info.st_mode))
        return openFailure(ENXIO);
    QFile file;
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::DontCloseHandle))
        return openFailure(0);
    bytes = file.read(MaxMarkSize);
    return file.error() == QFileDevice::NoError ? QString() : openFailure(0);
}

// Never follows a link, never waits on a pipe, never reads more than a mark can hold.
Found inspect(int folder, const QByteArray& name) {
    struct stat entry {};
    if (::fstatat(folder, name.constData(), &entry, AT_SYMLINK_NOFOLLOW) != 0)
        return errno == ENOENT ? Found{} : unreadable(openFailure(errno), {});
    const QDateTime modified = QDateTime::fromSecsSinceEpoch(entry.st_mtim.tv_sec);
    QByteArray bytes;
    QString failure = S_ISLNK(entry.st_mode) ? openFailure(ELOOP) : QString();
    if (failure.isEmpty()) {
        const FileHandle file(::openat(folder, name.constData(),
                                       O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
        if (!file.valid() && errno == ENOENT)
            return Found{}; // gone since
        failure = file.valid() ? readRegular(file.fd(), entry, bytes) : openFailure(errno);
    }
    std::optional<LockMark> mark;
    if (failure.isEmpty()) {
        mark = parseLockMark(bytes, modified);
        if (!mark)
            failure = QStringLiteral("её содержимое не разобрать");
    }
    Found found = failure.isEmpty() ? Found{} : unreadable(failure, modified);
    if (mark) {
        found.kind = Found::Readable;
        found.mark = *mark;
    }
    found.ours = entry.st_uid == ::geteuid();
    found.folder = S_ISDIR(entry.st_mode);
    found.identity = QByteArray::number(quint64(entry.st_dev)) + ':' +
                     QByteArray::number(quint64(entry.st_ino)) + ':' +
                     QByteArray::number(quint64(entry.st_mode)) + ':' + bytes;
    return found;
}

int removeAt(int folder, const QByteArray& name, bool isFolder) {
    return ::unlinkat(folder, name.constData(), isFolder ? AT_REMOVEDIR : 0);
}

int renameNoReplace(int folder, const QByteArray& from, const QByteArray& to) {
#ifdef RENAME_NOREPLACE
    return ::renameat2(folder, from.constData(), folder, to.constData(), RENAME_NOREPLACE);
#else
    errno = ENOSYS;
    return -1;
#endif
}

bool unsupported(int error) {
    return error == EPERM || error == EOPNOTSUPP || error == ENOSYS || error == EINVAL ||
           error == EMLINK;
}

// Owner rw, group r, others r where the folder lets others read.
mode_t markMode(int folder) {
    struct stat info {};
    const bool othersRead = ::fstat(folder, &info) == 0 && (info.st_mode & S_IROTH);
    return S_IRUSR | S_IWUSR | S_IRGRP | (othersRead ? S_IROTH : 0);
}

// A new file of that name, written whole; fails when the name is taken.
int writeNew(int folder, const QByteArray& name, const QByteArray& line, mode_t mode) {
    Opened file = createNewAt(folder, name, mode);
    if (!file.ok())
        return file.error;
    const bool written = writeAll(file.handle.fd(), line) == 0;
    const bool closed = ::close(file.handle.release()) == 0;
    if (written && closed)
        return 0;
    ::unlinkat(folder, name.constData(), 0);
    return EIO;
}

// The mark appears whole or not at all: it is written under a name of its own first, then linked
// to the mark's name, which fails when that is taken.
Made makeMark(int folder, const QByteArray& mark, const QByteArray& line, const QByteArray& token) {
    const QByteArray temporary = sideName(token, ".new");
    const mode_t mode = markMode(folder);
    if (writeNew(folder, temporary, line, mode) != 0)
        return Made::Failed;
    Made made = Made::Failed;
    struct stat written {};
    struct stat seen {};
    const int linked =
        ::linkat(folder, temporary.constData(), folder, mark.constData(), 0) == 0 ? 0 : errno;
    if (linked == 0) {
        made = Made::Made;
    } else if (linked == EEXIST) {
        made = Made::Exists;
    } else if (::fstatat(folder, temporary.constData(), &written, AT_SYMLINK_NOFOLLOW) == 0 &&
               written.st_nlink == 2 &&
               ::fstatat(folder, mark.constData(), &seen, AT_SYMLINK_NOFOLLOW) == 0 &&
               seen.st_ino == written.st_ino) {
        made = Made::Made; // linked, though the folder's server said otherwise
    } else if (unsupported(linked)) {
        if (renameNoReplace(folder, temporary, mark) == 0)
            return Made::Made;
        if (errno == EEXIST) {
            made = Made::Exists;
        } else if (unsupported(errno)) {
            // Neither links nor exclusive renames here: the mark is written in place.
            ::unlinkat(folder, temporary.constData(), 0);
            const int error = writeNew(folder, mark, line, mode);
            return error == 0 ? Made::Made : error == EEXIST ? Made::Exists : Made::Failed;
        }
    }
    ::unlinkat(folder, temporary.constData(), 0);
    return made;
}

bool putBack(int folder, const QByteArray& aside, const QByteArray& mark, bool isFolder) {
    if (renameNoReplace(folder, aside, mark) == 0)
        return true;
    if (unsupported(errno) &&
        (isFolder ? ::renameat(folder, aside.constData(), folder, mark.constData()) == 0
                  : ::linkat(folder, aside.constData(), folder, mark.constData(), 0) == 0 &&
                        ::unlinkat(folder, aside.constData(), 0) == 0))
        return true;
    // Another mark took the name meanwhile: that one holds the journal.
    removeAt(folder, aside, isFolder);
    return false;
}

enum class Retired { Retired, Kept, Failed };

// Only one of the copies that judged the mark stale gets to move it aside, and removes it when
// what it moved is what it judged; anything else goes back.
Retired retire(int folder, const QByteArray& mark, const Found& judged, const QByteArray& token) {
    const QByteArray aside = sideName(token, ".old");
    if (::renameat(folder, mark.constData(), folder, aside.constData()) != 0)
        return errno == ENOENT ? Retired::Retired : Retired::Failed;
    const Found moved = inspect(folder, aside);
    if (moved.kind != Found::Missing && retirable(moved) && moved.identity == judged.identity &&
        removeAt(folder, aside, moved.folder) == 0)
        return Retired::Retired;
    if (moved.kind != Found::Missing)
        putBack(folder, aside, mark, moved.folder);
    return Retired::Kept;
}

bool removeOwnMark(int folder, const QByteArray& mark, const QByteArray& token) {
    const Found found = inspect(folder, mark);
    return found.kind == Found::Readable && found.mark.token == token &&
           ::unlinkat(folder, mark.constData(), 0) == 0;
}

} // namespace

JournalLock::JournalLock(QString user)
    : user_(std::move(user)), token_(QUuid::createUuid().toByteArray(QUuid::WithoutBraces)) {}

JournalLock::~JournalLock() {
    release();
}

QString JournalLock::heldMessage(const QString& journalFileName, const Holder& holder) {
    // A save merges the other copy's changes in; only conflicts are asked about.
    const QString after = QStringLiteral(
        "Он открыт и здесь. При сохранении ваши изменения и изменения другого пользователя "
        "будут объединены. Вопрос будет задан, только если вы оба изменили одну и ту же ячейку "
        "или один из вас удалил строку, которую изменил другой.");
    if (holder.unreadable)
        return QStringLiteral("Журнал %1 отмечен как открытый другим пользователем, но отметку %2 "
                              "прочитать нельзя (%3). ")
                   .arg(journalFileName, QStringLiteral(".~lock.") + journalFileName + u'#',
                        holder.reason) +
               after;
    return QStringLiteral("Журнал %1 сейчас открыт и у другого пользователя: %2, компьютер %3, с "
                          "%4. ")
               .arg(journalFileName, holder.user, holder.host,
                    holder.since.toString(QStringLiteral("dd.MM.yyyy HH:mm"))) +
           after;
}

std::optional<JournalLock::Holder> JournalLock::hold(const FolderTree& folder,
                                                     const QString& journalPath) {
    if (journalPath == journal_)
        return std::nullopt;
    release();
    QByteArray journalName;
    Opened opened = folder.openParent(journalPath, &journalName);
    if (!opened.ok())
        return std::nullopt; // no mark can be made there (a link in a folder's place)
    const int at = opened.handle.fd();
    const QByteArray mark = ".~lock." + journalName + '#';
    std::optional<Holder> last;
    // Each round either holds the journal, finds it held, or sees a mark go: a few are enough.
    for (int round = 0; round < 8; ++round) {
        const Made made = makeMark(at, mark, lockMarkLine(user_, token_), token_);
        if (made == Made::Made) {
            journal_ = journalPath;
            folder_ = std::move(opened.handle);
            mark_ = mark;
            return std::nullopt;
        }
        const Found found = inspect(at, mark);
        if (found.kind == Found::Missing) {
            if (made == Made::Failed)
                return std::nullopt; // no mark can be made here (a read-only folder)
            continue;
        }
        last = found.mark.holder;
        if (!retirable(found))
            return last;
        // Stale, and not to be taken over here: nothing to say.
        if (retire(at, mark, found, token_) == Retired::Failed)
            return found.kind == Found::Readable ? std::nullopt : last;
    }
    return last;
}

void JournalLock::release() {
    if (journal_.isEmpty())
        return;
    removeOwnMark(folder_.fd(), mark_, token_);
    folder_ = FileHandle();
    mark_.clear();
    journal_.clear();
}

} // namespace core
