// Text from documents and the clipboard through the Flite engine: our
// tokenizer, then Flite itself. No crash, no hang, and what comes back keeps
// its promises: words point into the text and come, with the phones, in
// order and ahead of the audio that holds them.
//
// The first byte picks the voice and the settings. The text goes through
// the same front end (Flite's English rules and lexicon) whatever the
// voice, so the fuzzer speaks with the two diphone voices, which run at
// hundreds of times real time; the voices built from recordings are slow
// under the sanitizers and are left to the unit tests.
#include "speech/flite_engine.h"

#include <cstdint>
#include <cstdlib>

using namespace kalo;

namespace {

class Checks : public ITTSSynthOutput {
public:
    explicit Checks(qsizetype codePoints) : codePoints_(codePoints) {}
    bool Audio(const qint16*, qsizetype count) override {
        if (count < 0)
            std::abort();
        handedOut_ += count;
        return true;
    }
    void Word(qsizetype codePoint, qint64 sample) override {
        if (codePoint < 0 || codePoint > codePoints_ || codePoint < lastWord_)
            std::abort();
        lastWord_ = codePoint;
        event(sample);
    }
    void Phoneme(const QString& name, qint64 sample) override {
        if (name.isEmpty())
            std::abort();
        event(sample);
    }

private:
    void event(qint64 sample) {
        if (sample < lastSample_ || sample < handedOut_)
            std::abort();
        lastSample_ = sample;
    }
    qsizetype codePoints_;
    qsizetype lastWord_ = 0;
    qint64 lastSample_ = 0;
    qint64 handedOut_ = 0;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::shared_ptr<FliteEngine> engine = FliteEngine::Instance();
    static const std::vector<TTSModeInfo> modes = [] {
        std::vector<TTSModeInfo> diphone;
        for (const TTSModeInfo& m : engine->Modes())
            if (m.EngineVoice.startsWith(u"kal"))
                diphone.push_back(m);
        return diphone;
    }();
    if (size == 0 || modes.empty())
        return 0;
    const uint8_t pick = data[0];
    const TTSModeInfo& mode = modes[pick % modes.size()];
    const QByteArray text(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));
    const TTSEngineRanges r = engine->Ranges();
    TTSVoiceParams params;
    params.speed = (pick & 0x08) ? r.speed.max : r.speed.normal;
    params.pitch = (pick & 0x10) ? r.pitch.min : (pick & 0x20) ? r.pitch.max : r.pitch.normal;
    params.volume = (pick & 0x40) ? r.volume.max / 3 : r.volume.normal;
    params.style = (pick & 0x80) ? TTSVoiceStyle::Monotone : TTSVoiceStyle::Normal;
    Checks out(text.size());
    engine->Synthesize(mode, text, params, out);
    return 0;
}
