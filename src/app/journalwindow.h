#pragma once

#include "app/celleditor.h"

#include <QString>
#include <QWidget>
#include <functional>
#include <memory>

class QSettings;

namespace core {
class Clock;
class Prompter;
} // namespace core

namespace editing {
class GridHistory;
} // namespace editing

namespace journal {
class JournalFiles;
} // namespace journal

namespace model {
class RegisterState;
class GridModel;
} // namespace model

namespace printing {
class PrintProgress;
class PrinterProvider;
} // namespace printing

namespace app {

class CellDelegate;
class ExitFlow;
class FileChooser;
class FindBar;
class GridCommands;
class GridView;
class InputLine;
class JournalDocument;
class MidnightWatch;
class PrintController;
class RepeatController;
class SummaryBar;

// What the main window needs from the world outside, handed in so that tests can stand in.
struct WindowServices {
    QString journalFolder; // the folder of thisyear.csv, Archive/ and Backup/, no trailing "/"
    std::shared_ptr<core::Prompter> prompter; // input box and message box
    std::function<void()> endProgram;         // ends the program; by default QCoreApplication::quit
    std::shared_ptr<printing::PrinterProvider>
        printer; // where "Печать" prints; the default printer
    // The date and time on a printout, the day block dates are judged against and the moment
    // backups are stamped with; the system's.
    std::shared_ptr<core::Clock> clock;
    // Follows long printouts and lets the user stop them; a progress dialog by default.
    std::shared_ptr<printing::PrintProgress> printProgress;
    // Where the window's place and size and the dragged column widths are kept between runs;
    // none keeps nothing.
    std::shared_ptr<QSettings> settings;
    // Where an export is written; Qt's file dialog by default.
    std::shared_ptr<FileChooser> files;
};

// The main window "Журнал учета ЭКЛЗ" (FrmEKLZ). It creates the controls and the controllers beside
// it and wires them; each control's signal goes to the command that does its work, through the
// grid's delegate (edits_), which stores an open cell edit first. Controls keep the object names of
// the journal's control table, by which tests (and anyone holding that table) find them; the
// table of names and owners is in docs/journal-files.md.
class JournalWindow : public QWidget {
    Q_OBJECT
public:
    explicit JournalWindow(WindowServices services, QWidget* parent = nullptr);
    ~JournalWindow() override;

    // Whether the grid was clicked or changed since start: "Выход" then asks before it ends.
    // (The title's marker says something else: changes not yet saved.)
    bool isModified() const;

protected:
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    // The window's parts, made in this order.
    void createGrid();
    void createEditing();
    void createExitFlow();
    void createCommands();
    void createSummary();
    void createFindBar();
    void createPrinting();
    void createDocument();
    void createRepeats();
    void createExchange();
    void connectButtons();

    void placeBlockSummary();
    void layoutGrid();
    void switchFolder(const QString& folder);

    void searchColumn();
    void openArchive();
    void openJournal();
    // A double click on a row found in every journal: that journal, shown at that row.
    void openFoundRow(const QString& journal, int row);
    void fillBlockDates();
    void editClickedCell(CellEditor::Start start = CellEditor::Start::SelectAll);

    WindowServices services_;
    std::unique_ptr<journal::JournalFiles> journal_;
    JournalDocument* document_ = nullptr;
    model::GridModel* grid_ = nullptr;
    GridView* gridView_ = nullptr;
    InputLine* input_ = nullptr;
    editing::GridHistory* history_ = nullptr;
    CellDelegate* edits_ = nullptr;
    ExitFlow* exit_ = nullptr;
    model::RegisterState* state_ = nullptr;
    GridCommands* commands_ = nullptr;
    MidnightWatch* midnight_ = nullptr;
    SummaryBar* summary_ = nullptr;
    FindBar* finder_ = nullptr;
    PrintController* printer_ = nullptr;
    RepeatController* repeats_ = nullptr;
};

} // namespace app
