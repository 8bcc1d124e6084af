// Delay from a qualifying clipboard change to the first audio sample of the
// character's speech: the clipboard watch, the player's Speak Clipboard, the
// character's Read (with and without its reading animation) and the speech
// engine, up to the sound device (the null device here, which plays in real
// time). Prints the median and the worst of many copies.
#include "player_bench.h"

#include <QApplication>
#include <QClipboard>
#include <QFileInfo>

#include <vector>

using namespace kalo;
using namespace kalo::bench;

namespace {

// Milliseconds from each copy to the first sample of its speech.
std::vector<double> Measure(TFormKALO* form, int copies) {
    std::vector<double> delays;
    QClipboard* clipboard = QGuiApplication::clipboard();
    for (int i = 0; i < copies; ++i) {
        FirstSample::Reset();
        const qint64 start = NowNs();
        clipboard->setText(QStringLiteral("Copy number %1 is read aloud at once.").arg(i));
        if (!SpinUntil([] { return FirstSample::At() != 0; }, 10000)) {
            std::fprintf(stderr, "copy %d was never heard (label: %s)\n", i,
                         qPrintable(form->LabelFileName->text()));
            continue;
        }
        delays.push_back((FirstSample::At() - start) / 1e6);
        // Let it speak a little; the next copy interrupts it.
        SpinUntil([] { return false; }, 250);
    }
    return delays;
}

void Print(const char* what, std::vector<double> delays) {
    if (delays.empty()) {
        std::printf("%s: no copy was heard\n", what);
        return;
    }
    std::sort(delays.begin(), delays.end());
    const double median = delays[delays.size() / 2];
    std::printf("Clipboard change to first audio sample, %s (%zu copies, null device): "
                "median %.1f ms, worst %.1f ms, best %.1f ms (target under 100 ms)\n",
                what, delays.size(), median, delays.back(), delays.front());
}

// The longest time the window's thread was busy while a large text file
// (the reading list's entry) was started: a 1 ms timer measures the gaps.
double LongestStall(TFormKALO* form, const QString& path) {
    dmMain->FileList = {path};
    form->ItemIndex = 0;
    StallMeter stalls;
    stalls.Start();
    form->ActionPlay->trigger();
    const QString expected = QStringLiteral("1. ") + QFileInfo(path).fileName();
    SpinUntil([&] { return form->LabelFileName->text().startsWith(expected); }, 120000);
    SpinUntil([] { return false; }, 2000);
    stalls.Stop();
    form->ActionStop->trigger();
    return stalls.LongestMs();
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const int copies = argc > 1 ? std::max(1, atoi(argv[1])) : 30;
    FirstSample probe;
    ScratchPlayer player(QStringLiteral(KALO_SOURCE_DIR));
    if (!player.Ready())
        return 1;
    TFormKALO* form = player.Form();
    SpinUntil([] { return false; }, 500);
    Print("with the reading animation", Measure(form, copies));
    form->JQChar->AnimationOn = false;
    Print("without animations", Measure(form, copies));
    // A 50 MB entry: read and decoded off the window's thread.
    QFile large(player.Path("large.txt"));
    large.open(QIODevice::WriteOnly);
    const QByteArray line = "Words of a very long document, read aloud by the character.\n";
    for (qint64 written = 0; written < 50LL * 1024 * 1024; written += line.size())
        large.write(line);
    large.close();
    std::printf("Longest stall of the window while a 50 MB text file starts playing: %.0f ms\n",
                LongestStall(form, large.fileName()));
    return 0;
}
