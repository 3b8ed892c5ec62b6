#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <span>

namespace model {

// The grid's texts: the header row and the data rows, each a list of one text per column. Every
// row has as many texts as the header. Row 0 is the header, row r the data row r - 1.
class GridCells {
public:
    int rows() const { return int(rows_.size()) + 1; }
    int cols() const { return int(header_.size()); }
    // Unchecked: callers keep to rows() and cols().
    const QString& cell(int row, int col) const {
        return row == 0 ? header_[col] : rows_[row - 1][col];
    }
    void setCell(int row, int col, const QString& text);
    const QList<QStringList>& dataRows() const { return rows_; }

    // At least the header row; new rows and columns are empty.
    void resize(int rows, int cols);
    // Data rows only: `at` from 1.
    void insertRows(int at, int count);
    void removeRows(int at, int count);
    void insertColumns(int at, int count);
    void removeColumns(int at, int count);
    // The column at `from` goes to position `to`; those between shift by one place.
    void moveColumn(int from, int to);
    // Row first+i becomes what row first+order[i] was.
    void permuteRows(int first, std::span<const int> order);
    // The data rows replaced, each padded to the widest of them and the header.
    void setDataRows(QList<QStringList> rows);

private:
    QStringList header_;
    QList<QStringList> rows_;
};

} // namespace model
