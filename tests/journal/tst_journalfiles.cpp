#include "journal/journalfixture.h"
#include "journal/journalformat.h"
#include "journal/journalpaths.h"

#include <QDir>
#include <QDirIterator>
#include <QGuiApplication>
#include <QTest>
#include <sys/mount.h>

using namespace journaltest;
using Files = QList<std::pair<QString, QByteArray>>;

namespace {

const QString ThisYearMissing = QStringLiteral("Не могу найти thisyear.csv.");
const QString YearMissing = QStringLiteral("Не могу найти  указанный год.");
const QString ArchivePrompt = QStringLiteral("Введите год (или другое имя файла)");

QStringList row(const QString& owner, const QString& activation = {}, const QString& block = {}) {
    return QStringList{owner,
                       QStringLiteral("ЭКР"),
                       QStringLiteral("17"),
                       QStringLiteral("А12"),
                       QStringLiteral("Б34"),
                       activation,
                       block,
                       QStringLiteral("Иванов")};
}

QStringList entriesBelow(const QString& folder) {
    QStringList entries;
    QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        entries << QDir(folder).relativeFilePath(it.next());
    entries.sort();
    return entries;
}

const Rows Sample{
    row(QStringLiteral("ООО Ромашка"), QStringLiteral("15.03.2009"), QStringLiteral("01.05.2010")),
    row(QStringLiteral("ИП Соколов"), QStringLiteral("31.01.2009"), QStringLiteral("01.01.2000"))};
const Rows SampleWithBlockDates{
    Sample[0],
    row(QStringLiteral("ИП Соколов"), QStringLiteral("31.01.2009"), QStringLiteral("01.04.2010"))};

// A tmpfs of the given size mounted over a folder: a disk that fills up.
class TinyDisk {
public:
    TinyDisk(const QString& path, int kilobytes) : path_(QFile::encodeName(path)) {
        QDir().mkpath(path);
        const QByteArray size = "size=" + QByteArray::number(kilobytes) + 'k';
        mounted_ = ::mount("tmpfs", path_.constData(), "tmpfs", 0, size.constData()) == 0;
    }
    ~TinyDisk() {
        if (mounted_)
            ::umount2(path_.constData(), MNT_DETACH);
    }
    const bool& mounted() const { return mounted_; }

private:
    QByteArray path_;
    bool mounted_ = false;
};

} // namespace

class TestJournalFiles : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void opensThisYearWithBlockDates();
    void openingCases_data();
    void openingCases();
    void savesThisYearAndArchives();
    void savedJournalsReopenByteForByte_data();
    void savedJournalsReopenByteForByte();
    void reportsSavesThatFail_data();
    void reportsSavesThatFail();
    void aFullDiskLeavesTheFileWhole();
    void keepsTheReplacedVersionsInBackup();
    void refusesNamesOutsideTheArchive_data();
    void refusesNamesOutsideTheArchive();
    void refusesCellsTheFileCannotHold_data();
    void refusesCellsTheFileCannotHold();
};

void TestJournalFiles::opensThisYearWithBlockDates() {
    Program program;
    program.fill(padded({{QStringLiteral("old")}}, 11));
    program.headerFormat.clear();
    program.folder.write(QStringLiteral("thisyear.csv"), journalFile(Sample));
    QList<Qt::CursorShape> pointerWhileFilling;
    connect(&program.grid, &GridModel::modelReset, this, [&] {
        const QCursor* cursor = QGuiApplication::overrideCursor();
        pointerWhileFilling << (cursor ? cursor->shape() : Qt::ArrowCursor);
    });

    program.files.loadgrid(program.headerFormat);
    QCOMPARE(program.headerFormat, journal::headerFormat());
    QCOMPARE(program.grid.textMatrix(0, 0), QStringLiteral("Владелец           "));
    QCOMPARE(dataRows(program.grid), SampleWithBlockDates);
    QVERIFY(program.prompter.messages.isEmpty());
    QVERIFY(!pointerWhileFilling.isEmpty());
    QCOMPARE(pointerWhileFilling.count(Qt::WaitCursor), pointerWhileFilling.size());
    QCOMPARE(QGuiApplication::overrideCursor(), nullptr);

    program.files.loadgrid(program.headerFormat); // nothing accumulates
    QCOMPARE(dataRows(program.grid), SampleWithBlockDates);
}

void TestJournalFiles::openingCases_data() {
    QTest::addColumn<bool>("archive");
    QTest::addColumn<Files>("files");
    QTest::addColumn<QString>("answer");
    QTest::addColumn<QString>("message");
    QTest::addColumn<Rows>("rows"); // data rows afterwards

    const QByteArray tooLong = "a;\r\n" + QByteArray(journal::MaxLineLength + 1, 'x') + "\r\nb;";
    const Rows reset{{}};
    const Rows partial{{QStringLiteral("a")}, {}};
    const std::pair<QString, QByteArray> file2009{QStringLiteral("Archive/2009.csv"),
                                                  journalFile(Sample)};
    const QString thisYear = QStringLiteral("thisyear.csv");

    QTest::newRow("thisyear.csv missing") << false << Files{} << QString() << QString() << reset;
    QTest::newRow("thisyear.csv of 0 bytes")
        << false << Files{{thisYear, {}}} << QString() << QString() << Rows{};
    QTest::newRow("thisyear.csv a folder")
        << false << Files{{thisYear + QStringLiteral("/x"), "x;"}} << QString() << QString()
        << reset;
    QTest::newRow("thisyear.csv unreadable")
        << false << Files{{thisYear, tooLong}} << QString() << ThisYearMissing << partial;
    // An archive opens as stored: no block dates are computed.
    QTest::newRow("archive 2009") << true << Files{file2009} << QStringLiteral("2009") << QString()
                                  << Sample;
    QTest::newRow("answer in upper case")
        << true << Files{{QStringLiteral("Archive/АРХИВ ЁЛКИ.csv"), journalFile(Sample)}}
        << QStringLiteral("архив ёлки") << QString() << Sample;
    QTest::newRow("leading blank kept")
        << true << Files{{QStringLiteral("Archive/ 2009.csv"), journalFile(Sample)}, file2009}
        << QStringLiteral(" 2009") << QString() << Sample;
    QTest::newRow("answer cancelled")
        << true << Files{file2009} << QString() << QString() << Rows{{QStringLiteral("on screen")}};
    QTest::newRow("Archive missing")
        << true << Files{} << QStringLiteral("2009") << QString() << reset;
    QTest::newRow("Archive without ordinary files")
        << true
        << Files{{QStringLiteral("Archive/.hidden.csv"), "x;"},
                 {QStringLiteral("Archive/2009.csv/x"), "x;"}}
        << QStringLiteral("2009") << QString() << reset;
    QTest::newRow("archive file missing")
        << true << Files{file2009} << QStringLiteral("2008") << YearMissing << reset;
    QTest::newRow("archive file a folder")
        << true << Files{{QStringLiteral("Archive/2008.csv/x"), "x;"}, file2009}
        << QStringLiteral("2008") << YearMissing << reset;
    QTest::newRow("archive file unreadable")
        << true << Files{{QStringLiteral("Archive/2009.csv"), tooLong}} << QStringLiteral("2009")
        << YearMissing << partial;
}

void TestJournalFiles::openingCases() {
    QFETCH(bool, archive);
    QFETCH(Files, files);
    QFETCH(QString, answer);
    QFETCH(QString, message);
    QFETCH(Rows, rows);
    Program program;
    program.fill({{QStringLiteral("on screen")}});
    for (const auto& [name, bytes] : files)
        program.folder.write(name, bytes);
    program.prompter.answers << answer;

    if (archive)
        program.files.loadgridarch(program.headerFormat);
    else
        program.files.loadgrid(program.headerFormat);

    QCOMPARE(program.prompter.messages, message.isEmpty() ? QStringList() : QStringList{message});
    QCOMPARE(program.prompter.prompts, archive ? QStringList{ArchivePrompt} : QStringList());
    QCOMPARE(program.prompter.titles, program.prompter.prompts);
    QCOMPARE(dataRows(program.grid), padded(rows));
    QCOMPARE(QGuiApplication::overrideCursor(), nullptr);
}

void TestJournalFiles::savesThisYearAndArchives() {
    Program program;
    program.fill(Sample);
    QVERIFY(program.files.SaveGridn());
    QCOMPARE(program.thisYear(), journalFile(Sample));
    QCOMPARE(program.grid.row(), 2); // the current cell ends on the last cell written
    QCOMPARE(program.grid.col(), 7);

    program.prompter.answers << QString() << QStringLiteral("архив");
    program.files.SaveAsGridn(); // cancelled
    QVERIFY(!program.folder.exists(QStringLiteral("Archive")));
    program.files.SaveAsGridn();
    const QString prompt = QStringLiteral("Введите имя файла");
    QCOMPARE(program.prompter.prompts, (QStringList{prompt, prompt}));
    QCOMPARE(program.prompter.titles, program.prompter.prompts);
    QCOMPARE(program.folder.read(QStringLiteral("Archive/АРХИВ.csv")), journalFile(Sample));

    // "Сохранить изменения" after "Загрузить архив" writes the archive's rows to thisyear.csv.
    const Rows archived{row(QStringLiteral("ООО Заря"))};
    program.folder.write(QStringLiteral("Archive/2009.csv"), journalFile(archived));
    program.prompter.answers << QStringLiteral("2009");
    program.files.loadgridarch(program.headerFormat);
    QVERIFY(program.files.SaveGridn());
    QCOMPARE(program.thisYear(), journalFile(archived));

    program.grid.setRows(1);
    QVERIFY(program.files.SaveGridn());
    QCOMPARE(program.thisYear(), QByteArray());
    QVERIFY(program.prompter.messages.isEmpty());
}

void TestJournalFiles::savedJournalsReopenByteForByte_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QByteArray>("saved");
    QByteArray unixEnds = journalFile(SampleWithBlockDates);
    unixEnds.replace("\r\n", "\n");
    QTest::newRow("LF line ends") << QStringLiteral("thisyear.csv") << unixEnds
                                  << journalFile(SampleWithBlockDates);
    for (const QString& name :
         {QStringLiteral("thisyear.csv"), QStringLiteral("Archive/2009.csv")}) {
        QFile sample(QFINDTESTDATA(QStringLiteral("../../../shared/samples/") + name));
        if (sample.open(QIODevice::ReadOnly)) {
            const QByteArray bytes = sample.readAll();
            QTest::newRow(qPrintable(name)) << name << bytes << bytes;
        }
    }
}

void TestJournalFiles::savedJournalsReopenByteForByte() {
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);
    QFETCH(QByteArray, saved);
    Program program;
    program.folder.write(name, bytes);
    const bool archive = name.startsWith(QStringLiteral("Archive/"));
    program.prompter.answers << QStringLiteral("2009") << QStringLiteral("2009");
    if (archive)
        program.files.loadgridarch(program.headerFormat);
    else
        program.files.loadgrid(program.headerFormat);
    QCOMPARE(program.grid.rows(), saved.count('\n') + 1);
    QCOMPARE(program.grid.cols(), journal::FileColumns);

    if (archive)
        program.files.SaveAsGridn();
    else
        QVERIFY(program.files.SaveGridn());
    QCOMPARE(program.folder.read(name), saved);
    QCOMPARE(program.folder.exists(QStringLiteral("Backup")), saved != bytes);
    QVERIFY(program.prompter.messages.isEmpty());
}

void TestJournalFiles::reportsSavesThatFail_data() {
    QTest::addColumn<QString>("blocker"); // a file where a folder should be, or the reverse
    QTest::addColumn<QString>("programFolder");
    QTest::addColumn<QString>("target");
    QTest::newRow("program folder is a file")
        << QStringLiteral("program") << QStringLiteral("program")
        << QStringLiteral("program/thisyear.csv");
    QTest::newRow("program folder missing")
        << QString() << QStringLiteral("gone") << QStringLiteral("gone/thisyear.csv");
    // "Сохранить как" makes the Archive folder, never the program folder around it.
    QTest::newRow("program folder missing, archive")
        << QString() << QStringLiteral("gone") << QStringLiteral("gone/Archive/2009.csv");
    QTest::newRow("thisyear.csv is a folder")
        << QStringLiteral("thisyear.csv/keep") << QString() << QStringLiteral("thisyear.csv");
    QTest::newRow("Archive is a file")
        << QStringLiteral("Archive") << QString() << QStringLiteral("Archive/2009.csv");
    QTest::newRow("Backup is a file")
        << QStringLiteral("Backup") << QString() << QStringLiteral("thisyear.csv");
}

// One message, the old files as they were, nothing left behind, and once the obstacle is gone
// the same save goes through.
void TestJournalFiles::reportsSavesThatFail() {
    QFETCH(QString, blocker);
    QFETCH(QString, programFolder);
    QFETCH(QString, target);
    TempFolder outer;
    if (!blocker.isEmpty())
        outer.write(blocker, "keep");
    outer.write(QStringLiteral("thisyear.csv.old"), "before;\r\n");
    QFile::copy(outer.file(QStringLiteral("thisyear.csv.old")),
                outer.file(QStringLiteral("thisyear.csv"))); // fails where it is a folder
    const QStringList entriesBefore = entriesBelow(outer.path());
    Program program(outer.file(programFolder.isEmpty() ? QStringLiteral(".") : programFolder));
    program.fill(Sample);
    const bool archive = target.contains(QStringLiteral("Archive/"));
    const auto save = [&] {
        if (!archive)
            return program.files.SaveGridn();
        program.prompter.answers << QStringLiteral("2009");
        program.files.SaveAsGridn();
        return program.prompter.messages.isEmpty();
    };

    QVERIFY(!save());
    QCOMPARE(program.prompter.messages.size(), 1);
    QVERIFY2(QDir::cleanPath(program.prompter.messages[0]).contains(outer.file(target)),
             qPrintable(program.prompter.messages[0]));
    if (!blocker.isEmpty())
        QCOMPARE(outer.read(blocker), QByteArray("keep"));
    if (!blocker.startsWith(QStringLiteral("thisyear.csv")))
        QCOMPARE(outer.read(QStringLiteral("thisyear.csv")), QByteArray("before;\r\n"));
    QCOMPARE(entriesBelow(outer.path()), entriesBefore);

    if (!blocker.isEmpty()) {
        const QString obstacle = outer.file(blocker.section(u'/', 0, 0));
        QVERIFY(QFile::remove(obstacle) || QDir(obstacle).removeRecursively());
    }
    QVERIFY(QDir().mkpath(outer.file(programFolder)));
    program.prompter.messages.clear();
    QVERIFY(save());
    QCOMPARE(outer.read(target), journalFile(Sample));
}

void TestJournalFiles::aFullDiskLeavesTheFileWhole() {
    Program program;
    const QString disk = program.folder.file(QStringLiteral("disk"));
    TinyDisk tinyDisk(disk, 64);
    if (!tinyDisk.mounted())
        QSKIP("mounting a tmpfs needs root and CAP_SYS_ADMIN");
    JournalFiles files(program.grid, program.prompter, disk);
    const QString thisYear = QStringLiteral("disk/thisyear.csv");
    const QByteArray old = journalFile(Rows(2000, row(QStringLiteral("old")))).left(40 * 1024);

    // 20 kB on a 64 kB disk: 80 kB of new rows do not fit.
    program.folder.write(thisYear, old.left(20 * 1024));
    program.fill(Rows(600, row(QString(100, u'n'))));
    QVERIFY(!files.SaveGridn());
    QCOMPARE(
        program.prompter.messages,
        QStringList{
            QStringLiteral("Не удалось сохранить файл %1.").arg(program.folder.file(thisYear))});
    QCOMPARE(program.folder.read(thisYear), old.left(20 * 1024));
    // Neither a temporary file nor a backup of the unchanged file is left over.
    QCOMPARE(entriesBelow(disk),
             (QStringList{QStringLiteral("Backup"), QStringLiteral("thisyear.csv")}));

    // "Сохранить как" onto the full disk fails alike and leaves no part of a file behind.
    program.prompter.answers << QStringLiteral("2009");
    files.SaveAsGridn();
    QCOMPARE(program.prompter.messages.size(), 2);
    QVERIFY2(program.prompter.messages[1].contains(disk + QStringLiteral("/Archive/2009.csv")),
             qPrintable(program.prompter.messages[1]));
    QCOMPARE(entriesBelow(disk), (QStringList{QStringLiteral("Archive"), QStringLiteral("Backup"),
                                              QStringLiteral("thisyear.csv")}));

    // The program goes on: a register that fits is saved.
    program.fill(Sample);
    QVERIFY(files.SaveGridn());
    QCOMPARE(program.folder.read(thisYear), journalFile(Sample));
    program.prompter.messages.clear();

    // Backups on a disk of their own are copied: the first fits, the second does not.
    TinyDisk backupDisk(disk + QStringLiteral("/Backup"), 48);
    QVERIFY(backupDisk.mounted());
    program.folder.write(thisYear, old);
    program.fill(Sample);
    QVERIFY(files.SaveGridn());
    const QStringList copies = entriesBelow(disk + QStringLiteral("/Backup"));
    QCOMPARE(copies.size(), 1);
    QCOMPARE(program.folder.read(QStringLiteral("disk/Backup/") + copies[0]), old);

    program.folder.write(thisYear, old);
    QVERIFY(!files.SaveGridn());
    QCOMPARE(program.prompter.messages.size(), 1);
    QVERIFY(program.prompter.messages[0].contains(disk + QStringLiteral("/Backup")));
    QCOMPARE(program.folder.read(thisYear), old);
}

void TestJournalFiles::keepsTheReplacedVersionsInBackup() {
    Program program;
    program.fill(Sample);
    QVERIFY(program.files.SaveGridn());
    QVERIFY(program.files.SaveGridn()); // unchanged: nothing to keep
    QVERIFY(!program.folder.exists(QStringLiteral("Backup")));

    QList<QByteArray> versions{program.thisYear()};
    for (int save = 1; save <= 25; ++save) {
        program.grid.setTextMatrix(1, journal::Mechanic, QStringLiteral("версия %1").arg(save));
        QVERIFY(program.files.SaveGridn());
        versions << program.thisYear();
    }
    const QStringList backups = QDir(program.folder.file(QStringLiteral("Backup")))
                                    .entryList(QDir::Files, QDir::Name | QDir::Reversed);
    QCOMPARE(backups.size(), 20);
    // The newest backup, stamped at the 25th change, holds the version before it.
    QCOMPARE(backups.first(), QStringLiteral("thisyear_20240301-140533-120.csv"));
    QCOMPARE(backups.last(), QStringLiteral("thisyear_20240301-140514-120.csv"));
    for (int i = 0; i < backups.size(); ++i)
        QCOMPARE(program.folder.read(QStringLiteral("Backup/") + backups[i]), versions[24 - i]);

    // Overwriting an archive keeps the archive's version, under the archive's name; a second
    // backup in the same millisecond gets a number.
    program.folder.write(QStringLiteral("Archive/2009.csv"), "old archive;\r\n");
    JournalFiles stoppedClock(program.grid, program.prompter, program.folder.path(),
                              [&] { return program.firstStamp; });
    program.prompter.answers << QStringLiteral("2009") << QStringLiteral("2009");
    stoppedClock.SaveAsGridn();
    program.grid.setTextMatrix(1, 0, QStringLiteral("changed"));
    stoppedClock.SaveAsGridn();
    QCOMPARE(program.folder.read(QStringLiteral("Backup/2009_20240301-140509-120.csv")),
             QByteArray("old archive;\r\n"));
    QCOMPARE(program.folder.read(QStringLiteral("Backup/2009_20240301-140509-120-2.csv")),
             versions.last());
    QVERIFY(program.prompter.messages.isEmpty());
}

void TestJournalFiles::refusesNamesOutsideTheArchive_data() {
    QTest::addColumn<QString>("answer");
    for (const char* name :
         {"../x", "a/b", "a\\b", "a:b", "a*", "a?", "a\"b", "<a", "a>", "a|b", "a\tb", ".", ".."})
        QTest::newRow(name) << QString::fromLatin1(name);
    QTest::newRow("NUL") << QStringLiteral("a") + QChar(0) + QStringLiteral("b");
    QTest::newRow("101 characters") << QString(101, u'я');
}

void TestJournalFiles::refusesNamesOutsideTheArchive() {
    QFETCH(QString, answer);
    Program program;
    program.folder.write(QStringLiteral("Archive/2009.csv"), journalFile(Sample));
    program.fill({{QStringLiteral("on screen")}});
    const QStringList before = entriesBelow(program.folder.path());
    program.prompter.answers << answer << answer << QString(100, u'я');

    program.files.SaveAsGridn();
    program.files.loadgridarch(program.headerFormat);
    const QString refusal = *journal::archiveNameRefusal(answer.toUpper());
    QVERIFY(refusal.contains(answer.toUpper()));
    QCOMPARE(program.prompter.messages, (QStringList{refusal, refusal}));
    QCOMPARE(entriesBelow(program.folder.path()), before);
    QCOMPARE(dataRows(program.grid), padded({{QStringLiteral("on screen")}}));

    program.files.SaveAsGridn(); // 100 characters are allowed
    QVERIFY(program.folder.exists(QStringLiteral("Archive/") + QString(100, u'Я') +
                                  QStringLiteral(".csv")));
}

void TestJournalFiles::refusesCellsTheFileCannotHold_data() {
    QTest::addColumn<QString>("text");
    QTest::newRow(";") << QStringLiteral("a;b");
    QTest::newRow("LF") << QStringLiteral("a\nb");
    QTest::newRow("CR") << QStringLiteral("a\rb");
    QTest::newRow("no Windows-1251 byte") << QStringLiteral("Ωmega");
}

void TestJournalFiles::refusesCellsTheFileCannotHold() {
    QFETCH(QString, text);
    Program program;
    program.folder.write(QStringLiteral("thisyear.csv"), "before;\r\n");
    program.fill(Sample);
    program.grid.setCols(9);
    program.grid.setTextMatrix(1, 8, text); // past column 7: not written, not checked
    program.grid.setTextMatrix(2, journal::Mechanic, text);

    QVERIFY(!program.files.SaveGridn());
    QCOMPARE(program.prompter.messages.size(), 1);
    const QString& message = program.prompter.messages[0];
    QVERIFY2(message.contains(QStringLiteral("строке 2, колонке 8 («Механик»)")),
             qPrintable(message));
    QVERIFY(message.contains(program.folder.file(QStringLiteral("thisyear.csv"))));
    QCOMPARE(program.thisYear(), QByteArray("before;\r\n"));
    QVERIFY(!program.folder.exists(QStringLiteral("Backup")));

    // A line the reader would refuse is not written either.
    program.grid.setTextMatrix(2, journal::Mechanic, QString(journal::MaxLineLength, u'x'));
    QVERIFY(!program.files.SaveGridn());
    QVERIFY(program.prompter.messages.last().contains(QStringLiteral("строка 2")));
    QCOMPARE(program.thisYear(), QByteArray("before;\r\n"));
}

QTEST_MAIN(TestJournalFiles)
#include "tst_journalfiles.moc"
