// The WAV file destination: files it cannot create, complete headers, the
// size limit of the format, and pausing while writing.
#include "fake_engine.h"
#include "speech_test_support.h"

#include "speech/audio_destinations.h"
#include "support/test_support.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace kalo::test {
namespace {

TEST(WavFile, AFileThatCannotBeCreatedIsRefusedAndLeavesNothing) {
    QTemporaryDir dir;
    auto file = CreateAudioFile();
    EXPECT_FALSE(file->Set(dir.filePath(QStringLiteral("missing/folder/x.wav")), 1));
    EXPECT_TRUE(file->LastError().contains(QStringLiteral("missing/folder/x.wav")));
    EXPECT_FALSE(file->Set(QString(), 1));
    EXPECT_FALSE(file->Flush());
    EXPECT_FALSE(QFileInfo::exists(dir.filePath(QStringLiteral("missing"))));
}

TEST(WavFile, AFifoInTheFilesPlaceIsRefusedWithoutWaiting) {
    QTemporaryDir dir;
    const TestFifo fifo(dir.filePath(QStringLiteral("pipe.wav")));
    ASSERT_TRUE(QFile::link(fifo.path(), dir.filePath(QStringLiteral("link.wav"))));
    for (const QString& path : {fifo.path(), dir.filePath(QStringLiteral("link.wav"))}) {
        auto file = CreateAudioFile();
        bool set = true;
        ASSERT_TRUE(returnsWithin(5000, [&] { set = file->Set(path, 1); }, fifo))
            << path.toStdString(); // nobody reads the FIFO
        EXPECT_FALSE(set);
        EXPECT_EQ(file->LastError(), "Cannot create " + path + ": it is not a regular file");
    }
    EXPECT_FALSE(QFileInfo(fifo.path()).isFile());
    EXPECT_TRUE(QFileInfo::exists(fifo.path()));
}

TEST(WavFile, HeaderIsCompleteAtEveryStopAndWhenTheFileChanges) {
    QTemporaryDir dir;
    auto engine = std::make_shared<FakeEngine>();
    auto file = CreateAudioFile();
    CentralUnderTest t(engine, file);
    const QString first = dir.filePath(QStringLiteral("first.wav"));
    const QString second = dir.filePath(QStringLiteral("second.wav"));
    ASSERT_TRUE(file->Set(first, 1));
    t.speak(QStringLiteral("abc de"));
    ASSERT_TRUE(t.rec->waitFor(QStringLiteral("stop")));
    WavFile w = readWav(first); // read while the destination still holds it
    EXPECT_TRUE(w.riff);
    EXPECT_TRUE(w.sizesMatch);
    EXPECT_EQ(w.rate, 1000);
    EXPECT_EQ(qint64(w.samples.size()), engine->lengthOf(QStringLiteral("abc de")));

    // A second text to the same file follows the first.
    t.speak(QStringLiteral("fg"));
    ASSERT_TRUE(t.rec->waitFor(QStringLiteral("stop"), 2));
    EXPECT_EQ(qint64(readWav(first).samples.size()), engine->lengthOf(QStringLiteral("abc defg")));
    EXPECT_TRUE(readWav(first).sizesMatch);

    ASSERT_TRUE(file->Set(second, 1));
    t.speak(QStringLiteral("h"));
    ASSERT_TRUE(t.rec->waitFor(QStringLiteral("stop"), 3));
    EXPECT_TRUE(readWav(first).sizesMatch);
    EXPECT_EQ(qint64(readWav(second).samples.size()), engine->lengthOf(QStringLiteral("h")));
    EXPECT_EQ(file->FileName(), second);
}

TEST(WavFile, AFileThatCannotBeCompletedIsReportedBeforeTheStop) {
    // /dev/full takes buffered writes and fails when they reach it: the
    // text's data fits the buffer, so only completing the file fails.
    if (!QFileInfo(QStringLiteral("/dev/full")).isWritable())
        GTEST_SKIP() << "no /dev/full";
    auto engine = std::make_shared<FakeEngine>();
    auto file = CreateAudioFile();
    CentralUnderTest t(engine, file);
    ASSERT_TRUE(file->Set(QStringLiteral("/dev/full"), 1));
    t.speak(QStringLiteral("short"));
    ASSERT_TRUE(t.rec->waitFor(QStringLiteral("done")));
    EXPECT_EQ(t.rec->sequence().toStdString(), "started start word0 error stop done");
    ASSERT_NE(t.rec->first(QStringLiteral("error")), nullptr);
    EXPECT_TRUE(t.rec->first(QStringLiteral("error"))->text.contains(QStringLiteral("/dev/full")));
    EXPECT_FALSE(file->Flush());
}

TEST(WavFile, StopsAtTheLargestSizeTheHeaderCanTellAndSaysSo) {
    QTemporaryDir dir;
    SetWavDataLimitForTests(1000); // bytes
    auto engine = std::make_shared<FakeEngine>();
    auto file = CreateAudioFile();
    CentralUnderTest t(engine, file);
    const QString path = dir.filePath(QStringLiteral("full.wav"));
    ASSERT_TRUE(file->Set(path, 1));
    t.speak(QString(200, u'a')); // 4000 samples, 8000 bytes
    const bool done = t.rec->waitFor(QStringLiteral("done"));
    SetWavDataLimitForTests(0);
    ASSERT_TRUE(done);
    EXPECT_EQ(t.rec->count(QStringLiteral("error")), 1);
    EXPECT_EQ(t.rec->sequence().section(u' ', -3), QStringLiteral("error stop done"));
    const WavFile w = readWav(path);
    EXPECT_TRUE(w.sizesMatch);
    EXPECT_EQ(w.samples.size(), 500u);
    EXPECT_EQ(WavDataLimit(), 0xFFFFFFFFLL - 36);
}

TEST(WavFile, PauseHoldsTheWritingAndResumeGoesOn) {
    QTemporaryDir dir;
    auto engine = std::make_shared<FakeEngine>();
    auto file = CreateAudioFile();
    file->RealTimeSet(kRealTime1x); // one second of audio takes a second
    CentralUnderTest t(engine, file);
    const QString path = dir.filePath(QStringLiteral("p.wav"));
    ASSERT_TRUE(file->Set(path, 1));
    t.speak(QStringLiteral("aaaaa bbbbb ccccc ddddd eeeee"));
    ASSERT_TRUE(t.rec->waitFor(QStringLiteral("word"), 2));
    t.central->AudioPause();
    ASSERT_TRUE(t.rec->waitFor(QStringLiteral("stop")));
    // Words are reported as their audio is written: none while paused.
    const int wordsAtPause = t.rec->count(QStringLiteral("word"));
    waitFor([] { return false; }, 400);
    EXPECT_EQ(t.rec->count(QStringLiteral("word")), wordsAtPause);
    t.central->AudioResume();
    ASSERT_TRUE(t.rec->waitFor(QStringLiteral("done")));
    EXPECT_EQ(qint64(readWav(path).samples.size()),
              engine->lengthOf(QStringLiteral("aaaaa bbbbb ccccc ddddd eeeee")));
    EXPECT_EQ(t.rec->values(QStringLiteral("word")), (std::vector<qint64>{0, 6, 12, 18, 24}));
}

} // namespace
} // namespace kalo::test
