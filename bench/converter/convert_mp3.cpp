// A document converted to MP3 through the converter's own code path (speech
// into a WAV file at the top write speed, then lame), against espeak-ng -w
// followed by lame on the same text and voice, side by side in one run.
#include "bench_support.h"

#include <QApplication>
#include <QProcess>

using namespace kalo;
using namespace kalo::bench;

namespace {
double seconds(const QString& path) {
    QProcess soxi;
    soxi.start("soxi", {"-D", path});
    soxi.waitForFinished(60000);
    return soxi.readAllStandardOutput().trimmed().toDouble();
}
} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const qsizetype bytes = argc > 1 ? QByteArray(argv[1]).toLongLong() : 100 * 1024;
    const QByteArray text = EnglishProse(bytes);

    ScratchConverter converter(text, "English (America) Male - eSpeak NG");
    Settings.AutoName = true;
    Settings.RealTime = 32768;
    QElapsedTimer t;
    t.start();
    converter.window->ActionTTMExecute();
    SpinUntil([&] { return converter.window->Busy(); }, 5000);
    if (!SpinUntil([&] { return !converter.window->Busy(); }, 30 * 60 * 1000))
        return 1;
    const double ours = t.elapsed() / 1000.0;
    const QString ourMp3 = converter.path("mp3/document.mp3");

    // The same with the engine's own command and the encoder.
    const QString wav = converter.path("reference.wav");
    const QString mp3 = converter.path("reference.mp3");
    t.restart();
    QProcess espeak;
    espeak.start("espeak-ng", {"-v", "en-us", "-w", wav, "-f", converter.path("txt/document.txt")});
    espeak.waitForFinished(-1);
    QProcess lame;
    lame.start("lame", {"--quiet", wav, mp3});
    lame.waitForFinished(-1);
    const double theirs = t.elapsed() / 1000.0;

    printf("MP3 conversion of %lld kB: Kalotalk %.2f s (%.0f s of audio), espeak-ng -w + lame %.2f s "
           "(%.0f s of audio); ratio %.3f (target at most 1.10)\n",
           static_cast<long long>(bytes / 1024), ours, seconds(ourMp3), theirs, seconds(mp3),
           ours / theirs);
    return 0;
}
