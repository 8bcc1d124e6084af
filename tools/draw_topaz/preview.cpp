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
            ShapeTrackBar(*bar, b);
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

#include "player/skin_source.h"
#include "player/sys_tray.h"

#include <QActionGroup>
#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPixmap>
#include <QWidget>

namespace topaz {

namespace {
using namespace kalo;

class SkinWindow : public QWidget, public SkinnedWindow {
public:
    explicit SkinWindow(const QString& appPath) : appPath_(appPath) {
        setWindowFlags(Qt::FramelessWindowHint);
        setWindowTitle(QStringLiteral("Kalotalk skin"));
        label_ = new QLabel(QStringLiteral("I'm ready!"), this);
        label_->move(111, 25);
        QFont f(QStringLiteral("Liberation Sans"));
        f.setPixelSize(11);
        label_->setFont(f);
        const auto& specs = faceButtonSpecs();
        for (int i = 0; i < FaceButtonCount; ++i) {
            buttons_[size_t(i)] = new QLabel(this);
            buttons_[size_t(i)]->setGeometry(specs[size_t(i)].place);
        }
        const int mins[] = {1, 1, 50}, maxs[] = {100, 65535, 250}, starts[] = {38, 40000, 150};
        int n = 0;
        for (SkinBar b : {SkinBar::Position, SkinBar::Volume, SkinBar::Speed}) {
            auto* bar = new TJQTrackBar(this);
            const TrackBarSpec& cut = trackBarSpec(b);
            bar->setGeometry(cut.place);
            bar->setSliderWidth(cut.sliderSize.width());
            bar->setSliderHeight(cut.sliderSize.height());
            bar->setMin(mins[n]);
            bar->setMax(maxs[n]);
            bar->setPosition(starts[n]);
            ++n;
            bar->OnChange = [this, b](TJQTrackBar* sender) {
                const char* names[] = {"Position", "Volume", "Speed"};
                label_->setText(QStringLiteral("%1 %2")
                                    .arg(QLatin1String(names[int(b)]))
                                    .arg(sender->Position()));
                label_->adjustSize();
            };
            bars_[b] = bar;
        }
        bars_[SkinBar::Position]->setEnabled(false);
        resize(FaceSize);
    }

    void applySkin(const QString& name) {
        loader_.ApplySkin(appPath_, name);
        update();
    }
    void toggleShade() {
        loader_.SetShade(!shade_);
        update();
    }

    bool isApplicationActive() const override { return isActiveWindow(); }
    bool windowShade() const override { return shade_; }
    void storeWindowShade(bool on) override { shade_ = on; }
    void setLabelColour(const QColor& c) override {
        QPalette p = label_->palette();
        p.setColor(QPalette::WindowText, c);
        label_->setPalette(p);
    }
    QImage facePicture() const override { return face_; }
    void setFacePicture(const QImage& f) override {
        face_ = f;
        update();
    }
    void setFaceButtonPictures(int i, const FaceButtonPictures& p) override {
        buttons_[size_t(i)]->setPixmap(QPixmap::fromImage(p.normal));
    }
    void setTitleButtonsVisible(bool v) override {
        for (int i = 0; i < 4; ++i)
            buttons_[size_t(i)]->setVisible(v);
    }
    void setClientSize(QSize s) override { setFixedSize(s); }
    TJQTrackBar* trackBar(SkinBar b) override { return bars_[b]; }

    TSkinLoader loader_{*this};

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter g(this);
        g.fillRect(rect(), Qt::black);
        g.drawImage(0, 0, face_);
    }
    void changeEvent(QEvent* e) override {
        if (e->type() == QEvent::ActivationChange)
            loader_.PaintTitleBar();
        QWidget::changeEvent(e);
    }
    void mouseDoubleClickEvent(QMouseEvent* e) override {
        if (e->position().y() < 14)
            toggleShade();
    }

private:
    QString appPath_;
    bool shade_ = false;
    QImage face_;
    QLabel* label_;
    std::array<QLabel*, FaceButtonCount> buttons_{};
    std::map<SkinBar, TJQTrackBar*> bars_;
};
} // namespace

int runSkinWindow(const QString& appPath, const QString& skinName) {
    SkinWindow window(appPath);
    window.move(100, 100);
    window.applySkin(skinName);
    window.show();

    QMenu menu;
    QMenu* skins = menu.addMenu(QStringLiteral("Skins"));
    auto* group = new QActionGroup(&menu);
    for (const QString& name : installedSkins(appPath)) {
        QAction* a = skins->addAction(name);
        a->setCheckable(true);
        a->setChecked(name == skinName);
        group->addAction(a);
        QObject::connect(a, &QAction::triggered, [&window, name] { window.applySkin(name); });
    }
    QObject::connect(menu.addAction(QStringLiteral("Windowshade Mode")), &QAction::triggered,
                     [&window] { window.toggleShade(); });
    menu.addSeparator();
    QObject::connect(menu.addAction(QStringLiteral("Exit")), &QAction::triggered, qApp,
                     &QApplication::quit);

    TSysTray tray(&window);
    QImage gem = previewSkin(appPath, skinName, true, false, false, -1).copy(250, 92, 18, 14);
    tray.setIcon(QIcon(QPixmap::fromImage(gem.scaled(22, 22))));
    tray.setHint(QStringLiteral("Kalotalk"));
    tray.setPopupMenu(&menu);
    tray.setPopupMode(TSysTray::pmLeftClick | TSysTray::pmRightClick);
    tray.setPopupAlign(TSysTray::TPopupAlignment::Right);
    tray.setActive(true);
    return QApplication::exec();
}

} // namespace topaz
