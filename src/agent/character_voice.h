// A character's voice: one speech mode of the speech layer speaking to the
// sound device (or the null device), with the callbacks the character
// needs while a text is spoken: words, bookmarks, mouth pictures, the end.
// Everything is called and calls back on the user-interface thread.
#pragma once

#include "speech/audio_destinations.h"
#include "speech/tts_central.h"
#include "speech/tts_enum.h"

#include <functional>
#include <memory>

namespace kalo {

class CharacterVoice {
public:
    struct Callbacks {
        std::function<void()> started;
        std::function<void(quint32 offset)> word; // into the spoken text
        std::function<void(quint32 id)> bookmark;
        std::function<void(int picture)> mouth; // see MouthPicture
        std::function<void()> done;
    };

    CharacterVoice(std::shared_ptr<TTSEnum> modes, AudioDeviceKind device);
    ~CharacterVoice();

    // The modes to choose from (may be empty when no engine runs).
    const std::vector<TTSModeInfo>& Modes() const;
    QUuid Mode() const { return mode_; }
    // Throws KaloError when no installed mode has the identifier. A text
    // being spoken goes on in the mode it began with.
    void SetMode(const QUuid& mode);
    // The ranges of the mode's engine; throws KaloError when no mode is set.
    TTSEngineRanges Ranges();

    // Speaks one text, replacing any text in progress (whose callbacks then
    // stay silent). Throws KaloError when the mode cannot speak.
    void Speak(const TTSMarkedText& text, Callbacks callbacks);
    // Stops at once; no more callbacks of the text.
    void Stop();
    bool Speaking() const { return speaking_; }

private:
    class Sink;
    std::shared_ptr<ITTSCentralA> central();

    std::shared_ptr<TTSEnum> modes_;
    AudioDeviceKind device_;
    QUuid mode_;
    QUuid centralMode_; // the mode the central speaks in
    std::shared_ptr<ITTSCentralA> central_;
    std::shared_ptr<Sink> sink_;
    quint64 generation_ = 0;
    bool speaking_ = false;
    Callbacks callbacks_;
};

} // namespace kalo
