// No work dropped by an ordinary command: the questions before a journal replaces unsaved
// changes or a save replaces a register never read, a title whose marker tells the truth, and
// entry as in a spreadsheet.
#include "app/celleditor.h"
#include "app/gridview.h"
#include "model/gridmodel.h"
#include "support/gridtexts.h"
#include "support/windowharness.h"

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>
#include <QScrollBar>
#include <QTest>

using Keep = core::Prompter::KeepChanges;

namespace {

const QString ThisYear = QStringLiteral("thisyear.csv");

struct Edited {
    WindowHarness harness;
    QByteArray original = journalBytes({texts({"Первый"}), texts({"Второй"})});
    QByteArray archive = journalBytes({texts({"Архивный"})});
    Edited() {
        harness.folder().write(ThisYear, original);
        harness.folder().write(QStringLiteral("Archive/2009.csv"), archive);
        harness.press("CmdZagruz");
        harness.editCell(0, 0, QStringLiteral("Изменён"));
        QTest::keyClick(&harness.cellEditor(), Qt::Key_Return);
    }
    QString firstCell() { return harness.grid().text(0, 0); }
};

QByteArray typedUnit() {
    return journalBytes({texts({"Новый", "", "", "", "", "", "", ""})});
}

// Keys go where the keyboard focus is, as a hand's do.
void typeAtFocus(const QString& text) {
    for (const QChar letter : text)
        typeText(QApplication::focusWidget(), QString(letter));
}

} // namespace

Q_DECLARE_METATYPE(core::Prompter::KeepChanges)

class TestUnsavedChanges : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // Either button, or a double click on a row found in every journal, asks before unsaved
    // changes go: "Да" saves them into the journal on screen first, "Нет" drops them, "Отмена"
    // keeps everything as it was.
    void openingAnotherJournalAsksFirst_data() {
        QTest::addColumn<QString>("how");
        QTest::addColumn<Keep>("answer");
        for (const char* how : {"CmdZagruz", "CmdZArch", "found row"}) {
            QTest::addRow("%s, save", how) << QString::fromLatin1(how) << Keep::Save;
            QTest::addRow("%s, discard", how) << QString::fromLatin1(how) << Keep::Discard;
            QTest::addRow("%s, cancel", how) << QString::fromLatin1(how) << Keep::Cancel;
        }
    }
    void openingAnotherJournalAsksFirst() {
        QFETCH(QString, how);
        QFETCH(Keep, answer);
        Edited edited;
        WindowHarness& harness = edited.harness;
        QVERIFY(harness.window().isWindowModified());
        harness.prompter().keepAnswers << answer;
        const bool archive = how != QStringLiteral("CmdZagruz");
        if (how == QStringLiteral("found row")) {
            QTest::keyClick(&harness.gridView(), Qt::Key_F, Qt::ControlModifier);
            harness.control<QCheckBox>("ChkAllJournals").setChecked(true);
            auto& text = harness.control<QLineEdit>("TxtFind");
            typeText(&text, QStringLiteral("Архивный"));
            QTest::keyClick(&text, Qt::Key_Return);
            auto& found = harness.control<QListWidget>("LstFound");
            QCOMPARE(found.count(), 1);
            found.setCurrentRow(0);
            QTest::keyClick(&found, Qt::Key_Return); // opens the row's journal, as a double click
        } else {
            harness.prompter().answers << QStringLiteral("2009");
            harness.press(qPrintable(how));
        }
        QCOMPARE(harness.prompter().keepQuestions,
                 QStringList{QStringLiteral("Сохранить изменения в журнале thisyear.csv?")});
        const bool saved = answer == Keep::Save;
        QCOMPARE(harness.folder().read(ThisYear) == edited.original, !saved);
        if (answer == Keep::Cancel) {
            QCOMPARE(edited.firstCell(), QStringLiteral("Изменён"));
            QVERIFY(harness.window().isWindowModified());
            return;
        }
        const QString shown = archive ? QStringLiteral("Архивный")
                              : saved ? QStringLiteral("Изменён")
                                      : QStringLiteral("Первый");
        QCOMPARE(edited.firstCell(), shown);
        QVERIFY(!harness.window().isWindowModified());
        // Nothing unsaved now: the next opening asks nothing.
        harness.press("CmdZagruz");
        QCOMPARE(harness.prompter().keepQuestions.size(), 1);
    }

    // With an archive on screen, "Да" keeps the changes in that archive.
    void changesToAnArchiveAreSavedIntoIt() {
        Edited edited;
        WindowHarness& harness = edited.harness;
        harness.prompter().answers << QStringLiteral("2009");
        harness.press("CmdZArch");
        harness.editCell(0, 0, QStringLiteral("Правка архива"));
        harness.prompter().keepAnswers << Keep::Save;
        harness.press("CmdZagruz");
        QCOMPARE(harness.prompter().keepQuestions.last(),
                 QStringLiteral("Сохранить изменения в архиве 2009?"));
        QVERIFY(harness.folder()
                    .read(QStringLiteral("Archive/2009.csv"))
                    .startsWith(cp1251(QStringLiteral("Правка архива;"))));
        QCOMPARE(harness.folder().read(ThisYear), edited.original);
    }

    // "Сохранить как" under the name of another archive replaces it only when asked ("Нет" the
    // default); the archive on screen itself is saved into unasked.
    void anotherArchiveIsReplacedOnlyWhenAsked() {
        Edited edited;
        WindowHarness& harness = edited.harness;
        const QString archive = QStringLiteral("Archive/2009.csv");
        harness.prompter().answers << QStringLiteral("2009");
        harness.prompter().questionAnswers << false;
        harness.press("CmdSaveAs");
        QCOMPARE(harness.prompter().questions,
                 QStringList{QStringLiteral("Архив 2009 уже есть (1 строк). Заменить его?")});
        QCOMPARE(harness.folder().read(archive), edited.archive);
        harness.prompter().answers << QStringLiteral("2009");
        harness.prompter().questionAnswers << true;
        harness.press("CmdSaveAs");
        QVERIFY(harness.folder().read(archive).startsWith(cp1251(QStringLiteral("Изменён;"))));

        harness.prompter().keepAnswers << Keep::Discard;
        harness.prompter().answers << QStringLiteral("2009") << QStringLiteral("2009");
        harness.press("CmdZArch");
        harness.editCell(0, 0, QStringLiteral("Снова"));
        harness.press("CmdSaveAs");
        QCOMPARE(harness.prompter().questions.size(), 2);
        QVERIFY(harness.folder().read(archive).startsWith(cp1251(QStringLiteral("Снова;"))));
    }

    // A unit typed into the grid at start does not silently replace a register it never read:
    // the question names the rows of both, "Нет" writes nothing. An empty file is not asked for.
    void aRegisterNeverReadIsNotReplacedUnasked() {
        for (const bool empty : {false, true}) {
            WindowHarness harness;
            const QByteArray original =
                empty ? QByteArray()
                      : journalBytes(QList<QStringList>(153, texts({"Владелец", "ЭКР"})));
            harness.folder().write(ThisYear, original);
            harness.editCell(0, 0, QStringLiteral("Новый"));
            harness.prompter().questionAnswers << false;
            harness.press("CmdSave");
            if (empty) {
                QVERIFY(harness.prompter().questions.isEmpty());
                QCOMPARE(harness.folder().read(ThisYear), typedUnit());
                continue;
            }
            QCOMPARE(harness.prompter().questions,
                     QStringList{QStringLiteral("В файле thisyear.csv строк: 153. Записать "
                                                "поверх него журнал с экрана (строк: 1)?")});
            QCOMPARE(harness.folder().read(ThisYear), original);
            harness.prompter().questionAnswers << true;
            harness.press("CmdSave");
            QCOMPARE(harness.folder().read(ThisYear), typedUnit());
            // Now this year's register is on screen: a further save asks nothing.
            harness.press("CmdSave");
            QCOMPARE(harness.prompter().questions.size(), 2);
        }
    }

    // The title names the journal once and marks real changes only: a click is no change, a save
    // of the journal on screen clears the mark, a copy under another name does not, and undoing
    // back to the saved grid counts as saved. "Выход" keeps its own rule: after a click it asks.
    void theTitleMarksUnsavedChangesOnly() {
        Edited edited;
        WindowHarness& harness = edited.harness;
        app::JournalWindow& window = harness.window();
        QCOMPARE(window.windowTitle(), QStringLiteral("thisyear.csv[*] — Журнал учета ЭКЛЗ"));
        harness.prompter().answers << QStringLiteral("копия");
        harness.press("CmdSaveAs");
        QCOMPARE(window.windowTitle(), QStringLiteral("thisyear.csv[*] — Журнал учета ЭКЛЗ"));
        QVERIFY(window.isWindowModified());
        harness.press("CmdSave");
        QVERIFY(!window.isWindowModified());
        harness.clickCell(1, 1);
        QTest::keyClick(&harness.cellEditor(), Qt::Key_Escape);
        QVERIFY(!window.isWindowModified());
        QVERIFY(window.isModified());
        QTest::keyClick(&harness.gridView(), Qt::Key_Z, Qt::ControlModifier);
        QVERIFY(window.isWindowModified());
        QTest::keyClick(&harness.gridView(), Qt::Key_Y, Qt::ControlModifier);
        QVERIFY(!window.isWindowModified());
        // Input-line entries merge into one step, but never into the step saved.
        QTest::mouseClick(&harness.inputLine(), Qt::LeftButton);
        typeText(&harness.inputLine(), QStringLiteral("ab"));
        QVERIFY(window.isWindowModified());
    }

    // Entry as in a spreadsheet: a new row takes the keyboard with its first cell ready; a
    // character typed on a cell begins its edit with that character; the editor widens to its
    // text; an opened journal shows its first column.
    void entryWorksAsInASpreadsheet() {
        WindowHarness harness;
        QList<QStringList> rows(30,
                                texts({"Владелец", "ЭКР", "17", "А12", "Б34", "", "", "Иванов"}));
        harness.folder().write(ThisYear, journalBytes(rows));
        harness.press("CmdZagruz");
        app::GridView& view = harness.gridView();
        QCOMPARE(view.horizontalScrollBar()->value(), view.horizontalScrollBar()->minimum());

        harness.press("CmdAddS");
        QCOMPARE(QApplication::focusWidget(), &view);
        typeAtFocus(QStringLiteral("ООО \"Ромашка\" и партнёры, филиал"));
        app::CellEditor& editor = harness.cellEditor();
        QVERIFY(editor.isOpen());
        QCOMPARE(editor.text(), QStringLiteral("ООО \"Ромашка\" и партнёры, филиал"));
        QCOMPARE(harness.grid().rowCount(), 31); // the blank typed no second row
        QVERIFY(editor.width() > view.columnWidth(0));
        QTest::keyClick(&editor, Qt::Key_Return);
        QCOMPARE(harness.grid().text(30, 0), QStringLiteral("ООО \"Ромашка\" и партнёры, филиал"));
    }
};

QTEST_MAIN(TestUnsavedChanges)
#include "tst_unsavedchanges.moc"
