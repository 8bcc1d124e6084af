// The eSpeak NG engine, run in-process through libespeak-ng. The library is
// a process-wide singleton and not reentrant: every call into it is made
// under one lock, and its voice list is read once and kept.
#pragma once

#include "speech/tts_engine.h"

#include <memory>
#include <mutex>

namespace kalo {

class EspeakEngine : public ITTSEngine {
public:
    // The one instance of the process.
    static std::shared_ptr<EspeakEngine> Instance();

    QString Name() const override;
    QUuid EngineID() const override;
    // One mode per installed voice, plus a female and a second male variant
    // of every English voice. Throws KaloError when the library cannot start.
    std::vector<TTSModeInfo> Modes() override;
    // One rate for every voice.
    int SampleRate(const TTSModeInfo& mode) const override;
    TTSVisualShape MouthShape(const QString& phoneme) const override;
    TTSEngineRanges Ranges() const override;
    QString About() const override;
    void Synthesize(const TTSModeInfo& mode, const QByteArray& utf8, const TTSVoiceParams& params,
                    ITTSSynthOutput& out) override;

    // The eSpeak NG voice name used for a mode and a style, for example
    // "gmw/en-US+f3" or, whispering, "gmw/en-US+whisperf".
    static QByteArray VoiceName(const TTSModeInfo& mode, TTSVoiceStyle style);

private:
    EspeakEngine() = default;
    void start();         // starts the library once; throws KaloError when it cannot
    void ensureStarted(); // the start itself, with both locks held
    std::mutex stateMutex_;
    struct State;
    std::shared_ptr<State> state_;
};

} // namespace kalo
