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

// What a save did. Saved: the file is written; `note` says what the user should know (why the
// previous version is not in Backup). Refused: nothing is written, for that reason.
struct Saved {
    QString note;
};
struct Refused {
    QString why;
};
// The file on disk is not the version this copy knows, and was left as it is. The version found
// is there to be merged with the grid when it reads whole and the grid was read whole from an
// earlier version of it; otherwise `question` asks whether to replace it all the same, naming why
// no merge is possible (JournalFiles::agreeToReplace).
struct Changed {
    std::optional<FoundVersion> found;
    QString question;
};
// The file's write bits are off for this user: `question` asks whether to replace it all the same.
struct WriteProtected {
    QString question;
};
using SaveResult = std::variant<Saved, Refused, Changed, WriteProtected>;

// The question before a save replaces a file whose write bits are off for this user, naming its
// rows (as the questions write them), its bits and its owner, against the rows on screen.
QString writeProtectedQuestion(const QString& path, const QString& rows, mode_t mode,
                               const QString& owner, int rowsOnScreen);
// The question when a save finds a file the journal on screen was not read from: there already
// (`askedBefore`: a question about that file just found it missing or otherwise), with its rows.
QString unseenVersionQuestion(const QString& path, const QString& rows, bool askedBefore,
                              int rowsOnScreen);

// The question when a save finds the file changed on disk by another user and cannot merge that
// change with the grid, for that reason ("…: reason.").
QString unmergeableQuestion(const QString& path, const QString& reason);

// A save found the file changed: the version found, to be merged with the grid (`baseKept`:
// whether this copy has the bytes it last read or wrote, which it has not when it never read
// that file whole), or, when no merge is possible, the question to ask instead.
Changed changeFound(const QString& path, bool baseKept, core::Replacement found,
                    qsizetype memoryBudget);

// The base of a merge as a journal; none when it no longer reads whole.
std::optional<QList<QStringList>> baseRows(const QByteArray& base, qsizetype memoryBudget);

} // namespace journal
