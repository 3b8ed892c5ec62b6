#include "journal/journalfixture.h"
#include "journal/journalformat.h"
#include "journal/journalio.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTest>

using namespace journaltest;

namespace {

const QString ThisYear = QStringLiteral("thisyear.csv");
const QString ThisYearMissing = QStringLiteral("Не могу найти thisyear.csv.");
const QString YearMissing = QStringLiteral("Не могу найти  указанный год.");

enum class Message { None, NulBytes, Failure };

QStringList backups(const TempFolder& folder) {
    return QDir(folder.file(QStringLiteral("Backup"))).entryList(QDir::Files);
}

} // namespace

Q_DECLARE_METATYPE(Message)

class TestOddJournalFiles : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void opensOddFilesAndSavesThemWhole_data();
    void opensOddFilesAndSavesThemWhole();
    void refusesToSaveUtf8TextWindows1251Lacks();
    void keepsTheUnassignedByteThroughAnUnchangedSave();
    void opensABinaryFile();
    void opensTwoHundredThousandLines();
    void reportsAFileThatVanishesBeforeItIsRead();
};

void TestOddJournalFiles::opensOddFilesAndSavesThemWhole_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<Message>("message");
    QTest::addColumn<Rows>("rows"); // data rows shown, columns 0 .. 7

    const Rows register_{{QStringLiteral("ООО «Ёлка»"), QStringLiteral("ЭКР-2102К"),
                          QStringLiteral("17"), QStringLiteral("№ 5"), QString(),
                          QStringLiteral("15.03.2009"), QStringLiteral("01.05.2010"),
                          QStringLiteral("Иванов")},
                         {QStringLiteral("ИП Щукин")}};
    QByteArray utf8;
    for (const QStringList& cells : padded(register_))
        utf8 += cells.join(u';').toUtf8() + ";\r\n";

    QTest::newRow("UTF-8") << utf8 << Message::None << register_;
    QTest::newRow("UTF-8 with byte-order mark")
        << QByteArray("\xEF\xBB\xBF") + utf8 << Message::None << register_;
    QTest::newRow("CR line ends") << QByteArray(journalFile(register_)).replace("\r\n", "\r")
                                  << Message::None << register_;
    QByteArray withNuls = journalFile(register_);
    withNuls.insert(3, QByteArray(2, '\0')).append(QByteArray(100, '\0'));
    QTest::newRow("NUL bytes") << withNuls << Message::NulBytes << register_;
    QTest::newRow("only NUL bytes") << QByteArray(4096, '\0') << Message::NulBytes << Rows{};
    // A line with 32,767 fields after 200 rows would make 6.5 million cells.
    QTest::newRow("too many cells")
        << journalFile(Rows(200, {QStringLiteral("x")})) + QByteArray(journal::MaxLineLength, ';') +
               "\r\n"
        << Message::Failure << Rows(200, {QStringLiteral("x")}) + Rows{{}};
}

// Each odd file opens into a sensible grid with one message at most, is left as it was, and a
// save writes the grid as a journal file, the previous version kept in Backup.
void TestOddJournalFiles::opensOddFilesAndSavesThemWhole() {
    QFETCH(QByteArray, bytes);
    QFETCH(Message, message);
    QFETCH(Rows, rows);
    Program program;
    program.folder.write(ThisYear, bytes);

    program.open();
    QStringList messages;
    if (message == Message::Failure)
        messages << ThisYearMissing;
    QCOMPARE(program.prompter.messages.size(), message == Message::None ? 0 : 1);
    if (message == Message::NulBytes)
        QVERIFY2(program.prompter.messages[0].contains(QStringLiteral("нулевые байты")),
                 qPrintable(program.prompter.messages[0]));
    else
        QCOMPARE(program.prompter.messages, messages);
    QCOMPARE(writtenColumns(program.grid), padded(rows));
    QCOMPARE(program.folder.read(ThisYear), bytes);

    QVERIFY(program.files.SaveGridn());
    QCOMPARE(program.folder.read(ThisYear), journalFile(rows));
    const QStringList kept = backups(program.folder);
    QCOMPARE(kept.size(), 1);
    QCOMPARE(program.folder.read(QStringLiteral("Backup/") + kept[0]), bytes);

    program.prompter.messages.clear();
    program.open();
    QCOMPARE(writtenColumns(program.grid), padded(rows));
    QVERIFY(program.prompter.messages.isEmpty());
}

void TestOddJournalFiles::refusesToSaveUtf8TextWindows1251Lacks() {
    Program program;
    const QByteArray utf8 = QStringLiteral("Café Ромашка;ЭКР;\r\nОрион;中;\r\n").toUtf8();
    program.folder.write(ThisYear, utf8);
    program.open();
    QCOMPARE(program.grid.textMatrix(1, 0), QStringLiteral("Café Ромашка"));
    QCOMPARE(program.grid.textMatrix(2, 1), QStringLiteral("中"));
    QVERIFY(program.prompter.messages.isEmpty());

    QVERIFY(!program.files.SaveGridn());
    QCOMPARE(program.prompter.messages.size(), 1);
    QVERIFY2(program.prompter.messages[0].contains(QStringLiteral("строке 1, колонке 1")),
             qPrintable(program.prompter.messages[0]));
    QCOMPARE(program.folder.read(ThisYear), utf8);

    // Once the user has replaced the two characters, the file is written in Windows-1251.
    program.grid.setTextMatrix(1, 0, QStringLiteral("Cafe Ромашка"));
    program.grid.setTextMatrix(2, 1, QStringLiteral("Чжун"));
    QVERIFY(program.files.SaveGridn());
    QCOMPARE(program.folder.read(ThisYear),
             journalFile({{QStringLiteral("Cafe Ромашка"), QStringLiteral("ЭКР")},
                          {QStringLiteral("Орион"), QStringLiteral("Чжун")}}));
}

void TestOddJournalFiles::keepsTheUnassignedByteThroughAnUnchangedSave() {
    Program program;
    const QByteArray bytes = "\xC0\xC1\x98;\x98;;;;15.03.2009;01.05.2010;\x98\xC8;\r\n";
    program.folder.write(ThisYear, bytes);
    program.open();
    QCOMPARE(program.grid.textMatrix(1, 1), QString(QChar(0x98)));
    QVERIFY(program.files.SaveGridn());
    QCOMPARE(program.folder.read(ThisYear), bytes);
    QVERIFY(backups(program.folder).isEmpty()); // nothing changed, nothing to keep

    // The other cells of the row change; the byte stays.
    program.grid.setTextMatrix(1, 0, QStringLiteral("АБ"));
    QVERIFY(program.files.SaveGridn());
    QCOMPARE(program.folder.read(ThisYear),
             QByteArray("\xC0\xC1;\x98;;;;15.03.2009;01.05.2010;\x98\xC8;\r\n"));
}

void TestOddJournalFiles::opensABinaryFile() {
    QRandomGenerator random(20090315);
    QByteArray bytes(64 * 1024, Qt::Uninitialized);
    for (char& byte : bytes)
        byte = char(random.bounded(256));
    Program program;
    program.folder.write(ThisYear, bytes);

    program.open();
    // Random bytes hold NUL bytes: the file is shown as damaged, every other byte as a character.
    QCOMPARE(program.prompter.messages.size(), 1);
    QVERIFY(program.prompter.messages[0].contains(QStringLiteral("нулевые байты")));
    QVERIFY(program.grid.rows() > 100);
    const Rows shown = writtenColumns(program.grid);

    QVERIFY(program.files.SaveGridn());
    program.open();
    QCOMPARE(writtenColumns(program.grid), shown);
    QCOMPARE(program.prompter.messages.size(), 1);
}

void TestOddJournalFiles::opensTwoHundredThousandLines() {
    constexpr int Lines = 200000;
    Rows rows;
    rows.reserve(Lines);
    for (int i = 0; i < Lines; ++i)
        rows << QStringList{QStringLiteral("ООО %1").arg(i),
                            QStringLiteral("ЭКР"),
                            QString::number(i),
                            QString(),
                            QString(),
                            QStringLiteral("31.01.2009"),
                            QStringLiteral("01.04.2010"),
                            QStringLiteral("Иванов")};
    const QByteArray bytes = journalFile(rows);
    Program program;
    program.folder.write(ThisYear, bytes);

    program.open();
    QVERIFY(program.prompter.messages.isEmpty());
    QCOMPARE(program.grid.rows(), Lines + 1);
    QCOMPARE(program.grid.cols(), journal::FileColumns);
    QCOMPARE(program.grid.textMatrix(Lines, 0), QStringLiteral("ООО 199999"));
    QCOMPARE(program.grid.textMatrix(Lines, journal::BlockDate), QStringLiteral("01.04.2010"));

    program.grid.setTextMatrix(Lines, journal::ActivationDate, QStringLiteral("15.03.2009"));
    QVERIFY(program.files.SaveGridn());
    rows.last()[journal::ActivationDate] = QStringLiteral("15.03.2009");
    QCOMPARE(program.folder.read(ThisYear), journalFile(rows));
}

void TestOddJournalFiles::reportsAFileThatVanishesBeforeItIsRead() {
    bool vanish = true;
    Program program({}, [&](const QString& path) {
        if (vanish)
            QFile::remove(path);
        return journal::readWholeFile(path);
    });
    const QByteArray bytes = journalFile({{QStringLiteral("ООО Заря")}});
    program.folder.write(ThisYear, bytes);
    program.folder.write(QStringLiteral("Archive/2009.csv"), bytes);

    program.open();
    QCOMPARE(program.prompter.messages, QStringList{ThisYearMissing});
    QCOMPARE(writtenColumns(program.grid), padded({{}}));
    QVERIFY(!program.folder.exists(ThisYear));

    // The archive is listed, then gone when it is opened.
    program.openArchive(QStringLiteral("2009"));
    QCOMPARE(program.prompter.messages, (QStringList{ThisYearMissing, YearMissing}));
    QCOMPARE(writtenColumns(program.grid), padded({{}}));

    // Nothing is left half done: the next opening reads the file put back.
    vanish = false;
    program.folder.write(ThisYear, bytes);
    program.open();
    QCOMPARE(writtenColumns(program.grid), padded({{QStringLiteral("ООО Заря")}}));
    QCOMPARE(program.prompter.messages.size(), 2);
}

QTEST_GUILESS_MAIN(TestOddJournalFiles)
#include "tst_oddjournalfiles.moc"
