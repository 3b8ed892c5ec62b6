#include "journal/journalfiles.h"
#include "journalgenerator.h"
#include "model/gridmodel.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

// A register of a million rows opens whole and saves back byte for byte. It takes seconds and
// half a gigabyte, so it runs in the benchmark build rather than in every test run.
class TestMillionRows : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void opensAndSavesByteForByte() {
        constexpr int Rows = 1'000'000;
        QTemporaryDir folder;
        QVERIFY(folder.isValid());
        const QString path = folder.filePath(QStringLiteral("thisyear.csv"));
        QVERIFY(bench::writeGeneratedJournal(path, Rows, 20090315));
        QFile written(path);
        QVERIFY(written.open(QIODevice::ReadOnly));
        const QByteArray original = written.readAll();
        written.close();

        model::GridModel grid;
        journal::JournalFiles files(grid, folder.path());
        const journal::OpenResult opened = files.openCurrent();
        QVERIFY2(opened.ok && opened.message.isEmpty(), qPrintable(opened.message));
        QCOMPARE(grid.rowCount(), Rows);
        QVERIFY(std::holds_alternative<journal::Saved>(files.saveCurrent()));

        QVERIFY(written.open(QIODevice::ReadOnly));
        QVERIFY(written.readAll() == original);
    }
};

QTEST_GUILESS_MAIN(TestMillionRows)
#include "tst_millionrows.moc"
