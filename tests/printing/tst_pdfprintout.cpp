#include "app/gridmodel.h"
#include "printing/journalprintout.h"
#include "printing/printprogress.h"
#include "printing/printservices.h"
#include "support/pdfinspect.h"
#include "support/printfixtures.h"

#include <QDir>
#include <QFile>
#include <QFontDatabase>
#include <QTemporaryDir>
#include <QTest>

namespace {

class StopAfterFirstPage : public PrintProgress {
public:
    void start(int) override {}
    bool pageDone(int) override { return false; }
    void finish() override {}
};

} // namespace

// The printout rendered by the QPrinter back end into a PDF file, read back with poppler.
class TestPdfPrintout : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void pagesAreLandscapeA4WithTheirRows();
    void overlongTextIsCutAtItsRule();
    void faceFallsBackToAnInstalledSerif();
    void cancelledDocumentLeavesTheFileAlone();
    void unwritableFileIsNoPrinter();

private:
    QTemporaryDir dir_;
};

void TestPdfPrintout::initTestCase() {
    if (!popplerToolsAvailable())
        QSKIP("poppler-utils (pdfinfo, pdftotext) are not installed; scripts/install-deps "
              "installs them");
    QVERIFY(dir_.isValid());
}

void TestPdfPrintout::pagesAreLandscapeA4WithTheirRows() {
    GridModel grid;
    fillJournal(grid, 75);
    const QString file = dir_.filePath(QStringLiteral("journal75.pdf"));
    PdfFilePrinterProvider pdf(file);
    const FixedClock clock;
    QCOMPARE(tabPrint(grid, pdf, clock), PrintResult::Printed);

    const QList<PdfPage> pages = pdfPages(file);
    QCOMPARE(pages.size(), 3);
    for (const PdfPage& page : pages) {
        QVERIFY(page.landscape());
        QVERIFY(page.isA4());
    }
    const QStringList texts = pdfPageTexts(file);
    QCOMPARE(texts.size(), 3);
    for (int page = 1; page <= 3; ++page) {
        const QStringList problems = journalPageProblems(texts[page - 1], page, 75, clock);
        QVERIFY2(problems.isEmpty(), qPrintable(problems.join(QStringLiteral("; "))));
    }
}

void TestPdfPrintout::overlongTextIsCutAtItsRule() {
    GridModel grid;
    fillJournal(grid, 3);
    const QString owner = QStringLiteral("Общество-с-ограниченной-ответственностью-Ромашка");
    grid.setTextMatrix(2, 0, owner);
    const QString file = dir_.filePath(QStringLiteral("long.pdf"));
    PdfFilePrinterProvider pdf(file);
    QCOMPARE(tabPrint(grid, pdf, FixedClock()), PrintResult::Printed);

    const QString text = pdfPageTexts(file).value(0);
    QVERIFY(!text.contains(owner));
    QVERIFY(text.contains(owner.left(20)));
    // The next column's text is whole, and not run into.
    QVERIFY(text.split(QLatin1Char(' ')).contains(journalCell(2, 1)));
}

void TestPdfPrintout::faceFallsBackToAnInstalledSerif() {
    if (QFontDatabase::hasFamily(QStringLiteral("Times New Roman")) ||
        !QFontDatabase::hasFamily(QStringLiteral("Liberation Serif")))
        QSKIP("this check needs Liberation Serif (fonts-liberation) without Times New Roman");
    GridModel grid;
    fillJournal(grid, 2);
    const QString file = dir_.filePath(QStringLiteral("fonts.pdf"));
    PdfFilePrinterProvider pdf(file);
    QCOMPARE(tabPrint(grid, pdf, FixedClock()), PrintResult::Printed);
    const QStringList fonts = pdfFontNames(file);
    QVERIFY2(fonts.contains(QStringLiteral("LiberationSerif")),
             qPrintable(fonts.join(QLatin1Char(','))));
    QVERIFY(fonts.contains(QStringLiteral("LiberationSerif-Bold")));
}

void TestPdfPrintout::cancelledDocumentLeavesTheFileAlone() {
    GridModel grid;
    fillJournal(grid, 500);
    StopAfterFirstPage stop;
    QTemporaryDir folder;
    const QString fresh = folder.filePath(QStringLiteral("fresh.pdf"));
    PdfFilePrinterProvider toFresh(fresh);
    QCOMPARE(tabPrint(grid, toFresh, FixedClock(), &stop), PrintResult::Cancelled);
    QVERIFY(!QFile::exists(fresh));

    const QString earlier = folder.filePath(QStringLiteral("earlier.pdf"));
    {
        QFile file(earlier);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("an earlier printout");
    }
    PdfFilePrinterProvider toEarlier(earlier);
    QCOMPARE(tabPrint(grid, toEarlier, FixedClock(), &stop), PrintResult::Cancelled);
    QFile file(earlier);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray("an earlier printout"));
    // Nothing half-written is left beside it either.
    QCOMPARE(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden),
             QStringList{QStringLiteral("earlier.pdf")});
}

void TestPdfPrintout::unwritableFileIsNoPrinter() {
    GridModel grid;
    fillJournal(grid, 2);
    const QString file = dir_.filePath(QStringLiteral("missing-folder/journal.pdf"));
    PdfFilePrinterProvider pdf(file);
    QCOMPARE(tabPrint(grid, pdf, FixedClock()), PrintResult::NoPrinter);
    QVERIFY(!QFile::exists(file));
}

QTEST_MAIN(TestPdfPrintout)
#include "tst_pdfprintout.moc"
