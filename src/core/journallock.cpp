#include "core/journallock.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QSysInfo>
#include <QUuid>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <csignal>
#include <unistd.h>
#endif

namespace {

QString userName() {
    QString name = qEnvironmentVariable("USER");
    if (name.isEmpty())
        name = qEnvironmentVariable("USERNAME");
    return name.isEmpty() ? QStringLiteral("?") : name;
}

struct Mark {
    JournalLock::Holder holder;
    QString token;
};

std::optional<Mark> readMark(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QStringList fields = QString::fromUtf8(file.readLine(1024)).trimmed().split(u',');
    if (fields.size() < 5)
        return Mark{{QStringLiteral("?"), QStringLiteral("?"), 0, QFileInfo(path).lastModified()},
                    {}};
    return Mark{{fields[0], fields[1], fields[2].toLongLong(),
                 QDateTime::fromString(fields[3], Qt::ISODate)},
                fields[4]};
}

// A mark left by a process of this computer that no longer runs.
bool isStale(const JournalLock::Holder& holder) {
#ifdef Q_OS_UNIX
    if (holder.host != QSysInfo::machineHostName() || holder.pid <= 0)
        return false;
    return ::kill(pid_t(holder.pid), 0) != 0 && errno == ESRCH;
#else
    Q_UNUSED(holder);
    return false;
#endif
}

bool writeMark(const QString& path, const QString& token) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly))
        return false;
    const QString line = QStringList{userName(), QSysInfo::machineHostName(),
                                     QString::number(QCoreApplication::applicationPid()),
                                     QDateTime::currentDateTime().toString(Qt::ISODate), token}
                             .join(u',') +
                         u'\n';
    if (file.write(line.toUtf8()) > 0 && file.flush())
        return true;
    // A mark that says nothing would keep the journal held for good.
    file.remove();
    return false;
}

} // namespace

JournalLock::JournalLock() : token_(QUuid::createUuid().toString(QUuid::WithoutBraces)) {}

JournalLock::~JournalLock() {
    release();
}

QString JournalLock::markPath(const QString& journalPath) {
    const QFileInfo journal(journalPath);
    return journal.path() + QStringLiteral("/.~lock.") + journal.fileName() + u'#';
}

std::optional<JournalLock::Holder> JournalLock::hold(const QString& journalPath) {
    if (journalPath == journal_)
        return std::nullopt;
    release();
    const QString mark = markPath(journalPath);
    if (writeMark(mark, token_)) {
        journal_ = journalPath;
        return std::nullopt;
    }
    const std::optional<Mark> found = readMark(mark);
    if (!found)
        return std::nullopt; // no mark can be made here (a read-only folder): nothing to say
    if (!isStale(found->holder))
        return found->holder;
    QFile::remove(mark);
    if (writeMark(mark, token_))
        journal_ = journalPath;
    return std::nullopt;
}

void JournalLock::release() {
    if (journal_.isEmpty())
        return;
    const QString mark = markPath(journal_);
    const std::optional<Mark> found = readMark(mark);
    if (found && found->token == token_)
        QFile::remove(mark);
    journal_.clear();
}
