#include "model/serialrepeats.h"

#include "model/gridmodel.h"

#include <string_view>

namespace model {

quint64 serialFingerprint(QStringView text) {
    const QStringView key = text.trimmed();
    if (key.isEmpty())
        return 0;
    const quint64 hash =
        std::hash<std::u16string_view>{}(std::u16string_view(key.utf16(), std::size_t(key.size())));
    return hash == 0 ? 1 : hash;
}

SerialRepeats::SerialRepeats(const GridModel& grid) {
    for (int kind = 0; kind < SerialKinds; ++kind)
        recount(grid, kind);
}

void SerialRepeats::recount(const GridModel& grid, int kind) {
    const std::optional<int> col = grid.findColumn(SerialHeaders[std::size_t(kind)]);
    columns_[std::size_t(kind)] = col;
    Column& column = numbers_[std::size_t(kind)];
    column = {};
    if (!col)
        return;
    column.byRow.resize(std::size_t(grid.rowCount()));
    column.holding.reserve(grid.rowCount());
    for (int r = 0; r < grid.rowCount(); ++r) {
        const quint64 key = serialFingerprint(grid.cell(r, *col));
        column.byRow[std::size_t(r)] = key;
        if (key != 0)
            ++column.holding[key];
    }
    for (const int holding : std::as_const(column.holding))
        column.marked += holding > 1 ? holding : 0;
}

std::optional<int> SerialRepeats::kindOf(int col) const {
    for (int kind = 0; kind < SerialKinds; ++kind)
        if (columns_[std::size_t(kind)] == col)
            return kind;
    return std::nullopt;
}

quint64 SerialRepeats::fingerprint(int row, int col) const {
    const std::optional<int> kind = kindOf(col);
    if (!kind || row < 0)
        return 0;
    const std::vector<quint64>& byRow = numbers_[std::size_t(*kind)].byRow;
    return std::size_t(row) < byRow.size() ? byRow[std::size_t(row)] : 0;
}

bool SerialRepeats::marked(int row, int col) const {
    const quint64 key = fingerprint(row, col);
    return key != 0 && numbers_[std::size_t(*kindOf(col))].holding.value(key) > 1;
}

std::vector<int> SerialRepeats::otherRows(int row, int col) const {
    if (!marked(row, col))
        return {};
    const quint64 key = fingerprint(row, col);
    const std::vector<quint64>& byRow = numbers_[std::size_t(*kindOf(col))].byRow;
    std::vector<int> rows;
    for (std::size_t r = 0; r < byRow.size(); ++r)
        if (byRow[r] == key && int(r) != row)
            rows.push_back(int(r));
    return rows;
}

} // namespace model
