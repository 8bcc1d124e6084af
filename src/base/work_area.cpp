#include "base/work_area.h"

#include <QGuiApplication>
#include <QRect>
#include <QScreen>

namespace kalo {

int WorkAreaRight() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        return 0;
    const QRect r = screen->availableGeometry();
    return r.x() + r.width();
}

int WorkAreaBottom() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        return 0;
    const QRect r = screen->availableGeometry();
    return r.y() + r.height();
}

} // namespace kalo
