// kalotalk-say's audio formats and subtitles, checked with decoders that
// are not ours (soxi and sox, opusinfo and opusdec): the length and rate of
// each file, and each subtitle cue against the decoded audio itself.
#include "speech/speech_test_support.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include <sys/stat.h>

namespace kalo::test {
namespace {

const QString kSay = QStringLiteral(KALOTALK_SAY);

// Short sentences, so every cue starts after the pause between sentences.
const QString kText = QStringLiteral(
    "The first sentence is short. Here comes the second one!\n"
    "Is this the third? Yes, it is the third.\n\n"
    "A new paragraph begins here. It has \u00e9l\u00e8ves and na\u00efve words.\n"
    "The last sentence ends the book.");

struct Cue {
    qint64 startMs = 0;
    qint64 endMs = 0;
    QString text;
};

std::vector<Cue> readSrt(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    const QString text = QString::fromUtf8(f.readAll());
    const QRegularExpression cue(QStringLiteral(
        "(\\d+)\\r\\n(\\d+):(\\d\\d):(\\d\\d),(\\d{3}) --> (\\d+):(\\d\\d):(\\d\\d),(\\d{3})\\r\\n"
        "([^\\r\\n]+)\\r\\n\\r\\n"));
    std::vector<Cue> cues;
    qsizetype at = 0;
    for (auto m = cue.match(text); m.hasMatch(); m = cue.match(text, at)) {
        if (m.capturedStart() != at || m.captured(1).toInt() != int(cues.size()) + 1)
            return {}; // not one cue after the other, numbered from 1
        auto ms = [&](int i) {
            return ((m.captured(i).toLongLong() * 60 + m.captured(i + 1).toLongLong()) * 60 +
                    m.captured(i + 2).toLongLong()) *
                       1000 +
                   m.captured(i + 3).toLongLong();
        };
        cues.push_back({ms(2), ms(6), m.captured(10)});
        at = m.capturedEnd();
    }
    return at == text.size() ? cues : std::vector<Cue>{};
}

QStringList wordsOf(const QString& text) {
    return text.split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts);
}

// Length in seconds and sample rate, as decoders that are not ours read the
// file (for Opus: the rate the audio had before it was encoded).
struct Readout {
    double seconds = -1;
    int rate = -1;
};

Readout readOut(const QString& path) {
    Readout r;
    if (path.endsWith(QStringLiteral(".opus"))) {
        const ProcessResult info = run(QStringLiteral("opusinfo"), {path});
        const auto length = QRegularExpression(QStringLiteral("Playback length: (\\d+)m:([\\d.]+)s"))
                                .match(info.out);
        const auto rate =
            QRegularExpression(QStringLiteral("Original sample rate: (\\d+) Hz")).match(info.out);
        if (info.exitCode == 0 && length.hasMatch() && rate.hasMatch()) {
            r.seconds = length.captured(1).toDouble() * 60 + length.captured(2).toDouble();
            r.rate = rate.captured(1).toInt();
        }
        return r;
    }
    const ProcessResult d = run(QStringLiteral("soxi"), {QStringLiteral("-D"), path});
    const ProcessResult rate = run(QStringLiteral("soxi"), {QStringLiteral("-r"), path});
    if (d.exitCode == 0 && rate.exitCode == 0) {
        r.seconds = d.out.trimmed().toDouble();
        r.rate = rate.out.trimmed().toInt();
    }
    return r;
}

// The file decoded to 16-bit mono PCM by sox or opusdec.
WavFile decode(const QString& path, const QString& into) {
    const ProcessResult r =
        path.endsWith(QStringLiteral(".opus"))
            ? run(QStringLiteral("opusdec"), {QStringLiteral("--quiet"), path, into})
            : run(QStringLiteral("sox"), {path, QStringLiteral("-b"), QStringLiteral("16"),
                                          QStringLiteral("-c"), QStringLiteral("1"), into});
    return r.exitCode == 0 ? readWav(into) : WavFile{};
}

// The loudest sample between two times (ms), clipped to the audio.
int peak(const WavFile& w, qint64 fromMs, qint64 toMs) {
    const qint64 n = qint64(w.samples.size());
    const qint64 a = std::clamp<qint64>(fromMs * w.rate / 1000, 0, n);
    const qint64 b = std::clamp<qint64>(toMs * w.rate / 1000, 0, n);
    int p = 0;
    for (qint64 i = a; i < b; ++i)
        p = std::max(p, std::abs(int(w.samples[size_t(i)])));
    return p;
}

class OutputFormats : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        textFile = dir.filePath(QStringLiteral("book.txt"));
        QFile f(textFile);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(kText.toUtf8());
    }
    ProcessResult say(const QStringList& args) {
        return run(kSay, args + QStringList{QStringLiteral("-f"), textFile}, {}, 120000);
    }
    QTemporaryDir dir;
    QString textFile;
};

TEST_F(OutputFormats, EachFormatIsReadBackWithTheLengthAndRateOfTheAudioAndItsSubtitles) {
    // The WAV file is the measure of the others: every format holds the same audio.
    const QString wav = dir.filePath(QStringLiteral("book.wav"));
    ASSERT_EQ(say({QStringLiteral("-o"), wav}).exitCode, 0);
    const Readout reference = readOut(wav);
    ASSERT_GT(reference.seconds, 5.0);
    EXPECT_EQ(reference.rate, 22050);

    for (const char* extension : {"wav", "opus", "ogg", "flac"}) {
        SCOPED_TRACE(extension);
        const QString name = QStringLiteral("out.") + QLatin1String(extension);
        const QString audio = dir.filePath(name);
        const QString srt = dir.filePath(QStringLiteral("out.srt"));
        const QString lrc = dir.filePath(QStringLiteral("out.lrc"));
        const ProcessResult r = say({QStringLiteral("-o"), audio, QStringLiteral("--srt"), srt,
                                     QStringLiteral("--lrc"), lrc});
        ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
        const Readout got = readOut(audio);
        EXPECT_NEAR(got.seconds, reference.seconds, reference.seconds * 0.005);
        EXPECT_EQ(got.rate, 22050);

        const std::vector<Cue> cues = readSrt(srt);
        ASSERT_EQ(cues.size(), 7u);
        // Every word of the text, in order, and nothing else.
        QStringList said;
        for (const Cue& c : cues)
            said << c.text;
        EXPECT_EQ(wordsOf(said.join(u' ')), wordsOf(kText));
        // Each cue starts later than the one before, ends where the next
        // begins, and the last ends with the audio.
        for (size_t i = 1; i < cues.size(); ++i) {
            EXPECT_GT(cues[i].startMs, cues[i - 1].startMs);
            EXPECT_EQ(cues[i - 1].endMs, cues[i].startMs);
        }
        EXPECT_NEAR(cues.back().endMs / 1000.0, got.seconds, 0.5);

        // On the decoded audio: silence just before each cue (the pause
        // between sentences) and the voice within 50 ms of its start.
        const WavFile pcm = decode(audio, dir.filePath(QStringLiteral("decoded.wav")));
        ASSERT_GT(pcm.samples.size(), 0u);
        for (const Cue& c : cues) {
            SCOPED_TRACE(c.text.toStdString());
            if (c.startMs > 200)
                EXPECT_LT(peak(pcm, c.startMs - 150, c.startMs - 50), 200);
            EXPECT_GT(peak(pcm, c.startMs - 50, c.startMs + 50), 500);
        }

        // The LRC lines carry the same times, in hundredths.
        QFile l(lrc);
        ASSERT_TRUE(l.open(QIODevice::ReadOnly));
        const QStringList lines = QString::fromUtf8(l.readAll()).split(u'\n', Qt::SkipEmptyParts);
        ASSERT_EQ(lines.size(), int(cues.size()) + 1);
        for (size_t i = 0; i < cues.size(); ++i) {
            const qint64 ms = cues[i].startMs;
            EXPECT_EQ(lines[int(i)], QStringLiteral("[%1:%2.%3]%4")
                                         .arg(ms / 60000, 2, 10, QLatin1Char('0'))
                                         .arg(ms / 1000 % 60, 2, 10, QLatin1Char('0'))
                                         .arg(ms / 10 % 100, 2, 10, QLatin1Char('0'))
                                         .arg(cues[i].text));
        }
        QFile::remove(audio);
        QFile::remove(srt);
        QFile::remove(lrc);
    }
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
              (QStringList{"book.txt", "book.wav", "decoded.wav"}));
}

TEST_F(OutputFormats, SubtitlesAloneAreTimedAsTheFileWouldBeAndMp3GoesThroughLame) {
    const QString srt = dir.filePath(QStringLiteral("alone.srt"));
    ASSERT_EQ(say({QStringLiteral("--srt"), srt}).exitCode, 0);
    const QString withAudio = dir.filePath(QStringLiteral("with.srt"));
    const QString mp3 = dir.filePath(QStringLiteral("book.MP3")); // any letter case
    const ProcessResult r = say({QStringLiteral("-o"), mp3, QStringLiteral("--srt"), withAudio});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    QFile a(srt), b(withAudio);
    ASSERT_TRUE(a.open(QIODevice::ReadOnly) && b.open(QIODevice::ReadOnly));
    EXPECT_EQ(a.readAll(), b.readAll());
    EXPECT_EQ(readSrt(srt).size(), 7u);
    EXPECT_GT(readOut(mp3).seconds, 5.0);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
              (QStringList{"alone.srt", "book.MP3", "book.txt", "with.srt"}));
}

// The RMS amplitude of a file's audio within a band of frequencies, by sox.
double bandRms(const QString& path, const QString& band) {
    const ProcessResult r = run(QStringLiteral("sox"), {path, QStringLiteral("-n"),
                                                       QStringLiteral("sinc"), band,
                                                       QStringLiteral("stat")});
    const auto m = QRegularExpression(QStringLiteral("RMS +amplitude: +([\\d.]+)")).match(r.err);
    return m.hasMatch() ? m.captured(1).toDouble() : -1;
}

TEST_F(OutputFormats, OpusIsSpeechAtAbout24KbitsUpTo8Khz) {
    const QString wav = dir.filePath(QStringLiteral("book.wav"));
    const QString opus = dir.filePath(QStringLiteral("book.opus"));
    ASSERT_EQ(say({QStringLiteral("-o"), wav}).exitCode, 0);
    ASSERT_EQ(say({QStringLiteral("-o"), opus}).exitCode, 0);
    // The bit rate varies with the speech; its average stays near the
    // 24 kbit/s asked (libopus would take about 64 by itself).
    const ProcessResult info = run(QStringLiteral("opusinfo"), {opus});
    const auto rate =
        QRegularExpression(QStringLiteral("Average bitrate: ([\\d.]+) kbit/s")).match(info.out);
    ASSERT_TRUE(rate.hasMatch()) << info.out.toStdString();
    EXPECT_GT(rate.captured(1).toDouble(), 14.0);
    EXPECT_LT(rate.captured(1).toDouble(), 26.0);
    const double megabytesPerHour =
        QFileInfo(opus).size() / readOut(wav).seconds * 3600 / 1e6;
    EXPECT_GT(megabytesPerHour, 6.0);
    EXPECT_LT(megabytesPerHour, 11.7);

    // The voice band comes through whole; above 8 kHz, where the engine's
    // hiss of consonants is, nothing is spent.
    const QString decoded = dir.filePath(QStringLiteral("decoded.wav"));
    ASSERT_EQ(run(QStringLiteral("opusdec"), {QStringLiteral("--quiet"), QStringLiteral("--rate"),
                                              QStringLiteral("22050"), opus, decoded})
                  .exitCode,
              0);
    const QString voice = QStringLiteral("300-3400");
    EXPECT_NEAR(bandRms(decoded, voice), bandRms(wav, voice), bandRms(wav, voice) * 0.2);
    const QString high = QStringLiteral("9000");
    ASSERT_GT(bandRms(wav, high), 0.0005);
    EXPECT_LT(bandRms(decoded, high), bandRms(wav, high) * 0.1);
}

// Signal to noise (dB) of `got` against `want` over [fromS, fromS + 2 s),
// the best over lags of a few samples (the decoder's resampler may shift by
// one).
double snrAt(const WavFile& want, const WavFile& got, double fromS) {
    const qint64 from = qint64(fromS * want.rate);
    const qint64 n = 2 * want.rate;
    double best = -100;
    for (qint64 lag = -3; lag <= 3; ++lag) {
        double signal = 0, noise = 0;
        for (qint64 i = from; i < from + n; ++i) {
            if (i + lag < 0 || i + lag >= qint64(got.samples.size()) ||
                i >= qint64(want.samples.size()))
                continue;
            const double x = want.samples[size_t(i)];
            const double d = x - got.samples[size_t(i + lag)];
            signal += x * x;
            noise += d * d;
        }
        best = std::max(best, 10 * std::log10(signal / (noise + 1)));
    }
    return best;
}

TEST_F(OutputFormats, ALongOpusBookIsOneStreamWhoseSegmentsMeetExactly) {
    // Over a minute of speech: Opus is encoded in segments of 30 s side by
    // side, which must follow each other as one encoder's packets would.
    QFile f(textFile);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    for (int i = 0; i < 6; ++i)
        f.write((kText + QStringLiteral("\n\n")).toUtf8());
    f.close();
    const QString wav = dir.filePath(QStringLiteral("long.wav"));
    const QString opus = dir.filePath(QStringLiteral("long.opus"));
    ASSERT_EQ(say({QStringLiteral("-o"), wav}).exitCode, 0);
    ASSERT_EQ(say({QStringLiteral("-o"), opus}).exitCode, 0);
    const double seconds = readOut(wav).seconds;
    ASSERT_GT(seconds, 65.0);
    EXPECT_NEAR(readOut(opus).seconds, seconds, seconds * 0.005);
    const ProcessResult info = run(QStringLiteral("opusinfo"), {opus});
    EXPECT_EQ(info.out.count(QStringLiteral("New logical stream")), 1) << info.out.toStdString();
    EXPECT_FALSE(info.out.contains(QStringLiteral("WARNING"))) << info.out.toStdString();

    // The decoded speech is as close to the original just after each
    // boundary as at the start (about 13 dB; a segment off by a packet
    // would be near 0 dB, a click would show as well).
    const WavFile original = readWav(wav);
    const QString decodedPath = dir.filePath(QStringLiteral("decoded.wav"));
    ASSERT_EQ(run(QStringLiteral("opusdec"), {QStringLiteral("--quiet"), QStringLiteral("--rate"),
                                              QStringLiteral("22050"), opus, decodedPath})
                  .exitCode,
              0);
    const WavFile decoded = readWav(decodedPath);
    for (double at : {1.0, 29.9, 30.0, 59.9, 60.0}) {
        SCOPED_TRACE(at);
        EXPECT_GT(snrAt(original, decoded, at), 6.0);
    }
}

TEST_F(OutputFormats, AFullDiskOrAFifoInTheFilesPlaceFailsAndLeavesNothing) {
    // The size limit of a process stands for a full disk: the encoders'
    // writes fail in the middle of the file.
    for (const char* extension : {"opus", "ogg", "flac"}) {
        SCOPED_TRACE(extension);
        const QString out = dir.filePath(QStringLiteral("big.") + QLatin1String(extension));
        const ProcessResult r = run(
            QStringLiteral("sh"),
            {QStringLiteral("-c"), QStringLiteral("trap '' XFSZ; ulimit -f 16; exec \"$0\" \"$@\""),
             kSay, QStringLiteral("-o"), out, QStringLiteral("-f"), textFile},
            {}, 120000);
        EXPECT_EQ(r.exitCode, 1) << r.err.toStdString();
        EXPECT_TRUE(r.err.contains(QStringLiteral("Cannot write ") + out)) << r.err.toStdString();
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
                  QStringList{"book.txt"});
    }

    // A FIFO would be replaced by the written file (or, opened, wait for a
    // reader for ever): it is refused and left as it is.
    const QString fifo = dir.filePath(QStringLiteral("pipe.opus"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const ProcessResult r = say({QStringLiteral("-o"), fifo});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.contains(QStringLiteral("not a regular file"))) << r.err.toStdString();
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(fifo).constData(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::System),
              (QStringList{"book.txt", "pipe.opus"}));
}

} // namespace
} // namespace kalo::test
