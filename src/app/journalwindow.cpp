#include "app/journalwindow.h"

#include "app/blockwatchdelegate.h"
#include "app/busycursor.h"
#include "app/celleditor.h"
#include "app/commandbutton.h"
#include "app/dialogprompter.h"
#include "app/exitflow.h"
#include "app/findbar.h"
#include "app/findcontroller.h"
#include "app/gridview.h"
#include "app/journaldocument.h"
#include "app/midnightwatch.h"
#include "app/printcontroller.h"
#include "app/printprogressdialog.h"
#include "app/shortcuts.h"
#include "app/summarybar.h"
#include "app/twips.h"
#include "app/windowsettings.h"
#include "core/clock.h"
#include "core/journalcolumns.h"
#include "core/journalpaths.h"
#include "editing/gridhistory.h"
#include "editing/journalsortkey.h"
#include "editing/journaltextvalidator.h"
#include "editing/pastetable.h"
#include "editing/rowcolumncommands.h"
#include "editing/search.h"
#include "editing/sortbycolumn.h"
#include "journal/journalfiles.h"
#include "journal/periodicsave.h"
#include "model/blockwatch.h"
#include "model/gridmodel.h"
#include "printing/printservices.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QIcon>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <algorithm>

namespace {

constexpr int ClientWidth = 10575;
constexpr int ClientHeight = 4995;
// The grid keeps these margins to the window's inner right and bottom edges.
constexpr int GridWidthMargin = 850;
constexpr int GridHeightMargin = 1900;
// The block summary sits this far below the grid, in the strip the bottom margin leaves.
constexpr int SummaryGap = 30;

} // namespace

// The window's icon is compiled into the app library, whose resources a program linking it must
// register itself (outside any namespace).
static void registerResources() {
    Q_INIT_RESOURCE(resources);
}

JournalWindow::JournalWindow(WindowServices services, QWidget* parent)
    : QWidget(parent), services_(std::move(services)) {
    if (!services_.endProgram)
        services_.endProgram = [] { QCoreApplication::quit(); };
    if (!services_.prompter)
        services_.prompter = std::make_shared<DialogPrompter>(this);
    if (!services_.printer)
        services_.printer = std::make_shared<DefaultPrinterProvider>();
    if (!services_.clock)
        services_.clock = std::make_shared<SystemClock>();
    if (!services_.printProgress)
        services_.printProgress = std::make_shared<PrintProgressDialog>(this);
    setObjectName(QStringLiteral("FrmEKLZ"));
    registerResources();
    QIcon icon;
    icon.addFile(QStringLiteral(":/icons/journal32.xpm"), QSize(32, 32));
    icon.addFile(QStringLiteral(":/icons/journal16.xpm"), QSize(16, 16));
    setWindowIcon(icon);
    resize(twips::toPixels(this, ClientWidth), twips::toPixels(this, ClientHeight));
    createControls();
    journal_ = std::make_unique<JournalFiles>(*grid_, services_.programFolder,
                                              [clock = services_.clock] { return clock->now(); });
    document_ = new JournalDocument(*this, *journal_, *grid_, *history_, *services_.prompter,
                                    services_.programFolder);
    prepareGrid();
    describeControls();
    windowsettings::restore(*this, *gridView_, services_.settings.get());
}

JournalWindow::~JournalWindow() = default;

bool JournalWindow::isModified() const {
    return exit_->isModified();
}

QPushButton* JournalWindow::addButton(const char* name, const QString& caption, int left, int top,
                                      int width, int height) {
    auto* button = new CommandButton(caption, this);
    button->setObjectName(QString::fromLatin1(name));
    placeTwips(button, left, top, width, height);
    return button;
}

void JournalWindow::placeTwips(QWidget* control, int left, int top, int width, int height) {
    control->setGeometry(twips::toPixels(this, left, top, width, height));
}

QPushButton* JournalWindow::button(const char* name) const {
    return findChild<QPushButton*>(QString::fromLatin1(name), Qt::FindDirectChildrenOnly);
}

void JournalWindow::createControls() {
    struct Command {
        const char* name;
        const char* caption;
        int left, top, width, height;
        void (JournalWindow::*slot)();
    };
    static const Command commands[] = {
        {"CmdDelC", "Удалить колонку", 480, 120, 1095, 615, &JournalWindow::deleteLastColumn},
        {"CmdAddC", "Добавить колонку", 480, 720, 1095, 615, &JournalWindow::insertColumn},
        {"CmdDelS", " Удалить строку", 1560, 120, 1095, 615, &JournalWindow::deleteRow},
        {"CmdAddS", "Добавить строку", 1560, 720, 1095, 615, &JournalWindow::addRow},
        {"CmdSortC", "Переместить колонки", 2640, 120, 1335, 615,
         &JournalWindow::moveLastColumnHere},
        {"CmdSearh", "Поиск", 2640, 720, 1335, 615, &JournalWindow::searchColumn},
        {"CmdZArch", "Загрузить архив", 3960, 120, 1335, 615, &JournalWindow::openArchive},
        {"CmdZagruz", "Открыть журнал", 3960, 720, 1335, 615, &JournalWindow::openJournal},
        {"CmdSaveAs", "Сохранить как", 5280, 120, 1335, 615, &JournalWindow::saveToArchive},
        {"CmdSave", "Сохранить изменения", 5280, 720, 1335, 615, nullptr},
        {"CmdEdit", "Ввод", 6840, 120, 855, 615, &JournalWindow::enterInputLine},
        {"CmdPrint", "Печать", 7920, 120, 855, 615, &JournalWindow::print},
        {"CmdProd", "Выход", 9120, 120, 855, 615, &JournalWindow::requestExit},
    };
    for (const Command& command : commands) {
        QPushButton* created = addButton(command.name, QString::fromUtf8(command.caption),
                                         command.left, command.top, command.width, command.height);
        if (command.slot)
            connect(created, &QPushButton::clicked, this, command.slot);
    }
    connect(button("CmdSave"), &QPushButton::clicked, this, &JournalWindow::save);
    // A character key on "Ввод" copies the input line, as a click does.
    button("CmdEdit")->installEventFilter(this);

    inputLine_ = new QLineEdit(this);
    inputLine_->setObjectName(QStringLiteral("TxtVvod"));
    placeTwips(inputLine_, 6840, 840, 3135, 435);
    inputLine_->installEventFilter(this);
    inputLine_->setValidator(new editing::JournalTextValidator(inputLine_));
    // The current cell follows the input line as it is typed, deleted or pasted into.
    connect(inputLine_, &QLineEdit::textEdited, this, &JournalWindow::copyInputLineToCell);

    grid_ = new GridModel(this);
    grid_->setObjectName(QStringLiteral("MSFGAZModel"));
    grid_->setSortKeyMaker(&editing::journalSortKey);
    gridView_ = new GridView(grid_, this);
    gridView_->setObjectName(QStringLiteral("MSFGAZ"));
    placeTwips(gridView_, 480, 1560, 9615, 3255);
    connect(gridView_, &GridView::clicked, this, &JournalWindow::editClickedCell);
    connect(gridView_, &GridView::gotFocus, this, &JournalWindow::closeCellEditor);
    connect(gridView_, &GridView::mouseUp, this, &JournalWindow::sortByClickedHeader);
    connect(gridView_, &GridView::pasteRequested, this, &JournalWindow::paste);
    connect(gridView_, &GridView::typed, this, &JournalWindow::editTypedCell);
    connect(grid_, &GridModel::leaveCell, this, &JournalWindow::closeCellEditor);

    cellEditor_ = new CellEditor(this);
    cellEditor_->setObjectName(QStringLiteral("txtDataEntry"));
    placeTwips(cellEditor_, 120, 2280, 255, 285);
    cellEditor_->hide();
    cellEditor_->setValidator(new editing::JournalTextValidator(cellEditor_));
    // Enter stores and moves down; Tab and Shift+Tab store and edit the next or previous cell.
    connect(cellEditor_, &CellEditor::commitRequested, this, [this] {
        closeCellEditor();
        gridView_->goTo(std::min(grid_->row() + 1, grid_->rows() - 1), grid_->col());
        gridView_->setFocus(Qt::OtherFocusReason);
    });
    connect(cellEditor_, &CellEditor::stepRequested, this, &JournalWindow::editNeighbour);
    connect(cellEditor_, &CellEditor::dropRequested, this, [this] {
        cellEditor_->drop();
        gridView_->setFocus(Qt::OtherFocusReason);
    });

    exit_ = new ExitFlow(
        *this, [this] { return save(); }, [this] { services_.endProgram(); });
    connect(exit_, &ExitFlow::aboutToLeave, this, &JournalWindow::closeCellEditor);
    connect(exit_, &ExitFlow::aboutToEnd, this, [this] {
        windowsettings::keep(*this, *gridView_, services_.settings.get());
        periodicSave_->stop();
    });

    history_ = new GridHistory(*grid_, this);
    connect(cellEditor_, &CellEditor::undoRequested, this, &JournalWindow::undo);
    connect(cellEditor_, &CellEditor::redoRequested, this, &JournalWindow::redo);
    createUndoActions();

    // Nothing starts the periodic save; it is kept ready with its timer.
    periodicSave_ = new journal::PeriodicSave(
        *grid_, [this] { save(); }, this);

    createBlockWatch();
    setTabOrder();
}

void JournalWindow::createUndoActions() {
    addShortcut(*this, "ActUndo", {QKeySequence::Undo}, this, &JournalWindow::undo);
    addShortcut(*this, "ActRedo",
                {QKeySequence(Qt::ControlModifier | Qt::Key_Y),
                 QKeySequence(Qt::ControlModifier | Qt::ShiftModifier | Qt::Key_Z)},
                this, &JournalWindow::redo);
}

void JournalWindow::undo() {
    closeCellEditor();
    if (history_->undo())
        markModified();
}

void JournalWindow::redo() {
    closeCellEditor();
    if (history_->redo())
        markModified();
}

void JournalWindow::createBlockWatch() {
    blockWatch_ = new journal::BlockWatch(*grid_, services_.clock->today(), this);
    blockWatch_->setObjectName(QStringLiteral("BlockWatch"));
    gridView_->setItemDelegate(new BlockWatchDelegate(*blockWatch_, gridView_));
    connect(blockWatch_, &journal::BlockWatch::statesReset, gridView_, &GridView::refresh);

    summary_ = new SummaryBar(*this, *grid_, *gridView_, *blockWatch_);
    createFindBar();
    createPrinting();
    placeBlockSummary();
    midnight_ = new MidnightWatch(*this, *blockWatch_, services_.clock);
}

// In the strip below the grid: the summary from the grid's left edge, the filter at its right.
// An open find bar takes the grid's width above that strip, the grid giving up its height.
void JournalWindow::placeBlockSummary() {
    const QRect gridArea = gridView_->geometry();
    int top = gridArea.bottom() + 1 + twips::toPixels(this, SummaryGap);
    if (findBar_->isVisible()) {
        const int barHeight = findBar_->fitWidth(gridArea.width());
        findBar_->setGeometry(gridArea.left(), top, gridArea.width(), barHeight);
        top += barHeight + twips::toPixels(this, SummaryGap);
    }
    summary_->place(gridArea.left(), gridArea.right(), top, height());
}

// The grid keeps its margins to the window's inner edges, less the room of an open find bar.
void JournalWindow::layoutGrid() {
    gridView_->setWidthTwips(twips::fromPixels(this, width()) - GridWidthMargin);
    int heightTwips = twips::fromPixels(this, height()) - GridHeightMargin;
    if (findBar_->isVisible())
        heightTwips -= twips::fromPixels(this, findBar_->fitWidth(gridView_->width()) +
                                                   twips::toPixels(this, SummaryGap));
    gridView_->setHeightTwips(heightTwips);
    placeBlockSummary();
}

void JournalWindow::createFindBar() {
    finder_ = new FindController(
        *this, *grid_, *gridView_, *blockWatch_, [this] { return summary_->filter(); },
        services_.programFolder);
    findBar_ = &finder_->bar();
    connect(finder_, &FindController::aboutToSearch, this, &JournalWindow::closeCellEditor);
    connect(finder_, &FindController::openRequested, this, &JournalWindow::openFoundRow);
    connect(finder_, &FindController::barToggled, this, [this](bool open) {
        layoutGrid();
        if (!open)
            gridView_->setFocus(Qt::OtherFocusReason);
    });
}

void JournalWindow::createPrinting() {
    printer_ = new PrintController(
        *this, *grid_, *blockWatch_, [this] { return summary_->filter(); },
        [this] { return summary_->shownRows(); },
        {services_.printer, services_.clock, services_.printProgress, services_.prompter});
    connect(printer_, &PrintController::aboutToPrint, this, &JournalWindow::closeCellEditor);
}

void JournalWindow::openFoundRow(const QString& journal, int row) {
    closeCellEditor();
    if (!document_->mayReplace())
        return;
    load(journal == QStringLiteral("thisyear.csv") ? ShownJournal::currentYear()
                                                   : ShownJournal::archiveNamed(journal));
    if (row >= 1 && row < grid_->rows())
        gridView_->goToRow(row, 0);
}

void JournalWindow::followMidnight() {
    midnight_->followMidnight();
}

void JournalWindow::setTabOrder() {
    const QList<QWidget*> order = {
        inputLine_,          button("CmdProd"),  gridView_,           button("CmdDelC"),
        button("CmdDelS"),   button("CmdAddC"),  button("CmdAddS"),   button("CmdZArch"),
        button("CmdZagruz"), button("CmdSortC"), button("CmdSave"),   button("CmdEdit"),
        button("CmdSearh"),  cellEditor_,        button("CmdSaveAs"), button("CmdPrint")};
    for (qsizetype i = 1; i < order.size(); ++i)
        QWidget::setTabOrder(order[i - 1], order[i]);
    inputLine_->setFocus(Qt::OtherFocusReason);
}

// The journal header over one empty row; column 0 and the header row sized as the journal has
// always had them.
void JournalWindow::prepareGrid() {
    grid_->setFormatString(journal::headerFormat());
    grid_->setColWidth(0, 1500);
    grid_->setRowHeight(0, 300);
    inputLine_->setText(QString());
}

void JournalWindow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    // The grid refuses a negative size (a minimised or tiny window): it then keeps its last one.
    layoutGrid();
}

void JournalWindow::closeEvent(QCloseEvent* event) {
    event->setAccepted(exit_->closeRequested());
}

void JournalWindow::requestExit() {
    exit_->requestExit();
}

// Names and descriptions for screen readers; the block state is told in words too (the summary,
// and a tooltip on a shaded row).
void JournalWindow::describeControls() {
    gridView_->setAccessibleName(QStringLiteral("Журнал ЭКЛЗ"));
    gridView_->setAccessibleDescription(
        QStringLiteral("Строки журнала: владелец, модель и номер ККМ, заводской и регистрационный "
                       "номера ЭКЛЗ, даты активации и блокировки, механик"));
    inputLine_->setAccessibleName(QStringLiteral("Ввод в текущую ячейку"));
    inputLine_->setPlaceholderText(QStringLiteral("Ввод в текущую ячейку"));
    cellEditor_->setAccessibleName(QStringLiteral("Правка ячейки"));
    for (QPushButton* button : findChildren<QPushButton*>(QString(), Qt::FindDirectChildrenOnly))
        button->setAccessibleName(button->text().trimmed());
}

bool JournalWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == inputLine_ && event->type() == QEvent::MouseButtonPress)
        dropEditForInputLine();
    // A character key in the input line or on "Ввод" copies the input line into the current
    // cell before the key takes effect; the line's own change follows through textEdited.
    if (event->type() == QEvent::KeyPress && !static_cast<QKeyEvent*>(event)->text().isEmpty() &&
        (watched == inputLine_ || watched == button("CmdEdit")))
        copyInputLineToCell();
    return QWidget::eventFilter(watched, event);
}

void JournalWindow::closeCellEditor() {
    const auto step = history_->step(QStringLiteral("Ввод в ячейку"));
    const int col = cellEditor_->cellPosition().y();
    if (cellEditor_->commit(*grid_)) {
        markModified();
        followActivationDate(col);
    }
}

// A stored activation date gets its block date at once, in the same undo step.
void JournalWindow::followActivationDate(int col) {
    if (grid_->findColumn(journal::ActivationDateHeader) == col)
        fillBlockDates();
}

void JournalWindow::markModifiedIf(bool changed) {
    if (changed)
        markModified();
}

// The exit prompt's rule: once the grid was clicked or changed, "Выход" asks. The title's marker
// is the document's: unsaved changes only.
void JournalWindow::markModified() {
    exit_->markModified();
}

void JournalWindow::copyInputLineToCell() {
    const QString typed = inputLine_->text();
    if (grid_->text() == typed)
        return;
    const auto step = history_->step(QStringLiteral("Ввод"), GridHistory::InputLineEntry);
    grid_->setText(typed);
    markModified();
    followActivationDate(grid_->col());
}

// A click into the input line drops the open edit: the cell keeps its previous text.
void JournalWindow::dropEditForInputLine() {
    cellEditor_->drop();
    inputLine_->setFocus(Qt::MouseFocusReason);
}

void JournalWindow::tell(const journal::Outcome& outcome) {
    if (!outcome.message.isEmpty())
        services_.prompter->message(outcome.message);
}

// With unsaved changes, opening another journal asks first.
void JournalWindow::openJournal() {
    closeCellEditor();
    if (document_->mayReplace())
        load(ShownJournal::currentYear());
}

void JournalWindow::openArchive() {
    closeCellEditor();
    if (const std::optional<QString> name =
            journal::askArchiveName(*services_.prompter, journal::openArchivePrompt());
        name && document_->mayReplace())
        load(ShownJournal::archiveNamed(*name));
}

// Opening and the block-date pass change many rows one by one: the summary follows once, at
// the end. The message comes after the busy pointer is gone; the view starts at the first column.
void JournalWindow::load(const ShownJournal& journal) {
    midnight_->followToday();
    journal::Outcome outcome;
    {
        const journal::BlockWatch::Batch batch(*blockWatch_);
        const BusyCursor busy;
        outcome = journal.kind == ShownJournal::Archive ? journal_->openArchive(journal.archive)
                                                        : journal_->openCurrent();
    }
    history_->clear();
    document_->opened(journal);
    gridView_->showFirstColumn();
    tell(outcome);
}

bool JournalWindow::save() {
    closeCellEditor();
    return document_->save();
}

void JournalWindow::saveToArchive() {
    closeCellEditor();
    document_->saveToArchive();
}

void JournalWindow::fillBlockDates() {
    midnight_->followToday();
    const auto step = history_->step(QStringLiteral("Даты блокировки"));
    const journal::BlockWatch::Batch batch(*blockWatch_);
    journal_->fillBlockDates();
}

void JournalWindow::print() {
    printer_->print();
}

// Every row and column command stores the open edit first, is one undo step and marks the
// journal changed when it changed the grid.
void JournalWindow::runGridCommand(const QString& name, bool (*command)(GridModel&)) {
    closeCellEditor();
    const auto step = history_->step(name);
    markModifiedIf(command(*grid_));
}

void JournalWindow::deleteLastColumn() {
    runGridCommand(QStringLiteral("Удалить колонку"), &editing::deleteColumn);
}

void JournalWindow::insertColumn() {
    runGridCommand(QStringLiteral("Добавить колонку"), &editing::addColumn);
}

void JournalWindow::deleteRow() {
    runGridCommand(QStringLiteral("Удалить строку"), &editing::deleteRow);
}

void JournalWindow::addRow() {
    runGridCommand(QStringLiteral("Добавить строку"), &editing::addRow);
    // The new row is where the next unit goes: shown, its first cell current, the keyboard on
    // the grid so that typing begins the unit's owner.
    gridView_->goTo(grid_->rows() - 1, 0);
    gridView_->setFocus(Qt::OtherFocusReason);
}

void JournalWindow::paste(const QString& text) {
    closeCellEditor();
    if (text.isEmpty())
        return;
    const auto step = history_->step(QStringLiteral("Вставить"));
    const editing::PastedColumns pasted = editing::pasteTable(*grid_, text);
    markModified();
    const std::optional<int> activation = grid_->findColumn(journal::ActivationDateHeader);
    if (activation && *activation >= pasted.first && *activation < pasted.first + pasted.count)
        fillBlockDates();
}

// The next cell of the row, or the first of the next row past the last column.
void JournalWindow::editNeighbour(int columns) {
    closeCellEditor();
    int row = grid_->row();
    int col = grid_->col() + columns;
    if (col >= grid_->cols() && row + 1 < grid_->rows()) {
        ++row;
        col = 0;
    } else if (col < 0 && row > 1) {
        --row;
        col = grid_->cols() - 1;
    }
    gridView_->goTo(row, std::clamp(col, 0, grid_->cols() - 1));
    openCellEditor();
}

void JournalWindow::moveLastColumnHere() {
    runGridCommand(QStringLiteral("Переместить колонки"), &editing::moveLastColumnToCurrent);
}

void JournalWindow::searchColumn() {
    closeCellEditor();
    const QString prompt = editing::searchPrompt();
    editing::searchColumn(*grid_, services_.prompter->inputBox(prompt, prompt));
}

void JournalWindow::enterInputLine() {
    closeCellEditor();
    copyInputLineToCell();
}

// Every click on the grid counts as a change, opens the editor on the clicked cell and brings the
// block dates up to date.
void JournalWindow::editClickedCell() {
    markModified();
    openCellEditor();
    fillBlockDates();
}

// A character typed on the grid: the current cell's edit begins with it, as a click begins one.
void JournalWindow::editTypedCell(const QString& text) {
    editClickedCell();
    if (cellEditor_->isOpen())
        cellEditor_->typeOver(text);
}

void JournalWindow::openCellEditor() {
    const int row = grid_->row();
    const int col = grid_->col();
    // A row the filter hides is not edited unseen.
    if (row >= 1 && gridView_->isRowHidden(row - 1))
        return;
    const QRect cell(twips::toPixels(this, gridView_->cellLeft() + gridView_->leftTwips()),
                     twips::toPixels(this, gridView_->cellTop() + gridView_->topTwips()),
                     twips::toPixels(this, gridView_->cellWidth()),
                     twips::toPixels(this, gridView_->cellHeight()));
    cellEditor_->open(row, col, grid_->textMatrix(row, col), cell);
}

void JournalWindow::sortByClickedHeader() {
    if (gridView_->mouseRow() != 0)
        return;
    closeCellEditor();
    // Hidden while the rows are laid out anew, so that the view does not follow each step.
    gridView_->setVisible(false);
    gridView_->refresh();
    {
        const auto step = history_->step(QStringLiteral("Сортировка"));
        const journal::BlockWatch::Batch batch(*blockWatch_);
        markModifiedIf(editing::sortByColumn(*grid_, gridView_->mouseCol()));
    }
    gridView_->setVisible(true);
}
