// The mode enumerator: lists the modes of every engine and makes a central
// for a chosen mode. The character's voice list and the speech component
// both read it; it needs no window and no running speech.
#pragma once

#include "speech/audio_destinations.h"
#include "speech/tts_central.h"
#include "speech/tts_engine.h"

#include <memory>
#include <vector>

namespace kalo {

class ITTSEnumA {
public:
    virtual ~ITTSEnumA() = default;
    // Back to the first mode.
    virtual void Reset() = 0;
    // Appends up to count descriptions to modes and returns how many; 0
    // after the last mode.
    virtual int Next(int count, std::vector<TTSModeInfo>& modes) = 0;
    // Skips n modes; false when fewer than n were left.
    virtual bool Skip(int n) = 0;
    // A central for the mode with this identifier, speaking to destination.
    // Throws KaloError when no mode has the identifier or the destination
    // serves another central.
    virtual std::shared_ptr<ITTSCentralA>
    Select(const QUuid& modeId, std::shared_ptr<IAudioDestination> destination) = 0;
};

class TTSEnum : public ITTSEnumA {
public:
    // Reads the modes of the engines, in the engines' order. An engine that
    // cannot run is left out; when none can, the first one's KaloError is
    // thrown.
    explicit TTSEnum(std::vector<std::shared_ptr<ITTSEngine>> engines = DefaultTTSEngines());

    void Reset() override { next_ = 0; }
    int Next(int count, std::vector<TTSModeInfo>& modes) override;
    bool Skip(int n) override;
    std::shared_ptr<ITTSCentralA> Select(const QUuid& modeId,
                                         std::shared_ptr<IAudioDestination> destination) override;

    // Every mode, whatever the position.
    const std::vector<TTSModeInfo>& AllModes() const { return modes_; }

private:
    std::vector<std::pair<TTSModeInfo, std::shared_ptr<ITTSEngine>>> entries_;
    std::vector<TTSModeInfo> modes_;
    size_t next_ = 0;
};

} // namespace kalo
