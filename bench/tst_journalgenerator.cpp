#include "core/journaldates.h"
#include "journalgenerator.h"

#include <QDate>
#include <QStringDecoder>
#include <QTest>

namespace {

QDate readDate(const QString& text) {
    return QDate::fromString(text, QStringLiteral("dd.MM.yyyy"));
}

} // namespace

class TestJournalGenerator : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void blockDateIsTheFirstOfTheMonth426DaysOn_data() {
        QTest::addColumn<QDate>("activation");
        QTest::addColumn<QDate>("block");
        QTest::newRow("mid-month") << QDate(2009, 3, 15) << QDate(2010, 5, 1);
        QTest::newRow("end of January") << QDate(2009, 1, 31) << QDate(2010, 4, 1);
        QTest::newRow("leap day") << QDate(2008, 2, 29) << QDate(2009, 4, 1);
        QTest::newRow("into a new year") << QDate(2009, 12, 1) << QDate(2011, 1, 1);
    }
    void blockDateIsTheFirstOfTheMonth426DaysOn() {
        QFETCH(QDate, activation);
        QFETCH(QDate, block);
        QCOMPARE(core::blockDateFor(activation), block);
    }

    void sameSeedSameJournal() {
        const QByteArray first = bench::journalFileBytes(bench::JournalGenerator(7).rows(500));
        QCOMPARE(bench::journalFileBytes(bench::JournalGenerator(7).rows(500)), first);
        QVERIFY(bench::journalFileBytes(bench::JournalGenerator(8).rows(500)) != first);
    }

    // Every line: eight ";"-ended fields, CR LF, Windows-1251 bytes that read back unchanged,
    // a valid activation date with its block date, Cyrillic text.
    void linesFollowTheJournalFormat() {
        constexpr int Rows = 2000;
        const QList<QString> cells = bench::JournalGenerator(42).rows(Rows);
        QCOMPARE(cells.size(), qsizetype(Rows) * bench::JournalFields);
        const QByteArray bytes = bench::journalFileBytes(cells);

        QStringDecoder decoder("windows-1251");
        const QString text = decoder.decode(bytes);
        QVERIFY(!decoder.hasError());
        QCOMPARE(text.size(), bytes.size()); // one byte per character
        QVERIFY(bytes.endsWith("\r\n"));

        const QStringList lines = text.split(QStringLiteral("\r\n"));
        QCOMPARE(lines.size(), Rows + 1);
        QVERIFY(lines.last().isEmpty());
        bool cyrillic = false;
        for (int r = 0; r < Rows; ++r) {
            const QString& line = lines[r];
            QVERIFY2(!line.contains(QLatin1Char('\r')) && !line.contains(QLatin1Char('\n')),
                     qPrintable(line));
            QVERIFY2(line.endsWith(QLatin1Char(';')), qPrintable(line));
            const QStringList fields = line.chopped(1).split(QLatin1Char(';'));
            QCOMPARE(fields.size(), bench::JournalFields);
            for (int c = 0; c < bench::JournalFields; ++c)
                QCOMPARE(fields[c], cells[qsizetype(r) * bench::JournalFields + c]);
            const QDate activation = readDate(fields[5]);
            QVERIFY2(activation.isValid(), qPrintable(line));
            QCOMPARE(readDate(fields[6]), core::blockDateFor(activation));
            for (const QString& field : {fields[0], fields[1], fields[7]}) {
                QVERIFY2(!field.trimmed().isEmpty(), qPrintable(line));
                for (QChar ch : field)
                    cyrillic = cyrillic || ch.script() == QChar::Script_Cyrillic;
            }
        }
        QVERIFY(cyrillic);
    }
};

QTEST_GUILESS_MAIN(TestJournalGenerator)
#include "tst_journalgenerator.moc"
