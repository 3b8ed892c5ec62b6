#pragma once

#include <QString>

// Every cell text lies in a memory block of its own: passes over a whole register ask for the
// texts some rows ahead so that they do not wait on memory at every row (bench/RESULTS.md has
// the figures behind the distances).
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

} // namespace journal
