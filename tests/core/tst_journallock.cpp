#include "core/journallock.h"
#include "support/childprocess.h"
#include "support/tempfolder.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QTest>
#include <functional>
#include <grp.h>
#include <poll.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

const QString Journal = QStringLiteral("thisyear.csv");
const QString MarkName = QStringLiteral(".~lock.thisyear.csv#");

// What a copy in a child process made of the journal.
enum Outcome { Held = 10, HeldByAnother, Unreadable, NotHeld };

// Holds the journal below that folder, by default the journal's own.
std::optional<core::JournalLock::Holder> holdAt(core::JournalLock& lock, const QString& journal,
                                                const QString& root = {}) {
    return lock.hold(core::FolderTree(root.isEmpty() ? QFileInfo(journal).path() : root), journal);
}

int holdIn(core::JournalLock& lock, const QString& journal, const QString& root = {}) {
    const std::optional<core::JournalLock::Holder> holder = holdAt(lock, journal, root);
    if (holder)
        return holder->unreadable ? Unreadable : HeldByAnother;
    return lock.heldPath() == journal ? Held : NotHeld;
}

// The body run by a copy of this process, which ends without letting go of what it held. Returns
// the body's value and the child's pid.
std::pair<int, pid_t> inChild(const std::function<int()>& body, int ms = 5000) {
    const pid_t child = ::fork();
    if (child == 0)
        ::_exit(body());
    return {waitForChild(child, QDeadlineTimer(ms)), child};
}

qint64 endedPid() {
    return inChild([] { return 0; }).second;
}

QByteArray staleMark() {
    return "Мария," + QSysInfo::machineHostName().toUtf8() + ',' + QByteArray::number(endedPid()) +
           ",2026-12-07T08:00:00,other\n";
}

// An environment variable set (or, with a null value, unset) for as long as this lives.
struct Environment {
    Environment(const char* name, const QByteArray& value)
        : name(name), had(qEnvironmentVariableIsSet(name)), saved(qgetenv(name)) {
        if (value.isNull())
            qunsetenv(name);
        else
            qputenv(name, value);
    }
    ~Environment() {
        if (had)
            qputenv(name, saved);
        else
            qunsetenv(name);
    }
    const char* name;
    bool had;
    QByteArray saved;
};

// The name the password database gives this process's real user, or its number.
QString accountName() {
    const passwd* entry = ::getpwuid(::getuid());
    return entry ? QString::fromLocal8Bit(entry->pw_name) : QString::number(::getuid());
}

bool readUntil(int fd, char* byte, const QDeadlineTimer& deadline) {
    pollfd wait{fd, POLLIN, 0};
    return ::poll(&wait, 1, int(deadline.remainingTime())) == 1 && ::read(fd, byte, 1) == 1;
}

// Two copies, each in a process of its own, start holding the journal at once and keep running
// until both have decided: how many of them hold it (-1 when one did not decide in time).
int racingHolders(const QString& journal) {
    int go[2], done[2], told[2];
    if (::pipe(go) != 0 || ::pipe(done) != 0 || ::pipe(told) != 0)
        return -1;
    pid_t children[2];
    for (pid_t& child : children) {
        child = ::fork();
        if (child == 0) {
            char byte = 0;
            ::close(go[1]);
            ::close(done[1]);
            if (::read(go[0], &byte, 1) < 0)
                ::_exit(1);
            core::JournalLock lock;
            byte = char(holdIn(lock, journal));
            if (::write(told[1], &byte, 1) != 1 || ::read(done[0], &byte, 1) < 0)
                ::_exit(1);
            ::_exit(0);
        }
    }
    ::close(go[0]);
    ::close(done[0]);
    ::close(told[1]);
    ::close(go[1]);
    const QDeadlineTimer deadline(10000);
    char first = 0, second = 0;
    const bool decided =
        readUntil(told[0], &first, deadline) && readUntil(told[0], &second, deadline);
    ::close(done[1]);
    ::close(told[0]);
    for (const pid_t child : children)
        waitForChild(child, QDeadlineTimer(5000));
    return decided ? int(first == Held) + int(second == Held) : -1;
}

constexpr uid_t NobodyUid = 65534;
constexpr gid_t SharedGroup = 100;

// Runs as another member of the folder's group, when this process may become one.
bool becomeAnotherMember() {
    const gid_t groups[] = {SharedGroup};
    return ::setgroups(1, groups) == 0 && ::setgid(SharedGroup) == 0 && ::setuid(NobodyUid) == 0;
}

QByteArray local(const QString& path) {
    return QFile::encodeName(path);
}

QStringList entriesOf(const QString& path) {
    return QDir(path).entryList(QDir::AllEntries | QDir::Hidden | QDir::System |
                                QDir::NoDotAndDotDot);
}

} // namespace

class TestJournalLock : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // Any user name is told as it is, and the mark of one that has ended is stale, and is
    // taken away by its owner.
    void anyUserNameSurvivesTheMark_data() {
        QTest::addColumn<QByteArray>("user");
        QTest::newRow("comma") << QByteArray("ivanov,i");
        QTest::newRow("newline") << QByteArray("ivan\nov");
        QTest::newRow("percent, CR, comma") << QByteArray("50%25\r,x%");
        QTest::newRow("spaces, Cyrillic") << QByteArray(" Мария Иванова ");
    }
    void anyUserNameSurvivesTheMark() {
        QFETCH(QByteArray, user);
        TempFolder folder;
        folder.write(Journal, "x\r\n");
        const QString journal = folder.file(Journal);
        const QString name = QString::fromUtf8(user);
        QCOMPARE(inChild([&] { return holdIn(*new core::JournalLock(name), journal); }).first,
                 int(Held));
        QVERIFY(folder.exists(MarkName)); // left by a copy that has ended
        core::JournalLock mine(name);
        QCOMPARE(holdIn(mine, journal), int(Held));
        core::JournalLock other;
        const std::optional<core::JournalLock::Holder> holder = holdAt(other, journal);
        QVERIFY(holder);
        QCOMPARE(holder->user, name);
        QCOMPARE(holder->host, QSysInfo::machineHostName());
        QCOMPARE(holder->pid, QCoreApplication::applicationPid());
        mine.release();
        QVERIFY(!folder.exists(MarkName));
    }

    // The mark names the user by the account, whatever the environment says or lacks.
    void theMarkNamesTheAccount_data() {
        QTest::addColumn<QByteArray>("user");
        QTest::newRow("USER unset") << QByteArray();
        QTest::newRow("USER empty") << QByteArray("");
        QTest::newRow("USER another's") << QByteArray("someone-else");
    }
    void theMarkNamesTheAccount() {
        QFETCH(QByteArray, user);
        const Environment unixName("USER", user);
        const Environment windowsName("USERNAME", QByteArray());
        TempFolder folder;
        folder.write(Journal, "x\r\n");
        core::JournalLock mine;
        QCOMPARE(holdIn(mine, folder.file(Journal)), int(Held));
        core::JournalLock other;
        const std::optional<core::JournalLock::Holder> holder = holdAt(other, folder.file(Journal));
        QVERIFY(holder);
        QCOMPARE(holder->user, accountName());
        QVERIFY(!core::JournalLock::heldMessage(Journal, *holder).contains(QStringLiteral(": ?,")));
    }

    // A mark that cannot be read is never followed, waited on or written through. This user's
    // own is taken over; another's is told as unreadable and left.
    void unreadableMarks_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<bool>("others");
        for (const bool others : {false, true}) {
            for (const char* kind : {"garbage", "empty", "dangling link", "link to the journal",
                                     "pipe", "folder", "no permission"})
                QTest::newRow(qPrintable(QString::fromLatin1(kind) +
                                         (others ? QStringLiteral(", another's") : QString())))
                    << QString::fromLatin1(kind) << others;
        }
    }
    void unreadableMarks() {
        QFETCH(QString, kind);
        QFETCH(bool, others);
        if (others && ::geteuid() != 0)
            QSKIP("marks of another user need root to make");
        TempFolder folder;
        const QByteArray journalBytes = "a,b,1,c,d\r\n";
        folder.write(Journal, journalBytes);
        const QByteArray mark = QFile::encodeName(folder.file(MarkName));
        if (kind == u"garbage" || kind == u"no permission")
            folder.write(MarkName, "\x01\xff garbage, not a mark");
        else if (kind == u"empty")
            folder.write(MarkName, {});
        else if (kind == u"dangling link")
            QCOMPARE(::symlink("nowhere", mark.constData()), 0);
        else if (kind == u"link to the journal")
            QCOMPARE(::symlink("thisyear.csv", mark.constData()), 0);
        else if (kind == u"pipe")
            QCOMPARE(::mkfifo(mark.constData(), 0600), 0);
        else if (kind == u"folder")
            QVERIFY(QDir(folder.path()).mkdir(MarkName));
        if (kind == u"no permission")
            QCOMPARE(::chmod(mark.constData(), 0), 0);
        if (others)
            QCOMPARE(::lchown(mark.constData(), 65534, 65534), 0);
        struct stat before {};
        QCOMPARE(::lstat(mark.constData(), &before), 0);

        const QString journal = folder.file(Journal);
        const auto [outcome, child] = inChild([&] {
            return holdIn(*new core::JournalLock, journal); // never let go
        });
        QCOMPARE(outcome, int(others ? Unreadable : Held));
        struct stat after {};
        QCOMPARE(::lstat(mark.constData(), &after), 0);
        if (others) {
            QCOMPARE(after.st_ino, before.st_ino);
        } else {
            QVERIFY(S_ISREG(after.st_mode));
            QVERIFY(
                folder.read(MarkName).contains(QByteArray(',' + QByteArray::number(child) + ',')));
        }
        QCOMPARE(folder.read(Journal), journalBytes);
        QVERIFY(!folder.exists(QStringLiteral("nowhere")));
        QCOMPARE(
            QDir(folder.path())
                .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot),
            (QStringList{MarkName, Journal}));
    }

    // What the user hears of a mark that cannot go: why it cannot be read.
    void anUnreadableMarkIsToldWhy() {
        TempFolder folder;
        folder.write(Journal, "x\r\n");
        folder.write(MarkName + QStringLiteral("/inside"), "kept");
        core::JournalLock lock;
        const std::optional<core::JournalLock::Holder> holder = holdAt(lock, folder.file(Journal));
        QVERIFY(holder);
        QVERIFY(holder->unreadable);
        QVERIFY(holder->user.isEmpty() && holder->host.isEmpty());
        const QString message = core::JournalLock::heldMessage(Journal, *holder);
        QVERIFY2(message.contains(QStringLiteral("отметку .~lock.thisyear.csv# прочитать нельзя "
                                                 "(это папка, а не файл)")),
                 qPrintable(message));
        QCOMPARE(folder.read(MarkName + QStringLiteral("/inside")), QByteArray("kept"));
        QVERIFY(lock.heldPath().isEmpty());
    }

    // Marks of running copies, older ones and the office suite's included, are told as held.
    void marksOfOthersAreTold_data() {
        QTest::addColumn<QByteArray>("mark");
        QTest::addColumn<QString>("told");
        const QByteArray host = QSysInfo::machineHostName().toUtf8();
        const QByteArray running = QByteArray::number(QCoreApplication::applicationPid());
        QTest::newRow("older copy, comma in the user")
            << "ivanov,i," + host + ',' + running + ",2026-12-07T08:00:00,other\n"
            << QStringLiteral("ivanov,i, компьютер %1, с 07.12.2026 08:00")
                   .arg(QString::fromUtf8(host));
        QTest::newRow("office suite")
            << QByteArray(
                   "Мария Иванова,ivanov,pc7,07.12.2026 08:00,file:///home/ivanov/.config/x;")
            << QStringLiteral("Мария Иванова, компьютер pc7, с 07.12.2026 08:00");
    }
    void marksOfOthersAreTold() {
        QFETCH(QByteArray, mark);
        QFETCH(QString, told);
        TempFolder folder;
        folder.write(Journal, "x\r\n");
        folder.write(MarkName, mark);
        core::JournalLock lock;
        const std::optional<core::JournalLock::Holder> holder = holdAt(lock, folder.file(Journal));
        QVERIFY(holder);
        const QString message = core::JournalLock::heldMessage(Journal, *holder);
        QVERIFY2(message.contains(told), qPrintable(message));
        // Since saves merge, the user hears of a question only where both changed one cell.
        QVERIFY2(message.contains(QStringLiteral("При сохранении ваши изменения и изменения "
                                                 "другого пользователя будут объединены. Вопрос "
                                                 "будет задан, только если вы оба изменили одну и "
                                                 "ту же ячейку")),
                 qPrintable(message));
        QCOMPARE(folder.read(MarkName), mark);
    }

    // The group sharing the folder can read who holds a journal, whatever the umask.
    void theMarkIsReadableByTheGroup_data() {
        QTest::addColumn<int>("folderMode");
        QTest::addColumn<int>("markMode");
        QTest::newRow("private folder") << 0770 << 0640;
        QTest::newRow("open folder") << 0755 << 0644;
    }
    void theMarkIsReadableByTheGroup() {
        QFETCH(int, folderMode);
        QFETCH(int, markMode);
        TempFolder folder;
        folder.write(Journal, "x\r\n");
        QCOMPARE(::chmod(QFile::encodeName(folder.path()).constData(), mode_t(folderMode)), 0);
        const mode_t saved = ::umask(077);
        core::JournalLock lock;
        const std::optional<core::JournalLock::Holder> holder = holdAt(lock, folder.file(Journal));
        ::umask(saved);
        QVERIFY(!holder);
        struct stat info {};
        QCOMPARE(::stat(QFile::encodeName(folder.file(MarkName)).constData(), &info), 0);
        QCOMPARE(int(info.st_mode & 0777), markMode);
    }

    // Two copies taking over one stale mark at once: one holds the journal, the other is told.
    void oneOfTwoRacingCopiesHoldsTheJournal() {
        TempFolder folder;
        folder.write(Journal, "x\r\n");
        folder.write(MarkName, staleMark());
        const QDeadlineTimer deadline(120000);
        for (int round = 0; round < 200 && !deadline.hasExpired(); ++round) {
            // The mark the last round's holder left is stale now that it has ended.
            const int holders = racingHolders(folder.file(Journal));
            QVERIFY2(holders == 1,
                     qPrintable(QStringLiteral("round %1: %2 holders").arg(round).arg(holders)));
        }
        QVERIFY(!deadline.hasExpired());
        QCOMPARE(
            QDir(folder.path())
                .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot),
            (QStringList{MarkName, Journal}));
    }

    // A member of the group plants a link in the place of the journal's folder, pointing to a
    // folder only the user may enter: holding the journal there makes no mark, and nothing in that
    // folder is written, moved or removed, not even a file of the mark's name that is no mark.
    void aLinkInAFolderPlaceLeadsNowhere_data() {
        QTest::addColumn<QString>("link");
        QTest::newRow("Archive") << QStringLiteral("Archive");
        QTest::newRow("a folder in Archive") << QStringLiteral("Archive/2009");
    }
    void aLinkInAFolderPlaceLeadsNowhere() {
        QFETCH(QString, link);
        const bool root = ::geteuid() == 0;
        TempFolder folder;
        QTemporaryDir privateFolder;
        const QString privatePath = privateFolder.path();
        const QByteArray garbage = "\x01 not a mark";
        QFile mark(privatePath + QStringLiteral("/.~lock.2009.csv#"));
        QVERIFY(mark.open(QIODevice::WriteOnly) && mark.write(garbage) == garbage.size());
        mark.close();
        QFile journalThere(privatePath + QStringLiteral("/2009.csv"));
        QVERIFY(journalThere.open(QIODevice::WriteOnly));
        journalThere.close();
        const QString linkFolder = QFileInfo(folder.file(link)).path();
        QVERIFY(QDir(folder.path()).mkpath(linkFolder));
        QCOMPARE(::symlink(local(privatePath).constData(), local(folder.file(link)).constData()),
                 0);
        QCOMPARE(::chmod(local(privatePath).constData(), 0700), 0);
        if (root) {
            // The holder is then another user, in a child: the private folder and its files are
            // hers.
            for (const QString& path : {privatePath, mark.fileName(), journalThere.fileName()})
                QCOMPARE(::chown(local(path).constData(), NobodyUid, SharedGroup), 0);
            for (const QString& path : {folder.path(), linkFolder}) {
                QCOMPARE(::chown(local(path).constData(), 0, SharedGroup), 0);
                QCOMPARE(::chmod(local(path).constData(), 02770), 0);
            }
        }
        const QStringList before = entriesOf(privatePath);
        const QString journal = folder.file(link + QStringLiteral("/2009.csv"));
        const int outcome = inChild([&] {
                                if (root && !becomeAnotherMember())
                                    return 1;
                                core::JournalLock lock;
                                return holdIn(lock, journal, folder.path());
                            }).first;
        QVERIFY(mark.open(QIODevice::ReadOnly));
        QCOMPARE(mark.readAll(), garbage);
        QCOMPARE(entriesOf(privatePath), before);
        QCOMPARE(outcome, int(NotHeld));
        QCOMPARE(entriesOf(linkFolder), QStringList{QFileInfo(link).fileName()});
    }

    // The mark goes from the folder it was made in, even when a link has taken that folder's
    // name since: a copy of the mark behind the link stays.
    void theMarkGoesFromTheFolderItWasMadeIn() {
        TempFolder folder;
        folder.write(QStringLiteral("Archive/2009.csv"), "x\r\n");
        const QString markName = QStringLiteral("Archive/.~lock.2009.csv#");
        core::JournalLock lock;
        QCOMPARE(holdIn(lock, folder.file(QStringLiteral("Archive/2009.csv")), folder.path()),
                 int(Held));
        const QByteArray held = folder.read(markName);
        QVERIFY(!held.isEmpty());
        QVERIFY(QDir(folder.path()).rename(QStringLiteral("Archive"), QStringLiteral("moved")));
        folder.write(QStringLiteral("elsewhere/.~lock.2009.csv#"), held);
        QCOMPARE(::symlink("elsewhere", local(folder.file(QStringLiteral("Archive"))).constData()),
                 0);
        lock.release();
        QCOMPARE(folder.read(QStringLiteral("elsewhere/.~lock.2009.csv#")), held);
        QCOMPARE(entriesOf(folder.file(QStringLiteral("moved"))),
                 QStringList{QStringLiteral("2009.csv")});
        QVERIFY(lock.heldPath().isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestJournalLock)
#include "tst_journallock.moc"
