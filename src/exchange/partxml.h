#pragma once

#include <QBuffer>
#include <QByteArray>
#include <QStringView>
#include <QXmlStreamAttributes>
#include <QXmlStreamReader>

// An inflated part's XML, read a few kilobytes at a time: QXmlStreamReader given the bytes
// themselves would decode them whole into UTF-16 first, twice the memory of a large sheet again.

namespace exchange {

class PartXml {
public:
    explicit PartXml(const QByteArray& bytes) {
        buffer_.setData(bytes);
        buffer_.open(QIODevice::ReadOnly);
        reader_.setDevice(&buffer_);
    }
    PartXml(const PartXml&) = delete;
    PartXml& operator=(const PartXml&) = delete;

    QXmlStreamReader& reader() { return reader_; }

private:
    QBuffer buffer_;
    QXmlStreamReader reader_;
};

// The value of the attribute of that local name, whatever its prefix ("r:id" for "id").
inline QStringView attribute(const QXmlStreamAttributes& attributes, QStringView name) {
    for (const QXmlStreamAttribute& a : attributes)
        if (a.name() == name)
            return a.value();
    return {};
}

} // namespace exchange
