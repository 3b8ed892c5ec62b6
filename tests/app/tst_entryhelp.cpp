// What helps a mechanic type a register in: earlier values proposed in the owner, model and
// mechanic columns, activation dates typed the short way, the calendar in the date columns.
#include "app/celleditor.h"
#include "app/gridview.h"
#include "support/gridtexts.h"
#include "support/printfixtures.h"
#include "support/windowharness.h"

#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QCalendarWidget>
#include <QLineEdit>
#include <QTest>

namespace {

enum { Owner = 0, Model = 1, Activation = 5, Blocked = 6, Mechanic = 7, Empty = 4 };

// A window (its clock at 07.12.2026) with four rows opened and an empty fifth for the next unit.
struct OpenedWindow {
    std::shared_ptr<FixedClock> clock = std::make_shared<FixedClock>();
    WindowHarness harness{[this] {
        app::WindowServices services;
        services.clock = clock;
        return services;
    }()};

    OpenedWindow() {
        const auto row = [](const char* owner, const char* model, const char* mechanic) {
            return texts({owner, model, "", "", "", "15.12.2025", "", mechanic});
        };
        const QList<QStringList> rows = {row("ООО «Ромашка»", "Меркурий-115Ф", "Иванов"),
                                         row("ООО «Рога и копыта»", "Штрих-М", "Ивлев"),
                                         row("ООО «Ромашка»", "Меркурий-115Ф", "Иванов"),
                                         row("ИП Ёлкин", "Элвес", "Петров"),
                                         texts({"", "", "", "", "", "", "", ""})};
        harness.folder().write(QStringLiteral("thisyear.csv"), journalBytes(rows));
        harness.press("CmdZagruz");
    }
    model::GridModel& grid() { return harness.grid(); }
    app::CellEditor& editor() { return harness.cellEditor(); }
    QString cell(int row, int col) { return grid().text(row, col); }
    void undo() { harness.window().findChild<QAction*>(QStringLiteral("ActUndo"))->trigger(); }
    // Clicks the cell and types into its (empty) editor key by key.
    void typeInto(int row, int col, const QString& text) {
        harness.clickCell(row, col);
        editor().selectAll();
        typeText(&editor(), text);
    }
};

void press(QWidget* widget, Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QTest::keyClick(widget, key, modifiers);
}

} // namespace

class TestEntryHelp : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // The proposal is taken by Enter (spelt as the column has it), by Tab and by leaving the
    // editor; typing on replaces it; Backspace refuses it.
    void theCellEditorProposesEarlierValues() {
        OpenedWindow w;
        w.typeInto(Empty, Owner, QStringLiteral("ооо «р"));
        QCOMPARE(w.editor().text(), QStringLiteral("ооо «ромашка»"));
        QCOMPARE(w.editor().selectedText(), QStringLiteral("омашка»"));
        QCOMPARE(w.editor().cursorPosition(), 6);
        press(&w.editor(), Qt::Key_Return);
        QCOMPARE(w.cell(Empty, Owner), QStringLiteral("ООО «Ромашка»"));

        w.typeInto(Empty, Mechanic, QStringLiteral("Ив"));
        QCOMPARE(w.editor().text(), QStringLiteral("Иванов"));
        typeText(&w.editor(), QStringLiteral("л"));
        QCOMPARE(w.editor().text(), QStringLiteral("Ивлев"));
        press(&w.editor(), Qt::Key_Tab);
        QCOMPARE(w.cell(Empty, Mechanic), QStringLiteral("Ивлев"));

        w.typeInto(Empty, Model, QStringLiteral("мер"));
        QCOMPARE(w.editor().text(), QStringLiteral("меркурий-115Ф"));
        press(&w.editor(), Qt::Key_Backspace);
        QCOMPARE(w.editor().text(), QStringLiteral("мер"));
        press(&w.editor(), Qt::Key_Return);
        QCOMPARE(w.cell(Empty, Model), QStringLiteral("мер"));

        // Latin "C" is no Cyrillic "С"; "е" finds "Ё"; a click elsewhere takes the proposal.
        w.typeInto(Empty, Owner, QStringLiteral("C"));
        QCOMPARE(w.editor().text(), QStringLiteral("C"));
        w.editor().selectAll();
        typeText(&w.editor(), QStringLiteral("ип е"));
        QCOMPARE(w.editor().text(), QStringLiteral("ип елкин"));
        w.harness.clickCell(0, Blocked);
        QCOMPARE(w.cell(Empty, Owner), QStringLiteral("ИП Ёлкин"));

        // A letter typed on the grid begins the edit, and the proposal with it.
        w.harness.setCurrentCell(Empty, Mechanic);
        w.harness.gridView().setFocus();
        typeText(&w.harness.gridView(), QStringLiteral("П"));
        QCOMPARE(w.editor().text(), QStringLiteral("Петров"));
        press(&w.editor(), Qt::Key_Escape);

        // The mechanics' column moved to the front: the completion goes with the caption.
        w.grid().moveColumnTo(Mechanic, 0);
        w.typeInto(Empty, 0, QStringLiteral("п"));
        QCOMPARE(w.editor().text(), QStringLiteral("петров"));
        w.typeInto(Empty, Owner + 1, QStringLiteral("п"));
        QCOMPARE(w.editor().text(), QStringLiteral("п"));
    }

    // Alt+Down lists the matches, most frequent first; the one chosen goes into the editor.
    void altDownListsTheMatches() {
        OpenedWindow w;
        w.typeInto(Empty, Owner, QStringLiteral("ооо"));
        press(&w.editor(), Qt::Key_Down, Qt::AltModifier);
        QAbstractItemView* list = nullptr;
        for (QWidget* top : QApplication::topLevelWidgets())
            if (top->objectName() == QStringLiteral("LstCompletion") && top->isVisible())
                list = qobject_cast<QAbstractItemView*>(top);
        QVERIFY(list && list->isVisible());
        QCOMPARE(list->model()->rowCount(), 2);
        QCOMPARE(list->model()->index(0, 0).data().toString(), QStringLiteral("ООО «Ромашка»"));
        press(list, Qt::Key_Down);
        press(list, Qt::Key_Return);
        QVERIFY(!list->isVisible());
        QCOMPARE(w.editor().text(), QStringLiteral("ООО «Рога и копыта»"));
        QVERIFY(w.editor().isOpen());
        // Escape closes the list only.
        press(&w.editor(), Qt::Key_Down, Qt::AltModifier);
        QVERIFY(list->isVisible());
        press(list, Qt::Key_Escape);
        QVERIFY(!list->isVisible());
        QVERIFY(w.editor().isOpen());
        press(&w.editor(), Qt::Key_Return);
        QCOMPARE(w.cell(Empty, Owner), QStringLiteral("ООО «Рога и копыта»"));
    }

    // The input line proposes too; the cell holds what was typed until the proposal is taken, by
    // Enter, Tab or a click elsewhere, typed in the value's own case or not.
    void theInputLineProposesEarlierValues_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("leaving");
        for (const char* typed : {"ив", "Ив"})
            for (const char* leaving : {"Enter", "Tab", "click"})
                QTest::addRow("%s, %s", typed, leaving)
                    << QString::fromUtf8(typed) << QString::fromLatin1(leaving);
    }
    void theInputLineProposesEarlierValues() {
        QFETCH(QString, typed);
        QFETCH(QString, leaving);
        OpenedWindow w;
        QLineEdit& line = w.harness.inputLine();
        w.harness.clickCell(Empty, Mechanic);
        QTest::mouseClick(&line, Qt::LeftButton);
        typeText(&line, typed);
        QCOMPARE(line.text(), typed + QStringLiteral("анов"));
        QCOMPARE(w.cell(Empty, Mechanic), typed);
        if (leaving == u"Enter")
            press(&line, Qt::Key_Return);
        else if (leaving == u"Tab")
            press(&line, Qt::Key_Tab);
        else
            w.harness.clickCell(0, Blocked);
        QCOMPARE(line.text(), QStringLiteral("Иванов"));
        QCOMPARE(w.cell(Empty, Mechanic), QStringLiteral("Иванов"));
        w.undo(); // the whole entry is one step
        QCOMPARE(w.cell(Empty, Mechanic), QString());
    }

    // F3 moves the current cell while the input line keeps the focus: leaving the line then
    // writes the entry's date out, or takes its proposal, in the cell it was typed into.
    void anEntryEndsInItsOwnCellWhereverF3Went() {
        OpenedWindow w;
        QWindow* window = w.harness.window().windowHandle();
        w.harness.setCurrentCell(0, Owner);
        w.harness.gridView().setFocus();
        QTest::keyClick(window, Qt::Key_F, Qt::ControlModifier);
        typeText(QApplication::focusWidget(), QStringLiteral("Элвес"));
        QTest::keyClick(window, Qt::Key_Escape);
        QLineEdit& line = w.harness.inputLine();
        const auto typeAndFindNext = [&](int row, int col, const QString& typed) {
            w.harness.setCurrentCell(row, col);
            QTest::mouseClick(&line, Qt::LeftButton);
            line.selectAll();
            typeText(&line, typed);
            QCOMPARE(w.cell(row, col), typed);
            QTest::keyClick(window, Qt::Key_F3);
            QCOMPARE(w.harness.currentCell(), QPoint(3, Model));
            QCOMPARE(QApplication::focusWidget(), &line);
            QTest::keyClick(window, Qt::Key_Tab);
        };
        typeAndFindNext(1, Activation, QStringLiteral("5.3.26"));
        QCOMPARE(w.cell(1, Activation), QStringLiteral("05.03.2026"));
        QCOMPARE(w.cell(1, Blocked), QStringLiteral("01.05.2027"));
        typeAndFindNext(Empty, Mechanic, QStringLiteral("Ив"));
        QCOMPARE(w.cell(Empty, Mechanic), QStringLiteral("Иванов"));
        QCOMPARE(w.cell(3, Model), QStringLiteral("Элвес"));
        QCOMPARE(w.cell(3, Activation), QStringLiteral("15.12.2025"));
    }

    void shortDatesAreStoredInFull_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("blocked");
        QTest::newRow("d.m.yy") << "5.3.26"
                                << "05.03.2026"
                                << "01.05.2027";
        QTest::newRow("ddmmyy") << "050326"
                                << "05.03.2026"
                                << "01.05.2027";
        QTest::newRow("slashes") << "5/3/2026"
                                 << "05.03.2026"
                                 << "01.05.2027";
        QTest::newRow("blanks") << "5 3 2026"
                                << "05.03.2026"
                                << "01.05.2027";
        QTest::newRow("no such day") << "31.02.26"
                                     << "31.02.26"
                                     << "";
        QTest::newRow("no date") << "99999999"
                                 << "99999999"
                                 << "";
    }
    // Written out in full at once, in the edit's own undo step, in the editor and the input line.
    void shortDatesAreStoredInFull() {
        QFETCH(QString, typed);
        QFETCH(QString, stored);
        QFETCH(QString, blocked);
        OpenedWindow w;
        const QString before = w.cell(1, Activation);
        const QString blockedBefore = w.cell(1, Blocked);
        w.typeInto(1, Activation, typed);
        press(&w.editor(), Qt::Key_Return);
        QCOMPARE(w.cell(1, Activation), stored);
        if (!blocked.isEmpty())
            QCOMPARE(w.cell(1, Blocked), blocked);
        w.undo();
        QCOMPARE(w.cell(1, Activation), before);
        QCOMPARE(w.cell(1, Blocked), blockedBefore);

        QLineEdit& line = w.harness.inputLine();
        w.harness.clickCell(1, Activation);
        QTest::mouseClick(&line, Qt::LeftButton);
        line.clear();
        typeText(&line, typed);
        QCOMPARE(w.cell(1, Activation), typed);
        press(&line, Qt::Key_Return);
        QCOMPARE(line.text(), stored);
        QCOMPARE(w.cell(1, Activation), stored);
        w.undo();
        QCOMPARE(w.cell(1, Activation), before);
    }

    // Alt+Down or the editor's button opens the calendar in a date column, on the editor's date
    // or today; Escape keeps the editor as it was, a day picked goes into it.
    void theCalendarPicksADay() {
        OpenedWindow w;
        auto& calendar = *w.harness.window().findChild<QCalendarWidget*>(QStringLiteral("CalDate"));
        auto& button = *w.editor().findChild<QAction*>(QStringLiteral("ActCalendar"));
        w.harness.clickCell(0, Owner);
        QVERIFY(!button.isVisible());
        press(&w.editor(), Qt::Key_Down, Qt::AltModifier);
        QVERIFY(!calendar.isVisible());

        w.harness.clickCell(0, Activation);
        QVERIFY(button.isVisible());
        press(&w.editor(), Qt::Key_Down, Qt::AltModifier);
        QVERIFY(calendar.isVisible());
        QCOMPARE(calendar.selectedDate(), QDate(2025, 12, 15));
        press(QApplication::focusWidget(), Qt::Key_Escape);
        QVERIFY(!calendar.isVisible());
        QVERIFY(w.editor().isOpen());
        QCOMPARE(w.editor().text(), QStringLiteral("15.12.2025"));

        w.editor().setText(QStringLiteral("1.2.27"));
        button.trigger();
        QCOMPARE(calendar.selectedDate(), QDate(2027, 2, 1));
        press(QApplication::focusWidget(), Qt::Key_Right);
        press(QApplication::focusWidget(), Qt::Key_Return);
        QVERIFY(!calendar.isVisible());
        QCOMPARE(w.editor().text(), QStringLiteral("02.02.2027"));
        QVERIFY(w.editor().isOpen());

        // An empty block-date cell: today.
        w.harness.clickCell(Empty, Blocked);
        button.trigger();
        QCOMPARE(calendar.selectedDate(), QDate(2026, 12, 7));
        Q_EMIT calendar.clicked(QDate(2026, 12, 24));
        QCOMPARE(w.editor().text(), QStringLiteral("24.12.2026"));
    }
};

QTEST_MAIN(TestEntryHelp)
#include "tst_entryhelp.moc"
