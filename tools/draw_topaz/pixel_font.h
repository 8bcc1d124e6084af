// A 3 x 5 pixel font of our own for the skin's tiny captions, where a
// scalable font would blur into mush.
#pragma once

#include <QColor>
#include <QImage>
#include <QString>

namespace topaz {

// Width in pixels of `text` drawn with `spacing` empty columns between
// letters.
int pixelTextWidth(const QString& text, int spacing = 1);
// Draws `text` (upper case letters, digits, space, - . : /) with its top-left
// corner at x, y.
void drawPixelText(QImage& image, int x, int y, const QString& text, const QColor& colour,
                   int spacing = 1);

} // namespace topaz
