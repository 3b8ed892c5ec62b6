#pragma once

#include "model/gridmodel.h"

namespace editing {

// How a cell takes part in the journal's sort, for GridModel::setSortKeyMaker:
// whole numbers first, ordered as numbers; then dates (d.m.yyyy, dd.mm.yyyy, dd.mm.yy) in
// calendar order; then other texts in Russian dictionary order, case aside; empty cells last.
// Keys that compare equal leave their rows in their order.
model::SortKey journalSortKey(const QString& text);

} // namespace editing
