#include "core/journallock.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QSysInfo>
#include <QUuid>
#include <vector>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace core {

#endif

namespace {

constexpr qsizetype MaxMarkSize = 1024;

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

int hexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

// The reverse; a '%' not followed by two hex digits (a mark of an older copy) stays as it is.
QString unescaped(const QByteArray& field) {
    QByteArray out;
    for (qsizetype i = 0; i < field.size(); ++i) {
        const int high = i + 2 < field.size() ? hexDigit(field[i + 1]) : -1;
        const int low = i + 2 < field.size() ? hexDigit(field[i + 2]) : -1;
        if (field[i] == '%' && high >= 0 && low >= 0) {
            out += char(high * 16 + low);
            i += 2;
        } else {
            out += field[i];
        }
    }
    return QString::fromUtf8(out);
}

struct Mark {
    JournalLock::Holder holder;
    QByteArray token;
    bool foreign = false; // the office suite's mark of the same name: never stale
};

Mark holderOf(QString user, QString host, qint64 pid, QDateTime since, QByteArray token = {}) {
    Mark mark;
    mark.holder.user = std::move(user);
    mark.holder.host = std::move(host);
    mark.holder.pid = pid;
    mark.holder.since = std::move(since);
    mark.token = std::move(token);
    return mark;
}

// "user,host,pid,time,token" (a user of an older copy may hold commas: the fields are counted
// from the end), or the office suite's "name,user,host,date,profile;".
std::optional<Mark> parseMark(const QByteArray& bytes, const QDateTime& modified) {
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
        Mark mark = holderOf(QString::fromUtf8(fields[0].isEmpty() ? fields[1] : fields[0]),
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

// A mark left by a process of this computer that no longer runs.
bool isStale(const Mark& mark) {
#ifdef Q_OS_UNIX
    if (mark.foreign || mark.holder.host != QSysInfo::machineHostName() || mark.holder.pid <= 0)
        return false;
    return ::kill(pid_t(mark.holder.pid), 0) != 0 && errno == ESRCH;
#else
    Q_UNUSED(mark);
    return false;
#endif
}

QByteArray markLine(const QString& user, const QByteArray& token) {
    return escaped(user) + ',' + escaped(QSysInfo::machineHostName()) + ',' +
           QByteArray::number(QCoreApplication::applicationPid()) + ',' +
           QDateTime::currentDateTime().toString(Qt::ISODate).toUtf8() + ',' + token + '\n';
}

// What is found under a mark's name, as judged; `identity` tells it from another found later.
struct Found {
    enum Kind { Missing, Readable, Unreadable } kind = Missing;
    Mark mark;
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

#ifdef Q_OS_UNIX

QByteArray local(const QString& path) {
    return QFile::encodeName(path);
}

// A name beside the mark for this copy alone, short whatever the journal's name.
QByteArray sideName(const QString& mark, const QByteArray& token, const char* suffix) {
    return local(QFileInfo(mark).path()) + "/.~lock." + token + suffix;
}

QDateTime modifiedAt(const struct stat& info) {
    return QDateTime::fromSecsSinceEpoch(info.st_mtim.tv_sec);
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

// The bytes of the file open at fd, if it is the regular file found by lstat; else why not.
QString readRegular(int fd, const struct stat& link, QByteArray& bytes) {
    struct stat info {};
    if (::fstat(fd, &info) != 0 || info.st_ino != link.st_ino || info.st_dev != link.st_dev)
        return openFailure(0);
    if (S_ISDIR(info.st_mode))
        return QStringLiteral("это папка, а не файл");
    if (!S_ISREG(info.st_mode))
        return openFailure(ENXIO);
    bytes.resize(MaxMarkSize);
    qsizetype size = 0;
    while (size < MaxMarkSize) {
        const ssize_t got = ::read(fd, bytes.data() + size, size_t(MaxMarkSize - size));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return openFailure(errno);
        if (got == 0)
            break;
        size += got;
    }
    bytes.truncate(size);
    return {};
}

// Never follows a link, never waits on a pipe, never reads more than a mark can hold.
Found inspect(const QString& path) {
    const QByteArray name = local(path);
    struct stat link {};
    if (::lstat(name.constData(), &link) != 0)
        return errno == ENOENT ? Found{} : unreadable(openFailure(errno), {});
    const QDateTime modified = modifiedAt(link);
    QByteArray bytes;
    QString failure = S_ISLNK(link.st_mode) ? openFailure(ELOOP) : QString();
    if (failure.isEmpty()) {
        const int fd = ::open(name.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0 && errno == ENOENT)
            return Found{}; // gone since
        failure = fd < 0 ? openFailure(errno) : readRegular(fd, link, bytes);
        if (fd >= 0)
            ::close(fd);
    }
    std::optional<Mark> mark;
    if (failure.isEmpty()) {
        mark = parseMark(bytes, modified);
        if (!mark)
            failure = QStringLiteral("её содержимое не разобрать");
    }
    Found found = failure.isEmpty() ? Found{} : unreadable(failure, modified);
    if (mark) {
        found.kind = Found::Readable;
        found.mark = *mark;
    }
    found.ours = link.st_uid == ::geteuid();
    found.folder = S_ISDIR(link.st_mode);
    found.identity = QByteArray::number(quint64(link.st_dev)) + ':' +
                     QByteArray::number(quint64(link.st_ino)) + ':' +
                     QByteArray::number(quint64(link.st_mode)) + ':' + bytes;
    return found;
}

int renameNoReplace(const QByteArray& from, const QByteArray& to) {
#if defined(Q_OS_LINUX) && defined(RENAME_NOREPLACE)
    return ::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE);
#else
    Q_UNUSED(from);
    Q_UNUSED(to);
    errno = ENOSYS;
    return -1;
#endif
}

bool unsupported(int error) {
    return error == EPERM || error == EOPNOTSUPP || error == ENOSYS || error == EINVAL ||
           error == EMLINK;
}

bool writeAll(int fd, const QByteArray& bytes) {
    qsizetype written = 0;
    while (written < bytes.size()) {
        const ssize_t put =
            ::write(fd, bytes.constData() + written, size_t(bytes.size() - written));
        if (put < 0 && errno == EINTR)
            continue;
        if (put <= 0)
            return false;
        written += put;
    }
    return true;
}

// Owner rw, group r, others r where the folder lets others read.
mode_t markMode(const QString& path) {
    struct stat folder {};
    const bool othersRead = ::stat(local(QFileInfo(path).path()).constData(), &folder) == 0 &&
                            (folder.st_mode & S_IROTH);
    return S_IRUSR | S_IWUSR | S_IRGRP | (othersRead ? S_IROTH : 0);
}

// A new file of that name, written whole; fails when the name is taken.
int writeNew(const QByteArray& name, const QByteArray& line, mode_t mode) {
    const int fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                          S_IRUSR | S_IWUSR);
    if (fd < 0)
        return errno;
    const bool written = ::fchmod(fd, mode) == 0 && writeAll(fd, line);
    const bool closed = ::close(fd) == 0;
    if (written && closed)
        return 0;
    ::unlink(name.constData());
    return EIO;
}

// The mark appears whole or not at all: it is written under a name of its own first, then linked
// to the mark's name, which fails when that is taken.
Made makeMark(const QString& path, const QByteArray& line, const QByteArray& token) {
    const QByteArray mark = local(path);
    const QByteArray temporary = sideName(path, token, ".new");
    const mode_t mode = markMode(path);
    if (writeNew(temporary, line, mode) != 0)
        return Made::Failed;
    Made made = Made::Failed;
    struct stat written {};
    struct stat seen {};
    const int linked = ::link(temporary.constData(), mark.constData()) == 0 ? 0 : errno;
    if (linked == 0) {
        made = Made::Made;
    } else if (linked == EEXIST) {
        made = Made::Exists;
    } else if (::lstat(temporary.constData(), &written) == 0 && written.st_nlink == 2 &&
               ::lstat(mark.constData(), &seen) == 0 && seen.st_ino == written.st_ino) {
        made = Made::Made; // linked, though the folder's server said otherwise
    } else if (unsupported(linked)) {
        if (renameNoReplace(temporary, mark) == 0)
            return Made::Made;
        if (errno == EEXIST) {
            made = Made::Exists;
        } else if (unsupported(errno)) {
            // Neither links nor exclusive renames here: the mark is written in place.
            ::unlink(temporary.constData());
            const int error = writeNew(mark, line, mode);
            return error == 0 ? Made::Made : error == EEXIST ? Made::Exists : Made::Failed;
        }
    }
    ::unlink(temporary.constData());
    return made;
}

bool putBack(const QByteArray& aside, const QByteArray& mark, bool folder) {
    if (renameNoReplace(aside, mark) == 0)
        return true;
    if (unsupported(errno) && (folder ? ::rename(aside.constData(), mark.constData()) == 0
                                      : ::link(aside.constData(), mark.constData()) == 0 &&
                                            ::unlink(aside.constData()) == 0))
        return true;
    // Another mark took the name meanwhile: that one holds the journal.
    if (folder)
        ::rmdir(aside.constData());
    else
        ::unlink(aside.constData());
    return false;
}

enum class Retired { Retired, Kept, Failed };

// Only one of the copies that judged the mark stale gets to move it aside, and removes it when
// what it moved is what it judged; anything else goes back.
Retired retire(const QString& path, const Found& judged, const QByteArray& token) {
    const QByteArray mark = local(path);
    const QByteArray aside = sideName(path, token, ".old");
    if (::rename(mark.constData(), aside.constData()) != 0)
        return errno == ENOENT ? Retired::Retired : Retired::Failed;
    const Found moved = inspect(QFile::decodeName(aside));
    if (moved.kind != Found::Missing && retirable(moved) && moved.identity == judged.identity &&
        (moved.folder ? ::rmdir(aside.constData()) : ::unlink(aside.constData())) == 0)
        return Retired::Retired;
    if (moved.kind != Found::Missing)
        putBack(aside, mark, moved.folder);
    return Retired::Kept;
}

bool removeOwnMark(const QString& path, const QByteArray& token) {
    const Found found = inspect(path);
    return found.kind == Found::Readable && found.mark.token == token &&
           ::unlink(local(path).constData()) == 0;
}

#else

Found inspect(const QString& path) {
    const QFileInfo info(path);
    if (!info.exists() && !info.isSymLink())
        return {};
    QFile file(path);
    if (info.isSymLink() || !info.isFile() || !file.open(QIODevice::ReadOnly))
        return unreadable(QStringLiteral("ошибка чтения"), info.lastModified());
    Found found = unreadable(QStringLiteral("её содержимое не разобрать"), info.lastModified());
    if (const std::optional<Mark> mark = parseMark(file.read(MaxMarkSize), info.lastModified())) {
        found.kind = Found::Readable;
        found.mark = *mark;
    }
    return found;
}

Made makeMark(const QString& path, const QByteArray& line, const QByteArray&) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly))
        return file.exists() ? Made::Exists : Made::Failed;
    if (file.write(line) > 0 && file.flush())
        return Made::Made;
    file.remove();
    return Made::Failed;
}

enum class Retired { Retired, Kept, Failed };

Retired retire(const QString& path, const Found&, const QByteArray&) {
    return QFile::remove(path) ? Retired::Retired : Retired::Failed;
}

bool removeOwnMark(const QString& path, const QByteArray& token) {
    const Found found = inspect(path);
    return found.kind == Found::Readable && found.mark.token == token && QFile::remove(path);
}

#endif

} // namespace

JournalLock::JournalLock(QString user)
    : user_(std::move(user)), token_(QUuid::createUuid().toString(QUuid::WithoutBraces)) {}

JournalLock::~JournalLock() {
    release();
}

QString JournalLock::markPath(const QString& journalPath) {
    const QFileInfo journal(journalPath);
    return journal.path() + QStringLiteral("/.~lock.") + journal.fileName() + u'#';
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
                   .arg(journalFileName, QFileInfo(markPath(journalFileName)).fileName(),
                        holder.reason) +
               after;
    return QStringLiteral("Журнал %1 сейчас открыт и у другого пользователя: %2, компьютер %3, с "
                          "%4. ")
               .arg(journalFileName, holder.user, holder.host,
                    holder.since.toString(QStringLiteral("dd.MM.yyyy HH:mm"))) +
           after;
}

std::optional<JournalLock::Holder> JournalLock::hold(const QString& journalPath) {
    if (journalPath == journal_)
        return std::nullopt;
    release();
    const QString mark = markPath(journalPath);
    const QByteArray token = token_.toLatin1();
    std::optional<Holder> last;
    // Each round either holds the journal, finds it held, or sees a mark go: a few are enough.
    for (int round = 0; round < 8; ++round) {
        const Made made = makeMark(mark, markLine(user_, token), token);
        if (made == Made::Made) {
            journal_ = journalPath;
            return std::nullopt;
        }
        const Found found = inspect(mark);
        if (found.kind == Found::Missing) {
            if (made == Made::Failed)
                return std::nullopt; // no mark can be made here (a read-only folder)
            continue;
        }
        last = found.mark.holder;
        if (!retirable(found))
            return last;
        switch (retire(mark, found, token)) {
        case Retired::Retired:
        case Retired::Kept:
            break;
        case Retired::Failed:
            // Stale, and not to be taken over here: nothing to say.
            return found.kind == Found::Readable ? std::nullopt : last;
        }
    }
    return last;
}

void JournalLock::release() {
    if (journal_.isEmpty())
        return;
    removeOwnMark(markPath(journal_), token_.toLatin1());
    journal_.clear();
}

} // namespace core
