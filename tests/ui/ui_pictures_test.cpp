#include "ui/ui_pictures.h"

#include <QImage>
#include <QImageReader>

#include <gtest/gtest.h>

using namespace kalo;

namespace {
QSize sizeOf(const QString& path) {
    return QImageReader(path).size();
}
} // namespace

TEST(UiPictures, FramePiecesAreEmbeddedAtTheirSizesAsTwentyFourBitBitmaps) {
    const struct {
        const char* name;
        QSize size;
    } pieces[] = {{"frame/top_left.bmp", {81, 49}},       {"frame/top.bmp", {1024, 49}},
                  {"frame/top_right.bmp", {94, 49}},      {"frame/left.bmp", {10, 800}},
                  {"frame/right.bmp", {13, 800}},         {"frame/bottom_left.bmp", {10, 12}},
                  {"frame/bottom.bmp", {1024, 12}},       {"frame/bottom_right.bmp", {13, 12}},
                  {"frame/button_close.bmp", {17, 19}},   {"frame/button_maximise.bmp", {17, 19}},
                  {"frame/button_restore.bmp", {17, 19}}, {"frame/button_minimise.bmp", {17, 19}}};
    for (const auto& piece : pieces) {
        SCOPED_TRACE(piece.name);
        const QString path = UiPicturePath(QString::fromLatin1(piece.name));
        QImageReader reader(path);
        EXPECT_EQ(reader.format(), "bmp");
        EXPECT_EQ(reader.size(), piece.size);
        const QImage image = reader.read();
        EXPECT_FALSE(image.hasAlphaChannel());
        EXPECT_EQ(image.depth(), 32); // 24-bit pixels, read as RGB32
    }
    EXPECT_EQ(sizeOf(UiPicturePath("frame/logo.png")), QSize(32, 32));
}

TEST(UiPictures, TheIconHasEverySizeTheDesktopsIconThemeHolds) {
    const QList<QSize> available = AppIcon().availableSizes();
    for (int size : AppIconSizes) {
        SCOPED_TRACE(size);
        EXPECT_TRUE(available.contains(QSize(size, size)));
        const QImage picture(UiPicturePath(QStringLiteral("icons/kalotalk_%1.png").arg(size)));
        EXPECT_EQ(picture.size(), QSize(size, size));
        EXPECT_TRUE(picture.hasAlphaChannel());
        // Transparent in the corners, the badge's colour in the middle.
        EXPECT_EQ(qAlpha(picture.pixel(0, 0)), 0);
        EXPECT_EQ(qAlpha(picture.pixel(size / 2, size * 7 / 8)), 255);
    }
    EXPECT_EQ(AppIcon().pixmap(QSize(48, 48)).size(), QSize(48, 48));
}

TEST(UiPictures, EveryNamedPictureOfTheOtherWindowsExists) {
    for (int p = 0; p <= int(ToolBarPicture::Options); ++p) {
        for (int s = 0; s <= int(PictureState::Hot); ++s) {
            const QString path =
                ToolBarPicturePath(static_cast<ToolBarPicture>(p), static_cast<PictureState>(s));
            SCOPED_TRACE(path.toStdString());
            EXPECT_EQ(sizeOf(path), QSize(48, 48));
        }
    }
    EXPECT_EQ(ToolBarPicturePath(ToolBarPicture::Mp3, PictureState::Hot),
              ":/ui/toolbar/mp3_hot.png");
    for (int e = 0; e <= int(EnginePicture::Other); ++e) {
        const QString path = EnginePicturePath(static_cast<EnginePicture>(e));
        SCOPED_TRACE(path.toStdString());
        EXPECT_EQ(sizeOf(path), QSize(16, 16));
    }
    // The about box's side picture is a JPEG and must decode as one.
    QImageReader jpeg(UiPicturePath("about/side.jpg"));
    EXPECT_EQ(jpeg.format(), "jpeg");
    EXPECT_FALSE(jpeg.read().isNull()) << jpeg.errorString().toStdString();
    for (const char* name : {"selector/converter.png", "selector/cartoon.png", "about/halden.png",
                             "options/download.png", "options/page_general.png",
                             "options/page_converter.png", "options/page_cartoon.png"}) {
        SCOPED_TRACE(name);
        EXPECT_FALSE(UiPicture(QString::fromLatin1(name)).isNull());
    }
}
