#include "core/foldertree.h"
#include "core/journalpaths.h"
#include "support/tempfolder.h"

#include <QDir>
#include <QFile>
#include <QTest>
#include <sys/stat.h>

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

    // Each folder made on the way takes the mode of the folder above it, the one made just
    // before it too: a group's shared folder stays shared all the way down.
    void foldersMadeOnTheWayTakeTheModeAbove() {
        TempFolder root;
        QVERIFY(::chmod(QFile::encodeName(root.path()).constData(), 0750) == 0);
        const core::FolderTree tree(root.path());
        QVERIFY(tree.openFolder(root.path() + QStringLiteral("/a/b"), true).ok());
        for (const char* made : {"/a", "/a/b"}) {
            struct stat info {};
            QVERIFY(::stat(QFile::encodeName(root.path() + QLatin1String(made)).constData(),
                           &info) == 0);
            QCOMPARE(info.st_mode & 07777, mode_t(0750));
        }
    }
};

QTEST_GUILESS_MAIN(TestJournalFolder)
#include "tst_journalfolder.moc"
