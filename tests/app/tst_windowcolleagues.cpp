// Saving beside colleagues, as the window does it: the wait for another copy's save, the columns
// a merge brings, an archive another copy writes between the question and the save.
#include "app/savelockwait.h"
#include "core/savelock.h"
#include "model/gridmodel.h"
#include "support/gridtexts.h"
#include "support/windowharness.h"

#include <QApplication>
#include <QProgressDialog>
#include <QTest>
#include <QTimer>
#include <cstdio>
#include <optional>

namespace {

const QString ThisYear = QStringLiteral("thisyear.csv");

// What the window showed while its save waited, seen from a timer that fires during the wait.
struct SeenWhileWaiting {
    bool timerRan = false;
    bool busyPointer = false;
    bool lineShown = false;
    QString lineText;
};

// Looks at the window a moment into the wait, then runs `then` (cancel, or let the lock go).
void whileWaiting(QWidget& window, SeenWhileWaiting& seen, const std::function<void()>& then) {
    QTimer::singleShot(900, &window, [&window, &seen, then] {
        seen.timerRan = true;
        seen.busyPointer = QGuiApplication::overrideCursor() &&
                           QGuiApplication::overrideCursor()->shape() == Qt::WaitCursor;
        if (auto* line = window.findChild<QProgressDialog*>(QStringLiteral("SaveLockWait"))) {
            seen.lineShown = line->isVisible();
            seen.lineText = line->labelText();
        }
        then();
    });
}

// Another program's save: a new file renamed over the journal, as office suites save. (The
// journal's bytes as opened are read again on a thread of their own, from the file then opened:
// an overwrite in place at once would race with that read.)
void saveByAnotherProgram(const TempFolder& folder, const QByteArray& bytes) {
    folder.write(QStringLiteral("thisyear.csv.new"), bytes);
    QVERIFY(::rename(QFile::encodeName(folder.file(QStringLiteral("thisyear.csv.new"))).constData(),
                     QFile::encodeName(folder.file(ThisYear)).constData()) == 0);
}

} // namespace

class TestWindowColleagues : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // While another copy saves, the save waits with the busy pointer, the window's events still
    // handled, and after a moment a line with "Отмена". "Отмена" stops the save (nothing written,
    // the reason told); once the other copy is done, the save goes on by itself. Nothing of the
    // wait is left behind either way.
    void aSaveWaitingForAnotherShowsTheWaitAndCanBeCancelled() {
        WindowHarness harness;
        const QByteArray original = journalBytes({texts({"Первый"})});
        harness.folder().write(ThisYear, original);
        harness.press("CmdZagruz");
        harness.editCell(0, 0, QStringLiteral("Изменён"));

        std::optional<core::SaveLock> other(std::in_place,
                                            core::FolderTree(harness.programFolder()));
        QVERIFY(other->held());
        SeenWhileWaiting cancelled;
        whileWaiting(harness.window(), cancelled, [&harness] {
            if (auto* line =
                    harness.window().findChild<QProgressDialog*>(QStringLiteral("SaveLockWait")))
                line->cancel();
        });
        harness.press("CmdSave");
        QVERIFY(cancelled.timerRan);
        QVERIFY(cancelled.busyPointer);
        QVERIFY(cancelled.lineShown);
        QCOMPARE(cancelled.lineText, app::SaveLockWait::text());
        QCOMPARE(harness.folder().read(ThisYear), original);
        QVERIFY2(
            harness.prompter().messages.value(0).contains(QStringLiteral("Сохранение отменено")),
            qPrintable(harness.prompter().messages.value(0)));
        QVERIFY(!QGuiApplication::overrideCursor());
        QVERIFY(!harness.window().findChild<QProgressDialog*>(QStringLiteral("SaveLockWait")));

        SeenWhileWaiting released;
        whileWaiting(harness.window(), released, [&other] { other.reset(); });
        harness.press("CmdSave");
        QVERIFY(released.timerRan && released.lineShown);
        QCOMPARE(fromCp1251(harness.folder().read(ThisYear)),
                 QStringLiteral("Изменён;;;;;;;;\r\n"));
        QCOMPARE(harness.prompter().messages.size(), 1);
        QVERIFY(!QGuiApplication::overrideCursor());
        QVERIFY(!harness.window().findChild<QProgressDialog*>(QStringLiteral("SaveLockWait")));
    }

    // A save asked for while one waits (the window's events go on) writes nothing and says
    // nothing; the waiting save goes on once the other copy is done.
    void aSaveAskedForWhileOneWaitsDoesNothing() {
        WindowHarness harness;
        harness.folder().write(ThisYear, journalBytes({texts({"Первый"})}));
        harness.press("CmdZagruz");
        harness.editCell(0, 0, QStringLiteral("Изменён"));
        std::optional<core::SaveLock> other(std::in_place,
                                            core::FolderTree(harness.programFolder()));
        SeenWhileWaiting seen;
        whileWaiting(harness.window(), seen, [&] {
            harness.press("CmdSave");
            other.reset();
        });
        harness.press("CmdSave");
        QVERIFY(seen.timerRan);
        QCOMPARE(harness.prompter().messages, QStringList());
        QCOMPARE(fromCp1251(harness.folder().read(ThisYear)),
                 QStringLiteral("Изменён;;;;;;;;\r\n"));
    }

    // Another program added a ninth column to the file: the merge brings it onto the screen, and
    // the save asks, as for any filled column the file cannot keep, before it writes the eight.
    // The message says the column stayed on screen; "Нет" writes nothing.
    void aColumnAMergeBringsIsAskedAboutAndNeverClaimedSaved() {
        WindowHarness harness;
        harness.folder().write(ThisYear, journalBytes({texts({"Первый", "ЭКР"})}));
        harness.press("CmdZagruz");
        harness.editCell(0, 2, QStringLiteral("17"));
        const QByteArray theirs = cp1251(QStringLiteral("Первый;ЭКР;;;;;;;Девятая;\r\n"));
        saveByAnotherProgram(harness.folder(), theirs);

        harness.press("CmdSave"); // "Нет" to the question about the ninth column
        QCOMPARE(harness.prompter().questions.size(), 1);
        QVERIFY2(harness.prompter().questions[0].startsWith(
                     QStringLiteral("В файл журнала записываются только первые восемь колонок")),
                 qPrintable(harness.prompter().questions[0]));
        QCOMPARE(harness.folder().read(ThisYear), theirs);
        QCOMPARE(harness.grid().text(0, 8), QStringLiteral("Девятая"));

        harness.prompter().questionAnswers << true;
        harness.press("CmdSave");
        QCOMPARE(fromCp1251(harness.folder().read(ThisYear)),
                 QStringLiteral("Первый;ЭКР;17;;;;;;\r\n"));
        QCOMPARE(harness.prompter().questions.size(), 2);
    }

    // The merge and the question in one save: the message names the column as on screen only.
    void aMergedColumnIsToldAsOnScreenOnly() {
        WindowHarness harness;
        harness.folder().write(ThisYear, journalBytes({texts({"Первый", "ЭКР"})}));
        harness.press("CmdZagruz");
        harness.editCell(0, 2, QStringLiteral("17"));
        saveByAnotherProgram(harness.folder(),
                             cp1251(QStringLiteral("Первый;ЭКР;;;;;;;Девятая;\r\n")));
        harness.prompter().questionAnswers << true;
        harness.press("CmdSave");
        QCOMPARE(fromCp1251(harness.folder().read(ThisYear)),
                 QStringLiteral("Первый;ЭКР;17;;;;;;\r\n"));
        const QString told = harness.prompter().messages.value(0);
        QVERIFY2(told.contains(QStringLiteral("добавлено колонок справа: 1 (колонки после восьмой "
                                              "— только на экране")),
                 qPrintable(told));
    }

    // "Сохранить как" under a name no archive had when asked: when another copy saves that archive
    // before this one writes, this one asks, once, and "Нет" leaves the other's archive.
    void anArchiveWrittenMeanwhileIsAskedAbout() {
        WindowHarness first;
        first.folder().write(ThisYear, journalBytes({texts({"Первый"})}));
        first.press("CmdZagruz");
        WindowHarness second({}, first.programFolder());
        second.press("CmdZagruz");
        second.editCell(0, 0, QStringLiteral("Второй"));

        // The other copy writes the archive while this one waits for the save lock, after its
        // question found no archive of that name.
        std::optional<core::SaveLock> lock(std::in_place, core::FolderTree(first.programFolder()));
        first.prompter().answers << QStringLiteral("2010");
        second.prompter().answers << QStringLiteral("2010");
        SeenWhileWaiting seen;
        whileWaiting(first.window(), seen, [&] {
            lock.reset();
            second.press("CmdSaveAs");
        });
        first.press("CmdSaveAs");
        QVERIFY(seen.timerRan);
        QCOMPARE(fromCp1251(first.folder().read(QStringLiteral("Archive/2010.csv"))),
                 QStringLiteral("Второй;;;;;;;;\r\n"));
        QCOMPARE(first.prompter().questions.size(), 1);
        QVERIFY2(first.prompter().questions[0].contains(
                     QStringLiteral("тем временем записал другой пользователь")),
                 qPrintable(first.prompter().questions[0]));
        QVERIFY(second.prompter().questions.isEmpty());
    }
};

QTEST_MAIN(TestWindowColleagues)
#include "tst_windowcolleagues.moc"
