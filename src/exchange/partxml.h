#pragma once

#include "exchange/zipparts.h"

#include <QStringView>
#include <QXmlStreamAttributes>
#include <QXmlStreamReader>
#include <stdexcept>
#include <string>

// A zip part's XML, read as the part inflates: neither the part nor its text in UTF-16 is ever
// held whole.

namespace exchange {

struct PartXml {
    PartXml(QByteArrayView zip, const ZipEntry& entry) : part(zip, entry) {}

    PartDevice part;
    QXmlStreamReader reader{&part};
};

// The value of the attribute of that local name, whatever its prefix ("r:id" for "id").
inline QStringView attribute(const QXmlStreamAttributes& attributes, QStringView name) {
    for (const QXmlStreamAttribute& a : attributes)
        if (a.name() == name)
            return a.value();
    return {};
}

// A part that is no XML: the parser's words go to the log, and the file is refused as damaged.
inline void checkParsed(const QXmlStreamReader& reader, const std::string& part) {
    if (reader.hasError())
        throw std::runtime_error(part + ": " + reader.errorString().toStdString());
}

} // namespace exchange
