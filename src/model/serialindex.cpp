#include "model/serialindex.h"

#include "core/journalcharset.h"
#include "model/gridfollowing.h"
#include "model/gridmodel.h"

#include <QCoreApplication>
#include <QEvent>
#include <QVarLengthArray>
#include <algorithm>
#include <iterator>
#include <string_view>

namespace model {

namespace {

bool touchesText(const QList<int>& roles) {
    return roles.isEmpty() || roles.contains(Qt::DisplayRole) || roles.contains(Qt::EditRole);
}

} // namespace

core::CellText serialKey(core::CellText text) {
    return text.trimmed();
}

// A text is hashed in Windows-1251 bytes whenever each of its characters has one (as a table
// keeps it), in UTF-16 otherwise.
quint64 serialFingerprint(core::CellText text) {
    const core::CellText key = serialKey(text);
    if (key.isEmpty())
        return 0;
    quint64 hash = 0;
    if (!key.isWide()) {
        hash = std::hash<std::string_view>{}(
            std::string_view(key.bytes().data(), std::size_t(key.size())));
    } else if (core::hasWindows1251Bytes(key.utf16())) {
        QVarLengthArray<char, 64> bytes(key.size());
        core::writeWindows1251(key.utf16(), bytes.data());
        hash = std::hash<std::string_view>{}(
            std::string_view(bytes.data(), std::size_t(bytes.size())));
    } else {
        hash = std::hash<std::u16string_view>{}(
                   std::u16string_view(key.utf16().utf16(), std::size_t(key.size()))) ^
               0x9E3779B97F4A7C15ULL;
    }
    return hash == 0 ? 1 : hash;
}

namespace {

// More rows than this changed at once are indexed by sorting the column's copy afresh, not one
// insertion each: every insertion moves the copy's tail.
constexpr int RowsChangedOneByOne = 16;

const QEvent::Type WholePassEvent = QEvent::Type(QEvent::registerEventType());

// Fingerprints in ascending order, by their bits eleven at a time from the lowest (a radix sort):
// a few passes over the column where a comparison sort takes some twenty, since fingerprints
// are spread evenly.
void sortFingerprints(std::vector<quint64>& keys) {
    constexpr int DigitBits = 11;
    constexpr std::size_t Buckets = std::size_t(1) << DigitBits;
    if (keys.size() < 256) {
        std::sort(keys.begin(), keys.end());
        return;
    }
    std::vector<quint64> other(keys.size());
    for (int shift = 0; shift < 64; shift += DigitBits) {
        std::array<std::size_t, Buckets> starts{};
        for (const quint64 key : keys)
            ++starts[(key >> shift) & (Buckets - 1)];
        std::size_t next = 0;
        for (std::size_t& start : starts)
            next += std::exchange(start, next);
        for (const quint64 key : keys)
            other[starts[(key >> shift) & (Buckets - 1)]++] = key;
        keys.swap(other);
    }
}

} // namespace

SerialIndex::SerialIndex(const GridModel& grid, QObject* parent, WholePass wholePass)
    : QObject(parent), grid_(grid), wholePass_(wholePass) {
    followGrid(grid_, this, &SerialIndex::rebuild);
    buildNow();
}

std::optional<int> SerialIndex::kindOf(int col) const {
    for (int kind = 0; kind < SerialKinds; ++kind)
        if (columns_[std::size_t(kind)] == col)
            return kind;
    return std::nullopt;
}

quint64 SerialIndex::fingerprint(int row, int col) const {
    const std::optional<int> kind = kindOf(col);
    if (!kind || row < 1 || due_)
        return 0;
    const std::vector<quint64>& byRow = index_[std::size_t(*kind)].byRow;
    return std::size_t(row) < byRow.size() ? byRow[std::size_t(row)] : 0;
}

int SerialIndex::count(int kind, quint64 fingerprint) const {
    const std::vector<quint64>& sorted = index_[std::size_t(kind)].sorted;
    const auto [first, last] = std::equal_range(sorted.begin(), sorted.end(), fingerprint);
    return int(last - first);
}

int SerialIndex::markedFor(int kind, quint64 fingerprint) const {
    const int holding = count(kind, fingerprint);
    return holding > 1 ? holding : 0;
}

bool SerialIndex::marked(int row, int col) const {
    const quint64 key = fingerprint(row, col);
    return key != 0 && markedFor(*kindOf(col), key) > 0;
}

std::vector<int> SerialIndex::otherRows(int row, int col) const {
    const quint64 key = fingerprint(row, col);
    if (key == 0 || count(*kindOf(col), key) < 2)
        return {};
    const std::vector<quint64>& byRow = index_[std::size_t(*kindOf(col))].byRow;
    std::vector<int> rows;
    for (std::size_t r = 1; r < byRow.size(); ++r)
        if (byRow[r] == key && int(r) != row)
            rows.push_back(int(r));
    return rows;
}

void SerialIndex::rebuild() {
    if (wholePass_ == WholePass::AtOnce) {
        buildNow();
        return;
    }
    // The marks go at once; the pass waits for the events due, the new register's paint first.
    for (int kind = 0; kind < SerialKinds; ++kind) {
        columns_[std::size_t(kind)] = grid_.findColumn(SerialHeaders[std::size_t(kind)]);
        index_[std::size_t(kind)] = {};
        marked_[std::size_t(kind)] = 0;
    }
    due_ = true;
    changed_ = true;
    notify();
    if (!std::exchange(scheduled_, true))
        // The new register's paint is a posted event of low priority: posted after it, at the
        // same priority, the pass comes after the paint (a queued call would come before).
        QCoreApplication::postEvent(this, new QEvent(WholePassEvent), Qt::LowEventPriority);
}

bool SerialIndex::event(QEvent* event) {
    if (event->type() != WholePassEvent)
        return QObject::event(event);
    scheduled_ = false;
    settle();
    return true;
}

void SerialIndex::settle() {
    if (due_)
        buildNow();
}

void SerialIndex::buildNow() {
    due_ = false;
    for (int kind = 0; kind < SerialKinds; ++kind) {
        const std::optional<int> col = grid_.findColumn(SerialHeaders[std::size_t(kind)]);
        columns_[std::size_t(kind)] = col;
        Column& column = index_[std::size_t(kind)];
        column = {};
        marked_[std::size_t(kind)] = 0;
        if (!col)
            continue;
        column.byRow.resize(std::size_t(grid_.rows()));
        for (int r = 1; r < grid_.rows(); ++r)
            column.byRow[std::size_t(r)] = serialFingerprint(grid_.cell(r, *col));
        resort(kind);
    }
    changed_ = true;
    notify();
}

void SerialIndex::resort(int kind) {
    Column& column = index_[std::size_t(kind)];
    column.sorted.clear();
    column.sorted.reserve(column.byRow.size());
    std::copy_if(column.byRow.begin(), column.byRow.end(), std::back_inserter(column.sorted),
                 [](quint64 key) { return key != 0; });
    sortFingerprints(column.sorted);
    recount(kind);
    changed_ = true;
}

// The marked cells are those of the runs of more than one equal fingerprint.
void SerialIndex::recount(int kind) {
    const std::vector<quint64>& sorted = index_[std::size_t(kind)].sorted;
    int marked = 0;
    for (auto run = sorted.begin(); run != sorted.end();) {
        const auto end =
            std::find_if(run + 1, sorted.end(), [&](quint64 key) { return key != *run; });
        if (end - run > 1)
            marked += int(end - run);
        run = end;
    }
    changed_ = changed_ || marked != marked_[std::size_t(kind)];
    marked_[std::size_t(kind)] = marked;
}

void SerialIndex::add(int kind, int row, bool unsorted) {
    Column& column = index_[std::size_t(kind)];
    const quint64 key = serialFingerprint(grid_.cell(row, *columns_[std::size_t(kind)]));
    column.byRow[std::size_t(row)] = key;
    if (key == 0 || unsorted)
        return;
    const int before = markedFor(kind, key);
    column.sorted.insert(std::upper_bound(column.sorted.begin(), column.sorted.end(), key), key);
    const int after = markedFor(kind, key);
    marked_[std::size_t(kind)] += after - before;
    changed_ = changed_ || after != before;
}

void SerialIndex::remove(int kind, int row, bool unsorted) {
    Column& column = index_[std::size_t(kind)];
    const quint64 key = std::exchange(column.byRow[std::size_t(row)], 0);
    if (key == 0 || unsorted)
        return;
    const int before = markedFor(kind, key);
    const auto found = std::lower_bound(column.sorted.begin(), column.sorted.end(), key);
    if (found == column.sorted.end() || *found != key)
        return;
    column.sorted.erase(found);
    const int after = markedFor(kind, key);
    marked_[std::size_t(kind)] += after - before;
    changed_ = changed_ || after != before;
}

bool SerialIndex::consistent() const {
    for (int kind = 0; kind < SerialKinds; ++kind)
        if (columns_[std::size_t(kind)] &&
            index_[std::size_t(kind)].byRow.size() != std::size_t(grid_.rows()))
            return false;
    return true;
}

void SerialIndex::notify() {
    if (!changed_ && markedCells() == sent_)
        return;
    changed_ = false;
    sent_ = markedCells();
    Q_EMIT marksChanged(sent_);
}

void SerialIndex::onDataChanged(int firstRow, int lastRow, int firstCol, int lastCol,
                                const QList<int>& roles) {
    if (due_ || !touchesText(roles))
        return;
    if (!consistent()) {
        rebuild();
        return;
    }
    const int first = std::max(firstRow, 1);
    const int last = std::min(lastRow, grid_.rows() - 1);
    const bool many = last - first + 1 > RowsChangedOneByOne;
    for (int kind = 0; kind < SerialKinds; ++kind) {
        const std::optional<int> col = columns_[std::size_t(kind)];
        if (!col || *col < firstCol || *col > lastCol)
            continue;
        // Each row leaves the count of the number kept for it, then joins its new one.
        for (int r = first; r <= last; ++r) {
            remove(kind, r, many);
            add(kind, r, many);
        }
        if (many)
            resort(kind);
    }
    notify();
}

void SerialIndex::onRowsInserted(int firstRow, int lastRow) {
    if (due_)
        return;
    const int added = lastRow - firstRow + 1;
    const bool many = added > RowsChangedOneByOne;
    for (int kind = 0; kind < SerialKinds; ++kind) {
        Column& column = index_[std::size_t(kind)];
        if (!columns_[std::size_t(kind)])
            continue;
        if (firstRow < 1 || std::size_t(firstRow) > column.byRow.size() ||
            column.byRow.size() + std::size_t(added) != std::size_t(grid_.rows())) {
            rebuild();
            return;
        }
        column.byRow.insert(column.byRow.begin() + firstRow, std::size_t(added), 0);
        for (int r = firstRow; r <= lastRow; ++r)
            add(kind, r, many);
        if (many)
            resort(kind);
    }
    notify();
}

void SerialIndex::onRowsRemoved(int firstRow, int lastRow) {
    if (due_)
        return;
    const int removed = lastRow - firstRow + 1;
    const bool many = removed > RowsChangedOneByOne;
    for (int kind = 0; kind < SerialKinds; ++kind) {
        Column& column = index_[std::size_t(kind)];
        if (!columns_[std::size_t(kind)])
            continue;
        if (firstRow < 1 || std::size_t(lastRow) >= column.byRow.size() ||
            column.byRow.size() - std::size_t(removed) != std::size_t(grid_.rows())) {
            rebuild();
            return;
        }
        for (int r = firstRow; r <= lastRow; ++r)
            remove(kind, r, many);
        column.byRow.erase(column.byRow.begin() + firstRow, column.byRow.begin() + lastRow + 1);
        if (many)
            resort(kind);
    }
    notify();
}

void SerialIndex::onHeaderChanged() {
    for (int kind = 0; kind < SerialKinds; ++kind)
        if (grid_.findColumn(SerialHeaders[std::size_t(kind)]) != columns_[std::size_t(kind)]) {
            rebuild();
            return;
        }
}

// A reordering changes no cell: each row's fingerprint goes with it, and the counts stay.
void SerialIndex::onRowsPermuted(int first, const std::vector<int>& order) {
    const std::size_t count = order.size();
    permuted_ = !due_ && consistent() && first >= 0 &&
                std::size_t(first) + count <= std::size_t(grid_.rows());
    if (!permuted_)
        return;
    for (int kind = 0; kind < SerialKinds; ++kind) {
        Column& column = index_[std::size_t(kind)];
        if (!columns_[std::size_t(kind)])
            continue;
        const std::vector before(column.byRow.begin() + first,
                                 column.byRow.begin() + first + qsizetype(count));
        for (std::size_t i = 0; i < count; ++i)
            column.byRow[std::size_t(first) + i] = before[std::size_t(order[i])];
    }
}

void SerialIndex::onLayoutChanged() {
    if (!std::exchange(permuted_, false) && !due_)
        rebuild();
}

} // namespace model
