#include "app/twips.h"

#include <QPaintDevice>
#include <cmath>

namespace app {

namespace twips {

double pixelsPerTwip(const QPaintDevice* device) {
    const int dpi = device ? device->logicalDpiX() : 96;
    return (dpi > 0 ? dpi : 96) / 1440.0;
}

int toPixels(const QPaintDevice* device, double twips) {
    return int(std::lround(twips * pixelsPerTwip(device)));
}

int fromPixels(const QPaintDevice* device, int pixels) {
    return int(std::lround(pixels / pixelsPerTwip(device)));
}

QRect toPixels(const QPaintDevice* device, int left, int top, int width, int height) {
    return {toPixels(device, left), toPixels(device, top), toPixels(device, width),
            toPixels(device, height)};
}

} // namespace twips

} // namespace app
