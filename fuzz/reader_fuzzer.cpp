// Feeds arbitrary bytes to the journal reader, writes the rows it read and reads the result back,
// checking at each step what the program promises about files. A broken promise aborts:
// libFuzzer keeps the input.

#include "core/journalcharset.h"
#include "core/journalcolumns.h"
#include "core/journalformat.h"
#include "journalchecks.h"
#include "promise.h"

#include <cstdint>

namespace {

// Rows made of the input, thick with quotes (which the bytes 0x02 .. 0x1F and the ones a cell
// cannot hold become), 0x00 ending a cell and 0x01 a row: written and read back, they give the
// same cells, never unquoted.
void checkQuotesNeverUnquoted(QByteArrayView bytes) {
    QList<QStringList> rows{QStringList(core::FileColumns)};
    int col = 0;
    for (const char byte : bytes) {
        const auto b = static_cast<unsigned char>(byte);
        if (b == 0) {
            ++col;
        } else if (b == 1) {
            col = 0;
            if (rows.size() < 200)
                rows << QStringList(core::FileColumns);
        } else if (col < core::FileColumns) {
            const QChar c = core::decodeWindows1251(QByteArrayView(&byte, 1)).front();
            rows.last()[col] += b < 0x20 || !core::canHold(c) ? QChar(u'"') : c;
        }
    }
    if (!core::findOverlongRow(rows))
        fuzz::checkWriteAndReadBack(rows, true);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));

    // Bytes read as Windows-1251 come back byte for byte.
    if (core::detectEncoding(bytes) == core::TextEncoding::Windows1251)
        PROMISE(core::encodeWindows1251(core::decodeWindows1251(bytes)) == bytes);

    const core::ReadResult result = core::readJournal(bytes);
    fuzz::checkRows(result);
    if (result.encoding != core::TextEncoding::Utf16)
        PROMISE(result.droppedNulBytes == bytes.count('\0'));
    // A journal read whole, whose text the file can hold, can be saved as it was read.
    if (result.ok() && !core::findUnwritableCell(result.rows))
        PROMISE(!core::findOverlongRow(result.rows));
    fuzz::checkWriteAndReadBack(result.rows, fuzz::readAsWritten(result));
    checkQuotesNeverUnquoted(bytes);
    return 0;
}
