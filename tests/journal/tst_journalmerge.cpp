#include "core/journalcolumns.h"
#include "journal/journalmerge.h"
#include "model/gridmodel.h"
#include "support/journalfixture.h"

#include <QTest>
#include <functional>

// The three-way merge of a journal: every pair of edits two mechanics make to one register.
namespace {

using journaltest::Rows;

QString operator""_q(const char* text, std::size_t size) {
    return QString::fromUtf8(text, qsizetype(size));
}

const Rows Base = {
    {"ООО Ромашка"_q, "ЭКР 2102К"_q, "17"_q, "А100"_q, "Р1"_q, "15.03.2025"_q, "01.05.2026"_q,
     "Иванов"_q},
    {"ИП Петров"_q, "Меркурий"_q, "18"_q, "А200"_q, "Р2"_q, "16.03.2025"_q, "01.05.2026"_q,
     "Сидоров"_q},
    {"ООО Лютик"_q, "ЭКР 2102К"_q, "19"_q, "А300"_q, "Р3"_q, "17.03.2025"_q, "01.05.2026"_q,
     "Иванов"_q},
    {"Кафе Уют"_q, "Элвес"_q, "20"_q, "А400"_q, "Р4"_q, "18.03.2025"_q, "01.05.2026"_q, "Петров"_q},
};
const QStringList NewRow = {"Аптека"_q, "Меркурий"_q,   "21"_q,         "А500"_q,
                            "Р5"_q,     "19.03.2025"_q, "01.05.2026"_q, "Сидоров"_q};
const QStringList OtherNewRow = {"Школа"_q, "Элвес"_q,      "22"_q,         "А600"_q,
                                 "Р6"_q,    "20.03.2025"_q, "01.05.2026"_q, "Петров"_q};

QList<QStringList> tableOf(Rows rows) {
    for (QStringList& row : rows)
        row.resize(core::FileColumns + 1);
    return rows;
}

void fill(model::GridModel& grid, const Rows& rows) {
    grid.setHeaderFormat(core::headerFormat());
    grid.setRowCount(int(rows.size()));
    grid.setColumnCount(core::FileColumns + 1);
    for (int r = 0; r < rows.size(); ++r)
        for (int c = 0; c < rows[r].size(); ++c)
            grid.setText(r, c, rows[r][c]);
}

// Moves the last of eight cells to the front, as "Переместить колонки" does in column 0.
Rows mechanicFirst(Rows rows) {
    for (QStringList& row : rows)
        row.prepend(row.takeLast());
    return rows;
}

Rows with(Rows rows, int row, int col, const QString& text) {
    rows[row][col] = text;
    return rows;
}

struct Case {
    const char* name;
    std::function<Rows()> theirs;                // the file another copy saved
    std::function<void(model::GridModel&)> ours; // edits to the grid holding Base
    Rows merged;                                 // with every conflict kept the user's way
    int conflicts = 0;
    Rows mergedTakingTheirs = {}; // the same, every conflict the file's way (when there are any)
};

const std::vector<Case>& cases() {
    static const std::vector<Case> all = {
        {"rows added on both sides", [] { return Base + Rows{OtherNewRow}; },
         [](model::GridModel& grid) { grid.appendRow(NewRow); }, Base + Rows{OtherNewRow, NewRow}},
        {"the same row added on both sides is kept once", [] { return Base + Rows{NewRow}; },
         [](model::GridModel& grid) { grid.appendRow(NewRow); }, Base + Rows{NewRow}},
        {"different cells changed", [] { return with(Base, 1, 7, "Кузнецов"_q); },
         [](model::GridModel& grid) { grid.setText(0, 2, "170"_q); },
         with(with(Base, 1, 7, "Кузнецов"_q), 0, 2, "170"_q)},
        {"one cell changed alike", [] { return with(Base, 2, 0, "ООО Лютик и К"_q); },
         [](model::GridModel& grid) { grid.setText(2, 0, "ООО Лютик и К"_q); },
         with(Base, 2, 0, "ООО Лютик и К"_q)},
        {"one cell changed differently", [] { return with(Base, 2, 0, "ООО Лютик-2"_q); },
         [](model::GridModel& grid) { grid.setText(2, 0, "ООО Лютик и К"_q); },
         with(Base, 2, 0, "ООО Лютик и К"_q), 1, with(Base, 2, 0, "ООО Лютик-2"_q)},
        {"a row deleted there, untouched here",
         [] {
             return Rows{Base[0], Base[1], Base[3]};
         },
         [](model::GridModel&) {}, Rows{Base[0], Base[1], Base[3]}},
        {"a row deleted here, untouched there", [] { return Base; },
         [](model::GridModel& grid) { grid.removeRows(1, 1); }, Rows{Base[0], Base[2], Base[3]}},
        {"a row deleted there, changed here",
         [] {
             return Rows{Base[0], Base[2], Base[3]};
         },
         [](model::GridModel& grid) { grid.setText(1, 7, "Кузнецов"_q); },
         with(Base, 1, 7, "Кузнецов"_q), 1, Rows{Base[0], Base[2], Base[3]}},
        {"a row deleted here, changed there", [] { return with(Base, 3, 2, "200"_q); },
         [](model::GridModel& grid) { grid.removeRows(3, 1); }, Rows{Base[0], Base[1], Base[2]}, 1,
         with(Base, 3, 2, "200"_q)},
        {"sorted there and a row added, a cell changed here",
         [] {
             return Rows{Base[3], NewRow, Base[1], Base[0], Base[2]};
         },
         [](model::GridModel& grid) { grid.setText(2, 4, "Р33"_q); },
         Rows{Base[0], Base[1], with(Base, 2, 4, "Р33"_q)[2], Base[3], NewRow}},
        {"a column moved there and a cell changed, another changed here",
         [] { return with(mechanicFirst(Base), 0, 1, "ООО Ромашка+"_q); },
         [](model::GridModel& grid) { grid.setText(3, 2, "2000"_q); },
         with(with(Base, 0, 0, "ООО Ромашка+"_q), 3, 2, "2000"_q)},
        {"a column moved here, a cell changed there",
         [] { return with(Base, 1, 5, "26.03.2025"_q); },
         [](model::GridModel& grid) { grid.moveColumnTo(7, 0); },
         mechanicFirst(with(Base, 1, 5, "26.03.2025"_q))},
        {"a column added here, a row added there", [] { return Base + Rows{NewRow}; },
         [](model::GridModel& grid) {
             grid.setColumnCount(grid.columnCount() + 1);
             grid.moveColumnTo(grid.columnCount() - 1, 2);
         },
         [] {
             Rows rows = Base + Rows{NewRow};
             for (QStringList& row : rows)
                 row.insert(2, QString());
             return rows;
         }()},
        {"a column added there, its last column falling out of the file",
         [] {
             Rows rows = Base;
             for (int r = 0; r < rows.size(); ++r) {
                 rows[r].insert(2, QStringLiteral("доп%1").arg(r));
                 rows[r].removeLast();
             }
             return rows;
         },
         [](model::GridModel&) {},
         [] {
             Rows rows = Base;
             for (int r = 0; r < rows.size(); ++r)
                 rows[r] << QString() << QStringLiteral("доп%1").arg(r);
             return rows;
         }()},
        {"a serial changed there, the owner changed here",
         [] { return with(Base, 0, 3, "А101"_q); },
         [](model::GridModel& grid) { grid.setText(0, 0, "ООО Ромашка-2"_q); },
         with(with(Base, 0, 3, "А101"_q), 0, 0, "ООО Ромашка-2"_q)},
        {"one serial on two rows",
         [] {
             Rows rows = with(with(Base, 2, 3, "А100"_q), 2, 1, "ЭКР 2102Ф"_q);
             return rows;
         },
         [](model::GridModel& grid) { grid.setText(2, 3, "А100"_q); },
         with(with(Base, 2, 3, "А100"_q), 2, 1, "ЭКР 2102Ф"_q)},
        {"blanks count: a cell changed by blanks only is a change",
         [] { return with(Base, 0, 7, "Иванов "_q); }, [](model::GridModel&) {},
         with(Base, 0, 7, "Иванов "_q)},
    };
    return all;
}

} // namespace

class JournalMergeTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void mergesEveryPairOfEdits_data() {
        QTest::addColumn<int>("index");
        for (std::size_t i = 0; i < cases().size(); ++i)
            QTest::newRow(cases()[i].name) << int(i);
    }
    void mergesEveryPairOfEdits() {
        QFETCH(int, index);
        const Case& test = cases()[std::size_t(index)];
        for (const bool takeTheirs : {false, true}) {
            if (takeTheirs && test.conflicts == 0)
                continue;
            model::GridModel grid;
            fill(grid, Base);
            test.ours(grid);
            const journal::JournalMerge merge(tableOf(Base), tableOf(test.theirs()), grid);
            QCOMPARE(int(merge.conflicts().size()), test.conflicts);
            merge.apply(grid, std::vector<bool>(merge.conflicts().size(), takeTheirs));
            QCOMPARE(journaltest::dataRows(grid),
                     takeTheirs ? test.mergedTakingTheirs : test.merged);
        }
    }

    // The question names the row and both texts.
    void describesEachConflict() {
        model::GridModel grid;
        fill(grid, Base);
        grid.setText(1, 7, "Кузнецов"_q);
        const journal::JournalMerge merge(tableOf(Base), tableOf(Base), grid);
        QCOMPARE(int(merge.conflicts().size()), 0); // the file did not change that cell
        const journal::JournalMerge both(tableOf(Base), tableOf(with(Base, 1, 7, "Смирнов"_q)),
                                         grid);
        QCOMPARE(int(both.conflicts().size()), 1);
        const core::MergeConflict& conflict = both.conflicts()[0];
        QCOMPARE(conflict.owner, QStringLiteral("ИП Петров"));
        QCOMPARE(conflict.serial, QStringLiteral("А200"));
        QCOMPARE(conflict.column, QStringLiteral("8 («Механик»)"));
        QCOMPARE(conflict.mine, QStringLiteral("Кузнецов"));
        QCOMPARE(conflict.theirs, QStringLiteral("Смирнов"));
        const journal::JournalMerge::Counts counts = both.counts({true});
        QCOMPARE(counts.changedCells, 1);
        QCOMPARE(both.counts({false}).any(), false);
    }

    // A register both sides started from nothing: everything either side typed is kept.
    void mergesFromAnEmptyBase() {
        model::GridModel grid;
        fill(grid, {NewRow});
        const journal::JournalMerge merge(tableOf({}), tableOf({OtherNewRow}), grid);
        QVERIFY(merge.conflicts().empty());
        merge.apply(grid, {});
        QCOMPARE(journaltest::dataRows(grid), (Rows{OtherNewRow, NewRow}));
    }
};

QTEST_GUILESS_MAIN(JournalMergeTest)
#include "tst_journalmerge.moc"
