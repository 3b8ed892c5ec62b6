#pragma once

#include "journal/archiveserials.h"

#include <QObject>
#include <QString>

class QTimer;
class QWidget;

namespace model {
class BlockWatch;
class GridModel;
class SerialIndex;
} // namespace model

namespace app {

class CellEditSession;
class FindController;
class GridView;
class JournalDocument;
class SummaryBar;

// What the marks of the numbers registered twice are shown on and read from.
struct RepeatWiring {
    model::GridModel& grid;
    GridView& view;
    const model::BlockWatch& watch;
    SummaryBar& summary;
    FindController& finder;
    CellEditSession& edits;
    JournalDocument& document;
};

// A unit already registered: a "Зав. № ЭКЛЗ" or "Рег. № ЭКЛЗ" cell whose number another row of
// the journal holds in the same column, or an archive does, is marked red as an activation date
// that is not a date is, its tooltip naming where ("Уже есть: строка 214; архив 2009, строка
// 37"); the summary counts such cells. Nothing is refused: a unit may come back after repair.
// "К повтору" (Ctrl+F3, and on the find bar) goes from such a cell to the next other row with
// its number, or, when only an archive holds it, looks for it in every journal.
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
    ~RepeatController() override;

    const model::SerialIndex& index() const { return *index_; }
    // The tooltip of a marked cell: where its number already is.
    QString whereAlso(int row, int col) const;

public Q_SLOTS:
    // A journal was read into the grid: the archives, but the one on screen, are looked at.
    void journalOpened();
    // "Сохранить как", then the archives are looked at again.
    void saveToArchive(const QString& proposedName = {});
    // Looks at the archives (a stat each) and marks what they hold.
    void refreshArchives();
    // "К повтору".
    void toRepeat();
    // Another journal folder: its archives are the ones looked at (when the next journal opens).
    void setJournalFolder(const QString& folder) { archives_ = journal::ArchiveSerials(folder); }

private:
    RepeatWiring wiring_;
    model::SerialIndex* index_;
    journal::ArchiveSerials archives_;
    QTimer* timer_;
};

} // namespace app
