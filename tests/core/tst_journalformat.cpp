#include "core/fingerprint.h"
#include "core/journalcolumns.h"
#include "core/journalformat.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using core::readJournal;
using core::writeJournal;

namespace {

// The rows, each closed by "/", its cells parted by "|" without the empty ones at its end.
QString textOf(const QList<QStringList>& rows) {
    QString text;
    for (QStringList cells : rows) {
        while (!cells.isEmpty() && cells.last().isEmpty())
            cells.removeLast();
        text += cells.join(u'|') + u'/';
    }
    return text;
}

// How many cells each row has (eight without rows); -1 when they differ.
int colsOf(const QList<QStringList>& rows) {
    const int cols = rows.isEmpty() ? core::FileColumns : int(rows.first().size());
    for (const QStringList& row : rows)
        if (row.size() != cols)
            return -1;
    return cols;
}

// Rows parted by "/", cells by "|", each row of `cols` cells.
QList<QStringList> rowsFrom(const QString& text, int cols) {
    QList<QStringList> rows;
    for (const QString& line : text.split(u'/', Qt::SkipEmptyParts)) {
        QStringList cells = line.split(u'|');
        cells.resize(cols);
        rows << cells;
    }
    return rows;
}

QByteArray utf16(const QString& text, bool bigEndian) {
    QByteArray bytes;
    for (const QChar c : text) {
        const char high = char(c.unicode() >> 8);
        const char low = char(c.unicode() & 0xFF);
        bytes.append(bigEndian ? high : low).append(bigEndian ? low : high);
    }
    return bytes;
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
        QCOMPARE(colsOf(result.rows), cols);
        QCOMPARE(textOf(result.rows), text);
    }

    // Each encoding read, NUL bytes left out and counted.
    void readsEveryEncoding_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<core::TextEncoding>("encoding");
        QTest::addColumn<qsizetype>("nulBytes");
        QTest::addColumn<QString>("text");
        using core::TextEncoding;
        const auto row = [](const char* name, const QByteArray& bytes, core::TextEncoding encoding,
                            qsizetype nuls, const QString& text) {
            QTest::newRow(name) << bytes << encoding << nuls << text;
        };
        row("CR LF, lone LF and CR, no last end", "a;b\r\nc;\r\n\r\nd\ne\rf;;",
            TextEncoding::Windows1251, 0, QStringLiteral("a|b/c//d/e/f/"));
        row("UTF-8 byte-order mark left out", "\xEF\xBB\xBF" + QStringLiteral("Жж;a\r\nb").toUtf8(),
            TextEncoding::Utf8, 0, QStringLiteral("Жж|a/b/"));
        row("byte-order mark after NUL bytes", QByteArray("\0\0\xEF\xBB\xBFz;\0", 8),
            TextEncoding::Utf8, 3, QStringLiteral("z/"));
        row("byte-order mark before Windows-1251", "\xEF\xBB\xBF\xC6;\r\n",
            TextEncoding::Windows1251, 0, QStringLiteral("п»їЖ/"));
        row("UTF-16, a pair of surrogates",
            "\xFF\xFE" + utf16(QStringLiteral("Ж;\U0001F600;\r\nb") + QChar(0) + u'c', false),
            TextEncoding::Utf16, 1, QStringLiteral("Ж|\U0001F600/bc/"));
        // Qt leaves out a second mark at the start; one further on is text.
        row("UTF-16 big-endian, marks",
            "\xFE\xFF" + utf16(QStringLiteral("\uFEFFa\uFEFF;\nb"), true), TextEncoding::Utf16, 0,
            QStringLiteral("a\uFEFF/b/"));
        row("UTF-16, a lone surrogate and an odd last byte",
            QByteArray("\xFF\xFE"
                       "a\0\x00\xD8;\0b",
                       9),
            TextEncoding::Utf16, 0, QStringLiteral("a?|\uFFFD/"));
        row("too short for a mark", "\xFF", TextEncoding::Windows1251, 0, QStringLiteral("я/"));
    }

    void readsEveryEncoding() {
        QFETCH(QByteArray, bytes);
        QFETCH(core::TextEncoding, encoding);
        QFETCH(qsizetype, nulBytes);
        QFETCH(QString, text);
        const core::ReadResult result = core::readJournal(bytes);
        QVERIFY(result.ok());
        QCOMPARE(result.encoding, encoding);
        QCOMPARE(result.droppedNulBytes, nulBytes);
        QCOMPARE(textOf(result.rows), text);
    }

    void refusesLinesAndFilesOverTheLimits() {
        // The longest line is read; one character more is refused, the lines before it kept.
        const QByteArray longest(core::MaxLineLength, 'x');
        QVERIFY(core::readJournal("a;\r\n" + longest + "\r\n").ok());
        core::ReadResult result = core::readJournal("a;\r\nb;\r\n" + longest + "x\r\nc;\r\n");
        QCOMPARE(result.fault, (core::ReadFault{3, core::ReadFault::LineTooLong}));
        QCOMPARE(textOf(result.rows), QStringLiteral("a/b/"));
        QCOMPARE(result.totalLines, 4);
        QCOMPARE(result.lastLineFields, 1);
        // Characters are counted, not the two bytes of each Cyrillic letter in UTF-8.
        const QByteArray utf8 = QString(core::MaxLineLength, u'ж').toUtf8();
        QVERIFY(core::readJournal(utf8 + "\r\n").ok());
        QCOMPARE(core::readJournal(utf8 + "ж\r\n").fault,
                 (core::ReadFault{1, core::ReadFault::LineTooLong}));

        // With eight megabytes to fill, five rows of 32,767 cells do not fit: the wide line is
        // refused, the rows before it kept at their own width. One row fewer fits.
        constexpr qsizetype budget = 8 << 20;
        const int rowsBefore = int(budget / (core::ReaderCellBytes * core::MaxLineLength));
        QCOMPARE(rowsBefore, 4);
        const QByteArray wide(core::MaxLineLength, ';');
        result =
            core::readJournal(QByteArray("a;\n").repeated(rowsBefore) + wide + "\nb;\n", budget);
        QCOMPARE(result.fault, (core::ReadFault{rowsBefore + 1, core::ReadFault::OutOfMemory}));
        QCOMPARE(result.rows.size(), rowsBefore);
        QCOMPARE(colsOf(result.rows), 8);
        result =
            core::readJournal(QByteArray("a;\n").repeated(rowsBefore - 1) + wide + "\n", budget);
        QVERIFY(result.ok());
        QCOMPARE(colsOf(result.rows), core::MaxLineLength);
        // A row of eight cells and its text counts ReaderCellBytes a cell and two bytes a
        // character: two such rows fit, a third does not.
        result = core::readJournal("a\nb\nc\n", 2 * 8 * core::ReaderCellBytes + 2 * 2);
        QCOMPARE(result.fault, (core::ReadFault{3, core::ReadFault::OutOfMemory}));
        QCOMPARE(textOf(result.rows), QStringLiteral("a/b/"));
    }

    void writesEightFieldsPerRow_data() {
        QTest::addColumn<int>("cols");
        QTest::addColumn<QString>("rows"); // rows parted by "/", cells by "|"
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("no rows") << 8 << QString() << QByteArray();
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
        QCOMPARE(core::writeJournal(rowsFrom(rows, cols)), bytes);
        // Rows of their own lengths read alike.
        QList<QStringList> ragged = rowsFrom(rows, cols);
        for (QStringList& row : ragged)
            while (!row.isEmpty() && row.last().isEmpty())
                row.removeLast();
        QCOMPARE(core::writeJournal(ragged), bytes);
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
        QCOMPARE(core::findOverlongRow(opened.rows), std::nullopt);

        const QByteArray written = core::writeJournal(opened.rows);
        QVERIFY(written.startsWith("a;b;;;;;;;\r\n"));
        QVERIFY(written.endsWith("\r\nc;;;;;;;;\r\n"));
        // Eight ";" when they fit, otherwise as many as the limit leaves room for.
        const qsizetype text = line.size() - line.count(';');
        QCOMPARE(written.size() - 12 - 2 - 11,
                 std::min<qsizetype>(text + core::FileColumns, core::MaxLineLength));
        const core::ReadResult reread = core::readJournal(written);
        QVERIFY(reread.ok());
        QCOMPARE(colsOf(reread.rows), core::FileColumns);
        QCOMPARE(textOf(reread.rows), textOf(opened.rows));
    }

    // The save check refuses exactly the rows whose text with the ";" their non-empty cells need
    // between them is longer than the limit. Rows parted by "/", cells by "|"; "N*c" stands for
    // N + Max characters c, where Max is the limit.
    void refusesOnlyRowsThatCannotFit_data() {
        QTest::addColumn<QString>("rows");
        QTest::addColumn<int>("overlong"); // 1-based, 0 for none
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
        QList<QStringList> grid = rowsFrom(rows, 10);
        for (QStringList& row : grid)
            for (QString& text : row)
                if (const qsizetype star = text.indexOf(u'*'); star >= 0)
                    text = QString(core::MaxLineLength + text.first(star).toInt(), text.back());
        const std::optional<int> found = core::findOverlongRow(grid);
        QCOMPARE(found ? *found + 1 : 0, overlong);
        if (overlong != 0)
            return;
        // Every row let through is written within the limit and reads back as it was.
        const core::ReadResult reread = core::readJournal(core::writeJournal(grid));
        QVERIFY(reread.ok());
        QCOMPARE(reread.rows.size(), grid.size());
        for (int r = 0; r < grid.size(); ++r)
            QCOMPARE(reread.rows[r], grid[r].first(core::FileColumns));
    }

    // The save check names the first cell, row by row, holding a character no file can hold;
    // columns past 7 are not written, so not looked at.
    void findsTheFirstUnwritableCell() {
        QList<QStringList> rows = rowsFrom(QStringLiteral("a|b/c|d|e/f"), 9);
        QCOMPARE(core::findUnwritableCell(rows), std::nullopt);
        rows[2][8] = QStringLiteral("\u4E2D");
        QCOMPARE(core::findUnwritableCell(rows), std::nullopt);
        rows[2][0] = QStringLiteral("a;b");
        rows[1][7] = QStringLiteral("\u4E2D");
        QCOMPARE(core::findUnwritableCell(rows), std::optional(core::CellPosition{1, 7}));
        rows[1].resize(3);
        QCOMPARE(core::findUnwritableCell(rows), std::optional(core::CellPosition{2, 0}));
    }

    // A file reads as its bytes do; its fingerprint is that of its bytes, which are kept when
    // asked for; a file that cannot be read gives nothing.
    void readsAFileAsItsBytes() {
        const QByteArray bytes =
            "\xC8\xE2;b;\r\n" + QByteArray(core::MaxLineLength + 1, 'x') + "\r\n";
        QTemporaryDir folder;
        const QString path = folder.filePath(QStringLiteral("thisyear.csv"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadWrite) && file.write(bytes) == bytes.size() &&
                file.flush());

        const core::ReadResult whole = core::readJournal(bytes);
        const std::optional<core::FileRead> kept =
            core::readJournalFile(file.handle(), 1 << 30, true);
        QVERIFY(kept);
        QCOMPARE(kept->bytes, bytes);
        QCOMPARE(kept->fingerprint, core::fingerprintOf(bytes));
        QCOMPARE(kept->result.fault, whole.fault);
        QCOMPARE(kept->result.totalLines, 2);
        QCOMPARE(textOf(kept->result.rows), QStringLiteral("Ив|b/"));
        const std::optional<core::FileRead> read = core::readJournalFile(path);
        QVERIFY(read && read->bytes.isEmpty());
        QCOMPARE(read->fingerprint, kept->fingerprint);
        QCOMPARE(textOf(read->result.rows), textOf(whole.rows));
        // Rows: its lines, also those past the fault.
        QCOMPARE(core::countJournalRows(file.handle()), 2);
        QVERIFY(!core::readJournalFile(folder.filePath(QStringLiteral("none.csv"))));
    }
};

QTEST_GUILESS_MAIN(TestJournalFormat)
#include "tst_journalformat.moc"
