#include "app/celleditor.h"
#include "app/exitprompt.h"
#include "app/gridmodel.h"
#include "app/gridview.h"
#include "app/intervaltimer.h"
#include "app/twips.h"
#include "support/windowharness.h"

#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

class TestFrmEKLZ : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void startsWithTheControlsAndAnEmptyJournal() {
        WindowHarness harness;
        FrmEKLZ& window = harness.window();
        QCOMPARE(window.windowTitle(), QStringLiteral("Журнал учета ЭКЛЗ"));
        QVERIFY(!window.windowIcon().isNull());
        const QList<std::pair<const char*, QString>> captions = {
            {"CmdDelC", QStringLiteral("Удалить колонку")},
            {"CmdAddC", QStringLiteral("Добавить колонку")},
            {"CmdDelS", QStringLiteral(" Удалить строку")},
            {"CmdAddS", QStringLiteral("Добавить строку")},
            {"CmdSortC", QStringLiteral("Переместить колонки")},
            {"CmdSearh", QStringLiteral("Поиск")},
            {"CmdZArch", QStringLiteral("Загрузить архив")},
            {"CmdZagruz", QStringLiteral("Открыть журнал")},
            {"CmdSaveAs", QStringLiteral("Сохранить как")},
            {"CmdSave", QStringLiteral("Сохранить изменения")},
            {"CmdEdit", QStringLiteral("Ввод")},
            {"CmdPrint", QStringLiteral("Печать")},
            {"CmdProd", QStringLiteral("Выход")}};
        QCOMPARE(window.findChildren<QPushButton*>(Qt::FindDirectChildrenOnly).size(), 13);
        for (const auto& [name, caption] : captions) {
            QPushButton* button = window.button(QString::fromLatin1(name));
            QVERIFY2(button, name);
            QCOMPARE(button->text(), caption);
            QVERIFY(button->font().bold());
        }
        // Places come from twips: "Выход" at 9120, 120 with 855 × 615.
        const QRect exit = window.button(QStringLiteral("CmdProd"))->geometry();
        QCOMPARE(exit, twips::toPixels(&window, 9120, 120, 855, 615));

        GridModel& grid = harness.grid();
        QCOMPARE(grid.rows(), 2);
        QCOMPARE(grid.cols(), 8);
        QCOMPARE(grid.textMatrix(0, 0).trimmed(), QStringLiteral("Владелец"));
        QCOMPARE(grid.textMatrix(0, 7).trimmed(), QStringLiteral("Механик"));
        for (int c = 0; c < 8; ++c)
            QVERIFY(grid.colCentred(c));
        QCOMPARE(grid.colWidth(0), 1500);
        QCOMPARE(grid.rowHeight(0), 300);
        QCOMPARE(window.gridView().columnWidth(0), twips::toPixels(&window, 1500));
        QCOMPARE(window.gridView().horizontalHeader()->height(), twips::toPixels(&window, 300));
        QCOMPARE(window.headerFormat.size(), 127);
        QVERIFY(!window.gridModified);

        QVERIFY(window.inputLine().text().isEmpty());
        QVERIFY(window.inputLine().hasFocus());
        QVERIFY(!window.cellEditor().isVisible());
        QVERIFY(!window.timer2().enabled());
    }

    void gridFollowsTheWindowSizeAndKeepsItWhenTooSmall() {
        WindowHarness harness;
        FrmEKLZ& window = harness.window();
        GridView& grid = window.gridView();
        const auto expectedWidth = [&] {
            return twips::toPixels(&window, twips::fromPixels(&window, window.width()) - 850);
        };
        const auto expectedHeight = [&] {
            return twips::toPixels(&window, twips::fromPixels(&window, window.height()) - 1900);
        };
        QCOMPARE(grid.width(), expectedWidth());
        QCOMPARE(grid.height(), expectedHeight());
        const QPoint gridPlace = grid.pos();
        const QRect buttonPlace = window.button(QStringLiteral("CmdSave"))->geometry();

        window.resize(window.width() + twips::toPixels(&window, 1000), window.height());
        QCOMPARE(grid.width(), expectedWidth());
        QCOMPARE(grid.pos(), gridPlace);
        QCOMPARE(window.button(QStringLiteral("CmdSave"))->geometry(), buttonPlace);

        const QSize last = grid.size();
        window.resize(twips::toPixels(&window, 700), twips::toPixels(&window, 1500));
        QCOMPARE(grid.size(), last);
        window.resize(twips::toPixels(&window, 700), twips::toPixels(&window, 3000));
        QCOMPARE(grid.width(), last.width());
        QCOMPARE(grid.height(), expectedHeight());
    }

    void clickOpensTheEditorOverTheCellAndMarksTheJournal() {
        WindowHarness harness;
        FrmEKLZ& window = harness.window();
        GridModel& grid = harness.grid();
        grid.setRows(4);
        grid.setTextMatrix(2, 3, QStringLiteral("А12"));
        harness.clickCell(2, 3);
        QVERIFY(window.gridModified);
        CellEditor& editor = window.cellEditor();
        QVERIFY(editor.isVisible());
        QCOMPARE(editor.text(), QStringLiteral("А12"));
        QVERIFY(editor.hasFocus());
        GridView& view = window.gridView();
        const QRect cell = view.visualRect(grid.index(1, 3))
                               .translated(view.viewport()->mapTo(&window, QPoint(0, 0)));
        QCOMPARE(editor.geometry(), cell);

        // Typing, then clicking another cell stores the text into the first one.
        editor.selectAll();
        typeText(&editor, QStringLiteral("Б34"));
        QCOMPARE(grid.textMatrix(2, 3), QStringLiteral("А12")); // still pending
        harness.clickCell(3, 1);
        QCOMPARE(grid.textMatrix(2, 3), QStringLiteral("Б34"));
        QVERIFY(editor.isVisible());
        QCOMPARE(grid.row(), 3);

        // Escape closes without storing; Enter stores and closes.
        typeText(&editor, QStringLiteral("x"));
        QTest::keyClick(&editor, Qt::Key_Escape);
        QVERIFY(!editor.isVisible());
        QCOMPARE(grid.textMatrix(3, 1), QString());
        harness.clickCell(3, 1);
        typeText(&editor, QStringLiteral("Иванов"));
        QTest::keyClick(&editor, Qt::Key_Return);
        QVERIFY(!editor.isVisible());
        QCOMPARE(grid.textMatrix(3, 1), QStringLiteral("Иванов"));
    }

    void headerClickOpensTheEditorOnTheHeaderCell() {
        WindowHarness harness;
        harness.clickCell(0, 2);
        QVERIFY(harness.window().gridModified);
        QCOMPARE(harness.grid().row(), 0);
        QCOMPARE(harness.grid().col(), 2);
        QVERIFY(harness.window().cellEditor().isVisible());
    }

    void keyboardMovesAndOpensLikeAClick() {
        WindowHarness harness;
        GridModel& grid = harness.grid();
        grid.setRows(5);
        GridView& view = harness.window().gridView();
        view.setFocus();
        QTest::keyClick(&view, Qt::Key_Down);
        QTest::keyClick(&view, Qt::Key_Right);
        QTest::keyClick(&view, Qt::Key_Right);
        QCOMPARE(grid.row(), 2);
        QCOMPARE(grid.col(), 2);
        QVERIFY(!harness.window().gridModified);
        QTest::keyClick(&view, Qt::Key_F2);
        QVERIFY(harness.window().cellEditor().isVisible());
        QVERIFY(harness.window().gridModified);
    }

    void inputLineClickDropsTheEditAndTheCellFollowsTheLine() {
        WindowHarness harness;
        FrmEKLZ& window = harness.window();
        GridModel& grid = harness.grid();
        grid.setTextMatrix(1, 0, QStringLiteral("old"));
        harness.clickCell(1, 0);
        typeText(&window.cellEditor(), QStringLiteral("new"));
        QTest::mouseClick(&window.inputLine(), Qt::LeftButton);
        QVERIFY(!window.cellEditor().isVisible());
        QVERIFY(window.inputLine().hasFocus());
        QCOMPARE(grid.textMatrix(1, 0), QStringLiteral("old"));

        typeText(&window.inputLine(), QStringLiteral("Иванов"));
        QCOMPARE(grid.textMatrix(1, 0), QStringLiteral("Иванов")); // no lag behind the line
        QTest::keyClick(&window.inputLine(), Qt::Key_Backspace);
        QCOMPARE(grid.textMatrix(1, 0), QStringLiteral("Ивано"));
        grid.setTextMatrix(1, 0, QStringLiteral("changed elsewhere"));
        harness.press("CmdEdit");
        QCOMPARE(grid.textMatrix(1, 0), QStringLiteral("Ивано"));
    }

    void inputLineChangesMarkTheJournal() {
        WindowHarness harness;
        typeText(&harness.window().inputLine(), QStringLiteral("a"));
        QVERIFY(harness.window().gridModified);
    }

    void exitEndsAtOnceWithoutChanges() {
        WindowHarness harness;
        harness.press("CmdProd");
        QCOMPARE(harness.endCount(), 1);
        QVERIFY(!harness.window().exitPrompt().isVisible());
    }

    void exitAfterChangesAsksAndBackKeepsEverything() {
        WindowHarness harness;
        FrmEKLZ& window = harness.window();
        harness.clickCell(1, 0);
        harness.press("CmdProd");
        ExitPrompt& prompt = window.exitPrompt();
        QVERIFY(prompt.isVisible());
        QVERIFY(!prompt.isModal());
        QCOMPARE(prompt.windowTitle(), QStringLiteral("Dialog Caption"));
        QCOMPARE(prompt.findChild<QLabel*>(QStringLiteral("Label1"))->text(),
                 QStringLiteral("СОХРАНИТЬ ИЗМЕНЕНИЯ?"));
        auto* yes = prompt.findChild<QPushButton*>(QStringLiteral("OKButton"));
        auto* no = prompt.findChild<QPushButton*>(QStringLiteral("CancelButton"));
        auto* back = prompt.findChild<QPushButton*>(QStringLiteral("CmdCancel"));
        QCOMPARE(yes->text(), QStringLiteral("ДА"));
        QCOMPARE(no->text(), QStringLiteral("НЕТ"));
        QCOMPARE(back->text(), QStringLiteral("НАЗАД"));
        QVERIFY(!yes->isDefault() && !yes->autoDefault());

        QTest::mouseClick(back, Qt::LeftButton);
        QVERIFY(!prompt.isVisible());
        QCOMPARE(harness.endCount(), 0);
        QVERIFY(window.gridModified);
        harness.press("CmdProd");
        QVERIFY(prompt.isVisible());
        prompt.close(); // the close box does what "НАЗАД" does
        QCOMPARE(harness.endCount(), 0);
        harness.press("CmdProd");
        QTest::mouseClick(no, Qt::LeftButton);
        QCOMPARE(harness.endCount(), 1);
        QVERIFY(!prompt.isVisible());
    }

    void titleBarCloseAsksOnlyAfterChanges() {
        {
            WindowHarness harness;
            harness.window().close();
            QCOMPARE(harness.endCount(), 1);
        }
        WindowHarness harness;
        harness.clickCell(1, 1);
        QVERIFY(!harness.window().close());
        QVERIFY(harness.window().isVisible());
        QVERIFY(harness.window().exitPrompt().isVisible());
        QCOMPARE(harness.endCount(), 0);
    }
};

QTEST_MAIN(TestFrmEKLZ)
#include "tst_frmeklz.moc"
