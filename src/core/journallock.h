#pragma once

#include <QDateTime>
#include <QString>
#include <optional>

// The mark a running copy of the program leaves beside the journal it holds, so that a second
// copy (another mechanic on the shared folder) can say who holds it. The mark is a file
// ".~lock.<name>#" in the journal's folder, holding "user,host,pid,time,token" on one line. A
// mark whose process is gone (on this computer) is stale and is taken over without a word.
class JournalLock {
public:
    struct Holder {
        QString user;
        QString host;
        qint64 pid = 0;
        QDateTime since;
    };

    JournalLock();
    ~JournalLock();
    JournalLock(const JournalLock&) = delete;
    JournalLock& operator=(const JournalLock&) = delete;

    // Holds the journal at that path, letting go of the one held before. When another running
    // copy holds it, returns who: the journal is then not held by this one.
    std::optional<Holder> hold(const QString& journalPath);
    void release();
    const QString& heldPath() const { return journal_; }

    static QString markPath(const QString& journalPath);

private:
    QString journal_;
    QString token_;
};
