// MP3 encoding in parts: frames and the encoder's info tag read back from
// files lame wrote, parts cut at silences and joined without a gap (checked
// by decoding with sox against the audio that went in), a text too short to
// cut, a missing or failing encoder, and stopping, which leaves no process
// and no file behind.
#include "speech/mp3_parts.h"
#include "speech/speech_test_support.h"

#include <QDir>
#include <QDirIterator>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtEndian>

#include <gtest/gtest.h>

#include <cmath>
#include <unistd.h>

namespace kalo::test {
namespace {

constexpr int kRate = 22050;

// Sound in bursts (a chord that fades in and out) with silences of a
// given length between them, the way speech has words and pauses.
std::vector<qint16> bursts(const std::vector<double>& silences, double burst = 0.8) {
    std::vector<qint16> out;
    for (size_t i = 0; i < silences.size(); ++i) {
        const int n = int(burst * kRate);
        for (int k = 0; k < n; ++k) {
            const double t = double(k) / kRate;
            const double fade = std::min({1.0, k / 200.0, (n - k) / 200.0});
            const double v = std::sin(2 * M_PI * (180 + 20 * double(i % 5)) * t) +
                             0.5 * std::sin(2 * M_PI * 730 * t) +
                             0.3 * std::sin(2 * M_PI * 2210 * t);
            out.push_back(qint16(std::lround(6000 * fade * v)));
        }
        out.insert(out.end(), size_t(silences[i] * kRate), 0);
    }
    return out;
}

void writeWav(const QString& path, const std::vector<qint16>& samples) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(WavHeader(kRate, quint32(samples.size() * 2)));
    for (qint16 s : samples) {
        char le[2];
        qToLittleEndian(s, le);
        f.write(le, 2);
    }
}

// The MP3 file decoded by sox.
std::vector<qint16> decode(const QString& mp3) {
    QProcess sox;
    sox.start(QStringLiteral("sox"), {mp3, "-t", "raw", "-e", "signed", "-b", "16", "-c", "1", "-r",
                                      QString::number(kRate), "-"});
    sox.waitForFinished(60000);
    const QByteArray raw = sox.readAllStandardOutput();
    std::vector<qint16> out(size_t(raw.size() / 2));
    for (size_t i = 0; i < out.size(); ++i)
        out[i] = qFromLittleEndian<qint16>(raw.constData() + 2 * i);
    return out;
}

double soxiSeconds(const QString& path) {
    return run(QStringLiteral("soxi"), {QStringLiteral("-D"), path}).out.trimmed().toDouble();
}

// Where in the decoded audio the stretch of `in` from `at` on is found:
// the shift (in samples) with the least difference.
int shiftAt(const std::vector<qint16>& in, const std::vector<qint16>& out, qint64 at, int from,
            int to) {
    int best = from;
    double bestError = -1;
    for (int shift = from; shift <= to; ++shift) {
        double e = 0;
        for (qint64 i = at; i < at + 1024; ++i) {
            const double d = double(in[size_t(i)]) - out[size_t(i + shift)];
            e += d * d;
        }
        if (bestError < 0 || e < bestError) {
            bestError = e;
            best = shift;
        }
    }
    return best;
}

int peak(const std::vector<qint16>& v, qint64 from, qint64 to) {
    int p = 0;
    for (qint64 i = std::max<qint64>(from, 0); i < std::min<qint64>(to, qint64(v.size())); ++i)
        p = std::max(p, std::abs(int(v[size_t(i)])));
    return p;
}

// Feeds the audio to the encoder as a file destination would, in blocks of
// the sizes it uses (large ones at full speed, small ones when it paces the
// writing) and some odd ones.
void feed(ParallelMp3Encoder& encoder, const std::vector<qint16>& samples) {
    static const size_t blocks[] = {65536, 441, 7, 10000, 1764};
    size_t at = 0;
    for (int i = 0; at < samples.size(); ++i) {
        const size_t n = std::min(blocks[i % 5], samples.size() - at);
        encoder.input()->Samples(samples.data() + at, qsizetype(n), kRate);
        at += n;
    }
}

bool encodeAndWait(ParallelMp3Encoder& encoder, const QString& mp3) {
    QSignalSpy finished(&encoder, &ParallelMp3Encoder::finished);
    if (!encoder.finish(mp3))
        return false;
    return waitFor([&] { return finished.count() == 1; }, 60000) && finished.at(0).at(0).toBool();
}

// Files left anywhere under the folder, hidden ones too, by name, in order.
std::string leftIn(const QString& folder) {
    QStringList found;
    QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        found << QDir(folder).relativeFilePath(it.next());
    found.sort();
    return found.join(u' ').toStdString();
}

// Processes this test started that are still there (zombies included).
int childProcesses() {
    int n = 0;
    const QString me = QString::number(getpid());
    for (const QString& pid : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
        if (!stat.open(QIODevice::ReadOnly))
            continue;
        const QString line = QString::fromLatin1(stat.readAll());
        // pid (comm) state ppid ...
        const QStringList rest = line.mid(line.lastIndexOf(u')') + 2).split(u' ');
        n += rest.size() > 1 && rest.at(1) == me;
    }
    return n;
}

// An application folder whose "lame" is a script of the test's own.
struct FakeEncoder {
    QTemporaryDir dir;
    explicit FakeEncoder(const QByteArray& script) {
        QFile f(dir.filePath(QStringLiteral("lame")));
        f.open(QIODevice::WriteOnly);
        f.write("#!/bin/sh\n" + script + "\n");
        f.close();
        f.setPermissions(f.permissions() | QFileDevice::ExeOwner);
    }
    QString path() const { return dir.path() + u'/'; }
};

const Mp3PartLengths kShortParts{1.0, 2.0, 1.0};

TEST(Mp3Frames, ReadsWhatLameWritesAndItsInfoTag) {
    QTemporaryDir dir;
    const QString wav = dir.filePath(QStringLiteral("in.wav"));
    writeWav(wav, bursts({0.3, 0.3}));
    // lame's defaults leave no room for a tag at this rate; a higher bit
    // rate makes it write one.
    for (const bool tagged : {false, true}) {
        const QString mp3 = dir.filePath(QStringLiteral("out.mp3"));
        QStringList args{QStringLiteral("--quiet"), wav, mp3};
        if (tagged)
            args.prepend(QStringLiteral("-b128"));
        ASSERT_EQ(run(QStringLiteral("lame"), args).exitCode, 0);
        Mp3FrameReader reader;
        ASSERT_TRUE(reader.open(mp3));
        QByteArray frame;
        Mp3FrameHeader h;
        qint64 frames = 0, bytes = 0;
        QByteArray first;
        Mp3FrameHeader firstHeader;
        while (reader.next(frame, h)) {
            if (frames == 0) {
                first = frame;
                firstHeader = h;
            }
            ++frames;
            bytes += frame.size();
            EXPECT_EQ(h.sampleRate, kRate);
            EXPECT_EQ(h.samples, 576);
            EXPECT_TRUE(h.mono);
        }
        QFile f(mp3);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        const QByteArray all = f.readAll();
        EXPECT_EQ(bytes, all.size());
        // soxi counts every frame (the tag's too) times 576 samples.
        EXPECT_NEAR(soxiSeconds(mp3), frames * 576.0 / kRate, 0.001);
        Mp3InfoTag tag;
        ASSERT_EQ(FindMp3InfoTag(first, firstHeader, tag), tagged);
        if (!tagged)
            continue;
        EXPECT_EQ(qFromBigEndian<quint32>(first.constData() + tag.framesAt), quint32(frames - 1));
        EXPECT_EQ(tag.encoderDelay, Mp3Joiner::kEncoderDelay);
        // lame pads to whole frames: delay + audio + padding fill them.
        EXPECT_EQ(tag.encoderDelay + qint64(bursts({0.3, 0.3}).size()) + tag.padding,
                  (frames - 1) * 576);
        // Both checksums as lame computed them.
        ASSERT_GE(tag.lameAt, 0);
        EXPECT_EQ(qFromBigEndian<quint16>(first.constData() + tag.lameAt + 34),
                  Mp3Crc16(first.constData(), tag.lameAt + 34));
        EXPECT_EQ(qFromBigEndian<quint16>(first.constData() + tag.lameAt + 32),
                  Mp3Crc16(all.constData() + first.size(), all.size() - first.size()));
    }
    // Not MP3 at all: no frames, no crash.
    QFile junk(dir.filePath(QStringLiteral("junk.mp3")));
    ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
    junk.write("ID3\x03\x00\x00\x00\x00\x00\x05hello, this is not an mp3 file");
    junk.close();
    Mp3FrameReader reader;
    ASSERT_TRUE(reader.open(junk.fileName()));
    QByteArray frame;
    Mp3FrameHeader h;
    EXPECT_FALSE(reader.next(frame, h));
    Mp3Joiner joiner;
    ASSERT_TRUE(joiner.open(dir.filePath(QStringLiteral("joined.mp3"))));
    EXPECT_FALSE(joiner.append(junk.fileName(), 1000, true));
    EXPECT_TRUE(joiner.errorString().contains(QStringLiteral("no MP3 frames")));
}

TEST(Mp3Parts, JoinsLieInSilencesAndAddNoGap) {
    QTemporaryDir dir;
    // Pauses too short to cut in (40 ms), a short one and a sentence's.
    std::vector<double> silences;
    for (int i = 0; i < 24; ++i)
        silences.push_back(i % 3 == 0 ? 0.04 : i % 3 == 1 ? 0.15 : 0.4);
    const std::vector<qint16> audio = bursts(silences);
    const QString wav = dir.filePath(QStringLiteral("whole.wav"));
    writeWav(wav, audio);

    ParallelMp3Encoder encoder;
    ASSERT_TRUE(encoder.prepare(QString(), wav, 2, kShortParts))
        << encoder.errorString().toStdString();
    feed(encoder, audio);
    const QString mp3 = dir.filePath(QStringLiteral("joined.mp3"));
    ASSERT_TRUE(encodeAndWait(encoder, mp3)) << encoder.errorString().toStdString();
    const std::vector<qint64> joins = encoder.joins();
    ASSERT_GE(joins.size(), 5u);

    // The same audio through lame in one piece, for comparison.
    const QString whole = dir.filePath(QStringLiteral("whole.mp3"));
    ASSERT_EQ(run(QStringLiteral("lame"), {QStringLiteral("--quiet"), wav, whole}).exitCode, 0);
    const std::vector<qint16> joined = decode(mp3);
    const std::vector<qint16> single = decode(whole);
    ASSERT_FALSE(joined.empty());
    // As long as lame's own file (within a frame), and within 0.5 % of the WAV.
    EXPECT_NEAR(soxiSeconds(mp3), soxiSeconds(whole), 576.0 / kRate);
    EXPECT_NEAR(soxiSeconds(mp3), double(audio.size()) / kRate, 0.005 * audio.size() / kRate);

    // Where the sound of every burst is found in the decoded audio: at the
    // same shift throughout, so no join added or lost a single sample.
    const int shift = shiftAt(audio, single, 0, 0, 3000);
    const qint64 burst = qint64(0.8 * kRate);
    qint64 at = 0;
    for (double s : silences) {
        EXPECT_EQ(shiftAt(audio, joined, at + 300, shift - 700, shift + 700), shift) << at;
        at += burst + qint64(s * kRate);
    }
    for (qint64 cut : joins) {
        // In a silence long enough, with room on both sides.
        EXPECT_EQ(peak(audio, cut - 640, cut + 576 + 200), 0) << cut;
        qint64 start = cut, end = cut;
        while (start > 0 && audio[size_t(start - 1)] == 0)
            --start;
        while (end < qint64(audio.size()) && audio[size_t(end)] == 0)
            ++end;
        EXPECT_GE(end - start, qint64(0.15 * kRate)) << cut;
        // No click: around the cut the decoded silence is as quiet as lame
        // makes it in one piece.
        const int here = peak(joined, cut - 300 + shift, cut + 776 + shift);
        const int there = peak(single, cut - 300 + shift, cut + 776 + shift);
        EXPECT_LE(here, std::max(40, there + there / 4)) << cut;
    }
    EXPECT_EQ(leftIn(dir.path()), "joined.mp3 whole.mp3 whole.wav");
}

TEST(Mp3Parts, TaggedPartsMakeOneTagForTheWhole) {
    // An encoder that writes info tags (a higher bit rate than lame's
    // default for speech leaves room for one).
    FakeEncoder lame("exec lame --quiet -b128 \"$1\" \"$2\"");
    QTemporaryDir dir;
    std::vector<double> silences(12, 0.4);
    const std::vector<qint16> audio = bursts(silences);
    ParallelMp3Encoder encoder;
    ASSERT_TRUE(encoder.prepare(lame.path(), dir.filePath(QStringLiteral("x")), 3, kShortParts));
    feed(encoder, audio);
    const QString mp3 = dir.filePath(QStringLiteral("tagged.mp3"));
    ASSERT_TRUE(encodeAndWait(encoder, mp3)) << encoder.errorString().toStdString();
    ASSERT_GE(encoder.joins().size(), 3u);

    Mp3FrameReader reader;
    ASSERT_TRUE(reader.open(mp3));
    QByteArray frame, tagFrame;
    Mp3FrameHeader h;
    Mp3InfoTag tag;
    int tags = 0;
    qint64 audioFrames = 0;
    while (reader.next(frame, h)) {
        Mp3InfoTag t;
        if (FindMp3InfoTag(frame, h, t)) {
            ++tags;
            tag = t;
            tagFrame = frame;
        } else {
            ++audioFrames;
        }
    }
    ASSERT_EQ(tags, 1);
    QFile f(mp3);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray all = f.readAll();
    ASSERT_TRUE(all.startsWith(tagFrame));
    EXPECT_EQ(qFromBigEndian<quint32>(tagFrame.constData() + tag.framesAt), quint32(audioFrames));
    EXPECT_EQ(qFromBigEndian<quint32>(tagFrame.constData() + tag.bytesAt), quint32(all.size()));
    EXPECT_EQ(tag.encoderDelay, Mp3Joiner::kEncoderDelay);
    // Delay, audio and padding fill the frames exactly, as for one piece.
    EXPECT_EQ(tag.encoderDelay + qint64(audio.size()) + tag.padding, audioFrames * 576);
    EXPECT_EQ(qFromBigEndian<quint16>(tagFrame.constData() + tag.lameAt + 34),
              Mp3Crc16(tagFrame.constData(), tag.lameAt + 34));
    EXPECT_EQ(qFromBigEndian<quint16>(tagFrame.constData() + tag.lameAt + 32),
              Mp3Crc16(all.constData() + tagFrame.size(), all.size() - tagFrame.size()));
    // The seek table climbs from the start to the end of the file.
    const auto* toc = reinterpret_cast<const uchar*>(tagFrame.constData() + tag.tocAt);
    EXPECT_EQ(toc[0], 0);
    EXPECT_GT(toc[99], 240);
    EXPECT_TRUE(std::is_sorted(toc, toc + 100));
    // sox plays it from end to end, with every burst where it belongs.
    const std::vector<qint16> decoded = decode(mp3);
    EXPECT_NEAR(double(decoded.size()), double(audioFrames * 576), 576.0);
    const int shift = shiftAt(audio, decoded, 300, 0, 3000);
    for (size_t i = 1; i < silences.size(); ++i)
        EXPECT_EQ(shiftAt(audio, decoded, qint64(i * (0.8 + 0.4) * kRate) + 300, shift - 700,
                          shift + 700),
                  shift)
            << i;
}

TEST(Mp3Parts, ATextTooShortToCutIsEncodedAsAWholeWavFileWouldBe) {
    QTemporaryDir dir;
    const std::vector<qint16> audio = bursts({0.4, 0.4, 0.1});
    const QString wav = dir.filePath(QStringLiteral("short.wav"));
    writeWav(wav, audio);
    ParallelMp3Encoder encoder;
    ASSERT_TRUE(encoder.prepare(QString(), wav, 4));
    feed(encoder, audio);
    const QString mp3 = dir.filePath(QStringLiteral("short.mp3"));
    ASSERT_TRUE(encodeAndWait(encoder, mp3));
    EXPECT_TRUE(encoder.joins().empty());
    const QString direct = dir.filePath(QStringLiteral("direct.mp3"));
    ASSERT_EQ(run(QStringLiteral("lame"), {QStringLiteral("--quiet"), wav, direct}).exitCode, 0);
    QFile a(mp3), b(direct);
    ASSERT_TRUE(a.open(QIODevice::ReadOnly) && b.open(QIODevice::ReadOnly));
    EXPECT_EQ(a.readAll(), b.readAll());
    EXPECT_EQ(leftIn(dir.path()), "direct.mp3 short.mp3 short.wav");
}

TEST(Mp3Parts, WithoutAnEncoderNothingIsCollectedAndFinishSaysWhy) {
    QTemporaryDir dir;
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", dir.path().toUtf8());
    ParallelMp3Encoder encoder;
    const bool prepared =
        encoder.prepare(dir.path() + u'/', dir.filePath(QStringLiteral("o.mp3")), 2);
    qputenv("PATH", path);
    EXPECT_FALSE(prepared);
    EXPECT_EQ(encoder.errorString(), Mp3EncoderNotFoundMessage());
    EXPECT_EQ(encoder.input(), nullptr);
    EXPECT_FALSE(encoder.finish(dir.filePath(QStringLiteral("o.mp3"))));
    EXPECT_EQ(encoder.errorString(), Mp3EncoderNotFoundMessage());
    EXPECT_EQ(leftIn(dir.path()), "");
}

TEST(Mp3Parts, APartTooLongForAWavFileFailsInsteadOfLosingAudio) {
    QTemporaryDir dir;
    ParallelMp3Encoder encoder;
    ASSERT_TRUE(encoder.prepare(QString(), dir.filePath(QStringLiteral("x")), 2, kShortParts));
    SetWavDataLimitForTests(2 * 30000);      // as if the part had reached the limit of a WAV file
    std::vector<qint16> sound(200000, 3000); // nine seconds without a pause
    feed(encoder, sound);
    SetWavDataLimitForTests(0);
    // Known before the speech ends.
    EXPECT_TRUE(waitFor([&] { return encoder.failed(); }));
    EXPECT_FALSE(encoder.finish(dir.filePath(QStringLiteral("out.mp3"))));
    EXPECT_TRUE(encoder.errorString().contains(QStringLiteral("no pause")))
        << encoder.errorString().toStdString();
    EXPECT_EQ(leftIn(dir.path()), "");
}

TEST(Mp3Parts, AFailingEncoderStopsTheOthersAndLeavesNothing) {
    // The second part fails; the others would take long.
    FakeEncoder lame("case \"$1\" in *part-000001.wav) exit 3;; esac\nexec sleep 30");
    QTemporaryDir dir;
    ParallelMp3Encoder encoder;
    ASSERT_TRUE(encoder.prepare(lame.path(), dir.filePath(QStringLiteral("x")), 3, kShortParts));
    feed(encoder, bursts(std::vector<double>(10, 0.4)));
    ASSERT_TRUE(waitFor([&] { return encoder.failed(); }, 20000));
    EXPECT_EQ(encoder.errorString(), QStringLiteral("The MP3 encoder failed (exit code 3)"));
    EXPECT_EQ(childProcesses(), 0);
    EXPECT_FALSE(encoder.finish(dir.filePath(QStringLiteral("out.mp3"))));
    EXPECT_EQ(encoder.errorString(), QStringLiteral("The MP3 encoder failed (exit code 3)"));
    EXPECT_EQ(leftIn(dir.path()), "");
}

TEST(Mp3Parts, StoppingEndsEveryEncoderAndLeavesNoFile) {
    FakeEncoder lame("printf partial > \"$2\"\nexec sleep 30");
    QTemporaryDir dir;
    {
        ParallelMp3Encoder encoder;
        ASSERT_TRUE(
            encoder.prepare(lame.path(), dir.filePath(QStringLiteral("x")), 2, kShortParts));
        feed(encoder, bursts(std::vector<double>(10, 0.4)));
        QSignalSpy finished(&encoder, &ParallelMp3Encoder::finished);
        const QString mp3 = dir.filePath(QStringLiteral("out.mp3"));
        ASSERT_TRUE(encoder.finish(mp3));
        ASSERT_TRUE(waitFor([&] { return childProcesses() == 2; }, 10000));
        EXPECT_TRUE(encoder.isRunning());
        encoder.cancel();
        EXPECT_EQ(childProcesses(), 0);
        EXPECT_EQ(leftIn(dir.path()), "");
        ASSERT_TRUE(waitFor([&] { return finished.count() == 1; }));
        EXPECT_FALSE(finished.at(0).at(0).toBool());
        EXPECT_EQ(encoder.errorString(), QStringLiteral("The MP3 encoding was stopped"));
    }
    // Going away in the middle of the speech stops everything too; the
    // destination, which still holds the input, writes nowhere after that.
    std::shared_ptr<IAudioTap> stillHeld;
    {
        ParallelMp3Encoder encoder;
        ASSERT_TRUE(
            encoder.prepare(lame.path(), dir.filePath(QStringLiteral("x")), 2, kShortParts));
        stillHeld = encoder.input();
        feed(encoder, bursts(std::vector<double>(10, 0.4)));
        ASSERT_TRUE(waitFor([&] { return childProcesses() == 2; }, 10000));
    }
    const std::vector<qint16> more = bursts(std::vector<double>(4, 0.4));
    stillHeld->Samples(more.data(), qsizetype(more.size()), kRate);
    EXPECT_EQ(childProcesses(), 0);
    EXPECT_EQ(leftIn(dir.path()), "");
}

} // namespace
} // namespace kalo::test
