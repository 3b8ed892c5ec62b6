// The window as a keyboard user and a spreadsheet user meet it: what a click on a cell or on the
// header opens, what typing then does, the keys of the commands, the focus frame, the popups on
// the screen's edge, the row filter through reorderings, and the title after a failed opening.
#include "app/celleditor.h"
#include "app/gridview.h"
#include "model/gridmodel.h"
#include "support/gridtexts.h"
#include "support/printfixtures.h"
#include "support/windowharness.h"

#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QCalendarWidget>
#include <QClipboard>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QScreen>
#include <QStyleHints>
#include <QTest>
#include <QToolButton>

using namespace Qt::StringLiterals;

namespace {

constexpr int Owner = 0;
constexpr int Activation = 5;

// Units of this year's register; the clock stands in December 2026: Бета and Гамма are blocked.
struct Opened {
    WindowHarness harness{[] {
        app::WindowServices services;
        services.clock = std::make_shared<FixedClock>();
        return services;
    }()};
    explicit Opened(int extraRows = 0) {
        const auto row = [](const QString& owner, const char* activation) {
            return QStringList{owner, {}, {}, {}, {}, QString::fromUtf8(activation), {}, {}};
        };
        QList<QStringList> rows = {
            row(QStringLiteral("Альфа"), "15.12.2025"), row(QStringLiteral("Бета"), "10.10.2025"),
            row(QStringLiteral("Вега"), "05.11.2025"), row(QStringLiteral("Гамма"), "01.01.2025"),
            row(QStringLiteral("Дельта"), "15.12.2025")};
        for (int i = 0; i < extraRows; ++i)
            rows << row(QStringLiteral("Ещё %1").arg(i), "15.12.2025");
        harness.folder().write(QStringLiteral("thisyear.csv"), journalBytes(rows));
        harness.press("CmdZagruz");
    }
    model::GridModel& grid() { return harness.grid(); }
    app::CellEditor& editor() { return harness.cellEditor(); }
    // The owners of the rows the view shows, top to bottom.
    QStringList shownOwners() {
        QStringList owners;
        for (int r = 0; r < grid().rowCount(); ++r)
            if (!harness.gridView().isRowHidden(r))
                owners << grid().text(r, Owner);
        return owners;
    }
    QStringList owners() {
        QStringList all;
        for (int r = 0; r < grid().rowCount(); ++r)
            all << grid().text(r, Owner);
        return all;
    }
};

QRect caretRect(const QLineEdit& line) {
    return line.inputMethodQuery(Qt::ImCursorRectangle).toRect();
}

// Whether the widget lies wholly within the available area of its screen.
bool onScreen(const QWidget& widget) {
    const QScreen* screen = widget.screen();
    return screen && screen->availableGeometry().contains(widget.frameGeometry());
}

} // namespace

class TestWindowKeys : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // A click on a header sorts, a second one turns the order round: neither opens an editor, so
    // the second click reaches the header. It still counts for "Выход".
    void aHeaderClickSortsAndOpensNothing() {
        Opened opened;
        opened.harness.clickCaption(Owner);
        QVERIFY(!opened.editor().isVisible());
        QVERIFY(opened.harness.window().isModified());
        QCOMPARE(opened.owners(), texts({"Альфа", "Бета", "Вега", "Гамма", "Дельта"}));
        opened.harness.clickCaption(Owner);
        QVERIFY(!opened.editor().isVisible());
        QCOMPARE(opened.owners(), texts({"Дельта", "Гамма", "Вега", "Бета", "Альфа"}));
    }

    // A click opens the editor with the whole text selected: typing replaces it, as in a
    // spreadsheet. F2 puts the caret after the text; a double click, its second press landing on
    // the editor the first opened, puts it where the pointer is; a later double click in the
    // editor selects a word, as a line edit does.
    void aClickSelectsTheTextSoTypingReplacesIt() {
        Opened opened;
        app::CellEditor& editor = opened.editor();
        opened.harness.clickCell(1, Owner);
        QCOMPARE(editor.selectedText(), QStringLiteral("Бета"));
        typeText(&editor, QStringLiteral("зуе"));
        QTest::keyClick(&editor, Qt::Key_Return);
        QCOMPARE(opened.grid().text(1, Owner), QStringLiteral("зуе"));

        opened.harness.setCurrentCell(2, Owner);
        QTest::keyClick(&opened.harness.gridView(), Qt::Key_F2);
        QVERIFY(editor.isOpen());
        QVERIFY(!editor.hasSelectedText());
        typeText(&editor, QStringLiteral("-2"));
        QTest::keyClick(&editor, Qt::Key_Return);
        QCOMPARE(opened.grid().text(2, Owner), QStringLiteral("Вега-2"));

        opened.grid().setText(3, Owner, QStringLiteral("Гамма Плюс"));
        opened.harness.clickCell(3, Owner);
        QVERIFY(editor.hasSelectedText());
        QTest::mouseDClick(&editor, Qt::LeftButton, {},
                           QPoint(editor.width() - 8, editor.height() / 2));
        QVERIFY(!editor.hasSelectedText());
        QCOMPARE(editor.cursorPosition(), editor.text().size());
        QTest::qWait(QGuiApplication::styleHints()->mouseDoubleClickInterval() + 50);
        QTest::mouseDClick(&editor, Qt::LeftButton, {},
                           QPoint(caretRect(editor).center().x(), editor.height() / 2));
        QVERIFY(editor.hasSelectedText());
    }

    // The filter hides the rows it leaves out wherever a sort, its undo or a moved column takes
    // them: what shows are the blocked units, and the count says so.
    void theFilterFollowsTheRowsThroughSorts() {
        Opened opened;
        auto& filter = opened.harness.control<QComboBox>("CmbFilter");
        filter.setCurrentIndex(filter.findText(QStringLiteral("Заблокированы")));
        QCOMPARE(opened.shownOwners(), texts({"Бета", "Гамма"}));
        opened.harness.clickCaption(Owner);
        opened.harness.clickCaption(Owner); // descending: Дельта, Гамма, Вега, Бета, Альфа
        QCOMPARE(opened.owners().first(), QStringLiteral("Дельта"));
        QCOMPARE(opened.shownOwners(), texts({"Гамма", "Бета"}));
        opened.harness.control<QAction>("ActUndo").trigger();
        QCOMPARE(opened.owners().first(), QStringLiteral("Альфа"));
        QCOMPARE(opened.shownOwners(), texts({"Бета", "Гамма"}));
        opened.harness.clickCaption(Activation); // by activation date
        QCOMPARE(opened.shownOwners(), texts({"Гамма", "Бета"}));
        QVERIFY(
            opened.harness.blockSummary().text().contains(QStringLiteral("Показано строк: 2.")));
    }

    // On the last rows of a window at the screen's bottom, the calendar, the list of a column's
    // values and the context menu open within the screen.
    void popupsStayOnTheScreen() {
        Opened opened(40);
        app::JournalWindow& window = opened.harness.window();
        const QRect area = window.screen()->availableGeometry();
        window.move(area.left(), area.bottom() - window.frameGeometry().height());
        QTest::qWait(20);
        const int last = opened.grid().rowCount() - 1;
        opened.harness.clickCell(last, Activation);
        app::CellEditor& editor = opened.editor();
        QVERIFY(editor.isOpen());
        QVERIFY(onScreen(editor));
        QTest::keyClick(&editor, Qt::Key_Down, Qt::AltModifier);
        auto& calendar = *window.findChild<QCalendarWidget*>(QStringLiteral("CalDate"));
        QVERIFY(calendar.isVisible());
        QVERIFY2(onScreen(calendar), qPrintable(QStringLiteral("calendar at %1,%2 %3x%4")
                                                    .arg(calendar.frameGeometry().x())
                                                    .arg(calendar.frameGeometry().y())
                                                    .arg(calendar.frameGeometry().width())
                                                    .arg(calendar.frameGeometry().height())));
        QTest::keyClick(&calendar, Qt::Key_Escape);
        QTest::keyClick(&editor, Qt::Key_Escape);

        opened.harness.clickCell(last, Owner);
        typeText(&opened.editor(), QStringLiteral("Е")); // the owners beginning so are listed
        QTest::keyClick(&opened.editor(), Qt::Key_Down, Qt::AltModifier);
        QAbstractItemView* values = nullptr;
        const auto listShown = [&] {
            for (QWidget* widget : QApplication::topLevelWidgets())
                if (widget->objectName() == QStringLiteral("LstCompletion") && widget->isVisible())
                    values = qobject_cast<QAbstractItemView*>(widget);
            return values != nullptr;
        };
        QVERIFY(QTest::qWaitFor(listShown, 2000));
        QVERIFY(onScreen(*values));
        QTest::keyClick(values, Qt::Key_Escape);
        QTest::keyClick(&opened.editor(), Qt::Key_Escape);

        opened.harness.setCurrentCell(last, Owner);
        opened.harness.gridView().setFocus();
        QContextMenuEvent menuKey(QContextMenuEvent::Keyboard, QPoint(), QPoint());
        QApplication::sendEvent(&opened.harness.gridView(), &menuKey); // the Menu key's event
        auto* menu = window.findChild<QMenu*>(QStringLiteral("MenuGrid"));
        QVERIFY(menu && menu->isVisible());
        QVERIFY(onScreen(*menu));
        menu->close();
    }

    // The date editor shows a whole date beside its calendar button.
    void theDateEditorShowsAWholeDate() {
        Opened opened;
        opened.harness.clickCell(0, Activation);
        app::CellEditor& editor = opened.editor();
        QVERIFY(editor.isOpen());
        // The text ends left of the calendar's button.
        QToolButton* button = nullptr;
        for (QToolButton* child : editor.findChildren<QToolButton*>())
            if (child->isVisibleTo(&editor))
                button = child;
        QVERIFY(button);
        editor.end(false);
        QVERIFY2(caretRect(editor).right() <= button->geometry().left(),
                 qPrintable(QStringLiteral("caret at %1, button from %2")
                                .arg(caretRect(editor).right())
                                .arg(button->geometry().left())));
    }

    // The keys move the current cell alone, Shift held or not, and Ctrl+A selects nothing: only
    // a drag of the mouse widens the selection. What is copied, cut, searched and deleted next is
    // the unit the cursor came to, not the one it left, nor the whole journal.
    void keysMoveTheCurrentCellAlone() {
        Opened opened;
        app::GridView& view = opened.harness.gridView();
        opened.harness.setCurrentCell(1, Owner);
        QTest::keyClick(&view, Qt::Key_Down, Qt::ShiftModifier);
        QCOMPARE(opened.harness.currentCell(), QPoint(2, Owner));
        QTest::keyClick(&view, Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("Вега"));
        opened.harness.press("CmdDelS");
        QCOMPARE(opened.owners(), (QStringList{QStringLiteral("Альфа"), QStringLiteral("Бета"),
                                               QStringLiteral("Гамма"), QStringLiteral("Дельта")}));
        opened.harness.setCurrentCell(0, Activation - 1);
        QTest::keyClick(&view, Qt::Key_Right, Qt::ShiftModifier);
        opened.harness.prompter().answers << QStringLiteral("10.10");
        opened.harness.press("CmdSearh"); // looks in the column the cursor came to
        QCOMPARE(opened.harness.currentCell(), QPoint(1, Activation));
        opened.harness.setCurrentCell(0, Owner);
        QTest::keyClick(&view, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(&view, Qt::Key_X, Qt::ControlModifier);
        QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("Альфа"));
        QCOMPARE(opened.owners(), (QStringList{QString(), QStringLiteral("Бета"),
                                               QStringLiteral("Гамма"), QStringLiteral("Дельта")}));
        QCOMPARE(opened.grid().text(0, Activation), QStringLiteral("15.12.2025"));
    }

    // Every shortcut of the window reaches its action from the grid, the input line and the cell
    // editor alike (on X11 a line edit keeps Ctrl+E for itself unless told); only undo and redo
    // stay the line edits' own.
    void theWindowsShortcutsWorkFromEveryControl() {
        Opened opened;
        app::JournalWindow& window = opened.harness.window();
        // Counts the shortcut events an action gets and keeps them from running its command.
        struct Counter : QObject {
            int hits = 0;
            bool eventFilter(QObject*, QEvent* event) override {
                hits += event->type() == QEvent::Shortcut ? 1 : 0;
                return event->type() == QEvent::Shortcut;
            }
        };
        QStringList missed;
        int tried = 0;
        for (const QString& place : {u"MSFGAZ"_s, u"TxtVvod"_s, u"txtDataEntry"_s})
            for (QAction* action : window.actions()) {
                if (action->objectName() == u"ActUndo" || action->objectName() == u"ActRedo" ||
                    !action->isEnabled())
                    continue;
                for (const QKeySequence& keys : action->shortcuts()) {
                    opened.harness.setCurrentCell(0, Owner);
                    if (place == u"MSFGAZ")
                        opened.harness.gridView().setFocus();
                    else if (place == u"TxtVvod")
                        opened.harness.inputLine().setFocus();
                    else
                        opened.harness.clickCell(0, Owner);
                    Counter counter;
                    action->installEventFilter(&counter);
                    QTest::keySequence(window.windowHandle(), keys);
                    action->removeEventFilter(&counter);
                    if (opened.editor().isOpen())
                        QTest::keyClick(&opened.editor(), Qt::Key_Escape);
                    ++tried;
                    if (counter.hits != 1)
                        missed << place + u": "_s + keys.toString() + u" ("_s +
                                      action->objectName() + u')';
                }
            }
        QVERIFY(tried >= 30);
        QVERIFY2(missed.isEmpty(), qPrintable(missed.join(u", ")));
    }

    // A cell holding a tab or a line end (read from a spreadsheet's file) copies and pastes as
    // one cell: its neighbours keep their texts; text from elsewhere still pastes by its tabs
    // and lines.
    void aCellWithATabOrALineEndPastesIntoOneCell() {
        Opened opened;
        app::GridView& view = opened.harness.gridView();
        opened.grid().setText(0, 1, QStringLiteral("c\nd"));
        opened.grid().setText(0, 2, QStringLiteral("g\th"));
        const QList<QStringList> before = opened.grid().dataRows();
        for (const int col : {1, 2}) {
            opened.harness.setCurrentCell(0, col);
            QTest::keyClick(&view, Qt::Key_C, Qt::ControlModifier);
            opened.harness.setCurrentCell(2, 3);
            QTest::keyClick(&view, Qt::Key_V, Qt::ControlModifier);
            QVERIFY(!opened.grid().text(2, 3).isEmpty());
            QCOMPARE(opened.grid().dataRows().mid(3), before.mid(3));
            QCOMPARE(opened.grid().text(2, 4), before[2][4]);
        }
        QApplication::clipboard()->setText(QStringLiteral("x\ty\nz"));
        opened.harness.setCurrentCell(3, 1);
        QTest::keyClick(&view, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(opened.grid().dataRows()[3].mid(1, 2), texts({"x", "y"}));
        QCOMPARE(opened.grid().text(4, 1), QStringLiteral("z"));
    }

    // Ctrl+O opens this year's register, Ctrl+S saves it, Ctrl+Shift+S asks for an archive's
    // name, proposing the year; each key is the action its button triggers.
    void keysRunTheirCommands() {
        Opened opened;
        app::JournalWindow& window = opened.harness.window();
        opened.harness.editCell(0, Owner, QStringLiteral("Омега"));
        QTest::keyClick(&window, Qt::Key_S, Qt::ControlModifier);
        QVERIFY(opened.harness.folder()
                    .read(QStringLiteral("thisyear.csv"))
                    .startsWith(cp1251(QStringLiteral("Омега;"))));
        opened.grid().setText(0, Owner, QStringLiteral("на экране"));
        QTest::keyClick(&window, Qt::Key_O, Qt::ControlModifier);
        QCOMPARE(opened.grid().text(0, Owner), QStringLiteral("Омега"));
        opened.harness.prompter().answers << QStringLiteral("2026");
        QTest::keyClick(&window, Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(opened.harness.prompter().proposals.value(0), QStringLiteral("2026"));
        QVERIFY(opened.harness.folder().exists(QStringLiteral("Archive/2026.csv")));
        for (const char* name : {"ActOpen", "ActSave", "ActSaveAs"})
            QVERIFY2(window.findChild<QAction*>(QString::fromLatin1(name)), name);
        QCOMPARE(opened.harness.control<QPushButton>("CmdSave").toolTip(),
                 QStringLiteral("Сохранить изменения (Ctrl+S)"));
    }

    // The grid shows a frame of its own while it has the focus.
    void theGridShowsWhenItHasTheFocus() {
        Opened opened;
        app::GridView& view = opened.harness.gridView();
        opened.harness.inputLine().setFocus();
        QVERIFY(QTest::qWaitFor([&] { return !view.hasFocus(); }));
        const QColor unfocused = view.grab().toImage().pixelColor(0, view.height() / 2);
        QCOMPARE(unfocused, QColor(192, 192, 192));
        view.setFocus();
        QVERIFY(QTest::qWaitFor([&] { return view.hasFocus(); }));
        const QColor focused = view.grab().toImage().pixelColor(0, view.height() / 2);
        QCOMPARE(focused, QColor(0, 0, 160));
    }

    // An archive that could not be opened is not named in the title, as if it were open and
    // empty.
    void aFailedOpeningNamesNoJournal() {
        Opened opened;
        opened.harness.folder().write(QStringLiteral("Archive/2009.csv"),
                                      journalBytes({texts({"Архивный"})}));
        opened.harness.prompter().answers << QStringLiteral("1999");
        opened.harness.press("CmdZArch");
        QCOMPARE(opened.harness.prompter().messages.value(0),
                 QStringLiteral("Не могу найти  указанный год."));
        QCOMPARE(opened.harness.window().windowTitle(), QStringLiteral("Журнал учета ЭКЛЗ[*]"));
        QVERIFY(!opened.harness.window().isWindowModified());
    }
};

QTEST_MAIN(TestWindowKeys)
#include "tst_windowkeys.moc"
