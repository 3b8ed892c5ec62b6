#pragma once

#include "app/frmeklz.h"
#include "support/scriptedprompter.h"
#include "support/tempfolder.h"

#include <QPoint>
#include <QStringList>
#include <memory>

// A main window over a temporary program folder, with scripted dialogs and a recorded end.
class WindowHarness {
public:
    explicit WindowHarness(WindowServices extra = {});

    FrmEKLZ& window() { return *window_; }
    GridModel& grid() { return window_->grid(); }
    ScriptedPrompter& prompter() { return *prompter_; }
    TempFolder& folder() { return folder_; }
    int endCount() const { return *ends_; }

    void press(const char* buttonName);
    // Presses a button of the exit prompt ("OKButton", "CancelButton", "CmdCancel").
    void answerExit(const char* buttonName);
    // Mouse click (press and release) on a grid cell; row 0 is the header row.
    void clickCell(int row, int col);
    QPoint cellCentre(int row, int col);
    // Clicks the cell and types `text` over its whole text in the cell editor, left open.
    void editCell(int row, int col, const QString& text);

private:
    TempFolder folder_;
    std::shared_ptr<ScriptedPrompter> prompter_ = std::make_shared<ScriptedPrompter>();
    std::shared_ptr<int> ends_ = std::make_shared<int>(0);
    std::unique_ptr<FrmEKLZ> window_;
};

// Types a text into a widget key by key; unlike QTest::keyClicks it takes any letter.
void typeText(QWidget* widget, const QString& text);

// The bytes of a journal file holding these rows: cells each ended by ';', Windows-1251, CR LF.
QByteArray journalBytes(const QList<QStringList>& rows);
