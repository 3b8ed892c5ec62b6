#include "app/printprogressdialog.h"

#include <QProgressDialog>

PrintProgressDialog::PrintProgressDialog(QWidget* parent) : parent_(parent) {}

PrintProgressDialog::~PrintProgressDialog() = default;

void PrintProgressDialog::start(int pageCount) {
    pageCount_ = pageCount;
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
    dialog_->setLabelText(
        QStringLiteral("Печать журнала: готово страниц %1 из %2").arg(pagesDone).arg(pageCount_));
    dialog_->setValue(pagesDone);
}

bool PrintProgressDialog::pageDone(int pagesDone) {
    if (!dialog_)
        return true;
    showPage(pagesDone);
    return !dialog_->wasCanceled();
}

void PrintProgressDialog::finish() {
    dialog_.reset();
}
