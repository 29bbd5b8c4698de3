#include "ui/screen_fit.h"

#include <QScreen>
#include <QWidget>
#include <algorithm>

namespace gw::ui {

QRect FittedGeometry(const QRect& wanted, const QRect& available) {
    const QSize size = wanted.size().boundedTo(available.size());
    const int left = std::clamp(wanted.left(), available.left(),
                                available.left() + available.width() - size.width());
    const int top = std::clamp(wanted.top(), available.top(),
                               available.top() + available.height() - size.height());
    return {QPoint(left, top), size};
}

void FitToScreen(QWidget& window) {
    const QScreen* screen = window.screen();
    if (screen == nullptr) {
        return;
    }
    // The frame the window system adds (known once the window is on screen) must fit as well.
    const QRect frame = window.frameGeometry();
    const QRect inner = window.geometry();
    const QMargins margins(inner.left() - frame.left(), inner.top() - frame.top(),
                           frame.right() - inner.right(), frame.bottom() - inner.bottom());
    const QRect available = screen->availableGeometry().marginsRemoved(margins);
    // A minimum of the window's own (or its layout's) larger than the screen would keep it off.
    window.setMinimumSize(
        window.minimumSizeHint().expandedTo(window.minimumSize()).boundedTo(available.size()));
    window.setGeometry(FittedGeometry(window.geometry(), available));
}

} // namespace gw::ui
