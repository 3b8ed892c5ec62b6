#include "model/blockwatch.h"

#include "core/journalcolumns.h"
#include "core/journaldates.h"
#include "model/gridmodel.h"

#include <algorithm>

namespace journal {

namespace {

// Today and the last day of the warning period as day numbers, worked out once per pass.
struct Horizon {
    qint64 today = 0;
    qint64 last = 0;
    bool valid = false;

    explicit Horizon(QDate date)
        : today(date.toJulianDay()), last(date.toJulianDay() + BlockWarningDays),
          valid(date.isValid()) {}

    BlockState judge(QStringView blockDate) const {
        if (!valid)
            return BlockState::Clear;
        const std::optional<QDate> date = readDate(blockDate);
        if (!date)
            return BlockState::Clear;
        const qint64 day = date->toJulianDay();
        if (day <= today)
            return BlockState::Blocked;
        return day <= last ? BlockState::Soon : BlockState::Clear;
    }
};

bool touchesText(const QList<int>& roles) {
    return roles.isEmpty() || roles.contains(Qt::DisplayRole) || roles.contains(Qt::EditRole);
}

} // namespace

QString blockSummaryText(BlockCounts counts) {
    return QStringLiteral("Заблокированы: ") + QString::number(counts.blocked) +
           QStringLiteral(". Блокируются в ближайшие ") + QString::number(BlockWarningDays) +
           QStringLiteral(" дн.: ") + QString::number(counts.soon) + QLatin1Char('.') +
           (counts.undated > 0 ? QStringLiteral(" Без даты активации: ") +
                                     QString::number(counts.undated) + QLatin1Char('.')
                               : QString());
}

BlockWatch::BlockWatch(const GridModel& grid, QDate today, QObject* parent)
    : QObject(parent), grid_(grid), today_(today) {
    connect(&grid_, &GridModel::dataChanged, this,
            [this](const QModelIndex& topLeft, const QModelIndex& bottomRight,
                   const QList<int>& roles) {
                // The model's rows are the grid's data rows: model row r is grid row r + 1.
                onDataChanged(topLeft.row() + 1, bottomRight.row() + 1, topLeft.column(),
                              bottomRight.column(), roles);
            });
    connect(
        &grid_, &GridModel::rowsInserted, this,
        [this](const QModelIndex&, int first, int last) { onRowsInserted(first + 1, last + 1); });
    connect(&grid_, &GridModel::rowsRemoved, this, [this](const QModelIndex&, int first, int last) {
        onRowsRemoved(first + 1, last + 1);
    });
    connect(&grid_, &GridModel::headerDataChanged, this, &BlockWatch::onHeaderChanged);
    // Whatever moves rows or columns around wholesale is followed by one full pass.
    connect(&grid_, &GridModel::modelReset, this, &BlockWatch::recount);
    connect(&grid_, &GridModel::rowsPermuted, this, &BlockWatch::onRowsPermuted);
    connect(&grid_, &GridModel::layoutChanged, this, &BlockWatch::onLayoutChanged);
    connect(&grid_, &GridModel::columnsInserted, this, &BlockWatch::recount);
    connect(&grid_, &GridModel::columnsRemoved, this, &BlockWatch::recount);
    connect(&grid_, &GridModel::columnsMoved, this, &BlockWatch::recount);
    recount();
}

void BlockWatch::setToday(QDate today) {
    if (today == today_)
        return;
    today_ = today;
    recount();
}

void BlockWatch::recount() {
    const int rows = grid_.rows();
    captioned_ = captionedBlockColumns(grid_);
    evidence_ = {};
    rowEvidence_.clear();
    if (captioned_) {
        rowEvidence_.resize(std::size_t(rows));
        for (int r = 1; r < rows; ++r) {
            const RowEvidence row = RowEvidence::of(grid_.cell(r, captioned_->activation),
                                                    grid_.cell(r, captioned_->block));
            rowEvidence_[std::size_t(r)] = row;
            evidence_.add(row);
        }
    }
    blockCol_ =
        captioned_ && evidence_.convincing() ? std::optional(captioned_->block) : std::nullopt;
    states_.assign(std::size_t(rows), BlockState::Clear);
    counts_ = {};
    if (blockCol_) {
        const int col = *blockCol_;
        const Horizon horizon(today_);
        counts_.undated = int(std::count_if(rowEvidence_.begin(), rowEvidence_.end(), isUndated));
        for (int r = 1; r < rows; ++r) {
            const BlockState state = horizon.judge(grid_.cell(r, col));
            states_[std::size_t(r)] = state;
            add(state, +1);
        }
    }
    Q_EMIT statesReset();
    notify();
}

bool BlockWatch::weighRows(int firstRow, int lastRow) {
    for (int r = firstRow; r <= lastRow; ++r) {
        RowEvidence& row = rowEvidence_[std::size_t(r)];
        evidence_.add(row, -1);
        counts_.undated -= blockCol_ && isUndated(row) ? 1 : 0;
        row = RowEvidence::of(grid_.cell(r, captioned_->activation),
                              grid_.cell(r, captioned_->block));
        evidence_.add(row);
        counts_.undated += blockCol_ && isUndated(row) ? 1 : 0;
    }
    return evidence_.convincing() == blockCol_.has_value();
}

void BlockWatch::onDataChanged(int firstRow, int lastRow, int firstCol, int lastCol,
                               const QList<int>& roles) {
    const auto within = [&](int col) { return col >= firstCol && col <= lastCol; };
    if (!captioned_ || !touchesText(roles) ||
        !(within(captioned_->activation) || within(captioned_->block)))
        return;
    if (states_.size() != std::size_t(grid_.rows()) || rowEvidence_.size() != states_.size()) {
        recount();
        return;
    }
    const int first = std::max(firstRow, 1);
    const int last = std::min(lastRow, grid_.rows() - 1);
    if (!weighRows(first, last)) {
        recount();
        return;
    }
    if (within(captioned_->activation))
        Q_EMIT statesReset(); // an activation cell's mark may have changed
    if (blockCol_ && within(*blockCol_))
        for (int r = first; r <= last; ++r)
            judgeRow(r);
    notify();
}

void BlockWatch::onRowsInserted(int firstRow, int lastRow) {
    const std::size_t added = std::size_t(lastRow - firstRow + 1);
    if (firstRow < 1 || std::size_t(firstRow) > states_.size() ||
        states_.size() + added != std::size_t(grid_.rows()) ||
        (captioned_ && rowEvidence_.size() != states_.size())) {
        recount();
        return;
    }
    states_.insert(states_.begin() + firstRow, added, BlockState::Clear);
    if (captioned_) {
        rowEvidence_.insert(rowEvidence_.begin() + firstRow, added, RowEvidence{});
        if (!weighRows(firstRow, lastRow)) {
            recount();
            return;
        }
    }
    if (blockCol_)
        for (int r = firstRow; r <= lastRow; ++r)
            judgeRow(r);
    notify();
}

void BlockWatch::onRowsRemoved(int firstRow, int lastRow) {
    const std::size_t removed = std::size_t(lastRow - firstRow + 1);
    if (firstRow < 1 || std::size_t(lastRow) >= states_.size() ||
        states_.size() - removed != std::size_t(grid_.rows()) ||
        (captioned_ && rowEvidence_.size() != states_.size())) {
        recount();
        return;
    }
    for (int r = firstRow; r <= lastRow; ++r)
        add(states_[std::size_t(r)], -1);
    states_.erase(states_.begin() + firstRow, states_.begin() + lastRow + 1);
    if (captioned_) {
        for (int r = firstRow; r <= lastRow; ++r) {
            evidence_.add(rowEvidence_[std::size_t(r)], -1);
            counts_.undated -= blockCol_ && isUndated(rowEvidence_[std::size_t(r)]) ? 1 : 0;
        }
        rowEvidence_.erase(rowEvidence_.begin() + firstRow, rowEvidence_.begin() + lastRow + 1);
        if (evidence_.convincing() != blockCol_.has_value()) {
            recount();
            return;
        }
    }
    notify();
}

// A header text changed: the two columns may now be others, or none.
void BlockWatch::onHeaderChanged() {
    if (captionedBlockColumns(grid_) != captioned_)
        recount();
}

void BlockWatch::judgeRow(int row) {
    BlockState& state = states_[std::size_t(row)];
    add(state, -1);
    state = Horizon(today_).judge(grid_.cell(row, *blockCol_));
    add(state, +1);
}

void BlockWatch::add(BlockState state, int sign) {
    if (state == BlockState::Blocked)
        counts_.blocked += sign;
    else if (state == BlockState::Soon)
        counts_.soon += sign;
}

void BlockWatch::notify() {
    if (batchDepth_ > 0 || counts_ == sent_)
        return;
    sent_ = counts_;
    Q_EMIT countsChanged(counts_);
}

BlockWatch::Batch::Batch(BlockWatch& watch) : watch_(watch) {
    ++watch_.batchDepth_;
}

BlockWatch::Batch::~Batch() {
    if (--watch_.batchDepth_ == 0)
        watch_.notify();
}

// A reordering of the rows changes no row's cells: each row's evidence and state go with it, and
// the counts stay.
void BlockWatch::onRowsPermuted(int first, const std::vector<int>& order) {
    const auto reorder = [&](auto& perRow) {
        if (perRow.size() < std::size_t(first) + order.size())
            return false;
        const auto before =
            std::vector(perRow.begin() + first, perRow.begin() + first + qsizetype(order.size()));
        for (std::size_t i = 0; i < order.size(); ++i)
            perRow[std::size_t(first) + i] = before[std::size_t(order[i])];
        return true;
    };
    permuted_ = reorder(states_) && (!captioned_ || reorder(rowEvidence_));
}

void BlockWatch::onLayoutChanged() {
    if (!std::exchange(permuted_, false))
        recount();
}

} // namespace journal
