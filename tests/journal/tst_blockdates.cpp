#include "app/gridmodel.h"
#include "journal/blockdates.h"
#include "journal/journalcolumns.h"

#include <QTest>
#include <QTimer>

using journal::fillBlockDates;

namespace {

constexpr int Activation = journal::ActivationDate;
constexpr int Block = journal::BlockDate;

// A journal grid with the header and one data row per activation text; column 6 holds "old".
std::unique_ptr<GridModel> journalGrid(const QStringList& activations) {
    auto grid = std::make_unique<GridModel>();
    grid->setFormatString(journal::headerFormat());
    grid->setRows(int(activations.size()) + 1);
    for (int r = 1; r < grid->rows(); ++r) {
        grid->setTextMatrix(r, 0, QStringLiteral("owner %1").arg(r));
        grid->setTextMatrix(r, Activation, activations[r - 1]);
        grid->setTextMatrix(r, Block, QStringLiteral("old"));
    }
    return grid;
}

QStringList column(const GridModel& grid, int col) {
    QStringList texts;
    for (int r = 1; r < grid.rows(); ++r)
        texts << grid.textMatrix(r, col);
    return texts;
}

} // namespace

class TestBlockDates : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void readsDates_data();
    void readsDates();
    void computesBlockDates_data();
    void computesBlockDates();
    void fillsRowsDownToTheFirstEmptyActivation();
    void leavesGridsWithoutDatedRowsAlone();
    void findsItsColumnsByHeaderText();
    void doesNothingWithoutOneColumnOfEach_data();
    void doesNothingWithoutOneColumnOfEach();
    void runsWithoutYieldingToTheEventLoop();
};

void TestBlockDates::readsDates_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QDate>("date"); // invalid: not a date

    QTest::newRow("dd.mm.yyyy") << QStringLiteral("15.03.2009") << QDate(2009, 3, 15);
    QTest::newRow("d.m.yyyy") << QStringLiteral("5.3.2009") << QDate(2009, 3, 5);
    QTest::newRow("dd.mm.yy 29") << QStringLiteral("31.12.29") << QDate(2029, 12, 31);
    QTest::newRow("dd.mm.yy 30") << QStringLiteral("01.01.30") << QDate(1930, 1, 1);
    QTest::newRow("leap day") << QStringLiteral("29.02.2008") << QDate(2008, 2, 29);
    QTest::newRow("no leap day") << QStringLiteral("29.02.2009") << QDate();
    QTest::newRow("month 13") << QStringLiteral("15.13.2009") << QDate();
    QTest::newRow("day 0") << QStringLiteral("00.03.2009") << QDate();
    QTest::newRow("year 0000") << QStringLiteral("01.01.0000") << QDate();
    QTest::newRow("three-digit day") << QStringLiteral("015.03.2009") << QDate();
    QTest::newRow("three-digit year") << QStringLiteral("15.03.209") << QDate();
    QTest::newRow("five-digit year") << QStringLiteral("15.03.20091") << QDate();
    QTest::newRow("dashes") << QStringLiteral("15-03-2009") << QDate();
    QTest::newRow("leading blank") << QStringLiteral(" 15.03.2009") << QDate();
    QTest::newRow("trailing dot") << QStringLiteral("15.03.2009.") << QDate();
    QTest::newRow("words") << QStringLiteral("март 2009") << QDate();
}

void TestBlockDates::readsDates() {
    QFETCH(QString, text);
    QFETCH(QDate, date);
    const std::optional<QDate> read = journal::readDate(text);
    QCOMPARE(read.has_value(), date.isValid());
    if (read)
        QCOMPARE(*read, date);
}

void TestBlockDates::computesBlockDates_data() {
    QTest::addColumn<QString>("activation");
    QTest::addColumn<QString>("block");

    QTest::newRow("15.03.2009") << QStringLiteral("15.03.2009") << QStringLiteral("01.05.2010");
    QTest::newRow("31.01.2009") << QStringLiteral("31.01.2009") << QStringLiteral("01.04.2010");
    QTest::newRow("29.02.2008") << QStringLiteral("29.02.2008") << QStringLiteral("01.04.2009");
    QTest::newRow("01.12.2009") << QStringLiteral("01.12.2009") << QStringLiteral("01.01.2011");
    QTest::newRow("across 29.02.2012")
        << QStringLiteral("28.02.2011") << QStringLiteral("01.04.2012");
    QTest::newRow("from 29.02.2012")
        << QStringLiteral("29.02.2012") << QStringLiteral("01.04.2013");
    QTest::newRow("lands on 31.12") << QStringLiteral("31.10.2010") << QStringLiteral("01.12.2011");
    QTest::newRow("lands on 01.01") << QStringLiteral("01.11.2010") << QStringLiteral("01.01.2012");
    QTest::newRow("from 31.12") << QStringLiteral("31.12.2009") << QStringLiteral("01.03.2011");
    QTest::newRow("across 2000") << QStringLiteral("31.12.1999") << QStringLiteral("01.03.2001");
    QTest::newRow("short forms") << QStringLiteral("5.12.08") << QStringLiteral("01.02.2010");
    QTest::newRow("not a date") << QStringLiteral("15.03.2009г") << QString();
}

void TestBlockDates::computesBlockDates() {
    QFETCH(QString, activation);
    QFETCH(QString, block);
    QCOMPARE(journal::blockDateText(activation), block);

    auto grid = journalGrid({activation});
    fillBlockDates(*grid);
    QCOMPARE(grid->textMatrix(1, Block), block);
}

void TestBlockDates::fillsRowsDownToTheFirstEmptyActivation() {
    auto grid =
        journalGrid({QStringLiteral("15.03.2009"), QStringLiteral("не дата"),
                     QStringLiteral("31.01.2009"), QString(), QStringLiteral("01.12.2009")});
    grid->setColWidth(Block, 900);
    const QStringList activations = column(*grid, Activation);
    const QStringList owners = column(*grid, 0);

    fillBlockDates(*grid);
    // A text that is not a date gets an empty block date, not the row above's; the rows below
    // the first empty activation keep what they held.
    QCOMPARE(column(*grid, Block),
             (QStringList{QStringLiteral("01.05.2010"), QString(), QStringLiteral("01.04.2010"),
                          QStringLiteral("old"), QStringLiteral("old")}));
    QCOMPARE(column(*grid, Activation), activations);
    QCOMPARE(column(*grid, 0), owners);

    grid->setTextMatrix(1, Block, QStringLiteral("01.01.2001")); // typed over: replaced again
    fillBlockDates(*grid);
    QCOMPARE(grid->textMatrix(1, Block), QStringLiteral("01.05.2010"));
}

void TestBlockDates::leavesGridsWithoutDatedRowsAlone() {
    auto headerOnly = journalGrid({});
    headerOnly->setRows(1);
    fillBlockDates(*headerOnly);
    QCOMPARE(headerOnly->rows(), 1);

    auto undated = journalGrid({QString(), QStringLiteral("15.03.2009")});
    fillBlockDates(*undated);
    QCOMPARE(column(*undated, Block), (QStringList{QStringLiteral("old"), QStringLiteral("old")}));
}

void TestBlockDates::findsItsColumnsByHeaderText() {
    auto grid = journalGrid({QStringLiteral("15.03.2009"), QStringLiteral("31.01.2009")});
    // "Добавить колонку" at column 3, then the block-date column moved to the front.
    grid->setCols(9);
    grid->setColPosition(8, 3);
    grid->setColPosition(Block + 1, 0);
    // The block-date column now stands at 0 and the activation date at 7.
    QCOMPARE(grid->textMatrix(0, 0).trimmed(), journal::BlockDateHeader.toString());
    QCOMPARE(grid->textMatrix(0, 7).trimmed(), journal::ActivationDateHeader.toString());
    QList<QStringList> others;
    for (int c = 1; c < grid->cols(); ++c)
        others << column(*grid, c);

    fillBlockDates(*grid);
    QCOMPARE(column(*grid, 0),
             (QStringList{QStringLiteral("01.05.2010"), QStringLiteral("01.04.2010")}));
    for (int c = 1; c < grid->cols(); ++c)
        QCOMPARE(column(*grid, c), others[c - 1]);
}

void TestBlockDates::doesNothingWithoutOneColumnOfEach_data() {
    QTest::addColumn<int>("headerCol");
    QTest::addColumn<QString>("header");
    QTest::newRow("block-date header renamed") << int(Block) << QStringLiteral("Блок");
    QTest::newRow("activation header renamed") << int(Activation) << QStringLiteral("Дата");
    QTest::newRow("block-date header twice") << 7 << QStringLiteral(" Дата блок. ");
    QTest::newRow("activation header twice") << 0 << QStringLiteral("Дата актив.");
}

void TestBlockDates::doesNothingWithoutOneColumnOfEach() {
    QFETCH(int, headerCol);
    QFETCH(QString, header);
    auto grid = journalGrid({QStringLiteral("15.03.2009")});
    grid->setTextMatrix(0, headerCol, header);
    const QStringList before = column(*grid, 7) + column(*grid, Block) + column(*grid, 0);
    fillBlockDates(*grid);
    QCOMPARE(column(*grid, 7) + column(*grid, Block) + column(*grid, 0), before);

    auto narrow = journalGrid({QStringLiteral("15.03.2009")});
    narrow->setCols(Block); // "Удалить колонку" twice: no block-date column left
    fillBlockDates(*narrow);
    QCOMPARE(narrow->cols(), int(Block));
}

void TestBlockDates::runsWithoutYieldingToTheEventLoop() {
    auto grid = journalGrid({QStringLiteral("15.03.2009"), QStringLiteral("31.01.2009")});
    bool otherEventRan = false;
    QTimer::singleShot(0, this, [&] { otherEventRan = true; });
    fillBlockDates(*grid);
    QVERIFY(!otherEventRan);
    QTRY_VERIFY(otherEventRan);
}

QTEST_GUILESS_MAIN(TestBlockDates)
#include "tst_blockdates.moc"
