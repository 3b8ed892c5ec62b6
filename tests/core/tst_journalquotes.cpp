#include "core/journalformat.h"
#include "core/journaltext.h"
#include "support/tabletexts.h"

#include <QTest>
#include <limits>

namespace {

QByteArray cp1251(const QString& text) {
    return core::encodeWindows1251(text);
}

// The cells the second pass hands out, for the bytes in pieces cut at `cut` (and, when `every`,
// at every byte after it).
class Cells final : public core::LineSink {
public:
    explicit Cells(core::TextEncoding encoding) : encoding_(encoding) {}
    bool take(const core::JournalLine& line) override {
        QStringList cells;
        line.forEachCell(
            [&](int, QByteArrayView cell) { cells << core::decodeText(cell, encoding_); });
        rows << QString::number(line.number) + u':' + cells.join(u'|');
        return true;
    }
    QStringList rows;

private:
    core::TextEncoding encoding_;
};

QStringList walkCut(const QByteArray& bytes, qsizetype cut, bool every) {
    const core::Pieces pieces = [&](const core::PieceTake& take) {
        for (qsizetype from = 0; from < bytes.size();) {
            const qsizetype to = from < cut ? cut : every ? from + 1 : bytes.size();
            take(QByteArrayView(bytes).sliced(from, std::min(to, bytes.size()) - from));
            from = to;
        }
        return true;
    };
    const core::TextScan scan = core::scanText(pieces, true).value();
    Cells cells(scan.cellEncoding());
    core::walkLines(pieces, scan, std::numeric_limits<qsizetype>::max() / 4, cells);
    return cells.rows;
}

// The rows ("|" between cells) as this program writes them.
QByteArray ownFile(const QStringList& rows) {
    core::CellTable table;
    table.resize(int(rows.size()) + 1, core::FileColumns);
    for (int r = 0; r < rows.size(); ++r) {
        const QStringList cells = rows[r].split(u'|');
        for (int c = 0; c < cells.size(); ++c)
            table.setCell(r + 1, c, cells[c]);
    }
    return core::writeJournal(table);
}

// Quotes that never close on lines 3 and 6.
constexpr char TwoUnclosed[] = "\"a\";\"b\nc\";d\nx;\"e;f\n\"g\"\"h\";\"i\nj\"\ny;\"k\n";

} // namespace

class TestJournalQuotes : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void readsQuotingOnlyWhereTheFileShowsIt_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("rows");
        // Calc: every text field quoted, LF, no ";" after the last field, UTF-8.
        const QByteArray calc = QStringLiteral("\"ООО \"\"Ромашка\"\"\";\"ЭКР 2102К\";\"0012\";"
                                               "\"871\";\"0099\";\"15.03.2026\";\"\";\"Иванов\"\n"
                                               "\"ИП Щукин; филиал\";\"М\";\"\";\"\";\"\";\"\";"
                                               "\"\";\"две\nстроки\"\n")
                                    .toUtf8();
        const QString calcRows =
            QStringLiteral("ООО \"Ромашка\"|ЭКР 2102К|0012|871|0099|15.03.2026||Иванов/"
                           "ИП Щукин; филиал|М||||||две\nстроки");
        QTest::newRow("Calc") << calc << calcRows;
        QTest::newRow("Calc, UTF-8 byte-order mark") << "\xEF\xBB\xBF" + calc << calcRows;
        const QString text = QString::fromUtf8(calc);
        QTest::newRow("Calc, UTF-16")
            << "\xFF\xFE" + QByteArray(reinterpret_cast<const char*>(text.utf16()), text.size() * 2)
            << calcRows;
        // Excel: only fields with a quote, ";" or line end quoted, CR LF, Windows-1251; a last
        // empty cell leaves seven ";" and one at the end.
        QTest::newRow("Excel") << cp1251(QStringLiteral("\"ООО \"\"Ромашка\"\"\";ЭКР;1;2;3;"
                                                        "15.03.2026;;\r\n\"a;b\";\"x\r\ny\";"
                                                        "ab\"c\"\r\n"))
                               << QStringLiteral("ООО \"Ромашка\"|ЭКР|1|2|3|15.03.2026/"
                                                 "a;b|x\r\ny|ab\"c\"");
        QTest::newRow("Excel, the last column empty")
            << cp1251(QStringLiteral("\"ООО \"\"Р\"\"\";b;c;d;e;f;g;\r\nx;y;z;1;2;3;4;\r\n"))
            << QStringLiteral("ООО \"Р\"|b|c|d|e|f|g/x|y|z|1|2|3|4");
        // CR alone and mixed line ends, inside quotes and out.
        QTest::newRow("CR only") << QByteArray("\"a;b\";c\r\"d\re\";f\r")
                                 << QStringLiteral("a;b|c/d\re|f");
        QTest::newRow("mixed line ends") << QByteArray("\"x\";y\n\"p\"\"q\";r\r\nz;\"w\"\r\"\"")
                                         << QStringLiteral("x|y/p\"q|r/z|w/");
        // The quote that never closes takes the rest of its line; the lines after read as ever.
        QTest::newRow("a quote that never closes")
            << QByteArray("\"a\";b\nx;\"c;d\"\"e\n\"f\";g\n") << QStringLiteral("a|b/x|c;d\"e/f|g");
        QTest::newRow("two quotes that never close, fields over two lines")
            << QByteArray(TwoUnclosed) << QStringLiteral("a|b\nc|d/x|e;f/g\"h|i\nj/y|k");
        QTest::newRow("on the last line")
            << QByteArray("\"a\";b\nx;\"c;d") << QStringLiteral("a|b/x|c;d");

        // This program's own files are read as they stand, whatever their cells hold ...
        const QStringList own{QStringLiteral("\"R\"|\"a|b\"|||||\"\""),
                              QStringLiteral("\"\"\"\"|\"|\"\"x\"|\"")};
        QTest::newRow("own file") << ownFile(own) << own.join(u'/');
        // ... even with a line as long as the reader takes, which keeps fewer ";".
        const QStringList limit{QStringLiteral("\"R\"|") + QString(core::MaxLineLength - 4, u'z'),
                                QStringLiteral("\"a;b\"").replace(u';', u'|')};
        const QByteArray written = ownFile(limit);
        QVERIFY(written.contains("\"R\";zz") && !written.contains("zz;"));
        QTest::newRow("own file with a line at the limit") << written << limit.join(u'/');
        // No quoting either where a quote closes wrongly, or where none closes at all.
        QTest::newRow("a quote followed by text")
            << QByteArray("\"a\";b\n\"c\"d;e\n") << QStringLiteral("\"a\"|b/\"c\"d|e");
        QTest::newRow("only a quote that never closes")
            << QByteArray("x;\"c;d\ny\n") << QStringLiteral("x|\"c|d/y");
        QTest::newRow("byte-order mark before Windows-1251")
            << QByteArray("\xEF\xBB\xBF\"a\";\xC6\n") << QStringLiteral("п»ї\"a\"|Ж");
    }

    // The file reads to the rows expected, and the same wherever its pieces are cut.
    void readsQuotingOnlyWhereTheFileShowsIt() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, rows);
        const core::ReadResult read = core::readJournal(bytes);
        QVERIFY(read.ok());
        QCOMPARE(rowsOf(read.table), rows);
        const QStringList whole = walkCut(bytes, bytes.size(), false);
        if (bytes.size() > 400)
            return;
        for (qsizetype cut = 1; cut < bytes.size(); ++cut) {
            QCOMPARE(walkCut(bytes, cut, false), whole);
            QCOMPARE(walkCut(bytes, cut, true), whole);
        }
    }

    // The reader tells which quotes never closed, and whether it read the file with quoting.
    void tellsTheQuotesThatNeverClose() {
        const core::ReadResult read = core::readJournal(TwoUnclosed);
        QVERIFY(read.quoted);
        QCOMPARE(read.unclosedQuoteLines, (std::vector<int>{3, 6}));
        QVERIFY(!core::readJournal("x;\"c;d\ny\n").quoted);
    }
};

QTEST_GUILESS_MAIN(TestJournalQuotes)
#include "tst_journalquotes.moc"
