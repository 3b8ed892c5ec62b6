#include "editing/journaltextvalidator.h"

#include <QLineEdit>
#include <QTest>

class TestInputFilter : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void leavesOutWhatTheFileCannotHold_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("kept");
        QTest::newRow("cell separator") << QStringLiteral("a;b;") << QStringLiteral("ab");
        QTest::newRow("line breaks") << QStringLiteral("a\r\nb\nc\rd") << QStringLiteral("abcd");
        QTest::newRow("Windows-1251 text")
            << QStringLiteral("Ёлка № 5 «ООО» – 10€ ©") << QStringLiteral("Ёлка № 5 «ООО» – 10€ ©");
        QTest::newRow("emoji") << QStringLiteral("Заря 😀!") << QStringLiteral("Заря !");
        QTest::newRow("letters from other alphabets")
            << QStringLiteral("Łódź 東京 Ω") << QStringLiteral("d  ");
        QTest::newRow("combining marks joined")
            << QStringLiteral("Мои\u0306 е\u0308ж") << QStringLiteral("Мой ёж");
    }
    void leavesOutWhatTheFileCannotHold() {
        QFETCH(QString, text);
        QFETCH(QString, kept);
        editing::JournalTextValidator validator;
        QString fixed = text;
        validator.fixup(fixed);
        QCOMPARE(fixed, kept);
        int pos = int(text.size());
        QCOMPARE(validator.validate(text, pos), QValidator::Acceptable);
        QCOMPARE(text, kept);
        QCOMPARE(pos, int(kept.size()));
    }

    void typedCharactersAreLeftOut() {
        QLineEdit edit;
        edit.setValidator(new editing::JournalTextValidator(&edit));
        QTest::keyClicks(&edit, QStringLiteral("ab;c"));
        QCOMPARE(edit.text(), QStringLiteral("abc"));
        QCOMPARE(edit.cursorPosition(), 3);
    }

    void pastedTextKeepsCursorAfterIt() {
        QLineEdit edit;
        edit.setValidator(new editing::JournalTextValidator(&edit));
        edit.setText(QStringLiteral("ООО;Заря"));
        QCOMPARE(edit.text(), QStringLiteral("ОООЗаря"));
        edit.setCursorPosition(3);
        edit.insert(QStringLiteral(" «;\r\nНовая»😀 "));
        QCOMPARE(edit.text(), QStringLiteral("ООО «Новая» Заря"));
        QCOMPARE(edit.cursorPosition(), 12);
    }
};

QTEST_MAIN(TestInputFilter)
#include "tst_inputfilter.moc"
