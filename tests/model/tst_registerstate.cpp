// The register's state, kept beside a grid through random steps, against one worked out afresh.
#include "core/journalcolumns.h"
#include "model/gridmodel.h"
#include "model/registerstate.h"

#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTest>

namespace {

const QDate Today(2024, 3, 15);

// What those who show the state show: its counts, column, and each row's shade and marks.
QString shownOf(const model::RegisterState& state, const model::GridModel& grid) {
    const model::BlockCounts& counts = state.blocks().counts();
    QString shown = model::blockSummaryText(counts) + QString::number(counts.undated) +
                    QString::number(state.blocks().blockColumn().value_or(-1)) + u' ' +
                    QString::number(state.repeats().markedCells());
    for (int r = 0; r < grid.rowCount(); ++r)
        for (int c = 0; c < grid.columnCount(); ++c)
            shown += QString::number(int(state.blocks().state(r))) +
                     QString::number(state.repeats().marked(r, c));
    return shown;
}

// Where the kept state says otherwise than a pass over the grid as it stands; empty when nowhere.
QString differences(const model::RegisterState& state, const model::GridModel& grid) {
    const model::BlockJudgement blocks(grid, state.today());
    if (!(state.blocks().counts() == blocks.counts()) ||
        state.blocks().blockColumn() != blocks.blockColumn() ||
        state.blocks().unfilledRows() != blocks.unfilledRows())
        return QStringLiteral("block counts, column or rows to fill");
    const model::SerialRepeats repeats(grid);
    if (state.repeats().markedCells() != repeats.markedCells())
        return QStringLiteral("repeats counted");
    for (int r = -1; r <= grid.rowCount(); ++r) {
        if (state.blocks().state(r) != blocks.state(r) ||
            state.blocks().undated(r) != blocks.undated(r))
            return QStringLiteral("block state of row %1").arg(r);
        for (int c = 0; c < grid.columnCount(); ++c)
            if (state.repeats().otherRows(r, c) != repeats.otherRows(r, c))
                return QStringLiteral("repeats of %1, %2").arg(r).arg(c);
    }
    for (const int col : {int(core::Mechanic), int(core::SerialNumber)}) {
        if (col >= grid.columnCount())
            continue;
        const model::CompletionValues values(grid, col);
        for (const QString& typed : {QStringLiteral("0"), QStringLiteral("И"), QStringLiteral("1")})
            if (state.values(col).matches(typed, 1, 5) != values.matches(typed, 1, 5) ||
                state.values(col).proposal(typed, 0) != values.proposal(typed, 0))
                return QStringLiteral("values of column %1 for «%2»").arg(col).arg(typed);
    }
    return {};
}

} // namespace

class TestRegisterState : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // Edits, added and removed rows, sorts, moved and renamed columns, resizes, new days and undos
    // in a random order: after each, read at once or once the events are handled, the state says
    // what a pass over the grid says, and those who show it were told of any change to it.
    void staysRightThroughRandomSteps() {
        QRandomGenerator random(20240315);
        const QStringList texts =
            QStringLiteral("01.02.2024|15.03.2024|01.04.2024|1.4.24|01.03.2001|x|?||"
                           "0123| 0123 |Иванов|иванов")
                .split(u'|');
        const QStringList headers{QStringLiteral("Дата блок."), QStringLiteral("Дата актив."),
                                  QStringLiteral("Зав. № ЭКЛЗ"), QStringLiteral("другое")};
        const auto any = [&](const QStringList& from) {
            return from[random.bounded(int(from.size()))];
        };
        model::GridModel grid;
        grid.setHeaderFormat(core::headerFormat());
        grid.setRowCount(24);
        for (int r = 0; r < grid.rowCount(); ++r)
            for (const int c : {core::ActivationDate, core::BlockDate, core::SerialNumber})
                grid.setText(r, c, any(texts));
        model::RegisterState state(grid, Today);
        QSignalSpy changed(&state, &model::RegisterState::changed);
        std::vector<model::GridChange> log;
        grid.setChangeLog(&log);
        int undone = 0;
        for (int step = 0; step < 800; ++step) {
            const int rows = grid.rowCount();
            const int cols = grid.columnCount();
            const int row = random.bounded(std::max(1, rows));
            const int col = random.bounded(cols);
            const int action = random.bounded(12);
            const QString shownBefore = shownOf(state, grid);
            if (action < 4 && rows > 0)
                grid.setText(row, col, any(texts));
            else if (action == 4)
                grid.appendRow({{}, {}, {}, any(texts), {}, any(texts), any(texts)});
            else if (action == 5 && rows > 1)
                grid.removeRows(row, 1);
            else if (action == 6)
                grid.sort(col, random.bounded(2) ? Qt::DescendingOrder : Qt::AscendingOrder);
            else if (action == 7)
                grid.moveColumnTo(col, random.bounded(cols));
            else if (action == 8)
                grid.setCaption(col, any(headers));
            else if (action == 9)
                grid.setRowCount(random.bounded(40));
            else if (action == 10)
                state.setToday(Today.addDays(random.bounded(-40, 40)));
            else if (!log.empty()) {
                grid.setChangeLog(nullptr);
                grid.undoChange(log.back());
                log.pop_back();
                grid.setChangeLog(&log);
                ++undone;
            }
            const int toldBefore = int(changed.size());
            if (random.bounded(2) == 0)
                QCoreApplication::processEvents();
            const QString differs = differences(state, grid);
            QVERIFY2(
                differs.isEmpty(),
                qPrintable(
                    QStringLiteral("step %1, action %2: %3").arg(step).arg(action).arg(differs)));
            QCoreApplication::processEvents();
            if (shownOf(state, grid) != shownBefore)
                QVERIFY2(changed.size() > toldBefore,
                         qPrintable(QStringLiteral("%1 %2").arg(step).arg(action)));
        }
        QVERIFY(undone > 30);
    }
};

QTEST_GUILESS_MAIN(TestRegisterState)
#include "tst_registerstate.moc"
