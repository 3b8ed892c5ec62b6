#include "app/celleditor.h"
#include "app/exitprompt.h"
#include "app/gridmodel.h"
#include "app/gridview.h"
#include "printing/journalprintout.h"
#include "printing/printservices.h"
#include "printing/recordingsurface.h"
#include "support/windowharness.h"

#include <QFile>
#include <QPushButton>
#include <QTest>
#include <optional>

namespace {

QByteArray journalLine(const QStringList& cells) {
    QString line;
    for (int c = 0; c < 8; ++c)
        line += cells.value(c) + QLatin1Char(';');
    return cp1251(line) + "\r\n";
}

QByteArray sampleJournal() {
    return journalLine({QStringLiteral("ООО Ромашка"), QStringLiteral("ЭКР"), QStringLiteral("17"),
                        QStringLiteral("А12"), QStringLiteral("Б34"), QStringLiteral("15.03.2009"),
                        QStringLiteral("01.05.2010"), QStringLiteral("Иванов")}) +
           journalLine({QStringLiteral("ИП Соколов"), QStringLiteral("Касса"), QStringLiteral("5"),
                        QStringLiteral("В56"), QStringLiteral("Г78"), QStringLiteral("31.01.2009"),
                        QString(), QStringLiteral("Петров")});
}

// What a recording surface saw, kept after the printout has released the surface.
struct Printout {
    QStringList texts;
    bool ended = false;
};

class KeptRecording : public RecordingSurface {
public:
    explicit KeptRecording(Printout& out) : out_(out) {}
    ~KeptRecording() override {
        for (const Text& text : texts())
            out_.texts << text.text;
        out_.ended = ended();
    }

private:
    Printout& out_;
};

// A printer that records what is drawn, or that is missing.
class RecordingPrinter : public PrinterProvider {
public:
    bool present = true;
    std::optional<Printout> last;
    std::unique_ptr<PageSurface> open() override {
        if (!present)
            return nullptr;
        last.emplace();
        return std::make_unique<KeptRecording>(*last);
    }
};

class FixedClock : public Clock {
public:
    QString date() const override { return QStringLiteral("07.12.2026"); }
    QString time() const override { return QStringLiteral("10:15"); }
};

} // namespace

class TestWindowCommands : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // The whole way through the program: open, edit, save, reopen, print to a PDF file, exit with
    // "ДА". Under the sanitizer build this also shows that nothing leaks on the way.
    void editSaveReopenPrintAndExitWithYes() {
        TempFolder pdfFolder;
        const QString pdf = pdfFolder.path() + QStringLiteral("/journal.pdf");
        WindowServices services;
        services.printer = std::make_shared<PdfFilePrinterProvider>(pdf);
        services.clock = std::make_shared<FixedClock>();
        WindowHarness harness(std::move(services));
        harness.folder().write(QStringLiteral("thisyear.csv"), sampleJournal());
        harness.press("CmdZagruz");
        GridModel& grid = harness.grid();
        QCOMPARE(grid.rows(), 3);
        QCOMPARE(grid.cols(), 8);                                      // no phantom ninth column
        QCOMPARE(grid.textMatrix(2, 6), QStringLiteral("01.04.2010")); // block dates computed
        QVERIFY(!harness.window().gridModified); // opening does not mark the journal

        harness.clickCell(2, 7);
        typeText(&harness.window().cellEditor(), QStringLiteral(" и Сидоров"));
        harness.clickCell(1, 0);
        harness.window().cellEditor().selectAll();
        typeText(&harness.window().cellEditor(), QStringLiteral("ООО Лютик"));
        harness.press("CmdSave"); // the open edit goes into the file too
        QByteArray saved = harness.folder().read(QStringLiteral("thisyear.csv"));
        QVERIFY(saved.contains(cp1251(QStringLiteral(";Петров и Сидоров;\r\n"))));
        QVERIFY(saved.startsWith(cp1251(QStringLiteral("ООО Лютик;ЭКР;"))));

        harness.press("CmdZagruz");
        QCOMPARE(grid.textMatrix(1, 0), QStringLiteral("ООО Лютик"));
        QCOMPARE(grid.textMatrix(2, 7), QStringLiteral("Петров и Сидоров"));

        harness.press("CmdPrint");
        QVERIFY(QFile(pdf).size() > 0);
        QVERIFY(harness.prompter().messages.isEmpty());

        harness.clickCell(2, 2);
        typeText(&harness.window().cellEditor(), QStringLiteral("0"));
        harness.press("CmdProd");
        QVERIFY(harness.window().exitPrompt().isVisible());
        QTest::mouseClick(
            harness.window().exitPrompt().findChild<QPushButton*>(QStringLiteral("OKButton")),
            Qt::LeftButton);
        QCOMPARE(harness.endCount(), 1);
        saved = harness.folder().read(QStringLiteral("thisyear.csv"));
        QVERIFY(saved.contains(cp1251(QStringLiteral(";Касса;50;"))));
    }

    void yesKeepsTheProgramOpenWhenTheSaveFails() {
        WindowHarness harness;
        // A folder where the journal file should be: the save cannot replace it.
        harness.folder().write(QStringLiteral("thisyear.csv/keep"), "x");
        harness.clickCell(1, 0);
        harness.press("CmdProd");
        QTest::mouseClick(
            harness.window().exitPrompt().findChild<QPushButton*>(QStringLiteral("OKButton")),
            Qt::LeftButton);
        QCOMPARE(harness.endCount(), 0);
        QVERIFY(!harness.window().exitPrompt().isVisible());
        QCOMPARE(harness.prompter().messages.size(), 1);
        QVERIFY(harness.prompter().messages.first().contains(QStringLiteral("thisyear.csv")));
    }

    void noEndsWithoutTouchingTheFiles() {
        WindowHarness harness;
        harness.folder().write(QStringLiteral("thisyear.csv"), sampleJournal());
        harness.press("CmdZagruz");
        harness.clickCell(1, 1);
        typeText(&harness.window().cellEditor(), QStringLiteral("zzz"));
        harness.press("CmdProd");
        QTest::mouseClick(
            harness.window().exitPrompt().findChild<QPushButton*>(QStringLiteral("CancelButton")),
            Qt::LeftButton);
        QCOMPARE(harness.endCount(), 1);
        QCOMPARE(harness.folder().read(QStringLiteral("thisyear.csv")), sampleJournal());
    }

    void anOpenEditLandsInItsCellWhateverTheCommandDoes() {
        WindowHarness harness;
        GridModel& grid = harness.grid();
        grid.setRows(3);
        grid.setTextMatrix(1, 2, QStringLiteral("keep"));
        harness.clickCell(1, 2);
        harness.window().cellEditor().selectAll();
        typeText(&harness.window().cellEditor(), QStringLiteral("typed"));
        harness.press("CmdAddC"); // inserts before column 2: the edit must not land in it
        QCOMPARE(grid.textMatrix(1, 3), QStringLiteral("typed"));
        QCOMPARE(grid.textMatrix(1, 2), QString());
        QCOMPARE(grid.textMatrix(0, 3).trimmed(), QStringLiteral("№  ККМ"));

        harness.clickCell(2, 0);
        typeText(&harness.window().cellEditor(), QStringLiteral("moved"));
        harness.press("CmdSortC"); // the rightmost column comes in front of column 0
        QCOMPARE(grid.textMatrix(2, 1), QStringLiteral("moved"));
    }

    void everyChangingCommandMarksTheJournal() {
        const QList<const char*> commands = {"CmdAddS", "CmdDelS", "CmdAddC", "CmdDelC",
                                             "CmdSortC"};
        for (const char* command : commands) {
            WindowHarness harness;
            harness.grid().setRows(4);
            harness.grid().setCurrentCell(2, 3);
            harness.press(command);
            QVERIFY2(harness.window().gridModified, command);
        }
        WindowHarness harness; // a search changes nothing
        harness.grid().setTextMatrix(1, 0, QStringLiteral("ab"));
        harness.prompter().answers << QStringLiteral("a");
        harness.press("CmdSearh");
        QVERIFY(!harness.window().gridModified);
        QCOMPARE(harness.prompter().prompts.size(), 1);
        QCOMPARE(harness.prompter().titles.first(), harness.prompter().prompts.first());
    }

    void aFoundRowIsScrolledToTheTop() {
        WindowHarness harness;
        GridModel& grid = harness.grid();
        grid.setRows(301);
        grid.setTextMatrix(250, 4, QStringLiteral("Рег-250"));
        grid.setCurrentCell(1, 4);
        harness.prompter().answers << QStringLiteral("рег-250");
        harness.press("CmdSearh");
        QCOMPARE(grid.row(), 250);
        QCOMPARE(grid.rowSel(), 251);
        GridView& view = harness.window().gridView();
        QCOMPARE(view.rowAt(0) + 1, 250);
    }

    void releasingOverAHeaderSortsWithThePendingEdit() {
        WindowHarness harness;
        GridModel& grid = harness.grid();
        grid.setRows(4);
        grid.setTextMatrix(1, 0, QStringLiteral("Вега"));
        grid.setTextMatrix(2, 0, QStringLiteral("Альфа"));
        grid.setTextMatrix(3, 0, QStringLiteral("Бета"));
        harness.clickCell(3, 0);
        harness.window().cellEditor().selectAll();
        typeText(&harness.window().cellEditor(), QStringLiteral("Яхонт"));
        harness.clickCell(0, 0);
        QCOMPARE(grid.textMatrix(1, 0), QStringLiteral("Альфа"));
        QCOMPARE(grid.textMatrix(2, 0), QStringLiteral("Вега"));
        QCOMPARE(grid.textMatrix(3, 0), QStringLiteral("Яхонт"));
        QCOMPARE(grid.row(), 0);
        QCOMPARE(grid.col(), 0);
        QVERIFY(harness.window().gridView().isVisible());
        QVERIFY(harness.window().cellEditor().isVisible()); // the click opens the editor
    }

    void releasingOverADataRowDoesNotSort() {
        WindowHarness harness;
        GridModel& grid = harness.grid();
        grid.setRows(3);
        grid.setTextMatrix(1, 0, QStringLiteral("b"));
        grid.setTextMatrix(2, 0, QStringLiteral("a"));
        harness.clickCell(2, 0);
        QCOMPARE(grid.textMatrix(1, 0), QStringLiteral("b"));
    }

    void typedCharactersTheFileCannotHoldAreLeftOut() {
        WindowHarness harness;
        harness.clickCell(1, 0);
        typeText(&harness.window().cellEditor(), QStringLiteral("a;b€"));
        QCOMPARE(harness.window().cellEditor().text(), QStringLiteral("ab€"));
        typeText(&harness.window().cellEditor(), QStringLiteral("✓"));
        QCOMPARE(harness.window().cellEditor().text(), QStringLiteral("ab€"));
        QTest::mouseClick(&harness.window().inputLine(), Qt::LeftButton);
        typeText(&harness.window().inputLine(), QStringLiteral("x;y"));
        QCOMPARE(harness.grid().textMatrix(1, 0), QStringLiteral("xy"));
    }

    void printingStoresTheEditAndReportsAMissingPrinter() {
        auto printer = std::make_shared<RecordingPrinter>();
        WindowServices services;
        services.printer = printer;
        services.clock = std::make_shared<FixedClock>();
        WindowHarness harness(services);
        GridModel& grid = harness.grid();
        grid.setRows(3);
        grid.setTextMatrix(2, 7, QStringLiteral("last"));
        harness.clickCell(1, 3);
        typeText(&harness.window().cellEditor(), QStringLiteral("Зав-1"));
        harness.press("CmdPrint");
        QVERIFY(printer->last);
        QVERIFY(printer->last->ended);
        const QStringList& texts = printer->last->texts;
        QVERIFY(texts.contains(QStringLiteral("Зав-1")));
        QVERIFY(texts.contains(QStringLiteral(" ЖУРНАЛ ЭКЛЗ  от  07.12.2026 10:15")));
        QCOMPARE(grid.row(), 2);
        QCOMPARE(grid.col(), 7);
        QVERIFY(harness.prompter().messages.isEmpty());

        printer->present = false;
        harness.press("CmdPrint");
        QCOMPARE(harness.prompter().messages, QStringList{noPrinterMessage()});
    }
};

QTEST_MAIN(TestWindowCommands)
#include "tst_windowcommands.moc"
