#pragma once

#include "model/gridmodel.h"

#include <QString>
#include <vector>

namespace model {

// The order in which a grid sort puts its rows. Cells compare by the keys a SortKeyMaker gives,
// the first key column first; rows whose keys are all equal keep their order.
//
// A journal column repeats its texts (owners, models, mechanics, dates), so each distinct text
// of a column is keyed once (a collation key costs far more than a comparison).
// Below, equal or above: by rank first, then by number, then by the collation key (or, without
// one, by the text itself).
int compareSortKeys(const SortKey& a, const SortKey& b);

class SortOrder {
public:
    // `texts` holds count rows of keyColumns texts each, row after row. Descending is the exact
    // reverse order of the keys; rows with equal keys keep their order either way.
    SortOrder(const std::vector<QString>& texts, int keyColumns, const SortKeyMaker& keyMaker,
              bool descending = false);

    // Row order()[i] of the unsorted rows goes to position i.
    const std::vector<int>& order() const { return order_; }

private:
    std::vector<int> rankColumn(const std::vector<QString>& texts, int keyColumns, int column,
                                const SortKeyMaker& keyMaker) const;

    std::vector<int> order_;
};

} // namespace model
