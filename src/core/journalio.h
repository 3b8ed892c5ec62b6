#pragma once

#include "core/foldertree.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <optional>

// Reads and replacements of journal files and their backups, relative to a folder's descriptor.
namespace journal {

// Why a file could not be read, from the error of the call that failed.
QString readFailureCause(int error);

// The name of a temporary the program writes before it renames it into place: hidden, and
// carrying the process's number, so that no user's own copy ("thisyear.csv.backup") is ever
// taken for one: ".thisyear.csv.eklz-4711-9f3a2c1b.tmp".
QByteArray temporaryName(const QByteArray& base);

struct Written {
    int error = 0; // 0 when written
    FileIdentity identity;
};

// Writes the bytes to a new temporary beside `name`, with those bits and group, flushes it to
// the disk and renames it over `name`: the old file stays whole until then, and untouched when
// any step fails. A link in the name's place is replaced, never written through.
Written replaceFileAt(int folder, const QByteArray& name, QByteArrayView bytes, mode_t mode,
                      gid_t group);

// Removes temporaries of that base name left by saves that were killed: not changed for a
// minute, of a process that no longer runs here (or not changed for an hour).
void removeStaleTemporaries(int folder, const QByteArray& base, const QDateTime& now);

// Copies the rest of `from` into `to` in pieces; 0, or the error of the failing call.
int copyInPieces(int from, int to);

} // namespace journal
