#include "app/repeatcontroller.h"

#include "app/celldelegate.h"
#include "app/findbar.h"
#include "app/gridview.h"
#include "app/journaldocument.h"
#include "app/shortcuts.h"
#include "model/gridmodel.h"
#include "model/registerstate.h"

#include <QTimer>
#include <QWidget>

namespace app {

RepeatController::RepeatController(QWidget& window, RepeatWiring wiring, QString journalFolder)
    : QObject(&window), wiring_(wiring), archives_(std::move(journalFolder)) {
    wiring.edits.showRepeats([this](int row, int col) { return whereAlso(row, col); });
    connect(&wiring.watch, &model::RegisterState::changed, &wiring.view,
            [view = &wiring.view] { view->viewport()->update(); });
    addShortcut(window, "ActFindRepeat", {QKeySequence(Qt::ControlModifier | Qt::Key_F3)}, this,
                &RepeatController::toRepeat);
    connect(&wiring.finder, &FindBar::repeatRequested, this, &RepeatController::toRepeat);
    auto* timer = new QTimer(&window);
    timer->setObjectName(QStringLiteral("TimerArchiveNumbers"));
    timer->setInterval(ArchiveCheckMs);
    connect(timer, &QTimer::timeout, this, &RepeatController::refreshArchives);
    timer->start();
    // Once a journal is shown: the first look at many archives takes a moment, and the open
    // must not wait for it.
    connect(&wiring.document, &JournalDocument::opened, this, [this] {
        writtenFromScreen_.clear();
        QTimer::singleShot(ArchiveLookAfterOpenMs, this, &RepeatController::refreshArchives);
    });
    connect(&wiring.document, &JournalDocument::archiveSaved, this, [this](const QString& name) {
        if (!writtenFromScreen_.contains(name))
            writtenFromScreen_ << name;
        refreshArchives();
    });
}

QString RepeatController::whereAlso(int row, int col) const {
    const model::SerialRepeats& index = wiring_.watch.repeats();
    const std::optional<int> kind = index.kindOf(col);
    const quint64 fingerprint = kind ? index.fingerprint(row, col) : 0;
    if (fingerprint == 0)
        return {};
    // Rows are named by their numbers as the user counts them, from 1.
    std::vector<int> numbers = index.otherRows(row, col);
    for (int& number : numbers)
        ++number;
    return journal::alreadyThereText(numbers, archives_.places(*kind, fingerprint));
}

void RepeatController::refreshArchives() {
    const ShownJournal& shown = wiring_.document.shown();
    QStringList skipped = writtenFromScreen_;
    if (shown.kind == ShownJournal::Archive)
        skipped << shown.archive;
    archives_.refresh(skipped);
}

// From the current cell to the next other row below it holding its number (after the last, the
// first), among the rows the filter shows.
void RepeatController::toRepeat() {
    wiring_.edits.commit();
    const model::SerialRepeats& index = wiring_.watch.repeats();
    const model::GridModel& grid = wiring_.grid;
    const int row = wiring_.view.currentRow();
    const int col = wiring_.view.currentColumn();
    const auto tell = [this](const QString& word) {
        wiring_.finder.open();
        wiring_.finder.tell(word, true);
    };
    const std::optional<int> kind = index.kindOf(col);
    if (!index.marked(row, col)) {
        // Only an archive holds it: the rows of every journal holding it are listed.
        if (kind && archives_.holds(*kind, index.fingerprint(row, col)))
            wiring_.finder.findEverywhere(grid.text(row, col).trimmed());
        else
            tell(QStringLiteral("Номер в этой ячейке больше нигде не записан"));
        return;
    }
    const std::vector<int> others = index.otherRows(row, col);
    std::optional<int> next;
    for (const int other : others)
        if (!wiring_.view.isRowHidden(other) && (!next || (*next < row && other > row)))
            next = other;
    if (!next) {
        tell(QStringLiteral("Повтор в строке %1, она скрыта фильтром").arg(others.front() + 1));
        return;
    }
    wiring_.view.goToRow(*next, col);
}

} // namespace app
