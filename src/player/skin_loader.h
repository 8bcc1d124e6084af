// Puts a skin onto the player window: the labels' text colour, the face
// picture with its title strip, the four pictures of each of the 19 face
// buttons and the pictures of the three track bars, in a fixed order. A
// failing step (a missing or unreadable bitmap, a colour that does not parse)
// ends the run there silently: what was loaded before it stays, the rest
// keeps the previous skin's pictures.
#pragma once

#include "player/skin_geometry.h"
#include "player/skin_source.h"

#include <QColor>
#include <QImage>
#include <QString>

#include <map>
#include <memory>

namespace kalo {

class TJQTrackBar;

// The four pictures of one face button, each of the button's size.
struct FaceButtonPictures {
    QImage normal;
    QImage disabled;
    QImage pressed;
    QImage latched;
};

// What the loader paints on; the player window provides it.
class SkinnedWindow {
public:
    virtual ~SkinnedWindow() = default;
    virtual bool isApplicationActive() const = 0;
    // The windowshade state, kept in the AppBar setting.
    virtual bool windowShade() const = 0;
    virtual void storeWindowShade(bool on) = 0;
    // Text colour of LabelFileName and LabelNumber.
    virtual void setLabelColour(const QColor& colour) = 0;
    // The face picture: 275 x 116, or 275 x 14 in windowshade mode; shown at
    // the top-left of the client area. Null until a skin's Main.bmp loaded.
    virtual QImage facePicture() const = 0;
    virtual void setFacePicture(const QImage& face) = 0;
    virtual void setFaceButtonPictures(int index, const FaceButtonPictures& pictures) = 0;
    // Face buttons 0 to 3 (menu, minimise, windowshade, close).
    virtual void setTitleButtonsVisible(bool visible) = 0;
    // The window's client size: FaceSize or ShadeFaceSize.
    virtual void setClientSize(QSize size) = 0;
    virtual TJQTrackBar* trackBar(SkinBar bar) = 0;
};

// Gives a bar the size on the face and the slider size of the classic skin
// layout, for windows that stand in for the player (tests, previews).
void ShapeTrackBar(TJQTrackBar& bar, SkinBar which);

// The player window implements SkinnedWindow, owns one TSkinLoader and
// calls ApplySkin(AppPath, Skin setting) once at creation (after its face
// buttons and bars exist) and whenever a skin is picked; SetShade(!AppBar)
// when windowshade mode is toggled; PaintTitleBar() whenever the application
// becomes active or inactive.
class TSkinLoader {
public:
    explicit TSkinLoader(SkinnedWindow& window) : window_(window) {}

    // Loads the skin of the given name (the Skin setting) from skins/ in the
    // application folder: Pledit.txt's colour, Main.bmp, the face buttons,
    // PositionBar, VolumeBar, SpeedBar (Balance.bmp, else Volume.bmp), then
    // the windowshade state again. Never throws.
    void ApplySkin(const QString& appPath, const QString& skinName);
    // The same from the first of several application folders that has it.
    void ApplySkin(const QStringList& appFolders, const QString& skinName);

    // Switches between the normal face (275 x 116, Main.bmp loaded afresh)
    // and the windowshade strip (275 x 14, the face's top rows), stores the
    // state and paints the title strip. A failure is swallowed.
    void SetShade(bool on);

    // Shows face buttons 0 to 3 only while the application is active and
    // copies the title strip for (active, windowshade) from Titlebar.bmp onto
    // the face. A failure is swallowed.
    void PaintTitleBar();

    // Cuts the four pictures of every face button, 0 to 18 in turn. Throws
    // at the first button whose bitmap cannot be read.
    void LoadButtonPictures();

    // The skin the last ApplySkin opened (a skin without files before that).
    const SkinSource& source() const;

    // One of the skin's bitmaps, decoded; throws a KaloError when it is
    // missing or unreadable. Each file is read and decoded once per
    // ApplySkin, at its first use, and the result (picture or failure) kept:
    // repainting the title strip or leaving windowshade mode reads nothing
    // again, so an archive's read cap, which is per load, is never used up.
    QImage bitmap(SkinFile file) const;

    // The colour of a Pledit.txt (its bytes; nothing for a missing file):
    // key Current of section Text, "#89D8D1" when absent. Throws when the
    // value does not parse.
    static QColor textColour(const std::optional<QByteArray>& pledit);

private:
    void applySteps();
    void setShade(bool on);
    void paintTitleBar();

    // A bitmap as its first use left it: the picture, or why there is none.
    struct Decoded {
        QImage picture;
        QString error;
    };

    SkinnedWindow& window_;
    std::unique_ptr<SkinSource> source_;
    mutable std::map<SkinFile, Decoded> decoded_;
};

} // namespace kalo
