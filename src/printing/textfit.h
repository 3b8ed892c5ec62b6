#pragma once

#include <QChar>
#include <QStringView>
#include <QVarLengthArray>

namespace printing {

class PageSurface;

// The room a text is printed in, in twips: how wide its lines may be, and how far down its
// lines may go from the top of the first one.
struct TextRoom {
    double width;
    double height;
};

// The mark that ends the last line of a text that was cut.
inline constexpr QChar CutMark = u'\u2026'; // "…"

// A text as it is to be printed so that it stays within its room: its lines, top to bottom, at
// one size, each viewed where the given text lies. A line is printed one line height of that
// size (PageSurface::lineHeight) below the one before it.
struct FittedText {
    QVarLengthArray<QStringView, 4> lines;
    double points = 0;
    bool cut = false; // the last line is printed followed by CutMark, in place of the rest
};

// Fits a text into its room, keeping every character where it can:
//
// - at `points`, on one line, when it fits so;
// - otherwise at the largest smaller size, in half points down to `smallestPoints`, at which the
//   whole text fits into as many lines of that size as the room's height holds (at least one):
//   wrapped at blanks where a line can end on one, otherwise between characters, never inside
//   a surrogate pair. A line that ends at a blank leaves the blanks out, and so does the next
//   line's start. Large sizes hold one line only, so a text first shrinks on its line and
//   continues on further lines only once the size is small enough for them;
// - otherwise, at `smallestPoints`, in all the lines that size holds, filled as far as they go:
//   the last line ends in CutMark, so the cut shows on paper.
//
// A text that fits on one line is given whole, trailing blanks and all; elsewhere trailing blanks
// take no room. Widths and line heights are those of the surface's current face and weight.
FittedText fitText(PageSurface& surface, QStringView text, TextRoom room, double points,
                   double smallestPoints);

} // namespace printing
