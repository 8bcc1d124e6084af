// The central of a selected mode: takes texts, pauses, resumes and resets
// the speech, and reports through the registered notification sinks. Its
// attributes (pitch, speed, volume, real-time rate) and dialogs come with it.
//
// A central belongs to the thread that created it (the user-interface
// thread): it is called there, and every notification is delivered there,
// in order, from that thread's event loop. The synthesis runs on a thread of
// the central's own, the audio on the destination's.
#pragma once

#include "speech/audio_destinations.h"
#include "speech/tts_engine.h"
#include "speech/tts_types.h"

#include <memory>

namespace kalo {

class ITTSAttributesA {
public:
    virtual ~ITTSAttributesA() = default;
    // Each setter limits the value to its range, applies it to the texts
    // handed over afterwards, and reports AttribChanged when it changed.
    virtual quint16 PitchGet() const = 0;
    virtual void PitchSet(quint16 pitch) = 0;
    virtual quint32 SpeedGet() const = 0;
    virtual void SpeedSet(quint32 speed) = 0;
    virtual quint32 VolumeGet() const = 0;
    virtual void VolumeSet(quint32 volume) = 0;
    // The destination's rate (multiple of real time times 256).
    virtual quint32 RealTimeGet() const = 0;
    virtual void RealTimeSet(quint32 rate) = 0;
    virtual TTSEngineRanges Ranges() const = 0;
    virtual TTSRange RealTimeRange() const = 0;
};

class ITTSDialogsA {
public:
    virtual ~ITTSDialogsA() = default;
    // A line about the engine behind the mode, for an about box.
    virtual QString AboutText() const = 0;
};

class ITTSCentralA {
public:
    virtual ~ITTSCentralA() = default;
    // Queues a text; texts are spoken one after another. Each gives
    // AudioStart when its audio begins and AudioStop when it has been
    // played (or written) to its end; bufSink (may be null) follows its
    // words and bookmarks.
    virtual void TextData(const QString& text, std::shared_ptr<ITTSBufNotifySink> bufSink) = 0;
    virtual void TextData(const TTSMarkedText& text,
                          std::shared_ptr<ITTSBufNotifySink> bufSink) = 0;
    // Halts the audio at once where it is (AudioStop follows) / goes on
    // from there (AudioStart follows).
    virtual void AudioPause() = 0;
    virtual void AudioResume() = 0;
    // Drops every text handed over so far, at once; AudioStop follows when
    // audio was playing, and nothing else of those texts.
    virtual void AudioReset() = 0;
    // Returns the key (never 0) for UnRegister.
    virtual quint32 Register(std::shared_ptr<ITTSNotifySink2A> sink) = 0;
    // Throws KaloError for a key that is not registered.
    virtual void UnRegister(quint32 key) = 0;
    virtual std::shared_ptr<ITTSAttributesA> Attributes() = 0;
    virtual std::shared_ptr<ITTSDialogsA> Dialogs() = 0;
    virtual const TTSModeInfo& ModeInfo() const = 0;
};

// A central for one mode of an engine, speaking to the destination (which
// must not serve another central). Throws KaloError when the destination
// is in use.
std::shared_ptr<ITTSCentralA> CreateTTSCentral(std::shared_ptr<ITTSEngine> engine,
                                               const TTSModeInfo& mode,
                                               std::shared_ptr<IAudioDestination> destination);

} // namespace kalo
