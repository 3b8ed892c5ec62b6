#pragma once

#include "journal/archiveserials.h"

#include <QObject>
#include <QString>
#include <QStringList>

class QWidget;

namespace model {
class RegisterState;
class GridModel;
} // namespace model

namespace app {

class CellDelegate;
class FindBar;
class GridView;
class JournalDocument;

// What the marks of the numbers registered twice are shown on and read from.
struct RepeatWiring {
    model::GridModel& grid;
    GridView& view;
    const model::RegisterState& watch;
    FindBar& finder;
    CellDelegate& edits;
    JournalDocument& document;
};

// A unit registered twice: a "Зав. № ЭКЛЗ" or "Рег. № ЭКЛЗ" cell whose number another row of
// the journal on screen holds in the same column is marked red as an activation date that is not
// a date is, its tooltip naming where ("Уже есть: строка 214"); the summary counts such cells.
// A number an archive holds is ordinary (units are carried over a year end): the tooltip notes it
// ("также в архиве 2024, строка 11") and nothing is marked or counted. Neither the archive on
// screen nor one written from the journal on screen ("Сохранить как") is looked at. Nothing is
// refused: a unit may come back after repair. "К повтору" (Ctrl+F3, and on the find bar) goes
// from a marked cell to the next other row with its number, or, when only an archive holds it,
// looks for it in every journal.
//
// It lays the grid's delegate, which paints the block states and these marks. The archives are
// looked at again when a journal is opened or an archive saved, and otherwise every few seconds
// (a stat per file); only a file that changed is read again.
class RepeatController : public QObject {
    Q_OBJECT
public:
    static constexpr int ArchiveCheckMs = 3000;
    static constexpr int ArchiveLookAfterOpenMs = 50;

    // The shortcut (ActFindRepeat) and the timer (TimerArchiveNumbers) go on `window`.
    RepeatController(QWidget& window, RepeatWiring wiring, QString journalFolder);

    // Another journal folder: its archives are the ones looked at (when the next journal opens).
    void setJournalFolder(const QString& folder) { archives_ = journal::ArchiveSerials(folder); }

private:
    // The tooltip of a number's cell: where else it stands, in the journal or the archives.
    QString whereAlso(int row, int col) const;
    // Looks at the archives (a stat each), but the one on screen and those written from it, and
    // marks what they hold.
    void refreshArchives();
    void toRepeat();

    RepeatWiring wiring_;
    journal::ArchiveSerials archives_;
    // The archives "Сохранить как" wrote from the journal on screen since it was opened.
    QStringList writtenFromScreen_;
};

} // namespace app
