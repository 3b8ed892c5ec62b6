// The values of a column counted for completion: what matches what is typed, and the counts
// following the grid through edits, added, removed and sorted rows, moved and renamed columns.
#include "editing/gridhistory.h"
#include "model/gridmodel.h"
#include "model/registerstate.h"
#include "support/gridtexts.h"

#include <QItemSelectionModel>
#include <QTest>
#include <map>

namespace {

// What the index should answer, worked out the slow way: every cell of the column looked at.
QString slowProposal(const model::GridModel& grid, const QString& caption, const QString& typed,
                     int skippedRow) {
    const std::optional<int> col = grid.findColumn(caption);
    QString prefix = typed;
    while (!prefix.isEmpty() && prefix.front().isSpace())
        prefix.remove(0, 1);
    prefix = model::matchKey(prefix);
    if (!col || prefix.isEmpty())
        return {};
    std::map<std::pair<QString, QString>, int> counts; // (key, text) -> cells
    for (int row = 0; row < grid.rowCount(); ++row) {
        const QString text = grid.text(row, *col).trimmed();
        if (!text.isEmpty() && row != skippedRow)
            ++counts[{model::matchKey(text), text}];
    }
    QString best;
    int bestCount = 0;
    for (const auto& [value, count] : counts)
        if (value.first.startsWith(prefix) && count > bestCount) {
            best = value.second;
            bestCount = count;
        }
    return best;
}

QString proposal(const model::CompletionValues& values, const QString& typed, int row = -1) {
    return values.proposal(typed, row).value_or(QString());
}

} // namespace

class TestCompletionValues : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void matchesAsTyped_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("proposed");
        const auto row = [](const char* name, const char* typed, const char* proposed) {
            QTest::newRow(name) << QString::fromUtf8(typed) << QString::fromUtf8(proposed);
        };
        row("most frequent", "ООО", "ООО «Рога и копыта»");
        row("case aside", "ооо «ром", "ООО «Ромашка»");
        row("yo as ye", "елк", "Ёлка");
        row("capital yo", "ЁЛ", "Ёлка");
        row("blanks before", "   ип петров", "ИП Петров");
        row("longer wins when typed", "ип петрова", "ИП Петрова");
        row("a blank after counts", "ИП Петров ", "");
        row("quotes", "\"а", "\"Альфа\"");
        row("latin C", "C", "Caffe");
        row("cyrillic С is not latin C", "С", "");
        row("whole value", "ромб", "Ромб");
        row("nothing typed", "", "");
        row("blanks only", "   ", "");
        row("no such value", "Я", "");
        row("past the value", "Ромбы", "");
    }
    void matchesAsTyped() {
        QFETCH(QString, typed);
        QFETCH(QString, proposed);
        model::GridModel grid;
        QList<QStringList> rows;
        const auto add = [&](const char* owner, int times) {
            for (int i = 0; i < times; ++i)
                rows.append({QString::fromUtf8(owner)});
        };
        add("ООО «Ромашка»", 3);
        add("ООО «Рога и копыта»", 5);
        add("ооо «ромашка»", 1);
        add("ёлка", 1);
        add("Ёлка", 2);
        add(" ИП Петров ", 2);
        add("ИП Петрова", 1);
        add("\"Альфа\"", 1);
        add("Caffe", 1);
        add("Ромб", 1);
        add("", 4);
        fillGrid(grid, texts({"Владелец"}), rows);
        const model::CompletionValues values(grid, 0);
        QCOMPARE(proposal(values, typed), proposed);
        QCOMPARE(values.distinct(), 10);
    }

    // The list for Alt+Down: most frequent first, the typed-into row not counted.
    void listsMostFrequentFirst() {
        model::GridModel grid;
        fillGrid(grid, texts({"Механик"}),
                 {texts({"Иванов"}), texts({"Иваненко"}), texts({"Иванов"}), texts({"Ивлев"}),
                  texts({"Иваненко"}), texts({"Иваненко"}), texts({"Петров"})});
        const model::CompletionValues values(grid, 0);
        QCOMPARE(values.matches(u"ив", -1, 10), texts({"Иваненко", "Иванов", "Ивлев"}));
        QCOMPARE(values.matches(u"ив", -1, 2), texts({"Иваненко", "Иванов"}));
        // Row 1 holds "Иваненко": without it, a tie that goes by match order.
        QCOMPARE(values.matches(u"Ива", 1, 10), texts({"Иваненко", "Иванов"}));
        QCOMPARE(proposal(values, QStringLiteral("Ив"), 4), QStringLiteral("Иваненко"));
        QCOMPARE(proposal(values, QStringLiteral("Ив"), 5), QStringLiteral("Иваненко"));
        // A value no other row holds is not proposed for the row holding it.
        QCOMPARE(proposal(values, QStringLiteral("Ивл"), 3), QString());
        QCOMPARE(proposal(values, QStringLiteral("Ивл"), 2), QStringLiteral("Ивлев"));
        QCOMPARE(values.matches(u"", -1, 1), texts({"Иваненко"}));
    }

    // Every kind of change, each checked against a count of the whole column.
    void followsTheGrid() {
        model::GridModel grid;
        fillGrid(grid, texts({"Модель  ККМ", "Владелец"}),
                 {texts({"Меркурий", "Альфа"}), texts({"Штрих", "Альфа"}),
                  texts({"Меркурий", "Бета"}), texts({"Элвес", "Альфа"})});
        QItemSelectionModel selection(&grid);
        editing::GridHistory history(grid, selection);
        const QString caption = QStringLiteral("Владелец");
        const model::RegisterState state(grid, {});
        // What the state proposes in the column with the caption, wherever it stands.
        const auto proposed = [&](const QString& typed, int row = -1) {
            const std::optional<int> col = grid.findColumn(caption);
            return col ? proposal(state.values(*col), typed, row) : QString();
        };
        const QStringList probes = texts({"а", "б", "в", "г", "альфа", "Бет"});
        const auto check = [&](const char* after) {
            for (const QString& typed : probes)
                for (int row : {-1, 0, 2})
                    QVERIFY2(proposed(typed, row) == slowProposal(grid, caption, typed, row),
                             qPrintable(QStringLiteral("%1, «%2», row %3: %4")
                                            .arg(QString::fromUtf8(after), typed)
                                            .arg(row)
                                            .arg(proposed(typed, row))));
        };
        check("opened");
        QCOMPARE(proposed(QStringLiteral("а")), QStringLiteral("Альфа"));
        const auto store = [&](int row, int col, const char* text) {
            const auto step = history.step(QStringLiteral("Ввод"));
            if (row < 0)
                grid.setCaption(col, QString::fromUtf8(text));
            else
                grid.setText(row, col, QString::fromUtf8(text));
        };
        store(0, 1, "Бета");
        store(1, 1, "Бета");
        check("two cells stored");
        QCOMPARE(proposed(QStringLiteral("а")), QStringLiteral("Альфа"));
        QCOMPARE(proposed(QStringLiteral("б")), QStringLiteral("Бета"));
        store(2, 0, "Вега"); // another column
        check("another column stored");
        grid.appendRow(texts({"Меркурий", "Вектор"}));
        grid.appendRow(texts({"Меркурий", "Вектор"}));
        check("rows added");
        {
            const auto step = history.step(QStringLiteral("Сортировка"));
            grid.sort(1);
        }
        check("sorted");
        {
            const auto step = history.step(QStringLiteral("Строка"));
            grid.removeRows(1, 1);
        }
        check("a row removed");
        QVERIFY(history.undo()); // the row comes back with its cells
        check("the removal undone");
        QVERIFY(history.undo()); // the sort undone
        check("the sort undone");
        grid.setRowCount(grid.rowCount() + 3);
        grid.setRowCount(2);
        check("rows cut");
        // The column moves: the caption is followed.
        grid.moveColumnTo(1, 0);
        check("column moved");
        {
            const auto step = history.step(QStringLiteral("Колонка"));
            grid.insertColumns(0, 1);
        }
        check("column inserted");
        store(-1, grid.findColumn(caption).value(), "Хозяин");
        QCOMPARE(proposed(QStringLiteral("а")), QString());
        store(-1, grid.findColumn(u"Хозяин").value(), "Владелец");
        check("renamed back");
        grid.replaceCells(texts({"Владелец"}), {texts({"Гамма"})});
        check("replaced");
        QCOMPARE(proposed(QStringLiteral("г")), QStringLiteral("Гамма"));
    }
};

QTEST_GUILESS_MAIN(TestCompletionValues)
#include "tst_completionvalues.moc"
