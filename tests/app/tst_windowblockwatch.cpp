#include "app/celldelegate.h"
#include "app/gridview.h"
#include "app/midnightwatch.h"
#include "support/gridtexts.h"
#include "support/printfixtures.h"
#include "support/recordingsurface.h"
#include "support/windowharness.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <QTimer>

namespace {

const QColor White(Qt::white);
const QColor Red = app::CellDelegate::BlockedColour;
const QColor Amber = app::CellDelegate::SoonColour;

// Keeps the texts of every printout made on it, page after page.
class RecordingPrinter : public printing::PrinterProvider {
public:
    QList<QStringList> printouts;
    std::unique_ptr<printing::PageSurface> open() override {
        printouts.append(QStringList());
        return std::make_unique<Surface>(printouts.last());
    }

private:
    struct Surface : RecordingSurface {
        explicit Surface(QStringList& texts) : texts_(texts) {}
        ~Surface() override {
            for (const Text& text : texts())
                texts_ << text.text;
        }
        QStringList& texts_;
    };
};

// A window whose clock says 07.12.2026 9:05, with a journal opened. Opening computes the block
// dates down to the first row without an activation date; the mechanics run backwards, so that
// sorting by them turns the register upside down.
struct OpenedWindow {
    std::shared_ptr<FixedClock> clock = std::make_shared<FixedClock>();
    std::shared_ptr<RecordingPrinter> printer = std::make_shared<RecordingPrinter>();
    WindowHarness harness{[this] {
        app::WindowServices services;
        services.clock = clock;
        services.printer = printer;
        return services;
    }()};

    OpenedWindow() {
        const auto row = [](const char* owner, const char* activation, const char* mechanic) {
            return texts({owner, "", "", "", "", activation, "", mechanic});
        };
        QList<QStringList> rows = {
            row("Альфа", "15.12.2025", "Яковлев"), // blocks 01.02.2027: clear
            row("Бета", "10.10.2025", "Федоров"),  // blocks 01.12.2026: blocked
            row("Вега", "05.11.2025", "Уткин"),    // blocks 01.01.2027: soon
            row("Гамма", "01.01.2025", "Петров"),  // blocks 01.03.2026: blocked
            row("Дельта", "", "Иванов"),
            row("Эпсилон", "01.11.2025", "Андреев")}; // would block 01.01.2027
        rows[5][6] = QStringLiteral("01.12.2027");    // but the file says so: clear
        harness.folder().write(QStringLiteral("thisyear.csv"), journalBytes(rows));
        harness.press("CmdZagruz");
    }
    app::JournalWindow& window() { return harness.window(); }
    QString shown() { return harness.blockSummary().text(); }
    // The colours the grid shows near the left edge of a column's data cells (captions are
    // centred), from the top.
    QList<QColor> colours(int col) {
        app::GridView& view = harness.gridView();
        view.scrollTo(view.model()->index(0, col));
        const QImage image = view.grab().toImage();
        QList<QColor> all;
        for (int r = 0; r < view.model()->rowCount(); ++r) {
            const QRect cell = view.visualRect(view.model()->index(r, col));
            const QPoint at =
                view.viewport()->geometry().topLeft() + QPoint(cell.left() + 3, cell.center().y());
            all << image.pixelColor(at * image.devicePixelRatio());
        }
        return all;
    }
};

QString summary(int blocked, int soon) {
    return QStringLiteral("Заблокированы: %1. Блокируются в ближайшие 31 дн.: %2.")
        .arg(blocked)
        .arg(soon);
}

} // namespace

class TestWindowBlockWatch : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // Rows are shaded by their block state, and the count below the grid follows an opening, an
    // edit and a sort.
    void rowsAreShadedAndCountedByBlockState() {
        OpenedWindow opened;
        QCOMPARE(opened.shown(), summary(2, 1));
        QCOMPARE(opened.colours(0), (QList{White, Red, Amber, Red, White, White}));

        // A block date typed into the input line counts at once.
        opened.harness.clickCell(2, 6);
        QTest::mouseClick(&opened.harness.inputLine(), Qt::LeftButton);
        typeText(&opened.harness.inputLine(), QStringLiteral("01.06.2027"));
        QCOMPARE(opened.shown(), summary(2, 0));

        // A click on the mechanics' header sorts by them; the click's block-date pass then gives
        // the new first row its computed block date 01.01.2027 and stops at the second.
        opened.harness.clickCaption(7);
        QCOMPARE(opened.harness.grid().text(0, 0), QStringLiteral("Эпсилон"));
        QCOMPARE(opened.shown(), summary(2, 1));
        QCOMPARE(opened.colours(2), (QList{Amber, White, Red, White, Red, White}));
    }

    // The list for a round shows the blocked units and those blocking soon; printed alone, the
    // list is titled with the filter's name, and the whole journal is not.
    void theRoundListShowsBlockedAndSoonAndNamesItsPrintout() {
        OpenedWindow opened;
        auto& filter = opened.harness.control<QComboBox>("CmbFilter");
        const QString name = QStringLiteral("Заблокированы и блокируются в ближайшие 31 дн.");
        filter.setCurrentIndex(filter.findText(name));
        QCOMPARE(filter.currentData().toInt(), int(model::RowFilter::BlockedOrSoon));
        QList<bool> hidden;
        for (int r = 0; r < 6; ++r)
            hidden << opened.harness.gridView().isRowHidden(r);
        QCOMPARE(hidden, (QList<bool>{true, false, false, false, true, true}));
        QVERIFY(opened.shown().endsWith(QStringLiteral(" Показано строк: 3.")));

        opened.harness.prompter().questionAnswers = {true, false};
        opened.harness.press("CmdPrint");
        opened.harness.press("CmdPrint");
        const QList<QStringList>& printed = opened.printer->printouts;
        QCOMPARE(printed.size(), 2);
        QCOMPARE(printed[0].first(), QStringLiteral(" ЖУРНАЛ ЭКЛЗ  от  07.12.2026 9:05 — ") + name);
        QVERIFY(printed[0].contains(QStringLiteral("Вега")) &&
                !printed[0].contains(QStringLiteral("Альфа")));
        QCOMPARE(printed[1].first(), QStringLiteral(" ЖУРНАЛ ЭКЛЗ  от  07.12.2026 9:05"));
        QVERIFY(printed[1].contains(QStringLiteral("Альфа")));
    }

    // A journal saved with the mechanics moved to the block dates' place: the line below the
    // grid says why no block dates are written.
    void saysWhyBlockDatesAreNotFilled() {
        WindowHarness harness;
        const auto row = [](const char* activation, const char* mechanic) {
            return texts({"Альфа", "", "", "", "", activation, mechanic, "01.02.2027"});
        };
        harness.folder().write(QStringLiteral("thisyear.csv"),
                               journalBytes({row("15.12.2025", "Яковлев"),
                                             row("10.10.2025", "Федоров"), row("", "Уткин")}));
        harness.press("CmdZagruz");
        QCOMPARE(harness.grid().text(0, 6), QStringLiteral("Яковлев"));
        QCOMPARE(harness.blockSummary().text(),
                 summary(0, 0) + QStringLiteral(" Дата блок. не заполняется: в колонке «Дата "
                                                "блок.» не даты (2 из 2)."));
    }

    // The states move on at midnight by the clock; a timer that fires a little early waits out
    // the rest of the day, and a day that turned while the timer slept counts at the next click.
    void aNewDayCountsAtMidnight() {
        OpenedWindow opened;
        auto& midnight = opened.harness.control<QTimer>("TimerMidnight");
        QVERIFY(midnight.isActive() && midnight.isSingleShot());
        QCOMPARE(midnight.interval(), (14 * 60 + 55) * 60 * 1000);
        auto* watch = opened.window().findChild<app::MidnightWatch*>();
        QVERIFY(watch);
        opened.clock->setNow(QDateTime(QDate(2026, 12, 31), QTime(23, 59, 59, 900)));
        watch->followMidnight();
        QCOMPARE(opened.shown(), summary(2, 1));
        QCOMPARE(midnight.interval(), 100);

        opened.clock->setNow(QDateTime(QDate(2027, 1, 1), QTime(0, 0, 0, 250)));
        watch->followMidnight();
        QCOMPARE(opened.shown(), summary(3, 1));
        QCOMPARE(opened.colours(2).mid(0, 3), (QList{Amber, Red, Red}));
        QCOMPARE(midnight.interval(), 24 * 60 * 60 * 1000 - 250);

        opened.clock->setToday(QDate(2027, 2, 1));
        QCOMPARE(opened.shown(), summary(3, 1));
        opened.harness.clickCell(1, 1);
        QCOMPARE(opened.shown(), summary(4, 0));
    }
};

QTEST_MAIN(TestWindowBlockWatch)
#include "tst_windowblockwatch.moc"
