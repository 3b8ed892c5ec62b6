#include "core/journalformat.h"
#include "exchange/spreadsheetimport.h"
#include "support/importfixture.h"
#include "support/tempfolder.h"

#include <QTest>

using exchange::ImportOutcome;

namespace {

QString u(const char* utf8) {
    return QString::fromUtf8(utf8);
}

// The texts of a row's cells, trailing empty ones left out.
QStringList rowOf(const QList<QStringList>& rows, int row) {
    QStringList texts = rows[row];
    while (!texts.isEmpty() && texts.last().isEmpty())
        texts.removeLast();
    return texts;
}

QStringList words(const char* utf8) {
    return u(utf8).split(u'|');
}

// A shared string cell, a number cell with its format, an inline string cell.
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

// An .ods cell of a type, value attribute and shown text.
QString oc(const QString& attributes, const QString& text) {
    return QStringLiteral("<table:table-cell %1><text:p>%2</text:p></table:table-cell>")
        .arg(attributes, text);
}
QString ostr(const QString& text) {
    return oc(QStringLiteral("office:value-type=\"string\""), xmlText(text));
}
QString otable(const QString& name, const QString& rows) {
    return QStringLiteral("<table:table table:name=\"%1\">%2</table:table>").arg(name, rows);
}
QString orow(const QString& cells, const QString& attributes = {}) {
    return QStringLiteral("<table:table-row %1>%2</table:table-row>").arg(attributes, cells);
}

bool mentions(const exchange::ImportOutcome& outcome, const QString& text) {
    for (const QString& problem : outcome.journal.problems)
        if (problem.contains(text))
            return true;
    return false;
}

} // namespace

class TestSpreadsheetImport : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Captions in another order, spelled loosely; unknown ones after the eighth with their
    // captions; the header row is no journal row.
    void xlsxHeaderInAnotherOrder() {
        const QStringList strings = words("Механик|  зав. № экЛЗ |ВЛАДЕЛЕЦ|Модель ККМ|Примечание|"
                                          "Иванов|0012345|ООО Ромашка|ЭКР 2102|срочно|Дата блок.");
        const exchange::ImportOutcome outcome = exchange::importSpreadsheet(xlsxOf(
            {{QStringLiteral("Лист1"),
              row(1, s("A1", 0) + s("B1", 1) + s("C1", 2) + s("D1", 3) + s("E1", 4) + s("F1", 10)) +
                  row(2, s("A2", 5) + s("B2", 6) + s("C2", 7) + s("D2", 8) + s("E2", 9) +
                             n("F2", "45000", 1)),
              {}}},
            strings));
        QVERIFY(outcome.ok());
        QVERIFY(outcome.journal.headerRow);
        QCOMPARE(int(outcome.journal.rows.size()), 1);
        QCOMPARE(rowOf(outcome.journal.rows, 0),
                 words("ООО Ромашка|ЭКР 2102||0012345|||15.03.2023|Иванов|срочно"));
        QCOMPARE(outcome.journal.extraCaptions, QStringList{u("Примечание")});
        QCOMPARE(outcome.journal.problemCount, 0);
    }

    // Without captions the columns keep their places and the first row is a journal row;
    // a single caption alone does not make a header.
    void xlsxWithoutHeader() {
        const exchange::ImportOutcome outcome = exchange::importSpreadsheet(
            xlsxOf({{QStringLiteral("Лист1"),
                     row(1, s("A1", 0) + s("C1", 1) + s("J1", 2)) + row(3, s("B3", 1)),
                     {}}},
                   words("Владелец|x|десятая")));
        QVERIFY(outcome.ok());
        QVERIFY(!outcome.journal.headerRow);
        QCOMPARE(int(outcome.journal.rows.size()), 3);
        QCOMPARE(int(outcome.journal.rows.first().size()), 9); // the empty ninth column is left out
        QCOMPARE(rowOf(outcome.journal.rows, 0), words("Владелец||x||||||десятая"));
        QCOMPARE(rowOf(outcome.journal.rows, 1), QStringList());
        QCOMPARE(rowOf(outcome.journal.rows, 2), words("|x"));
        QCOMPARE(outcome.journal.extraCaptions, QStringList{QString()});
    }

    // Every cell as the sheet shows it.
    void xlsxCellsAsShown() {
        const QString cells =
            n("A1", "12345678") + n("B1", "45000", 1) + n("C1", "45001.75", 2) + n("D1", "123", 3) +
            n("E1", "1.5", 4) + n("F1", "0.255", 5) + n("G1", "1E+20") + n("H1", "-0.1") +
            QStringLiteral("<c r=\"I1\" t=\"b\"><v>1</v></c>") + s("J1", 0) +
            QStringLiteral("<c r=\"K1\" t=\"str\"><f>A1&amp;\"\"</f><v>12345678</v></c>"
                           "<c r=\"L1\" s=\"2\"><f>B1+1</f><v>45001</v></c>"
                           "<c r=\"M1\" t=\"inlineStr\"><is><t>в ячейке</t></is></c>"
                           "<c r=\"N1\" t=\"str\"><v>текст</v></c>"
                           "<c r=\"O1\" t=\"d\"><v>2023-03-15T00:00:00</v></c>");
        const exchange::ImportOutcome outcome = exchange::importSpreadsheet(
            xlsxOf({{QStringLiteral("Лист1"), row(1, cells), {}}}, words("007")));
        QVERIFY2(outcome.ok(), qPrintable(outcome.refusal.value_or(QString())));
        QCOMPARE(rowOf(outcome.journal.rows, 0),
                 words("12345678|15.03.2023|16.03.2023|0000123|1,50|26%|100000000000000000000|"
                       "-0,1|ИСТИНА|007|12345678|16.03.2023|в ячейке|текст|15.03.2023"));
    }

    // Formats a workbook names by number alone (openpyxl writes its currency and accounting
    // formats so): their decimal places are shown, as those of 2 "0.00" are.
    void xlsxBuiltInFormats() {
        XlsxLayout layout;
        layout.moreCellFormats = {{7, {}}, {8, {}}, {43, {}}, {44, {}}, {5, {}}, {41, {}}};
        const QString cells = n("A1", "2.5", 6) + n("B1", "-3", 7) + n("C1", "1234.5", 8) +
                              n("D1", "0.126", 9) + n("E1", "7.4", 10) + n("F1", "7.6", 11);
        const exchange::ImportOutcome outcome = exchange::importSpreadsheet(
            xlsxOf({{QStringLiteral("Лист1"), row(1, cells), {}}}, {}, layout));
        QVERIFY2(outcome.ok(), qPrintable(outcome.refusal.value_or(QString())));
        QCOMPARE(rowOf(outcome.journal.rows, 0), words("2,50|-3,00|1234,50|0,13|7|8"));
    }

    // A time format counting hours past a day ("[h]:mm") shows a time, not a date.
    void xlsxElapsedTime() {
        XlsxLayout layout;
        layout.moreCellFormats = {{166, QStringLiteral("[h]:mm")},
                                  {167, QStringLiteral("[HH]:MM")}};
        const exchange::ImportOutcome outcome = exchange::importSpreadsheet(
            xlsxOf({{QStringLiteral("Лист1"), row(1, n("A1", "0.5", 6) + n("B1", "0.75", 7)), {}}},
                   {}, layout));
        QVERIFY2(outcome.ok(), qPrintable(outcome.refusal.value_or(QString())));
        QCOMPARE(rowOf(outcome.journal.rows, 0), words("12:00|18:00"));
    }

    // Strings as programs write them: rich-text runs joined and phonetic runs left out, shared
    // or in the cell; a formula by its saved result of any type, none told when it kept none; a
    // row or cell without its address follows the one before.
    void xlsxStringsAndFormulas() {
        XlsxLayout layout;
        layout.moreSharedStrings =
            u("<si><r><rPr><b/></rPr><t xml:space=\"preserve\">ООО </t></r><r><t>Ромашка</t>"
              "</r><rPh sb=\"0\" eb=\"3\"><t>ロ</t></rPh></si>");
        const QString cells =
            s("A1", 1) +
            u("<c r=\"B1\" t=\"inlineStr\"><is><r><t>ЭКР </t></r><r><t>2102</t></r><rPh>"
              "<t>x</t></rPh></is></c><c r=\"C1\" t=\"str\"><f>IF(1,\"\",\"\")</f><v></v></c>"
              "<c r=\"D1\" t=\"b\"><f>1=2</f><v>0</v></c><c r=\"E1\" s=\"4\"><f>1/3</f></c>"
              "<c r=\"F1\" s=\"4\"><f>2*2</f><v>4</v></c><c><v>5</v></c>");
        const exchange::ImportOutcome outcome = exchange::importSpreadsheet(
            xlsxOf({{QStringLiteral("Лист1"),
                     row(1, cells) + u("<row><c t=\"s\"><v>0</v></c></row>"),
                     {}}},
                   {QStringLiteral("x")}, layout));
        QVERIFY2(outcome.ok(), qPrintable(outcome.refusal.value_or(QString())));
        QCOMPARE(int(outcome.journal.rows.size()), 2);
        QCOMPARE(rowOf(outcome.journal.rows, 0), words("ООО Ромашка|ЭКР 2102||ЛОЖЬ||4,00|5"));
        QCOMPARE(rowOf(outcome.journal.rows, 1), words("x"));
        QCOMPARE(outcome.journal.problemCount, 1);
        QVERIFY(mentions(outcome, u("Ячейка E1: формула дала ошибку (или её результат не "
                                    "сохранён)")));
    }

    // A character XML cannot carry is written "_x000D_" (Excel writes a text's carriage returns
    // so), and a text's own "_x" as "_x005F_x": shared, inline and formula strings alike.
    void xlsxEscapedCharacters() {
        XlsxLayout layout;
        layout.moreSharedStrings =
            u("<si><t>ООО_x000D_\nРомашка</t></si><si><t>_x005F_x0041_ _x41_ _x00zz_</t></si>");
        const QString cells = s("A1", 0) + s("B1", 1) +
                              u("<c r=\"C1\" t=\"inlineStr\"><is><t>ЭКР_x0009_2102</t></is></c>"
                                "<c r=\"D1\" t=\"str\"><f>A1</f><v>1_x000d_</v></c>");
        const exchange::ImportOutcome outcome = exchange::importSpreadsheet(
            xlsxOf({{QStringLiteral("Лист1"), row(1, cells), {}}}, {}, layout));
        QVERIFY2(outcome.ok(), qPrintable(outcome.refusal.value_or(QString())));
        QCOMPARE(rowOf(outcome.journal.rows, 0),
                 (QStringList{u("ООО\r\nРомашка"), u("_x0041_ _x41_ _x00zz_"), u("ЭКР\t2102"),
                              u("1\r")}));
    }

    // A package's part names are told apart without their case: a relationship to
    // "sharedStrings.xml" finds "xl/SharedStrings.xml", as some programs name it.
    void xlsxPartNamesInAnotherCase() {
        QByteArray xlsx = xlsxOf({{QStringLiteral("Лист1"), row(1, s("A1", 0) + s("B1", 1)), {}}},
                                 words("ООО|ЭКР"));
        xlsx.replace("xl/sharedStrings.xml", "xl/SharedStrings.xml")
            .replace("xl/worksheets/sheet1.xml", "xl/worksheets/Sheet1.xml");
        const exchange::ImportOutcome outcome = exchange::importSpreadsheet(xlsx);
        QVERIFY2(outcome.ok(), qPrintable(outcome.refusal.value_or(QString())));
        QCOMPARE(rowOf(outcome.journal.rows, 0), words("ООО|ЭКР"));
    }

    // A later sheet's strings written in its cells count as shared ones do: the journal is
    // found there.
    void xlsxJournalInInlineStrings() {
        const auto inlined = [](const char* ref, const char* text) {
            return QStringLiteral("<c r=\"%1\" t=\"inlineStr\"><is><t>%2</t></is></c>")
                .arg(QLatin1String(ref), u(text));
        };
        const exchange::ImportOutcome outcome = exchange::importSpreadsheet(
            xlsxOf({{QStringLiteral("Титул"), row(1, inlined("A1", "Журнал")), {}},
                    {QStringLiteral("Лист2"),
                     row(1, inlined("A1", "Владелец") + inlined("B1", "Зав. № ЭКЛЗ")) +
                         row(2, inlined("A2", "ООО Ромашка") + n("B2", "12")),
                     {}}}));
        QVERIFY2(outcome.ok(), qPrintable(outcome.refusal.value_or(QString())));
        QCOMPARE(rowOf(outcome.journal.rows, 0), words("ООО Ромашка|||12"));
        QVERIFY(mentions(outcome, u("Журнал взят с листа «Лист2»")));
        QVERIFY(mentions(outcome, u("Лист «Титул» (заполнено ячеек: 1)")));
    }

    void xlsxProblemsAreListed() {
        const QString cells = QStringLiteral("<c r=\"A1\" t=\"e\"><f>1/0</f><v>#DIV/0!</v></c>"
                                             "<c r=\"B1\" t=\"e\"><v>#N/A</v></c>") +
                              s("C1", 0) + s("D1", 1);
        const exchange::ImportOutcome outcome = exchange::importSpreadsheet(xlsxOf(
            {{QStringLiteral("Лист1"), row(1, cells),
              QStringLiteral("<mergeCells count=\"1\"><mergeCell ref=\"C1:D2\"/></mergeCells>")},
             {QStringLiteral("Пустой"), {}, {}},
             {QStringLiteral("Второй"), row(1, s("A1", 0) + s("B1", 0)), {}}},
            words("а;б|в\nг")));
        QVERIFY(outcome.ok());
        QCOMPARE(rowOf(outcome.journal.rows, 0), words("||а;б|в\nг"));
        QCOMPARE(outcome.journal.problemCount, 6);
        QVERIFY(mentions(outcome, u("Ячейка A1: формула дала ошибку")));
        QVERIFY(mentions(outcome, u("Ячейка B1: значение ошибки #N/A")));
        QVERIFY(mentions(outcome, u("Ячейки C1:D2 объединены")));
        QVERIFY(mentions(outcome, u("Ячейка C1: в тексте есть «;»")));
        QVERIFY(mentions(outcome, u("Ячейка D1: в тексте есть «;» или перевод строки")));
        QVERIFY(mentions(outcome, u("Лист «Второй» (заполнено ячеек: 2) не импортирован")));
    }

    void odsCellsAsShown() {
        const QString header = ostr(u("Дата актив.")) + ostr(u("Зав. № ЭКЛЗ")) +
                               ostr(u("Владелец")) + ostr(u("Прочее"));
        const QString data =
            oc(QStringLiteral("office:value-type=\"date\" office:date-value=\"2023-03-15\""),
               QStringLiteral("15.03.23")) +
            ostr(QStringLiteral("0012345")) +
            QStringLiteral("<table:table-cell office:value-type=\"string\"><text:p>ООО  "
                           "<text:s text:c=\"2\"/>Ромашка</text:p><text:p>второй</text:p>"
                           "<office:annotation><text:p>заметка</text:p></office:annotation>"
                           "</table:table-cell>") +
            oc(QStringLiteral("office:value-type=\"float\" office:value=\"12345678\""),
               QStringLiteral("1,23E+007")) +
            oc(QStringLiteral("office:value-type=\"float\" office:value=\"123\""),
               QStringLiteral("000123")) +
            oc(QStringLiteral("office:value-type=\"float\" office:value=\"1.5\""),
               QStringLiteral("1,50")) +
            oc(QStringLiteral("office:value-type=\"boolean\" office:boolean-value=\"true\""),
               u("ИСТИНА")) +
            oc(QStringLiteral("table:formula=\"of:=1+1\" office:value-type=\"float\" "
                              "office:value=\"2\""),
               QStringLiteral("2"));
        // Built with arg(), not "+": GCC 12's optimiser warns falsely (-Warray-bounds) on this
        // QStringBuilder.
        const QString repeated =
            orow(QStringLiteral("%1<table:table-cell table:number-columns-repeated=\"2\"/>"
                                "<table:table-cell office:value-type=\"string\" "
                                "table:number-columns-repeated=\"2\"><text:p>y</text:p>"
                                "</table:table-cell>")
                     .arg(ostr(QStringLiteral("x"))),
                 QStringLiteral("table:number-rows-repeated=\"2\""));
        const QString filler = orow(QStringLiteral("<table:table-cell "
                                                   "table:number-columns-repeated=\"1024\"/>"),
                                    QStringLiteral("table:number-rows-repeated=\"1048570\""));
        const exchange::ImportOutcome outcome = exchange::importSpreadsheet(
            odsOf(otable(u("Лист1"), orow(header) + orow(data) + repeated + filler)));
        QVERIFY2(outcome.ok(), qPrintable(outcome.refusal.value_or(QString())));
        QVERIFY(outcome.journal.headerRow);
        QCOMPARE(int(outcome.journal.rows.size()), 3);
        QCOMPARE(rowOf(outcome.journal.rows, 0),
                 words("ООО   Ромашка\nвторой|||0012345||15.03.2023|||12345678|000123|1,50|"
                       "ИСТИНА|2"));
        QCOMPARE(rowOf(outcome.journal.rows, 1), words("|||||x|||y|y"));
        QCOMPARE(rowOf(outcome.journal.rows, 2), rowOf(outcome.journal.rows, 1));
        QCOMPARE(outcome.journal.extraCaptions, (QStringList{u("Прочее"), {}, {}, {}, {}}));
    }

    // A paragraph's markup as Calc writes it: spans and links keep their text, a tab and a line
    // break stay, a heading is a paragraph too.
    void odsTextMarkup() {
        const QString cells = QStringLiteral(
            "<table:table-cell office:value-type=\"string\"><text:p><text:span "
            "text:style-name=\"T1\">ООО</text:span> <text:a>Ромашка</text:a><text:tab/>1"
            "<text:line-break/>2</text:p></table:table-cell>"
            "<table:table-cell office:value-type=\"string\"><text:h>а</text:h><text:p>б"
            "</text:p></table:table-cell>");
        const exchange::ImportOutcome outcome =
            exchange::importSpreadsheet(odsOf(otable(u("Лист1"), orow(cells))));
        QVERIFY2(outcome.ok(), qPrintable(outcome.refusal.value_or(QString())));
        QCOMPARE(rowOf(outcome.journal.rows, 0), words("ООО Ромашка\t1\n2|а\nб"));
    }

    // A shape anchored to a cell is written inside it, its text too: no text of the cell's.
    void odsShapeInACell() {
        const QString cells = QStringLiteral(
            "<table:table-cell office:value-type=\"string\"><draw:frame "
            "xmlns:draw=\"urn:oasis:names:tc:opendocument:xmlns:drawing:1.0\"><draw:text-box>"
            "<text:p>надпись</text:p></draw:text-box></draw:frame><text:p>ООО Ромашка</text:p>"
            "</table:table-cell>");
        const exchange::ImportOutcome outcome =
            exchange::importSpreadsheet(odsOf(otable(u("Лист1"), orow(cells))));
        QVERIFY2(outcome.ok(), qPrintable(outcome.refusal.value_or(QString())));
        QCOMPARE(rowOf(outcome.journal.rows, 0), words("ООО Ромашка"));
    }

    void odsProblemsAreListed() {
        const QString cells =
            oc(QStringLiteral("table:formula=\"of:=1/0\" office:value-type=\"float\" "
                              "office:value=\"0\" calcext:value-type=\"error\""),
               QStringLiteral("#DIV/0!")) +
            oc(QStringLiteral("table:formula=\"of:=A9\" office:value-type=\"string\" "
                              "office:string-value=\"\""),
               QStringLiteral("Err:502")) +
            QStringLiteral("<table:table-cell table:number-columns-spanned=\"2\" "
                           "office:value-type=\"string\"><text:p>вместе</text:p>"
                           "</table:table-cell><table:covered-table-cell/>") +
            ostr(QStringLiteral("после"));
        const exchange::ImportOutcome outcome = exchange::importSpreadsheet(
            odsOf(otable(u("Лист1"), orow(cells)) + otable(u("Лист2"), orow(ostr(u("ещё"))))));
        QVERIFY(outcome.ok());
        QCOMPARE(rowOf(outcome.journal.rows, 0), words("||вместе||после"));
        QCOMPARE(outcome.journal.problemCount, 4);
        QVERIFY(mentions(outcome, u("Ячейка A1: формула дала ошибку #DIV/0!")));
        QVERIFY(mentions(outcome, u("Ячейка B1: формула дала ошибку Err:502")));
        QVERIFY(mentions(outcome, u("Ячейки C1:D1 объединены")));
        QVERIFY(mentions(outcome, u("Лист «Лист2» (заполнено ячеек: 1)")));
    }

    // Refused with a message, never thrown.
    void refusals_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("message");
        const QByteArray xlsx =
            xlsxOf({{QStringLiteral("Лист1"), row(1, s("A1", 0)), {}}}, words("текст"));
        QTest::newRow("empty") << QByteArray() << u("Файл пуст");
        QTest::newRow("text") << QByteArray("a;b;c\r\n") << u("не электронная таблица");
        QTest::newRow("other zip")
            << zipOf({{QStringLiteral("word/document.xml"), QByteArray("<w/>")}})
            << u("в нём нет электронной таблицы");
        QTest::newRow("text document")
            << odsOf(QString(), "application/vnd.oasis.opendocument.text")
            << u("не электронная таблица (.ods)");
        QTest::newRow("cut short") << xlsx.left(xlsx.size() / 2) << u("записан не до конца");
        QTest::newRow("damaged part")
            << xlsxOf(
                   {{QStringLiteral("Лист1"), QStringLiteral("<row r=\"1\"><c r=\"A1\"><v>1"), {}}})
            << u("Файл повреждён");
        QTest::newRow("damaged content")
            << odsOf(QStringLiteral("<table:table table:name=\"x\"><table:table-row>"))
            << u("Файл повреждён");
        // A byte changed in a stored part, its checksum left as it was.
        QByteArray content = odsOf(otable(u("Лист1"), orow(ostr(QStringLiteral("ABC")))));
        QTest::newRow("content changed")
            << content.replace("ABC", "ABD") << u("часть content.xml не такая, как указано");
        const QByteArray plain =
            xlsxOf({{QStringLiteral("Лист1"), row(1, s("A1", 0)), {}}}, {QStringLiteral("ABC")});
        QTest::newRow("shared strings changed")
            << QByteArray(plain).replace("ABC", "ABD") << u("часть xl/sharedStrings.xml не такая");
        QTest::newRow("styles changed")
            << QByteArray(plain).replace("0000000", "0000001") << u("часть xl/styles.xml не такая");
        QTest::newRow("bad cell address")
            << xlsxOf({{QStringLiteral("Лист1"),
                        row(1, QStringLiteral("<c r=\"1A\"><v>1</v></c>")),
                        {}}})
            << u("Файл повреждён: неверный адрес ячейки.");
        QTest::newRow("zip password")
            << zipOf({{QStringLiteral("xl/workbook.xml"), QByteArray("x")}}, true)
            << u("защищён паролем");
        QByteArray ole("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8);
        ole += QByteArray(512, '\0');
        QTest::newRow("old xls") << ole << u("старом формате Excel");
        ole += QByteArray(reinterpret_cast<const char*>(u"EncryptedPackage"), 32);
        QTest::newRow("encrypted") << ole << u("защищён паролем");
        QTest::newRow("no cells") << xlsxOf({{QStringLiteral("Лист1"), row(1, {}), {}}})
                                  << u("нет ни одной заполненной ячейки");
    }
    void refusals() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, message);
        const exchange::ImportOutcome outcome = exchange::importSpreadsheet(bytes);
        QVERIFY(!outcome.ok());
        QVERIFY2(outcome.refusal->contains(message), qPrintable(*outcome.refusal));
    }

    // A sheet that would not fit in the memory left is refused before it is read.
    void memoryGuard() {
        const QByteArray xlsx =
            xlsxOf({{QStringLiteral("Лист1"), row(1, s("A1", 0)), {}}}, words("текст"));
        QVERIFY(exchange::importSpreadsheet(xlsx, 1 << 20).ok());
        const exchange::ImportOutcome outcome = exchange::importSpreadsheet(xlsx, 1000);
        QVERIFY(!outcome.ok());
        QVERIFY(outcome.refusal->contains(u("Таблица слишком велика")));
    }

    // The shared strings count toward the memory a workbook needs whatever the case of their
    // part's name.
    void memoryGuardInAnotherCase() {
        QByteArray xlsx = xlsxOf({{QStringLiteral("Лист1"), row(1, s("A1", 0)), {}}},
                                 {QStringLiteral("x"), QString(50000, u'ж')});
        const qsizetype budget = xlsx.size() + 150000;
        QVERIFY(!exchange::importSpreadsheet(xlsx, budget).ok());
        xlsx.replace("xl/sharedStrings.xml", "xl/SharedStrings.xml");
        const exchange::ImportOutcome outcome = exchange::importSpreadsheet(xlsx, budget);
        QVERIFY(!outcome.ok());
        QVERIFY2(outcome.refusal->contains(u("Таблица слишком велика")),
                 qPrintable(*outcome.refusal));
    }

    // A cell longer than a journal line is kept, and its row told.
    void overlongCell() {
        const QString text(40000, u'ж');
        const exchange::ImportOutcome outcome = exchange::importSpreadsheet(
            xlsxOf({{QStringLiteral("Лист1"), row(1, s("A1", 0)) + row(2, s("B2", 1)), {}}},
                   {QStringLiteral("a"), text}));
        QVERIFY(outcome.ok());
        QCOMPARE(outcome.journal.rows[1][1], text);
        QCOMPARE(outcome.journal.problemCount, 1);
        QVERIFY(mentions(outcome, u("Строка 2 листа")));
    }

    // The whole height of a sheet.
    void millionRows() {
        QString rows;
        rows.reserve(48 << 20);
        for (int r = 1; r <= 1048576; ++r)
            rows += QStringLiteral("<row><c><v>%1</v></c></row>").arg(r);
        const exchange::ImportOutcome outcome =
            exchange::importSpreadsheet(xlsxOf({{QStringLiteral("Лист1"), rows, {}}}));
        QVERIFY(outcome.ok());
        QCOMPARE(int(outcome.journal.rows.size()), 1048576);
        QCOMPARE(outcome.journal.rows[1048575][0], QStringLiteral("1048576"));
    }

    // A .csv goes to the journal reader; its header row is matched as a sheet's is.
    void csvFile() {
        TempFolder folder;
        folder.write(QStringLiteral("a.csv"),
                     cp1251(u("Механик;Владелец\r\nПетров;ООО Ромашка\r\n")));
        folder.write(QStringLiteral("b.xlsx"), cp1251(u("Владелец;x\r\n")));
        const exchange::ImportOutcome outcome =
            exchange::importFile(folder.file(QStringLiteral("a.csv")));
        QVERIFY(outcome.ok());
        QCOMPARE(rowOf(outcome.journal.rows, 0), words("ООО Ромашка|||||||Петров"));
        const exchange::ImportOutcome wrongName =
            exchange::importFile(folder.file(QStringLiteral("b.xlsx")));
        QVERIFY(!wrongName.ok());
        QVERIFY(!exchange::importFile(folder.file(QStringLiteral("none.xlsx"))).ok());
    }

    // A title and a blank row above the header are left out, and said to be; a header lower
    // than the first rows looked at is no header.
    void headerBelowATitle() {
        const QStringList strings =
            words("Журнал учета ЭКЛЗ 2025|Владелец|Механик|ООО Ромашка|Петров");
        const exchange::ImportOutcome outcome = exchange::importSpreadsheet(
            xlsxOf({{QStringLiteral("Лист1"),
                     row(1, s("A1", 0)) + row(3, s("A3", 1) + s("B3", 2)) +
                         row(4, s("A4", 3) + s("B4", 4)),
                     {}}},
                   strings));
        QVERIFY(outcome.ok());
        QVERIFY(outcome.journal.headerRow);
        QCOMPARE(int(outcome.journal.rows.size()), 1);
        QCOMPARE(rowOf(outcome.journal.rows, 0), words("ООО Ромашка|||||||Петров"));
        QCOMPARE(outcome.journal.problems,
                 QStringList{u("Строки 1–2 над заголовком не взяты: «Журнал учета ЭКЛЗ 2025».")});
        QCOMPARE(outcome.journal.problemCount, 1);

        QString low;
        for (int r = 1; r <= 10; ++r)
            low += row(r, s(QStringLiteral("A%1").arg(r).toLatin1().constData(), 0));
        low += row(11, s("A11", 1) + s("B11", 2));
        const exchange::ImportOutcome tooLow =
            exchange::importSpreadsheet(xlsxOf({{QStringLiteral("Лист1"), low, {}}}, strings));
        QVERIFY(tooLow.ok());
        QVERIFY(!tooLow.journal.headerRow);
        QCOMPARE(int(tooLow.journal.rows.size()), 11);
        QCOMPARE(tooLow.journal.problemCount, 0);
    }

    // A comma CSV as Calc saves it by default, a title above its header: its columns are found
    // and the separator taken is said.
    void commaCsvWithATitle() {
        TempFolder folder;
        const QString text = u("\xEF\xBB\xBFЖурнал учета ЭКЛЗ 2025,,\r\n"
                               "Владелец,Механик,Примечание\r\n"
                               "\"ООО \"\"Ромашка\"\", филиал\",Петров,\"срочно, до 5-го\"\r\n");
        folder.write(QStringLiteral("thisyear.csv"), text.toUtf8());
        const exchange::ImportOutcome outcome =
            exchange::importFile(folder.file(QStringLiteral("thisyear.csv")));
        QVERIFY(outcome.ok());
        QCOMPARE(int(outcome.journal.rows.size()), 1);
        QCOMPARE(rowOf(outcome.journal.rows, 0),
                 words("ООО \"Ромашка\", филиал|||||||Петров|срочно, до 5-го"));
        QCOMPARE(outcome.journal.problems,
                 (QStringList{u("Файл thisyear.csv записан с разделителем «,» (запятая), а не "
                                "«;»: так его и прочитали."),
                              u("Строка 1 над заголовком не взята: «Журнал учета ЭКЛЗ 2025».")}));
    }

    void problemsMessageIsBounded() {
        QStringList problems;
        for (int i = 1; i <= 12; ++i)
            problems << QStringLiteral("p%1").arg(i);
        const QString message = exchange::problemsMessage(problems, 30);
        QVERIFY(message.contains(QStringLiteral("• p10")));
        QVERIFY(!message.contains(QStringLiteral("p11")));
        QVERIFY(message.endsWith(u("и ещё 20.")));
        QVERIFY(!exchange::problemsMessage(problems.mid(0, 2), 2).contains(u("ещё")));
    }
};

QTEST_GUILESS_MAIN(TestSpreadsheetImport)
#include "tst_spreadsheetimport.moc"
