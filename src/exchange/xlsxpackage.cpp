#include "exchange/xlsxpackage.h"

#include "exchange/exchangelog.h"
#include "exchange/orcussheet.h"
#include "exchange/orcuszip.h"

#include <algorithm>
#include <exception>
#include <functional>
#include <orcus/sax_parser.hpp>
#include <zlib.h>

namespace exchange {

namespace {

QString partName(std::string_view part) {
    return QString::fromUtf8(part.data(), qsizetype(part.size()));
}

std::string_view viewOf(const std::vector<unsigned char>& bytes) {
    return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}

// An element with its attributes by local name.
struct Element {
    std::string_view name;
    const std::vector<std::pair<std::string_view, std::string_view>>& attributes;
    std::string_view operator[](std::string_view wanted) const {
        for (const auto& [key, value] : attributes)
            if (key == wanted)
                return value;
        return {};
    }
};

class ElementHandler : public orcus::sax_handler {
public:
    explicit ElementHandler(std::function<void(const Element&)> element)
        : element_(std::move(element)) {}
    void attribute(const orcus::sax::parser_attribute& attr) {
        attributes_.emplace_back(attr.name, attr.value);
    }
    void start_element(const orcus::sax::parser_element& elem) {
        element_(Element{elem.name, attributes_});
        attributes_.clear();
    }

private:
    std::function<void(const Element&)> element_;
    std::vector<std::pair<std::string_view, std::string_view>> attributes_;
};

// Calls `element` for each element of the part; refuses a part that is no XML.
void parsePart(std::string_view xml, const std::string& part, const QString& what,
               const std::function<void(const Element&)>& element) {
    ElementHandler handler(element);
    try {
        orcus::sax_parser<ElementHandler> parser(xml.data(), xml.size(), handler);
        parser.parse();
    } catch (const std::exception& error) {
        qCWarning(exchangeLog) << partName(part) << error.what();
        throw Refusal{QStringLiteral("Файл повреждён: %1 — не XML %2.").arg(partName(part), what)};
    }
}

struct Relationship {
    std::string id, type, target, mode;
};

std::vector<Relationship> relationshipsIn(std::string_view xml, const std::string& part) {
    std::vector<Relationship> found;
    parsePart(xml, part, QStringLiteral("связей между частями файла"), [&](const Element& e) {
        if (e.name == "Relationship")
            found.push_back({std::string(e["Id"]), std::string(e["Type"]), std::string(e["Target"]),
                             std::string(e["TargetMode"])});
    });
    return found;
}

// "xl/_rels/workbook.xml.rels" for "xl/workbook.xml"; "_rels/.rels" for the package ("").
std::string relationshipsPart(std::string_view part) {
    const std::size_t slash = part.rfind('/');
    const std::string_view folder =
        slash == std::string_view::npos ? std::string_view() : part.substr(0, slash + 1);
    const std::string_view name = slash == std::string_view::npos ? part : part.substr(slash + 1);
    return std::string(folder) + "_rels/" + std::string(name) + ".rels";
}

// The part whose relationships a .rels part holds; none for a part that holds none.
std::optional<std::string> sourceOf(std::string_view relsPart) {
    constexpr std::string_view Folder = "_rels/";
    constexpr std::string_view Suffix = ".rels";
    if (!relsPart.ends_with(Suffix))
        return std::nullopt;
    const std::size_t slash = relsPart.rfind('/');
    const std::size_t folderStart = slash == std::string_view::npos || slash + 1 < Folder.size()
                                        ? std::string_view::npos
                                        : slash + 1 - Folder.size();
    if (folderStart == std::string_view::npos ||
        relsPart.substr(folderStart, Folder.size()) != Folder ||
        (folderStart > 0 && relsPart[folderStart - 1] != '/'))
        return std::nullopt;
    const std::string_view name =
        relsPart.substr(slash + 1, relsPart.size() - slash - 1 - Suffix.size());
    return std::string(relsPart.substr(0, folderStart)) + std::string(name);
}

bool internal(const Relationship& link) {
    return link.mode != "External";
}

// The target as orcus follows it: from the source part's folder, without "." or "..".
std::string relativeTarget(std::string_view sourcePart, std::string_view target) {
    const std::string resolved = resolvedTarget(sourcePart, target);
    const std::size_t slash = sourcePart.rfind('/');
    const std::string_view folder =
        slash == std::string_view::npos ? std::string_view() : sourcePart.substr(0, slash + 1);
    return resolved.starts_with(folder) ? resolved.substr(folder.size()) : std::string(target);
}

// A zip entry as its central directory gives it, with what a copy of it needs.
struct RawEntry {
    std::string name;
    quint32 crc = 0;
    quint32 packedSize = 0;
    quint32 size = 0;
    quint32 localOffset = 0;
    quint16 method = 0;
    quint16 flags = 0;
    const char* data = nullptr; // the packed bytes
};

quint32 read16(const char* at) {
    const auto* u = reinterpret_cast<const unsigned char*>(at);
    return quint32(u[0]) | quint32(u[1]) << 8;
}

quint32 read32(const char* at) {
    return read16(at) | read16(at + 2) << 16;
}

void put16(QByteArray& out, quint32 value) {
    out.append(char(value & 0xFF)).append(char((value >> 8) & 0xFF));
}

void put32(QByteArray& out, quint32 value) {
    put16(out, value & 0xFFFF);
    put16(out, value >> 16);
}

// The entries of the zip, located; none when its directory does not hold together.
std::optional<std::vector<RawEntry>> rawEntries(QByteArrayView zip) {
    const char* data = zip.data();
    const qsizetype size = zip.size();
    constexpr qsizetype EndSize = 22;
    qsizetype end = -1;
    for (qsizetype at = size - EndSize; at >= 0 && at >= size - EndSize - 0xFFFF; --at)
        if (read32(data + at) == 0x06054b50) {
            end = at;
            break;
        }
    if (end < 0)
        return std::nullopt;
    std::vector<RawEntry> entries;
    qsizetype at = read32(data + end + 16);
    for (quint32 i = 0, count = read16(data + end + 10); i < count; ++i) {
        if (at + 46 > end || read32(data + at) != 0x02014b50)
            return std::nullopt;
        RawEntry entry;
        const quint32 nameLength = read16(data + at + 28);
        if (at + 46 + nameLength > end)
            return std::nullopt;
        entry.flags = quint16(read16(data + at + 8));
        entry.method = quint16(read16(data + at + 10));
        entry.crc = read32(data + at + 16);
        entry.packedSize = read32(data + at + 20);
        entry.size = read32(data + at + 24);
        entry.localOffset = read32(data + at + 42);
        entry.name.assign(data + at + 46, nameLength);
        const qsizetype local = entry.localOffset;
        if (local + 30 > size || read32(data + local) != 0x04034b50)
            return std::nullopt;
        const qsizetype start = local + 30 + read16(data + local + 26) + read16(data + local + 28);
        if (start + qsizetype(entry.packedSize) > size)
            return std::nullopt;
        entry.data = data + start;
        entries.push_back(std::move(entry));
        at += 46 + nameLength + read16(data + at + 30) + read16(data + at + 32);
    }
    return entries;
}

// A zip of these entries, each with its bytes as they are packed.
QByteArray zipOf(const std::vector<RawEntry>& entries) {
    QByteArray zip;
    QByteArray directory;
    for (const RawEntry& entry : entries) {
        const quint32 offset = quint32(zip.size());
        const quint16 flags = entry.flags & ~quint16(8); // sizes here, no descriptor after
        for (QByteArray* out : {&zip, &directory}) {
            const bool local = out == &zip;
            put32(*out, local ? 0x04034b50 : 0x02014b50);
            if (!local)
                put16(*out, 20);
            put16(*out, 20);
            put16(*out, flags);
            put16(*out, entry.method);
            put32(*out, 0); // time and date
            put32(*out, entry.crc);
            put32(*out, entry.packedSize);
            put32(*out, entry.size);
            put16(*out, quint32(entry.name.size()));
            put16(*out, 0); // extra
            if (!local) {
                put16(*out, 0); // comment
                put16(*out, 0); // disk
                put16(*out, 0); // internal attributes
                put32(*out, 0); // external attributes
                put32(*out, offset);
            }
            out->append(entry.name.data(), qsizetype(entry.name.size()));
        }
        zip.append(entry.data, entry.packedSize);
    }
    const quint32 start = quint32(zip.size());
    zip += directory;
    put32(zip, 0x06054b50);
    put16(zip, 0);
    put16(zip, 0);
    put16(zip, quint32(entries.size()));
    put16(zip, quint32(entries.size()));
    put32(zip, quint32(directory.size()));
    put32(zip, start);
    put16(zip, 0);
    return zip;
}

QByteArray xmlAttribute(std::string_view text) {
    return partName(text).toHtmlEscaped().toUtf8();
}

QByteArray relationshipsXml(const std::vector<Relationship>& links) {
    QByteArray xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Relationships "
                     "xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">";
    for (const Relationship& link : links) {
        xml += "<Relationship Id=\"" + xmlAttribute(link.id) + "\" Type=\"" +
               xmlAttribute(link.type) + "\" Target=\"" + xmlAttribute(link.target) + '"';
        if (!link.mode.empty())
            xml += " TargetMode=\"" + xmlAttribute(link.mode) + '"';
        xml += "/>";
    }
    return xml + "</Relationships>";
}

std::optional<std::vector<unsigned char>> anyPart(QByteArrayView xlsx, const std::string& name) {
    try {
        return zipPart(xlsx, name);
    } catch (const std::exception& error) {
        qCWarning(exchangeLog) << partName(name) << error.what();
        throw Refusal{
            QStringLiteral("Файл повреждён: часть %1 не распаковать.").arg(partName(name))};
    }
}

} // namespace

std::string resolvedTarget(std::string_view sourcePart, std::string_view target) {
    std::vector<std::string_view> segments;
    auto walk = [&](std::string_view path) {
        while (!path.empty()) {
            const std::size_t slash = path.find('/');
            const std::string_view segment = path.substr(0, slash);
            if (segment == "..") {
                if (!segments.empty())
                    segments.pop_back();
            } else if (!segment.empty() && segment != ".") {
                segments.push_back(segment);
            }
            if (slash == std::string_view::npos)
                break;
            path.remove_prefix(slash + 1);
        }
    };
    if (!target.starts_with('/')) {
        const std::size_t slash = sourcePart.rfind('/');
        if (slash != std::string_view::npos)
            walk(sourcePart.substr(0, slash));
    }
    walk(target);
    std::string part;
    for (const std::string_view segment : segments) {
        if (!part.empty())
            part += '/';
        part += segment;
    }
    return part;
}

Workbook readWorkbook(QByteArrayView xlsx) {
    Workbook workbook;
    workbook.part = "xl/workbook.xml";
    if (const auto root = anyPart(xlsx, "_rels/.rels"))
        for (const Relationship& link : relationshipsIn(viewOf(*root), "_rels/.rels"))
            if (internal(link) && link.type.ends_with("/officeDocument")) {
                workbook.part = resolvedTarget("", link.target);
                break;
            }
    const auto xml = anyPart(xlsx, workbook.part);
    if (!xml)
        throw Refusal{
            QStringLiteral("Файл повреждён: в нём нет книги (%1).").arg(partName(workbook.part))};
    std::vector<std::string> ids;
    parsePart(viewOf(*xml), workbook.part, QStringLiteral("книги Excel"), [&](const Element& e) {
        if (e.name == "workbookPr") {
            workbook.date1904 = e["date1904"] == "1" || e["date1904"] == "true";
        } else if (e.name == "sheet") {
            workbook.sheets.push_back({partName(e["name"]), {}});
            ids.emplace_back(e["id"]);
        }
    });
    const std::string relsPart = relationshipsPart(workbook.part);
    if (const auto rels = anyPart(xlsx, relsPart)) {
        const std::vector<Relationship> links = relationshipsIn(viewOf(*rels), relsPart);
        for (std::size_t i = 0; i < ids.size(); ++i)
            for (const Relationship& link : links)
                if (internal(link) && link.id == ids[i])
                    workbook.sheets[i].part = resolvedTarget(workbook.part, link.target);
    }
    return workbook;
}

std::optional<std::vector<unsigned char>> checkedPart(QByteArrayView xlsx,
                                                      const std::string& name) {
    std::optional<std::vector<unsigned char>> part = anyPart(xlsx, name);
    if (!part)
        return part;
    const std::optional<std::vector<RawEntry>> entries = rawEntries(xlsx);
    const auto entry = entries ? std::find_if(entries->begin(), entries->end(),
                                              [&](const RawEntry& e) { return e.name == name; })
                               : std::vector<RawEntry>::const_iterator();
    // orcus ends what it inflates with a zero byte of its own.
    const std::size_t size = !part->empty() && part->back() == 0 ? part->size() - 1 : part->size();
    const bool matches =
        entries && entry != entries->end() && entry->size == size &&
        entry->crc == crc32(0, part->data(), uInt(std::min<std::size_t>(size, UINT_MAX)));
    if (!matches) {
        qCWarning(exchangeLog) << partName(name) << "inflated to" << size
                               << "bytes, not as its zip entry declares";
        throw Refusal{QStringLiteral("Файл повреждён: часть %1 не такая, как указано в архиве "
                                     "(её длина или контрольная сумма не сходятся).")
                          .arg(partName(name))};
    }
    return part;
}

std::optional<QByteArray> withRelativeTargets(QByteArrayView xlsx) {
    std::optional<std::vector<RawEntry>> entries = rawEntries(xlsx);
    if (!entries)
        return std::nullopt;
    std::vector<QByteArray> rewritten; // the new .rels parts, kept while the zip is made
    rewritten.reserve(entries->size());
    for (RawEntry& entry : *entries) {
        const std::optional<std::string> source = sourceOf(entry.name);
        if (!source)
            continue;
        const auto xml = anyPart(xlsx, entry.name);
        if (!xml)
            continue;
        std::vector<Relationship> links = relationshipsIn(viewOf(*xml), entry.name);
        bool changed = false;
        for (Relationship& link : links) {
            if (!internal(link))
                continue;
            const std::string target = relativeTarget(*source, link.target);
            changed = changed || target != link.target;
            link.target = target;
        }
        if (!changed)
            continue;
        rewritten.push_back(relationshipsXml(links));
        const QByteArray& bytes = rewritten.back();
        entry.method = 0;
        entry.flags = 0;
        entry.size = entry.packedSize = quint32(bytes.size());
        entry.crc = crc32(0, reinterpret_cast<const Bytef*>(bytes.data()), uInt(bytes.size()));
        entry.data = bytes.data();
    }
    if (rewritten.empty())
        return std::nullopt;
    return zipOf(*entries);
}

} // namespace exchange
