#include "core/journalcolumns.h"
#include "exchange/exportfile.h"
#include "exchange/exportsheet.h"
#include "exchange/xlsxexport.h"
#include "model/gridmodel.h"
#include "model/registerstate.h"
#include "support/sheetfiles.h"
#include "support/tempfolder.h"

#include <QDir>
#include <QTest>
#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>

using sheettest::Cells;

namespace {

const QDate Today(2026, 3, 1);

// A register of four units: one blocked, one blocking soon, one clear with a serial of leading
// zeros, one whose activation date is written short; an empty row below them.
std::unique_ptr<model::GridModel> journalGrid() {
    auto grid = std::make_unique<model::GridModel>();
    grid->setHeaderFormat(core::headerFormat());
    const QList<QStringList> rows = {
        {QStringLiteral("ООО «Ромашка»"), QStringLiteral("ЭКР 2102К"), QStringLiteral("17"),
         QStringLiteral("0012345"), QStringLiteral("001"), QStringLiteral("15.01.2025"),
         QStringLiteral("01.03.2026"), QStringLiteral("Иванов")},
        {QStringLiteral("ИП Петров"),
         {},
         {},
         QStringLiteral("123"),
         {},
         QStringLiteral("20.02.2025"),
         QStringLiteral("01.04.2026")},
        {QStringLiteral("  два  пробела "),
         QStringLiteral("a\tb"),
         {},
         {},
         {},
         QStringLiteral("15.03.2026"),
         QStringLiteral("01.05.2027")},
        {QStringLiteral("<&> \"'"), {}, {}, {}, {}, QStringLiteral("1.3.2026"), {}},
        {}};
    grid->setRowCount(int(rows.size()));
    for (int r = 0; r < rows.size(); ++r)
        for (int c = 0; c < rows[r].size(); ++c)
            grid->setText(r, c, rows[r][c]);
    return grid;
}

struct Register {
    std::unique_ptr<model::GridModel> grid = journalGrid();
    model::RegisterState watch{*grid, Today};
    exchange::ExportSheet sheet(model::RowFilter filter = model::RowFilter::All) const {
        return exchange::sheetFromGrid(*grid, watch.blocks(), filter);
    }
};

QStringList entriesOf(const QString& folder) {
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
}

} // namespace

class TestExport : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void takesOnlyWholeDatesAsDates_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QDate>("date");
        QTest::newRow("ДД.ММ.ГГГГ") << QStringLiteral("15.03.2026") << QDate(2026, 3, 15);
        QTest::newRow("the first day Excel has")
            << QStringLiteral("01.01.1900") << QDate(1900, 1, 1);
        QTest::newRow("before it") << QStringLiteral("31.12.1899") << QDate();
        QTest::newRow("short day and month") << QStringLiteral("1.3.2026") << QDate();
        QTest::newRow("two-digit year") << QStringLiteral("15.03.26") << QDate();
        QTest::newRow("a blank before") << QStringLiteral(" 15.03.2026") << QDate();
        QTest::newRow("no such day") << QStringLiteral("30.02.2026") << QDate();
        QTest::newRow("other separators") << QStringLiteral("15/03/2026") << QDate();
        QTest::newRow("empty") << QString() << QDate();
    }
    void takesOnlyWholeDatesAsDates() {
        QFETCH(QString, text);
        QFETCH(QDate, date);
        QCOMPARE(exchange::sheetDate(text).value_or(QDate()), date);
    }

    // The rows the filter shows, shaded by their states; no empty rows at the end; captions
    // without their padding; the date columns wherever their captions went.
    void sheetFollowsTheFilterStatesAndCaptions() {
        Register r;
        const exchange::ExportSheet all = r.sheet();
        QCOMPARE(all.rows(), 4);
        QCOMPARE(all.cols(), 8);
        QCOMPARE(all.column(0).caption, QStringLiteral("Владелец"));
        QCOMPARE(all.cell(0, 3), QStringLiteral("0012345"));
        QCOMPARE(all.shade(0), model::BlockState::Blocked);
        QCOMPARE(all.shade(1), model::BlockState::Soon);
        QCOMPARE(all.shade(2), model::BlockState::Clear);
        QCOMPARE(all.column(core::ActivationDate).dates, true);
        QCOMPARE(all.column(core::BlockDate).dates, true);
        QCOMPARE(all.column(core::SerialNumber).dates, false);

        const exchange::ExportSheet soon = r.sheet(model::RowFilter::Soon);
        QCOMPARE(soon.rows(), 1);
        QCOMPARE(soon.cell(0, 0), QStringLiteral("ИП Петров"));

        r.grid->moveColumnTo(core::BlockDate, 0);
        const exchange::ExportSheet moved = r.sheet();
        QCOMPARE(moved.column(0).dates, true);
        QCOMPARE(moved.column(core::ActivationDate).dates, false);
        QCOMPARE(moved.column(core::ActivationDate + 1).dates, true);
    }

    void widthsComeFromTheViewOrTheFormat() {
        Register r;
        const std::vector<int> pixels = {110, 0, 100};
        const exchange::ExportSheet sheet =
            exchange::sheetFromGrid(*r.grid, r.watch.blocks(), model::RowFilter::All, pixels);
        QCOMPARE(sheet.column(0).width, 15.0); // (110 - 5) / 7
        // The format text "Модель  ККМ  ", and a character for the margins.
        QCOMPARE(sheet.column(1).width, 14.0);
        QCOMPARE(sheet.column(2).width, 13.57);
        QCOMPARE(exchange::pixelsForCharacters(sheet.column(2).width), 100);
    }

    void xlsxHoldsTextsDatesAndLayout() {
        TempFolder folder;
        Register r;
        r.grid->setText(3, 1, QStringLiteral("bell\x07"));
        const QString path = folder.file(QStringLiteral("журнал.xlsx"));
        const exchange::ExportOutcome outcome = exchange::exportSheet(r.sheet(), path);
        QVERIFY2(outcome.ok, qPrintable(outcome.message));
        QCOMPARE(entriesOf(folder.path()), QStringList{QStringLiteral("журнал.xlsx")});
        const Cells cells = sheettest::xlsxCells(path);
        QCOMPARE(cells[QStringLiteral("A1")].value, QStringLiteral("Владелец"));
        QCOMPARE(cells[QStringLiteral("D2")].value, QStringLiteral("0012345"));
        QCOMPARE(cells[QStringLiteral("D2")].type, QStringLiteral("inlineStr"));
        QCOMPARE(cells[QStringLiteral("D3")].type, QStringLiteral("inlineStr"));
        QCOMPARE(cells[QStringLiteral("A4")].value, QStringLiteral("  два  пробела "));
        QCOMPARE(cells[QStringLiteral("A5")].value, QStringLiteral("<&> \"'"));
        // A control character in Excel's own escape, which it reads back as the character.
        QCOMPARE(cells[QStringLiteral("B5")].value, QStringLiteral("bell_x0007_"));
        // Dates are day numbers from 30.12.1899; a short date stays the text it is.
        QCOMPARE(cells[QStringLiteral("F4")].type, QString());
        QCOMPARE(cells[QStringLiteral("F4")].value,
                 QString::number(QDate(1899, 12, 30).daysTo(QDate(2026, 3, 15))));
        QCOMPARE(cells[QStringLiteral("F5")].value, QStringLiteral("1.3.2026"));
        QCOMPARE(cells[QStringLiteral("F5")].type, QStringLiteral("inlineStr"));
        // Empty cells of a shaded row carry the shade; those of a clear row are not there.
        QVERIFY(cells.contains(QStringLiteral("B3")));
        QVERIFY(!cells.contains(QStringLiteral("C5")));
        const QString blocked = cells[QStringLiteral("A2")].style;
        QVERIFY(!blocked.isEmpty());
        QCOMPARE(cells[QStringLiteral("B2")].style, blocked);
        QVERIFY(cells[QStringLiteral("A3")].style != blocked);
        QCOMPARE(cells[QStringLiteral("A4")].style, QString());
        QVERIFY(cells[QStringLiteral("A1")].style != QString());

        const QByteArray sheet =
            sheettest::zipPart(path, QStringLiteral("xl/worksheets/sheet1.xml"));
        QVERIFY(sheet.contains("ySplit=\"1\"") && sheet.contains("state=\"frozen\""));
        QVERIFY(sheet.contains("<autoFilter ref=\"A1:H5\"/>"));
        QVERIFY(sheet.contains("<col min=\"1\" max=\"1\" width=\""));
        const QByteArray styles = sheettest::zipPart(path, QStringLiteral("xl/styles.xml"));
        QVERIFY(styles.contains("<b/>"));
        QVERIFY(styles.contains("formatCode=\"DD.MM.YYYY\""));
        QVERIFY(styles.contains("FFFFC8C8") && styles.contains("FFFFE6AA"));
    }

    void odsHoldsTextsDatesAndLayout() {
        TempFolder folder;
        Register r;
        r.grid->setText(3, 1, QStringLiteral("bell\x07, half \xd800 of a pair"));
        const QString path = folder.file(QStringLiteral("журнал.ods"));
        const exchange::ExportOutcome outcome = exchange::exportSheet(r.sheet(), path);
        QVERIFY2(outcome.ok, qPrintable(outcome.message));
        QCOMPARE(entriesOf(folder.path()), QStringList{QStringLiteral("журнал.ods")});
        const std::vector<sheettest::ZipPart> parts = sheettest::zipParts(path);
        QVERIFY(!parts.empty());
        QCOMPARE(parts.front().name, QStringLiteral("mimetype"));
        QVERIFY(parts.front().stored);
        QCOMPARE(parts.front().bytes, "application/vnd.oasis.opendocument.spreadsheet");
        QVERIFY(sheettest::zipPart(path, QStringLiteral("META-INF/manifest.xml"))
                    .contains("manifest:full-path=\"content.xml\""));

        const Cells cells = sheettest::odsCells(path);
        QCOMPARE(cells[QStringLiteral("A1")].style, QStringLiteral("ceHeader"));
        QCOMPARE(cells[QStringLiteral("H1")].value, QStringLiteral("Механик"));
        QCOMPARE(cells[QStringLiteral("D2")].value, QStringLiteral("0012345"));
        QCOMPARE(cells[QStringLiteral("D2")].type, QStringLiteral("string"));
        QCOMPARE(cells[QStringLiteral("A4")].value, QStringLiteral("  два  пробела "));
        QCOMPARE(cells[QStringLiteral("B4")].value, QStringLiteral("a\tb"));
        QCOMPARE(cells[QStringLiteral("A5")].value, QStringLiteral("<&> \"'"));
        QCOMPARE(cells[QStringLiteral("B5")].value,
                 QStringLiteral("bell\xfffd, half \xfffd of a pair"));
        QCOMPARE(cells[QStringLiteral("F4")].type, QStringLiteral("date"));
        QCOMPARE(cells[QStringLiteral("F4")].value, QStringLiteral("2026-03-15"));
        QCOMPARE(cells[QStringLiteral("F5")].type, QStringLiteral("string"));
        QCOMPARE(cells[QStringLiteral("A2")].style, QStringLiteral("ceBlocked"));
        QCOMPARE(cells[QStringLiteral("B2")].style, QStringLiteral("ceBlocked"));
        QCOMPARE(cells[QStringLiteral("G3")].style, QStringLiteral("ceDateSoon"));
        QCOMPARE(cells[QStringLiteral("A4")].style, QString());

        const QByteArray content = sheettest::zipPart(path, QStringLiteral("content.xml"));
        QVERIFY(content.contains("fo:background-color=\"#ffc8c8\""));
        QVERIFY(content.contains("fo:font-weight=\"bold\""));
        QVERIFY(content.contains("table:target-range-address=\"'Журнал'.A1:'Журнал'.H5\" "
                                 "table:display-filter-buttons=\"true\""));
        QVERIFY(content.contains("style:column-width=\""));
        const QByteArray settings = sheettest::zipPart(path, QStringLiteral("settings.xml"));
        QVERIFY(settings.contains("config:name=\"VerticalSplitPosition\" config:type=\"int\">1<"));
    }

    // The written sheet's rows are counted as its XML is read back in pieces: a tag cut by a
    // piece's end, or standing just before it, counts once.
    void countsTagsAcrossPieces() {
        const QByteArray xml =
            "<sheetData><row r=\"1\"/><row r=\"2\"><c/></row></sheetData></worksheet>\n";
        for (qsizetype cut = 0; cut <= xml.size(); ++cut) {
            exchange::PieceCounter counter("<row ");
            counter.take(QByteArrayView(xml).first(cut));
            counter.take(QByteArrayView(xml).sliced(cut));
            QCOMPARE(counter.count(), 2);
            QVERIFY(counter.tail().trimmed().endsWith("</worksheet>"));
        }
        exchange::PieceCounter bytes("<row ");
        for (const char c : xml)
            bytes.take(QByteArrayView(&c, 1));
        QCOMPARE(bytes.count(), 2);
    }

    // A sheet of some megabytes of XML, read back in pieces once written: every row is there.
    void writesALargeSheetWhole_data() {
        QTest::addColumn<QString>("name");
        QTest::newRow("xlsx") << QStringLiteral("large.xlsx");
        QTest::newRow("ods") << QStringLiteral("large.ods");
    }
    void writesALargeSheetWhole() {
        QFETCH(QString, name);
        TempFolder folder;
        Register r;
        const int rows = 8000;
        r.grid->setRowCount(rows);
        for (int row = 0; row < rows; ++row)
            for (int c = 0; c < 8; ++c)
                r.grid->setText(row, c, QStringLiteral("%1-%2").arg(row + 1).arg(c));
        const exchange::ExportOutcome outcome = exchange::exportSheet(r.sheet(), folder.file(name));
        QVERIFY2(outcome.ok, qPrintable(outcome.message));
        const Cells cells = name.endsWith(u"xlsx") ? sheettest::xlsxCells(folder.file(name))
                                                   : sheettest::odsCells(folder.file(name));
        QCOMPARE(cells.size(), (rows + 1) * 8);
        QCOMPARE(cells[sheettest::cellName(rows, 7)].value, QStringLiteral("%1-7").arg(rows));
    }

    // A write that fails part-way (here past the file size limit, as on a full disk) leaves the
    // file that was there and no temporary; the written sheet is small enough to fit, but not
    // the temporary files the writer keeps its rows in.
    void failedWriteLeavesThePreviousFile_data() {
        QTest::addColumn<QString>("name");
        QTest::newRow("xlsx") << QStringLiteral("out.xlsx");
        QTest::newRow("ods") << QStringLiteral("out.ods");
    }
    void failedWriteLeavesThePreviousFile() {
        QFETCH(QString, name);
        TempFolder folder;
        folder.write(name, "previous");
        Register r;
        r.grid->setRowCount(6000);
        for (int row = 0; row < r.grid->rowCount(); ++row)
            r.grid->setText(row, 0, QString::number((row + 1) * 7919 % 100003));
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit{};
        getrlimit(RLIMIT_FSIZE, &limit);
        const rlimit small{16384, limit.rlim_max};
        setrlimit(RLIMIT_FSIZE, &small);
        const exchange::ExportOutcome outcome = exchange::exportSheet(r.sheet(), folder.file(name));
        setrlimit(RLIMIT_FSIZE, &limit);
        QVERIFY(!outcome.ok);
        QVERIFY2(
            outcome.message.startsWith(QStringLiteral("Не удалось выгрузить журнал в файл ")) &&
                outcome.message.contains(u'\n'),
            qPrintable(outcome.message));
        QCOMPARE(folder.read(name), "previous");
        QCOMPARE(entriesOf(folder.path()), QStringList{name});
    }

    // A new export takes the user's umask, as any new file of theirs; one written over a file
    // keeps that file's bits, wider or narrower.
    void exportsTakeTheUmaskOrTheReplacedFilesBits() {
        TempFolder folder;
        Register r;
        const auto modeOf = [&](const QString& name) {
            struct stat info {};
            ::stat(QFile::encodeName(folder.file(name)).constData(), &info);
            return info.st_mode & 0777;
        };
        const mode_t before = ::umask(027);
        for (const QString& name : {QStringLiteral("new.xlsx"), QStringLiteral("new.ods")})
            QVERIFY(exchange::exportSheet(r.sheet(), folder.file(name)).ok);
        QCOMPARE(modeOf(QStringLiteral("new.xlsx")), mode_t(0640));
        QCOMPARE(modeOf(QStringLiteral("new.ods")), mode_t(0640));
        ::umask(0);
        for (const QString& name :
             {QStringLiteral("private.xlsx"), QStringLiteral("private.ods")}) {
            folder.write(name, "previous");
            QVERIFY(::chmod(QFile::encodeName(folder.file(name)).constData(), 0600) == 0);
            QVERIFY(exchange::exportSheet(r.sheet(), folder.file(name)).ok);
            QCOMPARE(modeOf(name), mode_t(0600));
        }
        ::umask(before);
    }

    void refusesWhatItCannotWrite() {
        TempFolder folder;
        Register r;
        const auto refusal = [&](const QString& path) {
            const exchange::ExportOutcome outcome = exchange::exportSheet(r.sheet(), path);
            return outcome.ok ? QString() : outcome.message.section(u'\n', 1);
        };
        QCOMPARE(refusal(folder.file(QStringLiteral("out.csv"))),
                 QStringLiteral("Выберите файл с расширением .xlsx или .ods."));
        QCOMPARE(refusal(folder.file(QStringLiteral("нет/out.ods"))),
                 QStringLiteral("Файл или папка не найдены."));
        QDir(folder.path()).mkdir(QStringLiteral("папка.xlsx"));
        QCOMPARE(refusal(folder.file(QStringLiteral("папка.xlsx"))),
                 QStringLiteral("Это папка, а не файл."));
        QCOMPARE(entriesOf(folder.path()), QStringList{QStringLiteral("папка.xlsx")});
        // Excel holds 32 767 characters in a cell; Calc more.
        r.grid->setText(2, 7, QString(exchange::MaxCellLength + 1, u'я'));
        QVERIFY(refusal(folder.file(QStringLiteral("long.xlsx")))
                    .startsWith(QStringLiteral("В ячейке (строка 4, колонка 8) больше 32767")));
        QCOMPARE(refusal(folder.file(QStringLiteral("long.ods"))), QString());
    }
};

QTEST_GUILESS_MAIN(TestExport)
#include "tst_export.moc"
