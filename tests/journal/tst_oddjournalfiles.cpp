#include "core/journalio.h"
#include "journal/unstorablecells.h"
#include "support/journalfixture.h"

#include <QDir>
#include <QTest>

using namespace journaltest;

namespace {
const Rows Register{QStringLiteral("ООО «Ёлка»|ЭКР||№ 5||15.03.2009|01.05.2010|Иванов").split(u'|'),
                    {QStringLiteral("ИП Щукин")}};

// A register as Calc saves it (every text field quoted, LF, no ";" after the last field, UTF-8)
// and as Excel does (only fields with a quote, ";" or line end quoted, CR LF, Windows-1251), with
// no block dates yet.
const QByteArray Calc = QStringLiteral("\"ООО \"\"Ромашка\"\"\";\"ЭКР\";\"\";\"№ 5\";\"\";"
                                       "\"15.03.2009\";\"\";\"Иванов\"\n\"ИП Щукин\";\"\";\"\";"
                                       "\"\";\"\";\"\";\"\";\"\"\n")
                            .toUtf8();
const QByteArray Excel = core::encodeWindows1251(
    QStringLiteral("\"ООО \"\"Ромашка\"\"\";ЭКР;;№ 5;;15.03.2009;;\"Иванов; Петров\"\r\n"
                   "\"ИП\r\nЩукин\";;;;;;;\r\n"));
const QStringList Romashka =
    QStringLiteral("ООО \"Ромашка\"|ЭКР||№ 5||15.03.2009|01.05.2010|Иванов").split(u'|');
} // namespace

class TestOddJournalFiles : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void opensOddFilesAndSavesThemInWindows1251_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QByteArray>("saved"); // what the grid shows, as a save writes it
        QTest::addColumn<bool>("nulBytes");
        QByteArray utf8;
        for (const QStringList& cells : Register)
            utf8 += cells.join(u';').toUtf8() + ";\r\n";
        const QByteArray journal = journalFile(Register);
        QTest::newRow("UTF-8") << utf8 << journal << false;
        QTest::newRow("UTF-8 with byte-order mark") << "\xEF\xBB\xBF" + utf8 << journal << false;
        const QString text = QString::fromUtf8(utf8);
        QTest::newRow("UTF-16 LE")
            << "\xFF\xFE" + QByteArray(reinterpret_cast<const char*>(text.utf16()), text.size() * 2)
            << journal << false;
        QByteArray bigEndian = "\xFE\xFF";
        for (QChar c : text)
            bigEndian += char(c.unicode() >> 8) + QByteArray(1, char(c.unicode() & 0xFF));
        QTest::newRow("UTF-16 BE") << bigEndian << journal << false;
        QTest::newRow("NUL bytes")
            << QByteArray(journal).insert(3, QByteArray(2, '\0')) + '\0' << journal << true;
        QTest::newRow("NUL bytes in UTF-8") << '\0' + utf8 + '\0' << journal << true;
        // Every byte a cell can hold, 0x98 (which Windows-1251 leaves unassigned) among them.
        QByteArray line;
        for (int b = 1, c = 0; b < 256; ++b) {
            if (b != ';' && b != '\r' && b != '\n')
                line += char(b);
            if (b % 43 == 0 || b == 255)
                line += ++c == 5 ? ";15.03.2009;01.05.2010;" : ";";
        }
        QTest::newRow("every byte, unchanged") << line + "\r\n" << line + "\r\n" << false;
    }

    // The file opens with one message at most and is left as it was; a save writes the journal
    // in Windows-1251 and keeps the file as it was in Backup, unless the bytes are the same.
    void opensOddFilesAndSavesThemInWindows1251() {
        QFETCH(QByteArray, bytes);
        QFETCH(QByteArray, saved);
        QFETCH(bool, nulBytes);
        Program program;
        program.folder.write(QStringLiteral("thisyear.csv"), bytes);

        program.open();
        QCOMPARE(journalFile(dataRows(program.grid)), saved);
        QCOMPARE(program.prompter.messages.size(), nulBytes ? 1 : 0);
        if (nulBytes)
            QVERIFY2(program.prompter.messages[0].contains(QStringLiteral("нулевые байты")),
                     qPrintable(program.prompter.messages[0]));
        QCOMPARE(program.thisYear(), bytes);

        QVERIFY(program.save());
        QCOMPARE(program.thisYear(), saved);
        const QStringList kept =
            QDir(program.folder.file(QStringLiteral("Backup"))).entryList(QDir::Files);
        QCOMPARE(kept.size(), saved == bytes ? 0 : 1);
        if (saved != bytes)
            QCOMPARE(program.folder.read(QStringLiteral("Backup/") + kept[0]), bytes);
    }

    // A register saved by a spreadsheet opens as typed, its block dates filled in; a quote that
    // never closes keeps the rest of its line in its cell, and the message names the line.
    void opensRegistersSavedBySpreadsheets_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<Rows>("rows");
        QTest::addColumn<QString>("message");
        QTest::newRow("Calc") << Calc << Rows{Romashka, {QStringLiteral("ИП Щукин")}} << QString();
        QTest::newRow("Calc, UTF-8 byte-order mark")
            << "\xEF\xBB\xBF" + Calc << Rows{Romashka, {QStringLiteral("ИП Щукин")}} << QString();
        QStringList semicolon = Romashka;
        semicolon[7] = QStringLiteral("Иванов; Петров");
        QTest::newRow("Excel") << Excel << Rows{semicolon, {QStringLiteral("ИП\r\nЩукин")}}
                               << QString();
        // Calc's default CSV: "," between the cells, its dates as yyyy-mm-dd.
        QStringList comma = Romashka;
        comma[5] = QStringLiteral("2009-03-15");
        comma[7] = QStringLiteral("Иванов, Петров");
        QTest::newRow("Calc, comma")
            << QStringLiteral("\"ООО \"\"Ромашка\"\"\",ЭКР,,№ 5,,2009-03-15,,\"Иванов, Петров\"\n"
                              "ИП Щукин,,,,,,,\n")
                   .toUtf8()
            << Rows{comma, {QStringLiteral("ИП Щукин")}}
            << QStringLiteral("Файл thisyear.csv записан с разделителем «,» (запятая), а не «;»: "
                              "так его и прочитали. При сохранении он будет записан в формате "
                              "журнала, через «;».");
        QTest::newRow("a quote that never closes")
            << Calc + QStringLiteral("\"x\";\"ООО \"\"Луч;б\n").toUtf8()
            << Rows{Romashka,
                    {QStringLiteral("ИП Щукин")},
                    {QStringLiteral("x"), QStringLiteral("ООО \"Луч;б")}}
            << QStringLiteral("Строка 3 файла thisyear.csv: кавычка в начале ячейки не закрыта. "
                              "Остаток строки показан в этой ячейке как текст; проверьте её.");
    }

    void opensRegistersSavedBySpreadsheets() {
        QFETCH(QByteArray, bytes);
        QFETCH(Rows, rows);
        QFETCH(QString, message);
        Program program;
        program.folder.write(QStringLiteral("thisyear.csv"), bytes);
        program.open();
        QCOMPARE(dataRows(program.grid), rows);
        QCOMPARE(program.prompter.messages,
                 message.isEmpty() ? QStringList() : QStringList{message});
        QCOMPARE(program.thisYear(), bytes);
    }

    // This program's own file reads back as it stands, quotes and all, and saves byte for byte.
    void readsItsOwnFilesAsTheyStand() {
        const Rows rows{QStringLiteral("\"Ромашка\"|\"a|b\"|\"\"\"\"||15.03.2009||\"").split(u'|')};
        Program program;
        program.folder.write(QStringLiteral("thisyear.csv"), journalFile(rows));
        program.open();
        QStringList shown = rows[0];
        shown[6] = QStringLiteral("01.05.2010");
        QCOMPARE(dataRows(program.grid), Rows{shown});
        program.grid.setText(0, 6, QString());
        QVERIFY(program.save());
        QCOMPARE(program.thisYear(), journalFile(rows));
    }

    // Cells holding ";" or a line end, which the file cannot store, are named before a save:
    // "Отмена" writes and changes nothing, "Да" replaces them and the save goes on.
    void asksBeforeSavingCellsTheFileCannotStore() {
        Program program;
        program.folder.write(QStringLiteral("thisyear.csv"), Excel);
        program.open();
        program.fill(dataRows(program.grid) + Rows{{QStringLiteral("a\nb"), QStringLiteral("c;")},
                                                   {QStringLiteral("d;e;"), QStringLiteral("f\r")},
                                                   {{}, {}, QStringLiteral(";")}});
        program.grid.setColumnCount(10);
        program.grid.setText(4, 9, QStringLiteral("not written;"));
        const Rows before = dataRows(program.grid);
        program.prompter.questionAnswers << false;
        QVERIFY(!journal::settleUnstorableCells(program.grid, program.prompter));
        QCOMPARE(program.prompter.questions,
                 QStringList{QStringLiteral(
                     "В ячейках есть знаки, которые файл журнала не хранит («;» и перевод строки): "
                     "строка 1, «Механик»; строка 2, «Владелец»; строка 3, «Владелец»; строка 3, "
                     "«Модель ККМ»; строка 4, «Владелец» и ещё 2. Заменить «;» на «,» и перевод "
                     "строки на пробел?")});
        QCOMPARE(dataRows(program.grid), before);
        QCOMPARE(program.thisYear(), Excel);

        program.prompter.questionAnswers << true;
        QVERIFY(journal::settleUnstorableCells(program.grid, program.prompter));
        QStringList first = Romashka;
        first[7] = QStringLiteral("Иванов, Петров");
        const Rows saved{
            first,
            {QStringLiteral("ИП Щукин")},
            {QStringLiteral("a b"), QStringLiteral("c,")},
            {QStringLiteral("d,e,"), QStringLiteral("f ")},
            {{}, {}, QStringLiteral(","), {}, {}, {}, {}, {}, {}, QStringLiteral("not written;")}};
        QCOMPARE(dataRows(program.grid), saved);
        QVERIFY(program.save());
        QCOMPARE(program.thisYear(), journalFile(saved));
        QVERIFY(journal::settleUnstorableCells(program.grid, program.prompter));
        QCOMPARE(program.prompter.questions.size(), 2);
    }

    void reportsAFileThatVanishesBeforeItIsRead() {
        Program program({}, [](const QString& path) {
            QFile::remove(path);
            return std::optional<QByteArray>(); // what reading the vanished file gives
        });
        program.folder.write(QStringLiteral("thisyear.csv"), journalFile(Register));
        program.folder.write(QStringLiteral("Archive/2009.csv"), journalFile(Register));
        program.open();
        program.openArchive(QStringLiteral("2009"));
        QCOMPARE(program.prompter.messages,
                 (QStringList{QStringLiteral("Не могу найти thisyear.csv.\nФайл не найден."),
                              QStringLiteral("Не могу найти  указанный год.\nФайл не найден.")}));
        QCOMPARE(dataRows(program.grid), Rows{{}});
    }

    // A file that needs more memory than is free is not read at all; a save over it asks first.
    void refusesAFileTooLargeForTheMemory() {
        Program program;
        program.files.setMemoryProbe([] { return qsizetype(5) << 20; });
        program.folder.write(QStringLiteral("thisyear.csv"),
                             QByteArray(1536 * 1024, 'a') + ";\r\n");
        program.open();
        QCOMPARE(program.prompter.messages,
                 QStringList{QStringLiteral(
                     "Не могу найти thisyear.csv.\nФайл слишком велик: 2 МБ. Чтобы открыть его, "
                     "нужно около 13 МБ памяти, а свободно 5 МБ.")});
        QCOMPARE(dataRows(program.grid), Rows{{}});
        QVERIFY(program.files.partialReadQuestion().has_value());
    }
};

QTEST_GUILESS_MAIN(TestOddJournalFiles)
#include "tst_oddjournalfiles.moc"
