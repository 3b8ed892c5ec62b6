#include "app/blockwatchdelegate.h"
#include "app/celleditor.h"
#include "app/gridmodel.h"
#include "app/gridview.h"
#include "app/twips.h"
#include "journal/blockwatch.h"
#include "support/printfixtures.h"
#include "support/windowharness.h"

#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <QTimer>

using journal::BlockState;

namespace {

QByteArray journalLine(const QStringList& cells) {
    QString line;
    for (int c = 0; c < 8; ++c)
        line += cells.value(c) + QLatin1Char(';');
    return cp1251(line) + "\r\n";
}

// Judged on 07.12.2026, once the block dates are computed on opening:
//   1 Альфа    activated 15.12.2025, blocks 01.02.2027: clear
//   2 Бета     activated 10.10.2025, blocks 01.12.2026: blocked
//   3 Вега     activated 05.11.2025, blocks 01.01.2027: soon
//   4 Гамма    activated 01.01.2025, blocks 01.03.2026: blocked
//   5 Дельта   no activation date: the block-date pass stops here
//   6 Эпсилон  activated 01.11.2025 (would block 01.01.2027), the file says 01.12.2027: clear
// The mechanics are in reverse order, so that sorting by them turns the register upside down.
QByteArray sampleJournal() {
    const auto row = [](const char* owner, const char* activation, const char* block,
                        const char* mechanic) {
        return journalLine({QString::fromUtf8(owner), QStringLiteral("ЭКР"), QStringLiteral("17"),
                            QStringLiteral("А12"), QStringLiteral("Б34"),
                            QString::fromUtf8(activation), QString::fromUtf8(block),
                            QString::fromUtf8(mechanic)});
    };
    return row("Альфа", "15.12.2025", "", "Яковлев") + row("Бета", "10.10.2025", "", "Федоров") +
           row("Вега", "05.11.2025", "", "Уткин") + row("Гамма", "01.01.2025", "", "Петров") +
           row("Дельта", "", "", "Иванов") + row("Эпсилон", "01.11.2025", "01.12.2027", "Андреев");
}

QString summary(int blocked, int soon) {
    return QStringLiteral("Заблокированы: %1. Блокируются в ближайшие 31 дн.: %2.")
        .arg(blocked)
        .arg(soon);
}

QList<BlockState> rowStates(FrmEKLZ& window) {
    QList<BlockState> states;
    for (int r = 1; r < window.grid().rows(); ++r)
        states << window.blockWatch().state(r);
    return states;
}

// A window whose clock says 07.12.2026 9:05, with the sample journal opened.
struct OpenedWindow {
    std::shared_ptr<FixedClock> clock = std::make_shared<FixedClock>();
    std::unique_ptr<WindowHarness> harness;

    OpenedWindow() {
        WindowServices services;
        services.clock = clock;
        harness = std::make_unique<WindowHarness>(services);
        harness->folder().write(QStringLiteral("thisyear.csv"), sampleJournal());
        harness->press("CmdZagruz");
    }
    FrmEKLZ& window() { return harness->window(); }
    QString shown() { return window().blockSummary().text(); }
};

// The colour the grid shows in the middle of a cell's left margin (the caption is centred).
QColor colourOfCell(GridView& view, int row, int col) {
    view.scrollTo(view.model()->index(std::max(0, row - 1), col));
    const QImage image = view.grab().toImage();
    QPoint at;
    if (row == 0) {
        const QHeaderView* header = view.horizontalHeader();
        at = header->geometry().topLeft() +
             QPoint(header->sectionViewportPosition(col) + 3, header->height() / 2);
    } else {
        const QRect cell = view.visualRect(view.model()->index(row - 1, col));
        at = view.viewport()->geometry().topLeft() + QPoint(cell.left() + 3, cell.center().y());
    }
    return image.pixelColor(at * image.devicePixelRatio());
}

} // namespace

class TestWindowBlockWatch : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void summaryFollowsOpeningsAndEdits() {
        OpenedWindow opened;
        WindowHarness& harness = *opened.harness;
        QCOMPARE(opened.window().grid().rows(), 7);
        QCOMPARE(opened.shown(), summary(2, 1));

        // A new activation date in the editor counts once the next click computes block dates.
        harness.clickCell(1, 5);
        CellEditor& editor = opened.window().cellEditor();
        editor.selectAll();
        typeText(&editor, QStringLiteral("01.01.2025"));
        QCOMPARE(opened.shown(), summary(2, 1));
        harness.clickCell(1, 0);
        QCOMPARE(opened.window().grid().textMatrix(1, 6), QStringLiteral("01.03.2026"));
        QCOMPARE(opened.shown(), summary(3, 1));

        // A block date typed through the input line counts at once.
        harness.clickCell(3, 6);
        QTest::mouseClick(&opened.window().inputLine(), Qt::LeftButton);
        typeText(&opened.window().inputLine(), QStringLiteral("01.06.2027"));
        QCOMPARE(opened.shown(), summary(3, 0));

        // Deleting a blocked row counts it out (the click computes row 3's date again first).
        harness.clickCell(2, 0);
        harness.press("CmdDelS");
        QCOMPARE(opened.shown(), summary(2, 1));

        // An archive is judged by the block dates it holds: opening it computes none.
        QByteArray archive = sampleJournal();
        archive.replace(cp1251(QStringLiteral("01.12.2027")), cp1251(QStringLiteral("01.12.2025")));
        harness.folder().write(QStringLiteral("Archive/2025.csv"), archive);
        harness.prompter().answers << QStringLiteral("2025");
        harness.press("CmdZArch");
        QCOMPARE(opened.shown(), summary(1, 0));
    }

    void paintsRowsByTheirStateAndFollowsASort() {
        OpenedWindow opened;
        GridView& view = opened.window().gridView();
        for (int col : {0, 6, 7}) {
            QCOMPARE(colourOfCell(view, 1, col), QColor(Qt::white));
            QCOMPARE(colourOfCell(view, 2, col), BlockWatchDelegate::BlockedColour);
            QCOMPARE(colourOfCell(view, 3, col), BlockWatchDelegate::SoonColour);
        }
        QCOMPARE(colourOfCell(view, 5, 3), QColor(Qt::white));
        QCOMPARE(colourOfCell(view, 0, 3), QColor(255, 255, 192));
        QCOMPARE(view.palette().color(QPalette::Text), QColor(Qt::black));

        // The selected cell keeps the selection colour; its neighbours keep the row's shade.
        opened.harness->clickCell(2, 3);
        QCOMPARE(colourOfCell(view, 2, 3), QColor(255, 128, 128));
        QCOMPARE(colourOfCell(view, 2, 4), BlockWatchDelegate::BlockedColour);

        // A click on the mechanic's header sorts by it, reversing the rows; the click's
        // block-date pass then reaches the first row only (the second has no activation date),
        // which gets its computed block date 01.01.2027.
        opened.harness->clickCell(0, 7);
        QCOMPARE(opened.window().grid().textMatrix(1, 0), QStringLiteral("Эпсилон"));
        QCOMPARE(opened.shown(), summary(2, 2));
        using enum BlockState;
        QCOMPARE(rowStates(opened.window()),
                 (QList<BlockState>{Soon, Clear, Blocked, Soon, Blocked, Clear}));
        QCOMPARE(colourOfCell(view, 1, 2), BlockWatchDelegate::SoonColour);
        QCOMPARE(colourOfCell(view, 3, 2), BlockWatchDelegate::BlockedColour);
        QCOMPARE(colourOfCell(view, 6, 2), QColor(Qt::white));
    }

    void aNewDayCountsAtMidnightOrAtTheNextClick() {
        OpenedWindow opened;
        FrmEKLZ& window = opened.window();
        QTimer& midnight = window.midnightTimer();
        // Opened at 9:05: the timer waits for the coming midnight.
        QVERIFY(midnight.isActive());
        QVERIFY(midnight.isSingleShot());
        QCOMPARE(midnight.interval(), (14 * 60 + 55) * 60 * 1000);

        // On 31.12.2026 the unit that blocks on 01.01.2027 is among those that block soon; a
        // timer that fires a little early finds the same day and waits out the rest.
        opened.clock->setNow(QDateTime(QDate(2026, 12, 31), QTime(23, 59, 59, 900)));
        window.TimerMidnight_Timer();
        QCOMPARE(opened.shown(), summary(2, 1));
        QCOMPARE(midnight.interval(), 100);

        // On 01.01.2027 it has blocked, and the one that blocks on 01.02.2027 blocks soon.
        opened.clock->setNow(QDateTime(QDate(2027, 1, 1), QTime(0, 0, 0, 250)));
        window.TimerMidnight_Timer();
        QCOMPARE(opened.shown(), summary(3, 1));
        QCOMPARE(colourOfCell(window.gridView(), 3, 2), BlockWatchDelegate::BlockedColour);
        QVERIFY(midnight.isActive());
        QCOMPARE(midnight.interval(), 24 * 60 * 60 * 1000 - 250);

        // A day that turned while the timer slept (a suspended machine) counts at the next click.
        opened.clock->setToday(QDate(2027, 2, 1));
        QCOMPARE(opened.shown(), summary(3, 1));
        opened.harness->clickCell(2, 1);
        QCOMPARE(opened.shown(), summary(4, 0));
    }

    void summarySitsBelowTheGridAndFollowsTheWindow() {
        WindowHarness harness;
        FrmEKLZ& window = harness.window();
        QLabel& label = window.blockSummary();
        QCOMPARE(label.text(), summary(0, 0));
        GridView& grid = window.gridView();
        for (const QSize change : {QSize(0, 0), QSize(1000, 1000), QSize(-2000, -500)}) {
            window.resize(window.width() + twips::toPixels(&window, change.width()),
                          window.height() + twips::toPixels(&window, change.height()));
            QVERIFY(label.isVisible());
            QCOMPARE(label.x(), grid.x());
            QCOMPARE(label.width(), grid.width());
            QVERIFY(label.y() > grid.geometry().bottom());
            QVERIFY(label.y() + label.fontMetrics().height() <= window.height());
            QVERIFY(label.fontMetrics().horizontalAdvance(label.text()) <= label.width());
        }
    }
};

QTEST_MAIN(TestWindowBlockWatch)
#include "tst_windowblockwatch.moc"
