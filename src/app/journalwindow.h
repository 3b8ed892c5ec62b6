#pragma once

#include "app/celleditor.h"

#include <QString>
#include <QWidget>
#include <functional>
#include <memory>

class QPushButton;
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
class FindController;
class GridCommands;
class GridView;
class InputLine;
class JournalDocument;
class MidnightWatch;
class PrintController;
class RepeatController;
class SummaryBar;
struct ShownJournal;

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

// The main window "Журнал учета ЭКЛЗ". It creates the controls and the controllers beside it and
// wires them; each control's signal goes to the command that does its work, through the grid's
// delegate (edits_), which stores an open cell edit first. Controls keep the object names of the
// journal's control table, by which tests (and anyone holding that table) find them:
//
//   object name    where / what runs        what it does
//   FrmEKLZ        JournalWindow            the main window
//   CmdDelC        commands_ (GridCommands) "Удалить колонку": removes the rightmost column
//   CmdAddC        commands_                "Добавить колонку": an empty column at the current one
//   CmdDelS        commands_                " Удалить строку": the row the selection ends on
//   CmdAddS        commands_                "Добавить строку": an empty row at the bottom
//   CmdSortC       commands_                "Переместить колонки": the rightmost column comes here
//   CmdSearh       searchColumn()           "Поиск": finds a word in the current column
//   CmdZArch       openArchive()            "Загрузить архив": opens Archive/<name>.csv
//   CmdZagruz      openJournal()            "Открыть журнал" (ActOpen, Ctrl+O): opens thisyear.csv
//   CmdSaveAs      document_                "Сохранить как" (ActSaveAs, Ctrl+Shift+S)
//   CmdSave        document_                "Сохранить изменения" (ActSave, Ctrl+S)
//   CmdEdit        input_ (InputLine)       "Ввод": copies the input line into the current cell
//   CmdPrint       printer_                 "Печать": prints on the default printer
//   CmdProd        exit_ (ExitFlow)         "Выход": ends, or asks first after changes
//   TxtVvod        input_                   the input line, typed into the current cell
//   txtDataEntry   edits_ (CellDelegate)    the editor the grid opens over a clicked cell
//   LstCompletion  (LineCompletion)         the values proposed in the editor
//   CalDate        (DateCalendar)           the calendar of the date columns
//   MSFGAZ         gridView_ over grid_     the grid: a click edits a cell, a caption click sorts
//   Dialog         exit_                    "СОХРАНИТЬ ИЗМЕНЕНИЯ?" before leaving
//   LblBlocked     summary_ (SummaryBar)    the count of blocked units and those blocking soon
//   CmbFilter      summary_                 which rows are shown
//   TimerMidnight  midnight_ (MidnightWatch) moves the block states on at midnight
//   FindBar        finder_ (FindController) Ctrl+F: "Найти:" under the grid, F3 and Shift+F3
//   LstFound       finder_                  the rows "Во всех журналах" found (openFoundRow)
//   ActPrintDialog printer_ (PrintController) Ctrl+P: Qt's print dialog
//   ActPreview     printer_                 Ctrl+Shift+P: a print preview
//   ActUndo        commands_                Ctrl+Z: undoes the last change to the grid
//   ActRedo        commands_                Ctrl+Y, Ctrl+Shift+Z: redoes it
//   ActFindRepeat  repeats_ (RepeatController) Ctrl+F3, "К повтору"; TimerArchiveNumbers
//   CmdExchange    (a menu button)          "Обмен": the menu of the exchange with spreadsheets
//   ActImport      (ImportController)       Ctrl+I, "Импорт…" in that menu
//   ActExport      (ExportController)       Ctrl+E, "Экспорт…" in that menu
//   MenuGrid       (GridContextMenu)        the grid's context menu: right click, Menu key
//   TimerNotice    summary_                 how long a deletion's notice stays in LblBlocked
//   ActHelp        (HelpController)         F1: the user guide (FrmHelp)
class JournalWindow : public QWidget {
    Q_OBJECT
public:
    explicit JournalWindow(WindowServices services, QWidget* parent = nullptr);
    ~JournalWindow() override;

    // Whether the grid was clicked or changed since start: "Выход" then asks before it ends.
    // (The title's marker says something else: changes not yet saved.)
    bool isModified() const;

public Q_SLOTS:
    // The day has turned: the block states are judged against the new day.
    void followMidnight();

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
    void prepareGrid();

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
    // The prompter of the journal's commands: archive names are chosen from a list.
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
    FindController* finder_ = nullptr;
    PrintController* printer_ = nullptr;
    RepeatController* repeats_ = nullptr;
};

} // namespace app
