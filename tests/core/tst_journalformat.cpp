#include "core/fingerprint.h"
#include "core/journalformat.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using core::readJournal;
using core::writeJournal;

namespace {

// The table's rows, each closed by "/", its cells parted by "|" without the empty ones at its end.
QString textOf(const core::CellTable& table) {
    QString text;
    for (int r = 0; r < table.rows(); ++r) {
        QStringList cells;
        for (int c = 0; c < table.cols(); ++c)
            cells << table.cell(r, c).toString();
        while (!cells.isEmpty() && cells.last().isEmpty())
            cells.removeLast();
        text += cells.join(u'|') + u'/';
    }
    return text;
}

} // namespace
class TestJournalFormat : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void readsLinesAndCells_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("cols");
        QTest::addColumn<QString>("text");
        const auto row = [](const char* name, const QByteArray& bytes, int cols, const char* text) {
            QTest::newRow(name) << bytes << cols << QString::fromUtf8(text);
        };
        const QByteArray utf8 = QStringLiteral("ККМ;Иванов;").toUtf8();
        row("0 bytes", "", 8, "");
        // A ";" closes the cell before it: a file as written has eight columns, not nine.
        row("line as written", "a;b;c;d;e;f;g;h;\r\n", 8, "a|b|c|d|e|f|g|h/");
        row("without the last ;", "a;b;c", 8, "a|b|c/");
        row("with the last ;", "a;b;c;", 8, "a|b|c/");
        row("more fields widen every row", "x;\r\n1;2;3;4;5;6;7;8;9;10;11;12;\r\n", 12,
            "x/1|2|3|4|5|6|7|8|9|10|11|12/");
        row(";; is an empty cell", "a;;c;\r\n;b;\r\n;\r\n", 8, "a||c/|b//");
        row("empty line is an empty row", "a;\r\n\r\nb;", 8, "a//b/");
        row("LF, CR and CR LF end lines", "a\nb\rc\r\nd", 8, "a/b/c/d/");
        row("LF CR ends two lines", "a\n\rb", 8, "a//b/");
        // (In this program's shape: elsewhere a quoted field would be a spreadsheet's.)
        row("blanks and quotes are text", " a ;\"b;c\";;;;;;", 8, " a |\"b|c\"/");
        row("Windows-1251", "\xCA\xCA\xCC;\xC8\xE2\xE0\xED\xEE\xE2;", 8, "ККМ|Иванов/");
        row("UTF-8", utf8, 8, "ККМ|Иванов/");
        row("UTF-8 with byte-order mark", "\xEF\xBB\xBF" + utf8, 8, "ККМ|Иванов/");
        row("byte-order mark before Windows-1251", "\xEF\xBB\xBF\xC8\xE2;", 8, "п»їИв/");
        row("NUL bytes left out", QByteArray("a\0;\0\0b;", 8), 8, "a|b/");
    }

    void readsLinesAndCells() {
        QFETCH(QByteArray, bytes);
        QFETCH(int, cols);
        QFETCH(QString, text);
        const core::ReadResult result = core::readJournal(bytes);
        QVERIFY(result.ok());
        QCOMPARE(result.table.cols(), cols);
        QCOMPARE(textOf(result.table), text);
    }

    void refusesLinesAndFilesOverTheLimits() {
        // The longest line is read; one character more is refused, the lines before it kept.
        const QByteArray longest(core::MaxLineLength, 'x');
        QVERIFY(core::readJournal("a;\r\n" + longest + "\r\n").ok());
        core::ReadResult result = core::readJournal("a;\r\nb;\r\n" + longest + "x\r\nc;\r\n");
        QCOMPARE(result.fault, (core::ReadFault{3, core::ReadFault::LineTooLong}));
        QCOMPARE(textOf(result.table), QStringLiteral("a/b/"));
        // Characters are counted, not the two bytes of each Cyrillic letter in UTF-8.
        const QByteArray utf8 = QString(core::MaxLineLength, u'ж').toUtf8();
        QVERIFY(core::readJournal(utf8 + "\r\n").ok());
        QCOMPARE(core::readJournal(utf8 + "ж\r\n").fault,
                 (core::ReadFault{1, core::ReadFault::LineTooLong}));

        // With a megabyte to fill, six rows of 32,767 cells (6 bytes each) do not fit: the wide
        // line is refused, the rows before it kept at their own width. One row fewer fits.
        constexpr qsizetype budget = 1 << 20;
        const int rowsBefore = int(budget / (6 * qsizetype(core::MaxLineLength)));
        const QByteArray wide(core::MaxLineLength, ';');
        result =
            core::readJournal(QByteArray("a;\n").repeated(rowsBefore) + wide + "\nb;\n", budget);
        QCOMPARE(result.fault, (core::ReadFault{rowsBefore + 1, core::ReadFault::OutOfMemory}));
        QCOMPARE(result.table.rows(), rowsBefore);
        QCOMPARE(result.table.cols(), 8);
        result =
            core::readJournal(QByteArray("a;\n").repeated(rowsBefore - 1) + wide + "\n", budget);
        QVERIFY(result.ok());
        QCOMPARE(result.table.cols(), core::MaxLineLength);
    }

    void writesEightFieldsPerRow_data() {
        QTest::addColumn<int>("cols");
        QTest::addColumn<QString>("rows"); // rows parted by "/", cells by "|"
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("header only") << 8 << QString() << QByteArray();
        QTest::newRow("fewer columns get empty fields")
            << 6 << QStringLiteral("1|2|3|4|5|6/|b")
            << QByteArray("1;2;3;4;5;6;;;\r\n;b;;;;;;;\r\n");
        QTest::newRow("columns past 7 are not written")
            << 10 << QStringLiteral("0|1|2|3|4|5|6|7|8|9") << QByteArray("0;1;2;3;4;5;6;7;\r\n");
        QTest::newRow("example row")
            << 8 << QStringLiteral("ООО Ромашка|ЭКР|17|А12|Б34|15.03.2009|01.05.2010|Иванов")
            << QByteArray::fromHex("cecece20d0eeece0f8eae03bddcad03b31373bc031323bc133343b31352e30"
                                   "332e323030393b30312e30352e323031303bc8e2e0edeee23b0d0a");
        // "ЖЁ" and "Ъ«" are, byte for byte, valid UTF-8 for Latin letters: still Windows-1251,
        // since such a file is read as Windows-1251.
        QTest::newRow("bytes that look like UTF-8")
            << 8 << QStringLiteral("2ЖЁ|Ъ«") << QByteArray("2\xC6\xA8;\xDA\xAB;;;;;;;\r\n");
        // "Рё" is, byte for byte, UTF-8 "и": written as UTF-8 with a mark to read back as it was.
        QTest::newRow("bytes that read as UTF-8 Cyrillic")
            << 8 << QStringLiteral("Рё")
            << "\xEF\xBB\xBF" + QStringLiteral("Рё;;;;;;;;\r\n").toUtf8();
        // "яю" at the start are the bytes of a UTF-16 byte-order mark.
        QTest::newRow("bytes that read as UTF-16")
            << 8 << QStringLiteral("яюх")
            << "\xEF\xBB\xBF" + QStringLiteral("яюх;;;;;;;;\r\n").toUtf8();
    }

    void writesEightFieldsPerRow() {
        QFETCH(int, cols);
        QFETCH(QString, rows);
        QFETCH(QByteArray, bytes);
        const QStringList lines = rows.isEmpty() ? QStringList() : rows.split(u'/');
        core::CellTable cells(int(lines.size()) + 1, cols);
        cells.setCell(0, 0, u"header");
        for (int r = 0; r < lines.size(); ++r) {
            const QStringList texts = lines[r].split(u'|');
            for (int c = 0; c < texts.size(); ++c)
                cells.setCell(r + 1, c, texts[c]);
        }
        QCOMPARE(core::writeJournal(cells), bytes);
    }

    // A save writes the journal in pieces of the size files are read in, so that the whole file
    // is never held: every piece but the last is full, and together they are the journal as
    // written whole, also when a journal found to need UTF-8 only at its end is written again.
    void writesInPiecesOfTheReadersSize() {
        for (const QString& text : {QStringLiteral("Иванов И. И."), QStringLiteral("Рё")}) {
            core::CellTable cells(40001, 8);
            for (int r = 1; r < cells.rows(); ++r)
                cells.setCell(r, r % 8, text);
            QByteArray joined;
            QList<qsizetype> sizes;
            int restarts = 0;
            QVERIFY(core::writeJournalInPieces(
                cells,
                [&](QByteArrayView piece) {
                    joined += piece;
                    sizes << piece.size();
                    return true;
                },
                [&] {
                    ++restarts;
                    joined.clear();
                    sizes.clear();
                    return true;
                }));
            QCOMPARE(restarts, text == u"Рё" ? 1 : 0);
            QVERIFY(sizes.size() > 2);
            for (qsizetype i = 0; i + 1 < sizes.size(); ++i)
                QCOMPARE(sizes[i], core::FilePieceBytes);
            QCOMPARE(joined, core::writeJournal(cells));
            const core::ReadResult read = core::readJournal(joined);
            QCOMPARE(read.table.rows(), cells.rows() - 1);
            QCOMPARE(read.table.cell(39999, 40000 % 8), QStringView(text)); // grid row 40000
        }
    }

    // A line up to the limit that has fewer than eight fields opens whole and saves: where
    // padding it to eight ";"-ended cells would pass the limit, the line is padded up to the
    // limit only, and reads back as the same row. k: how much shorter than the limit the line is.
    void savesEveryLineThatOpens_data() {
        QTest::addColumn<int>("fields");
        QTest::addColumn<int>("k");
        QTest::addColumn<bool>("gaps"); // empty cells between the first and the last one
        for (int fields = 1; fields <= core::FileColumns; ++fields)
            for (int k = 0; k <= 9; ++k)
                for (const bool gaps : {false, true})
                    QTest::addRow("%d fields, limit - %d%s", fields, k, gaps ? ", gaps" : "")
                        << fields << k << gaps;
    }

    void savesEveryLineThatOpens() {
        QFETCH(int, fields);
        QFETCH(int, k);
        QFETCH(bool, gaps);
        // Cyrillic "Ив" and digits in short cells, the rest of the line in one long cell: the
        // first one, or with gaps the last one, closed by its ";".
        QList<QByteArray> cells;
        for (int c = 0; c < fields; ++c)
            cells << (gaps && c > 0 && c < fields - 1 ? QByteArray()
                                                      : "\xC8\xE2" + QByteArray::number(c));
        QByteArray& longCell = cells[gaps ? fields - 1 : 0];
        longCell.clear();
        const qsizetype used = cells.join(';').size() + (gaps ? 1 : 0);
        longCell = QByteArray(core::MaxLineLength - k - used, 'x');
        const QByteArray line = cells.join(';') + (gaps ? ";" : "");
        QCOMPARE(line.size(), core::MaxLineLength - k);
        const QByteArray bytes = "a;b;\r\n" + line + "\r\nc;\r\n";

        const core::ReadResult opened = core::readJournal(bytes);
        QVERIFY(opened.ok());
        core::CellTable grid(opened.table.rows() + 1, opened.table.cols());
        for (int r = 0; r < opened.table.rows(); ++r)
            for (int c = 0; c < opened.table.cols(); ++c)
                grid.setCell(r + 1, c, opened.table.cell(r, c));
        QCOMPARE(core::findOverlongRow(grid), std::nullopt);

        const QByteArray written = core::writeJournal(grid);
        QVERIFY(written.startsWith("a;b;;;;;;;\r\n"));
        QVERIFY(written.endsWith("\r\nc;;;;;;;;\r\n"));
        // Eight ";" when they fit, otherwise as many as the limit leaves room for.
        const qsizetype text = line.size() - line.count(';');
        QCOMPARE(written.size() - 12 - 2 - 11,
                 std::min<qsizetype>(text + core::FileColumns, core::MaxLineLength));
        const core::ReadResult reread = core::readJournal(written);
        QVERIFY(reread.ok());
        QCOMPARE(reread.table.cols(), core::FileColumns);
        QCOMPARE(textOf(reread.table), textOf(opened.table));
    }

    // The save check refuses exactly the rows whose text with the ";" their non-empty cells need
    // between them is longer than the limit. Rows parted by "/", cells by "|"; "N*c" stands for
    // N - Max characters c, where Max is the limit.
    void refusesOnlyRowsThatCannotFit_data() {
        QTest::addColumn<QString>("rows");
        QTest::addColumn<int>("overlong"); // 0 for none
        QTest::newRow("the limit in one cell") << QStringLiteral("0*x") << 0;
        QTest::newRow("one character more") << QStringLiteral("a/-1*x|yy/b") << 2;
        QTest::newRow("two cells, one ; between") << QStringLiteral("-1*x|y") << 1;
        QTest::newRow("two cells, no room for the ;") << QStringLiteral("a/0*x|y") << 2;
        QTest::newRow("first and last cells, seven ; fit") << QStringLiteral("-8*x|||||||y") << 0;
        QTest::newRow("first and last cells, one too many") << QStringLiteral("-7*x|||||||y") << 1;
        QTest::newRow("columns past 7 are not counted") << QStringLiteral("-8*x|||||||y|0*z") << 0;
        QTest::newRow("empty cells after the text need no ;") << QStringLiteral("0*x||||||||") << 0;
        QTest::newRow("second of two long rows") << QStringLiteral("-2*x|y/-2*x||y/-3*x||y") << 2;
    }

    void refusesOnlyRowsThatCannotFit() {
        QFETCH(QString, rows);
        QFETCH(int, overlong);
        const QStringList lines = rows.split(u'/');
        core::CellTable grid(int(lines.size()) + 1, 10);
        for (int r = 0; r < lines.size(); ++r) {
            const QStringList texts = lines[r].split(u'|');
            for (int c = 0; c < texts.size(); ++c) {
                const qsizetype star = texts[c].indexOf(u'*');
                grid.setCell(r + 1, c,
                             star < 0 ? texts[c]
                                      : QString(core::MaxLineLength + texts[c].first(star).toInt(),
                                                texts[c].back()));
            }
        }
        QCOMPARE(core::findOverlongRow(grid).value_or(0), overlong);
        if (overlong != 0)
            return;
        // Every row let through is written within the limit and reads back as it was.
        const core::ReadResult reread = core::readJournal(core::writeJournal(grid));
        QVERIFY(reread.ok());
        QCOMPARE(reread.table.rows(), lines.size());
        for (int r = 0; r < lines.size(); ++r)
            for (int c = 0; c < core::FileColumns; ++c)
                QCOMPARE(reread.table.cell(r, c), grid.cell(r + 1, c));
    }

    // A file is read in pieces of 256 KB; whatever falls on the cut (a CR LF, a Cyrillic
    // letter in UTF-8, a long line, a line that is too long), the table is the one the bytes give
    // read whole.
    // The reader sizes its columns from the first lines; lines around that count, and later
    // lines much longer or shorter than the first (or a column empty at first, then filling more
    // than a block), are still read cell for cell.
    void readsEveryCellAroundTheFirstLines_data() {
        QTest::addColumn<int>("lines");
        QTest::addColumn<int>("longAfter");
        QTest::addColumn<int>("thirdFirst");
        QTest::addColumn<int>("thirdAfter");
        QTest::newRow("255 lines") << 255 << 40 << 300 << 1;
        QTest::newRow("256 lines") << 256 << 40 << 300 << 1;
        QTest::newRow("257 lines") << 257 << 40 << 300 << 1;
        QTest::newRow("long texts after the first lines") << 1200 << 1500 << 300 << 1;
        QTest::newRow("lines twice as long after the first") << 30000 << 0 << 20 << 40;
    }

    void readsEveryCellAroundTheFirstLines() {
        QFETCH(int, lines);
        QFETCH(int, longAfter);
        QFETCH(int, thirdFirst);
        QFETCH(int, thirdAfter);
        QByteArray bytes;
        QStringList expected;
        for (int line = 0; line < lines; ++line) {
            const bool early = line < 256;
            // Windows-1251: 0xE6 is "ж".
            const QByteArray first = QByteArray::number(line);
            const QByteArray second =
                early ? QByteArray() : QByteArray(longAfter + line % 7, '\xE6');
            const QByteArray third =
                QByteArray(early ? thirdFirst : thirdAfter + line % 3, char('a' + line % 26));
            bytes += first + ';' + second + ';' + third + ";\r\n";
            expected << QString::fromLatin1(first) + u'|' + QString(second.size(), u'ж') + u'|' +
                            QString::fromLatin1(third);
        }
        const core::ReadResult result = readJournal(bytes);
        QVERIFY(result.ok());
        QCOMPARE(result.table.rows(), lines);
        for (int r = 0; r < lines; ++r) {
            const QString cells = result.table.cell(r, 0).toString() + u'|' +
                                  result.table.cell(r, 1).toString() + u'|' +
                                  result.table.cell(r, 2).toString();
            QVERIFY2(cells == expected[r], qPrintable(QString::number(r)));
        }
    }

    void readsAFileInPiecesAsWhole_data() {
        QTest::addColumn<QByteArray>("atTheCut");
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<int>("before"); // bytes of atTheCut before the cut
        // Long lines keep the row count, and the test's time, down.
        const QByteArray cp1251 =
            QByteArray("\xC8\xE2\xE0\xED\xEE\xE2 ").repeated(30) + ";\xDD\xCA\xD0;";
        const QByteArray utf8 = QStringLiteral("Иванов ").repeated(30).toUtf8() + ";ЭКР;";
        QTest::newRow("CR | LF") << QByteArray("a;b;\r\n") << cp1251 + "\r\n" << 4;
        QTest::newRow("lone CRs, CR | CR") << QByteArray("a;\r\r") << cp1251 + "\r" << 3;
        QTest::newRow("UTF-8 letter cut") << QStringLiteral("жж;\n").toUtf8() << utf8 + "\n" << 3;
        QTest::newRow("UTF-8, invalid after the cut") << QByteArray("x;\xFF;\n") << utf8 + "\n"
                                                      << 2;
        QTest::newRow("line across the cut") << QByteArray(3000, 'y') + "\r\n"
                                             << cp1251 + "\r\n"
                                             << 1500;
        QTest::newRow("overlong line across the cut")
            << QByteArray(4 * core::MaxLineLength + 100, 'z') + "\r\n"
            << cp1251 + "\r\n"
            << 70000;
        QTest::newRow("last line without an end") << QByteArray("tail;\r") << cp1251 + "\r\n" << 6;
    }

    void readsAFileInPiecesAsWhole() {
        QFETCH(QByteArray, atTheCut);
        QFETCH(QByteArray, line);
        QFETCH(int, before);
        QByteArray bytes;
        while (bytes.size() + line.size() <= core::FilePieceBytes - before)
            bytes += line;
        bytes += QByteArray(core::FilePieceBytes - before - bytes.size(), 'q');
        bytes += atTheCut;
        while (bytes.size() < core::FilePieceBytes + 200000)
            bytes += line;
        QTemporaryDir folder;
        const QString path = folder.filePath(QStringLiteral("thisyear.csv"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
        file.close();

        const core::ReadResult whole = core::readJournal(bytes);
        const std::optional<core::FileRead> pieces = core::readJournalFile(path);
        QVERIFY(pieces);
        QCOMPARE(pieces->fingerprint, core::fingerprintOf(bytes));
        const core::ReadResult& read = pieces->result;
        QCOMPARE(read.encoding, whole.encoding);
        QCOMPARE(read.fault, whole.fault);
        QCOMPARE(read.totalLines, whole.totalLines);
        QCOMPARE(read.lastLineFields, whole.lastLineFields);
        QCOMPARE(read.table.rows(), whole.table.rows());
        QCOMPARE(read.table.cols(), whole.table.cols());
        QCOMPARE(textOf(read.table), textOf(whole.table));
    }
};

QTEST_GUILESS_MAIN(TestJournalFormat)
#include "tst_journalformat.moc"
