#include "app/gridmodel.h"
#include "journal/journalcharset.h"
#include "journal/journalformat.h"
#include "support/tempfolder.h"

#include <QTest>

using journal::readJournal;
using journal::writeJournal;
using Rows = QList<QStringList>;

namespace {

// The table's rows, each as many cells wide as the table.
Rows rowsOf(const journal::JournalTable& table) {
    Rows rows;
    for (int r = 0; r < table.rows; ++r) {
        QStringList row;
        for (int c = 0; c < table.cols; ++c)
            row << table.cell(r, c);
        rows << row;
    }
    return rows;
}

Rows padded(Rows rows, int cols) {
    for (QStringList& row : rows)
        while (row.size() < cols)
            row << QString();
    return rows;
}

// A grid with an empty header row over the given data rows.
std::unique_ptr<GridModel> gridOf(const Rows& rows, int cols) {
    auto grid = std::make_unique<GridModel>();
    QList<QString> cells(qsizetype(rows.size() + 1) * cols);
    for (qsizetype r = 0; r < rows.size(); ++r)
        for (qsizetype c = 0; c < rows[r].size(); ++c)
            cells[(r + 1) * cols + c] = rows[r][c];
    grid->replaceCells(int(rows.size()) + 1, cols, cells);
    return grid;
}

QByteArray repeated(const QByteArray& piece, int times) {
    QByteArray bytes;
    for (int i = 0; i < times; ++i)
        bytes += piece;
    return bytes;
}

} // namespace

class TestJournalFormat : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void readsLinesAndCells_data();
    void readsLinesAndCells();
    void refusesLinesOverTheLimit();
    void readsEncodingsAndDropsNulBytes_data();
    void readsEncodingsAndDropsNulBytes();
    void refusesFilesThatWouldFillTheMemory();
    void keepsEveryByteOfAnUnchangedRow();
    void writesEightFieldsPerRow_data();
    void writesEightFieldsPerRow();
    void writesTheExampleRowByteForByte();
    void roundTripKeepsTextsAndBytes();
    void roundTripOfTextsWhoseBytesLookLikeUtf8();
    void roundTripOfALargeRegister();
    void tellsWhichCharactersAFileCanHold_data();
    void tellsWhichCharactersAFileCanHold();
    void findsTheFirstCellTheFileCannotHold();
    void findsRowsTooLongToReadBack();
};

void TestJournalFormat::readsLinesAndCells_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("cols");
    QTest::addColumn<Rows>("rows");

    const Rows abc{{QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")}};
    const QStringList twelve{QStringLiteral("1"),  QStringLiteral("2"),  QStringLiteral("3"),
                             QStringLiteral("4"),  QStringLiteral("5"),  QStringLiteral("6"),
                             QStringLiteral("7"),  QStringLiteral("8"),  QStringLiteral("9"),
                             QStringLiteral("10"), QStringLiteral("11"), QStringLiteral("12")};
    QTest::newRow("0-byte file") << QByteArray() << 8 << Rows{};
    QTest::newRow("line as written") << QByteArray("a;b;c;d;e;f;g;h;\r\n") << 8
                                     << Rows{QString::fromLatin1("a,b,c,d,e,f,g,h").split(u',')};
    QTest::newRow("without final ;") << QByteArray("a;b;c\r\n") << 8 << abc;
    QTest::newRow("with final ;") << QByteArray("a;b;c;\r\n") << 8 << abc;
    QTest::newRow("twelve fields")
        << QByteArray("1;2;3;4;5;6;7;8;9;10;11;12;\r\n") << 12 << Rows{twelve};
    QTest::newRow("a wide line widens all rows")
        << QByteArray("x;\r\n1;2;3;4;5;6;7;8;9;10;11;12\r\n") << 12
        << Rows{{QStringLiteral("x")}, twelve};
    QTest::newRow("inner ;; is an empty cell")
        << QByteArray("a;;c;\r\n") << 8 << Rows{{QStringLiteral("a"), {}, QStringLiteral("c")}};
    QTest::newRow("leading ;") << QByteArray(";b;\r\n") << 8 << Rows{{{}, QStringLiteral("b")}};
    QTest::newRow("lone ;") << QByteArray(";\r\n") << 8 << Rows{{}};
    QTest::newRow("empty line") << QByteArray("a;\r\n\r\nb;\r\n") << 8
                                << Rows{{QStringLiteral("a")}, {}, {QStringLiteral("b")}};
    QTest::newRow("only a line end") << QByteArray("\r\n") << 8 << Rows{{}};
    QTest::newRow("last line without line end")
        << QByteArray("a;\r\nb;") << 8 << Rows{{QStringLiteral("a")}, {QStringLiteral("b")}};
    QTest::newRow("LF line ends") << QByteArray("a;b;\nc;\n") << 8
                                  << Rows{{QStringLiteral("a"), QStringLiteral("b")},
                                          {QStringLiteral("c")}};
    QTest::newRow("CR line ends") << QByteArray("a;\rb;\r") << 8
                                  << Rows{{QStringLiteral("a")}, {QStringLiteral("b")}};
    QTest::newRow("mixed line ends") << QByteArray("a\r\nb\nc\rd") << 8
                                     << Rows{{QStringLiteral("a")},
                                             {QStringLiteral("b")},
                                             {QStringLiteral("c")},
                                             {QStringLiteral("d")}};
    QTest::newRow("LF CR ends two lines")
        << QByteArray("a\n\rb") << 8 << Rows{{QStringLiteral("a")}, {}, {QStringLiteral("b")}};
    QTest::newRow("blanks kept") << QByteArray(" a ;  ; b  ;") << 8
                                 << Rows{{QStringLiteral(" a "), QStringLiteral("  "),
                                          QStringLiteral(" b  ")}};
    QTest::newRow("quotes are plain text")
        << QByteArray("\"a;b\";") << 8 << Rows{{QStringLiteral("\"a"), QStringLiteral("b\"")}};
    QTest::newRow("Windows-1251") << QByteArray::fromHex("cacacc3bc8e2e0edeee23b") << 8
                                  << Rows{{QStringLiteral("ККМ"), QStringLiteral("Иванов")}};
}

void TestJournalFormat::readsLinesAndCells() {
    QFETCH(QByteArray, bytes);
    QFETCH(int, cols);
    QFETCH(Rows, rows);
    const journal::ReadResult result = readJournal(bytes);
    QVERIFY(result.ok());
    QCOMPARE(result.table.cols, cols);
    QCOMPARE(rowsOf(result.table), padded(rows, cols));
}

void TestJournalFormat::refusesLinesOverTheLimit() {
    const QByteArray longest = repeated("x", journal::MaxLineLength);
    QVERIFY(readJournal("a;\r\n" + longest + "\r\n").ok());

    const journal::ReadResult result = readJournal("a;\r\nb;\r\n" + longest + "x\r\nc;\r\n");
    QVERIFY(!result.ok());
    QCOMPARE(result.fault, (journal::ReadFault{3, journal::ReadFault::LineTooLong}));
    QCOMPARE(rowsOf(result.table), padded({{QStringLiteral("a")}, {QStringLiteral("b")}}, 8));
}

void TestJournalFormat::readsEncodingsAndDropsNulBytes_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("utf8");
    QTest::addColumn<int>("nulBytes");
    QTest::addColumn<Rows>("rows");

    const QString owner = QStringLiteral("ООО «Ёлка»");
    QTest::newRow("byte-order mark before Windows-1251")
        << QByteArray("\xEF\xBB\xBF\xC8\xE2;") << false << 0 << Rows{{QStringLiteral("п»їИв")}};
    QTest::newRow("NUL bytes") << QByteArray("a\0;\0\0b;\r\n\0\r\nc;", 14) << false << 4
                               << Rows{{QStringLiteral("a"), QStringLiteral("b")},
                                       {},
                                       {QStringLiteral("c")}};
    QTest::newRow("NUL bytes inside UTF-8")
        << QByteArray(1, '\0') + owner.toUtf8() + QByteArray(";\0", 2) << true << 2
        << Rows{{owner}};
}

void TestJournalFormat::readsEncodingsAndDropsNulBytes() {
    QFETCH(QByteArray, bytes);
    QFETCH(bool, utf8);
    QFETCH(int, nulBytes);
    QFETCH(Rows, rows);
    const journal::ReadResult result = readJournal(bytes);
    QVERIFY(result.ok());
    QCOMPARE(result.encoding,
             utf8 ? journal::TextEncoding::Utf8 : journal::TextEncoding::Windows1251);
    QCOMPARE(result.droppedNulBytes, nulBytes);
    QCOMPARE(rowsOf(result.table), padded(rows, 8));
}

void TestJournalFormat::refusesFilesThatWouldFillTheMemory() {
    // 129 rows of 32,767 cells would pass the limit: the wide line is refused, the rows before it
    // are kept at their own width.
    const int rowsBefore = int(journal::MaxCells / journal::MaxLineLength);
    const QByteArray wide = repeated(";", journal::MaxLineLength);
    journal::ReadResult result = readJournal(repeated("a;\n", rowsBefore) + wide + "\nb;\n");
    QCOMPARE(result.fault, (journal::ReadFault{rowsBefore + 1, journal::ReadFault::TooManyCells}));
    QCOMPARE(result.table.rows, rowsBefore);
    QCOMPARE(result.table.cols, 8);
    QCOMPARE(result.table.cell(rowsBefore - 1, 0), QStringLiteral("a"));

    // One row fewer fits, at full width.
    result = readJournal(repeated("a;\n", rowsBefore - 1) + wide + "\n");
    QVERIFY(result.ok());
    QCOMPARE(result.table.cols, journal::MaxLineLength);
    QCOMPARE(result.table.cells.size(), qsizetype(rowsBefore) * journal::MaxLineLength);
}

void TestJournalFormat::keepsEveryByteOfAnUnchangedRow() {
    // Every byte but the file's structure and NUL, spread over the eight cells of one row.
    QByteArray cellBytes;
    for (int b = 1; b < 256; ++b)
        if (b != ';' && b != '\r' && b != '\n')
            cellBytes += char(b);
    QByteArray line;
    for (int c = 0; c < journal::FileColumns; ++c)
        line += cellBytes.mid(c * 32, 32) + ';';
    const QByteArray file = line + "\r\n";
    QVERIFY(journal::detectEncoding(file) == journal::TextEncoding::Windows1251);

    const journal::ReadResult result = readJournal(file);
    QVERIFY(result.ok());
    auto grid = gridOf(rowsOf(result.table), result.table.cols);
    QCOMPARE(journal::findUnwritableCell(*grid), std::nullopt);
    QCOMPARE(writeJournal(*grid), file);
}

void TestJournalFormat::writesEightFieldsPerRow_data() {
    QTest::addColumn<int>("cols");
    QTest::addColumn<Rows>("rows");
    QTest::addColumn<QByteArray>("bytes");

    QTest::newRow("header only") << 8 << Rows{} << QByteArray();
    QTest::newRow("empty row") << 8 << Rows{{}} << QByteArray(";;;;;;;;\r\n");
    QTest::newRow("blanks and empty cells")
        << 8 << Rows{{QStringLiteral(" a "), {}, QStringLiteral("c  ")}, {{}, QStringLiteral("b")}}
        << QByteArray(" a ;;c  ;;;;;;\r\n;b;;;;;;;\r\n");
    QTest::newRow("fewer columns get empty fields")
        << 6
        << Rows{{QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3"), QStringLiteral("4"),
                 QStringLiteral("5"), QStringLiteral("6")}}
        << QByteArray("1;2;3;4;5;6;;;\r\n");
    QTest::newRow("columns past 7 are not written")
        << 10 << Rows{QString::fromLatin1("0,1,2,3,4,5,6,7,8,9").split(u',')}
        << QByteArray("0;1;2;3;4;5;6;7;\r\n");
}

void TestJournalFormat::writesEightFieldsPerRow() {
    QFETCH(int, cols);
    QFETCH(Rows, rows);
    QFETCH(QByteArray, bytes);
    auto grid = gridOf(rows, cols);
    grid->setTextMatrix(0, 0, QStringLiteral("header"));
    QCOMPARE(writeJournal(*grid), bytes);
}

void TestJournalFormat::writesTheExampleRowByteForByte() {
    auto grid = gridOf({{QStringLiteral("ООО Ромашка"), QStringLiteral("ЭКР"), QStringLiteral("17"),
                         QStringLiteral("А12"), QStringLiteral("Б34"), QStringLiteral("15.03.2009"),
                         QStringLiteral("01.05.2010"), QStringLiteral("Иванов")}},
                       8);
    QCOMPARE(writeJournal(*grid).toHex(),
             QByteArray("cecece20d0eeece0f8eae03bddcad03b31373bc031323bc133343b31352e30332e3230"
                        "30393b30312e30352e323031303bc8e2e0edeee23b0d0a"));
}

void TestJournalFormat::roundTripKeepsTextsAndBytes() {
    const Rows rows{
        {QStringLiteral("  ООО «Ёлка» "),
         QStringLiteral("Орион-3"),
         {},
         QStringLiteral("№ 5"),
         QStringLiteral("€ 100"),
         QStringLiteral("1.2.2009"),
         {},
         QStringLiteral(" Щукин ")},
        {},
        {{}, {}, {}, {}, {}, {}, {}, QStringLiteral("последняя")},
    };
    auto grid = gridOf(rows, 8);
    const QByteArray bytes = writeJournal(*grid);

    journal::ReadResult result = readJournal(bytes);
    QVERIFY(result.ok());
    QCOMPARE(result.table.cols, 8);
    QCOMPARE(rowsOf(result.table), padded(rows, 8));

    auto reread = gridOf(rowsOf(result.table), result.table.cols);
    QCOMPARE(writeJournal(*reread), bytes);
}

// "ЖЁ" and "Р«" are, byte for byte, valid UTF-8 for other letters: written in Windows-1251 they
// would come back changed, so the journal is written as UTF-8 with a byte-order mark.
void TestJournalFormat::roundTripOfTextsWhoseBytesLookLikeUtf8() {
    const Rows rows{{QStringLiteral("2ЖЁ"), QStringLiteral("Р«")}};
    auto grid = gridOf(rows, 8);
    const QByteArray bytes = writeJournal(*grid);
    QVERIFY(bytes.startsWith("\xEF\xBB\xBF"));
    const journal::ReadResult result = readJournal(bytes);
    QCOMPARE(rowsOf(result.table), padded(rows, 8));
    QCOMPARE(writeJournal(*gridOf(rowsOf(result.table), result.table.cols)), bytes);
}

void TestJournalFormat::roundTripOfALargeRegister() {
    constexpr int DataRows = 100000;
    Rows rows;
    rows.reserve(DataRows);
    for (int r = 0; r < DataRows; ++r)
        rows << QStringList{QStringLiteral("Владелец %1").arg(r), QStringLiteral("ЭКР"),
                            QString::number(r)};
    auto grid = gridOf(rows, 8);
    const journal::ReadResult result = readJournal(writeJournal(*grid));
    QVERIFY(result.ok());
    QCOMPARE(result.table.rows, DataRows);
    QCOMPARE(result.table.cell(DataRows - 1, 0), QStringLiteral("Владелец 99999"));
    QCOMPARE(result.table.cell(DataRows - 1, 2), QStringLiteral("99999"));
}

void TestJournalFormat::tellsWhichCharactersAFileCanHold_data() {
    QTest::addColumn<QString>("character");
    QTest::addColumn<bool>("holdable");
    QTest::newRow("Latin") << QStringLiteral("z") << true;
    QTest::newRow("Cyrillic") << QStringLiteral("Ж") << true;
    QTest::newRow("ё") << QStringLiteral("ё") << true;
    QTest::newRow("№") << QStringLiteral("№") << true;
    QTest::newRow("euro") << QStringLiteral("€") << true;
    QTest::newRow("tab") << QStringLiteral("\t") << true;
    QTest::newRow("U+0098, the unassigned byte") << QString(QChar(0x98)) << true;
    QTest::newRow("NUL") << QString(QChar(0)) << false;
    QTest::newRow(";") << QStringLiteral(";") << false;
    QTest::newRow("CR") << QStringLiteral("\r") << false;
    QTest::newRow("LF") << QStringLiteral("\n") << false;
    QTest::newRow("é") << QStringLiteral("é") << false;
    QTest::newRow("Chinese") << QStringLiteral("中") << false;
    QTest::newRow("surrogate half") << QString(QChar(0xD83D)) << false;
}

void TestJournalFormat::tellsWhichCharactersAFileCanHold() {
    QFETCH(QString, character);
    QFETCH(bool, holdable);
    QCOMPARE(journal::canHold(character[0]), holdable);
    const QString text = QStringLiteral("ab") + character + QStringLiteral("c");
    QCOMPARE(journal::indexOfUnwritable(text), holdable ? -1 : 2);
    QCOMPARE(journal::dropUnwritable(text), holdable ? text : QStringLiteral("abc"));
    if (holdable)
        QCOMPARE(journal::decodeWindows1251(journal::encodeWindows1251(text)), text);
}

void TestJournalFormat::findsTheFirstCellTheFileCannotHold() {
    auto grid = gridOf({{QStringLiteral("ok")}, {}, {}}, 10);
    QCOMPARE(journal::findUnwritableCell(*grid), std::nullopt);

    grid->setTextMatrix(0, 1, QStringLiteral("a;b")); // the header row is not written
    grid->setTextMatrix(1, 9, QStringLiteral("中"));  // nor are columns past 7
    QCOMPARE(journal::findUnwritableCell(*grid), std::nullopt);

    grid->setTextMatrix(3, 1, QStringLiteral("x;y"));
    grid->setTextMatrix(2, 7, QStringLiteral("line\nbreak"));
    QCOMPARE(journal::findUnwritableCell(*grid), (journal::CellPosition{2, 7}));
}

void TestJournalFormat::findsRowsTooLongToReadBack() {
    // Eight cells and their eight ";" make the line.
    const int longestCells = journal::MaxLineLength - 8;
    auto grid = gridOf({{QString(longestCells, u'x')}, {}}, 8);
    QCOMPARE(journal::findOverlongRow(*grid), std::nullopt);
    QVERIFY(readJournal(writeJournal(*grid)).ok());

    grid->setTextMatrix(2, 3, QString(longestCells - 9, u'y'));
    grid->setTextMatrix(2, 7, QString(10, u'z'));
    QCOMPARE(journal::findOverlongRow(*grid), std::optional<int>(2));
}

QTEST_GUILESS_MAIN(TestJournalFormat)
#include "tst_journalformat.moc"
