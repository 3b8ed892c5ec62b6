#include "app/findbar.h"

#include "editing/journaltextvalidator.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

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
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(new QLabel(QStringLiteral("Найти:"), this));
    layout->addWidget(text_, 1);
    layout->addWidget(next);
    layout->addWidget(previous);
    layout->addWidget(allColumns_);
    layout->addWidget(allJournals_);
    layout->addWidget(status_, 1);
    // What a journal cannot hold cannot be found in one either.
    text_->setValidator(new editing::JournalTextValidator(text_));
    connect(text_, &QLineEdit::textEdited, this, &FindBar::textEdited);
    connect(text_, &QLineEdit::returnPressed, this, &FindBar::nextRequested);
    connect(next, &QPushButton::clicked, this, &FindBar::nextRequested);
    connect(previous, &QPushButton::clicked, this, &FindBar::previousRequested);
    hide();
}

QString FindBar::text() const {
    return text_->text();
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

void FindBar::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        hide();
        Q_EMIT closed();
        return;
    }
    QWidget::keyPressEvent(event);
}
