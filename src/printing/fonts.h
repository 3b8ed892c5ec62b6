#pragma once

#include <QFont>
#include <QStringList>

namespace printing {

// Picks the first installed face that can show Cyrillic: the requested one, then the given
// alternatives, then any face of the given kind.
QFont cyrillicFont(const QStringList& families, QFont::StyleHint kind, double pointSize,
                   bool bold = false);

// "MS Sans Serif" where it exists, otherwise a sans face with Cyrillic.
QFont msSansSerif(double pointSize, bool bold = false);

} // namespace printing
