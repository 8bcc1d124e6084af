#include "skin_drawing.h"

#include "pixel_font.h"

#include <QBuffer>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <QRadialGradient>

#include <cmath>

namespace topaz {

Palette topazPalette() {
    Palette p;
    p.outline = QColor(0x1a, 0x0f, 0x06);
    p.chromeDark = QColor(0x33, 0x21, 0x10);
    p.chromeMid = QColor(0x5c, 0x3c, 0x1d);
    p.chromeLight = QColor(0xa8, 0x7a, 0x42);
    p.gemDeep = QColor(0x8a, 0x46, 0x08);
    p.gem = QColor(0xe0, 0x8e, 0x1a);
    p.gemLight = QColor(0xff, 0xc4, 0x4e);
    p.glint = QColor(0xff, 0xf1, 0xc8);
    p.glass = QColor(0x16, 0x0d, 0x05);
    p.glassEdge = QColor(0x6e, 0x48, 0x1c);
    p.textColour = QStringLiteral("#FFC850");
    p.title = QStringLiteral("KALOTALK");
    return p;
}

Palette sapphirePalette() {
    Palette p;
    p.outline = QColor(0x05, 0x0a, 0x1a);
    p.chromeDark = QColor(0x10, 0x1a, 0x33);
    p.chromeMid = QColor(0x1f, 0x33, 0x5c);
    p.chromeLight = QColor(0x5a, 0x7c, 0xb8);
    p.gemDeep = QColor(0x0c, 0x2c, 0x8a);
    p.gem = QColor(0x2a, 0x62, 0xe0);
    p.gemLight = QColor(0x7a, 0xb0, 0xff);
    p.glint = QColor(0xe0, 0xf0, 0xff);
    p.glass = QColor(0x04, 0x08, 0x16);
    p.glassEdge = QColor(0x24, 0x40, 0x78);
    p.textColour = QStringLiteral("#8CC8FF");
    p.title = QStringLiteral("KALOTALK SAPPHIRE");
    return p;
}

namespace {

QImage canvas(int w, int h, const QColor& fill) {
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(fill);
    return image;
}

QColor withAlpha(QColor c, int alpha) {
    c.setAlpha(alpha);
    return c;
}

QColor mix(const QColor& a, const QColor& b, double t) {
    return QColor::fromRgbF(float(a.redF() + (b.redF() - a.redF()) * t),
                            float(a.greenF() + (b.greenF() - a.greenF()) * t),
                            float(a.blueF() + (b.blueF() - a.blueF()) * t));
}

// A sunken well: dark fill, shadow on the top and left, light on the bottom
// and right, as if milled into the metal.
void sunken(QPainter& g, const QRect& r, const Palette& p, const QColor& fill) {
    g.fillRect(r, fill);
    g.setPen(p.outline);
    g.drawLine(r.topLeft(), r.topRight());
    g.drawLine(r.topLeft(), r.bottomLeft());
    g.setPen(withAlpha(p.chromeLight, 150));
    g.drawLine(r.bottomLeft() + QPoint(1, 0), r.bottomRight());
    g.drawLine(r.topRight() + QPoint(0, 1), r.bottomRight());
}

// A glass display panel with a faint glow from below.
void glassPanel(QPainter& g, const QRectF& r, const Palette& p) {
    g.save();
    g.setRenderHint(QPainter::Antialiasing);
    QPainterPath path;
    path.addRoundedRect(r, 3, 3);
    QLinearGradient fill(r.topLeft(), r.bottomLeft());
    fill.setColorAt(0, p.glass);
    fill.setColorAt(0.7, mix(p.glass, p.gemDeep, 0.18));
    fill.setColorAt(1, mix(p.glass, p.gemDeep, 0.35));
    g.fillPath(path, fill);
    g.setPen(QPen(p.outline, 1));
    g.drawPath(path);
    g.setPen(QPen(withAlpha(p.glassEdge, 200), 1));
    g.drawRoundedRect(r.adjusted(1, 1, -1, -1), 2, 2);
    // a reflection across the top third
    QPainterPath shine;
    shine.addRoundedRect(r.adjusted(2, 2, -2, -r.height() * 0.62), 2, 2);
    g.fillPath(shine, withAlpha(p.glint, 14));
    g.restore();
}

// A faceted stone: an octagon cut with a table and crown facets.
void paintGem(QPainter& g, const QRectF& r, const Palette& p, double glow = 0) {
    g.save();
    g.setRenderHint(QPainter::Antialiasing);
    const double cx = r.center().x(), cy = r.center().y();
    const double w = r.width() / 2, h = r.height() / 2;
    const double k = 0.42;
    QPolygonF outer{{cx - w * k, cy - h}, {cx + w * k, cy - h}, {cx + w, cy - h * k},
                    {cx + w, cy + h * k}, {cx + w * k, cy + h}, {cx - w * k, cy + h},
                    {cx - w, cy + h * k}, {cx - w, cy - h * k}};
    const double t = 0.5;
    QPolygonF table;
    for (const QPointF& q : outer)
        table << QPointF(cx + (q.x() - cx) * t, cy + (q.y() - cy) * t);
    // crown facets between the outline and the table, lit from the top left
    for (int i = 0; i < 8; ++i) {
        const int j = (i + 1) % 8;
        QPolygonF facet{outer[i], outer[j], table[j], table[i]};
        const double angle = std::atan2((outer[i].y() + outer[j].y()) / 2 - cy,
                                        (outer[i].x() + outer[j].x()) / 2 - cx);
        // light from the upper left: angle around -135 degrees is brightest
        const double light = 0.5 + 0.5 * std::cos(angle + 2.356);
        QColor c = light > 0.5 ? mix(p.gem, p.gemLight, (light - 0.5) * 2)
                               : mix(p.gemDeep, p.gem, light * 2);
        g.setPen(Qt::NoPen);
        g.setBrush(c);
        g.drawPolygon(facet);
    }
    QLinearGradient tableFill(table.boundingRect().topLeft(), table.boundingRect().bottomRight());
    tableFill.setColorAt(0, mix(p.gemLight, p.glint, 0.2 + glow * 0.5));
    tableFill.setColorAt(1, mix(p.gem, p.gemLight, glow));
    g.setBrush(tableFill);
    g.drawPolygon(table);
    g.setBrush(Qt::NoBrush);
    g.setPen(QPen(withAlpha(p.outline, 220), 1));
    g.drawPolygon(outer);
    // a glint on the table
    g.setPen(Qt::NoPen);
    g.setBrush(withAlpha(p.glint, 210));
    const double s = std::max(1.0, r.width() / 10);
    g.drawEllipse(QPointF(cx - w * 0.22, cy - h * 0.22), s, s);
    g.restore();
}

enum class Glyph { Prev, Play, Read, Stop, Next, Eject, Menu, Minimise, Shade, Close };

// A glyph centred in r, in colour c.
void paintGlyph(QPainter& g, const QRectF& r, Glyph glyph, const QColor& c) {
    g.save();
    g.setRenderHint(QPainter::Antialiasing);
    g.setPen(Qt::NoPen);
    g.setBrush(c);
    const double cx = r.center().x(), cy = r.center().y();
    const double s = std::min(r.width(), r.height()) / 2;
    switch (glyph) {
    case Glyph::Play:
        g.drawPolygon(QPolygonF{
            {cx - s * 0.5, cy - s * 0.8}, {cx + s * 0.75, cy}, {cx - s * 0.5, cy + s * 0.8}});
        break;
    case Glyph::Stop:
        g.drawRect(QRectF(cx - s * 0.6, cy - s * 0.6, s * 1.2, s * 1.2));
        break;
    case Glyph::Prev:
        g.drawRect(QRectF(cx - s * 0.85, cy - s * 0.7, s * 0.25, s * 1.4));
        g.drawPolygon(QPolygonF{
            {cx + s * 0.0, cy - s * 0.7}, {cx - s * 0.6, cy}, {cx + s * 0.0, cy + s * 0.7}});
        g.drawPolygon(QPolygonF{
            {cx + s * 0.7, cy - s * 0.7}, {cx + s * 0.1, cy}, {cx + s * 0.7, cy + s * 0.7}});
        break;
    case Glyph::Next:
        g.drawRect(QRectF(cx + s * 0.6, cy - s * 0.7, s * 0.25, s * 1.4));
        g.drawPolygon(QPolygonF{
            {cx - s * 0.0, cy - s * 0.7}, {cx + s * 0.6, cy}, {cx - s * 0.0, cy + s * 0.7}});
        g.drawPolygon(QPolygonF{
            {cx - s * 0.7, cy - s * 0.7}, {cx - s * 0.1, cy}, {cx - s * 0.7, cy + s * 0.7}});
        break;
    case Glyph::Read: {
        // a speech bubble: the clipboard is read aloud
        QPainterPath bubble;
        bubble.addRoundedRect(QRectF(cx - s * 0.85, cy - s * 0.75, s * 1.7, s * 1.15), s * 0.35,
                              s * 0.35);
        bubble.moveTo(cx - s * 0.4, cy + s * 0.3);
        bubble.lineTo(cx - s * 0.55, cy + s * 0.85);
        bubble.lineTo(cx + s * 0.05, cy + s * 0.3);
        g.drawPath(bubble.simplified());
        break;
    }
    case Glyph::Eject:
        g.drawPolygon(QPolygonF{
            {cx, cy - s * 0.8}, {cx + s * 0.8, cy + s * 0.1}, {cx - s * 0.8, cy + s * 0.1}});
        g.drawRect(QRectF(cx - s * 0.8, cy + s * 0.35, s * 1.6, s * 0.35));
        break;
    case Glyph::Menu:
        g.drawPolygon(QPolygonF{
            {cx, cy - s * 0.8}, {cx + s * 0.8, cy}, {cx, cy + s * 0.8}, {cx - s * 0.8, cy}});
        break;
    case Glyph::Minimise:
        g.drawRect(QRectF(cx - s * 0.6, cy + s * 0.3, s * 1.2, s * 0.4));
        break;
    case Glyph::Shade:
        g.drawRect(QRectF(cx - s * 0.6, cy - s * 0.55, s * 1.2, s * 0.35));
        g.drawRect(QRectF(cx - s * 0.6, cy + s * 0.2, s * 1.2, s * 0.35));
        break;
    case Glyph::Close: {
        QPen pen(c, std::max(1.0, s * 0.34), Qt::SolidLine, Qt::FlatCap);
        g.setPen(pen);
        g.drawLine(QPointF(cx - s * 0.55, cy - s * 0.55), QPointF(cx + s * 0.55, cy + s * 0.55));
        g.drawLine(QPointF(cx + s * 0.55, cy - s * 0.55), QPointF(cx - s * 0.55, cy + s * 0.55));
        break;
    }
    }
    g.restore();
}

enum class Look { Normal, Pressed, Latched, Disabled };

// A metal key with a gem-coloured rim; pressed keys sink, latched ones glow.
void paintKey(QPainter& g, const QRect& r, const Palette& p, Look look) {
    g.save();
    g.setRenderHint(QPainter::Antialiasing);
    const QRectF box = QRectF(r).adjusted(0.5, 0.5, -0.5, -0.5);
    QLinearGradient fill(box.topLeft(), box.bottomLeft());
    switch (look) {
    case Look::Normal:
        fill.setColorAt(0, mix(p.chromeLight, p.glint, 0.15));
        fill.setColorAt(0.45, p.chromeMid);
        fill.setColorAt(1, p.chromeDark);
        break;
    case Look::Pressed:
        fill.setColorAt(0, p.chromeDark);
        fill.setColorAt(0.6, mix(p.chromeDark, p.gemDeep, 0.5));
        fill.setColorAt(1, p.chromeMid);
        break;
    case Look::Latched:
        fill.setColorAt(0, p.gemLight);
        fill.setColorAt(0.5, p.gem);
        fill.setColorAt(1, p.gemDeep);
        break;
    case Look::Disabled:
        fill.setColorAt(0, mix(p.chromeMid, p.chromeDark, 0.3));
        fill.setColorAt(1, p.chromeDark);
        break;
    }
    const double radius = std::min(3.0, r.height() / 4.0);
    g.setPen(QPen(p.outline, 1));
    g.setBrush(fill);
    g.drawRoundedRect(box, radius, radius);
    if (look == Look::Normal || look == Look::Latched) {
        g.setPen(QPen(withAlpha(p.glint, look == Look::Latched ? 150 : 90), 1));
        g.drawLine(QPointF(box.left() + radius, box.top() + 1),
                   QPointF(box.right() - radius, box.top() + 1));
    }
    g.restore();
}

QColor glyphColour(const Palette& p, Look look) {
    switch (look) {
    case Look::Normal:
        return p.gemLight;
    case Look::Pressed:
        return p.glint;
    case Look::Latched:
        return p.outline;
    case Look::Disabled:
        return mix(p.chromeMid, p.chromeLight, 0.3);
    }
    return p.gemLight;
}

void centredPixelText(QImage& image, const QRect& r, const QString& text, const QColor& c) {
    drawPixelText(image, r.x() + (r.width() - pixelTextWidth(text)) / 2,
                  r.y() + (r.height() - 5) / 2, text, c);
}

// The small 9 x 9 title buttons.
void paintTitleButton(QPainter& g, const QRect& r, const Palette& p, Glyph glyph, bool pressed) {
    g.save();
    g.fillRect(r, pressed ? p.gemDeep : p.chromeDark);
    g.setPen(pressed ? p.outline : withAlpha(p.chromeLight, 200));
    g.drawRect(r.adjusted(0, 0, -1, -1));
    g.restore();
    paintGlyph(g, QRectF(r).adjusted(1.5, 1.5, -1.5, -1.5), glyph,
               pressed ? p.glint : (glyph == Glyph::Close ? p.gemLight : p.gem));
}

// One title strip (275 x 14), active or not, for the normal or the
// windowshade face.
QImage titleStrip(const Palette& p, bool active, bool shade) {
    QImage strip = canvas(275, 14, p.outline);
    {
        QPainter g(&strip);
        QLinearGradient fill(0, 1, 0, 13);
        if (active) {
            fill.setColorAt(0, mix(p.chromeLight, p.gemLight, 0.35));
            fill.setColorAt(0.35, mix(p.chromeMid, p.gem, 0.35));
            fill.setColorAt(1, p.chromeDark);
        } else {
            fill.setColorAt(0, p.chromeMid);
            fill.setColorAt(1, mix(p.chromeDark, p.outline, 0.4));
        }
        g.fillRect(QRect(0, 1, 275, 12), fill);
        g.setPen(withAlpha(p.glint, active ? 70 : 25));
        g.drawLine(1, 1, 273, 1);
        // the title buttons' places, drawn too, for while the buttons are hidden
        paintTitleButton(g, QRect(6, 3, 9, 9), p, Glyph::Menu, false);
        paintTitleButton(g, QRect(244, 3, 9, 9), p, Glyph::Minimise, false);
        paintTitleButton(g, QRect(254, 3, 9, 9), p, Glyph::Shade, false);
        paintTitleButton(g, QRect(264, 3, 9, 9), p, Glyph::Close, false);
        if (shade) {
            const Glyph mini[] = {Glyph::Prev, Glyph::Play, Glyph::Read,
                                  Glyph::Stop, Glyph::Next, Glyph::Eject};
            const int left[] = {168, 177, 186, 195, 204, 215};
            for (int i = 0; i < 6; ++i)
                paintGlyph(g, QRectF(left[i] + 1.5, 4.5, 6, 6), mini[i],
                           active ? p.gemLight : p.chromeLight);
            // a sliver of the reading position
            g.fillRect(QRect(100, 6, 60, 3), p.glass);
            g.fillRect(QRect(101, 7, 22, 1), active ? p.gem : p.chromeMid);
        }
    }
    const QString title = p.title;
    const int w = pixelTextWidth(title);
    const int x = shade ? 22 : (275 - w) / 2;
    // grooves on both sides of the title
    QPainter g(&strip);
    const QColor groove = active ? p.gemDeep : mix(p.chromeDark, p.outline, 0.5);
    const QColor grooveLight = withAlpha(p.chromeLight, active ? 160 : 80);
    auto grooves = [&](int from, int to) {
        if (to <= from)
            return;
        for (int y : {5, 8}) {
            g.setPen(groove);
            g.drawLine(from, y, to, y);
            g.setPen(grooveLight);
            g.drawLine(from, y + 1, to, y + 1);
        }
    };
    if (shade) {
        grooves(x + w + 5, 95);
        grooves(226, 240);
    } else {
        grooves(20, x - 6);
        grooves(x + w + 5, 239);
    }
    g.end();
    drawPixelText(strip, x + 1, 5, title, p.outline);
    drawPixelText(strip, x, 4, title, active ? p.glint : p.chromeLight);
    return strip;
}

// The option buttons' column (8 x 43) with one of them (or none) lit.
void clutterColumn(QImage& image, int x, int y, const Palette& p, int lit) {
    QPainter g(&image);
    g.fillRect(QRect(x, y, 8, 43), p.outline);
    const QString letters[] = {QStringLiteral("O"), QStringLiteral("A"), QStringLiteral("S"),
                               QStringLiteral("B"), QStringLiteral("M")};
    for (int i = 0; i < 5; ++i) {
        const QRect key(x, y + 2 + 8 * i, 8, 8);
        g.fillRect(key.adjusted(0, 0, 0, -1), i == lit ? p.gem : p.chromeDark);
        g.setPen(i == lit ? p.gemLight : withAlpha(p.chromeLight, 150));
        g.drawLine(key.left(), key.top(), key.right(), key.top());
        g.setPen(p.outline);
        g.drawLine(key.left(), key.bottom(), key.right(), key.bottom());
        g.end();
        drawPixelText(image, key.x() + (9 - pixelTextWidth(letters[i])) / 2, key.y() + 1,
                      letters[i], i == lit ? p.outline : p.gemLight);
        g.begin(&image);
    }
}

QByteArray bmpBytes(const QImage& image) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.convertToFormat(QImage::Format_RGB888).save(&buffer, "BMP");
    return bytes;
}

} // namespace

QImage drawMain(const Palette& p) {
    QImage face = canvas(275, 116, p.chromeDark);
    QPainter g(&face);
    g.setRenderHint(QPainter::Antialiasing);
    QLinearGradient body(0, 14, 0, 116);
    body.setColorAt(0, p.chromeMid);
    body.setColorAt(0.55, mix(p.chromeMid, p.chromeDark, 0.55));
    body.setColorAt(1, p.chromeDark);
    g.fillRect(QRect(0, 14, 275, 102), body);
    // broad facets across the body, as if the face were cut from the stone
    const QPolygonF facets[] = {
        {{0, 14}, {120, 14}, {40, 116}, {0, 116}},
        {{120, 14}, {200, 14}, {150, 116}, {40, 116}},
        {{200, 14}, {275, 14}, {275, 60}, {150, 116}},
        {{275, 60}, {275, 116}, {150, 116}},
    };
    const int alphas[] = {26, 10, 30, 14};
    const QColor tints[] = {p.gemLight, p.gem, p.gemDeep, p.glint};
    for (int i = 0; i < 4; ++i) {
        g.setPen(Qt::NoPen);
        g.setBrush(withAlpha(tints[i], alphas[i]));
        g.drawPolygon(facets[i]);
    }
    g.setRenderHint(QPainter::Antialiasing, false);
    // frame
    g.setPen(p.outline);
    g.setBrush(Qt::NoBrush);
    g.drawRect(0, 0, 274, 115);
    g.setPen(withAlpha(p.chromeLight, 140));
    g.drawLine(1, 14, 273, 14);
    g.drawLine(1, 14, 1, 114);
    g.setPen(withAlpha(p.outline, 200));
    g.drawLine(2, 114, 273, 114);
    g.drawLine(273, 15, 273, 114);

    // option buttons' well
    sunken(g, QRect(9, 22, 10, 44), p, p.outline);
    // counter display and text display
    glassPanel(g, QRectF(21.5, 21.5, 83, 32), p);
    glassPanel(g, QRectF(107.5, 21.5, 160, 19), p);
    // a small speaking mark in the counter display
    {
        g.setRenderHint(QPainter::Antialiasing);
        QPainterPath bubble;
        bubble.addRoundedRect(QRectF(26, 27, 12, 8), 3, 3);
        bubble.moveTo(29, 34);
        bubble.lineTo(28, 38);
        bubble.lineTo(33, 34);
        g.fillPath(bubble.simplified(), withAlpha(p.gem, 150));
        for (int i = 0; i < 3; ++i)
            g.fillRect(QRectF(29 + 2.5 * i, 30, 1.2, 2), p.glass);
        g.setRenderHint(QPainter::Antialiasing, false);
    }
    // wells under the bars and the buttons
    sunken(g, QRect(106, 56, 70, 15), p, p.outline);
    sunken(g, QRect(176, 56, 40, 15), p, p.outline);
    sunken(g, QRect(219, 58, 46, 12), p, p.outline);
    sunken(g, QRect(15, 71, 250, 12), p, p.outline);
    g.setPen(withAlpha(p.outline, 180));
    g.drawLine(8, 85, 266, 85);
    g.setPen(withAlpha(p.chromeLight, 90));
    g.drawLine(8, 86, 266, 86);
    sunken(g, QRect(15, 87, 116, 20), p, p.outline);
    sunken(g, QRect(135, 88, 24, 18), p, p.outline);
    sunken(g, QRect(163, 88, 76, 17), p, p.outline);
    g.end();

    // captions in the pixel font
    const QColor caption = mix(p.gem, p.chromeLight, 0.35);
    drawPixelText(face, 26, 46, QStringLiteral("WORDS"), withAlpha(p.gem, 255));
    drawPixelText(face, 108, 48, QStringLiteral("VOLUME"), caption);
    drawPixelText(face, 178, 48, QStringLiteral("SPEED"), caption);
    drawPixelText(face, 24, 58, QStringLiteral("TEXT TO SPEECH"), withAlpha(caption, 255));

    // the stone at the bottom right (its middle is the about hot spot)
    QPainter s(&face);
    paintGem(s, QRectF(246.5, 89.5, 24, 19), p);
    return face;
}

QImage drawTitlebar(const Palette& p) {
    QImage image = canvas(344, 87, p.outline);
    {
        QPainter g(&image);
        paintTitleButton(g, QRect(0, 0, 9, 9), p, Glyph::Menu, false);
        paintTitleButton(g, QRect(0, 9, 9, 9), p, Glyph::Menu, true);
        paintTitleButton(g, QRect(9, 0, 9, 9), p, Glyph::Minimise, false);
        paintTitleButton(g, QRect(9, 9, 9, 9), p, Glyph::Minimise, true);
        paintTitleButton(g, QRect(18, 0, 9, 9), p, Glyph::Close, false);
        paintTitleButton(g, QRect(18, 9, 9, 9), p, Glyph::Close, true);
        paintTitleButton(g, QRect(0, 18, 9, 9), p, Glyph::Shade, false);
        paintTitleButton(g, QRect(9, 18, 9, 9), p, Glyph::Shade, true);
        g.drawImage(27, 0, titleStrip(p, true, false));
        g.drawImage(27, 15, titleStrip(p, false, false));
        g.drawImage(27, 29, titleStrip(p, true, true));
        // shares its first row with the strip above (both are the edge line)
        g.drawImage(27, 42, titleStrip(p, false, true));
    }
    clutterColumn(image, 304, 0, p, -1);
    for (int i = 0; i < 5; ++i)
        clutterColumn(image, 304 + 8 * i, 44, p, i);
    return image;
}

QImage drawCbuttons(const Palette& p) {
    QImage image = canvas(136, 36, p.outline);
    QPainter g(&image);
    struct Key {
        int x, w;
        Glyph glyph;
    };
    const Key keys[] = {{1, 21, Glyph::Prev},
                        {23, 22, Glyph::Play},
                        {46, 22, Glyph::Read},
                        {69, 22, Glyph::Stop},
                        {92, 21, Glyph::Next}};
    for (const Key& k : keys) {
        for (const bool pressed : {false, true}) {
            const QRect r(k.x, pressed ? 19 : 1, k.w, 16);
            const Look look = pressed ? Look::Pressed : Look::Normal;
            paintKey(g, r, p, look);
            paintGlyph(g, QRectF(r).adjusted(6, 4, -6, -4).translated(0, pressed ? 1 : 0), k.glyph,
                       glyphColour(p, look));
        }
    }
    for (const bool pressed : {false, true}) {
        const QRect r(115, pressed ? 17 : 1, 20, 14);
        const Look look = pressed ? Look::Pressed : Look::Normal;
        paintKey(g, r, p, look);
        paintGlyph(g, QRectF(r).adjusted(5, 3, -5, -3).translated(0, pressed ? 1 : 0), Glyph::Eject,
                   glyphColour(p, look));
    }
    return image;
}

QImage drawShufrep(const Palette& p) {
    QImage image = canvas(92, 85, p.outline);
    const Look rows[] = {Look::Normal, Look::Disabled, Look::Latched, Look::Pressed};
    const int rowY[] = {1, 16, 31, 46};
    struct Toggle {
        int x, w;
        QString caption;
    };
    const Toggle toggles[] = {{1, 26, QStringLiteral("REP")}, {29, 45, QStringLiteral("SHUFFLE")}};
    for (int row = 0; row < 4; ++row) {
        for (const Toggle& t : toggles) {
            const QRect r(t.x, rowY[row], t.w, 13);
            {
                QPainter g(&image);
                paintKey(g, r, p, rows[row]);
                // the lamp: lit while the toggle is on
                const QColor lamp = rows[row] == Look::Latched   ? p.glint
                                    : rows[row] == Look::Pressed ? p.gemDeep
                                                                 : p.outline;
                g.fillRect(QRect(r.x() + 3, r.y() + 5, 3, 3), lamp);
            }
            const QRect text = r.adjusted(7, 0, 0, 0);
            centredPixelText(image, text.translated(0, rows[row] == Look::Pressed ? 1 : 0),
                             t.caption, glyphColour(p, rows[row]));
        }
    }
    // the two small toggles of the face: character and clipboard watch
    struct Small {
        QString caption;
        QPoint normal, disabled, pressed, latched;
    };
    const Small smalls[] = {
        {QStringLiteral("CHAR"), {1, 62}, {47, 62}, {47, 74}, {1, 74}},
        {QStringLiteral("CLIP"), {23, 62}, {69, 62}, {69, 74}, {23, 74}},
    };
    for (const Small& s : smalls) {
        const std::pair<QPoint, Look> looks[] = {{s.normal, Look::Normal},
                                                 {s.disabled, Look::Disabled},
                                                 {s.pressed, Look::Pressed},
                                                 {s.latched, Look::Latched}};
        for (const auto& [at, look] : looks) {
            const QRect r(at, QSize(22, 10));
            {
                QPainter g(&image);
                paintKey(g, r, p, look);
            }
            centredPixelText(image, r, s.caption, glyphColour(p, look));
        }
    }
    return image;
}

QImage drawPosbar(const Palette& p) {
    QImage image = canvas(307, 10, p.outline);
    QPainter g(&image);
    // the groove
    g.fillRect(QRect(0, 0, 248, 10), p.glass);
    g.setPen(p.outline);
    g.drawLine(0, 0, 247, 0);
    g.setPen(withAlpha(p.chromeLight, 110));
    g.drawLine(0, 9, 247, 9);
    g.fillRect(QRect(3, 4, 242, 2), mix(p.glass, p.gemDeep, 0.55));
    for (int x = 3; x < 246; x += 24)
        g.fillRect(QRect(x, 2, 1, 6), mix(p.glass, p.chromeMid, 0.6));
    // the slider, normal and pressed: a long cut stone
    for (const int x : {248, 278}) {
        const bool pressed = x == 278;
        g.fillRect(QRect(x, 0, 29, 10), p.outline);
        g.setRenderHint(QPainter::Antialiasing);
        const QPolygonF outline{{x + 4.0, 0.5},  {x + 25.0, 0.5}, {x + 28.5, 5.0},
                                {x + 25.0, 9.5}, {x + 4.0, 9.5},  {x + 0.5, 5.0}};
        QLinearGradient fill(x, 0, x, 10);
        fill.setColorAt(0, pressed ? p.glint : p.gemLight);
        fill.setColorAt(0.5, pressed ? p.gemLight : p.gem);
        fill.setColorAt(1, p.gemDeep);
        g.setPen(QPen(p.outline, 1));
        g.setBrush(fill);
        g.drawPolygon(outline);
        g.setPen(QPen(withAlpha(p.glint, pressed ? 220 : 150), 1));
        g.drawLine(QPointF(x + 5, 2.5), QPointF(x + 24, 2.5));
        g.setPen(QPen(withAlpha(p.gemDeep, 200), 1));
        g.drawLine(QPointF(x + 14.5, 3), QPointF(x + 14.5, 8));
        g.setRenderHint(QPainter::Antialiasing, false);
    }
    return image;
}

QImage drawVolume(const Palette& p, bool balance) {
    QImage image = canvas(68, 433, p.outline);
    QPainter g(&image);
    const int left = balance ? 9 : 0;
    const int width = balance ? 38 : 68;
    for (int level = 0; level < 28; ++level) {
        const QRect r(left, level * 15, width, 13);
        g.fillRect(r, p.glass);
        g.setPen(p.outline);
        g.drawLine(r.topLeft(), r.topRight());
        g.setPen(withAlpha(p.chromeLight, 110));
        g.drawLine(r.bottomLeft(), r.bottomRight());
        // a ramp that fills with the stone's colour as the level rises
        g.setRenderHint(QPainter::Antialiasing);
        const double x0 = r.left() + 3, x1 = r.right() - 3, yb = r.bottom() - 3.0,
                     yt = r.top() + 3.0;
        QPolygonF ramp;
        if (balance)
            ramp = QPolygonF{{x0, yb}, {x1, yb}, {x1, yt}, {(x0 + x1) / 2, yb - 1}};
        else
            ramp = QPolygonF{{x0, yb}, {x1, yb}, {x1, yt}};
        g.setPen(Qt::NoPen);
        g.setBrush(mix(p.glass, p.chromeMid, 0.55));
        g.drawPolygon(ramp);
        const double share = level / 27.0;
        if (share > 0) {
            g.save();
            g.setClipRect(QRectF(x0, r.top(), (x1 - x0) * share, r.height()));
            QLinearGradient fill(x0, 0, x1, 0);
            fill.setColorAt(0, p.gemDeep);
            fill.setColorAt(1, p.gemLight);
            g.setBrush(fill);
            g.drawPolygon(ramp);
            g.restore();
        }
        g.setRenderHint(QPainter::Antialiasing, false);
    }
    // the knob, pressed at 0, 422 and normal at 15, 422
    for (const int x : {0, 15}) {
        const bool pressed = x == 0;
        g.fillRect(QRect(x, 422, 14, 11), p.outline);
        paintGem(g, QRectF(x + 0.5, 422.5, 13, 10), p, pressed ? 0.8 : 0.0);
    }
    return image;
}

std::vector<SkinFileData> drawSkin(const Palette& palette) {
    std::vector<SkinFileData> files;
    files.push_back({QStringLiteral("Main.bmp"), bmpBytes(drawMain(palette))});
    files.push_back({QStringLiteral("Titlebar.bmp"), bmpBytes(drawTitlebar(palette))});
    files.push_back({QStringLiteral("Cbuttons.bmp"), bmpBytes(drawCbuttons(palette))});
    files.push_back({QStringLiteral("Shufrep.bmp"), bmpBytes(drawShufrep(palette))});
    files.push_back({QStringLiteral("Posbar.bmp"), bmpBytes(drawPosbar(palette))});
    files.push_back({QStringLiteral("Volume.bmp"), bmpBytes(drawVolume(palette, false))});
    files.push_back({QStringLiteral("Balance.bmp"), bmpBytes(drawVolume(palette, true))});
    const QString pledit = QStringLiteral("[Text]\r\nNormal=%1\r\nCurrent=%1\r\nNormalBG=%2\r\n"
                                          "SelectedBG=%3\r\nFont=Arial\r\n")
                               .arg(palette.textColour, palette.glass.name().toUpper(),
                                    palette.gemDeep.name().toUpper());
    files.push_back({QStringLiteral("Pledit.txt"), pledit.toLatin1()});
    return files;
}

} // namespace topaz
