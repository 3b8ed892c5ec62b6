#pragma once

#include <QByteArrayView>
#include <QString>
#include <string>
#include <string_view>
#include <vector>

// The parts of an .xlsx package as its relationships link them: where the workbook, its sheets,
// shared strings and styles are, whatever form the program that wrote it gives the links.

namespace exchange {

// The part a relationship's target names. A target starting with "/" starts from the package's
// root, any other from the folder of the part the relationship belongs to ("" for the package
// itself); "." and ".." segments are resolved.
std::string resolvedTarget(std::string_view sourcePart, std::string_view target);

struct WorkbookSheet {
    QString name;
    std::string part; // empty when the workbook's relationships do not name it
};

struct Workbook {
    std::vector<WorkbookSheet> sheets; // in the workbook's order
    bool date1904 = false;             // day 0 is 01.01.1904, not 30.12.1899
    std::string sharedStrings;         // empty when the workbook links none
    std::string styles;
};

// The workbook as the package's relationships, xl/workbook.xml and its relationships give it.
// Throws Refusal naming the part that is no XML (the parser's words go to the log only).
Workbook readWorkbook(QByteArrayView xlsx);

} // namespace exchange
