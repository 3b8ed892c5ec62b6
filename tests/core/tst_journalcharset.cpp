#include "core/journalcharset.h"

#include <QRandomGenerator>
#include <QStringDecoder>
#include <QTest>

using core::TextEncoding;
class TestJournalCharset : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // Where the converter has a character for a byte, ours reads the same one; elsewhere (0x98) it
    // keeps the byte's value.
    void readsWhatQtsConverterReads() {
        QStringDecoder decoder("windows-1251");
        if (!decoder.isValid())
            QSKIP("this Qt has no Windows-1251 converter to compare with");
        QByteArray bytes(256, '\0');
        for (int b = 0; b < 256; ++b)
            bytes[b] = char(b);
        const QString expected = decoder.decode(bytes);
        const QString actual = core::decodeWindows1251(bytes);
        QCOMPARE(expected.size(), 256);
        for (int b = 0; b < 256; ++b)
            QCOMPARE(actual[b],
                     expected[b] == QChar::ReplacementCharacter ? QChar(b) : expected[b]);
    }

    // Decoded eight bytes at a time, bytes decode as one by one, wherever the Cyrillic ones fall.
    void decodesAsByteByByte() {
        QRandomGenerator random(20091215);
        const char alphabet[] = {'a', ';', '\r', '\n', '\xDF', '7', '\x98'};
        for (int round = 0; round < 3000; ++round) {
            QByteArray bytes;
            const int length = int(random.bounded(90));
            for (int i = 0; i < length; ++i)
                bytes += alphabet[random.bounded(int(sizeof alphabet))];
            QString oneByOne;
            for (const char byte : bytes)
                oneByOne += core::decodeWindows1251(QByteArrayView(&byte, 1));
            QCOMPARE(core::decodeWindows1251(bytes), oneByOne);
        }
    }

    void detectsUtf8_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("utf8");
        const QByteArray ivanov = QStringLiteral("Иванов").toUtf8();
        QTest::newRow("ASCII only") << QByteArray("a;b;15.03.2009;\r\n") << false;
        QTest::newRow("Windows-1251 Cyrillic") << QByteArray("\xC8\xE2\xE0\xED\xEE\xE2;") << false;
        QTest::newRow("UTF-8 Cyrillic") << ivanov + ';' << true;
        QTest::newRow("byte-order mark only") << QByteArray("\xEF\xBB\xBF") << true;
        QTest::newRow("four-byte character, no Cyrillic")
            << QByteArray("a\xF0\x9F\x98\x80;") << false;
        QTest::newRow("four-byte character with a mark") << QByteArray("\xEF\xBB\xBF"
                                                                       "a\xF0\x9F\x98\x80;")
                                                         << true;
        // Windows-1251 "ЖЁ" and "Ъ«" are valid UTF-8 for Latin letters: read as Windows-1251.
        QTest::newRow("Windows-1251 look-alike") << QByteArray("2\xC6\xA8;\xDA\xAB;") << false;
        // Windows-1251 "Рё" is UTF-8 "и": the one look-alike that stays UTF-8, which is why the
        // writer marks such a journal.
        QTest::newRow("look-alike reading as Cyrillic") << QByteArray("\xD0\xB8;") << true;
        QTest::newRow("after a long ASCII run") << QByteArray(1000, 'x') + ivanov << true;
        QTest::newRow("across eight-byte steps") << QByteArray(7, 'x') + ivanov << true;
        QTest::newRow("UTF-8 then a Windows-1251 byte") << ivanov + QByteArray("\xC8") << false;
        QTest::newRow("overlong form of /") << QByteArray("a\xC0\xAF") << false;
        QTest::newRow("overlong three bytes") << QByteArray("\xE0\x80\xAF") << false;
        QTest::newRow("surrogate") << QByteArray("\xED\xA0\x80") << false;
        QTest::newRow("past U+10FFFF") << QByteArray("\xF4\x90\x80\x80") << false;
        QTest::newRow("lone continuation byte") << QByteArray("\xB9 5") << false;
        QTest::newRow("lead byte F5") << QByteArray("\xF5\x80\x80\x80") << false;
    }

    void detectsUtf8() {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, utf8);
        QCOMPARE(core::detectEncoding(bytes),
                 utf8 ? core::TextEncoding::Utf8 : core::TextEncoding::Windows1251);
    }
};

QTEST_GUILESS_MAIN(TestJournalCharset)
#include "tst_journalcharset.moc"
