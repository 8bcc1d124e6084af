// The central and its destinations with a predictable engine: order and
// timing of notifications, marks, pause, resume, reset, and flat memory.
#include "fake_engine.h"
#include "speech_test_support.h"

#include "base/kalo_error.h"
#include "speech/audio_destinations.h"

#include <QElapsedTimer>

#include <gtest/gtest.h>

namespace kalo::test {
namespace {

std::shared_ptr<FakeEngine> fake() {
    return std::make_shared<FakeEngine>();
}

TEST(Pipeline, NotifiesInOrderWithUtf16WordOffsets) {
    auto engine = fake();
    CentralUnderTest t(engine, CreateAudioFile());
    // Emoji take two UTF-16 units, accented letters one.
    const QString text = QStringLiteral("\U0001F600 caf\u00E9  na\u00EFve \U0001F600x end");
    t.speak(text); // no file set: the destination says so, and times the text through
    ASSERT_TRUE(t.rec->waitFor(QStringLiteral("done")));
    const std::vector<qint64> words = t.rec->values(QStringLiteral("word"));
    const std::vector<qint64> expected = {0, 3, 9, 15, 19};
    EXPECT_EQ(words, expected);
    for (qint64 w : words)
        EXPECT_FALSE(text.at(w).isSpace());
    EXPECT_EQ(t.rec->sequence(),
              QStringLiteral("started start word0 error word3 word9 word15 word19 stop done"));
}

TEST(Pipeline, BookmarksComeBeforeTheirWordAndAtTheEnd) {
    auto engine = fake();
    auto file = CreateAudioFile();
    QTemporaryDir dir;
    ASSERT_TRUE(file->Set(dir.filePath(QStringLiteral("m.wav")), 1));
    CentralUnderTest t(engine, file);
    TTSMarkedText m;
    // The marks sit where the character puts them: after each word.
    m.text = QStringLiteral("Hello big. world");
    m.marks = {{5, TTSTextMark::Bookmark, 1},
               {10, TTSTextMark::Bookmark, 2},
               {10, TTSTextMark::Speed, 300}, // splits the synthesis, not the marks
               {16, TTSTextMark::Bookmark, 3}};
    t.speak(m);
    ASSERT_TRUE(t.rec->waitFor(QStringLiteral("done")));
    EXPECT_EQ(t.rec->sequence(),
              QStringLiteral("started start word0 mark1 word6 mark2 word11 mark3 stop done"));
    const auto calls = engine->calls();
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].text, QStringLiteral("Hello big."));
    EXPECT_EQ(calls[1].text, QStringLiteral(" world"));
    EXPECT_EQ(calls[1].params.speed, 300u);

    // An empty text still reaches its only bookmark, and ends.
    TTSMarkedText empty;
    empty.marks = {{0, TTSTextMark::Bookmark, 9}};
    t.speak(empty);
    ASSERT_TRUE(t.rec->waitFor(QStringLiteral("done"), 2));
    EXPECT_TRUE(t.rec->sequence().endsWith(QStringLiteral("done started start mark9 stop done")));
}

TEST(Pipeline, NullDeviceTimesNotificationsToTheAudio) {
    auto engine = fake();
    CentralUnderTest t(engine, CreateAudioDevice(AudioDeviceKind::Null));
    const QString text = QStringLiteral("aaaaa bbbbb ccccc ddddd");
    const qint64 length = engine->lengthOf(text); // 490 ms
    t.speak(text);
    ASSERT_TRUE(t.rec->waitFor(QStringLiteral("stop")));
    const qint64 start = t.rec->first(QStringLiteral("start"))->atMs;
    const qint64 stop = t.rec->first(QStringLiteral("stop"))->atMs;
    EXPECT_GE(stop - start, length - 20);
    EXPECT_LT(stop - start, length + 400);
    // The last word starts 390 ms into the audio.
    const Recorder::Entry* lastWord = t.rec->last(QStringLiteral("word"));
    EXPECT_EQ(lastWord->value, 18);
    EXPECT_GE(lastWord->atMs - start, 390 - 20);
}

TEST(Pipeline, AudioStartsBeforeTheWholeTextIsSynthesised) {
    auto engine = fake();
    engine->holdAfterFirstWord = true; // the rest waits until released
    CentralUnderTest t(engine, CreateAudioDevice(AudioDeviceKind::Null));
    t.speak(QStringLiteral("first second third"));
    EXPECT_TRUE(t.rec->waitFor(QStringLiteral("start"), 1, 3000));
    EXPECT_FALSE(engine->finished);
    engine->release();
    EXPECT_TRUE(t.rec->waitFor(QStringLiteral("stop")));
    EXPECT_EQ(t.rec->values(QStringLiteral("word")).size(), 3u);
}

TEST(Pipeline, PauseHoldsThePositionAndResumeGoesOnFromIt) {
    auto engine = fake();
    CentralUnderTest t(engine, CreateAudioDevice(AudioDeviceKind::Null));
    const QString text = QStringLiteral("aaaaa bbbbb ccccc ddddd eeeee fffff");
    t.speak(text);
    ASSERT_TRUE(waitFor([&] { return t.rec->count(QStringLiteral("word")) >= 2; }));
    t.central->AudioPause();
    ASSERT_TRUE(t.rec->waitFor(QStringLiteral("stop"))); // a pause reports the audio's stop
    const int wordsAtPause = t.rec->count(QStringLiteral("word"));
    QElapsedTimer paused;
    paused.start();
    waitFor([] { return false; }, 400);
    EXPECT_EQ(t.rec->count(QStringLiteral("word")), wordsAtPause);
    EXPECT_EQ(t.rec->count(QStringLiteral("start")), 1);
    t.central->AudioResume();
    ASSERT_TRUE(t.rec->waitFor(QStringLiteral("done")));
    // Every word exactly once, in order: nothing skipped, nothing repeated.
    const std::vector<qint64> expected = {0, 6, 12, 18, 24, 30};
    EXPECT_EQ(t.rec->values(QStringLiteral("word")), expected);
    EXPECT_EQ(t.rec->count(QStringLiteral("start")), 2);
    EXPECT_EQ(t.rec->count(QStringLiteral("stop")), 2);
    // The rest of the audio still took its time after the resume.
    const qint64 resumedAt = t.rec->log[size_t(t.rec->log.size() - 1)].atMs;
    EXPECT_GE(resumedAt - t.rec->first(QStringLiteral("start"))->atMs,
              engine->lengthOf(text) + 400 - 40);
}

TEST(Pipeline, ResetEndsTheNotificationsAtOnce) {
    auto engine = fake();
    CentralUnderTest t(engine, CreateAudioDevice(AudioDeviceKind::Null));
    t.speak(QStringLiteral("aaaaa bbbbb ccccc ddddd eeeee fffff ggggg"));
    t.speak(QStringLiteral("queued text"));
    ASSERT_TRUE(t.rec->waitFor(QStringLiteral("word"), 2));
    t.central->AudioReset();
    ASSERT_TRUE(t.rec->waitFor(QStringLiteral("stop")));
    const size_t after = t.rec->log.size();
    waitFor([] { return false; }, 500);
    EXPECT_EQ(t.rec->log.size(), after) << t.rec->sequence().toStdString();
    EXPECT_EQ(t.rec->count(QStringLiteral("done")), 0);

    // The central goes on with the next text as usual.
    t.speak(QStringLiteral("again"));
    ASSERT_TRUE(t.rec->waitFor(QStringLiteral("done")));
    EXPECT_TRUE(t.rec->sequence().endsWith(QStringLiteral("stop started start word0 stop done")));
}

TEST(Pipeline, QueuedTextsFollowEachOtherAndReportEach) {
    auto engine = fake();
    engine->msPerChar = 2;
    engine->msPerGap = 2;
    CentralUnderTest t(engine, CreateAudioDevice(AudioDeviceKind::Null));
    t.speak(QStringLiteral("one two"));
    t.speak(QStringLiteral("three"));
    ASSERT_TRUE(t.rec->waitFor(QStringLiteral("done"), 2));
    EXPECT_EQ(t.rec->sequence(),
              QStringLiteral("started start word0 word4 stop done started start word0 stop done"));
}

TEST(Pipeline, EngineFailureIsReportedInItsPlaceAndTheTextEnds) {
    auto engine = fake();
    engine->failSynthesis = QStringLiteral("engine broke");
    CentralUnderTest t(engine, CreateAudioDevice(AudioDeviceKind::Null));
    t.speak(QStringLiteral("anything"));
    ASSERT_TRUE(t.rec->waitFor(QStringLiteral("done")));
    EXPECT_EQ(t.rec->sequence(), QStringLiteral("started start error stop done"));
    EXPECT_EQ(t.rec->first(QStringLiteral("error"))->text, QStringLiteral("engine broke"));
}

TEST(Pipeline, SynthesisStaysABoundedWayAheadOfTheAudio) {
    auto engine = fake();
    CentralUnderTest t(engine, CreateAudioDevice(AudioDeviceKind::Null));
    t.speak(QString(20000, u'a') + u' ' + QString(20000, u'b')); // about 13 minutes of audio
    ASSERT_TRUE(t.rec->waitFor(QStringLiteral("start")));
    waitFor([] { return false; }, 300);
    // Eight seconds of queue, a packet on either side of it and what has
    // played (at 1000 samples a second): seconds, not the text's 13 minutes.
    EXPECT_LT(engine->produced.load(), 12 * 1000);
    QElapsedTimer clock;
    clock.start();
    t.central.reset(); // stops the blocked synthesis and the audio promptly
    EXPECT_LT(clock.elapsed(), 1000);
}

TEST(Pipeline, SinksComeAndGoAndMayDropTheCentralWhileCalled) {
    auto engine = fake();
    engine->msPerChar = 2;
    auto t = std::make_unique<CentralUnderTest>(engine, CreateAudioDevice(AudioDeviceKind::Null));
    EXPECT_THROW(t->central->UnRegister(12345), KaloError);
    auto second = std::make_shared<Recorder>();
    const quint32 key = t->central->Register(second);
    EXPECT_NE(key, 0u);
    t->central->UnRegister(key);

    // A sink that lets go of the last reference to the central when the
    // audio stops: the central must survive to the end of that call.
    struct Dropper : ITTSNotifySink2A {
        std::shared_ptr<ITTSCentralA>* owner = nullptr;
        bool stopped = false;
        void AudioStop(qint64) override {
            owner->reset();
            stopped = true;
        }
    };
    auto dropper = std::make_shared<Dropper>();
    dropper->owner = &t->central;
    t->central->Register(dropper);
    t->speak(QStringLiteral("bye"));
    ASSERT_TRUE(waitFor([&] { return dropper->stopped; }));
    EXPECT_FALSE(t->central);
    EXPECT_EQ(second->log.size(), 0u);
}

TEST(Pipeline, AttributesStayInTheirRangesAndReportChanges) {
    auto engine = fake();
    CentralUnderTest t(engine, CreateAudioFile());
    auto a = t.central->Attributes();
    a->SpeedSet(1000);
    EXPECT_EQ(a->SpeedGet(), 450u);
    a->SpeedSet(1000); // no change, no report
    a->PitchSet(65535);
    EXPECT_EQ(a->PitchGet(), 100);
    a->RealTimeSet(0);
    EXPECT_EQ(a->RealTimeGet(), 1u);
    ASSERT_TRUE(t.rec->waitFor(QStringLiteral("attrib"), 3));
    const std::vector<qint64> expected = {TTSATTR_SPEED, TTSATTR_PITCH, TTSATTR_REALTIME};
    waitFor([] { return false; }, 50);
    EXPECT_EQ(t.rec->values(QStringLiteral("attrib")), expected);
    // The settings apply to the texts handed over afterwards.
    t.speak(QStringLiteral("x"));
    ASSERT_TRUE(waitFor([&] { return !engine->calls().empty(); }));
    EXPECT_EQ(engine->calls()[0].params.speed, 450u);
    EXPECT_EQ(engine->calls()[0].params.pitch, 100u);
}

} // namespace
} // namespace kalo::test
