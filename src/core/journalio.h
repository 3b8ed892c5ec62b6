#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

// Whole-file reads and writes for journal files and their backups.
namespace journal {

// The bytes of a file, or none when it cannot be opened or read.
std::optional<QByteArray> readWholeFile(const QString& path);
// Replaces the file through QSaveFile: an existing file stays whole until the new contents are
// completely written, and stays untouched when any step fails.
bool writeWholeFile(const QString& path, const QByteArray& bytes);

} // namespace journal
