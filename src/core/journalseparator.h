#pragma once

#include <QByteArrayView>
#include <QString>

// The separator between the cells of a file: ";" for a journal, as this program writes it and
// as Russian spreadsheets save a CSV; "," or a tab for a CSV saved elsewhere. The separator is
// told from the first lines of the text: a file is read as "," or tab separated only when no ";"
// stands outside quotes on those lines and that separator splits most of them into the same
// number of cells, two or more. Any other file, the journal's own among them, reads with ";".

namespace core {

// The separator the text (after its byte-order mark) is read with.
char separatorOf(QByteArrayView text);

// How the user is told which separator a file was read with: "«,» (запятая)".
QString separatorName(char separator);

} // namespace core
