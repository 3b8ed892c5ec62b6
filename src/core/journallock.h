#pragma once

#include "core/accountname.h"
#include "core/foldertree.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <optional>

namespace core {

// The mark a running copy of the program leaves beside the journal it holds, so that a second
// copy (another mechanic on the shared folder) can say who holds it. The mark is a file
// ".~lock.<name>#" in the journal's folder (its text: LockMark in the .cpp). A mark whose process
// is gone (on this computer) is stale and is taken over without a word, by one copy only when
// several try at once. A mark that cannot be read (a link, a pipe, a folder, garbage, no
// permission) is told as such; when it is this user's own, it is removed and the journal taken
// over. A mark is never followed through a link, never waited on, and is readable by the group. The
// journal's folder is reached from the journal folder without following a link, and every step on
// the mark is taken relative to that folder's descriptor, kept open while the mark is held: a link
// a member of the group planted in a folder's place never leads the mark elsewhere.
class JournalLock {
public:
    // Who holds a journal, as the mark beside it says.
    struct Holder {
        QString user;
        QString host;
        qint64 pid = 0;
        QDateTime since;
        bool unreadable = false; // the mark is there but says nothing: user and host are empty
        QString reason;          // why it cannot be read, for the user, when unreadable
    };

    // The mark names `user`: by default the user this copy runs as.
    explicit JournalLock(QString user = accountName());
    ~JournalLock();
    JournalLock(const JournalLock&) = delete;
    JournalLock& operator=(const JournalLock&) = delete;

    // Holds the journal at that path below the folder, letting go of the one held before. When
    // another running copy holds it, returns who: the journal is then not held by this one. Where
    // no mark can be made (a folder not writable, or reached only through a link), returns none
    // and holds nothing.
    std::optional<Holder> hold(const FolderTree& folder, const QString& journalPath);
    void release();
    const QString& heldPath() const { return journal_; }

    // What the user is told when the journal of that file name is held by another.
    static QString heldMessage(const QString& journalFileName, const Holder& holder);

private:
    QString user_;
    QString journal_;
    QByteArray token_;
    FileHandle folder_; // the held journal's folder
    QByteArray mark_;   // the mark's name there
};

} // namespace core
