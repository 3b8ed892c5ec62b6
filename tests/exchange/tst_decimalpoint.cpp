#include "core/journalformat.h"
#include "exchange/exportfile.h"
#include "exchange/exportsheet.h"
#include "exchange/spreadsheetimport.h"
#include "model/blockjudgement.h"
#include "model/gridmodel.h"
#include "support/importfixture.h"
#include "support/sheetfiles.h"
#include "support/tempfolder.h"

#include <QRegularExpression>
#include <QTest>
#include <clocale>
#include <cstdio>

// The users' locale, ru_RU.UTF-8, writes numbers with a decimal comma; the files the exchange
// writes and reads keep a decimal point whatever the locale is. The test sets the locale itself,
// as Qt does from the environment in the program.

namespace {

// How the C library on this thread writes a half.
QByteArray halfInTheLocale() {
    char text[16];
    std::snprintf(text, sizeof text, "%.1f", 0.5);
    return text;
}

std::unique_ptr<model::GridModel> oneUnit() {
    auto grid = std::make_unique<model::GridModel>();
    grid->setHeaderFormat(core::headerFormat());
    grid->setRowCount(1);
    const QStringList cells = {
        QStringLiteral("ООО «Ромашка»"), QStringLiteral("ЭКР 2102К"), QStringLiteral("17"),
        QStringLiteral("0012345"),       QStringLiteral("001"),       QStringLiteral("15.01.2025"),
        QStringLiteral("01.03.2026"),    QStringLiteral("Иванов")};
    for (int c = 0; c < cells.size(); ++c)
        grid->setText(0, c, cells[c]);
    return grid;
}

QString floatCell(const char* value, const QString& shown) {
    return QStringLiteral("<table:table-cell office:value-type=\"float\" office:value=\"%1\">"
                          "<text:p>%2</text:p></table:table-cell>")
        .arg(QLatin1String(value), shown);
}

} // namespace

class TestDecimalPoint : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() {
        if (!std::setlocale(LC_ALL, "ru_RU.UTF-8"))
            QSKIP("The locale ru_RU.UTF-8 is not generated here (scripts/install-deps does it).");
        QCOMPARE(halfInTheLocale(), QByteArray("0,5"));
    }

    // Column widths, margins and the like: any number with a comma in an attribute of any part.
    void exportWritesPoints_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("decimalsIn");
        QTest::newRow("xlsx") << QStringLiteral("журнал.xlsx")
                              << QStringLiteral("xl/worksheets/sheet1.xml");
        QTest::newRow("ods") << QStringLiteral("журнал.ods") << QStringLiteral("content.xml");
    }
    void exportWritesPoints() {
        QFETCH(QString, name);
        QFETCH(QString, decimalsIn);
        TempFolder folder;
        const auto grid = oneUnit();
        const model::BlockJudgement watch(*grid, QDate(2026, 3, 1));
        const int pixels[] = {110, 97, 100, 83, 41, 88, 88, 120};
        const QString path = folder.file(name);
        const exchange::ExportOutcome outcome = exchange::exportSheet(
            exchange::sheetFromGrid(*grid, watch, model::RowFilter::All, pixels), path);
        QVERIFY2(outcome.ok, qPrintable(outcome.message));

        const QRegularExpression withComma(QStringLiteral("\\w+=\"-?\\d+,\\d+"));
        const std::vector<sheettest::ZipPart> parts = sheettest::zipParts(path);
        QVERIFY(!parts.empty());
        for (const sheettest::ZipPart& part : parts) {
            const QRegularExpressionMatch found = withComma.match(QString::fromUtf8(part.bytes));
            QVERIFY2(!found.hasMatch(), qPrintable(part.name + u": " + found.captured()));
        }
        // There are decimals to go wrong.
        const QString decimals = QString::fromUtf8(sheettest::zipPart(path, decimalsIn));
        QVERIFY(decimals.contains(QRegularExpression(QStringLiteral("=\"-?\\d+\\.\\d+"))));
        if (name.endsWith(QStringLiteral(".xlsx")))
            QVERIFY(decimals.contains(QStringLiteral("<pageMargins left=\"0.7\" right=\"0.7\"")));
        // The thread has its locale back.
        QCOMPARE(halfInTheLocale(), QByteArray("0,5"));
    }

    // Decimals, and an exponent, read as the numbers they are, shown with the comma.
    void importReadsPoints_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QStringList>("shown");
        const QString odsCells =
            floatCell("12.5", QStringLiteral("12,5")) + floatCell("0.75", QStringLiteral("0,75")) +
            floatCell("1.23456789012346E+018", QStringLiteral("1,23E+018")) +
            QStringLiteral("<table:table-cell office:value-type=\"float\" office:value=\"2.5\"/>");
        QTest::newRow("ods") << odsOf(QStringLiteral("<table:table table:name=\"Лист1\">"
                                                     "<table:table-row>%1</table:table-row>"
                                                     "</table:table>")
                                          .arg(odsCells))
                             << QStringList{QStringLiteral("12,5"), QStringLiteral("0,75"),
                                            QString::number(1.23456789012346E+018, 'f', 0),
                                            QStringLiteral("2,5")};
        QTest::newRow("xlsx") << xlsxOf({{QStringLiteral("Лист1"),
                                          QStringLiteral("<row r=\"1\"><c r=\"A1\"><v>12.5</v></c>"
                                                         "<c r=\"B1\"><v>0.75</v></c></row>"),
                                          {}}})
                              << QStringList{QStringLiteral("12,5"), QStringLiteral("0,75")};
    }
    void importReadsPoints() {
        QFETCH(QByteArray, file);
        QFETCH(QStringList, shown);
        const exchange::ImportOutcome outcome = exchange::importSpreadsheet(file);
        QVERIFY2(outcome.ok(), qPrintable(outcome.refusal.value_or(QString())));
        QStringList texts;
        for (int c = 0; c < shown.size(); ++c)
            texts << outcome.journal.rows[0][c];
        QCOMPARE(texts, shown);
        QCOMPARE(halfInTheLocale(), QByteArray("0,5"));
    }
};

QTEST_GUILESS_MAIN(TestDecimalPoint)
#include "tst_decimalpoint.moc"
