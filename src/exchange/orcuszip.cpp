#include "exchange/orcuszip.h"

#include <cstring>
#include <orcus/zip_archive.hpp>
#include <orcus/zip_archive_stream.hpp>

namespace exchange {

namespace {

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

std::optional<std::vector<unsigned char>> zipPart(QByteArrayView bytes, std::string_view name) {
    orcus::zip_archive_stream_blob stream(reinterpret_cast<const uint8_t*>(bytes.data()),
                                          std::size_t(bytes.size()));
    orcus::zip_archive archive(&stream);
    archive.load();
    std::vector<unsigned char> part;
    for (std::size_t i = 0; i < archive.get_file_entry_count(); ++i)
        if (archive.get_file_entry_name(i) == name) {
            archive.read_file_entry(name, part);
            return part;
        }
    return std::nullopt;
}

} // namespace exchange
