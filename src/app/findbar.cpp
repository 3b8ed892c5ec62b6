#include "app/findbar.h"

#include "editing/journaltextvalidator.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

namespace app {

FindBar::FindBar(QWidget* parent)
    : QWidget(parent), text_(new QLineEdit(this)),
      allColumns_(new QCheckBox(QStringLiteral("Во всех колонках"), this)),
      allJournals_(new QCheckBox(QStringLiteral("Во всех журналах"), this)),
      status_(new QLabel(this)) {
    setObjectName(QStringLiteral("FindBar"));
    text_->setObjectName(QStringLiteral("TxtFind"));
    allColumns_->setObjectName(QStringLiteral("ChkAllColumns"));
    allJournals_->setObjectName(QStringLiteral("ChkAllJournals"));
    status_->setObjectName(QStringLiteral("LblFound"));
    allColumns_->setChecked(true);
    auto* next = new QPushButton(QStringLiteral("Далее"), this);
    next->setObjectName(QStringLiteral("CmdFindNext"));
    auto* previous = new QPushButton(QStringLiteral("Назад"), this);
    previous->setObjectName(QStringLiteral("CmdFindPrevious"));
    auto* repeat = new QPushButton(QStringLiteral("К повтору"), this);
    repeat->setObjectName(QStringLiteral("CmdFindRepeat"));
    repeat->setToolTip(QStringLiteral("К другой строке с тем же номером ЭКЛЗ (Ctrl+F3)"));
    text_->setMinimumWidth(TextMinimumWidth);
    options_ = new QWidget(this);
    auto* options = new QHBoxLayout(options_);
    options->setContentsMargins(0, 0, 0, 0);
    options->addWidget(allColumns_);
    options->addWidget(allJournals_);
    options->addWidget(status_, 1);
    auto* lines = new QVBoxLayout(this);
    lines->setContentsMargins(0, 0, 0, 0);
    lines->setSpacing(2);
    firstLine_ = new QHBoxLayout;
    secondLine_ = new QHBoxLayout;
    lines->addLayout(firstLine_);
    lines->addLayout(secondLine_);
    firstLine_->addWidget(new QLabel(QStringLiteral("Найти:"), this));
    firstLine_->addWidget(text_, 1);
    firstLine_->addWidget(next);
    firstLine_->addWidget(previous);
    firstLine_->addWidget(repeat);
    firstLine_->addWidget(options_, 1);
    // What a journal cannot hold cannot be found in one either.
    text_->setValidator(new editing::JournalTextValidator(text_));
    connect(text_, &QLineEdit::textEdited, this, &FindBar::textEdited);
    connect(text_, &QLineEdit::returnPressed, this, &FindBar::nextRequested);
    connect(next, &QPushButton::clicked, this, &FindBar::nextRequested);
    connect(previous, &QPushButton::clicked, this, &FindBar::previousRequested);
    connect(repeat, &QPushButton::clicked, this, &FindBar::repeatRequested);
    hide();
}

QString FindBar::text() const {
    return text_->text();
}

void FindBar::setText(const QString& text) {
    text_->setText(text);
}

bool FindBar::allColumns() const {
    return allColumns_->isChecked();
}

bool FindBar::allJournals() const {
    return allJournals_->isChecked();
}

void FindBar::open() {
    show();
    raise();
    text_->setFocus(Qt::ShortcutFocusReason);
    text_->selectAll();
}

void FindBar::tell(const QString& word, bool notFound) {
    status_->setText(word);
    status_->setStyleSheet(notFound ? QStringLiteral("color: rgb(200, 0, 0);") : QString());
}

int FindBar::fitWidth(int width) {
    const int spacing = firstLine_->spacing() < 0 ? 6 : firstLine_->spacing();
    int oneLine = options_->minimumSizeHint().width() + spacing;
    for (int i = 0; i < firstLine_->count(); ++i)
        if (QWidget* widget = firstLine_->itemAt(i)->widget(); widget && widget != options_)
            oneLine +=
                std::max(widget->minimumSizeHint().width(), widget->minimumWidth()) + spacing;
    QBoxLayout* wanted = oneLine <= width ? firstLine_ : secondLine_;
    if (wanted->indexOf(options_) < 0) {
        (wanted == firstLine_ ? secondLine_ : firstLine_)->removeWidget(options_);
        wanted->addWidget(options_, 1);
    }
    layout()->activate();
    return layout()->sizeHint().height();
}

void FindBar::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        hide();
        Q_EMIT closed();
        return;
    }
    QWidget::keyPressEvent(event);
}

} // namespace app
