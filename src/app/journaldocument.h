#pragma once

#include "journal/journalmerge.h"

#include <QObject>
#include <QString>
#include <functional>
#include <optional>

class QWidget;

namespace core {
class Prompter;
} // namespace core

namespace editing {
class GridHistory;
} // namespace editing

namespace journal {
class JournalFiles;
struct Outcome;
} // namespace journal

namespace model {
class GridModel;
} // namespace model

namespace app {

// Which journal the grid holds: none opened yet, this year's register, or an archive.
struct ShownJournal {
    enum Kind { Nothing, CurrentYear, Archive };
    Kind kind = Nothing;
    QString archive; // its name, for an archive

    static ShownJournal currentYear() { return {CurrentYear, {}}; }
    static ShownJournal archiveNamed(QString name) { return {Archive, std::move(name)}; }
    // The file's name without ".csv" ("thisyear", "2009"), for a file made from it.
    QString fileBase() const { return kind == Archive ? archive : QStringLiteral("thisyear"); }
};

// "thisyear.csv[*] — Журнал учета ЭКЛЗ", "архив 2009[*] — Журнал учета ЭКЛЗ", or the program's
// name alone while nothing was opened; [*] is where Qt puts the modified marker.
QString windowTitleFor(const ShownJournal& shown);

// The journal on screen as a document: which file it came from, whether its changes are saved
// (the undo history's clean state: undoing back to the saved grid counts as saved), the window's
// title and modified marker, and the questions asked before the grid goes into a file or is
// replaced by another journal. Saving goes through here; the window only asks it.
class JournalDocument : public QObject {
    Q_OBJECT
public:
    JournalDocument(QWidget& window, journal::JournalFiles& files, model::GridModel& grid,
                    editing::GridHistory& history, core::Prompter& prompter, QString journalFolder);

    const ShownJournal& shown() const { return shown_; }
    bool hasUnsavedChanges() const;
    // Another journal folder: its journals are the ones named from now on.
    void setJournalFolder(QString folder) { journalFolder_ = std::move(folder); }
    // A journal was just read into the grid (the history cleared): the title names it.
    void opened(ShownJournal shown);

    // Before the grid is replaced by another journal: with unsaved changes, asks whether to save
    // them ("Да" saves the journal on screen into its own file). True to go on; false when the
    // user cancelled or the save did not happen.
    bool mayReplace();
    // "Сохранить изменения": the grid into thisyear.csv; with an archive on screen, into its own
    // file or into thisyear.csv, as the user chooses. False, after the message, when nothing was
    // written.
    bool save();
    // "Сохранить как": a copy into the archive of the name asked for; the journal on screen stays
    // what it was, unless it is that archive. `proposedName` is written in at first. The name of
    // the archive written; none when nothing was.
    std::optional<QString> saveToArchive(const QString& proposedName = {});

private:
    bool saveCurrentYear();
    bool saveArchiveNamed(const QString& name);
    journal::Outcome saveAsked(const QString& archiveName,
                               const std::function<journal::Outcome()>& saveOnce);
    bool mergeFound(const QString& archiveName, journal::JournalMerge::Counts& merged);
    static QString mergedMessage(const QString& archiveName,
                                 const journal::JournalMerge::Counts& counts);
    // Asks what must be asked before the grid is written over a file (this year's register, or
    // the archive of that name): a file read only in part going to be replaced by that part, an
    // archive on screen or a grid never read from it going over this year's register, filled
    // columns the file cannot keep, cells holding ";" or a line end (replaced when the user
    // agrees). False to write nothing.
    bool confirmSave(const QString& archiveName);
    // The questions about what the file cannot take: filled columns past the eighth, cells
    // holding ";" or a line end. Asked again after a merge brought the other user's cells.
    bool confirmWritable();
    void tell(const journal::Outcome& outcome);
    void showTitle();

    QWidget& window_;
    journal::JournalFiles& files_;
    model::GridModel& grid_;
    editing::GridHistory& history_;
    core::Prompter& prompter_;
    QString journalFolder_;
    ShownJournal shown_;
    bool saving_ = false;
};

} // namespace app
