#pragma once

#include "model/registerstate.h"

#include <QObject>
#include <QString>

class QListWidget;
class QWidget;

namespace model {
class GridModel;
} // namespace model

namespace app {

class FindBar;
class GridView;
class SummaryBar;

// Ctrl+F and what it finds: the find bar under the grid (typing finds as you type, F3 and
// Shift+F3 the next and the previous match, among the rows the filter shows) and, with "Во всех
// журналах", the list of the rows found in thisyear.csv and every archive.
class FindController : public QObject {
    Q_OBJECT
public:
    // The shortcuts (ActFind, ActFindNext, ActFindPrevious) go on `window`, the bar and the list
    // of rows found are its children. `summary` holds the row filter; `journalFolder` is the
    // window's, read at each search.
    FindController(QWidget& window, model::GridModel& grid, GridView& view,
                   const model::RegisterState& watch, const SummaryBar& summary,
                   const QString& journalFolder);

    FindBar& bar() { return *bar_; }

public Q_SLOTS:
    void open();
    void findNext();
    void findPrevious();
    // "Найти во всех журналах" for that text, the bar open with it.
    void findEverywhere(const QString& text);

Q_SIGNALS:
    // Before any search: the window stores an open cell edit.
    void aboutToSearch();
    // The bar opened or closed: the grid gives or takes back its room.
    void barToggled(bool open);
    // A double click on a row found in every journal.
    void openRequested(const QString& journal, int row);

private:
    void findAsYouType();
    // From the current cell on; the match becomes the current cell, shown, its row selected.
    void find(bool forward, bool includeStart);
    void findInAllJournals();

    QWidget& window_;
    model::GridModel& grid_;
    GridView& view_;
    const model::RegisterState& watch_;
    const SummaryBar& summary_;
    const QString& journalFolder_;
    FindBar* bar_;
    QListWidget* foundRows_ = nullptr;
};

} // namespace app
