// Shared pieces of the picture generator: the colour theme, output helpers
// and a few drawing shortcuts every picture uses.
#pragma once

#include <QColor>
#include <QDir>
#include <QFont>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QString>

#include <functional>

namespace draw {

// The one colour theme of the program's windows.
namespace theme {
inline const QColor Outline(0x1b, 0x3a, 0x8c);
inline const QColor HeaderTop(0x63, 0x96, 0xf1);
inline const QColor HeaderGlossEnd(0x48, 0x7b, 0xe6);
inline const QColor HeaderBodyTop(0x3c, 0x6d, 0xde);
inline const QColor HeaderBottom(0x2c, 0x57, 0xc6);
inline const QColor HeaderShadow(0x22, 0x46, 0xa4);
inline const QColor Face(0xe1, 0xe8, 0xf5);
inline const QColor FaceLight(0xf7, 0xf9, 0xfd);
inline const QColor FaceShadow(0xb9, 0xc6, 0xe0);
inline const QColor InnerLine(0xc7, 0xd2, 0xe7);
inline const QColor Client(0xf2, 0xf5, 0xfa);
inline const QColor Accent(0xff, 0x9f, 0x1c);
inline const QColor AccentDark(0xe0, 0x6c, 0x00);
inline const QColor Close(0xe8, 0x55, 0x41);
inline const QColor CloseDark(0xbf, 0x33, 0x24);
inline const QColor Ink(0x24, 0x2f, 0x45);
inline const QColor Teal(0x16, 0xa5, 0x96);
inline const QColor Rose(0xe8, 0x5d, 0x8e);
} // namespace theme

// Where pictures go; every save reports the file and fails loudly.
class Output {
public:
    explicit Output(const QString& root) : root_(root) {}
    void saveBmp(const QString& name, const QImage& image) const; // 24-bit
    void savePng(const QString& name, const QImage& image) const; // with alpha
    void saveJpeg(const QString& name, const QImage& image, int quality) const;
    // An SVG picture of size x size units, drawn by paint.
    void saveSvg(const QString& name, int size, const std::function<void(QPainter&)>& paint) const;

private:
    QString prepare(const QString& name) const;
    QString root_;
};

QImage newImage(int w, int h, const QColor& fill = Qt::transparent);

// Header band (the top 49 rows of a frame), vertical gradient only, as the
// frame draws it; also used behind the title buttons and in the mock windows.
void paintHeaderGradient(QPainter& p, const QRectF& band);

QFont uiFont(int pixelSize, bool bold = false);
QFont displayFont(int pixelSize);

QPainterPath roundedRect(const QRectF& r, qreal radius);

// A soft drop shadow under a rounded rectangle.
void paintShadow(QPainter& p, const QRectF& r, qreal radius, int spread, int alpha);

// Image operations for the state variants of icons.
QImage greyedOut(const QImage& src);
QImage brightened(const QImage& src, qreal amount);

} // namespace draw
