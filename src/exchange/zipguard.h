#pragma once

#include "exchange/zipparts.h"

#include <QByteArrayView>
#include <vector>

// What a zip says of its parts, checked before any part is read: a zip bomb is refused from its
// declared sizes, and a part longer than declared is found by inflating it in small pieces.

namespace exchange {

// The most a part may hold uncompressed: what 327,670 rows of eight cells of up to 400 bytes of
// XML each need.
constexpr quint64 MaxPartSize = quint64(1) << 30;
// A part above this size that compresses more than MaxRatio to one is a zip bomb: a sheet's XML
// compresses about ten to one, a bomb of blanks a thousand to one.
constexpr quint64 RatioCheckedSize = quint64(4) << 20;
constexpr quint64 MaxRatio = 100;
// Deeper elements than any spreadsheet writes.
constexpr int MaxXmlDepth = 256;

// Throws Refusal for a part named outside the package ("../x", "/x", "C:x"), a name given twice,
// a part declared larger than MaxPartSize, a zip bomb, and a part whose data inflate to more or
// fewer bytes than its declared size (inflating stops as soon as it passes that size); and an XML
// part that declares a document type (the entities of a "billion laughs"), which no spreadsheet
// writes, or nests its elements deeper than MaxXmlDepth.
void checkZipParts(QByteArrayView bytes, const std::vector<ZipEntry>& entries);

} // namespace exchange
