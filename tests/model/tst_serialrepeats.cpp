#include "core/journalcolumns.h"
#include "model/gridmodel.h"
#include "model/registerstate.h"

#include <QHash>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTest>

namespace {

constexpr int Serial = core::SerialNumber;
constexpr int Registration = core::RegistrationNumber;

std::unique_ptr<model::GridModel> journalGrid(int dataRows) {
    auto grid = std::make_unique<model::GridModel>();
    grid->setHeaderFormat(core::headerFormat());
    grid->setRowCount(dataRows);
    return grid;
}

// The marked rows of a column, from the top.
QList<int> markedRows(const model::RegisterState& state, const model::GridModel& grid, int col) {
    QList<int> rows;
    for (int r = -1; r <= grid.rowCount(); ++r)
        if (state.repeats().marked(r, col))
            rows << r;
    return rows;
}

} // namespace

class TestSerialRepeats : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // Row 1 then row 4 get the same number: both are marked, each naming the other; another
    // number in one of them clears both. Blanks around a number do not make it another; letter
    // case does; an empty cell never counts.
    void marksTheRowsThatShareANumber() {
        const auto grid = journalGrid(6);
        model::RegisterState index(*grid, {});
        QSignalSpy sent(&index, &model::RegisterState::changed);
        grid->setText(1, Serial, QStringLiteral("0123456"));
        QCOMPARE(index.repeats().markedCells(), 0);
        grid->setText(4, Serial, QStringLiteral("  0123456 "));
        QCOMPARE(markedRows(index, *grid, Serial), QList<int>({1, 4}));
        QCOMPARE(index.repeats().otherRows(1, Serial), std::vector<int>{4});
        QCOMPARE(index.repeats().otherRows(4, Serial), std::vector<int>{1});
        QVERIFY(sent.wait(1000));
        // The same number in the other column is no repeat.
        grid->setText(2, Registration, QStringLiteral("0123456"));
        QCOMPARE(markedRows(index, *grid, Registration), QList<int>());
        grid->setText(4, Serial, QStringLiteral("0123457"));
        QCOMPARE(index.repeats().markedCells(), 0);
        QVERIFY(sent.wait(1000));
        grid->setText(3, Registration, QStringLiteral("AB1"));
        grid->setText(5, Registration, QStringLiteral("ab1"));
        grid->setText(0, Registration, QStringLiteral("  "));
        grid->setText(1, Registration, QStringLiteral(" "));
        QCOMPARE(index.repeats().markedCells(), 0);
    }

    // An undo and a redo go through the grid's signals like the edits: the marks follow. A sort
    // moves the marks with their rows.
    void followsUndoAndSort() {
        const auto grid = journalGrid(4);
        std::vector<model::GridChange> log;
        grid->setChangeLog(&log);
        model::RegisterState index(*grid, {});
        grid->setText(0, Serial, QStringLiteral("900"));
        grid->setText(3, Serial, QStringLiteral("900"));
        grid->setText(1, Serial, QStringLiteral("100"));
        QCOMPARE(markedRows(index, *grid, Serial), QList<int>({0, 3}));
        grid->setChangeLog(nullptr);
        grid->undoChange(log[1]);
        QCOMPARE(markedRows(index, *grid, Serial), QList<int>());
        grid->redoChange(log[1]);
        QCOMPARE(markedRows(index, *grid, Serial), QList<int>({0, 3}));
        // Sorted by the serial: 100, 900, 900, then the empty one.
        grid->sort(Serial);
        QCOMPARE(grid->text(0, Serial), QStringLiteral("100"));
        QCOMPARE(markedRows(index, *grid, Serial), QList<int>({1, 2}));
        QCOMPARE(index.repeats().otherRows(2, Serial), std::vector<int>{1});
        grid->setText(1, Serial, QStringLiteral("100"));
        QCOMPARE(markedRows(index, *grid, Serial), QList<int>({0, 1}));
    }

    // An archive's numbers are compared with the grid's by fingerprint: the same for the same
    // number, blanks around it (a no-break space among them) aside, and still telling numbers
    // apart, those without Windows-1251 bytes too.
    void fingerprintsATextTheSameHoweverKept() {
        const auto grid = journalGrid(3);
        grid->setText(0, Registration, QStringLiteral("\u00A0ЭК-0042 "));
        grid->setText(1, Registration, QStringLiteral("ЭК-中"));
        const quint64 given = model::serialFingerprint(QStringLiteral("ЭК-0042"));
        const quint64 wideOnly = model::serialFingerprint(QStringLiteral("ЭК-中"));
        QCOMPARE(model::serialFingerprint(grid->text(0, Registration)), given);
        QCOMPARE(model::serialFingerprint(grid->text(1, Registration)), wideOnly);
        QVERIFY(given != model::serialFingerprint(QStringLiteral("ЭК-0043")));
        QVERIFY(given != wideOnly && wideOnly != 0);
    }

    // A large register: the marks are the rows whose number another row holds.
    void marksTheRepeatsOfALargeRegister() {
        QRandomGenerator random(2026);
        const auto grid = journalGrid(3000);
        QHash<QString, int> holding;
        for (int r = 0; r < grid->rowCount(); ++r) {
            const QString number = QString::number(random.bounded(4000));
            grid->setText(r, Serial, number);
            ++holding[number];
        }
        const model::SerialRepeats index(*grid);
        int expected = 0;
        for (int r = 0; r < grid->rowCount(); ++r) {
            const bool repeated = holding.value(grid->text(r, Serial)) > 1;
            expected += repeated ? 1 : 0;
            QVERIFY2(index.marked(r, Serial) == repeated, qPrintable(QString::number(r)));
        }
        QVERIFY(expected > 1000);
        QCOMPARE(index.markedCells(), expected);
    }
};

QTEST_GUILESS_MAIN(TestSerialRepeats)
#include "tst_serialrepeats.moc"
