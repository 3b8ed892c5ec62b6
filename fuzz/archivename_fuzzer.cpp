// Feeds arbitrary answers to the archive-name check: a name it accepts names one file, directly
// in the Archive folder, whose backups' names fit the file system too; the same answer always
// gives the same name.
#include "core/journalbackups.h"
#include "core/journalpaths.h"
#include "promise.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QString answer = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    const QString name = core::archiveName(answer);
    PROMISE(core::archiveName(answer) == name);
    if (core::archiveNameRefusal(name))
        return 0;
    const QString folder = QStringLiteral("/program");
    const QFileInfo file(core::archivePath(folder, name));
    PROMISE(QDir::cleanPath(file.absolutePath()) == core::archiveFolderPath(folder));
    PROMISE(file.fileName() == name + QStringLiteral(".csv"));
    PROMISE(QFile::encodeName(name).size() + core::JournalBackups::NameOverhead <=
            core::MaxFileNameBytes);
    return 0;
}
