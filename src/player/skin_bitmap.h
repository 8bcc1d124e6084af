// Reading a skin's bitmaps and cutting pictures out of them. A bitmap may be
// smaller or larger than its layout expects, or damaged: cutting never reads
// outside the bitmap (what lies outside comes out black), and a bitmap that
// cannot be read fails with a KaloError.
#pragma once

#include <QByteArray>
#include <QImage>
#include <QPoint>
#include <QRect>
#include <QString>

namespace kalo {

// Bitmaps larger than this are refused before their pixels are decoded, so a
// header that claims a huge picture cannot take all the memory.
inline constexpr int MaxSkinBitmapSide = 4096;
inline constexpr qint64 MaxSkinBitmapPixels = 4 * 1024 * 1024;

// Decodes the bytes of a Windows bitmap file (1, 4, 8, 16, 24 or 32 bits,
// RLE4/RLE8 included) into an RGB32 image. Pixels a run-length bitmap skips
// come out in its colour 0, pixels a truncated file lacks come out black.
// `name` names the file in the error message.
QImage decodeSkinBitmap(const QByteArray& bytes, const QString& name);

// A new RGB32 picture of rect's size holding the part of `source` under rect;
// the part of rect outside `source` is black.
QImage cutPicture(const QImage& source, const QRect& rect);

// Copies the whole of `picture` onto `target` with its top-left corner at
// `at`, leaving out what falls outside `target`.
void drawClipped(QImage& target, QPoint at, const QImage& picture);

} // namespace kalo
