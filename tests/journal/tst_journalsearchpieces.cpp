#include "core/fingerprint.h"
#include "core/journalformat.h"
#include "journal/journalsearch.h"
#include "support/tempfolder.h"

#include <QTest>

namespace {

constexpr qsizetype Cut = core::FilePieceBytes;

QByteArray utf16(const QString& text, bool bigEndian) {
    QByteArray bytes = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
    for (const QChar c : text) {
        const char high = char(c.unicode() >> 8);
        const char low = char(c.unicode() & 0xFF);
        bytes.append(bigEndian ? high : low).append(bigEndian ? low : high);
    }
    return bytes;
}

// Rows of a register, their last one padded so that the text is `length` units long; `rows`
// tells how many.
QString registerOf(qsizetype length, int* rows) {
    const QString row = QStringLiteral("ООО «Ромашка»;ЭКР 2102К;123;0001;;15.03.2009;;Иванов;\r\n");
    QString text;
    *rows = 0;
    while (text.size() + 2 * row.size() <= length) {
        text += row;
        ++*rows;
    }
    text += QString(length - text.size() - 2, u'q') + u"\r\n";
    ++*rows;
    return text;
}

} // namespace

class TestJournalSearchPieces : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // thisyear.csv read in pieces: a row is found wherever the cut between two pieces falls, and
    // numbered as "Открыть журнал" numbers it.
    void findsRowsAcrossPieces_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("needle");
        QTest::addColumn<QStringList>("hits"); // row:cells parted by "|"
        const QString line = QStringLiteral("ИП Щербаков;Меркурий;;\U0001F600;;;;Петров;");
        const QString hit = QStringLiteral("ИП Щербаков|Меркурий||\U0001F600||||Петров");
        int rows = 0;

        // The needle starts three bytes before the cut.
        QString text = registerOf(Cut - 6, &rows);
        QTest::newRow("needle across the cut")
            << cp1251(text + u"ИП Щербаков;Касби;\r\n") << QStringLiteral("щербаков")
            << QStringList{QString::number(rows + 1) + u":ИП Щербаков|Касби||||||"};
        // CR before the cut, LF after it: one line end.
        text = registerOf(Cut + 1, &rows);
        QTest::newRow("CR | LF") << cp1251(text + u"ИП Щербаков;\r\n") << QStringLiteral("Щербаков")
                                 << QStringList{QString::number(rows + 1) + u":ИП Щербаков|||||||"};
        // Matches at both ends of a piece, far apart: the rows between are walked to the last.
        text = registerOf(100000, &rows);
        QTest::newRow("first and last line")
            << cp1251(u"ИП Щербаков;\r\n" + text + u"ИП Щербаков;\r\n")
            << QStringLiteral("щербаков")
            << QStringList{QStringLiteral("1:ИП Щербаков|||||||"),
                           QString::number(rows + 2) + u":ИП Щербаков|||||||"};
        // A NUL byte makes the reader leave it out: the row then holds the name.
        text = registerOf(Cut - 3, &rows);
        QTest::newRow("NUL byte") << cp1251(text) +
                                         QByteArray("\xD9\xE5\xF0\0\xE1\xE0\xEA\xEE\xE2;", 10)
                                  << QStringLiteral("щербаков")
                                  << QStringList{QString::number(rows + 1) + u":Щербаков|||||||"};

        // UTF-16: the needle across the cut; the second hit lies in the second piece.
        text = registerOf((Cut - 2) / 2 - 6, &rows);
        QTest::newRow("UTF-16 across the cut")
            << utf16(text + line + u"\r\nООО;;;;;;;щербаков\r\n", false)
            << QStringLiteral("ЩЕРБАКОВ")
            << QStringList{QString::number(rows + 1) + u':' + hit,
                           QString::number(rows + 2) + u":ООО|||||||щербаков"};
        text = registerOf((Cut - 2) / 2 - 23, &rows);
        // The pair of surrogates in the fourth cell parted by the cut.
        QTest::newRow("UTF-16 big-endian, pair at the cut")
            << utf16(text + line + u"\r\n", true) << QStringLiteral("петров")
            << QStringList{QString::number(rows + 1) + u':' + hit};
        // The reader stops at the line that is too long: nothing below it is found.
        QTest::newRow("UTF-16, below an overlong line")
            << utf16(line + u"\n" + QString(core::MaxLineLength + 1, u'щ') + u"\n" + line, false)
            << QStringLiteral("Щербаков") << QStringList{u"1:" + hit};
    }

    void findsRowsAcrossPieces() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, needle);
        QFETCH(QStringList, hits);
        TempFolder folder;
        folder.write(QStringLiteral("thisyear.csv"), bytes);
        QStringList found;
        for (const journal::JournalHit& hit :
             journal::searchJournals(folder.path(), core::FindText(needle))) {
            QCOMPARE(hit.journal, QStringLiteral("thisyear.csv"));
            found << QString::number(hit.row) + u':' + hit.cells.join(u'|');
        }
        QCOMPARE(found, hits);
    }
};

QTEST_GUILESS_MAIN(TestJournalSearchPieces)
#include "tst_journalsearchpieces.moc"
