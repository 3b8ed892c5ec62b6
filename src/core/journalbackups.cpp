#include "core/journalbackups.h"

#include "core/journalio.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <algorithm>
#include <cerrno>
#include <vector>

namespace {

const QString StampFormat = QStringLiteral("yyyyMMdd-HHmmss-zzz");

// The journal file's name without ".csv": the start of its backups' names.
QString backupBase(const QString& journalPath) {
    const QString name = QFileInfo(journalPath).fileName();
    return name.endsWith(QStringLiteral(".csv")) ? name.chopped(4) : name;
}

struct Backup {
    QString name;
    qint64 number = 0; // 0 for a backup named by its time alone
    QString stamp;
    int copy = 1;
};

std::vector<Backup> findBackups(const QString& folder, const QString& journalPath) {
    const QRegularExpression pattern(
        QStringLiteral("^") + QRegularExpression::escape(backupBase(journalPath)) +
        QStringLiteral("_(\\d{8}-\\d{6}-\\d{3})(?:_n(\\d{1,10})|-(\\d+))?\\.csv$"));
    std::vector<Backup> found;
    const QStringList names = QDir(folder).entryList(QDir::Files | QDir::Hidden);
    for (const QString& name : names) {
        const QRegularExpressionMatch match = pattern.match(name);
        if (!match.hasMatch())
            continue;
        found.push_back({name, match.hasCaptured(2) ? match.captured(2).toLongLong() : 0,
                         match.captured(1), match.hasCaptured(3) ? match.captured(3).toInt() : 1});
    }
    std::sort(found.begin(), found.end(), [](const Backup& a, const Backup& b) {
        if (a.number != b.number)
            return a.number > b.number;
        return a.stamp != b.stamp ? a.stamp > b.stamp : a.copy > b.copy;
    });
    return found;
}

} // namespace

JournalBackups::JournalBackups(QString folder, Clock clock)
    : folder_(std::move(folder)), clock_(std::move(clock)) {
    if (!clock_)
        clock_ = [] { return QDateTime::currentDateTime(); };
}

JournalBackups::Kept JournalBackups::keep(const QString& journalPath, const QByteArray& bytes) {
    if (QString cause = journal::makeFolderLikeParent(folder_); !cause.isEmpty())
        return {std::nullopt, std::move(cause)};
    const std::vector<Backup> existing = findBackups(folder_, journalPath);
    const qint64 number = existing.empty() ? 1 : existing.front().number + 1;
    const QString backup = folder_ + QLatin1Char('/') + backupBase(journalPath) + QLatin1Char('_') +
                           clock_().toString(StampFormat) + QStringLiteral("_n") +
                           QString::number(number) + QStringLiteral(".csv");
    if (QFileInfo::exists(backup))
        return {std::nullopt, qt_error_string(EEXIST)};
    if (QString cause = journal::writeWholeFile(backup, bytes); !cause.isEmpty())
        return {std::nullopt, std::move(cause)};
    return {backup, {}};
}

void JournalBackups::dropOldest(const QString& journalPath) {
    const QStringList backups = backupsOf(journalPath);
    for (qsizetype i = KeptPerFile; i < backups.size(); ++i)
        QFile::remove(folder_ + QLatin1Char('/') + backups[i]);
}

QStringList JournalBackups::backupsOf(const QString& journalPath) const {
    QStringList newestFirst;
    for (const Backup& backup : findBackups(folder_, journalPath))
        newestFirst << backup.name;
    return newestFirst;
}
