#pragma once

#include <QByteArrayView>
#include <QString>
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

// The uncompressed bytes of one part (through orcus); none when the zip has no such part.
// Throws what orcus throws on a damaged zip.
std::optional<std::vector<unsigned char>> zipPart(QByteArrayView bytes, std::string_view name);

} // namespace exchange
