#include "app/gridmodel.h"
#include "journal/journalcolumns.h"
#include "journal/journalfiles.h"
#include "journal/journalformat.h"
#include "journal/journalpaths.h"
#include "support/scriptedprompter.h"
#include "support/tempfolder.h"

#include <QDir>
#include <QGuiApplication>
#include <QTest>
#include <sys/mount.h>
#include <unistd.h>

using Rows = QList<QStringList>;
using Files = QList<std::pair<QString, QByteArray>>;

namespace {

const QString ThisYearMissing = QStringLiteral("Не могу найти thisyear.csv.");
const QString YearMissing = QStringLiteral("Не могу найти  указанный год.");
const QString ArchivePrompt = QStringLiteral("Введите год (или другое имя файла)");
const QString SaveAsPrompt = QStringLiteral("Введите имя файла");

QStringList row(const QString& owner, const QString& activation = {}, const QString& block = {}) {
    return {owner,
            QStringLiteral("ЭКР"),
            QStringLiteral("17"),
            QStringLiteral("А12"),
            QStringLiteral("Б34"),
            activation,
            block,
            QStringLiteral("Иванов")};
}

// A journal file as the program writes it, built here cell by cell.
QByteArray journalFile(const Rows& rows) {
    QByteArray bytes;
    for (const QStringList& cells : rows) {
        for (int c = 0; c < journal::FileColumns; ++c)
            bytes += cp1251(c < cells.size() ? cells[c] : QString()) + ';';
        bytes += "\r\n";
    }
    return bytes;
}

Rows dataRows(const GridModel& grid) {
    Rows rows;
    for (int r = 1; r < grid.rows(); ++r) {
        QStringList cells;
        for (int c = 0; c < grid.cols(); ++c)
            cells << grid.textMatrix(r, c);
        rows << cells;
    }
    return rows;
}

Rows padded(Rows rows, int cols = journal::FileColumns) {
    for (QStringList& cells : rows)
        while (cells.size() < cols)
            cells << QString();
    return rows;
}

QStringList entriesBelow(const QString& folder) {
    QStringList entries;
    const QDir dir(folder);
    for (const QFileInfo& info :
         dir.entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name)) {
        entries << info.fileName();
        if (info.isDir())
            for (const QString& inner : entriesBelow(info.filePath()))
                entries << info.fileName() + QLatin1Char('/') + inner;
    }
    return entries;
}

const Rows Sample{
    row(QStringLiteral("ООО Ромашка"), QStringLiteral("15.03.2009"), QStringLiteral("01.05.2010")),
    row(QStringLiteral("ИП Соколов"), QStringLiteral("31.01.2009"), QStringLiteral("01.01.2000"))};
const Rows SampleWithBlockDates{
    Sample[0],
    row(QStringLiteral("ИП Соколов"), QStringLiteral("31.01.2009"), QStringLiteral("01.04.2010"))};

// A program folder with its grid, prompts and journal operations; backups are stamped from
// 01.03.2024 14:05:09.120 on, one second later at every save.
struct Program {
    explicit Program(const QString& folderOverride = {})
        : files(grid, prompter, folderOverride.isEmpty() ? folder.path() : folderOverride,
                [this] { return firstStamp.addSecs(saves++); }) {
        headerFormat = journal::headerFormat();
        grid.setFormatString(headerFormat);
    }

    QString backup(const QString& name) const { return QStringLiteral("Backup/") + name; }
    void fill(const Rows& rows) {
        grid.setRows(int(rows.size()) + 1);
        for (const QStringList& cells : rows)
            grid.setCols(std::max(grid.cols(), int(cells.size())));
        for (int r = 0; r < rows.size(); ++r)
            for (int c = 0; c < rows[r].size(); ++c)
                grid.setTextMatrix(r + 1, c, rows[r][c]);
    }

    TempFolder folder;
    GridModel grid;
    ScriptedPrompter prompter;
    QString headerFormat;
    QDateTime firstStamp{QDate(2024, 3, 1), QTime(14, 5, 9, 120)};
    int saves = 0;
    JournalFiles files;
};

// A tmpfs of the given size mounted over a folder, for saves onto a full disk.
class TinyDisk {
public:
    TinyDisk(const QString& path, int kilobytes) : path_(path.toLocal8Bit()) {
        QDir().mkpath(path);
        const QByteArray options = "size=" + QByteArray::number(kilobytes) + 'k';
        mounted_ = ::mount("tmpfs", path_.constData(), "tmpfs", 0, options.constData()) == 0;
    }
    ~TinyDisk() {
        if (mounted_)
            ::umount2(path_.constData(), MNT_DETACH);
    }
    bool mounted() const { return mounted_; }

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
    void savedSamplesReopenByteForByte_data();
    void savedSamplesReopenByteForByte();
    void savingAFileWithForeignLineEndsKeepsItsRows();
    void reportsSavesThatFail_data();
    void reportsSavesThatFail();
    void aFullDiskLeavesTheFileWhole();
    void keepsTheReplacedVersionsInBackup();
    void aFailedBackupStopsTheSave();
    void refusesNamesOutsideTheArchive_data();
    void refusesNamesOutsideTheArchive();
    void refusesCellsTheFileCannotHold_data();
    void refusesCellsTheFileCannotHold();
    void storesAnOpenEditBeforeWriting();
};

void TestJournalFiles::opensThisYearWithBlockDates() {
    Program program;
    program.fill(padded({{QStringLiteral("old"), {}, {}, {}, {}, {}, {}, {}, {}, {}, {}}}, 11));
    program.headerFormat.clear();
    program.folder.write(QStringLiteral("thisyear.csv"), journalFile(Sample));
    QList<Qt::CursorShape> pointerWhileFilling;
    connect(&program.grid, &GridModel::modelReset, this, [&] {
        const QCursor* cursor = QGuiApplication::overrideCursor();
        pointerWhileFilling << (cursor ? cursor->shape() : Qt::ArrowCursor);
    });

    program.files.loadgrid(program.headerFormat);
    QCOMPARE(program.headerFormat, journal::headerFormat());
    QCOMPARE(program.grid.textMatrix(0, journal::Owner), QStringLiteral("Владелец           "));
    QCOMPARE(dataRows(program.grid), SampleWithBlockDates);
    QVERIFY(program.prompter.messages.isEmpty());
    QVERIFY(!pointerWhileFilling.isEmpty());
    QVERIFY(std::all_of(pointerWhileFilling.begin(), pointerWhileFilling.end(),
                        [](Qt::CursorShape shape) { return shape == Qt::WaitCursor; }));
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

    const QByteArray tooLong =
        "a;\r\n" + QByteArray(journal::MaxLineLength + 1, 'x') + "\r\nb;\r\n";
    const Rows resetRows{{}};
    const Rows untouched{{QStringLiteral("on screen")}};
    const std::pair<QString, QByteArray> file2009{QStringLiteral("Archive/2009.csv"),
                                                  journalFile(Sample)};
    const Files archive2009{file2009};

    QTest::newRow("thisyear.csv missing")
        << false << Files{} << QString() << QString() << resetRows;
    QTest::newRow("thisyear.csv of 0 bytes")
        << false << Files{{QStringLiteral("thisyear.csv"), {}}} << QString() << QString() << Rows{};
    QTest::newRow("thisyear.csv a folder")
        << false << Files{{QStringLiteral("thisyear.csv/x"), "x;\r\n"}} << QString() << QString()
        << resetRows;
    QTest::newRow("thisyear.csv unreadable")
        << false << Files{{QStringLiteral("thisyear.csv"), tooLong}} << QString() << ThisYearMissing
        << Rows{{QStringLiteral("a")}, {}};

    QTest::newRow("archive 2009 as stored")
        << true << archive2009 << QStringLiteral("2009") << QString() << Sample;
    QTest::newRow("answer in upper case")
        << true << Files{{QStringLiteral("Archive/АРХИВ ЁЛКИ.csv"), journalFile(Sample)}}
        << QStringLiteral("архив ёлки") << QString() << Sample;
    QTest::newRow("leading blank kept")
        << true << Files{{QStringLiteral("Archive/ 2009.csv"), journalFile(Sample)}, file2009}
        << QStringLiteral(" 2009") << QString() << Sample;
    QTest::newRow("answer cancelled") << true << archive2009 << QString() << QString() << untouched;
    QTest::newRow("Archive missing")
        << true << Files{} << QStringLiteral("2009") << QString() << resetRows;
    QTest::newRow("Archive without ordinary files")
        << true
        << Files{{QStringLiteral("Archive/.hidden.csv"), "x;"},
                 {QStringLiteral("Archive/2009.csv/x"), "x;"}}
        << QStringLiteral("2009") << QString() << resetRows;
    QTest::newRow("archive file missing")
        << true << archive2009 << QStringLiteral("2008") << YearMissing << resetRows;
    QTest::newRow("archive file a folder")
        << true << Files{{QStringLiteral("Archive/2008.csv/x"), "x;"}, file2009}
        << QStringLiteral("2008") << YearMissing << resetRows;
    QTest::newRow("archive file unreadable")
        << true << Files{{QStringLiteral("Archive/2009.csv"), tooLong}} << QStringLiteral("2009")
        << YearMissing << Rows{{QStringLiteral("a")}, {}};
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
    QCOMPARE(program.grid.cols(), journal::FileColumns);
    QCOMPARE(dataRows(program.grid), padded(rows));
    QCOMPARE(QGuiApplication::overrideCursor(), nullptr);
}

void TestJournalFiles::savesThisYearAndArchives() {
    Program program;
    program.fill(Sample);
    QVERIFY(program.files.SaveGridn());
    QCOMPARE(program.folder.read(QStringLiteral("thisyear.csv")), journalFile(Sample));
    QCOMPARE(program.grid.row(), 2);
    QCOMPARE(program.grid.col(), 7);

    program.prompter.answers << QString() << QStringLiteral("архив");
    program.files.SaveAsGridn(); // cancelled
    QVERIFY(!program.folder.exists(QStringLiteral("Archive")));
    program.files.SaveAsGridn();
    QCOMPARE(program.prompter.prompts, (QStringList{SaveAsPrompt, SaveAsPrompt}));
    QCOMPARE(program.prompter.titles, program.prompter.prompts);
    QCOMPARE(program.folder.read(QStringLiteral("Archive/АРХИВ.csv")), journalFile(Sample));

    // "Сохранить изменения" after "Загрузить архив" writes thisyear.csv, with the archive's rows.
    const Rows archived{row(QStringLiteral("ООО Заря"))};
    program.folder.write(QStringLiteral("Archive/2009.csv"), journalFile(archived));
    program.prompter.answers << QStringLiteral("2009");
    program.files.loadgridarch(program.headerFormat);
    QVERIFY(program.files.SaveGridn());
    QCOMPARE(program.folder.read(QStringLiteral("thisyear.csv")), journalFile(archived));

    program.grid.setRows(1);
    QVERIFY(program.files.SaveGridn());
    QCOMPARE(program.folder.read(QStringLiteral("thisyear.csv")), QByteArray());
    QVERIFY(program.prompter.messages.isEmpty());
}

void TestJournalFiles::savedSamplesReopenByteForByte_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("rows");
    QTest::newRow("thisyear.csv") << QStringLiteral("thisyear.csv") << 150;
    QTest::newRow("Archive/2009.csv") << QStringLiteral("Archive/2009.csv") << 60;
}

void TestJournalFiles::savedSamplesReopenByteForByte() {
    QFETCH(QString, name);
    QFETCH(int, rows);
    const QString sample = QFINDTESTDATA(QStringLiteral("../../../shared/samples/") + name);
    if (sample.isEmpty())
        QSKIP("the sample journals are not next to this checkout");
    QFile file(sample);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();

    Program program;
    program.folder.write(name, bytes);
    const bool archive = name.startsWith(QStringLiteral("Archive/"));
    program.prompter.answers << QStringLiteral("2009") << QStringLiteral("2009");
    if (archive)
        program.files.loadgridarch(program.headerFormat);
    else
        program.files.loadgrid(program.headerFormat);
    QCOMPARE(program.grid.rows(), rows + 1);
    QCOMPARE(program.grid.cols(), journal::FileColumns);

    if (archive)
        program.files.SaveAsGridn();
    else
        QVERIFY(program.files.SaveGridn());
    QCOMPARE(program.folder.read(name), bytes);
    QVERIFY(!program.folder.exists(QStringLiteral("Backup"))); // nothing was replaced
    QVERIFY(program.prompter.messages.isEmpty());
}

void TestJournalFiles::savingAFileWithForeignLineEndsKeepsItsRows() {
    Program program;
    QByteArray unixEnds = journalFile(Sample);
    unixEnds.replace("\r\n", "\n");
    program.folder.write(QStringLiteral("thisyear.csv"), unixEnds);
    program.files.loadgrid(program.headerFormat);
    QVERIFY(program.files.SaveGridn());
    QCOMPARE(program.folder.read(QStringLiteral("thisyear.csv")),
             journalFile(SampleWithBlockDates));
}

void TestJournalFiles::reportsSavesThatFail_data() {
    QTest::addColumn<QString>("blocker"); // a regular file where a folder should be
    QTest::addColumn<QString>("programFolder");
    QTest::addColumn<bool>("saveAs");
    QTest::addColumn<QString>("target");

    QTest::newRow("program folder is a file")
        << QStringLiteral("program") << QStringLiteral("program") << false
        << QStringLiteral("program/thisyear.csv");
    QTest::newRow("thisyear.csv is a folder") << QStringLiteral("thisyear.csv/keep") << QString()
                                              << false << QStringLiteral("thisyear.csv");
    QTest::newRow("Archive is a file")
        << QStringLiteral("Archive") << QString() << true << QStringLiteral("Archive/2009.csv");
}

void TestJournalFiles::reportsSavesThatFail() {
    QFETCH(QString, blocker);
    QFETCH(QString, programFolder);
    QFETCH(bool, saveAs);
    QFETCH(QString, target);
    TempFolder outer;
    outer.write(blocker, "keep");
    Program program(outer.file(programFolder.isEmpty() ? QStringLiteral(".") : programFolder));
    program.fill(Sample);
    program.prompter.answers << QStringLiteral("2009");

    if (saveAs)
        program.files.SaveAsGridn();
    else
        QVERIFY(!program.files.SaveGridn());
    const QString path = QDir::cleanPath(outer.file(target));
    QCOMPARE(program.prompter.messages.size(), 1);
    QVERIFY2(QDir::cleanPath(program.prompter.messages[0]).contains(path),
             qPrintable(program.prompter.messages[0]));
    QCOMPARE(outer.read(blocker), QByteArray("keep"));
}

void TestJournalFiles::aFullDiskLeavesTheFileWhole() {
    Program program;
    const QString disk = program.folder.file(QStringLiteral("disk"));
    TinyDisk tinyDisk(disk, 64);
    if (!tinyDisk.mounted())
        QSKIP("mounting a tmpfs needs root and CAP_SYS_ADMIN");
    JournalFiles files(program.grid, program.prompter, disk);

    // 20 kB on a 64 kB disk: 80 kB of new rows do not fit.
    const QByteArray big = journalFile(Rows(2000, row(QStringLiteral("old rows")))).left(40 * 1024);
    program.folder.write(QStringLiteral("disk/thisyear.csv"), big.left(20 * 1024));
    program.fill(Rows(600, row(QString(100, u'n'))));
    QVERIFY(!files.SaveGridn());
    QCOMPARE(program.prompter.messages,
             QStringList{QStringLiteral("Не удалось сохранить файл %1.")
                             .arg(disk + QStringLiteral("/thisyear.csv"))});
    QCOMPARE(program.folder.read(QStringLiteral("disk/thisyear.csv")), big.left(20 * 1024));
    // Neither a temporary file nor a backup of the unchanged file is left over.
    QCOMPARE(entriesBelow(disk),
             (QStringList{QStringLiteral("Backup"), QStringLiteral("thisyear.csv")}));

    // Backups on a disk of their own are copied: the first fits, the second does not.
    TinyDisk backupDisk(disk + QStringLiteral("/Backup"), 48);
    QVERIFY(backupDisk.mounted());
    program.folder.write(QStringLiteral("disk/thisyear.csv"), big);
    program.fill(Sample);
    QVERIFY(files.SaveGridn());
    const QStringList copies = QDir(disk + QStringLiteral("/Backup")).entryList(QDir::Files);
    QCOMPARE(copies.size(), 1);
    QCOMPARE(program.folder.read(QStringLiteral("disk/Backup/") + copies[0]), big);

    program.folder.write(QStringLiteral("disk/thisyear.csv"), big);
    QVERIFY(!files.SaveGridn());
    QCOMPARE(program.prompter.messages.size(), 2);
    QVERIFY(program.prompter.messages[1].contains(disk + QStringLiteral("/Backup")));
    QCOMPARE(program.folder.read(QStringLiteral("disk/thisyear.csv")), big);
}

void TestJournalFiles::keepsTheReplacedVersionsInBackup() {
    Program program;
    program.fill(Sample);
    QVERIFY(program.files.SaveGridn());
    QVERIFY(program.files.SaveGridn()); // unchanged: nothing to keep
    QVERIFY(!program.folder.exists(QStringLiteral("Backup")));

    QList<QByteArray> versions{journalFile(Sample)};
    for (int save = 1; save <= 25; ++save) {
        program.grid.setTextMatrix(1, journal::Mechanic, QStringLiteral("версия %1").arg(save));
        QVERIFY(program.files.SaveGridn());
        versions << program.folder.read(QStringLiteral("thisyear.csv"));
    }
    QCOMPARE(
        program.folder.read(program.backup(QStringLiteral("thisyear_20240301-140509-120.csv"))),
        QByteArray());
    const QStringList backups = QDir(program.folder.file(QStringLiteral("Backup")))
                                    .entryList(QDir::Files, QDir::Name | QDir::Reversed);
    QCOMPARE(backups.size(), 20);
    // The newest backup, stamped at the 25th change, holds the version before it.
    QCOMPARE(backups.first(), QStringLiteral("thisyear_20240301-140533-120.csv"));
    for (int i = 0; i < backups.size(); ++i)
        QCOMPARE(program.folder.read(program.backup(backups[i])), versions[24 - i]);

    // Overwriting an archive keeps the archive's version, under the archive's name.
    program.folder.write(QStringLiteral("Archive/2009.csv"), "old archive;\r\n");
    program.prompter.answers << QStringLiteral("2009");
    program.files.SaveAsGridn();
    QCOMPARE(program.folder.read(program.backup(QStringLiteral("2009_20240301-140534-120.csv"))),
             QByteArray("old archive;\r\n"));
    QVERIFY(program.prompter.messages.isEmpty());
}

void TestJournalFiles::aFailedBackupStopsTheSave() {
    Program program;
    program.folder.write(QStringLiteral("thisyear.csv"), "before;\r\n");
    program.folder.write(QStringLiteral("Backup"), "a file, not a folder");
    program.fill(Sample);
    QVERIFY(!program.files.SaveGridn());
    QCOMPARE(program.prompter.messages.size(), 1);
    QVERIFY(
        program.prompter.messages[0].contains(program.folder.file(QStringLiteral("thisyear.csv"))));
    QCOMPARE(program.folder.read(QStringLiteral("thisyear.csv")), QByteArray("before;\r\n"));

    // A clock that stands still: the second backup of the same moment gets a number.
    JournalFiles stopped(program.grid, program.prompter, program.folder.path(),
                         [&] { return program.firstStamp; });
    QFile::remove(program.folder.file(QStringLiteral("Backup")));
    QVERIFY(stopped.SaveGridn());
    program.grid.setTextMatrix(1, 0, QStringLiteral("changed"));
    QVERIFY(stopped.SaveGridn());
    QCOMPARE(
        program.folder.read(program.backup(QStringLiteral("thisyear_20240301-140509-120.csv"))),
        QByteArray("before;\r\n"));
    QCOMPARE(
        program.folder.read(program.backup(QStringLiteral("thisyear_20240301-140509-120-2.csv"))),
        journalFile(Sample));
}

void TestJournalFiles::refusesNamesOutsideTheArchive_data() {
    QTest::addColumn<QString>("answer");
    QTest::newRow("../x") << QStringLiteral("../x");
    QTest::newRow("a/b") << QStringLiteral("a/b");
    QTest::newRow("a\\b") << QStringLiteral("a\\b");
    for (const QChar c : QStringLiteral(":*?\"<>|"))
        QTest::addRow("a%cb", c.toLatin1()) << QStringLiteral("a") + c + QStringLiteral("b");
    QTest::newRow("tab") << QStringLiteral("a\tb");
    QTest::newRow("NUL") << QStringLiteral("a") + QChar(0) + QStringLiteral("b");
    QTest::newRow(".") << QStringLiteral(".");
    QTest::newRow("..") << QStringLiteral("..");
    QTest::newRow("101 characters") << QString(101, u'я');
}

void TestJournalFiles::refusesNamesOutsideTheArchive() {
    QFETCH(QString, answer);
    Program program;
    program.folder.write(QStringLiteral("Archive/2009.csv"), journalFile(Sample));
    program.fill({{QStringLiteral("on screen")}});
    const QStringList before = entriesBelow(program.folder.path());
    program.prompter.answers << answer << answer;

    program.files.SaveAsGridn();
    program.files.loadgridarch(program.headerFormat);
    const QString refusal = *journal::archiveNameRefusal(answer.toUpper());
    QCOMPARE(program.prompter.messages, (QStringList{refusal, refusal}));
    QVERIFY(refusal.contains(answer.toUpper()));
    QCOMPARE(entriesBelow(program.folder.path()), before);
    QCOMPARE(dataRows(program.grid), padded({{QStringLiteral("on screen")}}));
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
    program.grid.setTextMatrix(2, journal::Mechanic, text);
    program.grid.setCols(9);
    program.grid.setTextMatrix(1, 8, text); // past column 7: not written, not checked

    QVERIFY(!program.files.SaveGridn());
    QCOMPARE(program.prompter.messages.size(), 1);
    const QString& message = program.prompter.messages[0];
    QVERIFY2(message.contains(QStringLiteral("строке 2, колонке 8 («Механик»)")),
             qPrintable(message));
    QVERIFY(message.contains(program.folder.file(QStringLiteral("thisyear.csv"))));
    QCOMPARE(program.folder.read(QStringLiteral("thisyear.csv")), QByteArray("before;\r\n"));
    QVERIFY(!program.folder.exists(QStringLiteral("Backup")));

    program.grid.setTextMatrix(2, journal::Mechanic, QString(journal::MaxLineLength, u'x'));
    QVERIFY(!program.files.SaveGridn());
    QVERIFY(program.prompter.messages.last().contains(QStringLiteral("строка 2")));
    QCOMPARE(program.folder.read(QStringLiteral("thisyear.csv")), QByteArray("before;\r\n"));
}

void TestJournalFiles::storesAnOpenEditBeforeWriting() {
    Program program;
    program.fill(Sample);
    program.grid.setCurrentCell(1, 0);
    // The window stores an open cell edit when the grid leaves the edited cell.
    bool editOpen = true;
    connect(&program.grid, &GridModel::leaveCell, this, [&] {
        if (std::exchange(editOpen, false))
            program.grid.setText(QStringLiteral("ООО Лютик"));
    });
    QVERIFY(program.files.SaveGridn());
    Rows expected = Sample;
    expected[0][0] = QStringLiteral("ООО Лютик");
    QCOMPARE(program.folder.read(QStringLiteral("thisyear.csv")), journalFile(expected));
}

QTEST_MAIN(TestJournalFiles)
#include "tst_journalfiles.moc"
