#include "core/savelock.h"
#include "support/childprocess.h"
#include "support/tempfolder.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <fcntl.h>
#include <functional>
#include <grp.h>
#include <poll.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

constexpr uid_t NobodyUid = 65534;
constexpr gid_t SharedGroup = 100;
const QString LockName = QStringLiteral(".eklz-save.lock");

QByteArray local(const QString& path) {
    return QFile::encodeName(path);
}

// Runs as another member of the folder's group.
bool becomeAnotherMember() {
    const gid_t groups[] = {SharedGroup};
    return ::setgroups(1, groups) == 0 && ::setgid(SharedGroup) == 0 && ::setuid(NobodyUid) == 0;
}

// The folder shared by the group, as the mechanics' folders are.
void shareWithTheGroup(const QString& path) {
    QCOMPARE(::chown(local(path).constData(), 0, SharedGroup), 0);
    QCOMPARE(::chmod(local(path).constData(), 02770), 0);
}

// Whether an open file description other than this one holds a lock on the file.
bool lockedElsewhere(const QString& path) {
    const int fd = ::open(local(path).constData(), O_RDWR | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct flock probe {};
    probe.l_type = F_WRLCK;
    probe.l_whence = SEEK_SET;
    const bool locked = ::fcntl(fd, F_OFD_GETLK, &probe) == 0 && probe.l_type != F_UNLCK;
    ::close(fd);
    return locked;
}

bool readUntil(int fd, QByteArray* bytes, const QDeadlineTimer& deadline) {
    char buffer[512];
    for (;;) {
        pollfd wait{fd, POLLIN, 0};
        if (::poll(&wait, 1, int(deadline.remainingTime())) != 1)
            return false;
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got <= 0)
            return got == 0;
        bytes->append(buffer, got);
    }
}

// What a copy in a child process made of the save lock.
struct Taken {
    bool finished = false;
    bool held = false;
    bool locked = false; // the lock file was really locked while held
    QString cause;
};

// The save lock taken in a child process, as another member of the group when asked.
Taken takeInChild(const QString& folder, bool asAnotherMember) {
    int told[2];
    if (::pipe(told) != 0)
        return {};
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(told[0]);
        if (asAnotherMember && !becomeAnotherMember())
            ::_exit(1);
        const core::SaveLock lock{core::FolderTree(folder), std::chrono::milliseconds(2000)};
        const bool locked = lock.held() && lockedElsewhere(folder + u'/' + LockName);
        const QByteArray report =
            QByteArray(lock.held() ? "H" : "-") + (locked ? "L" : "-") + lock.cause().toUtf8();
        ::_exit(::write(told[1], report.constData(), size_t(report.size())) == report.size() ? 0
                                                                                             : 1);
    }
    ::close(told[1]);
    const QDeadlineTimer deadline(20000);
    QByteArray report;
    readUntil(told[0], &report, deadline);
    ::close(told[0]);
    Taken taken;
    taken.finished = waitForChild(child, deadline) == 0 && report.size() >= 2;
    taken.held = report.startsWith('H');
    taken.locked = report.mid(1, 1) == "L";
    taken.cause = QString::fromUtf8(report.mid(2));
    return taken;
}

QStringList entriesOf(const QString& path) {
    return QDir(path).entryList(QDir::AllEntries | QDir::Hidden | QDir::System |
                                QDir::NoDotAndDotDot);
}

} // namespace

class TestSaveLock : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // Whatever a member put in the lock file's place that is not a regular file goes, without a
    // wait and without anything outside being touched, and the lock is taken on a lock file
    // made again.
    void whatIsNoLockFileIsMadeAgain_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<bool>("another");
        for (const char* kind : {"FIFO", "link to a file outside", "dangling link", "empty folder"})
            QTest::newRow(kind) << QString::fromLatin1(kind) << false;
        QTest::newRow("another's FIFO only she may open") << QStringLiteral("FIFO") << true;
    }
    void whatIsNoLockFileIsMadeAgain() {
        QFETCH(QString, kind);
        QFETCH(bool, another);
        if (another && ::geteuid() != 0)
            QSKIP("another user's file needs root to make");
        TempFolder folder;
        QTemporaryDir outside;
        const QString outsideFile = outside.filePath(QStringLiteral("precious.csv"));
        QFile precious(outsideFile);
        QVERIFY(precious.open(QIODevice::WriteOnly) && precious.write("kept\r\n") == 6);
        precious.close();
        QCOMPARE(::chmod(local(outsideFile).constData(), 0640), 0);
        const QByteArray lock = local(folder.file(LockName));
        if (kind == u"FIFO")
            QCOMPARE(::mkfifo(lock.constData(), another ? 0600 : 0660), 0);
        else if (kind == u"link to a file outside")
            QCOMPARE(::symlink(local(outsideFile).constData(), lock.constData()), 0);
        else if (kind == u"dangling link")
            QCOMPARE(::symlink(local(outside.filePath(QStringLiteral("new"))).constData(),
                               lock.constData()),
                     0);
        else
            QCOMPARE(::mkdir(lock.constData(), 0770), 0);
        if (another)
            shareWithTheGroup(folder.path());

        const Taken taken = takeInChild(folder.path(), another);
        QVERIFY(taken.finished);
        QVERIFY2(taken.held, qPrintable(taken.cause));
        QVERIFY(taken.locked);
        struct stat made {};
        QCOMPARE(::lstat(lock.constData(), &made), 0);
        QVERIFY(S_ISREG(made.st_mode));
        QCOMPARE(entriesOf(folder.path()), QStringList{LockName});
        QCOMPARE(entriesOf(outside.path()), QStringList{QStringLiteral("precious.csv")});
        QVERIFY(precious.open(QIODevice::ReadOnly));
        QCOMPARE(precious.readAll(), QByteArray("kept\r\n"));
        struct stat kept {};
        QCOMPARE(::stat(local(outsideFile).constData(), &kept), 0);
        QCOMPARE(kept.st_mode & 07777, mode_t(0640));
    }

    // What cannot go is named with what the user can do about it, and left as it is: a folder
    // with files in it, and a lock file of another member that this user may not open.
    void whatCannotGoIsNamed_data() {
        QTest::addColumn<bool>("folderWithFiles");
        QTest::addColumn<QString>("told");
        QTest::newRow("folder with files")
            << true
            << QStringLiteral("Файл блокировки .eklz-save.lock в папке журнала — не обычный файл, "
                              "а папка (владелец %1, права 0750), и удалить его нельзя: в папке "
                              "есть файлы. Удалите эту папку или переименуйте её.");
        QTest::newRow("another's lock file")
            << false
            << QStringLiteral("Файл блокировки .eklz-save.lock в папке журнала нельзя открыть: нет "
                              "прав (владелец %1, права 0600). Попросите владельца удалить его или "
                              "дать права группе.");
    }
    void whatCannotGoIsNamed() {
        QFETCH(bool, folderWithFiles);
        QFETCH(QString, told);
        const bool root = ::geteuid() == 0;
        if (!folderWithFiles && !root)
            QSKIP("another user's file needs root to make");
        TempFolder folder;
        const QString inside = folderWithFiles ? LockName + QStringLiteral("/inside") : LockName;
        folder.write(inside, "kept");
        const QByteArray lock = local(folder.file(LockName));
        QCOMPARE(::chmod(lock.constData(), folderWithFiles ? 0750 : 0600), 0);
        if (root)
            shareWithTheGroup(folder.path());

        const Taken taken = takeInChild(folder.path(), root);
        QVERIFY(taken.finished);
        QVERIFY(!taken.held);
        const QString owner = QString::fromLocal8Bit(::getpwuid(::geteuid())->pw_name);
        QCOMPARE(taken.cause, told.arg(owner));
        QCOMPARE(folder.read(inside), QByteArray("kept"));
    }

    // While another copy holds the lock, the wait asks whether to go on about every pause; when
    // told no, it stops at once, and when the other lets go, the lock is taken.
    void theWaitAsksWhetherToGoOn_data() {
        QTest::addColumn<bool>("cancel");
        QTest::newRow("cancelled") << true;
        QTest::newRow("let go meanwhile") << false;
    }
    void theWaitAsksWhetherToGoOn() {
        QFETCH(bool, cancel);
        TempFolder folder;
        int ready[2], go[2];
        QVERIFY(::pipe(ready) == 0 && ::pipe(go) == 0);
        const pid_t holder = ::fork();
        if (holder == 0) {
            ::close(ready[0]);
            ::close(go[1]);
            const core::SaveLock lock{core::FolderTree(folder.path())};
            char byte = lock.held() ? 'H' : '-';
            if (::write(ready[1], &byte, 1) != 1)
                ::_exit(1);
            ::close(ready[1]);
            QByteArray rest;
            readUntil(go[0], &rest, QDeadlineTimer(20000)); // until the parent closes it
            ::_exit(0);
        }
        ::close(ready[1]);
        ::close(go[0]);
        QByteArray held;
        readUntil(ready[0], &held, QDeadlineTimer(20000));
        ::close(ready[0]);
        QCOMPARE(held, QByteArray("H"));

        int asked = 0;
        const core::SaveLock lock{core::FolderTree(folder.path()), std::chrono::milliseconds(20000),
                                  [&] {
                                      ++asked;
                                      if (asked == 3 && !cancel)
                                          ::close(go[1]); // the holder ends, and lets go
                                      return !(cancel && asked == 3);
                                  }};
        if (cancel)
            ::close(go[1]);
        QCOMPARE(waitForChild(holder, QDeadlineTimer(20000)), 0);
        QCOMPARE(lock.held(), !cancel);
        if (cancel) {
            QCOMPARE(asked, 3);
            QCOMPARE(lock.cause(), QStringLiteral("Сохранение отменено: журнал всё ещё сохраняет "
                                                  "другой пользователь."));
        } else {
            QVERIFY(asked >= 3);
            QVERIFY(lockedElsewhere(folder.file(LockName)));
        }
    }

    // Two copies clearing away one FIFO at once lock the same lock file, one after the other:
    // never both at a time.
    void twoCopiesClearingAwayAtOnceTakeTurns() {
        TempFolder folder;
        const QDeadlineTimer deadline(120000);
        for (int round = 0; round < 100 && !deadline.hasExpired(); ++round) {
            QVERIFY(QFile::remove(folder.file(LockName)) || round == 0);
            QCOMPARE(::mkfifo(local(folder.file(LockName)).constData(), 0660), 0);
            int go[2];
            QVERIFY(::pipe(go) == 0);
            pid_t copies[2];
            for (pid_t& copy : copies) {
                copy = ::fork();
                if (copy == 0) {
                    ::close(go[1]);
                    QByteArray none;
                    readUntil(go[0], &none, QDeadlineTimer(20000));
                    const core::SaveLock lock{core::FolderTree(folder.path())};
                    if (!lock.held())
                        ::_exit(2);
                    // Alone while holding it: the name is free, and stays free for a while.
                    const QByteArray inside = local(folder.file(QStringLiteral("saving")));
                    const int fd = ::open(inside.constData(), O_WRONLY | O_CREAT | O_EXCL, 0600);
                    if (fd < 0)
                        ::_exit(3);
                    ::usleep(10000);
                    ::close(fd);
                    ::_exit(::unlink(inside.constData()) == 0 ? 0 : 4);
                }
            }
            ::close(go[0]);
            ::close(go[1]);
            for (const pid_t copy : copies)
                QCOMPARE(waitForChild(copy, QDeadlineTimer(20000)), 0);
            struct stat made {};
            QCOMPARE(::lstat(local(folder.file(LockName)).constData(), &made), 0);
            QVERIFY(S_ISREG(made.st_mode));
            QCOMPARE(entriesOf(folder.path()), QStringList{LockName});
        }
        QVERIFY(!deadline.hasExpired());
    }
};

QTEST_GUILESS_MAIN(TestSaveLock)
#include "tst_savelock.moc"
