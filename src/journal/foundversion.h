#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>
#include <sys/types.h>
#include <variant>

namespace core {
struct Replacement;
} // namespace core

namespace journal {

// The version of a file another copy saved, found by a save of this one, read as a journal to be
// merged with the grid.
struct FoundVersion {
    QString path;
    QList<QStringList> rows;
    QByteArray bytes; // as found: the base of the next merge once this one is made
    QByteArray fingerprint;
};

// The question before a save replaces a file whose write bits are off for this user, naming its
// rows (as the questions write them), its bits and its owner, against the rows on screen.
QString writeProtectedQuestion(const QString& path, const QString& rows, mode_t mode,
                               const QString& owner, int rowsOnScreen);
// The question when a save finds a file the journal on screen was not read from: there already
// (`askedBefore`: a question about that file just found it missing or otherwise), with its rows.
QString unseenVersionQuestion(const QString& path, const QString& rows, bool askedBefore,
                              int rowsOnScreen);

// The question the save asks when it finds the file changed on disk by another user.
QString changedOnDiskText(const QString& path);
// The same, when the change cannot be merged with the grid, for that reason ("…: reason.").
QString unmergeableQuestion(const QString& path, const QString& reason);

// What a save that found the file changed can do: merge, with the version found and the base
// it was made from (`baseKept`: whether this copy keeps the bytes it last read or wrote, which
// it does not when it never read that file whole), or, when no merge is possible, the question
// to ask instead, naming the reason.
std::variant<FoundVersion, QString> foundVersion(const QString& path, bool baseKept,
                                                 core::Replacement found, qsizetype memoryBudget);

// The base of a merge as a journal; none when it no longer reads whole.
std::optional<QList<QStringList>> baseRows(const QByteArray& base, qsizetype memoryBudget);

} // namespace journal
