#include "preview.h"

#include "player/jq_track_bar.h"
#include "player/skin_bitmap.h"
#include "player/skin_loader.h"

#include <QFont>
#include <QPainter>

#include <map>
#include <memory>

namespace topaz {

namespace {
using namespace kalo;

class PreviewWindow : public SkinnedWindow {
public:
    PreviewWindow() {
        for (SkinBar b : {SkinBar::Position, SkinBar::Volume, SkinBar::Speed}) {
            auto bar = std::make_unique<TJQTrackBar>();
            const TrackBarSpec& spec = trackBarSpec(b);
            bar->resize(spec.place.size());
            bar->setSliderWidth(spec.sliderSize.width());
            bar->setSliderHeight(spec.sliderSize.height());
            bars[b] = std::move(bar);
        }
        bars[SkinBar::Position]->setMin(1);
        bars[SkinBar::Position]->setMax(100);
        bars[SkinBar::Position]->setPosition(38);
        bars[SkinBar::Volume]->setMin(1);
        bars[SkinBar::Volume]->setMax(65535);
        bars[SkinBar::Volume]->setPosition(52000);
        bars[SkinBar::Speed]->setMin(50);
        bars[SkinBar::Speed]->setMax(250);
        bars[SkinBar::Speed]->setPosition(150);
    }
    bool isApplicationActive() const override { return active; }
    bool windowShade() const override { return shade; }
    void storeWindowShade(bool on) override { shade = on; }
    void setLabelColour(const QColor& c) override { colour = c; }
    QImage facePicture() const override { return face; }
    void setFacePicture(const QImage& f) override { face = f; }
    void setFaceButtonPictures(int i, const FaceButtonPictures& p) override {
        buttons[size_t(i)] = p;
    }
    void setTitleButtonsVisible(bool v) override { titleButtons = v; }
    void setClientSize(QSize s) override { size = s; }
    TJQTrackBar* trackBar(SkinBar b) override { return bars[b].get(); }

    bool active = true;
    bool shade = false;
    QColor colour;
    QImage face;
    std::array<FaceButtonPictures, FaceButtonCount> buttons;
    bool titleButtons = true;
    QSize size = FaceSize;
    std::map<SkinBar, std::unique_ptr<TJQTrackBar>> bars;
};
} // namespace

QImage previewSkin(const QString& appPath, const QString& skinName, bool active, bool shade,
                   bool latched, int pressed) {
    PreviewWindow window;
    window.active = active;
    window.shade = shade;
    TSkinLoader loader(window);
    loader.ApplySkin(appPath, skinName);
    QImage out(window.size, QImage::Format_RGB32);
    out.fill(Qt::black);
    drawClipped(out, QPoint(0, 0), window.face);
    if (!shade) {
        for (auto& [kind, bar] : window.bars)
            drawClipped(out, trackBarSpec(kind).place.topLeft(), bar->picture());
        QPainter g(&out);
        g.setPen(window.colour);
        QFont small(QStringLiteral("Liberation Sans"));
        small.setPixelSize(11);
        g.setFont(small);
        g.drawText(QPoint(111, 25 + 10), QStringLiteral("Chapter one.txt"));
        QFont big(QStringLiteral("Liberation Sans"));
        big.setPixelSize(16);
        g.setFont(big);
        g.drawText(QRect(40, 27, 57, 18), Qt::AlignRight | Qt::AlignTop, QStringLiteral("128"));
    }
    const auto& specs = faceButtonSpecs();
    for (int i = 0; i < FaceButtonCount; ++i) {
        if (i <= 3 && !window.titleButtons)
            continue;
        if (shade && i > 3)
            continue;
        const FaceButtonPictures& p = window.buttons[size_t(i)];
        const QImage& picture = i == pressed                           ? p.pressed
                                : (latched && specs[size_t(i)].toggle) ? p.latched
                                                                       : p.normal;
        drawClipped(out, specs[size_t(i)].place.topLeft(), picture);
    }
    return out;
}

} // namespace topaz
