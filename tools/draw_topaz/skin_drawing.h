// The drawing of the Topaz skin: every bitmap of the classic skin layout at
// its classic size, in the colours of one gem palette.
#pragma once

#include <QByteArray>
#include <QColor>
#include <QImage>
#include <QString>

#include <vector>

namespace topaz {

struct Palette {
    QColor outline;     // darkest edge lines
    QColor chromeDark;  // body metal, shadow side
    QColor chromeMid;   // body metal
    QColor chromeLight; // body metal, lit edge
    QColor gemDeep;     // the stone's dark facets
    QColor gem;         // the stone's own colour
    QColor gemLight;    // lit facets
    QColor glint;       // highlights
    QColor glass;       // display panels
    QColor glassEdge;
    QString textColour; // Pledit.txt's Current, "#RRGGBB"
    QString title;      // written on the title strip
};

Palette topazPalette();
Palette sapphirePalette();

struct SkinFileData {
    QString name; // as the skin format names it, e.g. "Main.bmp"
    QByteArray bytes;
};

// All files of the skin: the bitmaps as 24-bit BMP and Pledit.txt.
std::vector<SkinFileData> drawSkin(const Palette& palette);

// The individual pictures, for previews.
QImage drawMain(const Palette& p);
QImage drawTitlebar(const Palette& p);
QImage drawCbuttons(const Palette& p);
QImage drawShufrep(const Palette& p);
QImage drawPosbar(const Palette& p);
QImage drawVolume(const Palette& p, bool balance);

} // namespace topaz
