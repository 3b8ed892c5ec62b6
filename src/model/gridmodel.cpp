#include "model/gridmodel.h"

#include "core/journalformat.h"

#include <QHash>
#include <QScopedValueRollback>
#include <algorithm>
#include <memory>
#include <numeric>

namespace model {

namespace {

constexpr int InitialRows = 1;
constexpr int InitialCols = 8;

QStringList emptyRow(int cols) {
    return QStringList(cols, QString());
}

SortKey genericSortKey(const QString& text) {
    bool isNumber = false;
    const double number = text.toDouble(&isNumber);
    if (isNumber)
        return SortKey{0, number, {}, {}};
    return SortKey{1, 0, text, {}};
}

// The order in which a sort by `column` puts the rows: row order[i] goes to position i.
// Descending is the exact reverse order of the keys; rows with equal keys keep their order
// either way.
//
// A journal column repeats its texts (owners, models, mechanics, dates), so each distinct text is
// keyed once (a collation key costs far more than a comparison).
std::vector<int> sortOrder(const QList<QStringList>& rows, int column, const SortKeyMaker& keyMaker,
                           bool descending) {
    // Each row's distinct text, each distinct text's key.
    QHash<QString, int> distinctIndex;
    std::vector<SortKey> keys;
    std::vector<int> rowDistinct(std::size_t(rows.size()));
    for (std::size_t row = 0; row < rowDistinct.size(); ++row) {
        const QString& text = rows[qsizetype(row)][column];
        auto known = distinctIndex.constFind(text);
        if (known == distinctIndex.cend()) {
            known = distinctIndex.insert(text, int(keys.size()));
            keys.push_back(keyMaker(text));
        }
        rowDistinct[row] = *known;
    }
    // The rank of each distinct text: equal keys share one, and ranks rise with the keys.
    std::vector<int> byKey(keys.size());
    std::iota(byKey.begin(), byKey.end(), 0);
    std::sort(byKey.begin(), byKey.end(), [&](int a, int b) {
        return compareSortKeys(keys[std::size_t(a)], keys[std::size_t(b)]) < 0;
    });
    std::vector<int> rank(keys.size());
    int current = 0;
    for (std::size_t i = 0; i < byKey.size(); ++i) {
        if (i > 0 &&
            compareSortKeys(keys[std::size_t(byKey[i - 1])], keys[std::size_t(byKey[i])]) < 0)
            ++current;
        rank[std::size_t(byKey[i])] = current;
    }
    std::vector<int> order(rowDistinct.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
        const int ra = rank[std::size_t(rowDistinct[std::size_t(a)])];
        const int rb = rank[std::size_t(rowDistinct[std::size_t(b)])];
        return descending ? ra > rb : ra < rb;
    });
    return order;
}

// Row after row, the texts of a block of cells.
QList<QString> blockTexts(const QList<QStringList>& rows, int row, int rowCount, int col,
                          int colCount) {
    QList<QString> texts;
    texts.reserve(qsizetype(rowCount) * colCount);
    for (int r = row; r < row + rowCount; ++r)
        for (int c = col; c < col + colCount; ++c)
            texts.append(rows[r][c]);
    return texts;
}

// The order that takes the rows of `order` back: row order[i] went to row i.
std::vector<int> inverseOrder(const std::vector<int>& order) {
    std::vector<int> back(order.size());
    for (std::size_t i = 0; i < order.size(); ++i)
        back[std::size_t(order[i])] = int(i);
    return back;
}

QVariant alignment(bool centred) {
    return centred ? QVariant(Qt::AlignCenter) : QVariant(Qt::AlignLeft | Qt::AlignVCenter);
}

} // namespace

int compareSortKeys(const SortKey& a, const SortKey& b) {
    if (a.rank != b.rank)
        return a.rank < b.rank ? -1 : 1;
    if (a.number != b.number)
        return a.number < b.number ? -1 : 1;
    if (a.collated && b.collated)
        return a.collated->compare(*b.collated);
    return a.text.compare(b.text);
}

GridModel::GridModel(QObject* parent) : QAbstractTableModel(parent) {
    captions_.resize(InitialCols);
    columns_.resize(InitialCols);
    rows_.fill(emptyRow(InitialCols), InitialRows);
    sortKeyMaker_ = &genericSortKey;
}

QString GridModel::text(int row, int col) const {
    return hasRow(row) && hasCol(col) ? cell(row, col) : QString();
}

bool GridModel::setText(int row, int col, const QString& text) {
    if (!hasRow(row) || !hasCol(col))
        return false;
    QString& stored = rows_[row][col];
    if (stored == text)
        return true;
    if (log_)
        record({.undo = [this, row, col, before = stored] { setText(row, col, before); },
                .redo = [this, row, col, text] { setText(row, col, text); }});
    stored = text;
    const QModelIndex changed = index(row, col);
    Q_EMIT dataChanged(changed, changed, {Qt::DisplayRole, Qt::EditRole});
    return true;
}

QString GridModel::caption(int col) const {
    return hasCol(col) ? captions_[col] : QString();
}

bool GridModel::setCaption(int col, const QString& caption) {
    if (!hasCol(col))
        return false;
    if (captions_[col] == caption)
        return true;
    if (log_)
        record({.undo = [this, col, before = captions_[col]] { setCaption(col, before); },
                .redo = [this, col, caption] { setCaption(col, caption); }});
    captions_[col] = caption;
    Q_EMIT headerDataChanged(Qt::Horizontal, col, col);
    return true;
}

bool GridModel::setRowCount(int rows) {
    if (rows < 0)
        return false;
    const int had = rowCount();
    if (rows > had)
        return insertRows(had, rows - had);
    if (rows < had)
        return removeRows(rows, had - rows);
    return true;
}

bool GridModel::setColumnCount(int cols) {
    if (cols < 1)
        return false;
    const int had = columnCount();
    if (cols > had)
        return insertColumns(had, cols - had);
    if (cols < had)
        return removeColumns(cols, had - cols);
    return true;
}

void GridModel::appendRow(const QStringList& texts) {
    QList<QString> cells = texts.mid(0, columnCount());
    cells.resize(columnCount());
    insertRowTexts(rowCount(), 1, cells);
}

bool GridModel::insertRowTexts(int row, int count, const QList<QString>& texts) {
    const int cols = columnCount();
    if (count <= 0 || row < 0 || row > rowCount() ||
        (!texts.isEmpty() && texts.size() != qsizetype(count) * cols))
        return false;
    if (log_)
        record({.undo = [this, row, count] { removeRows(row, count); },
                .redo = [this, row, count, texts] { insertRowTexts(row, count, texts); }});
    beginInsertRows({}, row, row + count - 1);
    rows_.insert(row, count, emptyRow(cols));
    if (!texts.isEmpty())
        for (int r = 0; r < count; ++r)
            rows_[row + r] = texts.mid(qsizetype(r) * cols, cols);
    endInsertRows();
    return true;
}

bool GridModel::insertRows(int row, int count, const QModelIndex& parent) {
    return !parent.isValid() && insertRowTexts(row, count, {});
}

bool GridModel::removeRows(int row, int count, const QModelIndex& parent) {
    if (parent.isValid() || count <= 0 || row < 0 || row + count > rowCount())
        return false;
    if (log_)
        record({.undo =
                    [this, row, count, cells = blockTexts(rows_, row, count, 0, columnCount())] {
                        insertRowTexts(row, count, cells);
                    },
                .redo = [this, row, count] { removeRows(row, count); }});
    beginRemoveRows({}, row, row + count - 1);
    rows_.remove(row, count);
    endRemoveRows();
    return true;
}

bool GridModel::insertColumns(int col, int count, const QModelIndex& parent) {
    if (parent.isValid() || count <= 0 || col < 0 || col > columnCount())
        return false;
    record({.undo = [this, col, count] { removeColumns(col, count); },
            .redo = [this, col, count] { insertColumns(col, count); }});
    insertColumnsAt(col, count, {}, {}, {});
    return true;
}

bool GridModel::removeColumns(int col, int count, const QModelIndex& parent) {
    if (parent.isValid() || count <= 0 || col < 0 || col + count > columnCount() ||
        count == columnCount())
        return false;
    if (log_)
        record(
            {.undo =
                 [this, col, count, captions = captions_.mid(col, count),
                  cells = blockTexts(rows_, 0, rowCount(), col, count),
                  formats = std::vector(columns_.begin() + col, columns_.begin() + col + count)] {
                     insertColumnsAt(col, count, captions, cells, formats);
                 },
             .redo = [this, col, count] { removeColumns(col, count); }});
    beginRemoveColumns({}, col, col + count - 1);
    captions_.remove(col, count);
    for (QStringList& row : rows_)
        row.remove(col, count);
    columns_.erase(columns_.begin() + col, columns_.begin() + col + count);
    endRemoveColumns();
    Q_EMIT columnLayoutChanged();
    return true;
}

void GridModel::insertColumnsAt(int at, int count, const QStringList& captions,
                                const QList<QString>& cells,
                                const std::vector<ColumnFormat>& formats) {
    beginInsertColumns({}, at, at + count - 1);
    captions_.insert(at, count, QString());
    if (captions.size() == count)
        for (int c = 0; c < count; ++c)
            captions_[at + c] = captions[c];
    const bool filled = cells.size() == qsizetype(rowCount()) * count;
    for (int r = 0; r < rowCount(); ++r) {
        rows_[r].insert(at, count, QString());
        if (filled)
            for (int c = 0; c < count; ++c)
                rows_[r][at + c] = cells[qsizetype(r) * count + c];
    }
    if (formats.size() == std::size_t(count))
        columns_.insert(columns_.begin() + at, formats.begin(), formats.end());
    else
        columns_.insert(columns_.begin() + at, std::size_t(count), ColumnFormat{});
    endInsertColumns();
    Q_EMIT columnLayoutChanged();
}

bool GridModel::moveColumnTo(int col, int position) {
    if (!hasCol(col) || !hasCol(position))
        return false;
    if (col == position)
        return true;
    record({.undo = [this, col, position] { moveColumnTo(position, col); },
            .redo = [this, col, position] { moveColumnTo(col, position); }});
    beginMoveColumns({}, col, col, {}, col < position ? position + 1 : position);
    captions_.move(col, position);
    for (QStringList& row : rows_)
        row.move(col, position);
    const ColumnFormat moved = columns_[std::size_t(col)];
    columns_.erase(columns_.begin() + col);
    columns_.insert(columns_.begin() + position, moved);
    endMoveColumns();
    Q_EMIT columnLayoutChanged();
    return true;
}

void GridModel::setHeaderFormat(const QString& format) {
    record({}); // a new layout: nothing before it can be undone
    const std::vector<core::FormatSection> sections = core::parseFormat(format);
    setColumnCount(int(sections.size()));
    for (int c = 0; c < columnCount(); ++c) {
        const core::FormatSection& section = sections[std::size_t(c)];
        columns_[std::size_t(c)] = ColumnFormat{section.centred, section.caption};
        captions_[c] = section.caption;
    }
    Q_EMIT headerDataChanged(Qt::Horizontal, 0, columnCount() - 1);
    if (rowCount() > 0)
        Q_EMIT dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1),
                           {Qt::TextAlignmentRole});
    Q_EMIT columnLayoutChanged();
}

bool GridModel::isCentred(int col) const {
    return hasCol(col) && columns_[std::size_t(col)].centred;
}

QString GridModel::columnWidthText(int col) const {
    return hasCol(col) ? columns_[std::size_t(col)].widthText : QString();
}

void GridModel::sort(int column, Qt::SortOrder order) {
    if (!hasCol(column) || rowCount() < 2)
        return;
    // Shared by the undo and the redo: a large register's order is kept once.
    const auto sorted = std::make_shared<const std::vector<int>>(
        sortOrder(rows_, column, sortKeyMaker_, order == Qt::DescendingOrder));
    if (log_)
        record({.undo = [this, sorted] { permuteRows(inverseOrder(*sorted)); },
                .redo = [this, sorted] { permuteRows(*sorted); }});
    permuteRows(*sorted);
}

void GridModel::permuteRows(const std::vector<int>& order) {
    Q_EMIT layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    const QModelIndexList before = persistentIndexList();
    std::vector<int> newRowOf(order.size());
    QList<QStringList> reordered;
    reordered.reserve(rowCount());
    for (std::size_t i = 0; i < order.size(); ++i) {
        reordered.append(rows_[order[i]]);
        newRowOf[std::size_t(order[i])] = int(i);
    }
    rows_ = std::move(reordered);
    QModelIndexList after;
    after.reserve(before.size());
    for (const QModelIndex& index : before)
        after.append(this->index(newRowOf[std::size_t(index.row())], index.column()));
    changePersistentIndexList(before, after);
    Q_EMIT layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

bool GridModel::replaceCells(QStringList captions, QList<QStringList> rows) {
    if (captions.isEmpty())
        return false;
    record({}); // a new table: nothing before it can be undone
    beginResetModel();
    qsizetype cols = captions.size();
    for (const QStringList& row : rows)
        cols = std::max(cols, row.size());
    captions.resize(cols);
    for (QStringList& row : rows)
        if (row.size() != cols)
            row.resize(cols);
    captions_ = std::move(captions);
    rows_ = std::move(rows);
    columns_.resize(std::size_t(cols));
    endResetModel();
    Q_EMIT columnLayoutChanged();
    return true;
}

void GridModel::replaceDataRows(QList<QStringList> rows) {
    replaceCells(captions_, std::move(rows));
}

void GridModel::replay(const std::function<void()>& step) {
    // Undoing and redoing are changes the grid makes on its own behalf: they are not recorded.
    const QScopedValueRollback<std::vector<GridChange>*> quiet(log_, nullptr);
    if (step)
        step();
}

std::optional<int> GridModel::findColumn(QStringView caption) const {
    std::optional<int> found;
    for (int c = 0; c < columnCount(); ++c) {
        if (QStringView(captions_[c]).trimmed() != caption)
            continue;
        if (found)
            return std::nullopt;
        found = c;
    }
    return found;
}

int GridModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(rows_.size());
}

int GridModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(captions_.size());
}

QVariant GridModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || !hasRow(index.row()) || !hasCol(index.column()))
        return {};
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        return cell(index.row(), index.column());
    case Qt::TextAlignmentRole:
        return alignment(isCentred(index.column()));
    default:
        return {};
    }
}

bool GridModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    return role == Qt::EditRole && index.isValid() &&
           setText(index.row(), index.column(), value.toString());
}

Qt::ItemFlags GridModel::flags(const QModelIndex& index) const {
    const Qt::ItemFlags flags = QAbstractTableModel::flags(index);
    return index.isValid() ? flags | Qt::ItemIsEditable : flags;
}

QVariant GridModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || !hasCol(section))
        return {};
    switch (role) {
    case Qt::DisplayRole: {
        // Trailing blanks widen a column through its format; drawn, they would push a centred
        // caption off centre.
        QString caption = captions_[section];
        while (caption.endsWith(QLatin1Char(' ')))
            caption.chop(1);
        return caption;
    }
    case Qt::EditRole:
        return captions_[section];
    case Qt::TextAlignmentRole:
        return alignment(isCentred(section));
    default:
        return {};
    }
}

bool GridModel::setHeaderData(int section, Qt::Orientation orientation, const QVariant& value,
                              int role) {
    return orientation == Qt::Horizontal && role == Qt::EditRole &&
           setCaption(section, value.toString());
}

QString columnLabel(const GridModel& grid, int col) {
    const QString number = QString::number(col + 1);
    const QString caption = grid.caption(col).trimmed();
    return caption.isEmpty() ? number
                             : number + QStringLiteral(" («") + caption + QStringLiteral("»)");
}

} // namespace model
