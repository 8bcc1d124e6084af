#include "paint_kit.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QImageWriter>
#include <QLinearGradient>
#include <QSvgGenerator>

#include <cstdio>
#include <cstdlib>

namespace draw {

QString Output::prepare(const QString& name) const {
    const QString path = root_ + '/' + name;
    QDir().mkpath(QFileInfo(path).absolutePath());
    return path;
}

static void write(const QString& path, const QImage& image, const char* format, int quality) {
    QImageWriter writer(path, format);
    if (quality >= 0)
        writer.setQuality(quality);
    if (!writer.write(image)) {
        std::fprintf(stderr, "cannot write %s: %s\n", qPrintable(path),
                     qPrintable(writer.errorString()));
        std::exit(1);
    }
    std::printf("%s (%dx%d)\n", qPrintable(path), image.width(), image.height());
}

void Output::saveBmp(const QString& name, const QImage& image) const {
    // An image without alpha is written with 24 bits a pixel.
    write(prepare(name), image.convertToFormat(QImage::Format_RGB32), "bmp", -1);
}

void Output::savePng(const QString& name, const QImage& image) const {
    write(prepare(name), image.convertToFormat(QImage::Format_ARGB32), "png", -1);
}

void Output::saveJpeg(const QString& name, const QImage& image, int quality) const {
    write(prepare(name), image.convertToFormat(QImage::Format_RGB32), "jpeg", quality);
}

void Output::saveSvg(const QString& name, int size,
                     const std::function<void(QPainter&)>& paint) const {
    const QString path = prepare(name);
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QSvgGenerator svg;
    svg.setOutputDevice(&buffer);
    svg.setSize(QSize(size, size));
    svg.setViewBox(QRect(0, 0, size, size));
    svg.setTitle(QStringLiteral("Kalotalk"));
    QPainter p(&svg);
    paint(p);
    p.end();
    // The generator gives the size in millimetres; icon themes expect pixels.
    QString text = QString::fromUtf8(buffer.data());
    text.replace(QRegularExpression(QStringLiteral("<svg width=\"[^\"]*\" height=\"[^\"]*\"")),
                 QStringLiteral("<svg width=\"%1\" height=\"%1\"").arg(size));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(text.toUtf8()) < 0 || !file.flush()) {
        std::fprintf(stderr, "cannot write %s: %s\n", qPrintable(path), qPrintable(file.errorString()));
        std::exit(1);
    }
    std::printf("%s (%dx%d, SVG)\n", qPrintable(path), size, size);
}

QImage newImage(int w, int h, const QColor& fill) {
    QImage img(w, h, QImage::Format_ARGB32_Premultiplied);
    img.fill(fill);
    return img;
}

void paintHeaderGradient(QPainter& p, const QRectF& band) {
    QLinearGradient g(band.topLeft(), band.bottomLeft());
    g.setColorAt(0.0, theme::HeaderTop);
    g.setColorAt(0.46, theme::HeaderGlossEnd);
    g.setColorAt(0.47, theme::HeaderBodyTop);
    g.setColorAt(1.0, theme::HeaderBottom);
    p.fillRect(band, g);
}

QFont uiFont(int pixelSize, bool bold) {
    QFont f;
    f.setFamilies({QStringLiteral("Liberation Sans"), QStringLiteral("Nimbus Sans"),
                   QStringLiteral("DejaVu Sans")});
    f.setPixelSize(pixelSize);
    f.setBold(bold);
    f.setHintingPreference(QFont::PreferFullHinting);
    return f;
}

QFont displayFont(int pixelSize) {
    QFont f;
    f.setFamilies({QStringLiteral("Nimbus Sans Narrow"), QStringLiteral("DejaVu Sans Condensed"),
                   QStringLiteral("Liberation Sans")});
    f.setPixelSize(pixelSize);
    f.setWeight(QFont::Black);
    return f;
}

QPainterPath roundedRect(const QRectF& r, qreal radius) {
    QPainterPath path;
    path.addRoundedRect(r, radius, radius);
    return path;
}

void paintShadow(QPainter& p, const QRectF& r, qreal radius, int spread, int alpha) {
    p.save();
    p.setPen(Qt::NoPen);
    for (int i = spread; i >= 1; --i) {
        const int a = alpha * (spread - i + 1) / (spread * spread);
        p.setBrush(QColor(0, 0, 0, a));
        p.drawPath(roundedRect(r.adjusted(-i, -i + 2, i, i + 2), radius + i));
    }
    p.restore();
}

QImage greyedOut(const QImage& src) {
    QImage out = src.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < out.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < out.width(); ++x) {
            const QRgb c = line[x];
            const int grey = qGray(c);
            const int light = 150 + grey * 90 / 255;
            line[x] = qRgba(light, light, light + 6 > 255 ? 255 : light + 6, qAlpha(c) * 55 / 100);
        }
    }
    return out;
}

QImage brightened(const QImage& src, qreal amount) {
    QImage out = src.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < out.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < out.width(); ++x) {
            const QRgb c = line[x];
            auto up = [&](int v) { return static_cast<int>(v + (255 - v) * amount); };
            line[x] = qRgba(up(qRed(c)), up(qGreen(c)), up(qBlue(c)), qAlpha(c));
        }
    }
    return out;
}

} // namespace draw
