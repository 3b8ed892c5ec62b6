#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

// The separator between the cells of a file: ";" for a journal, as this program writes it and
// as Russian spreadsheets save a CSV; "," or a tab for a CSV saved elsewhere. The separator is
// told from the first lines of the text: a file is read as "," or tab separated only when no ";"
// stands outside quotes on those lines and that separator splits most of them into the same
// number of cells, two or more. Any other file, the journal's own among them, reads with ";".

namespace core {

class SeparatorScan {
public:
    // The lines looked at, empty ones not counted, and the most text read for them.
    static constexpr int SampledLines = 50;
    static constexpr qsizetype MostBytes = qsizetype(1) << 20;

    // The text from its start (without a byte-order mark), in pieces cut anywhere; false once
    // enough has come.
    bool add(QByteArrayView piece);
    // The separator the text is read with.
    char finish() const;

private:
    QByteArray head_;
    int lines_ = 0;
    bool full_ = false;
};

// How the user is told which separator a file was read with: "«,» (запятая)".
QString separatorName(char separator);

} // namespace core
