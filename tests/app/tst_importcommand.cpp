#include "app/importcommand.h"
#include "support/importfixture.h"
#include "support/tempfolder.h"
#include "support/windowharness.h"

#include <QDir>
#include <QProcess>
#include <QTest>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

QString u(const char* utf8) {
    return QString::fromUtf8(utf8);
}

// A register of two rows under the journal's captions, in another order.
QByteArray registerXlsx(const QString& after = {}) {
    const QStringList strings =
        u("Зав. № ЭКЛЗ|Владелец|0012345|ООО Ромашка|0099|ИП Петров").split(u'|');
    QString rows;
    for (int r = 0; r < 3; ++r)
        rows += QStringLiteral("<row><c t=\"s\"><v>%1</v></c><c t=\"s\"><v>%2</v></c></row>")
                    .arg(2 * r)
                    .arg(2 * r + 1);
    return xlsxOf({{QStringLiteral("Лист1"), rows, after}}, strings);
}

QByteArray registerJournal() {
    return journalBytes(
        {u("ООО Ромашка|||0012345||||").split(u'|'), u("ИП Петров|||0099||||").split(u'|')});
}

} // namespace

class TestImportCommand : public QObject {
    Q_OBJECT

    TempFolder journals_; // the journal folder
    TempFolder files_;    // where the spreadsheets and other paths are
    QString errors_;

    int run(const QStringList& arguments) {
        errors_.clear();
        QTextStream errors(&errors_);
        return app::importCommand(QStringList{QStringLiteral("eklz-journal")} + arguments,
                                  journals_.path(), errors);
    }

private Q_SLOTS:
    void initTestCase() {
        files_.write(QStringLiteral("register.xlsx"), registerXlsx());
        files_.write(QStringLiteral("merged.xlsx"),
                     registerXlsx(QStringLiteral("<mergeCells><mergeCell ref=\"A2:B2\"/>"
                                                 "</mergeCells>")));
        files_.write(QStringLiteral("notes.xlsx"), QByteArray("просто текст"));
    }

    // A bare thisyear.csv is this year's register of the journal folder, saved in the journal's
    // format with the version it replaces kept in Backup.
    void thisYearInTheJournalFolder() {
        journals_.write(QStringLiteral("thisyear.csv"), journalBytes({{u("старая")}}));
        QCOMPARE(run({QStringLiteral("--import"), files_.file(QStringLiteral("register.xlsx")),
                      QStringLiteral("--to"), QStringLiteral("thisyear.csv")}),
                 0);
        QCOMPARE(errors_, QString());
        QCOMPARE(journals_.read(QStringLiteral("thisyear.csv")), registerJournal());
        QCOMPARE(QDir(journals_.file(QStringLiteral("Backup"))).entryList(QDir::Files).size(), 1);
    }

    // Archive/NAME.csv is that archive of the journal folder, named as the window names it; a
    // name that would leave the Archive folder is refused and nothing is written.
    void archiveInTheJournalFolder() {
        QCOMPARE(run({QStringLiteral("--import"), files_.file(QStringLiteral("register.xlsx")),
                      QStringLiteral("--to"), QStringLiteral("Archive/2009a.csv")}),
                 0);
        QCOMPARE(journals_.read(QStringLiteral("Archive/2009A.csv")), registerJournal());
        for (const QString& escaping :
             {QStringLiteral("Archive/../x.csv"), QStringLiteral("Archive/a/b.csv"),
              QStringLiteral("Archive/.csv"), QStringLiteral("Archive/x")}) {
            QCOMPARE(run({QStringLiteral("--import"), files_.file(QStringLiteral("register.xlsx")),
                          QStringLiteral("--to"), escaping}),
                     1);
            QVERIFY(!errors_.isEmpty());
        }
        QCOMPARE(QDir(journals_.file(QStringLiteral("Archive"))).entryList(QDir::Files),
                 QStringList{QStringLiteral("2009A.csv")});
        QVERIFY(!journals_.exists(QStringLiteral("x.csv")));
    }

    // Any other path is a file as given; the problems are told and the file written all the
    // same.
    void pathAsGiven() {
        const QString path = files_.file(QStringLiteral("out/journal.csv"));
        QDir().mkpath(files_.file(QStringLiteral("out")));
        QCOMPARE(run({QStringLiteral("--import"), files_.file(QStringLiteral("merged.xlsx")),
                      QStringLiteral("--to"), path}),
                 0);
        QCOMPARE(files_.read(QStringLiteral("out/journal.csv")), registerJournal());
        QVERIFY(errors_.contains(u("Ячейки A2:B2 объединены")));
        // Again over the file written: replaced, its previous version kept beside it.
        files_.write(QStringLiteral("out/journal.csv"), "before;\r\n");
        QCOMPARE(run({QStringLiteral("--import"), files_.file(QStringLiteral("merged.xlsx")),
                      QStringLiteral("--to"), path}),
                 0);
        QCOMPARE(files_.read(QStringLiteral("out/journal.csv")), registerJournal());
        QCOMPARE(QDir(files_.file(QStringLiteral("out/Backup"))).entryList(QDir::Files).size(), 1);
        QVERIFY(!journals_.exists(QStringLiteral("journal.csv")));
    }

    // A register whose write bits are off for the user running the import was closed by a
    // colleague: the import writes nothing and says so (exit 1). Where the test runs as root, the
    // import runs as another user.
    void aWriteProtectedRegisterIsLeftAlone() {
        TempFolder journals;
        const QByteArray kept = journalBytes({{u("закрытая")}});
        journals.write(QStringLiteral("thisyear.csv"), kept);
        const QByteArray path = QFile::encodeName(journals.file(QStringLiteral("thisyear.csv")));
        QVERIFY(::chmod(path.constData(), 0444) == 0);
        QVERIFY(::chmod(QFile::encodeName(journals.path()).constData(), 0777) == 0 &&
                ::chmod(QFile::encodeName(files_.path()).constData(), 0755) == 0);
        const pid_t child = ::fork();
        QVERIFY(child >= 0);
        if (child == 0) {
            if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0))
                ::_exit(10);
            QString told;
            QTextStream errors(&told);
            const int code =
                app::importCommand({QStringLiteral("eklz-journal"), QStringLiteral("--import"),
                                    files_.file(QStringLiteral("register.xlsx")),
                                    QStringLiteral("--to"), QStringLiteral("thisyear.csv")},
                                   journals.path(), errors);
            errors.flush();
            ::_exit(code == 1 && told.contains(u("защищён от записи")) ? 0 : 11);
        }
        int status = 0;
        QCOMPARE(::waitpid(child, &status, 0), child);
        QVERIFY(WIFEXITED(status));
        QCOMPARE(WEXITSTATUS(status), 0);
        QCOMPARE(journals.read(QStringLiteral("thisyear.csv")), kept);
    }

    // A refused import writes nothing and says why; wrong arguments get the usage.
    void failures() {
        const QString path = files_.file(QStringLiteral("kept.csv"));
        files_.write(QStringLiteral("kept.csv"), registerJournal());
        QCOMPARE(run({QStringLiteral("--import"), files_.file(QStringLiteral("notes.xlsx")),
                      QStringLiteral("--to"), path}),
                 1);
        QVERIFY(errors_.contains(u("Импорт не выполнен: Файл — не электронная таблица")));
        QCOMPARE(files_.read(QStringLiteral("kept.csv")), registerJournal());
        QCOMPARE(run({QStringLiteral("--import"), files_.file(QStringLiteral("register.xlsx"))}),
                 2);
        QVERIFY(errors_.startsWith(u("Использование")));
        QCOMPARE(run({QStringLiteral("--import"), files_.file(QStringLiteral("register.xlsx")),
                      QStringLiteral("--to"), path, QStringLiteral("extra")}),
                 2);
    }

    // The program itself, with no display: exit codes and the message on its error output.
    void program() {
        QProcess program;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.remove(QStringLiteral("DISPLAY"));
        environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
        environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
        program.setProcessEnvironment(environment);
        const QString path = files_.file(QStringLiteral("program.csv"));
        program.start(QStringLiteral(EKLZ_PROGRAM),
                      {QStringLiteral("--import"), files_.file(QStringLiteral("register.xlsx")),
                       QStringLiteral("--to"), path});
        QVERIFY(program.waitForFinished(30000));
        QCOMPARE(program.exitCode(), 0);
        QCOMPARE(files_.read(QStringLiteral("program.csv")), registerJournal());
        program.start(QStringLiteral(EKLZ_PROGRAM),
                      {QStringLiteral("--import"), files_.file(QStringLiteral("notes.xlsx")),
                       QStringLiteral("--to"), path});
        QVERIFY(program.waitForFinished(30000));
        QCOMPARE(program.exitCode(), 1);
        QVERIFY(
            QString::fromUtf8(program.readAllStandardError()).contains(u("Импорт не выполнен")));
    }
};

QTEST_GUILESS_MAIN(TestImportCommand)
#include "tst_importcommand.moc"
