#pragma once

#include <QRect>

class QWidget;

namespace gw::ui {

// Where a window of the wanted place and size goes on a screen whose free area is available:
// no larger than that area, moved (not shrunk further) so that it lies wholly inside it.
[[nodiscard]] QRect FittedGeometry(const QRect& wanted, const QRect& available);

// Brings a top-level window within the free area of its screen (large fonts or a scale factor
// can make its natural size larger than the screen) and lets it be shrunk to that area.
void FitToScreen(QWidget& window);

} // namespace gw::ui
