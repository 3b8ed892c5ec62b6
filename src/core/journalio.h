#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

// Whole-file reads and writes for journal files and their backups.
namespace journal {

// The bytes of a file, or none when it cannot be opened or read.
std::optional<QByteArray> readWholeFile(const QString& path);
// Why a file could not be read, in words the user can act on.
QString readFailureCause(const QString& path);

// Replaces the file through QSaveFile: an existing file stays whole until the new contents are
// completely written, and stays untouched when any step fails. A replaced file keeps its group
// and permission bits, so a folder shared by a group stays usable by all its members. Returns
// why it failed (the system's words), or an empty text.
QString writeWholeFile(const QString& path, const QByteArray& bytes);

// Removes what saves of that file left behind when they were killed: its temporary files
// ("thisyear.csv.XXXXXX", as QSaveFile names them) not changed for a minute.
void removeStaleTemporaries(const QString& path);

// Makes the folder when it is missing, with the group and permission bits of the folder that
// holds it. Returns why it is not there afterwards (the system's words: a file in its place is
// "not a directory"), or an empty text.
QString makeFolderLikeParent(const QString& folder);

} // namespace journal
