#include "app/gridmodel.h"
#include "journal/blockwatch.h"
#include "journal/journalcolumns.h"

#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTest>

using journal::BlockCounts;
using journal::BlockState;
using journal::BlockWatch;

Q_DECLARE_METATYPE(journal::BlockState)

namespace journal {
char* toString(const BlockCounts& counts) {
    return QTest::toString(
        QStringLiteral("%1 blocked, %2 soon").arg(counts.blocked).arg(counts.soon));
}
} // namespace journal

namespace {

constexpr int Block = journal::BlockDate;
const QDate Today(2024, 3, 15);

// A journal grid with one data row per block-date text.
std::unique_ptr<GridModel> journalGrid(const QStringList& blockDates) {
    auto grid = std::make_unique<GridModel>();
    grid->setFormatString(journal::headerFormat());
    grid->setRows(int(blockDates.size()) + 1);
    for (int r = 1; r < grid->rows(); ++r) {
        grid->setTextMatrix(r, 0, QStringLiteral("owner %1").arg(r));
        grid->setTextMatrix(r, Block, blockDates[r - 1]);
    }
    return grid;
}

// What a watch started afresh on the grid as it now stands says, against what `watch` says.
QString differenceFromFreshCount(const BlockWatch& watch, const GridModel& grid) {
    const BlockWatch fresh(grid, watch.today());
    if (fresh.blockColumn() != watch.blockColumn())
        return QStringLiteral("block-date column differs");
    if (fresh.counts() != watch.counts())
        return QStringLiteral("counts %1/%2, afresh %3/%4")
            .arg(watch.counts().blocked)
            .arg(watch.counts().soon)
            .arg(fresh.counts().blocked)
            .arg(fresh.counts().soon);
    for (int r = 0; r <= grid.rows(); ++r)
        if (fresh.state(r) != watch.state(r))
            return QStringLiteral("row %1 differs").arg(r);
    return {};
}

} // namespace

class TestBlockWatch : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void judgesABlockDateAgainstToday_data() {
        QTest::addColumn<QDate>("today");
        QTest::addColumn<QString>("blockDate");
        QTest::addColumn<BlockState>("expected");
        const auto row = [](const char* name, QDate today, const char* text, BlockState state) {
            QTest::newRow(name) << today << QString::fromUtf8(text) << state;
        };
        row("today", Today, "15.03.2024", BlockState::Blocked);
        row("yesterday", Today, "14.03.2024", BlockState::Blocked);
        row("today + 31", Today, "15.04.2024", BlockState::Soon);
        row("today + 32", Today, "16.04.2024", BlockState::Clear);
        row("short form, soon", Today, "1.4.24", BlockState::Soon);
        row("across the year end, + 31", QDate(2024, 12, 15), "15.01.2025", BlockState::Soon);
        row("across the year end, + 32", QDate(2024, 12, 15), "16.01.2025", BlockState::Clear);
        row("leap day is today", QDate(2024, 2, 29), "29.02.2024", BlockState::Blocked);
        row("leap day, + 31", QDate(2024, 2, 29), "31.03.2024", BlockState::Soon);
        row("leap day, + 32", QDate(2024, 2, 29), "01.04.2024", BlockState::Clear);
        row("across a leap February, + 31", QDate(2024, 1, 31), "02.03.2024", BlockState::Soon);
        row("across a leap February, + 32", QDate(2024, 1, 31), "03.03.2024", BlockState::Clear);
        row("empty", Today, "", BlockState::Clear);
        row("words", Today, "скоро", BlockState::Clear);
        row("no such day", Today, "30.02.2024", BlockState::Clear);
        row("leading blank", Today, " 01.03.2024", BlockState::Clear);
        row("no today", QDate(), "01.03.2024", BlockState::Clear);
    }

    void judgesABlockDateAgainstToday() {
        QFETCH(QDate, today);
        QFETCH(QString, blockDate);
        QFETCH(BlockState, expected);
        QCOMPARE(journal::blockStateOf(blockDate, today), expected);
        // The watch over a grid judges a row the same way.
        const auto grid = journalGrid({blockDate});
        const BlockWatch watch(*grid, today);
        QCOMPARE(watch.state(1), expected);
        QCOMPARE(watch.counts().blocked, expected == BlockState::Blocked ? 1 : 0);
        QCOMPARE(watch.counts().soon, expected == BlockState::Soon ? 1 : 0);
    }

    // Counts go out when they change, once per batch; states that change without a changed
    // cell (a new day, a renamed column) ask for a repaint.
    void tellsWhatChanged() {
        const auto grid = journalGrid(QStringList(50, QStringLiteral("01.05.2024")));
        BlockWatch watch(*grid, Today);
        QSignalSpy sent(&watch, &BlockWatch::countsChanged);
        QSignalSpy reset(&watch, &BlockWatch::statesReset);
        grid->setTextMatrix(1, Block, QStringLiteral("01.03.2024"));
        grid->setTextMatrix(1, Block, QStringLiteral("01.01.2024"));
        QCOMPARE(sent.count(), 1);
        {
            const BlockWatch::Batch outer(watch);
            const BlockWatch::Batch inner(watch);
            for (int r = 1; r < grid->rows(); ++r)
                grid->setTextMatrix(r, Block, QStringLiteral("01.04.2024"));
        }
        QCOMPARE(sent.count(), 2);
        QCOMPARE(sent.last().at(0).value<BlockCounts>(), (BlockCounts{0, 50}));
        QVERIFY(reset.isEmpty());
        watch.setToday(QDate(2024, 4, 1));
        QCOMPARE(watch.counts(), (BlockCounts{50, 0}));
        grid->setTextMatrix(0, Block, QStringLiteral("Блок"));
        QCOMPARE(watch.counts(), (BlockCounts{0, 0}));
        QCOMPARE(reset.count(), 2);
    }

    // Edits, added and removed rows, sorts, column moves, renamed headers and resizes in a random
    // order: after each, the watch says what a fresh count says.
    void staysInStepWithAFreshCount() {
        QRandomGenerator random(20240315);
        const QStringList dates =
            QStringLiteral("01.02.2024|15.03.2024|01.04.2024|16.04.2024|1.4.24|x|").split(u'|');
        // Blanks around the caption still name the column; two such columns name none.
        const QStringList headers = {QStringLiteral("Дата блок."), QStringLiteral(" Дата блок. "),
                                     QStringLiteral("другое")};
        const auto anyDate = [&] { return dates[random.bounded(int(dates.size()))]; };
        QStringList start;
        for (int i = 0; i < 40; ++i)
            start << anyDate();
        const auto grid = journalGrid(start);
        BlockWatch watch(*grid, Today);
        bool sawBoth = false;
        bool sawNoColumn = false;
        for (int step = 0; step < 600; ++step) {
            const int rows = grid->rows();
            const int cols = grid->cols();
            const int row = 1 + random.bounded(std::max(1, rows - 1));
            const int col = random.bounded(cols);
            const int action = random.bounded(10);
            switch (action) {
            case 0:
            case 1:
            case 2:
                if (rows > 1)
                    grid->setTextMatrix(row, col, anyDate());
                break;
            case 3:
                grid->addItem(QStringLiteral("\t\t\t\t\t\t") + anyDate());
                break;
            case 4:
                if (rows > 2)
                    grid->removeItem(row);
                break;
            case 5:
                grid->setCurrentCell(rows > 1 ? row : 0, col);
                grid->setSort(1);
                break;
            case 6:
                grid->setColPosition(col, random.bounded(cols));
                break;
            case 7:
                grid->setTextMatrix(0, col, headers[random.bounded(int(headers.size()))]);
                break;
            case 8:
                grid->setRows(1 + random.bounded(60));
                if (random.bounded(4) == 0)
                    grid->setCols(std::max(1, cols + random.bounded(3) - 1));
                break;
            case 9:
                watch.setToday(Today.addDays(random.bounded(-40, 40)));
                break;
            }
            sawBoth = sawBoth || (watch.counts().blocked > 0 && watch.counts().soon > 0);
            sawNoColumn = sawNoColumn || !watch.blockColumn();
            const QString difference = differenceFromFreshCount(watch, *grid);
            QVERIFY2(difference.isEmpty(), qPrintable(QStringLiteral("step %1, action %2: %3")
                                                          .arg(step)
                                                          .arg(action)
                                                          .arg(difference)));
        }
        // The run went through registers with shaded rows of both kinds and without the column.
        QVERIFY(sawBoth);
        QVERIFY(sawNoColumn);
    }
};

QTEST_GUILESS_MAIN(TestBlockWatch)
#include "tst_blockwatch.moc"
