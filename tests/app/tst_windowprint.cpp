#include "app/gridmodel.h"
#include "printing/printservices.h"
#include "support/pdfinspect.h"
#include "support/printfixtures.h"
#include "support/windowharness.h"

#include <QFileInfo>
#include <QTest>
#include <QUuid>

// "Печать" pressed in the window reaches the system's default printer, a cups-pdf queue set up
// by scripts/start-test-printer, and the printed document holds the journal.
class TestWindowPrint : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() {
        const QString reason = cupspdf::unavailableReason();
        if (!reason.isEmpty())
            QSKIP(qPrintable(QStringLiteral("no real printing here: ") + reason));
        if (!popplerToolsAvailable())
            QSKIP("poppler-utils (pdfinfo, pdftotext) are not installed");
    }

    void printButtonPrintsTheJournal() {
        const QString title =
            QStringLiteral("eklzwindow") + QUuid::createUuid().toString(QUuid::Id128).left(12);
        WindowServices services;
        services.printer = std::make_shared<DefaultPrinterProvider>(title);
        auto clock = std::make_shared<FixedClock>();
        services.clock = clock;
        WindowHarness harness(services);
        fillJournal(harness.grid(), 75);

        harness.press("CmdPrint");
        QVERIFY(harness.prompter().messages.isEmpty());

        const QString printed = cupspdf::waitForOutput(title, 90000);
        QVERIFY2(!printed.isEmpty(), "no file from the cups-pdf queue");
        const QList<PdfPage> sheets = pdfPages(printed);
        QCOMPARE(sheets.size(), 3);
        for (const PdfPage& sheet : sheets)
            QVERIFY(sheet.isA4());

        // The document the queue was given keeps the text and the landscape pages; cups-pdf's
        // own file is re-rendered without text.
        const QString spooled = cupspdf::spooledDocument(printed);
        if (!QFileInfo(spooled).isReadable())
            QSKIP(qPrintable(QStringLiteral("3 A4 sheets printed; the spooled document %1 "
                                            "cannot be read here to check its text")
                                 .arg(spooled)));
        const QList<PdfPage> pages = pdfPages(spooled);
        QCOMPARE(pages.size(), 3);
        for (const PdfPage& page : pages)
            QVERIFY(page.landscape() && page.isA4());
        const QStringList texts = pdfPageTexts(spooled);
        QCOMPARE(texts.size(), 3);
        for (int page = 1; page <= 3; ++page) {
            const QStringList problems = journalPageProblems(texts[page - 1], page, 75, *clock);
            QVERIFY2(problems.isEmpty(), qPrintable(problems.join(QStringLiteral("; "))));
        }
    }
};

QTEST_MAIN(TestWindowPrint)
#include "tst_windowprint.moc"
