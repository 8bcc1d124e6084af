#include "bmp_writer.h"

namespace kalo::test {

namespace {
void put16(QByteArray& b, int v) {
    b.append(char(v & 0xff));
    b.append(char((v >> 8) & 0xff));
}
void put32(QByteArray& b, std::int64_t v) {
    for (int i = 0; i < 4; ++i)
        b.append(char((v >> (8 * i)) & 0xff));
}

QByteArray headers(int width, int height, int bits, int compression, const QVector<QRgb>& palette,
                   int pixelBytes) {
    const int paletteBytes = int(palette.size()) * 4;
    QByteArray b;
    b.append("BM");
    put32(b, 14 + 40 + paletteBytes + pixelBytes);
    put32(b, 0);
    put32(b, 14 + 40 + paletteBytes);
    put32(b, 40);
    put32(b, width);
    put32(b, height);
    put16(b, 1);
    put16(b, bits);
    put32(b, compression);
    put32(b, pixelBytes);
    put32(b, 2835);
    put32(b, 2835);
    put32(b, palette.size());
    put32(b, 0);
    for (QRgb c : palette) {
        b.append(char(qBlue(c)));
        b.append(char(qGreen(c)));
        b.append(char(qRed(c)));
        b.append(char(0));
    }
    return b;
}
} // namespace

QByteArray writeBmp(int width, int height, int bits, const QVector<QRgb>& palette,
                    const std::function<std::uint32_t(int x, int y)>& pixel, bool topDown) {
    const int stride = ((width * bits + 31) / 32) * 4;
    QByteArray pixels(stride * height, '\0');
    for (int row = 0; row < height; ++row) {
        const int y = topDown ? row : height - 1 - row;
        char* line = pixels.data() + row * stride;
        for (int x = 0; x < width; ++x) {
            const std::uint32_t v = pixel(x, y);
            switch (bits) {
            case 1:
                if (v & 1)
                    line[x / 8] = char(line[x / 8] | (0x80 >> (x % 8)));
                break;
            case 4:
                line[x / 2] = char(line[x / 2] | ((v & 0xf) << (x % 2 ? 0 : 4)));
                break;
            case 8:
                line[x] = char(v);
                break;
            case 24:
                line[3 * x] = char(qBlue(v));
                line[3 * x + 1] = char(qGreen(v));
                line[3 * x + 2] = char(qRed(v));
                break;
            case 32:
                line[4 * x] = char(qBlue(v));
                line[4 * x + 1] = char(qGreen(v));
                line[4 * x + 2] = char(qRed(v));
                line[4 * x + 3] = char(0xff);
                break;
            }
        }
    }
    return headers(width, topDown ? -height : height, bits, 0, palette, int(pixels.size())) +
           pixels;
}

QByteArray writeRle8(int width, int height, const QVector<QRgb>& palette, const QByteArray& rle) {
    return headers(width, height, 8, 1, palette, int(rle.size())) + rle;
}

QByteArray writeBmp24(const QImage& image) {
    const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
    return writeBmp(rgb.width(), rgb.height(), 24, {},
                    [&](int x, int y) { return std::uint32_t(rgb.pixel(x, y)); });
}

} // namespace kalo::test
