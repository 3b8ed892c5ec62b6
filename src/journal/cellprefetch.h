#pragma once

#include "app/gridmodel.h"

#include <QString>

// Whole-register passes read cells whose texts each lie in a memory block of their own. Asking
// for the texts a few rows ahead keeps such a pass from waiting on memory at every row.
namespace journal {

constexpr int PrefetchRowsAhead = 8;
// The grid's own slot of a cell is asked for further ahead, so that reading it to find the text
// does not stall in turn.
constexpr int PrefetchSlotsAhead = 2 * PrefetchRowsAhead;

inline void prefetchText(const QString& text) {
#if defined(__GNUC__)
    __builtin_prefetch(text.constData());
#else
    Q_UNUSED(text);
#endif
}

// Prefetches, for the row `row` of a pass down one column, the grid's slot of the cell
// PrefetchSlotsAhead rows below and the text of the cell PrefetchRowsAhead rows below.
inline void prefetchColumnAhead(const GridModel& grid, int row, int col) {
#if defined(__GNUC__)
    if (row + PrefetchSlotsAhead < grid.rows())
        __builtin_prefetch(&grid.cell(row + PrefetchSlotsAhead, col));
#endif
    if (row + PrefetchRowsAhead < grid.rows())
        prefetchText(grid.cell(row + PrefetchRowsAhead, col));
}

// Prefetches the texts of columns 0 .. cols-1 of the row PrefetchRowsAhead below `row`.
inline void prefetchRowAhead(const GridModel& grid, int row, int cols) {
    const int ahead = row + PrefetchRowsAhead;
    if (ahead < grid.rows())
        for (int c = 0; c < cols; ++c)
            prefetchText(grid.cell(ahead, c));
}

} // namespace journal
