#pragma once

#include "model/blockjudgement.h"
#include "model/completionvalues.h"
#include "model/serialrepeats.h"

#include <QDate>
#include <QObject>
#include <map>
#include <optional>
#include <utility>
#include <vector>

namespace model {

class GridModel;

// What the register's rows say beyond their texts: the block-date column and each row's block
// state with their counts (BlockJudgement), the numbers registered twice (SerialRepeats) and the
// values of a column offered for completion (CompletionValues). A change to the grid marks out of
// date each part that reads what changed; a part is worked out again in a whole pass over the
// rows when first read, and at the latest once the events already due are handled, then
// `changed` tells those who show it.
class RegisterState : public QObject {
    Q_OBJECT
public:
    RegisterState(const GridModel& grid, QDate today, QObject* parent = nullptr);

    QDate today() const { return today_; }
    void setToday(QDate today);

    const BlockJudgement& blocks() const;
    const SerialRepeats& repeats() const;
    // The values of column `col`, counted when first asked for after a change.
    const CompletionValues& values(int col) const;

    // Works the state out now when it is out of date and tells of it, rather than once the events
    // due are handled: at the end of a user's step, whose outcome shows at once.
    void settle();

Q_SIGNALS:
    // The state was worked out again: the rows shown, their shades and marks and the counts
    // may have changed.
    void changed();

private:
    void markDirty();
    // Cells of rows `rows` and columns `cols` were stored.
    void cellsChanged(std::pair<int, int> rows, std::pair<int, int> cols);
    void settleSoon();
    // What each row says of the block-date columns, worked out again for the rows marked
    // due: reading the dates of every row would make each edit of a large register wait.
    void updateRowDates() const;

    const GridModel& grid_;
    QDate today_;
    // Worked out lazily, hence mutable: the grid's changes only mark them out of date.
    mutable bool blocksDue_ = true;
    mutable std::array<bool, SerialKinds> repeatsDue_{true, true};
    mutable bool changedUntold_ = false;
    mutable BlockJudgement blocks_;
    mutable std::vector<RowDates> rowDates_; // by row, for rowDatesColumns_
    mutable std::optional<BlockColumns> rowDatesColumns_;
    mutable std::optional<std::pair<int, int>> rowDatesDue_; // first and last row
    mutable SerialRepeats repeats_;
    mutable std::map<int, CompletionValues> values_;
    bool settleQueued_ = false;
};

} // namespace model
