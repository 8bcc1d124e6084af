// Small pictures: the converter's tool bar (48 x 48, normal, disabled and
// hot), the engine list (16 x 16), and the options dialog's download button
// and page icons.
#include "pictures.h"

#include <QRadialGradient>

#include <cmath>

namespace draw {

namespace {

void roundButton(QPainter& p, const QRectF& c, const QColor& top, const QColor& bottom) {
    p.save();
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, 45));
    p.drawEllipse(c.translated(0, 1.6));
    QLinearGradient g(c.topLeft(), c.bottomLeft());
    g.setColorAt(0, top);
    g.setColorAt(1, bottom);
    p.setBrush(g);
    p.setPen(QPen(bottom.darker(125), 1));
    p.drawEllipse(c);
    // Gloss on the upper half.
    QLinearGradient gloss(c.topLeft(), QPointF(c.left(), c.center().y()));
    gloss.setColorAt(0, QColor(255, 255, 255, 150));
    gloss.setColorAt(1, QColor(255, 255, 255, 10));
    p.setPen(Qt::NoPen);
    p.setBrush(gloss);
    p.drawEllipse(QRectF(c.left() + c.width() * 0.16, c.top() + c.height() * 0.05, c.width() * 0.68,
                         c.height() * 0.46));
    p.restore();
}

void documentPage(QPainter& p, const QRectF& r, const QColor& edge) {
    const qreal fold = r.width() * 0.3;
    QPainterPath page;
    page.moveTo(r.left(), r.top() + 2);
    page.quadTo(r.left(), r.top(), r.left() + 2, r.top());
    page.lineTo(r.right() - fold, r.top());
    page.lineTo(r.right(), r.top() + fold);
    page.lineTo(r.right(), r.bottom() - 2);
    page.quadTo(r.right(), r.bottom(), r.right() - 2, r.bottom());
    page.lineTo(r.left() + 2, r.bottom());
    page.quadTo(r.left(), r.bottom(), r.left(), r.bottom() - 2);
    page.closeSubpath();
    p.save();
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, 40));
    p.drawPath(page.translated(0.8, 1.4));
    QLinearGradient g(r.topLeft(), r.bottomRight());
    g.setColorAt(0, Qt::white);
    g.setColorAt(1, QColor(0xe8, 0xee, 0xf8));
    p.setBrush(g);
    p.setPen(QPen(edge, 1.2));
    p.drawPath(page);
    QPainterPath corner;
    corner.moveTo(r.right() - fold, r.top());
    corner.lineTo(r.right() - fold, r.top() + fold - 1.5);
    corner.quadTo(r.right() - fold, r.top() + fold, r.right() - fold + 1.5, r.top() + fold);
    corner.lineTo(r.right(), r.top() + fold);
    p.setBrush(QColor(0xd3, 0xdd, 0xef));
    p.drawPath(corner);
    p.restore();
}

void badge(QPainter& p, const QRectF& r, const QColor& colour, const QString& text) {
    p.save();
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    p.drawRoundedRect(r, 3, 3);
    p.setPen(Qt::white);
    p.setFont(uiFont(static_cast<int>(r.height() * 0.78), true));
    p.drawText(r, Qt::AlignCenter, text);
    p.restore();
}

void gear(QPainter& p, const QPointF& c, qreal outer, qreal inner, qreal hole, int teeth,
          const QColor& light, const QColor& dark) {
    QPainterPath path;
    const int steps = teeth * 4;
    for (int i = 0; i <= steps; ++i) {
        const qreal a = (i - 0.5) * 2 * M_PI / steps;
        const qreal r = (i % 4 < 2) ? outer : inner;
        const QPointF pt(c.x() + r * std::cos(a), c.y() + r * std::sin(a));
        if (i == 0)
            path.moveTo(pt);
        else
            path.lineTo(pt);
    }
    path.closeSubpath();
    QPainterPath holePath;
    holePath.addEllipse(c, hole, hole);
    path = path.subtracted(holePath);
    QLinearGradient g(QPointF(c.x(), c.y() - outer), QPointF(c.x(), c.y() + outer));
    g.setColorAt(0, light);
    g.setColorAt(1, dark);
    p.save();
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, 45));
    p.drawPath(path.translated(0, outer * 0.06 + 0.5));
    p.setBrush(g);
    p.setPen(QPen(dark.darker(130), outer / 18));
    p.drawPath(path);
    p.restore();
}

void speaker(QPainter& p, qreal scale) {
    // In a 48-unit box.
    p.save();
    p.scale(scale, scale);
    QPainterPath body;
    body.addRoundedRect(QRectF(5, 17, 9, 14), 2, 2);
    QPainterPath cone;
    cone.moveTo(12, 17);
    cone.lineTo(24, 7);
    cone.quadTo(26, 6, 26, 8.5);
    cone.lineTo(26, 39.5);
    cone.quadTo(26, 42, 24, 41);
    cone.lineTo(12, 31);
    cone.closeSubpath();
    body = body.united(cone);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, 45));
    p.drawPath(body.translated(0.6, 1.3));
    QLinearGradient g(QPointF(0, 7), QPointF(0, 41));
    g.setColorAt(0, QColor(0x5a, 0x8c, 0xf0));
    g.setColorAt(1, theme::Outline);
    p.setBrush(g);
    p.setPen(QPen(theme::Outline.darker(120), 1));
    p.drawPath(body);
    p.setBrush(Qt::NoBrush);
    const qreal radii[] = {7, 13, 19};
    for (int i = 0; i < 3; ++i) {
        p.setPen(
            QPen(i == 2 ? theme::AccentDark : theme::Accent, 3.6, Qt::SolidLine, Qt::RoundCap));
        const qreal r = radii[i];
        p.drawArc(QRectF(27 - r, 24 - r, 2 * r, 2 * r), -45 * 16, 90 * 16);
    }
    p.restore();
}

QImage toolIcon(ToolIcon icon) {
    QImage img = newImage(48, 48);
    QPainter p(&img);
    paintToolIcon(p, QRectF(0, 0, 48, 48), icon);
    return img;
}

// Head and shoulders, in a 16-unit box.
void person(QPainter& p, const QColor& colour, bool longHair) {
    p.save();
    p.setPen(QPen(colour.darker(150), 0.8));
    QLinearGradient g(QPointF(0, 1), QPointF(0, 16));
    g.setColorAt(0, colour.lighter(130));
    g.setColorAt(1, colour.darker(110));
    p.setBrush(g);
    QPainterPath shoulders;
    shoulders.moveTo(1.5, 15.5);
    shoulders.cubicTo(1.5, 10.5, 4, 9.3, 8, 9.3);
    shoulders.cubicTo(12, 9.3, 14.5, 10.5, 14.5, 15.5);
    shoulders.closeSubpath();
    p.drawPath(shoulders);
    if (longHair) {
        p.setBrush(colour.darker(135));
        p.drawRoundedRect(QRectF(3.8, 1.6, 8.4, 9.2), 4, 4);
    }
    p.setBrush(QColor(0xff, 0xdc, 0xbf));
    p.setPen(QPen(QColor(0xb9, 0x80, 0x5a), 0.8));
    p.drawEllipse(QRectF(5, 2.2, 6, 6.6));
    p.restore();
}

void headset(QPainter& p) {
    p.save();
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(0x30, 0x30, 0x38), 1.2, Qt::SolidLine, Qt::RoundCap));
    p.drawArc(QRectF(3.8, 1.0, 8.4, 8.4), 0, 180 * 16);
    p.setBrush(QColor(0x30, 0x30, 0x38));
    p.drawRoundedRect(QRectF(2.9, 4.6, 2, 3.2), 0.8, 0.8);
    p.drawLine(QPointF(3.9, 7.6), QPointF(6.8, 9.2));
    p.setBrush(QColor(0xff, 0x6b, 0x3d));
    p.setPen(Qt::NoPen);
    p.drawEllipse(QRectF(6.3, 8.4, 1.8, 1.8));
    p.restore();
}

QImage engineIcon(int kind) {
    QImage img = newImage(16, 16);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor blue(0x3d, 0x6f, 0xde), pink(0xe0, 0x5a, 0x98);
    switch (kind) {
    case 0: // male
        person(p, blue, false);
        break;
    case 1: // female
        person(p, pink, true);
        break;
    case 2: // Mike: male voice with a headset
        person(p, QColor(0x2a, 0x9d, 0x8f), false);
        headset(p);
        break;
    case 3: // Mary: female voice with a headset
        person(p, QColor(0x9b, 0x5d, 0xe5), true);
        headset(p);
        break;
    case 4: { // RoboSoft: a robot head
        p.setPen(QPen(QColor(0x4a, 0x55, 0x68), 0.9));
        p.drawLine(QPointF(8, 1.2), QPointF(8, 4));
        p.setBrush(theme::Accent);
        p.drawEllipse(QRectF(6.8, 0.4, 2.4, 2.4));
        QLinearGradient g(QPointF(0, 4), QPointF(0, 15));
        g.setColorAt(0, QColor(0xd5, 0xdb, 0xe6));
        g.setColorAt(1, QColor(0x8b, 0x96, 0xaa));
        p.setBrush(g);
        p.drawRoundedRect(QRectF(2, 4, 12, 10.5), 2.5, 2.5);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0x19, 0xc3, 0xe6));
        p.drawEllipse(QRectF(4.3, 6.6, 2.8, 2.8));
        p.drawEllipse(QRectF(8.9, 6.6, 2.8, 2.8));
        p.setBrush(QColor(0x4a, 0x55, 0x68));
        p.drawRect(QRectF(5, 11.2, 6, 1.3));
        break;
    }
    default: { // any other engine: a small speaker
        p.scale(16.0 / 48.0, 16.0 / 48.0);
        speaker(p, 1.0);
        break;
    }
    }
    return img;
}

QImage pageIcon(int kind) {
    QImage img = newImage(16, 16);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    switch (kind) {
    case 0: // general settings: a gear
        gear(p, QPointF(8, 8), 7.2, 5.2, 2.2, 8, QColor(0x9a, 0xb2, 0xd8),
             QColor(0x4c, 0x66, 0x9a));
        break;
    case 1: { // converter settings: a page with a wave
        documentPage(p, QRectF(2.5, 0.8, 11, 14.4), QColor(0x6a, 0x7d, 0xa6));
        p.setPen(QPen(theme::Teal, 1.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.drawPolyline(
            QPolygonF({{4.5, 9}, {6, 9}, {7, 6}, {8, 12}, {9, 7.5}, {10, 10}, {11.5, 9}}));
        break;
    }
    default: { // cartoon settings: a smiling face
        QRadialGradient g(QPointF(6, 5), 9);
        g.setColorAt(0, QColor(0xff, 0xe0, 0x70));
        g.setColorAt(1, QColor(0xf5, 0xaa, 0x1c));
        p.setBrush(g);
        p.setPen(QPen(QColor(0xc0, 0x7a, 0x00), 0.9));
        p.drawEllipse(QRectF(1, 1, 14, 14));
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0x4a, 0x2a, 0x00));
        p.drawEllipse(QRectF(5, 5, 2, 2.6));
        p.drawEllipse(QRectF(9, 5, 2, 2.6));
        p.setPen(QPen(QColor(0x4a, 0x2a, 0x00), 1.1, Qt::SolidLine, Qt::RoundCap));
        p.setBrush(Qt::NoBrush);
        p.drawArc(QRectF(4.4, 5.6, 7.2, 6), -20 * 16, -140 * 16);
        break;
    }
    }
    return img;
}

QImage downloadPicture() {
    QImage img = newImage(20, 20);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    // A globe.
    const QRectF globe(1, 1, 15, 15);
    QRadialGradient g(QPointF(6, 5), 13);
    g.setColorAt(0, QColor(0x8f, 0xd3, 0xff));
    g.setColorAt(1, QColor(0x1f, 0x6f, 0xd0));
    p.setBrush(g);
    p.setPen(QPen(QColor(0x17, 0x4f, 0x9c), 0.9));
    p.drawEllipse(globe);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(255, 255, 255, 170), 0.8));
    p.drawEllipse(QRectF(5, 1, 7, 15));
    p.drawLine(QPointF(1.5, 8.5), QPointF(15.5, 8.5));
    p.drawLine(QPointF(8.5, 1.2), QPointF(8.5, 15.8));
    p.drawArc(QRectF(2.5, -2, 12, 8), -150 * 16, 120 * 16);
    p.drawArc(QRectF(2.5, 11, 12, 8), 30 * 16, 120 * 16);
    // A green arrow pointing down, over the lower right.
    QPainterPath arrow;
    arrow.moveTo(12, 8.5);
    arrow.lineTo(16, 8.5);
    arrow.lineTo(16, 13);
    arrow.lineTo(19, 13);
    arrow.lineTo(14, 19.3);
    arrow.lineTo(9, 13);
    arrow.lineTo(12, 13);
    arrow.closeSubpath();
    QLinearGradient ag(QPointF(0, 8), QPointF(0, 19));
    ag.setColorAt(0, QColor(0x6c, 0xdb, 0x5a));
    ag.setColorAt(1, QColor(0x1f, 0x9a, 0x2e));
    p.setBrush(ag);
    p.setPen(QPen(QColor(0x16, 0x6b, 0x22), 0.9, Qt::SolidLine, Qt::SquareCap, Qt::RoundJoin));
    p.drawPath(arrow);
    return img;
}

} // namespace

void paintToolIcon(QPainter& p, const QRectF& r, ToolIcon icon) {
    p.save();
    p.translate(r.topLeft());
    p.scale(r.width() / 48.0, r.height() / 48.0);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF circle(5, 5, 38, 38);
    auto glyph = [&p](const QPainterPath& path) {
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0, 0, 0, 60));
        p.drawPath(path.translated(0, 1));
        p.setBrush(Qt::white);
        p.drawPath(path);
    };
    switch (icon) {
    case ToolIcon::Read:
        speaker(p, 1.0);
        break;
    case ToolIcon::Wav: {
        documentPage(p, QRectF(9, 3, 30, 40), QColor(0x6a, 0x7d, 0xa6));
        p.setPen(QPen(theme::Teal, 2.4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.drawPolyline(QPolygonF({{13, 22},
                                  {16, 22},
                                  {18, 14},
                                  {21, 30},
                                  {24, 11},
                                  {27, 27},
                                  {30, 18},
                                  {32, 24},
                                  {35, 22}}));
        badge(p, QRectF(14, 33, 21, 9), theme::Teal, QStringLiteral("WAV"));
        break;
    }
    case ToolIcon::Mp3: {
        documentPage(p, QRectF(9, 3, 30, 40), QColor(0x6a, 0x7d, 0xa6));
        const QColor purple(0x8a, 0x4f, 0xdb);
        p.setPen(Qt::NoPen);
        p.setBrush(purple);
        p.drawEllipse(QRectF(15, 22, 7, 5.5));
        p.drawEllipse(QRectF(26, 19.5, 7, 5.5));
        p.setPen(QPen(purple, 2.2, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin));
        p.setBrush(Qt::NoBrush);
        p.drawPolyline(QPolygonF({{21, 25}, {21, 11}, {32, 8.5}, {32, 22.5}}));
        p.setPen(QPen(purple, 3.2, Qt::SolidLine, Qt::FlatCap));
        p.drawLine(QPointF(21, 12.2), QPointF(32, 9.8));
        badge(p, QRectF(14, 33, 21, 9), purple, QStringLiteral("MP3"));
        break;
    }
    case ToolIcon::Pause: {
        roundButton(p, circle, QColor(0x6f, 0x9c, 0xf3), QColor(0x24, 0x4f, 0xbf));
        QPainterPath bars;
        bars.addRoundedRect(QRectF(17, 15, 5.5, 18), 1.5, 1.5);
        bars.addRoundedRect(QRectF(25.5, 15, 5.5, 18), 1.5, 1.5);
        glyph(bars);
        break;
    }
    case ToolIcon::Stop: {
        roundButton(p, circle, QColor(0xf5, 0x7f, 0x6c), QColor(0xc2, 0x2f, 0x22));
        QPainterPath square;
        square.addRoundedRect(QRectF(16.5, 16.5, 15, 15), 2.5, 2.5);
        glyph(square);
        break;
    }
    case ToolIcon::First:
    case ToolIcon::Last: {
        roundButton(p, circle, QColor(0x4c, 0xd1, 0xbd), QColor(0x0f, 0x85, 0x79));
        QPainterPath g;
        g.addRoundedRect(QRectF(14.5, 15.5, 4, 17), 1.2, 1.2);
        QPainterPath tri;
        tri.moveTo(33.5, 15.5);
        tri.lineTo(33.5, 32.5);
        tri.lineTo(19.5, 24);
        tri.closeSubpath();
        g = g.united(tri);
        if (icon == ToolIcon::Last) {
            QTransform mirror;
            mirror.translate(48, 0);
            mirror.scale(-1, 1);
            g = mirror.map(g);
        }
        glyph(g);
        break;
    }
    case ToolIcon::Options:
        gear(p, QPointF(24, 24), 19, 14.5, 6, 9, QColor(0xa7, 0xbc, 0xe0),
             QColor(0x4a, 0x63, 0x96));
        break;
    }
    p.restore();
}

void drawIconPictures(const Output& out) {
    const struct {
        ToolIcon icon;
        const char* name;
    } tools[] = {{ToolIcon::Read, "read"}, {ToolIcon::Wav, "wav"},
                 {ToolIcon::Mp3, "mp3"},   {ToolIcon::Pause, "pause"},
                 {ToolIcon::Stop, "stop"}, {ToolIcon::First, "first"},
                 {ToolIcon::Last, "last"}, {ToolIcon::Options, "options"}};
    for (const auto& t : tools) {
        const QImage normal = toolIcon(t.icon);
        const QString base = QStringLiteral("toolbar/") + QLatin1String(t.name);
        out.savePng(base + ".png", normal);
        out.savePng(base + "_disabled.png", greyedOut(normal));
        // Hot: lighter, with a soft halo.
        QImage hot = newImage(48, 48);
        QPainter p(&hot);
        p.setRenderHint(QPainter::Antialiasing);
        QRadialGradient halo(QPointF(24, 24), 24);
        halo.setColorAt(0.55, QColor(255, 214, 120, 110));
        halo.setColorAt(1.0, QColor(255, 214, 120, 0));
        p.fillRect(hot.rect(), halo);
        p.drawImage(0, 0, brightened(normal, 0.18));
        p.end();
        out.savePng(base + "_hot.png", hot);
    }

    const char* engines[] = {"male", "female", "mike", "mary", "robosoft", "other"};
    for (int i = 0; i < 6; ++i)
        out.savePng(QStringLiteral("engines/%1.png").arg(QLatin1String(engines[i])), engineIcon(i));

    out.savePng("options/download.png", downloadPicture());
    out.savePng("options/page_general.png", pageIcon(0));
    out.savePng("options/page_converter.png", pageIcon(1));
    out.savePng("options/page_cartoon.png", pageIcon(2));
}

} // namespace draw
