#include "editing/sortbycolumn.h"

#include "core/journalcolumns.h"
#include "model/gridmodel.h"

namespace editing {

namespace {

void restoreEmptyCaptions(model::GridModel& grid) {
    const std::vector<core::FormatSection>& standard = core::headerSections();
    for (int c = 0; c < grid.cols() && std::size_t(c) < standard.size(); ++c) {
        if (!grid.cell(0, c).trimmed().isEmpty())
            continue;
        const QString& caption = standard[std::size_t(c)].caption;
        bool borne = false;
        for (int other = 0; other < grid.cols() && !borne; ++other)
            borne = grid.cell(0, other).trimmed() == caption.trimmed();
        if (!borne)
            grid.setTextMatrix(0, c, caption);
    }
}

} // namespace

bool sortByColumn(model::GridModel& grid, int column, bool descending) {
    if (column < 0 || column >= grid.cols())
        return false;
    grid.setCol(column);
    grid.setColSel(column);
    // With Row equal to RowSel the grid sorts every row below the header.
    grid.setRow(0);
    grid.setRowSel(0);
    grid.setSort(descending ? 2 : 1);
    restoreEmptyCaptions(grid);
    return true;
}

} // namespace editing
