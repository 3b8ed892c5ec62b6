#include "exchange/xlsxpackage.h"

#include "exchange/partxml.h"
#include "exchange/sheetcells.h"
#include "exchange/zipparts.h"

#include <QDir>
#include <functional>
#include <unordered_map>

namespace exchange {

namespace {

std::string text(QStringView value) {
    return value.toString().toStdString();
}

// Calls `element` for each element of the part, by its local name; false when there is no such
// part. Refuses a part that is no XML.
bool readElements(QByteArrayView xlsx, const std::string& part, const QString& what,
                  const std::function<void(QStringView, const QXmlStreamAttributes&)>& element) {
    const std::optional<ZipEntry> entry = ZipIndex(xlsx).find(part);
    if (!entry)
        return false;
    PartXml xml(xlsx, *entry);
    QXmlStreamReader& reader = xml.reader;
    while (!reader.atEnd())
        if (reader.readNext() == QXmlStreamReader::StartElement)
            element(reader.name(), reader.attributes());
    if (reader.hasError()) {
        qCWarning(exchangeLog) << partName(part) << reader.errorString();
        throw Refusal{QStringLiteral("Файл повреждён: %1 — не XML %2.").arg(partName(part), what)};
    }
    return true;
}

struct Relationship {
    std::string id, type, target;
};

// The part's links to parts of the package (links outside it are left out).
std::vector<Relationship> relationshipsIn(QByteArrayView xlsx, const std::string& part) {
    std::vector<Relationship> found;
    readElements(xlsx, part, QStringLiteral("связей между частями файла"),
                 [&](QStringView name, const QXmlStreamAttributes& a) {
                     if (name == u"Relationship" && attribute(a, u"TargetMode") != u"External")
                         found.push_back({text(attribute(a, u"Id")), text(attribute(a, u"Type")),
                                          text(attribute(a, u"Target"))});
                 });
    return found;
}

// "xl/_rels/workbook.xml.rels" for "xl/workbook.xml".
std::string relationshipsPart(std::string_view part) {
    const std::size_t name = part.rfind('/') + 1; // 0 without a folder: npos + 1 wraps round
    return std::string(part.substr(0, name)) + "_rels/" + std::string(part.substr(name)) + ".rels";
}

} // namespace

std::string resolvedTarget(std::string_view sourcePart, std::string_view target) {
    QString path = partName(target);
    if (!path.startsWith(u'/'))
        path.prepend(partName(sourcePart).section(u'/', 0, -2) + u'/');
    path = QDir::cleanPath(u'/' + path);
    // Steps above the package's root stay at the root, which cleanPath leaves standing.
    while (path == u"/.." || path.startsWith(u"/../"))
        path.remove(0, 3);
    return path.mid(1).toStdString();
}

Workbook readWorkbook(QByteArrayView xlsx) {
    Workbook workbook;
    std::string part = "xl/workbook.xml";
    for (const Relationship& link : relationshipsIn(xlsx, "_rels/.rels"))
        if (link.type.ends_with("/officeDocument")) {
            part = resolvedTarget("", link.target);
            break;
        }
    std::vector<std::string> ids;
    const bool found =
        readElements(xlsx, part, QStringLiteral("книги Excel"),
                     [&](QStringView name, const QXmlStreamAttributes& a) {
                         if (name == u"workbookPr") {
                             const QStringView date1904 = attribute(a, u"date1904");
                             workbook.date1904 = date1904 == u"1" || date1904 == u"true";
                         } else if (name == u"sheet") {
                             workbook.sheets.push_back({attribute(a, u"name").toString(), {}});
                             ids.push_back(text(attribute(a, u"id")));
                         }
                     });
    if (!found)
        throw Refusal{QStringLiteral("Файл повреждён: в нём нет книги (%1).").arg(partName(part))};
    // By id, the last link of each: a workbook may name many sheets.
    std::unordered_map<std::string, std::string> targets;
    for (const Relationship& link : relationshipsIn(xlsx, relationshipsPart(part))) {
        if (link.type.ends_with("/sharedStrings"))
            workbook.sharedStrings = resolvedTarget(part, link.target);
        else if (link.type.ends_with("/styles"))
            workbook.styles = resolvedTarget(part, link.target);
        targets[link.id] = link.target;
    }
    for (std::size_t i = 0; i < ids.size(); ++i)
        if (const auto target = targets.find(ids[i]); target != targets.end())
            workbook.sheets[i].part = resolvedTarget(part, target->second);
    return workbook;
}

} // namespace exchange
