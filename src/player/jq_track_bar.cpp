#include "player/jq_track_bar.h"

#include "base/kalo_error.h"
#include "base/regular_file.h"
#include "player/skin_bitmap.h"
#include "player/skin_geometry.h"
#include "player/skin_source.h"

#include <QMouseEvent>
#include <QPainter>

namespace kalo {

TJQTrackBar::TJQTrackBar(QWidget* parent) : QWidget(parent) {
    resize(249, 10);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

QPoint TJQTrackBar::sliderPlace() const {
    return QPoint(trackbar::sliderLeft(position_, min_, max_, width(), sliderWidth_),
                  trackbar::sliderTop(height(), sliderHeight_));
}

void TJQTrackBar::setSliderVisible(bool visible) {
    sliderVisible_ = visible;
    if (visible)
        drawClipped(picture_, sliderPlace(), slider_);
    else
        picture_ = background_;
    update();
}

void TJQTrackBar::setPosition(int value) {
    position_ = value;
    if (OnChange)
        OnChange(this);
    if (!sliderVisible_)
        return;
    QPoint at = sliderPlace();
    if (at.x() < 0)
        at.setX(0);
    picture_ = background_;
    drawClipped(picture_, at, dragging_ ? pressedSlider_ : slider_);
    update();
}

namespace {
// A slider picture: none when its rectangle lies wholly outside the bitmap
// (a skin without slider rows), so that nothing is drawn for it rather than
// a black box.
QImage sliderPicture(const QImage& bitmap, const QRect& rect) {
    if (!rect.intersects(bitmap.rect()))
        return {};
    return cutPicture(bitmap, rect);
}
} // namespace

void TJQTrackBar::LoadSkin(const QImage& bitmap, int bx, int by, int sx, int sy, int px, int py) {
    const QSize barSize = size();
    const QSize sliderSize(sliderWidth_, sliderHeight_);
    background_ = cutPicture(bitmap, QRect(QPoint(bx, by), barSize));
    slider_ = sliderPicture(bitmap, QRect(QPoint(sx, sy), sliderSize));
    pressedSlider_ = sliderPicture(bitmap, QRect(QPoint(px, py), sliderSize));
    picture_ = background_;
    update();
}

void TJQTrackBar::LoadSkin(const QString& fileName, int bx, int by, int sx, int sy, int px,
                           int py) {
    const RegularFileRead read = ReadRegularFile(fileName, MaxEntryBytes);
    if (!read.ok())
        throw KaloError(QStringLiteral("The bitmap %1 cannot be read.").arg(fileName));
    const QImage bitmap = decodeSkinBitmap(read.bytes, fileName);
    LoadSkin(bitmap, bx, by, sx, sy, px, py);
}

void TJQTrackBar::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    if (picture_.isNull()) {
        painter.fillRect(rect(), Qt::black);
        return;
    }
    painter.drawImage(0, 0, picture_);
    // A bar larger than its pictures shows black beyond them.
    if (picture_.width() < width())
        painter.fillRect(picture_.width(), 0, width() - picture_.width(), height(), Qt::black);
    if (picture_.height() < height())
        painter.fillRect(0, picture_.height(), width(), height() - picture_.height(), Qt::black);
}

int TJQTrackBar::valueUnder(int x) const {
    return trackbar::valueAt(x, min_, max_, width(), sliderWidth_);
}

void TJQTrackBar::mousePressEvent(QMouseEvent* event) {
    QWidget::mousePressEvent(event);
    if (event->button() != Qt::LeftButton || !takesMouse())
        return;
    event->accept(); // the bar's own: it does not start a drag of the window
    dragging_ = true;
    setPosition(valueUnder(int(event->position().x())));
}

void TJQTrackBar::mouseMoveEvent(QMouseEvent* event) {
    QWidget::mouseMoveEvent(event);
    if (!(event->buttons() & Qt::LeftButton) || !takesMouse())
        return;
    event->accept();
    setPosition(valueUnder(int(event->position().x())));
}

void TJQTrackBar::mouseReleaseEvent(QMouseEvent* event) {
    QWidget::mouseReleaseEvent(event);
    if (event->button() != Qt::LeftButton || !takesMouse())
        return;
    event->accept();
    dragging_ = false;
    setPosition(position_);
}

} // namespace kalo
