#pragma once

#include <QSize>

class QSettings;
class QWidget;

namespace app {

class GridView;

// The window's place and size and the column widths the user dragged, kept between runs in
// `settings`; with none, nothing is kept or restored.
namespace windowsettings {

void restore(QWidget& window, GridView& view, QSettings* settings);
void keep(const QWidget& window, const GridView& view, QSettings* settings);
// The inner size `wanted`, made small enough for the window with its frame to fit the available
// area of the screen it opens on.
QSize fittedToScreen(const QWidget& window, QSize wanted);

} // namespace windowsettings

} // namespace app
