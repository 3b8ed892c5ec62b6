#include "core/journallock.h"

#include <QCoreApplication>
#include <QFile>
#include <QList>
#include <QSysInfo>
#include <QUuid>
#include <cctype>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

namespace core {

namespace {

constexpr qsizetype MaxMarkSize = 1024;

// The text of a mark: "user,host,pid,time,token" on one line, the user and host percent-encoded
// ('%', ',' and control characters). The office suite's marks of the same name are read too.
struct LockMark {
    JournalLock::Holder holder;
    QByteArray token;
    bool foreign = false; // the office suite's mark: never stale
};

// '%', ',' and control characters as %XX, so that a field keeps to its place on the one line.
QByteArray escaped(const QString& text) {
    QByteArray out;
    for (const char c : text.toUtf8()) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte == '%' || byte == ',' || byte < 0x20 || byte == 0x7f)
            out += '%' + QByteArray::number(byte, 16).rightJustified(2, '0').toUpper();
        else
            out += c;
    }
    return out;
}

// The reverse; a '%' not followed by two hex digits (a mark of an older copy) stays as it is.
QString unescaped(const QByteArray& field) {
    const auto isHex = [](char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; };
    QByteArray out;
    for (qsizetype i = 0; i < field.size(); ++i) {
        if (field[i] == '%' && i + 2 < field.size() && isHex(field[i + 1]) && isHex(field[i + 2])) {
            out += char(field.mid(i + 1, 2).toInt(nullptr, 16));
            i += 2;
        } else {
            out += field[i];
        }
    }
    return QString::fromUtf8(out);
}

LockMark holderOf(QString user, QString host, qint64 pid, QDateTime since, QByteArray token = {}) {
    LockMark mark;
    mark.holder.user = std::move(user);
    mark.holder.host = std::move(host);
    mark.holder.pid = pid;
    mark.holder.since = std::move(since);
    mark.token = std::move(token);
    return mark;
}

// The mark in those bytes, its time the file's when it gives none; none when it is not a mark:
// "user,host,pid,time,token" (a user of an older copy may hold commas: the fields are counted
// from the end), or the office suite's "name,user,host,date,profile;".
std::optional<LockMark> parseLockMark(const QByteArray& bytes, const QDateTime& modified) {
    const qsizetype end = bytes.indexOf('\n');
    QByteArray line = end < 0 ? bytes : bytes.left(end);
    if (line.endsWith('\r'))
        line.chop(1);
    const QList<QByteArray> fields = line.split(',');
    const qsizetype n = fields.size();
    if (n < 5)
        return std::nullopt;
    if (line.endsWith(';')) {
        QDateTime since = QDateTime::fromString(QString::fromUtf8(fields[n - 2]),
                                                QStringLiteral("dd.MM.yyyy HH:mm"));
        LockMark mark =
            holderOf(QString::fromUtf8(fields[0].isEmpty() ? fields[1] : fields[0]),
                     QString::fromUtf8(fields[2]), 0, since.isValid() ? since : modified);
        mark.foreign = true;
        return mark;
    }
    bool ok = false;
    const qint64 pid = fields[n - 3].toLongLong(&ok);
    if (!ok || pid <= 0 || fields[n - 1].isEmpty())
        return std::nullopt;
    QStringList user;
    for (qsizetype i = 0; i < n - 4; ++i)
        user.append(unescaped(fields[i]));
    const QDateTime since = QDateTime::fromString(QString::fromUtf8(fields[n - 2]), Qt::ISODate);
    return holderOf(user.join(u','), unescaped(fields[n - 4]), pid,
                    since.isValid() ? since : modified, fields[n - 1]);
}

// The line of this copy's mark, naming that user.
QByteArray lockMarkLine(const QString& user, const QByteArray& token) {
    return escaped(user) + ',' + escaped(QSysInfo::machineHostName()) + ',' +
           QByteArray::number(QCoreApplication::applicationPid()) + ',' +
           QDateTime::currentDateTime().toString(Qt::ISODate).toUtf8() + ',' + token + '\n';
}

// A mark left by a process of this computer that no longer runs.
bool isStale(const LockMark& mark) {
    if (mark.foreign || mark.holder.host != QSysInfo::machineHostName() || mark.holder.pid <= 0)
        return false;
    return ::kill(pid_t(mark.holder.pid), 0) != 0 && errno == ESRCH;
}

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
Made makeMark(int folder, const QByteArray& mark, const QByteArray& line, mode_t mode,
              const QByteArray& token) {
    const QByteArray temporary = sideName(token, ".new");
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
    // Owner rw, group r, others r where the folder lets others read.
    const mode_t mode = S_IRUSR | S_IWUSR | S_IRGRP | (opened.info.st_mode & S_IROTH);
    std::optional<Holder> last;
    // Each round either holds the journal, finds it held, or sees a mark go: a few are enough.
    for (int round = 0; round < 8; ++round) {
        const Made made = makeMark(at, mark, lockMarkLine(user_, token_), mode, token_);
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
    // Only this copy's own mark goes: one another copy made in its place stays.
    if (const Found found = inspect(folder_.fd(), mark_);
        found.kind == Found::Readable && found.mark.token == token_)
        ::unlinkat(folder_.fd(), mark_.constData(), 0);
    folder_ = FileHandle();
    mark_.clear();
    journal_.clear();
}

} // namespace core
