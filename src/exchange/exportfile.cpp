#include "exchange/exportfile.h"

#include "core/foldertree.h"
#include "core/journalio.h"
#include "core/systemerror.h"
#include "exchange/exportsheet.h"
#include "exchange/odsexport.h"
#include "exchange/sheetcells.h"
#include "exchange/xlsxexport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <fcntl.h>
#include <locale.h>
#include <sys/stat.h>
#include <unistd.h>

namespace exchange {

namespace {

// The C library formats numbers by the process's locale, which Qt sets from the environment:
// under ru_RU.UTF-8 printf writes "0,7". The files the exchange writes want a decimal point
// whatever the user's locale is, and libxlsxwriter writes their widths and margins with the C
// library. (The import reads numbers with Qt, which always takes a point.)
//
// While a scope lives, the C library on this thread reads and writes numbers as the "C" locale
// does; its other categories, and the other threads, keep the locale they had.
class DecimalPointScope {
public:
    DecimalPointScope() {
        // A copy of the locale this thread uses now, with "C" numbers.
        const locale_t current = duplocale(uselocale(nullptr));
        locale_ = current ? newlocale(LC_NUMERIC_MASK, "C", current) : nullptr;
        if (locale_)
            previous_ = uselocale(locale_);
        else if (current)
            freelocale(current);
    }
    ~DecimalPointScope() {
        if (!locale_)
            return;
        uselocale(previous_);
        freelocale(locale_);
    }
    DecimalPointScope(const DecimalPointScope&) = delete;
    DecimalPointScope& operator=(const DecimalPointScope&) = delete;

private:
    locale_t locale_ = nullptr;   // ours, null when none could be made
    locale_t previous_ = nullptr; // the thread's before, given back at the end
};

enum class SheetFormat { Xlsx, Ods };

// The format a file name asks for by its extension (".xlsx", ".ods", in any case).
std::optional<SheetFormat> sheetFormatOf(const QString& path) {
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == QStringLiteral("xlsx"))
        return SheetFormat::Xlsx;
    if (suffix == QStringLiteral("ods"))
        return SheetFormat::Ods;
    return std::nullopt;
}

QString failedMessage(const QString& path, const QString& cause) {
    return QStringLiteral("Не удалось выгрузить журнал в файл %1.\n%2")
        .arg(QDir::toNativeSeparators(path), cause);
}

// The first cell of the sheet longer than a cell of Excel holds, as "строка N, колонка M"
// (counted as the spreadsheet counts them, the header being row 1); none when there is none.
std::optional<QString> overlongCell(const ExportSheet& sheet) {
    const auto place = [](int row, int col) {
        return QStringLiteral("строка %1, колонка %2").arg(row + 1).arg(col + 1);
    };
    for (int c = 0; c < sheet.cols(); ++c)
        if (sheet.column(c).caption.size() > MaxCellLength)
            return place(0, c);
    for (int r = 0; r < sheet.rows(); ++r)
        for (int c = 0; c < sheet.cols(); ++c)
            if (sheet.cell(r, c).size() > MaxCellLength)
                return place(r + 1, c);
    return std::nullopt;
}

// Why the sheet cannot go into that format at all; none when it fits.
std::optional<QString> refusal(const ExportSheet& sheet, SheetFormat format) {
    if (sheet.rows() + 1 > MaxSheetRows)
        return QStringLiteral("В листе электронной таблицы не больше %1 строк, а в журнале %2 "
                              "(с заголовком).")
            .arg(MaxSheetRows)
            .arg(sheet.rows() + 1);
    if (sheet.cols() > MaxSheetColumns)
        return QStringLiteral("В листе электронной таблицы не больше %1 колонок, а в журнале %2.")
            .arg(MaxSheetColumns)
            .arg(sheet.cols());
    if (format == SheetFormat::Xlsx)
        if (const std::optional<QString> cell = overlongCell(sheet))
            return QStringLiteral("В ячейке (%1) больше %2 знаков: столько Excel в ячейке не "
                                  "хранит. Сократите её текст или выберите формат .ods.")
                .arg(*cell)
                .arg(MaxCellLength);
    return std::nullopt;
}

int flushed(const QByteArray& path) {
    const core::FileHandle file(::open(path.constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW));
    if (!file.valid())
        return errno;
    return ::fsync(file.fd()) == 0 ? 0 : errno;
}

} // namespace

std::optional<QString> unknownFormatMessage(const QString& path) {
    if (sheetFormatOf(path))
        return std::nullopt;
    return failedMessage(path, QStringLiteral("Выберите файл с расширением .xlsx или .ods."));
}

ExportOutcome exportSheet(const ExportSheet& sheet, const QString& path) {
    const DecimalPointScope decimalPoint;
    const std::optional<SheetFormat> format = sheetFormatOf(path);
    if (!format)
        return {false, *unknownFormatMessage(path)};
    if (const std::optional<QString> refused = refusal(sheet, *format))
        return {false, failedMessage(path, *refused)};
    const QFileInfo target(path);
    if (target.isDir())
        return {false, failedMessage(path, core::systemErrorText(EISDIR))};
    const QString folderPath = target.absolutePath();
    const core::FileHandle folder(
        ::open(QFile::encodeName(folderPath).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!folder.valid())
        return {false, failedMessage(path, core::systemErrorText(errno))};
    const QByteArray name = QFile::encodeName(target.fileName());
    // The temporary is made here, never over anything there, so that the writers' libraries
    // write into a file of ours.
    const QByteArray temporary = core::temporaryName(name);
    mode_t mode = 0644;
    {
        // Made as any new file of the user's, the umask applied by the system.
        const core::FileHandle made(::openat(folder.fd(), temporary.constData(),
                                             O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                                             0666));
        struct stat info {};
        if (!made.valid() || ::fstat(made.fd(), &info) != 0)
            return {false, failedMessage(path, core::systemErrorText(errno))};
        mode = info.st_mode & 0777;
    }
    // A file replaced keeps its own bits.
    if (struct stat existing{};
        ::fstatat(folder.fd(), name.constData(), &existing, AT_SYMLINK_NOFOLLOW) == 0 &&
        S_ISREG(existing.st_mode))
        mode = existing.st_mode & 0777;
    const QByteArray temporaryPath = QFile::encodeName(folderPath) + '/' + temporary;
    const QString temporaryFile = QFile::decodeName(temporaryPath);
    std::optional<QString> failure = *format == SheetFormat::Xlsx ? writeXlsx(sheet, temporaryFile)
                                                                  : writeOds(sheet, temporaryFile);
    if (!failure) {
        // The bits of any new file of the user's, as the temporary was made: the libraries may
        // have replaced it by a private file of their own.
        ::chmod(temporaryPath.constData(), mode);
        int error = flushed(temporaryPath);
        if (error == 0 &&
            ::renameat(folder.fd(), temporary.constData(), folder.fd(), name.constData()) != 0)
            error = errno;
        if (error != 0)
            failure = core::systemErrorText(error);
        else
            ::fsync(folder.fd());
    }
    if (failure) {
        ::unlinkat(folder.fd(), temporary.constData(), 0);
        return {false, failedMessage(path, *failure)};
    }
    return {};
}

} // namespace exchange
