// Activation dates typed the short way, and what stays as typed.
#include "core/shortdates.h"

#include <QTest>

class TestShortDates : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void forms_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("stored"); // empty: kept as typed
        const auto row = [](const char* typed, const char* stored) {
            QTest::newRow(typed) << QString::fromUtf8(typed) << QString::fromUtf8(stored);
        };
        row("5.3.26", "05.03.2026");
        row("05.03.26", "05.03.2026");
        row("050326", "05.03.2026");
        row("05032026", "05.03.2026");
        row("5/3/2026", "05.03.2026");
        row("5 3 2026", "05.03.2026");
        row("5-3-26", "05.03.2026");
        row("  5.3.26 ", "05.03.2026");
        row("5   3\t26", "05.03.2026");
        row("05.03.2026", "05.03.2026");
        row("29.02.2028", "29.02.2028");
        row("1.1.99", "01.01.2099"); // two digits are this century's
        row("31.12.9999", "31.12.9999");
        row("15.07.2140", "15.07.2140"); // the future is a date too
        row("290224", "29.02.2024");
        // Not dates: left alone.
        row("31.02.26", "");
        row("5.13.26", "");
        row("0.0.0", "");
        row("99999999", "");
        row("29.02.2026", "");
        row("01.01.0000", "");
        row("00.01.26", "");
        row("5.3.", "");
        row("5.3.260", "");
        row("5..3.26", "");
        row("123.3.26", "");
        row("0503260", "");
        row("5326", "");
        row("5.3", "");
        row("5.3.26.1", "");
        row("５.３.２６", ""); // full-width digits are no digits here
        row("5,3,26", "");
        row("5.3.26г", "");
        row("", "");
        row("   ", "");
        row("Не дата", "");
    }
    void forms() {
        QFETCH(QString, typed);
        QFETCH(QString, stored);
        const std::optional<QString> date = core::normalisedDate(typed);
        if (stored.isEmpty())
            QVERIFY2(!date, qPrintable(date.value_or(QString())));
        else
            QCOMPARE(date.value_or(QStringLiteral("(none)")), stored);
    }
};

QTEST_APPLESS_MAIN(TestShortDates)
#include "tst_shortdates.moc"
