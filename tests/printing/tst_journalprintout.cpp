#include "model/gridmodel.h"
#include "printing/journalprintout.h"
#include "support/printfixtures.h"
#include "support/recordingsurface.h"

#include <QMap>
#include <QProgressDialog>
#include <QTest>
#include <limits>
#include <numeric>

namespace {

// The column and line units of A4 in landscape, 16838 × 11906 twips.
constexpr int Cu = 168;
constexpr int Lu = 238;

QList<RecordingSurface::Text> textsAt(const RecordingSurface& surface, int page, double band) {
    QList<RecordingSurface::Text> found;
    for (const auto& text : surface.texts())
        if (text.page == page && std::abs(text.y - band * Lu) < 0.01)
            found.append(text);
    return found;
}

// The texts printed inside a band of a page, in the order printed.
QList<RecordingSurface::Text> textsInBand(const RecordingSurface& surface, int page, int band) {
    QList<RecordingSurface::Text> found;
    for (const auto& text : surface.texts())
        if (text.page == page && text.y >= band * Lu && text.y < (band + 1) * Lu)
            found.append(text);
    return found;
}

// What is wrong with the lines a cell of page 1 was printed in, top to bottom; empty when nothing
// is. They hold the text's characters in order, the blanks where a line ends left out, and where
// the text contains blanks every line but the last ends at one; a cut text's lines hold a start
// of it and end in "…". All are at one size, the first where a text of one line starts, each
// further one line height (20 twips a point) below, the last above the band's lower rule; none
// runs past the first rule right of the cell's own (the end of the rules across without one) or
// off the paper.
QString linesProblem(RecordingSurface& surface, const QList<RecordingSurface::Text>& lines,
                     const QString& text, double points, bool cut) {
    if (lines.isEmpty())
        return QStringLiteral("no lines");
    const int band = int(lines.first().y) / Lu;
    const float x = lines.first().x;
    int rightRule = std::numeric_limits<int>::max();
    for (const auto& rule : surface.lines())
        if (rule.page == 1 && rule.x1 == rule.x2 && rule.y1 == band * Lu && rule.x1 > x)
            rightRule = std::min(rightRule, rule.x1);
    const int end =
        std::min(rightRule == std::numeric_limits<int>::max() ? 88 * Cu : rightRule, 16838);
    const bool wrapsAtBlanks = text.contains(u' ');
    qsizetype at = 0;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const auto& line = lines[i];
        const bool last = i + 1 == lines.size();
        const QString where = QStringLiteral("line %1 \"%2\": ").arg(i).arg(line.text);
        if (line.points != points || line.x != x ||
            std::abs(line.y - ((band + 0.1) * Lu + double(i) * points * 20)) > 0.01)
            return where + QStringLiteral("at %1 points, x %2, y %3")
                               .arg(line.points)
                               .arg(line.x)
                               .arg(line.y);
        if (line.y + points * 20 > (band + 1) * Lu + 0.01)
            return where + QStringLiteral("below the band");
        if (x + surface.textWidth(line.text, points) > end)
            return where + QStringLiteral("past %1").arg(end);
        QString piece = line.text;
        if (cut && last) {
            if (!piece.endsWith(u'…'))
                return where + QStringLiteral("no cut mark");
            piece.chop(1);
        }
        while (i > 0 && at < text.size() && text.at(at) == u' ')
            ++at;
        if (QStringView(text).mid(at, piece.size()) != piece)
            return where + QStringLiteral("not the text from %1 on").arg(at);
        at += piece.size();
        if (!last && wrapsAtBlanks && (at >= text.size() || text.at(at) != u' '))
            return where + QStringLiteral("ends inside a word");
    }
    if (cut ? at >= text.size() : at != text.size())
        return QStringLiteral("%1 of %2 characters printed").arg(at).arg(text.size());
    return {};
}

// The pen widths of a page's rules across, by line, in the order drawn.
QMap<int, QList<int>> rulesAcross(const RecordingSurface& surface, int page) {
    QMap<int, QList<int>> rules;
    for (const auto& line : surface.lines())
        if (line.page == page && line.y1 == line.y2)
            rules[line.y1 / Lu].append(line.width);
    return rules;
}

class NoPrinterProvider : public printing::PrinterProvider {
public:
    std::unique_ptr<printing::PageSurface> open() override { return nullptr; }
};

} // namespace

// The journal printout laid out on the recording surface, which measures a text of n characters
// at p points as n × p × 10 twips.
class TestJournalPrintout : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void pageSetUpAndTitle() {
        model::GridModel grid;
        fillJournal(grid, 3);
        // Letter paper: the units come from the page read before A4 is set, 158 and 245 twips.
        RecordingSurface surface(12240, 15840);
        printing::printJournal(grid, surface,
                               FixedClock(QStringLiteral("1.2.27"), QStringLiteral("23:59")));
        QCOMPARE(surface.log().mid(0, 7).join(QLatin1Char('|')),
                 QStringLiteral("Orientation 2|PageWidth 15840|PageHeight 12240|PaperSize 9|"
                                "FontName \"Times New Roman cyr\"|FontSize 10|DrawWidth 2"));
        const RecordingSurface::Text title = surface.texts().first();
        QCOMPARE(title.text, QStringLiteral(" ЖУРНАЛ ЭКЛЗ  от  1.2.27 23:59"));
        QVERIFY(title.x == 25 * 158 && title.y == 0 && title.bold && title.points == 14);
        const RecordingSurface::Line first = surface.lines().first();
        QVERIFY(first.x1 == 4 * 158 && first.x2 == 88 * 158 && first.y1 == 2 * 245);
    }

    // A list of some rows carries its name in the title, which moves left to end at the rules'
    // end, and no further left than the first rule.
    void aListNamesItselfInTheTitle() {
        model::GridModel grid;
        fillJournal(grid, 2);
        RecordingSurface surface(12240, 15840);
        const QString name = QStringLiteral("Заблокированы и блокируются в ближайшие 31 дн.");
        printing::printJournal(grid, surface,
                               FixedClock(QStringLiteral("1.2.27"), QStringLiteral("23:59")),
                               nullptr, name);
        const RecordingSurface::Text title = surface.texts().first();
        QCOMPARE(title.text, QStringLiteral(" ЖУРНАЛ ЭКЛЗ  от  1.2.27 23:59 — ") + name);
        QCOMPARE(title.x, float(88 * 158 - title.text.size() * 14 * 10));
        RecordingSurface narrow(12240, 15840);
        printing::printJournal(grid, narrow, FixedClock(), nullptr, name.repeated(3));
        QCOMPARE(narrow.texts().first().x, float(4 * 158));
    }

    void pages_data() {
        QTest::addColumn<int>("dataRows");
        QTest::addColumn<int>("pages");
        QTest::addColumn<int>("closingLine"); // of the bold rule under the last page's table
        QTest::newRow("empty journal") << 0 << 1 << 4;
        QTest::newRow("1 row") << 1 << 1 << 5;
        QTest::newRow("36 rows fill one page") << 36 << 1 << 40;
        QTest::newRow("37 rows") << 37 << 2 << 3;
        QTest::newRow("74 rows fill two pages") << 74 << 2 << 40;
        QTest::newRow("75 rows") << 75 << 3 << 3;
    }

    void pages() {
        QFETCH(int, dataRows);
        QFETCH(int, pages);
        QFETCH(int, closingLine);
        model::GridModel grid;
        fillJournal(grid, dataRows);
        RecordingSurface surface;
        QCOMPARE(printing::printJournal(grid, surface, FixedClock()),
                 printing::PrintResult::Printed);
        QCOMPARE(surface.pageCount(), pages);
        QCOMPARE(surface.calls().last().op, RecordingSurface::Op::EndDoc);
        // The title, nine headers and a label a page, and every row once, in order.
        QCOMPARE(surface.texts().size(), 1 + 10 * pages + 8 * dataRows);
        int row = 0;
        int labels = 0;
        for (const auto& text : surface.texts()) {
            row += text.text == journalCell(row + 1, 0);
            if (text.withNumber)
                QVERIFY(text.text == QStringLiteral("стр. ") && text.x == 84 * Cu &&
                        std::abs(text.y - 39.1 * Lu) < 0.01 && text.number == ++labels &&
                        text.page == labels);
        }
        QCOMPARE(row, dataRows);
        QCOMPARE(labels, pages);
        for (int page = 1; page <= pages; ++page) {
            // The headers as the grid has them, trailing blanks and all, bold on the first page
            // only; the closing rule's pass prints an empty one.
            const int header = page == 1 ? 2 : 0;
            const auto headers = textsAt(surface, page, header + 0.1);
            QCOMPARE(headers.size(), 9);
            QCOMPARE(headers[0].text, QStringLiteral("Владелец           "));
            for (int col = 0; col < 9; ++col) {
                QCOMPARE(headers[col].text, col < 8 ? grid.caption(col) : QString());
                QVERIFY(headers[col].bold == (page == 1) && headers[col].points == 10);
            }
            // Bold rules around the headers. A page that breaks ends in a bold rule over the thin
            // one under band 38; the last page, one band under its last row's rule.
            const auto across = rulesAcross(surface, page);
            QCOMPARE(across.firstKey(), header);
            QCOMPARE(across.value(header), QList<int>{2});
            QCOMPARE(across.value(header + 1), QList<int>{2});
            const int end = page < pages ? 39 : closingLine;
            QCOMPARE(across.lastKey(), end);
            QCOMPARE(across.value(end), page < pages ? (QList<int>{1, 2}) : QList<int>{2});
            if (page == pages && dataRows > 0)
                QCOMPARE(across.value(end - 1), QList<int>{1});
        }
    }

    void columnRules_data() {
        QTest::addColumn<int>("cols");
        QTest::addColumn<QList<int>>("rules");
        QTest::addColumn<QList<int>>("widths");
        QTest::newRow("eight") << 8 << QList<int>{4, 14, 24, 31, 40, 48, 55, 62, 62}
                               << QList<int>{1, 2, 1, 1, 1, 1, 1, 1, 2};
        QTest::newRow("nine") << 9 << QList<int>{4, 13, 22, 28, 36, 43, 49, 55, 55, 55}
                              << QList<int>{1, 2, 1, 1, 1, 1, 1, 1, 1, 2};
        QTest::newRow("two") << 2 << QList<int>{4, 74, 144} << QList<int>{1, 2, 2};
        QTest::newRow("one") << 1 << QList<int>{4, 4} << QList<int>{1, 2};
        QTest::newRow("33: header texts for the first 31 only")
            << 33 << QList<int>{4, 6, 8, 10, 12, 14, 16} + QList<int>(27, 18)
            << QList<int>{1, 2} + QList<int>(31, 1) + QList<int>{2};
    }

    void columnRules() {
        QFETCH(int, cols);
        QFETCH(QList<int>, rules);
        QFETCH(QList<int>, widths);
        model::GridModel grid;
        fillJournal(grid, 1, cols);
        RecordingSurface surface;
        printing::printJournal(grid, surface, FixedClock());
        // The header band and a data band; texts start 0.2 units right of their rule.
        for (const int band : {2, 3}) {
            QList<int> drawn;
            QList<int> drawnWidths;
            for (const auto& line : surface.lines()) {
                if (line.x1 == line.x2 && line.y1 == band * Lu && line.y2 == line.y1 + Lu) {
                    drawn << (line.x1 % Cu ? -1 : line.x1 / Cu);
                    drawnWidths << line.width;
                }
            }
            QCOMPARE(drawn, rules);
            QCOMPARE(drawnWidths, widths);
            const auto texts = textsAt(surface, 1, band + 0.1);
            QCOMPARE(texts.size(), band == 3 ? cols : std::min(cols + 1, 31));
            for (int col = 0; col < std::min(cols, 31); ++col)
                QCOMPARE(texts[col].x, float((rules[col] + 0.2) * Cu));
        }
    }

    void overlongTextsShrinkThenWrap_data() {
        QTest::addColumn<int>("cols");
        QTest::addColumn<int>("col");
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("points");
        QTest::addColumn<int>("lines");
        QTest::addColumn<bool>("cut");
        // Column 2 of eight has (31 − 24.2) × 168 = 1142.4 twips; the last one runs on to 88. A
        // band has 0.9 × 238 = 214.2 twips below its texts' top: room for one line down to 5.5
        // points, for two down to 4, for three down to 3.
        const QString hundred = QStringLiteral("Ш").repeated(100);
        const QString pair = QString::fromUcs4(U"\U0001F600");
        const QString owner = QStringLiteral("Общество с ограниченной ответственностью «Торговый "
                                             "дом Северо-Западная компания» г. Великий Новгород");
        const QString longest = QStringLiteral("Ромашка ").repeated(4096).left(32767);
        QTest::newRow("smaller") << 8 << 2 << hundred.left(14) << 8.0 << 1 << false;
        QTest::newRow("the last column runs on to 88")
            << 8 << 7 << hundred.left(44) << 9.5 << 1 << false;
        QTest::newRow("a 100-character owner, wrapped at blanks")
            << 8 << 0 << owner << 3.5 << 3 << false;
        QTest::newRow("a surrogate pair stays whole")
            << 8 << 2 << QStringLiteral("И").repeated(21) + pair + QStringLiteral("И").repeated(10)
            << 5.0 << 2 << false;
        QTest::newRow("nine: columns on one rule run on to 88")
            << 9 << 7 << hundred << 5.5 << 1 << false;
        QTest::newRow("seven: the closing rule") << 7 << 6 << hundred << 3.5 << 3 << false;
        QTest::newRow("three: closing rule right of 88") << 3 << 2 << hundred << 5.0 << 2 << false;
        QTest::newRow("two: the paper's edge") << 2 << 1 << hundred << 5.0 << 2 << false;
        QTest::newRow("32,767 characters end in the mark") << 8 << 0 << longest << 3.0 << 3 << true;
    }

    void overlongTextsShrinkThenWrap() {
        QFETCH(int, cols);
        QFETCH(int, col);
        QFETCH(QString, text);
        QFETCH(double, points);
        QFETCH(int, lines);
        QFETCH(bool, cut);
        model::GridModel grid;
        fillJournal(grid, 2, cols);
        grid.setText(0, col, text);
        RecordingSurface surface;
        printing::printJournal(grid, surface, FixedClock());
        const auto band = textsInBand(surface, 1, 3);
        QCOMPARE(band.size(), cols - 1 + lines);
        QCOMPARE(linesProblem(surface, band.mid(col, lines), text, points, cut), QString());
        // The other cells keep one line at 10 points, the next row too.
        for (qsizetype other = 0; other < band.size(); ++other)
            QVERIFY(band[other].points == (other >= col && other < col + lines ? points : 10.0));
        for (const auto& next : textsInBand(surface, 1, 4))
            QCOMPARE(next.points, 10.0);
    }

    void gridAndProgress_data() {
        QTest::addColumn<int>("dataRows");
        QTest::addColumn<int>("pages"); // none: no printer
        QTest::addColumn<int>("stopAfter");
        QTest::newRow("no printer: nothing printed, the grid not touched") << 5 << 0 << 0;
        QTest::newRow("10 pages: no progress") << 36 + 9 * 38 << 10 << 0;
        QTest::newRow("11 pages") << 36 + 9 * 38 + 1 << 11 << 0;
        QTest::newRow("27 pages, cancelled after the third") << 1000 << 27 << 3;
    }

    // The grid is only read. Long journals show their progress; a cancelled document is thrown
    // away.
    void gridAndProgress() {
        QFETCH(int, dataRows);
        QFETCH(int, pages);
        QFETCH(int, stopAfter);
        model::GridModel grid;
        fillJournal(grid, dataRows, 9);
        const QList<QStringList> before = grid.dataRows();
        ScriptedProgress progress;
        progress.stopAfterPage = stopAfter;
        RecordingSurface surface;
        NoPrinterProvider none;
        QCOMPARE(pages ? printing::printJournal(grid, surface, FixedClock(), &progress)
                       : printing::printJournal(grid, none, FixedClock(), &progress),
                 !pages ? printing::PrintResult::NoPrinter
                        : (stopAfter ? printing::PrintResult::Cancelled
                                     : printing::PrintResult::Printed));
        QCOMPARE(textsAt(surface, 1, 3.1).value(0).text, pages ? journalCell(1, 0) : QString());
        QCOMPARE(grid.dataRows(), before);
        const bool shown = pages > 10;
        QCOMPARE(progress.started, shown ? pages : -1);
        QList<int> pagesDone(shown ? (stopAfter ? stopAfter : pages - 1) : 0);
        std::iota(pagesDone.begin(), pagesDone.end(), 1);
        QCOMPARE(progress.pagesDone, pagesDone);
        QCOMPARE(progress.finished, shown ? 1 : 0);
        QCOMPARE(surface.pageCount(), stopAfter ? stopAfter : std::max(pages, 1));
        QVERIFY(surface.ended() == (pages && !stopAfter) && surface.aborted() == bool(stopAfter));
    }
};

QTEST_MAIN(TestJournalPrintout)
#include "tst_journalprintout.moc"
