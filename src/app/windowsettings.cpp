#include "app/windowsettings.h"

#include "app/gridview.h"

#include <QScreen>
#include <QSettings>
#include <QWidget>
#include <algorithm>

namespace app {

namespace windowsettings {

void restore(QWidget& window, GridView& view, QSettings* settings) {
    if (!settings)
        return;
    window.restoreGeometry(settings->value(QStringLiteral("window/geometry")).toByteArray());
    QList<int> widths;
    for (const QVariant& width : settings->value(QStringLiteral("grid/columnWidths")).toList())
        widths << width.toInt();
    view.setDraggedWidths(widths);
}

void keep(const QWidget& window, const GridView& view, QSettings* settings) {
    if (!settings)
        return;
    settings->setValue(QStringLiteral("window/geometry"), window.saveGeometry());
    QVariantList widths;
    for (int width : view.draggedWidths())
        widths << width;
    settings->setValue(QStringLiteral("grid/columnWidths"), widths);
    settings->sync();
}

QSize fittedToScreen(const QWidget& window, QSize wanted) {
    // The frame is not known before the window is shown: room for a usual title bar and borders.
    constexpr int FrameWidth = 16;
    constexpr int FrameHeight = 48;
    const QScreen* screen = window.screen();
    if (!screen)
        return wanted;
    const QRect available = screen->availableGeometry();
    return {std::min(wanted.width(), available.width() - FrameWidth),
            std::min(wanted.height(), available.height() - FrameHeight)};
}

} // namespace windowsettings

} // namespace app
