// The block-date pass writes only into the column that holds the block dates, whatever the user
// did to the columns: moves, inserts, deletes, header sorts, saves and reopenings (after which the
// captions stand by position again). Each sequence runs the pass after every step, as a click on
// the grid does, and checks every cell of every row against where it came from.
#include "core/journalcharset.h"
#include "core/journaldates.h"
#include "core/journalformat.h"
#include "editing/rowcolumncommands.h"
#include "journal/journalfiles.h"
#include "journal/journalgrid.h"
#include "model/blockjudgement.h"
#include "model/gridmodel.h"
#include "support/tempfolder.h"

#include <QTest>

namespace {

constexpr int Rows = 6;
constexpr int ActivationId = 5;
constexpr int BlockId = 6;
constexpr int FirstAddedId = 100;

// Row 4 has no activation date, so the pass stops above it; row 3's date has blanks around it.
const char* const Activations[Rows] = {"15.03.2009",   "01.12.2009", "29.02.2008",
                                       " 31.01.2009 ", "",           "05.05.2010"};

// The text a journal column (by its place in the file the test starts from) holds in a row.
QString cellOf(int id, int row) {
    if (id == ActivationId)
        return QString::fromUtf8(Activations[row]);
    return QStringLiteral("к%1с%2").arg(id).arg(row);
}

// What the block-date column must hold: the computed block date where the pass reaches, the
// file's own text below.
QString blockOf(int row) {
    if (row >= 4)
        return QStringLiteral("01.01.2001");
    core::DateBuffer buffer;
    return core::blockDateText(cellOf(ActivationId, row), buffer).toString();
}

class Journal {
public:
    Journal() {
        QByteArray bytes;
        for (int r = 0; r < Rows; ++r) {
            for (int id = 0; id < 8; ++id) {
                // A block date typed by hand in row 2, which the first pass replaces.
                const QString text = id != BlockId ? cellOf(id, r)
                                     : r == 2      ? QStringLiteral("15.06.2010")
                                                   : blockOf(r);
                bytes += core::encodeWindows1251(text) + ';';
            }
            bytes += "\r\n";
        }
        folder.write(QStringLiteral("thisyear.csv"), bytes);
        for (int id = 0; id < 8; ++id)
            fileIds << id;
        reopen();
    }

    // Applies one step ("move 3", "insert 6", "delete", "sort 5", "save", "reopen") and the pass.
    void apply(const QString& step) {
        const QStringList words = step.split(u' ');
        const int col = words.value(1).toInt();
        if (words[0] == u"move") {
            editing::moveLastColumnTo(grid, col);
            ids.move(ids.size() - 1, col);
        } else if (words[0] == u"insert") {
            grid.insertColumns(col, 1);
            ids.insert(col, nextId++);
        } else if (words[0] == u"delete") {
            grid.removeColumns(grid.columnCount() - 1, 1);
            ids.removeLast();
        } else if (words[0] == u"sort") {
            editing::sortByColumn(grid, col);
        } else if (words[0] == u"save") {
            QVERIFY(std::holds_alternative<journal::Saved>(files.saveCurrent()));
            fileIds = ids.mid(0, 8);
            while (fileIds.size() < 8)
                fileIds << nextId++;
        } else {
            reopen();
            // What was saved opens and saves back byte for byte.
            QCOMPARE(core::writeJournal(grid.dataRows()),
                     folder.read(QStringLiteral("thisyear.csv")));
        }
        journal::fillBlockDates(grid);
    }

    // Every cell of every row holds what its column held in that row; added columns stay empty.
    void check(const QString& after) {
        QCOMPARE(grid.rowCount(), Rows);
        QCOMPARE(ids.size(), grid.columnCount());
        for (int r = 0; r < grid.rowCount(); ++r) {
            const int row = originalRow(r);
            QVERIFY2(row >= 0, qPrintable(after));
            for (int c = 0; c < grid.columnCount(); ++c) {
                const int id = ids[c];
                const QString expected = id >= FirstAddedId ? QString()
                                         : id == BlockId    ? blockOf(row)
                                                            : cellOf(id, row);
                QVERIFY2(grid.cell(r, c) == expected,
                         qPrintable(QStringLiteral("%1: cell %2,%3 holds \"%4\", not \"%5\"")
                                        .arg(after)
                                        .arg(r)
                                        .arg(c)
                                        .arg(grid.cell(r, c), expected)));
            }
        }
    }

private:
    void reopen() {
        QVERIFY(files.openCurrent().ok);
        ids = fileIds;
        while (ids.size() < grid.columnCount())
            ids << nextId++;
    }

    // The row of the starting file a grid row is, told by its activation date or another cell.
    int originalRow(int r) const {
        for (int c = 0; c < grid.columnCount(); ++c)
            for (int row = 0; row < Rows; ++row)
                if (ids[c] < FirstAddedId && ids[c] != BlockId && !cellOf(ids[c], row).isEmpty() &&
                    grid.cell(r, c) == cellOf(ids[c], row))
                    return row;
        return -1;
    }

    TempFolder folder;
    model::GridModel grid;
    journal::JournalFiles files{grid, folder.path()};
    QList<int> ids;
    QList<int> fileIds;
    int nextId = FirstAddedId;
};

// A register as a mechanic keeps it, in the standard column order: registration numbers and
// mechanics are filled in now and then, two units were activated on the first of a month, a
// block date was typed by hand, one unit was written off (no activation date, a note for its
// block date).
const char* const Register[][8] = {
    {"ООО «Альфа»", "ЭЛВЕС-МК", "00112233", "3100112233", "0011223344", "15.03.2009", "15.06.2010",
     "Иванов"},
    {"ИП Сидоров", "Меркурий-115Ф", "00445566", "3100445566", "", "01.12.2009", "01.01.2011", ""},
    {"ООО «Вега»", "АМС-100К", "00778899", "3100778899", "", "29.02.2008", "01.04.2009", ""},
    {"ЗАО «Гамма»", "ЭЛВЕС-МК", "00998877", "3100998877", "", "01.06.2010", "01.08.2011", ""},
    {"ИП Петров", "", "", "", "", "", "списана", ""},
    {"ООО «Дельта»", "Меркурий-115Ф", "00665544", "3100665544", "0066554433", "05.05.2010",
     "01.07.2011", "Петров"},
};

} // namespace

class TestBlockDateColumns : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void passWritesOnlyTheBlockDateColumn_data() {
        QTest::addColumn<QString>("steps");
        QTest::newRow("opened") << QString();
        QTest::newRow("sort, save, reopen") << QStringLiteral("sort 5|save|reopen|sort 0");
        for (int c = 0; c < 8; ++c) {
            QTest::addRow("move to %d", c)
                << QStringLiteral("move %1|sort %1|save|reopen|sort 5|save|reopen").arg(c);
            QTest::addRow("insert at %d", c)
                << QStringLiteral("insert %1|sort 6|save|reopen|sort 0|save|reopen").arg(c);
        }
        QTest::newRow("two moves, a delete") << QStringLiteral("move 0|move 0|delete|save|reopen");
        // Both dates' captions one place off: "Дата актив." over the block dates.
        QTest::newRow("dates swapped")
            << QStringLiteral("move 6|move 5|save|reopen|sort 6|save|reopen");
        QTest::newRow("insert at 6, delete")
            << QStringLiteral("insert 6|delete|save|reopen|move 6|save|reopen");
    }

    // Each pair of the standard columns saved at the places of the activation and block dates,
    // the others in their order: the file reopens with the captions by place, and only the
    // standard pair gets block dates written; any other opens, is clicked, tells why it gets
    // none, and saves back byte for byte.
    void movedColumnsOpenAndSaveUnchanged_data() {
        QTest::addColumn<int>("atActivation");
        QTest::addColumn<int>("atBlock");
        for (int a = 0; a < 8; ++a)
            for (int b = 0; b < 8; ++b)
                if (a != b)
                    QTest::addRow("%d and %d", a, b) << a << b;
    }

    void movedColumnsOpenAndSaveUnchanged() {
        QFETCH(int, atActivation);
        QFETCH(int, atBlock);
        QList<int> order = {0, 1, 2, 3, 4, 7};
        order.removeOne(atActivation);
        order.removeOne(atBlock);
        for (int c : {5, 6, 7})
            if (c != atActivation && c != atBlock && !order.contains(c))
                order << c;
        order.insert(5, atActivation);
        order.insert(6, atBlock);
        QByteArray bytes;
        for (const auto& row : Register) {
            for (int c : order)
                bytes += core::encodeWindows1251(QString::fromUtf8(row[c])) + ';';
            bytes += "\r\n";
        }
        TempFolder folder;
        folder.write(QStringLiteral("thisyear.csv"), bytes);
        model::GridModel grid;
        journal::JournalFiles files{grid, folder.path()};
        QVERIFY(files.openCurrent().ok);
        files.fillBlockDates();
        const bool standard = atActivation == 5 && atBlock == 6;
        const model::BlockJudgement judged(grid, QDate(2010, 6, 1));
        QCOMPARE(judged.unfilledReason().has_value(), !standard);
        // The judgement that shades the rows decides as the pass does.
        QCOMPARE(judged.blockColumn().has_value(), standard);
        QVERIFY(std::holds_alternative<journal::Saved>(files.saveCurrent()));
        QCOMPARE(folder.read(QStringLiteral("thisyear.csv")) == bytes, !standard);
    }

    void passWritesOnlyTheBlockDateColumn() {
        QFETCH(QString, steps);
        Journal journal;
        journal.check(QStringLiteral("opened"));
        QString done;
        for (const QString& step : steps.split(u'|', Qt::SkipEmptyParts)) {
            journal.apply(step);
            done += step + u' ';
            journal.check(done);
        }
    }
};

QTEST_GUILESS_MAIN(TestBlockDateColumns)
#include "tst_blockdatecolumns.moc"
