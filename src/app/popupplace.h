#pragma once

class QWidget;

namespace app {

// Places a popup under `anchor`, its left edges aligned, or above it when the screen's available
// area has no room below; never past that area's edges (the task bar, the screen's bottom).
void placePopupAt(QWidget& popup, const QWidget& anchor);

} // namespace app
