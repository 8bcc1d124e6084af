// Writes Windows bitmap files byte by byte, in the depths and compressions a
// skin may come in, so tests control every header field.
#pragma once

#include <QByteArray>
#include <QImage>
#include <QRgb>
#include <QVector>

#include <cstdint>
#include <functional>

namespace kalo::test {

// An uncompressed bitmap of 1, 4, 8 (pixel = palette index), 24 or 32 bits
// (pixel = colour), stored bottom-up unless topDown.
QByteArray writeBmp(int width, int height, int bits, const QVector<QRgb>& palette,
                    const std::function<std::uint32_t(int x, int y)>& pixel, bool topDown = false);

// An RLE8 bitmap from ready-made run-length data (rows from the bottom).
QByteArray writeRle8(int width, int height, const QVector<QRgb>& palette, const QByteArray& rle);

// A 24-bit bitmap of an image.
QByteArray writeBmp24(const QImage& image);

} // namespace kalo::test
