#include "core/journalformat.h"
#include "support/tabletexts.h"

#include <QTest>

namespace {

QByteArray utf8(const QString& text) {
    return text.toUtf8();
}

} // namespace

class TestJournalSeparator : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void readsTheSeparatorTheFileWasSavedWith_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<char>("separator");
        QTest::addColumn<QString>("rows");
        // Calc's default: ",", text with a comma, quote or line end quoted, LF.
        const QString calc = QStringLiteral(
            "Организация,Модель,Номер ЭКЛЗ,,,Дата активации,,Ответственный\n"
            "\"ООО \"\"Ромашка\"\", филиал\",ЭКР 2102К,0012,871,0099,06.07.2011,,Иванов\n"
            "ИП Щукин,\"Меркурий; 115\",,,,2011-07-06,,\"две\nстроки\"\n");
        const QString calcRows =
            QStringLiteral("Организация|Модель|Номер ЭКЛЗ|||Дата активации||Ответственный/"
                           "ООО \"Ромашка\", филиал|ЭКР 2102К|0012|871|0099|06.07.2011||Иванов/"
                           "ИП Щукин|Меркурий; 115||||2011-07-06||две\nстроки");
        QTest::newRow("Calc, UTF-8") << utf8(calc) << ',' << calcRows;
        QTest::newRow("Calc, byte-order mark, CR LF")
            << "\xEF\xBB\xBF" + utf8(QString(calc).replace(u'\n', QStringLiteral("\r\n"))) << ','
            << QString(calcRows).replace(QStringLiteral("две\nстроки"),
                                         QStringLiteral("две\r\nстроки"));
        QTest::newRow("Calc, Windows-1251") << core::encodeWindows1251(calc) << ',' << calcRows;
        QTest::newRow("unquoted, a title row") << QByteArray("Journal 2025,,\na,b,c\nd,e,f\n")
                                               << ',' << QStringLiteral("Journal 2025/a|b|c/d|e|f");
        QTest::newRow("tab, decimal commas")
            << utf8(QStringLiteral("a\t1,5\tx\nb\t2,5\t\"y\tz\"\n")) << '\t'
            << QStringLiteral("a|1,5|x/b|2,5|y\tz");
        // A ";" file stays one, whatever commas its cells hold.
        QTest::newRow("own journal, commas in its cells")
            << core::encodeWindows1251(
                   QStringLiteral("ООО Ромашка, филиал,1;a,b;c,d;;;;;;\r\nx,y;1,2;;;;;;;\r\n"))
            << ';' << QStringLiteral("ООО Ромашка, филиал,1|a,b|c,d/x,y|1,2");
        // Cells of its own that begin with '"' and hold tabs: quotes never hide its ";".
        QTest::newRow("own journal, quotes and tabs in its cells")
            << QByteArray("\"a\"\t\"b;;;;;;;;\r\n\"c\"\t\"d;;;;;;;;\r\n") << ';'
            << QStringLiteral("\"a\"\t\"b/\"c\"\t\"d");
        QTest::newRow("Calc with \";\"")
            << QByteArray("\"a,b\";c,d\ne,f;\"g;h\"\n") << ';' << QStringLiteral("a,b|c,d/e,f|g;h");
        QTest::newRow("one \";\" outside quotes") << QByteArray("a,b,c\nd,e;f,g\nh,i,j\n") << ';'
                                                  << QStringLiteral("a,b,c/d,e|f,g/h,i,j");
        QTest::newRow("commas in prose")
            << QByteArray("one, two\nthree\nfour, five, six\nseven\n") << ';'
            << QStringLiteral("one, two/three/four, five, six/seven");
    }

    // The file reads with its separator.
    void readsTheSeparatorTheFileWasSavedWith() {
        QFETCH(QByteArray, bytes);
        QFETCH(char, separator);
        QFETCH(QString, rows);
        const core::ReadResult read = core::readJournal(bytes);
        QVERIFY(read.ok());
        QCOMPARE(read.separator, separator);
        QCOMPARE(rowsOf(read.rows), rows);
    }

    // Only the first lines tell the separator: a ";" far below does not make a comma file one.
    void looksAtTheFirstLinesOnly() {
        QByteArray bytes;
        for (int i = 0; i < 60; ++i)
            bytes += "a,b,c\n";
        const core::ReadResult comma = core::readJournal(bytes + "x;y\n");
        QCOMPARE(comma.separator, ',');
        QCOMPARE(comma.rows.size(), 61);
        QCOMPARE(comma.rows[60][0], QStringLiteral("x;y"));
        QCOMPARE(core::readJournal("x;y\n" + bytes).separator, ';');
    }

    // A journal whose every line is one cell filling the longest line (no room left for a ";")
    // reads back as it was written, whatever commas or tabs those cells hold.
    void ownLinesFilledByOneCellStayOwn() {
        for (const char* piece : {"a,b,", "a\tb\t"}) {
            const QString cell =
                QString::fromLatin1(piece).repeated(core::MaxLineLength).left(core::MaxLineLength);
            QList<QStringList> rows;
            for (int r = 0; r < 3; ++r) {
                rows << QStringList(core::FileColumns);
                rows.last()[0] = cell;
            }
            const core::ReadResult read = core::readJournal(core::writeJournal(rows));
            QVERIFY(read.ok());
            QCOMPARE(read.separator, ';');
            QCOMPARE(read.rows, rows);
        }
    }
};

QTEST_GUILESS_MAIN(TestJournalSeparator)
#include "tst_journalseparator.moc"
