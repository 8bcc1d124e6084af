// The sound-device destination through a real sound server (PulseAudio with
// a null sink, as scripts/sound-server starts it): audio reaches the server,
// notifications follow what is heard, the output volume applies.
#include "speech_test_support.h"

#include "speech/audio_destinations.h"
#include "speech/espeak_engine.h"
#include "speech/mspeech.h"
#include "base/output_volume.h"

#include <QAudioDevice>
#include <QMediaDevices>
#include <QRegularExpression>

#include <gtest/gtest.h>

namespace kalo::test {
namespace {

bool soundServerAnswers() {
    return run(QStringLiteral("pactl"), {QStringLiteral("info")}, {}, 5000).exitCode == 0 &&
           !QMediaDevices::audioOutputs().isEmpty();
}

#define REQUIRE_SOUND_SERVER()                                                                     \
    if (!soundServerAnswers())                                                                     \
    GTEST_SKIP() << "no sound server answers (scripts/sound-server start runs one)"

int britishMode() {
    TTSEnum modes({EspeakEngine::Instance()});
    for (size_t i = 0; i < modes.AllModes().size(); ++i)
        if (modes.AllModes()[i].ModeName == u"English (Great Britain) Male - eSpeak NG")
            return int(i);
    return 0;
}

// Records what the null sink plays, as 22050 Hz mono 16-bit samples.
class SinkRecorder {
public:
    SinkRecorder() {
        p_.start(QStringLiteral("parec"),
                 {QStringLiteral("--device=nullsink.monitor"), QStringLiteral("--raw"),
                  QStringLiteral("--format=s16le"), QStringLiteral("--rate=22050"),
                  QStringLiteral("--channels=1"), QStringLiteral("--latency-msec=20")});
        p_.waitForStarted(5000);
        waitFor([] { return false; }, 300); // let the recording settle
        p_.readAllStandardOutput();
    }
    ~SinkRecorder() {
        p_.kill();
        p_.waitForFinished(5000);
    }
    // The loudest sample heard since the last call.
    int peak() {
        const QByteArray b = p_.readAllStandardOutput();
        int peak = 0;
        for (qsizetype i = 0; i + 1 < b.size(); i += 2)
            peak = std::max(peak, std::abs(int(qFromLittleEndian<qint16>(b.constData() + i))));
        return peak;
    }

private:
    QProcess p_;
};

TEST(SoundDevice, PlaysThroughTheServerAndNotificationsFollowTheAudio) {
    REQUIRE_SOUND_SERVER();
    auto device = CreateAudioDevice();
    ASSERT_TRUE(device->HasOutputDevice());
    CentralUnderTest t(EspeakEngine::Instance(), device, britishMode());
    SinkRecorder heard;
    t.speak(QStringLiteral("Every word of this sentence is heard at its own time."));
    ASSERT_TRUE(t.rec->waitFor(QStringLiteral("done")));
    EXPECT_EQ(t.rec->count(QStringLiteral("warning")), 0)
        << t.rec->first(QStringLiteral("warning"))->text.toStdString();
    EXPECT_GT(heard.peak(), 2000) << "nothing reached the sound server";
    const qint64 start = t.rec->first(QStringLiteral("start"))->atMs;
    const qint64 stop = t.rec->first(QStringLiteral("stop"))->atMs;
    const Recorder::Entry* last = t.rec->last(QStringLiteral("word"));
    ASSERT_NE(last, nullptr);
    // Every word is reported when its audio plays, give or take the
    // device's buffering.
    for (const Recorder::Entry& e : t.rec->log)
        if (e.kind == u"word")
            EXPECT_NEAR(double(e.atMs - start), double(e.audioMs), 300.0) << "word at " << e.value;
    EXPECT_GT(last->audioMs, 2000);
    EXPECT_GE(stop - start, last->audioMs);
}

TEST(SoundDevice, PauseSilencesAtOnceAndResumeGoesOn) {
    REQUIRE_SOUND_SERVER();
    CentralUnderTest t(EspeakEngine::Instance(), CreateAudioDevice(), britishMode());
    SinkRecorder heard;
    t.speak(QStringLiteral("One two three four five six seven eight nine ten eleven twelve."));
    ASSERT_TRUE(t.rec->waitFor(QStringLiteral("word"), 2));
    t.central->AudioPause();
    ASSERT_TRUE(t.rec->waitFor(QStringLiteral("stop")));
    waitFor([] { return false; }, 300);
    heard.peak(); // what played up to the pause
    const int words = t.rec->count(QStringLiteral("word"));
    waitFor([] { return false; }, 500);
    EXPECT_LT(heard.peak(), 50) << "audio went on during the pause";
    EXPECT_EQ(t.rec->count(QStringLiteral("word")), words);
    t.central->AudioResume();
    ASSERT_TRUE(t.rec->waitFor(QStringLiteral("done")));
    EXPECT_GT(heard.peak(), 2000);
    EXPECT_EQ(t.rec->count(QStringLiteral("word")), 12);
}

TEST(SoundDevice, OutputVolumeAppliesToTheStream) {
    REQUIRE_SOUND_SERVER();
    CentralUnderTest t(EspeakEngine::Instance(), CreateAudioDevice(), britishMode());
    SinkRecorder heard;
    const uint32_t saved = OutputVolumeWord();
    SetOutputVolumeWord(0);
    t.speak(QStringLiteral("Silent words."));
    const bool silentDone = t.rec->waitFor(QStringLiteral("done"));
    const int silentPeak = heard.peak();
    SetOutputVolumeWord(0xFFFFFFFFu);
    t.speak(QStringLiteral("Loud words."));
    const bool loudDone = t.rec->waitFor(QStringLiteral("done"), 2);
    waitFor([] { return false; }, 200);
    const int loudPeak = heard.peak();
    SetOutputVolumeWord(saved);
    ASSERT_TRUE(silentDone && loudDone);
    EXPECT_LT(silentPeak, 50);
    EXPECT_GT(loudPeak, 2000);
}

TEST(SoundDevice, QuickPausesResumesAndStopsKeepTheNotificationsPairedAndEndTheSound) {
    REQUIRE_SOUND_SERVER();
    TMSpeech speech;
    ASSERT_TRUE(speech.Initialized());
    speech.SelectEngine(QStringLiteral("English (Great Britain) Male - eSpeak NG"));
    ASSERT_TRUE(speech.Selected());
    std::shared_ptr<IAudioMultiMediaDevice> device;
    speech.GetInterface(0, device);
    ASSERT_TRUE(device && device->HasOutputDevice());
    QString order;
    QStringList warnings;
    QObject::connect(&speech, &TMSpeech::OnStart, [&] { order += u'['; });
    QObject::connect(&speech, &TMSpeech::OnStop, [&] { order += u']'; });
    QObject::connect(&speech, &TMSpeech::OnWarning, [&](int, const QString& m) { warnings << m; });
    SinkRecorder heard;
    quint32 seed = 2024;
    auto next = [&](quint32 n) {
        seed = seed * 1103515245u + 12345u;
        return (seed >> 16) % n;
    };
    for (int step = 0; step < 60; ++step) {
        switch (next(5)) {
        case 0:
            speech.SpeakString(QStringLiteral("One two three four five six."));
            break;
        case 1:
            speech.Pause();
            break;
        case 2:
            speech.Resume();
            break;
        case 3:
            speech.Stop();
            break;
        default:
            break;
        }
        waitFor([] { return false; }, int(next(120)));
    }
    speech.Stop();
    waitFor([] { return false; }, 400);
    heard.peak(); // what played up to the stop
    waitFor([] { return false; }, 400);
    EXPECT_LT(heard.peak(), 50) << "sound after the stop";
    static const QRegularExpression alternating(QStringLiteral("^(\\[\\])*$"));
    EXPECT_TRUE(alternating.match(order).hasMatch()) << order.toStdString();
    EXPECT_GT(order.size(), 4);
    EXPECT_TRUE(warnings.isEmpty()) << warnings.join(u"; ").toStdString();
}

} // namespace
} // namespace kalo::test
