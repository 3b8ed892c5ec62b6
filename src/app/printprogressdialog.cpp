#include "app/printprogressdialog.h"

#include <QProgressDialog>
#include <algorithm>

namespace app {

namespace {

// The dialog moves on in this many steps at most, however long the journal.
constexpr int ShownSteps = 100;

} // namespace

PrintProgressDialog::PrintProgressDialog(QWidget* parent) : parent_(parent) {}

PrintProgressDialog::~PrintProgressDialog() = default;

void PrintProgressDialog::start(int pageCount) {
    pagesPerStep_ = std::max(1, (pageCount + ShownSteps - 1) / ShownSteps);
    dialog_ = std::make_unique<QProgressDialog>(parent_.data());
    dialog_->setWindowTitle(QStringLiteral("Печать"));
    dialog_->setCancelButtonText(QStringLiteral("Отмена"));
    dialog_->setRange(0, pageCount);
    dialog_->setAutoClose(false);
    dialog_->setAutoReset(false);
    dialog_->setMinimumDuration(0);
    // A modal dialog lets setValue() handle events: that is what keeps the window painted and
    // makes the cancel button work while the pages are drawn.
    dialog_->setWindowModality(Qt::ApplicationModal);
    showPage(0);
    dialog_->show();
}

void PrintProgressDialog::showPage(int pagesDone) {
    dialog_->setLabelText(QStringLiteral("Печать журнала: готово страниц %1 из %2")
                              .arg(pagesDone)
                              .arg(dialog_->maximum()));
    dialog_->setValue(pagesDone);
}

// Each update lays the label out again, repaints the dialog and handles the pending events:
// about a tenth of a millisecond, as long as drawing a small page. Updates finer than a hundredth
// of the printout show nothing the eye can follow, so the pages between them are only counted.
bool PrintProgressDialog::pageDone(int pagesDone) {
    if (pagesDone % pagesPerStep_ == 0)
        showPage(pagesDone);
    return !dialog_->wasCanceled();
}

void PrintProgressDialog::finish() {
    dialog_.reset();
}

} // namespace app
