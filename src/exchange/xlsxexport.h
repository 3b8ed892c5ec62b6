#pragma once

#include <QString>
#include <optional>

namespace exchange {

class ExportSheet;

struct XlsxOptions {
    // Each row goes to a temporary file as it is written, strings inline in the sheet, so that
    // the memory taken stays the same however many rows there are; off, every text is kept in
    // memory for the shared-string table until the end.
    bool constantMemory = true;
};

// The sheet as an Excel workbook of one sheet at `path` (written in place: exportfile.h makes a
// write atomic). Every cell a string, but for the dates of the date columns, which are dates
// shown ДД.ММ.ГГГГ; the header row bold, frozen and filtered; the columns' widths; the shading.
// None when written, else why not, in words for the user. The sheet must fit (checkSheetFits).
std::optional<QString> writeXlsx(const ExportSheet& sheet, const QString& path,
                                 XlsxOptions options = {});

} // namespace exchange
