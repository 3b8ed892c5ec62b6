#pragma once

#include <QRect>

class QPaintDevice;

namespace app {

// Screen positions and sizes are given in twips (1/1440 inch): 15 twips make a pixel at
// 96 dpi, and the scale follows the screen's logical resolution.
namespace twips {

double pixelsPerTwip(const QPaintDevice* device);
int toPixels(const QPaintDevice* device, double twips);
int fromPixels(const QPaintDevice* device, int pixels);
QRect toPixels(const QPaintDevice* device, int left, int top, int width, int height);

} // namespace twips

} // namespace app
