#include "editing/journaltextvalidator.h"

#include <QTest>

class TestInputFilter : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // What a journal file cannot hold is left out, typed or pasted; the cursor stays after the
    // same characters it followed.
    void leavesOutWhatTheFileCannotHold_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("pos");
        QTest::addColumn<QString>("kept");
        QTest::addColumn<int>("keptPos");
        QTest::newRow("cell separator") << QStringLiteral("a;b;") << 4 << QStringLiteral("ab") << 2;
        QTest::newRow("pasted") << QStringLiteral("ООО «;\r\nНовая»😀 Заря") << 17
                                << QStringLiteral("ООО «Новая» Заря") << 12;
        QTest::newRow("line breaks")
            << QStringLiteral("a\r\nb\nc\rd") << 5 << QStringLiteral("abcd") << 2;
        QTest::newRow("cp1251") << QStringLiteral("Ёлка № 5 «ООО» – 10€ ©") << 3
                                << QStringLiteral("Ёлка № 5 «ООО» – 10€ ©") << 3;
        QTest::newRow("other alphabets")
            << QStringLiteral("Łódź 東京 Ω") << 9 << QStringLiteral("d  ") << 3;
        QTest::newRow("combining marks")
            << QStringLiteral("Мои\u0306 е\u0308ж") << 7 << QStringLiteral("Мой ёж") << 5;
        // "é" is not in Windows-1251: the mark goes, the letter stays.
        QTest::newRow("mark that joins into a missing letter")
            << QStringLiteral("Cafe\u0301 x") << 6 << QStringLiteral("Cafe x") << 5;
    }
    void leavesOutWhatTheFileCannotHold() {
        QFETCH(QString, text);
        QFETCH(int, pos);
        QFETCH(QString, kept);
        QFETCH(int, keptPos);
        editing::JournalTextValidator validator;
        QCOMPARE(validator.validate(text, pos), QValidator::Acceptable);
        QCOMPARE(text, kept);
        QCOMPARE(pos, keptPos);
    }
};

QTEST_GUILESS_MAIN(TestInputFilter)
#include "tst_inputfilter.moc"
