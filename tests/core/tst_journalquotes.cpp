#include "core/journalformat.h"
#include "support/tabletexts.h"

#include <QTest>

namespace {

QByteArray cp1251(const QString& text) {
    return core::encodeWindows1251(text);
}

// The rows ("|" between cells) as this program writes them.
QByteArray ownFile(const QStringList& rows) {
    QList<QStringList> table;
    for (const QString& row : rows)
        table << row.split(u'|');
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

    // The file reads to the rows expected.
    void readsQuotingOnlyWhereTheFileShowsIt() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, rows);
        const core::ReadResult read = core::readJournal(bytes);
        QVERIFY(read.ok());
        QCOMPARE(rowsOf(read.rows), rows);
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
