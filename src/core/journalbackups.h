#pragma once

#include "core/foldertree.h"

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>
#include <sys/types.h>

namespace core {

// Earlier versions of journal files, kept in the program's Backup folder before a save replaces
// them. Each backup is a copy of the file's bytes, so nothing done to the journal afterwards can
// change it. Backups are numbered in the order they were made:
// Backup/2009_20240301-140509-120_n7.csv is the seventh backup of Archive/2009.csv, made at
// 14:05:09.120 on 1 March 2024 by the clock. The order is the number's, never the time's, so a
// clock set back cannot make the newest backup look the oldest; the newest KeptPerFile backups of
// each file are kept. Backups named by the time alone (…_20240301-140509-120[-2].csv, from earlier
// versions of the program) count as older than every numbered one. Numbers have no width limit.
// A backup is written to a temporary of the program's own and then linked under its name, which
// is never one already taken (a name taken, even by a dangling link, means the next number).
class JournalBackups {
public:
    static constexpr int KeptPerFile = 20;
    // The longest a backup's name grows beyond the journal name's (without ".csv"), in bytes:
    // "_" and the stamp, "_n" and up to ten digits, ".csv", and seven bytes to spare (the
    // temporaries a backup or an archive is written to first are shorter than that).
    static constexpr int NameOverhead = 1 + 19 + 2 + 10 + 4 + 7;
    using Clock = std::function<QDateTime()>;

    // A missing clock reads the system's local time.
    JournalBackups(QString folder, Clock clock = {});

    // What keep() did: the backup's path, or none and why (the system's words).
    struct Kept {
        std::optional<QString> path;
        QString cause;
    };

    const QString& folder() const { return folder_; }
    // Keeps a copy of what the descriptor reads from its start (the journal file at journalPath
    // as it is before a save replaces it) as that file's newest backup, with those bits and
    // group, making the folder when it is missing.
    Kept keep(const QString& journalPath, int source, mode_t mode, gid_t group);
    // Removes a backup keep() made (its path), when what it kept was not replaced after all.
    void forget(const QString& backupPath);
    // Removes the file's backups beyond the newest KeptPerFile.
    void dropOldest(const QString& journalPath);
    // File names of the backups of the journal file at journalPath, newest first.
    QStringList backupsOf(const QString& journalPath) const;

private:
    QString folder_;
    core::FolderTree tree_; // the journal folder that holds it
    Clock clock_;
};

} // namespace core
