// The Flite engine: Carnegie Mellon's small synthesizer with its English
// voices built from recordings. The library and its voices are loaded when
// first needed (dlopen), so a system without them runs with eSpeak NG
// alone. Flite keeps global state and is not safe on two threads: every
// call into it is made under one process-wide lock, taken for one
// utterance at a time so that two centrals speaking Flite take turns.
//
// Each voice speaks at its own rate (16 kHz, 8 kHz for kal): a central
// takes the rate of its mode, so audio is never resampled and a WAV file
// states the voice's rate.
#pragma once

#include "speech/tts_engine.h"

#include <QByteArray>

#include <memory>
#include <mutex>

namespace kalo {

class FliteEngine : public ITTSEngine {
public:
    // The shared objects to load: the library, the libraries its voices
    // build on, and the voices by their short names (slt: the library
    // libflite_cmu_us_slt.so.1 with register_cmu_us_slt).
    struct Libraries {
        QByteArray core;
        std::vector<QByteArray> support;
        struct Voice {
            QByteArray name;
            QByteArray library;
        };
        std::vector<Voice> voices;
    };
    // The libraries the program was built against.
    static Libraries DefaultLibraries();

    // The instance DefaultTTSEngines lists.
    static std::shared_ptr<FliteEngine> Instance();
    explicit FliteEngine(Libraries libraries = DefaultLibraries());
    ~FliteEngine() override;

    QString Name() const override;
    QUuid EngineID() const override;
    // One mode per voice that loads, in a fixed order. Throws KaloError,
    // naming what is missing, when the library or every voice fails to load.
    std::vector<TTSModeInfo> Modes() override;
    int SampleRate(const TTSModeInfo& mode) const override;
    TTSEngineRanges Ranges() const override;
    QString About() const override;
    TTSVisualShape MouthShape(const QString& phoneme) const override;
    // Monotone flattens the pitch; Flite cannot whisper, so Whisper is
    // spoken as Normal.
    void Synthesize(const TTSModeInfo& mode, const QByteArray& utf8, const TTSVoiceParams& params,
                    ITTSSynthOutput& out) override;

    // Bounds on the utterances handed to Flite: the first of a text is
    // short, so its audio starts soon; later ones end with their sentence.
    static constexpr int kFirstUtteranceTokens = 12;
    static constexpr qsizetype kFirstUtteranceBytes = 96;
    static constexpr int kUtteranceTokens = 60;
    static constexpr qsizetype kUtteranceBytes = 480;

private:
    struct State;
    const State& load() const; // loads once; throws KaloError when nothing loads
    Libraries libraries_;
    mutable std::mutex loadMutex_;
    mutable std::unique_ptr<State> state_;
};

} // namespace kalo
