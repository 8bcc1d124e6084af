// Larger pictures: the interface selector's two pages (the converter window
// and the cartoon interface in miniature) and the about box's pictures.
#include "pictures.h"

#include <QRadialGradient>
#include <QTextOption>

#include <cmath>

namespace draw {

namespace {

// Drawn at twice the size they are shown at, so the stretched pictures stay
// sharp.
constexpr int PageW = 564, PageH = 372;

void paintBackdrop(QPainter& p, const QRectF& r, const QColor& top, const QColor& bottom) {
    QLinearGradient g(r.topLeft(), r.bottomLeft());
    g.setColorAt(0, top);
    g.setColorAt(1, bottom);
    p.fillRect(r, g);
}

void paintTitleButtons(QPainter& p, const QRectF& header, qreal s) {
    const qreal size = 17 * s;
    const qreal y = header.top() + 5 * s;
    for (int i = 0; i < 3; ++i) {
        const QRectF b(header.right() - 97 * s + (35 + 20 * i) * s, y, size, size);
        p.setPen(QPen(QColor(255, 255, 255, i == 2 ? 150 : 120), 1));
        p.setBrush(i == 2 ? theme::Close : QColor(255, 255, 255, 50));
        p.drawRoundedRect(b, 4 * s, 4 * s);
        p.setPen(QPen(Qt::white, 1.6 * s, Qt::SolidLine, Qt::RoundCap));
        const QRectF g = b.adjusted(5 * s, 5 * s, -5 * s, -5 * s);
        if (i == 0) {
            p.drawLine(QPointF(g.left(), g.bottom()), g.bottomRight());
        } else if (i == 1) {
            p.setBrush(Qt::NoBrush);
            p.drawRect(g);
        } else {
            p.drawLine(g.topLeft(), g.bottomRight());
            p.drawLine(g.topRight(), g.bottomLeft());
        }
    }
}

void paintTextLines(QPainter& p, const QRectF& r, const QStringList& lines, int highlightLine,
                    const QString& highlightWord) {
    p.save();
    p.setFont(uiFont(13));
    const QFontMetricsF fm(p.font());
    qreal y = r.top() + 6;
    for (int i = 0; i < lines.size() && y + fm.height() < r.bottom(); ++i) {
        const QString& line = lines[i];
        if (i == highlightLine) {
            const int at = line.indexOf(highlightWord);
            if (at >= 0) {
                const qreal x = r.left() + 8 + fm.horizontalAdvance(line.left(at));
                const QRectF hl(x - 2, y, fm.horizontalAdvance(highlightWord) + 4, fm.height());
                p.setPen(Qt::NoPen);
                p.setBrush(QColor(0xff, 0xd9, 0x66));
                p.drawRoundedRect(hl, 3, 3);
            }
        }
        p.setPen(theme::Ink);
        p.drawText(QPointF(r.left() + 8, y + fm.ascent()), line);
        y += fm.height() + 3;
    }
    p.restore();
}

QImage converterPage() {
    QImage img = newImage(PageW, PageH);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    paintBackdrop(p, img.rect(), QColor(0xea, 0xf0, 0xfb), QColor(0xc6, 0xd4, 0xee));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 255, 70));
    p.drawEllipse(QPointF(520, 40), 120, 120);
    p.drawEllipse(QPointF(40, 360), 90, 90);

    const qreal s = 0.8;
    const QRectF client = paintMockWindow(p, QRectF(22, 14, 520, 344),
                                          QStringLiteral("Text To Speech/Wav/Mp3 Converter"), s);
    p.save();
    p.setClipRect(client);
    // Menu bar.
    p.setFont(uiFont(12));
    p.setPen(theme::Ink);
    qreal x = client.left() + 8;
    for (const char* item : {"File", "Edit", "Speech", "Tools", "Help"}) {
        const QString t = QString::fromLatin1(item);
        p.drawText(QPointF(x, client.top() + 15), t);
        x += QFontMetricsF(p.font()).horizontalAdvance(t) + 16;
    }
    // Tool bar.
    const QRectF bar(client.left() + 2, client.top() + 21, client.width() - 4, 42);
    QLinearGradient bg(bar.topLeft(), bar.bottomLeft());
    bg.setColorAt(0, QColor(0xfb, 0xfc, 0xfe));
    bg.setColorAt(1, QColor(0xe1, 0xe8, 0xf5));
    p.setPen(QPen(QColor(0xcf, 0xd8, 0xea), 1));
    p.setBrush(bg);
    p.drawRoundedRect(bar, 5, 5);
    const ToolIcon icons[] = {ToolIcon::Read, ToolIcon::Wav,   ToolIcon::Mp3,  ToolIcon::Pause,
                              ToolIcon::Stop, ToolIcon::First, ToolIcon::Last, ToolIcon::Options};
    x = bar.left() + 6;
    for (int i = 0; i < 8; ++i) {
        if (i == 3 || i == 5 || i == 7) {
            p.setPen(QPen(QColor(0xc3, 0xcd, 0xe2), 1));
            p.drawLine(QPointF(x + 1, bar.top() + 8), QPointF(x + 1, bar.bottom() - 8));
            x += 6;
        }
        paintToolIcon(p, QRectF(x, bar.top() + 4, 34, 34), icons[i]);
        x += 38;
    }
    // Volume slider at the right of the tool bar.
    const qreal vx = bar.right() - 86;
    const qreal vy = bar.center().y();
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xc4, 0xcf, 0xe5));
    p.drawRoundedRect(QRectF(vx, vy - 2, 72, 4), 2, 2);
    p.setBrush(theme::HeaderBodyTop);
    p.drawRoundedRect(QRectF(vx, vy - 2, 50, 4), 2, 2);
    p.setBrush(Qt::white);
    p.setPen(QPen(theme::HeaderBottom, 1.2));
    p.drawEllipse(QPointF(vx + 50, vy), 6, 6);

    // Tabs.
    const qreal tabsTop = bar.bottom() + 6;
    x = client.left() + 6;
    p.setFont(uiFont(12));
    const char* tabs[] = {"untitled.txt", "letter.txt", "notes.txt"};
    for (int i = 0; i < 3; ++i) {
        const QString t = QString::fromLatin1(tabs[i]);
        const qreal w = QFontMetricsF(p.font()).horizontalAdvance(t) + 22;
        const QRectF tab(x, tabsTop + (i == 0 ? 0 : 3), w, 24);
        p.setPen(QPen(QColor(0xb7, 0xc4, 0xdd), 1));
        p.setBrush(i == 0 ? QColor(Qt::white) : QColor(0xe3, 0xe9, 0xf4));
        p.drawRoundedRect(tab.adjusted(0, 0, 0, 6), 5, 5);
        p.setPen(i == 0 ? theme::Ink : QColor(0x5d, 0x6a, 0x85));
        p.drawText(tab, Qt::AlignCenter, t);
        x += w + 2;
    }
    // Editor.
    const QRectF editor(client.left() + 4, tabsTop + 23, client.width() - 8,
                        client.bottom() - tabsTop - 23 - 24);
    p.setPen(QPen(QColor(0xb7, 0xc4, 0xdd), 1));
    p.setBrush(Qt::white);
    p.drawRect(editor);
    paintTextLines(p, editor,
                   {QStringLiteral("Dear friends,"), QString(),
                    QStringLiteral("Kalotalk reads your documents aloud and"),
                    QStringLiteral("follows every word it speaks. It turns them"),
                    QStringLiteral("into WAV and MP3 files for your player, too."),
                    QStringLiteral("Copy text anywhere and it is read to you.")},
                   3, QStringLiteral("every word"));
    // Status bar.
    const QRectF status(client.left() + 2, client.bottom() - 20, client.width() - 4, 18);
    p.setPen(QColor(0x45, 0x52, 0x6e));
    p.setFont(uiFont(12));
    p.drawText(status.adjusted(4, 0, 0, 0), Qt::AlignVCenter | Qt::AlignLeft,
               QStringLiteral(" Reading..."));
    p.drawText(status.adjusted(0, 0, -6, 0), Qt::AlignVCenter | Qt::AlignRight,
               QStringLiteral("English (Mike)"));
    p.restore();
    return img;
}

void paintCharacter(QPainter& p, const QPointF& c, qreal s) {
    // A cheerful little fellow in a purple coat with a red bow tie, waving;
    // c is the middle of his head.
    p.save();
    p.translate(c);
    p.scale(s, s);
    const QColor coat(0x6a, 0x4c, 0xc9), coatDark(0x47, 0x30, 0x96);
    const QColor skin(0xff, 0xd7, 0xb5), skinDark(0xd9, 0x9a, 0x72);
    const QPen outline(QColor(0x2b, 0x22, 0x44), 2.4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);

    // Shadow on the ground.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, 45));
    p.drawEllipse(QPointF(0, 150), 62, 10);
    // Feet.
    p.setPen(outline);
    p.setBrush(QColor(0x33, 0x2a, 0x40));
    p.drawEllipse(QRectF(-40, 133, 34, 17));
    p.drawEllipse(QRectF(6, 133, 34, 17));
    // Body.
    QPainterPath body;
    body.moveTo(-38, 40);
    body.cubicTo(-58, 80, -56, 128, -44, 140);
    body.lineTo(44, 140);
    body.cubicTo(56, 128, 58, 80, 38, 40);
    body.closeSubpath();
    QLinearGradient bg(QPointF(-50, 40), QPointF(50, 140));
    bg.setColorAt(0, coat.lighter(120));
    bg.setColorAt(1, coatDark);
    p.setBrush(bg);
    p.drawPath(body);
    // Shirt front and buttons.
    QPainterPath shirt;
    shirt.moveTo(-14, 44);
    shirt.lineTo(14, 44);
    shirt.lineTo(0, 96);
    shirt.closeSubpath();
    p.setBrush(Qt::white);
    p.drawPath(shirt);
    p.setBrush(QColor(0xff, 0xc8, 0x3d));
    p.setPen(QPen(QColor(0x2b, 0x22, 0x44), 1.5));
    p.drawEllipse(QPointF(0, 108), 4, 4);
    p.drawEllipse(QPointF(0, 124), 4, 4);
    // Left arm resting, right arm waving.
    p.setPen(outline);
    p.setBrush(coat);
    QPainterPath armL;
    armL.moveTo(-40, 52);
    armL.cubicTo(-66, 70, -70, 96, -62, 112);
    armL.lineTo(-48, 108);
    armL.cubicTo(-52, 94, -48, 78, -34, 66);
    armL.closeSubpath();
    p.drawPath(armL);
    QPainterPath armR;
    armR.moveTo(38, 50);
    armR.cubicTo(60, 40, 72, 14, 74, -6);
    armR.lineTo(60, -8);
    armR.cubicTo(58, 10, 48, 28, 34, 64);
    armR.closeSubpath();
    p.drawPath(armR);
    p.setBrush(skin);
    p.drawEllipse(QPointF(-56, 116), 10, 10);
    p.drawEllipse(QPointF(67, -16), 12, 12);
    // Bow tie.
    p.setBrush(QColor(0xe5, 0x3b, 0x3b));
    QPainterPath bow;
    bow.moveTo(0, 46);
    bow.lineTo(-18, 37);
    bow.lineTo(-18, 55);
    bow.closeSubpath();
    bow.moveTo(0, 46);
    bow.lineTo(18, 37);
    bow.lineTo(18, 55);
    bow.closeSubpath();
    p.drawPath(bow);
    p.drawEllipse(QPointF(0, 46), 5, 5);
    // Head.
    QRadialGradient hg(QPointF(-14, -16), 62);
    hg.setColorAt(0, skin.lighter(108));
    hg.setColorAt(1, skinDark);
    p.setBrush(hg);
    p.drawEllipse(QPointF(0, 0), 44, 42);
    // Ears.
    p.setBrush(skin);
    p.drawEllipse(QPointF(-44, 4), 8, 11);
    p.drawEllipse(QPointF(44, 4), 8, 11);
    p.setPen(Qt::NoPen);
    p.setBrush(skin);
    p.drawEllipse(QPointF(0, 0), 41, 39);
    // Hair.
    p.setPen(outline);
    p.setBrush(QColor(0x7a, 0x45, 0x20));
    QPainterPath hair;
    hair.moveTo(-42, -6);
    hair.cubicTo(-46, -46, 30, -62, 42, -12);
    hair.cubicTo(30, -24, 8, -30, -6, -22);
    hair.cubicTo(-14, -34, -28, -26, -42, -6);
    hair.closeSubpath();
    p.drawPath(hair);
    // Eyes, cheeks, smile.
    p.setBrush(Qt::white);
    p.setPen(QPen(QColor(0x2b, 0x22, 0x44), 1.8));
    p.drawEllipse(QPointF(-15, 0), 9, 11);
    p.drawEllipse(QPointF(15, 0), 9, 11);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x2b, 0x22, 0x44));
    p.drawEllipse(QPointF(-13, 2), 4.5, 5.5);
    p.drawEllipse(QPointF(17, 2), 4.5, 5.5);
    p.setBrush(Qt::white);
    p.drawEllipse(QPointF(-11.5, 0), 1.6, 1.6);
    p.drawEllipse(QPointF(18.5, 0), 1.6, 1.6);
    p.setBrush(QColor(0xff, 0x8a, 0x8a, 120));
    p.drawEllipse(QPointF(-27, 16), 7, 4.5);
    p.drawEllipse(QPointF(27, 16), 7, 4.5);
    QPainterPath mouth;
    mouth.moveTo(-13, 18);
    mouth.cubicTo(-8, 32, 8, 32, 13, 18);
    mouth.closeSubpath();
    p.setPen(QPen(QColor(0x2b, 0x22, 0x44), 2));
    p.setBrush(QColor(0xb8, 0x2e, 0x3e));
    p.drawPath(mouth);
    p.restore();
}

void paintBalloon(QPainter& p, const QRectF& r, const QPointF& tip, const QString& text) {
    QPainterPath balloon;
    balloon.addRoundedRect(r, 16, 16);
    QPainterPath tail;
    tail.moveTo(r.left() + 18, r.bottom() - 6);
    tail.lineTo(tip);
    tail.lineTo(r.left() + 58, r.bottom() - 6);
    tail.closeSubpath();
    balloon = balloon.united(tail);
    p.save();
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, 40));
    p.drawPath(balloon.translated(2, 4));
    p.setBrush(QColor(0xff, 0xfe, 0xf4));
    p.setPen(QPen(QColor(0x2b, 0x22, 0x44), 2.2));
    p.drawPath(balloon);
    p.setPen(theme::Ink);
    p.setFont(uiFont(17, true));
    QTextOption opt(Qt::AlignCenter);
    opt.setWrapMode(QTextOption::WordWrap);
    p.drawText(r.adjusted(14, 8, -14, -8), text, opt);
    p.restore();
}

void paintPlayer(QPainter& p, const QRectF& r) {
    p.save();
    paintShadow(p, r, 7, 6, 60);
    QLinearGradient g(r.topLeft(), r.bottomLeft());
    g.setColorAt(0, QColor(0x3a, 0x40, 0x52));
    g.setColorAt(1, QColor(0x17, 0x1a, 0x22));
    p.setBrush(g);
    p.setPen(QPen(QColor(0x0d, 0x0f, 0x14), 1.5));
    p.drawRoundedRect(r, 7, 7);
    p.setPen(QPen(QColor(255, 255, 255, 40), 1));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(r.adjusted(1.5, 1.5, -1.5, -1.5), 6, 6);
    // Title strip.
    p.setFont(uiFont(10, true));
    p.setPen(QColor(0xc9, 0xd3, 0xea));
    const QRectF title(r.left() + 8, r.top() + 4, r.width() - 16, 14);
    p.drawText(title, Qt::AlignCenter, QStringLiteral("KALOTALK"));
    p.setPen(QPen(QColor(0x8a, 0x95, 0xb0), 1));
    for (int i = 0; i < 2; ++i) {
        const qreal y = title.center().y() - 2 + i * 4;
        p.drawLine(QPointF(title.left() + 4, y), QPointF(title.center().x() - 34, y));
        p.drawLine(QPointF(title.center().x() + 34, y), QPointF(title.right() - 4, y));
    }
    // Display.
    const QRectF lcd(r.left() + 10, r.top() + 22, r.width() - 20, 30);
    p.setPen(QPen(QColor(0x05, 0x06, 0x08), 1));
    p.setBrush(QColor(0x0b, 0x14, 0x10));
    p.drawRoundedRect(lcd, 3, 3);
    p.setPen(QColor(0x5c, 0xf2, 0x8f));
    p.setFont(uiFont(12, true));
    p.drawText(lcd.adjusted(8, 0, -8, 0), Qt::AlignVCenter | Qt::AlignLeft,
               QStringLiteral("1. untitled.txt"));
    p.setFont(uiFont(15, true));
    p.drawText(lcd.adjusted(8, 0, -8, 0), Qt::AlignVCenter | Qt::AlignRight, QStringLiteral("42"));
    // Position bar.
    const QRectF pos(r.left() + 10, lcd.bottom() + 6, r.width() - 20, 5);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x0b, 0x0d, 0x12));
    p.drawRoundedRect(pos, 2.5, 2.5);
    p.setBrush(QColor(0xff, 0xa7, 0x2e));
    p.drawRoundedRect(QRectF(pos.left(), pos.top(), pos.width() * 0.38, pos.height()), 2.5, 2.5);
    // Buttons: previous, play, pause, stop, next.
    const qreal by = pos.bottom() + 6;
    const qreal bw = 26, bh = 18;
    for (int i = 0; i < 5; ++i) {
        const QRectF b(r.left() + 10 + i * (bw + 4), by, bw, bh);
        QLinearGradient bgr(b.topLeft(), b.bottomLeft());
        bgr.setColorAt(0, QColor(0x5d, 0x66, 0x80));
        bgr.setColorAt(1, QColor(0x2c, 0x31, 0x40));
        p.setBrush(bgr);
        p.setPen(QPen(QColor(0x0d, 0x0f, 0x14), 1));
        p.drawRoundedRect(b, 3, 3);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0xe8, 0xee, 0xfa));
        const QPointF c = b.center();
        QPainterPath glyph;
        switch (i) {
        case 0:
            glyph.addRect(QRectF(c.x() - 6, c.y() - 5, 2, 10));
            glyph.moveTo(c.x() + 5, c.y() - 5);
            glyph.lineTo(c.x() + 5, c.y() + 5);
            glyph.lineTo(c.x() - 3, c.y());
            glyph.closeSubpath();
            break;
        case 1:
            glyph.moveTo(c.x() - 4, c.y() - 6);
            glyph.lineTo(c.x() - 4, c.y() + 6);
            glyph.lineTo(c.x() + 6, c.y());
            glyph.closeSubpath();
            break;
        case 2:
            glyph.addRect(QRectF(c.x() - 5, c.y() - 5, 3.5, 10));
            glyph.addRect(QRectF(c.x() + 1.5, c.y() - 5, 3.5, 10));
            break;
        case 3:
            glyph.addRect(QRectF(c.x() - 5, c.y() - 5, 10, 10));
            break;
        default:
            glyph.addRect(QRectF(c.x() + 4, c.y() - 5, 2, 10));
            glyph.moveTo(c.x() - 5, c.y() - 5);
            glyph.lineTo(c.x() - 5, c.y() + 5);
            glyph.lineTo(c.x() + 3, c.y());
            glyph.closeSubpath();
            break;
        }
        p.drawPath(glyph);
    }
    // Volume bar.
    const qreal vx = r.left() + 10 + 5 * (bw + 4) + 8;
    const QRectF vol(vx, by + bh / 2 - 3, r.right() - 10 - vx, 6);
    QLinearGradient vg(vol.topLeft(), vol.topRight());
    vg.setColorAt(0, QColor(0x2e, 0xc4, 0x6a));
    vg.setColorAt(1, QColor(0xff, 0xc9, 0x2e));
    p.setBrush(QColor(0x0b, 0x0d, 0x12));
    p.drawRoundedRect(vol, 3, 3);
    p.setBrush(vg);
    p.drawRoundedRect(QRectF(vol.left(), vol.top(), vol.width() * 0.7, vol.height()), 3, 3);
    p.restore();
}

QImage cartoonPage() {
    QImage img = newImage(PageW, PageH);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    paintBackdrop(p, img.rect(), QColor(0x86, 0xc0, 0xff), QColor(0xdf, 0xf0, 0xff));
    // Sun and hills.
    QRadialGradient sun(QPointF(470, 60), 90);
    sun.setColorAt(0, QColor(255, 250, 220, 230));
    sun.setColorAt(0.35, QColor(255, 240, 190, 120));
    sun.setColorAt(1, QColor(255, 240, 190, 0));
    p.fillRect(img.rect(), sun);
    QPainterPath hills;
    hills.moveTo(0, 300);
    hills.cubicTo(120, 250, 230, 280, 330, 300);
    hills.cubicTo(420, 318, 500, 270, PageW, 285);
    hills.lineTo(PageW, PageH);
    hills.lineTo(0, PageH);
    hills.closeSubpath();
    QLinearGradient hg(QPointF(0, 260), QPointF(0, PageH));
    hg.setColorAt(0, QColor(0x9f, 0xd8, 0x7c));
    hg.setColorAt(1, QColor(0x5e, 0xa8, 0x4e));
    p.setPen(Qt::NoPen);
    p.setBrush(hg);
    p.drawPath(hills);

    paintCharacter(p, QPointF(130, 178), 1.0);
    paintBalloon(p, QRectF(226, 26, 300, 112), QPointF(198, 150),
                 QStringLiteral("Hi! Copy any text and I will read it aloud for you."));
    paintPlayer(p, QRectF(300, 236, 240, 112));
    return img;
}

QImage aboutSide() {
    const int w = 186, h = 378;
    QImage img = newImage(w, h);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    QLinearGradient g(QPointF(0, 0), QPointF(0, h));
    g.setColorAt(0, theme::HeaderTop);
    g.setColorAt(0.55, theme::HeaderBottom);
    g.setColorAt(1, theme::Outline);
    p.fillRect(img.rect(), g);
    // Waves spreading from the logo.
    const QPointF centre(w / 2.0, 92);
    p.setBrush(Qt::NoBrush);
    for (int i = 1; i <= 6; ++i) {
        p.setPen(QPen(QColor(255, 255, 255, 70 - i * 9), 2.2));
        const qreal r = 56 + i * 22;
        p.drawEllipse(centre, r, r);
    }
    QRadialGradient glow(centre, 80);
    glow.setColorAt(0, QColor(255, 255, 255, 90));
    glow.setColorAt(1, QColor(255, 255, 255, 0));
    p.fillRect(img.rect(), glow);
    paintLogo(p, QRectF(centre.x() - 52, centre.y() - 52, 104, 104));

    p.setPen(Qt::white);
    p.setFont(displayFont(40));
    p.drawText(QRectF(0, 168, w, 50), Qt::AlignCenter, QStringLiteral("Kalotalk"));
    p.setPen(QColor(0xd4, 0xe3, 0xff));
    p.setFont(uiFont(15, true));
    p.drawText(QRectF(0, 214, w, 24), Qt::AlignCenter, QStringLiteral("text to speech"));

    // Sound bars along the bottom.
    const int bars = 13;
    for (int i = 0; i < bars; ++i) {
        const qreal bh =
            14 + 40 * std::fabs(std::sin(i * 0.9 + 0.4)) * (0.5 + 0.5 * std::cos(i * 0.37));
        const qreal x = 14 + i * 12.4;
        QLinearGradient bg(QPointF(0, h - 26 - bh), QPointF(0, h - 26));
        bg.setColorAt(0, QColor(0xff, 0xc1, 0x4d));
        bg.setColorAt(1, QColor(0xff, 0x9f, 0x1c, 150));
        p.setPen(Qt::NoPen);
        p.setBrush(bg);
        p.drawRoundedRect(QRectF(x, h - 26 - bh, 7, bh), 3.5, 3.5);
    }
    return img;
}

} // namespace

QRectF paintMockWindow(QPainter& p, const QRectF& r, const QString& caption, qreal s) {
    p.save();
    paintShadow(p, r, 7 * s, 8, 70);
    p.setPen(Qt::NoPen);
    p.setBrush(theme::Outline);
    p.drawRoundedRect(r, 7 * s, 7 * s);
    const QRectF in = r.adjusted(1, 1, -1, -1);
    p.setBrush(theme::Face);
    p.drawRoundedRect(in, 6 * s, 6 * s);
    QPainterPath clip;
    clip.addRoundedRect(in, 6 * s, 6 * s);
    p.setClipPath(clip);
    const QRectF header(in.left(), in.top(), in.width(), 48 * s);
    paintHeaderGradient(p, header);
    p.setPen(QPen(theme::HeaderShadow, 1));
    p.drawLine(QPointF(header.left(), header.bottom()), QPointF(header.right(), header.bottom()));
    p.setClipping(false);
    const QRectF client(r.left() + 10 * s, r.top() + 49 * s, r.width() - 23 * s,
                        r.height() - 61 * s);
    p.setPen(QPen(theme::InnerLine, 1));
    p.setBrush(theme::Client);
    p.drawRect(client);
    paintLogo(p, QRectF(r.left() + 1 * s, r.top() + 9 * s, 32 * s, 32 * s));
    paintTitleButtons(p, QRectF(r.left(), r.top(), r.width(), 49 * s), s);
    p.setPen(Qt::white);
    p.setFont(uiFont(static_cast<int>(std::lround(14 * s)), true));
    p.drawText(QRectF(r.left(), r.top() + 9 * s, r.width() - 20 * s, 16 * s), Qt::AlignCenter,
               caption);
    p.restore();
    return client;
}

void drawWindowPictures(const Output& out) {
    out.savePng("selector/converter.png", converterPage());
    out.savePng("selector/cartoon.png", cartoonPage());
    out.saveJpeg("about/side.jpg", aboutSide(), 92);
    QImage mark = newImage(32, 32);
    QPainter p(&mark);
    paintMakerMark(p, QRectF(0, 0, 32, 32));
    p.end();
    out.savePng("about/halden.png", mark);
}

} // namespace draw
