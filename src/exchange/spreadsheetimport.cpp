#include "exchange/spreadsheetimport.h"

#include "core/journalcolumns.h"
#include "core/journalformat.h"
#include "core/journalseparator.h"
#include "exchange/odsreader.h"
#include "exchange/sheetcells.h"
#include "exchange/xlsxsheet.h"
#include "exchange/zipguard.h"
#include "exchange/zipparts.h"

#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <exception>
#include <new>

namespace exchange {

namespace {

constexpr QByteArrayView ZipStart("PK\x03\x04", 4);
constexpr QByteArrayView EmptyZipStart("PK\x05\x06", 4);
constexpr QByteArrayView OleStart("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8);
// The reading of a sheet takes the cells' text in UTF-16 and little else, as its part is read while
// it inflates: within twice the part's size, as measured on the whole "--import" of registers of
// 1,000,000 rows (a peak of 949 MB for a sheet of 498 MB, of 950 MB for a content.xml of 942 MB).
constexpr qsizetype MemoryPerPartByte = 2;

bool holdsUtf16(QByteArrayView bytes, QStringView text) {
    const QByteArrayView wanted(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
    return bytes.indexOf(wanted) >= 0;
}

const ZipEntry* entryNamed(const std::vector<ZipEntry>& entries, std::string_view name) {
    const auto found = std::ranges::find(entries, name, &ZipEntry::name);
    return found == entries.end() ? nullptr : &*found;
}

// The bytes of a part, whose size was checked with the others; empty when the zip has none.
QByteArray partBytes(QByteArrayView bytes, const ZipIndex& parts, std::string_view name) {
    const std::optional<ZipEntry> entry = parts.find(name);
    return entry ? PartDevice(bytes, *entry).readAll() : QByteArray();
}

const QString PasswordRefusal =
    QStringLiteral("Файл защищён паролем. Откройте его в электронной таблице, снимите пароль, "
                   "сохраните файл и импортируйте снова.");
const QString DamagedRefusal =
    QStringLiteral("Файл повреждён или записан не до конца: таблицу из него не прочитать.");

// The reader of what the zip holds, and the memory its reading takes.
struct Package {
    void (*read)(QByteArrayView bytes, SheetCells& cells) = readXlsx;
    qsizetype memory = 0;
};

// Throws Refusal for a zip that cannot be imported.
Package examine(QByteArrayView bytes) {
    const std::optional<std::vector<ZipEntry>> entries = zipEntries(bytes);
    if (!entries)
        throw Refusal{DamagedRefusal};
    if (std::ranges::any_of(*entries, &ZipEntry::encrypted))
        throw Refusal{PasswordRefusal};
    checkZipParts(bytes, *entries);
    const ZipIndex index(bytes);
    Package package;
    quint64 parts = 0;
    if (entryNamed(*entries, "xl/workbook.xml")) {
        quint64 largestSheet = 0;
        // Part names in any case, as the readers find them.
        for (const ZipEntry& entry : *entries)
            if (QByteArray::fromStdString(entry.name).toLower().startsWith("xl/worksheets/"))
                largestSheet = std::max(largestSheet, entry.size);
        const std::optional<ZipEntry> strings = index.find("xl/sharedStrings.xml");
        parts = largestSheet + (strings ? strings->size : 0);
    } else if (const ZipEntry* content = entryNamed(*entries, "content.xml")) {
        if (!partBytes(bytes, index, "mimetype")
                 .startsWith("application/vnd.oasis.opendocument.spreadsheet"))
            throw Refusal{QStringLiteral("Файл — документ OpenDocument, но не электронная "
                                         "таблица (.ods).")};
        if (partBytes(bytes, index, "META-INF/manifest.xml").contains("encryption-data"))
            throw Refusal{PasswordRefusal};
        package.read = readOds;
        parts = content->size;
    } else {
        throw Refusal{QStringLiteral("Файл — zip-архив, но в нём нет электронной таблицы "
                                     ".xlsx или .ods.")};
    }
    const quint64 most = quint64(std::numeric_limits<qsizetype>::max() / (2 * MemoryPerPartByte));
    package.memory = qsizetype(std::min(parts, most)) * MemoryPerPartByte + bytes.size();
    return package;
}

QString normalCaption(QStringView caption) {
    QString text = caption.toString().simplified().toLower();
    text.replace(u'ё', u'е');
    return text;
}

// The journal column a caption names, if any.
std::optional<int> journalColumnOf(QStringView caption) {
    const QString wanted = normalCaption(caption);
    const std::vector<core::FormatSection>& sections = core::headerSections();
    for (int c = 0; c < core::FileColumns; ++c)
        if (normalCaption(sections[std::size_t(c)].caption) == wanted)
            return c;
    return std::nullopt;
}

// The rows looked at for the header: a title and blank rows may stand above it.
constexpr int HeaderRows = 10;

// The journal column each cell of the row names, each journal column once.
std::vector<std::optional<int>> namedColumns(const QStringList& cells) {
    std::vector<std::optional<int>> named(std::size_t(cells.size()));
    std::vector<bool> taken(core::FileColumns, false);
    for (qsizetype c = 0; c < cells.size(); ++c) {
        const std::optional<int> column = journalColumnOf(cells[c]);
        if (column && !taken[std::size_t(*column)]) {
            taken[std::size_t(*column)] = true;
            named[std::size_t(c)] = column;
        }
    }
    return named;
}

// What the rows above the header held, left out of the journal: each one's first text.
QString rowsAboveHeader(const QList<QStringList>& sheet, int header) {
    QStringList texts;
    for (int r = 0; r < header; ++r)
        for (const QString& cell : sheet[r])
            if (const QString text = cell.trimmed(); !text.isEmpty()) {
                texts << QStringLiteral("«%1»").arg(text);
                break;
            }
    const QString rows =
        header == 1
            ? QStringLiteral("Строка 1 над заголовком не взята")
            : QStringLiteral("Строки 1–%1 над заголовком не взяты").arg(QString::number(header));
    if (texts.isEmpty())
        return rows + QStringLiteral(": в них ничего нет.");
    return rows + QStringLiteral(": ") + texts.join(QStringLiteral(", ")) + u'.';
}

bool columnEmpty(const QList<QStringList>& rows, int col) {
    return std::ranges::all_of(rows,
                               [col](const QStringList& cells) { return cells[col].isEmpty(); });
}

void addProblems(ImportedJournal& journal, const QStringList& kept, qsizetype count) {
    journal.problems << kept;
    journal.problemCount += count;
    if (journal.problems.size() > Problems::KeptProblems)
        journal.problems.resize(Problems::KeptProblems);
}

// The sheet's cells as journal rows. When the first row holds at least two of the journal's
// captions (compared without the blanks around and between words, in either case, ё as е), it
// is the header row: each column goes under its caption, a column of another caption (or of one
// already taken) after the eighth, and the header row is no journal row. Otherwise the columns
// keep their places. The rows are all as wide.
ImportedJournal arrangeColumns(QList<QStringList> sheet) {
    ImportedJournal journal;
    const int rows = int(sheet.size());
    const int cols = rows == 0 ? 0 : int(sheet.first().size());
    // The header is the first of the first rows that names two of the journal's columns or more.
    std::vector<std::optional<int>> named;
    int header = 0;
    for (; header < std::min(rows, HeaderRows); ++header) {
        named = namedColumns(sheet[header]);
        if (std::ranges::count_if(named, [](auto c) { return c.has_value(); }) >= 2)
            break;
    }
    journal.headerRow = header < std::min(rows, HeaderRows);
    QStringList captions;
    if (journal.headerRow) {
        for (const QString& caption : std::as_const(sheet[header]))
            captions << caption.trimmed();
        if (header > 0)
            addProblems(journal, {rowsAboveHeader(sheet, header)}, 1);
        sheet.remove(0, header + 1);
    } else {
        header = -1;
    }
    const int firstSheetRow = header + 2;
    // Where each sheet column goes: its caption's place, or after the eighth.
    std::vector<int> place(std::size_t(cols), -1);
    int next = core::FileColumns;
    for (int c = 0; c < cols; ++c) {
        if (journal.headerRow && named[std::size_t(c)])
            place[std::size_t(c)] = *named[std::size_t(c)];
        else if (!journal.headerRow && c < core::FileColumns)
            place[std::size_t(c)] = c;
        else if (!columnEmpty(sheet, c) || (journal.headerRow && !captions[c].isEmpty()))
            place[std::size_t(c)] = next++;
        if (place[std::size_t(c)] >= core::FileColumns)
            journal.extraCaptions << (journal.headerRow ? captions[c] : QString());
    }
    Problems problems;
    for (int r = 0; r < sheet.size(); ++r) {
        QStringList row(next);
        for (int c = 0; c < cols; ++c)
            if (const int to = place[std::size_t(c)]; to >= 0)
                row[to] = std::move(sheet[r][c]);
        sheet[r] = std::move(row);
        qsizetype length = core::FileColumns;
        for (int c = 0; c < core::FileColumns; ++c)
            length += sheet[r][c].size();
        if (length > core::MaxLineLength)
            problems.add(
                QStringLiteral("Строка %1 листа: её ячейки вместе длиннее строки "
                               "журнала (%2 знаков); такую строку не сохранить, пока "
                               "текст не сократить.")
                    .arg(QString::number(r + firstSheetRow), QString::number(core::MaxLineLength)));
    }
    journal.rows = std::move(sheet);
    addProblems(journal, problems.kept(), problems.count());
    return journal;
}

ImportOutcome refused(QString message) {
    return {std::move(message), {}};
}

ImportOutcome importJournalFile(const QString& path, qsizetype memoryBudget) {
    std::optional<core::FileRead> read = core::readJournalFile(path, memoryBudget);
    if (!read)
        return refused(QStringLiteral("Файл не удалось прочитать."));
    core::ReadResult& result = read->result;
    if (result.fault) {
        const core::ReadFault& fault = *result.fault;
        return refused(
            fault.kind == core::ReadFault::LineTooLong
                ? QStringLiteral("Строка %1 файла длиннее %2 знаков: такой файл не "
                                 "импортировать.")
                      .arg(QString::number(fault.line), QString::number(core::MaxLineLength))
                : QStringLiteral("Не хватает памяти, чтобы прочитать файл (строка %1).")
                      .arg(QString::number(fault.line)));
    }
    ImportOutcome outcome;
    outcome.journal = arrangeColumns(std::move(result.rows));
    const auto tellFirst = [&](QString problem) {
        outcome.journal.problems.prepend(std::move(problem));
        ++outcome.journal.problemCount;
    };
    if (result.droppedNulBytes > 0)
        tellFirst(QStringLiteral("В файле есть нулевые байты (%1): возможно, файл повреждён; они "
                                 "пропущены.")
                      .arg(QString::number(result.droppedNulBytes)));
    if (result.separator != ';')
        tellFirst(
            QStringLiteral("Файл %1 записан с разделителем %2, а не «;»: так его и прочитали.")
                .arg(QFileInfo(path).fileName(), core::separatorName(result.separator)));
    return outcome;
}

// taken: the sheet imported instead, when it is not the first.
QString otherSheetProblem(const QString& name, qsizetype cells, const QString& taken) {
    return QStringLiteral("Лист «%1» (заполнено ячеек: %2) не импортирован: импортируется только "
                          "%3.")
        .arg(name, QString::number(cells),
             taken.isEmpty() ? QStringLiteral("первый лист")
                             : QStringLiteral("лист «%1»").arg(taken));
}

// The sheet's first rows, every one as wide as the widest.
QList<QStringList> firstRowsTable(const OtherSheet& sheet) {
    int cols = 0;
    QList<QStringList> rows;
    for (const auto& [row, col, text] : sheet.firstRows) {
        if (row >= rows.size())
            rows.resize(row + 1);
        cols = std::max(cols, col + 1);
    }
    for (QStringList& cells : rows)
        cells.resize(cols);
    for (const auto& [row, col, text] : sheet.firstRows)
        rows[row][col] = text;
    return rows;
}

// The sheet read, what was found reading it, and the sheets only looked over.
struct SheetRead {
    QList<QStringList> sheet;
    Problems problems;
    std::vector<OtherSheet> others;
};

SheetRead readSheet(const Package& package, QByteArrayView bytes, qsizetype budget, int index) {
    SheetCells cells(budget, index);
    package.read(bytes, cells);
    std::erase_if(cells.others(), [](const OtherSheet& other) { return other.cells == 0; });
    return {cells.take(), cells.problems(), std::move(cells.others())};
}

// Whether the sheet's first rows hold a header naming the journal's columns.
bool holdsJournalColumns(const QList<QStringList>& sheet) {
    return arrangeColumns(sheet.first(std::min<qsizetype>(sheet.size(), OtherSheet::PreviewRows)))
        .headerRow;
}

} // namespace

ImportOutcome importSpreadsheet(QByteArrayView bytes, qsizetype memoryBudget) {
    try {
        if (bytes.isEmpty())
            return refused(QStringLiteral("Файл пуст."));
        if (bytes.startsWith(OleStart))
            return refused(holdsUtf16(bytes, u"EncryptedPackage")
                               ? PasswordRefusal
                               : QStringLiteral("Файл записан в старом формате Excel (.xls). "
                                                "Сохраните его в электронной таблице как .xlsx "
                                                "или .ods и импортируйте снова."));
        if (!bytes.startsWith(ZipStart) && !bytes.startsWith(EmptyZipStart))
            return refused(QStringLiteral("Файл — не электронная таблица .xlsx или .ods."));
        const Package package = examine(bytes);
        if (package.memory > memoryBudget)
            return refused(tooLargeRefusal(package.memory, memoryBudget).message);
        const qsizetype budget = memoryBudget - bytes.size();
        SheetRead read = readSheet(package, bytes, budget, 0);
        QStringList notes;
        QString taken;
        // The journal may stand on another sheet, after a title page or a summary.
        if (!holdsJournalColumns(read.sheet)) {
            const auto journal = std::ranges::find_if(read.others, [](const OtherSheet& other) {
                return holdsJournalColumns(firstRowsTable(other));
            });
            if (journal != read.others.end()) {
                taken = journal->name;
                const int index = journal->index;
                read = {};
                read = readSheet(package, bytes, budget, index);
                notes << QStringLiteral("Журнал взят с листа «%1»: на первом листе нет колонок "
                                        "журнала.")
                             .arg(taken);
            }
        }
        if (read.sheet.isEmpty())
            return refused(QStringLiteral("В первом листе таблицы нет ни одной заполненной "
                                          "ячейки: импортировать нечего."));
        for (const OtherSheet& other : read.others)
            read.problems.add(otherSheetProblem(other.name, other.cells, taken));
        ImportedJournal journal = arrangeColumns(std::move(read.sheet));
        notes << read.problems.kept() << journal.problems;
        journal.problems.clear();
        addProblems(journal, notes, read.problems.count() + (taken.isEmpty() ? 0 : 1));
        return {std::nullopt, std::move(journal)};
    } catch (const Refusal& refusal) {
        return refused(refusal.message);
    } catch (const std::bad_alloc&) {
        return refused(QStringLiteral("Не хватает памяти, чтобы импортировать таблицу."));
    } catch (const std::exception& error) {
        // The XML parser's words are English and name the file's internals: for the log only.
        qCWarning(exchangeLog) << "spreadsheet import:" << error.what();
        return refused(DamagedRefusal);
    } catch (...) {
        return refused(DamagedRefusal);
    }
}

ImportOutcome importFile(const QString& path) {
    const qsizetype memoryBudget = core::availableMemory();
    const QFileInfo info(path);
    if (!info.exists())
        return refused(QStringLiteral("Файл %1 не найден.").arg(path));
    if (!info.isFile())
        return refused(QStringLiteral("%1 — не файл.").arg(path));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return refused(
            QStringLiteral("Файл %1 не удалось открыть: %2").arg(path, file.errorString()));
    const QByteArray start = file.peek(8);
    const bool spreadsheet =
        start.startsWith(ZipStart) || start.startsWith(EmptyZipStart) || start.startsWith(OleStart);
    const QString suffix = info.suffix().toLower();
    try {
        if (!spreadsheet && (suffix == QStringLiteral("csv") || suffix == QStringLiteral("txt"))) {
            file.close();
            return importJournalFile(path, memoryBudget);
        }
        if (file.size() > memoryBudget)
            return refused(tooLargeRefusal(file.size(), memoryBudget).message);
        const QByteArray bytes = file.readAll();
        if (bytes.size() != file.size())
            return refused(QStringLiteral("Файл %1 не удалось прочитать.").arg(path));
        return importSpreadsheet(bytes, memoryBudget);
    } catch (const std::exception&) {
        return refused(QStringLiteral("Не хватает памяти, чтобы прочитать файл."));
    }
}

QString problemsMessage(const QStringList& problems, qsizetype count, int shown) {
    QString message = QStringLiteral("Импорт: не всё перенесено как было.");
    for (qsizetype i = 0; i < std::min<qsizetype>(shown, problems.size()); ++i)
        message += QStringLiteral("\n• ") + problems[i];
    const qsizetype more = count - std::min<qsizetype>(shown, problems.size());
    if (more > 0)
        message += QStringLiteral("\nи ещё %1.").arg(QString::number(more));
    return message;
}

} // namespace exchange
