#pragma once

#include "app/gridmodel.h"

#include <QString>

// Whole-register passes read cells whose texts each lie in a memory block of their own. Asking
// for the texts a few rows ahead keeps such a pass from waiting on memory at every row.
namespace journal {

constexpr int PrefetchRowsAhead = 8;
// A pass down one column does little per row, so it asks further ahead.
constexpr int PrefetchColumnRowsAhead = 32;

inline void prefetchText(const QString& text) {
#if defined(__GNUC__)
    __builtin_prefetch(text.constData());
#else
    Q_UNUSED(text);
#endif
}

// Prefetches, for row `row` of a pass down column `col`, the text PrefetchColumnRowsAhead rows
// below.
inline void prefetchColumnAhead(const GridModel& grid, int row, int col) {
    if (row + PrefetchColumnRowsAhead < grid.rows())
        prefetchText(grid.cell(row + PrefetchColumnRowsAhead, col));
}

// Prefetches the texts of columns 0 .. cols-1 of the row PrefetchRowsAhead below `row`.
inline void prefetchRowAhead(const GridModel& grid, int row, int cols) {
    const int ahead = row + PrefetchRowsAhead;
    if (ahead < grid.rows())
        for (int c = 0; c < cols; ++c)
            prefetchText(grid.cell(ahead, c));
}

} // namespace journal
