#pragma once

#include "editing/valueindex.h"

#include <QObject>
#include <QStringList>
#include <optional>
#include <vector>

class QModelIndex;

namespace model {
class GridModel;
} // namespace model

namespace editing {

// The values of the grid's column captioned `caption`, wherever it stands, counted for
// completion (a ValueIndex) and kept up to date as the grid changes: a stored cell, rows added,
// removed or sorted change the counts of the rows concerned only. What changes the columns or
// their captions, or the whole grid, has the column found and counted anew at the next question.
class ColumnValues : public QObject {
    Q_OBJECT
public:
    ColumnValues(const model::GridModel& grid, QString caption, QObject* parent = nullptr);

    const QString& caption() const { return caption_; }
    // The column that has the caption now; none when no column or more than one has it.
    std::optional<int> column() const;
    // The most frequent value beginning with `typed`, the cell of `row` not counted (the one
    // being typed into); none when no value matches.
    std::optional<QString> proposal(QStringView typed, int row) const;
    // The values beginning with `typed`, most frequent first, at most `limit`.
    QStringList matches(QStringView typed, int row, int limit) const;
    // The index as the grid stands.
    const ValueIndex& index() const;

private:
    void markStale() { stale_ = true; }
    void refresh() const;
    ValueIndex::Id idOfRow(int row) const;
    void storeRow(int row);
    void cellsChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight,
                      const QList<int>& roles);
    void rowsInserted(int first, int last);
    void rowsRemoved(int first, int last);
    void rowsPermuted(int first, const std::vector<int>& order);

    const model::GridModel& grid_;
    QString caption_;
    // Worked out lazily, hence mutable: the grid's changes only mark a rebuild as due.
    mutable bool stale_ = true;
    mutable std::optional<int> column_;
    mutable ValueIndex index_;
    // The id of each grid row's value (row 0, the header, holds None).
    mutable std::vector<ValueIndex::Id> rowIds_;
};

} // namespace editing
