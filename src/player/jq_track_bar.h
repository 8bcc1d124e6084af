// A skinned slider drawn entirely from three pictures cut out of a skin
// bitmap: the background (the bar's size) and the slider, normal and pressed
// (the slider's size). The left mouse button places and drags the slider;
// every setting of Position raises OnChange, also when the value stays.
#pragma once

#include <QImage>
#include <QWidget>

#include <functional>

namespace kalo {

class TJQTrackBar : public QWidget {
    Q_OBJECT
public:
    explicit TJQTrackBar(QWidget* parent = nullptr);

    int SliderWidth() const { return sliderWidth_; }
    void setSliderWidth(int w) { sliderWidth_ = w; }
    int SliderHeight() const { return sliderHeight_; }
    void setSliderHeight(int h) { sliderHeight_ = h; }

    bool SliderVisible() const { return sliderVisible_; }
    // True draws the slider at its place (nothing else is redrawn); false puts
    // the plain background back.
    void setSliderVisible(bool visible);

    int Position() const { return position_; }
    // Stores the value, raises OnChange, and redraws the slider at its new
    // place while it is visible (the pressed picture while dragging). The
    // value is not limited to Min..Max.
    void setPosition(int value);

    int Min() const { return min_; }
    void setMin(int v) { min_ = v; }
    int Max() const { return max_; }
    void setMax(int v) { max_ = v; }

    bool Dragging() const { return dragging_; }

    // Raised with the bar as sender each time Position is set.
    std::function<void(TJQTrackBar* sender)> OnChange;

    // Cuts the background (the bar's current size) at bx, by, the slider at
    // sx, sy and the pressed slider at px, py (the slider's size) out of
    // `bitmap` and shows the background; the slider is not drawn. Parts of a
    // rectangle outside the bitmap come out black, but a slider rectangle
    // wholly outside it gives no slider picture: nothing is drawn for it.
    void LoadSkin(const QImage& bitmap, int bx, int by, int sx, int sy, int px, int py);
    // The same from a bitmap file. A missing or unreadable file throws a
    // KaloError and leaves the bar's pictures as they were.
    void LoadSkin(const QString& fileName, int bx, int by, int sx, int sy, int px, int py);

    // What the bar shows, and its three pictures.
    const QImage& picture() const { return picture_; }
    const QImage& background() const { return background_; }
    const QImage& slider() const { return slider_; }
    const QImage& pressedSlider() const { return pressedSlider_; }

    // The slider's place on the bar for the current Position.
    QPoint sliderPlace() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    int valueUnder(int x) const;
    bool takesMouse() const { return sliderVisible_ && isEnabled(); }

    int sliderWidth_ = 29;
    int sliderHeight_ = 10;
    bool sliderVisible_ = false;
    int position_ = 0;
    int min_ = 0;
    int max_ = 220;
    bool dragging_ = false;
    QImage picture_;
    QImage background_;
    QImage slider_;
    QImage pressedSlider_;
};

} // namespace kalo
