#include "core/celltable.h"
#include "core/journalcharset.h"

#include <QRandomGenerator>
#include <QTest>
#include <numeric>

using core::CellTable;

namespace {

// The same table as plain strings, row after row: what the cell table must always agree with.
struct Reference {
    int rows = 0;
    int cols = 0;
    QList<QList<QString>> cells; // [row][col]

    void resize(int newRows, int newCols) {
        cells.resize(newRows);
        for (QList<QString>& row : cells)
            row.resize(newCols);
        rows = newRows;
        cols = newCols;
    }
};

// With `forms`, also whether each text is kept in bytes exactly when each of its characters has
// one.
QString mismatch(const core::CellTable& table, const Reference& reference, bool forms = false) {
    if (table.rows() != reference.rows || table.cols() != reference.cols)
        return QStringLiteral("size %1x%2, expected %3x%4")
            .arg(table.rows())
            .arg(table.cols())
            .arg(reference.rows)
            .arg(reference.cols);
    for (int r = 0; r < table.rows(); ++r)
        for (int c = 0; c < table.cols(); ++c)
            if (table.cell(r, c) != reference.cells[r][c] ||
                (forms &&
                 table.cell(r, c).isWide() == core::hasWindows1251Bytes(reference.cells[r][c])))
                return QStringLiteral("cell %1,%2 holds \"%3\", expected \"%4\"")
                    .arg(r)
                    .arg(c)
                    .arg(table.cell(r, c).toString().left(40), reference.cells[r][c].left(40));
    return {};
}

} // namespace

class TestCellTable : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // Random edits, including texts of every length class (empty, short, either side of the
    // length an entry holds, past a whole block), texts kept in bytes, in UTF-16 and both by
    // turns, and texts taken from the table itself, with rows and columns inserted, removed,
    // moved and reordered; the table agrees with plain strings throughout, keeps a text in bytes
    // exactly when each of its characters has one, and stays compact under many edits.
    void agreesWithPlainStringsUnderRandomChanges() {
        QRandomGenerator random(20260315);
        core::CellTable table(3, 4);
        Reference reference;
        reference.resize(3, 4);
        const auto randomText = [&] {
            static const int lengths[] = {0,      1,      10,      0x7FFE,        0x7FFF,
                                          0x8000, 0xFFFF, 0x10001, (1 << 20) + 3, 1 << 19};
            // Cyrillic, Latin, a no-break space and the euro sign have bytes; 中 does not.
            static const char16_t chars[] = {u'а', u'Я', u'ё', u'7', u'\u00A0', u'€', u'中'};
            const int kind = random.bounded(100);
            const int length = kind < 90 ? random.bounded(12) : lengths[random.bounded(10)];
            QString text(length, QChar(u'а' + random.bounded(32)));
            if (length > 0 && random.bounded(3) == 0)
                for (int i = 0, n = 1 + random.bounded(3); i < n; ++i)
                    text[random.bounded(length)] = QChar(chars[random.bounded(7)]);
            return text;
        };
        for (int step = 0; step < 3000; ++step) {
            const int action = random.bounded(100);
            if (action < 70) {
                const int r = random.bounded(table.rows());
                const int c = random.bounded(table.cols());
                QString text;
                if (random.bounded(5) == 0) { // a view into the table itself
                    const core::CellText own =
                        table.cell(random.bounded(table.rows()), random.bounded(table.cols()));
                    text = own.toString();
                    QVERIFY(table.setCell(r, c, own));
                } else {
                    text = randomText();
                    QVERIFY(table.setCell(r, c, text));
                }
                reference.cells[r][c] = text;
            } else if (action < 78 && table.rows() < 40) {
                const int at = random.bounded(table.rows() + 1);
                const int count = 1 + random.bounded(3);
                table.insertRows(at, count);
                reference.cells.insert(at, count, QList<QString>(reference.cols));
                reference.rows += count;
            } else if (action < 85 && table.rows() > 2) {
                const int at = random.bounded(table.rows() - 1);
                table.removeRows(at, 1);
                reference.cells.remove(at);
                --reference.rows;
            } else if (action < 89 && table.cols() < 10) {
                const int at = random.bounded(table.cols() + 1);
                table.insertColumns(at, 1);
                for (QList<QString>& row : reference.cells)
                    row.insert(at, QString());
                ++reference.cols;
            } else if (action < 92 && table.cols() > 1) {
                const int at = random.bounded(table.cols());
                table.removeColumns(at, 1);
                for (QList<QString>& row : reference.cells)
                    row.remove(at);
                --reference.cols;
            } else if (action < 96) {
                const int from = random.bounded(table.cols());
                const int to = random.bounded(table.cols());
                table.moveColumn(from, to);
                for (QList<QString>& row : reference.cells)
                    row.move(from, to);
            } else {
                const int first = random.bounded(table.rows());
                std::vector<int> order(std::size_t(table.rows() - first));
                std::iota(order.begin(), order.end(), 0);
                std::shuffle(order.begin(), order.end(), random);
                table.permuteRows(first, order);
                const QList<QList<QString>> before = reference.cells;
                for (std::size_t i = 0; i < order.size(); ++i)
                    reference.cells[first + int(i)] = before[first + order[i]];
            }
            const QString fault = mismatch(table, reference);
            QVERIFY2(fault.isEmpty(),
                     qPrintable(QStringLiteral("step %1: %2").arg(step).arg(fault)));
        }
        QVERIFY(mismatch(table, reference, true).isEmpty());
        const core::CellTable copy = table;
        QVERIFY(mismatch(copy, reference, true).isEmpty());
        QVERIFY(copy.memoryUsed() <= table.memoryUsed());
    }

    // A text reads the same whether it is kept in Windows-1251 bytes or in UTF-16: equality,
    // characters, trimming (a no-break space is white space and has a byte), the
    // first character a file cannot hold, the bytes written and the characters decoded (past
    // the room on the stack too).
    void readsTheSameHoweverKept() {
        const QString texts[] = {QString(),
                                 QStringLiteral("0123456789"),
                                 QStringLiteral(" \u00A0ООО «Ромашка»\u00A0 "),
                                 QStringLiteral("\u00A0\u00A0"),
                                 QStringLiteral("касса;2"),
                                 QStringLiteral("строка\nвторая"),
                                 QStringLiteral("№ 5 — €"),
                                 QString(300, u'ж') + u' '};
        for (const QString& text : texts) {
            QVERIFY(core::hasWindows1251Bytes(text));
            const QByteArray bytes = core::encodeWindows1251(text);
            const core::CellText narrow = core::CellText::windows1251(bytes);
            const core::CellText wide(text);
            QVERIFY(!narrow.isWide() && wide.isWide());
            QVERIFY(narrow == wide && wide == narrow);
            QCOMPARE(narrow.size(), text.size());
            QCOMPARE(narrow.toString(), text);
            for (qsizetype i = 0; i < text.size(); ++i)
                QCOMPARE(narrow.at(i), text[i].unicode());
            QCOMPARE(narrow.trimmed().toString(), text.trimmed());
            QVERIFY(narrow.trimmed() == wide.trimmed());
            QCOMPARE(core::indexOfUnwritable(narrow), core::indexOfUnwritable(wide));
            QByteArray written(bytes.size(), '\0');
            QCOMPARE(core::writeWindows1251(narrow, written.data()) - written.data(), bytes.size());
            QCOMPARE(written, bytes);
            QCOMPARE(core::CellChars(narrow).view(), QStringView(text));
        }
        // One character differs, or the sizes do: unequal in either form.
        const QByteArray bytes = core::encodeWindows1251(u"Ромашка");
        QVERIFY(core::CellText::windows1251(bytes) != core::CellText(u"Ромашкa")); // Latin a
        QVERIFY(core::CellText::windows1251(bytes) != core::CellText(u"Ромашк"));
        QVERIFY(core::CellText(u"中") != core::CellText(u"?"));
        QCOMPARE(core::indexOfUnwritable(core::CellText::windows1251("ab;c")), 2);
        QCOMPARE(core::indexOfUnwritable(core::CellText(u"ab中c")), 2);
    }

    // The reader's bytes, appended as they are: short texts that fit the block, those either
    // side of the length an entry holds, texts past a block, empty ones; each reads back.
    void keepsTheBytesAppended() {
        const int lengths[] = {1, 3, 0, 0x7FFE, 0x7FFF, 0x8000, 9, (1 << 20) + 5, 2, 1 << 20, 4};
        core::TextColumn column;
        std::vector<QByteArray> appended;
        for (int round = 0; round < 3; ++round)
            for (const int length : lengths) {
                appended.push_back(QByteArray(length, char(0xC0 + (appended.size() % 32))));
                QVERIFY(column.appendWindows1251(appended.back()));
            }
        QCOMPARE(column.rows(), int(appended.size()));
        for (int r = 0; r < column.rows(); ++r) {
            const core::CellText text = column.cell(r);
            QVERIFY2(!text.isWide() && text.bytes() == appended[std::size_t(r)],
                     qPrintable(QString::number(r)));
        }
    }

    // A column's own text stored into it while its first block grows (and the old block goes).
    void storesItsOwnTextWhileGrowing() {
        core::CellTable table(2, 1);
        QVERIFY(table.setCell(0, 0, QString(60, u'ж')));
        QVERIFY(table.setCell(1, 0, table.cell(0, 0)));
        QCOMPARE(table.cell(1, 0), QString(60, u'ж'));
    }

    // Every edit appends its text; the column is compacted before the dead texts outgrow the
    // live ones by much: 20 MB of edits to one cell leave a few megabytes at most.
    void staysCompactUnderManyEdits() {
        core::CellTable table(2, 1);
        for (int i = 0; i < 10000; ++i)
            QVERIFY(table.setCell(i % 2, 0, QString(1000, QChar(u'a' + i % 26))));
        QCOMPARE(table.cell(1, 0), QString(1000, QChar(u'a' + 9999 % 26)));
        QVERIFY2(table.memoryUsed() < 8 << 20, qPrintable(QString::number(table.memoryUsed())));
    }

    // A column told how many rows like its first ones will come makes room for their texts at
    // once: what it holds stays, and the rows that come take no more room.
    void makesRoomForTheRowsExpected() {
        constexpr int Rows = 20000;
        core::TextColumn column;
        column.reserve(Rows);
        const auto text = [](int row) {
            return QStringLiteral("ООО «Ромашка» %1").arg(row, 5, 10, QLatin1Char('0'));
        };
        const auto append = [&](int row) {
            const QString t = text(row);
            QVERIFY(column.append(t));
        };
        for (int r = 0; r < 256; ++r)
            append(r);
        column.expectRows(Rows);
        const qsizetype reserved = column.memoryUsed();
        for (int r = 0; r < 256; ++r)
            QCOMPARE(column.cell(r), text(r));
        for (int r = 256; r < Rows; ++r)
            append(r);
        QCOMPARE(column.memoryUsed(), reserved);
        QCOMPARE(column.cell(Rows - 1), text(Rows - 1));
        QCOMPARE(column.cell(7), text(7));
    }

    // Rows that come longer than the first ones foretold: the room made for them fills up and
    // the column grows on past a block; every text stays as appended.
    void keepsTheRowsThatOutgrowTheRoomExpected() {
        constexpr int Rows = 30000;
        core::TextColumn column;
        column.reserve(Rows);
        const auto text = [](int row) {
            return QString(row < 256 ? 20 : 40, QChar(u'а' + row % 32));
        };
        for (int r = 0; r < Rows; ++r) {
            if (r == 256)
                column.expectRows(Rows);
            const QString t = text(r);
            QVERIFY(column.append(t));
        }
        for (int r = 0; r < Rows; ++r)
            QVERIFY2(column.cell(r) == text(r), qPrintable(QString::number(r)));
    }
};

QTEST_GUILESS_MAIN(TestCellTable)
#include "tst_celltable.moc"
