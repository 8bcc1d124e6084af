#include "player/skin_bitmap.h"

#include "base/kalo_error.h"

#include <QBuffer>
#include <QImageReader>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>

namespace kalo {

namespace {
[[noreturn]] void unreadable(const QString& name) {
    throw KaloError(QStringLiteral("The bitmap %1 cannot be read.").arg(name));
}
} // namespace

QImage decodeSkinBitmap(const QByteArray& bytes, const QString& name) {
    // A bitmap file starts with "BM"; nothing else is taken for one, whatever
    // other picture formats the toolkit could read.
    if (bytes.size() < 26 || bytes[0] != 'B' || bytes[1] != 'M')
        unreadable(name);
    // The pixel data must start inside the file.
    const auto byteAt = [&bytes](int i) { return quint32(quint8(bytes[i])); };
    const quint32 pixelOffset = byteAt(10) | byteAt(11) << 8 | byteAt(12) << 16 | byteAt(13) << 24;
    if (pixelOffset > quint32(bytes.size()))
        unreadable(name);
    QByteArray data = bytes; // QBuffer wants a non-const array; this is a shallow copy
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "bmp");
    reader.setDecideFormatFromContent(false);
    // The reader gives a top-down bitmap's height as stored: negative.
    const QSize stored = reader.size();
    const qint64 width = stored.width();
    const qint64 height = std::abs(qint64(stored.height()));
    if (width <= 0 || height <= 0 || width > MaxSkinBitmapSide || height > MaxSkinBitmapSide ||
        width * height > MaxSkinBitmapPixels)
        unreadable(name);
    const QSize size{int(width), int(height)};
    // The reader fills the given image when its size and format match what it
    // is about to produce, and leaves alone what the file does not cover (the
    // skipped runs of an RLE bitmap, the missing end of a truncated one); so
    // start from an image that is cleared.
    QImage::Format format = reader.imageFormat();
    if (format == QImage::Format_Invalid)
        unreadable(name);
    QImage image(size, format);
    if (image.isNull())
        unreadable(name);
    image.fill(0);
    if (!reader.read(&image) || image.isNull() || image.size() != size)
        unreadable(name);
    return image.convertToFormat(QImage::Format_RGB32);
}

void drawClipped(QImage& target, QPoint at, const QImage& picture) {
    if (target.isNull() || picture.isNull())
        return;
    if (target.format() != QImage::Format_RGB32)
        target = target.convertToFormat(QImage::Format_RGB32);
    const QImage src = picture.format() == QImage::Format_RGB32
                           ? picture
                           : picture.convertToFormat(QImage::Format_RGB32);
    // Worked out in 64 bits: a slider may be placed anywhere an int reaches.
    const qint64 left = std::max<qint64>(at.x(), 0);
    const qint64 top = std::max<qint64>(at.y(), 0);
    const qint64 right = std::min<qint64>(qint64(at.x()) + src.width(), target.width());
    const qint64 bottom = std::min<qint64>(qint64(at.y()) + src.height(), target.height());
    if (left >= right || top >= bottom)
        return;
    const qint64 srcX = left - at.x();
    const qint64 srcY = top - at.y();
    const size_t lineBytes = size_t(right - left) * 4;
    for (qint64 row = 0; row < bottom - top; ++row) {
        const uchar* from = src.constScanLine(int(srcY + row)) + size_t(srcX) * 4;
        uchar* to = target.scanLine(int(top + row)) + size_t(left) * 4;
        std::memcpy(to, from, lineBytes);
    }
}

QImage cutPicture(const QImage& source, const QRect& rect) {
    if (rect.width() <= 0 || rect.height() <= 0)
        return {};
    QImage out(rect.size(), QImage::Format_RGB32);
    if (out.isNull())
        return {};
    out.fill(Qt::black);
    const qint64 x = -qint64(rect.x());
    const qint64 y = -qint64(rect.y());
    if (x > INT_MIN && y > INT_MIN && x <= INT_MAX && y <= INT_MAX)
        drawClipped(out, QPoint(int(x), int(y)), source);
    return out;
}

} // namespace kalo
