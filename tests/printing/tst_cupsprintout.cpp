#include "model/gridmodel.h"
#include "printing/journalprintout.h"
#include "support/printfixtures.h"

#include <QTest>
#include <QUuid>

// A real print: the journal goes to the system's default printer, a CUPS queue of cups-pdf
// (scripts/start-test-printer sets it up), which makes a PDF file of the sheets it prints.
class TestCupsPrintout : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() {
        const QString reason = cupspdf::unavailableReason();
        if (!reason.isEmpty())
            QSKIP(qPrintable(QStringLiteral("no real printing here: ") + reason));
        if (!popplerToolsAvailable())
            QSKIP("poppler-utils (pdfinfo, pdftotext) are not installed");
    }

    void journalReachesThePrinter() {
        model::GridModel grid;
        fillJournal(grid, 75);
        const QString title =
            QStringLiteral("eklzprint") + QUuid::createUuid().toString(QUuid::Id128).left(12);
        printing::DefaultPrinterProvider printer(title);
        QCOMPARE(printing::printJournal(grid, printer, FixedClock()),
                 printing::PrintResult::Printed);
        // cups-pdf names its file after the job's title.
        const QString printed = cupspdf::waitForOutput(title, 90000);
        QVERIFY2(!printed.isEmpty(), "no file from the cups-pdf queue");
        const QList<QSizeF> sheets = pdfPageSizes(printed);
        QVERIFY(sheets.size() == 3 && isA4(sheets[0]) && isA4(sheets[1]) && isA4(sheets[2]));
    }
};

QTEST_MAIN(TestCupsPrintout)
#include "tst_cupsprintout.moc"
