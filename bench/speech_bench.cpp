// Figures of the speech layer, printed, never asserted:
//   speech_bench make-text BYTES FILE   writes BYTES of English prose to FILE
//   speech_bench first-audio            time from Speak to the first audio
//                                       on the null device, one line and 1 MB
//   speech_bench make-book BYTES FILE   writes BYTES of a book (paragraphs)
//   speech_bench mp3-check LABEL WAV MP3 SCRATCH
//                                       checks an MP3 file against its WAV file
#include "book_text.h"
#include "mp3_check.h"

#include "speech/mspeech.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTimer>

#include <algorithm>
#include <cstdio>
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

int firstAudioFigures() {
    TMSpeech speech;
    speech.DeviceKind = AudioDeviceKind::Null;
    speech.SelectEngine(QStringLiteral("English (Great Britain) Male - eSpeak NG"));
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
        std::printf("first audio, %-9s  median %6.2f ms   worst %6.2f ms   (7 runs)\n", name,
                    runs[runs.size() / 2], runs.back());
    }
    std::printf("first audio, first use  %6.2f ms   (voice not yet loaded)\n", cold);
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
        return firstAudioFigures();
    std::fprintf(stderr, "usage: speech_bench make-text BYTES FILE | make-book BYTES FILE | "
                         "first-audio | mp3-check LABEL WAV MP3 SCRATCH\n");
    return 2;
}
