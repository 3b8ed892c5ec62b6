#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

// Earlier versions of journal files, kept in the program's Backup folder before a save replaces
// them. A backup of Archive/2009.csv saved at 14:05:09.120 on 1 March 2024 is
// Backup/2009_20240301-140509-120.csv; the newest KeptPerFile backups of each file are kept.
class JournalBackups {
public:
    static constexpr int KeptPerFile = 20;
    using Clock = std::function<QDateTime()>;

    // A missing clock reads the system's local time.
    JournalBackups(QString folder, Clock clock = {});

    const QString& folder() const { return folder_; }
    // Keeps the journal file at journalPath, as it is before a save replaces it, as that file's
    // newest backup. Returns the backup's path, or none when it could not be stored.
    std::optional<QString> keep(const QString& journalPath);
    // Removes the file's backups beyond the newest KeptPerFile.
    void dropOldest(const QString& journalPath);
    // File names of the backups of the journal file at journalPath, newest first.
    QStringList backupsOf(const QString& journalPath) const;

private:
    QString folder_;
    Clock clock_;
};
