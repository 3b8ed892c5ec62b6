#include "app/journalwindow.h"

#include "app/celldelegate.h"
#include "app/commandbutton.h"
#include "app/dialogprompter.h"
#include "app/exitflow.h"
#include "app/exportcontroller.h"
#include "app/filechooser.h"
#include "app/findbar.h"
#include "app/foldercontroller.h"
#include "app/gridcommands.h"
#include "app/gridcontextmenu.h"
#include "app/gridview.h"
#include "app/helpwindow.h"
#include "app/importcontroller.h"
#include "app/inputline.h"
#include "app/journaldocument.h"
#include "app/midnightwatch.h"
#include "app/printcontroller.h"
#include "app/printprogressdialog.h"
#include "app/repeatcontroller.h"
#include "app/shortcuts.h"
#include "app/summarybar.h"
#include "app/twips.h"
#include "app/windowsettings.h"
#include "core/clock.h"
#include "core/journalcolumns.h"
#include "editing/findcell.h"
#include "editing/gridhistory.h"
#include "editing/journalsortkey.h"
#include "journal/journalfiles.h"
#include "journal/journalsearch.h"
#include "model/gridmodel.h"
#include "model/registerstate.h"
#include "printing/printservices.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QIcon>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QToolButton>
#include <QUndoStack>
#include <algorithm>

// The window's icon is compiled into the app library, whose resources a program linking it must
// register itself (outside any namespace).
static void registerResources() {
    Q_INIT_RESOURCE(resources);
}

namespace app {

namespace {

constexpr int ClientWidth = 10575;
constexpr int ClientHeight = 4995;
// The grid keeps these margins to the window's inner right and bottom edges.
constexpr int GridWidthMargin = 850;
constexpr int GridHeightMargin = 1900;
// The block summary sits this far below the grid, in the strip the bottom margin leaves.
constexpr int SummaryGap = 30;

// Names and descriptions of the window's controls for screen readers; the block state is told
// in words too (the summary, and a tooltip on a shaded row).
void describeControls(QWidget& window, GridView& grid, QLineEdit& inputLine, QLineEdit& editor) {
    grid.setAccessibleName(QStringLiteral("Журнал ЭКЛЗ"));
    grid.setAccessibleDescription(
        QStringLiteral("Строки журнала: владелец, модель и номер ККМ, заводской и регистрационный "
                       "номера ЭКЛЗ, даты активации и блокировки, механик"));
    inputLine.setAccessibleName(QStringLiteral("Ввод в текущую ячейку"));
    inputLine.setPlaceholderText(QStringLiteral("Ввод в текущую ячейку"));
    editor.setAccessibleName(QStringLiteral("Правка ячейки"));
    for (QPushButton* button :
         window.findChildren<QPushButton*>(QString(), Qt::FindDirectChildrenOnly))
        button->setAccessibleName(button->text().trimmed());
}

// The Tab order of the journal's control table, by object name: the input line, "Выход", the
// grid, the buttons (the cell editor among them); then the filter under the grid and "Обмен".
void orderTabs(QWidget& window) {
    const char* const order[] = {"TxtVvod",  "CmdProd",   "MSFGAZ",     "CmdDelC",      "CmdDelS",
                                 "CmdAddC",  "CmdAddS",   "CmdZArch",   "CmdZagruz",    "CmdSortC",
                                 "CmdSave",  "CmdEdit",   "CmdSearh",   "txtDataEntry", "CmdSaveAs",
                                 "CmdPrint", "CmbFilter", "CmdExchange"};
    for (std::size_t i = 1; i < std::size(order); ++i)
        QWidget::setTabOrder(window.findChild<QWidget*>(QLatin1String(order[i - 1])),
                             window.findChild<QWidget*>(QLatin1String(order[i])));
}

} // namespace

JournalWindow::JournalWindow(WindowServices services, QWidget* parent)
    : QWidget(parent), services_(std::move(services)) {
    if (!services_.endProgram)
        services_.endProgram = [] { QCoreApplication::quit(); };
    if (!services_.prompter)
        services_.prompter = std::make_shared<DialogPrompter>(this);
    if (!services_.printer)
        services_.printer = std::make_shared<printing::DefaultPrinterProvider>();
    if (!services_.clock)
        services_.clock = std::make_shared<core::SystemClock>();
    if (!services_.printProgress)
        services_.printProgress = std::make_shared<PrintProgressDialog>(this);
    if (!services_.files)
        services_.files = std::make_shared<DialogFileChooser>();
    setObjectName(QStringLiteral("FrmEKLZ"));
    registerResources();
    QIcon icon;
    icon.addFile(QStringLiteral(":/icons/journal32.xpm"), QSize(32, 32));
    icon.addFile(QStringLiteral(":/icons/journal16.xpm"), QSize(16, 16));
    setWindowIcon(icon);
    createCommandButtons(*this);
    createGrid();
    createEditing();
    createExitFlow();
    createCommands();
    createSummary();
    createFindBar();
    createPrinting();
    placeBlockSummary();
    orderTabs(*this);
    input_->line().setFocus(Qt::OtherFocusReason);
    // Room for "Обмен" right of "Выход", as far as the screen has room for the window.
    resize(windowsettings::fittedToScreen(
        *this, {std::max(twips::toPixels(this, ClientWidth), exchangeButtonRoom(*this)),
                twips::toPixels(this, ClientHeight)}));
    createDocument();
    createRepeats();
    createExchange();
    connectButtons();
    // The journal header over one empty row.
    grid_->setHeaderFormat(core::headerFormat());
    gridView_->setCurrentIndex(grid_->index(0, 0));
    describeControls(*this, *gridView_, input_->line(), edits_->editor());
    addHelp(*this);
    windowsettings::restore(*this, *gridView_, services_.settings.get());
}

// The input line stores a short date when it loses the focus, which the window's teardown takes
// from it: by then there is no window left to mark modified.
JournalWindow::~JournalWindow() {
    input_->line().removeEventFilter(input_);
    disconnect(input_, nullptr, this, nullptr);
}

bool JournalWindow::isModified() const {
    return exit_->isModified();
}

// The register, what is derived from it, and the grid that shows it: a click, Enter, F2 or a
// typed character edits the current cell.
void JournalWindow::createGrid() {
    grid_ = new model::GridModel(this);
    grid_->setObjectName(QStringLiteral("MSFGAZModel"));
    grid_->setSortKeyMaker(&editing::journalSortKey);
    state_ = new model::RegisterState(*grid_, services_.clock->today(), this);
    state_->setObjectName(QStringLiteral("RegisterState"));
    gridView_ = new GridView(grid_, this);
    gridView_->setObjectName(QStringLiteral("MSFGAZ"));
    gridView_->setGeometry(twips::toPixels(this, 480, 1560, 9615, 3255));
    connect(gridView_, &GridView::clicked, this, [this] { editClickedCell(); });
    connect(gridView_, &GridView::editRequested, this,
            [this] { editClickedCell(CellEditor::Start::CaretAtEnd); });
    // A character typed on the grid: the current cell's edit begins with it, as a click begins one.
    connect(gridView_, &GridView::typed, this, [this](const QString& text) {
        editClickedCell();
        edits_->editor().typeOver(text);
    });
}

// The undo history, the cell editor and the input line; what either stores is a change, and an
// activation date brings its block date.
void JournalWindow::createEditing() {
    history_ = new editing::GridHistory(*grid_, *gridView_->selectionModel(), this);
    // The outcome of each step, done or undone, shows at once.
    connect(&history_->stack(), &QUndoStack::indexChanged, state_, &model::RegisterState::settle);
    edits_ = new CellDelegate(*grid_, *gridView_, *history_, *state_);
    edits_->setToday([clock = services_.clock] { return clock->today(); });
    input_ = new InputLine(*this, *grid_, *gridView_, *history_, *edits_);
    const auto stored = [this](int col) {
        exit_->markModified();
        // A stored activation date gets its block date at once, in the same undo step.
        if (grid_->findColumn(core::ActivationDateHeader) == col)
            fillBlockDates();
    };
    connect(edits_, &CellDelegate::stored, this, stored);
    connect(input_, &InputLine::stored, this, stored);
}

// "Выход", which saves the journal on screen when asked to.
void JournalWindow::createExitFlow() {
    const auto save = edits_->command([this] { return document_->save(); });
    exit_ = new ExitFlow(*this, save, [this] { services_.endProgram(); });
    connect(exit_, &ExitFlow::aboutToLeave, edits_, &CellDelegate::commit);
    connect(exit_, &ExitFlow::aboutToEnd, this,
            [this] { windowsettings::keep(*this, *gridView_, services_.settings.get()); });
}

// The journal files of the folder and the document on screen, which opens and saves them.
void JournalWindow::createDocument() {
    journal_ = std::make_unique<journal::JournalFiles>(
        *grid_, services_.journalFolder, [clock = services_.clock] { return clock->now(); });
    journal_->judgeBlocksBy(*state_);
    journal_->setSelection(gridView_->selectionModel());
    document_ = new JournalDocument(*this, *journal_, *grid_, *history_, *state_,
                                    *services_.prompter, services_.journalFolder);
    connect(document_, &JournalDocument::aboutToOpen, midnight_, &MidnightWatch::followToday);
    connect(document_, &JournalDocument::opened, gridView_, &GridView::showFirstColumn);
    // A save ends on the last row it wrote, which the filter may hide.
    connect(document_, &JournalDocument::saved, gridView_, &GridView::keepCurrentShown);
}

void JournalWindow::createRepeats() {
    repeats_ =
        new RepeatController(*this, {*grid_, *gridView_, *state_, *finder_, *edits_, *document_},
                             services_.journalFolder);
}

// Each button runs its command through the grid's delegate, so that an open edit is stored first;
// "Выход" has its controller store it.
void JournalWindow::connectButtons() {
    const auto onClick = [this](const char* name, const auto& command) {
        connect(commandButton(*this, name), &QPushButton::clicked, this, command);
    };
    onClick("CmdDelC", edits_->command(commands_, &GridCommands::deleteLastColumn));
    onClick("CmdAddC", edits_->command(commands_, &GridCommands::insertColumn));
    onClick("CmdDelS", edits_->command(commands_, &GridCommands::deleteRow));
    onClick("CmdAddS", edits_->command(commands_, &GridCommands::addRow));
    onClick("CmdSortC", edits_->command(commands_, &GridCommands::moveLastColumnHere));
    onClick("CmdSearh", edits_->command(this, &JournalWindow::searchColumn));
    onClick("CmdZArch", edits_->command(this, &JournalWindow::openArchive));
    // The commands with a key of their own: one action each, which the button and the key
    // trigger.
    const auto withKeys = [this](const char* buttonName, const char* actionName,
                                 const QKeySequence& keys, const auto& command) {
        QPushButton* control = commandButton(*this, buttonName);
        QAction* action = addShortcut(*this, actionName, {keys}, this, command);
        action->setText(control->text().trimmed());
        control->setToolTip(control->text().trimmed() + QStringLiteral(" (") +
                            keys.toString(QKeySequence::NativeText) + u')');
        connect(control, &QPushButton::clicked, action, &QAction::trigger);
    };
    withKeys("CmdZagruz", "ActOpen", QKeySequence(Qt::ControlModifier | Qt::Key_O),
             edits_->command(this, &JournalWindow::openJournal));
    // An archive on screen is proposed its own name; this year's register, the year.
    withKeys("CmdSaveAs", "ActSaveAs",
             QKeySequence(Qt::ControlModifier | Qt::ShiftModifier | Qt::Key_S),
             edits_->command([this] {
                 const ShownJournal& shown = document_->shown();
                 document_->saveAs(shown.kind == ShownJournal::Archive
                                       ? shown.archive
                                       : QString::number(services_.clock->today().year()));
             }));
    withKeys("CmdSave", "ActSave", QKeySequence(Qt::ControlModifier | Qt::Key_S),
             edits_->command(document_, &JournalDocument::save));
    onClick("CmdEdit", edits_->command(input_, &InputLine::copyToCell));
    onClick("CmdPrint", edits_->command(printer_, &PrintController::print));
    onClick("CmdProd", [this] { exit_->requestExit(); });
}

// The commands on rows, columns and cells, by buttons, keys, the context menu and the captions.
void JournalWindow::createCommands() {
    commands_ = new GridCommands(*this, *grid_, *gridView_, *history_, *edits_);
    // A header click sorts (GridCommands), then counts as a click but opens no editor.
    connect(gridView_, &GridView::headerClicked, this, [this] {
        exit_->markModified();
        fillBlockDates();
    });
    connect(commands_, &GridCommands::changed, exit_, &ExitFlow::markModified);
    connect(commands_, &GridCommands::activationDatesPasted, this, &JournalWindow::fillBlockDates);
    new GridContextMenu(*this, *gridView_, *history_, *commands_, *edits_);
}

// The line under the grid with the block summary and the row filter, and the watch that moves
// the block states on at midnight.
void JournalWindow::createSummary() {
    summary_ = new SummaryBar(*this, *grid_, *gridView_, *state_);
    connect(&history_->stack(), &QUndoStack::indexChanged, summary_, &SummaryBar::endNotice);
    connect(commands_, &GridCommands::deleted, summary_, &SummaryBar::showNotice);
    midnight_ = new MidnightWatch(*this, *state_, services_.clock);
}

// In the strip below the grid: the summary from the grid's left edge, the filter at its right,
// and "Обмен" right of that when the window is too narrow for it beside "Выход".
// An open find bar takes the grid's width above that strip, the grid giving up its height.
void JournalWindow::placeBlockSummary() {
    const QRect gridArea = gridView_->geometry();
    int top = gridArea.bottom() + 1 + twips::toPixels(this, SummaryGap);
    if (finder_->isVisible()) {
        const int barHeight = finder_->fitWidth(gridArea.width());
        finder_->setGeometry(gridArea.left(), top, gridArea.width(), barHeight);
        top += barHeight + twips::toPixels(this, SummaryGap);
    }
    const int exchange = placeExchangeButton(*this, gridArea.right(), top, height() - top);
    summary_->place(gridArea.left(), gridArea.right() - exchange, top, height());
}

// The grid keeps its margins to the window's inner edges, less the room of an open find bar. A
// negative width or height (a minimised or tiny window) is refused: the grid keeps the one it has.
void JournalWindow::layoutGrid() {
    const int widthTwips = twips::fromPixels(this, width()) - GridWidthMargin;
    const int gridWidth = widthTwips >= 0 ? twips::toPixels(this, widthTwips) : gridView_->width();
    int heightTwips = twips::fromPixels(this, height()) - GridHeightMargin;
    if (finder_->isVisible())
        heightTwips -= twips::fromPixels(this, finder_->fitWidth(gridWidth) +
                                                   twips::toPixels(this, SummaryGap));
    gridView_->resize(gridWidth,
                      heightTwips >= 0 ? twips::toPixels(this, heightTwips) : gridView_->height());
    placeBlockSummary();
}

void JournalWindow::createFindBar() {
    finder_ = new FindBar(*this, *grid_, *gridView_, *state_, *summary_, services_.journalFolder);
    connect(finder_, &FindBar::aboutToSearch, edits_, &CellDelegate::commit);
    connect(finder_, &FindBar::openRequested, this,
            edits_->command(this, &JournalWindow::openFoundRow));
    connect(finder_, &FindBar::barToggled, this, [this](bool open) {
        layoutGrid();
        if (!open)
            gridView_->setFocus(Qt::OtherFocusReason);
    });
}

void JournalWindow::createPrinting() {
    printer_ = new PrintController(
        *this, *grid_, *state_, *summary_, *edits_,
        {services_.printer, services_.clock, services_.printProgress, services_.prompter});
}

// The menu of "Обмен", right of "Выход": the exchange with spreadsheets, "Импорт…" and
// "Экспорт…", each with its shortcut on the window, then the journal folder.
void JournalWindow::createExchange() {
    auto* importer =
        new ImportController(*this, *document_, *edits_, services_.files, *services_.prompter);
    QMenu* items = exchangeButton(*this)->menu();
    items->addAction(&importer->action());
    items->addAction(addExportAction(*this, *grid_, *state_, *gridView_, *summary_, *document_,
                                     *edits_, services_.files, *services_.prompter));
    connect(importer, &ImportController::imported, this, [this] {
        exit_->markModified();
        gridView_->showFirstColumn();
    });
    items->addSeparator();
    items->addAction(makeFolderAction(
        *this, services_.journalFolder, edits_->command(document_, &JournalDocument::mayReplace),
        services_.files, *services_.prompter, services_.settings.get(),
        [this](const QString& folder) { switchFolder(folder); }));
}

// Everything that names the journal folder follows; this year's register there is shown.
void JournalWindow::switchFolder(const QString& folder) {
    services_.journalFolder = folder;
    journal_->setFolder(folder);
    repeats_->setJournalFolder(folder);
    document_->open(ShownJournal::currentYear());
}

void JournalWindow::openFoundRow(const QString& journal, int row) {
    if (!document_->mayReplace())
        return;
    document_->open(journal == QStringLiteral("thisyear.csv")
                        ? ShownJournal::currentYear()
                        : ShownJournal::archiveNamed(journal));
    // The row as the list counts it, from 1.
    if (row >= 1 && row <= grid_->rowCount())
        gridView_->goToRow(row - 1, 0);
}

void JournalWindow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    layoutGrid();
}

void JournalWindow::closeEvent(QCloseEvent* event) {
    event->setAccepted(exit_->closeRequested());
}

void JournalWindow::openJournal() {
    if (document_->mayReplace())
        document_->open(ShownJournal::currentYear());
}

void JournalWindow::openArchive() {
    if (const std::optional<QString> name =
            journal::askArchiveName(*services_.prompter, journal::openArchivePrompt(),
                                    journal::listArchives(services_.journalFolder));
        name && document_->mayReplace())
        document_->open(ShownJournal::archiveNamed(*name));
}

void JournalWindow::fillBlockDates() {
    midnight_->followToday();
    const auto step = history_->step(QStringLiteral("Даты блокировки"));
    journal_->fillBlockDates();
}

void JournalWindow::searchColumn() {
    const QString prompt = editing::searchPrompt();
    const int column = gridView_->selectionEnd().x();
    if (const std::optional<int> row =
            editing::searchColumn(*grid_, column, services_.prompter->inputBox(prompt, prompt),
                                  [this](int row) { return !gridView_->isRowHidden(row); }))
        // The found cell alone is selected, so that "Удалить строку" then removes the unit found.
        gridView_->goTo(*row, column, QAbstractItemView::PositionAtTop);
}

// Every click on the grid counts as a change, opens the editor on the clicked cell and brings the
// block dates up to date.
void JournalWindow::editClickedCell(CellEditor::Start start) {
    exit_->markModified();
    edits_->open(start);
    fillBlockDates();
}

} // namespace app
