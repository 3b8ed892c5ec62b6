#pragma once

#include <QString>
#include <optional>

namespace core {

// Where the journal files live: thisyear.csv in the program's folder, archives in its Archive
// subfolder, backups of replaced files in its Backup subfolder. The program's folder is written
// without a trailing separator.

// Longest archive name accepted, in characters.
constexpr int MaxArchiveNameLength = 100;
// Longest file name the file system takes, in bytes.
constexpr int MaxFileNameBytes = 255;

// The folder that holds the journals: the program's own folder when it already holds them
// (thisyear.csv or Archive/: a portable copy, as the program has always worked) or when it is
// writable; otherwise (a program installed in a system folder) the user's data folder.
QString chooseJournalFolder(const QString& programFolder, bool programFolderWritable,
                            const QString& userDataFolder);

// Why a folder cannot hold the journals, or none when it can: it must be there, be a folder, and
// take new files.
std::optional<QString> journalFolderRefusal(const QString& folder);

QString currentJournalPath(const QString& programFolder);
QString archiveFolderPath(const QString& programFolder);
QString archivePath(const QString& programFolder, const QString& name);
QString backupFolderPath(const QString& programFolder);

// The archive name for the user's answer: upper case (Cyrillic included), otherwise as typed.
QString archiveName(const QString& answer);
// Why a name cannot name an archive file, or none when it can: a name must stay inside the
// Archive folder, be a plain file name, and leave room for every file made from it (the
// archive, its backups and their temporary files) within the file system's name limit.
std::optional<QString> archiveNameRefusal(const QString& name);

} // namespace core
