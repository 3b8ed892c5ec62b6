// Workbooks as scripts make them: openpyxl (Debian's python3-openpyxl, run by the system's Python)
// writes registers the program imports, and loads what the program exports in the users' locale.
#include "support/tempfolder.h"

#include <QProcess>
#include <QTest>

namespace {

const QString Python = QStringLiteral("/usr/bin/python3");

// Runs the Python script with those arguments; its standard output, or none when it failed.
std::optional<QString> python(const QString& script, const QStringList& arguments = {}) {
    QProcess process;
    process.start(Python, QStringList{QStringLiteral("-c"), script} + arguments);
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0) {
        process.kill();
        qWarning() << process.readAllStandardError();
        return std::nullopt;
    }
    return QString::fromUtf8(process.readAllStandardOutput());
}

// The program with those arguments, in the users' locale: its exit code and error output.
std::pair<int, QString> program(const QStringList& arguments) {
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("LC_ALL"), QStringLiteral("ru_RU.UTF-8"));
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(EKLZ_PROGRAM), arguments);
    if (!process.waitForFinished(60000)) {
        process.kill();
        return {-1, {}};
    }
    return {process.exitCode(), QString::fromUtf8(process.readAllStandardError())};
}

// A register as a script writes it: numbers, dates, a text serial with leading zeros; in the
// 1904 date system when asked.
const char* const MakeRegister = R"(
import datetime, sys, openpyxl
book = openpyxl.Workbook()
if sys.argv[2] == "1904":
    book.epoch = openpyxl.utils.datetime.CALENDAR_MAC_1904
sheet = book.active
sheet.append(["Владелец", "Модель  ККМ", "№  ККМ", "Зав. № ЭКЛЗ", "Рег. № ЭКЛЗ",
              "Дата актив.", "Дата блок.", "Механик"])
sheet.append(["ООО Тест", "ЭКР", 17, "0000000001", 1234567, datetime.date(2011, 7, 6), None,
              "Иванов"])
sheet.append(["ИП Петров", "ЭКР", 18, "0000000002", 7654321, datetime.date(2012, 1, 31), None,
              "Петров"])
book.save(sys.argv[1])
)";

// What openpyxl reads of an exported sheet: column widths, then the second row's values.
const char* const ReadExport = R"(
import sys, openpyxl
sheet = openpyxl.load_workbook(sys.argv[1]).active
print(" ".join("%s=%.2f" % (key, value.width) for key, value in sorted(sheet.column_dimensions.items())))
print("|".join("" if cell.value is None else
               cell.value.strftime("%d.%m.%Y") if hasattr(cell.value, "strftime") else
               str(cell.value) for cell in sheet[2]))
)";

} // namespace

class TestOpenpyxlFiles : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() {
        if (!python(QStringLiteral("import openpyxl")))
            QSKIP("python3-openpyxl is not installed");
    }

    // openpyxl links its sheet by an absolute path and may count dates from 1904: the register
    // comes in whole, its numbers and dates as written.
    void registersOpenpyxlWritesImportWhole_data() {
        QTest::addColumn<QString>("epoch");
        QTest::newRow("1900") << QStringLiteral("1900");
        QTest::newRow("1904") << QStringLiteral("1904");
    }
    void registersOpenpyxlWritesImportWhole() {
        QFETCH(QString, epoch);
        TempFolder folder;
        const QString book = folder.file(QStringLiteral("register.xlsx"));
        QVERIFY(python(QString::fromUtf8(MakeRegister), {book, epoch}));
        const auto [code, told] = program({QStringLiteral("--import"), book, QStringLiteral("--to"),
                                           folder.file(QStringLiteral("out.csv"))});
        QCOMPARE(code, 0);
        QCOMPARE(told, QString());
        QCOMPARE(fromCp1251(folder.read(QStringLiteral("out.csv"))),
                 QStringLiteral("ООО Тест;ЭКР;17;0000000001;1234567;06.07.2011;;Иванов;\r\n"
                                "ИП Петров;ЭКР;18;0000000002;7654321;31.01.2012;;Петров;\r\n"));
    }

    // An export in the users' locale loads in openpyxl with its column widths, texts and dates.
    void exportsLoadInOpenpyxl() {
        TempFolder folder;
        folder.write(QStringLiteral("journal.csv"),
                     cp1251(QStringLiteral("ООО Тест;ЭКР;17;0000000001;;06.07.2011;;Иванов;\r\n")));
        const QString book = folder.file(QStringLiteral("journal.xlsx"));
        QCOMPARE(
            program({QStringLiteral("--export"), book, folder.file(QStringLiteral("journal.csv"))})
                .first,
            0);
        const std::optional<QString> read = python(QString::fromUtf8(ReadExport), {book});
        QVERIFY(read);
        const QStringList lines = read->split(u'\n');
        QVERIFY2(lines.value(0).startsWith(QStringLiteral("A=20.71 B=")), qPrintable(*read));
        QCOMPARE(lines.value(1),
                 QStringLiteral("ООО Тест|ЭКР|17|0000000001||06.07.2011|01.09.2012|Иванов"));
    }
};

QTEST_GUILESS_MAIN(TestOpenpyxlFiles)
#include "tst_openpyxlfiles.moc"
