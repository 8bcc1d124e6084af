// The sound-device destination. A worker object on a thread of its own
// feeds a QAudioSink (push mode) from the stream and times the
// notifications by what the sink reports as played. Without an output
// device a null device consumes the audio by the clock instead.
#include "speech/audio_destinations.h"
#include "base/output_volume.h"
#include "speech/speech_stream.h"

#include "base/kalo_error.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSink>
#include <QElapsedTimer>
#include <QMediaDevices>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <cmath>

namespace kalo {

namespace {

std::atomic<FirstSampleProbe> g_firstSampleProbe{nullptr};

// Tells the probe, once per text, that the text's first samples were played.
void ProbeFirstSample(bool& probed) {
    if (probed)
        return;
    probed = true;
    if (const FirstSampleProbe probe = g_firstSampleProbe.load())
        probe();
}

constexpr int kTickMs = 10;
// A sink that plays nothing for this long while it has audio has failed.
constexpr qint64 kStallMs = 3000;

class DeviceWorker : public QObject {
public:
    DeviceWorker(std::shared_ptr<SpeechStream> stream, bool useDevice, std::atomic<bool>& hasDevice)
        : cursor_(std::move(stream)), tryDevice_(useDevice), hasDevice_(hasDevice), timer_(this) {
        timer_.setInterval(kTickMs);
        timer_.setTimerType(Qt::PreciseTimer);
        QObject::connect(&timer_, &QTimer::timeout, this, [this] { pump(); });
    }

    void pump() {
        if (pumping_)
            return;
        pumping_ = true;
        deleteRetired();
        // Finishing a text may let the next one start at once.
        for (int round = 0; round < 4 && step(); ++round) {
        }
        pumping_ = false;
    }

    void shutdown() {
        timer_.stop();
        pumping_ = true; // nothing more from the timer or wake-ups
        closeSink();
        deleteRetired();
    }

private:
    SpeechStream& stream() { return cursor_.stream(); }
    int rate() { return stream().sampleRate(); }

    // One step; true when a text ended and another may follow at once.
    bool step() {
        if (stream().closed()) {
            timer_.stop();
            closeSink();
            return false;
        }
        if (cursor_.syncReset()) {
            closeSink();
            paused_ = false;
        }
        if (stream().paused()) {
            if (!paused_) {
                paused_ = true;
                if (sink_)
                    sink_->suspend();
                else if (cursor_.hasText())
                    pausedAt_ = nullPlayed();
            }
            timer_.stop();
            return false;
        }
        if (paused_) {
            paused_ = false;
            if (sink_) {
                sink_->resume();
                stallClock_.restart();
            } else {
                restartNullClock(pausedAt_);
            }
        }
        if (!cursor_.hasText()) {
            if (!cursor_.startNextText()) {
                timer_.stop();
                return false;
            }
            beginText();
        }
        if (!timer_.isActive())
            timer_.start();
        return sink_ ? stepSink() : stepNull();
    }

    void beginText() {
        written_ = 0;
        lastProcessed_ = -1;
        probed_ = false;
        if (tryDevice_ && openSink())
            return;
        restartNullClock(0);
    }

    // --- null device: the clock decides what has been played
    // In microseconds first, so a text of days does not overflow.
    qint64 nullPlayed() const {
        return nullBase_ + nullClock_.nsecsElapsed() / 1000 * rate_ / 1000000;
    }
    void restartNullClock(qint64 from) {
        rate_ = rate();
        nullBase_ = from;
        nullClock_.start();
    }

    bool stepNull() {
        qint64 played = nullPlayed();
        while (cursor_.consumed() < played) {
            if (cursor_.read(nullptr, played - cursor_.consumed()) == 0)
                break;
        }
        if (cursor_.consumed() > 0)
            ProbeFirstSample(probed_);
        if (cursor_.consumed() < played && !cursor_.atEnd()) {
            // The synthesis fell behind: the clock waits for it.
            played = cursor_.consumed();
            restartNullClock(played);
        }
        if (!cursor_.postDue(std::min(played, cursor_.consumed())))
            return false;
        if (cursor_.atEnd() && played >= cursor_.consumed())
            return cursor_.finish();
        return false;
    }

    // --- a real output through QAudioSink
    bool openSink() {
        const QAudioDevice device = QMediaDevices::defaultAudioOutput();
        if (device.isNull()) {
            hasDevice_ = false;
            return false;
        }
        QAudioFormat format;
        format.setSampleRate(rate());
        format.setChannelCount(2);
        format.setSampleFormat(QAudioFormat::Int16);
        if (!device.isFormatSupported(format)) {
            warnOnce(
                QStringLiteral("The sound device cannot play the speech; it is played silently"),
                0);
            hasDevice_ = false;
            return false;
        }
        sink_ = new QAudioSink(device, format, this);
        io_ = sink_->start();
        if (!io_ || sink_->state() == QAudio::StoppedState) {
            closeSink();
            warnOnce(QStringLiteral(
                         "The sound device could not be opened; the speech is played silently"),
                     0);
            hasDevice_ = false;
            return false;
        }
        hasDevice_ = true;
        stallClock_.start();
        return true;
    }

    // Qt's PulseAudio sink runs the event loop inside its destructor, which
    // would call pump() again from the middle of a step: a closed sink is
    // deleted at the start of the next pump (or at shutdown), where that is
    // harmless.
    void closeSink() {
        if (!sink_)
            return;
        sink_->reset();
        sink_->stop();
        retired_.push_back(sink_);
        sink_ = nullptr;
        io_ = nullptr;
    }

    void deleteRetired() {
        while (!retired_.empty()) {
            QAudioSink* sink = retired_.back();
            retired_.pop_back();
            delete sink;
        }
    }

    // The sink failed mid-text: go on with the null device from where the
    // sink had got to.
    void fallBack(const QString& why) {
        const qint64 played = sinkPlayed();
        closeSink();
        tryDevice_ = false;
        hasDevice_ = false;
        restartNullClock(played);
        warnOnce(why, played);
    }

    qint64 sinkPlayed() const {
        const qint64 p = sink_ ? sink_->processedUSecs() * rate_ / 1000000 : 0;
        return std::min(p, written_);
    }

    bool stepSink() {
        rate_ = rate();
        if (sink_->state() == QAudio::StoppedState && sink_->error() != QAudio::NoError) {
            fallBack(
                QStringLiteral("The sound device stopped working; the speech is played silently"));
            return stepNull();
        }
        const qint64 frames = sink_->bytesFree() / 4;
        if (frames > 0) {
            mono_.resize(size_t(frames));
            const qsizetype n = cursor_.read(mono_.data(), qsizetype(frames));
            if (n > 0) {
                stereo_.resize(size_t(n) * 2);
                const double left = OutputVolumeLeft();
                const double right = OutputVolumeRight();
                for (qsizetype i = 0; i < n; ++i) {
                    stereo_[size_t(2 * i)] = qint16(std::lround(mono_[size_t(i)] * left));
                    stereo_[size_t(2 * i + 1)] = qint16(std::lround(mono_[size_t(i)] * right));
                }
                io_->write(reinterpret_cast<const char*>(stereo_.data()), qint64(n) * 4);
                written_ += n;
                ProbeFirstSample(probed_);
            }
        }
        const qint64 played = sinkPlayed();
        if (played != lastProcessed_ || played >= written_) {
            lastProcessed_ = played;
            stallClock_.restart();
        } else if (stallClock_.elapsed() > kStallMs) {
            fallBack(
                QStringLiteral("The sound device does not play; the speech is played silently"));
            return stepNull();
        }
        if (!cursor_.postDue(played))
            return false;
        const bool drained = played >= written_ || (sink_->state() == QAudio::IdleState &&
                                                    sink_->bytesFree() >= sink_->bufferSize());
        if (cursor_.atEnd() && drained) {
            if (!cursor_.finish())
                return false;
            closeSink();
            return true;
        }
        return false;
    }

    // The warning takes its place among the text's notifications at sample `at`.
    void warnOnce(const QString& message, qint64 at) {
        if (warned_)
            return;
        warned_ = true;
        StreamEvent e;
        e.kind = StreamEvent::Warning;
        e.sample = at;
        e.value = 1;
        e.text = message;
        cursor_.insertEvent(std::move(e));
    }

    StreamCursor cursor_;
    bool tryDevice_;
    std::atomic<bool>& hasDevice_;
    QTimer timer_;
    bool paused_ = false;
    bool warned_ = false;
    bool pumping_ = false;
    qint64 rate_ = 22050;

    QElapsedTimer nullClock_;
    qint64 nullBase_ = 0;
    qint64 pausedAt_ = 0;

    QAudioSink* sink_ = nullptr;
    QIODevice* io_ = nullptr;
    std::vector<QAudioSink*> retired_;
    qint64 written_ = 0;
    bool probed_ = false; // the probe heard of this text's first samples
    qint64 lastProcessed_ = -1;
    QElapsedTimer stallClock_;
    std::vector<qint16> mono_;
    std::vector<qint16> stereo_;
};

class AudioDevice : public IAudioMultiMediaDevice {
public:
    explicit AudioDevice(AudioDeviceKind kind) : kind_(kind) {
        hasDevice_ = kind == AudioDeviceKind::Default && !QMediaDevices::audioOutputs().isEmpty();
    }
    ~AudioDevice() override { Detach(); }

    quint32 RealTimeGet() const override { return kRealTime1x; }
    bool RealTimeSet(quint32) override { return false; }
    TTSRange RealTimeRange() const override { return {kRealTime1x, kRealTime1x, kRealTime1x}; }
    bool HasOutputDevice() const override { return hasDevice_; }

    void Attach(std::shared_ptr<SpeechStream> stream) override {
        if (thread_)
            throw KaloError(QStringLiteral("The audio destination is already in use"));
        stream_ = stream;
        thread_ = new QThread;
        thread_->setObjectName(QStringLiteral("kalo-audio"));
        const bool useDevice = kind_ == AudioDeviceKind::Default && hasDevice_;
        worker_ = new DeviceWorker(stream, useDevice, hasDevice_);
        worker_->moveToThread(thread_);
        thread_->start(QThread::TimeCriticalPriority);
        DeviceWorker* w = worker_;
        stream->setWakeup([w] {
            QMetaObject::invokeMethod(
                w, [w] { w->pump(); }, Qt::QueuedConnection);
        });
    }

    void Detach() override {
        if (!thread_)
            return;
        stream_->setWakeup(nullptr);
        DeviceWorker* w = worker_;
        QMetaObject::invokeMethod(
            w, [w] { w->shutdown(); }, Qt::BlockingQueuedConnection);
        thread_->quit();
        thread_->wait();
        delete worker_;
        delete thread_;
        worker_ = nullptr;
        thread_ = nullptr;
        stream_.reset();
    }

private:
    AudioDeviceKind kind_;
    std::atomic<bool> hasDevice_{false};
    std::shared_ptr<SpeechStream> stream_;
    QThread* thread_ = nullptr;
    DeviceWorker* worker_ = nullptr;
};

} // namespace

void SetFirstSampleProbe(FirstSampleProbe probe) {
    g_firstSampleProbe.store(probe);
}

std::shared_ptr<IAudioMultiMediaDevice> CreateAudioDevice(AudioDeviceKind kind) {
    return std::make_shared<AudioDevice>(kind);
}

} // namespace kalo
