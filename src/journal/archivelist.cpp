#include "journal/archivelist.h"

#include "core/foldertree.h"
#include "core/journalpaths.h"

#include <QFile>
#include <algorithm>
#include <optional>
#include <sys/stat.h>
#include <tuple>
#include <vector>

namespace journal {

namespace {

struct Archive {
    QString name;
    timespec modified;
};

// The newest first; archives of the same time by name.
bool newerFirst(const Archive& a, const Archive& b) {
    return std::tie(b.modified.tv_sec, b.modified.tv_nsec, a.name) <
           std::tie(a.modified.tv_sec, a.modified.tv_nsec, b.name);
}

// The name "Загрузить архив" would open this file by, if any.
std::optional<QString> archiveNameOf(const char* fileName) {
    const QString file = QFile::decodeName(fileName);
    if (!file.endsWith(QStringLiteral(".csv")) || file.startsWith(u'.'))
        return std::nullopt;
    const QString name = file.chopped(4);
    if (name.isEmpty() || core::archiveName(name) != name || core::archiveNameRefusal(name))
        return std::nullopt;
    return name;
}

} // namespace

QStringList listArchives(const QString& programFolder) {
    const core::FolderTree tree(programFolder);
    const core::Opened folder = tree.openFolder(core::archiveFolderPath(programFolder));
    if (!folder.ok())
        return {};
    std::vector<Archive> archives;
    for (const core::FolderEntry& entry : core::folderEntries(folder.handle.fd()))
        if (const std::optional<QString> name = archiveNameOf(entry.name.constData());
            name && S_ISREG(entry.info.st_mode))
            archives.push_back({*name, entry.info.st_mtim});
    std::sort(archives.begin(), archives.end(), newerFirst);
    QStringList names;
    names.reserve(qsizetype(archives.size()));
    for (const Archive& archive : archives)
        names << archive.name;
    return names;
}

} // namespace journal
