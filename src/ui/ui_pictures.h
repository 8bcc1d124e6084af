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

// The program's icon at every size it is drawn in (the sizes the desktop's
// icon theme holds too), for the windows and the tray.
inline constexpr int AppIconSizes[] = {16, 22, 24, 32, 48, 64, 128, 256};
QIcon AppIcon();

// The converter's tool bar pictures, 48 x 48, each in three states.
enum class ToolBarPicture { Read, Wav, Mp3, Pause, Stop, First, Last, Options };
enum class PictureState { Normal, Disabled, Hot };
QString ToolBarPicturePath(ToolBarPicture picture, PictureState state = PictureState::Normal);

// The engine list's pictures, 16 x 16, in the order of the engine image list.
enum class EnginePicture { Male, Female, Mike, Mary, RoboSoft, Other };
QString EnginePicturePath(EnginePicture picture);

// The theme's colours that controls must match.
inline constexpr unsigned ClientBackgroundRgb = 0xf2f5fa; // inside every frame
inline constexpr unsigned LinkRgb = 0x1a56db;             // links on our dialogs

} // namespace kalo
