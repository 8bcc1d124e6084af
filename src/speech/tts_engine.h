// The interface a synthesis engine implements to take part in the speech
// layer. The layer does everything else (queues, timing, destinations,
// notifications), so a second engine stands beside the first by
// implementing this interface and being listed in DefaultTTSEngines.
#pragma once

#include "speech/mouth_shapes.h"
#include "speech/tts_types.h"

#include <QByteArray>
#include <QString>

#include <memory>
#include <vector>

namespace kalo {

// Voice settings for one stretch of text, in the engine's units (Ranges).
struct TTSVoiceParams {
    quint32 speed = 0;
    quint32 pitch = 0;
    quint32 volume = 0;
    TTSVoiceStyle style = TTSVoiceStyle::Normal;
    bool operator==(const TTSVoiceParams&) const = default;
};

struct TTSRange {
    quint32 min = 0;
    quint32 max = 0;
    quint32 normal = 0;
    quint32 clamp(quint64 v) const { return v < min ? min : v > max ? max : quint32(v); }
};

struct TTSEngineRanges {
    TTSRange speed;  // words per minute
    TTSRange pitch;  // base pitch
    TTSRange volume; // 0 silent to max (100) full
};

// Receives what the engine produces for one stretch of text.
class ITTSSynthOutput {
public:
    virtual ~ITTSSynthOutput() = default;
    // Mono 16-bit samples at the engine's rate. Returns false when the
    // synthesis is to stop (the text was reset); the engine then returns.
    virtual bool Audio(const qint16* samples, qsizetype count) = 0;
    // A word begins: codePoint is the 0-based index of its first character
    // (in code points) in the text, sample its place in the audio of this
    // stretch. Reported no later than the audio that holds it.
    virtual void Word(qsizetype codePoint, qint64 sample) = 0;
    // A phoneme begins, named in the engine's own phoneme alphabet.
    virtual void Phoneme(const QString& name, qint64 sample) = 0;
    // True when the text no longer wants audio; an engine that has to wait
    // before it can start gives up then.
    virtual bool Stopped() const { return false; }
};

class ITTSEngine {
public:
    virtual ~ITTSEngine() = default;
    virtual QString Name() const = 0;
    virtual QUuid EngineID() const = 0;
    // The installed modes, in a stable order. Throws KaloError when the
    // engine cannot run.
    virtual std::vector<TTSModeInfo> Modes() = 0;
    // The rate of the samples Synthesize makes for the mode. Voices of one
    // engine may differ; a central's audio (and a WAV file's header) takes
    // the rate of its mode.
    virtual int SampleRate(const TTSModeInfo& mode) const = 0;
    // The mouth shape for a phoneme named in this engine's alphabet.
    virtual TTSVisualShape MouthShape(const QString& phoneme) const = 0;
    virtual TTSEngineRanges Ranges() const = 0;
    // A line about the engine and its version, for the dialogs interface.
    virtual QString About() const = 0;
    // Speaks text (UTF-8) in the mode (one of Modes()) with the voice
    // settings, feeding out, and returns when the text is done or out asked
    // to stop. Called on a worker thread; an engine that cannot run on two
    // threads at once serialises the calls itself. Throws KaloError when the
    // engine fails.
    virtual void Synthesize(const TTSModeInfo& mode, const QByteArray& utf8,
                            const TTSVoiceParams& params, ITTSSynthOutput& out) = 0;
};

// The engines of this program, in the order their modes are listed.
std::vector<std::shared_ptr<ITTSEngine>> DefaultTTSEngines();

} // namespace kalo
