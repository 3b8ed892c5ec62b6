#pragma once

#include "core/foldertree.h"
#include "core/journalbackups.h"
#include "core/journalformat.h"

#include <QByteArray>
#include <QString>
#include <functional>
#include <optional>

namespace core {

// What the save expects to replace: the file as this copy of the program last read or wrote it.
struct Expectation {
    // false: the journal on screen was not read from this file, and a file found there is a
    // change to ask about unless it is the version `agreed`.
    bool known = false;
    bool existed = false;       // whether it was there then
    QByteArray fingerprint;     // its bytes' fingerprint then (empty: it was read only in part)
    QByteArray agreed;          // a changed or unknown version the user agreed to replace
    QByteArray agreedProtected; // a write-protected version the user agreed to replace
};

struct Replacement {
    // WriteProtected: the file found has its write bits off for this user, a colleague's choice;
    // it is replaced only once the user agrees to that version.
    enum Kind { Replaced, ChangedOnDisk, WriteProtected, Failed };
    Kind kind = Replaced;
    QString cause;          // Failed: why, in the system's words
    QString unkeptBackup;   // Replaced: why the previous version is not in Backup, if it is not
    QByteArray found;       // ChangedOnDisk, WriteProtected: the fingerprint of the file found
    mode_t foundMode = 0;   // WriteProtected: the file's permission bits
    uid_t foundOwner = 0;   // WriteProtected: its owner
    QByteArray fingerprint; // Replaced: the new file's fingerprint
    // ChangedOnDisk: the file found, when it could be read whole into memory, the other side of a
    // merge; Replaced: the bytes written, the base of the next one.
    std::optional<QByteArray> bytes;
};

// Replaces the journal file at path (below the folder) by the rows written as a journal, holding
// the folder's save lock throughout (the wait for it calls `stillWaiting`, which may cancel it):
// the file found is compared with the expectation by its bytes' fingerprint (a change is handed
// back unreplaced), kept as a backup (a copy in pieces) when it differs from the new file, then
// replaced.
//
// Refused, with nothing written: a link or a file that is not a regular one in the file's place;
// a file that cannot be read whole (its previous version could be neither compared nor kept); a
// file with more than one hard link (another name elsewhere would keep the old text). A file
// whose write bits are off for this user is handed back as WriteProtected until agreed to.
//
// The new file takes the bits and group of the file it replaces (a write-protected one agreed to:
// exactly its bits), or else of `likeFile` (this year's register), or else of its folder, without
// the execute bits; in a folder with the set-group-ID bit it takes the folder's group and the
// folder's read and write bits for the group besides. A folder made for the file and left empty
// by a failure is removed again.
Replacement replaceJournalFile(const FolderTree& folder, JournalBackups& backups,
                               const QString& path, const QList<QStringList>& rows,
                               const Expectation& expected, const QString& likeFile,
                               bool makeFolder, const std::function<bool()>& stillWaiting = {});

} // namespace core
