// The skinned dialog frame: eight edge and corner pieces cut from one drawing
// of a whole window, the four title buttons and the logo.
#include "pictures.h"

#include <QRadialGradient>

namespace draw {

namespace {

// Piece sizes as the frame shows them.
constexpr int TopH = 49, BottomH = 12, LeftW = 10, RightW = 13;
constexpr int TopLeftW = 81, TopRightPicW = 94, MiddleW = 1024, EdgeH = 800;
constexpr qreal TopRadius = 7, BottomRadius = 4;

// One window drawn whole, so corners, bands and header meet exactly.
QImage wholeFrame() {
    const int w = TopLeftW + MiddleW + TopRightPicW;
    const int h = TopH + EdgeH + BottomH;
    QImage img = newImage(w, h, theme::Outline);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);

    QPainterPath inner;
    const QRectF in(1, 1, w - 2, h - 2);
    inner.moveTo(in.left(), in.top() + TopRadius);
    inner.arcTo(QRectF(in.left(), in.top(), 2 * TopRadius, 2 * TopRadius), 180, -90);
    inner.lineTo(in.right() - TopRadius, in.top());
    inner.arcTo(QRectF(in.right() - 2 * TopRadius, in.top(), 2 * TopRadius, 2 * TopRadius), 90,
                -90);
    inner.lineTo(in.right(), in.bottom() - BottomRadius);
    inner.arcTo(QRectF(in.right() - 2 * BottomRadius, in.bottom() - 2 * BottomRadius,
                       2 * BottomRadius, 2 * BottomRadius),
                0, -90);
    inner.lineTo(in.left() + BottomRadius, in.bottom());
    inner.arcTo(
        QRectF(in.left(), in.bottom() - 2 * BottomRadius, 2 * BottomRadius, 2 * BottomRadius), 270,
        -90);
    inner.closeSubpath();
    p.fillPath(inner, theme::Face);

    p.save();
    p.setClipPath(inner);
    paintHeaderGradient(p, QRectF(0, 0, w, TopH - 1));
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(QColor(0x93, 0xb7, 0xf7));
    p.drawLine(0, 1, w, 1);
    p.setPen(theme::HeaderShadow);
    p.drawLine(0, TopH - 2, w, TopH - 2);
    p.setPen(QColor(0x1f, 0x3d, 0x90));
    p.drawLine(0, TopH - 1, w, TopH - 1);

    // Outer bevel of the side and bottom bands.
    p.setPen(theme::FaceLight);
    p.drawLine(1, TopH, 1, h - 3);
    p.setPen(theme::FaceShadow);
    p.drawLine(w - 2, TopH, w - 2, h - 2);
    p.drawLine(2, h - 2, w - 2, h - 2);
    // The line around the client area.
    p.setPen(theme::InnerLine);
    p.drawLine(LeftW - 1, TopH, LeftW - 1, h - BottomH);
    p.drawLine(w - RightW, TopH, w - RightW, h - BottomH);
    p.drawLine(LeftW - 1, h - BottomH, w - RightW, h - BottomH);
    p.restore();

    // A soft light behind the logo.
    QRadialGradient glow(QPointF(17, 25), 26);
    glow.setColorAt(0, QColor(255, 255, 255, 70));
    glow.setColorAt(1, QColor(255, 255, 255, 0));
    p.save();
    p.setClipRect(QRect(1, 2, 80, TopH - 4));
    p.fillRect(QRect(0, 0, 60, TopH), glow);
    p.restore();

    // Grip dots in the bottom-right corner.
    p.setRenderHint(QPainter::Antialiasing, false);
    const int gx = w - RightW, gy = h - BottomH;
    const QPoint dots[] = {{8, 7}, {5, 7}, {8, 4}};
    for (const QPoint& d : dots) {
        p.fillRect(gx + d.x() + 1, gy + d.y() + 1, 2, 2, theme::FaceLight);
        p.fillRect(gx + d.x(), gy + d.y(), 2, 2, QColor(0x93, 0xa5, 0xc8));
    }
    return img;
}

enum class Glyph { Close, Maximise, Restore, Minimise };

// 17 x 19: the button shows its top 17 rows; the two rows below continue the
// header behind it.
QImage titleButton(Glyph glyph) {
    QImage img = newImage(17, 19);
    QPainter p(&img);
    p.translate(0, -5); // the buttons sit at y 5 of the header
    paintHeaderGradient(p, QRectF(0, 0, 17, TopH - 1));
    p.translate(0, 5);
    p.setRenderHint(QPainter::Antialiasing);

    const QRectF face(0.5, 0.5, 16, 16);
    if (glyph == Glyph::Close) {
        QLinearGradient g(face.topLeft(), face.bottomLeft());
        g.setColorAt(0, theme::Close.lighter(112));
        g.setColorAt(1, theme::CloseDark);
        p.setBrush(g);
        p.setPen(QPen(QColor(255, 255, 255, 150), 1));
    } else {
        QLinearGradient g(face.topLeft(), face.bottomLeft());
        g.setColorAt(0, QColor(255, 255, 255, 70));
        g.setColorAt(1, QColor(255, 255, 255, 25));
        p.setBrush(g);
        p.setPen(QPen(QColor(255, 255, 255, 120), 1));
    }
    p.drawPath(roundedRect(face, 4));

    QPen ink(Qt::white, 1.7, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    p.setPen(ink);
    p.setBrush(Qt::NoBrush);
    switch (glyph) {
    case Glyph::Close:
        p.drawLine(QPointF(5.2, 5.2), QPointF(11.8, 11.8));
        p.drawLine(QPointF(11.8, 5.2), QPointF(5.2, 11.8));
        break;
    case Glyph::Maximise:
        p.drawRect(QRectF(4.5, 4.5, 8, 8));
        p.drawLine(QPointF(4.5, 5.5), QPointF(12.5, 5.5));
        break;
    case Glyph::Restore:
        p.setPen(QPen(Qt::white, 1.3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.drawPolyline(QPolygonF({{6.5, 5.5}, {6.5, 3.8}, {13.2, 3.8}, {13.2, 10.2}, {11, 10.2}}));
        p.setPen(ink);
        p.drawRect(QRectF(3.8, 6.6, 7, 6.6));
        break;
    case Glyph::Minimise:
        p.setPen(QPen(Qt::white, 2, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(5, 11.5), QPointF(12, 11.5));
        break;
    }
    return img;
}

} // namespace

void paintLogo(QPainter& p, const QRectF& r) {
    p.save();
    p.translate(r.topLeft());
    p.scale(r.width() / 32.0, r.height() / 32.0);
    p.setRenderHint(QPainter::Antialiasing);

    // Badge.
    const QRectF badge(1.5, 1.5, 29, 29);
    QLinearGradient g(badge.topLeft(), badge.bottomRight());
    g.setColorAt(0, QColor(0xff, 0xc1, 0x4d));
    g.setColorAt(1, theme::AccentDark);
    p.setPen(QPen(QColor(255, 255, 255, 235), 1.6));
    p.setBrush(g);
    p.drawEllipse(badge);
    p.setPen(QPen(QColor(0xa8, 0x4d, 0x00, 120), 0.8));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(badge.adjusted(-0.9, -0.9, 0.9, 0.9));

    // Speech bubble with its tail.
    QPainterPath bubble;
    bubble.addRoundedRect(QRectF(6.5, 7.5, 19, 13.5), 4.5, 4.5);
    QPainterPath tail;
    tail.moveTo(9.5, 19.5);
    tail.lineTo(8, 25.5);
    tail.lineTo(14.5, 20.5);
    tail.closeSubpath();
    bubble = bubble.united(tail);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x9a, 0x45, 0x00, 90));
    p.drawPath(bubble.translated(0.6, 0.9));
    p.setBrush(Qt::white);
    p.drawPath(bubble);

    // Sound bars.
    const qreal heights[] = {3.5, 7.5, 5.5, 8.5, 3.5};
    for (int i = 0; i < 5; ++i) {
        const qreal x = 9.3 + i * 3.0;
        const qreal hgt = heights[i];
        p.setBrush(i % 2 ? theme::HeaderBottom : theme::HeaderBodyTop);
        p.drawRoundedRect(QRectF(x, 14.25 - hgt / 2, 1.9, hgt), 0.9, 0.9);
    }
    p.restore();
}

void paintMakerMark(QPainter& p, const QRectF& r) {
    p.save();
    p.translate(r.topLeft());
    p.scale(r.width() / 32.0, r.height() / 32.0);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF tile(1, 1, 30, 30);
    QLinearGradient g(tile.topLeft(), tile.bottomRight());
    g.setColorAt(0, QColor(0x2b, 0xc4, 0xb0));
    g.setColorAt(1, QColor(0x0e, 0x7c, 0x86));
    p.setPen(QPen(QColor(0x0a, 0x5c, 0x63), 1));
    p.setBrush(g);
    p.drawPath(roundedRect(tile, 7));
    // A leaf over the H.
    QPainterPath leaf;
    leaf.moveTo(18, 12);
    leaf.cubicTo(19, 6, 24, 4.5, 27, 4.5);
    leaf.cubicTo(27, 8.5, 24, 12.5, 18, 12);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xc8, 0xf5, 0x6a));
    p.drawPath(leaf);
    p.setPen(QPen(Qt::white, 3.4, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(9.5, 9.5), QPointF(9.5, 24.5));
    p.drawLine(QPointF(20.5, 14.5), QPointF(20.5, 24.5));
    p.drawLine(QPointF(9.5, 17), QPointF(20.5, 17));
    p.restore();
}

void drawFramePictures(const Output& out) {
    const QImage whole = wholeFrame();
    const int w = whole.width(), h = whole.height();
    out.saveBmp("frame/top_left.bmp", whole.copy(0, 0, TopLeftW, TopH));
    out.saveBmp("frame/top.bmp", whole.copy(TopLeftW, 0, MiddleW, TopH));
    out.saveBmp("frame/top_right.bmp", whole.copy(w - TopRightPicW, 0, TopRightPicW, TopH));
    out.saveBmp("frame/left.bmp", whole.copy(0, TopH, LeftW, EdgeH));
    out.saveBmp("frame/right.bmp", whole.copy(w - RightW, TopH, RightW, EdgeH));
    out.saveBmp("frame/bottom_left.bmp", whole.copy(0, h - BottomH, LeftW, BottomH));
    out.saveBmp("frame/bottom.bmp", whole.copy(LeftW, h - BottomH, MiddleW, BottomH));
    out.saveBmp("frame/bottom_right.bmp", whole.copy(w - RightW, h - BottomH, RightW, BottomH));

    out.saveBmp("frame/button_close.bmp", titleButton(Glyph::Close));
    out.saveBmp("frame/button_maximise.bmp", titleButton(Glyph::Maximise));
    out.saveBmp("frame/button_restore.bmp", titleButton(Glyph::Restore));
    out.saveBmp("frame/button_minimise.bmp", titleButton(Glyph::Minimise));

    // The logo in the frame's title; the program's icon is drawn from the
    // same motif in app_icons.cpp.
    QImage logo = newImage(32, 32);
    QPainter p(&logo);
    paintLogo(p, QRectF(0, 0, 32, 32));
    p.end();
    out.savePng(QStringLiteral("frame/logo.png"), logo);
}

} // namespace draw
