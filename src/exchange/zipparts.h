#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The zip packages .xlsx and .ods files are: what they hold, and one part's bytes.

namespace exchange {

struct ZipEntry {
    std::string name;
    quint64 size = 0;       // uncompressed, in bytes
    quint32 crc = 0;        // of the uncompressed bytes
    bool encrypted = false; // the zip's own encryption
    quint64 compressedSize = 0;
    quint32 method = 0;      // 0 stored, 8 deflated
    quint64 headerStart = 0; // where its local header is
};

// The entries of the zip's central directory; none when the bytes are no whole zip (not a zip at
// all, or one cut short: the directory is at its end).
std::optional<std::vector<ZipEntry>> zipEntries(QByteArrayView bytes);

struct Refusal;

// "Файл повреждён: часть … <how>."
Refusal damagedPart(const ZipEntry& entry, const char* how);

// The part's data as packed. Throws Refusal when the archive does not hold them whole, or its local
// header gives other sizes than the directory without a data descriptor.
QByteArrayView packedData(QByteArrayView bytes, const ZipEntry& entry);

// Inflates deflated data, handing the output over in pieces of 64 KB, and stops once it passes
// `most` bytes: the bytes given, or none when the data are no whole deflated stream.
std::optional<quint64> inflatePieces(QByteArrayView data, quint64 most,
                                     const std::function<void(std::string_view)>& piece);

// The uncompressed bytes of one part; none when the zip has no such part. Throws
// std::runtime_error when the part does not inflate to its declared size.
std::optional<QByteArray> zipPart(QByteArrayView bytes, std::string_view name);

} // namespace exchange
