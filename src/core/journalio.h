#pragma once

#include "core/foldertree.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QDateTime>
#include <QString>

namespace core {

// Reads and replacements of journal files and their backups, relative to a folder's descriptor.

// Why a file could not be read, from the error of the call that failed.
QString readFailureCause(int error);

// The name of a temporary the program writes before it renames it into place: hidden, and
// carrying the process's number, so that no user's own copy ("thisyear.csv.backup") is ever
// taken for one: ".thisyear.csv.eklz-4711-9f3a2c1b.tmp".
QByteArray temporaryName(const QByteArray& base);

// A new file written under a temporary name of the program's own beside the name it is to
// take (made with O_EXCL, with the bits and group given), and given that name only by commit():
// the file of that name stays whole until then, and untouched when any step fails. The temporary
// goes with the object unless committed.
class NewFile {
public:
    NewFile(int folder, const QByteArray& base, mode_t mode, gid_t group);
    ~NewFile();
    NewFile(const NewFile&) = delete;
    NewFile& operator=(const NewFile&) = delete;

    // 0 while all is well; else the error of the first call that failed.
    int error() const { return error_; }
    int fd() const { return file_.handle.fd(); }
    // Writes the bytes at the end; false (error() tells why) when that fails.
    bool write(QByteArrayView bytes);
    // Writes what the descriptor reads from its start, in pieces.
    bool copyFrom(int source);
    // Flushes the file to the disk and renames it over `name` (a link there is replaced, never
    // written through); false when that fails (error() tells why).
    bool commit(const QByteArray& name);
    // The same, but never over a name that is taken: false then with no error, and the file stays
    // ready.
    bool commitUnlessTaken(const QByteArray& name);

private:
    bool flushed();

    int folder_;
    QByteArray temporary_;
    Opened file_;
    int error_ = 0;
    bool placed_ = false;
};

// Removes temporaries of that base name left by saves that were killed: not changed for a
// minute, of a process that no longer runs here (or not changed for an hour).
void removeStaleTemporaries(int folder, const QByteArray& base, const QDateTime& now);

} // namespace core
