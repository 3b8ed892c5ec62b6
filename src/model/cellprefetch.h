#pragma once

#include "core/prefetch.h"
#include "model/gridmodel.h"

namespace journal {

// Prefetches, for row `row` of a pass down column `col`, the text PrefetchColumnRowsAhead rows
// below.
inline void prefetchColumnAhead(const GridModel& grid, int row, int col) {
    if (row + PrefetchColumnRowsAhead < grid.rows())
        prefetchText(grid.cell(row + PrefetchColumnRowsAhead, col));
}

} // namespace journal
