// The window as a desktop program: Qt's own texts in Russian, names for screen readers, block
// states told in words, and its place, size and column widths kept between runs.
#include "app/celldelegate.h"
#include "app/gridview.h"
#include "app/russian.h"
#include "model/gridmodel.h"
#include "support/gridtexts.h"
#include "support/printfixtures.h"
#include "support/windowharness.h"

#include <QAccessible>
#include <QApplication>
#include <QHeaderView>
#include <QLineEdit>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPushButton>
#include <QSettings>
#include <QTest>
#include <QTimer>

class TestDesktop : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void qtsOwnTextsAreRussian() {
        QVERIFY(app::installRussianTranslations(*QCoreApplication::instance()));
        QCOMPARE(QCoreApplication::translate("QPlatformTheme", "Cancel"), QStringLiteral("Отмена"));
    }

    void controlsHaveNamesAndStatesHaveWords() {
        app::WindowServices services;
        services.clock = std::make_shared<FixedClock>(); // 07.12.2026
        WindowHarness harness(services);
        const auto name = [](QWidget& widget) {
            return QAccessible::queryAccessibleInterface(&widget)->text(QAccessible::Name);
        };
        QCOMPARE(name(harness.inputLine()), QStringLiteral("Ввод в текущую ячейку"));
        QCOMPARE(name(harness.gridView()), QStringLiteral("Журнал ЭКЛЗ"));
        QCOMPARE(name(harness.control<QPushButton>("CmdDelS")), QStringLiteral("Удалить строку"));
        QVERIFY(!harness.inputLine().placeholderText().isEmpty());

        harness.folder().write(QStringLiteral("thisyear.csv"),
                               journalBytes({texts({"Бета", "", "", "", "", "10.10.2025"}),
                                             texts({"Вега", "", "", "", "", "05.11.2025"})}));
        harness.press("CmdZagruz");
        auto* delegate = qobject_cast<app::CellDelegate*>(harness.gridView().itemDelegate());
        const QAbstractItemModel& model = harness.grid();
        QCOMPARE(delegate->toolTip(model.index(0, 2)),
                 QStringLiteral("Заблокирована с 01.12.2026"));
        QCOMPARE(delegate->toolTip(model.index(1, 0)), QStringLiteral("Блокируется 01.01.2027"));
    }

    // Ctrl+Shift+P shows the journal's pages in a preview, Ctrl+P Qt's print dialog.
    void printDialogAndPreviewOpen() {
        app::WindowServices services;
        services.clock = std::make_shared<FixedClock>();
        WindowHarness harness(services);
        harness.folder().write(QStringLiteral("thisyear.csv"),
                               journalBytes(QList<QStringList>(40, texts({"Владелец"}))));
        harness.press("CmdZagruz");
        int pages = -1;
        QTimer::singleShot(0, &harness.window(), [&] {
            auto* dialog =
                harness.window().findChild<QPrintPreviewDialog*>(QStringLiteral("DlgPreview"));
            pages = dialog ? dialog->findChild<QPrintPreviewWidget*>()->pageCount() : -2;
            if (dialog)
                dialog->reject();
        });
        QTest::keyClick(&harness.gridView(), Qt::Key_P, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(pages, 2);                // 36 rows on the first page, 4 on the second
        harness.window().activateWindow(); // back from the preview
        QVERIFY(QTest::qWaitForWindowActive(&harness.window()));
        bool shown = false;
        QTimer::singleShot(0, &harness.window(), [&] {
            auto* dialog = harness.window().findChild<QPrintDialog*>();
            shown = dialog != nullptr;
            if (dialog)
                dialog->reject();
        });
        QTest::keyClick(&harness.gridView(), Qt::Key_P, Qt::ControlModifier);
        QVERIFY(shown);
    }

    // Kept in an INI file of the user's, never in the journal folder.
    void placeAndColumnWidthsAreKept() {
        TempFolder config;
        auto settings = std::make_shared<QSettings>(config.file(QStringLiteral("eklz.ini")),
                                                    QSettings::IniFormat);
        app::WindowServices services;
        services.settings = settings;
        QSize size;
        {
            WindowHarness first(services);
            first.window().resize(first.window().size() + QSize(40, 30));
            size = first.window().size();
            first.gridView().horizontalHeader()->resizeSection(2, 177);
            QVERIFY(first.window().close());
        }
        WindowHarness second(services);
        QCOMPARE(second.window().size(), size);
        QCOMPARE(second.gridView().columnWidth(2), 177);
        second.press("CmdZagruz"); // a new journal keeps the width dragged
        QCOMPARE(second.gridView().columnWidth(2), 177);
    }
};

QTEST_MAIN(TestDesktop)
#include "tst_desktop.moc"
