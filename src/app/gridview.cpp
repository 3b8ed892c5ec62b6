#include "app/gridview.h"

#include "app/twips.h"
#include "model/gridmodel.h"
#include "printing/fonts.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScrollBar>

namespace app {

namespace {

constexpr int ColumnPadding = 8; // pixels around the text of a column sized from its format

} // namespace

GridView::GridView(model::GridModel* model, QWidget* parent) : QTableView(parent), grid_(model) {
    setModel(model);
    setFont(printing::msSansSerif(8.25));
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::NoSelection);
    setFocusPolicy(Qt::StrongFocus);
    // A keyboard user sees where the keys go: a dark frame while the grid has the focus.
    // A keyboard user sees where the keys go: a dark frame while the grid has the focus (the
    // same width either way, so that the cells stay in place).
    setStyleSheet(QStringLiteral("QTableView { border: 2px solid rgb(192, 192, 192); }"
                                 "QTableView:focus { border: 2px solid rgb(0, 0, 160); }"));
    setWordWrap(false);
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
    verticalHeader()->setMinimumSectionSize(1);
    horizontalHeader()->setSectionsClickable(false);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setStretchLastSection(false);
    horizontalHeader()->setMinimumSectionSize(1);
    horizontalHeader()->setDefaultSectionSize(64);
    horizontalHeader()->viewport()->installEventFilter(this);
    horizontalHeader()->setStyleSheet(QStringLiteral(
        "QHeaderView::section { background-color: rgb(255, 255, 192); color: black;"
        " border: 0px; border-right: 1px solid gray; border-bottom: 1px solid gray; }"));

    // Black text on white; rows shaded by their block state keep the black text.
    QPalette colours = palette();
    colours.setColor(QPalette::Base, Qt::white);
    colours.setColor(QPalette::Text, Qt::black);
    colours.setColor(QPalette::Highlight, QColor(255, 128, 128));
    colours.setColor(QPalette::HighlightedText, QColor(192, 255, 255));
    colours.setColor(QPalette::Inactive, QPalette::Highlight, QColor(255, 128, 128));
    colours.setColor(QPalette::Inactive, QPalette::HighlightedText, QColor(192, 255, 255));
    setPalette(colours);

    connect(grid_, &model::GridModel::selectionChanged, this, &GridView::followSelection);
    connect(grid_, &model::GridModel::currentCellChanged, this, &GridView::followSelection);
    connect(grid_, &model::GridModel::topRowChanged, this, &GridView::followTopRow);
    connect(grid_, &model::GridModel::columnLayoutChanged, this, &GridView::applyColumnLayout);
    connect(grid_, &model::GridModel::modelReset, this, &GridView::followSelection);
    connect(grid_, &model::GridModel::layoutChanged, this, &GridView::followSelection);
    // Inserted, removed and moved columns carry Qt's selection with them; the grid's current cell
    // stays where it was.
    connect(grid_, &model::GridModel::columnsInserted, this, &GridView::followSelection);
    connect(grid_, &model::GridModel::columnsRemoved, this, &GridView::followSelection);
    connect(grid_, &model::GridModel::columnsMoved, this, &GridView::followSelection);
    connect(grid_, &model::GridModel::rowHeightChanged, this, [this](int row) {
        if (row == 0)
            applyHeaderHeight();
        else
            verticalHeader()->resizeSection(row - 1, twips::toPixels(this, grid_->rowHeight(row)));
    });
    // A width the user dragged stays across opens and sorts; a fresh start has the format's.
    connect(horizontalHeader(), &QHeaderView::sectionResized, this,
            [this](int column, int, int width) {
                if (applyingLayout_)
                    return;
                if (draggedWidths_.size() <= column)
                    draggedWidths_.resize(column + 1, 0);
                draggedWidths_[column] = width;
            });
    applyColumnLayout();
    applyHeaderHeight();
}

void GridView::applyColumnLayout() {
    const QFontMetrics metrics(font());
    applyingLayout_ = true;
    for (int c = 0; c < grid_->cols(); ++c) {
        const int width = grid_->colWidth(c);
        if (draggedWidths_.value(c) > 0) {
            setColumnWidth(c, draggedWidths_[c]);
        } else if (width != model::GridModel::AutoSize) {
            setColumnWidth(c, twips::toPixels(this, width));
        } else {
            const QString text = grid_->colWidthText(c);
            setColumnWidth(c, text.isEmpty() ? horizontalHeader()->defaultSectionSize()
                                             : metrics.horizontalAdvance(text) + 2 * ColumnPadding);
        }
    }
    applyingLayout_ = false;
}

QList<int> GridView::draggedWidths() const {
    return draggedWidths_;
}

void GridView::setDraggedWidths(const QList<int>& widths) {
    draggedWidths_ = widths;
    applyColumnLayout();
}

void GridView::applyHeaderHeight() {
    const int height = grid_->rowHeight(0);
    horizontalHeader()->setFixedHeight(height == model::GridModel::AutoSize
                                           ? verticalHeader()->defaultSectionSize()
                                           : twips::toPixels(this, height));
}

// Mirrors the model's current cell and selection in Qt's selection model, for painting.
void GridView::followSelection() {
    QItemSelectionModel* selection = selectionModel();
    if (!selection)
        return;
    const int top = std::max(1, std::min(grid_->row(), grid_->rowSel()));
    const int bottom = std::max(grid_->row(), grid_->rowSel());
    const int left = std::min(grid_->col(), grid_->colSel());
    const int right = std::max(grid_->col(), grid_->colSel());
    if (grid_->row() >= 1 && grid_->row() < grid_->rows() && grid_->col() < grid_->cols())
        selection->setCurrentIndex(grid_->index(grid_->row() - 1, grid_->col()),
                                   QItemSelectionModel::NoUpdate);
    if (bottom >= 1 && bottom < grid_->rows() && right < grid_->cols())
        selection->select(
            QItemSelection(grid_->index(top - 1, left), grid_->index(bottom - 1, right)),
            QItemSelectionModel::ClearAndSelect);
    else
        selection->clearSelection();
}

void GridView::followTopRow(int row) {
    if (row < 1 || row >= grid_->rows())
        return;
    scrollTo(grid_->index(row - 1, std::clamp(grid_->col(), 0, grid_->cols() - 1)),
             QAbstractItemView::PositionAtTop);
}

GridView::Cell GridView::cellAtViewport(QPoint position) const {
    const int row = rowAt(position.y());
    const int col = columnAt(position.x());
    if (row < 0 || col < 0)
        return {};
    return {row + 1, col};
}

GridView::Cell GridView::cellAtHeader(QPoint position) const {
    const int col = horizontalHeader()->logicalIndexAt(position.x());
    if (col < 0)
        return {};
    return {0, col};
}

void GridView::press(Cell cell, Qt::MouseButton button) {
    pressed_ = true;
    if (button != Qt::LeftButton)
        return;
    mouseRow_ = cell.row;
    mouseCol_ = cell.col;
    if (cell.row >= 0)
        grid_->setCurrentCell(cell.row, cell.col);
    dragging_ = true;
    onHeader_ = cell.row == 0;
}

void GridView::drag(Cell cell) {
    if (!dragging_ || cell.row < 0)
        return;
    grid_->setRowSel(cell.row);
    grid_->setColSel(cell.col);
}

void GridView::release(Cell cell) {
    if (cell.row >= 0) {
        mouseRow_ = cell.row;
        mouseCol_ = cell.col;
    }
    const bool clickedHere = dragging_;
    dragging_ = false;
    pressed_ = false;
    Q_EMIT mouseUp();
    if (clickedHere && onHeader_)
        Q_EMIT headerClicked();
    else if (clickedHere)
        Q_EMIT clicked();
}

void GridView::mousePressEvent(QMouseEvent* event) {
    setFocus(Qt::MouseFocusReason);
    press(cellAtViewport(event->position().toPoint()), event->button());
}

void GridView::mouseMoveEvent(QMouseEvent* event) {
    drag(cellAtViewport(event->position().toPoint()));
}

void GridView::mouseReleaseEvent(QMouseEvent* event) {
    release(cellAtViewport(event->position().toPoint()));
}

void GridView::mouseDoubleClickEvent(QMouseEvent* event) {
    mousePressEvent(event);
}

bool GridView::eventFilter(QObject* watched, QEvent* event) {
    if (watched != horizontalHeader()->viewport())
        return QTableView::eventFilter(watched, event);
    // The header row is a row of cells like any other: presses on it select, releases on it
    // raise MouseUp and Click. Presses on a section edge still resize the column.
    auto* mouse = dynamic_cast<QMouseEvent*>(event);
    if (!mouse)
        return QTableView::eventFilter(watched, event);
    const Cell cell = cellAtHeader(mouse->position().toPoint());
    const bool onEdge = horizontalHeader()->cursor().shape() == Qt::SplitHCursor;
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
        if (!onEdge) {
            setFocus(Qt::MouseFocusReason);
            press(cell, mouse->button());
            return true;
        }
        break;
    case QEvent::MouseMove:
        if (dragging_) {
            drag(cell);
            return true;
        }
        break;
    case QEvent::MouseButtonRelease:
        if (pressed_) {
            release(cell);
            return true;
        }
        break;
    default:
        break;
    }
    return QTableView::eventFilter(watched, event);
}

void GridView::copySelection() const {
    QStringList lines;
    for (int r = std::min(grid_->row(), grid_->rowSel());
         r <= std::max(grid_->row(), grid_->rowSel()); ++r) {
        QStringList cells;
        for (int c = std::min(grid_->col(), grid_->colSel());
             c <= std::max(grid_->col(), grid_->colSel()); ++c)
            cells << grid_->textMatrix(r, c);
        lines << cells.join(u'\t');
    }
    QGuiApplication::clipboard()->setText(lines.join(u'\n'));
}

void GridView::keyPressEvent(QKeyEvent* event) {
    if (event->matches(QKeySequence::Copy)) {
        copySelection();
        return;
    }
    if (event->matches(QKeySequence::Cut)) {
        Q_EMIT cutRequested();
        return;
    }
    if (event->matches(QKeySequence::Paste)) {
        Q_EMIT pasteRequested(QGuiApplication::clipboard()->text());
        return;
    }
    int row = grid_->row();
    int col = grid_->col();
    switch (event->key()) {
    case Qt::Key_Up:
        // Rows a filter hides are stepped over; above the first shown row is the header row.
        do
            --row;
        while (row >= 1 && isRowHidden(row - 1));
        row = std::max(0, row);
        break;
    case Qt::Key_Down: {
        int below = row + 1;
        while (below < grid_->rows() && isRowHidden(below - 1))
            ++below;
        if (below < grid_->rows())
            row = below;
        break;
    }
    case Qt::Key_Left:
        col = std::max(0, col - 1);
        break;
    case Qt::Key_Right:
        col = std::min(grid_->cols() - 1, col + 1);
        break;
    case Qt::Key_PageUp:
        row = std::max(std::min(row, 1), row - pageRows());
        break;
    case Qt::Key_PageDown:
        row = std::min(grid_->rows() - 1, row + pageRows());
        break;
    case Qt::Key_F2:
        Q_EMIT editRequested();
        return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        Q_EMIT clicked();
        return;
    default:
        // A character typed on a cell begins its edit, as in a spreadsheet; other keys go on.
        if (const QString text = event->text();
            !text.isEmpty() && text.front().isPrint() &&
            !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))) {
            Q_EMIT typed(text);
            return;
        }
        event->ignore();
        return;
    }
    grid_->setCurrentCell(row, col);
    if (row >= 1)
        scrollTo(grid_->index(row - 1, col));
}

int GridView::pageRows() const {
    const int rowPixels = std::max(1, verticalHeader()->defaultSectionSize());
    return std::max(1, viewport()->height() / rowPixels - 1);
}

void GridView::focusInEvent(QFocusEvent* event) {
    QTableView::focusInEvent(event);
    Q_EMIT gotFocus();
}

QRect GridView::currentCellRect() const {
    const int row = grid_->row();
    const int col = grid_->col();
    if (row == 0) {
        const QHeaderView* header = horizontalHeader();
        return {header->geometry().left() + header->sectionViewportPosition(col),
                header->geometry().top(), header->sectionSize(col), header->height()};
    }
    const QRect rect = visualRect(grid_->index(row - 1, col));
    return rect.translated(viewport()->geometry().topLeft());
}

int GridView::cellLeft() const {
    return twips::fromPixels(this, currentCellRect().left());
}
int GridView::cellTop() const {
    return twips::fromPixels(this, currentCellRect().top());
}
int GridView::cellWidth() const {
    return twips::fromPixels(this, currentCellRect().width());
}
int GridView::cellHeight() const {
    return twips::fromPixels(this, currentCellRect().height());
}

int GridView::leftTwips() const {
    return twips::fromPixels(this, x());
}
int GridView::topTwips() const {
    return twips::fromPixels(this, y());
}
bool GridView::setWidthTwips(int twips) {
    if (twips < 0)
        return false;
    resize(twips::toPixels(this, twips), height());
    return true;
}

bool GridView::setHeightTwips(int twips) {
    if (twips < 0)
        return false;
    resize(width(), twips::toPixels(this, twips));
    return true;
}

void GridView::goTo(int row, int col) {
    grid_->setCurrentCell(row, col);
    if (row >= 1)
        scrollTo(grid_->index(row - 1, col));
}

void GridView::goToRow(int row, int col) {
    goTo(row, col);
    if (row >= 1 && row < grid_->rows())
        selectionModel()->select(grid_->index(row - 1, col),
                                 QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

void GridView::showFirstColumn() {
    horizontalScrollBar()->setValue(horizontalScrollBar()->minimum());
}

void GridView::refresh() {
    viewport()->update();
    horizontalHeader()->viewport()->update();
}

} // namespace app
