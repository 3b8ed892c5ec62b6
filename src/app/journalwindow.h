#pragma once

#include <QString>
#include <QWidget>
#include <functional>
#include <memory>

class CellEditor;
class FindBar;
class FindController;
class PrintController;
class SummaryBar;
class GridHistory;
class Clock;
class ExitFlow;
class GridModel;
class GridView;
class JournalDocument;
class JournalFiles;
class MidnightWatch;
class PrinterProvider;
struct ShownJournal;
class PrintProgress;
class Prompter;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSettings;

namespace journal {
class BlockWatch;
class PeriodicSave;
struct Outcome;
} // namespace journal

// What the main window needs from the world outside, handed in so that tests can stand in.
struct WindowServices {
    QString programFolder;              // the folder of the program's executable, no trailing '/'
    std::shared_ptr<Prompter> prompter; // input box and message box
    std::function<void()> endProgram;   // ends the program; by default QCoreApplication::quit
    std::shared_ptr<PrinterProvider> printer; // where "Печать" prints; the default printer
    // The date and time on a printout, the day block dates are judged against and the moment
    // backups are stamped with; the system's.
    std::shared_ptr<Clock> clock;
    // Follows long printouts and lets the user stop them; a progress dialog by default.
    std::shared_ptr<PrintProgress> printProgress;
    // Where the window's place and size and the dragged column widths are kept between runs;
    // none keeps nothing.
    std::shared_ptr<QSettings> settings;
};

// The main window "Журнал учета ЭКЛЗ". Each control's signal goes to a slot named for what it
// does, which hands the work to the journal, editing or printing code and tells the user the
// outcome. Controls keep the object names of the journal's control table, by which tests (and
// anyone holding that table) find them:
//
//   object name    member / slot            what it does
//   FrmEKLZ        JournalWindow            the main window
//   CmdDelC        deleteLastColumn()       "Удалить колонку": removes the rightmost column
//   CmdAddC        insertColumn()           "Добавить колонку": an empty column at the current one
//   CmdDelS        deleteRow()              " Удалить строку": removes the row the selection ends
//   on CmdAddS        addRow()                 "Добавить строку": an empty row at the bottom
//   CmdSortC       moveLastColumnHere()     "Переместить колонки": the rightmost column moves in
//                                           front of the current one
//   CmdSearh       searchColumn()           "Поиск": finds a word in the current column
//   CmdZArch       openArchive()            "Загрузить архив": opens Archive/<name>.csv
//   CmdZagruz      openJournal()            "Открыть журнал": opens thisyear.csv
//   CmdSaveAs      saveToArchive()          "Сохранить как": writes Archive/<name>.csv
//   CmdSave        save()                   "Сохранить изменения": writes thisyear.csv
//   CmdEdit        enterInputLine()         "Ввод": copies the input line into the current cell
//   CmdPrint       print()                  "Печать": prints on the default printer
//   CmdProd        exit_ (ExitFlow)         "Выход": ends, or asks first after changes
//   TxtVvod        inputLine_               the input line; what is typed goes into the current
//                                           cell, a click into it drops an open cell edit
//   txtDataEntry   cellEditor_              the editor laid over a clicked cell
//   MSFGAZ         gridView_ over grid_     the journal grid: a click edits the clicked cell
//                                           (editClickedCell), a click on the header row sorts
//                                           by that column (sortByClickedHeader)
//   Dialog         exit_                    "СОХРАНИТЬ ИЗМЕНЕНИЯ?": ДА saves and ends, НЕТ ends,
//                                           НАЗАД closes it
//   Timer2         periodicSave_            the timer of the periodic save
//   LblBlocked     summary_ (SummaryBar)    the count of blocked units and those blocking soon
//   CmbFilter      summary_                 which rows are shown: all, blocked, blocking soon,
//                                           without an activation date
//   TimerMidnight  midnight_ (MidnightWatch) moves the block states on at midnight
//   FindBar        finder_ (FindController) Ctrl+F: "Найти:" under the grid, F3 and Shift+F3
//   LstFound       finder_                  the rows "Во всех журналах" found (openFoundRow)
//   ActPrintDialog printer_ (PrintController) Ctrl+P: Qt's print dialog
//   ActPreview     printer_                 Ctrl+Shift+P: a print preview
//   ActUndo        undo()                   Ctrl+Z: undoes the last change to the grid
//   ActRedo        redo()                   Ctrl+Y, Ctrl+Shift+Z: redoes it
class JournalWindow : public QWidget {
    Q_OBJECT
public:
    explicit JournalWindow(WindowServices services, QWidget* parent = nullptr);
    ~JournalWindow() override;

    // Whether the grid was clicked or changed since start: "Выход" then asks before it ends.
    // (The title's marker says something else: changes not yet saved.)
    bool isModified() const;

public Q_SLOTS:
    void deleteLastColumn();
    void insertColumn();
    void deleteRow();
    void addRow();
    void moveLastColumnHere();
    void searchColumn();
    void openArchive();
    void openJournal();
    void saveToArchive();
    // False, after a message, when thisyear.csv could not be written.
    bool save();
    void enterInputLine();
    void print();
    void requestExit();
    // Fills the block-date column from the activation dates.
    void fillBlockDates();
    // Undoes the last change to the grid, or redoes the last one undone (Ctrl+Z; Ctrl+Y or
    // Ctrl+Shift+Z).
    void undo();
    void redo();
    // Ctrl+V: tab-separated text from the current cell on, rows added as needed, filtered as typed
    // text is; one undo step.
    void paste(const QString& text);
    // The day has turned: the block states are judged against the new day.
    void followMidnight();

protected:
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void createControls();
    QPushButton* addButton(const char* name, const QString& caption, int left, int top, int width,
                           int height);
    void placeTwips(QWidget* control, int left, int top, int width, int height);
    QPushButton* button(const char* name) const;
    void setTabOrder();
    void prepareGrid();
    void createBlockWatch();
    void placeBlockSummary();
    void layoutGrid();
    void createFindBar();
    void createPrinting();
    // A double click on a row found in every journal: that journal, shown at that row.
    void openFoundRow(const QString& journal, int row);
    // Reads that journal into the grid (after any question about unsaved changes).
    void load(const ShownJournal& journal);

    // Stores an open cell edit into its cell; every command runs this first.
    void closeCellEditor();
    void markModifiedIf(bool changed);
    void copyInputLineToCell();
    void dropEditForInputLine();
    void editClickedCell();
    void editTypedCell(const QString& text);
    void openCellEditor();
    void sortByClickedHeader();
    void tell(const journal::Outcome& outcome);

    void describeControls();

    void markModified();
    void followActivationDate(int col);
    void editNeighbour(int columns);
    void createUndoActions();
    void runGridCommand(const QString& name, bool (*command)(GridModel&));

    WindowServices services_;
    std::unique_ptr<JournalFiles> journal_;
    JournalDocument* document_ = nullptr;
    GridModel* grid_ = nullptr;
    GridView* gridView_ = nullptr;
    QLineEdit* inputLine_ = nullptr;
    CellEditor* cellEditor_ = nullptr;
    ExitFlow* exit_ = nullptr;
    journal::PeriodicSave* periodicSave_ = nullptr;
    GridHistory* history_ = nullptr;
    journal::BlockWatch* blockWatch_ = nullptr;
    SummaryBar* summary_ = nullptr;
    FindController* finder_ = nullptr;
    PrintController* printer_ = nullptr;
    FindBar* findBar_ = nullptr;
    MidnightWatch* midnight_ = nullptr;
};
