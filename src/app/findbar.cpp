#include "app/findbar.h"

#include "app/busycursor.h"
#include "app/gridview.h"
#include "app/shortcuts.h"
#include "app/summarybar.h"
#include "core/findtext.h"
#include "core/journalcolumns.h"
#include "editing/findcell.h"
#include "editing/journaltextvalidator.h"
#include "journal/journalsearch.h"
#include "model/gridmodel.h"

#include <QCheckBox>
#include <QDialog>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

namespace app {

FindBar::FindBar(QWidget& window, model::GridModel& grid, GridView& view,
                 const model::RegisterState& watch, const SummaryBar& summary,
                 const QString& journalFolder)
    : QWidget(&window), grid_(grid), view_(view), watch_(watch), summary_(summary),
      journalFolder_(journalFolder), text_(new QLineEdit(this)),
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
    // Typing finds as you type in the journal on screen; every journal is searched at Enter only.
    connect(text_, &QLineEdit::textEdited, this, [this] {
        if (!allJournals_->isChecked())
            find(true, true);
    });
    connect(text_, &QLineEdit::returnPressed, this, &FindBar::findNext);
    connect(next, &QPushButton::clicked, this, &FindBar::findNext);
    connect(previous, &QPushButton::clicked, this, &FindBar::findPrevious);
    connect(repeat, &QPushButton::clicked, this, &FindBar::repeatRequested);
    hide();
    addShortcut(window, "ActFind", {QKeySequence::Find}, this, &FindBar::open);
    addShortcut(window, "ActFindNext", {QKeySequence(Qt::Key_F3)}, this, &FindBar::findNext);
    addShortcut(window, "ActFindPrevious", {QKeySequence(Qt::ShiftModifier | Qt::Key_F3)}, this,
                &FindBar::findPrevious);
}

void FindBar::open() {
    Q_EMIT aboutToSearch();
    show();
    raise();
    text_->setFocus(Qt::ShortcutFocusReason);
    text_->selectAll();
    Q_EMIT barToggled(true);
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
        Q_EMIT barToggled(false);
        return;
    }
    QWidget::keyPressEvent(event);
}

void FindBar::findNext() {
    if (allJournals_->isChecked())
        findInAllJournals();
    else
        find(true, false);
}

void FindBar::findPrevious() {
    find(false, false);
}

void FindBar::findEverywhere(const QString& text) {
    open();
    text_->setText(text);
    findInAllJournals();
}

void FindBar::find(bool forward, bool includeStart) {
    Q_EMIT aboutToSearch();
    const core::FindText text(text_->text());
    if (text.isEmpty()) {
        tell({});
        return;
    }
    const model::RowFilter filter = summary_.filter();
    const std::optional<editing::FoundCell> found = editing::findCell(
        grid_, text, view_.currentRow(), view_.currentColumn(), forward, includeStart,
        allColumns_->isChecked() ? std::nullopt : std::optional(view_.currentColumn()),
        [this, filter](int row) { return watch_.blocks().shows(row, filter); });
    if (!found) {
        tell(QStringLiteral("Не найдено"), true);
        return;
    }
    view_.goToRow(found->row, found->col);
    tell(found->wrapped ? QStringLiteral("Поиск продолжен с начала") : QString());
}

void FindBar::findInAllJournals() {
    const core::FindText text(text_->text());
    std::vector<journal::JournalHit> hits;
    {
        const BusyCursor busy;
        hits = journal::searchJournals(journalFolder_, text);
    }
    if (hits.empty()) {
        tell(QStringLiteral("Не найдено"), true);
        return;
    }
    tell(QStringLiteral("Найдено строк: %1").arg(hits.size()));
    if (!foundRows_) {
        QWidget& window = *parentWidget();
        auto* dialog = new QDialog(&window, Qt::Tool);
        dialog->setObjectName(QStringLiteral("DlgFound"));
        dialog->setWindowTitle(QStringLiteral("Найдено в журналах"));
        foundRows_ = new QListWidget(dialog);
        foundRows_->setObjectName(QStringLiteral("LstFound"));
        (new QVBoxLayout(dialog))->addWidget(foundRows_);
        dialog->resize(window.width() * 3 / 4, window.height() / 2);
        // A double click or Enter (the platform's activation) opens the journal at that row.
        connect(foundRows_, &QListWidget::itemActivated, this, [this](QListWidgetItem* item) {
            Q_EMIT openRequested(item->data(Qt::UserRole).toString(),
                                 item->data(Qt::UserRole + 1).toInt());
        });
    }
    foundRows_->clear();
    // Whose register it sits in, its serial and its dates: what a caller asks about.
    for (const journal::JournalHit& hit : hits) {
        const QStringList& cells = hit.cells;
        auto* item = new QListWidgetItem(
            QStringLiteral("%1, строка %2: %3; № %4; %5 – %6")
                .arg(hit.journal, QString::number(hit.row), cells.value(core::Owner),
                     cells.value(core::SerialNumber), cells.value(core::ActivationDate),
                     cells.value(core::BlockDate)),
            foundRows_);
        item->setData(Qt::UserRole, hit.journal);
        item->setData(Qt::UserRole + 1, hit.row);
    }
    // The keys go to the list: arrows through it, Escape closes it.
    QWidget* dialog = foundRows_->parentWidget();
    dialog->show();
    dialog->raise();
    dialog->activateWindow();
    foundRows_->setFocus(Qt::OtherFocusReason);
}

} // namespace app
