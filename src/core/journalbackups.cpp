#include "core/journalbackups.h"

#include "core/journalio.h"
#include "core/systemerror.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <algorithm>
#include <cerrno>
#include <unistd.h>
#include <vector>

namespace core {

namespace {

const QString StampFormat = QStringLiteral("yyyyMMdd-HHmmss-zzz");
// However many backups a folder holds, the next free number is found within this many tries.
constexpr int NameTries = 1000;

// The journal file's name without ".csv": the start of its backups' names.
QString backupBase(const QString& journalPath) {
    const QString name = QFileInfo(journalPath).fileName();
    return name.endsWith(QStringLiteral(".csv")) ? name.chopped(4) : name;
}

struct Backup {
    QString name;
    QString number; // digits without leading zeros; empty for a backup named by its time alone
    QString stamp;
    int copy = 1;
};

// Numbers of any width, compared as numbers.
bool greaterNumber(const QString& a, const QString& b) {
    return a.size() != b.size() ? a.size() > b.size() : a > b;
}

QString nextNumber(const QString& number) {
    QString next = number.isEmpty() ? QStringLiteral("0") : number;
    qsizetype at = next.size() - 1;
    while (at >= 0 && next[at] == u'9')
        next[at--] = u'0';
    if (at < 0)
        next.prepend(u'1');
    else
        next[at] = QChar(next[at].unicode() + 1);
    return next;
}

// The backup of the journal whose backups are named `base` that `name` names:
// "BASE_YYYYMMDD-HHMMSS-mmm.csv", with "_nNUMBER" or "-COPY" before ".csv" when so kept.
std::optional<Backup> backupNamed(const QString& name, QStringView base) {
    static const QRegularExpression stamped(
        QStringLiteral("^_([0-9]{8}-[0-9]{6}-[0-9]{3})(?:_n0*([0-9]+)|-([0-9]+))?\\.csv$"));
    if (!name.startsWith(base))
        return std::nullopt;
    const QRegularExpressionMatch match = stamped.match(QStringView(name).sliced(base.size()));
    if (!match.hasMatch())
        return std::nullopt;
    return Backup{name, match.captured(2), match.captured(1),
                  match.hasCaptured(3) ? match.capturedView(3).toInt() : 1};
}

std::vector<Backup> findBackups(const QString& folder, const QString& base) {
    std::vector<Backup> found;
    const QStringList names = QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System);
    for (const QString& name : names)
        if (std::optional<Backup> backup = backupNamed(name, base))
            found.push_back(std::move(*backup));
    std::sort(found.begin(), found.end(), [](const Backup& a, const Backup& b) {
        if (a.number != b.number)
            return greaterNumber(a.number, b.number);
        return a.stamp != b.stamp ? a.stamp > b.stamp : a.copy > b.copy;
    });
    return found;
}

} // namespace

JournalBackups::JournalBackups(QString folder, Clock clock)
    : folder_(std::move(folder)), tree_(folder_.left(folder_.lastIndexOf(u'/'))),
      clock_(clock ? std::move(clock) : [] { return QDateTime::currentDateTime(); }) {}

JournalBackups::Kept JournalBackups::keep(const QString& journalPath, int source, mode_t mode,
                                          gid_t group) {
    const core::Opened folder = tree_.openFolder(folder_, true);
    if (!folder.ok())
        return {std::nullopt, core::systemErrorText(folder.error)};
    const QDateTime now = clock_();
    const QString base = backupBase(journalPath);
    core::removeStaleTemporaries(folder.handle.fd(), QFile::encodeName(base), now);
    core::NewFile copy(folder.handle.fd(), QFile::encodeName(base), mode, group);
    copy.copyFrom(source);
    int error = copy.error();
    const std::vector<Backup> existing = findBackups(folder_, base);
    QString number = nextNumber(existing.empty() ? QString() : existing.front().number);
    for (int tries = 0; error == 0 && tries < NameTries; ++tries, number = nextNumber(number)) {
        const QString name = base + u'_' + now.toString(StampFormat) + QStringLiteral("_n") +
                             number + QStringLiteral(".csv");
        if (copy.commitUnlessTaken(QFile::encodeName(name)))
            return {folder_ + u'/' + name, {}};
        error = copy.error();
    }
    return {std::nullopt, core::systemErrorText(error == 0 ? EEXIST : error)};
}

void JournalBackups::forget(const QString& backupPath) {
    const core::Opened folder = tree_.openFolder(folder_);
    if (folder.ok())
        ::unlinkat(folder.handle.fd(),
                   QFile::encodeName(backupPath.mid(backupPath.lastIndexOf(u'/') + 1)).constData(),
                   0);
}

void JournalBackups::dropOldest(const QString& journalPath) {
    const core::Opened folder = tree_.openFolder(folder_);
    if (!folder.ok())
        return;
    const QStringList backups = backupsOf(journalPath);
    for (qsizetype i = KeptPerFile; i < backups.size(); ++i)
        ::unlinkat(folder.handle.fd(), QFile::encodeName(backups[i]).constData(), 0);
}

QStringList JournalBackups::backupsOf(const QString& journalPath) const {
    QStringList newestFirst;
    for (const Backup& backup : findBackups(folder_, backupBase(journalPath)))
        newestFirst << backup.name;
    return newestFirst;
}

} // namespace core
