#include "exchange/zipguard.h"

#include "core/messagenumbers.h"
#include "exchange/sheetcells.h"

#include <algorithm>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace exchange {

namespace {

constexpr std::size_t InflatePiece = 1 << 16;

// Rounded, but never 0 МБ for a part that holds anything.
QString megabytes(quint64 bytes) {
    return core::grouped(std::max<qint64>(bytes > 0 ? 1 : 0, qint64((bytes + (1 << 19)) >> 20)));
}

bool outsidePackage(std::string_view name) {
    if (name.starts_with('/') || name.starts_with('\\') || (name.size() > 1 && name[1] == ':'))
        return true;
    // A ".." step, between slashes of either kind or at an end.
    std::string path = '/' + std::string(name) + '/';
    std::ranges::replace(path, '\\', '/');
    return path.find("/../") != std::string::npos;
}

void checkDeclaredSize(const ZipEntry& entry) {
    if (entry.size > RatioCheckedSize && entry.size > MaxRatio * entry.compressedSize)
        throw Refusal{
            QStringLiteral("Файл похож на zip-бомбу: часть %1 разжимается из %2 МБ в "
                           "%3 МБ.")
                .arg(partName(entry.name), megabytes(entry.compressedSize), megabytes(entry.size))};
    if (entry.size > MaxPartSize)
        throw Refusal{QStringLiteral("Файл не импортирован: часть %1 разжимается в %2 МБ, а "
                                     "журналу в %3 строк хватило бы %4 МБ.")
                          .arg(partName(entry.name), megabytes(entry.size),
                               core::grouped(MaxImportRows), megabytes(MaxPartSize))};
}

// Follows an XML part's elements, piece by piece, as far as their depth and a document type
// declaration go. Comments and CDATA holding "<" or ">" may miscount: they never come in a sheet.
class XmlShape {
public:
    explicit XmlShape(const ZipEntry& entry) : entry_(entry) {}

    void read(std::string_view piece) {
        for (const char c : piece) {
            step(c);
            last_ = c;
        }
    }

private:
    enum class State { Text, Open, StartTag, EndTag, Other };
    static constexpr std::string_view DocumentType = "!DOCTYPE";

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
            declaration_.assign(1, c);
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
                                      .arg(partName(entry_.name), QString::number(MaxXmlDepth))};
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
            // A document type may come after blanks and comments, in any piece.
            if (declaration_.size() < DocumentType.size()) {
                declaration_ += c;
                if (declaration_ == DocumentType)
                    throw Refusal{QStringLiteral("Файл не импортирован: часть %1 объявляет свои "
                                                 "сущности XML (<!DOCTYPE>), а электронные "
                                                 "таблицы так не пишут.")
                                      .arg(partName(entry_.name))};
            }
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
    std::string declaration_; // the first characters of a "<!…>" or "<?…>", from the "!" or "?"
};

void checkInflatedSize(QByteArrayView bytes, const ZipEntry& entry) {
    const QByteArrayView data = packedData(bytes, entry);
    std::optional<XmlShape> shape;
    if (entry.name.ends_with(".xml") || entry.name.ends_with(".rels"))
        shape.emplace(entry);
    quint64 size = entry.compressedSize;
    if (entry.method == 0) {
        if (shape)
            shape->read({data.data(), std::size_t(data.size())});
    } else if (entry.method == 8) {
        PartDevice part(bytes, entry);
        std::vector<char> piece(InflatePiece);
        size = 0;
        // Inflating stops as soon as the output passes the declared size.
        while (size <= entry.size) {
            const qint64 given = part.read(piece.data(), qint64(piece.size()));
            if (given < 0)
                throw damagedPart(entry, "не разжимается");
            if (given == 0)
                break;
            size += quint64(given);
            if (shape)
                shape->read({piece.data(), std::size_t(given)});
        }
    } else {
        return; // a compression the reader does not know: refused there
    }
    if (size > entry.size)
        throw damagedPart(entry, "длиннее, чем указано в архиве");
    if (size < entry.size)
        throw damagedPart(entry, "короче, чем указано в архиве");
}

} // namespace

void checkZipParts(QByteArrayView bytes, const std::vector<ZipEntry>& entries) {
    for (const ZipEntry& entry : entries)
        if (outsidePackage(entry.name))
            throw Refusal{QStringLiteral("Файл повреждён: в архиве есть часть с недопустимым "
                                         "именем «%1».")
                              .arg(partName(entry.name))};
    // A name given twice leaves open which part is meant: readers take either the first or the
    // last.
    std::set<std::string_view> names;
    for (const ZipEntry& entry : entries)
        if (!names.insert(entry.name).second)
            throw damagedPart(entry, "записана в архиве дважды");
    for (const ZipEntry& entry : entries)
        checkDeclaredSize(entry);
    for (const ZipEntry& entry : entries)
        checkInflatedSize(bytes, entry);
}

} // namespace exchange
