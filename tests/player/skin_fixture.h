// A test skin whose every pixel tells where it came from, and a stand-in
// for the player window that records what the skin loader gives it.
#pragma once

#include "player/jq_track_bar.h"
#include "player/skin_loader.h"

#include <QByteArray>
#include <QDir>
#include <QImage>
#include <QString>
#include <QTemporaryDir>

#include <array>
#include <map>
#include <memory>

namespace kalo::test {

// The classic size of each bitmap of a skin.
QSize classicSize(SkinFile file);

// Bitmap of `file` where pixel x, y is rgb(x mod 256, y mod 256, id * 16 +
// 2 * (x >= 256) + (y >= 256)) for the file's id (1 to 7). `variant` adds to
// the id's high bits so two skins differ.
QImage markedBitmap(SkinFile file, QSize size, int variant = 0);
// Where a pixel of a marked bitmap came from.
struct Mark {
    int file; // id of the SkinFile + 8 * variant; 0 for black
    int x, y;
    bool operator==(const Mark&) const = default;
};
Mark markOf(QRgb pixel);
int fileId(SkinFile file);

// A folder skins/<name>/ under a scratch application folder.
class SkinFolder {
public:
    SkinFolder();
    QString appPath() const { return dir_.path() + QLatin1Char('/'); }
    QString skinPath(const QString& name) const;
    // Writes every bitmap of the classic layout, marked; and Pledit.txt when
    // `pledit` is given.
    void writeMarkedSkin(const QString& name, int variant = 0, const QByteArray& pledit = {});
    void write(const QString& relative, const QByteArray& bytes) const;
    void remove(const QString& relative) const;

private:
    QTemporaryDir dir_;
};

// A zip archive built in memory: name -> bytes, stored or deflated.
QByteArray makeZip(const std::vector<std::pair<QString, QByteArray>>& entries);

class FakeSkinnedWindow : public SkinnedWindow {
public:
    FakeSkinnedWindow();
    bool isApplicationActive() const override { return active; }
    bool windowShade() const override { return shade; }
    void storeWindowShade(bool on) override { shade = on; }
    void setLabelColour(const QColor& colour) override { labelColour = colour; }
    QImage facePicture() const override { return face; }
    void setFacePicture(const QImage& picture) override { face = picture; }
    void setFaceButtonPictures(int index, const FaceButtonPictures& pictures) override {
        buttons[size_t(index)] = pictures;
    }
    void setTitleButtonsVisible(bool visible) override { titleButtonsVisible = visible; }
    void setClientSize(QSize size) override { clientSize = size; }
    TJQTrackBar* trackBar(SkinBar bar) override;

    bool active = true;
    bool shade = false;
    QColor labelColour;
    QImage face;
    std::array<FaceButtonPictures, FaceButtonCount> buttons;
    bool titleButtonsVisible = false;
    QSize clientSize;
    std::map<SkinBar, std::unique_ptr<TJQTrackBar>> bars;
};

} // namespace kalo::test
