// Character sounds decoded from memory: PCM and MS-ADPCM made by libsndfile
// itself, channels mixed down, and bytes that are no sound refused.
#include "acs_sample.h"

#include "agent/acs_file.h"
#include "base/kalo_error.h"

#include <gtest/gtest.h>

#include <sndfile.h>

#include <cmath>

using namespace kalo::acs;
using kalo::KaloError;
using namespace kalo::test;

namespace {

quint16 U16At(const QByteArray& b, qsizetype at) {
    return quint16(quint8(b[at]) | quint8(b[at + 1]) << 8);
}

// A canonical 16-bit PCM WAV file written by hand.
QByteArray PcmWav(int channels, int rate, const std::vector<qint16>& interleaved) {
    QByteArray b;
    auto u32 = [&](quint32 v) {
        for (int i = 0; i < 4; ++i)
            b += char(quint8(v >> (8 * i)));
    };
    auto u16 = [&](quint16 v) {
        b += char(quint8(v));
        b += char(quint8(v >> 8));
    };
    const quint32 data = quint32(interleaved.size() * 2);
    b += "RIFF";
    u32(36 + data);
    b += "WAVEfmt ";
    u32(16);
    u16(1);
    u16(quint16(channels));
    u32(quint32(rate));
    u32(quint32(rate * channels * 2));
    u16(quint16(channels * 2));
    u16(16);
    b += "data";
    u32(data);
    for (qint16 s : interleaved)
        u16(quint16(s));
    return b;
}

} // namespace

TEST(AcsSound, DecodesPcmExactly) {
    const std::vector<qint16> tone = Tone(11025, 2000, 440);
    const DecodedSound d =
        DecodeSound(Sound{MakeWav(SF_FORMAT_WAV | SF_FORMAT_PCM_16, 11025, tone)});
    EXPECT_EQ(d.sampleRate, 11025);
    EXPECT_EQ(d.samples, tone);

    // 8-bit unsigned PCM comes out scaled to 16 bits.
    const DecodedSound u8 =
        DecodeSound(Sound{MakeWav(SF_FORMAT_WAV | SF_FORMAT_PCM_U8, 8000, tone)});
    EXPECT_EQ(u8.sampleRate, 8000);
    ASSERT_EQ(u8.samples.size(), tone.size());
    for (size_t i = 0; i < tone.size(); ++i)
        ASSERT_NEAR(u8.samples[i], tone[i], 256) << i;
}

TEST(AcsSound, DecodesMsAdpcm) {
    const std::vector<qint16> tone = Tone(22050, 4410, 660, 12000);
    const QByteArray wav = MakeWav(SF_FORMAT_WAV | SF_FORMAT_MS_ADPCM, 22050, tone);
    ASSERT_EQ(wav.mid(12, 4), "fmt ");
    ASSERT_EQ(U16At(wav, 20), 2); // really MS-ADPCM
    const DecodedSound d = DecodeSound(Sound{wav});
    EXPECT_EQ(d.sampleRate, 22050);
    ASSERT_GE(d.samples.size(), tone.size());
    EXPECT_LT(d.samples.size(), tone.size() + 2048); // at most one block of padding
    double error = 0, signal = 0;
    for (size_t i = 0; i < tone.size(); ++i) {
        error += std::pow(d.samples[i] - tone[i], 2);
        signal += std::pow(tone[i], 2);
    }
    EXPECT_LT(std::sqrt(error / signal), 0.05); // ADPCM is lossy, but close
}

TEST(AcsSound, MixesChannelsDown) {
    const DecodedSound d = DecodeSound(Sound{PcmWav(2, 16000, {1000, 3000, -400, -800, 7, 9})});
    EXPECT_EQ(d.sampleRate, 16000);
    EXPECT_EQ(d.samples, (std::vector<qint16>{2000, -600, 8}));
}

TEST(AcsSound, RefusesBytesThatAreNoSound) {
    EXPECT_THROW(DecodeSound(Sound{}), KaloError);
    EXPECT_THROW(DecodeSound(Sound{QByteArray("RIFF\x10\0\0\0WAVEjunkjunk", 20)}), KaloError);
    try {
        DecodeSound(Sound{QByteArray(64, 'z')});
        ADD_FAILURE();
    } catch (const KaloError& e) {
        EXPECT_TRUE(e.message().startsWith("A sound of the character cannot be played"));
    }
    // Cut short anywhere, a sound is refused or decodes to fewer samples.
    const QByteArray wav =
        MakeWav(SF_FORMAT_WAV | SF_FORMAT_MS_ADPCM, 11025, Tone(11025, 3000, 300));
    for (qsizetype n = 0; n < wav.size(); n += 7) {
        try {
            EXPECT_LE(DecodeSound(Sound{wav.left(n)}).samples.size(), 3000u + 2048u);
        } catch (const KaloError&) {
        }
    }
}

// A rate far below any real sound's would make the sound enormous when it
// is brought to the playing rate (a 1 Hz second becomes 22050 samples).
TEST(AcsSound, RatesNoSoundHasAreRefused) {
    const std::vector<qint16> samples(4000, 100);
    for (int rate : {1, 100, kMinSoundRate - 1}) {
        try {
            DecodeSound(Sound{PcmWav(1, rate, samples)});
            ADD_FAILURE() << rate;
        } catch (const KaloError& e) {
            EXPECT_TRUE(e.message().contains(QStringLiteral("at %1 Hz").arg(rate)))
                << e.message().toStdString();
        }
    }
    EXPECT_EQ(DecodeSound(Sound{PcmWav(1, kMinSoundRate, samples)}).samples, samples);
    EXPECT_EQ(DecodeSound(Sound{PcmWav(1, kMaxSoundRate, samples)}).sampleRate, kMaxSoundRate);
    EXPECT_THROW(DecodeSound(Sound{PcmWav(1, kMaxSoundRate + 1, samples)}), KaloError);
}

TEST(AcsSound, SoundsOfAWrittenCharacterDecode) {
    const Character ch = ParseAcs(WriteAcs(SampleCharacter()), QStringLiteral("s.acs"));
    ASSERT_EQ(ch.sounds.size(), 2u);
    EXPECT_EQ(DecodeSound(ch.sounds[0]).samples, Tone(11025, 200, 440));
    EXPECT_EQ(DecodeSound(ch.sounds[1]).sampleRate, 22050);
}
