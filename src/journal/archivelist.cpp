#include "journal/archivelist.h"

#include "core/journalpaths.h"
#include "journal/journalsearch.h"

#include <algorithm>
#include <tuple>

namespace journal {

QStringList listArchives(const QString& programFolder) {
    std::vector<JournalFile> archives = archiveFiles(programFolder);
    // Only those "Загрузить архив" would open by the name typed.
    std::erase_if(archives, [](const JournalFile& archive) {
        const QString& name = archive.journal;
        return name.isEmpty() || core::archiveName(name) != name || core::archiveNameRefusal(name);
    });
    // The newest first; archives of the same time by name.
    std::sort(archives.begin(), archives.end(), [](const JournalFile& a, const JournalFile& b) {
        const timespec& x = a.identity.modified;
        const timespec& y = b.identity.modified;
        return std::tie(y.tv_sec, y.tv_nsec, a.journal) < std::tie(x.tv_sec, x.tv_nsec, b.journal);
    });
    QStringList names;
    names.reserve(qsizetype(archives.size()));
    for (const JournalFile& archive : archives)
        names << archive.journal;
    return names;
}

} // namespace journal
