#include "model/gridcells.h"

#include <algorithm>

namespace model {

namespace {

QStringList emptyRow(int cols) {
    return QStringList(cols, QString());
}

} // namespace

void GridCells::setCell(int row, int col, const QString& text) {
    if (row == 0)
        header_[col] = text;
    else
        rows_[row - 1][col] = text;
}

void GridCells::resize(int rows, int cols) {
    if (cols != this->cols()) {
        header_.resize(cols);
        for (QStringList& row : rows_)
            row.resize(cols);
    }
    if (rows - 1 < rows_.size())
        rows_.resize(rows - 1);
    while (rows_.size() < rows - 1)
        rows_.append(emptyRow(cols));
}

void GridCells::insertRows(int at, int count) {
    rows_.insert(at - 1, count, emptyRow(cols()));
}

void GridCells::removeRows(int at, int count) {
    rows_.remove(at - 1, count);
}

void GridCells::insertColumns(int at, int count) {
    header_.insert(at, count, QString());
    for (QStringList& row : rows_)
        row.insert(at, count, QString());
}

void GridCells::removeColumns(int at, int count) {
    header_.remove(at, count);
    for (QStringList& row : rows_)
        row.remove(at, count);
}

void GridCells::moveColumn(int from, int to) {
    header_.move(from, to);
    for (QStringList& row : rows_)
        row.move(from, to);
}

void GridCells::permuteRows(int first, std::span<const int> order) {
    QList<QStringList> reordered;
    reordered.reserve(qsizetype(order.size()));
    for (const int from : order)
        reordered.append(rows_[first - 1 + from]);
    std::move(reordered.begin(), reordered.end(), rows_.begin() + (first - 1));
}

void GridCells::setDataRows(QList<QStringList> rows) {
    int cols = this->cols();
    for (const QStringList& row : rows)
        cols = std::max(cols, int(row.size()));
    header_.resize(cols);
    for (QStringList& row : rows)
        if (row.size() != cols)
            row.resize(cols);
    rows_ = std::move(rows);
}

} // namespace model
