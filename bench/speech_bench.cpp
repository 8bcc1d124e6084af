// Figures of the speech layer, printed, never asserted:
//   speech_bench make-text BYTES FILE   writes BYTES of English prose to FILE
//   speech_bench first-audio            time from Speak to the first audio
//                                       on the null device, one line and 1 MB
//   speech_bench make-book BYTES FILE   writes BYTES of a book (paragraphs)
//   speech_bench mp3-check LABEL WAV MP3 SCRATCH
//                                       checks an MP3 file against its WAV file
//   speech_bench flite                  first audio with a Flite voice, and the
//                                       synthesis speed of every Flite voice
#include "book_text.h"
#include "mp3_check.h"

#include "speech/flite_engine.h"
#include "speech/mspeech.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <random>

using namespace kalo;

namespace {

QByteArray prose(qint64 bytes) {
    static const char* words[] = {"the",     "quick", "brown", "fox",     "jumps",   "over",
                                  "a",       "lazy",  "dog",   "while",   "reading", "several",
                                  "curious", "books", "about", "history", "science", "and",
                                  "music",   "in",    "quiet", "rooms",   "every",   "evening"};
    std::mt19937 rng(1);
    QByteArray out;
    out.reserve(bytes + 200);
    while (out.size() < bytes) {
        const int n = 6 + int(rng() % 12);
        QByteArray sentence;
        for (int i = 0; i < n; ++i) {
            if (i)
                sentence += ' ';
            sentence += words[rng() % (sizeof words / sizeof *words)];
        }
        sentence[0] = char(std::toupper(sentence[0]));
        out += sentence + (rng() % 7 == 0 ? ".\n" : ". ");
    }
    out.truncate(bytes);
    return out;
}

// Milliseconds from Speak to OnStart.
double firstAudio(TMSpeech& speech, const QString& text) {
    speech.Text = text.split(u'\n');
    QEventLoop loop;
    QElapsedTimer clock;
    double ms = -1;
    auto c = QObject::connect(&speech, &TMSpeech::OnStart, &loop, [&] {
        ms = clock.nsecsElapsed() / 1e6;
        loop.quit();
    });
    QTimer::singleShot(10000, &loop, &QEventLoop::quit);
    clock.start();
    speech.Speak();
    loop.exec();
    QObject::disconnect(c);
    speech.Stop();
    return ms;
}

int firstAudioFigures(const QString& voice) {
    TMSpeech speech;
    speech.DeviceKind = AudioDeviceKind::Null;
    speech.SelectEngine(voice);
    if (!speech.Selected()) {
        std::fprintf(stderr, "speech_bench: the voice cannot be selected\n");
        return 1;
    }
    const QString line = QStringLiteral("The quick brown fox jumps over the lazy dog.");
    const QString big = QString::fromUtf8(prose(1000000));
    const double cold = firstAudio(speech, line);
    for (const auto& [name, text] : {std::pair{"one line", line}, std::pair{"1 MB text", big}}) {
        std::vector<double> runs;
        for (int i = 0; i < 7; ++i)
            runs.push_back(firstAudio(speech, text));
        std::sort(runs.begin(), runs.end());
        std::printf("first audio, %-9s  median %6.2f ms   worst %6.2f ms   (7 runs, %s)\n", name,
                    runs[runs.size() / 2], runs.back(), qPrintable(voice));
    }
    std::printf("first audio, first use  %6.2f ms   (voice not yet loaded)\n", cold);
    return 0;
}

// Audio seconds made per second of synthesis, for every Flite voice, on
// 1 kB of prose (about a minute of speech); the best of three runs.
class Discard : public ITTSSynthOutput {
public:
    bool Audio(const qint16*, qsizetype count) override {
        samples += count;
        return true;
    }
    void Word(qsizetype, qint64) override {}
    void Phoneme(const QString&, qint64) override {}
    qint64 samples = 0;
};

int fliteSpeedFigures() {
    auto engine = FliteEngine::Instance();
    const QByteArray text = prose(1000);
    const TTSEngineRanges r = engine->Ranges();
    const TTSVoiceParams params{r.speed.normal, r.pitch.normal, r.volume.normal,
                                TTSVoiceStyle::Normal};
    // The machine is shared: besides the wall clock, the figure per second
    // of this thread's own processor time, which other work does not dilute.
    auto cpuSeconds = [] {
        timespec t{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
        return double(t.tv_sec) + t.tv_nsec / 1e9;
    };
    double slowest = 1e9;
    double slowestCpu = 1e9;
    for (const TTSModeInfo& mode : engine->Modes()) {
        double best = 0;
        double bestCpu = 0;
        double audio = 0;
        for (int run = 0; run < 3; ++run) {
            Discard out;
            QElapsedTimer clock;
            clock.start();
            const double cpu = cpuSeconds();
            engine->Synthesize(mode, text, params, out);
            const double seconds = clock.nsecsElapsed() / 1e9;
            audio = double(out.samples) / engine->SampleRate(mode);
            best = std::max(best, audio / seconds);
            bestCpu = std::max(bestCpu, audio / (cpuSeconds() - cpu));
        }
        slowest = std::min(slowest, best);
        slowestCpu = std::min(slowestCpu, bestCpu);
        std::printf("synthesis speed, %-38s %7.1f x real time, %7.1f x per CPU second (%.0f s "
                    "of audio)\n",
                    qPrintable(mode.ModeName), best, bestCpu, audio);
    }
    std::printf("synthesis speed, slowest Flite voice %7.1f x real time, %7.1f x per CPU second "
                "(target at least 20)\n",
                slowest, slowestCpu);
    return 0;
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() == 4 && args[1] == u"make-text") {
        QFile f(args[3]);
        if (!f.open(QIODevice::WriteOnly) || f.write(prose(args[2].toLongLong())) < 0)
            return 1;
        return 0;
    }
    if (args.size() == 4 && args[1] == u"make-book") {
        QFile f(args[3]);
        if (!f.open(QIODevice::WriteOnly) || f.write(bench::BookText(args[2].toLongLong())) < 0)
            return 1;
        return 0;
    }
    if (args.size() == 6 && args[1] == u"mp3-check") {
        const bench::Mp3Check c = bench::CheckMp3AgainstWav(args[3], args[4], args[5]);
        bench::PrintMp3Check(qPrintable(args[2]), c);
        return c.ok ? 0 : 1;
    }
    if (args.size() == 2 && args[1] == u"first-audio")
        return firstAudioFigures(QStringLiteral("English (Great Britain) Male - eSpeak NG"));
    if (args.size() == 2 && args[1] == u"flite") {
        std::printf("== Flite (%d CPUs)\n", QThread::idealThreadCount());
        const int speed = fliteSpeedFigures();
        return firstAudioFigures(QStringLiteral("English (America) Female slt - Flite")) || speed;
    }
    std::fprintf(stderr, "usage: speech_bench make-text BYTES FILE | make-book BYTES FILE | "
                         "first-audio | mp3-check LABEL WAV MP3 SCRATCH | flite\n");
    return 2;
}
