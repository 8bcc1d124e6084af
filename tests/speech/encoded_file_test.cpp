// Compressed file destinations, read back by decoders that are not ours:
// the length of the audio, the file being complete after a stop, and files
// that cannot be written.
#include "fake_engine.h"
#include "speech_test_support.h"

#include "speech/audio_destinations.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace kalo::test {
namespace {

// "Playback length: 0m:12.153s" and "Original sample rate: 22050 Hz" from
// opusinfo; -1 when it cannot read the file.
struct OpusInfo {
    double seconds = -1;
    int originalRate = -1;
};

OpusInfo opusInfo(const QString& path) {
    OpusInfo info;
    const ProcessResult r = run(QStringLiteral("opusinfo"), {path});
    if (r.exitCode != 0)
        return info;
    const auto length = QRegularExpression(QStringLiteral("Playback length: (\\d+)m:([\\d.]+)s"))
                            .match(r.out);
    if (length.hasMatch())
        info.seconds = length.captured(1).toDouble() * 60 + length.captured(2).toDouble();
    const auto rate =
        QRegularExpression(QStringLiteral("Original sample rate: (\\d+) Hz")).match(r.out);
    if (rate.hasMatch())
        info.originalRate = rate.captured(1).toInt();
    return info;
}

double soxSeconds(const QString& path) {
    const ProcessResult r = run(QStringLiteral("soxi"), {QStringLiteral("-D"), path});
    return r.exitCode == 0 ? r.out.trimmed().toDouble() : -1;
}

TEST(EncodedFile, OpusIsResampledForTheCodecAndKeepsTheLengthOfTheAudio) {
    // The fake engine speaks at 1000 Hz, a rate Opus does not take.
    QTemporaryDir dir;
    auto engine = std::make_shared<FakeEngine>();
    auto file = CreateAudioFile(AudioFileFormat::Opus);
    CentralUnderTest t(engine, file);
    const QString path = dir.filePath(QStringLiteral("a.opus"));
    const QString text = QStringLiteral("one two three four five six seven eight nine ten");
    ASSERT_TRUE(file->Set(path, 1));
    t.speak(text);
    ASSERT_TRUE(t.rec->waitFor(QStringLiteral("done")));
    EXPECT_EQ(t.rec->count(QStringLiteral("error")), 0);
    const double expected = engine->lengthOf(text) / 1000.0;
    EXPECT_EQ(file->WrittenMs(), engine->lengthOf(text));
    // Complete when the text is done, while the destination still holds it.
    const OpusInfo info = opusInfo(path);
    EXPECT_NEAR(info.seconds, expected, expected * 0.005);
    EXPECT_EQ(info.originalRate, 1000);
    EXPECT_TRUE(file->Flush());
}

TEST(EncodedFile, OpusOfAnyLengthKeepsItToTheMillisecond) {
    // Audio longer than 30 s is encoded in segments side by side; where a
    // packet of 120 ms is no whole number of samples (1001 Hz), by one
    // encoder as it comes. A segment starts once 30.12 s are in hand:
    // lengths just short of that, just at it, and of several segments.
    QTemporaryDir dir;
    for (int rate : {1000, 1001}) {
        for (int letters : {1505, 1506, 1507, 4000}) {
            SCOPED_TRACE(testing::Message() << rate << " Hz, " << letters << " letters");
            auto engine = std::make_shared<FakeEngine>();
            engine->sampleRate = rate;
            auto file = CreateAudioFile(AudioFileFormat::Opus);
            CentralUnderTest t(engine, file);
            const QString path = dir.filePath(QStringLiteral("long.opus"));
            ASSERT_TRUE(file->Set(path, 1));
            const QString text(letters, u'a'); // one word: 20 samples a letter
            t.speak(text);
            ASSERT_TRUE(t.rec->waitFor(QStringLiteral("done")));
            EXPECT_EQ(t.rec->count(QStringLiteral("error")), 0);
            const OpusInfo info = opusInfo(path);
            EXPECT_NEAR(info.seconds, double(engine->lengthOf(text)) / rate, 0.0015);
            EXPECT_EQ(info.originalRate, rate);
        }
    }
}

TEST(EncodedFile, FlacAndNoFileCountTheSameAudio) {
    QTemporaryDir dir;
    const QString text = QStringLiteral("a few words for a lossless file");
    auto engine = std::make_shared<FakeEngine>();
    auto flac = CreateAudioFile(AudioFileFormat::Flac);
    {
        CentralUnderTest t(engine, flac);
        ASSERT_TRUE(flac->Set(dir.filePath(QStringLiteral("a.flac")), 1));
        t.speak(text);
        ASSERT_TRUE(t.rec->waitFor(QStringLiteral("done")));
    }
    EXPECT_NEAR(soxSeconds(dir.filePath(QStringLiteral("a.flac"))), engine->lengthOf(text) / 1000.0,
                0.002);
    const ProcessResult rate =
        run(QStringLiteral("soxi"), {QStringLiteral("-r"), dir.filePath(QStringLiteral("a.flac"))});
    EXPECT_EQ(rate.out.trimmed(), QStringLiteral("1000"));

    // Nothing is written, but the audio is timed all the same.
    auto none = CreateAudioFile(AudioFileFormat::None);
    CentralUnderTest t(engine, none);
    ASSERT_TRUE(none->Set(QString(), 1));
    t.speak(text);
    ASSERT_TRUE(t.rec->waitFor(QStringLiteral("done")));
    EXPECT_EQ(none->WrittenMs(), engine->lengthOf(text));
    EXPECT_EQ(t.rec->values(QStringLiteral("word")).size(), 7u);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"a.flac"});
}

TEST(EncodedFile, AStoppedTextLeavesACompleteFileOfWhatWasWritten) {
    QTemporaryDir dir;
    auto engine = std::make_shared<FakeEngine>();
    auto file = CreateAudioFile(AudioFileFormat::Opus);
    file->RealTimeSet(kRealTime1x * 4);
    CentralUnderTest t(engine, file);
    const QString path = dir.filePath(QStringLiteral("stopped.opus"));
    ASSERT_TRUE(file->Set(path, 1));
    t.speak(QString(400, u'a')); // 8 s of audio, written in 2 s
    ASSERT_TRUE(waitFor([&] { return file->WrittenMs() > 1000; }, 10000));
    t.central->AudioReset();
    ASSERT_TRUE(t.rec->waitFor(QStringLiteral("stop")));
    ASSERT_TRUE(waitFor([&] { return opusInfo(path).seconds > 0; }, 5000));
    const double written = file->WrittenMs() / 1000.0;
    EXPECT_LT(written, 7.0);
    EXPECT_NEAR(opusInfo(path).seconds, written, written * 0.005 + 0.001);
}

TEST(EncodedFile, PathsThatAreNoRegularFileAreRefusedAtOnce) {
    QTemporaryDir dir;
    const QString fifo = dir.filePath(QStringLiteral("pipe.ogg"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    for (AudioFileFormat format :
         {AudioFileFormat::Opus, AudioFileFormat::Vorbis, AudioFileFormat::Flac}) {
        auto file = CreateAudioFile(format);
        QElapsedTimer clock;
        clock.start();
        EXPECT_FALSE(file->Set(fifo, 1)); // nobody reads the FIFO: no waiting
        EXPECT_LT(clock.elapsed(), 2000);
        EXPECT_TRUE(file->LastError().contains(fifo + QStringLiteral(": it is not a regular file")))
            << file->LastError().toStdString();
        EXPECT_FALSE(file->Set(dir.path(), 1));
        EXPECT_FALSE(file->Set(dir.filePath(QStringLiteral("missing/a.flac")), 1));
        EXPECT_TRUE(file->LastError().contains(QStringLiteral("missing/a.flac")));
        EXPECT_FALSE(file->Flush());
    }
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::System), QStringList{"pipe.ogg"});
}

} // namespace
} // namespace kalo::test
