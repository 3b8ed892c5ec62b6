#include "core/journalcolumns.h"
#include "model/gridmodel.h"
#include "printing/journalprintout.h"
#include "support/printfixtures.h"

#include <QDir>
#include <QPrinter>
#include <QTemporaryDir>
#include <QTest>

namespace {

// What is wrong with a printed 75-row journal: three landscape A4 pages, each with the title
// (the first only), the header captions, its label and exactly its own rows.
QStringList printoutProblems(const QString& file, const core::Clock& clock) {
    const QList<QSizeF> sheets = pdfPageSizes(file);
    const QStringList texts = pdfPageTexts(file);
    QStringList problems;
    if (sheets.size() != 3 || texts.size() != 3)
        problems << QStringLiteral("%1 pages, %2 texts").arg(sheets.size()).arg(texts.size());
    const QString title =
        QStringLiteral("ЖУРНАЛ ЭКЛЗ от ") + clock.date() + QLatin1Char(' ') + clock.time();
    const std::pair<int, int> rows[] = {{1, 36}, {37, 74}, {75, 75}};
    for (int page = 1; page <= 3; ++page) {
        const QString text = texts.value(page - 1);
        const QStringList words = text.split(QLatin1Char(' '));
        const QSizeF sheet = sheets.value(page - 1);
        const auto wrong = [&](const QString& what) {
            problems << QStringLiteral("page %1: %2").arg(page).arg(what);
        };
        if (sheet.width() < sheet.height() || !isA4(sheet))
            wrong(QStringLiteral("not landscape A4"));
        if (text.contains(title) != (page == 1))
            wrong(title);
        if (words.count(QStringLiteral("стр.")) != 1 ||
            !text.contains(QStringLiteral("стр. %1").arg(page)))
            wrong(QStringLiteral("label"));
        for (const QString& caption : core::headerFormat().split(QLatin1Char('|')))
            if (!text.contains(caption.mid(1).simplified()))
                wrong(caption);
        const auto [first, last] = rows[page - 1];
        for (int row = 1; row <= 75; ++row)
            for (int col = 0; col < core::FileColumns; ++col)
                if (words.contains(journalCell(row, col)) != (row >= first && row <= last))
                    wrong(journalCell(row, col));
    }
    return problems;
}

} // namespace

// The printout rendered by the QPrinter back end into a PDF file, read back with poppler.
class TestPdfPrintout : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() {
        if (!popplerToolsAvailable())
            QSKIP("poppler-utils (pdfinfo, pdftotext) are not installed");
    }

    void pagesAreLandscapeA4WithTheirRows() {
        model::GridModel grid;
        fillJournal(grid, 75);
        const QString owner = QStringLiteral("Общество с ограниченной ответственностью «Торговый "
                                             "дом Северо-Западная компания» г. Великий Новгород");
        grid.setText(1, 0, owner);
        QTemporaryDir folder;
        const QString file = folder.filePath(QStringLiteral("journal.pdf"));
        printing::PdfFilePrinterProvider pdf(file);
        const FixedClock clock;
        QCOMPARE(printing::printJournal(grid, pdf, clock), printing::PrintResult::Printed);
        // Only the owner's cell differs: its 100 characters print whole, smaller and on lines
        // broken at blanks, in the face's real widths.
        QCOMPARE(printoutProblems(file, clock),
                 QStringList{QStringLiteral("page 1: ") + journalCell(2, 0)});
        QVERIFY2(pdfPageTexts(file).value(0).contains(owner), qPrintable(pdfPageTexts(file)[0]));

        // "Печать в файл" chosen in the print dialog makes the same pages.
        QPrinter chosen;
        chosen.setOutputFormat(QPrinter::PdfFormat);
        chosen.setOutputFileName(folder.filePath(QStringLiteral("chosen.pdf")));
        printing::ChosenPrinterProvider dialogs(chosen);
        QCOMPARE(printing::printJournal(grid, dialogs, clock), printing::PrintResult::Printed);
        QCOMPARE(pdfPageTexts(chosen.outputFileName()), pdfPageTexts(file));
    }

    void failedOrCancelledDocumentLeavesTheFileAlone() {
        model::GridModel grid;
        fillJournal(grid, 500);
        QTemporaryDir folder;
        QFile earlier(folder.filePath(QStringLiteral("earlier.pdf")));
        QVERIFY(earlier.open(QIODevice::WriteOnly) && earlier.write("an earlier printout") > 0);
        earlier.close();
        ScriptedProgress stop;
        stop.stopAfterPage = 1;
        printing::PdfFilePrinterProvider again(earlier.fileName());
        QCOMPARE(printing::printJournal(grid, again, FixedClock(), &stop),
                 printing::PrintResult::Cancelled);
        QVERIFY(earlier.open(QIODevice::ReadOnly));
        QCOMPARE(earlier.readAll(), QByteArray("an earlier printout"));
        // A folder that is not there takes no file; nothing half-written is left anywhere.
        printing::PdfFilePrinterProvider missing(
            folder.filePath(QStringLiteral("missing/journal.pdf")));
        QCOMPARE(printing::printJournal(grid, missing, FixedClock()),
                 printing::PrintResult::NoPrinter);
        QCOMPARE(
            QDir(folder.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
            QStringList{QStringLiteral("earlier.pdf")});
    }

    // Printing leaves zlib as every other caller in the process finds it: Qt deflates the page
    // contents at the same level as the program's own qCompress (the stream's first two bytes).
    void pageContentsKeepZlibsLevel() {
        model::GridModel grid;
        fillJournal(grid, 75);
        QTemporaryDir folder;
        QFile file(folder.filePath(QStringLiteral("journal.pdf")));
        printing::PdfFilePrinterProvider pdf(file.fileName());
        QCOMPARE(printing::printJournal(grid, pdf, FixedClock()), printing::PrintResult::Printed);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        const QByteArray stream("/Filter /FlateDecode\n>>\nstream\n");
        const qsizetype page = bytes.indexOf(stream) + stream.size();
        QVERIFY(page >= stream.size());
        QCOMPARE(bytes.mid(page, 2).toHex(), qCompress(bytes).mid(4, 2).toHex());
    }
};

QTEST_MAIN(TestPdfPrintout)
#include "tst_pdfprintout.moc"
