#include "exchange/zipparts.h"

#include "exchange/sheetcells.h"

#include <QtEndian>
#include <algorithm>
#include <array>
#include <memory>
#include <new>
#include <stdexcept>
#include <zlib.h>

namespace exchange {

namespace {

constexpr quint32 LocalSignature = 0x04034b50;
constexpr quint64 LocalHeaderSize = 30;
constexpr quint32 EndSignature = 0x06054b50;
constexpr quint32 EntrySignature = 0x02014b50;
constexpr qsizetype EndSize = 22;
constexpr qsizetype EntrySize = 46;
// The end record may be followed by a comment of up to this many bytes.
constexpr qsizetype LongestComment = 0xFFFF;

quint32 read16(const char* at) {
    const auto* u = reinterpret_cast<const unsigned char*>(at);
    return quint32(u[0]) | quint32(u[1]) << 8;
}

quint32 read32(const char* at) {
    return read16(at) | read16(at + 2) << 16;
}

} // namespace

std::optional<std::vector<ZipEntry>> zipEntries(QByteArrayView bytes) {
    const char* data = bytes.data();
    const qsizetype size = bytes.size();
    qsizetype end = -1;
    for (qsizetype at = size - EndSize; at >= 0 && at >= size - EndSize - LongestComment; --at)
        if (read32(data + at) == EndSignature) {
            end = at;
            break;
        }
    if (end < 0)
        return std::nullopt;
    const quint32 count = read16(data + end + 10);
    const qsizetype directorySize = read32(data + end + 12);
    const qsizetype directory = read32(data + end + 16);
    if (directory + directorySize > end)
        return std::nullopt;
    std::vector<ZipEntry> entries;
    qsizetype at = directory;
    for (quint32 i = 0; i < count; ++i) {
        if (at + EntrySize > end || read32(data + at) != EntrySignature)
            return std::nullopt;
        const quint32 nameLength = read16(data + at + 28);
        const quint32 extraLength = read16(data + at + 30);
        const quint32 commentLength = read16(data + at + 32);
        if (at + EntrySize + nameLength > end)
            return std::nullopt;
        ZipEntry entry;
        entry.name.assign(data + at + EntrySize, nameLength);
        entry.size = read32(data + at + 24);
        entry.crc = read32(data + at + 16);
        entry.encrypted = (read16(data + at + 8) & 1) != 0;
        entry.method = read16(data + at + 10);
        entry.compressedSize = read32(data + at + 20);
        entry.headerStart = read32(data + at + 42);
        entries.push_back(std::move(entry));
        at += EntrySize + nameLength + extraLength + commentLength;
    }
    return entries;
}

Refusal damagedPart(const ZipEntry& entry, const char* how) {
    return {QStringLiteral("Файл повреждён: часть %1 %2.")
                .arg(QString::fromUtf8(entry.name.data(), qsizetype(entry.name.size())),
                     QString::fromUtf8(how))};
}

QByteArrayView packedData(QByteArrayView bytes, const ZipEntry& entry) {
    const auto size = quint64(bytes.size());
    if (entry.headerStart + LocalHeaderSize > size ||
        qFromLittleEndian<quint32>(bytes.data() + entry.headerStart) != LocalSignature)
        throw damagedPart(entry, "не найдена в архиве");
    // Without a data descriptor (flag 8) the local header repeats the sizes: the reader may go
    // by either.
    const char* local = bytes.data() + entry.headerStart;
    if ((qFromLittleEndian<quint16>(local + 6) & 8) == 0 &&
        (qFromLittleEndian<quint32>(local + 18) != entry.compressedSize ||
         qFromLittleEndian<quint32>(local + 22) != entry.size))
        throw damagedPart(entry, "указана в архиве с разными размерами");
    const quint64 start = entry.headerStart + LocalHeaderSize +
                          qFromLittleEndian<quint16>(local + 26) +
                          qFromLittleEndian<quint16>(local + 28);
    if (start > size || entry.compressedSize > size - start)
        throw damagedPart(entry, "обрывается");
    return bytes.sliced(qsizetype(start), qsizetype(entry.compressedSize));
}

std::optional<quint64> inflatePieces(QByteArrayView data, quint64 most,
                                     const std::function<void(std::string_view)>& piece) {
    z_stream stream{};
    if (inflateInit2(&stream, -MAX_WBITS) != Z_OK)
        throw std::bad_alloc();
    const std::unique_ptr<z_stream, int (*)(z_stream*)> end(&stream, inflateEnd);
    auto output = std::make_unique<std::array<Bytef, 1 << 16>>();
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    stream.avail_in = uInt(data.size());
    quint64 out = 0;
    // Every turn takes input or gives output; one that does neither ends the loop.
    while (out <= most) {
        stream.next_out = output->data();
        stream.avail_out = uInt(output->size());
        const int result = inflate(&stream, Z_NO_FLUSH);
        const quint64 given = output->size() - stream.avail_out;
        out += given;
        piece({reinterpret_cast<const char*>(output->data()), std::size_t(given)});
        if (result == Z_STREAM_END)
            return out;
        if (result != Z_OK || (given == 0 && stream.avail_in == 0))
            return std::nullopt;
    }
    return out;
}

std::optional<QByteArray> zipPart(QByteArrayView bytes, std::string_view name) {
    const std::optional<std::vector<ZipEntry>> entries = zipEntries(bytes);
    if (!entries)
        throw std::runtime_error("no zip directory");
    const auto entry = std::find_if(entries->begin(), entries->end(),
                                    [&](const ZipEntry& e) { return e.name == name; });
    if (entry == entries->end())
        return std::nullopt;
    const QByteArrayView data = packedData(bytes, *entry);
    if (entry->method == 0)
        return data.toByteArray();
    QByteArray part;
    if (entry->method == 8) {
        part.reserve(qsizetype(std::min<quint64>(entry->size, 1 << 30)));
        const auto inflated = inflatePieces(data, entry->size, [&](std::string_view piece) {
            part.append(piece.data(), qsizetype(piece.size()));
        });
        if (inflated && *inflated == entry->size)
            return part;
    }
    throw std::runtime_error("zip part " + std::string(name) + " does not inflate as declared");
}

} // namespace exchange
