#pragma once

#include <QString>
#include <QWidget>
#include <functional>
#include <memory>

class CellEditor;
class Clock;
class JournalFiles;
class PrinterProvider;
class PrintProgress;
class ExitPrompt;
class GridModel;
class GridView;
class IntervalTimer;
class Prompter;
class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;

namespace journal {
class BlockWatch;
}

// What the main window needs from the world outside, handed in so that tests can stand in.
struct WindowServices {
    QString programFolder;              // the folder of the program's executable, no trailing '/'
    std::shared_ptr<Prompter> prompter; // input box and message box
    std::function<void()> endProgram;   // ends the program; by default QCoreApplication::quit
    std::shared_ptr<PrinterProvider> printer; // where "Печать" prints; the default printer
    // The date and time on a printout and the day block dates are judged against; the system's.
    std::shared_ptr<Clock> clock;
    // Follows long printouts and lets the user stop them; a progress dialog by default.
    std::shared_ptr<PrintProgress> printProgress;
};

// The main window "Журнал учета ЭКЛЗ": the command buttons, the input line, the cell editor,
// the timer and the journal grid. Each control's event goes to a slot named after the control,
// which hands the work to the journal, editing or printing code.
class FrmEKLZ : public QWidget {
    Q_OBJECT
public:
    explicit FrmEKLZ(WindowServices services, QWidget* parent = nullptr);
    ~FrmEKLZ() override;

    GridModel& grid() const { return *grid_; }
    GridView& gridView() const { return *MSFGAZ; }
    QLineEdit& inputLine() const { return *TxtVvod; }
    CellEditor& cellEditor() const { return *txtDataEntry; }
    ExitPrompt& exitPrompt() const { return *Dialog; }
    IntervalTimer& timer2() const { return *Timer2; }
    journal::BlockWatch& blockWatch() const { return *blockWatch_; }
    // The line below the grid that counts the blocked units and those that block soon.
    QLabel& blockSummary() const { return *LblBlocked; }
    // Fires at the next midnight by the clock, when the block states move on by a day.
    QTimer& midnightTimer() const { return *TimerMidnight; }
    QPushButton* button(const QString& name) const;

    QString headerFormat;
    bool gridModified = false;

    // The window's journal operations.
    void loadgrid();
    void loadgridarch();
    bool SaveGridn();
    void SaveAsGridn();
    void Wait(double seconds);
    void ciclesave();
    void blocdata();
    void tabPrint();

public Q_SLOTS:
    void CmdDelC_Click();
    void CmdAddC_Click();
    void CmdDelS_Click();
    void CmdAddS_Click();
    void CmdSortC_Click();
    void CmdSearh_Click();
    void CmdZArch_Click();
    void CmdZagruz_Click();
    void CmdSaveAs_Click();
    void CmdSave_Click();
    void CmdEdit_Click();
    void CmdEdit_KeyPress();
    void TxtVvod_Click();
    void TxtVvod_KeyPress();
    void CmdPrint_Click();
    void CmdProd_Click();
    void MSFGAZ_Click();
    void MSFGAZ_LeaveCell();
    void MSFGAZ_GotFocus();
    void MSFGAZ_MouseUp();
    void Timer2_Timer();
    void TimerMidnight_Timer();

protected:
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void createControls();
    QPushButton* addButton(const char* name, const QString& caption, int left, int top, int width,
                           int height);
    void placeTwips(QWidget* control, int left, int top, int width, int height);
    void setTabOrder();
    void load();
    void unload();
    void endProgram();
    // Stores an open cell edit into its cell; every command runs this first.
    void closeCellEditor();
    void markModifiedIf(bool changed);
    void copyInputLineToCell();
    void openCellEditor();
    void sortByColumn(int column);
    void DialogOKButton_Click();
    void DialogCancelButton_Click();
    void createBlockWatch();
    void showBlockSummary();
    void placeBlockSummary();
    // Judges the block dates against the clock's today, should the day have turned unnoticed.
    void followToday();
    void scheduleMidnight();

    WindowServices services_;
    std::unique_ptr<JournalFiles> journal_;
    GridModel* grid_ = nullptr;
    GridView* MSFGAZ = nullptr;
    QLineEdit* TxtVvod = nullptr;
    CellEditor* txtDataEntry = nullptr;
    ExitPrompt* Dialog = nullptr;
    IntervalTimer* Timer2 = nullptr;
    journal::BlockWatch* blockWatch_ = nullptr;
    QLabel* LblBlocked = nullptr;
    QTimer* TimerMidnight = nullptr;
    bool ending_ = false;
};
