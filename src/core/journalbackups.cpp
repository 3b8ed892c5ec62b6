#include "core/journalbackups.h"

#include "core/journalio.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <algorithm>
#include <vector>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <unistd.h>
#endif

namespace {

const QString StampFormat = QStringLiteral("yyyyMMdd-HHmmss-zzz");

// The journal file's name without ".csv": the start of its backups' names.
QString backupBase(const QString& journalPath) {
    const QString name = QFileInfo(journalPath).fileName();
    return name.endsWith(QStringLiteral(".csv")) ? name.chopped(4) : name;
}

QString backupName(const QString& base, const QString& stamp, int copy) {
    const QString suffix = copy > 1 ? QStringLiteral("-") + QString::number(copy) : QString();
    return base + QStringLiteral("_") + stamp + suffix + QStringLiteral(".csv");
}

// Saves replace a journal file by renaming a new file over it, so a second name for the old file
// keeps its contents without copying them. Where no such name can be made (another file system,
// no hard links), the contents are copied.
bool preserve(const QString& journalPath, const QString& backupPath) {
#ifdef Q_OS_UNIX
    // Following a symbolic link: the backup is the file the journal's name leads to.
    if (::linkat(AT_FDCWD, QFile::encodeName(journalPath).constData(), AT_FDCWD,
                 QFile::encodeName(backupPath).constData(), AT_SYMLINK_FOLLOW) == 0)
        return true;
#endif
    const std::optional<QByteArray> contents = journal::readWholeFile(journalPath);
    return contents && journal::writeWholeFile(backupPath, *contents);
}

struct Backup {
    QString name;
    QString stamp;
    int copy = 1;
};

} // namespace

JournalBackups::JournalBackups(QString folder, Clock clock)
    : folder_(std::move(folder)), clock_(std::move(clock)) {
    if (!clock_)
        clock_ = [] { return QDateTime::currentDateTime(); };
}

std::optional<QString> JournalBackups::keep(const QString& journalPath) {
    if (!QDir().mkpath(folder_))
        return std::nullopt;
    const QString base = backupBase(journalPath);
    const QString stamp = clock_().toString(StampFormat);
    // Two saves within one millisecond (or a clock set back) must not overwrite a backup.
    int copy = 1;
    while (QFileInfo::exists(folder_ + QLatin1Char('/') + backupName(base, stamp, copy)))
        ++copy;
    const QString backup = folder_ + QLatin1Char('/') + backupName(base, stamp, copy);
    if (!preserve(journalPath, backup))
        return std::nullopt;
    return backup;
}

void JournalBackups::dropOldest(const QString& journalPath) {
    const QStringList backups = backupsOf(journalPath);
    for (qsizetype i = KeptPerFile; i < backups.size(); ++i)
        QFile::remove(folder_ + QLatin1Char('/') + backups[i]);
}

QStringList JournalBackups::backupsOf(const QString& journalPath) const {
    const QRegularExpression pattern(QStringLiteral("^") +
                                     QRegularExpression::escape(backupBase(journalPath)) +
                                     QStringLiteral("_(\\d{8}-\\d{6}-\\d{3})(?:-(\\d+))?\\.csv$"));
    std::vector<Backup> found;
    const QStringList names = QDir(folder_).entryList(QDir::Files | QDir::Hidden);
    for (const QString& name : names) {
        const QRegularExpressionMatch match = pattern.match(name);
        if (match.hasMatch())
            found.push_back(
                {name, match.captured(1), match.hasCaptured(2) ? match.captured(2).toInt() : 1});
    }
    std::sort(found.begin(), found.end(), [](const Backup& a, const Backup& b) {
        return a.stamp != b.stamp ? a.stamp > b.stamp : a.copy > b.copy;
    });
    QStringList newestFirst;
    newestFirst.reserve(qsizetype(found.size()));
    for (const Backup& backup : found)
        newestFirst << backup.name;
    return newestFirst;
}
