#include "app/celleditor.h"
#include "app/gridview.h"
#include "app/journaldocument.h"
#include "app/twips.h"
#include "model/gridmodel.h"
#include "support/gridtexts.h"
#include "support/windowharness.h"

#include <QAction>
#include <QDialog>
#include <QDir>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

class TestJournalWindow : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // Places and sizes are in twips. The grid keeps fixed margins to the window's right and
    // bottom edges, and its last size when the window gets smaller than the margins.
    void layoutIsInTwipsAndFollowsTheWindow() {
        WindowHarness harness;
        app::JournalWindow& window = harness.window();
        app::GridView& grid = harness.gridView();
        const auto px = [&](int twips) { return app::twips::toPixels(&window, twips); };
        const auto expected = [&] {
            return QSize(px(app::twips::fromPixels(&window, window.width()) - 850),
                         px(app::twips::fromPixels(&window, window.height()) - 1900));
        };
        QCOMPARE(harness.control<QPushButton>("CmdProd").geometry(),
                 app::twips::toPixels(&window, 9120, 120, 855, 615));
        QCOMPARE(QSize(grid.columnWidth(0), grid.horizontalHeader()->height()),
                 QSize(px(1500), px(300)));
        window.resize(window.width() + px(1000), window.height() + px(500));
        QCOMPARE(grid.size(), expected());
        const QSize last = grid.size();
        window.resize(px(700), px(1500));
        QCOMPARE(grid.size(), last);
        window.resize(px(700), px(3000));
        QCOMPARE(grid.size(), QSize(last.width(), expected().height()));
    }

    // A click or F2 opens the editor over the cell with the cell's text; Enter or a click on
    // another cell stores the text into the cell it was opened on, Escape drops it. The current
    // cell follows the input line as it is typed; a click into the line drops an open edit.
    void cellsTakeTextFromTheEditorAndTheInputLine() {
        WindowHarness harness;
        model::GridModel& grid = harness.grid();
        app::GridView& view = harness.gridView();
        app::CellEditor& editor = harness.cellEditor();
        QLineEdit& line = harness.inputLine();
        grid.setRowCount(3);
        grid.setText(1, 3, QStringLiteral("А12"));
        harness.clickCell(1, 3);
        QVERIFY(editor.hasFocus());
        QCOMPARE(editor.text(), QStringLiteral("А12"));
        QTest::keyClick(&editor, Qt::Key_End); // a click selects the text: the caret goes after it
        QCOMPARE(editor.geometry(), view.visualRect(grid.index(1, 3)));
        typeText(&editor, QStringLiteral(";Б")); // the filter leaves out ";"
        QCOMPARE(grid.text(1, 3), QStringLiteral("А12"));
        harness.clickCell(2, 1);
        QCOMPARE(grid.text(1, 3), QStringLiteral("А12Б"));
        typeText(&editor, QStringLiteral("x"));
        QTest::keyClick(&editor, Qt::Key_Escape);
        QVERIFY(!editor.isVisible());
        QCOMPARE(grid.text(2, 1), QString());
        QTest::keyClick(&view, Qt::Key_Up);
        QTest::keyClick(&view, Qt::Key_Right);
        QTest::keyClick(&view, Qt::Key_F2);
        typeText(&editor, QStringLiteral("Иванов"));
        QTest::keyClick(&editor, Qt::Key_Return);
        QVERIFY(!editor.isVisible());
        QCOMPARE(grid.text(1, 2), QStringLiteral("Иванов"));
        QCOMPARE(harness.currentCell(), QPoint(2, 2)); // Enter moves down
        // Tab stores and edits the next cell of the row, Shift+Tab the previous one.
        QTest::keyClick(&view, Qt::Key_F2);
        typeText(&editor, QStringLiteral("a"));
        QTest::keyClick(&editor, Qt::Key_Tab);
        QVERIFY(editor.isOpen() && editor.hasFocus());
        typeText(&editor, QStringLiteral("b"));
        QTest::keyClick(&editor, Qt::Key_Backtab);
        QCOMPARE(rowTexts(grid, 2).mid(2, 2), texts({"a", "b"}));
        QTest::keyClick(&editor, Qt::Key_Escape);
        harness.setCurrentCell(1, 2);

        typeText(&line, QStringLiteral("Петров"));
        QTest::keyClick(&line, Qt::Key_Backspace);
        QCOMPARE(grid.text(1, 2), QStringLiteral("Петро"));
        WindowHarness untouched; // typing into the input line alone marks the journal changed
        QVERIFY(!untouched.window().isModified());
        typeText(&untouched.inputLine(), QStringLiteral("x"));
        QVERIFY(untouched.window().isModified());
        harness.editCell(1, 2, QStringLiteral("new"));
        QTest::mouseClick(&line, Qt::LeftButton);
        QCOMPARE(grid.text(1, 2), QStringLiteral("Петро"));
        grid.setText(1, 2, QStringLiteral("changed elsewhere"));
        harness.press("CmdEdit"); // "Ввод" writes the line into the cell again
        QCOMPARE(grid.text(1, 2), QStringLiteral("Петро"));
    }

    // Tab and Shift+Tab on the input line or on "Ввод" move the focus and copy nothing: right
    // after an opening the current cell is the last row's mechanic, out of sight. Escape and Ctrl
    // with a key copy nothing either (their characters as Windows gives them: Ctrl+C is 3).
    // Typing, Enter and Backspace copy.
    void keysThatTypeNothingCopyNothing() {
        WindowHarness harness;
        harness.folder().write(
            QStringLiteral("thisyear.csv"),
            journalBytes({texts({"ООО Ромашка", "ЭКР", "1", "0041", "", "", "", "Иванов"}),
                          texts({"ООО Лютик", "ЭКР", "2", "0042", "", "", "", "Петров"})}));
        harness.press("CmdZagruz");
        model::GridModel& grid = harness.grid();
        const auto allCells = [&grid] {
            QStringList all = grid.captions();
            for (const QStringList& row : grid.dataRows())
                all << row;
            return all;
        };
        const QStringList opened = allCells();
        QLineEdit& line = harness.inputLine();
        auto& enter = harness.control<QPushButton>("CmdEdit");
        struct Key {
            Qt::Key key;
            Qt::KeyboardModifiers modifiers;
            const char* text;
        };
        const Key keys[] = {{Qt::Key_Tab, {}, "\t"},
                            {Qt::Key_Backtab, Qt::ShiftModifier, "\t"},
                            {Qt::Key_Escape, {}, "\x1b"},
                            {Qt::Key_C, Qt::ControlModifier, "\x03"},
                            {Qt::Key_A, Qt::ControlModifier, "\x01"}};
        for (const QString& lineText : {QString(), QStringLiteral("Сидоров")}) {
            line.setText(lineText);
            for (QWidget* control : {static_cast<QWidget*>(&line), static_cast<QWidget*>(&enter)})
                for (const Key& key : keys) {
                    control->setFocus(Qt::OtherFocusReason);
                    QTest::sendKeyEvent(QTest::Click, control, key.key,
                                        QString::fromLatin1(key.text), key.modifiers);
                    QVERIFY2(allCells() == opened,
                             qPrintable(QStringLiteral("%1 on %2 with \"%3\"")
                                            .arg(QKeySequence(key.key | key.modifiers).toString(),
                                                 control->objectName(), lineText)));
                    QVERIFY(!harness.window().isWindowModified());
                }
        }
        line.setFocus(Qt::OtherFocusReason);
        QTest::keyClick(&line, Qt::Key_Return);
        QCOMPARE(grid.text(1, 7), QStringLiteral("Сидоров"));
        QVERIFY(harness.window().isWindowModified());
        line.setText(QStringLiteral("Козлов"));
        enter.setFocus(Qt::OtherFocusReason);
        typeText(&enter, QStringLiteral("ж"));
        QCOMPARE(grid.text(1, 7), QStringLiteral("Козлов"));
        QCOMPARE(allCells().mid(0, 2 * grid.columnCount()), opened.mid(0, 2 * grid.columnCount()));
    }

    // Leaving asks only after changes. "НЕТ" ends without saving, "ДА" (see tst_windowcommands)
    // ends only once the save succeeded; "НАЗАД" and the prompt's close box only close the
    // prompt, and neither Enter nor Escape answers it.
    void exitAsksAfterChanges_data() {
        QTest::addColumn<QString>("steps");
        QTest::addColumn<int>("ends");
        QTest::addColumn<bool>("asking");
        QTest::newRow("unchanged") << QStringLiteral("Выход") << 1 << false;
        QTest::newRow("unchanged, title bar") << QStringLiteral("titleBar") << 1 << false;
        QTest::newRow("title bar") << QStringLiteral("edit titleBar") << 0 << true;
        QTest::newRow("НАЗАД") << QStringLiteral("edit Выход CmdCancel") << 0 << false;
        QTest::newRow("close box") << QStringLiteral("edit Выход closeBox") << 0 << false;
        QTest::newRow("Enter, Escape") << QStringLiteral("edit Выход keys") << 0 << true;
        QTest::newRow("НЕТ") << QStringLiteral("edit Выход CancelButton") << 1 << false;
        // A cell the file cannot hold (a character Windows-1251 lacks): the save is refused with a
        // message; a cell holding ";" is asked about, and "Отмена" saves nothing either.
        QTest::newRow("ДА, save refused")
            << QStringLiteral("edit unwritable Выход OKButton") << 0 << false;
        QTest::newRow("ДА, replacement cancelled")
            << QStringLiteral("edit ; Выход OKButton") << 0 << false;
    }
    void exitAsksAfterChanges() {
        QFETCH(QString, steps);
        QFETCH(int, ends);
        QFETCH(bool, asking);
        WindowHarness harness;
        QDialog& prompt = harness.exitPrompt();
        for (const QString& step : steps.split(u' ')) {
            if (step == u"edit")
                harness.editCell(0, 0, QStringLiteral("Бета"));
            else if (step == u";")
                harness.grid().setText(0, 1, step);
            else if (step == u"unwritable")
                harness.grid().setText(0, 1, QStringLiteral("\u4E2D"));
            else if (step == u"Выход")
                harness.press("CmdProd");
            else if (step == u"titleBar")
                QCOMPARE(harness.window().close(), !steps.startsWith(u"edit"));
            else if (step == u"closeBox")
                prompt.close();
            else if (step == u"keys")
                for (const Qt::Key key : {Qt::Key_Return, Qt::Key_Escape})
                    QTest::keyClick(prompt.findChild<QPushButton*>(QStringLiteral("OKButton")),
                                    key);
            else
                harness.answerExit(qPrintable(step));
        }
        QCOMPARE(harness.endCount(), ends);
        QCOMPARE(prompt.isVisible(), asking);
        QVERIFY(!harness.folder().exists(QStringLiteral("thisyear.csv"))); // nothing saved
        QCOMPARE(harness.prompter().messages.size(), qsizetype(steps.contains(u"unwritable")));
        QCOMPARE(harness.prompter().questions.size(), qsizetype(steps.contains(u';')));
    }

    // The title names what is on screen. With an archive on screen, "Сохранить изменения" and
    // "ДА" ask where it goes, naming both files with their rows: its own archive (the default),
    // or over this year's register. "Отмена" writes nothing and keeps the program open.
    void anArchiveOnScreenIsSavedWhereTheUserChooses() {
        WindowHarness harness;
        QVERIFY(!harness.window().windowIcon().pixmap(QSize(32, 32)).isNull());
        const QByteArray current = journalBytes({texts({"Текущий"}), texts({"Второй"})});
        harness.folder().write(QStringLiteral("thisyear.csv"), current);
        harness.folder().write(QStringLiteral("Archive/2009.csv"),
                               journalBytes({texts({"Архивный"})}));
        QCOMPARE(harness.window().windowTitle(), QStringLiteral("Журнал учета ЭКЛЗ[*]"));
        auto* document = harness.window().findChild<app::JournalDocument*>();
        QVERIFY(document);
        QSignalSpy opened(document, &app::JournalDocument::opened);
        QSignalSpy saved(document, &app::JournalDocument::saved);
        harness.prompter().answers << QStringLiteral("2009");
        harness.press("CmdZArch");
        QCOMPARE(opened.size(), 1);
        QCOMPARE(harness.window().windowTitle(),
                 QStringLiteral("архив 2009[*] — Журнал учета ЭКЛЗ"));
        harness.editCell(0, 1, QStringLiteral("ЭКР"));
        harness.press("CmdSave"); // "Отмена"
        QVERIFY(harness.window().isModified());
        harness.press("CmdProd");
        harness.answerExit("OKButton"); // "Отмена" again
        ScriptedPrompter& prompter = harness.prompter();
        const QString question = QStringLiteral(
            "На экране архив 2009 (строк: 1). Куда его сохранить?\n\n"
            "В архив 2009 — сейчас в файле строк: 1; их заменит журнал с экрана.\n"
            "В журнал текущего года thisyear.csv — сейчас в файле строк: 2; их заменит журнал "
            "с экрана.");
        QCOMPARE(prompter.choiceQuestions, QStringList(2, question));
        QCOMPARE(prompter.choicesOffered.value(0), texts({"В архив 2009", "В thisyear.csv"}));
        QCOMPARE(prompter.choicesPreferred.value(0), 0);
        QCOMPARE(harness.folder().read(QStringLiteral("thisyear.csv")), current);
        QVERIFY(!harness.folder()
                     .read(QStringLiteral("Archive/2009.csv"))
                     .contains(cp1251(QStringLiteral("ЭКР"))));
        QCOMPARE(harness.endCount(), 0);
        QCOMPARE(saved.size(), 0);

        // Its own archive: the title stays, the marker goes.
        prompter.choiceAnswers << 0;
        harness.press("CmdSave");
        QVERIFY(harness.folder()
                    .read(QStringLiteral("Archive/2009.csv"))
                    .startsWith(cp1251(QStringLiteral("Архивный;ЭКР;"))));
        QCOMPARE(harness.folder().read(QStringLiteral("thisyear.csv")), current);
        QCOMPARE(harness.window().windowTitle(),
                 QStringLiteral("архив 2009[*] — Журнал учета ЭКЛЗ"));
        QVERIFY(!harness.window().isWindowModified());
        QCOMPARE(saved.size(), 1);

        // This year's register: it is carried over, and the grid is this year's register now.
        prompter.choiceAnswers << 1;
        harness.press("CmdSave");
        QCOMPARE(harness.folder().read(QStringLiteral("thisyear.csv")),
                 harness.folder().read(QStringLiteral("Archive/2009.csv")));
        QCOMPARE(harness.window().windowTitle(),
                 QStringLiteral("thisyear.csv[*] — Журнал учета ЭКЛЗ"));
        harness.press("CmdSave"); // this year's register on screen: nothing asked
        QCOMPARE(prompter.choiceQuestions.size(), 4);
        QVERIFY(prompter.questions.isEmpty());
        QCOMPARE(saved.size(), 3);
        QCOMPARE(opened.size(), 1);
    }

    // A journal read only in part is not written over unasked, from "Сохранить изменения" or
    // from "ДА"; the message says why the reading stopped.
    void aJournalReadInPartIsNotSavedOverUnasked() {
        WindowHarness harness;
        const QByteArray bytes = journalBytes({texts({"Первый"}), texts({"Второй"})}) +
                                 QByteArray(32768, 'x') + "\r\n" + journalBytes({texts({"Конец"})});
        harness.folder().write(QStringLiteral("thisyear.csv"), bytes);
        harness.press("CmdZagruz");
        QCOMPARE(harness.prompter().messages,
                 QStringList{QStringLiteral("Не могу найти thisyear.csv.\nСтрока 3 длиннее "
                                            "32 767 знаков; прочитано строк: 2.")});
        harness.press("CmdSave");
        harness.clickCell(0, 0);
        harness.press("CmdProd");
        harness.answerExit("OKButton");
        const QString question = QStringLiteral("Журнал thisyear.csv был прочитан не полностью "
                                                "(2 строк из 4). Записать поверх него только "
                                                "прочитанные строки?");
        QCOMPARE(harness.prompter().questions, QStringList(2, question));
        QCOMPARE(harness.folder().read(QStringLiteral("thisyear.csv")), bytes);
        QCOMPARE(harness.endCount(), 0);

        auto* document = harness.window().findChild<app::JournalDocument*>();
        QVERIFY(document);
        QSignalSpy saved(document, &app::JournalDocument::saved);
        QSignalSpy archiveSaved(document, &app::JournalDocument::archiveSaved);
        harness.prompter().answers << QStringLiteral("копия"); // another file: nothing asked
        harness.press("CmdSaveAs");
        QCOMPARE(harness.prompter().questions.size(), 2);
        QCOMPARE(archiveSaved.size(), 1);
        QCOMPARE(archiveSaved.first().first().toString(), QStringLiteral("КОПИЯ"));
        QCOMPARE(saved.size(), 0); // the journal on screen is not the copy
        // A copy was kept: thisyear.csv, read in part, is still the journal on screen.
        QVERIFY(harness.window().windowTitle().startsWith(QStringLiteral("thisyear.csv[*]")));
        harness.prompter().questionAnswers << true;
        harness.press("CmdSave");
        QCOMPARE(harness.prompter().questions, QStringList(3, question));
        QCOMPARE(harness.folder().read(QStringLiteral("thisyear.csv")),
                 harness.folder().read(QStringLiteral("Archive/КОПИЯ.csv")));
        harness.press("CmdSave"); // the file now holds the grid: nothing more to ask
        QCOMPARE(harness.prompter().questions.size(), 3);
        QCOMPARE(saved.size(), 2);
    }

    // Two mechanics on one folder: the second to open hears who holds the journal. A save over a
    // file the other changed since merges it: what only they changed comes in unasked; the cell
    // both changed is asked about once, "Отмена" leaving both the file and the grid as they were,
    // "Оставить мои" writing the mechanic's text, their version kept in Backup.
    void aSharedJournalMergesAndAsksOnlyAboutConflicts() {
        auto first = std::make_unique<WindowHarness>();
        const QByteArray original = journalBytes({texts({"Первый", "ЭКР"})});
        first->folder().write(QStringLiteral("thisyear.csv"), original);
        first->press("CmdZagruz");
        WindowHarness second({}, first->programFolder());
        second.press("CmdZagruz");
        QCOMPARE(second.prompter().messages.size(), 1);
        QVERIFY(second.prompter().messages[0].startsWith(
            QStringLiteral("Журнал thisyear.csv сейчас открыт и у другого пользователя: ")));

        second.editCell(0, 0, QStringLiteral("Второй"));
        second.editCell(0, 2, QStringLiteral("17"));
        second.press("CmdSave"); // not changed on disk since: nothing asked
        const QByteArray theirs = first->folder().read(QStringLiteral("thisyear.csv"));
        first->editCell(0, 0, QStringLiteral("Третий"));
        first->editCell(0, 7, QStringLiteral("Иванов"));
        first->press("CmdSave");
        QVERIFY(first->prompter().questions.isEmpty());
        QCOMPARE(first->prompter().conflictsAsked.size(), 1);
        const std::vector<core::MergeConflict>& asked = first->prompter().conflictsAsked[0];
        QCOMPARE(int(asked.size()), 1);
        QCOMPARE(asked[0].mine, QStringLiteral("Третий"));
        QCOMPARE(asked[0].theirs, QStringLiteral("Второй"));
        QCOMPARE(asked[0].column, QStringLiteral("1 («Владелец»)"));
        // "Отмена": nothing written, nothing changed.
        QCOMPARE(first->folder().read(QStringLiteral("thisyear.csv")), theirs);
        QCOMPARE(first->grid().text(0, 0), QStringLiteral("Третий"));
        QCOMPARE(first->grid().text(0, 2), QString());

        first->prompter().conflictAnswers << std::vector<bool>{false};
        first->press("CmdSave");
        QCOMPARE(fromCp1251(first->folder().read(QStringLiteral("thisyear.csv"))),
                 QStringLiteral("Третий;ЭКР;17;;;;;Иванов;\r\n"));
        QCOMPARE(first->grid().text(0, 2), QStringLiteral("17"));
        QVERIFY2(first->prompter().messages.last().contains(QStringLiteral("изменено ячеек: 1")),
                 qPrintable(first->prompter().messages.last()));
        const QStringList backups =
            QDir(first->programFolder() + QStringLiteral("/Backup")).entryList(QDir::Files);
        QVERIFY(std::any_of(backups.begin(), backups.end(), [&](const QString& name) {
            return first->folder().read(QStringLiteral("Backup/") + name) == theirs;
        }));
        // The merge is one undo step: the other's cell goes, the mechanic's own edits stay.
        first->window().findChild<QAction*>(QStringLiteral("ActUndo"))->trigger();
        QCOMPARE(first->grid().text(0, 2), QString());
        QCOMPARE(first->grid().text(0, 7), QStringLiteral("Иванов"));

        first.reset();
        second.prompter().messages.clear();
        second.press("CmdZagruz");
        QVERIFY(second.prompter().messages.isEmpty());
    }

    // A third copy saves while the first merge's conflict is asked; "Отмена" in the second round
    // writes nothing and leaves the screen as it was before the save, the first round's merge
    // gone with the version of the file it came from: the next save merges both rounds again.
    void aSaveCancelledInALaterRoundChangesNothing() {
        WindowHarness first;
        first.folder().write(QStringLiteral("thisyear.csv"),
                             journalBytes({texts({"Иванов", "ЭКР"}), texts({"Петров", "ЭКР"}),
                                           texts({"Сидоров", "ЭКР"})}));
        first.press("CmdZagruz");
        WindowHarness second({}, first.programFolder());
        second.press("CmdZagruz");
        second.editCell(0, 0, QStringLiteral("их"));
        second.editCell(1, 1, QStringLiteral("Меркурий"));
        second.press("CmdSave");
        WindowHarness third({}, first.programFolder());
        third.press("CmdZagruz");
        third.editCell(2, 7, QStringLiteral("т3"));

        first.editCell(0, 0, QStringLiteral("мой"));
        first.editCell(2, 7, QStringLiteral("м3"));
        first.setCurrentCell(0, 0); // stores the edit
        const QList<QStringList> before = first.grid().dataRows();
        first.prompter().conflictAnswers << std::vector<bool>{false}; // then "Отмена"
        first.prompter().whileConflictsAsked = [&] {
            if (first.prompter().conflictsAsked.size() == 1)
                third.press("CmdSave");
        };
        first.press("CmdSave");
        QCOMPARE(first.prompter().conflictsAsked.size(), 2);
        QCOMPARE(first.prompter().conflictsAsked[1].at(0).theirs, QStringLiteral("т3"));
        const QByteArray thirds = first.folder().read(QStringLiteral("thisyear.csv"));
        QVERIFY(fromCp1251(thirds).contains(QStringLiteral("Сидоров;ЭКР;;;;;;т3;")));
        QCOMPARE(first.grid().dataRows(), before);
        QVERIFY(first.window().isWindowModified());

        first.prompter().conflictAnswers << std::vector<bool>{true, false};
        first.press("CmdSave");
        QCOMPARE(first.prompter().conflictsAsked.size(), 3);
        QCOMPARE(int(first.prompter().conflictsAsked[2].size()), 2);
        QCOMPARE(fromCp1251(first.folder().read(QStringLiteral("thisyear.csv"))),
                 QStringLiteral("их;ЭКР;;;;;;;\r\nПетров;Меркурий;;;;;;;\r\n"
                                "Сидоров;ЭКР;;;;;;м3;\r\n"));
    }

    // The file keeps the first eight columns: a save that would leave filled cells out asks
    // first, naming the column and its filled cells.
    void aSaveThatDropsFilledCellsAsksFirst() {
        WindowHarness harness;
        harness.folder().write(QStringLiteral("thisyear.csv"),
                               journalBytes({texts({"ООО", "", "", "", "", "", "", "Иванов"})}));
        harness.press("CmdZagruz");
        harness.setCurrentCell(0, 0);
        harness.press("CmdAddC"); // "Механик" goes to the ninth place
        harness.press("CmdSave");
        QCOMPARE(harness.prompter().questions,
                 QStringList{QStringLiteral("В файл журнала записываются только первые восемь "
                                            "колонок. Не будут записаны: колонка 9 («Механик»), "
                                            "заполнено ячеек: 1. Сохранить без них?")});
        QVERIFY(harness.folder()
                    .read(QStringLiteral("thisyear.csv"))
                    .contains(cp1251(QStringLiteral("Иванов"))));
        harness.prompter().questionAnswers << true;
        harness.press("CmdSave");
        QCOMPARE(harness.folder().read(QStringLiteral("thisyear.csv")),
                 journalBytes({texts({"", "ООО", "", "", "", "", "", ""})}));
    }

    // A register read from a spreadsheet's file may hold ";" and line ends: the save asks first,
    // "Отмена" writes nothing, and "Да" replaces them in one undo step before the file is written.
    void aSaveReplacesWhatTheFileCannotStoreInOneStep() {
        WindowHarness harness;
        const QByteArray calc = "\"a;b\";\"c\nd\"\n";
        harness.folder().write(QStringLiteral("thisyear.csv"), calc);
        harness.press("CmdZagruz");
        harness.press("CmdSave");
        QCOMPARE(harness.prompter().questions.size(), 1);
        QCOMPARE(harness.folder().read(QStringLiteral("thisyear.csv")), calc);
        QCOMPARE(harness.grid().text(0, 0), QStringLiteral("a;b"));
        harness.prompter().questionAnswers << true;
        harness.press("CmdSave");
        QCOMPARE(harness.folder().read(QStringLiteral("thisyear.csv")),
                 journalBytes({texts({"a,b", "c d", "", "", "", "", "", ""})}));
        QTest::keyClick(&harness.gridView(), Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(harness.grid().text(0, 0), QStringLiteral("a;b"));
        QCOMPARE(harness.grid().text(0, 1), QStringLiteral("c\nd"));
    }

    // A left click on the empty area of the grid is a click on the current cell; right and
    // middle clicks select nothing and open no editor.
    void onlyLeftClicksAreClicks() {
        WindowHarness harness;
        app::GridView& view = harness.gridView();
        harness.setCurrentCell(0, 2);
        QTest::mouseClick(view.viewport(), Qt::RightButton, {}, harness.cellCentre(0, 4));
        QTest::mouseClick(view.viewport(), Qt::MiddleButton, {}, harness.cellCentre(0, 5));
        QCOMPARE(harness.currentCell(), QPoint(0, 2));
        QVERIFY(!harness.cellEditor().isVisible());
        QVERIFY(!harness.window().isModified());
        QTest::mouseClick(view.viewport(), Qt::LeftButton, {},
                          QPoint(view.viewport()->width() - 2, view.viewport()->height() - 2));
        QVERIFY(harness.cellEditor().isOpen());
        QCOMPARE(harness.cellEditor().geometry().center(), harness.cellCentre(0, 2));
        QVERIFY(harness.window().isModified());
    }
};

QTEST_MAIN(TestJournalWindow)
#include "tst_journalwindow.moc"
