#pragma once

#include "core/findtext.h"
#include "core/foldertree.h"

#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

namespace journal {

// "Найти во всех журналах": a unit looked up in this year's register and in every archive at
// once, straight from the files, without opening any of them in the grid.

struct JournalHit {
    QString journal; // "thisyear.csv", or the archive's name without ".csv" (as the user names it)
    QString path;    // the file
    int row = 0;     // the row as the user counts it, from 1 (the file's first line)
    QStringList cells; // the row's first eight cells as read
};

// Every row of thisyear.csv and of each ordinary file "*.csv" in Archive/ (sorted by name,
// thisyear.csv first) that has a cell FindText matches, in file order; at most `limit` hits.
// Files are taken as "Открыть журнал" reads them: a row past the line the reader stops at is not
// found, and a file that cannot be read is left out.
std::vector<JournalHit> searchJournals(const QString& programFolder, const core::FindText& needle,
                                       int limit = 1000);

struct JournalFile {
    QString journal; // as in JournalHit
    QString path;
    core::FileIdentity identity = {};
};

// The archives the search looks through: each regular file "*.csv" in Archive/ (a link or a hidden
// file is none), sorted by name.
std::vector<JournalFile> archiveFiles(const QString& programFolder);

// The archives "Загрузить архив" can open, newest first: the names of archiveFiles() that a typed
// answer would give (upper case, an acceptable archive name). Files modified at the same moment
// come in name order. No Archive folder, or one that cannot be read, lists none.
QStringList listArchives(const QString& programFolder);

// The rows of the file as the search reads them, as "Открыть журнал" does (up to where the reader
// stops); none when the file is left out: no regular file, too large to open, or unreadable.
std::optional<QList<QStringList>> journalRows(const core::FolderTree& folder, const QString& path);

} // namespace journal
