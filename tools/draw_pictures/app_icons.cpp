// The program's icon for the desktop: the logo at every size the icon theme
// asks for, and as SVG. The windows and the tray use the same pictures
// (embedded from data/ui/icons), so the menu, the task bar and the tray all
// show one icon.
#include "pictures.h"

#include <QSvgGenerator>

namespace draw {

const int AppIconSizes[] = {16, 22, 24, 32, 48, 64, 128, 256};

void drawAppIcons(const Output& out) {
    for (int size : AppIconSizes) {
        QImage icon = newImage(size, size);
        QPainter p(&icon);
        paintLogo(p, QRectF(0, 0, size, size));
        p.end();
        out.savePng(QStringLiteral("icons/kalotalk_%1.png").arg(size), icon);
    }
    out.saveSvg(QStringLiteral("icons/kalotalk.svg"), 128,
                [](QPainter& p) { paintLogo(p, QRectF(0, 0, 128, 128)); });
}

} // namespace draw
