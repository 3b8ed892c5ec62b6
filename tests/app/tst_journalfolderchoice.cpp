#include "app/foldercontroller.h"
#include "app/gridview.h"
#include "app/journalwindow.h"
#include "core/journalpaths.h"
#include "model/gridmodel.h"
#include "support/journalfixture.h"
#include "support/scriptedfilechooser.h"
#include "support/windowharness.h"

#include <QAction>
#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

// "Папка журналов…": another folder of journals, chosen in the window or named by "--folder",
// remembered for the next start; a folder that cannot hold journals is told and changes nothing.
class TestJournalFolderChoice : public QObject {
    Q_OBJECT

    QTemporaryDir configuration;
    std::shared_ptr<ScriptedFileChooser> files = std::make_shared<ScriptedFileChooser>();
    std::shared_ptr<QSettings> settings;

    app::WindowServices services() {
        app::WindowServices extra;
        extra.files = files;
        extra.settings = settings;
        return extra;
    }
    static QAction& folderAction(WindowHarness& harness) {
        return *harness.window().findChild<QAction*>(QStringLiteral("ActFolder"));
    }

private Q_SLOTS:
    void init() {
        settings = std::make_shared<QSettings>(configuration.filePath(QStringLiteral("s.ini")),
                                               QSettings::IniFormat);
        settings->clear();
        files->answers.clear();
    }

    void theChosenFolderIsShownAndRemembered() {
        WindowHarness harness(services());
        TempFolder shared;
        shared.write(QStringLiteral("thisyear.csv"),
                     journaltest::journalFile({{QStringLiteral("Общий")}}));
        harness.editCell(0, 0, QStringLiteral("несохранённое"));
        // Unsaved changes are asked about first: "Отмена" keeps everything.
        harness.prompter().keepAnswers << core::Prompter::KeepChanges::Cancel;
        files->answers << shared.path();
        folderAction(harness).trigger();
        QCOMPARE(harness.prompter().keepQuestions.size(), 1);
        QCOMPARE(harness.grid().text(0, 0), QStringLiteral("несохранённое"));
        QVERIFY(!settings->contains(app::journalFolderKey()));

        harness.prompter().keepAnswers << core::Prompter::KeepChanges::Discard;
        files->answers << shared.path();
        folderAction(harness).trigger();
        QCOMPARE(harness.grid().text(0, 0), QStringLiteral("Общий"));
        QCOMPARE(harness.window().toolTip(), core::currentJournalPath(shared.path()));
        QCOMPARE(settings->value(app::journalFolderKey()).toString(), shared.path());
        // Saves go there from now on.
        harness.editCell(0, 1, QStringLiteral("ЭКР"));
        harness.press("CmdSave");
        QVERIFY(fromCp1251(shared.read(QStringLiteral("thisyear.csv")))
                    .startsWith(QStringLiteral("Общий;ЭКР;")));
        QVERIFY(!harness.folder().exists(QStringLiteral("thisyear.csv")));
        // "Во всех журналах" searches there too.
        QTest::keyClick(&harness.gridView(), Qt::Key_F, Qt::ControlModifier);
        harness.control<QCheckBox>("ChkAllJournals").setChecked(true);
        auto& text = harness.control<QLineEdit>("TxtFind");
        typeText(&text, QStringLiteral("Общий"));
        QTest::keyClick(&text, Qt::Key_Return);
        auto& found = harness.control<QListWidget>("LstFound");
        QCOMPARE(found.count(), 1);
        QVERIFY(found.item(0)->text().startsWith(QStringLiteral("thisyear.csv, строка 1: Общий")));
        // The next start begins there.
        QString refusal;
        QCOMPARE(app::startingJournalFolder({QStringLiteral("eklz-journal")}, settings.get(),
                                            QStringLiteral("/default"), &refusal),
                 shared.path());
        QVERIFY(refusal.isEmpty());
    }

    void aFolderThatCannotHoldJournalsIsToldAndChangesNothing() {
        WindowHarness harness(services());
        TempFolder other;
        other.write(QStringLiteral("file"), "x");
        const QString missing = other.file(QStringLiteral("нет такой"));
        for (const QString& folder : {missing, other.file(QStringLiteral("file"))}) {
            harness.prompter().messages.clear();
            files->answers << folder;
            folderAction(harness).trigger();
            QCOMPARE(harness.prompter().messages.size(), 1);
            QVERIFY2(harness.prompter().messages[0].contains(QStringLiteral("не найдена")),
                     qPrintable(harness.prompter().messages[0]));
        }
        QVERIFY(!settings->contains(app::journalFolderKey()));
        QCOMPARE(harness.window().toolTip(), harness.programFolder());
    }

    // Another user of the machine may read the folder but not write there.
    void aFolderTheUserCannotWriteIsRefused() {
        TempFolder folder;
        QVERIFY(::chmod(QFile::encodeName(folder.path()), 0555) == 0);
        const pid_t child = ::fork();
        QVERIFY(child >= 0);
        if (child == 0) {
            if (::geteuid() == 0 && ::setuid(65534) != 0)
                ::_exit(3);
            const std::optional<QString> refusal = core::journalFolderRefusal(folder.path());
            ::_exit(refusal && refusal->contains(QStringLiteral("нельзя записывать")) ? 0 : 1);
        }
        int status = 0;
        QCOMPARE(::waitpid(child, &status, 0), child);
        ::chmod(QFile::encodeName(folder.path()), 0755);
        QVERIFY(WIFEXITED(status));
        QCOMPARE(WEXITSTATUS(status), 0);
        QVERIFY(!core::journalFolderRefusal(folder.path()));
        QCOMPARE(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden).size(), 0);
    }

    // "--folder" for this run, then the remembered choice, then the program's own; a named folder
    // that is not there is told, and the next is taken.
    void theStartingFolderComesFromTheCommandLineThenTheSettings() {
        TempFolder named, remembered;
        settings->setValue(app::journalFolderKey(), remembered.path());
        const QString program = QStringLiteral("eklz-journal");
        QString refusal;
        QCOMPARE(app::startingJournalFolder({program, QStringLiteral("--folder"), named.path()},
                                            settings.get(), QStringLiteral("/default"), &refusal),
                 named.path());
        QCOMPARE(app::startingJournalFolder({program}, settings.get(), QStringLiteral("/default"),
                                            &refusal),
                 remembered.path());
        QVERIFY(refusal.isEmpty());
        QCOMPARE(app::startingJournalFolder(
                     {program, QStringLiteral("--folder"), named.file(QStringLiteral("нет"))},
                     nullptr, QStringLiteral("/default"), &refusal),
                 QStringLiteral("/default"));
        QVERIFY(refusal.contains(QStringLiteral("не найдена")));
        QCOMPARE(app::withoutFolderArgument({program, QStringLiteral("--folder"), named.path(),
                                             QStringLiteral("--export"), QStringLiteral("a.ods")}),
                 (QStringList{program, QStringLiteral("--export"), QStringLiteral("a.ods")}));
    }
};

QTEST_MAIN(TestJournalFolderChoice)
#include "tst_journalfolderchoice.moc"
