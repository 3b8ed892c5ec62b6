// Finding a unit, entering one, and the units that need a visit, through the window.
#include "app/celleditor.h"
#include "app/findbar.h"
#include "app/gridview.h"
#include "model/gridmodel.h"
#include "printing/printservices.h"
#include "support/gridtexts.h"
#include "support/printfixtures.h"
#include "support/recordingsurface.h"
#include "support/windowharness.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QTest>

namespace {

// Owners, serials and activation dates; the clock says 07.12.2026, so "Бета" has blocked,
// "Вега" blocks soon and "Гамма" has no readable activation date.
QByteArray registerBytes() {
    const auto row = [](const char* owner, const char* serial, const char* activation) {
        return texts({owner, "", "", serial, "", activation, "", ""});
    };
    return journalBytes({row("Альфа", "A-100", "15.12.2025"), row("Бета", "B-200", "10.10.2025"),
                         row("Вега", "C-300", "05.11.2025"), row("Гамма", "D-400", "5 мая"),
                         row("Ёлкин", "E-500", "15.12.2025")});
}

// A printer that keeps the texts of what it printed.
struct RecordingPrinter : printing::PrinterProvider {
    QStringList printed;
    std::unique_ptr<printing::PageSurface> open() override {
        struct Surface : RecordingSurface {
            QStringList* out = nullptr;
            ~Surface() override {
                for (const RecordingSurface::Text& text : texts())
                    *out << text.text;
            }
        };
        auto surface = std::make_unique<Surface>();
        surface->out = &printed;
        return surface;
    }
};

struct Opened {
    WindowHarness harness{[] {
        app::WindowServices services;
        services.clock = std::make_shared<FixedClock>();
        return services;
    }()};
    Opened() {
        harness.folder().write(QStringLiteral("thisyear.csv"), registerBytes());
        harness.press("CmdZagruz");
    }
    QPoint current() { return harness.currentCell(); }
    void key(QWidget& widget, int key, Qt::KeyboardModifiers modifiers = {}) {
        QTest::keyClick(&widget, Qt::Key(key), modifiers);
    }
};

} // namespace

class TestWindowFind : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // Typing finds from the current cell on, case and ё aside; F3 and Shift+F3 go on and back,
    // going round with a word; no match says so in red, in the bar.
    void theFindBarFindsAsYouType() {
        Opened opened;
        app::GridView& view = opened.harness.gridView();
        opened.harness.setCurrentCell(0, 0);
        const int gridHeight = view.height();
        opened.key(view, Qt::Key_F, Qt::ControlModifier);
        auto& bar = opened.harness.control<app::FindBar>("FindBar");
        auto& text = opened.harness.control<QLineEdit>("TxtFind");
        // At the window's starting size: room for the text, captions whole, nothing covered.
        QVERIFY(bar.isVisible() && opened.harness.blockSummary().isVisible());
        QVERIFY2(text.width() >= app::FindBar::TextMinimumWidth,
                 qPrintable(QString::number(text.width())));
        for (const char* name : {"ChkAllColumns", "ChkAllJournals"}) {
            auto& box = opened.harness.control<QCheckBox>(name);
            QVERIFY(box.width() >= box.sizeHint().width());
            QVERIFY(bar.rect().contains(box.geometry()));
        }
        QVERIFY(view.geometry().bottom() < bar.geometry().top());
        QVERIFY(bar.geometry().bottom() < opened.harness.blockSummary().geometry().top());
        QVERIFY(opened.harness.window().rect().contains(bar.geometry()));
        auto& word = opened.harness.control<QLabel>("LblFound");
        typeText(&text, QStringLiteral("елк"));
        QCOMPARE(opened.current(), QPoint(4, 0)); // "Ёлкин"
        typeText(&text, QStringLiteral("x"));
        QCOMPARE(word.text(), QStringLiteral("Не найдено"));
        QCOMPARE(opened.current(), QPoint(4, 0));
        text.setText(QStringLiteral("-"));
        opened.key(text, Qt::Key_F3);
        QCOMPARE(opened.current(), QPoint(4, 3));
        QCOMPARE(word.text(), QString());
        opened.key(text, Qt::Key_F3);
        QCOMPARE(opened.current(), QPoint(0, 3));
        QCOMPARE(word.text(), QStringLiteral("Поиск продолжен с начала"));
        opened.key(text, Qt::Key_Return);
        QCOMPARE(opened.current(), QPoint(1, 3));
        opened.key(text, Qt::Key_F3, Qt::ShiftModifier);
        QCOMPARE(opened.current(), QPoint(0, 3));
        QVERIFY(view.selectionModel()->isRowSelected(0));
        opened.harness.control<QCheckBox>("ChkAllColumns").setChecked(false);
        opened.harness.setCurrentCell(0, 0);
        text.setText(QStringLiteral("a-1"));
        opened.key(text, Qt::Key_F3);
        QCOMPARE(word.text(), QStringLiteral("Не найдено")); // only the owners' column
        opened.key(text, Qt::Key_Escape);
        QVERIFY(!bar.isVisible() && opened.harness.blockSummary().isVisible());
        QCOMPARE(view.height(), gridHeight);
    }

    // "Во всех журналах" lists the rows of thisyear.csv and the archives that hold the text;
    // Enter on a row, or a double click, opens that journal at that row.
    void aUnitIsFoundInEveryJournal() {
        Opened opened;
        opened.harness.folder().write(QStringLiteral("Archive/2009.csv"),
                                      journalBytes({texts({"ООО Заря", "", "", "B-2009"})}));
        opened.key(opened.harness.gridView(), Qt::Key_F, Qt::ControlModifier);
        opened.harness.control<QCheckBox>("ChkAllJournals").setChecked(true);
        auto& text = opened.harness.control<QLineEdit>("TxtFind");
        typeText(&text, QStringLiteral("b-2"));
        opened.key(text, Qt::Key_Return);
        auto& found = opened.harness.control<QListWidget>("LstFound");
        QCOMPARE(found.count(), 2);
        QVERIFY(found.item(0)->text().startsWith(QStringLiteral("thisyear.csv, строка 2: Бета")));
        QVERIFY(found.item(1)->text().startsWith(QStringLiteral("2009, строка 1: ООО Заря")));
        found.setCurrentRow(0);
        opened.key(found, Qt::Key_Down);
        opened.key(found, Qt::Key_Return);
        QCOMPARE(opened.harness.window().windowTitle(),
                 QStringLiteral("архив 2009[*] — Журнал учета ЭКЛЗ"));
        QCOMPARE(opened.current(), QPoint(0, 0));
        const QPoint first = found.visualItemRect(found.item(0)).center();
        QTest::mouseClick(found.viewport(), Qt::LeftButton, {}, first);
        QTest::mouseDClick(found.viewport(), Qt::LeftButton, {}, first);
        QCOMPARE(opened.harness.window().windowTitle(),
                 QStringLiteral("thisyear.csv[*] — Журнал учета ЭКЛЗ"));
        QCOMPARE(opened.current(), QPoint(1, 0));
    }

    // A new row is shown with its first cell current; Ctrl+C copies the selection as
    // tab-separated text, Ctrl+V pastes it from the current cell on, adding rows and filtering
    // what a file cannot hold, one undo step; a pasted activation date gets its block date.
    void unitsAreEnteredQuickly() {
        Opened opened;
        model::GridModel& grid = opened.harness.grid();
        app::GridView& view = opened.harness.gridView();
        opened.harness.press("CmdAddS");
        QCOMPARE(opened.current(), QPoint(5, 0));
        opened.harness.selectCells(0, 0, 1, 3);
        opened.key(view, Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(QApplication::clipboard()->text(),
                 QStringLiteral("Альфа\t\t\tA-100\nБета\t\t\tB-200"));
        QApplication::clipboard()->setText(QStringLiteral("Новый;\t\t\t\t\t01.02.2026\nЕщё\r\n"));
        opened.harness.setCurrentCell(5, 0);
        opened.key(view, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(grid.rowCount(), 7);
        QCOMPARE(rowTexts(grid, 5).mid(0, 7),
                 texts({"Новый", "", "", "", "", "01.02.2026", "01.04.2027"}));
        QCOMPARE(grid.text(6, 0), QStringLiteral("Ещё"));
        opened.key(view, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(grid.rowCount(), 6);
        QCOMPARE(grid.text(5, 0), QString());
    }

    // F3 shows the whole row of the cell found, but the cell alone is what the commands work on:
    // Ctrl+C copies it, "Поиск" looks in its column, Ctrl+X empties it and not the whole unit.
    void aFoundCellAloneIsCopiedCutAndSearched() {
        Opened opened;
        model::GridModel& grid = opened.harness.grid();
        app::GridView& view = opened.harness.gridView();
        auto& text = opened.harness.control<QLineEdit>("TxtFind");
        const auto findSerial = [&](const QString& serial) {
            opened.harness.setCurrentCell(0, 0);
            opened.key(view, Qt::Key_F, Qt::ControlModifier);
            text.setText(serial);
            opened.key(text, Qt::Key_F3);
            view.setFocus(Qt::OtherFocusReason);
        };
        findSerial(QStringLiteral("C-300"));
        QCOMPARE(opened.current(), QPoint(2, 3));
        opened.key(view, Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("C-300"));

        opened.harness.prompter().answers << QStringLiteral("e-5");
        opened.harness.press("CmdSearh");
        QCOMPARE(opened.current(), QPoint(4, 3)); // found in the serials' column

        findSerial(QStringLiteral("B-200"));
        QCOMPARE(opened.current(), QPoint(1, 3));
        opened.key(view, Qt::Key_X, Qt::ControlModifier);
        QCOMPARE(rowTexts(grid, 1).mid(0, 6), texts({"Бета", "", "", "", "", "10.10.2025"}));
    }

    // An activation date that is no date is marked and counted; the filter hides the rows it
    // leaves out, which a save still writes and "Печать" may leave out of the printout.
    void unitsNeedingAVisitAreShown() {
        auto printer = std::make_shared<RecordingPrinter>();
        app::WindowServices services;
        services.clock = std::make_shared<FixedClock>();
        services.printer = printer;
        WindowHarness harness(services);
        harness.folder().write(QStringLiteral("thisyear.csv"), registerBytes());
        harness.press("CmdZagruz");
        QVERIFY(harness.blockSummary().text().endsWith(QStringLiteral(" Без даты активации: 1.")));
        QVERIFY(harness.blockSummary().font().bold()); // "Вега" blocks within 31 days
        app::GridView& view = harness.gridView();
        auto& filter = harness.control<QComboBox>("CmbFilter");
        filter.setCurrentIndex(1); // "Заблокированы"
        QList<bool> hidden;
        for (int r = 0; r < 5; ++r)
            hidden << view.isRowHidden(r);
        QCOMPARE(hidden, (QList<bool>{true, false, true, true, true}));
        QVERIFY(harness.blockSummary().text().endsWith(QStringLiteral(" Показано строк: 1.")));
        harness.press("CmdSave");
        QCOMPARE(harness.folder().read(QStringLiteral("thisyear.csv")).count("\r\n"), 5);

        harness.prompter().questionAnswers << true;
        harness.press("CmdPrint");
        QCOMPARE(harness.prompter().questions.size(), 1);
        QVERIFY(printer->printed.contains(QStringLiteral("Бета")) &&
                !printer->printed.contains(QStringLiteral("Альфа")));
        filter.setCurrentIndex(3); // "Без даты активации"
        QVERIFY(!view.isRowHidden(3) && view.isRowHidden(0));
    }

    // Rows a filter hides are never edited unseen: the current cell leaves a row the filter
    // hides for the nearest row shown, so a click beside the rows, F2 and typed characters reach
    // that row; Up and Down step over the hidden ones.
    void hiddenRowsAreNotEditedUnseen() {
        Opened opened;
        app::GridView& view = opened.harness.gridView();
        opened.harness.clickCell(0, 2);
        opened.key(opened.harness.cellEditor(), Qt::Key_Escape);
        opened.harness.control<QComboBox>("CmbFilter").setCurrentIndex(1); // "Бета" alone
        QVERIFY(view.isRowHidden(0) && !view.isRowHidden(1));
        QCOMPARE(opened.current(), QPoint(1, 2));
        QTest::mouseClick(view.viewport(), Qt::LeftButton, {},
                          QPoint(5, view.viewport()->height() - 5));
        opened.key(opened.harness.cellEditor(), Qt::Key_Escape);
        opened.key(view, Qt::Key_F2);
        typeText(&opened.harness.cellEditor(), QStringLiteral("XYZ"));
        opened.key(opened.harness.cellEditor(), Qt::Key_Return);
        QCOMPARE(opened.harness.grid().text(0, 2), QString());
        QCOMPARE(opened.harness.grid().text(1, 2), QStringLiteral("XYZ"));
        opened.harness.setCurrentCell(1, 2);
        opened.key(view, Qt::Key_Down); // nothing shown below
        QCOMPARE(opened.current(), QPoint(1, 2));
        opened.key(view, Qt::Key_Up); // nor above
        QCOMPARE(opened.current(), QPoint(1, 2));
    }

    // With rows hidden between and below the rows shown, an open edit, the input line, copy,
    // paste, cut, "Поиск" and a save reach only the rows shown; with none shown, none.
    void commandsReachOnlyTheRowsShown() {
        WindowHarness harness{[] {
            app::WindowServices services;
            services.clock = std::make_shared<FixedClock>();
            return services;
        }()};
        const auto row = [](const char* owner, const char* activation) {
            return texts({owner, "", "", "", "", activation, "", ""});
        };
        // Blocked, clear, blocked, clear.
        harness.folder().write(
            QStringLiteral("thisyear.csv"),
            journalBytes({row("Бета", "10.10.2025"), row("Альфа", "15.12.2025"),
                          row("Вега", "10.10.2025"), row("Гамма", "15.12.2025")}));
        harness.press("CmdZagruz");
        app::GridView& view = harness.gridView();
        auto& filter = harness.control<QComboBox>("CmbFilter");
        const auto owners = [&] {
            QStringList texts;
            for (int r = 0; r < harness.grid().rowCount(); ++r)
                texts << harness.grid().text(r, 0);
            return texts;
        };

        // An edit open on a row the filter then hides is stored as typed, and the editor closes.
        harness.clickCell(1, 2);
        typeText(&harness.cellEditor(), QStringLiteral("17"));
        filter.setCurrentIndex(1); // "Заблокированы"
        QVERIFY(view.isRowHidden(1) && view.isRowHidden(3) && !view.isRowHidden(2));
        QCOMPARE(harness.grid().text(1, 2), QStringLiteral("17"));
        QVERIFY(!harness.cellEditor().isOpen());
        QCOMPARE(harness.currentCell(), QPoint(2, 2));
        // Enter in the editor steps down over the hidden row.
        harness.clickCell(0, 2);
        typeText(&harness.cellEditor(), QStringLiteral("5"));
        QTest::keyClick(&harness.cellEditor(), Qt::Key_Return);
        QCOMPARE(harness.grid().text(0, 2), QStringLiteral("5"));
        QCOMPARE(harness.currentCell(), QPoint(2, 2));

        harness.selectCells(0, 0, 2, 0);
        view.setFocus();
        QTest::keyClick(&view, Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("Бета\nВега"));
        QTest::keyClick(&view, Qt::Key_X, Qt::ControlModifier);
        QCOMPARE(owners(), texts({"", "Альфа", "", "Гамма"}));
        harness.setCurrentCell(0, 0);
        QApplication::clipboard()->setText(QStringLiteral("П1\nП2"));
        QTest::keyClick(&view, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(owners(), texts({"П1", "Альфа", "П2", "Гамма"}));

        harness.prompter().answers << QStringLiteral("Ал");
        harness.press("CmdSearh"); // only the hidden row holds it
        QCOMPARE(harness.currentCell(), QPoint(0, 0));
        harness.press("CmdSave"); // ends on the last row written, hidden here
        QCOMPARE(harness.currentCell().x(), 2);

        // No row shown: no current cell, and the input line and Ctrl+V reach nothing.
        filter.setCurrentIndex(3); // "Без даты активации"
        QVERIFY(!view.currentIndex().isValid());
        typeText(&harness.inputLine(), QStringLiteral("Z"));
        QTest::keyClick(&view, Qt::Key_V, Qt::ControlModifier);
        QTest::keyClick(&view, Qt::Key_X, Qt::ControlModifier);
        for (const char* button : {"CmdDelS", "CmdEdit", "CmdFindRepeat"})
            harness.press(button);
        QTest::keyClick(&view, Qt::Key_F3);
        QCOMPARE(owners(), texts({"П1", "Альфа", "П2", "Гамма"}));
        filter.setCurrentIndex(0); // "Все": the first row has the current cell again
        QCOMPARE(harness.currentCell(), QPoint(0, 0));
    }

    // A row that the user's own entry takes out of the filter keeps the entry: the current cell
    // does not jump to another row between the keys, and Ctrl+Z comes back to it once the
    // filter shows it again.
    void anEntryStaysOnTheRowItTakesOutOfTheFilter() {
        Opened opened;
        auto& filter = opened.harness.control<QComboBox>("CmbFilter");
        filter.setCurrentIndex(3); // "Без даты активации": "Гамма" alone
        QCOMPARE(opened.current().x(), 3);
        const QList<QStringList> before = opened.harness.grid().dataRows();
        opened.harness.setCurrentCell(3, 5);
        QLineEdit& line = opened.harness.inputLine();
        QTest::mouseClick(&line, Qt::LeftButton);
        line.selectAll();
        // Each key's change settles the filter before the next key, as on a desktop.
        for (const QChar c : QStringLiteral("15.03.25")) {
            QTest::keyClick(&line, c.toLatin1());
            QApplication::processEvents();
        }
        opened.key(line, Qt::Key_Return);
        QApplication::processEvents();
        QCOMPARE(opened.harness.grid().text(3, 5), QStringLiteral("15.03.2025"));
        QList<QStringList> now = opened.harness.grid().dataRows();
        for (int r = 0; r < 3; ++r)
            QCOMPARE(now[r], before[r]);
        QVERIFY(opened.harness.gridView().isRowHidden(3));

        opened.harness.window().findChild<QAction*>(QStringLiteral("ActUndo"))->trigger();
        QApplication::processEvents();
        QCOMPARE(opened.harness.grid().text(3, 5), before[3][5]);
        QVERIFY(!opened.harness.gridView().isRowHidden(3));
        QCOMPARE(opened.current(), QPoint(3, 5));
    }
};

QTEST_MAIN(TestWindowFind)
#include "tst_windowfind.moc"
