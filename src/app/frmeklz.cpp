#include "app/frmeklz.h"

#include "app/blockwatchdelegate.h"
#include "app/celleditor.h"
#include "app/commandbutton.h"
#include "app/exitprompt.h"
#include "app/fonts.h"
#include "app/gridmodel.h"
#include "app/gridview.h"
#include "app/intervaltimer.h"
#include "app/prompter.h"
#include "app/twips.h"
#include "editing/journalsortkey.h"
#include "editing/journaltextvalidator.h"
#include "editing/rowcolumncommands.h"
#include "editing/search.h"
#include "editing/sortbycolumn.h"
#include "journal/autosave.h"
#include "journal/blockdates.h"
#include "journal/blockwatch.h"
#include "journal/journalcolumns.h"
#include "journal/journalfiles.h"
#include "printing/journalprintout.h"
#include "printing/printprogressdialog.h"
#include "printing/printservices.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <algorithm>

namespace {

constexpr int ClientWidth = 10575;
constexpr int ClientHeight = 4995;
// The grid keeps these margins to the window's inner right and bottom edges.
constexpr int GridWidthMargin = 850;
constexpr int GridHeightMargin = 1900;
// The block summary sits this far below the grid, in the strip the bottom margin leaves.
constexpr int SummaryGap = 30;
constexpr qint64 DayMs = 24 * 60 * 60 * 1000;
constexpr qint64 MinuteMs = 60 * 1000;

} // namespace

FrmEKLZ::FrmEKLZ(WindowServices services, QWidget* parent)
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
    setWindowTitle(QStringLiteral("Журнал учета ЭКЛЗ"));
    QIcon icon;
    icon.addFile(QStringLiteral(":/icons/journal32.xpm"), QSize(32, 32));
    icon.addFile(QStringLiteral(":/icons/journal16.xpm"), QSize(16, 16));
    setWindowIcon(icon);
    resize(twips::toPixels(this, ClientWidth), twips::toPixels(this, ClientHeight));
    createControls();
    journal_ = std::make_unique<JournalFiles>(*grid_, *services_.prompter, services_.programFolder);
    load();
}

FrmEKLZ::~FrmEKLZ() = default;

QPushButton* FrmEKLZ::addButton(const char* name, const QString& caption, int left, int top,
                                int width, int height) {
    auto* button = new CommandButton(caption, this);
    button->setObjectName(QString::fromLatin1(name));
    button->setFont(msSansSerif(8.25, true));
    button->setStyleSheet(QStringLiteral(
        "QPushButton { background-color: rgb(224, 224, 224); border: 1px solid gray; }"
        "QPushButton:pressed { background-color: rgb(200, 200, 200); }"
        "QPushButton:focus { border: 2px solid black; }"));
    placeTwips(button, left, top, width, height);
    return button;
}

void FrmEKLZ::placeTwips(QWidget* control, int left, int top, int width, int height) {
    control->setGeometry(twips::toPixels(this, left, top, width, height));
}

QPushButton* FrmEKLZ::button(const QString& name) const {
    return findChild<QPushButton*>(name, Qt::FindDirectChildrenOnly);
}

void FrmEKLZ::createControls() {
    connect(addButton("CmdDelC", QStringLiteral("Удалить колонку"), 480, 120, 1095, 615),
            &QPushButton::clicked, this, &FrmEKLZ::CmdDelC_Click);
    connect(addButton("CmdAddC", QStringLiteral("Добавить колонку"), 480, 720, 1095, 615),
            &QPushButton::clicked, this, &FrmEKLZ::CmdAddC_Click);
    connect(addButton("CmdDelS", QStringLiteral(" Удалить строку"), 1560, 120, 1095, 615),
            &QPushButton::clicked, this, &FrmEKLZ::CmdDelS_Click);
    connect(addButton("CmdAddS", QStringLiteral("Добавить строку"), 1560, 720, 1095, 615),
            &QPushButton::clicked, this, &FrmEKLZ::CmdAddS_Click);
    connect(addButton("CmdSortC", QStringLiteral("Переместить колонки"), 2640, 120, 1335, 615),
            &QPushButton::clicked, this, &FrmEKLZ::CmdSortC_Click);
    connect(addButton("CmdSearh", QStringLiteral("Поиск"), 2640, 720, 1335, 615),
            &QPushButton::clicked, this, &FrmEKLZ::CmdSearh_Click);
    connect(addButton("CmdZArch", QStringLiteral("Загрузить архив"), 3960, 120, 1335, 615),
            &QPushButton::clicked, this, &FrmEKLZ::CmdZArch_Click);
    connect(addButton("CmdZagruz", QStringLiteral("Открыть журнал"), 3960, 720, 1335, 615),
            &QPushButton::clicked, this, &FrmEKLZ::CmdZagruz_Click);
    connect(addButton("CmdSaveAs", QStringLiteral("Сохранить как"), 5280, 120, 1335, 615),
            &QPushButton::clicked, this, &FrmEKLZ::CmdSaveAs_Click);
    connect(addButton("CmdSave", QStringLiteral("Сохранить изменения"), 5280, 720, 1335, 615),
            &QPushButton::clicked, this, &FrmEKLZ::CmdSave_Click);
    QPushButton* cmdEdit = addButton("CmdEdit", QStringLiteral("Ввод"), 6840, 120, 855, 615);
    connect(cmdEdit, &QPushButton::clicked, this, &FrmEKLZ::CmdEdit_Click);
    cmdEdit->installEventFilter(this);
    connect(addButton("CmdPrint", QStringLiteral("Печать"), 7920, 120, 855, 615),
            &QPushButton::clicked, this, &FrmEKLZ::CmdPrint_Click);
    connect(addButton("CmdProd", QStringLiteral("Выход"), 9120, 120, 855, 615),
            &QPushButton::clicked, this, &FrmEKLZ::CmdProd_Click);

    TxtVvod = new QLineEdit(this);
    TxtVvod->setObjectName(QStringLiteral("TxtVvod"));
    placeTwips(TxtVvod, 6840, 840, 3135, 435);
    TxtVvod->installEventFilter(this);
    TxtVvod->setValidator(new editing::JournalTextValidator(TxtVvod));
    // The current cell follows the input line as it is typed, deleted or pasted into.
    connect(TxtVvod, &QLineEdit::textEdited, this, &FrmEKLZ::copyInputLineToCell);

    grid_ = new GridModel(this);
    grid_->setSortKeyMaker(&editing::journalSortKey);
    MSFGAZ = new GridView(grid_, this);
    MSFGAZ->setObjectName(QStringLiteral("MSFGAZ"));
    placeTwips(MSFGAZ, 480, 1560, 9615, 3255);
    connect(MSFGAZ, &GridView::clicked, this, &FrmEKLZ::MSFGAZ_Click);
    connect(MSFGAZ, &GridView::gotFocus, this, &FrmEKLZ::MSFGAZ_GotFocus);
    connect(MSFGAZ, &GridView::mouseUp, this, &FrmEKLZ::MSFGAZ_MouseUp);
    connect(grid_, &GridModel::leaveCell, this, &FrmEKLZ::MSFGAZ_LeaveCell);

    txtDataEntry = new CellEditor(this);
    txtDataEntry->setObjectName(QStringLiteral("txtDataEntry"));
    placeTwips(txtDataEntry, 120, 2280, 255, 285);
    txtDataEntry->hide();
    txtDataEntry->setValidator(new editing::JournalTextValidator(txtDataEntry));
    connect(txtDataEntry, &CellEditor::commitRequested, this, [this] {
        closeCellEditor();
        MSFGAZ->setFocus(Qt::OtherFocusReason);
    });
    connect(txtDataEntry, &CellEditor::dropRequested, this, [this] {
        txtDataEntry->drop();
        MSFGAZ->setFocus(Qt::OtherFocusReason);
    });

    Dialog = new ExitPrompt(this);
    connect(Dialog, &ExitPrompt::saveRequested, this, &FrmEKLZ::DialogOKButton_Click);
    connect(Dialog, &ExitPrompt::discardRequested, this, &FrmEKLZ::DialogCancelButton_Click);

    Timer2 = new IntervalTimer(this);
    Timer2->setObjectName(QStringLiteral("Timer2"));
    connect(Timer2, &IntervalTimer::timer, this, &FrmEKLZ::Timer2_Timer);

    createBlockWatch();
    setTabOrder();
}

void FrmEKLZ::createBlockWatch() {
    blockWatch_ = new journal::BlockWatch(*grid_, services_.clock->today(), this);
    MSFGAZ->setItemDelegate(new BlockWatchDelegate(*blockWatch_, MSFGAZ));
    connect(blockWatch_, &journal::BlockWatch::statesReset, MSFGAZ, &GridView::refresh);

    LblBlocked = new QLabel(this);
    LblBlocked->setObjectName(QStringLiteral("LblBlocked"));
    LblBlocked->setFont(msSansSerif(8.25));
    LblBlocked->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    connect(blockWatch_, &journal::BlockWatch::countsChanged, this, &FrmEKLZ::showBlockSummary);
    showBlockSummary();
    placeBlockSummary();

    TimerMidnight = new QTimer(this);
    TimerMidnight->setObjectName(QStringLiteral("TimerMidnight"));
    TimerMidnight->setSingleShot(true);
    TimerMidnight->setTimerType(Qt::PreciseTimer);
    connect(TimerMidnight, &QTimer::timeout, this, &FrmEKLZ::TimerMidnight_Timer);
    scheduleMidnight();
}

void FrmEKLZ::showBlockSummary() {
    LblBlocked->setText(journal::blockSummaryText(blockWatch_->counts()));
}

// Left-aligned with the grid and as wide, in the strip below it.
void FrmEKLZ::placeBlockSummary() {
    const QRect gridArea = MSFGAZ->geometry();
    const int top = gridArea.bottom() + 1 + twips::toPixels(this, SummaryGap);
    LblBlocked->setGeometry(gridArea.left(), top, gridArea.width(),
                            std::max(LblBlocked->fontMetrics().height(), height() - top));
}

void FrmEKLZ::followToday() {
    blockWatch_->setToday(services_.clock->today());
}

void FrmEKLZ::scheduleMidnight() {
    const QDateTime now = services_.clock->now();
    qint64 wait = now.msecsTo(QDateTime(now.date().addDays(1), QTime(0, 0)));
    // No such local time (a daylight-saving change at midnight) or an unreadable clock: look
    // again in a minute.
    if (wait <= 0)
        wait = MinuteMs;
    TimerMidnight->start(int(std::min(wait, DayMs + MinuteMs)));
}

void FrmEKLZ::TimerMidnight_Timer() {
    followToday();
    scheduleMidnight();
}

void FrmEKLZ::setTabOrder() {
    const QList<QWidget*> order = {TxtVvod,
                                   button(QStringLiteral("CmdProd")),
                                   MSFGAZ,
                                   button(QStringLiteral("CmdDelC")),
                                   button(QStringLiteral("CmdDelS")),
                                   button(QStringLiteral("CmdAddC")),
                                   button(QStringLiteral("CmdAddS")),
                                   button(QStringLiteral("CmdZArch")),
                                   button(QStringLiteral("CmdZagruz")),
                                   button(QStringLiteral("CmdSortC")),
                                   button(QStringLiteral("CmdSave")),
                                   button(QStringLiteral("CmdEdit")),
                                   button(QStringLiteral("CmdSearh")),
                                   txtDataEntry,
                                   button(QStringLiteral("CmdSaveAs")),
                                   button(QStringLiteral("CmdPrint"))};
    for (qsizetype i = 1; i < order.size(); ++i)
        QWidget::setTabOrder(order[i - 1], order[i]);
    TxtVvod->setFocus(Qt::OtherFocusReason);
}

void FrmEKLZ::load() {
    headerFormat = journal::headerFormat();
    grid_->setFormatString(headerFormat);
    grid_->setColWidth(0, 1500);
    grid_->setRowHeight(0, 300);
    TxtVvod->setText(QString());
}

void FrmEKLZ::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    // The grid refuses a negative size (a minimised or tiny window): it then keeps its last one.
    const int innerWidth = twips::fromPixels(this, width());
    const int innerHeight = twips::fromPixels(this, height());
    try {
        MSFGAZ->setWidthTwips(innerWidth - GridWidthMargin);
    } catch (const GridError&) {
    }
    try {
        MSFGAZ->setHeightTwips(innerHeight - GridHeightMargin);
    } catch (const GridError&) {
    }
    placeBlockSummary();
}

void FrmEKLZ::closeEvent(QCloseEvent* event) {
    if (ending_) {
        event->accept();
        return;
    }
    // Closing from the title bar after changes asks, as "Выход" does, instead of losing them.
    if (gridModified) {
        event->ignore();
        Dialog->present();
        return;
    }
    event->accept();
    unload();
}

void FrmEKLZ::unload() {
    Timer2->setEnabled(false);
    endProgram();
}

void FrmEKLZ::endProgram() {
    ending_ = true;
    Timer2->setEnabled(false);
    Dialog->hide();
    services_.endProgram();
}

bool FrmEKLZ::eventFilter(QObject* watched, QEvent* event) {
    if (watched == TxtVvod && event->type() == QEvent::MouseButtonPress)
        TxtVvod_Click();
    if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (!key->text().isEmpty()) {
            if (watched == TxtVvod)
                TxtVvod_KeyPress();
            else if (watched == button(QStringLiteral("CmdEdit")))
                CmdEdit_KeyPress();
        }
    }
    return QWidget::eventFilter(watched, event);
}

void FrmEKLZ::closeCellEditor() {
    markModifiedIf(txtDataEntry->commit(*grid_));
}

void FrmEKLZ::markModifiedIf(bool changed) {
    if (changed)
        gridModified = true;
}

void FrmEKLZ::copyInputLineToCell() {
    const QString typed = TxtVvod->text();
    if (grid_->text() == typed)
        return;
    grid_->setText(typed);
    markModifiedIf(true);
}

// Opening and the block-date pass change many rows one by one: the summary follows once, at
// the end.
void FrmEKLZ::loadgrid() {
    followToday();
    const journal::BlockWatch::Batch batch(*blockWatch_);
    journal_->loadgrid(headerFormat);
}

void FrmEKLZ::loadgridarch() {
    followToday();
    const journal::BlockWatch::Batch batch(*blockWatch_);
    journal_->loadgridarch(headerFormat);
}

bool FrmEKLZ::SaveGridn() {
    closeCellEditor();
    return journal_->SaveGridn();
}

void FrmEKLZ::SaveAsGridn() {
    journal_->SaveAsGridn();
}

void FrmEKLZ::Wait(double seconds) {
    journal::wait(*Timer2, seconds);
}

void FrmEKLZ::ciclesave() {
    journal::ciclesave(*grid_, *Timer2, [this] { SaveGridn(); });
}

void FrmEKLZ::blocdata() {
    followToday();
    const journal::BlockWatch::Batch batch(*blockWatch_);
    journal::fillBlockDates(*grid_);
}

void FrmEKLZ::tabPrint() {
    const PrintResult result =
        ::tabPrint(*grid_, *services_.printer, *services_.clock, services_.printProgress.get());
    if (result == PrintResult::NoPrinter)
        services_.prompter->message(noPrinterMessage());
}

void FrmEKLZ::CmdDelC_Click() {
    closeCellEditor();
    markModifiedIf(editing::deleteColumn(*grid_));
}

void FrmEKLZ::CmdAddC_Click() {
    closeCellEditor();
    markModifiedIf(editing::addColumn(*grid_));
}

void FrmEKLZ::CmdDelS_Click() {
    closeCellEditor();
    markModifiedIf(editing::deleteRow(*grid_));
}

void FrmEKLZ::CmdAddS_Click() {
    closeCellEditor();
    markModifiedIf(editing::addRow(*grid_));
}

void FrmEKLZ::CmdSortC_Click() {
    closeCellEditor();
    markModifiedIf(editing::moveLastColumnToCurrent(*grid_));
}

void FrmEKLZ::CmdSearh_Click() {
    closeCellEditor();
    const QString prompt = editing::searchPrompt();
    editing::searchColumn(*grid_, services_.prompter->inputBox(prompt, prompt));
}

void FrmEKLZ::CmdZArch_Click() {
    closeCellEditor();
    loadgridarch();
}

void FrmEKLZ::CmdZagruz_Click() {
    closeCellEditor();
    loadgrid();
}

void FrmEKLZ::CmdSaveAs_Click() {
    closeCellEditor();
    SaveAsGridn();
}

void FrmEKLZ::CmdSave_Click() {
    SaveGridn();
}

void FrmEKLZ::CmdEdit_Click() {
    closeCellEditor();
    copyInputLineToCell();
}

void FrmEKLZ::CmdEdit_KeyPress() {
    copyInputLineToCell();
}

void FrmEKLZ::TxtVvod_Click() {
    // A click into the input line drops the open edit: the cell keeps its previous text.
    txtDataEntry->drop();
    TxtVvod->setFocus(Qt::MouseFocusReason);
}

void FrmEKLZ::TxtVvod_KeyPress() {
    copyInputLineToCell();
}

void FrmEKLZ::CmdPrint_Click() {
    closeCellEditor();
    tabPrint();
}

void FrmEKLZ::CmdProd_Click() {
    closeCellEditor();
    if (gridModified)
        Dialog->present();
    else
        unload();
}

void FrmEKLZ::DialogOKButton_Click() {
    const bool saved = SaveGridn();
    Dialog->close();
    // After a failed save (its message already shown) the program stays open.
    if (saved)
        endProgram();
}

void FrmEKLZ::DialogCancelButton_Click() {
    Dialog->close();
    endProgram();
}

void FrmEKLZ::MSFGAZ_Click() {
    gridModified = true;
    openCellEditor();
    blocdata();
}

void FrmEKLZ::openCellEditor() {
    const int row = grid_->row();
    const int col = grid_->col();
    const QRect cell(twips::toPixels(this, MSFGAZ->cellLeft() + MSFGAZ->leftTwips()),
                     twips::toPixels(this, MSFGAZ->cellTop() + MSFGAZ->topTwips()),
                     twips::toPixels(this, MSFGAZ->cellWidth()),
                     twips::toPixels(this, MSFGAZ->cellHeight()));
    txtDataEntry->open(row, col, grid_->textMatrix(row, col), cell);
}

void FrmEKLZ::MSFGAZ_LeaveCell() {
    closeCellEditor();
}
void FrmEKLZ::MSFGAZ_GotFocus() {
    closeCellEditor();
}

void FrmEKLZ::MSFGAZ_MouseUp() {
    if (MSFGAZ->mouseRow() != 0)
        return;
    closeCellEditor();
    sortByColumn(MSFGAZ->mouseCol());
}

void FrmEKLZ::sortByColumn(int column) {
    MSFGAZ->setVisible(false);
    MSFGAZ->refresh();
    const journal::BlockWatch::Batch batch(*blockWatch_);
    markModifiedIf(editing::sortByColumn(*grid_, column, headerFormat));
    MSFGAZ->setVisible(true);
}

void FrmEKLZ::Timer2_Timer() {
    Timer2->setInterval(0);
}
