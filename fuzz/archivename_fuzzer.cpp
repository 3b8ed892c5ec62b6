// Feeds arbitrary answers to the archive-name check: a name it accepts names one file, directly
// in the Archive folder, whose backups' names fit the file system too; the same answer always
// gives the same name.
#include "core/journalbackups.h"
#include "core/journalpaths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

[[noreturn]] void broken(const char* promise, int line) {
    std::fprintf(stderr, "archivename_fuzzer.cpp:%d: broken: %s\n", line, promise);
    std::abort();
}

#define PROMISE(condition) ((condition) ? void() : broken(#condition, __LINE__))

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QString answer = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    const QString name = journal::archiveName(answer);
    PROMISE(journal::archiveName(answer) == name);
    if (journal::archiveNameRefusal(name))
        return 0;
    const QString folder = QStringLiteral("/program");
    const QFileInfo file(journal::archivePath(folder, name));
    PROMISE(QDir::cleanPath(file.absolutePath()) == journal::archiveFolderPath(folder));
    PROMISE(file.fileName() == name + QStringLiteral(".csv"));
    PROMISE(QFile::encodeName(name).size() + JournalBackups::NameOverhead <=
            journal::MaxFileNameBytes);
    return 0;
}
