#include "editing/rowcolumncommands.h"

#include "core/journalcolumns.h"
#include "model/gridmodel.h"

#include <algorithm>

namespace editing {

namespace {

void restoreEmptyCaptions(model::GridModel& grid) {
    const std::vector<core::FormatSection>& standard = core::headerSections();
    for (int c = 0; c < grid.columnCount() && std::size_t(c) < standard.size(); ++c) {
        if (!grid.caption(c).trimmed().isEmpty())
            continue;
        const QString& caption = standard[std::size_t(c)].caption;
        const bool taken =
            std::any_of(grid.captions().begin(), grid.captions().end(),
                        [&](const QString& other) { return other.trimmed() == caption.trimmed(); });
        if (!taken)
            grid.setCaption(c, caption);
    }
}

} // namespace

bool moveLastColumnTo(model::GridModel& grid, int col) {
    const int last = grid.columnCount() - 1;
    return col >= 0 && col < last && grid.moveColumnTo(last, col);
}

bool sortByColumn(model::GridModel& grid, int column, bool descending) {
    if (column < 0 || column >= grid.columnCount())
        return false;
    grid.sort(column, descending ? Qt::DescendingOrder : Qt::AscendingOrder);
    restoreEmptyCaptions(grid);
    return true;
}

} // namespace editing
