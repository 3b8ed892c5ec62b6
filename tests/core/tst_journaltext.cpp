#include "core/journaltext.h"

#include <QTest>
#include <limits>

namespace {

constexpr qsizetype NoLimit = std::numeric_limits<qsizetype>::max() / 4;

// The bytes in pieces cut at those offsets (ascending, inside the bytes).
core::Pieces cutPieces(const QByteArray& bytes, const QList<qsizetype>& cuts) {
    return [bytes, cuts](const core::PieceTake& take) {
        qsizetype from = 0;
        for (const qsizetype cut : cuts + QList<qsizetype>{bytes.size()}) {
            if (!take(QByteArrayView(bytes).sliced(from, cut - from)))
                return true;
            from = cut;
        }
        return true;
    };
}

// Every line taken, as "offset:cell|cell" decoded (split by the walk or, unsplit, by
// forEachCell); stops after `stopAfter` lines.
class Recorder final : public core::LineSink {
public:
    Recorder(core::TextEncoding encoding, bool split, int stopAfter)
        : encoding_(encoding), split_(split), stopAfter_(stopAfter) {}

    bool take(const core::JournalLine& line) override {
        if (line.number != lines.size() + 1)
            lines << QStringLiteral("number %1 out of turn").arg(line.number);
        QStringList cells;
        const auto take = [&](int index, QByteArrayView cell) {
            if (index != cells.size())
                cells << QStringLiteral("cell out of turn");
            cells << core::decodeText(cell, encoding_);
        };
        if (split_)
            line.forEachCell(take);
        else
            core::forEachCell(line.bytes, take);
        if (split_ && cells.size() != line.fields)
            cells << QStringLiteral("fields %1").arg(line.fields);
        lines << QString::number(line.offset) + u':' + cells.join(u'|');
        return lines.size() != stopAfter_;
    }

    QStringList lines;

private:
    core::TextEncoding encoding_;
    bool split_;
    int stopAfter_;
};

struct Walked {
    core::TextScan scan;
    core::LineWalk walk;
    QStringList lines;
    // The same walked without splitting the lines.
    core::LineWalk unsplitWalk;
    QStringList unsplitLines;
};

Walked walk(const core::Pieces& pieces, qsizetype budget = NoLimit, int stopAfter = -1) {
    Walked walked;
    walked.scan = core::scanText(pieces, true).value();
    Recorder recorder(walked.scan.cellEncoding(), true, stopAfter);
    walked.walk = core::walkLines(pieces, walked.scan, budget, recorder);
    walked.lines = recorder.lines;
    Recorder unsplit(walked.scan.cellEncoding(), false, stopAfter);
    walked.unsplitWalk = core::walkLinesOnly(pieces, walked.scan, unsplit);
    walked.unsplitLines = unsplit.lines;
    return walked;
}

QByteArray utf16(const QString& text, bool bigEndian) {
    QByteArray bytes;
    for (const QChar c : text) {
        const char high = char(c.unicode() >> 8);
        const char low = char(c.unicode() & 0xFF);
        bytes.append(bigEndian ? high : low).append(bigEndian ? low : high);
    }
    return bytes;
}

} // namespace

class TestJournalText : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // The bytes in one piece give the lines expected; cut into two pieces anywhere, or into
    // pieces of a byte each, they give the same lines, the same encoding and the same counts.
    void readsTheSameWhereverCut_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<core::TextEncoding>("encoding");
        QTest::addColumn<qsizetype>("nulBytes");
        QTest::addColumn<QString>("lines"); // parted by "/"
        using core::TextEncoding;
        const auto row = [](const char* name, const QByteArray& bytes, core::TextEncoding encoding,
                            qsizetype nuls, const QString& lines) {
            QTest::newRow(name) << bytes << encoding << nuls << lines;
        };
        row("CR LF, lone LF and CR, no last end", "a;b\r\nc;\r\n\r\nd\ne\rf;;",
            core::TextEncoding::Windows1251, 0, QStringLiteral("0:a|b/5:c/9:/11:d/13:e/15:f|"));
        row("UTF-8 byte-order mark left out", "\xEF\xBB\xBF" + QStringLiteral("Жж;a\r\nb").toUtf8(),
            core::TextEncoding::Utf8, 0, QStringLiteral("0:Жж|a/8:b"));
        row("byte-order mark after NUL bytes", QByteArray("\0\0\xEF\xBB\xBFz;\0", 8),
            core::TextEncoding::Utf8, 3, QStringLiteral("0:z"));
        row("byte-order mark before Windows-1251", "\xEF\xBB\xBF\xC6;\r\n",
            core::TextEncoding::Windows1251, 0, QStringLiteral("0:п»їЖ"));
        row("UTF-16, a pair of surrogates",
            "\xFF\xFE" + utf16(QStringLiteral("Ж;\U0001F600;\r\nb") + QChar(0) + u'c', false),
            core::TextEncoding::Utf16, 1, QStringLiteral("0:Ж|\U0001F600/10:bc"));
        // Qt leaves out a second mark at the start; one further on is text.
        row("UTF-16 big-endian, marks",
            "\xFE\xFF" + utf16(QStringLiteral("\uFEFFa\uFEFF;\nb"), true),
            core::TextEncoding::Utf16, 0, QStringLiteral("0:a\uFEFF/6:b"));
        row("UTF-16, a lone surrogate and an odd last byte",
            QByteArray("\xFF\xFE"
                       "a\0\x00\xD8;\0b",
                       9),
            core::TextEncoding::Utf16, 0, QStringLiteral("0:a?|\uFFFD"));
        row("too short for a mark", "\xFF", core::TextEncoding::Windows1251, 0,
            QStringLiteral("0:я"));
    }

    void readsTheSameWhereverCut() {
        QFETCH(QByteArray, bytes);
        QFETCH(core::TextEncoding, encoding);
        QFETCH(qsizetype, nulBytes);
        QFETCH(QString, lines);
        const Walked whole = walk(core::bytePieces(bytes));
        QCOMPARE(whole.scan.encoding, encoding);
        QCOMPARE(whole.scan.nulBytes, nulBytes);
        QCOMPARE(whole.lines.join(u'/'), lines);
        QVERIFY(whole.walk.read && !whole.walk.fault);
        QCOMPARE(whole.unsplitLines, whole.lines);
        // Without its lines counted, a UTF-16 file's NUL characters are counted undecoded.
        const std::optional<core::TextScan> quick = core::scanText(core::bytePieces(bytes), false);
        QVERIFY(quick && quick->encoding == encoding && quick->nulBytes == nulBytes);

        QList<QList<qsizetype>> cuttings;
        QList<qsizetype> everyByte;
        for (qsizetype cut = 1; cut < bytes.size(); ++cut) {
            cuttings << QList<qsizetype>{cut};
            everyByte << cut;
        }
        if (everyByte.size() > 1)
            cuttings << everyByte;
        for (const QList<qsizetype>& cuts : cuttings) {
            const Walked cut = walk(cutPieces(bytes, cuts));
            const QByteArray where = "cut at " + QByteArray::number(cuts.first()) +
                                     (cuts.size() > 1 ? " and every byte" : "");
            QVERIFY2(cut.scan.encoding == encoding, where);
            QVERIFY2(cut.scan.nulBytes == nulBytes, where);
            QVERIFY2(cut.scan.lines == whole.scan.lines, where);
            QVERIFY2(cut.lines == whole.lines,
                     QByteArray(where + ": " + cut.lines.join(u'/').toUtf8()));
            QVERIFY2(cut.unsplitLines == whole.lines,
                     QByteArray(where + ", unsplit: " + cut.unsplitLines.join(u'/').toUtf8()));
        }
    }

    // The line that is too long, or would not fit in the memory, is never handed out, wherever
    // the pieces are cut; a sink that has seen enough stops the walk without a fault.
    void stopsWhereTheReaderStops() {
        const QByteArray longest(core::MaxLineLength, 'x');
        const QByteArray bytes = "a;\r\n" + longest + "\r\n" + longest + "y\r\nb;\r\n";
        for (const qsizetype cut : {qsizetype(3), qsizetype(4), qsizetype(40000)}) {
            const Walked walked = walk(cutPieces(bytes, {cut}));
            QCOMPARE(walked.walk.fault, (core::ReadFault{3, core::ReadFault::LineTooLong}));
            QCOMPARE(walked.lines.size(), 2);
            QCOMPARE(walked.unsplitWalk.fault, walked.walk.fault);
            QCOMPARE(walked.unsplitLines, walked.lines);
            QCOMPARE(walked.scan.lines, 4);
        }
        // Two rows of eight cells and their text fit in 2 * 8 * 6 + 2 * 2 bytes; a third does not.
        const Walked tight = walk(core::bytePieces("a\nb\nc\n"), 2 * 8 * 6 + 4);
        QCOMPARE(tight.walk.fault, (core::ReadFault{3, core::ReadFault::OutOfMemory}));
        QCOMPARE(tight.unsplitWalk.fault, std::nullopt);
        QCOMPARE(tight.unsplitLines.size(), 3);
        QCOMPARE(tight.lines, QStringLiteral("0:a 2:b").split(u' '));

        const Walked stopped = walk(cutPieces("a\nb\nc\nd\n", {3}), NoLimit, 2);
        QVERIFY(stopped.walk.read);
        QCOMPARE(stopped.walk.fault, std::nullopt);
        QCOMPARE(stopped.lines, QStringLiteral("0:a 2:b").split(u' '));
    }
};

QTEST_GUILESS_MAIN(TestJournalText)
#include "tst_journaltext.moc"
