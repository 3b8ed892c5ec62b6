#pragma once

#include "printing/journalprintout.h"

#include <QPointer>
#include <memory>

class QProgressDialog;
class QWidget;

namespace app {

// The progress of a printout in a modal progress dialog with a cancel button. While it is
// shown, the dialog moves on every hundredth of the pages (every page of a journal of up to a
// hundred pages) and then lets the window system handle pending events, so the window stays
// alive and the cancel button is heard.
class PrintProgressDialog : public printing::PrintProgress {
public:
    explicit PrintProgressDialog(QWidget* parent = nullptr);
    ~PrintProgressDialog() override;

    void start(int pageCount) override;
    bool pageDone(int pagesDone) override;
    void finish() override;

    // The dialog while it is shown, for tests.
    QProgressDialog* dialog() const { return dialog_.get(); }

private:
    void showPage(int pagesDone);

    QPointer<QWidget> parent_;
    std::unique_ptr<QProgressDialog> dialog_;
    int pagesPerStep_ = 1;
};

} // namespace app
