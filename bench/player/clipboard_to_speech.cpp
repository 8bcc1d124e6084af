// Delay from a qualifying clipboard change to the first audio sample of the
// character's speech: the clipboard watch, the player's Speak Clipboard, the
// character's Read (with and without its reading animation) and the speech
// engine, up to the sound device (the null device here, which plays in real
// time). Prints the median and the worst of many copies.
#include "agent/jq_agent.h"
#include "base/settings_store.h"
#include "player/player_window.h"
#include "services/data_module.h"
#include "services/interface_windows.h"
#include "speech/audio_destinations.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <vector>

using namespace kalo;

namespace {

std::atomic<qint64> g_firstSample{0};

qint64 Now() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

void FirstSample() {
    qint64 expected = 0;
    g_firstSample.compare_exchange_strong(expected, Now());
}

template <typename Done> bool SpinUntil(Done done, int timeoutMs) {
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
    }
    return true;
}

// Milliseconds from each copy to the first sample of its speech.
std::vector<double> Measure(TFormKALO* form, int copies) {
    std::vector<double> delays;
    QClipboard* clipboard = QGuiApplication::clipboard();
    for (int i = 0; i < copies; ++i) {
        g_firstSample = 0;
        const qint64 start = Now();
        clipboard->setText(QStringLiteral("Copy number %1 is read aloud at once.").arg(i));
        if (!SpinUntil([] { return g_firstSample.load() != 0; }, 10000)) {
            std::fprintf(stderr, "copy %d was never heard (label: %s)\n", i,
                         qPrintable(form->LabelFileName->text()));
            continue;
        }
        delays.push_back((g_firstSample.load() - start) / 1e6);
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
    QElapsedTimer clock;
    clock.start();
    qint64 last = 0;
    qint64 longest = 0;
    QTimer ticker;
    ticker.setInterval(1);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        const qint64 now = clock.nsecsElapsed();
        longest = std::max(longest, now - last);
        last = now;
    });
    ticker.start();
    form->ActionPlay->trigger();
    last = clock.nsecsElapsed();
    const QString expected = QStringLiteral("1. ") + QFileInfo(path).fileName();
    SpinUntil([&] { return form->LabelFileName->text().startsWith(expected); }, 120000);
    SpinUntil([] { return false; }, 2000);
    ticker.stop();
    form->ActionStop->trigger();
    return longest / 1e6;
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const int copies = argc > 1 ? std::max(1, atoi(argv[1])) : 30;
    const QString source = QStringLiteral(KALO_SOURCE_DIR);

    QTemporaryDir folder;
    const QString appPath = folder.path() + "/";
    QDir().mkpath(appPath + "chars");
    QDir().mkpath(appPath + "skins/Plain");
    QImage face(275, 116, QImage::Format_RGB32);
    face.fill(Qt::darkGray);
    face.save(appPath + "skins/Plain/Main.bmp", "BMP");
    if (!QFile::copy(source + "/data/chars/James.acs", appPath + "chars/James.acs")) {
        std::fprintf(stderr, "no character file\n");
        return 1;
    }
    SetAppPathOverride(appPath);
    SetFirstSampleProbe(FirstSample);
    int status = 0;
    {
        TdmMain dm;
        Settings.ActiveUI = 1;
        Settings.AutoSpeak = true;
        Settings.IgnoreLen = 1;
        Settings.GreetingWhenStart = false;
        Settings.Char1 = QStringLiteral("James");
        Settings.Char1Visible = true;
        Settings.SoundEffectsOn = false;
        Settings.AnimationOn = true;
        Settings.Skin = QStringLiteral("Plain");
        Settings.Tone = -1;
        auto* form = new TFormKALO;
        FormKALO = form;
        form->show();
        if (!form->JQChar) {
            std::fprintf(stderr, "the character did not load\n");
            status = 1;
        } else {
            SpinUntil([] { return false; }, 500);
            Print("with the reading animation", Measure(form, copies));
            form->JQChar->AnimationOn = false;
            Print("without animations", Measure(form, copies));
            // A 50 MB entry: read and decoded off the window's thread.
            QFile large(appPath + "large.txt");
            large.open(QIODevice::WriteOnly);
            const QByteArray line = "Words of a very long document, read aloud by the character.\n";
            for (qint64 written = 0; written < 50LL * 1024 * 1024; written += line.size())
                large.write(line);
            large.close();
            std::printf("Longest stall of the window while a 50 MB text file starts playing: "
                        "%.0f ms\n",
                        LongestStall(form, large.fileName()));
        }
        delete form;
    }
    SetFirstSampleProbe(nullptr);
    SetAppPathOverride(QString());
    return status;
}
