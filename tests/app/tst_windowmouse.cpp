// What the window offers the mouse and F1: the grid's context menu, sorting both ways by the
// header, the notice after a deletion, the user guide, and archive names chosen from a list.
#include "app/gridview.h"
#include "app/helpwindow.h"
#include "model/gridmodel.h"
#include "support/gridtexts.h"
#include "support/printfixtures.h"
#include "support/scriptedfilechooser.h"
#include "support/windowharness.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QTest>
#include <QTextBrowser>
#include <QTimer>
#include <sys/stat.h>

namespace {

// A window whose clock says 07.12.2026, over a journal of three units in no order.
struct MouseWindow {
    std::shared_ptr<ScriptedFileChooser> files = std::make_shared<ScriptedFileChooser>();
    WindowHarness harness{[this] {
        app::WindowServices services;
        services.clock = std::make_shared<FixedClock>();
        services.files = files;
        return services;
    }()};

    MouseWindow() {
        harness.folder().write(QStringLiteral("thisyear.csv"),
                               journalBytes({texts({"Бета", "", "", "", "", "", "", "Федоров"}),
                                             texts({"Альфа", "", "", "", "", "", "", "Яковлев"}),
                                             texts({"Вега", "", "", "", "", "", "", "Уткин"})}));
        harness.press("CmdZagruz");
    }
    model::GridModel& grid() { return harness.grid(); }
    QStringList owners() { return columnTexts(grid(), 0); }
    QAction& action(const char* name) { return harness.control<QAction>(name); }
    QString summary() { return harness.blockSummary().text(); }

    // The menu as a right click on that cell opens it; null when none opened.
    QMenu* rightClick(int row, int col) {
        QWidget* viewport = harness.gridView().viewport();
        const QPoint at = viewport->mapFrom(&harness.window(), harness.cellCentre(row, col));
        QContextMenuEvent event(QContextMenuEvent::Mouse, at, viewport->mapToGlobal(at));
        QApplication::sendEvent(viewport, &event);
        return qobject_cast<QMenu*>(QApplication::activePopupWidget());
    }
    // Opens the menu over the current cell, then runs that entry, as a click on it does.
    void choose(const char* entry) {
        QMenu* menu = rightClick(harness.currentCell().x(), harness.currentCell().y());
        QVERIFY(menu);
        QAction& item = harness.control<QAction>(entry);
        QVERIFY2(item.isEnabled(), entry);
        menu->close();
        item.trigger();
    }
    bool enabled(const char* entry) {
        QMenu* menu = rightClick(harness.currentCell().x(), harness.currentCell().y());
        const bool on = harness.control<QAction>(entry).isEnabled();
        if (menu)
            menu->close();
        return on;
    }
};

} // namespace

class TestWindowMouse : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init() { QGuiApplication::clipboard()->clear(); }

    // The menu shows every entry with the window's shortcut; entries that cannot act are off.
    // Each entry does what its shortcut does.
    void contextMenuEntriesAct() {
        MouseWindow w;
        QMenu* menu = w.rightClick(1, 0);
        QVERIFY(menu);
        QCOMPARE(menu->objectName(), QStringLiteral("MenuGrid"));
        QStringList captions;
        for (const QAction* item : menu->actions())
            if (!item->isSeparator())
                captions << item->text();
        QCOMPARE(captions, texts({"Отменить\tCtrl+Z", "Повторить\tCtrl+Y", "Вырезать\tCtrl+X",
                                  "Копировать\tCtrl+C", "Вставить\tCtrl+V", "Найти…\tCtrl+F",
                                  "Удалить строку", "Экспорт…\tCtrl+E"}));
        menu->close();
        QVERIFY(!w.enabled("MenuUndo") && !w.enabled("MenuRedo") && !w.enabled("MenuPaste"));
        w.harness.selectCells(1, 0, 1, 1);
        w.choose("MenuCopy");
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("Альфа\t"));
        w.harness.setCurrentCell(0, 0);
        w.choose("MenuCut");
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("Бета"));
        QCOMPARE(w.owners(), texts({"", "Альфа", "Вега"}));
        w.choose("MenuUndo");
        QCOMPARE(w.owners(), texts({"Бета", "Альфа", "Вега"}));
        w.choose("MenuRedo");
        QCOMPARE(w.owners(), texts({"", "Альфа", "Вега"}));
        QVERIFY(!w.enabled("MenuRedo"));
        QGuiApplication::clipboard()->setText(QStringLiteral("Гамма\tЭКР"));
        w.choose("MenuPaste");
        QCOMPARE(rowTexts(w.grid(), 0).mid(0, 2), texts({"Гамма", "ЭКР"}));
        QVERIFY(w.harness.window().isModified());

        w.choose("MenuFind");
        QVERIFY(w.harness.control<QWidget>("FindBar").isVisible());
        w.harness.setCurrentCell(2, 0);
        w.choose("MenuDeleteRow");
        QCOMPARE(w.owners(), texts({"Гамма", "Альфа"}));
        w.files->answers << QString(); // the file dialog cancelled
        w.choose("MenuExport");
        QCOMPARE(w.files->suggested.size(), 1);
    }

    // The Menu key opens the menu over the current cell.
    void theMenuKeyOpensTheMenuAtTheCurrentCell() {
        MouseWindow w;
        w.harness.setCurrentCell(2, 1);
        app::GridView& view = w.harness.gridView();
        QContextMenuEvent event(QContextMenuEvent::Keyboard, QPoint(1, 1),
                                view.mapToGlobal(QPoint(1, 1)));
        QApplication::sendEvent(&view, &event);
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        QVERIFY(menu);
        const QRect cell = view.visualRect(w.grid().index(2, 1));
        QVERIFY(
            QRect(view.viewport()->mapToGlobal(cell.topLeft()), cell.size()).contains(menu->pos()));
        menu->close();
    }

    // Clicks on one header sort up, down and up again, shown by the header; each sort is one
    // undo step. A change to the rows in between makes the next click sort up.
    void headerClicksSortBothWays() {
        MouseWindow w;
        const QHeaderView* header = w.harness.gridView().horizontalHeader();
        const auto indicator = [header] {
            return header->isSortIndicatorShown()
                       ? QPoint(header->sortIndicatorSection(), header->sortIndicatorOrder())
                       : QPoint(-1, -1);
        };
        w.harness.clickCaption(0);
        QCOMPARE(w.owners(), texts({"Альфа", "Бета", "Вега"}));
        QCOMPARE(indicator(), QPoint(0, Qt::AscendingOrder));
        w.harness.clickCaption(0);
        QCOMPARE(w.owners(), texts({"Вега", "Бета", "Альфа"}));
        QCOMPARE(indicator(), QPoint(0, Qt::DescendingOrder));
        w.harness.clickCaption(0);
        QCOMPARE(w.owners(), texts({"Альфа", "Бета", "Вега"}));
        QCOMPARE(indicator(), QPoint(0, Qt::AscendingOrder));

        w.harness.clickCaption(0);
        w.action("ActUndo").trigger();
        QCOMPARE(w.owners(), texts({"Альфа", "Бета", "Вега"}));
        QCOMPARE(indicator(), QPoint(-1, -1));
        w.harness.clickCaption(0); // up again: the undo changed the rows
        QCOMPARE(indicator(), QPoint(0, Qt::AscendingOrder));
        w.harness.clickCaption(7); // another column starts up
        QCOMPARE(w.owners(), texts({"Вега", "Бета", "Альфа"}));
        QCOMPARE(indicator(), QPoint(7, Qt::AscendingOrder));

        w.harness.editCell(0, 0, QStringLiteral("Ася"));
        w.harness.clickCaption(7); // the edit went in first: up, not down
        QCOMPARE(w.owners(), texts({"Ася", "Бета", "Альфа"}));
        QCOMPARE(indicator(), QPoint(7, Qt::AscendingOrder));
        w.harness.clickCaption(7);
        QCOMPARE(w.owners(), texts({"Альфа", "Бета", "Ася"}));
    }

    // A header sort scatters the units a drag selected; Ctrl+X afterwards never empties the
    // units that came to lie between them.
    void aSortLeavesNoWiderSelectionToCut() {
        MouseWindow w;
        w.grid().appendRow(texts({"Гамма", "", "", "", "", "", "", "Шилов"}));
        w.harness.selectCells(0, 7, 1, 7); // Федоров and Яковлев
        w.harness.clickCaption(7);
        QCOMPARE(w.owners(), texts({"Вега", "Бета", "Гамма", "Альфа"}));
        QTest::keyClick(&w.harness.gridView(), Qt::Key_X, Qt::ControlModifier);
        QCOMPARE(w.grid().text(2, 7), QStringLiteral("Шилов"));
        QVERIFY(!QApplication::clipboard()->text().contains(QStringLiteral("Шилов")));
    }

    // "Удалить строку" leaves the current cell where it was, on the row that came up into its
    // place, so that pressing it again removes the next unit; past the last row it goes up.
    void deletingRowsGoesOnDownwards() {
        MouseWindow w;
        w.grid().appendRow({QStringLiteral("Гамма")});
        w.harness.setCurrentCell(1, 2);
        w.harness.press("CmdDelS");
        QCOMPARE(w.owners(), texts({"Бета", "Вега", "Гамма"}));
        QCOMPARE(w.harness.currentCell(), QPoint(1, 2));
        w.harness.press("CmdDelS");
        QCOMPARE(w.owners(), texts({"Бета", "Гамма"}));
        w.harness.press("CmdDelS");
        QCOMPARE(w.owners(), texts({"Бета"}));
        QCOMPARE(w.harness.currentCell(), QPoint(0, 2));
    }

    // "Добавить колонку" and "Переместить колонки" leave the current cell at its place, on the
    // column that came into it: what is typed next goes into the new column.
    void columnCommandsLeaveTheCurrentCellInPlace() {
        MouseWindow w;
        w.harness.setCurrentCell(1, 1);
        w.harness.press("CmdAddC");
        QCOMPARE(w.harness.currentCell(), QPoint(1, 1));
        QCOMPARE(w.grid().caption(1), QString());
        typeText(&w.harness.inputLine(), QStringLiteral("новая"));
        QCOMPARE(w.grid().text(1, 1), QStringLiteral("новая"));
        QCOMPARE(w.grid().text(1, 0), QStringLiteral("Альфа"));
        w.harness.setCurrentCell(2, 0);
        w.harness.press("CmdSortC");
        QCOMPARE(w.harness.currentCell(), QPoint(2, 0));
        QCOMPARE(w.grid().text(2, 0), QStringLiteral("Уткин"));
    }

    // After a deletion the line under the grid says what went and how to get it back, then the
    // summary returns; an undo ends the notice at once.
    void aDeletionIsNoticedForAWhile() {
        MouseWindow w;
        const QString usual = w.summary();
        auto& timer = w.harness.control<QTimer>("TimerNotice");
        QCOMPARE(timer.interval(), 5000);
        timer.setInterval(50);
        w.harness.setCurrentCell(1, 3);
        w.harness.press("CmdDelS");
        QCOMPARE(w.summary(), QStringLiteral("Строка 2 удалена. Ctrl+Z — вернуть"));
        QTRY_COMPARE_WITH_TIMEOUT(w.summary(), usual, 3000);

        timer.setInterval(60000);
        w.harness.press("CmdDelC");
        QCOMPARE(w.summary(), QStringLiteral("Колонка 8 («Механик») удалена. Ctrl+Z — вернуть"));
        w.action("ActUndo").trigger();
        QCOMPARE(w.grid().columnCount(), 8);
        QCOMPARE(w.summary(), usual);
    }

    // F1 opens the guide at the section of the control with the focus; the one help window is
    // raised and moved on at the next F1. Its search finds the next match, or says there is none.
    void f1OpensTheGuideAtTheFocusedControlsSection() {
        MouseWindow w;
        QApplication::setActiveWindow(&w.harness.window());
        w.harness.gridView().setFocus();
        w.action("ActHelp").trigger();
        auto* help = w.harness.window().findChild<app::HelpWindow*>(QStringLiteral("FrmHelp"));
        QVERIFY(help && help->isVisible());
        QCOMPARE(help->shownSection(), QStringLiteral("Ввод блоков"));

        w.action("ActFind").trigger();
        QApplication::setActiveWindow(&w.harness.window());
        QWidget& findBar = w.harness.control<QWidget>("FindBar");
        QLineEdit* findLine = findBar.findChild<QLineEdit*>();
        findLine->setFocus();
        QCOMPARE(QApplication::focusWidget(), findLine);
        w.action("ActHelp").trigger();
        QCOMPARE(w.harness.window().findChildren<app::HelpWindow*>().size(), 1);
        QCOMPARE(help->shownSection(), QStringLiteral("Поиск"));

        auto& search = w.harness.control<QLineEdit>("TxtHelpFind");
        auto& text = w.harness.control<QTextBrowser>("TxtHelp");
        auto& notFound = w.harness.control<QLabel>("LblHelpNotFound");
        search.setText(QStringLiteral("Shift+F3"));
        QTest::keyClick(&search, Qt::Key_Return);
        QCOMPARE(text.textCursor().selectedText(), QStringLiteral("Shift+F3"));
        const int first = text.textCursor().position();
        QVERIFY(!text.extraSelections().isEmpty());
        QTest::keyClick(&search, Qt::Key_Return); // the next match, or the first one again
        QCOMPARE(text.textCursor().selectedText(), QStringLiteral("Shift+F3"));
        QVERIFY(text.extraSelections().size() == 1 || text.textCursor().position() != first);
        QVERIFY(notFound.text().isEmpty());
        search.setText(QStringLiteral("абракадабра"));
        QTest::keyClick(&search, Qt::Key_Return);
        QCOMPARE(notFound.text(), QStringLiteral("Не найдено"));
        Q_EMIT text.anchorClicked(QUrl(QStringLiteral("#резервные-копии"))); // a link in the guide
        QCOMPARE(help->shownSection(), QStringLiteral("Резервные копии"));
        Q_EMIT text.anchorClicked(QUrl(QStringLiteral("journal-files.md")));
        QCOMPARE(help->shownSection(), QStringLiteral("Резервные копии"));
        QCOMPARE(app::HelpWindow::sectionFor(QStringLiteral("CmdSaveAs")),
                 QStringLiteral("Сохранение"));
    }

    // "Загрузить архив" offers the archives newest first (regular files with names a typed answer
    // gives, no link or FIFO); a typed name still opens. "Сохранить как" proposes the year.
    void archiveNamesAreOfferedNewestFirst() {
        MouseWindow w;
        const QDateTime day(QDate(2026, 12, 1), QTime(12, 0));
        const std::pair<const char*, int> archives[] = {{"Archive/2009.csv", 3},
                                                        {"Archive/2010.csv", 1},
                                                        {"Archive/OLD.csv", 2},
                                                        {"Archive/low.csv", 0},
                                                        {"Archive/2011.txt", 0}};
        for (const auto& [name, daysAgo] : archives) {
            const QString path = QString::fromLatin1(name);
            w.harness.folder().write(path, journalBytes({{path, {}, {}, {}, {}, {}, {}, {}}}));
            QFile file(w.harness.folder().file(path));
            QVERIFY(file.open(QIODevice::ReadWrite) &&
                    file.setFileTime(day.addDays(-daysAgo), QFileDevice::FileModificationTime));
        }
        QVERIFY(QFile::link(w.harness.folder().file(QStringLiteral("Archive/2009.csv")),
                            w.harness.folder().file(QStringLiteral("Archive/LINK.csv"))));
        QCOMPARE(
            ::mkfifo(QFile::encodeName(w.harness.folder().file(QStringLiteral("Archive/PIPE.csv")))
                         .constData(),
                     0600),
            0);

        ScriptedPrompter& prompter = w.harness.prompter();
        prompter.answers << QStringLiteral("2009");
        w.harness.press("CmdZArch");
        QCOMPARE(prompter.offers.value(0), texts({"2010", "OLD", "2009"}));
        QCOMPARE(prompter.prompts.value(0), QStringLiteral("Введите год (или другое имя файла)"));
        QCOMPARE(prompter.proposals.value(0), QString());
        QCOMPARE(w.grid().text(0, 0), QStringLiteral("Archive/2009.csv"));
        prompter.answers << QStringLiteral("old");
        w.harness.press("CmdZArch");
        QCOMPARE(w.grid().text(0, 0), QStringLiteral("Archive/OLD.csv"));

        // The archive on screen is proposed its own name.
        prompter.answers << QStringLiteral("2026");
        w.harness.press("CmdSaveAs");
        QCOMPARE(prompter.prompts.value(2), QStringLiteral("Введите имя файла"));
        QCOMPARE(prompter.proposals.value(2), QStringLiteral("OLD"));
        QVERIFY(w.harness.folder().exists(QStringLiteral("Archive/2026.csv")));
        QCOMPARE(prompter.offers.value(2).size(), 3);
    }
};

QTEST_MAIN(TestWindowMouse)
#include "tst_windowmouse.moc"
