#pragma once

#include <QByteArray>
#include <QString>

// The parts of an OpenDocument spreadsheet, written with QXmlStreamWriter.

namespace exchange {

class ExportSheet;

// The sheet's name in the file, which settings.xml and the filter's range name too.
inline const QString OdsSheetName = QStringLiteral("Журнал");
inline constexpr char OdsMimeType[] = "application/vnd.oasis.opendocument.spreadsheet";

QByteArray odsContent(const ExportSheet& sheet);
QByteArray odsStyles();
QByteArray odsSettings();
QByteArray odsMeta();
QByteArray odsManifest();

} // namespace exchange
