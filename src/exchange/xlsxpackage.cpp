#include "exchange/xlsxpackage.h"

#include "exchange/exchangelog.h"
#include "exchange/orcussheet.h"
#include "exchange/orcuszip.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <functional>
#include <memory>
#include <orcus/sax_parser.hpp>
#include <zip.h>
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

// The zip with those parts' bytes in place of theirs, the other parts copied as they are packed;
// none when libzip cannot read or write it.
std::optional<QByteArray> withParts(QByteArrayView zip,
                                    const std::vector<std::pair<std::string, QByteArray>>& parts) {
    // The source owns a copy of the bytes: libzip 1.7, writing into a source of bytes it does not
    // own, frees memory twice.
    void* copy = std::malloc(std::size_t(zip.size()));
    zip_source_t* source =
        copy ? zip_source_buffer_create(std::memcpy(copy, zip.data(), std::size_t(zip.size())),
                                        zip_uint64_t(zip.size()), 1, nullptr)
             : nullptr;
    if (!source) {
        std::free(copy);
        return std::nullopt;
    }
    zip_t* archive = zip_open_from_source(source, 0, nullptr);
    if (!archive) {
        zip_source_free(source);
        return std::nullopt;
    }
    // The written zip is read back from the source, which closing the archive would free.
    zip_source_keep(source);
    const std::unique_ptr<zip_source_t, decltype(&zip_source_free)> written(source,
                                                                            &zip_source_free);
    for (const auto& [name, bytes] : parts) {
        const zip_int64_t index = zip_name_locate(archive, name.c_str(), 0);
        zip_source_t* part =
            zip_source_buffer(archive, bytes.data(), zip_uint64_t(bytes.size()), 0);
        if (index < 0 || !part || zip_file_replace(archive, zip_uint64_t(index), part, 0) < 0) {
            zip_source_free(part);
            zip_discard(archive);
            return std::nullopt;
        }
    }
    if (zip_close(archive) < 0) {
        zip_discard(archive);
        return std::nullopt;
    }
    if (zip_source_open(source) < 0)
        return std::nullopt;
    QByteArray bytes;
    zip_stat_t stat;
    if (zip_source_stat(source, &stat) == 0 && (stat.valid & ZIP_STAT_SIZE)) {
        bytes.resize(qsizetype(stat.size));
        if (zip_source_read(source, bytes.data(), stat.size) != zip_int64_t(stat.size))
            bytes.clear();
    }
    zip_source_close(source);
    return bytes.isEmpty() ? std::nullopt : std::optional<QByteArray>(bytes);
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
    const std::optional<std::vector<ZipEntry>> entries = zipEntries(xlsx);
    const auto entry = entries ? std::find_if(entries->begin(), entries->end(),
                                              [&](const ZipEntry& e) { return e.name == name; })
                               : std::vector<ZipEntry>::const_iterator();
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
    const std::optional<std::vector<ZipEntry>> entries = zipEntries(xlsx);
    if (!entries)
        return std::nullopt;
    std::vector<std::pair<std::string, QByteArray>> rewritten; // the new .rels parts
    for (const ZipEntry& entry : *entries) {
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
        if (changed)
            rewritten.emplace_back(entry.name, relationshipsXml(links));
    }
    if (rewritten.empty())
        return std::nullopt;
    return withParts(xlsx, rewritten);
}

} // namespace exchange
