#include "exchange/zipguard.h"

#include "core/messagenumbers.h"
#include "exchange/importlimits.h"

#include <QtEndian>
#include <algorithm>
#include <array>
#include <functional>
#include <new>
#include <optional>
#include <zlib.h>

namespace exchange {

namespace {

constexpr quint32 LocalSignature = 0x04034b50;
constexpr quint64 LocalHeaderSize = 30;
constexpr std::size_t InflatePiece = 1 << 16;

QString partName(const ZipEntry& entry) {
    return QString::fromUtf8(entry.name.data(), qsizetype(entry.name.size()));
}

// Rounded, but never 0 МБ for a part that holds anything.
QString megabytes(quint64 bytes) {
    return core::grouped(std::max<qint64>(bytes > 0 ? 1 : 0, qint64((bytes + (1 << 19)) >> 20)));
}

Refusal damaged(const ZipEntry& entry, const char* how) {
    return {QStringLiteral("Файл повреждён: часть %1 %2.")
                .arg(partName(entry), QString::fromUtf8(how))};
}

bool outsidePackage(std::string_view name) {
    if (name.starts_with('/') || name.starts_with('\\') || (name.size() > 1 && name[1] == ':'))
        return true;
    for (std::size_t start = 0; start <= name.size();) {
        const std::size_t end = name.find_first_of("/\\", start);
        const std::string_view step = name.substr(start, end - start);
        if (step == "..")
            return true;
        if (end == std::string_view::npos)
            break;
        start = end + 1;
    }
    return false;
}

void checkDeclaredSize(const ZipEntry& entry) {
    if (entry.size > RatioCheckedSize && entry.size > MaxRatio * entry.compressedSize)
        throw Refusal{
            QStringLiteral("Файл похож на zip-бомбу: часть %1 разжимается из %2 МБ в "
                           "%3 МБ.")
                .arg(partName(entry), megabytes(entry.compressedSize), megabytes(entry.size))};
    if (entry.size > MaxPartSize)
        throw Refusal{QStringLiteral("Файл не импортирован: часть %1 разжимается в %2 МБ, а "
                                     "журналу в %3 строк хватило бы %4 МБ.")
                          .arg(partName(entry), megabytes(entry.size), core::grouped(MaxImportRows),
                               megabytes(MaxPartSize))};
}

// The part's compressed data, or a refusal when the archive does not hold them whole.
QByteArrayView dataOf(QByteArrayView bytes, const ZipEntry& entry) {
    const auto size = quint64(bytes.size());
    if (entry.headerStart + LocalHeaderSize > size ||
        qFromLittleEndian<quint32>(bytes.data() + entry.headerStart) != LocalSignature)
        throw damaged(entry, "не найдена в архиве");
    // Without a data descriptor (flag 8) the local header repeats the sizes: the reader may go
    // by either.
    const char* local = bytes.data() + entry.headerStart;
    if ((qFromLittleEndian<quint16>(local + 6) & 8) == 0 &&
        (qFromLittleEndian<quint32>(local + 18) != entry.compressedSize ||
         qFromLittleEndian<quint32>(local + 22) != entry.size))
        throw damaged(entry, "указана в архиве с разными размерами");
    const quint64 start = entry.headerStart + LocalHeaderSize +
                          qFromLittleEndian<quint16>(bytes.data() + entry.headerStart + 26) +
                          qFromLittleEndian<quint16>(bytes.data() + entry.headerStart + 28);
    if (start > size || entry.compressedSize > size - start)
        throw damaged(entry, "обрывается");
    return bytes.sliced(qsizetype(start), qsizetype(entry.compressedSize));
}

// Follows an XML part's elements, piece by piece, as far as their depth and a document type
// declaration go. Comments and CDATA holding "<" or ">" may miscount: they never come in a sheet.
class XmlShape {
public:
    explicit XmlShape(const ZipEntry& entry) : entry_(entry) {}

    void read(std::string_view piece) {
        if (!seenStart_ && piece.find("<!DOCTYPE") != std::string_view::npos)
            throw Refusal{QStringLiteral("Файл не импортирован: часть %1 объявляет свои сущности "
                                         "XML (<!DOCTYPE>), а электронные таблицы так не пишут.")
                              .arg(partName(entry_))};
        seenStart_ = true;
        for (const char c : piece) {
            step(c);
            last_ = c;
        }
    }

private:
    enum class State { Text, Open, StartTag, EndTag, Other };

    void step(char c) {
        switch (state_) {
        case State::Text:
            if (c == '<')
                state_ = State::Open;
            break;
        case State::Open:
            state_ = c == '/'               ? State::EndTag
                     : c == '!' || c == '?' ? State::Other
                                            : State::StartTag;
            break;
        case State::StartTag:
            if (quote_ != 0) {
                if (c == quote_)
                    quote_ = 0;
            } else if (c == '"' || c == '\'') {
                quote_ = c;
            } else if (c == '>') {
                if (last_ != '/' && ++depth_ > MaxXmlDepth)
                    throw Refusal{QStringLiteral("Файл не импортирован: в части %1 элементы XML "
                                                 "вложены друг в друга глубже %2 уровней.")
                                      .arg(partName(entry_), QString::number(MaxXmlDepth))};
                state_ = State::Text;
            }
            break;
        case State::EndTag:
            if (c == '>') {
                depth_ = std::max(0, depth_ - 1);
                state_ = State::Text;
            }
            break;
        case State::Other:
            if (c == '>')
                state_ = State::Text;
            break;
        }
    }

    const ZipEntry& entry_;
    State state_ = State::Text;
    char quote_ = 0;
    char last_ = 0;
    int depth_ = 0;
    bool seenStart_ = false; // a document type comes in the first piece, before the elements
};

bool isXml(std::string_view name) {
    return name.ends_with(".xml") || name.ends_with(".rels");
}

class Inflater {
public:
    Inflater() { valid_ = inflateInit2(&stream_, -MAX_WBITS) == Z_OK; }
    ~Inflater() {
        if (valid_)
            inflateEnd(&stream_);
    }
    Inflater(const Inflater&) = delete;
    Inflater& operator=(const Inflater&) = delete;

    // The bytes the data inflate to, counted up to one past `most`; none when they are no
    // whole deflated stream.
    std::optional<quint64> inflatedSize(QByteArrayView data, quint64 most,
                                        const std::function<void(std::string_view)>& piece) {
        if (!valid_)
            throw std::bad_alloc();
        stream_.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
        stream_.avail_in = uInt(data.size());
        quint64 out = 0;
        // Every turn takes input or gives output; one that does neither ends the loop.
        while (out <= most) {
            stream_.next_out = piece_.data();
            stream_.avail_out = uInt(piece_.size());
            const int result = inflate(&stream_, Z_NO_FLUSH);
            const quint64 given = piece_.size() - stream_.avail_out;
            out += given;
            piece({reinterpret_cast<const char*>(piece_.data()), std::size_t(given)});
            if (result == Z_STREAM_END)
                return out;
            if (result != Z_OK || (given == 0 && stream_.avail_in == 0))
                return std::nullopt;
        }
        return out;
    }

private:
    z_stream stream_{};
    bool valid_ = false;
    std::array<Bytef, InflatePiece> piece_{};
};

void checkInflatedSize(QByteArrayView bytes, const ZipEntry& entry) {
    const QByteArrayView data = dataOf(bytes, entry);
    quint64 size = entry.compressedSize;
    std::optional<XmlShape> shape;
    if (isXml(entry.name))
        shape.emplace(entry);
    const auto read = [&](std::string_view piece) {
        if (shape)
            shape->read(piece);
    };
    if (entry.method == 0) {
        read({data.data(), std::size_t(data.size())});
    } else if (entry.method == 8) {
        const std::optional<quint64> inflated = Inflater().inflatedSize(data, entry.size, read);
        if (!inflated)
            throw damaged(entry, "не разжимается");
        size = *inflated;
    } else {
        return; // a compression the reader does not know: refused there
    }
    if (size > entry.size)
        throw damaged(entry, "длиннее, чем указано в архиве");
    if (size < entry.size)
        throw damaged(entry, "короче, чем указано в архиве");
}

} // namespace

void checkZipParts(QByteArrayView bytes, const std::vector<ZipEntry>& entries) {
    for (const ZipEntry& entry : entries)
        if (outsidePackage(entry.name))
            throw Refusal{QStringLiteral("Файл повреждён: в архиве есть часть с недопустимым "
                                         "именем «%1».")
                              .arg(partName(entry))};
    for (const ZipEntry& entry : entries)
        checkDeclaredSize(entry);
    for (const ZipEntry& entry : entries)
        checkInflatedSize(bytes, entry);
}

} // namespace exchange
