#include "support/gridtexts.h"
#include "support/printfixtures.h"
#include "support/scriptedfilechooser.h"
#include "support/sheetfiles.h"
#include "support/windowharness.h"

#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

namespace {

// A window whose clock says 07.12.2026, over a journal of a blocked unit between two clear ones.
struct ExportWindow {
    std::shared_ptr<ScriptedFileChooser> files = std::make_shared<ScriptedFileChooser>();
    WindowHarness harness{[this] {
        app::WindowServices services;
        services.clock = std::make_shared<FixedClock>();
        services.files = files;
        return services;
    }()};

    ExportWindow() {
        harness.folder().write(
            QStringLiteral("thisyear.csv"),
            journalBytes({texts({"Альфа", "", "", "0001", "", "15.12.2025", "", "Яковлев"}),
                          texts({"Бета", "", "", "0002", "", "10.10.2025", "", "Федоров"}),
                          texts({"Гамма", "", "", "0003", "", "20.11.2025", "", "Уткин"})}));
        harness.press("CmdZagruz");
    }
    QString out(const char* name) { return harness.folder().file(QString::fromUtf8(name)); }
    void pressExport() { QTest::keyClick(&harness.window(), Qt::Key_E, Qt::ControlModifier); }
};

} // namespace

class TestWindowExport : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // Ctrl+E writes the rows the filter shows, an open cell edit stored first.
    void exportsTheRowsShown() {
        ExportWindow w;
        w.harness.control<QComboBox>("CmbFilter").setCurrentIndex(1); // blocked
        w.harness.editCell(1, 0, QStringLiteral("Бета-2"));
        w.files->answers << w.out("блок.ods");
        w.pressExport();
        QCOMPARE(w.files->suggested.size(), 1);
        QVERIFY2(w.files->suggested[0].endsWith(QStringLiteral("/thisyear.xlsx")),
                 qPrintable(w.files->suggested[0]));
        QVERIFY(w.files->filters[0].contains(QStringLiteral("(*.xlsx)")) &&
                w.files->filters[0].contains(QStringLiteral("(*.ods)")));
        const sheettest::Cells cells = sheettest::odsCells(w.out("блок.ods"));
        QCOMPARE(cells[QStringLiteral("A2")].value, QStringLiteral("Бета-2"));
        QCOMPARE(cells[QStringLiteral("D2")].value, QStringLiteral("0002"));
        QCOMPARE(cells[QStringLiteral("A2")].style, QStringLiteral("ceBlocked"));
        QVERIFY(!cells.contains(QStringLiteral("A3")));
        QVERIFY(w.harness.prompter().messages.isEmpty());
    }

    void cancelWritesNothingAndAFailureIsTold() {
        ExportWindow w;
        w.pressExport();
        QCOMPARE(w.files->suggested.size(), 1);
        QCOMPARE(w.harness.folder().exists(QStringLiteral("thisyear.xlsx")), false);
        w.files->answers << w.out("нет/всё.xlsx");
        w.pressExport();
        QCOMPARE(w.harness.prompter().messages.size(), 1);
        QVERIFY(w.harness.prompter().messages[0].startsWith(
            QStringLiteral("Не удалось выгрузить журнал в файл ")));
    }

    // "Обмен" holds the import, the export and, after a separator, the journal folder, beside the
    // buttons and above the grid, over none of them.
    void theExchangeMenuHoldsTheExport() {
        ExportWindow w;
        auto& exchange = w.harness.control<QToolButton>("CmdExchange");
        QVERIFY(exchange.isVisible());
        const QList<QAction*> actions = exchange.menu()->actions();
        QCOMPARE(actions.size(), 4);
        QVERIFY(actions[2]->isSeparator());
        QCOMPARE(actions[3]->objectName(), QStringLiteral("ActFolder"));
        QCOMPARE(actions[0]->objectName(), QStringLiteral("ActImport"));
        QCOMPARE(actions[0]->shortcut(), QKeySequence(Qt::ControlModifier | Qt::Key_I));
        QCOMPARE(actions[1]->objectName(), QStringLiteral("ActExport"));
        QCOMPARE(actions[1]->shortcut(), QKeySequence(Qt::ControlModifier | Qt::Key_E));
        QList<QWidget*> others = {&w.harness.inputLine(), &w.harness.control<QWidget>("MSFGAZ")};
        for (QPushButton* button :
             w.harness.window().findChildren<QPushButton*>(QString(), Qt::FindDirectChildrenOnly))
            others << button;
        for (QWidget* other : others)
            QVERIFY2(!exchange.geometry().intersects(other->geometry()),
                     qPrintable(other->objectName()));
        QVERIFY(w.harness.window().rect().contains(exchange.geometry()));
        // The archive on screen names the file suggested.
        w.harness.folder().write(QStringLiteral("Archive/2009.csv"),
                                 journalBytes({texts({"Дельта"})}));
        w.harness.prompter().answers << QStringLiteral("2009");
        w.harness.press("CmdZArch");
        actions[1]->trigger();
        QVERIFY(w.files->suggested.last().endsWith(QStringLiteral("/2009.xlsx")));
    }
};

QTEST_MAIN(TestWindowExport)
#include "tst_windowexport.moc"
