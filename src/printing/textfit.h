#pragma once

#include <QStringView>

class PageSurface;

// A text as it is to be printed so that it stays within its room: the given text or a start of
// it, viewed where the given text lies.
struct FittedText {
    QStringView text;
    double points;
};

// The text at `points` when it fits into `room` twips; otherwise at the largest smaller size, in
// half points down to `smallestPoints`, at which it fits; otherwise cut, at the smallest size,
// to the characters that fit. Widths are those of the surface's current face and weight;
// trailing blanks take no room.
FittedText fitText(PageSurface& surface, QStringView text, double room, double points,
                   double smallestPoints);
