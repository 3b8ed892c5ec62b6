#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QIODevice>
#include <QLoggingCategory>
#include <QString>
#include <QStringView>
#include <QXmlStreamAttributes>
#include <QXmlStreamReader>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>
#include <zlib.h>

// The zip packages .xlsx and .ods files are: what they hold, and one part's bytes or XML.

// What the libraries reading a spreadsheet said when they failed: for the log, not for the user.
Q_DECLARE_LOGGING_CATEGORY(exchangeLog)

namespace exchange {

struct ZipEntry {
    std::string name;
    quint64 size = 0;       // uncompressed, in bytes
    quint32 crc = 0;        // of the uncompressed bytes
    bool encrypted = false; // the zip's own encryption
    quint64 compressedSize = 0;
    quint32 method = 0;      // 0 stored, 8 deflated
    quint64 headerStart = 0; // where its local header is
};

// The entries of the zip's central directory; none when the bytes are no whole zip (not a zip at
// all, or one cut short: the directory is at its end).
std::optional<std::vector<ZipEntry>> zipEntries(QByteArrayView bytes);

struct Refusal;

// A part's name (UTF-8 in the zip) as messages give it.
QString partName(std::string_view name);

// "Файл повреждён: часть … <how>."
Refusal damagedPart(const ZipEntry& entry, const char* how);

// The part's data as packed. Throws Refusal when the archive does not hold them whole, or its local
// header gives other sizes than the directory without a data descriptor.
QByteArrayView packedData(QByteArrayView bytes, const ZipEntry& entry);

// The entries of a zip by name.
class ZipIndex {
public:
    explicit ZipIndex(QByteArrayView bytes);
    // The entry of that name, or else of that name in another case; none when the zip has none
    // (or is no whole zip).
    std::optional<ZipEntry> find(std::string_view name) const;

private:
    std::vector<ZipEntry> entries_;
    std::unordered_map<std::string, std::size_t> byName_;  // the first entry of each name
    std::unordered_map<std::string, std::size_t> byLower_; // of each name in lower case
};

// A part's bytes as they inflate, a few at a time: a sheet of a million rows is never held whole.
// What was read is summed up for a check against the zip's directory.
class PartDevice : public QIODevice {
public:
    // Opened for reading. Throws Refusal as packedData does, and for a compression other than
    // stored or deflated.
    PartDevice(QByteArrayView zip, const ZipEntry& entry);
    ~PartDevice() override;
    PartDevice(const PartDevice&) = delete;
    PartDevice& operator=(const PartDevice&) = delete;

    bool isSequential() const override { return true; }
    // Reads what is left; throws Refusal naming the part when it did not come out of the size and
    // checksum the zip's directory gives for it.
    void checkAsDeclared();

protected:
    // -1 once the deflated data turn out no whole stream.
    qint64 readData(char* data, qint64 most) override;
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    ZipEntry entry_;
    QByteArrayView packed_;
    z_stream stream_{};
    bool inflating_ = false; // a deflated part, whose stream is set up
    bool ended_ = false;
    quint64 given_ = 0; // bytes read
    quint32 crc_ = 0;   // of those bytes
};

// A zip part's XML, read as the part inflates: neither the part nor its text in UTF-16 is ever
// held whole.
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
