#include "app/gridmodel.h"
#include "printing/journalprintout.h"
#include "printing/printservices.h"
#include "support/pdfinspect.h"
#include "support/printfixtures.h"

#include <QFileInfo>
#include <QTest>
#include <QUuid>

// A real print: the journal goes to the system's default printer, a CUPS queue of cups-pdf
// (scripts/start-test-printer sets it up), and what the queue made of it is checked.
class TestCupsPrintout : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void journalReachesThePrinter();
};

void TestCupsPrintout::initTestCase() {
    const QString reason = cupspdf::unavailableReason();
    if (!reason.isEmpty())
        QSKIP(qPrintable(QStringLiteral("no real printing here: ") + reason));
    if (!popplerToolsAvailable())
        QSKIP("poppler-utils (pdfinfo, pdftotext) are not installed");
    if (!QFileInfo(QStringLiteral("/var/spool/cups")).isReadable())
        QSKIP("the documents CUPS spools (/var/spool/cups) cannot be read by this user");
}

void TestCupsPrintout::journalReachesThePrinter() {
    GridModel grid;
    fillJournal(grid, 75);
    const QString title =
        QStringLiteral("eklzprint") + QUuid::createUuid().toString(QUuid::Id128).left(12);
    DefaultPrinterProvider printer(title);
    const FixedClock clock;
    QCOMPARE(tabPrint(grid, printer, clock), PrintResult::Printed);

    // cups-pdf names its file after the job's title and ends it with the job's number.
    const QString printed = cupspdf::waitForOutput(title, 90000);
    QVERIFY2(!printed.isEmpty(),
             qPrintable(QStringLiteral("no file from cups-pdf in %1")
                            .arg(cupspdf::outputFolders().join(QStringLiteral(", ")))));
    const QList<PdfPage> sheets = pdfPages(printed);
    QCOMPARE(sheets.size(), 3);
    for (const PdfPage& sheet : sheets)
        QVERIFY(sheet.isA4());

    // The text is checked on the document the queue was given (see spooledDocument()).
    const QString spooled = cupspdf::spooledDocument(printed);
    QVERIFY(!spooled.isEmpty());
    if (!QFileInfo(spooled).isReadable())
        QSKIP(qPrintable(QStringLiteral("the printer printed 3 A4 sheets; the spooled document "
                                        "%1 cannot be read here to check its text")
                             .arg(spooled)));
    const QList<PdfPage> pages = pdfPages(spooled);
    QCOMPARE(pages.size(), 3);
    for (const PdfPage& page : pages) {
        QVERIFY(page.landscape());
        QVERIFY(page.isA4());
    }
    const QStringList texts = pdfPageTexts(spooled);
    QCOMPARE(texts.size(), 3);
    for (int page = 1; page <= 3; ++page) {
        const QStringList problems = journalPageProblems(texts[page - 1], page, 75, clock);
        QVERIFY2(problems.isEmpty(), qPrintable(problems.join(QStringLiteral("; "))));
    }
}

QTEST_MAIN(TestCupsPrintout)
#include "tst_cupsprintout.moc"
