#pragma once

#include <QWidget>

class QBoxLayout;
class QCheckBox;
class QLabel;
class QLineEdit;
class QListWidget;

namespace model {
class GridModel;
class RegisterState;
} // namespace model

namespace app {

class GridView;
class SummaryBar;

// Ctrl+F and what it finds. The find bar under the grid: "Найти:", the text, "Далее" and "Назад",
// "К повтору", "Во всех колонках" (on) and "Во всех журналах"; a word on how the last search went.
// Escape closes it. On one line where the width allows, on two otherwise, so that its text always
// has room and its captions stay whole. Typing finds as you type, F3 and Shift+F3 the next and the
// previous match, among the rows the filter shows; with "Во всех журналах", the list of the rows
// found in thisyear.csv and every archive.
class FindBar : public QWidget {
    Q_OBJECT
public:
    // The bar and the list of rows found are children of `window`, the shortcuts (ActFind,
    // ActFindNext, ActFindPrevious) go on it. `summary` holds the row filter; `journalFolder` is
    // the window's, read at each search.
    FindBar(QWidget& window, model::GridModel& grid, GridView& view,
            const model::RegisterState& watch, const SummaryBar& summary,
            const QString& journalFolder);

    // "Поиск продолжен с начала", or "Не найдено" in red; an empty text clears the word.
    void tell(const QString& word, bool notFound = false);
    // Lays the bar out for that width: one line or two. Returns the height it then needs.
    int fitWidth(int width);

    static constexpr int TextMinimumWidth = 150;

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
    // "К повтору": to the other place of the current cell's number.
    void repeatRequested();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    // From the current cell on; the match becomes the current cell, shown, its row selected.
    void find(bool forward, bool includeStart);
    void findInAllJournals();

    model::GridModel& grid_;
    GridView& view_;
    const model::RegisterState& watch_;
    const SummaryBar& summary_;
    const QString& journalFolder_;
    QLineEdit* text_;
    QCheckBox* allColumns_;
    QCheckBox* allJournals_;
    QLabel* status_;
    QBoxLayout* firstLine_;
    QBoxLayout* secondLine_;
    QWidget* options_; // the two check boxes and the word
    QListWidget* foundRows_ = nullptr;
};

} // namespace app
