#include "journal/intervaltimer.h"
#include "journal/periodicsave.h"
#include "model/gridmodel.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QTest>
#include <QTimer>

namespace {

// Timer2 as the window has it: the tick handler sets the interval to 0. `fast` stands in for
// the 59 seconds of the periodic save: whenever the timer is on, it ticks after a few ms.
struct Timer2 : QObject {
    explicit Timer2(bool fast = false) {
        connect(&timer, &journal::IntervalTimer::timer, this, [this] {
            intervalsAtTicks << timer.interval();
            timer.setInterval(0);
        });
        if (fast)
            startTimer(2);
    }
    void timerEvent(QTimerEvent*) override {
        if (timer.enabled() && timer.interval() > 1)
            Q_EMIT timer.timer();
    }
    journal::IntervalTimer timer;
    QList<int> intervalsAtTicks;
};

} // namespace
class TestPeriodicSave : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void roundsSecondsToMilliseconds_data() {
        QTest::addColumn<double>("seconds");
        QTest::addColumn<int>("milliseconds");
        QTest::newRow("59 s") << 59.0 << 59000;
        QTest::newRow("0") << 0.0 << 0;
        QTest::newRow("0.5 ms to even 0") << 0.0005 << 0;
        QTest::newRow("1.4 ms") << 0.0014 << 1;
        QTest::newRow("1.5 ms to even 2") << 0.0015 << 2;
        QTest::newRow("2.5 ms to even 2") << 0.0025 << 2;
        QTest::newRow("2.6 ms") << 0.0026 << 3;
        QTest::newRow("negative") << -1.0 << 0;
        QTest::newRow("beyond int") << 1e10 << INT_MAX;
    }

    // A wait whose interval is 1 ms or less returns at once, without running other events.
    void roundsSecondsToMilliseconds() {
        QFETCH(double, seconds);
        QFETCH(int, milliseconds);
        QCOMPARE(journal::timerInterval(seconds), milliseconds);
        if (milliseconds > 1)
            return;
        Timer2 timer2;
        bool otherEventRan = false;
        QTimer::singleShot(0, this, [&] { otherEventRan = true; });
        QVERIFY(journal::wait(timer2.timer, seconds));
        QVERIFY(!otherEventRan);
        QVERIFY(!timer2.timer.enabled());
        QCOMPARE(timer2.timer.interval(), milliseconds);
        QTRY_VERIFY(otherEventRan);
    }

    // The application stays usable during a wait, which sleeps between events (a busy loop never
    // would); a wait started meanwhile on the same timer ends both on its tick.
    void waitSleepsUntilTheTick() {
        Timer2 timer2;
        bool innerReturned = false;
        QTimer::singleShot(0, this, [&] { innerReturned = journal::wait(timer2.timer, 0.05); });
        int sleeps = 0;
        connect(QAbstractEventDispatcher::instance(), &QAbstractEventDispatcher::aboutToBlock,
                &timer2, [&] { ++sleeps; });
        QVERIFY(journal::wait(timer2.timer, 30));
        QVERIFY(innerReturned);
        QCOMPARE(timer2.intervalsAtTicks, QList<int>{50});
        QVERIFY(!timer2.timer.enabled());
        QVERIFY(sleeps >= 1);
    }

    // The row count is tested before each pause only.
    void periodicSaveRunsWhileMoreThanTwoUnits() {
        Timer2 timer2(true);
        model::GridModel grid;
        QList<int> rowsAtSaves;
        grid.setRowCount(2);
        journal::runPeriodicSave(grid, timer2.timer, [&] { rowsAtSaves << grid.rowCount(); });
        QVERIFY(rowsAtSaves.isEmpty());

        // A row goes after each save: the loop saves at 5, 4 and 3 rows and stops at 2.
        grid.setRowCount(5);
        journal::runPeriodicSave(grid, timer2.timer, [&] {
            rowsAtSaves << grid.rowCount();
            grid.removeRows(grid.rowCount() - 1, 1);
        });
        QCOMPARE(rowsAtSaves, (QList<int>{5, 4, 3}));
        QCOMPARE(timer2.intervalsAtTicks, (QList<int>{59000, 59000, 59000}));

        rowsAtSaves.clear();
        grid.setRowCount(4);
        QTimer::singleShot(0, this, [&] { grid.setRowCount(1); }); // rows deleted during the pause
        journal::runPeriodicSave(grid, timer2.timer, [&] { rowsAtSaves << grid.rowCount(); });
        QCOMPARE(rowsAtSaves, QList<int>{1});
    }

    // Last: quitting leaves the application unable to run further event loops.
    void periodicSaveEndsWithoutSavingWhenTheProgramQuits() {
        Timer2 timer2;
        model::GridModel grid;
        grid.setRowCount(9);
        int saves = 0;
        // What quit() does while the application runs; outside exec() quit() itself does nothing.
        QTimer::singleShot(10, this, [] { QCoreApplication::exit(0); });
        journal::runPeriodicSave(grid, timer2.timer, [&] { ++saves; });
        QCOMPARE(saves, 0);
        QVERIFY(timer2.intervalsAtTicks.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestPeriodicSave)
#include "tst_periodicsave.moc"
