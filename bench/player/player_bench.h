// Shared pieces of the player benchmarks: the player window with James over
// a scratch application folder, a probe for the first audio sample, and a
// meter of how long the window's thread goes without handling its events.
#pragma once

#include "agent/jq_agent.h"
#include "base/settings_store.h"
#include "player/player_window.h"
#include "services/data_module.h"
#include "services/interface_windows.h"
#include "speech/audio_destinations.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <memory>

namespace kalo::bench {

inline qint64 NowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// When the sound device got its first sample since Reset (0: not yet).
class FirstSample {
public:
    FirstSample() { SetFirstSampleProbe(&FirstSample::Probe); }
    ~FirstSample() { SetFirstSampleProbe(nullptr); }
    FirstSample(const FirstSample&) = delete;
    FirstSample& operator=(const FirstSample&) = delete;
    static void Reset() { at().store(0); }
    static qint64 At() { return at().load(); }

private:
    static std::atomic<qint64>& at() {
        static std::atomic<qint64> value{0};
        return value;
    }
    static void Probe() {
        qint64 expected = 0;
        at().compare_exchange_strong(expected, NowNs());
    }
};

// Handles events until done() or the time runs out.
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

// The longest gap between the ticks of a 1 ms timer on the window's thread
// while it runs: how long the window could not have answered the user.
class StallMeter {
public:
    StallMeter() {
        ticker_.setTimerType(Qt::PreciseTimer);
        ticker_.setInterval(1);
        QObject::connect(&ticker_, &QTimer::timeout, [this] { tick(); });
    }
    void Start() {
        clock_.start();
        last_ = 0;
        longest_ = 0;
        ticker_.start();
    }
    void Stop() {
        tick();
        ticker_.stop();
    }
    double LongestMs() const { return longest_ / 1e6; }

private:
    void tick() {
        const qint64 now = clock_.nsecsElapsed();
        longest_ = std::max(longest_, now - last_);
        last_ = now;
    }
    QTimer ticker_;
    QElapsedTimer clock_;
    qint64 last_ = 0;
    qint64 longest_ = 0;
};

// The cartoon interface with James over a scratch application folder, in a
// plain skin, reading every copy at once.
class ScratchPlayer {
public:
    explicit ScratchPlayer(const QString& sourceDir) {
        const QString appPath = folder_.path() + "/";
        QDir().mkpath(appPath + "chars");
        QDir().mkpath(appPath + "skins/Plain");
        QImage face(275, 116, QImage::Format_RGB32);
        face.fill(Qt::darkGray);
        face.save(appPath + "skins/Plain/Main.bmp", "BMP");
        if (!QFile::copy(sourceDir + "/data/chars/James.acs", appPath + "chars/James.acs")) {
            std::fprintf(stderr, "no character file\n");
            return;
        }
        SetAppPathOverride(appPath);
        dm_ = std::make_unique<TdmMain>();
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
        form_ = new TFormKALO;
        FormKALO = form_;
        form_->show();
        if (!form_->JQChar)
            std::fprintf(stderr, "the character did not load\n");
    }
    ~ScratchPlayer() {
        delete form_;
        dm_.reset();
        SetAppPathOverride(QString());
    }
    ScratchPlayer(const ScratchPlayer&) = delete;
    ScratchPlayer& operator=(const ScratchPlayer&) = delete;

    bool Ready() const { return form_ && form_->JQChar; }
    TFormKALO* Form() const { return form_; }
    QString Path(const QString& name) const { return folder_.path() + "/" + name; }

private:
    QTemporaryDir folder_;
    std::unique_ptr<TdmMain> dm_;
    TFormKALO* form_ = nullptr;
};

} // namespace kalo::bench
