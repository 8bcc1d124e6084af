// A document converted to MP3 through the converter's own code path (F4:
// speech into a WAV file at the top write speed, encoded in parts beside
// it), against espeak-ng -w followed by lame on the same text and voice, in
// alternating runs in one process; the median of the pairs' ratios, the
// MP3's length against the WAV's, and the joins checked through sox.
// Usage: bench_convert_mp3 [BYTES] [PAIRS]
#include "bench_support.h"
#include "book_text.h"
#include "mp3_check.h"

#include <QApplication>
#include <QProcess>

#include <algorithm>
#include <unistd.h>

using namespace kalo;
using namespace kalo::bench;

namespace {

double seconds(const QString& path) {
    QProcess soxi;
    soxi.start("soxi", {"-D", path});
    soxi.waitForFinished(60000);
    return soxi.readAllStandardOutput().trimmed().toDouble();
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

QString load() {
    QFile f("/proc/loadavg");
    return f.open(QIODevice::ReadOnly) ? QString::fromLatin1(f.readAll()).section(' ', 0, 0) : "?";
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const qsizetype bytes = argc > 1 ? QByteArray(argv[1]).toLongLong() : 40 * 1024;
    const int pairs = argc > 2 ? std::max(1, QByteArray(argv[2]).toInt()) : 2;

    ScratchConverter converter(BookText(bytes), "English (America) Male - eSpeak NG");
    Settings.AutoName = true;
    Settings.RealTime = 32768;
    const QString ourMp3 = converter.path("mp3/document.mp3");
    const QString ourWav = converter.path("wav/document.wav");
    // The WAV file of a run, kept (as a second name) before the converter
    // deletes it, for the check of the joins.
    const QString keptWav = converter.path("kept.wav");
    bool keep = false;
    QObject::connect(converter.dm->MSpeech1, &TMSpeech::OnStop, [&] {
        if (keep)
            ::link(QFile::encodeName(ourWav).constData(), QFile::encodeName(keptWav).constData());
    });
    auto runOurs = [&] {
        QElapsedTimer t;
        t.start();
        converter.window->ActionTTMExecute();
        SpinUntil([&] { return converter.window->Busy(); }, 5000);
        if (!SpinUntil([&] { return !converter.window->Busy(); }, 60 * 60 * 1000))
            return -1.0;
        return t.elapsed() / 1000.0;
    };
    const QString wav = converter.path("reference.wav");
    const QString mp3 = converter.path("reference.mp3");
    auto runTheirs = [&] {
        QElapsedTimer t;
        t.start();
        QProcess::execute("espeak-ng",
                          {"-v", "en-us", "-w", wav, "-f", converter.path("txt/document.txt")});
        QProcess::execute("lame", {"--quiet", wav, mp3});
        return t.elapsed() / 1000.0;
    };

    std::printf("== Converter F4 (%d CPUs, load %s, %lld bytes, %d pairs)\n",
                QThread::idealThreadCount(), qPrintable(load()), static_cast<long long>(bytes),
                pairs);
    std::vector<double> ours, theirs, ratios;
    for (int pair = 1; pair <= pairs; ++pair) {
        keep = pair == pairs;
        double o = 0, r = 0;
        if (pair % 2) {
            o = runOurs();
            r = runTheirs();
        } else {
            r = runTheirs();
            o = runOurs();
        }
        if (o < 0) {
            std::printf("  the converter did not finish\n");
            return 1;
        }
        ours.push_back(o);
        theirs.push_back(r);
        ratios.push_back(o / r);
        std::printf(
            "  pair %d: converter F4 %7.2f s, espeak-ng -w + lame %7.2f s, ratio %.3f (load %s)\n",
            pair, o, r, o / r, qPrintable(load()));
    }
    const double audio = seconds(wav);
    std::printf("MP3 through the converter of %lld bytes (%.0f s of audio), median of %d pairs:\n",
                static_cast<long long>(bytes), audio, pairs);
    std::printf("  converter F4           %7.2f s\n", median(ours));
    std::printf("  espeak-ng -w + lame    %7.2f s\n", median(theirs));
    std::printf("  ratio                  %7.3f (target at most 0.55)\n", median(ratios));
    const double ourSeconds = seconds(ourMp3), keptSeconds = seconds(keptWav);
    std::printf(
        "  length: MP3 %.3f s, its WAV %.3f s (%+.3f %%); lame's MP3 of espeak-ng's WAV %.3f s\n",
        ourSeconds, keptSeconds, 100 * (ourSeconds - keptSeconds) / keptSeconds, seconds(mp3));
    std::printf("Joins (sox decodes the MP3; shifts of the speech against the run's WAV file):\n");
    PrintMp3Check("converter F4",
                  CheckMp3AgainstWav(keptWav, ourMp3, converter.path("scratch.raw")));
    return 0;
}
