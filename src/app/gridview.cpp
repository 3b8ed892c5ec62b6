#include "app/gridview.h"

#include "app/twips.h"
#include "editing/pastetable.h"
#include "model/gridmodel.h"
#include "printing/fonts.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QScopedValueRollback>
#include <QScrollBar>

namespace app {

namespace {

constexpr int ColumnPadding = 8; // pixels around the text of a column sized from its format
// The first column (whichever column stands there) and the captions' row, sized as the journal
// has always had them.
constexpr int FirstColumnTwips = 1500;
constexpr int HeaderHeightTwips = 300;

} // namespace

GridView::GridView(model::GridModel* model, QWidget* parent) : QTableView(parent), grid_(model) {
    setModel(model);
    setFont(printing::msSansSerif(8.25));
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    // The keys move the current cell alone, Shift or not; only a drag selects more.
    setSelectionMode(QAbstractItemView::SingleSelection);
    setTabKeyNavigation(false);
    setFocusPolicy(Qt::StrongFocus);
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
    horizontalHeader()->setMinimumSectionSize(1);
    horizontalHeader()->setDefaultSectionSize(64);
    horizontalHeader()->viewport()->installEventFilter(this);
    horizontalHeader()->setStyleSheet(QStringLiteral(
        "QHeaderView::section { background-color: rgb(255, 255, 192); color: black;"
        " border: 0px; border-right: 1px solid gray; border-bottom: 1px solid gray; }"));

    // Black text on white, in every colour group; rows shaded by their block state keep the
    // black text.
    QPalette colours = palette();
    colours.setColor(QPalette::Base, Qt::white);
    colours.setColor(QPalette::Text, Qt::black);
    colours.setColor(QPalette::Highlight, QColor(255, 128, 128));
    colours.setColor(QPalette::HighlightedText, QColor(192, 255, 255));
    setPalette(colours);

    // Any selection but a drag's ends at the current cell.
    const auto followCurrent = [this] {
        if (!selecting_)
            selectionEnd_ = currentIndex();
    };
    connect(selectionModel(), &QItemSelectionModel::currentChanged, this, followCurrent);
    connect(selectionModel(), &QItemSelectionModel::selectionChanged, this, followCurrent);
    connect(grid_, &model::GridModel::layoutChanged, this, &GridView::resetSelection);
    connect(grid_, &model::GridModel::rowsInserted, this, &GridView::resetSelection);
    connect(grid_, &model::GridModel::rowsRemoved, this, &GridView::resetSelection);
    connect(grid_, &model::GridModel::columnsInserted, this, &GridView::resetSelection);
    connect(grid_, &model::GridModel::columnsRemoved, this, &GridView::resetSelection);
    connect(grid_, &model::GridModel::columnsMoved, this, &GridView::resetSelection);
    // A whole new table keeps the current cell where it was, as near as the table reaches: the
    // input line writes into it.
    connect(grid_, &model::GridModel::modelAboutToBeReset, this, [this] {
        keptCurrent_ = {currentRow(), currentColumn()};
    });
    connect(grid_, &model::GridModel::modelReset, this, [this] {
        if (grid_->rowCount() > 0)
            setCurrentIndex(
                grid_->index(std::clamp(keptCurrent_.x(), 0, grid_->rowCount() - 1),
                             std::clamp(keptCurrent_.y(), 0, grid_->columnCount() - 1)));
    });
    connect(grid_, &model::GridModel::columnLayoutChanged, this, &GridView::applyColumnLayout);
    // A width the user dragged stays across opens and sorts; a fresh start has the format's.
    connect(horizontalHeader(), &QHeaderView::sectionResized, this,
            [this](int column, int, int width) {
                if (applyingLayout_)
                    return;
                if (draggedWidths_.size() <= column)
                    draggedWidths_.resize(column + 1, 0);
                draggedWidths_[column] = width;
            });
    horizontalHeader()->setFixedHeight(twips::toPixels(this, HeaderHeightTwips));
    applyColumnLayout();
}

void GridView::applyColumnLayout() {
    const QFontMetrics metrics(font());
    const QScopedValueRollback applying(applyingLayout_, true);
    for (int c = 0; c < grid_->columnCount(); ++c) {
        if (draggedWidths_.value(c) > 0) {
            setColumnWidth(c, draggedWidths_[c]);
        } else if (c == 0) {
            setColumnWidth(c, twips::toPixels(this, FirstColumnTwips));
        } else {
            const QString text = grid_->columnWidthText(c);
            setColumnWidth(c, text.isEmpty() ? horizontalHeader()->defaultSectionSize()
                                             : metrics.horizontalAdvance(text) + 2 * ColumnPadding);
        }
    }
}

void GridView::setDraggedWidths(const QList<int>& widths) {
    draggedWidths_ = widths;
    applyColumnLayout();
}

QRect GridView::selectedCells() const {
    const QModelIndex current = currentIndex();
    if (!current.isValid())
        return {};
    const QPoint end = selectionEnd();
    return QRect(current.column(), current.row(), 1, 1) | QRect(end.x(), end.y(), 1, 1);
}

QPoint GridView::selectionEnd() const {
    const QModelIndex end = selectionEnd_.isValid() ? QModelIndex(selectionEnd_) : currentIndex();
    return {end.column(), end.row()};
}

void GridView::selectTo(int row, int col) {
    const QModelIndex end = grid_->index(row, col);
    if (!end.isValid() || !currentIndex().isValid())
        return;
    const QScopedValueRollback selecting(selecting_, true);
    selectionModel()->select(QItemSelection(currentIndex(), end),
                             QItemSelectionModel::ClearAndSelect);
    selectionEnd_ = end;
}

// Whatever else selected (a row shown whole, the rows moved by a sort or an insertion), the
// commands work on the current cell alone again, as it is shown.
void GridView::resetSelection() {
    selectionEnd_ = currentIndex();
    if (currentIndex().isValid())
        selectionModel()->select(currentIndex(), QItemSelectionModel::ClearAndSelect);
}

void GridView::mousePressEvent(QMouseEvent* event) {
    setFocus(Qt::MouseFocusReason);
    pressed_ = true;
    if (event->button() != Qt::LeftButton)
        return;
    if (const QModelIndex cell = indexAt(event->position().toPoint()); cell.isValid())
        selectionModel()->setCurrentIndex(cell, QItemSelectionModel::ClearAndSelect);
    dragging_ = true;
}

void GridView::mouseMoveEvent(QMouseEvent* event) {
    if (const QModelIndex cell = indexAt(event->position().toPoint()); dragging_ && cell.isValid())
        selectTo(cell.row(), cell.column());
}

void GridView::mouseReleaseEvent(QMouseEvent*) {
    const bool clickedHere = std::exchange(dragging_, false);
    const int header = std::exchange(headerPressed_, -1);
    pressed_ = false;
    if (header >= 0)
        Q_EMIT headerClicked(header);
    else if (clickedHere)
        Q_EMIT clicked();
}

void GridView::mouseDoubleClickEvent(QMouseEvent* event) {
    mousePressEvent(event);
}

bool GridView::eventFilter(QObject* watched, QEvent* event) {
    // A left click on a caption sorts; presses on a section edge still resize the column.
    auto* mouse = dynamic_cast<QMouseEvent*>(event);
    if (watched != horizontalHeader()->viewport() || !mouse)
        return QTableView::eventFilter(watched, event);
    const int col = horizontalHeader()->logicalIndexAt(mouse->position().toPoint().x());
    const bool onEdge = horizontalHeader()->cursor().shape() == Qt::SplitHCursor;
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
        if (!onEdge) {
            setFocus(Qt::MouseFocusReason);
            pressed_ = true;
            headerPressed_ = mouse->button() == Qt::LeftButton ? col : -1;
            return true;
        }
        break;
    case QEvent::MouseMove:
        if (pressed_)
            return true;
        break;
    case QEvent::MouseButtonRelease:
        if (pressed_) {
            mouseReleaseEvent(mouse);
            return true;
        }
        break;
    default:
        break;
    }
    return QTableView::eventFilter(watched, event);
}

void GridView::copySelection() const {
    const QRect selected = selectedCells();
    QList<QStringList> rows;
    QStringList lines;
    for (int r = selected.top(); r <= selected.bottom(); ++r)
        if (!isRowHidden(r)) {
            rows << grid_->dataRows()[r].mid(selected.left(), selected.width());
            lines << rows.last().join(u'\t');
        }
    auto* copied = new QMimeData;
    copied->setText(lines.join(u'\n'));
    copied->setData(QLatin1StringView(editing::CellsMimeType), editing::encodeCells(rows));
    QGuiApplication::clipboard()->setMimeData(copied); // the clipboard owns it
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
        Q_EMIT pasteRequested();
        return;
    }
    switch (event->key()) {
    case Qt::Key_F2:
        Q_EMIT editRequested();
        return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        Q_EMIT clicked();
        return;
    case Qt::Key_Home:
    case Qt::Key_End:
        event->ignore();
        return;
    default:
        break;
    }
    // A character typed on a cell begins its edit, as in a spreadsheet; the moving keys are
    // Qt's, which step over the rows a filter hides.
    if (const QString text = event->text();
        !text.isEmpty() && text.front().isPrint() &&
        !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))) {
        Q_EMIT typed(text);
        return;
    }
    QTableView::keyPressEvent(event);
}

void GridView::focusInEvent(QFocusEvent* event) {
    QTableView::focusInEvent(event);
    Q_EMIT gotFocus();
}

void GridView::goTo(int row, int col, ScrollHint hint) {
    const QModelIndex cell = grid_->index(row, col);
    if (!cell.isValid())
        return;
    selectionModel()->setCurrentIndex(cell, QItemSelectionModel::ClearAndSelect);
    scrollTo(cell, hint);
}

void GridView::goToRow(int row, int col) {
    goTo(row, col);
    if (const QModelIndex cell = grid_->index(row, col); cell.isValid())
        selectionModel()->select(cell,
                                 QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

int GridView::shownRow(int row, int step) const {
    for (; row >= 0 && row < grid_->rowCount(); row += step)
        if (!isRowHidden(row))
            return row;
    return -1;
}

void GridView::keepCurrentShown() {
    const QModelIndex current = currentIndex();
    if (current.isValid() && !isRowHidden(current.row()))
        return;
    const int row = current.isValid() ? current.row() : 0;
    int shown = shownRow(row, 1);
    if (shown < 0)
        shown = shownRow(row - 1, -1);
    if (shown >= 0)
        goTo(shown, std::max(0, current.column()));
    else
        selectionModel()->clearCurrentIndex();
}

void GridView::showFirstColumn() {
    horizontalScrollBar()->setValue(horizontalScrollBar()->minimum());
}

} // namespace app
