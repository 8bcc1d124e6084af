// Keeping windows reachable: a stored or fixed window position that lies on
// no screen any more (a monitor was unplugged, the resolution dropped) is
// moved into the primary screen's work area.
#pragma once

#include <QList>
#include <QSize>

class QWidget;
#include <QPoint>
#include <QRect>

namespace kalo {

// True when a grabbable part of the window's title band (40 x 20 pixels, or
// all of it for a smaller window) shows on one of the work areas.
bool TitleReachable(const QRect& window, const QList<QRect>& workAreas);

// The window moved the least distance needed to lie inside the work area; a
// window larger than the work area keeps its top-left corner in it.
QRect FitIntoWorkArea(const QRect& window, const QRect& workArea);

// The top-left corner the window should take: its own when its title is
// reachable on some work area, otherwise the one that fits it into the
// primary work area.
QPoint PlaceOnScreen(const QRect& window, const QList<QRect>& workAreas,
                     const QRect& primaryWorkArea);

// The same for the screens of the running application.
QPoint PlaceOnScreen(const QRect& window);

// The top-left corner that centres a window of the given size in area
// (integer division toward zero, as window positions are computed).
QPoint CentredIn(QSize window, const QRect& area);

// Moves window to the centre of over (shown or hidden), or of the primary
// screen's work area when over is null; then keeps it reachable.
void CentreOver(QWidget& window, const QWidget* over);

} // namespace kalo
