#include "core/journalpaths.h"

#include "core/journalbackups.h"
#include "core/systemerror.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringView>
#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace core {

namespace {

bool isForbiddenInName(QChar c) {
    static constexpr QStringView forbidden = u"/\\:*?\"<>|";
    return c.category() == QChar::Other_Control || forbidden.contains(c);
}

// Characters as the user counts them: a pair of surrogates is one.
qsizetype characterCount(const QString& text) {
    return std::count_if(text.begin(), text.end(), [](QChar c) { return !c.isLowSurrogate(); });
}

} // namespace

QString chooseJournalFolder(const QString& programFolder, bool programFolderWritable,
                            const QString& userDataFolder) {
    const bool holdsJournals = QFileInfo(currentJournalPath(programFolder)).exists() ||
                               QFileInfo(archiveFolderPath(programFolder)).isDir();
    return holdsJournals || programFolderWritable ? programFolder : userDataFolder;
}

std::optional<QString> journalFolderRefusal(const QString& folder) {
    const QFileInfo info(folder);
    const QString shown = QDir::toNativeSeparators(folder);
    if (folder.isEmpty() || !info.exists() || !info.isDir())
        return QStringLiteral("Папка журналов «%1» не найдена. Остаётся прежняя папка.").arg(shown);
    // A file made and removed again is the one sure test: permissions, read-only mounts and
    // shares all have their say.
    const QByteArray probe = QFile::encodeName(info.absoluteFilePath()) + "/.eklz-folder-probe-" +
                             QByteArray::number(::getpid());
    const int fd = ::open(probe.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW, 0600);
    const int error = errno;
    if (fd >= 0) {
        ::close(fd);
        ::unlink(probe.constData());
    }
    if (fd < 0 && error != EEXIST)
        return QStringLiteral("В папку журналов «%1» нельзя записывать (%2). Остаётся прежняя "
                              "папка.")
            .arg(shown, systemErrorText(error));
    return std::nullopt;
}

QString currentJournalPath(const QString& programFolder) {
    return programFolder + QStringLiteral("/thisyear.csv");
}

QString archiveFolderPath(const QString& programFolder) {
    return programFolder + QStringLiteral("/Archive");
}

QString archivePath(const QString& programFolder, const QString& name) {
    return programFolder + QStringLiteral("/Archive/") + name + QStringLiteral(".csv");
}

QString backupFolderPath(const QString& programFolder) {
    return programFolder + QStringLiteral("/Backup");
}

QString archiveName(const QString& answer) {
    return answer.toUpper();
}

std::optional<QString> archiveNameRefusal(const QString& name) {
    const bool fits =
        QFile::encodeName(name).size() + JournalBackups::NameOverhead <= MaxFileNameBytes;
    const bool acceptable = name != QStringLiteral(".") && name != QStringLiteral("..") &&
                            characterCount(name) <= MaxArchiveNameLength && fits &&
                            std::none_of(name.begin(), name.end(), isForbiddenInName);
    if (acceptable)
        return std::nullopt;
    return QStringLiteral("Недопустимое имя файла «%1». Имя не может содержать знаки "
                          "/ \\ : * ? \" < > | и управляющие символы, не может быть «.» или "
                          "«..» и должно быть не длиннее %2 знаков (%3 байт в имени файла).")
        .arg(name, QString::number(MaxArchiveNameLength),
             QString::number(MaxFileNameBytes - JournalBackups::NameOverhead));
}

} // namespace core
