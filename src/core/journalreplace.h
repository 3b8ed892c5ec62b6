#pragma once

#include "core/foldertree.h"
#include "core/journalbackups.h"
#include "core/journalformat.h"

#include <QByteArray>
#include <QString>

namespace core {

// What the save expects to replace: the file as this copy of the program last read or wrote it.
struct Expectation {
    bool known = false;     // false: the file was never read or written here; anything goes
    bool existed = false;   // whether it was there then
    QByteArray fingerprint; // its bytes' fingerprint then (empty: it could not be read)
    QByteArray agreed;      // a changed version the user agreed to replace, if any
    // Hand back the bytes of a changed file found, when it can be held in memory (ChangedOnDisk):
    // the other side of a merge.
    bool keepBytes = false;
};

struct Replacement {
    enum Kind { Replaced, ChangedOnDisk, Failed };
    Kind kind = Replaced;
    QString cause;          // Failed: why, in the system's words
    QString unkeptBackup;   // Replaced: why the previous version is not in Backup, if it is not
    QByteArray found;       // ChangedOnDisk: the fingerprint of the file found
    QString backup;         // Replaced: the backup kept, if one was
    FileIdentity written;   // Replaced: the new file
    QByteArray fingerprint; // Replaced: the new file's fingerprint
    // Replaced: the new file, open for reading (when the expectation asked to keep bytes).
    FileHandle writtenFile;
    // ChangedOnDisk: the file found, when `bytesHeld` (it could be read whole into memory); only
    // when the expectation asked to keep them.
    QByteArray bytes;
    bool bytesHeld = false;
};

// Replaces the journal file at path (below the folder) by the cells written as a journal, in
// pieces and fingerprinted as they are written, holding the folder's save lock throughout: the
// file found is compared with the expectation by its bytes' fingerprint (a change is handed back
// unreplaced), kept as a backup (a copy in pieces) when it differs from the new file, then
// replaced. A link or a file that is not a regular one in the file's place is refused. The new
// file takes the bits and group of the file it replaces, or else of `likeFile` (this year's
// register), or else of its folder, without the execute bits.
Replacement replaceJournalFile(const FolderTree& folder, JournalBackups& backups,
                               const QString& path, const CellTable& cells,
                               const Expectation& expected, const QString& likeFile,
                               bool makeFolder);

} // namespace core
