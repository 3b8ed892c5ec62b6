// What the keyboard reaches: "Обмен" by Tab and by its keys, Escape on the help and on the rows
// found, Shift+F10 on the grid. Run offscreen, and once more on a desktop, where the keys are
// real ones typed with xdotool under a Latin, a Russian and a two-layout keyboard.
#include "app/gridview.h"
#include "model/gridmodel.h"
#include "support/gridtexts.h"
#include "support/windowharness.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPointer>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QTest>
#include <QTimer>
#include <QToolButton>

namespace {

bool onDesktop() {
    return QGuiApplication::platformName() == QLatin1String("xcb") &&
           !QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty();
}

// Runs a desktop tool (xdotool, setxkbmap); true when it ended well within ten seconds.
bool run(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.start(program, arguments);
    return process.waitForFinished(10000) && process.exitCode() == 0;
}

// Presses a key: on a desktop a real one (xdotool's names: "alt+j", "shift+F10"), offscreen
// Qt's event of it to the widget with the focus.
void press(const QString& desktopKey, int key, Qt::KeyboardModifiers modifiers = {}) {
    if (onDesktop()) {
        QVERIFY(run(QStringLiteral("xdotool"), {QStringLiteral("key"), desktopKey}));
        return;
    }
    QWidget* focus = QApplication::focusWidget();
    QVERIFY(focus);
    // With its text, so that a key outside ASCII (a Cyrillic letter) goes too.
    const QString text = key < Qt::Key_Escape ? QString(QChar(key)).toLower() : QString();
    QTest::sendKeyEvent(QTest::Press, focus, Qt::Key(key), text, modifiers);
    QTest::sendKeyEvent(QTest::Release, focus, Qt::Key(key), text, modifiers);
}

// Whether `menu` opens (at most five seconds after `open`); it is closed again.
bool opens(QMenu& menu, const std::function<void()>& open) {
    bool shown = false;
    const QMetaObject::Connection watch = QObject::connect(&menu, &QMenu::aboutToShow, [&] {
        shown = true;
        QMetaObject::invokeMethod(&menu, &QMenu::close, Qt::QueuedConnection);
    });
    open();
    const bool opened = QTest::qWaitFor([&] { return shown; }, 5000);
    QObject::disconnect(watch);
    return QTest::qWaitFor([&] { return !menu.isVisible(); }, 5000) && opened;
}

void focusWindow(WindowHarness& harness) {
    harness.window().activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&harness.window()));
    harness.inputLine().setFocus(Qt::OtherFocusReason);
    QTRY_VERIFY(harness.inputLine().hasFocus());
}

} // namespace

class TestControlKeys : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void cleanupTestCase() {
        if (onDesktop())
            run(QStringLiteral("setxkbmap"), {QStringLiteral("us")});
    }

    // Tab goes on from "Печать" to the filter and "Обмен", then round to the input line.
    void tabReachesTheFilterAndTheExchange() {
        WindowHarness harness;
        focusWindow(harness);
        harness.control<QPushButton>("CmdPrint").setFocus(Qt::OtherFocusReason);
        QStringList reached;
        for (int i = 0; i < 3; ++i) {
            press(QStringLiteral("Tab"), Qt::Key_Tab);
            QTest::qWait(onDesktop() ? 100 : 0);
            reached << (QApplication::focusWidget() ? QApplication::focusWidget()->objectName()
                                                    : QString());
        }
        QCOMPARE(reached, (QStringList{QStringLiteral("CmbFilter"), QStringLiteral("CmdExchange"),
                                       QStringLiteral("TxtVvod")}));
    }

    // F10, the underlined letter of "&Обмен" and, on a Latin layout, the same key's Alt+J open
    // its menu; so does Space on the button.
    void keysOpenTheExchangeMenu_data() {
        QTest::addColumn<QString>("layout"); // the desktop's layouts, the first one active
        QTest::addColumn<QString>("desktopKey");
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::newRow("F10") << "us"
                             << "F10" << int(Qt::Key_F10) << 0;
        QTest::newRow("Alt+J, Latin") << "us"
                                      << "alt+j" << int(Qt::Key_J) << int(Qt::AltModifier);
        QTest::newRow("Alt+О, Russian") << "ru"
                                        << "alt+Cyrillic_o" << 0x41e << int(Qt::AltModifier);
        QTest::newRow("Alt+О, Russian of two") << "ru,us"
                                               << "alt+Cyrillic_o" << 0x41e << int(Qt::AltModifier);
        QTest::newRow("Alt+J, Latin of two") << "us,ru"
                                             << "alt+j" << int(Qt::Key_J) << int(Qt::AltModifier);
    }
    void keysOpenTheExchangeMenu() {
        QFETCH(QString, layout);
        QFETCH(QString, desktopKey);
        QFETCH(int, key);
        QFETCH(int, modifiers);
        if (onDesktop())
            QVERIFY(run(QStringLiteral("setxkbmap"), {QStringLiteral("-layout"), layout}));
        WindowHarness harness;
        focusWindow(harness);
        auto& exchange = harness.control<QToolButton>("CmdExchange");
        QVERIFY(opens(*exchange.menu(),
                      [&] { press(desktopKey, key, Qt::KeyboardModifiers(modifiers)); }));
        harness.window().activateWindow(); // back from the menu
        QVERIFY(QTest::qWaitForWindowActive(&harness.window()));
        exchange.setFocus(Qt::OtherFocusReason);
        QTRY_VERIFY(exchange.hasFocus());
        QVERIFY(opens(*exchange.menu(), [&] { press(QStringLiteral("space"), Qt::Key_Space); }));
    }

    // Escape closes the help window, and the list of rows found in every journal, which takes
    // the keys when it shows.
    void escapeClosesTheHelpAndTheRowsFound() {
        WindowHarness harness;
        focusWindow(harness);
        press(QStringLiteral("F1"), Qt::Key_F1);
        // The help window is deleted once closed: followed through a guarded pointer.
        QPointer<QWidget> help;
        QTRY_VERIFY((help = harness.window().findChild<QWidget*>(QStringLiteral("FrmHelp"))));
        QTRY_VERIFY(help->isActiveWindow());
        press(QStringLiteral("Escape"), Qt::Key_Escape);
        QTRY_VERIFY(!help || !help->isVisible());

        harness.folder().write(QStringLiteral("thisyear.csv"), journalBytes({texts({"Бета"})}));
        harness.press("CmdZagruz");
        focusWindow(harness);
        QTest::keyClick(&harness.gridView(), Qt::Key_F, Qt::ControlModifier);
        harness.control<QCheckBox>("ChkAllJournals").setChecked(true);
        auto& text = harness.control<QLineEdit>("TxtFind");
        text.setText(QStringLiteral("Бета"));
        QTest::keyClick(&text, Qt::Key_Return);
        auto& found = harness.control<QListWidget>("LstFound");
        QCOMPARE(found.count(), 1);
        QWidget* list = found.window();
        QTRY_VERIFY(list->isActiveWindow());
        press(QStringLiteral("Escape"), Qt::Key_Escape);
        QTRY_VERIFY(!list->isVisible());
    }

    // Shift+F10 on the grid opens its menu over the current cell, as the Menu key does.
    void shiftF10OpensTheGridMenuAtTheCurrentCell() {
        WindowHarness harness;
        harness.folder().write(QStringLiteral("thisyear.csv"),
                               journalBytes({texts({"Альфа"}), texts({"Бета"})}));
        harness.press("CmdZagruz");
        focusWindow(harness);
        app::GridView& view = harness.gridView();
        view.setFocus(Qt::OtherFocusReason);
        QTRY_VERIFY(view.hasFocus());
        harness.setCurrentCell(1, 1);
        auto* menu = view.findChild<QMenu*>(QStringLiteral("MenuGrid"));
        QVERIFY(menu);
        press(QStringLiteral("shift+F10"), Qt::Key_F10, Qt::ShiftModifier);
        QTRY_VERIFY(menu->isVisible());
        const QPoint cell =
            view.viewport()->mapToGlobal(view.visualRect(harness.grid().index(1, 1)).center());
        QCOMPARE(menu->pos(), cell);
        menu->close();
    }
};

QTEST_MAIN(TestControlKeys)
#include "tst_controlkeys.moc"
