#pragma once

#include "model/gridmodel.h"

#include <QString>
#include <vector>

namespace model {

// Below, equal or above: by rank first, then by number, then by the collation key (or, without
// one, by the text itself).
int compareSortKeys(const SortKey& a, const SortKey& b);

// The order in which a sort by one column puts the rows whose texts in that column are `texts`:
// row order[i] goes to position i. Descending is the exact reverse order of the keys; rows with
// equal keys keep their order either way.
//
// A journal column repeats its texts (owners, models, mechanics, dates), so each distinct text is
// keyed once (a collation key costs far more than a comparison).
std::vector<int> sortOrder(const std::vector<QString>& texts, const SortKeyMaker& keyMaker,
                           bool descending = false);

} // namespace model
