// kalotalk-say's audio formats and subtitles, checked with decoders that
// are not ours (soxi and sox, opusinfo and opusdec): the length and rate of
// each file, and each subtitle cue against the decoded audio itself.
#include "speech/speech_test_support.h"

#include <QDir>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>

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

} // namespace
} // namespace kalo::test
