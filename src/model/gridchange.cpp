#include "model/gridchange.h"

#include "model/gridmodel.h"

#include <QScopedValueRollback>
#include <algorithm>

namespace model {

GridChange GridChange::inverse() const {
    GridChange undone = *this;
    switch (kind) {
    case Text:
    case Caption:
        std::swap(undone.before, undone.after);
        break;
    case InsertRows:
        undone.kind = RemoveRows;
        break;
    case RemoveRows:
        undone.kind = InsertRows;
        break;
    case InsertColumns:
        undone.kind = RemoveColumns;
        break;
    case RemoveColumns:
        undone.kind = InsertColumns;
        break;
    case MoveColumn:
        std::swap(undone.col, undone.count);
        break;
    case SortRows: {
        std::vector<int> back(order.size());
        for (std::size_t i = 0; i < order.size(); ++i)
            back[std::size_t(order[i])] = int(i);
        undone.order = std::move(back);
        break;
    }
    case Reset:
        break;
    }
    return undone;
}

void GridModel::undoChange(const GridChange& change) {
    redoChange(change.inverse());
}

void GridModel::redoChange(const GridChange& change) {
    // Undoing and redoing are changes the grid makes on its own behalf: they are not recorded.
    const QScopedValueRollback<std::vector<GridChange>*> quiet(log_, nullptr);
    switch (change.kind) {
    case GridChange::Text:
        setText(change.row, change.col, change.after);
        break;
    case GridChange::Caption:
        setCaption(change.col, change.after);
        break;
    case GridChange::InsertRows:
        insertRowsAt(change.row, change.count, change.cells);
        break;
    case GridChange::RemoveRows:
        removeRowsAt(change.row, change.count);
        break;
    case GridChange::InsertColumns:
        insertColumnsAt(change.col, change.count, change.captions, change.cells, change.formats);
        break;
    case GridChange::RemoveColumns:
        removeColumnsAt(change.col, change.count);
        break;
    case GridChange::MoveColumn:
        moveColumn(change.col, change.count);
        break;
    case GridChange::SortRows:
        permuteRows(change.order);
        break;
    case GridChange::Reset:
        break;
    }
}

} // namespace model
