#include "journal/journalsearch.h"

#include "core/journalcolumns.h"
#include "core/journalformat.h"
#include "core/journalpaths.h"
#include "core/memory.h"

#include <QFile>
#include <algorithm>
#include <tuple>

namespace journal {

namespace {

// A cell never holds ";", a line end or NUL, and no other character folds to one of them.
bool fitsInCell(const QString& folded) {
    return std::none_of(folded.begin(), folded.end(), [](QChar c) {
        return c == u';' || c == u'\r' || c == u'\n' || c == u'\0';
    });
}

} // namespace

// Only ".csv" in lower case: that is the file "Загрузить архив" opens for a name.
std::vector<JournalFile> archiveFiles(const QString& programFolder) {
    const QString archives = core::archiveFolderPath(programFolder);
    const core::Opened folder = core::FolderTree(programFolder).openFolder(archives);
    std::vector<JournalFile> files;
    if (!folder.ok())
        return files;
    for (const core::FolderEntry& entry : core::folderEntries(folder.handle.fd()))
        if (const QString name = QFile::decodeName(entry.name);
            name.endsWith(QStringLiteral(".csv")) && !name.startsWith(u'.') &&
            S_ISREG(entry.info.st_mode))
            files.push_back(
                {name.chopped(4), archives + u'/' + name, core::FileIdentity::of(entry.info)});
    // Ordered by code unit rather than by locale, so that the order is the same on every machine.
    std::sort(files.begin(), files.end(),
              [](const JournalFile& a, const JournalFile& b) { return a.journal < b.journal; });
    return files;
}

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

std::optional<QList<QStringList>> journalRows(const core::FolderTree& folder, const QString& path) {
    const core::Opened opened = folder.openForReading(path);
    // "Открыть журнал" refuses files too large for the memory, so no row of them can be shown.
    if (!opened.ok() || core::memoryToOpen(opened.info.st_size) > core::availableMemory())
        return std::nullopt;
    std::optional<core::FileRead> read = core::readJournalFile(opened.handle.fd());
    if (!read)
        return std::nullopt;
    return std::move(read->result.rows);
}

std::vector<JournalHit> searchJournals(const QString& programFolder, const core::FindText& needle,
                                       int limit) {
    if (needle.isEmpty() || limit <= 0 || !fitsInCell(needle.folded()))
        return {};
    std::vector<JournalHit> hits;
    const core::FolderTree folder(programFolder);
    std::vector<JournalFile> files = archiveFiles(programFolder);
    files.insert(files.begin(), JournalFile{QStringLiteral("thisyear.csv"),
                                            core::currentJournalPath(programFolder)});
    for (const JournalFile& file : files) {
        const std::optional<QList<QStringList>> rows = journalRows(folder, file.path);
        for (int r = 0; rows && r < rows->size(); ++r) {
            const QStringList& cells = (*rows)[r];
            if (std::any_of(cells.begin(), cells.end(),
                            [&](const QString& cell) { return needle.matches(cell); })) {
                hits.push_back({file.journal, file.path, r + 1, cells.first(core::FileColumns)});
                if (hits.size() == size_t(limit))
                    return hits;
            }
        }
    }
    return hits;
}

} // namespace journal
