#pragma once

#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

class QWidget;

namespace core {
class Prompter;
} // namespace core

namespace editing {
class GridHistory;
} // namespace editing

namespace journal {
class JournalFiles;
} // namespace journal

namespace model {
class GridModel;
class RegisterState;
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

// The journal on screen, from the button to the file: it opens this year's register or an
// archive into the grid, saves it (merging what another copy saved meanwhile), saves a copy as an
// archive, and keeps the window's title and modified marker (the undo history's clean state:
// undoing back to the saved grid counts as saved). It asks every question a save needs; the
// window only calls it.
class JournalDocument : public QObject {
    Q_OBJECT
public:
    // `journalFolder` is the window's, read at each use: the document follows a change of folder.
    JournalDocument(QWidget& window, journal::JournalFiles& files, model::GridModel& grid,
                    editing::GridHistory& history, model::RegisterState& state,
                    core::Prompter& prompter, const QString& journalFolder);

    const ShownJournal& shown() const { return shown_; }

    // Reads that journal into the grid, its history cleared, and tells what the user should know
    // of it. Unsaved changes are asked about before (mayReplace).
    void open(const ShownJournal& journal);
    // An imported register into the grid, read from no file and saved nowhere yet: its history
    // starts anew, the grid counts as changed and the title names no file.
    void showImported(QList<QStringList> rows, const QStringList& extraCaptions);

    // Before the grid is replaced by another journal: with unsaved changes, asks whether to save
    // them ("Да" saves the journal on screen into its own file). True to go on; false when the
    // user cancelled or the save did not happen.
    bool mayReplace();
    // "Сохранить изменения": the grid into thisyear.csv; with an archive on screen, into its own
    // file or into thisyear.csv, as the user chooses. False, after the message, when nothing was
    // written.
    bool save();
    // "Сохранить как": a copy into the archive of the name asked for; the journal on screen stays
    // what it was, unless it is that archive. `proposedName` is written in at first.
    void saveAs(const QString& proposedName);

Q_SIGNALS:
    // Before a journal is read: the day its block dates are judged against is to be today.
    void aboutToOpen();
    // A journal was read into the grid (or nothing could be, and the grid holds none).
    void opened();
    // The journal on screen was written into its own file: nothing is left unsaved.
    void saved();
    // "Сохранить как" wrote the journal on screen into the archive of that name.
    void archiveSaved(const QString& name);

private:
    // Writes the grid into this year's register (an empty name) or the archive of that name.
    bool write(const QString& archiveName);
    bool isOnScreen(const QString& archiveName) const {
        return shown_.kind != ShownJournal::Nothing && shown_.archive == archiveName;
    }
    // Asks what must be asked before the grid is written over a file (this year's register, or
    // the archive of that name): a file read only in part going to be replaced by that part, a
    // grid never read from it going over this year's register, filled columns the file cannot
    // keep, cells holding ";" or a line end (replaced when the user agrees). False to write
    // nothing.
    bool confirmSave(const QString& archiveName);
    // The questions about what the file cannot take: filled columns past the eighth, cells
    // holding ";" or a line end. Asked again after a merge brought the other user's cells.
    bool confirmWritable();
    void tell(const QString& message);
    void showTitle();

    QWidget& window_;
    journal::JournalFiles& files_;
    model::GridModel& grid_;
    editing::GridHistory& history_;
    model::RegisterState& state_;
    core::Prompter& prompter_;
    const QString& journalFolder_;
    ShownJournal shown_;
    bool saving_ = false;
};

} // namespace app
