#include "app/journaldocument.h"

#include "app/savelockwait.h"
#include "core/journalpaths.h"
#include "core/prompter.h"
#include "editing/gridhistory.h"
#include "journal/archivelist.h"
#include "journal/journalfiles.h"
#include "journal/unstorablecells.h"
#include "model/gridmodel.h"

#include <QScopeGuard>
#include <QScopedValueRollback>
#include <QStringList>
#include <QWidget>

namespace app {

namespace {

const QString ProgramName = QStringLiteral("Журнал учета ЭКЛЗ");

// How the question before dropping changes names the journal: where "Да" would save them.
QString keepChangesQuestion(const ShownJournal& shown) {
    if (shown.kind == ShownJournal::Archive)
        return QStringLiteral("Сохранить изменения в архиве %1?").arg(shown.archive);
    return QStringLiteral("Сохранить изменения в журнале thisyear.csv?");
}

} // namespace

QString windowTitleFor(const ShownJournal& shown) {
    switch (shown.kind) {
    case ShownJournal::CurrentYear:
        return QStringLiteral("thisyear.csv[*] — ") + ProgramName;
    case ShownJournal::Archive:
        return QStringLiteral("архив ") + shown.archive + QStringLiteral("[*] — ") + ProgramName;
    case ShownJournal::Nothing:
        break;
    }
    return ProgramName + QStringLiteral("[*]");
}

JournalDocument::JournalDocument(QWidget& window, journal::JournalFiles& files,
                                 model::GridModel& grid, editing::GridHistory& history,
                                 core::Prompter& prompter, QString journalFolder)
    : QObject(&window), window_(window), files_(files), grid_(grid), history_(history),
      prompter_(prompter), journalFolder_(std::move(journalFolder)) {
    connect(&history_, &editing::GridHistory::cleanChanged, this,
            [this](bool clean) { window_.setWindowModified(!clean); });
    showTitle();
}

bool JournalDocument::hasUnsavedChanges() const {
    return !history_.isClean();
}

void JournalDocument::opened(ShownJournal shown) {
    shown_ = std::move(shown);
    showTitle();
    window_.setWindowModified(hasUnsavedChanges());
}

bool JournalDocument::mayReplace() {
    if (!hasUnsavedChanges())
        return true;
    switch (prompter_.askToKeepChanges(keepChangesQuestion(shown_))) {
    case core::Prompter::KeepChanges::Save:
        return shown_.kind == ShownJournal::Archive ? saveArchiveNamed(shown_.archive) : save();
    case core::Prompter::KeepChanges::Discard:
        return true;
    case core::Prompter::KeepChanges::Cancel:
        break;
    }
    return false;
}

// With an archive on screen the user says where it goes: into its own file (the default), or over
// this year's register, as a new year begins with last year's units carried over.
bool JournalDocument::save() {
    if (shown_.kind != ShownJournal::Archive)
        return saveCurrentYear();
    const std::optional<int> target = prompter_.choose(files_.saveTargetQuestion(shown_.archive),
                                                       journal::saveTargetChoices(shown_.archive),
                                                       int(journal::SaveTarget::ShownArchive));
    if (!target)
        return false;
    if (journal::SaveTarget(*target) != journal::SaveTarget::CurrentYear)
        return saveArchiveNamed(shown_.archive);
    // The register as the question described it may be replaced; one written since is asked
    // about again.
    files_.agreeToReplace();
    return saveCurrentYear();
}

bool JournalDocument::saveCurrentYear() {
    if (!confirmSave({}))
        return false;
    const journal::Outcome outcome = saveAsked({}, [&] { return files_.saveCurrent(); });
    if (outcome.ok) {
        // The grid is this year's register now, whatever it was read from.
        shown_ = ShownJournal::currentYear();
        showTitle();
        history_.markClean();
    }
    tell(outcome);
    return outcome.ok;
}

std::optional<QString> JournalDocument::saveToArchive(const QString& proposedName) {
    const std::optional<QString> name = journal::askArchiveName(
        prompter_, journal::saveAsPrompt(), journal::listArchives(journalFolder_), proposedName);
    if (!name)
        return std::nullopt;
    // Another archive of that name is not the journal on screen: it is replaced only when asked.
    const bool onScreen = shown_.kind == ShownJournal::Archive && shown_.archive == *name;
    if (const std::optional<QString> question =
            onScreen ? std::nullopt : files_.existingArchiveQuestion(*name)) {
        if (!prompter_.question(*question))
            return std::nullopt;
        files_.agreeToReplace(*name);
    }
    if (!saveArchiveNamed(*name))
        return std::nullopt;
    return name;
}

// A save that finds the file changed on disk by another copy merges the two: the grid takes what
// the other user changed (the conflicts asked about once), in one undo step, and the save writes
// the merged journal. Where no merge is possible the old question stands: "Да" writes over the
// version it was about, never over one changed again since. A save that finds the file changed
// again meanwhile (a third copy saved) merges or asks again.
journal::Outcome JournalDocument::saveAsked(const QString& archiveName,
                                            const std::function<journal::Outcome()>& save) {
    // The wait for another copy's save keeps the window's events going: a save asked for
    // meanwhile (the window closed, "ДА" at exit) writes nothing.
    if (saving_)
        return {false, {}};
    const QScopedValueRollback<bool> saving(saving_, true);
    // A wait for another copy's save shows, and goes before any question is asked.
    const auto saveOnce = [&] {
        SaveLockWait waiting(window_);
        files_.setLockWait([&waiting] { return waiting.stillWaiting(); });
        const auto unset = qScopeGuard([this] { files_.setLockWait({}); });
        return save();
    };
    constexpr int MostRounds = 3;
    journal::JournalMerge::Counts merged;
    journal::Outcome outcome = saveOnce();
    for (int round = 0; outcome.changedOnDisk && round < MostRounds; ++round) {
        const bool goOn = outcome.mergeable ? mergeFound(archiveName, merged)
                                            : prompter_.question(outcome.message);
        if (!goOn)
            return {false, {}};
        if (!outcome.mergeable)
            files_.agreeToReplace(archiveName);
        // The merge may have brought columns the file cannot keep, or cells it cannot hold.
        else if (!confirmWritable())
            return {false, {}};
        outcome = saveOnce();
    }
    // Still changing after every round: the question is no message to show; nothing was written.
    if (outcome.changedOnDisk)
        return journal::Outcome::failed(
            QStringLiteral("Файл всё время меняет другой пользователь; журнал не сохранён. "
                           "Попробуйте сохранить ещё раз."));
    if (outcome.ok && merged.any())
        outcome.message = mergedMessage(archiveName, merged) +
                          (outcome.message.isEmpty() ? QString() : u"\n\n" + outcome.message);
    return outcome;
}

namespace {

QString fileNameOf(const QString& archiveName) {
    return archiveName.isEmpty() ? QStringLiteral("thisyear.csv") : archiveName + u".csv";
}

} // namespace

QString JournalDocument::mergedMessage(const QString& archiveName,
                                       const journal::JournalMerge::Counts& counts) {
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

// The merge of the version found into the grid; false when the user cancelled (nothing changed).
bool JournalDocument::mergeFound(const QString& archiveName,
                                 journal::JournalMerge::Counts& merged) {
    const QString path = archiveName.isEmpty() ? core::currentJournalPath(journalFolder_)
                                               : core::archivePath(journalFolder_, archiveName);
    const bool onScreen = archiveName.isEmpty() ? shown_.kind == ShownJournal::CurrentYear
                                                : shown_.kind == ShownJournal::Archive &&
                                                      shown_.archive == archiveName;
    std::optional<journal::JournalMerge> merge = onScreen ? files_.planMerge() : std::nullopt;
    if (!merge) {
        // Another journal on screen (a copy going into an archive), or a base that no longer
        // reads: the other user's version is replaced only when the user says so.
        const QString reason = onScreen
                                   ? QStringLiteral("журнал на экране прочитан из файла не целиком")
                                   : QStringLiteral("на экране другой журнал");
        if (!prompter_.question(journal::unmergeableQuestion(path, reason)))
            return false;
        files_.agreeToReplace(archiveName);
        return true;
    }
    std::vector<bool> takeTheirs(merge->conflicts().size(), false);
    if (!merge->conflicts().empty()) {
        std::optional<std::vector<bool>> answer =
            prompter_.settleConflicts(fileNameOf(archiveName), merge->conflicts());
        if (!answer)
            return false;
        takeTheirs = std::move(*answer);
        takeTheirs.resize(merge->conflicts().size(), false);
    }
    const journal::JournalMerge::Counts counts = merge->counts(takeTheirs);
    merged.addedRows += counts.addedRows;
    merged.changedCells += counts.changedCells;
    merged.deletedRows += counts.deletedRows;
    merged.addedColumns += counts.addedColumns;
    const auto step = history_.step(QStringLiteral("Объединение с файлом"));
    files_.applyMerge(*merge, takeTheirs);
    return true;
}

bool JournalDocument::saveArchiveNamed(const QString& name) {
    if (!confirmSave(name))
        return false;
    const journal::Outcome outcome = saveAsked(name, [&] { return files_.saveArchive(name); });
    // A copy under another name leaves the journal on screen unsaved; only that archive itself
    // is the journal on screen.
    if (outcome.ok && shown_.kind == ShownJournal::Archive && shown_.archive == name)
        history_.markClean();
    tell(outcome);
    return outcome.ok;
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

void JournalDocument::tell(const journal::Outcome& outcome) {
    if (!outcome.message.isEmpty())
        prompter_.message(outcome.message);
}

void JournalDocument::showTitle() {
    window_.setWindowTitle(windowTitleFor(shown_));
    // The full path of the journal on screen, for a mechanic who wonders where it lives.
    window_.setToolTip(
        shown_.kind == ShownJournal::CurrentYear ? core::currentJournalPath(journalFolder_)
        : shown_.kind == ShownJournal::Archive   ? core::archivePath(journalFolder_, shown_.archive)
                                                 : journalFolder_);
}

} // namespace app
