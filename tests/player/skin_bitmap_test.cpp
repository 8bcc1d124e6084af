#include "player/skin_bitmap.h"

#include "bmp_writer.h"

#include <gtest/gtest.h>

namespace kalo {
namespace {

using test::writeBmp;
using test::writeRle8;

const QVector<QRgb> Palette16 = [] {
    QVector<QRgb> p;
    for (int i = 0; i < 16; ++i)
        p << qRgb(i * 16, 255 - i * 16, (i * 40) & 0xff);
    return p;
}();

TEST(SkinBitmap, EveryUsualDepthDecodesToTheSamePixels) {
    // 5 x 3 pictures with a pattern of palette colours; 1-bit uses two of them.
    const auto index = [](int x, int y) { return std::uint32_t((x + 2 * y) % 16); };
    const QVector<QRgb> two{Palette16[0], Palette16[1]};
    struct Case {
        int bits;
        QVector<QRgb> palette;
        std::function<std::uint32_t(int, int)> pixel;
        std::function<QRgb(int, int)> expected;
    };
    const Case cases[] = {
        {1, two, [&](int x, int y) { return index(x, y) & 1; },
         [&](int x, int y) { return two[int(index(x, y) & 1)]; }},
        {4, Palette16, index, [&](int x, int y) { return Palette16[int(index(x, y))]; }},
        {8, Palette16, index, [&](int x, int y) { return Palette16[int(index(x, y))]; }},
        {24,
         {},
         [&](int x, int y) { return Palette16[int(index(x, y))]; },
         [&](int x, int y) { return Palette16[int(index(x, y))]; }},
        {32,
         {},
         [&](int x, int y) { return Palette16[int(index(x, y))]; },
         [&](int x, int y) { return Palette16[int(index(x, y))]; }},
    };
    for (const Case& c : cases) {
        for (bool topDown : {false, true}) {
            const QImage image =
                decodeSkinBitmap(writeBmp(5, 3, c.bits, c.palette, c.pixel, topDown), "t.bmp");
            ASSERT_EQ(image.size(), QSize(5, 3)) << c.bits;
            EXPECT_EQ(image.format(), QImage::Format_RGB32);
            for (int y = 0; y < 3; ++y)
                for (int x = 0; x < 5; ++x)
                    EXPECT_EQ(image.pixel(x, y), c.expected(x, y) | 0xff000000u)
                        << c.bits << " bits at " << x << "," << y << " top-down " << topDown;
        }
    }
}

TEST(SkinBitmap, Rle8PixelsItSkipsComeOutInColourZero) {
    // 6 x 3, rows from the bottom: row 2 (bottom): run of 6 x colour 3;
    // row 1: 2 x colour 5, end of line (4 pixels skipped);
    // row 0 (top): a delta of 3 right, then 1 x colour 7, end of bitmap.
    const QByteArray rle("\x06\x03\x00\x00"
                         "\x02\x05\x00\x00"
                         "\x00\x02\x03\x00\x01\x07\x00\x01",
                         16);
    const QImage image = decodeSkinBitmap(writeRle8(6, 3, Palette16, rle), "rle.bmp");
    ASSERT_EQ(image.size(), QSize(6, 3));
    const QRgb c0 = Palette16[0] | 0xff000000u;
    for (int x = 0; x < 6; ++x)
        EXPECT_EQ(image.pixel(x, 2), Palette16[3] | 0xff000000u) << x;
    EXPECT_EQ(image.pixel(1, 1), Palette16[5] | 0xff000000u);
    for (int x = 2; x < 6; ++x)
        EXPECT_EQ(image.pixel(x, 1), c0) << x;
    for (int x : {0, 1, 2, 4, 5})
        EXPECT_EQ(image.pixel(x, 0), c0) << x;
    EXPECT_EQ(image.pixel(3, 0), Palette16[7] | 0xff000000u);
}

TEST(SkinBitmap, DamagedFilesFailOrComeOutBlackWhereDataIsMissing) {
    const auto red = [](int, int) { return std::uint32_t(qRgb(255, 0, 0)); };
    const QByteArray good = writeBmp(20, 20, 24, {}, red);
    EXPECT_ANY_THROW(decodeSkinBitmap(QByteArray(), "empty.bmp"));
    EXPECT_ANY_THROW(decodeSkinBitmap(good.left(20), "header.bmp"));
    EXPECT_ANY_THROW(decodeSkinBitmap(QByteArray("PK\x03\x04 not a bitmap at all"), "zip.bmp"));
    QByteArray wrongMagic = good;
    wrongMagic[0] = 'X';
    EXPECT_ANY_THROW(decodeSkinBitmap(wrongMagic, "magic.bmp"));
    // A file cut short: whatever the reader makes of it, nothing outside the
    // data is read and what it yields has the declared size or fails.
    for (int cut : {54, 55, 100, 600, int(good.size()) - 1}) {
        try {
            const QImage image = decodeSkinBitmap(good.left(cut), "cut.bmp");
            EXPECT_EQ(image.size(), QSize(20, 20));
        } catch (...) {
        }
    }
    // A bit count that does not exist.
    QByteArray badBits = good;
    badBits[28] = char(7);
    EXPECT_ANY_THROW(decodeSkinBitmap(badBits, "bits.bmp"));
}

TEST(SkinBitmap, AHeaderClaimingAHugePictureIsRefusedBeforeDecoding) {
    QByteArray bmp = writeBmp(2, 2, 24, {}, [](int, int) { return 0u; });
    // width 30000, height 30000: 900 million pixels
    bmp[18] = char(0x30);
    bmp[19] = char(0x75);
    bmp[22] = char(0x30);
    bmp[23] = char(0x75);
    EXPECT_ANY_THROW(decodeSkinBitmap(bmp, "huge.bmp"));
}

TEST(SkinBitmap, CuttingOutsideTheBitmapGivesBlackNeverItsNeighbours) {
    QImage source(4, 3, QImage::Format_RGB32);
    source.fill(qRgb(10, 20, 30));
    const QImage cut = cutPicture(source, QRect(2, 1, 5, 5));
    ASSERT_EQ(cut.size(), QSize(5, 5));
    EXPECT_EQ(cut.pixel(0, 0), qRgb(10, 20, 30));
    EXPECT_EQ(cut.pixel(1, 1), qRgb(10, 20, 30));
    EXPECT_EQ(cut.pixel(2, 0), qRgb(0, 0, 0));
    EXPECT_EQ(cut.pixel(0, 2), qRgb(0, 0, 0));
    EXPECT_EQ(cutPicture(source, QRect(-3, -3, 2, 2)).pixel(1, 1), qRgb(0, 0, 0));
    EXPECT_EQ(cutPicture(source, QRect(-1, -1, 2, 2)).pixel(1, 1), qRgb(10, 20, 30));
    EXPECT_EQ(cutPicture(QImage(), QRect(0, 0, 3, 3)).pixel(2, 2), qRgb(0, 0, 0));
    EXPECT_TRUE(cutPicture(source, QRect(0, 0, 0, 3)).isNull());
}

TEST(SkinBitmap, DrawingFarOutsideTheTargetChangesNothing) {
    QImage target(10, 10, QImage::Format_RGB32);
    target.fill(Qt::white);
    QImage dot(3, 3, QImage::Format_RGB32);
    dot.fill(Qt::red);
    const QImage before = target;
    for (QPoint at :
         {QPoint(INT_MAX - 1, 0), QPoint(INT_MIN, INT_MIN), QPoint(10, 0), QPoint(-3, 5)})
        drawClipped(target, at, dot);
    EXPECT_EQ(target, before);
    drawClipped(target, QPoint(8, -1), dot);
    EXPECT_EQ(target.pixel(9, 1), qRgb(255, 0, 0));
    EXPECT_EQ(target.pixel(7, 1), qRgb(255, 255, 255));
    EXPECT_EQ(target.pixel(9, 2), qRgb(255, 255, 255));
}

} // namespace
} // namespace kalo
