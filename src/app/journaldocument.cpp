#include "app/journaldocument.h"

#include "app/busycursor.h"
#include "app/savelockwait.h"
#include "core/journalpaths.h"
#include "core/prompter.h"
#include "editing/gridhistory.h"
#include "journal/journalfiles.h"
#include "journal/journalsearch.h"
#include "journal/unstorablecells.h"
#include "model/gridmodel.h"
#include "model/registerstate.h"

#include <QScopeGuard>
#include <QScopedValueRollback>
#include <QUndoStack>
#include <QWidget>

namespace app {

namespace {

const QString ProgramName = QStringLiteral("Журнал учета ЭКЛЗ");
// A journal from this size on (some 80,000 rows) takes long enough to open for a busy pointer.
constexpr qint64 BusyOpenBytes = qint64(8) << 20;

} // namespace

JournalDocument::JournalDocument(QWidget& window, journal::JournalFiles& files,
                                 model::GridModel& grid, editing::GridHistory& history,
                                 model::RegisterState& state, core::Prompter& prompter,
                                 const QString& journalFolder)
    : QObject(&window), window_(window), files_(files), grid_(grid), history_(history),
      state_(state), prompter_(prompter), journalFolder_(journalFolder) {
    connect(&history_, &editing::GridHistory::cleanChanged, this,
            [this](bool clean) { window_.setWindowModified(!clean); });
    showTitle();
}

// Opening and the block-date pass change many rows one by one: the summary follows once, at
// the end. The message comes after the busy pointer is gone.
void JournalDocument::open(const ShownJournal& journal) {
    Q_EMIT aboutToOpen();
    journal::OpenResult result;
    {
        const BusyCursor busy(files_.sizeOnDisk(journal.archive) >= BusyOpenBytes);
        result = journal.kind == ShownJournal::Archive ? files_.openArchive(journal.archive)
                                                       : files_.openCurrent();
    }
    history_.clear();
    state_.settle();
    // A journal that could not be read is not the one on screen: the title names none.
    shown_ = result.nothingRead ? ShownJournal{} : journal;
    showTitle();
    Q_EMIT opened();
    tell(result.message);
}

void JournalDocument::showImported(QList<QStringList> rows, const QStringList& extraCaptions) {
    files_.showImported(std::move(rows), extraCaptions);
    state_.settle();
    history_.clear();
    history_.stack().resetClean();
    shown_ = {};
    showTitle();
}

bool JournalDocument::mayReplace() {
    if (history_.isClean())
        return true;
    // The question names the journal where "Да" saves the changes.
    const core::Prompter::KeepChanges answer = prompter_.askToKeepChanges(
        shown_.kind == ShownJournal::Archive
            ? QStringLiteral("Сохранить изменения в архиве %1?").arg(shown_.archive)
            : QStringLiteral("Сохранить изменения в журнале thisyear.csv?"));
    if (answer == core::Prompter::KeepChanges::Save)
        return write(shown_.archive);
    return answer == core::Prompter::KeepChanges::Discard;
}

// With an archive on screen the user says where it goes: into its own file (the default), or over
// this year's register, as a new year begins with last year's units carried over.
bool JournalDocument::save() {
    if (shown_.kind != ShownJournal::Archive)
        return write({});
    const std::optional<int> target = prompter_.choose(files_.saveTargetQuestion(shown_.archive),
                                                       journal::saveTargetChoices(shown_.archive),
                                                       int(journal::SaveTarget::ShownArchive));
    if (!target)
        return false;
    if (journal::SaveTarget(*target) != journal::SaveTarget::CurrentYear)
        return write(shown_.archive);
    // The register as the question described it may be replaced; one written since is asked
    // about again.
    files_.agreeToReplace();
    return write({});
}

void JournalDocument::saveAs(const QString& proposedName) {
    const std::optional<QString> name = journal::askArchiveName(
        prompter_, journal::saveAsPrompt(), journal::listArchives(journalFolder_), proposedName);
    if (!name)
        return;
    // Another archive of that name is not the journal on screen: it is replaced only when asked.
    if (const std::optional<QString> question =
            isOnScreen(*name) ? std::nullopt : files_.existingArchiveQuestion(*name)) {
        if (!prompter_.question(*question))
            return;
        files_.agreeToReplace(*name);
    }
    if (write(*name))
        Q_EMIT archiveSaved(*name);
}

namespace {

QString fileNameOf(const QString& archiveName) {
    return archiveName.isEmpty() ? QStringLiteral("thisyear.csv") : archiveName + u".csv";
}

QString mergedMessage(const QString& archiveName, const journal::JournalMerge::Counts& counts) {
    QStringList what;
    if (counts.addedRows > 0)
        what << QStringLiteral("добавлено строк: %1").arg(counts.addedRows);
    if (counts.changedCells > 0)
        what << QStringLiteral("изменено ячеек: %1").arg(counts.changedCells);
    if (counts.deletedRows > 0)
        what << QStringLiteral("удалено строк: %1").arg(counts.deletedRows);
    // Columns past the eighth stay on screen only: the message never claims them saved.
    if (counts.addedColumns > 0)
        what << QStringLiteral("добавлено колонок справа: %1 (колонки после восьмой — только на "
                               "экране: в файл записываются первые восемь)")
                    .arg(counts.addedColumns);
    return QStringLiteral("Файл %1 тем временем изменил другой пользователь. Его изменения "
                          "объединены с вашими и сохранены: %2. Ctrl+Z на экране отменяет их.")
        .arg(fileNameOf(archiveName), what.join(QStringLiteral(", ")));
}

} // namespace

// A save that finds the file changed on disk by another copy merges the two: the grid takes what
// the other user changed (the conflicts asked about once), in one undo step, and the save writes
// the merged journal. Where no merge is possible the old question stands: "Да" writes over the
// version it was about, never over one changed again since. A save that finds the file changed
// again meanwhile (a third copy saved) merges or asks again, three rounds at most.
bool JournalDocument::write(const QString& archiveName) {
    if (!confirmSave(archiveName))
        return false;
    // The wait for another copy's save keeps the window's events going: a save asked for
    // meanwhile (the window closed, "ДА" at exit) writes nothing.
    if (saving_)
        return false;
    const QScopedValueRollback<bool> saving(saving_, true);
    // A wait for another copy's save shows, and goes before any question is asked.
    const auto saveOnce = [&] {
        SaveLockWait waiting(window_);
        files_.setLockWait([&waiting] { return waiting.stillWaiting(); });
        const auto unset = qScopeGuard([this] { files_.setLockWait({}); });
        return archiveName.isEmpty() ? files_.saveCurrent() : files_.saveArchive(archiveName);
    };
    // A save not written leaves the screen as it was: the merges of its earlier rounds go, and
    // the version of the file they came from with them, so that the next save merges it again.
    // (Only "Нет" to what the merged journal cannot store leaves them, below.)
    bool mergedIn = false;
    const QUndoCommand* stepBefore = history_.lastStep();
    auto knownBefore = files_.knownVersionOf(archiveName);
    auto takeBackMerges = qScopeGuard([&] {
        if (!mergedIn)
            return;
        history_.undoBackTo(stepBefore);
        files_.restoreKnownVersion(archiveName, std::move(knownBefore));
    });
    constexpr int MostRounds = 3;
    journal::JournalMerge::Counts merged;
    journal::SaveResult result = saveOnce();
    for (int round = 0; round < MostRounds; ++round) {
        journal::Changed* changed = std::get_if<journal::Changed>(&result);
        const auto* writeProtected = std::get_if<journal::WriteProtected>(&result);
        if (!changed && !writeProtected)
            break;
        // The version found is merged only into the journal read from an earlier version of it.
        const bool mergeable = changed && changed->found;
        QString question = changed ? changed->question : writeProtected->question;
        std::optional<journal::JournalMerge> merge;
        if (mergeable) {
            merge = isOnScreen(archiveName) ? files_.planMerge(*changed->found) : std::nullopt;
            // Another journal on screen (a copy going into an archive), or a base that no longer
            // reads: the other user's version is replaced only when the user says so.
            if (!merge)
                question = journal::unmergeableQuestion(
                    changed->found->path,
                    isOnScreen(archiveName)
                        ? QStringLiteral("журнал на экране прочитан из файла не целиком")
                        : QStringLiteral("на экране другой журнал"));
        }
        if (!merge) {
            if (!prompter_.question(question))
                return false;
            files_.agreeToReplace(archiveName);
        } else {
            std::vector<bool> takeTheirs(merge->conflicts().size(), false);
            if (!merge->conflicts().empty()) {
                std::optional<std::vector<bool>> answer =
                    prompter_.settleConflicts(fileNameOf(archiveName), merge->conflicts());
                if (!answer)
                    return false;
                takeTheirs = std::move(*answer);
                takeTheirs.resize(merge->conflicts().size(), false);
            }
            merged += merge->counts(takeTheirs);
            const auto step = history_.step(QStringLiteral("Объединение с файлом"));
            files_.applyMerge(*merge, takeTheirs, std::move(*changed->found));
            mergedIn = true;
        }
        // The merge may have brought columns the file cannot keep, or cells it cannot hold.
        // "Нет" there (columns past the eighth, characters a file cannot hold) leaves the merge
        // on screen, for the user to put right.
        if (mergeable && !confirmWritable()) {
            takeBackMerges.dismiss();
            return false;
        }
        result = saveOnce();
    }
    const journal::Saved* written = std::get_if<journal::Saved>(&result);
    if (!written) {
        // Still changing after every round: the question is no message to show.
        tell(std::holds_alternative<journal::Refused>(result)
                 ? std::get<journal::Refused>(result).why
                 : QStringLiteral("Файл всё время меняет другой пользователь; журнал не сохранён. "
                                  "Попробуйте сохранить ещё раз."));
        return false;
    }
    takeBackMerges.dismiss();
    // The grid is this year's register now, whatever it was read from; a copy under another
    // name leaves the journal on screen unsaved.
    if (archiveName.isEmpty())
        shown_ = ShownJournal::currentYear();
    if (isOnScreen(archiveName)) {
        history_.markClean();
        showTitle();
        Q_EMIT saved();
    }
    tell(merged.any() ? mergedMessage(archiveName, merged) +
                            (written->note.isEmpty() ? QString() : u"\n\n" + written->note)
                      : written->note);
    return true;
}

// A file changed on disk by another user is not asked about here: the save merges it.
bool JournalDocument::confirmSave(const QString& archiveName) {
    if (const std::optional<QString> question = files_.partialReadQuestion(archiveName);
        question && !prompter_.question(*question))
        return false;
    if (archiveName.isEmpty() && shown_.kind == ShownJournal::Nothing) {
        if (const std::optional<QString> question = files_.unreadCurrentQuestion()) {
            if (!prompter_.question(*question))
                return false;
            files_.agreeToReplace();
        }
    }
    return confirmWritable();
}

bool JournalDocument::confirmWritable() {
    if (const std::optional<QString> question = journal::unwrittenColumnsQuestion(grid_);
        question && !prompter_.question(*question))
        return false;
    // ";" and line ends read from a spreadsheet's file are replaced, as one undo step, or the
    // save is cancelled.
    return journal::settleUnstorableCells(grid_, prompter_, [this](const auto& change) {
        const auto step = history_.step(QStringLiteral("Замена знаков"));
        change();
    });
}

void JournalDocument::tell(const QString& message) {
    if (!message.isEmpty())
        prompter_.message(message);
}

// "thisyear.csv[*] — Журнал учета ЭКЛЗ", "архив 2009[*] — Журнал учета ЭКЛЗ", or the program's
// name alone while nothing was opened; [*] is where Qt puts the modified marker. The tooltip
// holds the full path of the journal on screen, for a mechanic who wonders where it lives.
void JournalDocument::showTitle() {
    switch (shown_.kind) {
    case ShownJournal::CurrentYear:
        window_.setWindowTitle(QStringLiteral("thisyear.csv[*] — ") + ProgramName);
        window_.setToolTip(core::currentJournalPath(journalFolder_));
        return;
    case ShownJournal::Archive:
        window_.setWindowTitle(QStringLiteral("архив ") + shown_.archive +
                               QStringLiteral("[*] — ") + ProgramName);
        window_.setToolTip(core::archivePath(journalFolder_, shown_.archive));
        return;
    case ShownJournal::Nothing:
        break;
    }
    window_.setWindowTitle(ProgramName + QStringLiteral("[*]"));
    window_.setToolTip(journalFolder_);
}

} // namespace app
