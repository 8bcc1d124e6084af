// Character files: the writer's output read back field by field, the layout
// real files have, damaged and foreign files refused with the file's name,
// regions, and frame drawing.
#include "acs_sample.h"

#include "agent/acs_compression.h"
#include "agent/acs_file.h"
#include "base/kalo_error.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QRandomGenerator>

#include <array>

using namespace kalo::acs;
using kalo::KaloError;
using namespace kalo::test;

namespace {

quint32 U32At(const QByteArray& b, qsizetype at) {
    return quint32(quint8(b[at])) | quint32(quint8(b[at + 1])) << 8 |
           quint32(quint8(b[at + 2])) << 16 | quint32(quint8(b[at + 3])) << 24;
}

void PutU32(QByteArray& b, qsizetype at, quint32 v) {
    for (int i = 0; i < 4; ++i)
        b[at + i] = char(quint8(v >> (8 * i)));
}

QString ParseError(const QByteArray& bytes, const QString& name = QStringLiteral("x.acs")) {
    try {
        ParseAcs(bytes, name);
    } catch (const KaloError& e) {
        return e.message();
    }
    return {};
}

// Draws every frame (with and without each overlay) and checks that the
// window region covers exactly the opaque pixels.
void ExpectFramesDrawConsistently(const Character& ch) {
    for (const Animation& a : ch.animations)
        for (const Frame& f : a.frames) {
            std::vector<const MouthOverlay*> overlays{nullptr};
            for (const MouthOverlay& o : f.overlays)
                overlays.push_back(&o);
            for (const MouthOverlay* o : overlays) {
                const QImage picture = ComposeFrame(ch, f, o);
                ASSERT_EQ(picture.size(), QSize(ch.width, ch.height));
                const QRegion region = FrameRegion(ch, f, o);
                for (int y = 0; y < ch.height; ++y)
                    for (int x = 0; x < ch.width; ++x)
                        ASSERT_EQ(region.contains(QPoint(x, y)), qAlpha(picture.pixel(x, y)) != 0)
                            << a.name.toStdString() << " at " << x << "," << y;
            }
        }
}

const Character& Sample() {
    static const Character ch = SampleCharacter();
    return ch;
}

const QByteArray& SampleBytes() {
    static const QByteArray bytes = WriteAcs(Sample());
    return bytes;
}

} // namespace

TEST(AcsFile, WriterOutputReadsBackFieldByField) {
    const Character& in = Sample();
    const Character out = ParseAcs(SampleBytes(), QStringLiteral("sample.acs"));

    EXPECT_EQ(out.guid, in.guid);
    EXPECT_EQ(out.width, 32);
    EXPECT_EQ(out.height, 24);
    EXPECT_EQ(out.transparentIndex, in.transparentIndex);
    EXPECT_EQ(out.flags, in.flags);
    EXPECT_EQ(out.versionMajor, 2);
    EXPECT_EQ(out.versionMinor, 1);
    EXPECT_EQ(out.palette, in.palette);
    EXPECT_TRUE(out.VoiceEnabled());
    EXPECT_TRUE(out.BalloonEnabled());
    EXPECT_TRUE(out.BalloonAutoHideDisabled());

    ASSERT_TRUE(out.voice);
    EXPECT_EQ(out.voice->ttsEngine, in.voice->ttsEngine);
    EXPECT_EQ(out.voice->ttsMode, in.voice->ttsMode);
    EXPECT_EQ(out.voice->speed, 150u);
    EXPECT_EQ(out.voice->pitch, 120);
    EXPECT_TRUE(out.voice->hasExtra);
    EXPECT_EQ(out.voice->languageId, 0x409);
    EXPECT_EQ(out.voice->dialect, QStringLiteral("US"));
    EXPECT_EQ(out.voice->gender, 2);
    EXPECT_EQ(out.voice->age, 30);
    EXPECT_EQ(out.voice->style, in.voice->style);

    ASSERT_TRUE(out.balloon);
    EXPECT_EQ(out.balloon->lines, 3);
    EXPECT_EQ(out.balloon->charsPerLine, 28);
    EXPECT_EQ(out.balloon->text, QColor(1, 2, 3));
    EXPECT_EQ(out.balloon->background, QColor(0xFF, 0xFF, 0xE1));
    EXPECT_EQ(out.balloon->border, QColor(0, 0, 0x80));
    EXPECT_EQ(out.balloon->fontName, QStringLiteral("Arial"));
    EXPECT_EQ(out.balloon->fontHeight, -13);
    EXPECT_EQ(out.balloon->fontWeight, 700);
    EXPECT_TRUE(out.balloon->italic);
    EXPECT_EQ(out.balloon->unknown, 1);

    ASSERT_TRUE(out.trayIcon);
    ASSERT_EQ(out.trayIcon->size(), QSize(16, 16));
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x)
            EXPECT_EQ(out.trayIcon->pixel(x, y), in.trayIcon->pixel(x, y)) << x << "," << y;
    EXPECT_EQ(qAlpha(out.trayIcon->pixel(0, 15)), 0);

    ASSERT_EQ(out.states.size(), in.states.size());
    for (size_t i = 0; i < in.states.size(); ++i) {
        EXPECT_EQ(out.states[i].name, in.states[i].name);
        EXPECT_EQ(out.states[i].animations, in.states[i].animations);
    }
    ASSERT_EQ(out.localized.size(), 2u);
    EXPECT_EQ(out.localized[1].languageId, 0x407);
    EXPECT_EQ(out.localized[1].name, QStringLiteral("Muster"));
    EXPECT_EQ(out.localized[1].description, QStringLiteral("Zum Testen"));
    EXPECT_EQ(out.localized[1].extra, QStringLiteral("x"));
    EXPECT_TRUE(out.localized[0].extra.isEmpty());

    ASSERT_EQ(out.animations.size(), in.animations.size());
    for (size_t a = 0; a < in.animations.size(); ++a) {
        const Animation& x = in.animations[a];
        const Animation& y = out.animations[a];
        EXPECT_EQ(y.name, x.name); // the list's mixed case, not the block's upper case
        EXPECT_EQ(y.transition, x.transition);
        EXPECT_EQ(y.returnAnimation, x.returnAnimation);
        ASSERT_EQ(y.frames.size(), x.frames.size());
        for (size_t f = 0; f < x.frames.size(); ++f) {
            const Frame& p = x.frames[f];
            const Frame& q = y.frames[f];
            ASSERT_EQ(q.images.size(), p.images.size());
            for (size_t i = 0; i < p.images.size(); ++i) {
                EXPECT_EQ(q.images[i].imageIndex, p.images[i].imageIndex);
                EXPECT_EQ(q.images[i].x, p.images[i].x);
                EXPECT_EQ(q.images[i].y, p.images[i].y);
            }
            EXPECT_EQ(q.sound, p.sound);
            EXPECT_EQ(q.duration, p.duration);
            EXPECT_EQ(q.exitFrame, p.exitFrame);
            ASSERT_EQ(q.branches.size(), p.branches.size());
            for (size_t i = 0; i < p.branches.size(); ++i) {
                EXPECT_EQ(q.branches[i].frame, p.branches[i].frame);
                EXPECT_EQ(q.branches[i].percent, p.branches[i].percent);
            }
            ASSERT_EQ(q.overlays.size(), p.overlays.size());
            for (size_t i = 0; i < p.overlays.size(); ++i) {
                const MouthOverlay& m = p.overlays[i];
                const MouthOverlay& n = q.overlays[i];
                EXPECT_EQ(n.shape, m.shape);
                EXPECT_EQ(n.replace, m.replace);
                EXPECT_EQ(n.imageIndex, m.imageIndex);
                EXPECT_EQ(n.x, m.x);
                EXPECT_EQ(n.y, m.y);
                EXPECT_EQ(n.unknown, m.unknown);
                EXPECT_EQ(n.regionData, m.regionData);
                EXPECT_EQ(n.centerX, m.centerX);
                EXPECT_EQ(n.centerY, m.centerY);
            }
        }
    }

    ASSERT_EQ(out.images.size(), in.images.size());
    for (size_t i = 0; i < in.images.size(); ++i) {
        EXPECT_EQ(out.images[i].width, in.images[i].width);
        EXPECT_EQ(out.images[i].height, in.images[i].height);
        EXPECT_EQ(out.images[i].pixels, in.images[i].pixels) << i;
        EXPECT_EQ(out.images[i].region, in.images[i].region) << i;
    }
    ASSERT_EQ(out.sounds.size(), 2u);
    EXPECT_EQ(out.sounds[0].wav, in.sounds[0].wav);
    EXPECT_EQ(out.sounds[1].wav, in.sounds[1].wav);

    // Written again, the file comes out the same.
    EXPECT_EQ(WriteAcs(out), SampleBytes());
}

TEST(AcsFile, WriterUsesTheLayoutOfRealFiles) {
    const QByteArray& b = SampleBytes();
    EXPECT_EQ(b.left(4), QByteArray::fromHex("C3ABCDAB"));
    const quint32 infoAt = U32At(b, 4), animListAt = U32At(b, 12), imageListAt = U32At(b, 20),
                  audioListAt = U32At(b, 28);
    // Blocks, then the three lists in order, then the character info to the end.
    EXPECT_LT(animListAt, imageListAt);
    EXPECT_LT(imageListAt, audioListAt);
    EXPECT_LT(audioListAt, infoAt);
    EXPECT_EQ(infoAt + U32At(b, 8), quint32(b.size()));
    EXPECT_EQ(animListAt + U32At(b, 16), imageListAt);
    // The first animation block follows the header and names it in upper case.
    const quint32 firstAnimation = U32At(b, animListAt + 4 + 4 + 4 * 2 + 2);
    EXPECT_EQ(firstAnimation, 36u);
    EXPECT_EQ(U32At(b, 36), 4u);
    EXPECT_EQ(b.mid(40, 8), QByteArray("S\0H\0O\0W\0", 8));
    // Image entries carry the CRC-32 of their block; blocks are compressed.
    const quint32 imageAt = U32At(b, imageListAt + 4);
    const quint32 imageSize = U32At(b, imageListAt + 8);
    EXPECT_EQ(U32At(b, imageListAt + 12), Crc32(b.mid(imageAt, imageSize)));
    EXPECT_EQ(quint8(b[imageAt]), 1);
    EXPECT_EQ(quint8(b[imageAt + 5]), 1);
    EXPECT_EQ(Crc32("123456789"), 0xCBF43926u);
    // The localized information lies inside the character block, at its end.
    const quint32 localizedAt = U32At(b, infoAt + 4);
    EXPECT_GT(localizedAt, infoAt);
    EXPECT_EQ(localizedAt + U32At(b, infoAt + 8), quint32(b.size()));
}

TEST(AcsFile, OptionalPartsFollowTheModel) {
    Character ch = SampleCharacter(false);
    ch.voice.reset();
    ch.balloon.reset();
    ch.trayIcon.reset();
    ch.flags = kVoiceEnabled | kBalloonEnabled | kBalloonSizeToText; // stale bits
    const Character out = ParseAcs(WriteAcs(ch), QStringLiteral("plain.acs"));
    EXPECT_FALSE(out.voice);
    EXPECT_FALSE(out.balloon);
    EXPECT_FALSE(out.trayIcon);
    EXPECT_TRUE(out.sounds.empty());
    EXPECT_EQ(out.flags, quint32(kBalloonSizeToText));
    EXPECT_FALSE(out.VoiceEnabled());
}

TEST(AcsFile, LooksUpNamesWithoutRegardToCase) {
    const Character& ch = Sample();
    ASSERT_NE(ch.FindAnimation(u"rEsTpOsE"), nullptr);
    EXPECT_EQ(ch.FindAnimation(u"restpose")->name, QStringLiteral("RestPose"));
    EXPECT_EQ(ch.FindAnimation(u"Read"), nullptr);
    EXPECT_EQ(ch.StateAnimations(u"idlingLevel1"),
              QStringList({QStringLiteral("RestPose"), QStringLiteral("Wave")}));
    EXPECT_TRUE(ch.StateAnimations(u"Moving").isEmpty());
    EXPECT_EQ(ch.FindLocalized(0x407)->name, QStringLiteral("Muster"));
    EXPECT_EQ(ch.FindLocalized(9)->name, QStringLiteral("Sample"));     // primary language
    EXPECT_EQ(ch.FindLocalized(0x807)->name, QStringLiteral("Muster")); // Swiss German
    EXPECT_EQ(ch.FindLocalized(0x411)->name, QStringLiteral("Sample")); // none: the first
    EXPECT_EQ(Character().FindLocalized(9), nullptr);
}

TEST(AcsFile, RefusesForeignFilesByName) {
    QByteArray compound = QByteArray::fromHex("D0CF11E0A1B11AE1") + QByteArray(600, '\0');
    QString m = ParseError(compound, QStringLiteral("old.acs"));
    EXPECT_TRUE(m.contains("\"old.acs\"")) << m.toStdString();
    EXPECT_TRUE(m.contains("Agent 1.5")) << m.toStdString();
    m = ParseError("Just some text, long enough to look like a file.", QStringLiteral("t.acs"));
    EXPECT_TRUE(m.contains("\"t.acs\" is not an Agent character file")) << m.toStdString();
    EXPECT_TRUE(ParseError({}, QStringLiteral("e.acs")).contains("\"e.acs\" is empty"));
    EXPECT_TRUE(ParseError(QByteArray::fromHex("C3ABCDAB0000")).contains("ends too early"));
}

TEST(AcsFile, RefusesDamagedStructuresWithAClearReason) {
    const QByteArray& good = SampleBytes();
    const quint32 animListAt = U32At(good, 12), imageListAt = U32At(good, 20);

    QByteArray b = good;
    PutU32(b, 20, quint32(good.size()) - 4); // image list runs past the end
    EXPECT_TRUE(ParseError(b).contains("the image list lies outside the file"));

    b = good;
    PutU32(b, animListAt, 0xFFFFFFFFu); // an absurd count allocates nothing
    EXPECT_TRUE(ParseError(b).contains("claims 4294967295 animations"))
        << ParseError(b).toStdString();

    b = good;
    PutU32(b, animListAt + 4, 0x7FFFFFFF); // a name longer than the list
    EXPECT_TRUE(ParseError(b).contains("a text is longer than its block"));

    // The first frame of Show uses image 99: after "SHOW", transition, empty
    // return name, frame count and image count.
    b = good;
    PutU32(b, 36 + 14 + 1 + 4 + 2 + 2, 99);
    EXPECT_TRUE(ParseError(b).contains("frame 0 of the animation \"Show\" uses image 99 of 6"))
        << ParseError(b).toStdString();

    // An image claiming 65535 x 65535 pixels is refused before decoding.
    b = good;
    const quint32 imageAt = U32At(good, imageListAt + 4);
    b[imageAt + 1] = b[imageAt + 2] = b[imageAt + 3] = b[imageAt + 4] = char(0xFF);
    EXPECT_TRUE(ParseError(b).contains("more than 256 MB")) << ParseError(b).toStdString();

    // Damaged pixel data names the image and the fault.
    b = good;
    b[imageAt + 10] = 1; // the stream's leading zero byte
    EXPECT_TRUE(ParseError(b).contains("image 0: its pixels: the compressed data does not start"))
        << ParseError(b).toStdString();
}

TEST(AcsFile, TinyImageSlotsAreEmptyImages) {
    QByteArray b = SampleBytes();
    const quint32 imageListAt = U32At(b, 20);
    PutU32(b, imageListAt + 4 + 4 * 12 + 4, 2); // image 4's size: 2 bytes
    const Character ch = ParseAcs(b, QStringLiteral("slots.acs"));
    EXPECT_EQ(ch.images[4].width, 0);
    EXPECT_TRUE(ch.images[4].pixels.isEmpty());
    EXPECT_TRUE(ImageToQImage(ch, ch.images[4]).isNull());
    ExpectFramesDrawConsistently(ch);
}

TEST(AcsFile, EveryTruncationIsRefusedWithTheFileName) {
    const QByteArray& good = SampleBytes();
    for (qsizetype n = 0; n < good.size(); ++n) {
        const QString m = ParseError(good.left(n), QStringLiteral("cut.acs"));
        ASSERT_TRUE(m.contains("\"cut.acs\"")) << "cut at " << n << ": " << m.toStdString();
    }
}

TEST(AcsFile, DamagedBytesAreRefusedOrReadSafely) {
    // Every byte flipped in turn, then random damage: each copy is refused
    // with the file's name or read into a character that draws without fault.
    const QByteArray& good = SampleBytes();
    int refused = 0, read = 0;
    auto attempt = [&](const QByteArray& b) {
        try {
            const Character ch = ParseAcs(b, QStringLiteral("bad.acs"));
            ++read;
            for (const Animation& a : ch.animations)
                for (const Frame& f : a.frames) {
                    (void)ComposeFrame(ch, f, f.overlays.empty() ? nullptr : &f.overlays.back());
                    (void)FrameRegion(ch, f);
                }
        } catch (const KaloError& e) {
            ++refused;
            ASSERT_TRUE(e.message().contains("\"bad.acs\"")) << e.message().toStdString();
        }
    };
    for (qsizetype i = 0; i < good.size(); ++i) {
        QByteArray b = good;
        b[i] = char(b[i] ^ 0xFF);
        attempt(b);
    }
    QRandomGenerator random(42);
    for (int round = 0; round < 300; ++round) {
        QByteArray b = good;
        for (int k = 0; k < 1 + round % 8; ++k)
            b[random.bounded(int(b.size()))] = char(random.bounded(256));
        attempt(b);
    }
    EXPECT_GT(refused, 100);
    EXPECT_GT(read, 100); // flips inside pixels and sounds still read
}

TEST(AcsFile, ReadAcsFileNamesMissingAndOversizedFiles) {
    ScratchAppFolder dir;
    dir.write(QStringLiteral("ok.acs"), SampleBytes());
    EXPECT_EQ(ReadAcsFile(dir.file(QStringLiteral("ok.acs"))).animations.size(), 5u);
    try {
        ReadAcsFile(dir.file(QStringLiteral("none.acs")));
        ADD_FAILURE();
    } catch (const KaloError& e) {
        EXPECT_TRUE(e.message().contains("none.acs\" cannot be opened"))
            << e.message().toStdString();
    }
    QFile big(dir.file(QStringLiteral("big.acs")));
    ASSERT_TRUE(big.open(QIODevice::WriteOnly));
    ASSERT_TRUE(big.resize(kMaxAcsFileSize + 1)); // sparse: no real space used
    big.close();
    try {
        ReadAcsFile(big.fileName());
        ADD_FAILURE();
    } catch (const KaloError& e) {
        EXPECT_TRUE(e.message().contains("big.acs\" is too large")) << e.message().toStdString();
    }
}

// A FIFO named like a character, in the characters folder or anywhere, must
// not block the reader; nor may a device such as /dev/zero be read.
TEST(AcsFile, ReadAcsFileReadsOnlyRegularFiles) {
    ScratchAppFolder dir;
    const TestFifo fifo(dir.file(QStringLiteral("fifo.acs")));
    ASSERT_TRUE(QFile::link(QStringLiteral("/dev/zero"), dir.file(QStringLiteral("zero.acs"))));
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("folder.acs")));
    for (const char* name : {"fifo.acs", "zero.acs", "folder.acs"}) {
        QString message;
        ASSERT_TRUE(returnsWithin(
            5000,
            [&] {
                try {
                    ReadAcsFile(dir.file(QLatin1String(name)));
                } catch (const KaloError& e) {
                    message = e.message();
                }
            },
            fifo))
            << name;
        EXPECT_TRUE(message.contains(QStringLiteral("%1\" cannot be opened: it is").arg(name)))
            << message.toStdString();
    }
}

TEST(AcsFile, RegionsAreBandedTheWindowsWay) {
    // Rows:  ..XX..X / ..XX..X / XXXXXXX / ....... / X......
    const char* rows[] = {"..XX..X", "..XX..X", "XXXXXXX", ".......", "X......"};
    QByteArray pixels;
    for (const char* r : rows)
        for (const char* c = r; *c; ++c)
            pixels += *c == 'X' ? char(3) : char(0);
    const std::vector<QRect> expected{QRect(2, 0, 2, 2), QRect(6, 0, 1, 2), QRect(0, 2, 7, 1),
                                      QRect(0, 4, 1, 1)};
    EXPECT_EQ(RegionFromPixels(pixels, 7, 5, 0), expected);
    EXPECT_TRUE(RegionFromPixels(QByteArray(12, '\0'), 4, 3, 0).empty());
    // Another transparent index turns the picture inside out.
    EXPECT_EQ(RegionFromPixels(pixels, 7, 5, 3).front(), QRect(0, 0, 2, 2));

    // Stored in the file as RGNDATA with exclusive right and bottom edges;
    // an all-transparent image has the bound 0,0,0,0.
    const QByteArray& b = SampleBytes();
    const quint32 imageListAt = U32At(b, 20);
    auto regionOf = [&](int image) {
        const quint32 at = U32At(b, imageListAt + 4 + 12 * image);
        const quint32 pixelBytes = U32At(b, at + 6);
        const qsizetype r = at + 10 + pixelBytes;
        return Decompress(b.mid(r + 8, U32At(b, r)), U32At(b, r + 4));
    };
    const QByteArray eyelid = regionOf(1);
    EXPECT_EQ(U32At(eyelid, 0), 32u);
    EXPECT_EQ(U32At(eyelid, 8), 1u);
    EXPECT_EQ(eyelid.mid(16, 16), eyelid.mid(32, 16)); // bound = the one rectangle
    EXPECT_EQ(U32At(eyelid, 32 + 8), 6u);              // right
    EXPECT_EQ(U32At(eyelid, 32 + 12), 2u);             // bottom
    const QByteArray empty = regionOf(4);
    EXPECT_EQ(U32At(empty, 8), 0u);
    EXPECT_EQ(empty.mid(16, 16), QByteArray(16, '\0'));
}

TEST(AcsFile, ImagesUseTheTransparentIndexNotItsColour) {
    const Character& ch = Sample();
    const QImage body = ImageToQImage(ch, ch.images[0]);
    ASSERT_EQ(body.format(), QImage::Format_ARGB32);
    EXPECT_EQ(body.pixel(0, 0), 0xFFFF00FFu); // the key's twin: opaque magenta
    EXPECT_EQ(qAlpha(body.pixel(19, 15)), 0);
    EXPECT_EQ(qAlpha(body.pixel(9, 7)), 0);
    EXPECT_EQ(body.pixel(1, 1), 0xFF00FF00u);
}

TEST(AcsFile, FramesStackFirstListedOnTop) {
    const Character& ch = Sample();
    const Frame& f = ch.FindAnimation(u"Show")->frames[0];
    QImage p = ComposeFrame(ch, f);
    EXPECT_EQ(p.pixel(7, 5), 0xFFFF0000u);  // eyelid over the body
    EXPECT_EQ(p.pixel(6, 4), 0xFFFF00FFu);  // the body's twin pixel
    EXPECT_EQ(p.pixel(10, 9), 0xFF00FF00u); // body
    EXPECT_EQ(qAlpha(p.pixel(15, 11)), 0);  // the hole in the body
    EXPECT_EQ(qAlpha(p.pixel(0, 0)), 0);    // outside every image
    EXPECT_EQ(qAlpha(p.pixel(25, 19)), 0);  // the body's transparent corner

    Frame reversed = f;
    std::swap(reversed.images[0], reversed.images[1]);
    EXPECT_EQ(ComposeFrame(ch, reversed).pixel(7, 5), 0xFF00FF00u);

    // The arm reaches past the right edge and is clipped.
    p = ComposeFrame(ch, ch.FindAnimation(u"wave")->frames[1]);
    EXPECT_EQ(p.pixel(31, 3), 0xFFFF0000u);
    EXPECT_EQ(qAlpha(p.pixel(26, 2)), 0);

    // Mouth overlays: drawn on top; a replacing one takes the top image's place.
    const Frame& rest = ch.FindAnimation(u"RestPose")->frames[0];
    p = ComposeFrame(ch, rest, &rest.overlays[1]);
    EXPECT_EQ(p.pixel(15, 14), 0xFFFFFFFFu);
    EXPECT_EQ(p.pixel(7, 5), 0xFFFF0000u);
    p = ComposeFrame(ch, rest, &rest.overlays[2]);
    EXPECT_EQ(p.pixel(2, 2), 0xFFFFFFFFu);
    EXPECT_EQ(p.pixel(7, 5), 0xFF00FF00u);

    // An end marker frame draws nothing; missing images are skipped.
    EXPECT_EQ(ComposeFrame(ch, ch.FindAnimation(u"show")->frames[2]).pixel(10, 10), 0u);
    Frame broken;
    broken.images.push_back({77, 0, 0});
    EXPECT_EQ(ComposeFrame(ch, broken).size(), QSize(32, 24));
    EXPECT_TRUE(FrameRegion(ch, broken).isEmpty());

    ExpectFramesDrawConsistently(ch);
}

TEST(AcsFile, WriterRefusesModelsTheReaderWould) {
    Character ch = SampleCharacter(false);
    ch.animations[0].frames[0].images[0].imageIndex = 6;
    EXPECT_THROW(WriteAcs(ch), KaloError);
    ch = SampleCharacter(false);
    ch.animations[2].frames[2].branches[0].frame = 4;
    EXPECT_THROW(WriteAcs(ch), KaloError);
    ch = SampleCharacter(false);
    ch.animations[0].frames[0].sound = 0; // no sounds
    EXPECT_THROW(WriteAcs(ch), KaloError);
    ch = SampleCharacter(false);
    ch.images[0].pixels.chop(1);
    EXPECT_THROW(WriteAcs(ch), KaloError);
    EXPECT_THROW(MakeImage(2, 2, QByteArray(3, '\0'), 0), KaloError);
}

TEST(AcsFile, FuzzSeedsAreCharactersTheReaderAccepts) {
    // The fuzzer's seeds were written by WriteAcs; they must stay readable.
    const QString seeds = QStringLiteral(KALO_ACS_SEEDS "/");
    EXPECT_EQ(ReadAcsFile(seeds + "tiny.acs").animations.size(), 1u);
    EXPECT_EQ(ReadAcsFile(seeds + "sample_silent.acs").images.size(), 6u);
    const Character sample = ReadAcsFile(seeds + "sample.acs");
    EXPECT_EQ(sample.sounds.size(), 2u);
    ExpectFramesDrawConsistently(sample);
    EXPECT_THROW(ReadAcsFile(seeds + "compound.acs"), KaloError);
}

namespace {

// An image block written by hand: 6 x 2 red pixels and the given region
// rectangles (left, top, right, bottom), the region stored raw or compressed.
QByteArray HandImageBlock(const std::vector<std::array<qint32, 4>>& rects, bool compressRegion) {
    QByteArray region;
    auto i32 = [&](qint32 v) {
        for (int i = 0; i < 4; ++i)
            region += char(quint8(quint32(v) >> (8 * i)));
    };
    i32(32);
    i32(1);
    i32(qint32(rects.size()));
    i32(0);
    for (int i = 0; i < 4; ++i)
        i32(0);
    for (const auto& r : rects)
        for (qint32 v : r)
            i32(v);
    const QByteArray pixels = Compress(QByteArray(8 * 2, char(kRed)), 8);
    QByteArray b;
    auto u32 = [&](quint32 v) {
        for (int i = 0; i < 4; ++i)
            b += char(quint8(v >> (8 * i)));
    };
    b += char(1);
    b += QByteArray::fromHex("06000200");
    b += char(1);
    u32(quint32(pixels.size()));
    b += pixels;
    const QByteArray stored = compressRegion ? Compress(region) : region;
    u32(compressRegion ? quint32(stored.size()) : 0);
    u32(quint32(region.size()));
    return b + stored;
}

// The sample with image 1 replaced by a block appended to the file.
Character WithImageOne(const QByteArray& block) {
    QByteArray b = SampleBytes();
    const quint32 imageListAt = U32At(b, 20);
    PutU32(b, imageListAt + 4 + 12, quint32(b.size()));
    PutU32(b, imageListAt + 4 + 12 + 4, quint32(block.size()));
    return ParseAcs(b + block, QStringLiteral("hand.acs"));
}

} // namespace

TEST(AcsFile, StoredRegionsAreReadClippedAndRebuiltWhenNotBanded) {
    // Raw and compressed regions are read as stored, rectangles clipped to the image.
    EXPECT_EQ(WithImageOne(HandImageBlock({{0, 0, 3, 1}, {1, 1, 9, 5}}, false)).images[1].region,
              (std::vector<QRect>{QRect(0, 0, 3, 1), QRect(1, 1, 5, 1)}));
    EXPECT_EQ(WithImageOne(HandImageBlock({{0, 0, 6, 2}}, true)).images[1].region,
              (std::vector<QRect>{QRect(0, 0, 6, 2)}));
    // Out of order or overlapping: rebuilt from the pixels.
    const std::vector<QRect> whole{QRect(0, 0, 6, 2)};
    EXPECT_EQ(WithImageOne(HandImageBlock({{0, 1, 6, 2}, {0, 0, 6, 1}}, true)).images[1].region,
              whole);
    EXPECT_EQ(WithImageOne(HandImageBlock({{0, 0, 4, 2}, {2, 0, 6, 2}}, false)).images[1].region,
              whole);
    // A rectangle count beyond the bytes is refused.
    QByteArray block = HandImageBlock({{0, 0, 6, 2}}, false);
    PutU32(block, block.size() - 48 + 8, 1000); // the region's rectangle count
    try {
        WithImageOne(block);
        ADD_FAILURE();
    } catch (const KaloError& e) {
        EXPECT_TRUE(e.message().contains("image 1: its region claims 1000 rectangles"))
            << e.message().toStdString();
    }
}

TEST(AcsFile, ListsPointingAtOneBlockOverAndOverAreRefused) {
    // A large animation, then a new animation list naming its block twenty times.
    Character ch = SampleCharacter(false);
    ch.animations[0].frames.resize(60000);
    QByteArray b = WriteAcs(ch);
    const QByteArray firstEntry = b.mid(U32At(b, 12) + 4, 14 + 8); // "Show" and its locator
    QByteArray list(4, '\0');
    PutU32(list, 0, 20);
    for (int i = 0; i < 20; ++i)
        list += firstEntry;
    PutU32(b, 12, quint32(b.size()));
    PutU32(b, 16, quint32(list.size()));
    EXPECT_TRUE(ParseError(b + list).contains("reads the same animations over and over"))
        << ParseError(b + list).toStdString();
    // Twice is still read.
    PutU32(list, 0, 2);
    list.truncate(4 + 2 * firstEntry.size());
    PutU32(b, 16, quint32(list.size()));
    EXPECT_EQ(ParseAcs(b + list, QStringLiteral("twice.acs")).animations.size(), 2u);

    // A 1 MB sound named by three hundred entries of a new sound list.
    b = SampleBytes();
    const quint32 soundAt = quint32(b.size());
    b += QByteArray(1024 * 1024, 's');
    QByteArray sounds(4, '\0');
    PutU32(sounds, 0, 300);
    for (int i = 0; i < 300; ++i) {
        QByteArray entry(12, '\0');
        PutU32(entry, 0, soundAt);
        PutU32(entry, 4, 1024 * 1024);
        sounds += entry;
    }
    PutU32(b, 28, quint32(b.size()));
    PutU32(b, 32, quint32(sounds.size()));
    EXPECT_TRUE(ParseError(b + sounds).contains("would take more than 256 MB"))
        << ParseError(b + sounds).toStdString();
}

namespace {

// What a parsed character holds in memory, counted from the outside: pixels,
// region rectangles, frames with their parts, sounds.
qsizetype HeldBytes(const Character& ch) {
    qsizetype held = 0;
    for (const Image& img : ch.images)
        held += img.pixels.size() + qsizetype(img.region.size() * sizeof(QRect));
    for (const Animation& a : ch.animations)
        for (const Frame& f : a.frames)
            held += qsizetype(sizeof(Frame) + f.images.size() * sizeof(FrameImage) +
                              f.branches.size() * sizeof(Branch) +
                              f.overlays.size() * sizeof(MouthOverlay));
    for (const Sound& s : ch.sounds)
        held += s.wav.size();
    return held;
}

// Parses with a small budget: either refused for it, or within it.
void ExpectWithinBudget(const QByteArray& bytes, qsizetype budget) {
    try {
        const Character ch = ParseAcs(bytes, QStringLiteral("b.acs"), budget);
        EXPECT_LE(HeldBytes(ch), budget);
    } catch (const KaloError& e) {
        EXPECT_TRUE(e.message().contains(
            QStringLiteral("would take more than %1 MB").arg(budget / (1024 * 1024))))
            << e.message().toStdString();
    }
}

} // namespace

// A checkerboard compresses to almost nothing, but its region has a
// rectangle for every other pixel: what is computed from the file counts
// against the budget like what is unpacked from it.
TEST(AcsFile, RegionsComputedFromPixelsCountAgainstTheBudget) {
    constexpr int side = 512;
    QByteArray bottomUp(side * side, '\0');
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x)
            bottomUp[y * side + x] = char((x + y) % 2 ? kRed : kKey);
    const QByteArray pixels = Compress(bottomUp, 2); // runs two pixels back
    ASSERT_LT(pixels.size(), 4096);
    // An image block with no region stored: its region comes from the pixels.
    QByteArray block;
    block += char(1);
    block += char(side & 0xFF);
    block += char(side >> 8);
    block += char(side & 0xFF);
    block += char(side >> 8);
    block += char(1);
    QByteArray size(4, '\0');
    PutU32(size, 0, quint32(pixels.size()));
    block += size + pixels;

    // One image list of eight entries, all naming that block.
    QByteArray b = SampleBytes();
    const quint32 blockAt = quint32(b.size());
    b += block;
    QByteArray list(4, '\0');
    PutU32(list, 0, 8);
    for (int i = 0; i < 8; ++i) {
        QByteArray entry(12, '\0');
        PutU32(entry, 0, blockAt);
        PutU32(entry, 4, quint32(block.size()));
        list += entry;
    }
    PutU32(b, 20, quint32(b.size()));
    PutU32(b, 24, quint32(list.size()));
    b += list;
    // 8 x (256 kB of pixels + 2 MB of rectangles) against 16 MB.
    ExpectWithinBudget(b, 16 * 1024 * 1024);
    // The whole file under a budget it fits in is read.
    EXPECT_EQ(ParseAcs(b, QStringLiteral("b.acs"), 64 * 1024 * 1024).images[7].region.size(),
              size_t(side * side / 2));
}

// Parsed frames take several times the bytes they are read from, and an
// animation list may name one block many times.
TEST(AcsFile, ParsedFramesCountAgainstTheBudget) {
    Character ch = SampleCharacter(false);
    ch.animations[0].frames.resize(6000);
    QByteArray b = WriteAcs(ch);
    const QByteArray firstEntry = b.mid(U32At(b, 12) + 4, 14 + 8); // "Show" and its locator
    QByteArray list(4, '\0');
    PutU32(list, 0, 20);
    for (int i = 0; i < 20; ++i)
        list += firstEntry;
    PutU32(b, 12, quint32(b.size()));
    PutU32(b, 16, quint32(list.size()));
    // 120000 frames of some 80 bytes each against 4 MB.
    ExpectWithinBudget(b + list, 4 * 1024 * 1024);
    EXPECT_EQ(ParseAcs(b + list, QStringLiteral("b.acs"), 64 * 1024 * 1024).animations.size(), 20u);
}
