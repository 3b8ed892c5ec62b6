#include "editing/gridhistory.h"

#include <QItemSelectionModel>
#include <algorithm>

namespace editing {

namespace {

// One recorded step. It was done when recorded, so the stack's first redo() does nothing.
class RecordedStep : public QUndoCommand {
public:
    RecordedStep(model::GridModel& grid, QItemSelectionModel& selection,
                 std::vector<model::GridChange> changes, QPoint before, QPoint after,
                 const QString& text, int mergeKind)
        : QUndoCommand(text), grid_(grid), selection_(selection), changes_(std::move(changes)),
          before_(before), after_(after), mergeKind_(mergeKind) {}

    int id() const override { return mergeKind_ == 0 ? -1 : mergeKind_; }

    bool mergeWith(const QUndoCommand* other) override {
        const auto* next = static_cast<const RecordedStep*>(other);
        if (next->mergeKind_ != mergeKind_ || next->before_ != after_ || after_ != before_)
            return false;
        changes_.insert(changes_.end(), next->changes_.begin(), next->changes_.end());
        after_ = next->after_;
        return true;
    }

    void undo() override {
        for (auto change = changes_.rbegin(); change != changes_.rend(); ++change)
            grid_.undoChange(*change);
        moveTo(before_);
    }

    void redo() override {
        if (std::exchange(done_, false))
            return;
        for (const model::GridChange& change : changes_)
            grid_.redoChange(change);
        moveTo(after_);
    }

private:
    // The current cell as it was, or as near to it as the grid now reaches.
    void moveTo(QPoint cell) {
        if (grid_.rowCount() == 0)
            return;
        selection_.setCurrentIndex(grid_.index(std::clamp(cell.x(), 0, grid_.rowCount() - 1),
                                               std::clamp(cell.y(), 0, grid_.columnCount() - 1)),
                                   QItemSelectionModel::ClearAndSelect);
    }

    model::GridModel& grid_;
    QItemSelectionModel& selection_;
    std::vector<model::GridChange> changes_;
    QPoint before_;
    QPoint after_;
    int mergeKind_;
    bool done_ = true;
};

QPoint currentCell(const QItemSelectionModel& selection) {
    const QModelIndex current = selection.currentIndex();
    return {current.row(), current.column()};
}

} // namespace

GridHistory::GridHistory(model::GridModel& grid, QItemSelectionModel& selection, QObject* parent)
    : QObject(parent), grid_(grid), selection_(selection) {
    stack_.setUndoLimit(Depth);
    connect(&stack_, &QUndoStack::cleanChanged, this, &GridHistory::cleanChanged);
}

GridHistory::~GridHistory() {
    // The stack clears itself as it goes and announces that: those who follow it may be gone.
    stack_.blockSignals(true);
    if (depth_ > 0)
        grid_.setChangeLog(nullptr);
}

GridHistory::Step::Step(GridHistory& history, QString text, int mergeKind)
    : history_(history), outermost_(history.depth_++ == 0) {
    if (!outermost_)
        return;
    history_.log_.clear();
    history_.text_ = std::move(text);
    history_.mergeKind_ = mergeKind;
    history_.cellBefore_ = currentCell(history_.selection_);
    history_.grid_.setChangeLog(&history_.log_);
}

GridHistory::Step::~Step() {
    --history_.depth_;
    if (outermost_)
        history_.finish();
}

void GridHistory::finish() {
    grid_.setChangeLog(nullptr);
    std::vector<model::GridChange> changes = std::exchange(log_, {});
    if (changes.empty())
        return;
    const bool reset =
        std::ranges::any_of(changes, [](const model::GridChange& change) { return !change.undo; });
    if (reset) {
        stack_.clear();
        return;
    }
    const int mergeKind = std::exchange(mergeBarrier_, false) ? 0 : mergeKind_;
    stack_.push(new RecordedStep(grid_, selection_, std::move(changes), cellBefore_,
                                 currentCell(selection_), text_, mergeKind));
}

void GridHistory::markClean() {
    stack_.setClean();
    mergeBarrier_ = true;
}

bool GridHistory::undo() {
    if (depth_ > 0 || !stack_.canUndo())
        return false;
    stack_.undo();
    return true;
}

bool GridHistory::redo() {
    if (depth_ > 0 || !stack_.canRedo())
        return false;
    stack_.redo();
    return true;
}

void GridHistory::clear() {
    stack_.clear();
    // QUndoStack::clear() leaves an empty stack as it was: one made unclean (an import saved
    // nowhere) would stay so under the journal opened after it.
    if (!stack_.isClean())
        stack_.setClean();
    mergeBarrier_ = false;
}

} // namespace editing
