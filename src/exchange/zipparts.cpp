#include "exchange/zipparts.h"

#include "exchange/sheetcells.h"

#include <QtEndian>
#include <algorithm>
#include <array>
#include <new>
#include <zlib.h>

Q_LOGGING_CATEGORY(exchangeLog, "eklz.exchange")

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

std::string lowerCase(std::string_view name) {
    return QByteArray(name.data(), qsizetype(name.size())).toLower().toStdString();
}

} // namespace

std::optional<std::vector<ZipEntry>> zipEntries(QByteArrayView bytes) {
    const char* data = bytes.data();
    const qsizetype size = bytes.size();
    qsizetype end = -1;
    for (qsizetype at = size - EndSize; at >= 0 && at >= size - EndSize - LongestComment; --at)
        if (qFromLittleEndian<quint32>(data + at) == EndSignature) {
            end = at;
            break;
        }
    if (end < 0)
        return std::nullopt;
    const quint32 count = qFromLittleEndian<quint16>(data + end + 10);
    const qsizetype directorySize = qFromLittleEndian<quint32>(data + end + 12);
    const qsizetype directory = qFromLittleEndian<quint32>(data + end + 16);
    if (directory + directorySize > end)
        return std::nullopt;
    std::vector<ZipEntry> entries;
    qsizetype at = directory;
    for (quint32 i = 0; i < count; ++i) {
        if (at + EntrySize > end || qFromLittleEndian<quint32>(data + at) != EntrySignature)
            return std::nullopt;
        const quint32 nameLength = qFromLittleEndian<quint16>(data + at + 28);
        const quint32 extraLength = qFromLittleEndian<quint16>(data + at + 30);
        const quint32 commentLength = qFromLittleEndian<quint16>(data + at + 32);
        if (at + EntrySize + nameLength > end)
            return std::nullopt;
        ZipEntry entry;
        entry.name.assign(data + at + EntrySize, nameLength);
        entry.size = qFromLittleEndian<quint32>(data + at + 24);
        entry.crc = qFromLittleEndian<quint32>(data + at + 16);
        entry.encrypted = (qFromLittleEndian<quint16>(data + at + 8) & 1) != 0;
        entry.method = qFromLittleEndian<quint16>(data + at + 10);
        entry.compressedSize = qFromLittleEndian<quint32>(data + at + 20);
        entry.headerStart = qFromLittleEndian<quint32>(data + at + 42);
        entries.push_back(std::move(entry));
        at += EntrySize + nameLength + extraLength + commentLength;
    }
    return entries;
}

QString partName(std::string_view name) {
    return QString::fromUtf8(name.data(), qsizetype(name.size()));
}

Refusal damagedPart(const ZipEntry& entry, const char* how) {
    return {QStringLiteral("Файл повреждён: часть %1 %2.")
                .arg(partName(entry.name), QString::fromUtf8(how))};
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

ZipIndex::ZipIndex(QByteArrayView bytes)
    : entries_(zipEntries(bytes).value_or(std::vector<ZipEntry>())) {
    for (std::size_t i = 0; i < entries_.size(); ++i) {
        byName_.try_emplace(entries_[i].name, i);
        byLower_.try_emplace(lowerCase(entries_[i].name), i);
    }
}

std::optional<ZipEntry> ZipIndex::find(std::string_view name) const {
    if (const auto found = byName_.find(std::string(name)); found != byName_.end())
        return entries_[found->second];
    // A package tells its part names apart without their case ("xl/SharedStrings.xml").
    if (const auto found = byLower_.find(lowerCase(name)); found != byLower_.end())
        return entries_[found->second];
    return std::nullopt;
}

PartDevice::PartDevice(QByteArrayView zip, const ZipEntry& entry)
    : entry_(entry), packed_(packedData(zip, entry)), crc_(quint32(crc32(0, nullptr, 0))) {
    if (entry.method == 8) {
        if (inflateInit2(&stream_, -MAX_WBITS) != Z_OK)
            throw std::bad_alloc();
        inflating_ = true;
        stream_.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(packed_.data()));
        stream_.avail_in = uInt(packed_.size());
    } else if (entry.method != 0) {
        throw damagedPart(entry, "не распаковать");
    }
    open(QIODevice::ReadOnly | QIODevice::Unbuffered);
}

PartDevice::~PartDevice() {
    if (inflating_)
        inflateEnd(&stream_);
}

qint64 PartDevice::readData(char* data, qint64 most) {
    qint64 given = 0;
    if (!inflating_) {
        given = std::min<qint64>(most, packed_.size() - qint64(given_));
        std::copy_n(packed_.data() + given_, given, data);
    } else if (!ended_) {
        stream_.next_out = reinterpret_cast<Bytef*>(data);
        stream_.avail_out = uInt(std::min<qint64>(most, 1 << 30));
        const uInt room = stream_.avail_out;
        const int result = inflate(&stream_, Z_NO_FLUSH);
        given = qint64(room - stream_.avail_out);
        ended_ = result == Z_STREAM_END;
        // A turn that gives nothing, with nothing left to take, is a stream cut short.
        if ((result != Z_OK && !ended_) || (given == 0 && !ended_ && stream_.avail_in == 0))
            return -1;
    }
    crc_ = quint32(crc32(crc_, reinterpret_cast<const Bytef*>(data), uInt(given)));
    given_ += quint64(given);
    return given;
}

void PartDevice::checkAsDeclared() {
    std::array<char, 1 << 16> rest;
    for (qint64 given = 1; given > 0 && given_ <= entry_.size;)
        given = read(rest.data(), rest.size());
    if (given_ == entry_.size && crc_ == entry_.crc)
        return;
    qCWarning(exchangeLog) << partName(entry_.name) << "inflated not as its zip entry declares";
    throw Refusal{QStringLiteral("Файл повреждён: часть %1 не такая, как указано в архиве "
                                 "(её длина или контрольная сумма не сходятся).")
                      .arg(partName(entry_.name))};
}

} // namespace exchange
