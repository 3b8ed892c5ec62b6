#include "core/journalcolumns.h"
#include "model/gridmodel.h"
#include "model/registerstate.h"

#include <QSignalSpy>
#include <QTest>

using model::BlockState;

Q_DECLARE_METATYPE(model::BlockState)

namespace {

constexpr int Block = core::BlockDate;
const QDate Today(2024, 3, 15);

// A journal grid with one data row per block-date text, each beside an activation date before
// it.
std::unique_ptr<model::GridModel> journalGrid(const QStringList& blockDates) {
    auto grid = std::make_unique<model::GridModel>();
    grid->setHeaderFormat(core::headerFormat());
    grid->setRowCount(int(blockDates.size()));
    for (int r = 0; r < grid->rowCount(); ++r) {
        grid->setText(r, core::ActivationDate, QStringLiteral("01.01.2000"));
        grid->setText(r, Block, blockDates[r]);
    }
    return grid;
}

} // namespace

class TestBlockStates : public QObject {
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
        const model::RegisterState state(*grid, today);
        const model::BlockJudgement& watch = state.blocks();
        QCOMPARE(watch.state(0), expected);
        QCOMPARE(watch.state(1), model::BlockState::Clear); // no such row
        // "30.02.2024" alone is no block date: the judgement also says why it shades nothing.
        QCOMPARE(watch.counts().blocked, int(expected == model::BlockState::Blocked));
        QCOMPARE(watch.counts().soon, int(expected == model::BlockState::Soon));
    }

    // The state says why it shades nothing, in the summary too, and follows each edit: of the
    // block dates, of another column, of a caption; those who show it are told of each.
    void saysWhyItShadesNothing() {
        const auto grid = journalGrid({QStringLiteral("Иванов"), QStringLiteral("Петров"), {}});
        model::RegisterState state(*grid, Today);
        const auto blocks = [&state]() -> const model::BlockJudgement& { return state.blocks(); };
        QSignalSpy sent(&state, &model::RegisterState::changed);
        // Built with arg(), not "+": GCC 12's optimiser warns falsely (-Wstringop-overflow) when
        // QCOMPARE prints a QStringBuilder.
        const auto unfilled = [](const char16_t* why) {
            return std::optional(
                QStringLiteral("Дата блок. не заполняется: %1").arg(QStringView(why)));
        };
        QCOMPARE(blocks().unfilledReason(), unfilled(u"в колонке «Дата блок.» не даты (2 из 3)"));
        QVERIFY(model::blockSummaryText(blocks().counts())
                    .endsWith(u' ' + *blocks().unfilledReason() + u'.'));
        QVERIFY(!blocks().blockColumn());
        grid->setText(2, Block, QStringLiteral("Сидоров"));
        QCOMPARE(blocks().unfilledReason(), unfilled(u"в колонке «Дата блок.» не даты (3 из 3)"));
        QVERIFY(sent.wait(1000));
        // A mark and two empty cells: the column is taken.
        for (int r = 0; r < 3; ++r)
            grid->setText(r, Block, r == 1 ? QStringLiteral("?") : QString());
        QCOMPARE(blocks().unfilledReason(), std::nullopt);
        QCOMPARE(blocks().blockColumn(), std::optional(Block));
        QCOMPARE(model::blockSummaryText(blocks().counts()),
                 QStringLiteral("Заблокированы: 0. Блокируются в ближайшие 31 дн.: 0."));
        // Unless the mechanics' column holds the block dates of 01.01.2000.
        grid->setText(0, core::Mechanic, QStringLiteral("01.03.2001"));
        grid->setText(2, core::Mechanic, QStringLiteral("01.03.2001"));
        QCOMPARE(blocks().unfilledReason(),
                 unfilled(u"даты блокировки стоят в колонке 8 («Механик»)"));
        QVERIFY(!blocks().blockColumn());
        grid->setCaption(core::Mechanic, QStringLiteral("Блок"));
        QCOMPARE(blocks().unfilledReason(),
                 unfilled(u"даты блокировки стоят в колонке 8 («Блок»)"));
        QVERIFY(sent.wait(1000));
        // Nor then, once a new activation date makes them another unit's.
        grid->setText(2, core::ActivationDate, QStringLiteral("01.02.2000"));
        QCOMPARE(blocks().unfilledReason(), std::nullopt);
        // Only the rows reached count, as the end of the activation dates moves up and down.
        const std::optional<QString> elsewhere =
            unfilled(u"даты блокировки стоят в колонке 8 («Блок»)");
        grid->setText(1, core::ActivationDate, QString());
        QCOMPARE(blocks().unfilledReason(), elsewhere);
        grid->setText(0, core::Mechanic, QStringLiteral("нет"));
        grid->setText(1, core::Mechanic, QStringLiteral("01.03.2001"));
        grid->setText(2, core::ActivationDate, QStringLiteral("01.01.2000"));
        QCOMPARE(blocks().unfilledReason(), std::nullopt);
        grid->setText(1, core::ActivationDate, QStringLiteral("01.01.2000"));
        QCOMPARE(blocks().unfilledReason(), elsewhere);
    }
};

QTEST_GUILESS_MAIN(TestBlockStates)
#include "tst_blockstates.moc"
