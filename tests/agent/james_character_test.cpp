// James, the default character, as the build writes him.
#include "agent/acs_file.h"

#include "speech/tts_enum.h"

#include <QFile>
#include <QSet>

#include <gtest/gtest.h>

namespace kalo {
namespace {

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

class James : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        james = new acs::Character(acs::ReadAcsFile(QStringLiteral(KALO_JAMES_ACS)));
    }
    static void TearDownTestSuite() {
        delete james;
        james = nullptr;
    }
    static acs::Character* james;
};
acs::Character* James::james = nullptr;

TEST_F(James, TheCommittedFileIsTheOneTheBuildDraws) {
    const QByteArray built = readAll(QStringLiteral(KALO_BUILT_JAMES_ACS));
    ASSERT_FALSE(built.isEmpty());
    // When this fails, the drawing changed: copy build/app/chars/James.acs
    // to data/chars/James.acs and commit it with the change.
    EXPECT_TRUE(built == readAll(QStringLiteral(KALO_JAMES_ACS)));
}

TEST_F(James, FrameSizePaletteAndInfo) {
    const acs::Character& c = *james;
    EXPECT_EQ(c.width, 150);
    EXPECT_EQ(c.height, 187);
    EXPECT_EQ(c.palette.size(), 256);
    ASSERT_NE(c.FindLocalized(0x0409), nullptr);
    EXPECT_EQ(c.FindLocalized(0x0409)->name, "James");
    ASSERT_TRUE(c.balloon.has_value());
    EXPECT_TRUE(c.BalloonEnabled());
    EXPECT_GE(c.balloon->lines, 2);
    EXPECT_LE(c.balloon->lines, 4);
    EXPECT_EQ(c.balloon->fontName, "Arial");
    ASSERT_TRUE(c.voice.has_value());
    EXPECT_TRUE(c.VoiceEnabled());
    EXPECT_EQ(c.voice->gender, 2);
    EXPECT_EQ(c.voice->languageId & 0x3FF, 9);
}

TEST_F(James, HisVoiceIsAnInstalledEnglishMaleMode) {
    TTSEnum modes;
    const TTSModeInfo* found = nullptr;
    for (const TTSModeInfo& m : modes.AllModes())
        if (m.ModeID == james->voice->ttsMode)
            found = &m;
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(found->EngineID, james->voice->ttsEngine);
    EXPECT_TRUE(found->Language.startsWith("en"));
    EXPECT_EQ(found->Gender, GENDER_MALE);
}

TEST_F(James, HasTheAnimationsAndStatesTheProgramUses) {
    const acs::Character& c = *james;
    for (const char* name : {"RestPose", "Show", "Hide", "Blink", "Read", "ReadReturn", "Wave",
                             "Greet", "Explain", "Idle1_1", "Idle1_2", "Idle2_1", "Idle3_1"})
        EXPECT_NE(c.FindAnimation(QString::fromLatin1(name)), nullptr) << name;
    for (const char* state :
         {"SHOWING", "HIDING", "SPEAKING", "IDLINGLEVEL1", "IDLINGLEVEL2", "IDLINGLEVEL3"}) {
        const QStringList names = c.StateAnimations(QString::fromLatin1(state));
        EXPECT_FALSE(names.isEmpty()) << state;
        for (const QString& n : names)
            EXPECT_NE(c.FindAnimation(n), nullptr) << state << " " << n.toStdString();
    }
}

TEST_F(James, FramesBranchesAndExitsPointInsideTheirAnimation) {
    bool looping = false;
    for (const acs::Animation& a : james->animations) {
        SCOPED_TRACE(a.name.toStdString());
        ASSERT_FALSE(a.frames.empty());
        const int count = int(a.frames.size());
        for (const acs::Frame& f : a.frames) {
            EXPECT_TRUE(f.exitFrame == acs::kExitNextFrame || f.exitFrame == acs::kExitEnd ||
                        (f.exitFrame >= 0 && f.exitFrame < count));
            int sum = 0;
            for (const acs::Branch& b : f.branches) {
                EXPECT_LT(b.frame, count);
                sum += b.percent;
                if (&a.frames[b.frame] <= &f)
                    looping = true;
            }
            EXPECT_LE(sum, 100);
            for (const acs::FrameImage& i : f.images)
                EXPECT_LT(i.imageIndex, james->images.size());
            EXPECT_TRUE(f.sound < int(james->sounds.size()));
            // Only a last frame that cannot branch back may take no time
            // (Read's reading pose, so the speech after it starts at once);
            // elsewhere a zero-time frame could spin in a loop.
            if (&f != &a.frames.back() || !f.branches.empty())
                EXPECT_GT(f.duration, 0);
        }
        // Animations that play to their end finish on a picture.
        if (a.name != "Hide")
            EXPECT_FALSE(a.frames.back().images.empty());
    }
    EXPECT_TRUE(looping) << "some idle loops back through a branch";
}

TEST_F(James, ImagesHaveHardEdgesAndTheirRegions) {
    for (const acs::Image& image : james->images) {
        ASSERT_EQ(image.pixels.size(), qsizetype(image.width) * image.height);
        EXPECT_EQ(image.region, acs::RegionFromPixels(image.pixels, image.width, image.height,
                                                      james->transparentIndex));
    }
    // No pale fringe against the background: every opaque pixel next to a
    // transparent one is a dark outline colour.
    const acs::Frame& rest = james->FindAnimation(u"RestPose")->frames.at(0);
    const QImage frame = acs::ComposeFrame(*james, rest);
    int edge = 0;
    for (int y = 1; y < frame.height() - 1; ++y)
        for (int x = 1; x < frame.width() - 1; ++x) {
            if (qAlpha(frame.pixel(x, y)) == 0)
                continue;
            EXPECT_EQ(qAlpha(frame.pixel(x, y)), 255);
            const bool border =
                qAlpha(frame.pixel(x - 1, y)) == 0 || qAlpha(frame.pixel(x + 1, y)) == 0 ||
                qAlpha(frame.pixel(x, y - 1)) == 0 || qAlpha(frame.pixel(x, y + 1)) == 0;
            if (border) {
                ++edge;
                EXPECT_LT(qGray(frame.pixel(x, y)), 150) << x << "," << y;
            }
        }
    EXPECT_GT(edge, 300);
}

TEST_F(James, SpeaksWithSevenDifferentMouthsOnHisRestingPose) {
    for (const char* name : {"RestPose", "Read"}) {
        SCOPED_TRACE(name);
        const acs::Frame& f = james->FindAnimation(QString::fromLatin1(name))->frames.back();
        ASSERT_EQ(f.overlays.size(), 7u);
        QSet<QByteArray> pictures;
        const QImage plain = acs::ComposeFrame(*james, f);
        for (int shape = 0; shape < 7; ++shape) {
            EXPECT_EQ(f.overlays[size_t(shape)].shape, shape);
            const QImage mouth = acs::ComposeFrame(*james, f, &f.overlays[size_t(shape)]);
            EXPECT_NE(mouth, plain);
            pictures.insert(
                QByteArray(reinterpret_cast<const char*>(mouth.constBits()), mouth.sizeInBytes()));
        }
        EXPECT_EQ(pictures.size(), 7);
    }
    const QStringList speaking = james->StateAnimations(u"SPEAKING");
    ASSERT_FALSE(speaking.isEmpty());
    EXPECT_EQ(james->FindAnimation(speaking[0])->frames.back().overlays.size(), 7u);
}

TEST_F(James, SoundsAreShortPcmFiles) {
    ASSERT_FALSE(james->sounds.empty());
    for (const acs::Sound& s : james->sounds) {
        const acs::DecodedSound d = acs::DecodeSound(s);
        EXPECT_EQ(d.sampleRate, 22050);
        EXPECT_GT(d.samples.size(), 1000u);
        EXPECT_LT(d.samples.size(), 22050u);
    }
}

} // namespace
} // namespace kalo
