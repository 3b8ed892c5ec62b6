#include "app/gridmodel.h"
#include "printing/journalprintout.h"
#include "printing/printprogress.h"
#include "printing/printprogressdialog.h"
#include "printing/recordingsurface.h"
#include "support/printfixtures.h"

#include <QProgressDialog>
#include <QRandomGenerator>
#include <QTest>
#include <cmath>

Q_DECLARE_METATYPE(QList<int>)

namespace {

// A4 in landscape: 16838 × 11906 twips.
constexpr int Cu = 168;
constexpr int Lu = 238;
constexpr int PageWidth = 16838;
using Op = RecordingSurface::Op;

struct Printout {
    RecordingSurface surface;
    PrintResult result = PrintResult::NoPrinter;
};

std::unique_ptr<Printout> print(GridModel& grid, PrintProgress* progress = nullptr) {
    auto printout = std::make_unique<Printout>();
    printout->result = printJournal(grid, printout->surface, FixedClock(), progress);
    return printout;
}

bool near(double a, double b) {
    return std::abs(a - b) < 0.01;
}

QList<RecordingSurface::Text> textsAt(const RecordingSurface& surface, int page, double band) {
    QList<RecordingSurface::Text> found;
    for (const auto& text : surface.texts())
        if (text.page == page && near(text.y, float(band * Lu)))
            found.append(text);
    return found;
}

// The vertical rules of a band, left to right as drawn, in column units and pen widths.
struct BandRules {
    QList<int> columns;
    QList<int> widths;
};

BandRules verticalRules(const RecordingSurface& surface, int page, int band) {
    BandRules rules;
    for (const auto& line : surface.lines()) {
        if (line.page == page && line.x1 == line.x2 && line.y1 == band * Lu &&
            line.y2 == (band + 1) * Lu) {
            rules.columns.append(line.x1 / Cu);
            rules.widths.append(line.width);
        }
    }
    return rules;
}

// The pen widths of the rules across at a line, in the order drawn.
QList<int> rulesAcross(const RecordingSurface& surface, int page, int line) {
    QList<int> widths;
    for (const auto& drawn : surface.lines())
        if (drawn.page == page && drawn.y1 == line * Lu && drawn.y2 == line * Lu &&
            drawn.x1 == 4 * Cu && drawn.x2 == 88 * Cu)
            widths.append(drawn.width);
    return widths;
}

QList<int> linesWithRulesAcross(const RecordingSurface& surface, int page) {
    QList<int> lines;
    for (const auto& drawn : surface.lines())
        if (drawn.page == page && drawn.y1 == drawn.y2 && !lines.contains(drawn.y1 / Lu))
            lines.append(drawn.y1 / Lu);
    return lines;
}

QList<int> labelNumbers(const RecordingSurface& surface) {
    QList<int> numbers;
    for (const auto& text : surface.texts()) {
        if (text.withNumber) {
            if (text.text != QStringLiteral("стр. ") || !near(text.x, 84 * Cu) ||
                !near(text.y, 39.1 * Lu) || text.number != text.page)
                return {-1};
            numbers.append(text.number);
        }
    }
    return numbers;
}

int count(const RecordingSurface& surface, Op op) {
    return int(std::count_if(surface.calls().cbegin(), surface.calls().cend(),
                             [op](const RecordingSurface::Call& call) { return call.op == op; }));
}

// Follows a printout's progress and stops it after a given page.
class ScriptedProgress : public PrintProgress {
public:
    int stopAfterPage = 0;
    int started = -1;
    QList<int> pagesDone;
    int finished = 0;

    void start(int pageCount) override { started = pageCount; }
    bool pageDone(int done) override {
        pagesDone.append(done);
        return done != stopAfterPage;
    }
    void finish() override { ++finished; }
};

class NoPrinterProvider : public PrinterProvider {
public:
    std::unique_ptr<PageSurface> open() override { return nullptr; }
};

} // namespace

// The journal printout laid out on the recording surface.
class TestJournalPrintout : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void pageIsSetUpBeforeAnythingIsDrawn();
    void pageGeometry_data();
    void pageGeometry();
    void pagination_data();
    void pagination();
    void titleCarriesDateAndTime();
    void columnRules_data();
    void columnRules();
    void closingRule_data();
    void closingRule();
    void headerTextsAsTheGridHasThem();
    void onlyThirtyOneHeaderSlots();
    void openEditIsStoredBeforeReading();
    void currentCellEndsOnTheLastCell_data();
    void currentCellEndsOnTheLastCell();
    void emptyJournalPrintsHeaderAndFoot();
    void overlongTextsShrinkOrAreCut_data();
    void overlongTextsShrinkOrAreCut();
    void noTextRunsOverARule_data();
    void noTextRunsOverARule();
    void noPrinterPrintsNothingAndLeavesTheGrid();
    void refusedDocumentIsReported();
    void longJournalsShowProgress_data();
    void longJournalsShowProgress();
    void cancelledPrintoutIsThrownAway();
    void progressDialogCountsPagesAndCancels();
};

void TestJournalPrintout::pageIsSetUpBeforeAnythingIsDrawn() {
    GridModel grid;
    fillJournal(grid, 3);
    // Letter paper: the units are taken before A4 is set, so they are Letter's.
    RecordingSurface surface(12240, 15840);
    printJournal(grid, surface, FixedClock());
    const QStringList log = surface.log();
    const QStringList expected{QStringLiteral("Orientation 2"),
                               QStringLiteral("PageWidth 15840"),
                               QStringLiteral("PageHeight 12240"),
                               QStringLiteral("PaperSize 9"),
                               QStringLiteral("FontName \"Times New Roman cyr\""),
                               QStringLiteral("FontSize 10"),
                               QStringLiteral("DrawWidth 2")};
    QCOMPARE(log.mid(0, expected.size()), expected);
    const auto first = surface.lines().first();
    QCOMPARE(first.x1, 4 * 158);
    QCOMPARE(first.x2, 88 * 158);
    QCOMPARE(first.y1, 2 * 245);
}

void TestJournalPrintout::pageGeometry_data() {
    QTest::addColumn<int>("page");
    QTest::addColumn<int>("headerBand");
    QTest::addColumn<bool>("headerBold");
    QTest::addColumn<int>("firstRow");
    QTest::newRow("first page") << 1 << 2 << true << 1;
    QTest::newRow("later page") << 2 << 0 << false << 37;
}

void TestJournalPrintout::pageGeometry() {
    QFETCH(int, page);
    QFETCH(int, headerBand);
    QFETCH(bool, headerBold);
    QFETCH(int, firstRow);
    GridModel grid;
    fillJournal(grid, 75);
    const auto printout = print(grid);
    const RecordingSurface& surface = printout->surface;

    const auto titles = textsAt(surface, page, 0);
    if (page == 1) {
        QCOMPARE(titles.size(), 1);
        QCOMPARE(titles[0].x, float(25 * Cu));
        QVERIFY(titles[0].bold);
        QCOMPARE(titles[0].points, 14.0);
        QCOMPARE(titles[0].face, QStringLiteral("Times New Roman cyr"));
    }
    QCOMPARE(rulesAcross(surface, page, headerBand), QList<int>{2});
    const auto headers = textsAt(surface, page, headerBand + 0.1);
    QCOMPARE(headers.size(), 9);
    for (const auto& header : headers) {
        QCOMPARE(header.bold, headerBold);
        QCOMPARE(header.points, 10.0);
        QCOMPARE(header.face, QStringLiteral("Times New Roman cyr"));
    }
    QCOMPARE(headers[0].x, float(4.2 * Cu));
    QCOMPARE(rulesAcross(surface, page, headerBand + 1), QList<int>{2});

    const auto firstTexts = textsAt(surface, page, headerBand + 1.1);
    QCOMPARE(firstTexts.size(), 8);
    QCOMPARE(firstTexts[0].text, journalCell(firstRow, 0));
    QVERIFY(!firstTexts[0].bold);
    QCOMPARE(firstTexts[0].points, 10.0);
    // A full page ends with its 38th band; the label stands below it.
    QCOMPARE(textsAt(surface, page, 38.1).size(), 8);
    QCOMPARE(textsAt(surface, page, 39.1).size(), 1);
}

void TestJournalPrintout::pagination_data() {
    QTest::addColumn<int>("dataRows");
    QTest::addColumn<int>("pages");
    QTest::addColumn<int>("lastBand");
    QTest::newRow("1 row") << 1 << 1 << 3;
    QTest::newRow("36 rows fill one page") << 36 << 1 << 38;
    QTest::newRow("37 rows") << 37 << 2 << 1;
    QTest::newRow("74 rows fill two pages") << 74 << 2 << 38;
    QTest::newRow("75 rows") << 75 << 3 << 1;
}

void TestJournalPrintout::pagination() {
    QFETCH(int, dataRows);
    QFETCH(int, pages);
    QFETCH(int, lastBand);
    GridModel grid;
    fillJournal(grid, dataRows);
    const auto printout = print(grid);
    const RecordingSurface& surface = printout->surface;

    QCOMPARE(printout->result, PrintResult::Printed);
    QCOMPARE(surface.pageCount(), pages);
    QCOMPARE(count(surface, Op::NewPage), pages - 1);
    QCOMPARE(count(surface, Op::EndDoc), 1);
    QCOMPARE(surface.calls().last().op, Op::EndDoc);

    QList<int> everyPage;
    for (int page = 1; page <= pages; ++page)
        everyPage.append(page);
    QCOMPARE(labelNumbers(surface), everyPage);

    const auto lastRow = textsAt(surface, pages, lastBand + 0.1);
    QCOMPARE(lastRow.size(), 8);
    QCOMPARE(lastRow[7].text, journalCell(dataRows, 7));
    // Every row printed once, in order.
    int row = 0;
    for (const auto& text : surface.texts())
        if (text.text == journalCell(row + 1, 0))
            ++row;
    QCOMPARE(row, dataRows);
}

void TestJournalPrintout::titleCarriesDateAndTime() {
    GridModel grid;
    fillJournal(grid, 1);
    RecordingSurface surface;
    printJournal(grid, surface, FixedClock(QStringLiteral("07.12.2026"), QStringLiteral("9:05")));
    QCOMPARE(surface.texts().first().text, QStringLiteral(" ЖУРНАЛ ЭКЛЗ  от  07.12.2026 9:05"));
}

void TestJournalPrintout::columnRules_data() {
    QTest::addColumn<int>("cols");
    QTest::addColumn<QList<int>>("columns");
    QTest::addColumn<QList<int>>("widths");
    QTest::newRow("eight") << 8 << QList<int>{4, 14, 24, 31, 40, 48, 55, 62, 62}
                           << QList<int>{1, 2, 1, 1, 1, 1, 1, 1, 2};
    QTest::newRow("seven") << 7 << QList<int>{4, 16, 28, 36, 46, 55, 63, 71}
                           << QList<int>{1, 2, 1, 1, 1, 1, 1, 2};
    QTest::newRow("nine") << 9 << QList<int>{4, 13, 22, 28, 36, 43, 49, 55, 55, 55}
                          << QList<int>{1, 2, 1, 1, 1, 1, 1, 1, 1, 2};
    QTest::newRow("two") << 2 << QList<int>{4, 74, 144} << QList<int>{1, 2, 2};
    QTest::newRow("one") << 1 << QList<int>{4, 4} << QList<int>{1, 2};
}

void TestJournalPrintout::columnRules() {
    QFETCH(int, cols);
    QFETCH(QList<int>, columns);
    QFETCH(QList<int>, widths);
    GridModel grid;
    fillJournal(grid, 40, cols);
    const auto printout = print(grid);
    const RecordingSurface& surface = printout->surface;

    // A data band and the header bands of both pages have the same rules, the header's last
    // pass drawing the closing one (bold also for a one-column journal's index 1).
    const BandRules data = verticalRules(surface, 1, 3);
    QCOMPARE(data.columns, columns);
    QCOMPARE(data.widths, widths);
    for (int page : {1, 2}) {
        const BandRules header = verticalRules(surface, page, page == 1 ? 2 : 0);
        QCOMPARE(header.columns, columns);
        QList<int> headerWidths = widths;
        if (cols == 1)
            headerWidths = {1, 2};
        QCOMPARE(header.widths, headerWidths);
    }
    // The texts start 0.2 units right of their rule.
    const auto texts = textsAt(surface, 1, 3.1);
    QCOMPARE(texts.size(), cols);
    for (int col = 0; col < cols; ++col)
        QCOMPARE(texts[col].x, float((columns[col] + 0.2) * Cu));
    for (const auto& line : surface.lines())
        if (line.y1 == line.y2)
            QVERIFY(line.x1 == 4 * Cu && line.x2 == 88 * Cu);
}

void TestJournalPrintout::closingRule_data() {
    QTest::addColumn<int>("dataRows");
    QTest::addColumn<int>("lastPage");
    QTest::addColumn<int>("underLastRow");
    QTest::newRow("5 rows") << 5 << 1 << 8;
    QTest::newRow("full page") << 36 << 1 << 39;
    QTest::newRow("after a break") << 40 << 2 << 5;
    QTest::newRow("full second page") << 74 << 2 << 39;
}

void TestJournalPrintout::closingRule() {
    QFETCH(int, dataRows);
    QFETCH(int, lastPage);
    QFETCH(int, underLastRow);
    GridModel grid;
    fillJournal(grid, dataRows);
    const auto printout = print(grid);
    const RecordingSurface& surface = printout->surface;

    // Last page: thin under the last row, bold one band lower, nothing across below that.
    QCOMPARE(rulesAcross(surface, lastPage, underLastRow), QList<int>{1});
    QCOMPARE(rulesAcross(surface, lastPage, underLastRow + 1), QList<int>{2});
    QCOMPARE(linesWithRulesAcross(surface, lastPage).last(), underLastRow + 1);
    // A full page that breaks: the bold rule lies on the thin one, and nothing below.
    for (int page = 1; page < lastPage; ++page) {
        QCOMPARE(rulesAcross(surface, page, 39), (QList<int>{1, 2}));
        QCOMPARE(linesWithRulesAcross(surface, page).last(), 39);
    }
}

void TestJournalPrintout::headerTextsAsTheGridHasThem() {
    GridModel grid;
    fillJournal(grid, 37);
    const auto printout = print(grid);
    for (int page : {1, 2}) {
        const auto headers = textsAt(printout->surface, page, page == 1 ? 2.1 : 0.1);
        QCOMPARE(headers.size(), 9);
        for (int col = 0; col < 8; ++col)
            QCOMPARE(headers[col].text, grid.textMatrix(0, col));
        QCOMPARE(headers[8].text, QString());
    }
    QCOMPARE(textsAt(printout->surface, 1, 2.1)[0].text, QStringLiteral("Владелец           "));
}

void TestJournalPrintout::onlyThirtyOneHeaderSlots() {
    GridModel grid;
    fillJournal(grid, 1, 33);
    for (int col = 0; col < 33; ++col)
        grid.setTextMatrix(0, col, QStringLiteral("З%1").arg(col));
    const auto printout = print(grid);
    const auto headers = textsAt(printout->surface, 1, 2.1);
    QCOMPARE(headers.size(), 31);
    QCOMPARE(headers.last().text, QStringLiteral("З30"));
    QCOMPARE(verticalRules(printout->surface, 1, 2).columns.size(), 34);
    QCOMPARE(textsAt(printout->surface, 1, 3.1).size(), 33);
}

void TestJournalPrintout::openEditIsStoredBeforeReading() {
    GridModel grid;
    fillJournal(grid, 5);
    grid.setCurrentCell(2, 3);
    // An open cell editor stores its text into its cell when the current cell is left.
    QString openEdit = QStringLiteral("ПРАВКА");
    int leaves = 0;
    QObject::connect(&grid, &GridModel::leaveCell, &grid, [&] {
        ++leaves;
        if (!openEdit.isEmpty())
            grid.setText(std::exchange(openEdit, QString()));
    });
    const auto printout = print(grid);
    QVERIFY(leaves >= 1);
    QCOMPARE(textsAt(printout->surface, 1, 4.1)[3].text, QStringLiteral("ПРАВКА"));
}

void TestJournalPrintout::currentCellEndsOnTheLastCell_data() {
    QTest::addColumn<int>("dataRows");
    QTest::addColumn<int>("cols");
    QTest::newRow("75 rows") << 75 << 8;
    QTest::newRow("nine columns") << 3 << 9;
    QTest::newRow("one row, one column") << 1 << 1;
}

void TestJournalPrintout::currentCellEndsOnTheLastCell() {
    QFETCH(int, dataRows);
    QFETCH(int, cols);
    GridModel grid;
    fillJournal(grid, dataRows, cols);
    grid.setCurrentCell(1, 0);
    print(grid);
    QCOMPARE(grid.row(), dataRows);
    QCOMPARE(grid.col(), cols - 1);
}

void TestJournalPrintout::emptyJournalPrintsHeaderAndFoot() {
    GridModel grid;
    fillJournal(grid, 0);
    QCOMPARE(grid.rows(), 1);
    const auto printout = print(grid);
    const RecordingSurface& surface = printout->surface;

    QCOMPARE(printout->result, PrintResult::Printed);
    QCOMPARE(surface.pageCount(), 1);
    QCOMPARE(textsAt(surface, 1, 0).size(), 1);
    QCOMPARE(textsAt(surface, 1, 2.1).size(), 9);
    QCOMPARE(labelNumbers(surface), QList<int>{1});
    // Title, header texts and label: no band of data.
    QCOMPARE(surface.texts().size(), 1 + 9 + 1);
    QCOMPARE(verticalRules(surface, 1, 3).columns.size(), 0);
    QCOMPARE(linesWithRulesAcross(surface, 1), (QList<int>{2, 3, 4}));
    QCOMPARE(rulesAcross(surface, 1, 4), QList<int>{2});
    QCOMPARE(surface.calls().last().op, Op::EndDoc);
    QCOMPARE(grid.row(), 0);
}

void TestJournalPrintout::overlongTextsShrinkOrAreCut_data() {
    QTest::addColumn<int>("col");
    QTest::addColumn<int>("length");
    QTest::addColumn<double>("points");
    QTest::addColumn<int>("printedLength");
    // Column 2 has (31 − 24.2) × 168 = 1142.4 twips; the last column runs on to 88: 4334.4.
    QTest::newRow("fits") << 2 << 11 << 10.0 << 11;
    QTest::newRow("smaller") << 2 << 14 << 8.0 << 14;
    QTest::newRow("6 points") << 2 << 19 << 6.0 << 19;
    QTest::newRow("cut") << 2 << 20 << 6.0 << 19;
    QTest::newRow("last column fits") << 7 << 43 << 10.0 << 43;
    QTest::newRow("last column smaller") << 7 << 44 << 9.5 << 44;
    QTest::newRow("last column cut") << 7 << 100 << 6.0 << 72;
}

void TestJournalPrintout::overlongTextsShrinkOrAreCut() {
    QFETCH(int, col);
    QFETCH(int, length);
    QFETCH(double, points);
    QFETCH(int, printedLength);
    GridModel grid;
    fillJournal(grid, 2);
    const QString text = QStringLiteral("Ш").repeated(length);
    grid.setTextMatrix(1, col, text);
    const auto printout = print(grid);
    const RecordingSurface& surface = printout->surface;

    const auto row = textsAt(surface, 1, 3.1);
    QCOMPARE(row[col].text, text.left(printedLength));
    QCOMPARE(row[col].points, points);
    // The size goes back for the next text.
    for (int other = 0; other < 8; ++other)
        if (other != col)
            QCOMPARE(row[other].points, 10.0);
    QCOMPARE(textsAt(surface, 1, 4.1)[col].points, 10.0);
}

void TestJournalPrintout::noTextRunsOverARule_data() {
    QTest::addColumn<int>("cols");
    QTest::newRow("eight") << 8;
    QTest::newRow("seven") << 7;
    QTest::newRow("three: the closing rule stands right of 88") << 3;
    QTest::newRow("two: the closing rule is off the paper") << 2;
}

// Long texts everywhere, headers included: each printed text ends before the first rule right
// of its own (or the end of the rules across) and on the paper, and the rules are those of
// short texts.
void TestJournalPrintout::noTextRunsOverARule() {
    QFETCH(int, cols);
    GridModel shortTexts;
    fillJournal(shortTexts, 40, cols);
    GridModel longTexts;
    fillJournal(longTexts, 40, cols);
    QRandomGenerator random(cols);
    for (int row = 0; row <= 40; ++row)
        for (int col = 0; col < cols; ++col)
            longTexts.setTextMatrix(row, col,
                                    QStringLiteral("Ф").repeated(random.bounded(1, 120)) +
                                        QStringLiteral(" ").repeated(random.bounded(0, 3)));
    const auto plain = print(shortTexts);
    const auto crowded = print(longTexts);

    QCOMPARE(crowded->surface.lines().size(), plain->surface.lines().size());
    for (qsizetype i = 0; i < plain->surface.lines().size(); ++i) {
        const auto& a = plain->surface.lines()[i];
        const auto& b = crowded->surface.lines()[i];
        QVERIFY(a.x1 == b.x1 && a.y1 == b.y1 && a.x2 == b.x2 && a.y2 == b.y2 && a.width == b.width);
    }

    RecordingSurface& surface = crowded->surface;
    int checked = 0;
    for (const auto& text : surface.texts()) {
        if (text.withNumber || near(text.y, 0) || text.text.trimmed().isEmpty())
            continue;
        const int band = int(std::floor(text.y / Lu));
        const int ownRule = int(std::lround(text.x / Cu - 0.2)) * Cu;
        int limit = -1;
        for (const auto& line : surface.lines())
            if (line.page == text.page && line.x1 == line.x2 && line.y1 == band * Lu &&
                line.x1 > ownRule && (limit < 0 || line.x1 < limit))
                limit = line.x1;
        // No rule to the right: the end of the rules across. Never past the paper's edge.
        limit = std::min(limit < 0 ? 88 * Cu : limit, PageWidth);
        const double width = surface.textWidth(text.text.trimmed(), text.points);
        QVERIFY2(text.x + width <= limit + 0.01,
                 qPrintable(QStringLiteral("\"%1\" at %2 runs to %3 past %4")
                                .arg(text.text)
                                .arg(text.x)
                                .arg(text.x + width)
                                .arg(limit)));
        QVERIFY(text.points >= 6);
        ++checked;
    }
    QVERIFY(checked > 40 * cols);
}

void TestJournalPrintout::noPrinterPrintsNothingAndLeavesTheGrid() {
    GridModel grid;
    fillJournal(grid, 5);
    grid.setCurrentCell(2, 3);
    int leaves = 0;
    QObject::connect(&grid, &GridModel::leaveCell, &grid, [&] { ++leaves; });
    NoPrinterProvider none;
    QCOMPARE(tabPrint(grid, none, FixedClock()), PrintResult::NoPrinter);
    QCOMPARE(leaves, 0);
    QCOMPARE(grid.row(), 2);
    QCOMPARE(grid.col(), 3);
    QVERIFY(!noPrinterMessage().isEmpty());
}

void TestJournalPrintout::refusedDocumentIsReported() {
    GridModel grid;
    fillJournal(grid, 5);
    RecordingSurface surface;
    surface.setPrinterTakesDocument(false);
    QCOMPARE(printJournal(grid, surface, FixedClock()), PrintResult::NoPrinter);
}

void TestJournalPrintout::longJournalsShowProgress_data() {
    QTest::addColumn<int>("dataRows");
    QTest::addColumn<int>("pages");
    QTest::addColumn<bool>("shown");
    QTest::newRow("10 pages") << 36 + 9 * 38 << 10 << false;
    QTest::newRow("11 pages") << 36 + 9 * 38 + 1 << 11 << true;
    QTest::newRow("20 pages") << 36 + 19 * 38 << 20 << true;
}

void TestJournalPrintout::longJournalsShowProgress() {
    QFETCH(int, dataRows);
    QFETCH(int, pages);
    QFETCH(bool, shown);
    GridModel grid;
    fillJournal(grid, dataRows);
    ScriptedProgress progress;
    const auto printout = print(grid, &progress);
    QCOMPARE(printout->result, PrintResult::Printed);
    QCOMPARE(printout->surface.pageCount(), pages);
    if (!shown) {
        QCOMPARE(progress.started, -1);
        QVERIFY(progress.pagesDone.isEmpty());
        return;
    }
    QCOMPARE(progress.started, pages);
    QList<int> everyPageButTheLast;
    for (int page = 1; page < pages; ++page)
        everyPageButTheLast.append(page);
    QCOMPARE(progress.pagesDone, everyPageButTheLast);
    QCOMPARE(progress.finished, 1);
}

void TestJournalPrintout::cancelledPrintoutIsThrownAway() {
    GridModel grid;
    fillJournal(grid, 1000);
    ScriptedProgress progress;
    progress.stopAfterPage = 3;
    const auto printout = print(grid, &progress);
    const RecordingSurface& surface = printout->surface;
    QCOMPARE(printout->result, PrintResult::Cancelled);
    QCOMPARE(count(surface, Op::EndDoc), 0);
    QCOMPARE(surface.calls().last().op, Op::AbortDoc);
    QCOMPARE(surface.pageCount(), 3);
    QCOMPARE(progress.finished, 1);
    // The last row read was the last one of page 3.
    QCOMPARE(grid.row(), 36 + 2 * 38);
    QCOMPARE(grid.col(), 7);
}

void TestJournalPrintout::progressDialogCountsPagesAndCancels() {
    PrintProgressDialog progress;
    progress.start(20);
    QVERIFY(progress.dialog());
    QCOMPARE(progress.dialog()->maximum(), 20);
    QVERIFY(progress.pageDone(1));
    QCOMPARE(progress.dialog()->value(), 1);
    QVERIFY(progress.dialog()->labelText().contains(QStringLiteral("1 из 20")));
    progress.dialog()->cancel();
    QVERIFY(!progress.pageDone(2));
    progress.finish();
    QVERIFY(!progress.dialog());
}

QTEST_MAIN(TestJournalPrintout)
#include "tst_journalprintout.moc"
