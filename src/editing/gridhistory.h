#pragma once

#include "model/gridmodel.h"

#include <QObject>
#include <QPoint>
#include <QUndoStack>
#include <vector>

class QItemSelectionModel;

namespace editing {

// The undo history of a grid. What the grid changes while a Step lives becomes one undo step,
// with the current cell before and after it; steps begun meanwhile join the outer one, and a
// step that changed nothing is not kept. Each step holds only what reverses it: the texts a cell
// had, the cells of a removed row or column, the order a sort took. A change that replaces the
// whole grid (opening a journal) ends the history.
class GridHistory : public QObject {
    Q_OBJECT
public:
    // The least number of steps the history keeps.
    static constexpr int Depth = 200;
    // Steps of this kind on the same cell, one right after another, become one (typing into the
    // input line: one step per entry, not per key).
    static constexpr int InputLineEntry = 1;

    // The current cell is the one of `selection`, a selection model over `grid`.
    GridHistory(model::GridModel& grid, QItemSelectionModel& selection, QObject* parent = nullptr);
    ~GridHistory() override;

    class Step {
    public:
        Step(GridHistory& history, QString text, int mergeKind);
        ~Step();
        Step(const Step&) = delete;
        Step& operator=(const Step&) = delete;

    private:
        GridHistory& history_;
        bool outermost_;
    };
    [[nodiscard]] Step step(const QString& text, int mergeKind = 0) {
        return {*this, text, mergeKind};
    }

    QUndoStack& stack() { return stack_; }
    // Whether the grid stands as it stood at the last markClean() (or since the history was
    // cleared): undoing back to a saved state counts as clean again.
    bool isClean() const { return stack_.isClean(); }
    // The grid as it stands is what its file holds (it was just saved there). The next step
    // never merges into the one before, so that a change after the save is always seen.
    void markClean();
    // False when there was nothing to undo or redo.
    bool undo();
    bool redo();
    void clear();
    // The step undo() would take back now (none when there is none); undoBackTo(that step) takes
    // back every step made after it.
    const QUndoCommand* lastStep() const {
        return stack_.index() > 0 ? stack_.command(stack_.index() - 1) : nullptr;
    }
    void undoBackTo(const QUndoCommand* step) {
        while (lastStep() != step && undo()) {
        }
    }

Q_SIGNALS:
    void cleanChanged(bool clean);

private:
    friend class Step;
    void finish();

    model::GridModel& grid_;
    QItemSelectionModel& selection_;
    QUndoStack stack_;
    std::vector<model::GridChange> log_;
    QString text_;
    int mergeKind_ = 0;
    QPoint cellBefore_;
    int depth_ = 0;
    bool mergeBarrier_ = false;
};

} // namespace editing
