// The keyboard alone on the window, in random order: Tab and Shift+Tab, Enter, Space, Escape,
// arrows, Backspace and Delete, letters (Cyrillic and Latin) and digits, F1 .. F12, Ctrl+C, V, X,
// Z and Y, Alt+Down, the Menu key, Shift+F10 and every shortcut of the window's actions (found
// anew at every step, so that actions added later are pressed too), each sent to whatever holds
// the focus, over windows with no journal, an empty one, one row and thirty rows. What a key
// opens (a menu, a list, a calendar, the exit prompt, a dialog) gets keys of its own and is then
// closed, within the step.
//
// A step that fires no command — no button clicked, no action triggered (a shortcut, a menu's
// item), no Ctrl+X, V, Z or Y on the grid or the cell editor — changes no cell, but for:
// - an edit in place: a cell the cell editor was opened on may take the editor's text as it
//   closes, and the block dates may follow (the block-date pass runs as an edit opens or an
//   activation date is stored);
// - the input line: a character key, Enter or Backspace on it or on "Ввод", or a key that edits
//   the line, may put the line's text (from before or after the key) into the current cell; a key
//   that moves the focus (Tab, Shift+Tab) does so only when that cell holds the line's entry
//   already (an activation date written out in full as the line is left).
// Saving, printing and the other commands that only read the grid are held to the same rule.
// After every step no dialog, popup or other window of the program is left open.
//
// Keys carry the characters Windows gives them (Shift+Tab "\t", Escape 27, Ctrl+C 3); the Menu
// key and Shift+F10 are followed by a keyboard context menu event, as the window system sends.
//
// Every window is seeded and replays exactly: a failure, a crash too, names its seed and steps.
// EKLZ_KEYMONKEY_STEPS sets how many steps run in all (default 2000, in windows of 50 steps),
// EKLZ_KEYMONKEY_SEED the first window's seed (default 1); none runs past EKLZ_KEYMONKEY_SECONDS
// (default 100). The run ends with a digest of the steps taken, the same for the same seeds;
// EKLZ_KEYMONKEY_LOG=1 writes every window's steps out.
#include "app/celleditor.h"
#include "app/gridview.h"
#include "core/journalcolumns.h"
#include "core/journaldates.h"
#include "model/gridmodel.h"
#include "support/gridtexts.h"
#include "support/printfixtures.h"
#include "support/randomruns.h"
#include "support/recordingsurface.h"
#include "support/scriptedfilechooser.h"
#include "support/windowharness.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QDeadlineTimer>
#include <QDialog>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QRandomGenerator>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <csignal>
#include <cstring>
#include <unistd.h>

namespace {

class NullPrinter : public printing::PrinterProvider {
public:
    std::unique_ptr<printing::PageSurface> open() override {
        return std::make_unique<RecordingSurface>();
    }
};

enum class Journal { None, Empty, OneRow, Thirty };
constexpr int JournalKinds = 4;
const char* journalName(Journal journal) {
    static const char* const names[] = {"no journal", "an empty journal", "one row", "30 rows"};
    return names[int(journal)];
}

// Owners, models and mechanics repeat, so that the lines propose them; the activation dates
// stop at row 26, which the block-date pass does not pass.
QList<QStringList> journalRows(Journal journal) {
    static const char* const owners[] = {"ООО Ромашка", "ООО Лютик", "ИП Петров", "Альфа"};
    static const char* const models[] = {"ЭКР 2102К", "Меркурий 115Ф"};
    static const char* const dates[] = {"10.10.2025", "05.11.2025", "15.12.2025", "1.2.24",
                                        "32.13.2009"};
    static const char* const mechanics[] = {"Иванов", "Петров", "Сидоров"};
    const int count = journal == Journal::Thirty ? 30 : journal == Journal::OneRow ? 1 : 0;
    QList<QStringList> rows;
    for (int r = 0; r < count; ++r)
        rows << QStringList{QString::fromUtf8(owners[r % 4]),
                            QString::fromUtf8(models[r % 2]),
                            QString::number(100 + r),
                            QStringLiteral("0042%1").arg(r),
                            QString(),
                            r == 25 ? QString() : QString::fromUtf8(dates[r % 5]),
                            QString(),
                            QString::fromUtf8(mechanics[r % 3])};
    return rows;
}

// A key as the monkey presses it: the key, its modifiers and the characters it carries.
struct Key {
    Qt::Key key = Qt::Key_unknown;
    Qt::KeyboardModifiers modifiers;
    QString text;

    QString name() const {
        if (key == Qt::Key_unknown || (modifiers == Qt::NoModifier && !text.isEmpty() &&
                                       text.front().isPrint() && text != QStringLiteral(" ")))
            return QStringLiteral("\"%1\"").arg(text);
        return QKeySequence(QKeyCombination(modifiers, key)).toString();
    }
    bool has(Qt::KeyboardModifier modifier) const { return modifiers.testFlag(modifier); }
    // A character typed: printable, or Enter or Backspace, without Ctrl, Alt or Meta.
    bool types() const {
        if (has(Qt::ControlModifier) || has(Qt::AltModifier) || has(Qt::MetaModifier))
            return false;
        if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Backspace)
            return true;
        return !text.isEmpty() && text.front().isPrint();
    }
    bool movesFocus() const { return key == Qt::Key_Tab || key == Qt::Key_Backtab; }
    // A paste is an edit of the input line even when it leaves the line's text as it was (the
    // clipboard held the selected text): the line goes into the current cell.
    bool pastes() const { return key == Qt::Key_V && modifiers == Qt::ControlModifier; }
    // Cut, paste, undo and redo: on the grid and in the cell editor they change the grid.
    bool editsTheGrid() const {
        if (!has(Qt::ControlModifier))
            return false;
        return key == Qt::Key_X || key == Qt::Key_V || key == Qt::Key_Z || key == Qt::Key_Y;
    }
    bool opensContextMenu() const {
        return key == Qt::Key_Menu || (key == Qt::Key_F10 && modifiers == Qt::ShiftModifier);
    }
};

Key plain(Qt::Key key, const QString& text = {}, Qt::KeyboardModifiers modifiers = {}) {
    return {key, modifiers, text};
}

// Ctrl with a letter carries its control character, as on Windows.
Key withModifiers(QKeyCombination combination) {
    Key key{combination.key(), combination.keyboardModifiers(), {}};
    const int code = int(combination.key());
    if (combination.keyboardModifiers() == Qt::ControlModifier ||
        combination.keyboardModifiers() == (Qt::ControlModifier | Qt::ShiftModifier)) {
        if (code >= Qt::Key_A && code <= Qt::Key_Z)
            key.text = QChar(code - Qt::Key_A + 1);
    } else if (!(combination.keyboardModifiers() & ~Qt::ShiftModifier) && code >= 0x20 &&
               code < 0x7f) {
        key.text = QChar(code);
    }
    return key;
}

Key character(QChar letter) {
    return {Qt::Key(letter.toUpper().unicode()), {}, QString(letter)};
}

// The keys every step may press, besides the letters and the shortcuts found.
const QList<Key>& moves() {
    static const QList<Key> keys = {
        plain(Qt::Key_Tab, QStringLiteral("\t")),
        plain(Qt::Key_Tab, QStringLiteral("\t")),
        plain(Qt::Key_Backtab, QStringLiteral("\t"), Qt::ShiftModifier),
        plain(Qt::Key_Backtab, QStringLiteral("\t"), Qt::ShiftModifier),
        plain(Qt::Key_Return, QStringLiteral("\r")),
        plain(Qt::Key_Enter, QStringLiteral("\r"), Qt::KeypadModifier),
        plain(Qt::Key_Space, QStringLiteral(" ")),
        plain(Qt::Key_Escape, QStringLiteral("\x1b")),
        plain(Qt::Key_Up),
        plain(Qt::Key_Down),
        plain(Qt::Key_Left),
        plain(Qt::Key_Right),
        plain(Qt::Key_Backspace, QStringLiteral("\b")),
        plain(Qt::Key_Delete, QStringLiteral("\x7f")),
        withModifiers(Qt::ControlModifier | Qt::Key_C),
        withModifiers(Qt::ControlModifier | Qt::Key_V),
        withModifiers(Qt::ControlModifier | Qt::Key_X),
        withModifiers(Qt::ControlModifier | Qt::Key_Z),
        withModifiers(Qt::ControlModifier | Qt::Key_Y),
        withModifiers(Qt::ControlModifier | Qt::ShiftModifier | Qt::Key_Z),
        plain(Qt::Key_Down, {}, Qt::AltModifier),
        plain(Qt::Key_Menu),
        plain(Qt::Key_F10, {}, Qt::ShiftModifier),
    };
    return keys;
}

const QString& letters() {
    static const QString all = QStringLiteral("абвгдеёжзийклмнопрстуфхцчшщъыьэюяАИОПСЁ"
                                              "abcdefxyzAQZ0123456789.");
    return all;
}

// What answers an open dialog or popup; Enter and Space not in a modal dialog, where they could
// print on a real printer.
const QList<Key>& answerKeys(bool modal) {
    static const QList<Key> gentle = {
        plain(Qt::Key_Tab, QStringLiteral("\t")),
        plain(Qt::Key_Backtab, QStringLiteral("\t"), Qt::ShiftModifier),
        plain(Qt::Key_Down),
        plain(Qt::Key_Up),
        plain(Qt::Key_Left),
        plain(Qt::Key_Right),
        plain(Qt::Key_Escape, QStringLiteral("\x1b")),
        character(QChar(u'п')),
    };
    static const QList<Key> all = gentle + QList<Key>{plain(Qt::Key_Return, QStringLiteral("\r")),
                                                      plain(Qt::Key_Return, QStringLiteral("\r")),
                                                      plain(Qt::Key_Space, QStringLiteral(" "))};
    return modal ? gentle : all;
}

// The commands a step fires: every action triggered and every button clicked, of the main window
// and of every other window of the program, those created since the last look included.
class CommandWatch : public QObject {
    Q_OBJECT
public:
    QStringList fired;

    void look() {
        for (QWidget* top : QApplication::topLevelWidgets()) {
            for (QAction* action : top->findChildren<QAction*>())
                connect(action, &QAction::triggered, this, &CommandWatch::noteAction,
                        Qt::UniqueConnection);
            for (QAction* action : top->actions())
                connect(action, &QAction::triggered, this, &CommandWatch::noteAction,
                        Qt::UniqueConnection);
            for (QAbstractButton* button : top->findChildren<QAbstractButton*>())
                connect(button, &QAbstractButton::clicked, this, &CommandWatch::noteButton,
                        Qt::UniqueConnection);
        }
    }

    // The shortcuts of the main window's actions, as keys.
    static QList<Key> shortcutsOf(QWidget& window) {
        QList<Key> keys;
        QList<QAction*> actions = window.findChildren<QAction*>();
        actions += window.actions();
        for (QAction* action : actions)
            for (const QKeySequence& sequence : action->shortcuts())
                if (!sequence.isEmpty())
                    keys << withModifiers(sequence[0]);
        return keys;
    }

private Q_SLOTS:
    void noteAction() {
        const auto* action = qobject_cast<QAction*>(sender());
        fired << (action->objectName().isEmpty() ? action->text() : action->objectName());
    }
    void noteButton() {
        const auto* button = qobject_cast<QAbstractButton*>(sender());
        fired << (button->objectName().isEmpty() ? button->text() : button->objectName());
    }
};

// Commands that only read the grid: a step of these alone is held to the rule of no command.
bool onlyReads(const QStringList& fired) {
    static const QStringList readers = {
        QStringLiteral("CmdSave"),        QStringLiteral("CmdPrint"),
        QStringLiteral("ActPrintDialog"), QStringLiteral("ActPreview"),
        QStringLiteral("ActHelp"),        QStringLiteral("ActFind"),
        QStringLiteral("ActFindNext"),    QStringLiteral("ActFindPrevious"),
        QStringLiteral("MenuCopy"),       QStringLiteral("CmdCancel")};
    return std::all_of(fired.begin(), fired.end(),
                       [](const QString& name) { return readers.contains(name); });
}

// Where the cell editor was opened and what it held as it closed; rows as GridState counts them.
class EditorWatch : public QObject {
public:
    struct Closed {
        QPoint cell; // row, column
        QString text;
    };

    explicit EditorWatch(app::CellEditor& editor) : editor_(editor) {
        editor.installEventFilter(this);
        if (editor.isVisible())
            openCell_ = editedCell();
    }

    QList<Closed> closed;
    bool opened = false;
    bool isOpen() const { return openCell_.has_value(); }

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Show) {
            openCell_ = editedCell();
            opened = true;
        } else if (event->type() == QEvent::Hide && openCell_) {
            closed << Closed{*openCell_, static_cast<QLineEdit*>(watched)->text()};
            openCell_.reset();
        }
        return false;
    }

private:
    QPoint editedCell() const { return {editor_.cell().row() + 1, editor_.cell().column()}; }

    const app::CellEditor& editor_;
    std::optional<QPoint> openCell_;
};

// The grid's cells and the input line's text around a step. Row 0 holds the captions, row r + 1
// the grid's row r.
struct GridState {
    int rows = 0;
    int cols = 0;
    QStringList cells;
    QPoint current; // row, column
    QString line;
    QString lineTyped; // without a value proposed after it

    static GridState of(const model::GridModel& grid, const app::GridView& view,
                        const QLineEdit& line) {
        GridState state{grid.rowCount() + 1, grid.columnCount(),
                        grid.captions(),     {view.currentRow() + 1, view.currentColumn()},
                        line.text(),         line.text()};
        for (const QStringList& row : grid.dataRows())
            state.cells << row;
        if (line.hasSelectedText() &&
            line.selectionStart() + line.selectedText().size() == line.text().size())
            state.lineTyped = line.text().left(line.selectionStart());
        return state;
    }
    QString cell(int row, int col) const { return cells.value(row * cols + col); }
};

// Keys nobody takes (a label's, a release) and the offscreen platform's raise() say nothing about
// the program.
QtMessageHandler previousMessages = nullptr;
void dropNoise(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    const bool noise =
        type == QtWarningMsg &&
        (text == QLatin1String("Keyboard event not accepted by receiving widget") ||
         text == QLatin1String("This plugin does not support raise()") ||
         text == QLatin1String("This plugin does not support grabbing the keyboard"));
    if (!noise)
        previousMessages(type, context, text);
}

// A window worked on by a seeded keyboard.
class KeyMonkey {
public:
    static constexpr int StepsPerWindow = 50;

    explicit KeyMonkey(quint32 seed)
        : random_(seed), seed_(seed), journal_(Journal(seed % JournalKinds)) {
        openWindow();
        // A dialog or a menu a key waits on is answered while the key waits; one that an answer
        // waits on is closed. Nothing else happens on the timer, so that a window replays.
        QObject::connect(&modalWatch_, &QTimer::timeout, &modalWatch_, [this] {
            QWidget* waiting = QApplication::activePopupWidget();
            if (!waiting)
                waiting = QApplication::activeModalWidget();
            // Once it has the focus inside (a dialog takes it as it becomes active), or has
            // waited long.
            if (pressing_ > 0 && answering_ < 2 && waitingForActive_ == 0 && waiting &&
                (waiting->focusWidget() || ++ticksWaited_ > 25)) {
                ticksWaited_ = 0;
                answerOpen();
            }
        });
        modalWatch_.start(20);
    }

    QString run(int steps, const QDeadlineTimer& deadline) {
        for (int i = 0; i < steps && !deadline.hasExpired(); ++i) {
            if (QString problem = step(); !problem.isEmpty())
                return report(problem);
            if (harness_->endCount() > 0) {
                log_ << QStringLiteral("the program ended: the window is opened again");
                openWindow();
            }
        }
        return {};
    }

    int stepsTaken() const { return steps_; }
    // The steps as logged, to tell two runs of a seed apart.
    size_t digest() const {
        const QString steps = log_.join(u'\n');
        if (qEnvironmentVariableIsSet("EKLZ_KEYMONKEY_LOG"))
            qInfo("window seed %u:\n%s", seed_, qPrintable(steps));
        return qHash(steps);
    }

private:
    int pick(int bound) { return bound <= 0 ? 0 : int(random_.bounded(quint32(bound))); }
    bool chance(int percent) { return pick(100) < percent; }
    app::JournalWindow& window() { return harness_->window(); }
    model::GridModel& grid() { return harness_->grid(); }

    void openWindow() {
        editors_.reset();
        harness_.reset();
        app::WindowServices services;
        services.clock = std::make_shared<FixedClock>();
        services.printer = std::make_shared<NullPrinter>();
        auto files = std::make_shared<ScriptedFileChooser>();
        services.files = files;
        harness_ = std::make_unique<WindowHarness>(std::move(services));
        files->otherwise = harness_->folder().file(QStringLiteral("export.ods"));
        harness_->folder().write(QStringLiteral("Archive/2025.csv"),
                                 journalBytes(journalRows(Journal::OneRow)));
        QApplication::clipboard()->setText(QStringLiteral("Бета\t10.10.2025"));
        if (journal_ != Journal::None) {
            harness_->folder().write(QStringLiteral("thisyear.csv"),
                                     journalBytes(journalRows(journal_)));
            // "Открыть журнал" by the keyboard; then back to the input line, as at start, or on
            // to the grid, or not.
            auto& open = harness_->control<QPushButton>("CmdZagruz");
            open.setFocus(Qt::TabFocusReason);
            QTest::keyClick(&open, Qt::Key_Space);
            const int focus = pick(10);
            if (focus < 5)
                harness_->inputLine().setFocus(Qt::TabFocusReason);
            else if (focus < 8)
                harness_->gridView().setFocus(Qt::TabFocusReason);
        }
        editors_ = std::make_unique<EditorWatch>(harness_->cellEditor());
    }

    void answers() {
        static const QStringList texts = {QStringLiteral("2025"), QString(),
                                          QStringLiteral("Ромашка"), QStringLiteral("01.12.2026")};
        ScriptedPrompter& prompter = harness_->prompter();
        prompter.answers = {texts[pick(int(texts.size()))], texts[pick(int(texts.size()))]};
        prompter.questionAnswers = {chance(50), chance(50), chance(50)};
    }

    Key chooseKey() {
        const int kind = pick(100);
        if (kind < 35) {
            const QString& all = letters();
            return character(all[pick(int(all.size()))]);
        }
        if (kind < 75)
            return moves()[pick(int(moves().size()))];
        if (kind < 85)
            return plain(Qt::Key(Qt::Key_F1 + pick(12)));
        const QList<Key> shortcuts = CommandWatch::shortcutsOf(window());
        if (shortcuts.isEmpty())
            return moves()[pick(int(moves().size()))];
        return shortcuts[pick(int(shortcuts.size()))];
    }

    // What holds the keyboard: an open popup, a modal dialog, the focused widget; the main window
    // is made active again when nothing of it has the focus.
    QWidget* keyboardHolder() {
        if (QWidget* popup = QApplication::activePopupWidget())
            return popup->focusWidget() ? popup->focusWidget() : popup;
        if (QWidget* modal = QApplication::activeModalWidget())
            return modal->focusWidget() ? modal->focusWidget() : modal;
        if (!window().isActiveWindow()) {
            window().activateWindow();
            if (!QTest::qWaitForWindowActive(&window(), 2000))
                log_ << QStringLiteral("  the window did not become active again");
        }
        return QApplication::focusWidget() ? QApplication::focusWidget() : &window();
    }

    void press(QWidget* target, const Key& key) {
        QPointer<QWidget> receiver = target;
        ++pressing_;
        QTest::sendKeyEvent(QTest::Click, receiver, key.key, key.text, key.modifiers);
        --pressing_;
        if (key.opensContextMenu() && receiver && commands_.fired.isEmpty()) {
            const QPoint at = receiver->rect().center();
            QContextMenuEvent menu(QContextMenuEvent::Keyboard, at, receiver->mapToGlobal(at));
            QApplication::sendEvent(receiver, &menu);
        }
    }

    // The open widget that wants an answer: a popup, a modal dialog, or another window of the
    // program left visible.
    QWidget* openWidget() const {
        if (QWidget* popup = QApplication::activePopupWidget())
            return popup;
        if (QWidget* modal = QApplication::activeModalWidget())
            return modal;
        for (QWidget* top : QApplication::topLevelWidgets())
            if (top->isVisible() && top != &harness_->window() && top->windowType() != Qt::ToolTip)
                return top;
        return nullptr;
    }

    // Gives what a key opened up to three keys of its own, then closes it.
    void answerOpen() {
        ++answering_;
        int keysLeft = answering_ == 1 ? pick(4) : 0;
        for (int i = 0; i < 12; ++i) {
            QWidget* open = openWidget();
            if (!open)
                break;
            const bool modal = open == QApplication::activeModalWidget();
            if (keysLeft-- > 0) {
                // On a desktop a window becomes active, and focuses a control, a little later.
                if (!QApplication::activePopupWidget() &&
                    !(open->isActiveWindow() && open->focusWidget())) {
                    open->activateWindow();
                    ++waitingForActive_;
                    if (!QTest::qWaitFor(
                            [open] { return open->isActiveWindow() && open->focusWidget(); }, 2000))
                        log_ << QStringLiteral("  %1 did not take the focus").arg(widgetName(open));
                    --waitingForActive_;
                }
                commands_.look();
                const QList<Key>& keys = answerKeys(modal);
                const Key key = keys[pick(int(keys.size()))];
                QWidget* target = open->focusWidget() ? open->focusWidget() : open;
                log_
                    << QStringLiteral("  answer: key %1 on %2").arg(key.name(), widgetName(target));
                press(target, key);
                continue;
            }
            log_ << QStringLiteral("  closed: %1").arg(widgetName(open));
            if (auto* dialog = qobject_cast<QDialog*>(open))
                dialog->reject();
            else
                open->close();
        }
        --answering_;
    }

    // Where a cell change is allowed in a step that fired no command; empty when it is.
    QString disallowedChange(const GridState& before, const GridState& after, int row, int col,
                             const Key& key, bool onInputLine) {
        const QString was = before.cell(row, col);
        const QString now = after.cell(row, col);
        for (const EditorWatch::Closed& closed : editors_->closed)
            if (closed.cell == QPoint(row, col) && closed.text == now)
                return {};
        const bool editing = editors_->opened || !editors_->closed.isEmpty() || editorWasOpen_;
        const std::optional<int> blockCol = grid().findColumn(core::BlockDateHeader);
        const std::optional<int> activationCol = grid().findColumn(core::ActivationDateHeader);
        if (blockCol == col && activationCol && row > 0 &&
            (editing || (onInputLine && before.current.y() == *activationCol))) {
            core::DateBuffer buffer;
            if (now == core::blockDateText(after.cell(row, *activationCol), buffer))
                return {};
        }
        if (onInputLine && before.current == QPoint(row, col)) {
            const bool lineChanged = after.line != before.line;
            const bool fromTheLine = now == before.line || now == before.lineTyped ||
                                     now == after.line || now == after.lineTyped;
            const bool heldTheEntry = was == before.line || was == before.lineTyped;
            if (fromTheLine && (key.types() || key.pastes() ||
                                (lineChanged && (!key.movesFocus() || heldTheEntry))))
                return {};
        }
        return QStringLiteral("cell %1,%2 changed from \"%3\" to \"%4\" (input line \"%5\" -> "
                              "\"%6\", current cell %7,%8)")
            .arg(row)
            .arg(col)
            .arg(was, now, before.line, after.line)
            .arg(before.current.x())
            .arg(before.current.y());
    }

    QString check(const GridState& before, const GridState& after, const Key& key, bool onInputLine,
                  bool gridKey) {
        const bool command = (!commands_.fired.isEmpty() && !onlyReads(commands_.fired)) || gridKey;
        if (command)
            return {};
        if (before.rows != after.rows || before.cols != after.cols)
            return QStringLiteral("the grid went from %1 x %2 to %3 x %4")
                .arg(before.rows)
                .arg(before.cols)
                .arg(after.rows)
                .arg(after.cols);
        QStringList problems;
        for (int r = 0; r < after.rows; ++r)
            for (int c = 0; c < after.cols; ++c)
                if (before.cell(r, c) != after.cell(r, c))
                    if (QString problem = disallowedChange(before, after, r, c, key, onInputLine);
                        !problem.isEmpty())
                        problems << problem;
        if (problems.isEmpty())
            return {};
        return QStringLiteral("key %1 fired %2 and changed what it may not: %3")
            .arg(key.name(),
                 commands_.fired.isEmpty() ? QStringLiteral("no command")
                                           : commands_.fired.join(QStringLiteral(", ")),
                 problems.join(QStringLiteral("; ")));
    }

    void announce(const QString& what) {
        ++steps_;
        log_ << QStringLiteral("%1. %2").arg(steps_).arg(what);
        const QStringList recent = log_.mid(std::max<qsizetype>(0, log_.size() - 30));
        noteForCrash(QStringLiteral("\ntst_keymonkey died in window seed %1 (%2), step %3; replay: "
                                    "EKLZ_KEYMONKEY_SEED=%1 EKLZ_KEYMONKEY_STEPS=%3\nlast "
                                    "steps:\n  %4\n")
                         .arg(seed_)
                         .arg(QLatin1String(journalName(journal_)))
                         .arg(steps_)
                         .arg(recent.join(QStringLiteral("\n  ")))
                         .toUtf8());
    }

    QString step() {
        answers();
        commands_.look();
        commands_.fired.clear();
        editors_->closed.clear();
        editors_->opened = false;
        editorWasOpen_ = editors_->isOpen();
        const QLineEdit& line = harness_->inputLine();
        const GridState before = GridState::of(grid(), harness_->gridView(), line);
        // Now and then the focus goes to the grid or the input line first, as a few Tabs would
        // take it there (the grid taking the focus stores an open edit).
        QString jump;
        if (const int where = pick(100); where < 12) {
            harness_->gridView().setFocus(Qt::TabFocusReason);
            jump = QStringLiteral("Tabs to MSFGAZ, ");
        } else if (where < 16) {
            harness_->inputLine().setFocus(Qt::TabFocusReason);
            jump = QStringLiteral("Tabs to TxtVvod, ");
        }
        QWidget* target = keyboardHolder();
        const bool onInputLine =
            target == &line || target == &harness_->control<QPushButton>("CmdEdit");
        const Key key = chooseKey();
        const bool gridKey =
            key.editsTheGrid() && (target == &harness_->gridView() ||
                                   target == static_cast<QWidget*>(&harness_->cellEditor()));
        announce(QStringLiteral("%1key %2 on %3").arg(jump, key.name(), widgetName(target)));

        press(target, key);
        // What a key opens once its event has returned (a menu shown after the shortcut) waits
        // in these event loops: it is answered as one the key itself waits on.
        ++pressing_;
        QCoreApplication::processEvents();
        answerOpen();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCoreApplication::processEvents();
        --pressing_;
        if (!commands_.fired.isEmpty())
            log_ << QStringLiteral("  fired: %1").arg(commands_.fired.join(QStringLiteral(", ")));

        if (QWidget* open = openWidget())
            return QStringLiteral("%1 is left open").arg(widgetName(open));
        if (QString problem = gridShapeFault(grid()); !problem.isEmpty())
            return problem;
        return check(before, GridState::of(grid(), harness_->gridView(), line), key, onInputLine,
                     gridKey);
    }

    QString report(const QString& problem) const {
        return QStringLiteral("window seed %1 (%2), after %3 steps: %4\nreplay: "
                              "EKLZ_KEYMONKEY_SEED=%1 EKLZ_KEYMONKEY_STEPS=%3\nsteps:\n  %5")
            .arg(seed_)
            .arg(QLatin1String(journalName(journal_)))
            .arg(steps_)
            .arg(problem, log_.join(QStringLiteral("\n  ")));
    }

    QRandomGenerator random_;
    quint32 seed_;
    Journal journal_;
    std::unique_ptr<WindowHarness> harness_;
    std::unique_ptr<EditorWatch> editors_;
    CommandWatch commands_;
    QTimer modalWatch_;
    int pressing_ = 0;
    int answering_ = 0;
    int ticksWaited_ = 0;
    int waitingForActive_ = 0;
    bool editorWasOpen_ = false;
    QStringList log_;
    int steps_ = 0;
};

} // namespace

class TestKeyMonkey : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void randomKeysChangeOnlyWhatTheyMay() {
        const int steps = environmentNumber("EKLZ_KEYMONKEY_STEPS", 2000);
        const quint32 firstSeed = quint32(environmentNumber("EKLZ_KEYMONKEY_SEED", 1));
        const QDeadlineTimer deadline(environmentNumber("EKLZ_KEYMONKEY_SECONDS", 100) * 1000);
        watchForCrashes();
        previousMessages = qInstallMessageHandler(dropNoise);
        QElapsedTimer clock;
        clock.start();
        int taken = 0;
        int windows = 0;
        size_t digest = 0;
        for (quint32 seed = firstSeed; taken < steps && !deadline.hasExpired(); ++seed) {
            KeyMonkey monkey(seed);
            const QString problem =
                monkey.run(std::min(KeyMonkey::StepsPerWindow, steps - taken), deadline);
            if (!problem.isEmpty()) {
                qInstallMessageHandler(previousMessages);
                QFAIL(qPrintable(problem));
            }
            taken += monkey.stepsTaken();
            digest = qHashMulti(digest, monkey.digest());
            ++windows;
        }
        qInstallMessageHandler(previousMessages);
        noteForCrash({});
        qInfo("%d steps in %d windows from seed %u on %s in %lld ms%s; steps digest %zx", taken,
              windows, firstSeed, qPrintable(QGuiApplication::platformName()),
              qlonglong(clock.elapsed()), deadline.hasExpired() ? " (time ran out)" : "", digest);
    }
};

QTEST_MAIN(TestKeyMonkey)
#include "tst_keymonkey.moc"
