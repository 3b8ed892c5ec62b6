#include "exchange/spreadsheetimport.h"
#include "exchange/xlsxsheet.h"
#include "support/importfixture.h"

#include <QRegularExpression>
#include <QTest>

// Workbooks as other programs lay them out: links between parts, date systems, damaged parts,
// the journal on a later sheet.

namespace {

QString u(const char* utf8) {
    return QString::fromUtf8(utf8);
}

QStringList rowOf(const QList<QStringList>& rows, int row) {
    QStringList texts = rows[row];
    while (!texts.isEmpty() && texts.last().isEmpty())
        texts.removeLast();
    return texts;
}

QString s(const char* ref, int index) {
    return QStringLiteral("<c r=\"%1\" t=\"s\"><v>%2</v></c>").arg(QLatin1String(ref)).arg(index);
}
QString n(const char* ref, const char* value, int format = 0) {
    return QStringLiteral("<c r=\"%1\" s=\"%2\"><v>%3</v></c>")
        .arg(QLatin1String(ref))
        .arg(format)
        .arg(QLatin1String(value));
}
QString row(int number, const QString& cells) {
    return QStringLiteral("<row r=\"%1\">%2</row>").arg(number).arg(cells);
}

QString ocell(const QString& text) {
    return QStringLiteral("<table:table-cell office:value-type=\"string\"><text:p>%1</text:p>"
                          "</table:table-cell>")
        .arg(text);
}

// A text, a number, a date and a formula's saved result.
const QString MixedRow = s("A1", 0) + n("B1", "12345678") + n("C1", "40730", 1) +
                         QStringLiteral("<c r=\"D1\" s=\"2\"><f>C1+1</f><v>40731</v></c>");

QString absolute(const QString& nameInXl) {
    return QStringLiteral("/xl/") + nameInXl;
}
QString roundabout(const QString& nameInXl) {
    return QStringLiteral("./../xl/") + nameInXl;
}

// The bytes with the 32-bit little-endian field at `at` set to value.
void patch32(QByteArray& bytes, qsizetype at, quint32 value) {
    for (int i = 0; i < 4; ++i)
        bytes[at + i] = char((value >> (8 * i)) & 0xFF);
}

} // namespace

class TestSheetPackages : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void resolvedTarget_data() {
        QTest::addColumn<QString>("source");
        QTest::addColumn<QString>("target");
        QTest::addColumn<QString>("part");
        QTest::newRow("relative") << u("xl/workbook.xml") << u("worksheets/sheet1.xml")
                                  << u("xl/worksheets/sheet1.xml");
        QTest::newRow("absolute") << u("xl/workbook.xml") << u("/xl/worksheets/sheet1.xml")
                                  << u("xl/worksheets/sheet1.xml");
        QTest::newRow("dot segments") << u("xl/worksheets/sheet1.xml")
                                      << u("../tables/./table1.xml") << u("xl/tables/table1.xml");
        QTest::newRow("from the package") << u("") << u("xl/workbook.xml") << u("xl/workbook.xml");
        QTest::newRow("above the root")
            << u("xl/workbook.xml") << u("../../styles.xml") << u("styles.xml");
    }
    void resolvedTarget() {
        QFETCH(QString, source);
        QFETCH(QString, target);
        QFETCH(QString, part);
        QCOMPARE(QString::fromStdString(
                     exchange::resolvedTarget(source.toStdString(), target.toStdString())),
                 part);
    }

    // openpyxl links every part by its path from the package's root; others go round about.
    void linkedPartsComeWhole_data() {
        QTest::addColumn<int>("layout");
        QTest::newRow("absolute targets") << 0;
        QTest::newRow("dot segments") << 1;
    }
    void linkedPartsComeWhole() {
        QFETCH(int, layout);
        const exchange::ImportOutcome outcome = exchange::importSpreadsheet(
            xlsxOf({{QStringLiteral("Лист1"), row(1, MixedRow), {}}}, {u("ООО Тест")},
                   {layout == 0 ? absolute : roundabout, {}, {}, {}}));
        QVERIFY2(outcome.ok(), qPrintable(outcome.refusal.value_or(QString())));
        QCOMPARE(rowOf(outcome.journal.rows, 0),
                 u("ООО Тест|12345678|06.07.2011|07.07.2011").split(u'|'));
        QCOMPARE(outcome.journal.problemCount, 0);
    }

    // Day 0 of a 1904 workbook is 01.01.1904: its serials are 1462 days short of the 1900 ones.
    void dates1904_data() {
        QTest::addColumn<QString>("properties");
        QTest::addColumn<QString>("shown");
        QTest::newRow("1900") << QString() << u("05.07.2007");
        QTest::newRow("date1904=1") << u("<workbookPr date1904=\"1\"/>") << u("06.07.2011");
        QTest::newRow("date1904=true")
            << u("<workbookPr date1904=\"true\" defaultThemeVersion=\"1\"/>") << u("06.07.2011");
        QTest::newRow("date1904=0") << u("<workbookPr date1904=\"0\"/>") << u("05.07.2007");
    }
    void dates1904() {
        QFETCH(QString, properties);
        QFETCH(QString, shown);
        const exchange::ImportOutcome outcome = exchange::importSpreadsheet(xlsxOf(
            {{QStringLiteral("Лист1"), row(1, n("A1", "39268", 1) + n("B1", "39268", 2)), {}}}, {},
            {nullptr, properties, {}, {}}));
        QVERIFY2(outcome.ok(), qPrintable(outcome.refusal.value_or(QString())));
        QCOMPARE(rowOf(outcome.journal.rows, 0), (QStringList{shown, shown}));
    }

    // The cause is named in Russian; the parser's English goes to the log.
    void malformedWorkbookIsNamed() {
        QByteArray bytes = xlsxOf({{QStringLiteral("Лист1"), row(1, s("A1", 0)), {}}}, {u("x")});
        const qsizetype sheets = bytes.indexOf("<sheets>");
        QVERIFY(sheets > 0);
        bytes[sheets + 1] = '!'; // "<!heets>": no XML; the size stays
        // The checksum no longer matches, which is looked at for the sheet read only.
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("xl/workbook\\.xml")));
        const exchange::ImportOutcome outcome = exchange::importSpreadsheet(bytes);
        QCOMPARE(outcome.refusal.value_or(QString()),
                 u("Файл повреждён: xl/workbook.xml — не XML книги Excel."));
    }

    void understatedSheetIsNamed() {
        QByteArray bytes = xlsxOf({{QStringLiteral("Лист1"),
                                    row(1, s("A1", 0) + n("B1", "1")) + row(2, n("A2", "2")),
                                    {}}},
                                  {u("x")});
        const QByteArray name = "xl/worksheets/sheet1.xml";
        // The local header and the directory entry both say the sheet is 20 bytes shorter.
        for (qsizetype at = bytes.indexOf(name); at >= 0; at = bytes.indexOf(name, at + 1)) {
            const bool central = bytes.mid(at - 46, 4) == QByteArray("PK\x01\x02", 4);
            const qsizetype sizes = central ? at - 46 + 20 : at - 30 + 18;
            for (qsizetype field : {sizes, sizes + 4}) {
                const auto* p = reinterpret_cast<const uchar*>(bytes.constData() + field);
                const quint32 size = p[0] | p[1] << 8 | p[2] << 16 | quint32(p[3]) << 24;
                patch32(bytes, field, size - 20);
            }
        }
        QTest::ignoreMessage(QtWarningMsg,
                             QRegularExpression(QStringLiteral("xl/worksheets/sheet1\\.xml")));
        const exchange::ImportOutcome outcome = exchange::importSpreadsheet(bytes);
        QVERIFY(!outcome.ok());
        QVERIFY2(outcome.refusal->startsWith(u("Файл повреждён: часть xl/worksheets/sheet1.xml ")),
                 qPrintable(*outcome.refusal));
        QVERIFY(!outcome.refusal->contains(u("заполненной")));
    }

    // Strings or styles the workbook names and the package lacks, or a cell naming a string the
    // workbook does not have, are damage named as such, not empty cells, other cells' texts or
    // dates shown as numbers.
    void missingStringsAndStylesAreDamage_data() {
        QTest::addColumn<QByteArray>("lacking");
        QTest::addColumn<QString>("index");
        QTest::addColumn<QString>("refusal");
        QTest::newRow("shared strings") << QByteArray("xl/sharedStrings.xml") << u("0")
                                        << u("Файл повреждён: часть xl/sharedStrings.xml не "
                                             "найдена в архиве.");
        QTest::newRow("styles") << QByteArray("xl/styles.xml") << u("0")
                                << u("Файл повреждён: часть xl/styles.xml не найдена в архиве.");
        for (const char* index : {"2", "-1", "x"})
            QTest::newRow(index) << QByteArray() << u(index)
                                 << u("Файл повреждён: ячейка A1 ссылается на строку %1, которой "
                                      "нет в книге.")
                                        .arg(u(index));
    }
    void missingStringsAndStylesAreDamage() {
        QFETCH(QByteArray, lacking);
        QFETCH(QString, index);
        QFETCH(QString, refusal);
        QByteArray bytes =
            xlsxOf({{QStringLiteral("Лист1"),
                     row(1, QStringLiteral("<c r=\"A1\" t=\"s\"><v>%1</v></c>").arg(index) +
                                n("B1", "39268", 1)),
                     {}}},
                   {u("первая"), u("вторая")});
        // The part's name in its local header and in the zip's directory: the part is gone.
        for (qsizetype at = lacking.isEmpty() ? -1 : bytes.indexOf(lacking); at >= 0;
             at = bytes.indexOf(lacking, at + 1))
            if (bytes.mid(at - 46, 4) == QByteArray("PK\x01\x02", 4) ||
                bytes.mid(at - 30, 4) == QByteArray("PK\x03\x04", 4))
                bytes[at + lacking.size() - 1] = 'z';
        const exchange::ImportOutcome outcome = exchange::importSpreadsheet(bytes);
        QCOMPARE(outcome.refusal.value_or(QString()), refusal);

        // The same workbook whole imports.
        const exchange::ImportOutcome whole = exchange::importSpreadsheet(
            xlsxOf({{QStringLiteral("Лист1"), row(1, s("A1", 1) + n("B1", "39268", 1)), {}}},
                   {u("первая"), u("вторая")}));
        QVERIFY2(whole.ok(), qPrintable(whole.refusal.value_or(QString())));
        QCOMPARE(whole.journal.rows[0].mid(0, 2), (QStringList{u("вторая"), u("05.07.2007")}));
    }

    // Calc keeps a blank that ends a cell's text (one of a run).
    void odsTrailingBlankIsKept() {
        const exchange::ImportOutcome outcome = exchange::importSpreadsheet(
            odsOf(QStringLiteral("<table:table table:name=\"Лист1\"><table:table-row>%1%2%3"
                                 "</table:table-row></table:table>")
                      .arg(ocell(QStringLiteral("01.01.2007 ")), ocell(QStringLiteral("a  ")),
                           ocell(QStringLiteral(" b")))));
        QVERIFY(outcome.ok());
        QCOMPARE(rowOf(outcome.journal.rows, 0),
                 (QStringList{QStringLiteral("01.01.2007 "), QStringLiteral("a "),
                              QStringLiteral("b")}));
    }

    // A title page first: the journal is taken from the sheet whose header names its columns.
    void journalOnALaterSheet_data() {
        QTest::addColumn<QByteArray>("file");
        const QStringList strings =
            u("Журнал учета ЭКЛЗ|Владелец|Зав. № ЭКЛЗ|ООО Ромашка|0012345|Прочее").split(u'|');
        QTest::newRow("xlsx") << xlsxOf(
            {{u("Титул"), row(1, s("A1", 0)), {}},
             {u("Пусто"), {}, {}},
             {u("Лист2"),
              row(1, s("A1", 1) + s("B1", 2)) + row(2, s("A2", 3) + s("B2", 4)) +
                  row(3, s("A3", 3) + n("B3", "12")),
              {}},
             {u("Лист3"), row(1, s("A1", 1) + s("B1", 2)) + row(2, s("A2", 5)), {}}},
            strings);
        const QString title = QStringLiteral("<table:table table:name=\"Титул\"><table:table-row>"
                                             "%1</table:table-row></table:table>")
                                  .arg(ocell(strings[0]));
        const QString journal =
            QStringLiteral("<table:table table:name=\"Лист2\"><table:table-row>%1%2"
                           "</table:table-row><table:table-row>%3%4</table:table-row>"
                           "<table:table-row>%3<table:table-cell office:value-type=\"float\" "
                           "office:value=\"12\"><text:p>12</text:p></table:table-cell>"
                           "</table:table-row></table:table>")
                .arg(ocell(strings[1]), ocell(strings[2]), ocell(strings[3]), ocell(strings[4]));
        const QString third = QStringLiteral("<table:table table:name=\"Лист3\"><table:table-row>"
                                             "%1%2</table:table-row><table:table-row>%3"
                                             "</table:table-row></table:table>")
                                  .arg(ocell(strings[1]), ocell(strings[2]), ocell(strings[5]));
        QTest::newRow("ods") << odsOf(title + journal + third);
    }
    void journalOnALaterSheet() {
        QFETCH(QByteArray, file);
        const exchange::ImportOutcome outcome = exchange::importSpreadsheet(file);
        QVERIFY2(outcome.ok(), qPrintable(outcome.refusal.value_or(QString())));
        QVERIFY(outcome.journal.headerRow);
        QCOMPARE(int(outcome.journal.rows.size()), 2);
        QCOMPARE(rowOf(outcome.journal.rows, 0), u("ООО Ромашка|||0012345").split(u'|'));
        QCOMPARE(rowOf(outcome.journal.rows, 1), u("ООО Ромашка|||12").split(u'|'));
        QCOMPARE(outcome.journal.problems,
                 (QStringList{u("Журнал взят с листа «Лист2»: на первом листе нет колонок "
                                "журнала."),
                              u("Лист «Титул» (заполнено ячеек: 1) не импортирован: импортируется "
                                "только лист «Лист2»."),
                              u("Лист «Лист3» (заполнено ячеек: 3) не импортирован: импортируется "
                                "только лист «Лист2».")}));
        QCOMPARE(outcome.journal.problemCount, 3);
    }

    // A first sheet with the journal's columns is the journal, whatever follows it.
    void firstSheetWithColumnsIsTaken() {
        const exchange::ImportOutcome outcome = exchange::importSpreadsheet(
            xlsxOf({{u("Лист1"), row(1, s("A1", 0) + s("B1", 1)) + row(2, s("A2", 2)), {}},
                    {u("Лист2"), row(1, s("A1", 0) + s("B1", 1)) + row(2, s("A2", 3)), {}}},
                   u("Владелец|Зав. № ЭКЛЗ|первый|второй").split(u'|')));
        QVERIFY(outcome.ok());
        QCOMPARE(rowOf(outcome.journal.rows, 0), QStringList{u("первый")});
        QCOMPARE(outcome.journal.problems,
                 QStringList{u("Лист «Лист2» (заполнено ячеек: 3) не импортирован: "
                               "импортируется только первый лист.")});
    }
};

QTEST_GUILESS_MAIN(TestSheetPackages)
#include "tst_sheetpackages.moc"
