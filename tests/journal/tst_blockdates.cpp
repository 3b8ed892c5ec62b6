#include "core/journalcolumns.h"
#include "core/journaldates.h"
#include "journal/journalgrid.h"
#include "model/blockjudgement.h"
#include "model/gridmodel.h"

#include <QTest>
#include <QTimer>

using journal::fillBlockDates;

namespace {

constexpr int Activation = core::ActivationDate;
constexpr int Block = core::BlockDate;

// A journal grid with one data row per activation text; the block-date column holds a date
// typed by hand, which the pass replaces.
std::unique_ptr<model::GridModel> journalGrid(const QStringList& activations) {
    auto grid = std::make_unique<model::GridModel>();
    grid->setHeaderFormat(core::headerFormat());
    grid->setRowCount(int(activations.size()));
    for (int r = 0; r < grid->rowCount(); ++r) {
        grid->setText(r, 0, QStringLiteral("owner %1").arg(r + 1));
        grid->setText(r, 3, QStringLiteral("31.01.2009"));
        grid->setText(r, Activation, activations[r]);
        grid->setText(r, Block, QStringLiteral("01.01.2099"));
    }
    return grid;
}

QStringList cells(const model::GridModel& grid) {
    QStringList texts = grid.captions();
    for (const QStringList& row : grid.dataRows())
        texts += row;
    return texts;
}

} // namespace
class TestBlockDates : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void computesBlockDates_data() {
        QTest::addColumn<QString>("activation");
        QTest::addColumn<QString>("block"); // empty: not a date
        const auto row = [](const char* name, const char* activation, const char* block) {
            QTest::newRow(name) << QString::fromUtf8(activation) << QString::fromUtf8(block);
        };
        row("mid-month", "15.03.2009", "01.05.2010");
        row("month end", "31.01.2009", "01.04.2010");
        row("lands on 01.01", "01.11.2010", "01.01.2012");
        row("from 31.12, across 2000", "31.12.1999", "01.03.2001");
        row("from a leap day", "29.02.2008", "01.04.2009");
        row("across a leap day", "28.02.2011", "01.04.2012");
        row("d.m.yyyy", "5.3.2009", "01.05.2010");
        row("dd.mm.yy 29 is 2029", "31.12.29", "01.03.2031");
        row("dd.mm.yy 30 is 1930", "01.01.30", "01.03.1931");
        row("no leap day", "29.02.2009", "");
        row("month 13", "15.13.2009", "");
        row("year 0000", "01.01.0000", "");
        row("three-digit year", "15.03.209", "");
        row("five-digit year", "15.03.20091", "");
        row("blanks around", " 15.03.2009 ", "01.05.2010");
        row("trailing text", "15.03.2009г", "");
        // Dates as a spreadsheet saved them in a CSV.
        row("yyyy-mm-dd", "2011-07-06", "01.09.2012");
        row("yyyy-mm-dd, blanks around", " 2011-07-06 ", "01.09.2012");
        row("d.m.yy", "6.7.11", "01.09.2012");
        row("yyyy-mm-dd, no such day", "2011-02-29", "");
        row("yyyy-m-d", "2011-7-6", "");
        row("yyyy-mm-dd, year 0000", "0000-07-06", "");
    }

    void computesBlockDates() {
        QFETCH(QString, activation);
        QFETCH(QString, block);
        // Two more dated rows: the column holds activation dates even where this one is none.
        auto grid =
            journalGrid({activation, QStringLiteral("1.1.2010"), QStringLiteral("2.1.2010")});
        journal::fillBlockDates(*grid);
        QCOMPARE(grid->text(0, Block), block);
    }

    void fillsRowsDownToTheFirstEmptyActivation() {
        auto grid =
            journalGrid({QStringLiteral("15.03.2009"), QStringLiteral("не дата"),
                         QStringLiteral("01.12.2009"), QString(), QStringLiteral("01.12.2009")});
        grid->setText(0, Block, QStringLiteral("01.01.2001")); // typed over: replaced
        QStringList expected = cells(*grid);
        const int cols = grid->columnCount();
        expected[cols + Block] = QStringLiteral("01.05.2010");
        expected[2 * cols + Block] = QString(); // not the row above's
        expected[3 * cols + Block] = QStringLiteral("01.01.2011");
        journal::fillBlockDates(*grid);
        QCOMPARE(cells(*grid), expected);
    }

    // Notes, marks and stale dates in "Дата блок." do not stop the pass; it judges its columns
    // only by the rows it reaches (down to the first empty activation date).
    void fillsOrdinaryRegisters_data() {
        QTest::addColumn<QStringList>("activations");
        QTest::addColumn<QStringList>("blocks");   // before the pass
        QTest::addColumn<QStringList>("expected"); // after it
        const auto row = [](const char* name, const char* activations, const char* blocks,
                            const char* expected) {
            const auto list = [](const char* texts) {
                return QString::fromUtf8(texts).split(u'|');
            };
            QTest::newRow(name) << list(activations) << list(blocks) << list(expected);
        };
        row("a note among empty cells", "15.03.2009|01.12.2009|29.02.2008", "|нет|",
            "01.05.2010|01.01.2011|01.04.2009");
        row("a question mark", "15.03.2009", "?", "01.05.2010");
        row("dates as Calc saves them", "2011-07-06|2009-03-15|2010-11-01", "||?",
            "01.09.2012|01.05.2010|01.01.2012");
        row("a dash and a long dash", "15.03.2009|31.01.2009", "-|—", "01.05.2010|01.04.2010");
        row("stale dates above notes", "15.03.2009|05.05.2010|||",
            "01.05.2008|01.01.2009|списана|в ремонте|списана",
            "01.05.2010|01.07.2011|списана|в ремонте|списана");
        // Ties fill: two notes, two block dates typed by hand.
        row("half notes", "15.03.2009|05.05.2010|31.01.2009|01.12.2009", "нет|01.01.2099||нет",
            "01.05.2010|01.07.2011|01.04.2010|01.01.2011");
    }

    void fillsOrdinaryRegisters() {
        QFETCH(QStringList, activations);
        QFETCH(QStringList, blocks);
        QFETCH(QStringList, expected);
        auto grid = journalGrid(activations);
        for (int r = 0; r < grid->rowCount(); ++r)
            grid->setText(r, Block, blocks[r]);
        journal::fillBlockDates(*grid);
        QStringList filled;
        for (int r = 0; r < grid->rowCount(); ++r)
            filled << grid->text(r, Block);
        QCOMPARE(filled, expected);
    }

    void findsItsColumnsByHeaderText_data() {
        QTest::addColumn<QStringList>("headers"); // "column=text" set before the pass
        QTest::addColumn<int>("filled");          // the column that gets the block date, -1 none
        QTest::addColumn<QString>("block");
        QTest::addColumn<QString>("unfilled"); // why not, after "Дата блок. не заполняется: "
        const auto row = [](const char* name, const char* headers, int filled, const char* block,
                            const char* unfilled = "") {
            QTest::newRow(name) << QString::fromUtf8(headers).split(u'|', Qt::SkipEmptyParts)
                                << filled << QString::fromUtf8(block)
                                << QString::fromUtf8(unfilled);
        };
        row("as opened", "", Block, "01.05.2010");
        row("both moved, blanks around", "2= Дата блок. |3=Дата актив.|5=x|6=y", 2, "01.04.2010");
        // The captions must be confirmed by the cells: names are no activation dates, nor are
        // names or activation dates block dates.
        row("activation caption on names", "5=x|0=Дата актив.", -1, "",
            "в колонке «Дата актив.» не даты (1 из 1)");
        row("block caption on names", "6=x|0=Дата блок.", -1, "",
            "в колонке «Дата блок.» не даты (1 из 1)");
        row("captions swapped", "6=Дата актив.|5=Дата блок.", -1, "",
            "колонки «Дата актив.» и «Дата блок.», похоже, переставлены (1 из 1)");
        row("block date missing", "6=Блок", -1, "", "нет колонки «Дата блок.»");
        row("activation missing", "5=Дата", -1, "", "нет колонки «Дата актив.»");
        row("block date doubled", "7= Дата блок. ", -1, "", "колонок «Дата блок.» больше одной");
        row("activation doubled", "0=Дата актив.", -1, "", "колонок «Дата актив.» больше одной");
    }

    // The other cells stay as they were; when none is written, the reason says why.
    void findsItsColumnsByHeaderText() {
        QFETCH(QStringList, headers);
        QFETCH(int, filled);
        QFETCH(QString, block);
        QFETCH(QString, unfilled);
        auto grid = journalGrid({QStringLiteral("15.03.2009")});
        for (const QString& header : headers)
            grid->setCaption(header.section(u'=', 0, 0).toInt(), header.section(u'=', 1));
        QStringList expected = cells(*grid);
        if (filled >= 0)
            expected[grid->columnCount() + filled] = block;
        journal::fillBlockDates(*grid);
        QCOMPARE(cells(*grid), expected);
        QCOMPARE(model::BlockJudgement(*grid, {}).unfilledReason().value_or(QString()),
                 unfilled.isEmpty() ? QString() : u"Дата блок. не заполняется: " + unfilled);
    }

    // An empty "Дата блок." (an added column, or one of a note and a mark) that came to stand
    // beside the block dates, or beside an activation caption over them, gets nothing.
    void leavesAColumnBesideTheBlockDates_data() {
        QTest::addColumn<QStringList>("headers");
        QTest::addColumn<QString>("unfilled");
        const auto row = [](const char* name, const char* headers, const char* unfilled) {
            QTest::newRow(name) << QString::fromUtf8(headers).split(u'|')
                                << QString::fromUtf8(unfilled);
        };
        row("block dates in another column", "6=Прочее|7=Дата блок.",
            "даты блокировки стоят в колонке 7 («Прочее»)");
        row("activation caption over them", "5=|6=Дата актив.|7=Дата блок.",
            "даты блокировки стоят в колонке 7 («Дата актив.»)");
    }

    void leavesAColumnBesideTheBlockDates() {
        QFETCH(QStringList, headers);
        QFETCH(QString, unfilled);
        // Rows below the end of the activation dates, which the pass does not reach.
        auto grid = journalGrid({QStringLiteral("15.03.2009"),
                                 QStringLiteral("31.01.2009"),
                                 QStringLiteral("01.12.2009"),
                                 {},
                                 {},
                                 {},
                                 {},
                                 {},
                                 {}});
        journal::fillBlockDates(*grid);
        grid->setText(0, core::Mechanic, QStringLiteral("нет"));
        grid->setText(1, core::Mechanic, QStringLiteral("?"));
        for (const QString& header : headers)
            grid->setCaption(header.section(u'=', 0, 0).toInt(), header.section(u'=', 1));
        const QStringList before = cells(*grid);
        journal::fillBlockDates(*grid);
        QCOMPARE(cells(*grid), before);
        QCOMPARE(model::BlockJudgement(*grid, {}).unfilledReason(),
                 std::optional(u"Дата блок. не заполняется: " + unfilled));
        // Once two of the three rows no longer bear that out, the next run fills the column.
        grid->setText(0, Activation, QStringLiteral("01.01.2000"));
        grid->setText(1, Activation, QStringLiteral("01.01.2000"));
        journal::fillBlockDates(*grid);
        const int activation = *grid->findColumn(core::ActivationDateHeader);
        core::DateBuffer buffer;
        QCOMPARE(grid->text(0, core::Mechanic),
                 core::blockDateText(grid->text(0, activation), buffer).toString());
    }

    // Nothing else runs in the middle of the pass.
    void runsWithoutYieldingToTheEventLoop() {
        auto grid = journalGrid({QStringLiteral("15.03.2009"), QStringLiteral("31.01.2009")});
        bool otherEventRan = false;
        QTimer::singleShot(0, this, [&] { otherEventRan = true; });
        journal::fillBlockDates(*grid);
        QVERIFY(!otherEventRan);
        QTRY_VERIFY(otherEventRan);
    }
};

QTEST_GUILESS_MAIN(TestBlockDates)
#include "tst_blockdates.moc"
