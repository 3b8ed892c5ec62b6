#pragma once

#include "core/foldertree.h"
#include "core/journalbackups.h"
#include "core/journallock.h"
#include "core/memory.h"
#include "journal/journalgrid.h"
#include "journal/journalmerge.h"
#include "model/registerstate.h"

#include <QByteArray>
#include <QHash>
#include <QItemSelectionModel>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>
#include <variant>
#include <vector>

namespace core {
class Prompter;
struct Replacement;
} // namespace core

namespace model {
class GridModel;
} // namespace model

namespace journal {

// What opening a journal did: whether it read the file, and a message for the user (empty when
// there is nothing to tell; an opening can succeed with one, a file with NUL bytes).
struct OpenResult {
    bool ok = true;
    QString message;
    // Nothing of the file was read: the grid holds no journal.
    bool nothingRead = false;
};

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

// The question when a save finds the file changed on disk by another user and cannot merge that
// change with the grid, for that reason ("…: reason.").
QString unmergeableQuestion(const QString& path, const QString& reason);

// The texts of the two input boxes that ask for an archive name.
QString openArchivePrompt();
QString saveAsPrompt();

// Asks for an archive name with that prompt: the answer upper-cased, or none after Cancel, an
// empty answer or a name that cannot name an archive file (the refusal then shown).
// The archive names there are may be `offered` to choose from (newest first), and a name
// `proposed` written in at first.
std::optional<QString> askArchiveName(core::Prompter& prompter, const QString& prompt,
                                      const QStringList& offered = {},
                                      const QString& proposed = {});

// The question before a save that would leave filled cells out of the file, which keeps the
// first eight columns: each such column with its caption and how many of its cells are filled.
// None when every column past the eighth is empty.
std::optional<QString> unwrittenColumnsQuestion(const model::GridModel& grid);
// The answers of saveTargetQuestion(), in the order the question names them: the archive on
// screen into its own file (the default), or over this year's register.
enum class SaveTarget { ShownArchive, CurrentYear };
QStringList saveTargetChoices(const QString& archiveName);

// The journal files of one program folder: opening the current year's register or an archive
// into the grid, and saving the grid to thisyear.csv or to an archive. Operations return what
// they did; asking and telling are the caller's (the journal on screen: app::JournalDocument).
class JournalFiles {
public:
    using Clock = core::JournalBackups::Clock;
    // Reads a whole file; none when it cannot be opened or read.
    using FileReader = std::function<std::optional<QByteArray>(const QString& path)>;

    // programFolder: the folder of the program's executable, without a trailing separator.
    // clock: the time that names backups (the system's local time when missing).
    // reader: how journal files are read (by default in pieces, journal::readJournalFile).
    JournalFiles(model::GridModel& grid, QString programFolder, Clock clock = {},
                 FileReader reader = {});

    // Another journal folder: nothing of the previous one is held or remembered any more.
    void setFolder(QString programFolder);

    // The size of the journal file open would read (thisyear.csv for an empty name); 0 when
    // there is none.
    qint64 sizeOnDisk(const QString& archiveName = {}) const;
    // "Открыть журнал": shows thisyear.csv (nothing when it is missing) and its block dates.
    OpenResult openCurrent();
    // "Загрузить архив": shows the archive of that (accepted) name as stored.
    OpenResult openArchive(const QString& name);
    // An imported register into the grid as a journal read from no file: its rows under the
    // journal header, the captions of its columns after the eighth.
    void showImported(QList<QStringList> rows, const QStringList& extraCaptions);
    // "Сохранить изменения": writes the grid to thisyear.csv, whatever was opened last; that file
    // is then the one held.
    SaveResult saveCurrent();
    // "Сохранить как": writes a copy of the grid into the Archive folder under that (accepted)
    // name; the journal held stays the one on screen.
    SaveResult saveArchive(const QString& name);

    // When the grid holds only part of a file (its reading stopped early or failed), the question
    // to ask before a save writes over that file: thisyear.csv, or the archive of that name.
    std::optional<QString> partialReadQuestion(const QString& archiveName = {}) const;
    // The user answered "Да" to the last question about that file that described its contents
    // (changed on disk, write-protected, an archive already there, a register never read): the
    // version then described may be replaced, and no other (one changed again after it is asked
    // about again, under the save lock).
    void agreeToReplace(const QString& archiveName = {});

    // The merge of the grid with the version a save found, from the file as this copy last read
    // or wrote it. None when that base no longer reads.
    std::optional<JournalMerge> planMerge(const FoundVersion& found);
    // The merge, its conflicts settled so (true: the file's side), made in the grid; the version
    // found is from now on the one this copy knows, so the next save writes over it.
    void applyMerge(const JournalMerge& merge, const std::vector<bool>& takeTheirs,
                    FoundVersion found);
    // Before "Сохранить как" writes over an archive that is already there: how many rows it
    // holds. None when there is no such archive.
    std::optional<QString> existingArchiveQuestion(const QString& archiveName);

    // "Сохранить изменения" with an archive on screen: where to write it, the archive's own file
    // or this year's register, each named with the rows it holds now against the rows on screen.
    QString saveTargetQuestion(const QString& archiveName);

    // The question before the grid goes over a thisyear.csv it was not read from (nothing was
    // opened yet): how many rows the file holds against how many the grid would write. None when
    // the file is missing or holds no row (that version is then agreed to at once).
    std::optional<QString> unreadCurrentQuestion();

    // The block-date pass (the first one when a journal is opened), by the judgement of the
    // register's state when one is set.
    void fillBlockDates() {
        if (state_)
            journal::fillBlockDates(grid_, state_->blocks());
        else
            journal::fillBlockDates(grid_);
    }
    void judgeBlocksBy(const model::RegisterState& state) { state_ = &state; }
    // Where an opening or a save leaves the current cell (the last cell read or written).
    void setSelection(QItemSelectionModel* selection) { selection_ = selection; }

    // Called while a save waits for another copy's save to end; false cancels the save.
    void setLockWait(std::function<bool()> stillWaiting) { lockWait_ = std::move(stillWaiting); }

    // How much memory a file may be read into (journal::availableMemory unless set).
    void setMemoryProbe(std::function<qsizetype()> availableMemory) {
        availableMemory_ = std::move(availableMemory);
    }

    // The version of a file this copy knows: the file as it was when last opened or saved here.
    struct KnownVersion {
        bool existed = false;
        QByteArray fingerprint; // empty when the file was read only in part
        // Its bytes then, the base of a merge; none when the grid did not hold it whole.
        std::optional<QByteArray> bytes;
    };
    // The version of thisyear.csv, or of the archive of that name, known now (none when none
    // is), and that version known again: a save that merged and then was not written takes its
    // merges back from the grid and the version they came from with them.
    std::optional<KnownVersion> knownVersionOf(const QString& archiveName) {
        const KnownVersion* known = knownVersion(pathFor(archiveName));
        return known ? std::optional(*known) : std::nullopt;
    }
    void restoreKnownVersion(const QString& archiveName, std::optional<KnownVersion> version) {
        if (version)
            remember(pathFor(archiveName), version->existed, version->fingerprint,
                     std::move(version->bytes));
        else
            forget(pathFor(archiveName));
    }

private:
    // The version of a file the last question about it described, and the versions the user
    // agreed to replace (empty: none): one changed or unknown, one write-protected. Each question
    // stands for itself: "Да" to one is no answer to the other.
    struct Consent {
        QByteArray described;
        bool describedProtected = false;
        QByteArray agreed;
        QByteArray agreedProtected;
    };
    struct PartialRead {
        QString path;
        int rowsRead = 0;
        qsizetype totalLines = -1; // unknown
    };

    // Whether the file was read, with why not (when known) or what the user should know of the
    // read as the message.
    OpenResult readIntoGrid(const QString& path, const core::Opened& file);
    // What this copy saw of the file: whether it was there, and its fingerprint (empty when it
    // could not be read).
    void remember(const QString& path, bool existed, const QByteArray& fingerprint = {},
                  std::optional<QByteArray> bytes = std::nullopt);
    KnownVersion* knownVersion(const QString& path);
    QString pathFor(const QString& archiveName) const;
    // Opens the file `read` fills the grid from (as readIntoGrid tells), with `failureMessage`
    // before the cause when that fails.
    OpenResult open(const QString& path, const QString& failureMessage,
                    const std::function<OpenResult()>& read);
    SaveResult saveGridTo(const QString& path, bool createFolder, bool hold);
    SaveResult replaceFile(const QString& path, bool createFolder);
    SaveResult changedOnDisk(const QString& path, core::Replacement done);
    // How many rows the file holds now, as the questions write them ("?" when it cannot be
    // read); the version counted becomes the one a question about the file describes.
    QString describe(const QString& path);
    // describe() for a file a save would replace.
    std::optional<QString> describeExisting(const QString& path);
    void forget(const QString& path);
    void moveCurrentCell(int row, int col);

    model::GridModel& grid_;
    core::FolderTree tree_; // the program's folder
    Clock clock_;
    core::JournalBackups backups_;
    FileReader readFile_;
    std::function<qsizetype()> availableMemory_ = core::availableMemory;
    std::function<bool()> lockWait_;
    std::optional<PartialRead> partial_;
    // The file the grid was read from or last saved to as the journal on screen; empty when the
    // grid holds no file's journal (nothing read, an import). A save to any other file expects
    // to find none there, or the version the user agreed to replace.
    QString openedPath_;
    QHash<QString, Consent> consents_;
    QHash<QString, KnownVersion> known_; // by path
    core::JournalLock lock_;
    QPointer<const model::RegisterState> state_;
    QPointer<QItemSelectionModel> selection_;
};

} // namespace journal
