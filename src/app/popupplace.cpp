#include "app/popupplace.h"

#include <QScreen>
#include <QWidget>
#include <algorithm>

namespace app {

void placePopupAt(QWidget& popup, const QWidget& anchor) {
    const QPoint below = anchor.mapToGlobal(QPoint(0, anchor.height()));
    const QScreen* screen = anchor.screen();
    if (!screen) {
        popup.move(below);
        return;
    }
    const QRect area = screen->availableGeometry();
    const QSize size = popup.frameGeometry().size().expandedTo(popup.size());
    int top = below.y();
    if (top + size.height() > area.bottom() + 1)
        top = anchor.mapToGlobal(QPoint(0, 0)).y() - size.height();
    top = std::clamp(top, area.top(), std::max(area.top(), area.bottom() + 1 - size.height()));
    const int left =
        std::clamp(below.x(), area.left(), std::max(area.left(), area.right() + 1 - size.width()));
    popup.move(left, top);
}

} // namespace app
