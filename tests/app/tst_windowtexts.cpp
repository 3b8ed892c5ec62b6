// Whole texts: the window and its controls fit the screen and show their captions whole (with the
// real fonts), the input boxes are wide enough for their titles, the file dialog speaks Russian.
// Run offscreen and once more on a desktop at QT_SCALE_FACTOR=2 on a 1366x768 screen.
#include "app/dialogprompter.h"
#include "app/filechooser.h"
#include "app/gridview.h"
#include "app/russian.h"
#include "support/gridtexts.h"
#include "support/printfixtures.h"
#include "support/windowharness.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QTreeView>

namespace {

// What a dialog shown with exec() is made of, read once it shows; it is then closed.
template <typename Read> void whileShown(Read read) {
    QTimer::singleShot(0, [read] {
        QWidget* dialog = QApplication::activeModalWidget();
        QVERIFY(dialog);
        QVERIFY(QTest::qWaitForWindowExposed(dialog));
        read(*dialog);
        if (auto* shown = qobject_cast<QDialog*>(dialog))
            shown->reject();
    });
}

// The controls of the window's own strip: its direct children that are shown.
QList<QWidget*> shownControls(QWidget& window) {
    QList<QWidget*> shown;
    for (QWidget* child : window.findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly))
        if (child->isVisible() && !child->isWindow())
            shown << child;
    return shown;
}

} // namespace

class TestWindowTexts : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { app::installRussianTranslations(*QCoreApplication::instance()); }

    // At its first size the window with its frame fits the screen; every control lies inside it,
    // none over another; "Обмен" shows its whole caption and the summary of a journal its
    // whole line.
    void theWindowFitsTheScreenAndShowsItsTextsWhole() {
        app::WindowServices services;
        services.clock = std::make_shared<FixedClock>(); // 07.12.2026
        WindowHarness harness(services);
        QWidget& window = harness.window();
        const QRect available = window.screen()->availableGeometry();
        qInfo("screen %dx%d available, window %dx%d, frame %dx%d", available.width(),
              available.height(), window.width(), window.height(), window.frameGeometry().width(),
              window.frameGeometry().height());
        QVERIFY(window.frameGeometry().width() <= available.width() &&
                window.frameGeometry().height() <= available.height());
        const QList<QWidget*> controls = shownControls(window);
        for (QWidget* control : controls) {
            QVERIFY2(window.rect().contains(control->geometry()),
                     qPrintable(control->objectName()));
            // (The buttons of the journal's table overlap by a pixel, as they always have.)
            const QString name = control->objectName();
            if (name != QLatin1String("CmdExchange") && name != QLatin1String("LblBlocked") &&
                name != QLatin1String("CmbFilter"))
                continue;
            for (QWidget* other : controls)
                QVERIFY2(other == control || !other->geometry().intersects(control->geometry()),
                         qPrintable(control->objectName() + u' ' + other->objectName()));
        }
        auto& exchange = harness.control<QToolButton>("CmdExchange");
        QCOMPARE(exchange.text(), QStringLiteral("&Обмен"));
        QVERIFY2(exchange.fontMetrics().horizontalAdvance(QStringLiteral("Обмен")) <
                     exchange.contentsRect().width(),
                 qPrintable(QString::number(exchange.width())));
        QVERIFY(exchange.sizeHint().width() <= exchange.width());

        harness.folder().write(
            QStringLiteral("thisyear.csv"),
            journalBytes({texts({"Бета", "", "", "", "", "10.10.2025"}),
                          texts({"Вега", "", "", "", "", "05.11.2025"}), texts({"Гамма"})}));
        harness.press("CmdZagruz");
        QLabel& summary = harness.blockSummary();
        QVERIFY(summary.text().startsWith(QStringLiteral("Заблокированы: 1.")));
        QVERIFY2(summary.fontMetrics().horizontalAdvance(summary.text()) <=
                     summary.contentsRect().width(),
                 qPrintable(
                     QStringLiteral("%1 px for \"%2\"").arg(summary.width()).arg(summary.text())));
        QVERIFY(summary.toolTip().isEmpty());
    }

    // Narrower than the buttons' rows, "Обмен" goes to the strip under the grid, right of the
    // filter, and the summary is cut with "…", whole in its tooltip.
    void aNarrowWindowKeepsItsControlsInside() {
        app::WindowServices services;
        services.clock = std::make_shared<FixedClock>();
        WindowHarness harness(services);
        QWidget& window = harness.window();
        auto& exchange = harness.control<QToolButton>("CmdExchange");
        const QRect exit = harness.control<QPushButton>("CmdProd").geometry();
        window.resize(exit.right() + 8, window.height());
        QVERIFY(window.rect().contains(exchange.geometry()));
        const QRect grid = harness.gridView().geometry();
        QVERIFY(exchange.geometry().top() > grid.bottom());
        const QRect filter = harness.control<QComboBox>("CmbFilter").geometry();
        QVERIFY(filter.right() < exchange.geometry().left());
        QLabel& summary = harness.blockSummary();
        QVERIFY(summary.geometry().right() < filter.left());
        QVERIFY(exchange.sizeHint().width() <= exchange.width());

        window.resize(window.width() / 2, window.height());
        QVERIFY(summary.fontMetrics().horizontalAdvance(summary.text()) >
                summary.contentsRect().width());
        QCOMPARE(summary.toolTip(), summary.text());
        QVERIFY(window.rect().contains(exchange.geometry()));
    }

    // The filter is as wide as its choice, and its list shows every choice whole.
    void theFilterShowsItsChoicesWhole() {
        WindowHarness harness;
        auto& filter = harness.control<QComboBox>("CmbFilter");
        const QRect narrow = filter.geometry();
        filter.setCurrentIndex(filter.count() - 1);
        QVERIFY(filter.width() > narrow.width());
        QCOMPARE(filter.geometry().right(), narrow.right());
        for (int i = 0; i < filter.count(); ++i)
            QVERIFY2(filter.fontMetrics().horizontalAdvance(filter.itemText(i)) <
                         filter.view()->minimumWidth(),
                     qPrintable(filter.itemText(i)));
    }

    // An input box is wide enough for its title in a bold title-bar font beside the title bar's
    // buttons, and for its prompt.
    void inputBoxesAreWideEnoughForTheirTitles_data() {
        QTest::addColumn<bool>("offered");
        QTest::newRow("input box") << false;
        QTest::newRow("names offered") << true;
    }
    void inputBoxesAreWideEnoughForTheirTitles() {
        QFETCH(bool, offered);
        app::DialogPrompter prompter;
        const QString title = QStringLiteral("Введите имя файла");
        int width = 0;
        int needed = 0;
        whileShown([&](QWidget& dialog) {
            QFont bold = dialog.font();
            bold.setBold(true);
            // The title, the icon and four buttons of the title bar and their margins.
            needed =
                QFontMetrics(bold).horizontalAdvance(title) + 5 * QFontMetrics(bold).height() + 16;
            width = dialog.width();
            QCOMPARE(dialog.windowTitle(), title);
        });
        if (offered)
            prompter.chooseName(title, title, {QStringLiteral("2009")}, {});
        else
            prompter.inputBox(title, title);
        QVERIFY2(width >= needed, qPrintable(QStringLiteral("%1 < %2").arg(width).arg(needed)));
    }

    // "Папка журналов…" asks in Russian: the labels, the buttons and what a folder is called.
    void theFolderDialogSpeaksRussian() {
        app::DialogFileChooser files;
        QStringList english;
        whileShown([&](QWidget& dialog) {
            static const QRegularExpression latin(QStringLiteral("[A-Za-z]{2,}"));
            const auto check = [&](const QString& where, const QString& text) {
                if (latin.match(text).hasMatch())
                    english << where + QStringLiteral(": ") + text;
            };
            for (const QLabel* label : dialog.findChildren<QLabel*>())
                if (label->isVisible())
                    check(QStringLiteral("label"), label->text());
            for (const QAbstractButton* button : dialog.findChildren<QAbstractButton*>())
                if (button->isVisible())
                    check(QStringLiteral("button"), button->text());
            for (const QComboBox* box : dialog.findChildren<QComboBox*>())
                if (box->isVisible() && !box->isEditable() &&
                    box->objectName() != QLatin1String("lookInCombo")) // the folder's path
                    check(QStringLiteral("list"), box->currentText());
            auto* model = dialog.findChild<QFileSystemModel*>();
            QVERIFY(model);
            for (int column = 0; column < model->columnCount(); ++column)
                check(QStringLiteral("header"),
                      model->headerData(column, Qt::Horizontal).toString());
            const QModelIndex folder = model->index(QDir::tempPath());
            QVERIFY(folder.isValid());
            check(QStringLiteral("type"), model->type(folder));
        });
        files.folderName(nullptr, QStringLiteral("Папка журналов"), QDir::tempPath());
        QVERIFY2(english.isEmpty(), qPrintable(english.join(QStringLiteral("; "))));
    }
};

QTEST_MAIN(TestWindowTexts)
#include "tst_windowtexts.moc"
