// An export read back by the import gives every cell's text as it was, in both formats.
#include "core/journalformat.h"
#include "exchange/exportfile.h"
#include "exchange/exportsheet.h"
#include "exchange/spreadsheetimport.h"
#include "model/blockjudgement.h"
#include "model/gridmodel.h"
#include "support/tempfolder.h"

#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// Cells a spreadsheet is tempted to change: leading zeros, numbers, dates and what only looks
// like one, blanks at the ends and in runs, quotes, markup, Latin and Cyrillic, a long text, a
// text of the form .xlsx escapes characters with, blanks after a line end.
const QList<QStringList> Rows = {
    {u"ООО «Ромашка»"_s, u"ЭКР 2102К"_s, u"17"_s, u"0012345"_s, u"001"_s, u"15.01.2025"_s,
     u"01.03.2026"_s, u"Иванов"_s},
    {u"\"Ромашка\""_s, u"1E5"_s, u"12.50"_s, u"-0"_s, u"0"_s, u"31.02.2026"_s, u"1.3.2026"_s,
     u"Пётр Ёлкин"_s},
    {u"  два  пробела "_s, u"<&> '"_s, u""_s, u""_s, u""_s, u"05.03.26"_s, u""_s, u""_s},
    {QString(300, u'ж'), u"=1+1"_s, u"TRUE"_s, u"1,5"_s, u"00"_s, u"нет"_s, u"01.01.1900"_s,
     u"x"_s},
    {u"_x0041_"_s, u"a_x000D_b"_s, u"_x005F_x0041_"_s, u"a\n b"_s, u"a\n\n  b"_s, u""_s, u""_s,
     u"x_X0041_y"_s},
};

std::unique_ptr<model::GridModel> grid() {
    auto grid = std::make_unique<model::GridModel>();
    grid->setHeaderFormat(core::headerFormat());
    grid->setRowCount(int(Rows.size()));
    for (int r = 0; r < Rows.size(); ++r)
        for (int c = 0; c < Rows[r].size(); ++c)
            grid->setText(r, c, Rows[r][c]);
    return grid;
}

} // namespace

class TestRoundTrip : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void exportThenImportKeepsEveryCell_data() {
        QTest::addColumn<QString>("file");
        QTest::newRow("xlsx") << QStringLiteral("register.xlsx");
        QTest::newRow("ods") << QStringLiteral("register.ods");
    }

    void exportThenImportKeepsEveryCell() {
        QFETCH(QString, file);
        const TempFolder folder;
        const auto register_ = grid();
        const model::BlockJudgement watch(*register_, QDate(2026, 3, 1));
        const QString path = folder.file(file);
        const exchange::ExportOutcome written =
            exchange::exportSheet(exchange::sheetFromGrid(*register_, watch), path);
        QVERIFY2(written.ok, qPrintable(written.message));

        const exchange::ImportOutcome read = exchange::importFile(path);
        QVERIFY2(read.ok(), qPrintable(read.refusal.value_or(QString())));
        QVERIFY(read.journal.headerRow);
        // A cell holding a line end is told about (the journal cannot store it) and kept as is.
        qsizetype lineEnds = 0;
        for (const QStringList& row : Rows)
            lineEnds += std::count_if(row.begin(), row.end(),
                                      [](const QString& text) { return text.contains(u'\n'); });
        QVERIFY2(read.journal.problemCount == lineEnds,
                 qPrintable(read.journal.problems.join(u'\n')));
        QCOMPARE(read.journal.rows.size(), Rows.size());
        for (int r = 0; r < Rows.size(); ++r)
            for (int c = 0; c < core::FileColumns; ++c)
                QCOMPARE(read.journal.rows[r][c], Rows[r].value(c));
    }
};

QTEST_GUILESS_MAIN(TestRoundTrip)
#include "tst_roundtrip.moc"
