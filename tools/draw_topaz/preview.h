// A picture of a skin as the player window shows it: the face with its
// title strip, the face buttons, the three bars and the two labels, put
// together by the program's own skin loader.
#pragma once

#include <QImage>
#include <QString>

namespace topaz {

// Loads the skin `skinName` from appPath/skins/ and composes the window,
// active or not, normal or in windowshade mode; `latched` shows the toggle
// buttons latched, `pressed` the button of that number held down (-1: none).
QImage previewSkin(const QString& appPath, const QString& skinName, bool active, bool shade,
                   bool latched, int pressed);

} // namespace topaz

namespace topaz {

// A real window with the skin: the face, its buttons' pictures, working
// track bars (their values shown in the file-name label) and a tray icon
// whose menu lists the installed skins, windowshade mode and Exit. For trying
// the skin by hand and in screenshots.
int runSkinWindow(const QString& appPath, const QString& skinName);

} // namespace topaz
