// What a hand does to the window, at every place of it, in random order: pointer moves and rests
// followed by help events, clicks, double and right clicks, drags, wheel turns and keys, over
// windows with no journal, an empty one, one row, the captions alone, a few hundred rows and
// a filter hiding every row. After every step every row of the grid must still be as wide as its
// captions. On a desktop (the xcb platform) the pointer really moves,
// and a resting pointer really shows tooltips.
//
// Every window is seeded and replays exactly: a failure, a crash too, names its seed and steps.
// EKLZ_MONKEY_STEPS sets how many steps run in all (default 3000, in windows of 60 steps),
// EKLZ_MONKEY_SEED the first window's seed (default 1); none runs past EKLZ_MONKEY_SECONDS
// (default 150).
#include "app/celleditor.h"
#include "app/gridview.h"
#include "model/gridmodel.h"
#include "support/gridtexts.h"
#include "support/printfixtures.h"
#include "support/randomruns.h"
#include "support/recordingsurface.h"
#include "support/scriptedfilechooser.h"
#include "support/windowharness.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDeadlineTimer>
#include <QDialog>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QHelpEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QRandomGenerator>
#include <QScrollBar>
#include <QStyle>
#include <QTest>
#include <QTimer>
#include <QToolTip>
#include <algorithm>
#include <csignal>
#include <cstring>
#include <unistd.h>

namespace {

const QString BlockedTip = QStringLiteral("Заблокирована с 01.12.2026");

class NullPrinter : public printing::PrinterProvider {
public:
    std::unique_ptr<printing::PageSurface> open() override {
        return std::make_unique<RecordingSurface>();
    }
};

// The windows worked on, chosen by the seed.
enum class Journal { None, Empty, OneRow, NoDataRows, Hundreds, AllFilteredOut };
constexpr int JournalKinds = 6;
const char* journalName(Journal journal) {
    static const char* const names[] = {"no journal", "an empty journal",
                                        "one row",    "its one row removed",
                                        "300 rows",   "every row filtered out"};
    return names[int(journal)];
}

// A unit row with that activation date; by the clock's 07.12.2026, "10.10.2025" has blocked,
// "05.11.2025" blocks soon, "15.12.2025" is clear.
QStringList unit(int n, const char* activation) {
    QStringList row = texts({"ООО Ромашка", "ЭКР 2102К", "", "0042", "", activation, "", "Иванов"});
    row[2] = QString::number(n);
    row[3] += QString::number(n); // each unit its own serial: no repeat marks
    return row;
}

QList<QStringList> journalRows(Journal journal) {
    static const char* const dates[] = {"10.10.2025", "05.11.2025", "15.12.2025", "", "32.13.2009"};
    QList<QStringList> rows;
    switch (journal) {
    case Journal::OneRow:
    case Journal::NoDataRows:
        rows << unit(1, "10.10.2025");
        break;
    case Journal::Hundreds:
        for (int r = 0; r < 300; ++r)
            rows << unit(r, dates[r % int(std::size(dates))]);
        break;
    case Journal::AllFilteredOut: // none blocked
        for (int r = 0; r < 5; ++r)
            rows << unit(r, "15.12.2025");
        break;
    default:
        break;
    }
    return rows;
}

// Sends a help event of that type to `widget` at `at`, as Qt does for a resting pointer; the
// event goes up to the parents that do not take it.
void sendHelp(QWidget* widget, QEvent::Type type, QPoint at) {
    if (type == QEvent::StatusTip) {
        QStatusTipEvent tip(QStringLiteral("подсказка"));
        QApplication::sendEvent(widget, &tip);
        return;
    }
    QHelpEvent help(type, at, widget->mapToGlobal(at));
    QApplication::sendEvent(widget, &help);
}

bool onDesktop() {
    return QGuiApplication::platformName() == QLatin1String("xcb");
}

const char* helpName(QEvent::Type type) {
    switch (type) {
    case QEvent::ToolTip:
        return "ToolTip";
    case QEvent::QueryWhatsThis:
        return "QueryWhatsThis";
    case QEvent::WhatsThis:
        return "WhatsThis";
    default:
        return "StatusTip";
    }
}

// Qt Test warns of every click on a widget that takes none (a label, the window's background),
// and the offscreen platform of every raise(): neither says anything about the program.
QtMessageHandler previousMessages = nullptr;
void dropNoise(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    const bool noise =
        type == QtWarningMsg &&
        ((text.startsWith(QLatin1String("Mouse event")) &&
          text.endsWith(QLatin1String("not accepted by receiving widget"))) ||
         text == QLatin1String("This plugin does not support raise()") ||
         text == QLatin1String("This plugin does not support grabbing the keyboard"));
    if (!noise)
        previousMessages(type, context, text);
}

// A window worked on by a seeded hand. A place is a widget and a point in it: the deepest widget
// there, which the events go to as the window system would send them.
class Monkey {
public:
    static constexpr int StepsPerWindow = 60;

    explicit Monkey(quint32 seed)
        : random_(seed), seed_(seed), journal_(Journal(seed % JournalKinds)) {
        openWindow();
        // A modal dialog or a menu a step waits on (a scroll bar's menu) is answered while the
        // step waits; the step's others once it is over.
        QObject::connect(&modalWatch_, &QTimer::timeout, &modalWatch_, [this] {
            if (inStep_)
                answerOpenWidgets();
        });
        modalWatch_.start(50);
    }

    QString run(int steps, const QDeadlineTimer& deadline) {
        if (journal_ == Journal::NoDataRows && grid().rowCount() != 0)
            return report(QStringLiteral("the journal's one row was not removed"));
        if (QString problem = check(); !problem.isEmpty())
            return report(problem);
        for (int i = 0; i < steps && !deadline.hasExpired(); ++i) {
            answers();
            inStep_ = true;
            step();
            inStep_ = false;
            settle();
            if (QString problem = check(); !problem.isEmpty())
                return report(problem);
            if (harness_->endCount() > 0) {
                log_ << QStringLiteral("the program ended: the window is opened again");
                openWindow();
            }
        }
        return {};
    }

    int stepsTaken() const { return steps_; }

private:
    struct Place {
        QPointer<QWidget> widget;
        QPoint at;
        QString name;
    };

    int pick(int bound) { return bound <= 0 ? 0 : int(random_.bounded(quint32(bound))); }
    bool chance(int percent) { return pick(100) < percent; }
    QPoint pointIn(QRect area) {
        return {area.left() + pick(area.width()), area.top() + pick(area.height())};
    }
    app::JournalWindow& window() { return harness_->window(); }
    app::GridView& view() { return harness_->gridView(); }
    model::GridModel& grid() { return harness_->grid(); }

    void openWindow() {
        harness_.reset();
        app::WindowServices services;
        services.clock = std::make_shared<FixedClock>();
        services.printer = std::make_shared<NullPrinter>();
        // "Экспорт…" from the menu writes into the window's folder, never waiting on a dialog.
        auto files = std::make_shared<ScriptedFileChooser>();
        services.files = files;
        harness_ = std::make_unique<WindowHarness>(std::move(services));
        files->otherwise = harness_->folder().file(QStringLiteral("export.ods"));
        harness_->folder().write(QStringLiteral("Archive/2025.csv"),
                                 journalBytes(journalRows(Journal::OneRow)));
        if (journal_ == Journal::None)
            return;
        harness_->folder().write(QStringLiteral("thisyear.csv"),
                                 journalBytes(journalRows(journal_)));
        harness_->press("CmdZagruz");
        if (journal_ == Journal::NoDataRows) {
            harness_->clickCell(0, 0);
            harness_->press("CmdDelS"); // the grid keeps its header row alone
        }
        if (journal_ == Journal::AllFilteredOut)
            harness_->control<QComboBox>("CmbFilter").setCurrentIndex(1); // "Заблокированы"
    }

    // Whatever a step asks is answered from these: names, search words, dates, nothing.
    void answers() {
        static const QStringList texts = {QStringLiteral("2025"),       QString(),
                                          QStringLiteral("Ромашка"),    QStringLiteral("../x"),
                                          QStringLiteral("01.12.2026"), QStringLiteral("арх")};
        ScriptedPrompter& prompter = harness_->prompter();
        prompter.answers = {texts[pick(int(texts.size()))], texts[pick(int(texts.size()))]};
        prompter.questionAnswers = {chance(50), chance(50), chance(50)};
    }

    // A place in the main window, given as a widget and a point in it.
    Place inWindow(QWidget* widget, QPoint at, const char* what) {
        const QPoint inMain = widget->mapTo(&window(), at);
        QWidget* deepest = window().childAt(inMain);
        if (!deepest)
            deepest = &window();
        const QPoint local = deepest->mapFrom(&window(), inMain);
        return {deepest, local,
                QStringLiteral("%1 (%2 %3,%4)")
                    .arg(QLatin1String(what), widgetName(deepest))
                    .arg(local.x())
                    .arg(local.y())};
    }

    Place pickPlace() {
        QWidget* viewport = view().viewport();
        QHeaderView* header = view().horizontalHeader();
        const int rowsEnd = view().verticalHeader()->length() - view().verticalHeader()->offset();
        const int colsEnd = header->length() - header->offset();
        switch (pick(12)) {
        case 0:
        case 1:
        case 2:
            for (int tries = 0; tries < 8; ++tries) {
                const QPoint at = pointIn(viewport->rect());
                if (view().indexAt(at).isValid())
                    return inWindow(viewport, at, "cell");
            }
            return inWindow(viewport, pointIn(viewport->rect()), "grid");
        case 3:
            return inWindow(header->viewport(), pointIn(header->viewport()->rect()), "header");
        case 4:
            return inWindow(
                viewport,
                pointIn(rowsEnd < viewport->height()
                            ? QRect(0, rowsEnd, viewport->width(), viewport->height() - rowsEnd)
                            : viewport->rect()),
                "below the rows");
        case 5:
            return inWindow(
                viewport,
                pointIn(colsEnd < viewport->width()
                            ? QRect(colsEnd, 0, viewport->width() - colsEnd, viewport->height())
                            : viewport->rect()),
                "right of the columns");
        case 6: {
            QScrollBar* bar =
                chance(50) ? view().verticalScrollBar() : view().horizontalScrollBar();
            if (bar->isVisible())
                return inWindow(bar, pointIn(bar->rect()), "scroll bar");
            return inWindow(viewport, pointIn(viewport->rect()), "grid");
        }
        case 7: {
            QWidget* widget = chance(50) ? static_cast<QWidget*>(&harness_->blockSummary())
                                         : &harness_->control<QComboBox>("CmbFilter");
            return inWindow(widget, pointIn(widget->rect()), "below the grid");
        }
        case 8: {
            const QList<QPushButton*> buttons =
                window().findChildren<QPushButton*>(QString(), Qt::FindDirectChildrenOnly);
            QPushButton* button = buttons[pick(int(buttons.size()))];
            return inWindow(button, pointIn(button->rect()), "button");
        }
        case 9: {
            QWidget* line = harness_->cellEditor().isVisible() && chance(50)
                                ? static_cast<QWidget*>(&harness_->cellEditor())
                                : &harness_->inputLine();
            return inWindow(line, pointIn(line->rect()), "input line");
        }
        case 10: {
            QDialog& prompt = harness_->exitPrompt();
            if (prompt.isVisible()) {
                const QList<QPushButton*> buttons = prompt.findChildren<QPushButton*>();
                QPushButton* button = buttons[pick(int(buttons.size()))];
                return {button, pointIn(button->rect()),
                        QStringLiteral("exit prompt %1").arg(button->objectName())};
            }
            [[fallthrough]];
        }
        default:
            return inWindow(&window(), pointIn(window().rect()), "window");
        }
    }

    // Writes the step down, for the report and for a crash in the middle of it.
    void announce(const QString& what) {
        ++steps_;
        log_ << QStringLiteral("%1. %2").arg(steps_).arg(what);
        const QStringList recent = log_.mid(std::max<qsizetype>(0, log_.size() - 30));
        noteForCrash(QStringLiteral("\ntst_monkey died in window seed %1 (%2), step %3; replay: "
                                    "EKLZ_MONKEY_SEED=%1 EKLZ_MONKEY_STEPS=%3\nlast steps:\n  %4\n")
                         .arg(seed_)
                         .arg(QLatin1String(journalName(journal_)))
                         .arg(steps_)
                         .arg(recent.join(QStringLiteral("\n  ")))
                         .toUtf8());
    }

    // On a desktop the real pointer moves there too.
    static void movePointer(const Place& place) {
        if (!place.widget)
            return;
        if (onDesktop())
            QCursor::setPos(place.widget->mapToGlobal(place.at));
        QMouseEvent move(QEvent::MouseMove, place.at, place.widget->mapToGlobal(place.at),
                         Qt::NoButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(place.widget, &move);
    }

    void hover() {
        const Place place = pickPlace();
        static const QEvent::Type helps[] = {QEvent::ToolTip, QEvent::ToolTip,
                                             QEvent::QueryWhatsThis, QEvent::WhatsThis,
                                             QEvent::StatusTip};
        const QEvent::Type help = helps[pick(int(std::size(helps)))];
        // On a desktop the pointer now and then rests long enough for Qt's own tooltip.
        const bool rest = onDesktop() && chance(6);
        announce(QStringLiteral("hover %1, %2%3")
                     .arg(place.name, QLatin1String(helpName(help)),
                          rest ? QStringLiteral(", resting") : QString()));
        movePointer(place);
        if (place.widget)
            sendHelp(place.widget, help, place.at);
        if (rest)
            QTest::qWait(QApplication::style()->styleHint(QStyle::SH_ToolTip_WakeUpDelay) + 200);
    }

    void click(Qt::MouseButton button, bool twice) {
        const Place place = pickPlace();
        const Qt::KeyboardModifiers modifiers = chance(10) ? Qt::ShiftModifier : Qt::NoModifier;
        const char* buttonName = button == Qt::LeftButton    ? "left"
                                 : button == Qt::RightButton ? "right"
                                                             : "middle";
        announce(QStringLiteral("%1%2 click %3%4")
                     .arg(twice ? QStringLiteral("double ") : QString(), QLatin1String(buttonName),
                          modifiers ? QStringLiteral("with Shift ") : QString(), place.name));
        movePointer(place);
        if (twice && place.widget)
            QTest::mouseDClick(place.widget, button, modifiers, place.at);
        else if (place.widget)
            QTest::mouseClick(place.widget, button, modifiers, place.at);
        if (button == Qt::RightButton && place.widget) {
            QContextMenuEvent menu(QContextMenuEvent::Mouse, place.at,
                                   place.widget->mapToGlobal(place.at));
            QApplication::sendEvent(place.widget, &menu);
        }
    }

    void drag() {
        const Place from = pickPlace();
        const Place to = pickPlace();
        announce(QStringLiteral("drag from %1 to %2").arg(from.name, to.name));
        if (!from.widget || !to.widget)
            return;
        movePointer(from);
        QTest::mousePress(from.widget, Qt::LeftButton, {}, from.at);
        // The moves and the release go to the widget pressed, as the pointer is grabbed.
        const QPoint end = from.widget->mapFromGlobal(to.widget->mapToGlobal(to.at));
        for (int i = 1; i <= 3 && from.widget; ++i)
            QTest::mouseMove(from.widget, from.at + (end - from.at) * i / 3);
        // The button comes up even when the widget pressed is gone.
        QTest::mouseRelease(from.widget ? from.widget.data() : &window(), Qt::LeftButton, {}, end);
    }

    void wheel() {
        const Place place = pickPlace();
        const bool sideways = chance(25);
        const int delta = (chance(50) ? 120 : -120) * (1 + pick(3));
        const Qt::KeyboardModifiers modifiers = chance(15) ? Qt::ControlModifier : Qt::NoModifier;
        announce(QStringLiteral("wheel %1%2%3 over %4")
                     .arg(delta)
                     .arg(sideways ? QStringLiteral(" sideways") : QString(),
                          modifiers ? QStringLiteral(" with Ctrl") : QString(), place.name));
        movePointer(place);
        if (!place.widget)
            return;
        QWheelEvent turn(place.at, place.widget->mapToGlobal(place.at), QPoint(),
                         sideways ? QPoint(delta, 0) : QPoint(0, delta), Qt::NoButton, modifiers,
                         Qt::NoScrollPhase, false);
        QApplication::sendEvent(place.widget, &turn);
    }

    void key() {
        struct Key {
            Qt::Key key;
            Qt::KeyboardModifiers modifiers;
            const char* name;
        };
        static const Key keys[] = {
            {Qt::Key_Return, {}, "Enter"},
            {Qt::Key_Enter, {}, "keypad Enter"},
            {Qt::Key_Escape, {}, "Escape"},
            {Qt::Key_Tab, {}, "Tab"},
            {Qt::Key_Backtab, Qt::ShiftModifier, "Shift+Tab"},
            {Qt::Key_Up, {}, "Up"},
            {Qt::Key_Down, {}, "Down"},
            {Qt::Key_Left, {}, "Left"},
            {Qt::Key_Right, {}, "Right"},
            {Qt::Key_PageUp, {}, "PageUp"},
            {Qt::Key_PageDown, {}, "PageDown"},
            {Qt::Key_Home, {}, "Home"},
            {Qt::Key_End, {}, "End"},
            {Qt::Key_Delete, {}, "Delete"},
            {Qt::Key_Backspace, {}, "Backspace"},
            {Qt::Key_F2, {}, "F2"},
            {Qt::Key_F3, {}, "F3"},
            {Qt::Key_F3, Qt::ShiftModifier, "Shift+F3"},
            {Qt::Key_Z, Qt::ControlModifier, "Ctrl+Z"},
            {Qt::Key_Y, Qt::ControlModifier, "Ctrl+Y"},
            {Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier, "Ctrl+Shift+Z"},
            {Qt::Key_C, Qt::ControlModifier, "Ctrl+C"},
            {Qt::Key_V, Qt::ControlModifier, "Ctrl+V"},
            {Qt::Key_X, Qt::ControlModifier, "Ctrl+X"},
            {Qt::Key_A, Qt::ControlModifier, "Ctrl+A"},
            {Qt::Key_F, Qt::ControlModifier, "Ctrl+F"},
        };
        static const QString letters = QStringLiteral("аЁж19.0 Az;\t✓");
        static const QStringList clips = {
            QStringLiteral("Бета\t\t\t\t\t10.10.2025"), QStringLiteral("1\t2\n3\t4\n"),
            QStringLiteral("01.12.2026"), QString(), QStringLiteral("a;b\r\nc")};
        // With the grid focused, with the cell editor focused (opened by a click on the grid when
        // it is closed), or on whatever holds the focus.
        QWidget* target = &view();
        QString where = QStringLiteral("the grid");
        std::optional<Place> opening;
        const int choice = pick(3);
        if (choice == 1) {
            target = &harness_->cellEditor();
            where = QStringLiteral("the cell editor");
            if (!harness_->cellEditor().isOpen()) {
                opening = inWindow(view().viewport(), pointIn(view().viewport()->rect()), "grid");
                where = QStringLiteral("the cell editor opened by a click on ") + opening->name;
            }
        } else if (choice == 2 && QApplication::focusWidget()) {
            target = QApplication::focusWidget();
            where = widgetName(target);
        }
        const bool typed = chance(30);
        const Key& key = keys[pick(int(std::size(keys)))];
        const QChar letter = letters[pick(int(letters.size()))];
        if (!typed && key.key == Qt::Key_V && chance(50))
            QApplication::clipboard()->setText(clips[pick(int(clips.size()))]);
        announce(QStringLiteral("key %1 on %2")
                     .arg(typed ? QStringLiteral("\"%1\"").arg(letter) : QLatin1String(key.name),
                          where));
        if (opening && opening->widget)
            QTest::mouseClick(opening->widget, Qt::LeftButton, {}, opening->at);
        QPointer<QWidget> receiver = target;
        if (receiver != QApplication::focusWidget())
            receiver->setFocus(Qt::OtherFocusReason);
        if (typed)
            typeText(receiver, letter);
        else
            QTest::keyClick(receiver, key.key, key.modifiers);
    }

    void chooseFilter() {
        auto& filter = harness_->control<QComboBox>("CmbFilter");
        const bool down = chance(50);
        announce(QStringLiteral("key %1 on CmbFilter").arg(QLatin1String(down ? "Down" : "Up")));
        filter.setFocus(Qt::OtherFocusReason);
        QTest::keyClick(&filter, down ? Qt::Key_Down : Qt::Key_Up);
    }

    void step() {
        const int kind = pick(100);
        if (kind < 25)
            hover();
        else if (kind < 47)
            click(Qt::LeftButton, false);
        else if (kind < 55)
            click(Qt::LeftButton, true);
        else if (kind < 62)
            click(chance(80) ? Qt::RightButton : Qt::MiddleButton, false);
        else if (kind < 68)
            drag();
        else if (kind < 76)
            wheel();
        else if (kind < 97)
            key();
        else
            chooseFilter();
    }

    // Answers what a step opened: a modal dialog is cancelled, a menu's item chosen or the menu
    // closed, any other popup (the filter's list, a "What's this?") closed.
    void answerOpenWidgets() {
        for (int i = 0; i < 4; ++i) {
            if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
                log_ << QStringLiteral("  modal %1 cancelled").arg(dialog->objectName());
                dialog->reject();
                continue;
            }
            QWidget* popup = QApplication::activePopupWidget();
            if (!popup)
                return;
            auto* menu = qobject_cast<QMenu*>(popup);
            QList<QAction*> items;
            if (menu)
                for (QAction* action : menu->actions())
                    if (action->isEnabled() && !action->isSeparator() && !action->menu())
                        items << action;
            if (!items.isEmpty() && chance(60)) {
                QAction* item = items[pick(int(items.size()))];
                log_ << QStringLiteral("  menu: %1").arg(item->text());
                // As a click on the item does: the menu closes, then the item acts.
                QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(item).center());
            } else {
                log_ << QStringLiteral("  popup %1 closed")
                            .arg(QLatin1String(popup->metaObject()->className()));
                popup->close();
            }
        }
    }

    // Lets the step's posted events run, then answers what it left open.
    void settle() {
        QCoreApplication::processEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        answerOpenWidgets();
        QCoreApplication::processEvents();
    }

    // What must hold after any step.
    QString check() { return gridShapeFault(grid()); }

    QString report(const QString& problem) const {
        return QStringLiteral(
                   "window seed %1 (%2), after %3 steps: %4\nreplay: EKLZ_MONKEY_SEED=%1 "
                   "EKLZ_MONKEY_STEPS=%3\nsteps:\n  %5")
            .arg(seed_)
            .arg(QLatin1String(journalName(journal_)))
            .arg(steps_)
            .arg(problem, log_.join(QStringLiteral("\n  ")));
    }

    QRandomGenerator random_;
    quint32 seed_;
    Journal journal_;
    std::unique_ptr<WindowHarness> harness_;
    QTimer modalWatch_;
    bool inStep_ = false;
    QStringList log_;
    int steps_ = 0;
};

// A window whose clock says 07.12.2026, with `rows` opened from thisyear.csv (none: nothing
// opened, as at first start).
struct Desk {
    explicit Desk(const std::optional<QList<QStringList>>& rows = std::nullopt)
        : harness([] {
              app::WindowServices services;
              services.clock = std::make_shared<FixedClock>();
              return services;
          }()) {
        if (rows) {
            harness.folder().write(QStringLiteral("thisyear.csv"), journalBytes(*rows));
            harness.press("CmdZagruz");
        }
    }
    app::GridView& view() { return harness.gridView(); }
    WindowHarness harness;
};

// Two units: "Альфа" clear, "Бета" blocked since 01.12.2026.
QList<QStringList> twoUnits() {
    return {unit(1, "15.12.2025"), unit(2, "10.10.2025")};
}

// Counts the tooltip requests a widget gets.
class ToolTipCounter : public QObject {
public:
    int count = 0;
    bool eventFilter(QObject*, QEvent* event) override {
        count += event->type() == QEvent::ToolTip ? 1 : 0;
        return false;
    }
};

} // namespace

class TestMonkey : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void cleanup() { QToolTip::hideText(); }

    // Help events over the empty area below the rows, right of the columns, over the header and
    // over cells: at first start, over an opened journal and with every row filtered out. Only a
    // shaded row's cell tells its block state; elsewhere the window's own tooltip shows.
    void helpEventsOverEveryPartOfTheGrid() {
        const auto sendAll = [](app::GridView& view, QPoint at) {
            for (QEvent::Type type : {QEvent::ToolTip, QEvent::QueryWhatsThis, QEvent::WhatsThis})
                sendHelp(view.viewport(), type, at);
        };
        {
            Desk first;
            app::GridView& view = first.view();
            const QPoint below(4, view.viewport()->height() - 4);
            QVERIFY(view.indexAt(below) == QModelIndex());
            sendAll(view, below);
            sendAll(view, {view.viewport()->width() - 2, 2});
            sendAll(view, first.harness.cellCentre(0, 0));
            sendHelp(view.horizontalHeader()->viewport(), QEvent::ToolTip,
                     first.harness.cellCentre(-1, 1));
            QVERIFY(QToolTip::text() != BlockedTip);
        }
        Desk opened(twoUnits());
        app::GridView& view = opened.view();
        view.setColumnWidth(7, 20); // leaves room right of the columns
        sendAll(view, {4, view.viewport()->height() - 4});
        QCOMPARE(QToolTip::text(), opened.harness.window().toolTip());
        sendAll(view, {view.viewport()->width() - 2, opened.harness.cellCentre(1, 0).y()});
        QCOMPARE(QToolTip::text(), opened.harness.window().toolTip());
        sendAll(view, opened.harness.cellCentre(1, 3));
        QCOMPARE(QToolTip::text(), BlockedTip);
        QToolTip::hideText();
        sendAll(view, opened.harness.cellCentre(0, 3));
        QVERIFY(QToolTip::text() != BlockedTip);

        // "Без даты активации" hides both rows: the grid shows no row at all.
        opened.harness.control<QComboBox>("CmbFilter").setCurrentIndex(3);
        QVERIFY(view.isRowHidden(0) && view.isRowHidden(1));
        sendAll(view, {4, 4});
        sendAll(view, {4, view.viewport()->height() - 4});
        QCOMPARE(opened.harness.grid().rowCount(), 2);
    }

    // On a desktop the real pointer rests over the empty area below the rows past the tooltip
    // delay, then over a blocked row, whose tooltip really shows.
    void aRestingPointerShowsTooltips() {
        if (!onDesktop())
            QSKIP("needs a desktop (the xcb platform): elsewhere no pointer rests");
        Desk opened(twoUnits());
        app::GridView& view = opened.view();
        QVERIFY(QTest::qWaitForWindowExposed(&opened.harness.window()));
        ToolTipCounter requests;
        view.viewport()->installEventFilter(&requests);
        const int delay = view.style()->styleHint(QStyle::SH_ToolTip_WakeUpDelay);

        const QPoint below(view.viewport()->width() / 2, view.viewport()->height() - 6);
        QVERIFY(!view.indexAt(below).isValid());
        QCursor::setPos(view.viewport()->mapToGlobal(below));
        QTRY_VERIFY_WITH_TIMEOUT(requests.count > 0, delay + 3000);
        // The window's own tooltip (the journal's path) shows there.
        QTRY_VERIFY_WITH_TIMEOUT(QToolTip::isVisible(), 2000);
        QCOMPARE(QToolTip::text(), opened.harness.window().toolTip());

        QCursor::setPos(view.viewport()->mapToGlobal(opened.harness.cellCentre(1, 1)));
        QTRY_VERIFY_WITH_TIMEOUT(QToolTip::isVisible() && QToolTip::text() == BlockedTip,
                                 delay + 3000);
    }

    void randomHandsLeaveTheGridWhole() {
        const int steps = environmentNumber("EKLZ_MONKEY_STEPS", 3000);
        const quint32 firstSeed = quint32(environmentNumber("EKLZ_MONKEY_SEED", 1));
        const QDeadlineTimer deadline(environmentNumber("EKLZ_MONKEY_SECONDS", 150) * 1000);
        watchForCrashes();
        previousMessages = qInstallMessageHandler(dropNoise);
        QElapsedTimer clock;
        clock.start();
        int taken = 0;
        int windows = 0;
        for (quint32 seed = firstSeed; taken < steps && !deadline.hasExpired(); ++seed) {
            Monkey monkey(seed);
            const QString problem =
                monkey.run(std::min(Monkey::StepsPerWindow, steps - taken), deadline);
            if (!problem.isEmpty()) {
                qInstallMessageHandler(previousMessages);
                QFAIL(qPrintable(problem));
            }
            taken += monkey.stepsTaken();
            ++windows;
        }
        qInstallMessageHandler(previousMessages);
        noteForCrash({});
        qInfo("%d steps in %d windows from seed %u on %s in %lld ms%s", taken, windows, firstSeed,
              qPrintable(QGuiApplication::platformName()), qlonglong(clock.elapsed()),
              deadline.hasExpired() ? " (time ran out)" : "");
    }
};

QTEST_MAIN(TestMonkey)
#include "tst_monkey.moc"
