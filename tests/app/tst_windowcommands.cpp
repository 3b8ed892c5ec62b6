#include "app/celleditor.h"
#include "app/gridview.h"
#include "app/printprogressdialog.h"
#include "printing/journalprintout.h"
#include "support/gridtexts.h"
#include "support/printfixtures.h"
#include "support/windowharness.h"

#include <QFile>
#include <QProgressDialog>
#include <QTest>

class TestWindowCommands : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // The whole way through the program: open, edit, save, reopen, print to a PDF file, exit with
    // "ДА". Under the sanitizer build this also shows that nothing leaks on the way.
    void editSaveReopenPrintAndExitWithYes() {
        TempFolder pdfFolder;
        const QString pdf = pdfFolder.path() + QStringLiteral("/journal.pdf");
        app::WindowServices services;
        services.printer = std::make_shared<printing::PdfFilePrinterProvider>(pdf);
        services.clock = std::make_shared<FixedClock>();
        WindowHarness harness(services);
        harness.folder().write(
            QStringLiteral("thisyear.csv"),
            journalBytes(
                {texts({"ООО Ромашка", "ЭКР", "17", "", "", "15.03.2009", "01.05.2010", "Иванов"}),
                 texts({"ИП Соколов", "Касса", "5", "", "", "31.01.2009", "", "Петров"})}));
        harness.press("CmdZagruz");
        model::GridModel& grid = harness.grid();
        QCOMPARE(QPoint(grid.rowCount(), grid.columnCount()),
                 QPoint(2, 8));                                  // no phantom ninth column
        QCOMPARE(grid.text(1, 6), QStringLiteral("01.04.2010")); // block dates computed
        QVERIFY(!harness.window().isModified()); // opening does not mark the journal

        harness.clickCell(1, 7);
        QTest::keyClick(&harness.cellEditor(), Qt::Key_End);
        typeText(&harness.cellEditor(), QStringLiteral(" и Сидоров"));
        harness.editCell(0, 0, QStringLiteral("ООО Лютик"));
        harness.press("CmdSave"); // the open edit goes into the file too
        QByteArray saved = harness.folder().read(QStringLiteral("thisyear.csv"));
        QVERIFY(saved.contains(cp1251(QStringLiteral(";Петров и Сидоров;\r\n"))));
        QVERIFY(saved.startsWith(cp1251(QStringLiteral("ООО Лютик;ЭКР;"))));

        harness.press("CmdZagruz");
        QCOMPARE(grid.text(0, 0), QStringLiteral("ООО Лютик"));
        QCOMPARE(grid.text(1, 7), QStringLiteral("Петров и Сидоров"));

        harness.press("CmdPrint");
        QVERIFY(QFile(pdf).size() > 0);

        harness.clickCell(1, 2);
        typeText(&harness.cellEditor(), QStringLiteral("50")); // over the selected "5"
        harness.press("CmdProd");
        harness.answerExit("OKButton");
        QCOMPARE(harness.endCount(), 1);
        saved = harness.folder().read(QStringLiteral("thisyear.csv"));
        QVERIFY(saved.contains(cp1251(QStringLiteral(";Касса;50;"))));
    }

    // Every command first stores an open edit into the cell it was opened on, so that the text
    // moves with its cell; the journal counts as changed only after a command that changed it.
    // A search shows the row found at the top; without a printer, "Печать" says so once.
    void commandsStoreTheEditFirstAndMarkChanges_data() {
        QTest::addColumn<QByteArray>("command");
        QTest::addColumn<int>("col");
        QTest::addColumn<bool>("changes");
        QTest::addColumn<QPoint>("storedAt"); // row, column of the edit afterwards
        QTest::newRow("add row") << QByteArray("CmdAddS") << 2 << true << QPoint(1, 2);
        QTest::newRow("delete row 1") << QByteArray("CmdDelS") << 2 << true << QPoint(0, 2);
        QTest::newRow("add column") << QByteArray("CmdAddC") << 2 << true << QPoint(1, 3);
        QTest::newRow("delete column") << QByteArray("CmdDelC") << 2 << true << QPoint(1, 2);
        QTest::newRow("move columns") << QByteArray("CmdSortC") << 2 << true << QPoint(1, 3);
        QTest::newRow("move onto itself") << QByteArray("CmdSortC") << 7 << false << QPoint(1, 7);
        QTest::newRow("search") << QByteArray("CmdSearh") << 2 << false << QPoint(1, 2);
        QTest::newRow("print") << QByteArray("CmdPrint") << 2 << false << QPoint(1, 2);
    }
    void commandsStoreTheEditFirstAndMarkChanges() {
        QFETCH(QByteArray, command);
        QFETCH(int, col);
        QFETCH(bool, changes);
        QFETCH(QPoint, storedAt);
        struct NoPrinter : printing::PrinterProvider {
            std::unique_ptr<printing::PageSurface> open() override { return nullptr; }
        };
        app::WindowServices services;
        services.printer = std::make_shared<NoPrinter>();
        for (const bool editing : {false, true}) {
            WindowHarness harness(services);
            harness.grid().setRowCount(300);
            harness.grid().setText(249, 2, QStringLiteral("Рег-250"));
            harness.prompter().answers << QStringLiteral("рег-250");
            harness.setCurrentCell(1, col);
            if (editing) {
                harness.editCell(1, col, QStringLiteral("typed"));
                harness.selectCells(1, col, 0, col); // "Удалить строку" deletes row 0
            }
            harness.press(command.constData());
            QCOMPARE(harness.prompter().messages, command == "CmdPrint"
                                                      ? QStringList{printing::noPrinterMessage()}
                                                      : QStringList());
            if (command == "CmdSearh")
                QCOMPARE(harness.gridView().rowAt(0) + 1, 250);
            if (!editing)
                QCOMPARE(harness.window().isModified(), changes);
            else
                QCOMPARE(harness.grid().text(storedAt.x(), storedAt.y()), QStringLiteral("typed"));
        }
    }

    void progressDialogCountsPagesAndCancels() {
        app::PrintProgressDialog progress;
        progress.start(20);
        QCOMPARE(progress.dialog()->maximum(), 20);
        QVERIFY(progress.pageDone(1));
        QCOMPARE(progress.dialog()->value(), 1);
        QVERIFY(progress.dialog()->labelText().contains(QStringLiteral("1 из 20")));
        progress.dialog()->cancel();
        QVERIFY(!progress.pageDone(2));
        progress.finish();
        QVERIFY(!progress.dialog());
    }

    // A long printout moves the dialog on every hundredth of its pages; a cancel is still heard.
    void progressDialogMovesInHundredths() {
        app::PrintProgressDialog progress;
        progress.start(1000);
        QVERIFY(progress.pageDone(9));
        QCOMPARE(progress.dialog()->value(), 0);
        QVERIFY(progress.pageDone(10));
        QVERIFY(progress.dialog()->labelText().contains(QStringLiteral("10 из 1000")));
        progress.dialog()->cancel();
        QVERIFY(!progress.pageDone(11));
    }
};

QTEST_MAIN(TestWindowCommands)
#include "tst_windowcommands.moc"
