#include "app/findcontroller.h"

#include "app/busycursor.h"
#include "app/findbar.h"
#include "app/gridview.h"
#include "app/shortcuts.h"
#include "app/summarybar.h"
#include "core/findtext.h"
#include "core/journalcolumns.h"
#include "editing/findcell.h"
#include "journal/journalsearch.h"
#include "model/gridmodel.h"

#include <QDialog>
#include <QListWidget>
#include <QVBoxLayout>
#include <QWidget>

namespace app {

FindController::FindController(QWidget& window, model::GridModel& grid, GridView& view,
                               const model::RegisterState& watch, const SummaryBar& summary,
                               const QString& journalFolder)
    : QObject(&window), window_(window), grid_(grid), view_(view), watch_(watch), summary_(summary),
      journalFolder_(journalFolder), bar_(new FindBar(&window)) {
    connect(bar_, &FindBar::textEdited, this, &FindController::findAsYouType);
    connect(bar_, &FindBar::nextRequested, this, &FindController::findNext);
    connect(bar_, &FindBar::previousRequested, this, &FindController::findPrevious);
    connect(bar_, &FindBar::closed, this, [this] { Q_EMIT barToggled(false); });
    addShortcut(window, "ActFind", {QKeySequence::Find}, this, &FindController::open);
    addShortcut(window, "ActFindNext", {QKeySequence(Qt::Key_F3)}, this, &FindController::findNext);
    addShortcut(window, "ActFindPrevious", {QKeySequence(Qt::ShiftModifier | Qt::Key_F3)}, this,
                &FindController::findPrevious);
}

void FindController::open() {
    Q_EMIT aboutToSearch();
    bar_->open();
    Q_EMIT barToggled(true);
}

void FindController::findAsYouType() {
    if (!bar_->allJournals())
        find(true, true);
}

void FindController::findNext() {
    if (bar_->allJournals())
        findInAllJournals();
    else
        find(true, false);
}

void FindController::findPrevious() {
    find(false, false);
}

void FindController::findEverywhere(const QString& text) {
    open();
    bar_->setText(text);
    findInAllJournals();
}

void FindController::find(bool forward, bool includeStart) {
    Q_EMIT aboutToSearch();
    const core::FindText text(bar_->text());
    if (text.isEmpty()) {
        bar_->tell({});
        return;
    }
    const model::RowFilter filter = summary_.filter();
    const std::optional<editing::FoundCell> found = editing::findCell(
        grid_, text, view_.currentRow(), view_.currentColumn(), forward, includeStart,
        bar_->allColumns() ? std::nullopt : std::optional(view_.currentColumn()),
        [this, filter](int row) { return watch_.blocks().shows(row, filter); });
    if (!found) {
        bar_->tell(QStringLiteral("Не найдено"), true);
        return;
    }
    view_.goToRow(found->row, found->col);
    bar_->tell(found->wrapped ? QStringLiteral("Поиск продолжен с начала") : QString());
}

void FindController::findInAllJournals() {
    const core::FindText text(bar_->text());
    std::vector<journal::JournalHit> hits;
    {
        const BusyCursor busy;
        hits = journal::searchJournals(journalFolder_, text);
    }
    if (hits.empty()) {
        bar_->tell(QStringLiteral("Не найдено"), true);
        return;
    }
    bar_->tell(QStringLiteral("Найдено строк: %1").arg(hits.size()));
    if (!foundRows_) {
        auto* dialog = new QDialog(&window_, Qt::Tool);
        dialog->setObjectName(QStringLiteral("DlgFound"));
        dialog->setWindowTitle(QStringLiteral("Найдено в журналах"));
        foundRows_ = new QListWidget(dialog);
        foundRows_->setObjectName(QStringLiteral("LstFound"));
        (new QVBoxLayout(dialog))->addWidget(foundRows_);
        dialog->resize(window_.width() * 3 / 4, window_.height() / 2);
        connect(foundRows_, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem* item) {
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
