#include "printing/textfit.h"

#include "printing/pagesurface.h"

#include <algorithm>
#include <cmath>

namespace printing {

namespace {

constexpr double SizeStep = 0.5;
// Long texts are measured by ever longer starts from this length on, so that finding one line
// costs about that line's length however long the text.
constexpr qsizetype FirstProbe = 32;

double widthOf(PageSurface& surface, QStringView text, double points) {
    return surface.textWidth(text.toString(), points);
}

// Trailing blanks show nothing, so they never make a text too wide.
QStringView withoutTrailingBlanks(QStringView text) {
    qsizetype end = text.size();
    while (end > 0 && text.at(end - 1).isSpace())
        --end;
    return text.left(end);
}

// The length of the longest start of the text that is at most `room` wide, never ending inside a
// surrogate pair.
qsizetype fittingLength(PageSurface& surface, QStringView text, double room, double points) {
    qsizetype fits = 0;
    qsizetype tooLong = text.size();
    for (qsizetype probe = FirstProbe; probe < text.size(); probe *= 2) {
        if (widthOf(surface, text.left(probe), points) > room) {
            tooLong = probe;
            break;
        }
        fits = probe;
    }
    if (tooLong == text.size() && widthOf(surface, text, points) <= room)
        fits = tooLong;
    while (tooLong - fits > 1) {
        const qsizetype middle = fits + (tooLong - fits) / 2;
        if (widthOf(surface, text.left(middle), points) <= room)
            fits = middle;
        else
            tooLong = middle;
    }
    if (fits > 0 && fits < text.size() && text.at(fits - 1).isHighSurrogate())
        --fits;
    return fits;
}

struct Line {
    QStringView text;
    qsizetype next; // where the following line starts; 0 when not even one character fits
};

// The first line of `rest`, which has no trailing blanks: all of it when it fits, otherwise up
// to the last blank that fits, otherwise the characters that fit.
Line nextLine(PageSurface& surface, QStringView rest, double width, double points) {
    const qsizetype fits = fittingLength(surface, rest, width, points);
    if (fits == rest.size())
        return {rest, fits};
    qsizetype end = fits;
    for (qsizetype blank = fits; blank > 0; --blank) {
        if (rest.at(blank).isSpace() && !withoutTrailingBlanks(rest.left(blank)).isEmpty()) {
            end = blank;
            break;
        }
    }
    qsizetype next = end;
    while (next < rest.size() && rest.at(next).isSpace())
        ++next;
    return {withoutTrailingBlanks(rest.left(end)), end > 0 ? next : 0};
}

// Fills all but the last of `maxLines` lines of `width` from the start of the text, fewer when the
// text ends or a line takes not even one character; what is left of the text.
QStringView firstLines(PageSurface& surface, QStringView text, double width, double points,
                       qsizetype maxLines, FittedText& fitted) {
    fitted.lines.clear();
    while (!text.isEmpty() && fitted.lines.size() + 1 < maxLines) {
        const Line line = nextLine(surface, text, width, points);
        if (line.next == 0)
            break;
        fitted.lines.append(line.text);
        text = text.mid(line.next);
    }
    return text;
}

// Breaks the text into at most `maxLines` lines of `width`; false when it takes more.
bool wrap(PageSurface& surface, QStringView text, double width, double points, qsizetype maxLines,
          FittedText& fitted) {
    const QStringView rest = firstLines(surface, text, width, points, maxLines, fitted);
    if (rest.isEmpty())
        return true;
    if (fittingLength(surface, rest, width, points) != rest.size())
        return false;
    fitted.lines.append(rest);
    return true;
}

// The text in `maxLines` lines, filled as far as they go, the last one ending in the cut mark.
void cutToLines(PageSurface& surface, QStringView text, double width, double points,
                qsizetype maxLines, FittedText& fitted) {
    const QStringView rest = firstLines(surface, text, width, points, maxLines, fitted);
    const double markWidth = widthOf(surface, QStringView(&CutMark, 1), points);
    fitted.lines.append(
        withoutTrailingBlanks(rest.left(fittingLength(surface, rest, width - markWidth, points))));
    fitted.cut = true;
}

// How many lines of that size fit one below the other into the height: at least one.
qsizetype linesAt(PageSurface& surface, double height, double points) {
    constexpr double MostLines = 1000;
    const double line = surface.lineHeight(points);
    if (!(line > 0) || !(height > line))
        return 1;
    // A millionth of a line is rounding, not room.
    return qsizetype(std::min(std::floor(height / line + 1e-6), MostLines));
}

} // namespace

FittedText fitText(PageSurface& surface, QStringView text, TextRoom room, double points,
                   double smallestPoints) {
    FittedText fitted;
    fitted.points = points;
    const QStringView visible = withoutTrailingBlanks(text);
    if (visible.isEmpty() || widthOf(surface, visible, points) <= room.width) {
        fitted.lines.append(text);
        return fitted;
    }
    for (int step = 1; points - step * SizeStep >= smallestPoints; ++step) {
        const double size = points - step * SizeStep;
        if (wrap(surface, visible, room.width, size, linesAt(surface, room.height, size), fitted)) {
            if (fitted.lines.size() == 1)
                fitted.lines[0] = text;
            fitted.points = size;
            return fitted;
        }
    }
    fitted.points = std::min(points, smallestPoints);
    cutToLines(surface, visible, room.width, fitted.points,
               linesAt(surface, room.height, fitted.points), fitted);
    return fitted;
}

} // namespace printing
