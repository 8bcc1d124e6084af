#include "agent/sound_effects.h"

#include "agent/acs_file.h"
#include "speech/speech_stream.h"

#include <algorithm>
#include <cmath>

namespace kalo {

std::vector<qint16> Resample(const std::vector<qint16>& samples, int fromRate, int toRate) {
    if (fromRate <= 0 || toRate <= 0 || samples.empty() || fromRate == toRate)
        return samples;
    const size_t n = size_t(std::llround(double(samples.size()) * toRate / fromRate));
    std::vector<qint16> out(n);
    const double step = double(fromRate) / toRate;
    for (size_t i = 0; i < n; ++i) {
        const double at = double(i) * step;
        const size_t k = size_t(at);
        const double f = at - double(k);
        const double a = samples[std::min(k, samples.size() - 1)];
        const double b = samples[std::min(k + 1, samples.size() - 1)];
        out[i] = qint16(std::lround(a + (b - a) * f));
    }
    return out;
}

SoundEffects::SoundEffects(AudioDeviceKind device) {
    stream_ = std::make_shared<SpeechStream>(kRate, &receiver_, [this](const StreamEvent& e) {
        if (stream_->isCancelled(e.textId))
            return;
        if (e.kind == StreamEvent::TextBegin)
            ++started_;
        else if (e.kind == StreamEvent::TextEnd)
            ++finished_;
    });
    device_ = CreateAudioDevice(device);
    device_->Attach(stream_);
}

SoundEffects::~SoundEffects() {
    stream_->close();
    device_->Detach();
}

void SoundEffects::Play(const std::vector<qint16>& samples, int sampleRate) {
    if (pushed_ - finished_ >= 2)
        return;
    PlayPrepared(Prepare(samples, sampleRate));
}

void SoundEffects::PlayPrepared(std::vector<qint16> samples) {
    // Two sounds at most waiting or playing, of four seconds at most: the
    // stream never makes this thread wait for room.
    if (pushed_ - finished_ >= 2 || samples.empty())
        return;
    if (samples.size() > size_t(kRate) * 4)
        samples.resize(size_t(kRate) * 4);
    AudioPacket p;
    p.kind = AudioPacket::End; // the whole sound in one packet
    p.textId = stream_->newTextId();
    p.samples = std::move(samples);
    if (stream_->push(std::move(p)))
        ++pushed_;
}

std::vector<qint16> SoundEffects::Prepare(const std::vector<qint16>& samples, int sampleRate) {
    if (sampleRate < acs::kMinSoundRate || sampleRate > acs::kMaxSoundRate)
        return {};
    const size_t fourSeconds = size_t(sampleRate) * 4;
    if (samples.size() <= fourSeconds)
        return Resample(samples, sampleRate, kRate);
    return Resample(std::vector<qint16>(samples.begin(), samples.begin() + qsizetype(fourSeconds)),
                    sampleRate, kRate);
}

void SoundEffects::Stop() {
    stream_->reset();
    finished_ = pushed_; // the cancelled ones end unheard
    started_ = std::max(started_, finished_);
}

} // namespace kalo
