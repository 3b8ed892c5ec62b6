#include "printing/textfit.h"

#include "printing/pagesurface.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double SizeStep = 0.5;

// The longest start of the text that fits, never ending inside a surrogate pair.
QStringView fittingStart(PageSurface& surface, QStringView text, double room, double points) {
    qsizetype fits = 0;
    qsizetype tooLong = text.size();
    while (tooLong - fits > 1) {
        const qsizetype middle = fits + (tooLong - fits) / 2;
        if (surface.textWidth(text.left(middle), points) <= room)
            fits = middle;
        else
            tooLong = middle;
    }
    if (fits > 0 && text.at(fits - 1).isHighSurrogate())
        --fits;
    return text.left(fits);
}

// Trailing blanks show nothing, so they never make a text too wide.
QStringView withoutTrailingBlanks(QStringView text) {
    qsizetype end = text.size();
    while (end > 0 && text.at(end - 1).isSpace())
        --end;
    return text.left(end);
}

} // namespace

FittedText fitText(PageSurface& surface, QStringView text, double room, double points,
                   double smallestPoints) {
    const QStringView visible = withoutTrailingBlanks(text);
    const double width = surface.textWidth(visible, points);
    if (width <= room)
        return {text, points};
    if (points <= smallestPoints)
        return {fittingStart(surface, visible, room, points), points};
    // Widths grow about in proportion to the size: start from that estimate, then make sure.
    double size = room > 0 ? std::floor(points * room / width / SizeStep) * SizeStep : 0;
    size = std::clamp(size, smallestPoints, points - SizeStep);
    while (size > smallestPoints && surface.textWidth(visible, size) > room)
        size -= SizeStep;
    size = std::max(size, smallestPoints);
    if (surface.textWidth(visible, size) <= room)
        return {text, size};
    return {fittingStart(surface, visible, room, smallestPoints), smallestPoints};
}
