#include "app/exitflow.h"

#include "app/twips.h"
#include "printing/fonts.h"

#include <QDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>

namespace app {

namespace {

constexpr int ClientWidth = 6030;
constexpr int ClientHeight = 1785;
constexpr int ScreenLeft = 2760;
constexpr int ScreenTop = 3750;

// Neither Enter nor Escape answers the question: only a deliberate press does.
class ExitPrompt : public QDialog {
public:
    using QDialog::QDialog;

protected:
    void keyPressEvent(QKeyEvent* event) override {
        if (event->key() == Qt::Key_Escape || event->key() == Qt::Key_Return ||
            event->key() == Qt::Key_Enter) {
            event->accept();
            return;
        }
        QDialog::keyPressEvent(event);
    }
};

QPushButton* addButton(QDialog& prompt, const char* name, const QString& caption, int top) {
    auto* button = new QPushButton(caption, &prompt);
    button->setObjectName(QString::fromLatin1(name));
    button->setAutoDefault(false);
    button->setDefault(false);
    button->setGeometry(twips::toPixels(&prompt, 4680, top, 1215, 375));
    return button;
}

} // namespace

ExitFlow::ExitFlow(QWidget& window, std::function<bool()> save, std::function<void()> endProgram)
    : QObject(&window),
      prompt_(new ExitPrompt(&window, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                                          Qt::WindowCloseButtonHint |
                                          Qt::MSWindowsFixedSizeDialogHint)),
      save_(std::move(save)), endProgram_(std::move(endProgram)) {
    prompt_->setObjectName(QStringLiteral("Dialog"));
    prompt_->setWindowTitle(QStringLiteral("Dialog Caption"));
    prompt_->setModal(false);
    prompt_->setFixedSize(twips::toPixels(prompt_, ClientWidth),
                          twips::toPixels(prompt_, ClientHeight));
    QPushButton* yes = addButton(*prompt_, "OKButton", QStringLiteral("ДА"), 120);
    QPushButton* no = addButton(*prompt_, "CancelButton", QStringLiteral("НЕТ"), 600);
    auto* label = new QLabel(QStringLiteral("СОХРАНИТЬ ИЗМЕНЕНИЯ?"), prompt_);
    label->setObjectName(QStringLiteral("Label1"));
    label->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    label->setWordWrap(true);
    label->setFont(printing::msSansSerif(12, true));
    label->setGeometry(twips::toPixels(prompt_, 1560, 240, 2295, 615));
    QPushButton* back = addButton(*prompt_, "CmdCancel", QStringLiteral("НАЗАД"), 1080);
    QWidget::setTabOrder(yes, no);
    QWidget::setTabOrder(no, back);

    connect(yes, &QPushButton::clicked, this, [this] {
        const bool saved = save_();
        prompt_->close();
        if (saved)
            end();
    });
    connect(no, &QPushButton::clicked, this, [this] {
        prompt_->close();
        end();
    });
    connect(back, &QPushButton::clicked, prompt_, &QDialog::close);
}

void ExitFlow::requestExit() {
    Q_EMIT aboutToLeave();
    if (!modified_) {
        end();
        return;
    }
    // An open prompt is brought to the front.
    if (!prompt_->isVisible()) {
        prompt_->move(twips::toPixels(prompt_, ScreenLeft), twips::toPixels(prompt_, ScreenTop));
        prompt_->show();
        prompt_->findChild<QPushButton*>(QStringLiteral("OKButton"))
            ->setFocus(Qt::OtherFocusReason);
    }
    prompt_->raise();
    prompt_->activateWindow();
}

bool ExitFlow::closeRequested() {
    if (!ending_)
        requestExit();
    return ending_;
}

void ExitFlow::end() {
    Q_EMIT aboutToEnd();
    ending_ = true;
    prompt_->hide();
    endProgram_();
}

} // namespace app
