#include "core/journalpaths.h"
#include "support/tempfolder.h"

#include <QDir>
#include <QTest>

class TestJournalFolder : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // A portable copy keeps its journals beside it; an installed program (its folder not
    // writable) keeps them in the user's data folder.
    void journalsLiveBesideThePortableProgram_data() {
        QTest::addColumn<QString>("holds"); // what the program folder holds
        QTest::addColumn<bool>("writable");
        QTest::addColumn<bool>("programFolder"); // chosen: the program's folder, or the data folder
        QTest::newRow("writable") << QString() << true << true;
        QTest::newRow("installed") << QString() << false << false;
        QTest::newRow("installed, this year's journal beside it")
            << QStringLiteral("thisyear.csv") << false << true;
        QTest::newRow("installed, archives beside it")
            << QStringLiteral("Archive/2009.csv") << false << true;
        QTest::newRow("installed, a file named Archive")
            << QStringLiteral("Archive") << false << false;
    }
    void journalsLiveBesideThePortableProgram() {
        QFETCH(QString, holds);
        QFETCH(bool, writable);
        QFETCH(bool, programFolder);
        TempFolder program;
        if (!holds.isEmpty())
            program.write(holds, "x;\r\n");
        const QString data = QStringLiteral("/home/mechanic/.local/share/eklz-journal");
        QCOMPARE(core::chooseJournalFolder(program.path(), writable, data),
                 programFolder ? program.path() : data);
    }
};

QTEST_GUILESS_MAIN(TestJournalFolder)
#include "tst_journalfolder.moc"
