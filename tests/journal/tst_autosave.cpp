#include "app/gridmodel.h"
#include "app/intervaltimer.h"
#include "journal/autosave.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QTest>
#include <QTimer>

namespace {

// Timer2 as the window has it: the tick handler sets the interval to 0.
struct Timer2 {
    Timer2() {
        QObject::connect(&timer, &IntervalTimer::timer, &timer, [this] {
            intervalsAtTicks << timer.interval();
            timer.setInterval(0);
        });
    }
    IntervalTimer timer;
    QList<int> intervalsAtTicks;
};

// Stands in for the 59 seconds of the periodic save: whenever the timer has been switched on,
// its tick comes after a few milliseconds.
class FastClock : public QObject {
public:
    explicit FastClock(Timer2& timer2) : timer2_(timer2) { startTimer(2); }

protected:
    void timerEvent(QTimerEvent*) override {
        if (timer2_.timer.enabled() && timer2_.timer.interval() > 1)
            Q_EMIT timer2_.timer.timer();
    }

private:
    Timer2& timer2_;
};

// Counts how often the event loop went to sleep and woke up.
struct LoopCounter {
    LoopCounter() {
        QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance();
        QObject::connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, &context,
                         [this] { ++sleeps; });
        QObject::connect(dispatcher, &QAbstractEventDispatcher::awake, &context,
                         [this] { ++wakeUps; });
    }
    QObject context;
    int sleeps = 0;
    int wakeUps = 0;
};

} // namespace

class TestAutosave : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void roundsSecondsToMilliseconds_data();
    void roundsSecondsToMilliseconds();
    void shortWaitsReturnAtOnce_data();
    void shortWaitsReturnAtOnce();
    void waitSleepsUntilTheTick();
    void nestedWaitsEndOnTheSameTick();
    void periodicSaveNeedsMoreThanThreeRows();
    void periodicSaveStopsWhenRowsGo();
    // Last: quitting leaves the application unable to run further event loops.
    void periodicSaveEndsWithoutSavingWhenTheProgramQuits();
};

void TestAutosave::roundsSecondsToMilliseconds_data() {
    QTest::addColumn<double>("seconds");
    QTest::addColumn<int>("milliseconds");
    QTest::newRow("59 s") << 59.0 << 59000;
    QTest::newRow("0") << 0.0 << 0;
    QTest::newRow("0.5 ms to even 0") << 0.0005 << 0;
    QTest::newRow("1.4 ms") << 0.0014 << 1;
    QTest::newRow("1.5 ms to even 2") << 0.0015 << 2;
    QTest::newRow("2.5 ms to even 2") << 0.0025 << 2;
    QTest::newRow("3.5 ms to even 4") << 0.0035 << 4;
    QTest::newRow("2.6 ms") << 0.0026 << 3;
    QTest::newRow("negative") << -1.0 << 0;
    QTest::newRow("beyond int") << 1e10 << INT_MAX;
}

void TestAutosave::roundsSecondsToMilliseconds() {
    QFETCH(double, seconds);
    QFETCH(int, milliseconds);
    QCOMPARE(journal::timerInterval(seconds), milliseconds);
}

void TestAutosave::shortWaitsReturnAtOnce_data() {
    QTest::addColumn<double>("seconds");
    QTest::newRow("0 s") << 0.0;
    QTest::newRow("1.4 ms") << 0.0014;
}

void TestAutosave::shortWaitsReturnAtOnce() {
    QFETCH(double, seconds);
    Timer2 timer2;
    bool otherEventRan = false;
    QTimer::singleShot(0, this, [&] { otherEventRan = true; });
    QVERIFY(journal::wait(timer2.timer, seconds));
    QVERIFY(!otherEventRan);
    QVERIFY(!timer2.timer.enabled());
    QCOMPARE(timer2.timer.interval(), journal::timerInterval(seconds));
    QTRY_VERIFY(otherEventRan);
}

void TestAutosave::waitSleepsUntilTheTick() {
    Timer2 timer2;
    bool otherEventRan = false;
    QTimer::singleShot(0, this, [&] { otherEventRan = true; });
    LoopCounter loop;
    QVERIFY(journal::wait(timer2.timer, 0.2));

    QCOMPARE(timer2.intervalsAtTicks, QList<int>{200});
    QVERIFY(!timer2.timer.enabled());
    QCOMPARE(timer2.timer.interval(), 0);
    QVERIFY(otherEventRan); // the application stays usable during the wait
    // A busy loop would wake up many thousand times in 200 ms without ever sleeping.
    QVERIFY(loop.sleeps >= 1);
    QVERIFY2(loop.wakeUps < 100, qPrintable(QString::number(loop.wakeUps)));
}

void TestAutosave::nestedWaitsEndOnTheSameTick() {
    Timer2 timer2;
    bool innerReturned = false;
    QTimer::singleShot(0, this, [&] { innerReturned = journal::wait(timer2.timer, 0.05); });
    QVERIFY(journal::wait(timer2.timer, 30));
    QVERIFY(innerReturned);
    QCOMPARE(timer2.intervalsAtTicks, QList<int>{50});
}

void TestAutosave::periodicSaveNeedsMoreThanThreeRows() {
    Timer2 timer2;
    GridModel grid;
    grid.setRows(3); // the header and two data rows
    int saves = 0;
    journal::ciclesave(grid, timer2.timer, [&] { ++saves; });
    QCOMPARE(saves, 0);
    QVERIFY(timer2.intervalsAtTicks.isEmpty());
    QVERIFY(!timer2.timer.enabled());
}

void TestAutosave::periodicSaveStopsWhenRowsGo() {
    Timer2 timer2;
    FastClock clock(timer2);
    GridModel grid;
    grid.setRows(6);
    QList<int> rowsAtSaves;
    // A row goes after each save: the loop saves at 6, 5 and 4 rows and stops at 3.
    journal::ciclesave(grid, timer2.timer, [&] {
        rowsAtSaves << grid.rows();
        grid.removeItem(grid.rows() - 1);
    });
    QCOMPARE(rowsAtSaves, (QList<int>{6, 5, 4}));
    QCOMPARE(timer2.intervalsAtTicks, (QList<int>{59000, 59000, 59000}));
    QCOMPARE(grid.rows(), 3);

    rowsAtSaves.clear();
    timer2.intervalsAtTicks.clear();
    grid.setRows(5);
    QTimer::singleShot(0, this, [&] { grid.setRows(2); }); // rows deleted during the pause
    journal::ciclesave(grid, timer2.timer, [&] { rowsAtSaves << grid.rows(); });
    QCOMPARE(rowsAtSaves, QList<int>{2});
}

void TestAutosave::periodicSaveEndsWithoutSavingWhenTheProgramQuits() {
    Timer2 timer2;
    GridModel grid;
    grid.setRows(10);
    int saves = 0;
    // What quit() does while the application runs; outside exec() quit() itself does nothing.
    QTimer::singleShot(10, this, [] { QCoreApplication::exit(0); });
    journal::ciclesave(grid, timer2.timer, [&] { ++saves; });
    QCOMPARE(saves, 0);
    QVERIFY(timer2.intervalsAtTicks.isEmpty());
}

QTEST_GUILESS_MAIN(TestAutosave)
#include "tst_autosave.moc"
