#include "model/gridmodel.h"

#include "model/sortorder.h"

#include <QStringList>
#include <algorithm>
#include <numeric>

namespace {

constexpr int InitialRows = 2;
constexpr int InitialCols = 8;

template <typename Sequence> void rotateOne(Sequence begin, Sequence end, bool leftwards) {
    if (leftwards)
        std::rotate(begin, begin + 1, end);
    else
        std::rotate(begin, end - 1, end);
}

} // namespace

GridModel::GridModel(QObject* parent) : QAbstractTableModel(parent) {
    resizeStorage(InitialRows, InitialCols);
    row_ = rowSel_ = 1;
    sortKeyMaker_ = &GridModel::genericSortKey;
}

void GridModel::resizeStorage(int rows, int cols) {
    if (cols != cols_) {
        QList<QString> resized(qsizetype(rows) * cols);
        const int keepRows = std::min(rows, rows_);
        const int keepCols = std::min(cols, cols_);
        for (int r = 0; r < keepRows; ++r)
            for (int c = 0; c < keepCols; ++c)
                resized[qsizetype(r) * cols + c] = std::move(cells_[offset(r, c)]);
        cells_ = std::move(resized);
        columns_.resize(std::size_t(cols));
    } else {
        cells_.resize(qsizetype(rows) * cols);
    }
    rowHeights_.resize(std::size_t(rows), AutoSize);
    rows_ = rows;
    cols_ = cols;
}

// Keeps the current cell and the selection inside a grid that has just been made smaller.
// LeaveCell is raised while the old current cell still exists.
void GridModel::clampCursor() {
    const int row = std::min(row_, rows_ - 1);
    const int col = std::min(col_, cols_ - 1);
    rowSel_ = std::min(rowSel_, rows_ - 1);
    colSel_ = std::min(colSel_, cols_ - 1);
    if (row != row_ || col != col_) {
        row_ = row;
        col_ = col;
        rowSel_ = row;
        colSel_ = col;
        Q_EMIT currentCellChanged();
    }
    topRow_ = std::clamp(topRow_, 1, std::max(1, rows_ - 1));
    Q_EMIT selectionChanged();
}

bool GridModel::setRows(int rows) {
    if (rows < 1)
        return false;
    if (rows == rows_)
        return true;
    if (rows > rows_) {
        if (log_)
            record(GridChange::of(GridChange::InsertRows, rows_, 0, rows - rows_));
        beginInsertRows({}, rows_ - 1, rows - 2);
        resizeStorage(rows, cols_);
        endInsertRows();
        return true;
    }
    if (row_ >= rows)
        Q_EMIT leaveCell();
    if (log_) {
        GridChange removed = GridChange::of(GridChange::RemoveRows, rows, 0, rows_ - rows);
        removed.cells = cells_.mid(offset(rows, 0));
        removed.heights.assign(rowHeights_.begin() + rows, rowHeights_.end());
        record(std::move(removed));
    }
    beginRemoveRows({}, rows - 1, rows_ - 2);
    resizeStorage(rows, cols_);
    endRemoveRows();
    clampCursor();
    return true;
}

bool GridModel::setCols(int cols) {
    if (cols < 1)
        return false;
    if (cols == cols_)
        return true;
    if (cols > cols_) {
        if (log_)
            record(GridChange::of(GridChange::InsertColumns, 0, cols_, cols - cols_));
        beginInsertColumns({}, cols_, cols - 1);
        resizeStorage(rows_, cols);
        endInsertColumns();
    } else {
        if (col_ >= cols)
            Q_EMIT leaveCell();
        if (log_) {
            GridChange removed = GridChange::of(GridChange::RemoveColumns, 0, cols, cols_ - cols);
            for (int r = 0; r < rows_; ++r)
                removed.cells.append(cells_.mid(offset(r, cols), cols_ - cols));
            removed.formats.assign(columns_.begin() + cols, columns_.end());
            record(std::move(removed));
        }
        beginRemoveColumns({}, cols, cols_ - 1);
        resizeStorage(rows_, cols);
        endRemoveColumns();
        clampCursor();
    }
    Q_EMIT columnLayoutChanged();
    return true;
}

void GridModel::moveCurrent(int row, int col) {
    if (row != row_ || col != col_) {
        Q_EMIT leaveCell();
        row_ = row;
        col_ = col;
        Q_EMIT currentCellChanged();
    }
    rowSel_ = row_;
    colSel_ = col_;
    Q_EMIT selectionChanged();
}

bool GridModel::setRow(int row) {
    return setCurrentCell(row, col_);
}

bool GridModel::setCol(int col) {
    return setCurrentCell(row_, col);
}

bool GridModel::setCurrentCell(int row, int col) {
    if (!hasRow(row) || !hasCol(col))
        return false;
    moveCurrent(row, col);
    return true;
}

bool GridModel::setRowSel(int row) {
    if (!hasRow(row))
        return false;
    rowSel_ = row;
    Q_EMIT selectionChanged();
    return true;
}

bool GridModel::setColSel(int col) {
    if (!hasCol(col))
        return false;
    colSel_ = col;
    Q_EMIT selectionChanged();
    return true;
}

QString GridModel::textMatrix(int row, int col) const {
    return hasRow(row) && hasCol(col) ? cells_[offset(row, col)] : QString();
}

bool GridModel::setTextMatrix(int row, int col, const QString& text) {
    if (!hasRow(row) || !hasCol(col))
        return false;
    QString& cell = cells_[offset(row, col)];
    if (cell == text)
        return true;
    if (log_) {
        GridChange change = GridChange::of(GridChange::Text, row, col);
        change.before = cell;
        change.after = text;
        record(std::move(change));
    }
    cell = text;
    if (row == 0) {
        Q_EMIT headerDataChanged(Qt::Horizontal, col, col);
    } else {
        const QModelIndex changed = createIndex(row - 1, col);
        Q_EMIT dataChanged(changed, changed, {Qt::DisplayRole, Qt::EditRole});
    }
    return true;
}

void GridModel::setFormatString(const QString& format) {
    record(GridChange::of(GridChange::Reset));
    const QStringList sections = format.split(QLatin1Char('|'));
    setCols(int(sections.size()));
    for (int c = 0; c < cols_; ++c) {
        QString section = sections[c];
        const bool centred = section.startsWith(QLatin1Char('^'));
        if (centred)
            section.remove(0, 1);
        columns_[std::size_t(c)] = Column{AutoSize, centred, section};
        cells_[offset(0, c)] = section;
    }
    Q_EMIT headerDataChanged(Qt::Horizontal, 0, cols_ - 1);
    if (rows_ > 1)
        Q_EMIT dataChanged(createIndex(0, 0), createIndex(rows_ - 2, cols_ - 1),
                           {Qt::TextAlignmentRole});
    Q_EMIT columnLayoutChanged();
}

int GridModel::colWidth(int col) const {
    return hasCol(col) ? columns_[std::size_t(col)].widthTwips : AutoSize;
}

bool GridModel::setColWidth(int col, int twips) {
    if (!hasCol(col) || twips < 0)
        return false;
    columns_[std::size_t(col)].widthTwips = twips;
    Q_EMIT columnLayoutChanged();
    return true;
}

bool GridModel::colCentred(int col) const {
    return hasCol(col) && columns_[std::size_t(col)].centred;
}

QString GridModel::colWidthText(int col) const {
    return hasCol(col) ? columns_[std::size_t(col)].widthText : QString();
}

int GridModel::rowHeight(int row) const {
    return hasRow(row) ? rowHeights_[std::size_t(row)] : AutoSize;
}

bool GridModel::setRowHeight(int row, int twips) {
    if (!hasRow(row) || twips < 0)
        return false;
    rowHeights_[std::size_t(row)] = twips;
    Q_EMIT rowHeightChanged(row);
    return true;
}

bool GridModel::setColPosition(int col, int position) {
    if (!hasCol(col) || !hasCol(position))
        return false;
    if (col == position)
        return true;
    // Rotating each row's slice moves the column and shifts the ones between by one place.
    const int first = std::min(col, position);
    const int last = std::max(col, position);
    const bool rightwards = col < position;
    record(GridChange::of(GridChange::MoveColumn, 0, col, position));
    beginMoveColumns({}, col, col, {}, rightwards ? position + 1 : position);
    for (int r = 0; r < rows_; ++r)
        rotateOne(cells_.begin() + offset(r, first), cells_.begin() + offset(r, last) + 1,
                  rightwards);
    rotateOne(columns_.begin() + first, columns_.begin() + last + 1, rightwards);
    endMoveColumns();
    Q_EMIT headerDataChanged(Qt::Horizontal, first, last);
    Q_EMIT columnLayoutChanged();
    return true;
}

void GridModel::addItem(const QString& tabSeparated) {
    const int newRow = rows_;
    beginInsertRows({}, newRow - 1, newRow - 1);
    resizeStorage(rows_ + 1, cols_);
    const QStringList pieces = tabSeparated.split(QLatin1Char('\t'));
    for (int c = 0; c < cols_ && c < pieces.size(); ++c)
        cells_[offset(newRow, c)] = pieces[c];
    if (log_) {
        GridChange inserted = GridChange::of(GridChange::InsertRows, newRow, 0, 1);
        inserted.cells = cells_.mid(offset(newRow, 0));
        record(std::move(inserted));
    }
    endInsertRows();
}

bool GridModel::removeItem(int row) {
    if (row < 1 || row >= rows_)
        return false;
    if (row_ == rows_ - 1)
        Q_EMIT leaveCell();
    if (log_) {
        GridChange removed = GridChange::of(GridChange::RemoveRows, row, 0, 1);
        removed.cells = cells_.mid(offset(row, 0), cols_);
        removed.heights = {rowHeights_[std::size_t(row)]};
        record(std::move(removed));
    }
    beginRemoveRows({}, row - 1, row - 1);
    cells_.remove(offset(row, 0), cols_);
    rowHeights_.erase(rowHeights_.begin() + row);
    --rows_;
    endRemoveRows();
    clampCursor();
    return true;
}

SortKey GridModel::genericSortKey(const QString& text) {
    bool isNumber = false;
    const double number = text.toDouble(&isNumber);
    if (isNumber)
        return SortKey{0, number, {}, {}};
    return SortKey{1, 0, text, {}};
}

void GridModel::setSortKeyMaker(SortKeyMaker maker) {
    sortKeyMaker_ = maker ? std::move(maker) : SortKeyMaker(&GridModel::genericSortKey);
}

void GridModel::setSort(int how) {
    if (how != 1 || rows_ <= 2)
        return;
    int firstRow = std::min(row_, rowSel_);
    int lastRow = std::max(row_, rowSel_);
    if (firstRow == lastRow) {
        firstRow = 1;
        lastRow = rows_ - 1;
    }
    firstRow = std::max(firstRow, 1);
    const int firstCol = std::min(col_, colSel_);
    const int keyCols = std::max(col_, colSel_) - firstCol + 1;
    const int count = lastRow - firstRow + 1;
    if (count < 2)
        return;

    std::vector<const QString*> keyTexts;
    keyTexts.reserve(std::size_t(count) * std::size_t(keyCols));
    for (int r = firstRow; r <= lastRow; ++r)
        for (int c = 0; c < keyCols; ++c)
            keyTexts.push_back(&cells_[offset(r, firstCol + c)]);
    const std::vector<int> order = SortOrder(keyTexts, keyCols, sortKeyMaker_).order();
    if (log_) {
        GridChange sorted = GridChange::of(GridChange::SortRows, firstRow);
        sorted.order = RowOrder(order);
        record(std::move(sorted));
    }

    Q_EMIT layoutAboutToBeChanged();
    QList<QString> sorted(qsizetype(count) * cols_);
    std::vector<int> heights(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        const int from = firstRow + order[std::size_t(i)];
        std::move(cells_.begin() + offset(from, 0), cells_.begin() + offset(from, 0) + cols_,
                  sorted.begin() + qsizetype(i) * cols_);
        heights[std::size_t(i)] = rowHeights_[std::size_t(from)];
    }
    std::move(sorted.begin(), sorted.end(), cells_.begin() + offset(firstRow, 0));
    std::copy(heights.begin(), heights.end(), rowHeights_.begin() + firstRow);
    Q_EMIT layoutChanged();
}

bool GridModel::setTopRow(int row) {
    if (!hasRow(row))
        return false;
    // Row 0 lies in the fixed area: scrolling to it means scrolling to the first data row.
    topRow_ = std::clamp(row, 1, std::max(1, rows_ - 1));
    Q_EMIT topRowChanged(topRow_);
    return true;
}

bool GridModel::replaceCells(int rows, int cols, QList<QString> cells) {
    if (rows < 1 || cols < 1 || cells.size() != qsizetype(rows) * cols)
        return false;
    record(GridChange::of(GridChange::Reset));
    if (row_ >= rows || col_ >= cols)
        Q_EMIT leaveCell();
    beginResetModel();
    cells_ = std::move(cells);
    columns_.resize(std::size_t(cols));
    rowHeights_.resize(std::size_t(rows), AutoSize);
    rows_ = rows;
    cols_ = cols;
    endResetModel();
    clampCursor();
    Q_EMIT columnLayoutChanged();
    return true;
}

std::optional<int> GridModel::findColumn(QStringView caption) const {
    std::optional<int> found;
    for (int c = 0; c < cols_; ++c) {
        if (QStringView(cell(0, c)).trimmed() != caption)
            continue;
        if (found)
            return std::nullopt;
        found = c;
    }
    return found;
}

int GridModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : rows_ - 1;
}

int GridModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : cols_;
}

QVariant GridModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() + 1 >= rows_ || index.column() >= cols_)
        return {};
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        return cell(index.row() + 1, index.column());
    case Qt::TextAlignmentRole:
        return columns_[std::size_t(index.column())].centred
                   ? QVariant(Qt::AlignCenter)
                   : QVariant(Qt::AlignLeft | Qt::AlignVCenter);
    default:
        return {};
    }
}

QVariant GridModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= cols_)
        return {};
    switch (role) {
    case Qt::DisplayRole: {
        // Trailing blanks widen a column through its format; drawn, they would push a centred
        // caption off centre.
        QString caption = cell(0, section);
        while (caption.endsWith(QLatin1Char(' ')))
            caption.chop(1);
        return caption;
    }
    case Qt::TextAlignmentRole:
        return columns_[std::size_t(section)].centred ? QVariant(Qt::AlignCenter)
                                                      : QVariant(Qt::AlignLeft | Qt::AlignVCenter);
    default:
        return {};
    }
}
