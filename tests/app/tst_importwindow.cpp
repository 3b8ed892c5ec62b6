// "Импорт…": the imported register on screen as a journal saved nowhere yet.
#include "app/celleditor.h"
#include "app/importcontroller.h"
#include "model/gridmodel.h"
#include "support/gridtexts.h"
#include "support/importfixture.h"
#include "support/scriptedfilechooser.h"
#include "support/windowharness.h"

#include <QAction>
#include <QTest>

using Keep = core::Prompter::KeepChanges;

namespace {

const QString ThisYear = QStringLiteral("thisyear.csv");

// Two units under three of the journal's captions and one of its own; a merged pair of cells.
QByteArray registerXlsx() {
    const QStringList strings = texts({"Механик", "Владелец", "Зав. № ЭКЛЗ", "Заметка", "Иванов",
                                       "ООО Ромашка", "0012345", "срочно", "ИП Петров"});
    auto cell = [](int index) { return QStringLiteral("<c t=\"s\"><v>%1</v></c>").arg(index); };
    const QString rows =
        QStringLiteral("<row>%1%2%3%4</row><row>%5%6%7%8</row><row>%9%10</row>")
            .arg(cell(0), cell(1), cell(2), cell(3), cell(4), cell(5), cell(6), cell(7))
            .arg(cell(4), cell(8));
    return xlsxOf({{QStringLiteral("Лист1"), rows,
                    QStringLiteral("<mergeCells><mergeCell ref=\"C3:D3\"/></mergeCells>")}},
                  strings);
}

struct Importing {
    // The files the dialog hands over, one per import; what it offered, once each time shown.
    std::shared_ptr<ScriptedFileChooser> files = std::make_shared<ScriptedFileChooser>();
    WindowHarness harness{[this] {
        app::WindowServices services;
        services.files = files;
        return services;
    }()};
    Importing() {
        harness.folder().write(ThisYear, journalBytes({texts({"Первый"})}));
        harness.folder().write(QStringLiteral("register.xlsx"), registerXlsx());
        harness.folder().write(QStringLiteral("notes.ods"), QByteArray("не таблица"));
        harness.press("CmdZagruz");
    }
    qsizetype asked() const { return files->filters.size(); }
    void import(const QString& file) {
        files->answers << harness.folder().file(file);
        harness.control<QAction>("ActImport").trigger();
    }
};

} // namespace

class TestImportWindow : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // A sheet of captions alone: no unit comes over, but a column of its own keeps its caption.
    void captionsAloneKeepTheirColumns() {
        Importing importing;
        const QString header = QStringLiteral("<row><c t=\"s\"><v>0</v></c><c t=\"s\"><v>1</v></c>"
                                              "<c t=\"s\"><v>2</v></c></row>");
        importing.harness.folder().write(QStringLiteral("header.xlsx"),
                                         xlsxOf({{QStringLiteral("Лист1"), header, {}}},
                                                texts({"Механик", "Владелец", "Заметка"})));
        importing.import(QStringLiteral("header.xlsx"));
        const model::GridModel& grid = importing.harness.grid();
        QCOMPARE(grid.columnCount(), 9);
        QCOMPARE(grid.caption(8), QStringLiteral("Заметка"));
        QCOMPARE(rowTexts(grid, 0), QStringList(9));
    }

    void importedRegisterShownUnsaved() {
        Importing importing;
        WindowHarness& harness = importing.harness;
        QCOMPARE(harness.control<QAction>("ActImport").shortcut(),
                 QKeySequence(Qt::CTRL | Qt::Key_I));
        importing.import(QStringLiteral("register.xlsx"));
        model::GridModel& grid = harness.grid();
        QCOMPARE(grid.rowCount(), 2);
        QCOMPARE(rowTexts(grid, 0),
                 texts({"ООО Ромашка", "", "", "0012345", "", "", "", "Иванов", "срочно"}));
        QCOMPARE(rowTexts(grid, 1).mid(0, 8),
                 texts({"ИП Петров", "", "", "", "", "", "", "Иванов"}));
        QCOMPARE(grid.caption(8), QStringLiteral("Заметка"));
        QCOMPARE(grid.caption(0).trimmed(), QStringLiteral("Владелец"));
        // One message lists what did not come over as it was.
        QCOMPARE(harness.prompter().messages.size(), 1);
        QVERIFY(harness.prompter().messages[0].contains(QStringLiteral("C3:D3")));
        // Saved nowhere: the title names no journal, the marker shows, undo has nothing to undo.
        QVERIFY(harness.window().isWindowModified());
        QVERIFY(!harness.window().windowTitle().contains(ThisYear));
        harness.control<QAction>("ActUndo").trigger();
        QCOMPARE(grid.rowCount(), 2);
        // "Сохранить изменения" asks before it goes over thisyear.csv's rows.
        harness.prompter().questionAnswers << false;
        harness.press("CmdSave");
        QCOMPARE(harness.prompter().questions.size(), 1);
        QVERIFY(harness.prompter().questions[0].contains(QStringLiteral("строк: 1")));
        QCOMPARE(harness.folder().read(ThisYear), journalBytes({texts({"Первый"})}));
        harness.prompter().questionAnswers << true << true;
        harness.press("CmdSave");
        QCOMPARE(harness.folder().read(ThisYear),
                 journalBytes({texts({"ООО Ромашка", "", "", "0012345", "", "", "", "Иванов"}),
                               texts({"ИП Петров", "", "", "", "", "", "", "Иванов"})}));
        QVERIFY(!harness.window().isWindowModified());
    }

    // Unsaved changes are asked about before the file is chosen; "Отмена" keeps everything.
    void unsavedChangesAskedFirst() {
        Importing importing;
        WindowHarness& harness = importing.harness;
        harness.editCell(0, 0, QStringLiteral("Изменён"));
        QTest::keyClick(&harness.cellEditor(), Qt::Key_Return);
        harness.prompter().keepAnswers << Keep::Cancel;
        importing.import(QStringLiteral("register.xlsx"));
        QCOMPARE(importing.asked(), 0);
        QCOMPARE(harness.grid().text(0, 0), QStringLiteral("Изменён"));
        QCOMPARE(harness.prompter().keepQuestions.size(), 1);
        harness.prompter().keepAnswers << Keep::Discard;
        harness.control<QAction>("ActImport").trigger();
        QCOMPARE(importing.asked(), 1);
        QCOMPARE(harness.grid().text(0, 0), QStringLiteral("ООО Ромашка"));
        // The imported register counts as unsaved: another import asks again.
        harness.prompter().keepAnswers << Keep::Cancel;
        importing.import(QStringLiteral("register.xlsx"));
        QCOMPARE(harness.prompter().keepQuestions.size(), 3);
        // Dropped for this year's register opened again: nothing is unsaved, no marker shows.
        harness.prompter().keepAnswers << Keep::Discard;
        harness.press("CmdZagruz");
        QCOMPARE(harness.grid().text(0, 0), QStringLiteral("Первый"));
        QVERIFY(harness.window().windowTitle().startsWith(ThisYear));
        QVERIFY(!harness.window().isWindowModified());
    }

    // A refused file is told, and the grid stays as it was.
    void refusedFileChangesNothing() {
        Importing importing;
        WindowHarness& harness = importing.harness;
        importing.import(QStringLiteral("notes.ods"));
        QCOMPARE(harness.prompter().messages.size(), 1);
        QVERIFY(harness.prompter().messages[0].contains(QStringLiteral("не импортирован")));
        QCOMPARE(harness.grid().rowCount(), 1);
        QCOMPARE(harness.grid().text(0, 0), QStringLiteral("Первый"));
        QVERIFY(!harness.window().isWindowModified());
        QVERIFY(harness.window().windowTitle().contains(ThisYear));
    }
};

QTEST_MAIN(TestImportWindow)
#include "tst_importwindow.moc"
