#include "support/programrun.h"
#include "support/sheetfiles.h"
#include "support/tempfolder.h"
#include "support/windowharness.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>

namespace {

// A unit blocked long ago, and one activated lately whose block date the opening fills.
const QList<QStringList> Units = {
    QStringLiteral("ООО Заря;Кассир-01Ф;29140;0161042648;7157461338;08.03.2008;01.05.2009;Иванов")
        .split(u';'),
    QStringLiteral("ИП Соколова;;;00042;;01.02.2026;;").split(u';')};

QString program() {
    return QStringLiteral(EKLZ_JOURNAL_PROGRAM);
}

} // namespace

class TestCommandLine : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void exportsTheJournalNamed() {
        TempFolder folder;
        folder.write(QStringLiteral("2009.csv"), journalBytes(Units));
        const ProgramRun done = runWithoutDisplay(
            program(),
            {QStringLiteral("--export"), QStringLiteral("out.ods"), QStringLiteral("2009.csv")},
            folder.path());
        QCOMPARE(done.errors, QString());
        QCOMPARE(done.exitCode, 0);
        const sheettest::Cells cells = sheettest::odsCells(folder.file(QStringLiteral("out.ods")));
        QCOMPARE(cells[QStringLiteral("D1")].value, QStringLiteral("Зав. № ЭКЛЗ"));
        QCOMPARE(cells[QStringLiteral("D2")].value, QStringLiteral("0161042648"));
        QCOMPARE(cells[QStringLiteral("F2")].value, QStringLiteral("2008-03-08"));
        QCOMPARE(cells[QStringLiteral("A3")].value, QStringLiteral("ИП Соколова"));
        // Read as it is opened: the block date filled, the long-blocked unit shaded.
        QCOMPARE(cells[QStringLiteral("G3")].value, QStringLiteral("2027-04-01"));
        QCOMPARE(cells[QStringLiteral("A2")].style, QStringLiteral("ceBlocked"));
        QVERIFY(!cells.contains(QStringLiteral("A4")));
    }

    // Without a journal named, thisyear.csv of the folder the program keeps its journals in:
    // beside a copy of the program, a portable one.
    void exportsThisYearsJournalOfTheProgramsFolder() {
        TempFolder folder;
        const QString copy = folder.file(QStringLiteral("eklz-journal"));
        QVERIFY(QFile::copy(program(), copy));
        folder.write(QStringLiteral("thisyear.csv"), journalBytes(Units));
        const ProgramRun done = runWithoutDisplay(
            copy, {QStringLiteral("--export"), QStringLiteral("out.xlsx")}, folder.path());
        QCOMPARE(done.exitCode, 0);
        const sheettest::Cells cells =
            sheettest::xlsxCells(folder.file(QStringLiteral("out.xlsx")));
        QCOMPARE(cells[QStringLiteral("D3")].value, QStringLiteral("00042"));
        QCOMPARE(cells[QStringLiteral("F3")].type, QString()); // a date's day number
    }

    void failsWithAMessage_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("message");
        const QString exportOption = QStringLiteral("--export");
        const QString journal = QStringLiteral("2009.csv");
        QTest::newRow("unknown format")
            << QStringList{exportOption, QStringLiteral("out.csv"), journal} << 1
            << QStringLiteral("расширением .xlsx или .ods");
        QTest::newRow("missing journal")
            << QStringList{exportOption, QStringLiteral("out.xlsx"), QStringLiteral("нет.csv")} << 1
            << QStringLiteral("Не удалось прочитать журнал нет.csv.\nФайл не найден.");
        QTest::newRow("a folder for a journal")
            << QStringList{exportOption, QStringLiteral("out.xlsx"), QStringLiteral(".")} << 1
            << QStringLiteral("Это папка, а не файл.");
        QTest::newRow("unwritable target")
            << QStringList{exportOption, QStringLiteral("нет/out.ods"), journal} << 1
            << QStringLiteral("Файл или папка не найдены.");
        QTest::newRow("no target") << QStringList{exportOption} << 2
                                   << QStringLiteral("Использование: eklz-journal --export");
        QTest::newRow("one argument too many")
            << QStringList{exportOption, QStringLiteral("out.ods"), journal, journal} << 2
            << QStringLiteral("Неверная командная строка");
        QTest::newRow("option after an argument")
            << QStringList{QStringLiteral("out.ods"), exportOption, journal} << 2
            << QStringLiteral("Неверная командная строка");
    }
    void failsWithAMessage() {
        QFETCH(QStringList, arguments);
        QFETCH(int, exitCode);
        QFETCH(QString, message);
        TempFolder folder;
        folder.write(QStringLiteral("2009.csv"), journalBytes(Units));
        const ProgramRun failed = runWithoutDisplay(program(), arguments, folder.path());
        QCOMPARE(failed.exitCode, exitCode);
        QVERIFY2(failed.errors.contains(message), qPrintable(failed.errors));
        QCOMPARE(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden),
                 QStringList{QStringLiteral("2009.csv")});
    }
};

QTEST_GUILESS_MAIN(TestCommandLine)
#include "tst_commandline.moc"
