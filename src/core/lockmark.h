#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <optional>

namespace core {

// Who holds a journal, as the mark beside it says.
struct LockHolder {
    QString user;
    QString host;
    qint64 pid = 0;
    QDateTime since;
    bool unreadable = false; // the mark is there but says nothing: user and host are empty
    QString reason;          // why it cannot be read, for the user, when unreadable
};

// The text of a mark: "user,host,pid,time,token" on one line, the user and host percent-encoded
// ('%', ',' and control characters). The office suite's marks of the same name are read too.
struct LockMark {
    LockHolder holder;
    QByteArray token;
    bool foreign = false; // the office suite's mark: never stale
};

// The mark in those bytes, its time the file's when it gives none; none when it is not a mark.
std::optional<LockMark> parseLockMark(const QByteArray& bytes, const QDateTime& modified);
// The line of this copy's mark, naming that user.
QByteArray lockMarkLine(const QString& user, const QByteArray& token);
// A mark left by a process of this computer that no longer runs.
bool isStale(const LockMark& mark);

} // namespace core
