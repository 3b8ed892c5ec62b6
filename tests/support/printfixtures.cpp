#include "support/printfixtures.h"

#include "app/gridmodel.h"
#include "journal/journalcolumns.h"
#include "printing/printgeometry.h"

#include <QRegularExpression>
#include <QSet>
#include <algorithm>
#include <array>

namespace {

const std::array<const char16_t*, 8> ColumnWords{u"Влад", u"Мод", u"ККМ", u"Зав",
                                                 u"Рег",  u"Акт", u"Блк", u"Мех"};

QString columnWord(int col) {
    return col < int(ColumnWords.size()) ? QString::fromUtf16(ColumnWords[std::size_t(col)])
                                         : QStringLiteral("Кол%1").arg(col);
}

int firstRowOnPage(int page) {
    return page == 1 ? 1 : printout::FirstPageRows + (page - 2) * printout::LaterPageRows + 1;
}

int lastRowOnPage(int page, int dataRows) {
    const int last =
        page == 1 ? printout::FirstPageRows : firstRowOnPage(page) + printout::LaterPageRows - 1;
    return std::min(last, dataRows);
}

} // namespace

QString journalCell(int row, int col) {
    return columnWord(col) + QLatin1Char('-') + QString::number(row);
}

void fillJournal(GridModel& grid, int dataRows, int cols) {
    grid.setFormatString(journal::headerFormat());
    QList<QString> cells;
    cells.reserve(qsizetype(dataRows + 1) * cols);
    for (int col = 0; col < cols; ++col)
        cells.append(col < grid.cols() ? grid.textMatrix(0, col) : QString());
    for (int row = 1; row <= dataRows; ++row)
        for (int col = 0; col < cols; ++col)
            cells.append(journalCell(row, col));
    grid.replaceCells(dataRows + 1, cols, std::move(cells));
}

QStringList journalPageProblems(const QString& pageText, int page, int dataRows,
                                const Clock& clock) {
    QStringList problems;
    const QString text = pageText.simplified();
    const QStringList words = text.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    const QSet<QString> tokens(words.cbegin(), words.cend());

    const QString title =
        QStringLiteral("ЖУРНАЛ ЭКЛЗ от ") + clock.date() + QLatin1Char(' ') + clock.time();
    if ((page == 1) != text.contains(title))
        problems << (page == 1 ? QStringLiteral("the title \"%1\" is missing").arg(title)
                               : QStringLiteral("a title on a later page"));

    const QStringList captions = journal::headerFormat().split(QLatin1Char('|'));
    for (QString caption : captions) {
        caption = caption.mid(1).simplified();
        if (!text.contains(caption))
            problems << QStringLiteral("the header \"%1\" is missing").arg(caption);
    }

    const int first = firstRowOnPage(page);
    const int last = lastRowOnPage(page, dataRows);
    for (int row = std::max(1, first - 2); row <= std::min(dataRows, last + 2); ++row) {
        for (int col = 0; col < journal::FileColumns; ++col) {
            const bool shown = tokens.contains(journalCell(row, col));
            const bool belongs = row >= first && row <= last;
            if (shown != belongs)
                problems << QStringLiteral("cell %1 %2 on page %3")
                                .arg(journalCell(row, col),
                                     belongs ? QStringLiteral("missing") : QStringLiteral("shown"))
                                .arg(page);
        }
    }

    static const QRegularExpression label(QStringLiteral("стр\\. (\\d+)"));
    QStringList numbers;
    for (auto it = label.globalMatch(text); it.hasNext();)
        numbers << it.next().captured(1);
    if (numbers != QStringList{QString::number(page)})
        problems << QStringLiteral("page labels %1 instead of %2")
                        .arg(numbers.join(QLatin1Char(',')))
                        .arg(page);
    return problems;
}
