#include "exchange/numberformats.h"

#include <QTest>

// A number in a cell of a format, as the import shows it.
class TestNumberFormats : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void shown_data() {
        QTest::addColumn<QString>("code");
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("shown");
        const auto row = [](const char* name, const char* code, double value, const char* shown) {
            QTest::newRow(name) << QString::fromUtf8(code) << value << QString::fromUtf8(shown);
        };
        row("whole", "General", 12345678, "12345678");
        row("large whole", "General", 9007199254740993.0, "9007199254740992");
        row("negative whole", "General", -42, "-42");
        row("fraction", "General", 0.1, "0,1");
        row("long fraction", "General", 1.0 / 3, "0,333333333333333");
        row("tiny", "General", 1.5e-12, "1,5E-12");
        row("two places", "#,##0.00", 1234.5, "1234,50");
        row("rounded away", "0.0", -0.04, "0,0");
        row("leading zeros", "0000000", 123, "0000123");
        row("no integer digit", "#.00", 0.5, ",50");
        row("percent", "0.0%", 0.1234, "12,3%");
        row("quoted text ignored", "0\" шт.\"", 5, "5");
        row("date", "DD.MM.YYYY", 45000, "15.03.2023");
        row("date with locale and time", "[$-419]D MMMM YYYY h:mm", 45000.75, "15.03.2023");
        row("month and year", "mmm-yy", 45000, "15.03.2023");
        row("date out of range", "dd.mm.yyyy", -1, "-1");
        row("time", "h:mm", 0.5, "12:00");
        row("time with seconds", "h:mm:ss", 1.75 + 1.0 / 86400, "18:00:01");
        row("hours past a day", "[h]:mm:ss", 1.75 + 1.0 / 86400, "42:00:01");
        row("hours past a day, capital", "[H]:MM", 2.5, "60:00");
        row("colour and condition", "[Red][<0]0.00;0", -2, "-2,00");
        row("scientific as general", "0.00E+00", 1234.5, "1234,5");
        row("text format", "@", 7, "7");
    }
    void shown() {
        QFETCH(QString, code);
        QFETCH(double, value);
        QFETCH(QString, shown);
        const QByteArray utf8 = code.toUtf8();
        QCOMPARE(exchange::showNumber(
                     value, exchange::parseNumberFormat({utf8.data(), std::size_t(utf8.size())}),
                     QDate(1899, 12, 30)),
                 shown);
    }

    // The formats an .xlsx file names by number alone.
    void builtIn() {
        QCOMPARE(exchange::builtinNumberFormat(14).kind, exchange::NumberFormat::Date);
        QCOMPARE(exchange::builtinNumberFormat(22).kind, exchange::NumberFormat::Date);
        QCOMPARE(exchange::builtinNumberFormat(4).decimals, 2);
        QCOMPARE(exchange::builtinNumberFormat(10).kind, exchange::NumberFormat::Percent);
        QCOMPARE(exchange::builtinNumberFormat(21).kind, exchange::NumberFormat::Time);
        QVERIFY(!exchange::builtinNumberFormat(21).elapsedHours);
        QVERIFY(exchange::builtinNumberFormat(46).elapsedHours);
        QCOMPARE(exchange::builtinNumberFormat(49).kind, exchange::NumberFormat::General);
    }
};

QTEST_GUILESS_MAIN(TestNumberFormats)
#include "tst_numberformats.moc"
