#include "model/gridmodel.h"

#include "core/journalcolumns.h"
#include "model/sortorder.h"

#include <QStringList>
#include <algorithm>
#include <numeric>

namespace model {

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
    cells_.resize(rows, cols);
    columns_.resize(std::size_t(cols));
    rowHeights_.resize(std::size_t(rows), AutoSize);
}

QList<QString> GridModel::texts(int row, int rowCount, int col, int colCount) const {
    QList<QString> texts;
    texts.reserve(qsizetype(rowCount) * colCount);
    for (int r = row; r < row + rowCount; ++r)
        for (int c = col; c < col + colCount; ++c)
            texts.append(cell(r, c));
    return texts;
}

void GridModel::fillCells(int row, int rowCount, int col, int colCount,
                          const QList<QString>& texts) {
    for (int r = 0; r < rowCount; ++r)
        for (int c = 0; c < colCount; ++c)
            storeText(row + r, col + c, texts[qsizetype(r) * colCount + c]);
}

void GridModel::storeText(int row, int col, const QString& text) {
    cells_.setCell(row, col, text);
}

void GridModel::applyOrder(int first, std::span<const int> order) {
    cells_.permuteRows(first, order);
    std::vector<int> heights(order.size());
    for (std::size_t i = 0; i < order.size(); ++i)
        heights[i] = rowHeights_[std::size_t(first + order[i])];
    std::copy(heights.begin(), heights.end(), rowHeights_.begin() + first);
}

// Keeps the current cell and the selection inside a grid that has just been made smaller.
// LeaveCell is raised while the old current cell still exists.
void GridModel::clampCursor() {
    const int row = std::min(row_, rows() - 1);
    const int col = std::min(col_, cols() - 1);
    rowSel_ = std::min(rowSel_, rows() - 1);
    colSel_ = std::min(colSel_, cols() - 1);
    if (row != row_ || col != col_) {
        row_ = row;
        col_ = col;
        rowSel_ = row;
        colSel_ = col;
        Q_EMIT currentCellChanged();
    }
    topRow_ = std::clamp(topRow_, 1, std::max(1, rows() - 1));
    Q_EMIT selectionChanged();
}

bool GridModel::setRows(int rows) {
    if (rows < 1)
        return false;
    const int had = this->rows();
    if (rows == had)
        return true;
    if (rows > had) {
        if (log_)
            record(GridChange::of(GridChange::InsertRows, had, 0, rows - had));
        beginInsertRows({}, had - 1, rows - 2);
        resizeStorage(rows, cols());
        endInsertRows();
        return true;
    }
    if (row_ >= rows)
        Q_EMIT leaveCell();
    if (log_) {
        GridChange removed = GridChange::of(GridChange::RemoveRows, rows, 0, had - rows);
        removed.cells = texts(rows, had - rows, 0, cols());
        removed.heights.assign(rowHeights_.begin() + rows, rowHeights_.end());
        record(std::move(removed));
    }
    beginRemoveRows({}, rows - 1, had - 2);
    resizeStorage(rows, cols());
    endRemoveRows();
    clampCursor();
    return true;
}

bool GridModel::setCols(int cols) {
    if (cols < 1)
        return false;
    const int had = this->cols();
    if (cols == had)
        return true;
    if (cols > had) {
        if (log_)
            record(GridChange::of(GridChange::InsertColumns, 0, had, cols - had));
        beginInsertColumns({}, had, cols - 1);
        resizeStorage(rows(), cols);
        endInsertColumns();
    } else {
        if (col_ >= cols)
            Q_EMIT leaveCell();
        if (log_) {
            GridChange removed = GridChange::of(GridChange::RemoveColumns, 0, cols, had - cols);
            removed.cells = texts(0, rows(), cols, had - cols);
            removed.formats.assign(columns_.begin() + cols, columns_.end());
            record(std::move(removed));
        }
        beginRemoveColumns({}, cols, had - 1);
        resizeStorage(rows(), cols);
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
    return hasRow(row) && hasCol(col) ? cell(row, col) : QString();
}

bool GridModel::setTextMatrix(int row, int col, const QString& text) {
    if (!hasRow(row) || !hasCol(col))
        return false;
    if (cell(row, col) == text)
        return true;
    GridChange change = GridChange::of(GridChange::Text, row, col);
    if (log_)
        change.before = cell(row, col);
    storeText(row, col, text);
    if (log_) {
        change.after = text;
        record(std::move(change));
    }
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
    const std::vector<core::FormatSection> sections = core::parseFormat(format);
    setCols(int(sections.size()));
    for (int c = 0; c < cols(); ++c) {
        const core::FormatSection& section = sections[std::size_t(c)];
        columns_[std::size_t(c)] = Column{AutoSize, section.centred, section.caption};
        storeText(0, c, section.caption);
    }
    Q_EMIT headerDataChanged(Qt::Horizontal, 0, cols() - 1);
    if (rows() > 1)
        Q_EMIT dataChanged(createIndex(0, 0), createIndex(rows() - 2, cols() - 1),
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
    cells_.moveColumn(col, position);
    rotateOne(columns_.begin() + first, columns_.begin() + last + 1, rightwards);
    endMoveColumns();
    Q_EMIT headerDataChanged(Qt::Horizontal, first, last);
    Q_EMIT columnLayoutChanged();
    return true;
}

void GridModel::addItem(const QString& tabSeparated) {
    const int newRow = rows();
    beginInsertRows({}, newRow - 1, newRow - 1);
    resizeStorage(newRow + 1, cols());
    const QStringList pieces = tabSeparated.split(QLatin1Char('\t'));
    for (int c = 0; c < cols() && c < pieces.size(); ++c)
        storeText(newRow, c, pieces[c]);
    if (log_) {
        GridChange inserted = GridChange::of(GridChange::InsertRows, newRow, 0, 1);
        inserted.cells = texts(newRow, 1, 0, cols());
        record(std::move(inserted));
    }
    endInsertRows();
}

bool GridModel::removeItem(int row) {
    if (row < 1 || row >= rows())
        return false;
    if (row_ == rows() - 1)
        Q_EMIT leaveCell();
    if (log_) {
        GridChange removed = GridChange::of(GridChange::RemoveRows, row, 0, 1);
        removed.cells = texts(row, 1, 0, cols());
        removed.heights = {rowHeights_[std::size_t(row)]};
        record(std::move(removed));
    }
    beginRemoveRows({}, row - 1, row - 1);
    cells_.removeRows(row, 1);
    rowHeights_.erase(rowHeights_.begin() + row);
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
    if ((how != 1 && how != 2) || rows() <= 2)
        return;
    int firstRow = std::min(row_, rowSel_);
    int lastRow = std::max(row_, rowSel_);
    if (firstRow == lastRow) {
        firstRow = 1;
        lastRow = rows() - 1;
    }
    firstRow = std::max(firstRow, 1);
    const int firstCol = std::min(col_, colSel_);
    const int keyCols = std::max(col_, colSel_) - firstCol + 1;
    const int count = lastRow - firstRow + 1;
    if (count < 2)
        return;

    std::vector<QString> keyTexts;
    keyTexts.reserve(std::size_t(count) * std::size_t(keyCols));
    for (int r = firstRow; r <= lastRow; ++r)
        for (int c = 0; c < keyCols; ++c)
            keyTexts.push_back(cell(r, firstCol + c));
    const std::vector<int> order = SortOrder(keyTexts, keyCols, sortKeyMaker_, how == 2).order();
    if (log_) {
        GridChange sorted = GridChange::of(GridChange::SortRows, firstRow);
        sorted.order = order;
        record(std::move(sorted));
    }

    Q_EMIT layoutAboutToBeChanged();
    applyOrder(firstRow, order);
    Q_EMIT layoutChanged();
}

bool GridModel::setTopRow(int row) {
    if (!hasRow(row))
        return false;
    // Row 0 lies in the fixed area: scrolling to it means scrolling to the first data row.
    topRow_ = std::clamp(row, 1, std::max(1, rows() - 1));
    Q_EMIT topRowChanged(topRow_);
    return true;
}

bool GridModel::replaceCells(int rows, int cols, const QList<QString>& texts) {
    if (rows < 1 || cols < 1 || texts.size() != qsizetype(rows) * cols)
        return false;
    QList<QStringList> dataRows;
    dataRows.reserve(rows - 1);
    for (int r = 1; r < rows; ++r)
        dataRows.append(texts.mid(qsizetype(r) * cols, cols));
    record(GridChange::of(GridChange::Reset));
    if (row_ >= rows || col_ >= cols)
        Q_EMIT leaveCell();
    beginResetModel();
    cells_.resize(1, cols);
    cells_.setDataRows(std::move(dataRows));
    for (int c = 0; c < cols; ++c)
        cells_.setCell(0, c, texts[c]);
    resetLayout();
    return true;
}

void GridModel::replaceDataRows(QList<QStringList> rows) {
    record(GridChange::of(GridChange::Reset));
    if (row_ > rows.size())
        Q_EMIT leaveCell();
    beginResetModel();
    cells_.setDataRows(std::move(rows));
    resetLayout();
}

// After the cells were replaced: the columns the grid gained get the default format.
void GridModel::resetLayout() {
    columns_.resize(std::size_t(cols()));
    rowHeights_.assign(std::size_t(rows()), AutoSize);
    endResetModel();
    clampCursor();
    Q_EMIT columnLayoutChanged();
}

std::optional<int> GridModel::findColumn(QStringView caption) const {
    std::optional<int> found;
    for (int c = 0; c < cols(); ++c) {
        if (QStringView(cell(0, c)).trimmed() != caption)
            continue;
        if (found)
            return std::nullopt;
        found = c;
    }
    return found;
}

int GridModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : rows() - 1;
}

int GridModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : cols();
}

QVariant GridModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() + 1 >= rows() || index.column() >= cols())
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
    if (orientation != Qt::Horizontal || section < 0 || section >= cols())
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

QString columnLabel(const GridModel& grid, int col) {
    const QString number = QString::number(col + 1);
    const QString caption = grid.cell(0, col).trimmed();
    return caption.isEmpty() ? number
                             : number + QStringLiteral(" («") + caption + QStringLiteral("»)");
}

} // namespace model
