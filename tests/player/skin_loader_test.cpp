#include "player/skin_loader.h"

#include "bmp_writer.h"
#include "skin_fixture.h"

#include <QFile>
#include <gtest/gtest.h>

namespace kalo {
namespace {

using test::FakeSkinnedWindow;
using test::fileId;
using test::Mark;
using test::markOf;
using test::SkinFolder;

Mark at(SkinFile file, QPoint p, int variant = 0) {
    return Mark{fileId(file) + 8 * variant, p.x(), p.y()};
}

class SkinLoaderTest : public ::testing::Test {
protected:
    void apply(const QString& name) { loader.ApplySkin(folder.appPath(), name); }
    // Every picture of every button shows its own rectangle of the table.
    void expectButtons(int first, int last, int variant) {
        const auto& specs = faceButtonSpecs();
        for (int i = first; i <= last; ++i) {
            const FaceButtonSpec& s = specs[size_t(i)];
            const FaceButtonPictures& p = window.buttons[size_t(i)];
            const QPoint corner(s.place.width() - 1, s.place.height() - 1);
            ASSERT_EQ(p.normal.size(), s.place.size()) << i;
            EXPECT_EQ(markOf(p.normal.pixel(0, 0)), at(s.file, s.normal, variant)) << i;
            EXPECT_EQ(markOf(p.disabled.pixel(corner)), at(s.file, s.disabled + corner, variant))
                << i;
            EXPECT_EQ(markOf(p.pressed.pixel(corner)), at(s.file, s.pressed + corner, variant))
                << i;
            EXPECT_EQ(markOf(p.latched.pixel(1, 1)), at(s.file, s.latched + QPoint(1, 1), variant))
                << i;
        }
    }
    Mark bar(SkinBar b, int x, int y) { return markOf(window.bars[b]->picture().pixel(x, y)); }
    Mark background(SkinBar b, int x, int y) {
        return markOf(window.bars[b]->background().pixel(x, y));
    }
    Mark face(int x, int y) { return markOf(window.face.pixel(x, y)); }

    SkinFolder folder;
    FakeSkinnedWindow window;
    TSkinLoader loader{window};
};

TEST_F(SkinLoaderTest, ACompleteSkinFillsEveryPictureFromItsRectangle) {
    folder.writeMarkedSkin(QStringLiteral("Marked"), 0, "[Text]\r\nCurrent=#10a0Ff\r\n");
    apply(QStringLiteral("Marked"));
    EXPECT_EQ(window.labelColour, QColor(0x10, 0xa0, 0xff));
    ASSERT_EQ(window.face.size(), FaceSize);
    EXPECT_EQ(window.clientSize, FaceSize);
    // title strip (active, normal) from 27, 0 over the face's top 14 rows
    EXPECT_EQ(face(0, 0), at(SkinFile::Titlebar, {27, 0}));
    EXPECT_EQ(face(274, 13), at(SkinFile::Titlebar, {27 + 274, 13}));
    EXPECT_EQ(face(0, 14), at(SkinFile::Main, {0, 14}));
    EXPECT_EQ(face(274, 115), at(SkinFile::Main, {274, 115}));
    EXPECT_TRUE(window.titleButtonsVisible);
    expectButtons(0, 18, 0);
    // bars: backgrounds at their points, sliders drawn at their positions
    EXPECT_EQ(background(SkinBar::Position, 247, 9), at(SkinFile::Posbar, {247, 9}));
    EXPECT_EQ(bar(SkinBar::Position, 2, 0), at(SkinFile::Posbar, {248, 0})); // Position 1: x = 2
    EXPECT_EQ(background(SkinBar::Volume, 67, 12), at(SkinFile::Volume, {67, 12}));
    EXPECT_TRUE(window.bars[SkinBar::Volume]->SliderVisible());
    EXPECT_EQ(background(SkinBar::Speed, 0, 0), at(SkinFile::Balance, {9, 0}));
    EXPECT_EQ(bar(SkinBar::Speed, 12, 1), at(SkinFile::Balance, {15, 422}));
    EXPECT_EQ(markOf(window.bars[SkinBar::Speed]->pressedSlider().pixel(0, 0)),
              at(SkinFile::Balance, {0, 422}));
}

TEST_F(SkinLoaderTest, WithoutPleditOrWithoutItsKeyTheLabelsTakeTheDefaultColour) {
    folder.writeMarkedSkin(QStringLiteral("Plain"));
    apply(QStringLiteral("Plain"));
    EXPECT_EQ(window.labelColour, QColor(0x89, 0xD8, 0xD1));
    expectButtons(0, 18, 0);
    window.labelColour = Qt::black;
    folder.write(QStringLiteral("skins/Plain/Pledit.txt"), "[Text]\r\nNormal=#000000\r\n");
    apply(QStringLiteral("Plain"));
    EXPECT_EQ(window.labelColour, QColor(0x89, 0xD8, 0xD1));
}

TEST_F(SkinLoaderTest, AColourThatDoesNotParseEndsTheRunBeforeAnythingElse) {
    for (const char* bad : {"[Text]\nCurrent=#12345G\n", "[Text]\nCurrent=#12345\n",
                            "[Text]\nCurrent=\n", "[Text]\nCurrent=#1234567\n"}) {
        SkinFolder other;
        other.writeMarkedSkin(QStringLiteral("Bad"), 0, bad);
        FakeSkinnedWindow fresh;
        TSkinLoader l(fresh);
        fresh.labelColour = Qt::green;
        l.ApplySkin(other.appPath(), QStringLiteral("Bad"));
        EXPECT_EQ(fresh.labelColour, QColor(Qt::green)) << bad;
        EXPECT_TRUE(fresh.face.isNull()) << bad;
        EXPECT_TRUE(fresh.buttons[0].normal.isNull()) << bad;
    }
}

TEST_F(SkinLoaderTest, WithoutMainOnlyTheColourChanges) {
    folder.writeMarkedSkin(QStringLiteral("Old"));
    folder.writeMarkedSkin(QStringLiteral("New"), 1, "[Text]\nCurrent=#010203\n");
    folder.remove(QStringLiteral("skins/New/Main.bmp"));
    apply(QStringLiteral("Old"));
    const QImage oldFace = window.face;
    apply(QStringLiteral("New"));
    EXPECT_EQ(window.labelColour, QColor(1, 2, 3));
    EXPECT_EQ(window.face, oldFace);
    expectButtons(0, 18, 0);
    EXPECT_EQ(background(SkinBar::Volume, 0, 0), at(SkinFile::Volume, {0, 0}, 0));
}

TEST_F(SkinLoaderTest, WithoutCbuttonsTheRunStopsAtButton11) {
    folder.writeMarkedSkin(QStringLiteral("Old"));
    folder.writeMarkedSkin(QStringLiteral("New"), 1);
    folder.remove(QStringLiteral("skins/New/Cbuttons.bmp"));
    apply(QStringLiteral("Old"));
    window.shade = true; // the state New would re-apply, had it got there
    window.clientSize = QSize(1, 1);
    apply(QStringLiteral("New"));
    EXPECT_EQ(face(0, 0), at(SkinFile::Main, {0, 0}, 1)); // new face, no strip painted
    expectButtons(0, 10, 1);
    expectButtons(11, 18, 0);
    EXPECT_EQ(background(SkinBar::Position, 0, 0), at(SkinFile::Posbar, {0, 0}, 0));
    EXPECT_EQ(background(SkinBar::Speed, 0, 0), at(SkinFile::Balance, {9, 0}, 0));
    EXPECT_EQ(window.clientSize, QSize(1, 1)); // windowshade mode not re-applied
}

TEST_F(SkinLoaderTest, WithoutBalanceTheSpeedBarIsCutFromVolume) {
    folder.writeMarkedSkin(QStringLiteral("NoBalance"));
    folder.remove(QStringLiteral("skins/NoBalance/Balance.bmp"));
    apply(QStringLiteral("NoBalance"));
    EXPECT_EQ(background(SkinBar::Speed, 0, 0), at(SkinFile::Volume, {9, 0}));
    EXPECT_EQ(background(SkinBar::Speed, 37, 12), at(SkinFile::Volume, {46, 12}));
    EXPECT_EQ(markOf(window.bars[SkinBar::Speed]->slider().pixel(0, 0)),
              at(SkinFile::Volume, {15, 422}));
    EXPECT_EQ(markOf(window.bars[SkinBar::Speed]->pressedSlider().pixel(0, 0)),
              at(SkinFile::Volume, {0, 422}));
    EXPECT_EQ(window.clientSize, FaceSize); // the run went on to the end
}

TEST_F(SkinLoaderTest, WindowshadeStripsFollowActivation) {
    folder.writeMarkedSkin(QStringLiteral("Marked"));
    window.shade = true;
    apply(QStringLiteral("Marked"));
    EXPECT_EQ(window.clientSize, ShadeFaceSize);
    ASSERT_EQ(window.face.size(), ShadeFaceSize);
    EXPECT_EQ(face(0, 0), at(SkinFile::Titlebar, {27, 29}));
    EXPECT_EQ(face(274, 13), at(SkinFile::Titlebar, {301, 42}));

    window.active = false;
    loader.PaintTitleBar();
    EXPECT_FALSE(window.titleButtonsVisible);
    EXPECT_EQ(face(0, 0), at(SkinFile::Titlebar, {27, 42}));

    loader.SetShade(false);
    EXPECT_FALSE(window.shade);
    EXPECT_EQ(window.clientSize, FaceSize);
    EXPECT_EQ(face(5, 0), at(SkinFile::Titlebar, {32, 15}));
    EXPECT_EQ(face(5, 50), at(SkinFile::Main, {5, 50})); // Main.bmp loaded again

    window.active = true;
    loader.PaintTitleBar();
    EXPECT_TRUE(window.titleButtonsVisible);
    EXPECT_EQ(face(5, 0), at(SkinFile::Titlebar, {32, 0}));

    loader.SetShade(true);
    EXPECT_TRUE(window.shade);
    EXPECT_EQ(window.face.size(), ShadeFaceSize);
    EXPECT_EQ(face(5, 13), at(SkinFile::Titlebar, {32, 29 + 13}));
}

TEST_F(SkinLoaderTest, ChangingSkinInWindowshadeModeKeepsTheStrip) {
    folder.writeMarkedSkin(QStringLiteral("Old"));
    folder.writeMarkedSkin(QStringLiteral("New"), 1);
    window.shade = true;
    apply(QStringLiteral("Old"));
    window.active = false;
    apply(QStringLiteral("New"));
    EXPECT_EQ(window.clientSize, ShadeFaceSize);
    EXPECT_EQ(face(10, 0), at(SkinFile::Titlebar, {37, 42}, 1));
}

TEST_F(SkinLoaderTest, AMissingSkinGivesTheDefaultColourAndLeavesAnEmptyFace) {
    window.labelColour = Qt::black;
    apply(QStringLiteral("Nowhere"));
    EXPECT_EQ(window.labelColour, QColor(0x89, 0xD8, 0xD1));
    EXPECT_TRUE(window.face.isNull());
    EXPECT_TRUE(window.buttons[0].normal.isNull());
    EXPECT_FALSE(window.bars[SkinBar::Volume]->SliderVisible());
}

TEST_F(SkinLoaderTest, FileAndFolderNamesAreFoundWithoutRegardToCase) {
    folder.writeMarkedSkin(QStringLiteral("MiXeD"));
    const QString dir = folder.skinPath(QStringLiteral("MiXeD"));
    for (const QString& f : QDir(dir).entryList(QDir::Files))
        QFile::rename(dir + f, dir + (f.startsWith(QLatin1Char('M')) ? f.toUpper() : f.toLower()));
    apply(QStringLiteral("Mixed"));
    expectButtons(0, 18, 0);
    EXPECT_EQ(background(SkinBar::Speed, 0, 0), at(SkinFile::Balance, {9, 0}));
}

TEST_F(SkinLoaderTest, SmallBitmapsAreCutAsFarAsTheyGoAndBlackBeyond) {
    folder.writeMarkedSkin(QStringLiteral("Small"));
    const auto small = [&](SkinFile f, QSize size) {
        folder.write(QStringLiteral("skins/Small/") + skinFileName(f),
                     test::writeBmp24(test::markedBitmap(f, size)));
    };
    small(SkinFile::Titlebar, QSize(40, 20));
    small(SkinFile::Main, QSize(100, 50)); // stretched to 275 x 116
    small(SkinFile::Volume, QSize(20, 5));
    apply(QStringLiteral("Small"));
    ASSERT_EQ(window.face.size(), FaceSize);
    EXPECT_EQ(face(0, 0), at(SkinFile::Titlebar, {27, 0}));
    EXPECT_EQ(markOf(window.face.pixel(20, 0)), Mark{}); // strip beyond x = 40 is black
    EXPECT_EQ(face(274, 115).file, fileId(SkinFile::Main));
    EXPECT_EQ(markOf(window.buttons[0].normal.pixel(0, 0)), at(SkinFile::Titlebar, {0, 0}));
    EXPECT_EQ(markOf(window.buttons[4].normal.pixel(0, 0)), Mark{}); // 304, 2 lies outside
    EXPECT_EQ(background(SkinBar::Volume, 19, 4), at(SkinFile::Volume, {19, 4}));
    EXPECT_EQ(background(SkinBar::Volume, 20, 4), Mark{});
    EXPECT_EQ(window.clientSize, FaceSize); // it went on to the end
}

TEST_F(SkinLoaderTest, ACorruptBitmapEndsTheRunAtItsStep) {
    folder.writeMarkedSkin(QStringLiteral("Old"));
    folder.writeMarkedSkin(QStringLiteral("New"), 1);
    QFile posbar(folder.skinPath(QStringLiteral("New")) + QStringLiteral("Posbar.bmp"));
    ASSERT_TRUE(posbar.open(QIODevice::ReadWrite));
    posbar.write("XX garbage in place of a bitmap header");
    posbar.close();
    apply(QStringLiteral("Old"));
    apply(QStringLiteral("New"));
    expectButtons(0, 18, 1);
    EXPECT_EQ(background(SkinBar::Position, 0, 0), at(SkinFile::Posbar, {0, 0}, 0));
    EXPECT_EQ(background(SkinBar::Volume, 0, 0), at(SkinFile::Volume, {0, 0}, 0));
}

TEST_F(SkinLoaderTest, AnArchiveSkinLoadsLikeAFolder) {
    std::vector<std::pair<QString, QByteArray>> entries;
    for (SkinFile f : {SkinFile::Main, SkinFile::Titlebar, SkinFile::Shufrep, SkinFile::Cbuttons,
                       SkinFile::Posbar, SkinFile::Volume})
        entries.push_back({QStringLiteral("Zipped/") + skinFileName(f).toLower(),
                           test::writeBmp24(test::markedBitmap(f, test::classicSize(f)))});
    entries.push_back({QStringLiteral("Zipped/PLEDIT.TXT"), "[text]\ncurrent=#A0B0C0\n"});
    folder.write(QStringLiteral("skins/Zipped.wsz"), test::makeZip(entries));
    apply(QStringLiteral("Zipped"));
    EXPECT_EQ(window.labelColour, QColor(0xA0, 0xB0, 0xC0));
    expectButtons(0, 18, 0);
    EXPECT_EQ(background(SkinBar::Speed, 0, 0), at(SkinFile::Volume, {9, 0}));
    EXPECT_EQ(window.clientSize, FaceSize);
}

// Activation changes and windowshade toggles repaint from the pictures the
// load decoded: an archive skin, whose reads count against a cap per load,
// keeps its title strip and face however often they come.
TEST_F(SkinLoaderTest, AnArchiveSkinKeepsPaintingThroughEndlessActivationAndShadeChanges) {
    std::vector<std::pair<QString, QByteArray>> entries;
    qint64 titlebarBytes = 0;
    for (SkinFile f : {SkinFile::Main, SkinFile::Titlebar, SkinFile::Shufrep, SkinFile::Cbuttons,
                       SkinFile::Posbar, SkinFile::Volume}) {
        entries.push_back(
            {skinFileName(f), test::writeBmp24(test::markedBitmap(f, test::classicSize(f)))});
        if (f == SkinFile::Titlebar)
            titlebarBytes = entries.back().second.size();
    }
    folder.write(QStringLiteral("skins/Zipped.wsz"), test::makeZip(entries));
    apply(QStringLiteral("Zipped"));
    ASSERT_EQ(face(0, 0), at(SkinFile::Titlebar, {27, 0}));

    // More activation changes than the archive's cap would allow reads of
    // Titlebar.bmp.
    const int changes = int(MaxArchiveTotalBytes / titlebarBytes) + 20;
    for (int i = 0; i < changes; ++i) {
        window.active = i % 2 == 0;
        loader.PaintTitleBar();
    }
    window.active = false;
    loader.PaintTitleBar();
    EXPECT_FALSE(window.titleButtonsVisible);
    EXPECT_EQ(face(0, 0), at(SkinFile::Titlebar, {27, 15}));
    EXPECT_EQ(face(274, 13), at(SkinFile::Titlebar, {301, 28}));
    window.active = true;
    loader.PaintTitleBar();
    EXPECT_EQ(face(0, 0), at(SkinFile::Titlebar, {27, 0}));

    // Leaving windowshade mode brings back Main.bmp's face each time.
    for (int i = 0; i < 40; ++i) {
        loader.SetShade(true);
        loader.SetShade(false);
    }
    ASSERT_EQ(window.face.size(), FaceSize);
    EXPECT_EQ(face(0, 0), at(SkinFile::Titlebar, {27, 0}));
    EXPECT_EQ(face(5, 50), at(SkinFile::Main, {5, 50}));
    EXPECT_EQ(face(274, 115), at(SkinFile::Main, {274, 115}));
    loader.SetShade(true);
    EXPECT_EQ(face(10, 13), at(SkinFile::Titlebar, {37, 29 + 13}));

    // A new load starts afresh: the same skin again, or another one.
    folder.writeMarkedSkin(QStringLiteral("Other"), 1);
    apply(QStringLiteral("Other"));
    EXPECT_EQ(face(10, 13), at(SkinFile::Titlebar, {37, 29 + 13}, 1));
    loader.SetShade(false);
    EXPECT_EQ(face(5, 50), at(SkinFile::Main, {5, 50}, 1));
}

// The skins we ship: every file there, every picture from it.
void expectWholeSkin(FakeSkinnedWindow& window, const QColor& colour) {
    EXPECT_EQ(window.labelColour, colour);
    EXPECT_EQ(window.clientSize, FaceSize);
    ASSERT_EQ(window.face.size(), FaceSize);
    for (const auto& b : window.buttons) {
        ASSERT_FALSE(b.normal.isNull());
        // a picture of one colour would be a cut in the wrong place
        EXPECT_NE(b.normal.pixel(0, 0),
                  b.normal.pixel(b.normal.width() / 2, b.normal.height() / 2));
    }
    for (auto& [kind, bar] : window.bars)
        EXPECT_TRUE(bar->SliderVisible());
}

TEST(ShippedSkins, TopazAndTheSapphireArchiveLoadCompletely) {
    SkinFolder folder;
    for (const char* name : {"Main.bmp", "Titlebar.bmp", "Cbuttons.bmp", "Shufrep.bmp",
                             "Posbar.bmp", "Volume.bmp", "Balance.bmp", "Pledit.txt"}) {
        QFile f(QStringLiteral(KALO_TOPAZ_DIR "/") + QLatin1String(name));
        ASSERT_TRUE(f.open(QIODevice::ReadOnly)) << name;
        folder.write(QStringLiteral("skins/Topaz/") + QLatin1String(name), f.readAll());
    }
    QFile wsz(QStringLiteral(KALO_SAPPHIRE_WSZ));
    ASSERT_TRUE(wsz.open(QIODevice::ReadOnly));
    folder.write(QStringLiteral("skins/Sapphire.wsz"), wsz.readAll());
    EXPECT_EQ(installedSkins(folder.appPath()).size(), 2);

    FakeSkinnedWindow window;
    TSkinLoader loader(window);
    loader.ApplySkin(folder.appPath(), QStringLiteral("Topaz"));
    expectWholeSkin(window, QColor(0xFF, 0xC8, 0x50));
    loader.ApplySkin(folder.appPath(), QStringLiteral("Sapphire"));
    expectWholeSkin(window, QColor(0x8C, 0xC8, 0xFF));
}

} // namespace
} // namespace kalo
