#include "core/journalcolumns.h"
#include "model/blockcolumns.h"
#include "model/blockwatch.h"
#include "model/gridmodel.h"

#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTest>

using model::BlockCounts;
using model::BlockState;
using model::BlockWatch;

Q_DECLARE_METATYPE(model::BlockState)

namespace {

constexpr int Block = core::BlockDate;
const QDate Today(2024, 3, 15);

// A journal grid with one data row per block-date text, each beside an activation date before
// it.
std::unique_ptr<model::GridModel> journalGrid(const QStringList& blockDates) {
    auto grid = std::make_unique<model::GridModel>();
    grid->setFormatString(core::headerFormat());
    grid->setRows(int(blockDates.size()) + 1);
    for (int r = 1; r < grid->rows(); ++r) {
        grid->setTextMatrix(r, core::ActivationDate, QStringLiteral("01.01.2000"));
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
        QTest::addColumn<model::BlockState>("expected");
        const auto row = [](const char* name, QDate today, const char* text,
                            model::BlockState state) {
            QTest::newRow(name) << today << QString::fromUtf8(text) << state;
        };
        row("today", Today, "15.03.2024", model::BlockState::Blocked);
        row("today + 31", Today, "15.04.2024", model::BlockState::Soon);
        row("today + 32", Today, "16.04.2024", model::BlockState::Clear);
        row("short form", Today, "1.4.24", model::BlockState::Soon);
        row("across the year end, + 31", QDate(2024, 12, 15), "15.01.2025",
            model::BlockState::Soon);
        row("across the year end, + 32", QDate(2024, 12, 15), "16.01.2025",
            model::BlockState::Clear);
        row("across a leap February, + 31", QDate(2024, 1, 31), "02.03.2024",
            model::BlockState::Soon);
        row("across a leap February, + 32", QDate(2024, 1, 31), "03.03.2024",
            model::BlockState::Clear);
        row("no such day", Today, "30.02.2024", model::BlockState::Clear);
        row("no today", QDate(), "01.03.2024", model::BlockState::Clear);
    }

    void judgesABlockDateAgainstToday() {
        QFETCH(QDate, today);
        QFETCH(QString, blockDate);
        QFETCH(model::BlockState, expected);
        const auto grid = journalGrid({blockDate});
        const model::BlockWatch watch(*grid, today);
        QCOMPARE(watch.state(1), expected);
        // "30.02.2024" alone is no block date: the watch also says why it shades nothing.
        QCOMPARE(watch.counts().blocked, int(expected == model::BlockState::Blocked));
        QCOMPARE(watch.counts().soon, int(expected == model::BlockState::Soon));
    }

    // The watch says why it shades nothing, in the summary too, and follows each edit: of the
    // block dates, of another column, of a caption.
    void saysWhyItShadesNothing() {
        const auto grid = journalGrid({QStringLiteral("Иванов"), QStringLiteral("Петров"), {}});
        model::BlockWatch watch(*grid, Today);
        QSignalSpy sent(&watch, &model::BlockWatch::countsChanged);
        // Built with arg(), not "+": GCC 12's optimiser warns falsely (-Wstringop-overflow) when
        // QCOMPARE prints a QStringBuilder.
        const auto declined = [](const char16_t* why) {
            return std::optional(
                QStringLiteral("Дата блок. не заполняется: %1").arg(QStringView(why)));
        };
        QCOMPARE(watch.declined(), declined(u"в колонке «Дата блок.» не даты (2 из 3)"));
        QVERIFY(model::blockSummaryText(watch.counts()).endsWith(u' ' + *watch.declined() + u'.'));
        QVERIFY(!watch.blockColumn());
        grid->setTextMatrix(3, Block, QStringLiteral("Сидоров"));
        QCOMPARE(watch.declined(), declined(u"в колонке «Дата блок.» не даты (3 из 3)"));
        QCOMPARE(sent.last().at(0).value<model::BlockCounts>().declined, watch.declined());
        // A mark and two empty cells: the column is taken.
        for (int r = 1; r <= 3; ++r)
            grid->setTextMatrix(r, Block, r == 2 ? QStringLiteral("?") : QString());
        QCOMPARE(watch.declined(), std::nullopt);
        QCOMPARE(watch.blockColumn(), std::optional(Block));
        QCOMPARE(model::blockSummaryText(watch.counts()),
                 QStringLiteral("Заблокированы: 0. Блокируются в ближайшие 31 дн.: 0."));
        // Unless the mechanics' column holds the block dates of 01.01.2000.
        grid->setTextMatrix(1, core::Mechanic, QStringLiteral("01.03.2001"));
        grid->setTextMatrix(3, core::Mechanic, QStringLiteral("01.03.2001"));
        QCOMPARE(watch.declined(), declined(u"даты блокировки стоят в колонке 8 («Механик»)"));
        QVERIFY(!watch.blockColumn());
        grid->setTextMatrix(0, core::Mechanic, QStringLiteral("Блок"));
        QCOMPARE(watch.declined(), declined(u"даты блокировки стоят в колонке 8 («Блок»)"));
        QCOMPARE(sent.last().at(0).value<model::BlockCounts>().declined, watch.declined());
        // Nor then, once a new activation date makes them another unit's.
        grid->setTextMatrix(3, core::ActivationDate, QStringLiteral("01.02.2000"));
        QCOMPARE(watch.declined(), std::nullopt);
        // Only the rows reached count, as the end of the activation dates moves up and down.
        const std::optional<QString> elsewhere =
            declined(u"даты блокировки стоят в колонке 8 («Блок»)");
        grid->setTextMatrix(2, core::ActivationDate, QString());
        QCOMPARE(watch.declined(), elsewhere);
        grid->setTextMatrix(1, core::Mechanic, QStringLiteral("нет"));
        grid->setTextMatrix(2, core::Mechanic, QStringLiteral("01.03.2001"));
        grid->setTextMatrix(3, core::ActivationDate, QStringLiteral("01.01.2000"));
        QCOMPARE(watch.declined(), std::nullopt);
        grid->setTextMatrix(2, core::ActivationDate, QStringLiteral("01.01.2000"));
        QCOMPARE(watch.declined(), elsewhere);
    }

    // Random edits of the two columns and of another, inserted, removed and sorted rows: the
    // watch decides as a fresh one and as the block-date pass, and gives the same reason.
    void decidesAsAFreshWatch() {
        QRandomGenerator random(426);
        const QStringList activations =
            QStringLiteral("01.01.2000|01.02.2000|01.03.2001|15.03.2009|нет| |").split(u'|');
        // Few block-like cells, so that the other columns often count; block dates of the
        // activation dates, and activation dates whose block dates stand in the activation column.
        const QStringList blocks = QStringLiteral("|?|нет|01.05.2010|15.01.1999|").split(u'|');
        const QStringList others = QStringLiteral("|01.03.2001|01.01.2000|нет").split(u'|');
        const auto any = [&](const QStringList& texts) {
            return texts[random.bounded(int(texts.size()))];
        };
        const auto grid = journalGrid(QList<QString>(12, QString()));
        model::BlockWatch watch(*grid, Today);
        QSet<QString> reasons;
        for (int step = 0; step < 2000; ++step) {
            const int row = 1 + random.bounded(grid->rows() - 1);
            const int action = random.bounded(11);
            if (action < 3)
                grid->setTextMatrix(row, core::ActivationDate, any(activations));
            else if (action < 6)
                grid->setTextMatrix(row, Block, any(blocks));
            else if (action < 8)
                grid->setTextMatrix(row, core::Mechanic, any(others));
            else if (action == 8 && grid->rows() < 20)
                grid->addItem(
                    QStringLiteral("\t\t\t\t\t%1\t%2").arg(any(activations), any(blocks)));
            else if (action == 8)
                grid->removeItem(row);
            else if (action == 9)
                grid->setRows(2 + random.bounded(20));
            else {
                grid->setCurrentCell(row, random.bounded(grid->cols()));
                grid->setSort(1);
            }
            const model::BlockWatch fresh(*grid, Today);
            const QByteArray where = QByteArray::number(step);
            QVERIFY2(fresh.counts() == watch.counts(), where.constData());
            QVERIFY2(model::findBlockColumns(*grid).has_value() == watch.blockColumn().has_value(),
                     where.constData());
            for (int r = 0; r < grid->rows(); ++r)
                QVERIFY2(fresh.state(r) == watch.state(r) && fresh.undated(r) == watch.undated(r),
                         where.constData());
            reasons << watch.declined().value_or(QString()).section(u' ', 4, 9);
        }
        // Filled, and declined for each reason the cells can give.
        QCOMPARE(reasons.size(), 6);
    }

    // Edits, added and removed rows, sorts, column moves, renamed headers, resizes and new days
    // in a random order: after each, the watch says what a watch started afresh says.
    void staysInStepWithAFreshCount() {
        QRandomGenerator random(20240315);
        const QStringList dates =
            QStringLiteral("01.02.2024|15.03.2024|01.04.2024|16.04.2024|1.4.24|x|?|01.03.2001")
                .split(u'|');
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
        model::BlockWatch watch(*grid, Today);
        QSignalSpy sent(&watch, &model::BlockWatch::countsChanged);
        bool sawBoth = false;
        bool sawNoColumn = false;
        for (int step = 0; step < 600; ++step) {
            const int rows = grid->rows();
            const int cols = grid->cols();
            const int row = 1 + random.bounded(std::max(1, rows - 1));
            const int col = random.bounded(cols);
            const int action = random.bounded(11);
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

            const model::BlockWatch fresh(*grid, watch.today());
            const QByteArray where =
                QStringLiteral("step %1, action %2").arg(step).arg(action).toUtf8();
            QVERIFY2(fresh.blockColumn() == watch.blockColumn(), where.constData());
            QVERIFY2(fresh.counts() == watch.counts(), where.constData());
            // The counts went out when they changed.
            if (!sent.isEmpty())
                QVERIFY2(sent.last().at(0).value<model::BlockCounts>() == watch.counts(),
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
