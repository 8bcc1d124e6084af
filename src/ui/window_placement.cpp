#include "ui/window_placement.h"

#include "ui/frame_geometry.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <algorithm>

namespace kalo {

namespace {
constexpr int GrabWidth = 40;
constexpr int GrabHeight = 20;
} // namespace

bool TitleReachable(const QRect& window, const QList<QRect>& workAreas) {
    if (window.isEmpty())
        return false;
    const QRect title(window.topLeft(),
                      QSize(window.width(), std::min(window.height(), FrameTopHeight)));
    const int needWidth = std::min(GrabWidth, title.width());
    const int needHeight = std::min(GrabHeight, title.height());
    return std::any_of(workAreas.begin(), workAreas.end(), [&](const QRect& area) {
        const QRect shown = title.intersected(area);
        return shown.width() >= needWidth && shown.height() >= needHeight;
    });
}

QRect FitIntoWorkArea(const QRect& window, const QRect& workArea) {
    QRect r = window;
    if (r.right() > workArea.right())
        r.moveRight(workArea.right());
    if (r.bottom() > workArea.bottom())
        r.moveBottom(workArea.bottom());
    if (r.left() < workArea.left())
        r.moveLeft(workArea.left());
    if (r.top() < workArea.top())
        r.moveTop(workArea.top());
    return r;
}

QPoint PlaceOnScreen(const QRect& window, const QList<QRect>& workAreas,
                     const QRect& primaryWorkArea) {
    if (TitleReachable(window, workAreas) || primaryWorkArea.isEmpty())
        return window.topLeft();
    return FitIntoWorkArea(window, primaryWorkArea).topLeft();
}

QPoint PlaceOnScreen(const QRect& window) {
    QList<QRect> areas;
    for (const QScreen* screen : QGuiApplication::screens())
        areas << screen->availableGeometry();
    const QScreen* primary = QGuiApplication::primaryScreen();
    return PlaceOnScreen(window, areas, primary ? primary->availableGeometry() : QRect());
}

QPoint CentredIn(QSize window, const QRect& area) {
    return area.topLeft() +
           QPoint((area.width() - window.width()) / 2, (area.height() - window.height()) / 2);
}

void CentreOver(QWidget& window, const QWidget* over) {
    QRect area;
    if (over)
        area = over->frameGeometry();
    else if (const QScreen* primary = QGuiApplication::primaryScreen())
        area = primary->availableGeometry();
    const QPoint centred = CentredIn(window.size(), area);
    window.move(PlaceOnScreen(QRect(centred, window.size())));
}

} // namespace kalo
