#pragma once

#include <QAbstractTableModel>
#include <QCollatorSortKey>
#include <QList>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>
#include <vector>

namespace model {

// How a cell text takes part in a sort. Keys compare by rank first, then by number, then
// by the collation key (or, without one, by the text itself).
struct SortKey {
    int rank = 0;
    double number = 0;
    QString text;
    std::optional<QCollatorSortKey> collated;
};
using SortKeyMaker = std::function<SortKey(const QString&)>;
// Below, equal or above (as a negative number, 0 or a positive one).
int compareSortKeys(const SortKey& a, const SortKey& b);

// One change to the table, as the steps that undo and redo it: never a copy of the table. A change
// without them replaced the whole table: nothing before it can be undone.
struct GridChange {
    std::function<void()> undo;
    std::function<void()> redo;
};

// The journal's units as a table of texts: row 0 is the first unit, and each column has a
// caption, served as the horizontal header data. Every row has one text per column.
//
// A position outside the table or a count below the least is refused, as Qt's models refuse
// them: setters return false and change nothing, getters give an empty text.
class GridModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit GridModel(QObject* parent = nullptr);

    // A checked read and write of a unit's cell.
    QString text(int row, int col) const;
    bool setText(int row, int col, const QString& text);
    // Unchecked access for whole-register passes that have validated their range; the reference
    // is valid until the table next changes.
    const QString& cell(int row, int col) const { return rows_[row][col]; }
    QString caption(int col) const;
    bool setCaption(int col, const QString& caption);
    const QStringList& captions() const { return captions_; }
    // The units, each with columnCount() texts: shared, not copied.
    const QList<QStringList>& dataRows() const { return rows_; }

    // Empty units are added at the end or the last ones removed.
    bool setRowCount(int rows);
    // Empty columns are added at the right or the last ones removed; one column at least stays.
    bool setColumnCount(int cols);
    // Appends one unit holding `texts` (missing ones empty, extra ones dropped).
    void appendRow(const QStringList& texts = {});
    // Inserts `count` units at `row` holding `texts` (count × columnCount() texts, row after row,
    // or none for empty units) as one change.
    bool insertRowTexts(int row, int count, const QList<QString>& texts);
    // The column at `col` goes to `position`; those between shift by one place.
    bool moveColumnTo(int col, int position);

    // The captions, centring and width texts of the columns from a header format ("<Владелец|^
    // Дата актив. |…"): the table gets one column per section.
    void setHeaderFormat(const QString& format);
    bool isCentred(int col) const;
    // The text the view measures a column's width from (its format section).
    QString columnWidthText(int col) const;

    // Sorts every unit by `column`, stably: units with equal keys keep their order either way.
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;
    // Until one is set, numbers come first, by value, then other texts.
    void setSortKeyMaker(SortKeyMaker maker) { sortKeyMaker_ = std::move(maker); }

    // Replaces the whole table in one step; the format of the columns that remain is kept.
    bool replaceCells(QStringList captions, QList<QStringList> rows);
    // Replaces the units in one step, keeping the captions; a row wider than the captions widens
    // the table (with empty captions), a narrower one is padded with empty texts.
    void replaceDataRows(QList<QStringList> rows);

    // The column whose caption, blanks at both ends aside, is `caption`; none when no column or
    // more than one has it.
    std::optional<int> findColumn(QStringView caption) const;

    // While a log is set, every change to the texts, rows, columns and their order is appended
    // to it, so that it can be undone.
    void setChangeLog(std::vector<GridChange>* log) { log_ = log; }
    // Undoes or redoes a logged change; the table must stand as it did right after (or before)
    // it. Neither is logged.
    void undoChange(const GridChange& change) { replay(change.undo); }
    void redoChange(const GridChange& change) { replay(change.redo); }

    // QAbstractTableModel.
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    bool setHeaderData(int section, Qt::Orientation orientation, const QVariant& value,
                       int role = Qt::EditRole) override;
    bool insertRows(int row, int count, const QModelIndex& parent = {}) override;
    bool removeRows(int row, int count, const QModelIndex& parent = {}) override;
    bool insertColumns(int col, int count, const QModelIndex& parent = {}) override;
    bool removeColumns(int col, int count, const QModelIndex& parent = {}) override;

Q_SIGNALS:
    void columnLayoutChanged();

private:
    // How a column is laid out: its centring, and the text its width is measured from.
    struct ColumnFormat {
        bool centred = false;
        QString widthText;
    };

    void record(GridChange change) {
        if (log_)
            log_->push_back(std::move(change));
    }
    void replay(const std::function<void()>& step);
    void insertColumnsAt(int at, int count, const QStringList& captions,
                         const QList<QString>& cells, const std::vector<ColumnFormat>& formats);
    void permuteRows(const std::vector<int>& order);

    bool hasRow(int row) const { return row >= 0 && row < rowCount(); }
    bool hasCol(int col) const { return col >= 0 && col < columnCount(); }

    QStringList captions_;
    QList<QStringList> rows_;
    std::vector<ColumnFormat> columns_;
    SortKeyMaker sortKeyMaker_;
    std::vector<GridChange>* log_ = nullptr;
};

// How a message names a column: its number from 1 and, when it has one, its caption ("8
// («Механик»)").
QString columnLabel(const GridModel& grid, int col);

} // namespace model
