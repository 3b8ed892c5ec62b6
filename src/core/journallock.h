#pragma once

#include "core/accountname.h"

#include <QDateTime>
#include <QString>
#include <optional>

namespace core {

// The mark a running copy of the program leaves beside the journal it holds, so that a second
// copy (another mechanic on the shared folder) can say who holds it. The mark is a file
// ".~lock.<name>#" in the journal's folder, holding "user,host,pid,time,token" on one line, the
// user and host percent-encoded ('%', ',' and control characters). A mark whose process is gone
// (on this computer) is stale and is taken over without a word, by one copy only when several
// try at once. A mark that cannot be read (a link, a pipe, a folder, garbage, no permission) is
// told as such; when it is this user's own, it is removed and the journal taken over. A mark is
// never followed through a link, never waited on, and is readable by the group.
class JournalLock {
public:
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

    // Holds the journal at that path, letting go of the one held before. When another running
    // copy holds it, returns who: the journal is then not held by this one.
    std::optional<Holder> hold(const QString& journalPath);
    void release();
    const QString& heldPath() const { return journal_; }

    static QString markPath(const QString& journalPath);
    // What the user is told when the journal of that file name is held by another.
    static QString heldMessage(const QString& journalFileName, const Holder& holder);

private:
    QString user_;
    QString journal_;
    QString token_;
};

} // namespace core
