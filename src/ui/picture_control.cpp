#include "ui/picture_control.h"

#include <QMouseEvent>
#include <QPainter>

namespace kalo {

TJQImage::TJQImage(QWidget* parent, Fit fit) : QWidget(parent), fit_(fit) {
    setAttribute(Qt::WA_OpaquePaintEvent, false);
}

void TJQImage::setPicture(const QPixmap& picture) {
    picture_ = picture;
    update();
}

void TJQImage::setFit(Fit fit) {
    fit_ = fit;
    update();
}

void TJQImage::paintEvent(QPaintEvent*) {
    if (picture_.isNull())
        return;
    QPainter p(this);
    switch (fit_) {
    case Fit::Stretch:
        p.setRenderHint(QPainter::SmoothPixmapTransform);
        p.drawPixmap(rect(), picture_);
        break;
    case Fit::Natural:
        p.drawPixmap(0, 0, picture_);
        break;
    case Fit::RepeatDown:
        for (int y = 0; y < height(); y += picture_.height())
            p.drawPixmap(0, y, picture_);
        break;
    }
}

void TJQImage::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        leftDown_ = true;
    emit mousePressed(event);
}

void TJQImage::mouseMoveEvent(QMouseEvent* event) {
    emit mouseMoved(event);
}

void TJQImage::mouseReleaseEvent(QMouseEvent* event) {
    const bool click = event->button() == Qt::LeftButton && leftDown_ &&
                       rect().contains(event->position().toPoint());
    if (event->button() == Qt::LeftButton)
        leftDown_ = false;
    emit mouseReleased(event);
    if (click)
        emit clicked();
}

void TJQImage::mouseDoubleClickEvent(QMouseEvent* event) {
    // The release that ends a double click is no second click.
    emit doubleClicked(event);
}

} // namespace kalo
