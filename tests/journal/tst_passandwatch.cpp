// The block-date pass beside a block watch reads the watch's evidence instead of weighing the
// rows itself: after any sequence of edits, row inserts and removals, sorts, column moves,
// renamed captions and undos, the pass must still write what a whole pass over the grid writes,
// and the watch must judge as a watch made afresh on the grid.
#include "core/journalcolumns.h"
#include "journal/blockdates.h"
#include "model/blockcolumns.h"
#include "model/blockwatch.h"
#include "model/gridmodel.h"

#include <QRandomGenerator>
#include <QTest>

namespace {

const QDate Today(2010, 6, 1);

QStringList cells(const model::GridModel& grid) {
    QStringList all;
    for (int r = 0; r < grid.rows(); ++r)
        for (int c = 0; c < grid.cols(); ++c)
            all << grid.textMatrix(r, c);
    return all;
}

// Where the watch judges otherwise than one made afresh on the grid; empty when nowhere.
QString differences(const model::BlockWatch& watch, const model::GridModel& grid) {
    const model::BlockWatch fresh(grid, watch.today());
    if (!(watch.counts() == fresh.counts()) || watch.blockColumn() != fresh.blockColumn())
        return QStringLiteral("counts or column");
    for (int r = 1; r < grid.rows(); ++r)
        if (watch.state(r) != fresh.state(r) || watch.undated(r) != fresh.undated(r))
            return QStringLiteral("row %1").arg(r);
    return {};
}

// One grid as the window keeps it: a watch, a pass reading its evidence, and every change logged
// by step, so that the last step can be undone.
struct Followed {
    model::GridModel grid;
    model::BlockWatch watch{grid, Today};
    journal::BlockDatePass pass;
    std::vector<model::GridChange> log;
    std::vector<std::size_t> steps; // where each step begins in the log

    Followed() {
        grid.setFormatString(core::headerFormat());
        grid.setRows(41);
        for (int r = 1; r < grid.rows(); ++r)
            grid.setTextMatrix(r, core::ActivationDate, QStringLiteral("15.03.2009"));
        grid.setChangeLog(&log);
        pass.readEvidenceOf(watch);
    }
    void undo() {
        const std::size_t from = steps.back();
        steps.pop_back();
        grid.setChangeLog(nullptr);
        while (log.size() > from) {
            grid.undoChange(log.back());
            log.pop_back();
        }
        grid.setChangeLog(&log);
    }
};

} // namespace

class TestPassAndWatch : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // An activation date typed into the row that ended the dates carries the pass down to the
    // next gap; both undone at once (the block dates written below it first, then the date), the
    // rows below that row are not reached again, and keep what they held.
    void keptPassAfterSeveralRowsUndone() {
        // Made in one piece, so that the grid's list of changed rows has room for the steps.
        model::GridModel grid;
        grid.setFormatString(core::headerFormat());
        QList<QString> texts = cells(grid).mid(0, grid.cols());
        for (int r = 1; r < 20; ++r)
            for (int c = 0; c < grid.cols(); ++c)
                texts << (c == core::BlockDate ? QStringLiteral("01.01.2001")
                          : c == core::ActivationDate && (r < 4 || r == 5 || r == 6)
                              ? QStringLiteral("15.03.2009")
                              : QString());
        grid.replaceCells(20, grid.cols(), texts);
        journal::BlockDatePass pass;
        pass.run(grid);
        const QStringList before = cells(grid);
        grid.setTextMatrix(4, core::ActivationDate, QStringLiteral("31.01.2010"));
        pass.run(grid);
        QVERIFY(grid.cell(6, core::BlockDate) != before[6 * grid.cols() + core::BlockDate]);
        for (int r = 6; r >= 4; --r)
            grid.setTextMatrix(r, core::BlockDate, before[r * grid.cols() + core::BlockDate]);
        grid.setTextMatrix(4, core::ActivationDate, QString());
        pass.run(grid);
        QCOMPARE(cells(grid), before);
    }

    // Block dates kept in the mechanics' column, marks in the captioned one: the pass declines
    // until most mechanics' cells hold names; the pass beside the watch follows those cells as a
    // whole pass does, and fills from then on.
    void passBesideWatchFollowsTheOtherColumns() {
        Followed followed;
        for (int r = 1; r < followed.grid.rows(); ++r) {
            followed.grid.setTextMatrix(r, core::BlockDate, QStringLiteral("?"));
            followed.grid.setTextMatrix(r, core::Mechanic, QStringLiteral("01.05.2010"));
        }
        model::GridModel alone;
        alone.replaceCells(followed.grid.rows(), followed.grid.cols(), cells(followed.grid));
        for (int r = 1; r < followed.grid.rows(); ++r) {
            for (model::GridModel* grid : {&followed.grid, &alone})
                grid->setTextMatrix(r, core::Mechanic, QStringLiteral("Иванов"));
            followed.pass.run(followed.grid);
            journal::fillBlockDates(alone);
            QVERIFY2(cells(followed.grid) == cells(alone), qPrintable(QString::number(r)));
            QCOMPARE(followed.watch.declined(), model::blockDatesDeclined(followed.grid));
        }
        QVERIFY(!followed.watch.declined());
        QCOMPARE(followed.grid.cell(1, core::BlockDate), QStringLiteral("01.05.2010"));
    }

    void passAndWatchJudgeFromTheGridAsItStands() {
        const QStringList activations = {
            QStringLiteral("15.03.2009"), QStringLiteral("31.01.2010"),
            QStringLiteral("29.02.2008"), QStringLiteral(" 01.12.2008 "),
            QStringLiteral("нет"),        QStringLiteral("10.10.2010"),
            QStringLiteral("01.01.2011"), QString()};
        // Block dates right and wrong, marks, words, and block dates in the mechanics' column.
        const QStringList others = {QStringLiteral("01.05.2010"), QStringLiteral("Иванов"),
                                    QStringLiteral("01.01.2099"), QString(),
                                    QStringLiteral("?"),          QStringLiteral("15.01.2000"),
                                    QStringLiteral("01.07.2010"), QStringLiteral("01.06.2010")};
        const QString renamed = QStringLiteral("Прочее");
        QRandomGenerator random(1426);
        Followed followed;
        model::GridModel alone;
        alone.setFormatString(core::headerFormat());
        alone.replaceCells(followed.grid.rows(), followed.grid.cols(), cells(followed.grid));
        std::vector<model::GridChange> aloneLog;
        std::vector<std::size_t> aloneSteps;
        alone.setChangeLog(&aloneLog);
        int undone = 0;
        int filled = 0;
        for (int step = 0; step < 500; ++step) {
            const int action = random.bounded(100);
            const int row = 1 + random.bounded(alone.rows() - 1);
            const int col = random.bounded(alone.cols());
            const int pick = random.bounded(8);
            if (action < 12 && !followed.steps.empty()) {
                followed.undo();
                alone.setChangeLog(nullptr);
                for (; aloneLog.size() > aloneSteps.back(); aloneLog.pop_back())
                    alone.undoChange(aloneLog.back());
                aloneSteps.pop_back();
                alone.setChangeLog(&aloneLog);
                ++undone;
            } else {
                followed.steps.push_back(followed.log.size());
                aloneSteps.push_back(aloneLog.size());
                for (model::GridModel* grid : {&followed.grid, &alone}) {
                    const int activation =
                        grid->findColumn(core::ActivationDateHeader).value_or(core::ActivationDate);
                    const int block =
                        grid->findColumn(core::BlockDateHeader)
                            .value_or(grid->findColumn(renamed).value_or(core::BlockDate));
                    if (action < 45)
                        grid->setTextMatrix(row, activation, activations[pick]);
                    else if (action < 65)
                        grid->setTextMatrix(row, block, others[pick]);
                    else if (action < 75)
                        grid->setTextMatrix(row, core::Mechanic, others[pick]);
                    else if (action < 80)
                        grid->addItem(QStringLiteral("новый\t\t\t\t\t%1").arg(activations[pick]));
                    else if (action < 84 && grid->rows() > 3)
                        grid->removeItem(row);
                    else if (action < 92) {
                        grid->setCurrentCell(row, col);
                        grid->setSort(1);
                    } else if (action < 97)
                        grid->setColPosition(col, pick % grid->cols());
                    else // the block dates' caption renamed, or named again
                        grid->setTextMatrix(
                            0, block,
                            grid->findColumn(renamed) ? core::BlockDateHeader.toString() : renamed);
                }
            }
            // The watch has followed the step, so the pass reads its evidence.
            QVERIFY2(followed.watch.evidenceFor(followed.grid), qPrintable(QString::number(step)));
            followed.pass.run(followed.grid);
            journal::fillBlockDates(alone);
            QVERIFY2(cells(followed.grid) == cells(alone), qPrintable(QString::number(step)));
            const QString differs = differences(followed.watch, followed.grid);
            QVERIFY2(differs.isEmpty(),
                     qPrintable(QStringLiteral("%1: %2").arg(step).arg(differs)));
            QCOMPARE(followed.watch.declined(), model::blockDatesDeclined(followed.grid));
            filled += followed.watch.declined() ? 0 : 1;
        }
        // The sequence undid often, and both filled and declined often enough to mean something.
        QVERIFY(undone > 20);
        QVERIFY(filled > 50 && filled < 450);
    }
};

QTEST_GUILESS_MAIN(TestPassAndWatch)
#include "tst_passandwatch.moc"
