// Our own pictures, embedded in the program as resources under ":/ui/" (the
// files are drawn by tools/draw_pictures into data/ui).
#pragma once

#include <QIcon>
#include <QPixmap>
#include <QString>

namespace kalo {

// The resource path of a picture, e.g. UiPicturePath("frame/top.bmp") is
// ":/ui/frame/top.bmp".
QString UiPicturePath(const QString& name);

// The picture itself; a null pixmap when there is no such picture.
QPixmap UiPicture(const QString& name);

// The program's logo at every size it is drawn in, for window icons.
QIcon AppIcon();

// The theme's colours that controls must match.
inline constexpr unsigned ClientBackgroundRgb = 0xf2f5fa; // inside every frame
inline constexpr unsigned LinkRgb = 0x1a56db;             // links on our dialogs

} // namespace kalo
