#pragma once

#include "app/journalwindow.h"
#include "support/scriptedprompter.h"
#include "support/tempfolder.h"

#include <QPoint>
#include <QStringList>
#include <memory>

namespace app {
class CellEditor;
}
namespace model {
class GridModel;
}
namespace app {
class GridView;
}
class QDialog;
class QLabel;
class QLineEdit;

// A main window over a temporary program folder, with scripted dialogs and a recorded end. Its
// controls are found by their object names, as anyone holding the journal's control table would.
class WindowHarness {
public:
    // Over a folder of its own, or over `programFolder` when given (another window's, say).
    explicit WindowHarness(app::WindowServices extra = {}, const QString& programFolder = {});

    app::JournalWindow& window() { return *window_; }
    ScriptedPrompter& prompter() { return *prompter_; }
    TempFolder& folder() { return folder_; }
    int endCount() const { return *ends_; }

    // The control of that object name; the test fails (and stops) when there is none.
    template <typename Control> Control& control(const char* objectName) {
        auto* found = window_->findChild<Control*>(QString::fromLatin1(objectName));
        if (!found)
            qFatal("the window has no control named %s", objectName);
        return *found;
    }
    app::GridView& gridView();     // MSFGAZ
    model::GridModel& grid();      // the model MSFGAZ shows
    app::CellEditor& cellEditor(); // txtDataEntry
    QLineEdit& inputLine();        // TxtVvod
    QDialog& exitPrompt();         // Dialog
    QLabel& blockSummary();        // LblBlocked

    void press(const char* buttonName);
    QString programFolder() const { return programFolder_; }
    // Presses a button of the exit prompt ("OKButton", "CancelButton", "CmdCancel").
    void answerExit(const char* buttonName);
    // Mouse click (press and release) on a grid cell, or on a column's caption.
    void clickCell(int row, int col);
    void clickCaption(int col);
    // The current cell moved, as the keys move it (alone in the selection); read as (row, col).
    void setCurrentCell(int row, int col);
    // The cells from (row, col), current, to (toRow, toCol) selected, as a drag selects them.
    void selectCells(int row, int col, int toRow, int toCol);
    QPoint currentCell();
    QPoint cellCentre(int row, int col);
    // Clicks the cell and types `text` over its whole text in the cell editor, left open.
    void editCell(int row, int col, const QString& text);

private:
    TempFolder folder_;
    QString programFolder_;
    std::shared_ptr<ScriptedPrompter> prompter_ = std::make_shared<ScriptedPrompter>();
    std::shared_ptr<int> ends_ = std::make_shared<int>(0);
    std::unique_ptr<app::JournalWindow> window_;
};

// Types a text into a widget key by key; unlike QTest::keyClicks it takes any letter.
void typeText(QWidget* widget, const QString& text);

// The bytes of a journal file holding these rows: cells each ended by ';', Windows-1251, CR LF.
QByteArray journalBytes(const QList<QStringList>& rows);
