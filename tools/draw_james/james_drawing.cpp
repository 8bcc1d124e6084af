#include "james_drawing.h"

#include <QPainter>
#include <QPainterPath>
#include <QTransform>

#include <algorithm>
#include <cmath>

namespace james {

namespace {

namespace colour {
const QColor Outline(0x2a, 0x22, 0x33);
const QColor Skin(0xf6, 0xcb, 0xa3);
const QColor SkinShade(0xe4, 0xa8, 0x80);
const QColor Blush(0xf0, 0x8a, 0x7a);
const QColor Hair(0x7b, 0x48, 0x22);
const QColor HairLight(0xa0, 0x66, 0x34);
const QColor Frames(0x24, 0x30, 0x52);
const QColor Lens(0xe4, 0xf1, 0xfa);
const QColor EyeWhite(0xff, 0xff, 0xff);
const QColor Pupil(0x33, 0x2a, 0x24);
const QColor MouthDark(0x7a, 0x1f, 0x2a);
const QColor Tongue(0xe8, 0x6d, 0x6d);
const QColor Teeth(0xff, 0xfd, 0xf6);
const QColor Cardigan(0x2e, 0x8d, 0x80);
const QColor CardiganShade(0x22, 0x6c, 0x63);
const QColor Shirt(0xfb, 0xfa, 0xf2);
const QColor BowTie(0xd6, 0x3c, 0x3a);
const QColor Button(0xf2, 0xd2, 0x6a);
const QColor Trousers(0x4b, 0x50, 0x6e);
const QColor TrousersShade(0x3a, 0x3e, 0x58);
const QColor Shoes(0x4a, 0x2e, 0x1e);
const QColor Cover(0xbd, 0x30, 0x2a);
const QColor CoverShade(0x8e, 0x20, 0x1c);
const QColor Gold(0xf0, 0xc0, 0x3a);
const QColor Paper(0xff, 0xfb, 0xee);
const QColor PaperLine(0xcf, 0xc4, 0xa8);
const QColor Sparkle(0xff, 0xd8, 0x3a);
} // namespace colour

constexpr double Pi = 3.14159265358979323846;
const QPointF FeetPoint(75, 184);

void outlined(QPainter& p, const QPainterPath& path, const QColor& fill, double width = 2.0) {
    p.setPen(QPen(colour::Outline, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(fill);
    p.drawPath(path);
}

QPainterPath ellipse(QPointF c, double rx, double ry) {
    QPainterPath path;
    path.addEllipse(c, rx, ry);
    return path;
}

QPainterPath polygon(std::initializer_list<QPointF> points) {
    QPainterPath path;
    bool first = true;
    for (const QPointF& pt : points) {
        if (first)
            path.moveTo(pt);
        else
            path.lineTo(pt);
        first = false;
    }
    path.closeSubpath();
    return path;
}

// Elbow of a two-part limb from shoulder s to hand h; the elbow bends towards
// the side `outward` (-1 left, 1 right) of the line from s to h.
QPointF elbowFor(QPointF s, QPointF h, double upper, double fore, int outward) {
    const QPointF d = h - s;
    double len = std::hypot(d.x(), d.y());
    len = std::clamp(len, std::abs(upper - fore) + 0.5, upper + fore - 0.05);
    const double base = std::atan2(d.y(), d.x());
    const double cosA = (upper * upper + len * len - fore * fore) / (2 * upper * len);
    const double a = std::acos(std::clamp(cosA, -1.0, 1.0));
    const double angle = base + outward * a;
    return s + QPointF(std::cos(angle) * upper, std::sin(angle) * upper);
}

void drawSleeve(QPainter& p, QPointF shoulder, QPointF elbow, QPointF wrist) {
    QPainterPath path(shoulder);
    path.lineTo(elbow);
    path.lineTo(wrist);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(colour::Outline, 13, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPath(path);
    p.setPen(QPen(colour::Cardigan, 9, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPath(path);
    // White shirt cuff at the wrist.
    const QPointF dir = wrist - elbow;
    const double len = std::max(1.0, std::hypot(dir.x(), dir.y()));
    const QPointF cuff = wrist - dir / len * 2.0;
    p.setPen(QPen(colour::Outline, 12, Qt::SolidLine, Qt::FlatCap));
    p.drawLine(cuff - dir / len * 2.5, cuff + dir / len * 2.0);
    p.setPen(QPen(colour::Shirt, 9, Qt::SolidLine, Qt::FlatCap));
    p.drawLine(cuff - dir / len * 1.5, cuff + dir / len * 1.0);
}

void drawHand(QPainter& p, QPointF at, QPointF from, Hand shape, double tilt) {
    const QPointF dir = at - from;
    const double angle = std::atan2(dir.y(), dir.x()) * 180 / Pi;
    p.save();
    p.translate(at);
    switch (shape) {
    case Hand::Relaxed:
        p.rotate(angle);
        outlined(p, ellipse(QPointF(2, 0), 6.5, 5.5), colour::Skin);
        p.setPen(QPen(colour::SkinShade, 1.2, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(4, -2), QPointF(6, -1));
        break;
    case Hand::Open: {
        // Palm towards the viewer, fingers together pointing up, thumb out.
        p.rotate(tilt);
        QPainterPath hand;
        hand.setFillRule(Qt::WindingFill);
        hand.addEllipse(QPointF(0, 0), 6.5, 6);
        hand.addRoundedRect(QRectF(-6, -13, 11.5, 12), 4.5, 4.5);
        hand.addRoundedRect(QRectF(3, -3.5, 8.5, 4.2), 2.1, 2.1);
        outlined(p, hand.simplified(), colour::Skin, 1.6);
        p.setPen(QPen(colour::SkinShade, 1.1, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(-2.2, -12), QPointF(-2.2, -6));
        p.drawLine(QPointF(1.2, -12), QPointF(1.2, -6));
        break;
    }
    case Hand::Point: {
        p.rotate(tilt);
        QPainterPath hand;
        hand.setFillRule(Qt::WindingFill);
        hand.addRoundedRect(QRectF(-6, -5, 12, 11), 5, 5);
        hand.addRoundedRect(QRectF(-1.6, -15, 3.6, 12), 1.8, 1.8);
        outlined(p, hand.simplified(), colour::Skin, 1.8);
        break;
    }
    }
    p.restore();
}

void drawLegs(QPainter& p) {
    // Trousers from the hips to the ankles, a little apart.
    QPainterPath left = polygon({{59, 136}, {74, 136}, {73.5, 176}, {61, 176}});
    QPainterPath right = polygon({{76, 136}, {91, 136}, {89, 176}, {76.5, 176}});
    outlined(p, left, colour::Trousers);
    outlined(p, right, colour::Trousers);
    p.setPen(QPen(colour::TrousersShade, 1.5));
    p.drawLine(QPointF(70, 142), QPointF(70, 174));
    p.drawLine(QPointF(80, 142), QPointF(80, 174));
    // Shoes, pointing slightly outwards.
    QPainterPath shoeL;
    shoeL.addRoundedRect(QRectF(52, 174, 22, 9), 4.5, 4.5);
    QPainterPath shoeR;
    shoeR.addRoundedRect(QRectF(76, 174, 22, 9), 4.5, 4.5);
    outlined(p, shoeL, colour::Shoes);
    outlined(p, shoeR, colour::Shoes);
    p.setPen(QPen(QColor(0x6e, 0x4a, 0x34), 1.4, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(56, 177), QPointF(62, 177));
    p.drawLine(QPointF(88, 177), QPointF(94, 177));
}

void drawTorso(QPainter& p, double sink) {
    const double top = 90 + sink;
    // Cardigan body with rounded shoulders.
    QPainterPath body;
    body.moveTo(56, top + 2);
    body.cubicTo(64, top - 2, 86, top - 2, 94, top + 2);
    body.cubicTo(101, top + 4, 103, top + 12, 101, top + 20);
    body.lineTo(96, 140);
    body.lineTo(54, 140);
    body.lineTo(49, top + 20);
    body.cubicTo(47, top + 12, 49, top + 4, 56, top + 2);
    outlined(p, body, colour::Cardigan);
    // Shirt showing in the V of the cardigan.
    QPainterPath shirt = polygon({{64, top}, {86, top}, {75, top + 30}});
    p.setPen(Qt::NoPen);
    p.setBrush(colour::Shirt);
    p.drawPath(shirt);
    // Cardigan edges with their buttons.
    p.setPen(QPen(colour::Outline, 1.6, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(64, top + 1), QPointF(75, top + 30));
    p.drawLine(QPointF(86, top + 1), QPointF(75, top + 30));
    p.drawLine(QPointF(75, top + 30), QPointF(75, 139));
    for (int i = 0; i < 3; ++i) {
        const QPointF c(78.5, top + 34 + i * (106 - top - 34 + 32) / 3.0);
        outlined(p, ellipse(c, 1.9, 1.9), colour::Button, 1.0);
    }
    // Shade along the sides.
    p.setPen(QPen(colour::CardiganShade, 2.2, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(53, top + 24), QPointF(56, 137));
    p.drawLine(QPointF(97, top + 24), QPointF(94, 137));
    // Collar points and the bow tie.
    outlined(p, polygon({{66, top - 1}, {74, top + 2}, {69, top + 8}}), colour::Shirt, 1.4);
    outlined(p, polygon({{84, top - 1}, {76, top + 2}, {81, top + 8}}), colour::Shirt, 1.4);
    QPainterPath tie;
    tie.moveTo(75, top + 4);
    tie.lineTo(67.5, top);
    tie.lineTo(67.5, top + 8.5);
    tie.closeSubpath();
    tie.moveTo(75, top + 4);
    tie.lineTo(82.5, top);
    tie.lineTo(82.5, top + 8.5);
    tie.closeSubpath();
    outlined(p, tie, colour::BowTie, 1.5);
    outlined(p, ellipse(QPointF(75, top + 4), 2.4, 2.4), colour::BowTie, 1.3);
}

void drawEye(QPainter& p, QPointF c, const Pose& pose) {
    switch (pose.eyes) {
    case Eyes::Open:
    case Eyes::Half: {
        // White, a large dark pupil with a glint, and the upper lid line.
        p.setPen(Qt::NoPen);
        p.setBrush(colour::EyeWhite);
        p.drawEllipse(c, 4.8, 5.8);
        const QPointF pupil = c + QPointF(pose.lookX * 1.9, pose.lookY * 2.3);
        p.save();
        p.setClipPath(ellipse(c, 4.8, 5.8));
        p.setBrush(colour::Pupil);
        p.drawEllipse(pupil, 3.4, 4.0);
        p.restore();
        p.setBrush(colour::EyeWhite);
        p.drawEllipse(pupil + QPointF(1.1, -1.5), 1.2, 1.2);
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(colour::Outline, 1.5, Qt::SolidLine, Qt::RoundCap));
        p.drawArc(QRectF(c.x() - 4.8, c.y() - 5.8, 9.6, 11.6), 20 * 16, 140 * 16);
        if (pose.eyes == Eyes::Half) {
            // The upper lid comes half way down.
            QPainterPath lid;
            lid.moveTo(c.x() - 5.4, c.y() + 0.2);
            lid.lineTo(c.x() - 5.4, c.y() - 6.5);
            lid.lineTo(c.x() + 5.4, c.y() - 6.5);
            lid.lineTo(c.x() + 5.4, c.y() + 0.2);
            lid.closeSubpath();
            p.setBrush(colour::Skin);
            p.setPen(Qt::NoPen);
            p.drawPath(lid);
            p.setPen(QPen(colour::Outline, 1.6, Qt::SolidLine, Qt::RoundCap));
            p.drawLine(QPointF(c.x() - 4.6, c.y() + 0.2), QPointF(c.x() + 4.6, c.y() + 0.2));
        }
        break;
    }
    case Eyes::Closed:
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(colour::Outline, 1.7, Qt::SolidLine, Qt::RoundCap));
        p.drawArc(QRectF(c.x() - 4.5, c.y() - 3, 9, 6), 190 * 16, 160 * 16);
        break;
    case Eyes::Happy:
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(colour::Outline, 1.8, Qt::SolidLine, Qt::RoundCap));
        p.drawArc(QRectF(c.x() - 4.5, c.y() - 2, 9, 7), 20 * 16, 140 * 16);
        break;
    }
}

void drawMouth(QPainter& p, QPointF c, int shape) {
    p.save();
    p.translate(c);
    auto openMouth = [&](double w, double h) {
        QPainterPath m;
        m.moveTo(-w, -h * 0.35);
        m.cubicTo(-w * 0.4, -h * 0.5, w * 0.4, -h * 0.5, w, -h * 0.35);
        m.cubicTo(w * 0.9, h * 0.9, -w * 0.9, h * 0.9, -w, -h * 0.35);
        outlined(p, m, colour::MouthDark, 1.5);
        p.save();
        p.setClipPath(m);
        p.setPen(Qt::NoPen);
        if (h >= 5) {
            p.setBrush(colour::Teeth);
            p.drawRect(QRectF(-w, -h, 2 * w, h * 0.75));
        }
        p.setBrush(colour::Tongue);
        p.drawEllipse(QPointF(0, h * 0.75), w * 0.6, h * 0.38);
        p.restore();
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(colour::Outline, 1.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.drawPath(m);
    };
    switch (shape) {
    case MouthSmile:
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(colour::Outline, 1.8, Qt::SolidLine, Qt::RoundCap));
        p.drawArc(QRectF(-7, -6, 14, 9), 205 * 16, 130 * 16);
        break;
    case MouthClosed:
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(colour::Outline, 1.8, Qt::SolidLine, Qt::RoundCap));
        p.drawArc(QRectF(-6, -4, 12, 6), 215 * 16, 110 * 16);
        break;
    case 1:
        openMouth(5.5, 3.0);
        break;
    case 2:
        openMouth(6.5, 5.5);
        break;
    case 3:
        openMouth(7.5, 8.0);
        break;
    case 4:
        openMouth(8.5, 10.5);
        break;
    case MouthMedium: {
        // Rounded "oh".
        outlined(p, ellipse(QPointF(0, 1.2), 4.2, 5.0), colour::MouthDark, 1.5);
        p.setPen(Qt::NoPen);
        p.setBrush(colour::Tongue);
        p.drawEllipse(QPointF(0, 3.6), 2.4, 1.6);
        break;
    }
    case MouthNarrow:
        // Pursed "oo" / "ee": small and narrow.
        outlined(p, ellipse(QPointF(0, 0.5), 2.6, 2.4), colour::MouthDark, 1.5);
        break;
    default:
        break;
    }
    p.restore();
}

void drawHead(QPainter& p, const Pose& pose) {
    // Neck.
    QPainterPath neck;
    neck.addRect(QRectF(69, 74, 12, 18));
    outlined(p, neck, colour::SkinShade, 1.6);
    // Ears.
    outlined(p, ellipse(QPointF(46, 55), 5.5, 7.5), colour::Skin);
    outlined(p, ellipse(QPointF(104, 55), 5.5, 7.5), colour::Skin);
    p.setPen(QPen(colour::SkinShade, 1.4, Qt::SolidLine, Qt::RoundCap));
    p.drawArc(QRectF(44, 51, 5, 8), 90 * 16, 180 * 16);
    p.drawArc(QRectF(101, 51, 5, 8), 270 * 16, 180 * 16);
    // Face.
    QPainterPath face;
    face.moveTo(75, 20);
    face.cubicTo(96, 20, 105, 34, 105, 52);
    face.cubicTo(105, 72, 92, 82, 75, 82);
    face.cubicTo(58, 82, 45, 72, 45, 52);
    face.cubicTo(45, 34, 54, 20, 75, 20);
    outlined(p, face, colour::Skin);
    // Cheeks.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(colour::Blush.red(), colour::Blush.green(), colour::Blush.blue(), 90));
    p.drawEllipse(QPointF(56, 67), 5.5, 3.5);
    p.drawEllipse(QPointF(94, 67), 5.5, 3.5);
    // Hair: a round cap with a side parting and a curl falling on the forehead.
    QPainterPath hair;
    hair.moveTo(44, 50);
    hair.cubicTo(40, 24, 60, 11, 77, 12);
    hair.cubicTo(96, 12, 110, 26, 106, 50);
    hair.cubicTo(103, 42, 101, 36, 97, 32);
    hair.cubicTo(88, 36, 72, 36, 62, 30);
    hair.cubicTo(58, 36, 52, 38, 49, 40);
    hair.cubicTo(47, 43, 45, 46, 44, 50);
    outlined(p, hair, colour::Hair);
    QPainterPath curl;
    curl.moveTo(64, 29);
    curl.cubicTo(66, 36, 72, 38, 74, 34);
    curl.cubicTo(70, 35, 68, 32, 68, 28);
    outlined(p, curl, colour::Hair, 1.5);
    p.setPen(QPen(colour::HairLight, 2.2, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(54, 16, 40, 22), 40 * 16, 90 * 16);
    p.setPen(QPen(colour::Outline, 1.3, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(86, 14), QPointF(84, 30));
    // Eyebrows.
    const double by = 38 - pose.brows;
    p.setPen(QPen(colour::Hair, 2.6, Qt::SolidLine, Qt::RoundCap));
    p.drawArc(QRectF(56, by, 14, 6), 30 * 16, 120 * 16);
    p.drawArc(QRectF(80, by, 14, 6), 30 * 16, 120 * 16);
    // Eyes behind the glasses.
    const QPointF eyeL(63, 53), eyeR(87, 53);
    drawEye(p, eyeL, pose);
    drawEye(p, eyeR, pose);
    // Glasses: round lenses with a light tint and a glint, bridge and arms.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(colour::Lens.red(), colour::Lens.green(), colour::Lens.blue(), 35));
    p.drawEllipse(eyeL, 10, 10);
    p.drawEllipse(eyeR, 10, 10);
    p.setPen(QPen(QColor(255, 255, 255, 200), 1.6, Qt::SolidLine, Qt::RoundCap));
    p.drawArc(QRectF(eyeL.x() - 7.5, eyeL.y() - 7.5, 15, 15), 100 * 16, 50 * 16);
    p.drawArc(QRectF(eyeR.x() - 7.5, eyeR.y() - 7.5, 15, 15), 100 * 16, 50 * 16);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(colour::Frames, 2.4));
    p.drawEllipse(eyeL, 10, 10);
    p.drawEllipse(eyeR, 10, 10);
    p.drawArc(QRectF(72, 49, 6, 6), 20 * 16, 140 * 16);
    p.drawLine(QPointF(53, 51), QPointF(46.5, 49));
    p.drawLine(QPointF(97, 51), QPointF(103.5, 49));
    // Nose.
    p.setPen(QPen(colour::Outline, 1.6, Qt::SolidLine, Qt::RoundCap));
    p.drawArc(QRectF(71.5, 59, 7, 6), 200 * 16, 160 * 16);
    // Mouth.
    drawMouth(p, QPointF(75, 72), pose.mouth);
}

void drawClosedBook(QPainter& p, QPointF centre, double angle, double w, double h) {
    p.save();
    p.translate(centre);
    p.rotate(angle);
    // Page edges show below and beside the cover.
    QPainterPath pages;
    pages.addRoundedRect(QRectF(-w / 2 + 2, -h / 2 + 2, w, h), 1.5, 1.5);
    outlined(p, pages, colour::Paper, 1.6);
    QPainterPath cover;
    cover.addRoundedRect(QRectF(-w / 2, -h / 2, w, h), 2, 2);
    outlined(p, cover, colour::Cover);
    p.setPen(Qt::NoPen);
    p.setBrush(colour::CoverShade);
    p.drawRect(QRectF(-w / 2 + 1, -h / 2 + 1, 3, h - 2));
    p.setBrush(colour::Gold);
    p.drawRect(QRectF(-w / 2 + 7, -h / 2 + h * 0.22, w - 12, 2.2));
    p.drawRect(QRectF(-w / 2 + 7, -h / 2 + h * 0.22 + 4.5, w - 12, 1.4));
    p.restore();
}

void drawOpenBook(QPainter& p, const Pose& pose, double sink) {
    // Seen from the front: the covers open towards him like a tent, the tops
    // of the pages showing over the edge.
    const double top = 102 + sink, bottom = 128 + sink;
    QPainterPath pages;
    pages.moveTo(48, top - 2);
    pages.cubicTo(58, top - 8, 70, top - 6, 75, top - 1);
    pages.cubicTo(80, top - 6, 92, top - 8, 102, top - 2);
    pages.lineTo(102, top + 6);
    pages.lineTo(48, top + 6);
    pages.closeSubpath();
    outlined(p, pages, colour::Paper, 1.6);
    p.setPen(QPen(colour::PaperLine, 1.0));
    p.drawLine(QPointF(52, top - 1), QPointF(72, top - 1));
    p.drawLine(QPointF(78, top - 1), QPointF(98, top - 1));
    if (pose.book == Book::PageTurn) {
        // A page standing up from the spine, swinging over to the left.
        const double a = (pose.pageTurn * 150 + 15) * Pi / 180; // from the right side
        const QPointF tip(75 + std::cos(a) * 26, top - 2 - std::sin(a) * 20);
        QPainterPath page;
        page.moveTo(75, top);
        page.quadTo(QPointF((75 + tip.x()) / 2, tip.y() - 5), tip);
        page.lineTo(tip.x(), tip.y() + 9);
        page.quadTo(QPointF((75 + tip.x()) / 2, tip.y() + 4), QPointF(75, top + 8));
        page.closeSubpath();
        outlined(p, page, colour::Paper, 1.4);
    }
    QPainterPath left = polygon({{46, top + 2}, {75, top + 4}, {75, bottom + 2}, {47, bottom}});
    QPainterPath right = polygon({{104, top + 2}, {75, top + 4}, {75, bottom + 2}, {103, bottom}});
    outlined(p, left, colour::Cover);
    outlined(p, right, colour::Cover);
    p.setPen(Qt::NoPen);
    p.setBrush(colour::CoverShade);
    p.drawRect(QRectF(72.5, top + 5, 5, bottom - top - 4));
    p.setBrush(colour::Gold);
    p.drawRect(QRectF(82, top + 9, 16, 2.2));
    p.drawRect(QRectF(82, top + 13.5, 16, 1.4));
}

void drawSparkle(QPainter& p, QPointF c, double r) {
    QPainterPath star;
    star.moveTo(c.x(), c.y() - r);
    star.quadTo(c, QPointF(c.x() + r, c.y()));
    star.quadTo(c, QPointF(c.x(), c.y() + r));
    star.quadTo(c, QPointF(c.x() - r, c.y()));
    star.quadTo(c, QPointF(c.x(), c.y() - r));
    outlined(p, star, colour::Sparkle, 1.2);
}

void drawZ(QPainter& p, QPointF at, double size) {
    QPainterPath z;
    z.moveTo(at);
    z.lineTo(at + QPointF(size, 0));
    z.lineTo(at + QPointF(0, size));
    z.lineTo(at + QPointF(size, size));
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(colour::Outline, size / 3.2 + 2.4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPath(z);
    p.setPen(
        QPen(QColor(0x8a, 0xb4, 0xe8), size / 3.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPath(z);
}

void paintJames(QPainter& p, const Pose& pose) {
    const double sink = pose.bow * 0.6;
    const QPointF shoulderFree(56, 97 + sink), shoulderBook(94, 97 + sink);
    constexpr double upper = 24, fore = 23;

    drawLegs(p);
    drawTorso(p, sink);

    // The head, tilted around the neck and sunk by the bow.
    p.save();
    p.translate(0, pose.bow);
    p.translate(75, 84);
    p.rotate(pose.headTilt);
    p.translate(-75, -84);
    drawHead(p, pose);
    p.restore();

    // The book behind the hands that hold it.
    if (pose.book == Book::AtSide)
        drawClosedBook(p, pose.bookHand + QPointF(3, 7), -6, 22, 30);
    else if (pose.book == Book::Lifting)
        drawClosedBook(p, pose.bookHand + QPointF(-2, 4), -40, 22, 30);
    else if (pose.book == Book::FrontClosed)
        drawClosedBook(p, QPointF(75, 117 + sink), 0, 34, 26);
    else
        drawOpenBook(p, pose, sink);

    // Arms: both elbows bend outwards, away from the body.
    const QPointF freeElbow = [&] {
        const QPointF a = elbowFor(shoulderFree, pose.freeHand, upper, fore, 1);
        const QPointF b = elbowFor(shoulderFree, pose.freeHand, upper, fore, -1);
        if (pose.freeElbowLow)
            return a.y() >= b.y() ? a : b;
        return a.x() <= b.x() ? a : b;
    }();
    const QPointF bookElbow = [&] {
        const QPointF a = elbowFor(shoulderBook, pose.bookHand, upper, fore, 1);
        const QPointF b = elbowFor(shoulderBook, pose.bookHand, upper, fore, -1);
        return a.x() >= b.x() ? a : b;
    }();
    auto wristOf = [](QPointF elbow, QPointF hand) {
        const QPointF d = hand - elbow;
        const double len = std::max(1.0, std::hypot(d.x(), d.y()));
        return hand - d / len * 4.0;
    };
    drawSleeve(p, shoulderBook, bookElbow, wristOf(bookElbow, pose.bookHand));
    drawHand(p, pose.bookHand, bookElbow, Hand::Relaxed, 0);
    drawSleeve(p, shoulderFree, freeElbow, wristOf(freeElbow, pose.freeHand));
    drawHand(p, pose.freeHand, freeElbow, pose.freeHandShape, pose.freeHandTilt);

    if (pose.sleep >= 1)
        drawZ(p, QPointF(108, 18), 8);
    if (pose.sleep >= 2)
        drawZ(p, QPointF(122, 4), 11);
    if (pose.sparkle) {
        drawSparkle(p, QPointF(24, 40), 7);
        drawSparkle(p, QPointF(128, 70), 6);
        drawSparkle(p, QPointF(30, 150), 5);
        drawSparkle(p, QPointF(122, 158), 7);
    }
}

} // namespace

Pose RestPose() {
    return Pose();
}

QImage DrawPose(const Pose& pose) {
    QImage image(FrameWidth, FrameHeight, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing);
        p.translate(FeetPoint);
        p.scale(pose.scale, pose.scale);
        p.translate(-FeetPoint);
        paintJames(p, pose);
    }
    // Hard edges: a pixel at least half covered keeps its own colour at full
    // strength, anything less becomes transparent, so no pale fringe is left
    // to show against whatever the character stands on.
    QImage out = image.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < out.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < out.width(); ++x) {
            const QRgb c = line[x];
            line[x] = qAlpha(c) >= 128 ? (c | 0xFF000000u) : 0u;
        }
    }
    return out;
}

} // namespace james
