#include "app/exitprompt.h"

#include "app/twips.h"
#include "printing/fonts.h"

#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>

namespace app {

namespace {

constexpr int ClientWidth = 6030;
constexpr int ClientHeight = 1785;
constexpr int ScreenLeft = 2760;
constexpr int ScreenTop = 3750;

} // namespace

ExitPrompt::ExitPrompt(QWidget* parent)
    : QDialog(parent, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint) {
    setObjectName(QStringLiteral("Dialog"));
    setWindowTitle(QStringLiteral("Dialog Caption"));
    setModal(false);
    setFixedSize(twips::toPixels(this, ClientWidth), twips::toPixels(this, ClientHeight));

    QPushButton* yes = addButton("OKButton", QStringLiteral("ДА"), 120);
    QPushButton* no = addButton("CancelButton", QStringLiteral("НЕТ"), 600);
    auto* label = new QLabel(QStringLiteral("СОХРАНИТЬ ИЗМЕНЕНИЯ?"), this);
    label->setObjectName(QStringLiteral("Label1"));
    label->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    label->setWordWrap(true);
    label->setFont(printing::msSansSerif(12, true));
    label->setGeometry(twips::toPixels(this, 1560, 240, 2295, 615));
    QPushButton* back = addButton("CmdCancel", QStringLiteral("НАЗАД"), 1080);

    QWidget::setTabOrder(yes, no);
    QWidget::setTabOrder(no, back);
    connect(yes, &QPushButton::clicked, this, &ExitPrompt::saveRequested);
    connect(no, &QPushButton::clicked, this, &ExitPrompt::discardRequested);
    connect(back, &QPushButton::clicked, this, &ExitPrompt::close);
}

QPushButton* ExitPrompt::addButton(const char* name, const QString& caption, int top) {
    auto* button = new QPushButton(caption, this);
    button->setObjectName(QString::fromLatin1(name));
    // Neither Enter nor Escape answers the question: only a deliberate press does.
    button->setAutoDefault(false);
    button->setDefault(false);
    button->setGeometry(twips::toPixels(this, 4680, top, 1215, 375));
    return button;
}

void ExitPrompt::present() {
    if (!isVisible()) {
        move(twips::toPixels(this, ScreenLeft), twips::toPixels(this, ScreenTop));
        show();
        findChild<QPushButton*>(QStringLiteral("OKButton"))->setFocus(Qt::OtherFocusReason);
    }
    raise();
    activateWindow();
}

void ExitPrompt::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape || event->key() == Qt::Key_Return ||
        event->key() == Qt::Key_Enter) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

} // namespace app
