#include "app/exchangeloader.h"
#include "support/gridtexts.h"
#include "support/programrun.h"
#include "support/scriptedfilechooser.h"
#include "support/sheetfiles.h"
#include "support/tempfolder.h"
#include "support/windowharness.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>

// The exchange with spreadsheets comes from the module eklz-exchange.so, loaded at the first
// export or import: tried on copies of the program with the module beside them, where the install
// puts it, missing, and replaced by files that are no such module.

namespace {

const QString LoadFailure = QStringLiteral("Не удалось загрузить модуль обмена «");

QString moduleName() {
    return QFileInfo(QStringLiteral(EKLZ_EXCHANGE_MODULE)).fileName();
}

// A copy of the program in bin/ of a folder of its own, a journal of one unit beside bin/.
struct ProgramCopy {
    TempFolder folder;
    QString bin = folder.file(QStringLiteral("bin"));

    ProgramCopy() {
        QDir().mkpath(bin);
        if (!QFile::copy(QStringLiteral(EKLZ_JOURNAL_PROGRAM), bin + u"/eklz-journal"))
            qFatal("the program could not be copied");
        folder.write(
            QStringLiteral("one.csv"),
            journalBytes({texts({"Альфа", "", "", "0001", "", "15.12.2025", "", "Яковлев"})}));
    }
    // Puts `file` as the module into `relative` (from bin/).
    bool putModule(const QString& file, const QString& relative = {}) const {
        const QString into = QDir::cleanPath(bin + u'/' + relative);
        return QDir().mkpath(into) && QFile::copy(file, into + u'/' + moduleName());
    }
    ProgramRun exportTo(const char* sheet) const {
        return runWithoutDisplay(
            bin + u"/eklz-journal",
            {QStringLiteral("--export"), QString::fromUtf8(sheet), QStringLiteral("one.csv")},
            folder.path());
    }
};

// A window whose exchange is looked for in `folder` only.
struct WindowOver {
    std::shared_ptr<ScriptedFileChooser> files = std::make_shared<ScriptedFileChooser>();
    WindowHarness harness;

    explicit WindowOver(const QString& folder)
        : harness([&] {
              app::WindowServices services;
              services.files = files;
              services.exchange = std::make_shared<app::ExchangeLoader>(QStringList{folder});
              return services;
          }()) {}
    void press(Qt::Key key) { QTest::keyClick(&harness.window(), key, Qt::ControlModifier); }
};

} // namespace

class TestExchangeModule : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // Beside the program (a build tree, a portable copy) and where the install puts it.
    void theProgramFindsItsModule_data() {
        QTest::addColumn<QString>("relative");
        QTest::newRow("beside the program") << QString();
        QTest::newRow("installed") << QStringLiteral(EKLZ_EXCHANGE_INSTALLED_FOLDER);
    }
    void theProgramFindsItsModule() {
        QFETCH(QString, relative);
        const ProgramCopy copy;
        QVERIFY(copy.putModule(QStringLiteral(EKLZ_EXCHANGE_MODULE), relative));
        const ProgramRun done = copy.exportTo("out.ods");
        QCOMPARE(done.errors, QString());
        QCOMPARE(done.exitCode, 0);
        QCOMPARE(sheettest::odsCells(copy.folder.file(QStringLiteral("out.ods")))
                     .value(QStringLiteral("D2"))
                     .value,
                 QStringLiteral("0001"));
    }

    // Neither command writes anything; each names the file and the folders looked in.
    void theCommandLineTellsAMissingModule() {
        const ProgramCopy copy;
        const ProgramRun exported = copy.exportTo("out.xlsx");
        QCOMPARE(exported.exitCode, 1);
        QVERIFY2(exported.errors.startsWith(LoadFailure + moduleName() + u"»: "),
                 qPrintable(exported.errors));
        QVERIFY2(exported.errors.contains(copy.bin), qPrintable(exported.errors));
        QVERIFY(!copy.folder.exists(QStringLiteral("out.xlsx")));

        const ProgramRun imported =
            runWithoutDisplay(copy.bin + u"/eklz-journal",
                              {QStringLiteral("--import"), QStringLiteral("one.csv"),
                               QStringLiteral("--to"), QStringLiteral("thisyear.csv")},
                              copy.folder.path());
        QCOMPARE(imported.exitCode, 1);
        QCOMPARE(imported.errors, exported.errors);
        QVERIFY(!QFileInfo::exists(copy.bin + u"/thisyear.csv"));
    }

    // A file in the module's place that is none: the loader's reason, or what is wrong with it.
    void theCommandLineTellsAModuleThatCannotServe_data() {
        QTest::addColumn<QString>("module");
        QTest::addColumn<QString>("reason");
        // The system's reason, in the user's language ("invalid ELF header", "неверный заголовок
        // ELF").
        QTest::newRow("not a library") << QString() << QStringLiteral("ELF");
        QTest::newRow("no entry") << QStringLiteral(EKLZ_TEST_MODULE_NO_ENTRY)
                                  << QStringLiteral("в нём нет функции eklz_exchange_operations");
        QTest::newRow("another build") << QStringLiteral(EKLZ_TEST_MODULE_OTHER_BUILD)
                                       << QStringLiteral("собран не с этой версией программы");
        QTest::newRow("another interface") << QStringLiteral(EKLZ_TEST_MODULE_OTHER_INTERFACE)
                                           << QStringLiteral("собран не с этой версией программы");
    }
    void theCommandLineTellsAModuleThatCannotServe() {
        QFETCH(QString, module);
        QFETCH(QString, reason);
        const ProgramCopy copy;
        if (module.isEmpty()) {
            copy.folder.write(QStringLiteral("bin/") + moduleName(),
                              QByteArray(200, 'x') + "\nno library at all\n");
        } else {
            QVERIFY(copy.putModule(module));
        }
        const ProgramRun done = copy.exportTo("out.ods");
        QCOMPARE(done.exitCode, 1);
        QVERIFY2(done.errors.startsWith(LoadFailure + copy.bin + u'/' + moduleName() + u"»: "),
                 qPrintable(done.errors));
        QVERIFY2(done.errors.contains(reason), qPrintable(done.errors));
        QVERIFY(!copy.folder.exists(QStringLiteral("out.ods")));
    }

    // The message comes before any file is asked for and any question; once the module is there
    // the next export loads it, and it stays loaded.
    void theWindowTellsAMissingModule() {
        const TempFolder modules;
        WindowOver w(modules.path());
        w.files->otherwise = w.harness.folder().file(QStringLiteral("out.ods"));
        w.harness.editCell(1, 0, QStringLiteral("Альфа"));
        w.press(Qt::Key_E);
        w.press(Qt::Key_I);
        QCOMPARE(w.harness.prompter().messages.size(), 2);
        const QString& told = w.harness.prompter().messages[0];
        QVERIFY2(told.startsWith(LoadFailure + moduleName() + u"»: "), qPrintable(told));
        QVERIFY2(told.contains(modules.path()), qPrintable(told));
        QCOMPARE(w.harness.prompter().messages[1], told);
        QVERIFY(w.files->filters.isEmpty());
        QVERIFY(w.harness.prompter().keepQuestions.isEmpty());
        QCOMPARE(w.harness.grid().cell(1, 0).toString(), QStringLiteral("Альфа"));

        QVERIFY(QFile::copy(QStringLiteral(EKLZ_EXCHANGE_MODULE), modules.file(moduleName())));
        w.press(Qt::Key_E);
        QCOMPARE(w.harness.prompter().messages.size(), 2);
        QCOMPARE(w.files->filters.size(), 1);
        QCOMPARE(sheettest::odsCells(w.files->otherwise).value(QStringLiteral("A2")).value,
                 QStringLiteral("Альфа"));

        QVERIFY(QFile::remove(modules.file(moduleName())));
        QVERIFY(QFile::remove(w.files->otherwise));
        w.press(Qt::Key_E);
        QCOMPARE(w.harness.prompter().messages.size(), 2);
        QVERIFY(QFileInfo::exists(w.files->otherwise));
    }
};

QTEST_MAIN(TestExchangeModule)
#include "tst_exchangemodule.moc"
