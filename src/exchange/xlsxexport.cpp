#include "exchange/xlsxexport.h"

#include "core/systemerror.h"
#include "exchange/exportsheet.h"
#include "model/blockjudgement.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStringEncoder>
#include <algorithm>
#include <array>
#include <cerrno>
#include <vector>
#include <xlsxwriter.h>
#include <zip.h>

namespace exchange {

void PieceCounter::take(QByteArrayView piece) {
    // An occurrence cut by the piece's start is found in the carried bytes and the piece joined.
    // None lies in the carried bytes alone, which are shorter than the pattern: each is counted
    // once.
    const QByteArray seen = QByteArray(carry_).append(piece);
    for (qsizetype at = seen.indexOf(pattern_); at >= 0; at = seen.indexOf(pattern_, at + 1))
        ++count_;
    carry_ = seen.right(pattern_.size() - 1);
    tail_ = tail_.append(piece.last(std::min<qsizetype>(piece.size(), 64))).right(64);
}

namespace {

// Texts converted to UTF-8 into one buffer, used again for every cell.
class Utf8Buffer {
public:
    const char* operator()(QStringView text) {
        // A text's own "_xHHHH_" would read back as the character HHHH: its "_" is written as
        // "_x005F_", as Excel writes it.
        if (text.contains(u"_x")) {
            static const QRegularExpression ownEscape(QStringLiteral("_(?=x[0-9A-Fa-f]{4}_)"));
            return converted(text.toString().replace(ownEscape, QStringLiteral("_x005F_")));
        }
        return converted(text);
    }

private:
    const char* converted(QStringView text) {
        buffer_.resize(std::size_t(encoder_.requiredSpace(text.size())) + 1);
        char* end = encoder_.appendToBuffer(buffer_.data(), text);
        *end = '\0';
        return buffer_.data();
    }

    QStringEncoder encoder_{QStringEncoder::Utf8};
    std::vector<char> buffer_;
};

QString libraryFailure(lxw_error error, int systemError) {
    if (systemError != 0)
        return core::systemErrorText(systemError);
    return QStringLiteral("Ошибка записи .xlsx: %1.").arg(QString::fromUtf8(lxw_strerror(error)));
}

// The workbook's formats: the header's, and by shade (a row's block state) text cells' (none
// unshaded) and date cells'.
struct Formats {
    explicit Formats(lxw_workbook* workbook) : header(workbook_add_format(workbook)) {
        format_set_bold(header);
        const std::array<std::uint32_t, 3> colours = {0, model::SoonShade, model::BlockedShade};
        for (std::size_t shade = 0; shade < colours.size(); ++shade) {
            text[shade] = shade == 0 ? nullptr : workbook_add_format(workbook);
            date[shade] = workbook_add_format(workbook);
            format_set_num_format(date[shade], "DD.MM.YYYY");
            if (shade == 0)
                continue;
            for (lxw_format* format : {text[shade], date[shade]}) {
                format_set_pattern(format, LXW_PATTERN_SOLID);
                format_set_bg_color(format, colours[shade]);
            }
        }
    }

    lxw_format* header;
    std::array<lxw_format*, 3> text{};
    std::array<lxw_format*, 3> date{};
};

lxw_error writeCell(lxw_worksheet* sheet, const ExportSheet& from, int row, int col,
                    const Formats& formats, Utf8Buffer& utf8) {
    const QString& text = from.cell(row, col);
    const model::BlockState shade = from.shade(row);
    const auto byShade = std::size_t(shade);
    const auto at = lxw_row_t(row + 1);
    if (from.column(col).dates)
        if (const std::optional<QDate> date = sheetDate(text)) {
            lxw_datetime moment{date->year(), date->month(), date->day(), 0, 0, 0};
            return worksheet_write_datetime(sheet, at, lxw_col_t(col), &moment,
                                            formats.date[byShade]);
        }
    if (text.isEmpty())
        return shade == model::BlockState::Clear
                   ? LXW_NO_ERROR
                   : worksheet_write_blank(sheet, at, lxw_col_t(col), formats.text[byShade]);
    return worksheet_write_string(sheet, at, lxw_col_t(col), utf8(text), formats.text[byShade]);
}

// Writes the cells; `rowsWritten` counts the rows the sheet's XML then holds (the header, and
// every row with a cell that has a text or a shade).
lxw_error writeSheet(lxw_workbook* workbook, const ExportSheet& from, int& rowsWritten) {
    lxw_worksheet* sheet = workbook_add_worksheet(workbook, "Журнал");
    if (!sheet)
        return LXW_ERROR_MEMORY_MALLOC_FAILED;
    const Formats formats(workbook);
    Utf8Buffer utf8;
    const auto lastCol = lxw_col_t(std::max(0, from.cols() - 1));
    lxw_error error = LXW_NO_ERROR;
    for (int c = 0; c < from.cols() && !error; ++c)
        error =
            worksheet_set_column(sheet, lxw_col_t(c), lxw_col_t(c), from.column(c).width, nullptr);
    worksheet_freeze_panes(sheet, 1, 0);
    if (!error && from.cols() > 0)
        error = worksheet_autofilter(sheet, 0, 0, lxw_row_t(from.rows()), lastCol);
    for (int c = 0; c < from.cols() && !error; ++c)
        error = worksheet_write_string(sheet, 0, lxw_col_t(c), utf8(from.column(c).caption),
                                       formats.header);
    rowsWritten = from.cols() > 0 ? 1 : 0;
    for (int r = 0; r < from.rows() && !error; ++r) {
        bool written = from.shade(r) != model::BlockState::Clear && from.cols() > 0;
        for (int c = 0; c < from.cols() && !error; ++c) {
            error = writeCell(sheet, from, r, c, formats, utf8);
            written = written || !from.cell(r, c).isEmpty();
        }
        rowsWritten += written ? 1 : 0;
    }
    return error;
}

// Whether the workbook's sheet holds every row and its end. libxlsxwriter does not check the
// writes of its temporary files, so a disk that fills up part-way would leave a sheet cut short
// without a word.
bool sheetComplete(const QByteArray& file, int rows) {
    int error = 0;
    zip_t* archive = zip_open(file.constData(), ZIP_RDONLY, &error);
    if (!archive)
        return false;
    PieceCounter counter("<row ");
    bool read = false;
    if (zip_file_t* sheet = zip_fopen(archive, "xl/worksheets/sheet1.xml", 0)) {
        std::vector<char> piece(1 << 20);
        zip_int64_t got = 0;
        while ((got = zip_fread(sheet, piece.data(), piece.size())) > 0)
            counter.take(QByteArrayView(piece.data(), qsizetype(got)));
        read = got == 0;
        zip_fclose(sheet);
    }
    zip_discard(archive);
    return read && counter.tail().trimmed().endsWith("</worksheet>") && counter.count() == rows;
}

} // namespace

std::optional<QString> writeXlsx(const ExportSheet& sheet, const QString& path) {
    const QByteArray file = QFile::encodeName(path);
    // Its temporary files go beside the workbook, on the disk that is to hold it anyway (the
    // system's temporary folder may be memory).
    QByteArray folder = QFile::encodeName(QFileInfo(path).absolutePath());
    lxw_workbook_options settings{};
    // Each row goes to a temporary file as it is written, strings inline in the sheet, so that
    // the memory taken stays the same however many rows there are.
    settings.constant_memory = LXW_TRUE;
    settings.tmpdir = folder.data();
    // A sheet of more text than a zip entry of 4 GB holds needs the zip's 64-bit sizes.
    qint64 characters = 0;
    for (int r = 0; r < sheet.rows(); ++r)
        for (int c = 0; c < sheet.cols(); ++c)
            characters += sheet.cell(r, c).size() + 40;
    settings.use_zip64 = characters > (qint64(1) << 30) ? LXW_TRUE : LXW_FALSE;
    errno = 0;
    lxw_workbook* workbook = workbook_new_opt(file.constData(), &settings);
    if (!workbook)
        return libraryFailure(LXW_ERROR_MEMORY_MALLOC_FAILED, errno);
    int rows = 0;
    const lxw_error written = writeSheet(workbook, sheet, rows);
    // Closing writes the file and frees the workbook, whether or not the cells went in; a
    // workbook that failed is removed by the caller.
    errno = 0;
    const lxw_error closed = workbook_close(workbook);
    if (written != LXW_NO_ERROR)
        return libraryFailure(written, 0);
    if (closed != LXW_NO_ERROR)
        return libraryFailure(closed, errno);
    if (!sheetComplete(file, rows))
        return QStringLiteral("Лист записан не полностью: возможно, на диске не хватило места.");
    return std::nullopt;
}

} // namespace exchange
