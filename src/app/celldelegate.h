#pragma once

#include "app/celleditor.h"
#include "model/registerstate.h"

#include <QBrush>
#include <QColor>
#include <QDate>
#include <QPointer>
#include <QStyledItemDelegate>
#include <functional>

class QAction;
class QCalendarWidget;

namespace editing {
class GridHistory;
} // namespace editing

namespace model {
class CompletionValues;
class GridModel;
} // namespace model

namespace app {

class GridView;
class LineCompletion;

// The grid's delegate. It paints the journal's data rows by their block state: light red for units
// that have blocked, light amber for those that block within the warning days. Selected cells keep
// the grid's selection colours; the text keeps the grid's (black) text colour, but for an
// activation date that is not a date, which is red and says so in its tooltip, and a unit's number
// already registered elsewhere, red too, its tooltip saying where.
//
// It edits the cells in place with one line editor (txtDataEntry), which the view places over the
// cell and which is kept from one edit to the next. The open edit is stored, as one undo step
// ("Ввод в ячейку"), whenever the user moves on: the current cell changes, the grid takes the focus
// back, Enter (which then steps down) or Tab and Shift+Tab (which edit the next or previous cell of
// the row), or a command runs — every command of the window is wired through command(), which
// stores the edit before the command sees the grid. Escape drops the edit, as drop() does.
//
// The editor helps the typing: in the owner, model and mechanic columns (found by caption) it
// proposes the column's earlier values (LineCompletion); in the two date columns it offers a
// calendar (CalDate): Alt+Down, or the small button at the editor's right edge (ActCalendar),
// opens it on the date the editor holds (when it reads as one) or on today, and a day picked goes
// into the editor as dd.mm.yyyy. An activation date typed the short way ("5.3.26", "050326") is
// stored as dd.mm.yyyy, in the edit's own undo step.
class CellDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    static inline const QColor BlockedColour{QRgb(model::BlockedShade)};
    static inline const QColor SoonColour{QRgb(model::SoonShade)};
    static inline const QColor NotADateColour{200, 0, 0};

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

    // The numbers already registered are marked, and the tooltip of such a cell (by row and
    // column) says where.
    using RepeatTip = std::function<QString(int row, int col)>;
    void showRepeats(RepeatTip tip) { repeatTip_ = std::move(tip); }
    // What a cell's tooltip says: the block state of a shaded row in words, or that an
    // activation date is not a date; and where a repeated number already is.
    QString toolTip(const QModelIndex& index) const;

    // `slot` of `receiver` as a command: the open edit is stored, then the slot runs with the
    // arguments of the signal it is connected to, and its result is returned.
    template <typename Receiver, typename Result, typename... Args>
    auto command(Receiver* receiver, Result (Receiver::*slot)(Args...)) {
        return [this, receiver, slot](Args... args) {
            commit();
            return (receiver->*slot)(args...);
        };
    }
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
    bool helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                   const QModelIndex& index) override;

Q_SIGNALS:
    // A stored edit changed the text of its cell, in column `col`; still within the edit's undo
    // step, so that what follows from it joins the step.
    void stored(int col);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override;

private:
    bool notADate(const QModelIndex& index) const;
    bool repeated(const QModelIndex& index) const;
    QString blockStateTip(const QModelIndex& index) const;
    // Tab, Shift+Tab: the next cell of the row, or the first of the next row past the last column
    // (the last of the previous row before the first).
    void editNeighbour(int columns);
    void openCalendar();
    void pickDate(QDate date);

    model::GridModel& grid_;
    GridView& view_;
    editing::GridHistory& history_;
    CellEditor* editor_;
    LineCompletion* completion_;
    QCalendarWidget* calendar_;
    QAction* calendarButton_; // shown in date columns only
    std::function<QDate()> today_ = [] { return QDate::currentDate(); };
    QPointer<const model::RegisterState> watch_;
    RepeatTip repeatTip_;
    // Made once: a brush shared with every painted cell costs no allocation per cell.
    QBrush blocked_{BlockedColour};
    QBrush soon_{SoonColour};
};

} // namespace app
