#include "journal/journalcharset.h"

#include <QSet>
#include <QStringDecoder>
#include <QTest>

using journal::TextEncoding;

namespace {

QByteArray allBytes() {
    QByteArray bytes(256, '\0');
    for (int b = 0; b < 256; ++b)
        bytes[b] = char(b);
    return bytes;
}

} // namespace

class TestJournalCharset : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void everyByteComesBackAsItself();
    void readsWhatQtsConverterReads();
    void charactersWithoutAByteBecomeQuestionMarks();
    void detectsUtf8_data();
    void detectsUtf8();
};

void TestJournalCharset::everyByteComesBackAsItself() {
    const QByteArray bytes = allBytes();
    const QString text = journal::decodeWindows1251(bytes);
    QCOMPARE(text.size(), 256);
    QCOMPARE(text[0x98], QChar(0x98));
    QCOMPARE(journal::encodeWindows1251(text), bytes);
    // Each byte is a character of its own, and every one of them but the file's structure and
    // NUL may stand in a cell.
    QCOMPARE(QSet<QChar>(text.begin(), text.end()).size(), 256);
    for (int b = 0; b < 256; ++b) {
        const bool reserved = b == ';' || b == '\r' || b == '\n' || b == 0;
        QVERIFY2(journal::canHold(text[b]) != reserved, qPrintable(QString::number(b, 16)));
    }
}

void TestJournalCharset::readsWhatQtsConverterReads() {
    QStringDecoder decoder("windows-1251");
    if (!decoder.isValid())
        QSKIP("this Qt has no Windows-1251 converter to compare with");
    const QString expected = decoder.decode(allBytes());
    const QString actual = journal::decodeWindows1251(allBytes());
    QCOMPARE(expected.size(), 256);
    for (int b = 0; b < 256; ++b) {
        // Where the converter has no character for the byte, ours keeps the byte's value.
        if (expected[b] == QChar::ReplacementCharacter)
            QCOMPARE(actual[b], QChar(b));
        else
            QCOMPARE(actual[b], expected[b]);
    }
}

void TestJournalCharset::charactersWithoutAByteBecomeQuestionMarks() {
    const QString text = QStringLiteral("Ωé") + QChar(0xD83D) + QStringLiteral("№");
    QCOMPARE(journal::encodeWindows1251(text), QByteArray("???\xB9"));
    QCOMPARE(journal::indexOfUnwritable(text), 0);
}

void TestJournalCharset::detectsUtf8_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("utf8");

    const QByteArray ivanov = QStringLiteral("Иванов").toUtf8();
    QTest::newRow("empty") << QByteArray() << false;
    QTest::newRow("ASCII only") << QByteArray("a;b;15.03.2009;\r\n") << false;
    QTest::newRow("Windows-1251 Cyrillic") << QByteArray("\xC8\xE2\xE0\xED\xEE\xE2;") << false;
    QTest::newRow("UTF-8 Cyrillic") << ivanov + ';' << true;
    QTest::newRow("byte-order mark only") << QByteArray("\xEF\xBB\xBF") << true;
    QTest::newRow("byte-order mark and ASCII") << QByteArray("\xEF\xBB\xBF"
                                                             "a;b;")
                                               << true;
    QTest::newRow("four-byte character") << QByteArray("a\xF0\x9F\x98\x80;") << true;
    QTest::newRow("after a long ASCII run")
        << QByteArray(1000, 'x') + ivanov + QByteArray(13, 'y') << true;
    QTest::newRow("sequence across eight-byte steps") << QByteArray(7, 'x') + ivanov << true;
    QTest::newRow("UTF-8 then a Windows-1251 byte") << ivanov + QByteArray("\xC8") << false;
    QTest::newRow("cut at the end") << ivanov.chopped(1) << false;
    QTest::newRow("overlong form of /") << QByteArray("a\xC0\xAF") << false;
    QTest::newRow("overlong three bytes") << QByteArray("\xE0\x80\xAF") << false;
    QTest::newRow("surrogate") << QByteArray("\xED\xA0\x80") << false;
    QTest::newRow("past U+10FFFF") << QByteArray("\xF4\x90\x80\x80") << false;
    QTest::newRow("lone continuation byte") << QByteArray("\xB9 5") << false;
    QTest::newRow("lead byte F5") << QByteArray("\xF5\x80\x80\x80") << false;
}

void TestJournalCharset::detectsUtf8() {
    QFETCH(QByteArray, bytes);
    QFETCH(bool, utf8);
    QCOMPARE(journal::detectEncoding(bytes), utf8 ? TextEncoding::Utf8 : TextEncoding::Windows1251);
    const journal::DecodedText decoded = journal::decodeJournalBytes(bytes);
    QCOMPARE(decoded.encoding, journal::detectEncoding(bytes));
    // What is not read as UTF-8 is read byte for byte.
    if (!utf8)
        QCOMPARE(journal::encodeWindows1251(decoded.text), bytes);
}

QTEST_GUILESS_MAIN(TestJournalCharset)
#include "tst_journalcharset.moc"
