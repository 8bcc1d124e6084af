// Where a central's audio goes: the sound device or a WAV file. A
// destination is given to the mode enumerator's Select and serves the one
// central made there; it takes the audio on a thread of its own and times
// the central's notifications to the audio it has played or written.
#pragma once

#include "speech/tts_engine.h"

#include <QString>

#include <memory>

namespace kalo {

class SpeechStream;

// Rates of destinations: multiples of real time times 256.
inline constexpr quint32 kRealTime1x = 256;
// At this rate and above a file is written as fast as the engine goes.
inline constexpr quint32 kRealTimeUnthrottled = 32768;

class IAudioDestination {
public:
    virtual ~IAudioDestination() = default;
    virtual quint32 RealTimeGet() const = 0;
    // Sets the rate, limited to RealTimeRange(); false when the destination
    // has one fixed rate (the sound device plays in real time).
    virtual bool RealTimeSet(quint32 rate) = 0;
    virtual TTSRange RealTimeRange() const = 0;

    // For the central: starts taking the stream's audio; throws KaloError
    // when the destination already serves a central.
    virtual void Attach(std::shared_ptr<SpeechStream> stream) = 0;
    // Stops at once and lets go of the stream.
    virtual void Detach() = 0;
};

// The sound device: QAudioSink on the default output, stereo, with the
// process-wide output volume applied to each channel. Without an output
// device a null device takes the audio at real-time pace, so the
// notifications still come in order and with real timing.
class IAudioMultiMediaDevice : public IAudioDestination {
public:
    // True while audio goes to a real output device.
    virtual bool HasOutputDevice() const = 0;
};

// Receives a copy of what a file destination writes: on the destination's
// writer thread, in order, exactly the samples that reach the file (none of
// a text stopped before they were written), at the engine's rate whatever
// the file's format. It must not call back into the destination.
class IAudioTap {
public:
    virtual ~IAudioTap() = default;
    virtual void Samples(const qint16* samples, qsizetype count, int sampleRate) = 0;
};

// The kinds of file a file destination writes.
enum class AudioFileFormat {
    Wav,    // 16-bit PCM, mono, at the engine's rate
    Opus,   // Ogg Opus at a speech bit rate, the speech resampled to 16 kHz
    Vorbis, // Ogg Vorbis at a speech quality
    Flac,   // FLAC, 16-bit, lossless
    None,   // nothing is written; only the length of the audio is counted
};

// An audio file, written no faster than the rate allows (unthrottled from
// kRealTimeUnthrottled on; that is also the rate a new file destination
// starts with). A WAV file's header is complete whenever a text has been
// written to its end, and after Flush; a compressed file is complete once a
// text has been written to its end or stopped (it cannot grow afterwards:
// the next text needs a new Set).
class IAudioFile : public IAudioDestination {
public:
    // Points the destination at a file for the texts that follow; flags 1
    // creates or replaces it. The previous file is completed and closed.
    // False when the file cannot be created (LastError tells why).
    virtual bool Set(const QString& fileName, quint32 flags) = 0;
    // Completes the header and hands the written data to the system.
    virtual bool Flush() = 0;
    virtual QString FileName() const = 0;
    virtual QString LastError() const = 0;
    // How long the audio written to the file (the current one, or the last
    // one) lasts, in milliseconds of the engine's audio.
    virtual qint64 WrittenMs() const = 0;
    virtual AudioFileFormat Format() const = 0;
    // Hands every sample written from now on to tap as well (null: to no
    // tap); it stays set for the files that follow.
    virtual void SetTap(std::shared_ptr<IAudioTap> tap) = 0;
};

enum class AudioDeviceKind {
    Default, // the default output; the null device when there is none
    Null,    // always the null device
};

std::shared_ptr<IAudioMultiMediaDevice>
CreateAudioDevice(AudioDeviceKind kind = AudioDeviceKind::Default);
std::shared_ptr<IAudioFile> CreateAudioFile(AudioFileFormat format = AudioFileFormat::Wav);

// The largest WAV data block a header can describe; a file destination
// reports an error and ends the text there. Replaceable for tests.
qint64 WavDataLimit();
void SetWavDataLimitForTests(qint64 bytes); // 0 restores the real limit

// Benchmarks: a function the sound device calls, on its own thread, the
// moment the first samples of each text are played (written to the output,
// or consumed by the null device's clock). Null switches it off.
using FirstSampleProbe = void (*)();
void SetFirstSampleProbe(FirstSampleProbe probe);

// The 44-byte header of a PCM WAV file with dataBytes of 16-bit mono data.
QByteArray WavHeader(int sampleRate, quint32 dataBytes);

} // namespace kalo
