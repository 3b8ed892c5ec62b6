#include "journal/blockdates.h"

#include "core/journaldates.h"
#include "model/blockjudgement.h"
#include "model/gridmodel.h"

namespace journal {

void fillBlockDates(model::GridModel& grid) {
    fillBlockDates(grid, model::BlockJudgement(grid, {}));
}

void fillBlockDates(model::GridModel& grid, const model::BlockJudgement& judgement) {
    // Read before the first write, which makes the judgement out of date.
    const std::vector<int> rows = judgement.unfilledRows();
    if (rows.empty())
        return;
    const int activation = *judgement.activationColumn();
    const int block = *judgement.blockColumn();
    const int count = grid.rowCount();
    for (const int row : rows) {
        // A slot that reacts to a written cell may have inserted or removed rows.
        if (grid.rowCount() != count)
            return;
        core::DateBuffer buffer;
        grid.setText(row, block,
                     core::blockDateText(grid.text(row, activation), buffer).toString());
    }
}

} // namespace journal
