#include "support/childprocess.h"
#include "support/journalfixture.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTest>
#include <csignal>
#include <grp.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace journaltest;

namespace {

constexpr int NobodyUid = 65534;
constexpr gid_t SharedGroup = 100;

Rows registerOf(int count) {
    Rows rows;
    for (int r = 0; r < count; ++r)
        rows << QStringList{QStringLiteral("ООО Ромашка %1").arg(r), QStringLiteral("ЭКР"),
                            QString::number(r), QStringLiteral("А%1").arg(r)};
    return rows;
}

mode_t modeOf(const QString& path) {
    struct stat info {};
    return ::lstat(QFile::encodeName(path).constData(), &info) == 0 ? info.st_mode & 07777 : 0;
}

// What a save did in a child, as its exit status.
enum SaveResult { Saved = 0, Failed = 2, Stuck = 3 };

} // namespace

// A journal folder shared by a group: colleagues saving at the same moment, links and FIFOs a
// member plants, modes, and a disk that takes no more.
class TestSharedFolder : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Two copies, each with its own edit, press "Сохранить" at the same moment, as the window
    // does it: a save that finds the other's file merges it and saves again. Both save, and the
    // file holds both edits. Where the test runs as root, the second copy is another Unix user
    // of the folder's group.
    void colleaguesSavingAtOnceKeepBothEdits() {
        constexpr int Rounds = 12;
        constexpr int RowCount = 20000;
        const bool twoUsers = ::geteuid() == 0;
        const Rows rows = registerOf(RowCount);
        for (int round = 0; round < Rounds; ++round) {
            TempFolder folder;
            folder.write(QStringLiteral("thisyear.csv"), journalFile(rows));
            if (twoUsers)
                QVERIFY(::chown(QFile::encodeName(folder.path()), 0, SharedGroup) == 0 &&
                        ::chmod(QFile::encodeName(folder.path()), 02770) == 0 &&
                        ::chown(QFile::encodeName(folder.file(QStringLiteral("thisyear.csv"))), 0,
                                SharedGroup) == 0 &&
                        ::chmod(QFile::encodeName(folder.file(QStringLiteral("thisyear.csv"))),
                                0660) == 0);
            const QString go = folder.file(QStringLiteral("go"));
            pid_t children[2];
            for (int copy = 0; copy < 2; ++copy) {
                children[copy] = ::fork();
                QVERIFY(children[copy] >= 0);
                if (children[copy] == 0)
                    ::_exit(saveAtSignal(folder.path(), go, copy, twoUsers && copy == 1));
            }
            // Both have opened and edited once both marks are there.
            QElapsedTimer waited;
            waited.start();
            while (!(folder.exists(QStringLiteral("ready0")) &&
                     folder.exists(QStringLiteral("ready1"))) &&
                   waited.elapsed() < 30000)
                QTest::qSleep(1);
            folder.write(QStringLiteral("go"), "");
            const int results[2] = {waitForChild(children[0], QDeadlineTimer(60000)),
                                    waitForChild(children[1], QDeadlineTimer(60000))};
            const QString saved = fromCp1251(folder.read(QStringLiteral("thisyear.csv")));
            for (int copy = 0; copy < 2; ++copy) {
                QVERIFY2(results[copy] == Saved, qPrintable(QStringLiteral("round %1, copy %2: %3")
                                                                .arg(round)
                                                                .arg(copy)
                                                                .arg(results[copy])));
                QVERIFY2(saved.contains(editOf(copy)),
                         qPrintable(QStringLiteral("round %1: the edit of copy %2 is lost")
                                        .arg(round)
                                        .arg(copy)));
            }
        }
    }

    // A copy killed at any moment of a save that merges leaves the journal whole: the version the
    // other copy saved, or the merged one, never a mix; the next save finds nothing of it.
    void aCopyKilledWhileItMergesLeavesTheJournalWhole() {
        constexpr int Rounds = 10;
        const Rows rows = registerOf(20000);
        Rows theirRows = rows;
        theirRows[3][1] = QStringLiteral("правка другого");
        Rows mergedRows = theirRows;
        mergedRows[0][0] = QStringLiteral("моя правка");
        const QByteArray theirs = journalFile(theirRows);
        const QByteArray merged = journalFile(mergedRows);
        int sawMerged = 0;
        qint64 saveMs = 0; // how long a whole merged save takes here: round 0 is not killed
        for (int round = 0; round < Rounds; ++round) {
            Program mine;
            mine.folder.write(QStringLiteral("thisyear.csv"), journalFile(rows));
            mine.open();
            mine.grid.setText(0, 0, QStringLiteral("моя правка"));
            mine.folder.write(QStringLiteral("thisyear.csv"), theirs);
            const pid_t child = ::fork();
            QVERIFY(child >= 0);
            if (child == 0) {
                journal::SaveResult result = mine.files.saveCurrent();
                if (const journal::FoundVersion* found = foundToMerge(result))
                    if (const std::optional<journal::JournalMerge> merge =
                            mine.files.planMerge(*found)) {
                        mine.files.applyMerge(*merge, {}, *found);
                        result = mine.files.saveCurrent();
                    }
                ::_exit(saved(result) ? 0 : 1);
            }
            if (round == 0 || round == Rounds - 1) {
                // The last round is not killed either: on a busy machine a save may take longer
                // than round 0's, and every kill could then come before the rename.
                QElapsedTimer took;
                took.start();
                QCOMPARE(waitForChild(child, QDeadlineTimer(60000)), 0);
                saveMs = round == 0 ? took.elapsed() : saveMs;
            } else {
                // Kills spread over the save's whole length, and as long again past it.
                QTest::qSleep(int(2 * saveMs * (round - 1) / (Rounds - 3)));
                ::kill(child, SIGKILL);
                QVERIFY(waitForChild(child, QDeadlineTimer(30000)) != 1);
            }
            const QByteArray now = mine.thisYear();
            QVERIFY2(now == theirs || now == merged,
                     qPrintable(QStringLiteral("round %1").arg(round)));
            sawMerged += now == merged ? 1 : 0;
        }
        // The kills came both before and after the rename (else the test proved nothing).
        QVERIFY2(sawMerged > 1 && sawMerged < Rounds, qPrintable(QString::number(sawMerged)));
    }

    // Two copies of a register of some megabytes take turns, each saving twice in a row (the
    // base of the first save dropped while still being packed) right after its open or merge, the
    // other then saving over it by a merge: no edit is lost, none comes twice, and the file is
    // the register with every edit made.
    void copiesTakingTurnsOnALargeRegisterMergeEveryEdit() {
        constexpr int Rounds = 3;
        Rows expected = registerOf(60000);
        Program first;
        first.folder.write(QStringLiteral("thisyear.csv"), journalFile(expected));
        Program second(first.folder.path());
        // Opened without waiting for the bases: each is still being read when the saves come.
        QVERIFY(first.tell(first.files.openCurrent()));
        QVERIFY(second.tell(second.files.openCurrent()));
        Program* copies[2] = {&first, &second};
        int edit = 0;
        const auto editRow = [&](Program& copy, int row) {
            const QString text = QStringLiteral("правка %1").arg(edit++);
            copy.grid.setText(row, 1, text);
            expected[row][1] = text;
        };
        for (int round = 0; round < Rounds; ++round)
            for (int turn = 0; turn < 2; ++turn) {
                Program& copy = *copies[turn];
                const QString where = QStringLiteral("round %1, copy %2").arg(round).arg(turn);
                editRow(copy, 1000 * round + 17 * turn + 5);
                journal::SaveResult result = copy.files.saveCurrent();
                if (round > 0 || turn > 0) {
                    // The other copy saved since: merged, then saved.
                    const journal::FoundVersion* found = foundToMerge(result);
                    QVERIFY2(found, qPrintable(where));
                    const std::optional<journal::JournalMerge> merge = copy.files.planMerge(*found);
                    QVERIFY2(merge && merge->conflicts().empty(), qPrintable(where));
                    copy.files.applyMerge(*merge, {}, *found);
                    result = copy.files.saveCurrent();
                }
                QVERIFY2(saved(result), qPrintable(where + u' ' + messageOf(result)));
                editRow(copy, 1000 * round + 17 * turn + 300);
                QVERIFY2(copy.save(), qPrintable(where));
                QVERIFY2(dataRows(copy.grid) == expected, qPrintable(where));
            }
        Program reader(first.folder.path());
        reader.open();
        QVERIFY(dataRows(reader.grid) == expected);
    }

    // Two copies that began with no register at all each type rows: the second save merges
    // from an empty register and keeps both copies' rows.
    void copiesStartingWithoutARegisterMergeFromNothing() {
        Program first;
        Program second(first.folder.path());
        first.open();
        second.open();
        first.fill({{QStringLiteral("ООО Первая"), QStringLiteral("ЭКР")}});
        second.fill({{QStringLiteral("ООО Вторая"), QStringLiteral("ЭКР")}});
        QVERIFY(first.save());
        const journal::SaveResult found = second.files.saveCurrent();
        QVERIFY(foundToMerge(found));
        const std::optional<journal::JournalMerge> merge =
            second.files.planMerge(*foundToMerge(found));
        QVERIFY(merge && merge->conflicts().empty());
        second.files.applyMerge(*merge, {}, *foundToMerge(found));
        QVERIFY(second.save());
        // The second copy's program folder is the first's.
        const QString saved = fromCp1251(first.thisYear());
        QVERIFY2(saved.contains(QStringLiteral("ООО Первая")) &&
                     saved.contains(QStringLiteral("ООО Вторая")),
                 qPrintable(saved));
    }

    // "Да" to the question about a colleague's change that cannot be merged (a file that is no
    // journal) agrees to replace that version only: one saved again while the question was open
    // is asked about again, never written over.
    void aChangeMadeWhileTheQuestionIsOpenIsAskedAgain() {
        Program program;
        program.folder.write(QStringLiteral("thisyear.csv"), journalFile(registerOf(2)));
        program.open();
        program.grid.setText(0, 0, QStringLiteral("моя правка"));
        const QByteArray first = journalFile(registerOf(3)) + QByteArray(4, '\0');
        const QByteArray second = journalFile(registerOf(4)) + QByteArray(4, '\0');
        program.folder.write(QStringLiteral("thisyear.csv"), first);
        const std::optional<QString> asked = questionOf(program.files.saveCurrent());
        QVERIFY(asked);
        QVERIFY2(asked->contains(QStringLiteral("нулевые байты")), qPrintable(*asked));
        QCOMPARE(program.thisYear(), first);
        program.files.agreeToReplace();
        program.folder.write(QStringLiteral("thisyear.csv"), second); // while the question was open
        const journal::SaveResult refused = program.files.saveCurrent();
        QVERIFY(std::holds_alternative<journal::Changed>(refused));
        QCOMPARE(program.thisYear(), second);
        program.files.agreeToReplace();
        QVERIFY(saved(program.files.saveCurrent()));
        QVERIFY(fromCp1251(program.thisYear()).contains(QStringLiteral("моя правка")));
    }

    // A member plants links where the journal, an archive, the Archive folder or the next
    // backups would be: nothing outside the folder is read into the grid, written or made.
    void linksPlantedInTheFolderAreNeverFollowed() {
        TempFolder outside;
        outside.write(QStringLiteral("id_rsa"), "SECRET KEY\r\n");
        const QString secret = outside.file(QStringLiteral("id_rsa"));
        Program program;
        QVERIFY(QFile::link(secret, program.folder.file(QStringLiteral("thisyear.csv"))));
        program.open();
        QCOMPARE(program.grid.rowCount(), 1); // the empty row of a new register
        QVERIFY2(
            program.prompter.messages.value(0).contains(QStringLiteral("символическая ссылка")),
            qPrintable(program.prompter.messages.value(0)));
        program.fill(registerOf(3));
        QVERIFY(!program.save());
        QCOMPARE(outside.read(QStringLiteral("id_rsa")), QByteArray("SECRET KEY\r\n"));
        QVERIFY(QFileInfo(program.folder.file(QStringLiteral("thisyear.csv"))).isSymLink());

        // Dangling links under every next backup name, and an Archive that leads outside.
        QFile::remove(program.folder.file(QStringLiteral("thisyear.csv")));
        program.folder.write(QStringLiteral("thisyear.csv"), journalFile(registerOf(1)));
        QVERIFY(QDir().mkpath(program.folder.file(QStringLiteral("Backup"))));
        for (int n = 1; n <= 3; ++n)
            QVERIFY(QFile::link(
                outside.file(QStringLiteral("authorized_keys%1").arg(n)),
                program.folder.file(
                    QStringLiteral("Backup/thisyear_20240301-140509-120_n%1.csv").arg(n))));
        QVERIFY(QFile::link(outside.path(), program.folder.file(QStringLiteral("Archive"))));
        program.prompter.messages.clear();
        program.open();
        program.fill(registerOf(2));
        QVERIFY(program.save());
        program.prompter.answers << QStringLiteral("2009");
        program.saveAs();
        QCOMPARE(QDir(outside.path()).entryList(QDir::Files | QDir::System),
                 QStringList{QStringLiteral("id_rsa")});
        QCOMPARE(core::JournalBackups(program.folder.file(QStringLiteral("Backup")))
                     .backupsOf(QStringLiteral("thisyear.csv"))
                     .first(),
                 QStringLiteral("thisyear_20240301-140509-120_n4.csv"));
        QCOMPARE(program.prompter.messages.size(), 1);
        QVERIFY2(program.prompter.messages[0].contains(QStringLiteral("символическая ссылка")),
                 qPrintable(program.prompter.messages[0]));
    }

    // A FIFO, planted as the journal, an archive or the lock mark, never holds the program.
    void fifosNeverHang() {
        Program program;
        for (const char* name : {"thisyear.csv", ".~lock.thisyear.csv#"})
            QVERIFY(::mkfifo(QFile::encodeName(program.folder.file(QString::fromUtf8(name))),
                             0666) == 0);
        QVERIFY(QDir().mkpath(program.folder.file(QStringLiteral("Archive"))));
        QVERIFY(::mkfifo(QFile::encodeName(program.folder.file(QStringLiteral("Archive/2009.csv"))),
                         0666) == 0);
        program.folder.write(QStringLiteral("Archive/2010.csv"), journalFile(registerOf(1)));
        // In a child, so that a FIFO that holds the program fails the test instead of hanging it.
        const pid_t child = ::fork();
        QVERIFY(child >= 0);
        if (child == 0) {
            program.open();
            program.openArchive(QStringLiteral("2009"));
            const bool saved = program.save();
            const QStringList& told = program.prompter.messages;
            ::_exit(!saved && told.size() == 3 &&
                            std::all_of(told.begin(), told.end(),
                                        [](const QString& message) {
                                            return message.contains(
                                                QStringLiteral("не обычный файл"));
                                        })
                        ? 0
                        : 1);
        }
        QCOMPARE(waitForChild(child, QDeadlineTimer(20000)), 0);
    }

    // Backups, archives and a first journal take the journal's or the folder's bits, never
    // wider than the journal's own, whatever the user's umask.
    void newFilesTakeTheJournalsModes() {
        const mode_t umask = ::umask(077);
        Program program;
        QVERIFY(::chmod(QFile::encodeName(program.folder.path()), 0770) == 0);
        program.fill(registerOf(2));
        QVERIFY(program.save());
        QCOMPARE(modeOf(program.folder.file(QStringLiteral("thisyear.csv"))), mode_t(0660));
        QCOMPARE(modeOf(program.folder.file(QStringLiteral(".~lock.thisyear.csv#"))) & 0040,
                 mode_t(0040));

        QVERIFY(::chmod(QFile::encodeName(program.folder.file(QStringLiteral("thisyear.csv"))),
                        0600) == 0);
        program.fill(registerOf(3));
        QVERIFY(program.save());
        program.prompter.answers << QStringLiteral("2009");
        program.saveAs();
        ::umask(umask);
        const QString backups = program.folder.file(QStringLiteral("Backup"));
        const QStringList kept =
            core::JournalBackups(backups).backupsOf(QStringLiteral("thisyear.csv"));
        QCOMPARE(kept.size(), 1);
        QCOMPARE(modeOf(backups + u'/' + kept[0]), mode_t(0600));
        QCOMPARE(modeOf(program.folder.file(QStringLiteral("Archive/2009.csv"))), mode_t(0600));
        QCOMPARE(modeOf(program.folder.file(QStringLiteral("thisyear.csv"))), mode_t(0600));
    }

    // Backups numbered past any width go on in order, and exactly the newest 20 stay.
    void backupNumbersHaveNoWidth() {
        Program program;
        program.folder.write(QStringLiteral("Backup/thisyear_20240101-000000-000_n9999999999.csv"),
                             "old;\r\n");
        for (int save = 0; save < 25; ++save) {
            program.fill(registerOf(save + 1));
            QVERIFY(program.save());
        }
        const QStringList kept = core::JournalBackups(program.folder.file(QStringLiteral("Backup")))
                                     .backupsOf(QStringLiteral("thisyear.csv"));
        QCOMPARE(kept.size(), core::JournalBackups::KeptPerFile);
        QVERIFY2(kept.first().endsWith(QStringLiteral("_n10000000023.csv")),
                 qPrintable(kept.first()));
    }

    // A disk that takes no more says so, and the journal stays whole.
    void aFullDiskIsNamed() {
        Program program;
        const QByteArray before = journalFile(registerOf(1));
        program.folder.write(QStringLiteral("thisyear.csv"), before);
        program.open();
        program.fill(registerOf(2000));
        const pid_t child = ::fork();
        QVERIFY(child >= 0);
        if (child == 0) {
            ::signal(SIGXFSZ, SIG_IGN);
            const rlimit limit{16 * 1024, 16 * 1024};
            ::setrlimit(RLIMIT_FSIZE, &limit);
            const bool saved = program.save();
            const QString told = program.prompter.messages.value(0);
            ::_exit(!saved && told.contains(QStringLiteral("Файл слишком велик")) ? 0 : 1);
        }
        QCOMPARE(waitForChild(child, QDeadlineTimer(60000)), 0);
        QCOMPARE(program.thisYear(), before);
        QCOMPARE(QDir(program.folder.path()).entryList(QDir::Files | QDir::Hidden).size(), 3);
    }

private:
    static QString editOf(int copy) { return QStringLiteral("правка копии %1").arg(copy); }

    // In a child: open, edit its own row, mark itself ready, wait for the signal, then save as
    // the window does. Returns a SaveResult.
    static int saveAtSignal(const QString& folder, const QString& go, int copy, bool asNobody) {
        if (asNobody) {
            const gid_t groups[] = {SharedGroup};
            if (::setgroups(1, groups) != 0 || ::setgid(SharedGroup) != 0 ||
                ::setuid(NobodyUid) != 0)
                return Failed;
        }
        Program program(folder);
        program.open();
        if (!program.prompter.messages.isEmpty() && program.grid.rowCount() < 2)
            return Failed;
        program.grid.setText(copy * 7, 0, editOf(copy));
        QFile ready(QStringLiteral("%1/ready%2").arg(folder).arg(copy));
        if (!ready.open(QIODevice::WriteOnly))
            return Failed;
        ready.close();
        QElapsedTimer waited;
        waited.start();
        while (!QFileInfo::exists(go))
            if (waited.elapsed() > 30000)
                return Stuck;
        // As the window does: a save that finds the other copy's file merges it and saves again.
        journal::SaveResult result = program.files.saveCurrent();
        for (int again = 0; again < 3 && foundToMerge(result); ++again) {
            const journal::FoundVersion found = *foundToMerge(result);
            const std::optional<journal::JournalMerge> merge = program.files.planMerge(found);
            if (!merge || !merge->conflicts().empty())
                return Failed;
            program.files.applyMerge(*merge, {}, found);
            result = program.files.saveCurrent();
        }
        return saved(result) ? Saved : Failed;
    }
};

QTEST_GUILESS_MAIN(TestSharedFolder)
#include "tst_sharedfolder.moc"
