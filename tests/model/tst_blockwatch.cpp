#include "core/journalcolumns.h"
#include "model/blockwatch.h"
#include "model/gridmodel.h"

#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTest>

using journal::BlockCounts;
using journal::BlockState;
using journal::BlockWatch;

Q_DECLARE_METATYPE(journal::BlockState)

namespace {

constexpr int Block = journal::BlockDate;
const QDate Today(2024, 3, 15);

// A journal grid with one data row per block-date text, each beside an activation date before
// it.
std::unique_ptr<GridModel> journalGrid(const QStringList& blockDates) {
    auto grid = std::make_unique<GridModel>();
    grid->setFormatString(journal::headerFormat());
    grid->setRows(int(blockDates.size()) + 1);
    for (int r = 1; r < grid->rows(); ++r) {
        grid->setTextMatrix(r, journal::ActivationDate, QStringLiteral("01.01.2000"));
        grid->setTextMatrix(r, Block, blockDates[r - 1]);
    }
    return grid;
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
        row("today + 31", Today, "15.04.2024", BlockState::Soon);
        row("today + 32", Today, "16.04.2024", BlockState::Clear);
        row("short form", Today, "1.4.24", BlockState::Soon);
        row("across the year end, + 31", QDate(2024, 12, 15), "15.01.2025", BlockState::Soon);
        row("across the year end, + 32", QDate(2024, 12, 15), "16.01.2025", BlockState::Clear);
        row("across a leap February, + 31", QDate(2024, 1, 31), "02.03.2024", BlockState::Soon);
        row("across a leap February, + 32", QDate(2024, 1, 31), "03.03.2024", BlockState::Clear);
        row("no such day", Today, "30.02.2024", BlockState::Clear);
        row("no today", QDate(), "01.03.2024", BlockState::Clear);
    }

    void judgesABlockDateAgainstToday() {
        QFETCH(QDate, today);
        QFETCH(QString, blockDate);
        QFETCH(BlockState, expected);
        const auto grid = journalGrid({blockDate});
        const BlockWatch watch(*grid, today);
        QCOMPARE(watch.state(1), expected);
        QCOMPARE(watch.counts(),
                 (BlockCounts{expected == BlockState::Blocked, expected == BlockState::Soon}));
    }

    // Edits, added and removed rows, sorts, column moves, renamed headers, resizes and new days
    // in a random order: after each, the watch says what a watch started afresh says.
    void staysInStepWithAFreshCount() {
        QRandomGenerator random(20240315);
        const QStringList dates =
            QStringLiteral("01.02.2024|15.03.2024|01.04.2024|16.04.2024|1.4.24|x|").split(u'|');
        // Blanks around the caption still name the column; two such columns name none.
        const QStringList headers{QStringLiteral("Дата блок."), QStringLiteral(" Дата блок. "),
                                  QStringLiteral("другое")};
        const auto any = [&](const QStringList& texts) {
            return texts[random.bounded(int(texts.size()))];
        };
        QStringList start;
        for (int i = 0; i < 40; ++i)
            start << any(dates);
        const auto grid = journalGrid(start);
        BlockWatch watch(*grid, Today);
        QSignalSpy sent(&watch, &BlockWatch::countsChanged);
        bool sawBoth = false;
        bool sawNoColumn = false;
        for (int step = 0; step < 600; ++step) {
            const int rows = grid->rows();
            const int cols = grid->cols();
            const int row = 1 + random.bounded(std::max(1, rows - 1));
            const int col = random.bounded(cols);
            const int action = random.bounded(10);
            if (action < 3 && rows > 1)
                grid->setTextMatrix(row, col, any(dates));
            else if (action == 3)
                grid->addItem(QStringLiteral("\t\t\t\t\t\t") + any(dates));
            else if (action == 4 && rows > 2)
                grid->removeItem(row);
            else if (action == 5) {
                grid->setCurrentCell(rows > 1 ? row : 0, col);
                grid->setSort(1);
            } else if (action == 6)
                grid->setColPosition(col, random.bounded(cols));
            else if (action == 7)
                grid->setTextMatrix(0, col, any(headers));
            else if (action == 8) {
                grid->setRows(1 + random.bounded(60));
                if (random.bounded(4) == 0)
                    grid->setCols(std::max(1, cols + random.bounded(3) - 1));
            } else if (action == 9)
                watch.setToday(Today.addDays(random.bounded(-40, 40)));
            sawBoth = sawBoth || (watch.counts().blocked > 0 && watch.counts().soon > 0);
            sawNoColumn = sawNoColumn || !watch.blockColumn();

            const BlockWatch fresh(*grid, watch.today());
            const QByteArray where =
                QStringLiteral("step %1, action %2").arg(step).arg(action).toUtf8();
            QVERIFY2(fresh.blockColumn() == watch.blockColumn(), where.constData());
            QVERIFY2(fresh.counts() == watch.counts(), where.constData());
            // The counts went out when they changed.
            if (!sent.isEmpty())
                QVERIFY2(sent.last().at(0).value<BlockCounts>() == watch.counts(),
                         where.constData());
            for (int r = 0; r <= grid->rows(); ++r)
                QVERIFY2(fresh.state(r) == watch.state(r), where.constData());
        }
        // The run went through registers with rows of both kinds and without the column.
        QVERIFY(sawBoth);
        QVERIFY(sawNoColumn);
    }
};

QTEST_GUILESS_MAIN(TestBlockWatch)
#include "tst_blockwatch.moc"
