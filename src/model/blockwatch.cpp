#include "model/blockwatch.h"

#include "core/journalcolumns.h"
#include "model/gridfollowing.h"
#include "model/gridmodel.h"

#include <algorithm>

namespace model {

namespace {

// Today and the last day of the warning period as day numbers, worked out once per pass.
struct Horizon {
    qint64 today = 0;
    qint64 last = 0;
    bool valid = false;

    explicit Horizon(QDate date)
        : today(date.toJulianDay()), last(date.toJulianDay() + BlockWarningDays),
          valid(date.isValid()) {}

    // By the row's evidence, which has read its block date.
    BlockState judge(RowEvidence row) const {
        if (!valid || !row.blockDate)
            return BlockState::Clear;
        const qint64 day = row.blockDay;
        if (day <= today)
            return BlockState::Blocked;
        return day <= last ? BlockState::Soon : BlockState::Clear;
    }
};

bool touchesText(const QList<int>& roles) {
    return roles.isEmpty() || roles.contains(Qt::DisplayRole) || roles.contains(Qt::EditRole);
}

} // namespace

QString blockSummaryText(const BlockCounts& counts) {
    return QStringLiteral("Заблокированы: ") + QString::number(counts.blocked) +
           QStringLiteral(". Блокируются в ближайшие ") + QString::number(BlockWarningDays) +
           QStringLiteral(" дн.: ") + QString::number(counts.soon) + QLatin1Char('.') +
           (counts.undated > 0 ? QStringLiteral(" Без даты активации: ") +
                                     QString::number(counts.undated) + QLatin1Char('.')
                               : QString()) +
           (counts.declined ? QLatin1Char(' ') + *counts.declined + QLatin1Char('.') : QString());
}

QString rowFilterName(RowFilter filter) {
    const QString soon = QStringLiteral("блокируются в ближайшие %1 дн.").arg(BlockWarningDays);
    switch (filter) {
    case RowFilter::Blocked:
        return QStringLiteral("Заблокированы");
    case RowFilter::Soon:
        return soon.at(0).toUpper() + soon.mid(1);
    case RowFilter::Undated:
        return QStringLiteral("Без даты активации");
    case RowFilter::BlockedOrSoon:
        return QStringLiteral("Заблокированы и ") + soon;
    case RowFilter::All:
        break;
    }
    return QStringLiteral("Все");
}

BlockWatch::BlockWatch(const GridModel& grid, QDate today, QObject* parent)
    : QObject(parent), grid_(grid), today_(today) {
    followGrid(grid_, this, &BlockWatch::recount);
    recount();
}

void BlockWatch::setToday(QDate today) {
    if (today == today_)
        return;
    today_ = today;
    recount();
}

void BlockWatch::recount() {
    evidence_.reset(grid_);
    followed();
    rejudge();
}

void BlockWatch::followed() {
    following_ = true;
    followedStructure_ = grid_.structureRevision();
    followedChanges_ = grid_.changedRows().size();
}

const BlockEvidence* BlockWatch::evidenceFor(const GridModel& grid) const {
    if (!following_ || &grid != &grid_ || grid.structureRevision() != followedStructure_ ||
        grid.changedRows().size() != followedChanges_)
        return nullptr;
    if (evidence_.columns() && evidence_.size() != grid.rows())
        return nullptr;
    return captionedBlockColumns(grid) == evidence_.columns() ? &evidence_ : nullptr;
}

void BlockWatch::rejudge() {
    const int rows = grid_.rows();
    counts_ = {};
    counts_.declined = evidence_.declined(grid_);
    blockCol_ = counts_.declined ? std::nullopt : std::optional(evidence_.columns()->block);
    states_.assign(std::size_t(rows), BlockState::Clear);
    if (blockCol_) {
        const Horizon horizon(today_);
        for (int r = 1; r < rows; ++r) {
            const RowEvidence row = evidence_.row(r);
            counts_.undated += isUndated(row) ? 1 : 0;
            const BlockState state = horizon.judge(row);
            states_[std::size_t(r)] = state;
            add(state, +1);
        }
    }
    Q_EMIT statesReset();
    notify();
}

bool BlockWatch::decideAgain() {
    std::optional<QString> declined = evidence_.declined(grid_);
    if (declined.has_value() == blockCol_.has_value()) {
        rejudge();
        return false;
    }
    counts_.declined = std::move(declined);
    return true;
}

bool BlockWatch::weighRows(int firstRow, int lastRow) {
    for (int r = firstRow; r <= lastRow; ++r) {
        counts_.undated -= blockCol_ && isUndated(evidence_.row(r)) ? 1 : 0;
        evidence_.reweigh(grid_, r);
        counts_.undated += blockCol_ && isUndated(evidence_.row(r)) ? 1 : 0;
    }
    followed();
    return decideAgain();
}

void BlockWatch::onDataChanged(int firstRow, int lastRow, int firstCol, int lastCol,
                               const QList<int>& roles) {
    const std::optional<BlockColumns>& columns = evidence_.columns();
    if (!columns || !touchesText(roles)) {
        followed();
        return;
    }
    if (states_.size() != std::size_t(grid_.rows()) ||
        std::size_t(evidence_.size()) != states_.size()) {
        recount();
        return;
    }
    const auto within = [&](int col) { return col >= firstCol && col <= lastCol; };
    const int first = std::max(firstRow, 1);
    const int last = std::min(lastRow, grid_.rows() - 1);
    if (!within(columns->activation) && !within(columns->block)) {
        // Other columns count only where the captioned block column holds no block date.
        evidence_.otherCellsChanged(grid_, first, last);
        followed();
        if (decideAgain())
            notify();
        return;
    }
    const bool activationChanged = within(columns->activation);
    if (!weighRows(first, last))
        return;
    if (activationChanged)
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
        (evidence_.columns() && std::size_t(evidence_.size()) != states_.size())) {
        recount();
        return;
    }
    states_.insert(states_.begin() + firstRow, added, BlockState::Clear);
    evidence_.insertRows(grid_, firstRow, int(added));
    followed();
    for (int r = firstRow; r <= lastRow; ++r)
        counts_.undated += blockCol_ && isUndated(evidence_.row(r)) ? 1 : 0;
    if (!decideAgain())
        return;
    if (blockCol_)
        for (int r = firstRow; r <= lastRow; ++r)
            judgeRow(r);
    notify();
}

void BlockWatch::onRowsRemoved(int firstRow, int lastRow) {
    const std::size_t removed = std::size_t(lastRow - firstRow + 1);
    if (firstRow < 1 || std::size_t(lastRow) >= states_.size() ||
        states_.size() - removed != std::size_t(grid_.rows()) ||
        (evidence_.columns() && std::size_t(evidence_.size()) != states_.size())) {
        recount();
        return;
    }
    for (int r = firstRow; r <= lastRow; ++r) {
        add(states_[std::size_t(r)], -1);
        counts_.undated -= blockCol_ && isUndated(evidence_.row(r)) ? 1 : 0;
    }
    states_.erase(states_.begin() + firstRow, states_.begin() + lastRow + 1);
    evidence_.removeRows(grid_, firstRow, int(removed));
    followed();
    if (decideAgain())
        notify();
}

// A header text changed: the two columns may now be others, or none; or another column's
// caption, which a reason may name.
void BlockWatch::onHeaderChanged() {
    if (captionedBlockColumns(grid_) != evidence_.columns()) {
        recount();
        return;
    }
    followed();
    if (decideAgain())
        notify();
}

void BlockWatch::judgeRow(int row) {
    BlockState& state = states_[std::size_t(row)];
    add(state, -1);
    state = Horizon(today_).judge(evidence_.row(row));
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
// the counts stay, unless the rows the block-date pass reaches are others now and bear out
// another decision.
void BlockWatch::onRowsPermuted(int first, const std::vector<int>& order) {
    if (states_.size() < std::size_t(first) + order.size() ||
        (evidence_.columns() && std::size_t(evidence_.size()) != states_.size())) {
        permuted_ = false;
        return;
    }
    const std::vector before(states_.begin() + first,
                             states_.begin() + first + qsizetype(order.size()));
    for (std::size_t i = 0; i < order.size(); ++i)
        states_[std::size_t(first) + i] = before[std::size_t(order[i])];
    permuted_ = evidence_.permute(grid_, first, order);
    if (permuted_)
        followed();
}

void BlockWatch::onLayoutChanged() {
    if (!std::exchange(permuted_, false))
        recount();
    else if (decideAgain())
        notify();
}

} // namespace model
