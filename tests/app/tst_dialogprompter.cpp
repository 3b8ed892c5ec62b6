// The question boxes of the real prompter: which answers each offers, the one Enter takes and the
// one Escape takes, and what each answer returns.
#include "app/dialogprompter.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <functional>

namespace {

// What a message box offered, read while it showed.
struct Shown {
    QStringList answers; // sorted: the order on screen is the platform's
    QString preferred;
    QString escape;
    QString objectName;
};

QString captionOf(const QAbstractButton* button) {
    return button ? button->text() : QString();
}

// Reads the next message box once it shows, then answers it: the button of that caption, or
// Escape when the caption is empty.
void answerWhenShown(Shown& shown, const QString& caption) {
    QTimer::singleShot(0, [&shown, caption] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        QVERIFY(box);
        shown.objectName = box->objectName();
        for (const QAbstractButton* button : box->buttons())
            shown.answers << button->text();
        std::sort(shown.answers.begin(), shown.answers.end());
        shown.preferred = captionOf(box->defaultButton());
        shown.escape = captionOf(box->escapeButton());
        if (caption.isEmpty()) {
            QTest::keyClick(box, Qt::Key_Escape);
            return;
        }
        for (QAbstractButton* button : box->buttons())
            if (button->text() == caption)
                button->click();
    });
}

using Ask = std::function<QString(app::DialogPrompter&)>;

QStringList sorted(QStringList texts) {
    std::sort(texts.begin(), texts.end());
    return texts;
}

} // namespace

Q_DECLARE_METATYPE(Ask)

class TestDialogPrompter : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // Each question offers its answers, "Да" never the default; Escape takes the last, careful
    // answer, and every answer is told apart.
    void questionsOfferTheirAnswers_data() {
        QTest::addColumn<Ask>("ask");
        QTest::addColumn<QString>("click"); // empty: Escape
        QTest::addColumn<QStringList>("answers");
        QTest::addColumn<QString>("preferred");
        QTest::addColumn<QString>("escape");
        QTest::addColumn<QString>("objectName");
        QTest::addColumn<QString>("result");
        const QString yes = QStringLiteral("Да");
        const QString no = QStringLiteral("Нет");
        const QString cancel = QStringLiteral("Отмена");
        const Ask question = [](app::DialogPrompter& p) {
            return p.question(QStringLiteral("?")) ? QStringLiteral("yes") : QStringLiteral("no");
        };
        const Ask yesOrCancel = [](app::DialogPrompter& p) {
            return p.yesOrCancel(QStringLiteral("?")) ? QStringLiteral("yes")
                                                      : QStringLiteral("no");
        };
        const Ask keep = [](app::DialogPrompter& p) {
            switch (p.askToKeepChanges(QStringLiteral("?"))) {
            case core::Prompter::KeepChanges::Save:
                return QStringLiteral("save");
            case core::Prompter::KeepChanges::Discard:
                return QStringLiteral("discard");
            case core::Prompter::KeepChanges::Cancel:
                break;
            }
            return QStringLiteral("cancel");
        };
        const auto choose = [](int preferred) {
            return Ask([preferred](app::DialogPrompter& p) {
                const std::optional<int> chosen = p.choose(
                    QStringLiteral("?"), {QStringLiteral("А"), QStringLiteral("Б")}, preferred);
                return chosen ? QString::number(*chosen) : QStringLiteral("none");
            });
        };
        const QStringList yesNo = sorted({yes, no});
        const QStringList yesCancel = sorted({yes, cancel});
        const QStringList yesNoCancel = sorted({yes, no, cancel});
        const QStringList choices = sorted({QStringLiteral("А"), QStringLiteral("Б"), cancel});
        QTest::newRow("question, yes")
            << question << yes << yesNo << no << no << QString() << QStringLiteral("yes");
        QTest::newRow("question, no")
            << question << no << yesNo << no << no << QString() << QStringLiteral("no");
        QTest::newRow("question, Escape")
            << question << QString() << yesNo << no << no << QString() << QStringLiteral("no");
        QTest::newRow("yes or cancel, yes") << yesOrCancel << yes << yesCancel << cancel << cancel
                                            << QString() << QStringLiteral("yes");
        QTest::newRow("yes or cancel, Escape") << yesOrCancel << QString() << yesCancel << cancel
                                               << cancel << QString() << QStringLiteral("no");
        QTest::newRow("keep changes, yes") << keep << yes << yesNoCancel << cancel << cancel
                                           << QString() << QStringLiteral("save");
        QTest::newRow("keep changes, no") << keep << no << yesNoCancel << cancel << cancel
                                          << QString() << QStringLiteral("discard");
        QTest::newRow("keep changes, Escape") << keep << QString() << yesNoCancel << cancel
                                              << cancel << QString() << QStringLiteral("cancel");
        QTest::newRow("choose, the first")
            << choose(1) << QStringLiteral("А") << choices << QStringLiteral("Б") << cancel
            << QStringLiteral("DlgChoose") << QStringLiteral("0");
        QTest::newRow("choose, the preferred")
            << choose(1) << QStringLiteral("Б") << choices << QStringLiteral("Б") << cancel
            << QStringLiteral("DlgChoose") << QStringLiteral("1");
        QTest::newRow("choose, cancel")
            << choose(0) << cancel << choices << QStringLiteral("А") << cancel
            << QStringLiteral("DlgChoose") << QStringLiteral("none");
        QTest::newRow("choose, nothing preferred, Escape")
            << choose(5) << QString() << choices << cancel << cancel << QStringLiteral("DlgChoose")
            << QStringLiteral("none");
    }
    void questionsOfferTheirAnswers() {
        QFETCH(Ask, ask);
        QFETCH(QString, click);
        QFETCH(QString, result);
        app::DialogPrompter prompter;
        Shown shown;
        answerWhenShown(shown, click);
        QCOMPARE(ask(prompter), result);
        QTEST(shown.answers, "answers");
        QTEST(shown.preferred, "preferred");
        QTEST(shown.escape, "escape");
        QTEST(shown.objectName, "objectName");
    }

    // The merge's conflicts: each row shows both texts with a choice, the two buttons under the
    // table set every row, and Save returns each row's choice; Cancel and Escape return none.
    void conflictsAreSettledRowByRow_data() {
        QTest::addColumn<QString>("how");
        QTest::addColumn<QString>(
            "expected"); // one letter a row: m (mine), t (theirs); empty: none
        QTest::newRow("as offered") << QStringLiteral("save") << QStringLiteral("mmm");
        QTest::newRow("all theirs, then the first row mine")
            << QStringLiteral("theirs, first mine, save") << QStringLiteral("mtt");
        QTest::newRow("all theirs, then all mine")
            << QStringLiteral("theirs, mine, save") << QStringLiteral("mmm");
        QTest::newRow("cancel") << QStringLiteral("cancel") << QString();
        QTest::newRow("Escape") << QStringLiteral("escape") << QString();
    }
    void conflictsAreSettledRowByRow() {
        QFETCH(QString, how);
        QFETCH(QString, expected);
        const std::vector<core::MergeConflict> conflicts{
            {core::MergeConflict::ChangedBoth, QStringLiteral("ООО Ромашка"),
             QStringLiteral("0012"), QStringLiteral("Модель"), QStringLiteral("ЭКР 2102К"),
             QStringLiteral("ЭКР 3102К")},
            {core::MergeConflict::DeletedInFile,
             QStringLiteral("ИП Щукин"),
             QStringLiteral("0013"),
             {},
             QStringLiteral("Меркурий"),
             {}},
            {core::MergeConflict::DeletedHere,
             QStringLiteral("ИП Петров"),
             QStringLiteral("0014"),
             {},
             {},
             QStringLiteral("Штрих")}};
        QStringList shownTexts;
        bool found = false;
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            auto* table = dialog->findChild<QTableWidget*>(QStringLiteral("TblConflicts"));
            QVERIFY(table);
            found =
                dialog->objectName() == QStringLiteral("DlgConflicts") && table->rowCount() == 3;
            for (int col : {0, 1, 3, 4})
                shownTexts << table->item(0, col)->text();
            const auto click = [dialog](const char* name) {
                dialog->findChild<QPushButton*>(QString::fromLatin1(name))->click();
            };
            for (const QString& step : how.split(QStringLiteral(", "))) {
                if (step == QStringLiteral("theirs"))
                    click("CmdTakeTheirs");
                else if (step == QStringLiteral("mine"))
                    click("CmdKeepMine");
                else if (step == QStringLiteral("first mine"))
                    qobject_cast<QComboBox*>(table->cellWidget(0, 5))->setCurrentIndex(0);
                else if (step == QStringLiteral("save"))
                    click("CmdSaveMerged");
                else if (step == QStringLiteral("cancel"))
                    click("CmdCancelMerge");
                else
                    QTest::keyClick(dialog, Qt::Key_Escape);
            }
        });
        app::DialogPrompter prompter;
        const std::optional<std::vector<bool>> settled =
            prompter.settleConflicts(QStringLiteral("thisyear.csv"), conflicts);
        QVERIFY(found);
        QCOMPARE(shownTexts,
                 (QStringList{QStringLiteral("ООО Ромашка"), QStringLiteral("0012"),
                              QStringLiteral("ЭКР 2102К"), QStringLiteral("ЭКР 3102К")}));
        QString letters;
        if (settled)
            for (bool theirs : *settled)
                letters += theirs ? u't' : u'm';
        QCOMPARE(settled.has_value(), !expected.isEmpty());
        QCOMPARE(letters, expected);
    }
};

QTEST_MAIN(TestDialogPrompter)
#include "tst_dialogprompter.moc"
