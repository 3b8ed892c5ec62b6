#include "core/accountname.h"
#include "core/journalbackups.h"
#include "support/childprocess.h"
#include "support/gridtexts.h"
#include "support/journalfixture.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTest>
#include <csignal>
#include <functional>
#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace journaltest;

namespace {

constexpr uid_t NobodyUid = 65534;
constexpr gid_t SharedGroup = 100;
const QString ThisYear = QStringLiteral("thisyear.csv");

Rows registerOf(int count, const QString& owner = QStringLiteral("ООО Ромашка")) {
    Rows rows;
    for (int r = 0; r < count; ++r)
        rows << QStringList{QStringLiteral("%1 %2").arg(owner).arg(r), QStringLiteral("ЭКР"),
                            QString::number(r), QStringLiteral("А%1").arg(r)};
    return rows;
}

bool isRoot() {
    return ::geteuid() == 0;
}

QByteArray local(const QString& path) {
    return QFile::encodeName(path);
}

struct stat statOf(const QString& path) {
    struct stat info {};
    ::lstat(local(path).constData(), &info);
    return info;
}

// Waits a bounded time for a file another process makes.
bool waitForFile(const QString& path, int seconds = 30) {
    QElapsedTimer waited;
    waited.start();
    while (!QFileInfo::exists(path))
        if (waited.elapsed() > seconds * 1000)
            return false;
        else
            QTest::qSleep(1);
    return true;
}

// The folder shared by a group, as mechanics keep it: 2770, owned by root and the group, where
// the test runs as root; the user's own otherwise.
void shareFolder(const TempFolder& folder) {
    if (isRoot())
        QVERIFY(::chown(local(folder.path()).constData(), 0, SharedGroup) == 0);
    QVERIFY(::chmod(local(folder.path()).constData(), isRoot() ? 02770 : 0770) == 0);
}

// A file of the mechanic who is not the one running the body (root where the test runs as root).
void plant(const TempFolder& folder, const QString& name, const QByteArray& bytes, mode_t mode) {
    folder.write(name, bytes);
    const QByteArray path = local(folder.file(name));
    if (isRoot())
        QVERIFY(::chown(path.constData(), 0, SharedGroup) == 0);
    QVERIFY(::chmod(path.constData(), mode) == 0);
}

// A mode that keeps the body's user out of reading the file: another user's private file where the
// test runs as root (the body then runs as another user of the group), else the owner's own
// write-only file.
mode_t unreadableMode() {
    return isRoot() ? 0600 : 0200;
}

// Runs the body in a child process: as another Unix user of the folder's group where the test runs
// as root. Its result: 0 when every check held, otherwise the number of the check that failed.
int asColleague(const std::function<int()>& body) {
    const pid_t child = ::fork();
    if (child < 0)
        return -2;
    if (child == 0) {
        if (isRoot()) {
            const gid_t groups[] = {SharedGroup};
            if (::setgroups(1, groups) != 0 || ::setgid(SharedGroup) != 0 ||
                ::setuid(NobodyUid) != 0)
                ::_exit(100);
        }
        ::_exit(body());
    }
    return waitForChild(child, QDeadlineTimer(60000));
}

// The file's bytes, made readable again first where the test's own user had been kept out.
QByteArray readBack(const TempFolder& folder, const QString& name) {
    if (!isRoot())
        ::chmod(local(folder.file(name)).constData(), 0600);
    return folder.read(name);
}

bool told(const Program& program, const QString& text) {
    const bool found =
        !program.prompter.messages.isEmpty() && program.prompter.messages.last().contains(text);
    if (!found)
        qWarning() << "told:" << program.prompter.messages;
    return found;
}

QStringList backupsIn(const TempFolder& folder) {
    return QDir(folder.file(QStringLiteral("Backup"))).entryList(QDir::Files);
}

} // namespace

// Files of a folder shared by a group, as colleagues leave them: unreadable, write-protected,
// linked elsewhere, written by another copy between a question and the save. Where the test runs
// as root, the mechanic saving is another Unix user of the folder's group.
class TestColleaguesFiles : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // A register the mechanic cannot read is never replaced: not after an opening that failed, not
    // without one, not after "Да" to a question, not as the archive "Сохранить как" names. The
    // save says why; the file, and the archive, stay as they were, and nothing goes to Backup.
    void aFileThatCannotBeReadIsNeverReplaced() {
        TempFolder folder;
        shareFolder(folder);
        const QByteArray theirs = journalFile(registerOf(100));
        plant(folder, ThisYear, theirs, unreadableMode());
        plant(folder, QStringLiteral("Archive/2009.csv"), theirs, unreadableMode());
        const QString never = QStringLiteral("Файл, который программа не может прочитать "
                                             "целиком, она не заменяет");
        const int result = asColleague([&] {
            Program opened(folder.path());
            opened.open();
            if (!told(opened, QStringLiteral("Нет прав на чтение файла.")))
                return 1;
            opened.fill(registerOf(1, QStringLiteral("Новый")));
            if (opened.save() || !told(opened, never))
                return 2;
            if (opened.saveOver() || !told(opened, never))
                return 3;
            Program fresh(folder.path());
            fresh.fill(registerOf(1, QStringLiteral("Новый")));
            if (fresh.saveOver() || !told(fresh, never))
                return 4;
            fresh.prompter.answers << QStringLiteral("2009");
            fresh.prompter.questionAnswers << true;
            fresh.saveAs();
            if (!told(fresh, never))
                return 5;
            return 0;
        });
        QCOMPARE(result, 0);
        QCOMPARE(readBack(folder, ThisYear), theirs);
        QCOMPARE(readBack(folder, QStringLiteral("Archive/2009.csv")), theirs);
        QCOMPARE(backupsIn(folder), QStringList());
    }

    // A register read whole and then closed to the mechanic by its owner is not replaced either.
    void aFileReadWholeAndThenClosedIsNotReplaced() {
        TempFolder folder;
        shareFolder(folder);
        const QByteArray theirs = journalFile(registerOf(10));
        plant(folder, ThisYear, theirs, 0660);
        const QString opened = folder.file(QStringLiteral("opened"));
        const QString go = folder.file(QStringLiteral("go"));
        const pid_t child = ::fork();
        QVERIFY(child >= 0);
        if (child == 0)
            ::_exit(asColleague([&] {
                Program program(folder.path());
                program.open();
                if (program.grid.rowCount() < 10)
                    return 1;
                program.grid.setText(0, 0, QStringLiteral("Правка"));
                QFile(opened).open(QIODevice::WriteOnly);
                if (!waitForFile(go))
                    return 2;
                return !program.save() && told(program, QStringLiteral("не заменяет")) ? 0 : 3;
            }));
        QVERIFY(waitForFile(opened));
        QVERIFY(::chmod(local(folder.file(ThisYear)).constData(), unreadableMode()) == 0);
        folder.write(QStringLiteral("go"), "");
        QCOMPARE(waitForChild(child, QDeadlineTimer(60000)), 0);
        QCOMPARE(readBack(folder, ThisYear), theirs);
    }

    // Two copies save under one new archive name: the one that comes second, having been told
    // there was no such archive, is asked before it replaces the other's; "Да" keeps the other's
    // version in Backup.
    void twoCopiesSavingAsOneNewNameAskBeforeReplacing() {
        TempFolder folder;
        shareFolder(folder);
        Program mine(folder.path());
        mine.fill(registerOf(3, QStringLiteral("Мой")));
        QVERIFY(!mine.files.existingArchiveQuestion(QStringLiteral("2010")));
        QCOMPARE(asColleague([&] {
                     Program theirs(folder.path());
                     theirs.fill(registerOf(2, QStringLiteral("Чужой")));
                     theirs.prompter.answers << QStringLiteral("2010");
                     theirs.saveAs();
                     return theirs.prompter.messages.isEmpty() ? 0 : 1;
                 }),
                 0);
        const QString archive = QStringLiteral("Archive/2010.csv");
        const QByteArray theirs = folder.read(archive);
        QCOMPARE(theirs, journalFile(registerOf(2, QStringLiteral("Чужой"))));
        const std::optional<QString> asked =
            questionOf(mine.files.saveArchive(QStringLiteral("2010")));
        QVERIFY(asked);
        QVERIFY2(asked->contains(QStringLiteral("тем временем записал другой пользователь")),
                 qPrintable(*asked));
        QCOMPARE(folder.read(archive), theirs);
        mine.files.agreeToReplace(QStringLiteral("2010"));
        QVERIFY(saved(mine.files.saveArchive(QStringLiteral("2010"))));
        QCOMPARE(folder.read(archive), journalFile(registerOf(3, QStringLiteral("Мой"))));
        const QStringList kept = backupsIn(folder);
        QCOMPARE(kept.size(), 1);
        QCOMPARE(folder.read(QStringLiteral("Backup/") + kept[0]), theirs);
    }

    // In rounds of two real processes that both found no archive of a name and save it at once,
    // exactly one is saved unasked and the archive is that one's; the other is asked.
    void twoCopiesSavingAsOneNameAtOnceNeverBothWrite() {
        TempFolder folder;
        shareFolder(folder);
        constexpr int Rounds = 10;
        for (int round = 0; round < Rounds; ++round) {
            const QString name = QStringLiteral("R%1").arg(round);
            const QString go = folder.file(QStringLiteral("go%1").arg(round));
            pid_t copies[2];
            for (int copy = 0; copy < 2; ++copy) {
                copies[copy] = ::fork();
                QVERIFY(copies[copy] >= 0);
                if (copies[copy] == 0)
                    ::_exit(asColleague([&] {
                        Program program(folder.path());
                        program.fill(registerOf(1, QStringLiteral("Копия %1").arg(copy)));
                        if (program.files.existingArchiveQuestion(name))
                            return 1;
                        QFile(go + QString::number(copy)).open(QIODevice::WriteOnly);
                        if (!waitForFile(go))
                            return 2;
                        const journal::SaveResult result = program.files.saveArchive(name);
                        const auto* refused = std::get_if<journal::Refused>(&result);
                        if (refused)
                            qWarning() << "not saved:" << refused->why;
                        return saved(result) ? 0 : refused ? 3 : 10;
                    }));
            }
            // Both have asked, and found no archive of that name, before either saves.
            QVERIFY(waitForFile(go + u'0') && waitForFile(go + u'1'));
            folder.write(QStringLiteral("go%1").arg(round), "");
            const int results[2] = {waitForChild(copies[0], QDeadlineTimer(60000)),
                                    waitForChild(copies[1], QDeadlineTimer(60000))};
            QVERIFY2(
                (results[0] == 0 && results[1] == 10) || (results[0] == 10 && results[1] == 0),
                qPrintable(
                    QStringLiteral("round %1: %2, %3").arg(round).arg(results[0]).arg(results[1])));
            const int saved = results[0] == 0 ? 0 : 1;
            QCOMPARE(folder.read(QStringLiteral("Archive/%1.csv").arg(name)),
                     journalFile(registerOf(1, QStringLiteral("Копия %1").arg(saved))));
        }
    }

    // Opening fills the block dates of a register that has none; those dates are the program's,
    // on every side, not the mechanic's changes: a row another program deletes meanwhile merges
    // away unasked.
    void blockDatesTheProgramFilledAreNoChange() {
        Program program;
        Rows rows;
        for (int r = 0; r < 5; ++r)
            rows << QStringList{QStringLiteral("ООО %1").arg(r),
                                QStringLiteral("ЭКР"),
                                QString::number(r),
                                QStringLiteral("А%1").arg(r),
                                QString(),
                                QStringLiteral("1%1.03.2009").arg(r)};
        program.folder.write(ThisYear, journalFile(rows));
        program.open();
        QCOMPARE(program.grid.text(0, core::BlockDate), QStringLiteral("01.05.2010"));
        program.grid.setText(3, core::Mechanic, QStringLiteral("Иванов"));
        Rows theirs = rows;
        theirs.removeAt(1);
        program.folder.write(ThisYear, journalFile(theirs));

        const journal::SaveResult found = program.files.saveCurrent();
        QVERIFY(foundToMerge(found));
        const std::optional<journal::JournalMerge> merge =
            program.files.planMerge(*foundToMerge(found));
        QVERIFY(merge);
        QCOMPARE(int(merge->conflicts().size()), 0);
        QCOMPARE(merge->counts({}).deletedRows, 1);
        program.files.applyMerge(*merge, {}, *foundToMerge(found));
        QVERIFY(program.save());
        const Rows saved = dataRows(program.grid);
        QCOMPARE(saved.size(), 4);
        QCOMPARE(saved[0].value(0), QStringLiteral("ООО 0"));
        QCOMPARE(saved[1].value(0), QStringLiteral("ООО 2"));
        QCOMPARE(saved[2].value(core::Mechanic), QStringLiteral("Иванов"));
    }

    // One copy moves the empty "Дата актив." column to the front and saves; a colleague, in the
    // columns' own order, changes the only registration number and saves; the first saves again.
    // The number stays under its own caption: the empty column does not take the changed one's
    // place.
    void aChangedColumnKeepsItsPlaceBesideAMovedEmptyOne_data() {
        QTest::addColumn<bool>("moved");
        QTest::newRow("an empty column moved to the front") << true;
        QTest::newRow("no column moved") << false;
    }
    void aChangedColumnKeepsItsPlaceBesideAMovedEmptyOne() {
        QFETCH(bool, moved);
        Program mine;
        mine.folder.write(
            ThisYear, journalFile({texts({"Иванов", "ЭКР", "1", "S1", "R1", "", "", "Петров"}),
                                   texts({"Сидоров", "ЭКР", "2", "S2", "", "", "", "Петров"})}));
        Program theirs(mine.folder.path());
        mine.open();
        theirs.open();
        if (moved)
            mine.grid.moveColumnTo(core::ActivationDate, 0);
        QVERIFY(mine.save());
        // A save that finds the other's version merges it, with no conflict to ask about.
        const auto saveMerging = [](Program& program) {
            journal::SaveResult result = program.files.saveCurrent();
            if (const journal::FoundVersion* found = foundToMerge(result)) {
                const std::optional<journal::JournalMerge> merge = program.files.planMerge(*found);
                if (!merge || !merge->conflicts().empty())
                    return false;
                program.files.applyMerge(*merge, {}, *found);
                result = program.files.saveCurrent();
            }
            return saved(result);
        };
        theirs.grid.setText(0, core::RegistrationNumber, QStringLiteral("R1-new"));
        QVERIFY(saveMerging(theirs));
        mine.files.saveCurrent(); // not written: the other's version is found
        QVERIFY(saveMerging(mine));
        const auto column = [&](int col) {
            return int(mine.grid.captions().indexOf(theirs.grid.captions()[col]));
        };
        QCOMPARE(mine.grid.columnCount(), core::FileColumns);
        QCOMPARE(mine.grid.text(0, column(core::RegistrationNumber)), QStringLiteral("R1-new"));
        QCOMPARE(mine.grid.text(0, column(core::ActivationDate)), QString());
    }

    // A register whose write bits are off for the mechanic was closed by a colleague: the save
    // asks, naming the bits and the owner, and writes nothing until "Да"; then the file keeps
    // its bits.
    void aWriteProtectedFileIsReplacedOnlyWhenAsked() {
        TempFolder folder;
        shareFolder(folder);
        const QByteArray theirs = journalFile(registerOf(4));
        plant(folder, ThisYear, theirs, 0440);
        const QString owner = core::userName(statOf(folder.file(ThisYear)).st_uid);
        QCOMPARE(
            asColleague([&] {
                // "Да" to the question about a register never read is no answer to this one.
                Program fresh(folder.path());
                fresh.fill(registerOf(1, QStringLiteral("Новый")));
                if (fresh.saveOver() || folder.read(ThisYear) != theirs)
                    return 5;
                Program program(folder.path());
                program.open();
                program.grid.setText(0, 0, QStringLiteral("Правка"));
                const std::optional<QString> asked = questionOf(program.files.saveCurrent());
                if (!asked)
                    return 1;
                if (!asked->contains(QStringLiteral("права 0440 (r--r-----), владелец ") + owner))
                    return 2;
                if (folder.read(ThisYear) != theirs)
                    return 3;
                program.files.agreeToReplace();
                return program.save() ? 0 : 4;
            }),
            0);
        QVERIFY(folder.read(ThisYear).startsWith(cp1251(QStringLiteral("Правка;"))));
        QCOMPARE(statOf(folder.file(ThisYear)).st_mode & 07777, mode_t(0440));
        QCOMPARE(backupsIn(folder).size(), 1);
    }

    // A register with a second name elsewhere (a hard link) is shown with a warning, and no save
    // writes it: the other name would keep the old text.
    void aFileWithAnotherNameIsShownButNeverWritten() {
        Program program;
        TempFolder elsewhere;
        const QByteArray before = journalFile(registerOf(3));
        program.folder.write(ThisYear, before);
        QVERIFY(::link(local(program.folder.file(ThisYear)).constData(),
                       local(elsewhere.file(QStringLiteral("copy.csv"))).constData()) == 0);
        program.open();
        QCOMPARE(program.grid.rowCount(), 3);
        QVERIFY(told(program, QStringLiteral("жёстких ссылок: 2")));
        program.grid.setText(0, 0, QStringLiteral("Правка"));
        QVERIFY(!program.save());
        QVERIFY(told(program, QStringLiteral("У файла есть и другие имена (жёстких ссылок: 2)")));
        QVERIFY(!program.saveOver());
        QCOMPARE(program.thisYear(), before);
        QCOMPARE(elsewhere.read(QStringLiteral("copy.csv")), before);
        QCOMPARE(statOf(program.folder.file(ThisYear)).st_nlink, nlink_t(2));
    }

    // In a folder shared through its set-group-ID bit, a replaced register takes the folder's
    // group and the group's read and write bits, whatever bits and group the previous file had.
    void aReplacedFileKeepsTheGroupTheFolderGives() {
        if (!isRoot())
            QSKIP("giving a file another group needs root here");
        Program program;
        QVERIFY(::chown(local(program.folder.path()).constData(), 0, SharedGroup) == 0 &&
                ::chmod(local(program.folder.path()).constData(), 02770) == 0);
        program.folder.write(ThisYear, journalFile(registerOf(2)));
        QVERIFY(::chown(local(program.folder.file(ThisYear)).constData(), 0, 0) == 0 &&
                ::chmod(local(program.folder.file(ThisYear)).constData(), 0600) == 0);
        program.open();
        program.grid.setText(0, 0, QStringLiteral("Правка"));
        QVERIFY(program.save());
        const struct stat saved = statOf(program.folder.file(ThisYear));
        QCOMPARE(saved.st_mode & 07777, mode_t(0660));
        QCOMPARE(saved.st_gid, SharedGroup);
    }

    // An archive that could not be opened is not the journal on screen: no mark holds it, and the
    // journal held before is let go.
    void anArchiveNotOpenedIsNotHeld() {
        Program program;
        program.folder.write(QStringLiteral("Archive/2009.csv"), journalFile(registerOf(1)));
        program.folder.write(ThisYear, journalFile(registerOf(1)));
        program.open();
        QVERIFY(program.folder.exists(QStringLiteral(".~lock.thisyear.csv#")));
        program.openArchive(QStringLiteral("2011"));
        QVERIFY(told(program, QStringLiteral("Не могу найти  указанный год.")));
        QVERIFY(!program.folder.exists(QStringLiteral("Archive/.~lock.2011.csv#")));
        QVERIFY(!program.folder.exists(QStringLiteral(".~lock.thisyear.csv#")));
    }
};

QTEST_GUILESS_MAIN(TestColleaguesFiles)
#include "tst_colleaguesfiles.moc"
