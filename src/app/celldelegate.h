#pragma once

#include "app/blockwatchdelegate.h"
#include "app/celleditor.h"

#include <QDate>
#include <functional>

namespace editing {
class GridHistory;
} // namespace editing

namespace model {
class CompletionValues;
class GridModel;
} // namespace model

namespace app {

class DateCalendar;
class GridView;
class LineCompletion;

// The grid's delegate: it paints the cells as BlockWatchDelegate does, and edits them in place
// with one line editor (txtDataEntry), which the view places over the cell and which is kept
// from one edit to the next. The open edit is stored, as one undo step ("Ввод в ячейку"), whenever
// the user moves on: the current cell changes, the grid takes the focus back, Enter (which then
// steps down) or Tab and Shift+Tab (which edit the next or previous cell of the row), or a
// command runs — every command of the window is wired through command(), which stores the edit
// before the command sees the grid. Escape drops the edit, as drop() does.
//
// The editor helps the typing: in the owner, model and mechanic columns (found by caption) it
// proposes the column's earlier values (LineCompletion); in the two date columns it offers a
// calendar (DateCalendar); an activation date typed the short way ("5.3.26", "050326") is stored
// as dd.mm.yyyy, in the edit's own undo step.
class CellDelegate : public BlockWatchDelegate {
    Q_OBJECT
public:
    CellDelegate(model::GridModel& grid, GridView& view, editing::GridHistory& history,
                 const model::RegisterState& state);

    CellEditor& editor() { return *editor_; }
    // The values of column `col` when it is one whose values are proposed; none otherwise.
    const model::CompletionValues* valuesFor(int col) const;
    // The day the calendar opens on when the editor holds no date; the system's by default.
    void setToday(std::function<QDate()> today) { today_ = std::move(today); }
    // Opens the editor on the current cell, unless the row is one a filter hides.
    void open(CellEditor::Start start = CellEditor::Start::SelectAll);
    // Stores the open edit into the cell it was opened on; nothing when no edit is open.
    void commit();
    // Closes the editor; the cell keeps the text it had.
    void drop();
    // The first keys of an edit: the open editor's text becomes `text`.
    void typeOver(const QString& text);

    // `slot` of `receiver` as a command: the open edit is stored, then the slot runs with the
    // arguments of the signal it is connected to, and its result is returned.
    template <typename Receiver, typename Result, typename... Args>
    auto command(Receiver* receiver, Result (Receiver::*slot)(Args...)) {
        return [this, receiver, slot](Args... args) {
            commit();
            return (receiver->*slot)(args...);
        };
    }
    // The same for a function of no arguments.
    template <typename Function> auto command(Function function) {
        return [this, function] {
            commit();
            return function();
        };
    }

    // QStyledItemDelegate: the one editor, kept rather than destroyed when an edit ends.
    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override;
    void destroyEditor(QWidget* editor, const QModelIndex& index) const override;
    void setEditorData(QWidget* editor, const QModelIndex& index) const override;
    void setModelData(QWidget* editor, QAbstractItemModel* model,
                      const QModelIndex& index) const override;
    void updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option,
                              const QModelIndex& index) const override;

Q_SIGNALS:
    // A stored edit changed the text of its cell, in column `col`; still within the edit's undo
    // step, so that what follows from it joins the step.
    void stored(int col);
    // Undo or redo asked for in the editor with nothing left to undo or redo in its own text.
    void undoRequested();
    void redoRequested();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Tab, Shift+Tab: the next cell of the row, or the first of the next row past the last column
    // (the last of the previous row before the first).
    void editNeighbour(int columns);
    void close(bool store);

    model::GridModel& grid_;
    GridView& view_;
    editing::GridHistory& history_;
    CellEditor* editor_;
    LineCompletion* completion_;
    DateCalendar* calendar_;
    std::function<QDate()> today_ = [] { return QDate::currentDate(); };
};

} // namespace app
