#include "model/serialindex.h"

#include "model/gridfollowing.h"
#include "model/gridmodel.h"

#include <algorithm>
#include <string_view>

namespace model {

namespace {

bool touchesText(const QList<int>& roles) {
    return roles.isEmpty() || roles.contains(Qt::DisplayRole) || roles.contains(Qt::EditRole);
}

} // namespace

QStringView serialKey(QStringView text) {
    return text.trimmed();
}

quint64 serialFingerprint(QStringView text) {
    const QStringView key = serialKey(text);
    if (key.isEmpty())
        return 0;
    const quint64 hash = std::hash<std::u16string_view>{}(std::u16string_view(
        reinterpret_cast<const char16_t*>(key.data()), std::size_t(key.size())));
    return hash == 0 ? 1 : hash;
}

SerialIndex::SerialIndex(const GridModel& grid, QObject* parent) : QObject(parent), grid_(grid) {
    followGrid(grid_, this, &SerialIndex::rebuild);
    rebuild();
}

void SerialIndex::setElsewhere(Elsewhere elsewhere) {
    elsewhere_ = std::move(elsewhere);
    elsewhereChanged();
}

void SerialIndex::elsewhereChanged() {
    for (int kind = 0; kind < SerialKinds; ++kind) {
        Column& column = index_[std::size_t(kind)];
        int& marked = marked_[std::size_t(kind)];
        for (auto it = column.groups.begin(); it != column.groups.end(); ++it) {
            Group& group = it.value();
            const bool elsewhere = elsewhere_ && elsewhere_(kind, it.key());
            if (elsewhere == group.elsewhere)
                continue;
            marked -= group.marked();
            group.elsewhere = elsewhere;
            marked += group.marked();
            changed_ = changed_ || group.count == 1;
        }
    }
    notify();
}

std::optional<int> SerialIndex::kindOf(int col) const {
    for (int kind = 0; kind < SerialKinds; ++kind)
        if (columns_[std::size_t(kind)] == col)
            return kind;
    return std::nullopt;
}

quint64 SerialIndex::fingerprint(int row, int col) const {
    const std::optional<int> kind = kindOf(col);
    if (!kind || row < 1)
        return 0;
    const std::vector<Entry>& entries = index_[std::size_t(*kind)].entries;
    return std::size_t(row) < entries.size() ? entries[std::size_t(row)].fingerprint : 0;
}

bool SerialIndex::marked(int row, int col) const {
    const quint64 key = fingerprint(row, col);
    if (key == 0)
        return false;
    const auto group = index_[std::size_t(*kindOf(col))].groups.constFind(key);
    return group != index_[std::size_t(*kindOf(col))].groups.cend() && group->marked() > 0;
}

bool SerialIndex::elsewhere(int row, int col) const {
    const quint64 key = fingerprint(row, col);
    return key != 0 && index_[std::size_t(*kindOf(col))].groups.value(key).elsewhere;
}

std::vector<int> SerialIndex::otherRows(int row, int col) const {
    const quint64 key = fingerprint(row, col);
    if (key == 0)
        return {};
    const Column& column = index_[std::size_t(*kindOf(col))];
    std::vector<int> rows;
    for (int r = column.groups.value(key).head; r >= 0; r = column.entries[std::size_t(r)].next)
        if (r != row)
            rows.push_back(r);
    std::sort(rows.begin(), rows.end());
    return rows;
}

void SerialIndex::rebuild() {
    for (int kind = 0; kind < SerialKinds; ++kind) {
        const std::optional<int> col = grid_.findColumn(SerialHeaders[std::size_t(kind)]);
        columns_[std::size_t(kind)] = col;
        Column& column = index_[std::size_t(kind)];
        column.groups.clear();
        if (col)
            column.groups.reserve(grid_.rows());
        column.entries.assign(col ? std::size_t(grid_.rows()) : 0, Entry{});
        marked_[std::size_t(kind)] = 0;
        if (col)
            for (int r = 1; r < grid_.rows(); ++r)
                add(kind, r);
    }
    changed_ = true;
    notify();
}

void SerialIndex::add(int kind, int row) {
    Column& column = index_[std::size_t(kind)];
    Entry& entry = column.entries[std::size_t(row)];
    entry = {serialFingerprint(grid_.cell(row, *columns_[std::size_t(kind)])), -1, -1};
    if (entry.fingerprint == 0)
        return;
    auto found = column.groups.find(entry.fingerprint);
    if (found == column.groups.end())
        found = column.groups.insert(
            entry.fingerprint, Group{-1, 0, elsewhere_ && elsewhere_(kind, entry.fingerprint)});
    Group& group = found.value();
    const int before = group.marked();
    entry.next = group.head;
    if (group.head >= 0)
        column.entries[std::size_t(group.head)].prev = row;
    group.head = row;
    ++group.count;
    marked_[std::size_t(kind)] += group.marked() - before;
    changed_ = changed_ || group.marked() != before;
}

void SerialIndex::remove(int kind, int row) {
    Column& column = index_[std::size_t(kind)];
    Entry& entry = column.entries[std::size_t(row)];
    const auto found = column.groups.find(entry.fingerprint);
    if (entry.fingerprint == 0 || found == column.groups.end())
        return;
    Group& group = found.value();
    const int before = group.marked();
    if (entry.prev >= 0)
        column.entries[std::size_t(entry.prev)].next = entry.next;
    else
        group.head = entry.next;
    if (entry.next >= 0)
        column.entries[std::size_t(entry.next)].prev = entry.prev;
    --group.count;
    marked_[std::size_t(kind)] += group.marked() - before;
    changed_ = changed_ || group.marked() != before;
    if (group.count == 0)
        column.groups.erase(found);
    entry = {};
}

bool SerialIndex::consistent() const {
    for (int kind = 0; kind < SerialKinds; ++kind)
        if (columns_[std::size_t(kind)] &&
            index_[std::size_t(kind)].entries.size() != std::size_t(grid_.rows()))
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
    if (!touchesText(roles))
        return;
    if (!consistent()) {
        rebuild();
        return;
    }
    const int first = std::max(firstRow, 1);
    const int last = std::min(lastRow, grid_.rows() - 1);
    for (int kind = 0; kind < SerialKinds; ++kind) {
        const std::optional<int> col = columns_[std::size_t(kind)];
        if (!col || *col < firstCol || *col > lastCol)
            continue;
        // Each row leaves its old group by the fingerprint kept, then joins its new one.
        for (int r = first; r <= last; ++r) {
            remove(kind, r);
            add(kind, r);
        }
    }
    notify();
}

template <typename Moved> void SerialIndex::relink(Column& column, Moved&& moved) {
    for (Entry& entry : column.entries) {
        if (entry.next >= 0)
            entry.next = moved(entry.next);
        if (entry.prev >= 0)
            entry.prev = moved(entry.prev);
    }
    for (Group& group : column.groups)
        group.head = moved(group.head);
}

void SerialIndex::onRowsInserted(int firstRow, int lastRow) {
    const int added = lastRow - firstRow + 1;
    for (int kind = 0; kind < SerialKinds; ++kind) {
        Column& column = index_[std::size_t(kind)];
        if (!columns_[std::size_t(kind)])
            continue;
        if (firstRow < 1 || std::size_t(firstRow) > column.entries.size() ||
            column.entries.size() + std::size_t(added) != std::size_t(grid_.rows())) {
            rebuild();
            return;
        }
        // Rows added at the end move no other row.
        if (std::size_t(firstRow) < column.entries.size())
            relink(column, [&](int r) { return r >= firstRow ? r + added : r; });
        column.entries.insert(column.entries.begin() + firstRow, std::size_t(added), Entry{});
        for (int r = firstRow; r <= lastRow; ++r)
            add(kind, r);
    }
    notify();
}

void SerialIndex::onRowsRemoved(int firstRow, int lastRow) {
    const int removed = lastRow - firstRow + 1;
    for (int kind = 0; kind < SerialKinds; ++kind) {
        Column& column = index_[std::size_t(kind)];
        if (!columns_[std::size_t(kind)])
            continue;
        if (firstRow < 1 || std::size_t(lastRow) >= column.entries.size() ||
            column.entries.size() - std::size_t(removed) != std::size_t(grid_.rows())) {
            rebuild();
            return;
        }
        for (int r = firstRow; r <= lastRow; ++r)
            remove(kind, r);
        column.entries.erase(column.entries.begin() + firstRow,
                             column.entries.begin() + lastRow + 1);
        if (std::size_t(firstRow) < column.entries.size())
            relink(column, [&](int r) { return r > lastRow ? r - removed : r; });
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

// A reordering changes no cell: each row's entry goes with it, and the marks stay.
void SerialIndex::onRowsPermuted(int first, const std::vector<int>& order) {
    const std::size_t count = order.size();
    permuted_ =
        consistent() && first >= 0 && std::size_t(first) + count <= std::size_t(grid_.rows());
    if (!permuted_)
        return;
    // Row first+order[i] became row first+i.
    std::vector<int> became(count);
    for (std::size_t i = 0; i < count; ++i)
        became[std::size_t(order[i])] = first + int(i);
    for (int kind = 0; kind < SerialKinds; ++kind) {
        Column& column = index_[std::size_t(kind)];
        if (!columns_[std::size_t(kind)])
            continue;
        const std::vector before(column.entries.begin() + first,
                                 column.entries.begin() + first + qsizetype(count));
        for (std::size_t i = 0; i < count; ++i)
            column.entries[std::size_t(first) + i] = before[std::size_t(order[i])];
        relink(column, [&](int r) {
            return r >= first && std::size_t(r - first) < count ? became[std::size_t(r - first)]
                                                                : r;
        });
    }
}

void SerialIndex::onLayoutChanged() {
    if (!std::exchange(permuted_, false))
        rebuild();
}

} // namespace model
