// Turns the character's true-colour drawings into one shared 256-colour
// palette: one index is kept for transparency, the other 255 are chosen by
// median cut over every opaque pixel of every image and then refined.
#pragma once

#include <QByteArray>
#include <QImage>
#include <QVector>

#include <vector>

namespace james {

// 256 colours: entry transparentIndex holds the key colour (magenta), the
// others the colours of the images' opaque pixels, at most 255 of them.
// Deterministic: the same images give the same palette.
QVector<QRgb> BuildPalette(const std::vector<QImage>& images, int transparentIndex);

// The image as top-down, tightly packed palette indices: transparent pixels
// (alpha below 128) get transparentIndex, every other pixel the nearest
// palette colour that is not the transparent entry.
QByteArray IndexPixels(const QImage& image, const QVector<QRgb>& palette, int transparentIndex);

} // namespace james
