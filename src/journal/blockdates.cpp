#include "journal/blockdates.h"

#include "core/journaldates.h"
#include "model/blockjudgement.h"
#include "model/gridmodel.h"

namespace journal {

void fillBlockDates(model::GridModel& grid) {
    fillBlockDates(grid, model::BlockJudgement(grid, {}));
}

void fillBlockDates(model::GridModel& grid, const model::BlockJudgement& judgement) {
    if (!judgement.fillDue())
        return;
    // Read before the first write, which makes the judgement out of date.
    const int activation = *judgement.activationColumn();
    const int block = *judgement.blockColumn();
    // The row count is read on every turn: a slot that reacts to a changed cell may remove rows.
    for (int r = 1; r < grid.rows(); ++r) {
        const QString activationText = grid.textMatrix(r, activation);
        if (activationText.isEmpty())
            return;
        core::DateBuffer buffer;
        const QStringView blockText = core::blockDateText(activationText, buffer);
        if (grid.textMatrix(r, block) != blockText)
            grid.setTextMatrix(r, block, blockText.toString());
    }
}

} // namespace journal
