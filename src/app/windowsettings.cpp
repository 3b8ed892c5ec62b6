#include "app/windowsettings.h"

#include "app/gridview.h"

#include <QSettings>
#include <QWidget>

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

} // namespace windowsettings

} // namespace app
