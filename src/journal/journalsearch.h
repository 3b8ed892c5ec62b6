#pragma once

#include "core/findtext.h"

#include <QString>
#include <QStringList>
#include <vector>

namespace journal {

// "Найти во всех журналах": a unit looked up in this year's register and in every archive at
// once, straight from the files, without opening any of them in the grid.

struct JournalHit {
    QString journal; // "thisyear.csv", or the archive's name without ".csv" (as the user names it)
    QString path;    // the file
    int row = 0;     // the data row, 1-based (grid row numbering: row 1 is the file's first line)
    QStringList cells; // the row's first eight cells as read
};

// Every row of thisyear.csv and of each ordinary file "*.csv" in Archive/ (sorted by name,
// thisyear.csv first) that has a cell FindText matches, in file order; at most `limit` hits.
// Files are taken as "Открыть журнал" reads them: a row past the line the reader stops at is not
// found, and a file that cannot be read is left out.
std::vector<JournalHit> searchJournals(const QString& programFolder, const core::FindText& needle,
                                       int limit = 1000);

} // namespace journal
