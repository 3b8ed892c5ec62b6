#include "core/journalformat.h"
#include "journal/journalsearch.h"
#include "support/tempfolder.h"

#include <QTest>

namespace {

struct Journal {
    QString journal;
    QString file;       // relative to the program folder
    QStringList lines;  // as written, each line's cells ended or separated by ";"
    QByteArray lineEnd; // CR LF, LF or CR
    bool utf8 = false;  // else Windows-1251
};

QList<Journal> journals() {
    const QString longLine(core::MaxLineLength + 1, u'x');
    return {
        {QStringLiteral("thisyear.csv"),
         QStringLiteral("thisyear.csv"),
         {QStringLiteral("ООО «Берёзка»;ЭКР 2102К;123;0001;;15.03.2009;;Иванов А.А.;"),
          QStringLiteral("ИП Щукин;ШТРИХ-ФР-К;;ABC-77;;;;Смирнов;"),
          QStringLiteral("ЗАО «Ёлка»;;;;;;;Петров Б.Б.;")},
         "\r\n"},
        // An empty line is a row; a line may lack its last ";" or run past eight cells.
        {QStringLiteral("2008"),
         QStringLiteral("Archive/2008.csv"),
         {QStringLiteral("ООО «Цветы»;Касби-02К;;;;;;Сидоров"), QString(),
          QStringLiteral("ООО «Гастроном»;;;;;;;Попов;лишнее;ещё петров;")},
         "\n"},
        {QStringLiteral("2009"),
         QStringLiteral("Archive/2009.csv"),
         {QStringLiteral("МУП «Берёзка»;Меркурий-115К;;;;;;Petrov;"),
          QStringLiteral("ООО «Ромашка»;;;;;;;Иванов;")},
         "\r",
         true},
        // The reader stops at the overlong line: nothing below it is shown, so nothing is found.
        {QStringLiteral("2010"),
         QStringLiteral("Archive/2010.csv"),
         {QStringLiteral("ООО «Аптека»;"), longLine, QStringLiteral("Петров;")},
         "\r\n"},
        {QString(), QStringLiteral("Archive/notes.txt"), {QStringLiteral("Зайцев;")}, "\r\n"},
        {QString(),
         QStringLiteral("Archive/old.csv/2007.csv"),
         {QStringLiteral("Зайцев;")},
         "\r\n"},
    };
}

// The first eight cells the reader makes of a line.
QStringList firstEightCells(const QString& line) {
    QStringList cells = line.split(u';');
    if (cells.last().isEmpty())
        cells.removeLast();
    cells.resize(core::FileColumns);
    return cells;
}

} // namespace

class TestJournalSearch : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void findsRowsInEveryJournal_data() {
        QTest::addColumn<QString>("needle");
        QTest::addColumn<int>("limit");
        QTest::addColumn<QStringList>("hits"); // journal:row
        const auto row = [](const char* name, const char* needle, int limit, const char* hits) {
            QTest::newRow(name) << QString::fromUtf8(needle) << limit
                                << QString::fromUtf8(hits).split(u' ', Qt::SkipEmptyParts);
        };
        row("case and ё aside, Windows-1251 and UTF-8", "БЕРЕЗКА", 1000, "thisyear.csv:1 2009:1");
        row("ё in the needle", "ёлка", 1000, "thisyear.csv:3");
        row("Latin, case aside", "abc-7", 1000, "thisyear.csv:2");
        row("Latin in UTF-8", "PETROV", 1000, "2009:1");
        row("last column and past the eighth", "ПЕТРОВ", 1000, "thisyear.csv:3 2008:3");
        row("every file in order", "ооо", 1000, "thisyear.csv:1 2008:1 2008:3 2009:2 2010:1");
        row("limit", "ооо", 3, "thisyear.csv:1 2008:1 2008:3");
        row("no match", "Щербаков", 1000, "");
        row("across a ';'", "123;0001", 1000, "");
        row("not an archive", "Зайцев", 1000, "");
        row("empty needle", "", 1000, "");
    }

    void findsRowsInEveryJournal() {
        QFETCH(QString, needle);
        QFETCH(int, limit);
        QFETCH(QStringList, hits);
        TempFolder folder;
        QHash<QString, Journal> byName;
        for (const Journal& j : journals()) {
            const QString text =
                j.lines.join(QString::fromLatin1(j.lineEnd)) + QString::fromLatin1(j.lineEnd);
            folder.write(j.file, j.utf8 ? text.toUtf8() : cp1251(text));
            byName.insert(j.journal, j);
        }

        const std::vector<journal::JournalHit> found =
            journal::searchJournals(folder.path(), core::FindText(needle), limit);
        QStringList where;
        for (const journal::JournalHit& hit : found) {
            where << hit.journal + u':' + QString::number(hit.row);
            const Journal& j = byName.value(hit.journal);
            QCOMPARE(hit.path, folder.file(j.file));
            QCOMPARE(hit.cells, firstEightCells(j.lines.value(hit.row - 1)));
        }
        QCOMPARE(where, hits);
    }
};

QTEST_GUILESS_MAIN(TestJournalSearch)
#include "tst_journalsearch.moc"
