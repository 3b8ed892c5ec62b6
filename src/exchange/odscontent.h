#pragma once

#include <QByteArray>
#include <QString>
#include <QStringEncoder>
#include <QXmlStreamWriter>
#include <memory>

// The parts of an OpenDocument spreadsheet, written with QXmlStreamWriter.

namespace exchange {

class ExportSheet;

// The sheet's name in the file, which settings.xml and the filter's range name too.
inline const QString OdsSheetName = QStringLiteral("Журнал");
inline constexpr char OdsMimeType[] = "application/vnd.oasis.opendocument.spreadsheet";

// content.xml, made piece by piece as the zip library reads it, so that a register of a million
// rows is never held whole: each call of next() appends the next few rows' XML to the bytes
// waiting, which the reader takes and drops.
class OdsContent {
public:
    explicit OdsContent(const ExportSheet& sheet);
    ~OdsContent();
    OdsContent(const OdsContent&) = delete;
    OdsContent& operator=(const OdsContent&) = delete;

    // From the start again.
    void restart();
    // Appends the next piece to waiting(); false once everything was written.
    bool next();
    QByteArray& waiting() { return waiting_; }

private:
    void writePrologue();
    void writeRow(int row);
    void writeEpilogue();
    void writeText(QStringView text);

    // Moves what the writer wrote into waiting_, as UTF-8.
    void encode();

    const ExportSheet& sheet_;
    // The writer writes into a text, which each piece turns into UTF-8 at once and empties: far
    // cheaper than a device taking every element's few bytes one write at a time.
    QString written_;
    QByteArray waiting_;
    QStringEncoder utf8_{QStringEncoder::Utf8};
    std::unique_ptr<QXmlStreamWriter> xml_;
    QString piece_;
    int row_ = -1; // the next data row; -1 before the prologue
    bool done_ = false;
};

QByteArray odsStyles();
QByteArray odsSettings();
QByteArray odsMeta();
QByteArray odsManifest();

} // namespace exchange
