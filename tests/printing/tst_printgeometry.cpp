#include "printing/printgeometry.h"
#include "printing/recordingsurface.h"
#include "printing/textfit.h"

#include <QTest>

using namespace printout;

Q_DECLARE_METATYPE(std::vector<int>)

// The measures of the printout that need no page: rounding, units, text room, pages and the
// fitting of texts into their room. (Rule positions are checked on the printout itself.)
class TestPrintGeometry : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void halvesRoundToEven_data();
    void halvesRoundToEven();
    void unitsComeFromThePageSize();
    void textEndsAtTheNextRuleToItsRight_data();
    void textEndsAtTheNextRuleToItsRight();
    void pagesHold36RowsThen38_data();
    void pagesHold36RowsThen38();
    void textsShrinkThenAreCut_data();
    void textsShrinkThenAreCut();
};

void TestPrintGeometry::halvesRoundToEven_data() {
    QTest::addColumn<double>("value");
    QTest::addColumn<int>("rounded");
    QTest::newRow("74.5 down to even") << 74.5 << 74;
    QTest::newRow("27.5 up to even") << 27.5 << 28;
    QTest::newRow("144.5") << 144.5 << 144;
    QTest::newRow("below half") << 168.38 << 168;
    QTest::newRow("above half") << 238.51 << 239;
    QTest::newRow("negative half") << -2.5 << -2;
    QTest::newRow("whole") << 62.0 << 62;
}

void TestPrintGeometry::halvesRoundToEven() {
    QFETCH(double, value);
    QFETCH(int, rounded);
    QCOMPARE(roundHalfEven(value), rounded);
}

void TestPrintGeometry::unitsComeFromThePageSize() {
    const PageUnits a4 = pageUnits(16838, 11906);
    QCOMPARE(a4.column, 168);
    QCOMPARE(a4.line, 238);
    // 16850 × 0.01 is a half: it goes to the even 168, not up to 169.
    QCOMPARE(pageUnits(16850, 11925).column, 168);
    QCOMPARE(pageUnits(16850, 11925).line, 238);
    const PageUnits letter = pageUnits(15840, 12240);
    QCOMPARE(letter.column, 158);
    QCOMPARE(letter.line, 245);
}

void TestPrintGeometry::textEndsAtTheNextRuleToItsRight_data() {
    QTest::addColumn<std::vector<int>>("rules");
    QTest::addColumn<std::vector<int>>("limits");
    QTest::newRow("eight: the last column runs on to 88")
        << std::vector<int>{4, 14, 24, 31, 40, 48, 55, 62, 62}
        << std::vector<int>{14, 24, 31, 40, 48, 55, 62, 88};
    QTest::newRow("seven: the closing rule ends the last column")
        << std::vector<int>{4, 16, 28, 36, 46, 55, 63, 71}
        << std::vector<int>{16, 28, 36, 46, 55, 63, 71};
    QTest::newRow("nine: columns on one rule share its room")
        << std::vector<int>{4, 13, 22, 28, 36, 43, 49, 55, 55, 55}
        << std::vector<int>{13, 22, 28, 36, 43, 49, 55, 88, 88};
    QTest::newRow("two") << std::vector<int>{4, 74, 144} << std::vector<int>{74, 144};
    QTest::newRow("one") << std::vector<int>{4, 4} << std::vector<int>{88};
    QTest::newRow("rules that stay put before a step")
        << std::vector<int>{4, 4, 4, 5, 5} << std::vector<int>{5, 5, 5, 88};
}

void TestPrintGeometry::textEndsAtTheNextRuleToItsRight() {
    QFETCH(std::vector<int>, rules);
    QFETCH(std::vector<int>, limits);
    QCOMPARE(textLimits(rules), limits);
}

void TestPrintGeometry::pagesHold36RowsThen38_data() {
    QTest::addColumn<int>("dataRows");
    QTest::addColumn<int>("pages");
    QTest::newRow("empty") << 0 << 1;
    QTest::newRow("1") << 1 << 1;
    QTest::newRow("36") << 36 << 1;
    QTest::newRow("37") << 37 << 2;
    QTest::newRow("74") << 74 << 2;
    QTest::newRow("75") << 75 << 3;
    QTest::newRow("112") << 112 << 3;
    QTest::newRow("113") << 113 << 4;
    QTest::newRow("32767") << 32767 << 863;
}

void TestPrintGeometry::pagesHold36RowsThen38() {
    QFETCH(int, dataRows);
    QFETCH(int, pages);
    QCOMPARE(pageCount(dataRows), pages);
}

// The recording surface measures n characters at p points as n × p × 10 twips.
void TestPrintGeometry::textsShrinkThenAreCut_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("room");
    QTest::addColumn<QString>("printed");
    QTest::addColumn<double>("points");
    const QString eleven = QStringLiteral("А").repeated(11);
    QTest::newRow("fits") << eleven << 1142.4 << eleven << 10.0;
    QTest::newRow("exactly fills")
        << QStringLiteral("Б").repeated(10) << 1000.0 << QStringLiteral("Б").repeated(10) << 10.0;
    QTest::newRow("one half point smaller")
        << QStringLiteral("В").repeated(44) << 4334.4 << QStringLiteral("В").repeated(44) << 9.5;
    QTest::newRow("much smaller") << QStringLiteral("Г").repeated(14) << 1142.4
                                  << QStringLiteral("Г").repeated(14) << 8.0;
    QTest::newRow("down to 6 points")
        << QStringLiteral("Д").repeated(19) << 1142.4 << QStringLiteral("Д").repeated(19) << 6.0;
    QTest::newRow("cut at 6 points")
        << QStringLiteral("Е").repeated(20) << 1142.4 << QStringLiteral("Е").repeated(19) << 6.0;
    QTest::newRow("cut far") << QStringLiteral("Ж").repeated(100) << 4334.4
                             << QStringLiteral("Ж").repeated(72) << 6.0;
    QTest::newRow("trailing blanks take no room") << QStringLiteral("Владелец           ") << 1000.0
                                                  << QStringLiteral("Владелец           ") << 10.0;
    QTest::newRow("cut inside a text with blanks")
        << QStringLiteral("Зав. № ЭКЛЗ    ") << 330.0 << QStringLiteral("Зав. ") << 6.0;
    QTest::newRow("no room") << QStringLiteral("З") << 0.0 << QString() << 6.0;
    QTest::newRow("no pair of surrogates is split")
        << (QStringLiteral("ИИИ") + QString::fromUcs4(U"\U0001F600")) << 250.0
        << QStringLiteral("ИИИ") << 6.0;
}

void TestPrintGeometry::textsShrinkThenAreCut() {
    QFETCH(QString, text);
    QFETCH(double, room);
    QFETCH(QString, printed);
    QFETCH(double, points);
    RecordingSurface surface;
    const FittedText fitted = fitText(surface, text, room, 10, 6);
    QCOMPARE(fitted.text, printed);
    QCOMPARE(fitted.points, points);
}

QTEST_GUILESS_MAIN(TestPrintGeometry)
#include "tst_printgeometry.moc"
