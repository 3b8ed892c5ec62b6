#include "core/journalbackups.h"
#include "core/journalformat.h"
#include "core/systemerror.h"
#include "support/journalfixture.h"

#include <QDir>
#include <QDirIterator>
#include <QProcess>
#include <QSysInfo>
#include <QTest>
#include <cerrno>
#include <optional>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace journaltest;

namespace {

const QString ThisYear = QStringLiteral("thisyear.csv");

Rows rows(const char* text) {
    Rows rows;
    for (const QString& row : QString::fromUtf8(text).split(u'/'))
        rows << row.split(u'|');
    return rows;
}

// The second row's block date is wrong until the block-date pass computes it.
const Rows Sample = rows("ООО Ромашка|ЭКР|17|А12|Б34|15.03.2009|01.05.2010|Иванов/"
                         "ИП Соколов|ЭКР|17|А12|Б34|31.01.2009|01.01.2000|Иванов");
const Rows SampleWithBlockDates = rows("ООО Ромашка|ЭКР|17|А12|Б34|15.03.2009|01.05.2010|Иванов/"
                                       "ИП Соколов|ЭКР|17|А12|Б34|31.01.2009|01.04.2010|Иванов");

// Every file but the save lock, which stays in a folder once anything was saved there.
QStringList filesBelow(const QString& folder) {
    QStringList files;
    for (QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
         it.hasNext();)
        if (const QString file = it.next(); !file.endsWith(QStringLiteral("/.eklz-save.lock")))
            files << file;
    files.sort();
    return files;
}

// A tmpfs of the given size mounted over a folder, while it lives: a disk that fills up, or one
// that takes no writes at all.
struct TinyDisk {
    TinyDisk(const QString& folder, int kilobytes, bool readOnly = false)
        : path(QFile::encodeName(folder)) {
        const QByteArray size = "size=" + QByteArray::number(kilobytes) + 'k';
        mounted = kilobytes > 0 && QDir().mkpath(folder) &&
                  ::mount("tmpfs", path.constData(), "tmpfs", readOnly ? MS_RDONLY : 0,
                          size.constData()) == 0;
    }
    ~TinyDisk() {
        if (mounted)
            ::umount2(path.constData(), MNT_DETACH);
    }
    QByteArray path;
    bool mounted = false;
};

} // namespace
class TestJournalFiles : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void openingCases_data() {
        QTest::addColumn<bool>("archive");
        QTest::addColumn<QString>("answer");
        QTest::addColumn<QString>("files"); // path[=contents]|..., a journal of the Sample rows
        QTest::addColumn<QString>("message");
        QTest::addColumn<Rows>("rows"); // data rows afterwards
        // answer: none opens thisyear.csv, any other the archive.
        const auto row = [](const char* name, const char* answer, const char* files,
                            const QString& message, const Rows& rows) {
            QTest::newRow(name) << (answer != nullptr) << QString::fromUtf8(answer)
                                << QString::fromUtf8(files) << message << rows;
        };
        const QString none;
        const QString thisYearMissing = QStringLiteral("Не могу найти thisyear.csv.");
        const QString yearMissing = QStringLiteral("Не могу найти  указанный год.");
        const Rows reset{{}};
        const Rows partial{{QStringLiteral("a")}, {}};
        // The message's second line says why the reading stopped.
        const QString tooLong =
            QStringLiteral("\nСтрока 2 длиннее 32 767 знаков; прочитано строк: 1.");
        row("thisyear.csv missing", nullptr, "", none, reset);
        row("thisyear.csv of 0 bytes", nullptr, "thisyear.csv=", none, {});
        row("thisyear.csv with block dates", nullptr, "thisyear.csv", none, SampleWithBlockDates);
        row("thisyear.csv a folder", nullptr, "thisyear.csv/x", none, reset);
        row("thisyear.csv unreadable", nullptr, "thisyear.csv=long", thisYearMissing + tooLong,
            partial);
        // An archive opens as stored: no block dates are computed.
        row("archive", "2009", "Archive/2009.csv", none, Sample);
        row("answer upper-cased, blanks kept", " архив ёлки",
            "Archive/ АРХИВ ЁЛКИ.csv|Archive/АРХИВ ЁЛКИ.csv=x;", none, Sample);
        row("answer cancelled", "", "Archive/2009.csv", none, {{QStringLiteral("on screen")}});
        row("Archive missing", "2009", "", none, reset);
        row("Archive without ordinary files", "2009", "Archive/.x.csv|Archive/2009.csv/x", none,
            reset);
        row("archive file missing", "2008", "Archive/2009.csv", yearMissing, reset);
        row("archive file unreadable", "2009", "Archive/2009.csv=long", yearMissing + tooLong,
            partial);
    }

    void openingCases() {
        QFETCH(bool, archive);
        QFETCH(QString, answer);
        QFETCH(QString, files);
        QFETCH(QString, message);
        QFETCH(Rows, rows);
        Program program;
        program.fill({{QStringLiteral("on screen")}});
        for (const QString& file : files.split(u'|', Qt::SkipEmptyParts)) {
            const QString contents = file.section(u'=', 1);
            program.folder.write(file.section(u'=', 0, 0),
                                 !file.contains(u'=') ? journalFile(Sample)
                                 : contents == u"long"
                                     ? "a;\r\n" + QByteArray(32768, 'x') + "\r\nb;"
                                     : contents.toUtf8());
        }

        if (archive)
            program.openArchive(answer);
        else
            program.open();
        QCOMPARE(program.prompter.messages,
                 message.isEmpty() ? QStringList() : QStringList{message});
        const QString prompt = QStringLiteral("Введите год (или другое имя файла)");
        QCOMPARE(program.prompter.prompts, archive ? QStringList{prompt} : QStringList());
        QCOMPARE(program.prompter.titles, program.prompter.prompts);
        QCOMPARE(dataRows(program.grid), rows);
        QCOMPARE(program.grid.columnCount(), core::FileColumns);
    }

    void savesThisYearAndArchives() {
        Program program;
        program.fill(Sample);
        QVERIFY(program.save());
        QCOMPARE(program.thisYear(), journalFile(Sample));
        // A save leaves the current cell on the last cell written.
        QCOMPARE(program.current(), QPoint(1, core::Mechanic));

        program.prompter.answers << QString() << QStringLiteral("архив");
        program.saveAs(); // cancelled
        QVERIFY(!program.folder.exists(QStringLiteral("Archive")));
        program.saveAs();
        const QString prompt = QStringLiteral("Введите имя файла");
        QCOMPARE(program.prompter.prompts, (QStringList{prompt, prompt}));
        QCOMPARE(program.prompter.titles, program.prompter.prompts);
        QCOMPARE(program.folder.read(QStringLiteral("Archive/АРХИВ.csv")), journalFile(Sample));

        // "Сохранить изменения" after "Загрузить архив" writes the archive's rows to thisyear.csv.
        const Rows archived{{QStringLiteral("ООО Заря")}};
        program.folder.write(QStringLiteral("Archive/2009.csv"), journalFile(archived));
        program.openArchive(QStringLiteral("2009"));
        QVERIFY(program.saveOver());
        QCOMPARE(program.thisYear(), journalFile(archived));

        QVERIFY(program.prompter.messages.isEmpty());
    }

    void reportsSavesThatFail_data() {
        QTest::addColumn<QString>("blocker"); // a file where a folder should be
        QTest::addColumn<QString>("programFolder");
        QTest::addColumn<QString>("target");
        QTest::addColumn<int>(
            "diskKilobytes"); // a tmpfs of that size mounted as the program folder
        const auto row = [](const char* name, const char* blocker, const char* folder,
                            const char* target, int disk) {
            QTest::newRow(name) << QString::fromUtf8(blocker) << QString::fromUtf8(folder)
                                << QString::fromUtf8(target) << disk;
        };
        row("program folder is a file", "program", "program", "program/thisyear.csv", 0);
        // "Сохранить как" makes the Archive folder, never the program folder around it.
        row("program folder missing", "", "gone", "gone/Archive/2009.csv", 0);
        row("thisyear.csv is a folder", "thisyear.csv/keep", ".", "thisyear.csv", 0);
        row("Archive is a file", "Archive", ".", "Archive/2009.csv", 0);
        // 20 kB on a 64 kB disk: 80 kB of new rows do not fit.
        row("full disk", "", "disk", "disk/thisyear.csv", 64);
        row("full disk, Сохранить как", "", "disk", "disk/Archive/2009.csv", 64);
    }

    // One message naming the file, the old file whole, and no file made: neither a temporary file
    // nor a backup.
    void reportsSavesThatFail() {
        QFETCH(QString, blocker);
        QFETCH(QString, programFolder);
        QFETCH(QString, target);
        QFETCH(int, diskKilobytes);
        TempFolder outer;
        const QString folder = outer.file(programFolder);
        const TinyDisk disk(folder, diskKilobytes);
        if (diskKilobytes > 0 && !disk.mounted)
            QSKIP("mounting a tmpfs needs root and CAP_SYS_ADMIN");
        if (!blocker.isEmpty())
            outer.write(blocker, "keep");
        const QString oldFile = programFolder + QStringLiteral("/thisyear.csv");
        const QByteArray old =
            disk.mounted ? QByteArray(20 * 1024, 'o') : QByteArray("before;\r\n");
        const bool hasOld = QFileInfo(folder).isDir() && !outer.exists(oldFile);
        if (hasOld)
            outer.write(oldFile, old);
        const QStringList before = filesBelow(outer.path());
        // A failed "Сохранить как" leaves no empty Archive folder behind either.
        const bool hadArchive = QFileInfo::exists(folder + QStringLiteral("/Archive"));
        Program program(folder);
        program.fill(Rows(disk.mounted ? 600 : 2, {QString(100, u'n'), QStringLiteral("ЭКР")}));

        if (target.contains(QStringLiteral("Archive/"))) {
            program.prompter.answers << QStringLiteral("2009");
            program.saveAs();
        } else {
            QVERIFY(!program.saveOver());
        }
        QCOMPARE(program.prompter.messages.size(), 1);
        QVERIFY2(QDir::cleanPath(program.prompter.messages[0]).contains(outer.file(target)),
                 qPrintable(program.prompter.messages[0]));
        QCOMPARE(filesBelow(outer.path()), before);
        QCOMPARE(QFileInfo::exists(folder + QStringLiteral("/Archive")), hadArchive);
        if (hasOld)
            QCOMPARE(outer.read(oldFile), old);

        // The program goes on: once the cause is gone, the same save writes the same grid.
        if (disk.mounted)
            return;
        const QString cause = outer.file(blocker.section(u'/', 0, 0));
        QVERIFY(blocker.isEmpty() || QFile::remove(cause) || QDir(cause).removeRecursively());
        QVERIFY(QDir().mkpath(folder));
        if (target.contains(QStringLiteral("Archive/"))) {
            program.prompter.answers << QStringLiteral("2009");
            program.saveAs();
        } else {
            QVERIFY(program.save());
        }
        QCOMPARE(program.prompter.messages.size(), 1);
        QCOMPARE(outer.read(target), core::writeJournal(program.grid.dataRows()));
    }

    void savesWhenTheBackupCannotBeKept_data() {
        QTest::addColumn<QString>("blocker");
        QTest::newRow("a file named Backup") << QStringLiteral("Backup a file");
        QTest::newRow("Backup not writable") << QStringLiteral("Backup read-only");
    }

    // The backup is a safety copy and never stops a save: the journal is written all the same,
    // nothing else is left beside it, and the message says that the previous version is not in
    // Backup and why, in the system's words. Once the cause is gone, backups are kept again.
    void savesWhenTheBackupCannotBeKept() {
        QFETCH(QString, blocker);
        Program program;
        const QString backup = program.folder.file(QStringLiteral("Backup"));
        const QString archive = QStringLiteral("Archive/2009.csv");
        program.folder.write(ThisYear, "before;\r\n");
        program.folder.write(archive, "archived;\r\n");
        const auto setMode = [&](const QString& file, mode_t mode) {
            return ::chmod(QFile::encodeName(program.folder.file(file)), mode) == 0;
        };
        // Root reads and writes whatever the modes say: a read-only file system stops it.
        const bool root = ::geteuid() == 0;
        std::optional<TinyDisk> readOnly;
        QString cause = core::systemErrorText(ENOTDIR);
        if (blocker == u"Backup a file") {
            program.folder.write(QStringLiteral("Backup"), "keep");
        } else if (root) {
            readOnly.emplace(backup, 64, true);
            if (!readOnly->mounted)
                QSKIP("as root, a read-only tmpfs stands for the folder; mounting one needs "
                      "CAP_SYS_ADMIN");
            cause = core::systemErrorText(EROFS);
        } else {
            QVERIFY(QDir().mkdir(backup) && setMode(QStringLiteral("Backup"), 0555));
            cause = core::systemErrorText(EACCES);
        }
        const QStringList before = filesBelow(program.folder.path());
        program.fill(Sample);

        QVERIFY(program.saveOver());
        program.prompter.answers << QStringLiteral("2009");
        program.prompter.questionAnswers << true;
        program.saveAs();
        QCOMPARE(program.thisYear(), journalFile(Sample));
        QCOMPARE(program.folder.read(archive), journalFile(Sample));
        const QString unkept = QStringLiteral("Журнал %1 сохранён, но прежнюю версию не удалось "
                                              "сохранить в папке %2:\n%3");
        QCOMPARE(program.prompter.messages,
                 (QStringList{unkept.arg(ThisYear, backup, cause),
                              unkept.arg(QStringLiteral("2009.csv"), backup, cause)}));
        // No temporary file, no backup; only the mark that holds this year's register, which
        // stays the journal held after a copy went into the archive.
        QStringList after = before;
        after << program.folder.file(QStringLiteral(".~lock.thisyear.csv#"));
        after.sort();
        QCOMPARE(filesBelow(program.folder.path()), after);

        if (blocker == u"Backup a file")
            QVERIFY(QFile::remove(backup));
        else if (blocker == u"Backup read-only" && !root)
            QVERIFY(setMode(QStringLiteral("Backup"), 0755));
        readOnly.reset();
        program.fill(SampleWithBlockDates);
        QVERIFY(program.save());
        QCOMPARE(program.prompter.messages.size(), 2);
        const QStringList kept = core::JournalBackups(backup).backupsOf(ThisYear);
        QCOMPARE(kept.size(), 1);
        QCOMPARE(program.folder.read(QStringLiteral("Backup/") + kept[0]), journalFile(Sample));
    }

    // The newest 20 versions, numbered in the order they were kept, whatever the clock says: it
    // goes back a day halfway. A backup is a copy: changing the journal in place leaves it.
    void keepsTheNewestVersionsInBackup() {
        Program program;
        program.folder.write(QStringLiteral("Backup/thisyear_20300101-000000-000.csv"), "older");
        program.fill(Sample);
        QList<QByteArray> versions;
        for (int save = 0; save <= 25; ++save) {
            if (save == 12)
                program.firstStamp = program.firstStamp.addDays(-1);
            program.grid.setText(0, core::Mechanic, QString::number(save));
            QVERIFY(program.save());
            versions << program.thisYear();
        }
        const QStringList backups =
            core::JournalBackups(program.folder.file(QStringLiteral("Backup"))).backupsOf(ThisYear);
        // A backup named by its time alone, from an earlier version, counts as the oldest.
        QCOMPARE(backups.size(), 20);
        QCOMPARE(backups.first(), QStringLiteral("thisyear_20240229-140533-120_n25.csv"));
        QVERIFY(!program.folder.exists(QStringLiteral("Backup/thisyear_20300101-000000-000.csv")));
        program.save(); // the same bytes again: nothing new kept, the oldest numbered one stays
        QFile journal(program.folder.file(ThisYear));
        QVERIFY(journal.open(QIODevice::Append));
        journal.write("edited in place\r\n");
        journal.close();
        for (int i = 0; i < 20; ++i)
            QCOMPARE(program.folder.read(QStringLiteral("Backup/") + backups[i]), versions[24 - i]);
        QVERIFY(program.prompter.messages.isEmpty());
    }

    // Only the names the program gives its backups count as backups, in the order they were
    // kept: numbers of any width, then copies made in the same millisecond, then those named by
    // their time alone; a name that differs anywhere is a user's file.
    void listsOnlyItsOwnBackups() {
        Program program;
        const QStringList own = {QStringLiteral("thisyear_20240101-000000-000_n10.csv"),
                                 QStringLiteral("thisyear_20250101-000000-000_n009.csv"),
                                 QStringLiteral("thisyear_20240301-120000-500-2.csv"),
                                 QStringLiteral("thisyear_20240301-120000-500.csv")};
        const QStringList others = {QStringLiteral("thisyear_20240301-120000-50.csv"),
                                    QStringLiteral("thisyear_20240301-120000-500_n.csv"),
                                    QStringLiteral("thisyear_20240301-120000-500-.csv"),
                                    QStringLiteral("thisyear_20240301-120000-500_n7.csv.bak"),
                                    QStringLiteral("thisyear_2024030a-120000-500.csv"),
                                    QStringLiteral("thisyear_20240301_120000-500.csv"),
                                    QStringLiteral("Thisyear_20240301-120000-500.csv"),
                                    QStringLiteral("thisyear_20240301-120000-500_x7.csv"),
                                    QStringLiteral("2009_20240301-120000-500.csv")};
        for (const QString& name : own + others)
            program.folder.write(QStringLiteral("Backup/") + name, "kept");
        QCOMPARE(
            core::JournalBackups(program.folder.file(QStringLiteral("Backup"))).backupsOf(ThisYear),
            own);
    }

    // A save keeps the journal's group and permission bits, makes Backup with those of the
    // folder, and clears the temporary files a killed save left over a minute ago: only the
    // program's own, of a process that has ended, never a user's copy with a name like them.
    void keepsASharedFolderUsableByItsGroup() {
        Program program;
        const QString journal = program.folder.file(ThisYear);
        QProcess ended;
        ended.start(QStringLiteral("true"));
        QVERIFY(ended.waitForStarted());
        const QString endedPid = QString::number(ended.processId());
        QVERIFY(ended.waitForFinished());
        const QString killed = QStringLiteral(".thisyear.csv.eklz-%1-ab12cd.tmp").arg(endedPid);
        const QString running = QStringLiteral(".thisyear.csv.eklz-%1-ab12cd.tmp")
                                    .arg(QCoreApplication::applicationPid());
        const QStringList usersOwn = {QStringLiteral("thisyear.csv.backup"),
                                      QStringLiteral("thisyear.csv.Ab12Cd"),
                                      QStringLiteral(".thisyear.csv.eklz-12-notmine"),
                                      QStringLiteral(".thisyear.csv.eklz-12-ab12cd.tmp.bak"),
                                      QStringLiteral(".thisyear.csv.eklz--ab12cd.tmp"),
                                      QStringLiteral(".thisyear.csv.eklz-12-AB12CD.tmp"),
                                      QStringLiteral(".thisyear.csv.eklz-12345678901-ab.tmp"),
                                      QStringLiteral(".thisyear.csv.eklz-12-123456789.tmp"),
                                      QStringLiteral(".2009.csv.eklz-12-ab12cd.tmp")};
        program.folder.write(ThisYear, "before;\r\n");
        for (const QString& name : QStringList{killed, running} + usersOwn) {
            program.folder.write(name, "old");
            QFile stale(program.folder.file(name));
            QVERIFY(stale.open(QIODevice::ReadWrite) &&
                    stale.setFileTime(QDateTime::currentDateTime().addSecs(-120),
                                      QFileDevice::FileModificationTime));
        }
        // As root any group will do; otherwise the user's own, which proves less.
        const gid_t group = ::getuid() == 0 ? 100 : ::getgid();
        for (const auto& [path, mode] :
             {std::pair{program.folder.path(), 0775}, std::pair{journal, 0664}})
            QVERIFY(::chown(QFile::encodeName(path), uid_t(-1), group) == 0 &&
                    ::chmod(QFile::encodeName(path), mode_t(mode)) == 0);

        program.fill(Sample);
        QVERIFY(program.saveOver());
        struct stat saved, backups;
        QVERIFY(::stat(QFile::encodeName(journal), &saved) == 0 &&
                ::stat(QFile::encodeName(program.folder.file(QStringLiteral("Backup"))),
                       &backups) == 0);
        QCOMPARE(std::pair(saved.st_gid, saved.st_mode & 07777), std::pair(group, mode_t(0664)));
        QCOMPARE(std::pair(backups.st_gid, backups.st_mode & 07777),
                 std::pair(group, mode_t(0775)));
        QVERIFY(!program.folder.exists(killed));
        QVERIFY(program.folder.exists(running));
        for (const QString& name : usersOwn)
            QVERIFY2(program.folder.exists(name), qPrintable(name));
    }

    // The journal opened is held by a mark beside it. A mark whose process has ended is taken
    // over without a word; one of a running process (another copy of the program) is told, with
    // who and since when, and the journal opens all the same.
    void holdsTheJournalOrSaysWhoDoes() {
        const auto processId = [](const QString& program, bool wait) {
            auto process = std::make_unique<QProcess>();
            process->start(program, {QStringLiteral("30")});
            process->waitForStarted();
            const qint64 pid = process->processId();
            if (wait)
                process->waitForFinished();
            return std::pair{pid, std::move(process)};
        };
        const auto markOf = [](qint64 pid) {
            return QStringLiteral("Мария,%1,%2,2026-12-07T08:00:00,other\n")
                .arg(QSysInfo::machineHostName())
                .arg(pid)
                .toUtf8();
        };
        const QString markName = QStringLiteral(".~lock.thisyear.csv#");
        Program program;
        program.folder.write(ThisYear, journalFile(Sample));
        const auto [endedPid, ended] = processId(QStringLiteral("true"), true);
        program.folder.write(markName, markOf(endedPid));
        program.open();
        QVERIFY(program.prompter.messages.isEmpty());
        QVERIFY(program.folder.read(markName).contains(
            QByteArray(',' + QByteArray::number(QCoreApplication::applicationPid()) + ',')));

        auto [runningPid, running] = processId(QStringLiteral("sleep"), false);
        Program other(program.folder.path());
        program.openArchive(QStringLiteral("2009")); // lets thisyear.csv go
        program.folder.write(markName, markOf(runningPid));
        other.open();
        QCOMPARE(other.prompter.messages.size(), 1);
        QVERIFY2(other.prompter.messages[0].contains(
                     QStringLiteral("открыт и у другого пользователя: Мария, компьютер ")),
                 qPrintable(other.prompter.messages[0]));
        QCOMPARE(dataRows(other.grid), SampleWithBlockDates);
        running->kill();
        running->waitForFinished();
    }

    // A copy into the archive leaves this year's register the journal held and watched: its
    // mark stays, and a change another user makes to it is still found (and merged) by a save.
    void aCopyLeavesTheJournalOnScreenHeldAndWatched() {
        Program program;
        program.folder.write(ThisYear, journalFile(Sample));
        program.open();
        program.prompter.answers << QStringLiteral("копия");
        program.saveAs();
        QVERIFY(program.folder.exists(QStringLiteral(".~lock.thisyear.csv#")));
        QVERIFY(!program.folder.exists(QStringLiteral("Archive/.~lock.КОПИЯ.csv#")));
        program.folder.write(ThisYear, journalFile(rows("Чужая правка")));
        QVERIFY(foundToMerge(program.files.saveCurrent()));
        QCOMPARE(program.thisYear(), journalFile(rows("Чужая правка")));
        program.prompter.answers << QStringLiteral("копия");
        program.prompter.questionAnswers << true;
        program.saveAs();
        QCOMPARE(program.folder.read(QStringLiteral("Archive/КОПИЯ.csv")),
                 core::writeJournal(program.grid.dataRows()));
    }

    // Nothing is read or written, and the grid stays as it was.
    void refusesNamesOutsideTheArchive() {
        Program program;
        program.folder.write(QStringLiteral("Archive/2009.csv"), journalFile(Sample));
        program.fill({{QStringLiteral("on screen")}});
        const QStringList before = filesBelow(program.folder.path());
        for (const char* name : {"../x", "a/b", "a\\b", "a:b", "a*", "a?", "a\"b", "<a", "a>",
                                 "a|b", "a\tb", ".", "..", "101 characters", "80 bytes over"}) {
            // 80 "№" are 240 bytes: the archive would fit, its backups not.
            const QString answer = name[0] == '1'   ? QString(101, u'я')
                                   : name[0] == '8' ? QString(80, u'№')
                                                    : QString::fromLatin1(name);
            program.prompter.answers << answer;
            program.saveAs();
            program.openArchive(answer);
            const QString refusal =
                QStringLiteral("Недопустимое имя файла «%1».").arg(answer.toUpper());
            const QStringList& messages = program.prompter.messages;
            QVERIFY2(messages.size() == 2 && messages[0].startsWith(refusal) &&
                         messages[1] == messages[0],
                     name);
            program.prompter.messages.clear();
        }
        QCOMPARE(filesBelow(program.folder.path()), before);
        QCOMPARE(dataRows(program.grid), Rows{{QStringLiteral("on screen")}});

        program.prompter.answers << QString(100, u'я');
        program.saveAs(); // 100 characters are allowed
        QVERIFY(program.folder.exists(QStringLiteral("Archive/") + QString(100, u'Я') +
                                      QStringLiteral(".csv")));
    }

    void refusesCellsTheFileCannotHold_data() {
        QTest::addColumn<QString>("text");
        QTest::newRow(";") << QStringLiteral("a;b");
        QTest::newRow("LF") << QStringLiteral("a\nb");
        QTest::newRow("CR") << QStringLiteral("a\rb");
        QTest::newRow("NUL") << QStringLiteral("a") + QChar(0);
        QTest::newRow("no Windows-1251 byte") << QStringLiteral("Ωmega");
    }

    void refusesCellsTheFileCannotHold() {
        QFETCH(QString, text);
        Program program;
        program.folder.write(ThisYear, "before;\r\n");
        program.fill(Sample);
        program.grid.setColumnCount(9);
        program.grid.setCaption(1, text); // the header row is not written, nor checked
        program.grid.setText(0, 8, text); // nor are columns past 7
        program.grid.setText(1, core::Mechanic, text);

        QVERIFY(!program.save());
        QCOMPARE(program.prompter.messages.size(), 1);
        const QString& message = program.prompter.messages[0];
        QVERIFY2(message.contains(QStringLiteral("строке 2, колонке 8 («Механик»)")),
                 qPrintable(message));
        QVERIFY(message.contains(program.folder.file(ThisYear)));
        QCOMPARE(program.thisYear(), QByteArray("before;\r\n"));
        QVERIFY(!program.folder.exists(QStringLiteral("Backup")));

        // A line longer than the reader takes is not written either.
        program.fill({{}, {QString(core::MaxLineLength + 1, u'x')}});
        QVERIFY(!program.save());
        QVERIFY(program.prompter.messages.last().contains(QStringLiteral("строка 2 длиннее")));
    }
};

QTEST_GUILESS_MAIN(TestJournalFiles)
#include "tst_journalfiles.moc"
