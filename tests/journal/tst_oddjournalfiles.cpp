#include "journal/journalfixture.h"
#include "journal/journalio.h"

#include <QDir>
#include <QTest>

using namespace journaltest;

namespace {

const QString ThisYear = QStringLiteral("thisyear.csv");
const Rows Register{QStringLiteral("ООО «Ёлка»|ЭКР||№ 5||15.03.2009|01.05.2010|Иванов").split(u'|'),
                    {QStringLiteral("ИП Щукин")}};

} // namespace

class TestOddJournalFiles : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void opensOddFilesAndSavesThemInWindows1251_data();
    void opensOddFilesAndSavesThemInWindows1251();
    void savesAnUnchangedFileByteForByte();
    void reportsAFileThatVanishesBeforeItIsRead();
};

void TestOddJournalFiles::opensOddFilesAndSavesThemInWindows1251_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("nulBytes");
    QByteArray utf8;
    for (const QStringList& cells : Register)
        utf8 += cells.join(u';').toUtf8() + ";\r\n";
    QByteArray withNuls = journalFile(Register);
    withNuls.insert(3, QByteArray(2, '\0')).append(QByteArray(100, '\0'));
    QTest::newRow("UTF-8") << utf8 << false;
    QTest::newRow("UTF-8 with byte-order mark") << QByteArray("\xEF\xBB\xBF") + utf8 << false;
    QTest::newRow("NUL bytes") << withNuls << true;
    QTest::newRow("NUL bytes in UTF-8") << utf8.insert(0, '\0').append('\0') << true;
}

// The file opens with one message at most and is left as it was; a save writes the journal in
// Windows-1251 and keeps the file as it was in Backup.
void TestOddJournalFiles::opensOddFilesAndSavesThemInWindows1251() {
    QFETCH(QByteArray, bytes);
    QFETCH(bool, nulBytes);
    Program program;
    program.folder.write(ThisYear, bytes);

    program.open();
    QCOMPARE(dataRows(program.grid), Register);
    QCOMPARE(program.prompter.messages.size(), nulBytes ? 1 : 0);
    if (nulBytes)
        QVERIFY2(program.prompter.messages[0].contains(QStringLiteral("нулевые байты")),
                 qPrintable(program.prompter.messages[0]));
    QCOMPARE(program.thisYear(), bytes);

    QVERIFY(program.files.SaveGridn());
    QCOMPARE(program.thisYear(), journalFile(Register));
    const QStringList kept =
        QDir(program.folder.file(QStringLiteral("Backup"))).entryList(QDir::Files);
    QCOMPARE(kept.size(), 1);
    QCOMPARE(program.folder.read(QStringLiteral("Backup/") + kept[0]), bytes);
}

// Every byte a cell can hold, 0x98 (which Windows-1251 leaves unassigned) among them, comes
// through an opening and a save; the same bytes make no backup.
void TestOddJournalFiles::savesAnUnchangedFileByteForByte() {
    QByteArray cellBytes;
    for (int b = 1; b < 256; ++b)
        if (b != ';' && b != '\r' && b != '\n')
            cellBytes += char(b);
    QByteArray line;
    for (int c = 0; c < journal::FileColumns; ++c)
        line += c == journal::ActivationDate ? QByteArray("15.03.2009;")
                : c == journal::BlockDate    ? QByteArray("01.05.2010;")
                                             : cellBytes.mid(c * 43, 43) + ';';
    const QByteArray bytes = line + "\r\n";
    Program program;
    program.folder.write(ThisYear, bytes);
    program.open();
    QVERIFY(program.prompter.messages.isEmpty());
    QVERIFY(program.files.SaveGridn());
    QCOMPARE(program.thisYear(), bytes);
    QVERIFY(!program.folder.exists(QStringLiteral("Backup")));
}

void TestOddJournalFiles::reportsAFileThatVanishesBeforeItIsRead() {
    Program program({}, [](const QString& path) {
        QFile::remove(path);
        return journal::readWholeFile(path);
    });
    program.folder.write(ThisYear, journalFile(Register));
    program.folder.write(QStringLiteral("Archive/2009.csv"), journalFile(Register));
    program.open();
    program.openArchive(QStringLiteral("2009"));
    QCOMPARE(program.prompter.messages,
             (QStringList{QStringLiteral("Не могу найти thisyear.csv."),
                          QStringLiteral("Не могу найти  указанный год.")}));
    QCOMPARE(dataRows(program.grid), Rows{{}});
}

QTEST_GUILESS_MAIN(TestOddJournalFiles)
#include "tst_oddjournalfiles.moc"
