// The sounds of animation frames, played one after another through the
// speech layer's sound-device destination: the default output with the
// process-wide output volume, or the null device when there is none.
#pragma once

#include "speech/audio_destinations.h"

#include <QObject>

#include <memory>
#include <vector>

namespace kalo {

class SpeechStream;

class SoundEffects {
public:
    // The rate every sound is converted to before it is played.
    static constexpr int kRate = 22050;

    explicit SoundEffects(AudioDeviceKind device);
    ~SoundEffects();

    // Queues a mono sound behind those still playing, as Prepare makes it; a
    // sound is dropped while two are still waiting or playing.
    void Play(const std::vector<qint16>& samples, int sampleRate);
    // The same for a sound already prepared.
    void PlayPrepared(std::vector<qint16> samples);
    // What a sound plays as: its first four seconds (cut before the rate
    // changes, so a long sound at a low rate costs no more than four
    // seconds), at kRate. Nothing for a rate outside kMinSoundRate to
    // kMaxSoundRate.
    static std::vector<qint16> Prepare(const std::vector<qint16>& samples, int sampleRate);
    // Drops every sound queued or playing.
    void Stop();
    // Sounds that began to play / played to their end so far.
    int Started() const { return started_; }
    int Finished() const { return finished_; }

private:
    QObject receiver_;
    std::shared_ptr<SpeechStream> stream_;
    std::shared_ptr<IAudioMultiMediaDevice> device_;
    int started_ = 0;
    int finished_ = 0;
    int pushed_ = 0;
};

// Linear resampling of mono samples.
std::vector<qint16> Resample(const std::vector<qint16>& samples, int fromRate, int toRate);

} // namespace kalo
