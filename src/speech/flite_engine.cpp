#include "speech/flite_engine.h"

#include "speech/flite_text.h"

#include "base/kalo_error.h"

#include <QStringList>

#include <flite/flite.h>
#include <flite/flite_version.h>

#include <dlfcn.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <csetjmp>
#include <limits>
#include <mutex>

namespace kalo {

namespace {

// Flite keeps its state in globals (and caches each voice once per
// process): one lock for every call into it, whichever engine object calls.
std::timed_mutex g_fliteLock;

// The entry points of libflite, looked up when it is loaded. The types
// come from Flite's own declarations.
struct Api {
    decltype(&::flite_init) flite_init = nullptr;
    decltype(&::new_utterance) new_utterance = nullptr;
    decltype(&::delete_utterance) delete_utterance = nullptr;
    decltype(&::utt_relation_create) utt_relation_create = nullptr;
    decltype(&::utt_relation) utt_relation = nullptr;
    decltype(&::utt_wave) utt_wave = nullptr;
    decltype(&::relation_append) relation_append = nullptr;
    decltype(&::relation_head) relation_head = nullptr;
    decltype(&::item_next) item_next = nullptr;
    decltype(&::item_set_string) item_set_string = nullptr;
    decltype(&::item_set_int) item_set_int = nullptr;
    decltype(&::item_feat_present) item_feat_present = nullptr;
    decltype(&::item_feat_int) item_feat_int = nullptr;
    decltype(&::item_feat_float) item_feat_float = nullptr;
    decltype(&::item_feat_string) item_feat_string = nullptr;
    decltype(&::path_to_item) path_to_item = nullptr;
    decltype(&::flite_do_synth) flite_do_synth = nullptr;
    decltype(&::utt_synth_tokens) utt_synth_tokens = nullptr;
    decltype(&::feat_set) feat_set = nullptr;
    decltype(&::feat_set_float) feat_set_float = nullptr;
    decltype(&::feat_remove) feat_remove = nullptr;
    decltype(&::feat_present) feat_present = nullptr;
    decltype(&::get_param_int) get_param_int = nullptr;
    decltype(&::get_param_float) get_param_float = nullptr;
    decltype(&::get_param_string) get_param_string = nullptr;
    decltype(&::new_audio_streaming_info) new_audio_streaming_info = nullptr;
    decltype(&::audio_streaming_info_val) audio_streaming_info_val = nullptr;
    // Where Flite jumps on an error; with none set it ends the process.
    jmp_buf** errjmp = nullptr;
};

// What the program knows of each voice Flite ships.
struct VoiceFacts {
    const char* name;
    const char* language;
    const char* dialect;
    quint16 gender;
};
constexpr VoiceFacts kVoiceFacts[] = {
    {"slt", "en-us", "English (America)", GENDER_FEMALE},
    {"rms", "en-us", "English (America)", GENDER_MALE},
    {"awb", "en-gb-scotland", "English (Scotland)", GENDER_MALE},
    {"kal16", "en-us", "English (America)", GENDER_MALE},
    {"kal", "en-us", "English (America)", GENDER_MALE},
};

// Speed in words per minute, around the voice's own pace at the normal
// value; pitch on a scale of 0 to 100, half an octave down or up from the
// voice's own at 50 (further, a voice made from one speaker's recordings
// stops sounding like that speaker); volume in per cent.
constexpr TTSEngineRanges kRanges = {{80, 450, 175}, {0, 100, 50}, {0, 100, 100}};
constexpr double kDiphoneLowestPitch = 80.0; // Hz

QString genderWord(quint16 gender) {
    return gender == GENDER_FEMALE ? QStringLiteral(" Female")
           : gender == GENDER_MALE ? QStringLiteral(" Male")
                                   : QString();
}

// Runs Flite on an utterance. Flite reports an error by a jump to
// cst_errjmp: the jump lands here, where nothing needs unwinding. The
// utterance is then in an unknown state and is left alone (a small leak
// on a path that no input is known to reach).
cst_utterance* synthGuarded(const Api& api, cst_utterance* utt, cst_voice* voice, bool* failed) {
    jmp_buf here;
    jmp_buf* previous = *api.errjmp;
    *api.errjmp = &here;
    cst_utterance* result = nullptr;
    if (setjmp(here) == 0)
        result = api.flite_do_synth(utt, voice, api.utt_synth_tokens);
    else
        *failed = true;
    *api.errjmp = previous;
    return result;
}

// A word or a phone of an utterance, at its place in the audio. Plain
// data: it is gathered inside Flite's callback.
struct UttEvent {
    qint64 sample = 0;
    int token = -1;              // index into the utterance's tokens, for a word
    const char* phone = nullptr; // Flite's phone name, for a phone
};

// One synthesis: feeds Flite's audio, words and phones to the output.
struct Run {
    const Api* api = nullptr;
    ITTSSynthOutput* out = nullptr;
    int rate = 16000;
    double gain = 1.0;
    bool stopped = false;

    qint64 base = 0;                // samples of the earlier utterances
    std::vector<qsizetype> tokenAt; // code point of each token of this utterance
    std::vector<UttEvent> events;
    size_t nextEvent = 0;
    bool eventsReady = false;
    qint64 forwarded = 0; // samples of this utterance handed out
    std::vector<qint16> scaled;

    void beginUtterance() {
        events.clear();
        nextEvent = 0;
        eventsReady = false;
        forwarded = 0;
    }

    // Word starts and phones from the utterance's Segment relation (the
    // end time of each phone), words tied to their tokens through the
    // Token relation. Only plain data lives in this frame: Flite may jump
    // out of any of its calls. Every feature read is checked first, since
    // reading an absent one is such an error.
    void gatherEvents(const cst_utterance* utt) {
        eventsReady = true;
        if (!utt || !api->feat_present(utt->relations, "Segment"))
            return;
        cst_relation* segments = api->utt_relation(utt, "Segment");
        float start = 0;
        int lastToken = -1;
        for (cst_item* seg = api->relation_head(segments); seg; seg = api->item_next(seg)) {
            float end = start;
            if (api->item_feat_present(seg, "end"))
                end = std::max(start, api->item_feat_float(seg, "end"));
            const qint64 at = std::llround(double(start) * rate);
            const cst_item* token =
                api->path_to_item(seg, "R:SylStructure.parent.parent.R:Token.parent");
            if (token && api->item_feat_present(token, "kalo_token")) {
                const int index = api->item_feat_int(token, "kalo_token");
                if (index != lastToken && index >= 0 && size_t(index) < tokenAt.size()) {
                    events.push_back({at, index, nullptr});
                    lastToken = index;
                }
            }
            if (api->item_feat_present(seg, "name"))
                events.push_back({at, -1, api->item_feat_string(seg, "name")});
            start = end;
        }
    }

    // Reports the events that fall before `upTo` (within the utterance).
    void report(qint64 upTo) {
        for (; nextEvent < events.size() && events[nextEvent].sample < upTo; ++nextEvent) {
            const UttEvent& e = events[nextEvent];
            if (e.token >= 0)
                out->Word(tokenAt[size_t(e.token)], base + e.sample);
            else
                out->Phoneme(QString::fromLatin1(e.phone), base + e.sample);
        }
    }

    // Hands out the wave's samples up to `upTo`, after the events they hold.
    void forward(const cst_wave* w, qint64 upTo) {
        upTo = std::min<qint64>(upTo, w->num_samples);
        if (upTo <= forwarded || stopped)
            return;
        report(upTo);
        const qint16* from = w->samples + forwarded;
        const qsizetype count = qsizetype(upTo - forwarded);
        if (gain != 1.0) {
            scaled.resize(size_t(count));
            for (qsizetype i = 0; i < count; ++i)
                scaled[size_t(i)] =
                    qint16(std::clamp<long>(std::lround(from[i] * gain), -32768, 32767));
            from = scaled.data();
        }
        forwarded = upTo;
        if (!out->Audio(from, count))
            stopped = true;
    }

    // The utterance is synthesised: what the stream did not carry, then
    // the events past the end of its audio.
    void endUtterance(cst_utterance* utt) {
        if (!eventsReady)
            gatherEvents(utt);
        if (!stopped && utt && api->feat_present(utt->features, "wave"))
            forward(api->utt_wave(utt), std::numeric_limits<qint64>::max());
        if (!stopped)
            report(std::numeric_limits<qint64>::max());
        base += forwarded;
    }
};

// Flite's audio streaming callback: called with each stretch of the
// utterance's wave as it is made.
int streamChunk(const cst_wave* w, int start, int size, int, cst_audio_streaming_info* asi) {
    Run* run = static_cast<Run*>(asi->userdata);
    if (!run || run->stopped)
        return CST_AUDIO_STREAM_STOP;
    try {
        // The phone timing is complete before the first audio is made.
        if (!run->eventsReady)
            run->gatherEvents(asi->utt);
        run->forward(w, qint64(start) + std::max(0, size));
    } catch (...) {
        run->stopped = true;
    }
    return run->stopped ? CST_AUDIO_STREAM_STOP : CST_AUDIO_STREAM_CONT;
}

} // namespace

struct FliteEngine::State {
    QString error; // why nothing could be loaded; empty when loaded
    Api api;
    struct Voice {
        TTSModeInfo mode;
        cst_voice* voice = nullptr;
        int rate = 16000;
        bool diphone = false; // pitch through the intonation targets
        float f0Mean = 0;
        float f0Stddev = 0;
        FliteSymbols symbols;
    };
    std::vector<Voice> voices;
    std::vector<TTSModeInfo> modes;

    const Voice* find(const TTSModeInfo& mode) const {
        for (const Voice& v : voices)
            if (v.mode.ModeID == mode.ModeID)
                return &v;
        return nullptr;
    }
};

FliteEngine::Libraries FliteEngine::DefaultLibraries() {
    Libraries l;
    l.core = KALO_SONAME_flite;
    l.support = {KALO_SONAME_flite_usenglish, KALO_SONAME_flite_cmulex};
    l.voices = {{"slt", KALO_SONAME_flite_cmu_us_slt},
                {"rms", KALO_SONAME_flite_cmu_us_rms},
                {"awb", KALO_SONAME_flite_cmu_us_awb},
                {"kal16", KALO_SONAME_flite_cmu_us_kal16},
                {"kal", KALO_SONAME_flite_cmu_us_kal}};
    return l;
}

std::shared_ptr<FliteEngine> FliteEngine::Instance() {
    static std::shared_ptr<FliteEngine> instance = std::make_shared<FliteEngine>();
    return instance;
}

FliteEngine::FliteEngine(Libraries libraries) : libraries_(std::move(libraries)) {}

// The libraries stay loaded: Flite caches its voices for the whole process.
FliteEngine::~FliteEngine() = default;

QString FliteEngine::Name() const {
    return QStringLiteral("Flite");
}

QUuid FliteEngine::EngineID() const {
    static const QUuid id =
        QUuid::createUuidV5(QUuid::fromString(u"{6ba7b811-9dad-11d1-80b4-00c04fd430c8}"),
                            QStringLiteral("https://kalotalk.example/engines/flite"));
    return id;
}

const FliteEngine::State& FliteEngine::load() const {
    std::lock_guard loadLock(loadMutex_);
    if (state_) {
        if (!state_->error.isEmpty())
            throw KaloError(state_->error);
        return *state_;
    }
    auto state = std::make_unique<State>();
    auto fail = [&](const QString& why) {
        state->error = why;
        state_ = std::move(state);
        throw KaloError(state_->error);
    };
    auto dlerrorText = [] {
        const char* e = dlerror();
        return e ? QString::fromLocal8Bit(e) : QStringLiteral("unknown error");
    };

    std::lock_guard fliteLock(g_fliteLock);
    void* core = dlopen(libraries_.core.constData(), RTLD_NOW | RTLD_LOCAL);
    if (!core)
        fail(QStringLiteral("Flite is not installed: %1").arg(dlerrorText()));
    Api& api = state->api;
    QStringList missing;
    auto bind = [&](auto& fn, const char* name) {
        fn = reinterpret_cast<std::remove_reference_t<decltype(fn)>>(dlsym(core, name));
        if (!fn)
            missing << QString::fromLatin1(name);
    };
#define KALO_FLITE_BIND(name) bind(api.name, #name)
    KALO_FLITE_BIND(flite_init);
    KALO_FLITE_BIND(new_utterance);
    KALO_FLITE_BIND(delete_utterance);
    KALO_FLITE_BIND(utt_relation_create);
    KALO_FLITE_BIND(utt_relation);
    KALO_FLITE_BIND(utt_wave);
    KALO_FLITE_BIND(relation_append);
    KALO_FLITE_BIND(relation_head);
    KALO_FLITE_BIND(item_next);
    KALO_FLITE_BIND(item_set_string);
    KALO_FLITE_BIND(item_set_int);
    KALO_FLITE_BIND(item_feat_present);
    KALO_FLITE_BIND(item_feat_int);
    KALO_FLITE_BIND(item_feat_float);
    KALO_FLITE_BIND(item_feat_string);
    KALO_FLITE_BIND(path_to_item);
    KALO_FLITE_BIND(flite_do_synth);
    KALO_FLITE_BIND(utt_synth_tokens);
    KALO_FLITE_BIND(feat_set);
    KALO_FLITE_BIND(feat_set_float);
    KALO_FLITE_BIND(feat_remove);
    KALO_FLITE_BIND(feat_present);
    KALO_FLITE_BIND(get_param_int);
    KALO_FLITE_BIND(get_param_float);
    KALO_FLITE_BIND(get_param_string);
    KALO_FLITE_BIND(new_audio_streaming_info);
    KALO_FLITE_BIND(audio_streaming_info_val);
#undef KALO_FLITE_BIND
    api.errjmp = static_cast<jmp_buf**>(dlsym(core, "cst_errjmp"));
    if (!api.errjmp)
        missing << QStringLiteral("cst_errjmp");
    if (!missing.isEmpty())
        fail(QStringLiteral("The Flite library %1 lacks %2")
                 .arg(QString::fromLocal8Bit(libraries_.core), missing.join(u", ")));
    for (const QByteArray& lib : libraries_.support)
        if (!dlopen(lib.constData(), RTLD_NOW | RTLD_LOCAL))
            fail(QStringLiteral("Flite is not installed completely: %1").arg(dlerrorText()));
    api.flite_init();

    QStringList voiceErrors;
    const QString product = QStringLiteral("Flite %1").arg(QLatin1String(FLITE_PROJECT_VERSION));
    for (const Libraries::Voice& lib : libraries_.voices) {
        const VoiceFacts* facts = nullptr;
        for (const VoiceFacts& f : kVoiceFacts)
            if (lib.name == f.name)
                facts = &f;
        void* handle = dlopen(lib.library.constData(), RTLD_NOW | RTLD_LOCAL);
        if (!handle) {
            voiceErrors << dlerrorText();
            continue;
        }
        using Register = cst_voice* (*)(const char*);
        const QByteArray symbol = "register_cmu_us_" + lib.name;
        auto reg = reinterpret_cast<Register>(dlsym(handle, symbol.constData()));
        cst_voice* voice = reg ? reg(nullptr) : nullptr;
        if (!facts || !voice || !voice->features) {
            voiceErrors << QStringLiteral("%1 holds no Flite voice %2")
                               .arg(QString::fromLocal8Bit(lib.library),
                                    QString::fromLatin1(lib.name));
            continue;
        }
        State::Voice v;
        v.voice = voice;
        v.rate = api.get_param_int(voice->features, "sample_rate", 16000);
        if (v.rate < 4000 || v.rate > 96000)
            v.rate = 16000;
        v.diphone = api.feat_present(voice->features, "int_f0_target_mean");
        v.f0Mean = api.get_param_float(voice->features, "int_f0_target_mean", 100);
        v.f0Stddev = api.get_param_float(voice->features, "int_f0_target_stddev", 10);
        auto symbols = [&](const char* feature, QByteArray& into) {
            if (const char* s = api.get_param_string(voice->features, feature, nullptr))
                into = QByteArray(s);
        };
        symbols("text_whitespace", v.symbols.whitespace);
        symbols("text_prepunctuation", v.symbols.prepunctuation);
        symbols("text_postpunctuation", v.symbols.postpunctuation);

        TTSModeInfo& m = v.mode;
        const QString name = QString::fromLatin1(lib.name);
        m.ModeName = QStringLiteral("%1%2 %3 - Flite")
                         .arg(QLatin1String(facts->dialect), genderWord(facts->gender), name);
        m.Language = QString::fromLatin1(facts->language);
        m.Dialect = QString::fromLatin1(facts->dialect);
        m.MfgName = QStringLiteral("Carnegie Mellon University");
        m.ProductName = product;
        m.EngineID = EngineID();
        m.ModeID = QUuid::createUuidV5(m.EngineID, QStringLiteral("cmu_us_") + name);
        m.Speaker = name;
        m.Style = QStringLiteral("Normal");
        m.Gender = facts->gender;
        m.Features = TTSFEATURE_SPEED | TTSFEATURE_PITCH | TTSFEATURE_VOLUME |
                     TTSFEATURE_WORDPOSITION | TTSFEATURE_BOOKMARK | TTSFEATURE_VISUAL |
                     TTSFEATURE_ANYWORD;
        m.Interfaces = TTSI_CENTRAL | TTSI_ATTRIBUTES | TTSI_DIALOGS;
        m.EngineVoice = name;
        state->modes.push_back(m);
        state->voices.push_back(std::move(v));
    }
    if (state->voices.empty())
        fail(QStringLiteral("No Flite voice could be loaded: %1").arg(voiceErrors.join(u"; ")));
    state_ = std::move(state);
    return *state_;
}

std::vector<TTSModeInfo> FliteEngine::Modes() {
    return load().modes;
}

int FliteEngine::SampleRate(const TTSModeInfo& mode) const {
    const State::Voice* v = load().find(mode);
    return v ? v->rate : 16000;
}

TTSEngineRanges FliteEngine::Ranges() const {
    return kRanges;
}

QString FliteEngine::About() const {
    return QStringLiteral("Flite %1 (Festival Lite), a small speech synthesizer from Carnegie "
                          "Mellon University")
        .arg(QLatin1String(FLITE_PROJECT_VERSION));
}

TTSVisualShape FliteEngine::MouthShape(const QString& phoneme) const {
    return MouthForFlitePhone(phoneme);
}

void FliteEngine::Synthesize(const TTSModeInfo& mode, const QByteArray& utf8,
                             const TTSVoiceParams& params, ITTSSynthOutput& out) {
    const State& state = load();
    const State::Voice* voice = state.find(mode);
    if (!voice)
        throw KaloError(QStringLiteral("The voice %1 is not installed").arg(mode.ModeName));
    const Api& api = state.api;

    const double speed = kRanges.speed.clamp(params.speed);
    const double pitch = kRanges.pitch.clamp(params.pitch);
    const double stretch = double(kRanges.speed.normal) / speed;
    const double f0Factor = std::exp2((pitch - kRanges.pitch.normal) / 100.0);
    const bool monotone = params.style == TTSVoiceStyle::Monotone;

    Run run;
    run.api = &api;
    run.out = &out;
    run.rate = voice->rate;
    run.gain = double(kRanges.volume.clamp(params.volume)) / kRanges.volume.max;

    FliteUtterances utterances(utf8, voice->symbols);
    Utf8CodePoints codePoints(utf8);
    bool first = true;
    while (!run.stopped && !out.Stopped()) {
        const std::vector<FliteToken> tokens =
            first ? utterances.next(kFirstUtteranceTokens, kFirstUtteranceBytes)
                  : utterances.next(kUtteranceTokens, kUtteranceBytes);
        first = false;
        if (tokens.empty())
            break;
        run.beginUtterance();
        run.tokenAt.clear();
        for (const FliteToken& t : tokens)
            run.tokenAt.push_back(codePoints.at(t.offset));

        // Another central may be speaking Flite: wait for its utterance
        // only while this text still wants audio.
        std::unique_lock lock(g_fliteLock, std::defer_lock);
        while (!lock.try_lock_for(std::chrono::milliseconds(20)))
            if (out.Stopped())
                return;

        cst_features* f = voice->voice->features;
        api.feat_set_float(f, "duration_stretch", float(stretch));
        if (voice->diphone) {
            // Below about 70 Hz the diphone voices' pulses fall apart: they
            // go no lower than 80 Hz.
            api.feat_set_float(f, "int_f0_target_mean",
                               float(std::max(kDiphoneLowestPitch, voice->f0Mean * f0Factor)));
            api.feat_set_float(f, "int_f0_target_stddev",
                               monotone ? 0.0f : float(voice->f0Stddev * f0Factor));
        } else {
            api.feat_set_float(f, "f0_shift", float(f0Factor));
            if (monotone)
                api.feat_set_float(f, "int_f0_target_stddev", 0.0f);
            else
                api.feat_remove(f, "int_f0_target_stddev");
        }
        cst_audio_streaming_info* asi = api.new_audio_streaming_info();
        asi->asc = streamChunk;
        asi->userdata = &run;
        api.feat_set(f, "streaming_info", api.audio_streaming_info_val(asi));

        cst_utterance* utt = api.new_utterance();
        cst_relation* rel = api.utt_relation_create(utt, "Token");
        for (size_t i = 0; i < tokens.size(); ++i) {
            const FliteToken& t = tokens[i];
            cst_item* item = api.relation_append(rel, nullptr);
            api.item_set_string(item, "name", t.name.constData());
            api.item_set_string(item, "whitespace", t.whitespace.constData());
            api.item_set_string(item, "prepunctuation", t.prepunctuation.constData());
            api.item_set_string(item, "punc", t.postpunctuation.constData());
            api.item_set_int(item, "kalo_token", int(i));
        }
        bool failed = false;
        utt = synthGuarded(api, utt, voice->voice, &failed);
        api.feat_remove(f, "streaming_info");
        // An utterance Flite cannot speak is left out; the text goes on.
        if (failed || !utt)
            continue;
        const std::unique_ptr<cst_utterance, decltype(api.delete_utterance)> owned(
            utt, api.delete_utterance);
        run.endUtterance(utt);
    }
}

} // namespace kalo
