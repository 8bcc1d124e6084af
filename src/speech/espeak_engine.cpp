#include "speech/espeak_engine.h"

#include "base/kalo_error.h"

#include <espeak-ng/speak_lib.h>

#include <QSet>

#include <algorithm>

#include <cstring>
#include <mutex>

namespace kalo {

namespace {

// libespeak-ng keeps all its state in globals: one lock for every call.
std::timed_mutex g_espeakLock;

// Length of the library's audio blocks in milliseconds. Longer blocks cost
// less per sample; the first block still arrives after the first clause.
constexpr int kBlockMs = 200;

// The synthesis in progress (only one at a time, under g_espeakLock).
struct Run {
    ITTSSynthOutput* out = nullptr;
    int sampleRate = 22050;
    bool stopped = false;
};
Run* g_run = nullptr;

qint64 msToSample(int ms, int rate) {
    return ms <= 0 ? 0 : qint64(ms) * rate / 1000;
}

int synthCallback(short* wav, int count, espeak_EVENT* events) {
    Run* run = g_run;
    if (!run || run->stopped)
        return 1;
    try {
        for (espeak_EVENT* e = events; e && e->type != espeakEVENT_LIST_TERMINATED; ++e) {
            if (e->type == espeakEVENT_WORD) {
                // text_position is 1-based and counts characters.
                run->out->Word(qMax(0, e->text_position - 1),
                               msToSample(e->audio_position, run->sampleRate));
            } else if (e->type == espeakEVENT_PHONEME) {
                const char* s = e->id.string;
                run->out->Phoneme(QString::fromUtf8(s, qsizetype(strnlen(s, sizeof e->id.string))),
                                  msToSample(e->audio_position, run->sampleRate));
            }
        }
        if (wav && count > 0 && !run->out->Audio(wav, count))
            run->stopped = true;
    } catch (...) {
        run->stopped = true;
    }
    return run->stopped ? 1 : 0;
}

QString genderWord(quint16 gender) {
    switch (gender) {
    case GENDER_MALE:
        return QStringLiteral(" Male");
    case GENDER_FEMALE:
        return QStringLiteral(" Female");
    default:
        return {};
    }
}

} // namespace

struct EspeakEngine::State {
    bool started = false;
    QString startError;
    int sampleRate = 0;
    QString version;
    std::vector<TTSModeInfo> modes;
};

std::shared_ptr<EspeakEngine> EspeakEngine::Instance() {
    static std::shared_ptr<EspeakEngine> instance(new EspeakEngine);
    return instance;
}

QString EspeakEngine::Name() const {
    return QStringLiteral("eSpeak NG");
}

QUuid EspeakEngine::EngineID() const {
    static const QUuid id =
        QUuid::createUuidV5(QUuid::fromString(u"{6ba7b811-9dad-11d1-80b4-00c04fd430c8}"),
                            QStringLiteral("https://kalotalk.example/engines/espeak-ng"));
    return id;
}

void EspeakEngine::ensureStarted() {
    if (!state_)
        state_ = std::make_shared<State>();
    if (state_->started)
        return;
    if (!state_->startError.isEmpty())
        throw KaloError(state_->startError);
    const int rate =
        espeak_Initialize(AUDIO_OUTPUT_SYNCHRONOUS, kBlockMs, nullptr,
                          espeakINITIALIZE_PHONEME_EVENTS | espeakINITIALIZE_DONT_EXIT);
    const espeak_VOICE** voices = rate > 0 ? espeak_ListVoices(nullptr) : nullptr;
    if (rate <= 0 || !voices || !voices[0]) {
        state_->startError = QStringLiteral("The eSpeak NG speech data could not be loaded");
        throw KaloError(state_->startError);
    }
    espeak_SetSynthCallback(synthCallback);
    state_->sampleRate = rate;
    state_->version = QString::fromUtf8(espeak_Info(nullptr));

    const QString product = QStringLiteral("eSpeak NG %1").arg(state_->version);
    QSet<QString> names;
    auto add = [&](const espeak_VOICE* v, const QString& variant, quint16 gender,
                   const QString& label) {
        TTSModeInfo m;
        const QString language = QString::fromUtf8(v->languages + 1); // after the priority byte
        const QString voiceName = QString::fromUtf8(v->name);
        m.EngineVoice = QString::fromUtf8(v->identifier) + variant;
        m.ModeName = voiceName + label + QStringLiteral(" - eSpeak NG");
        if (names.contains(m.ModeName))
            m.ModeName = voiceName + label + QStringLiteral(" (%1) - eSpeak NG").arg(m.EngineVoice);
        names.insert(m.ModeName);
        m.Language = language;
        m.Dialect = voiceName;
        m.MfgName = QStringLiteral("The eSpeak NG project");
        m.ProductName = product;
        m.EngineID = EngineID();
        m.ModeID = QUuid::createUuidV5(m.EngineID, m.EngineVoice);
        m.Speaker = m.EngineVoice;
        m.Style = QStringLiteral("Normal");
        m.Gender = gender;
        m.Age = v->age;
        m.Features = TTSFEATURE_SPEED | TTSFEATURE_PITCH | TTSFEATURE_VOLUME |
                     TTSFEATURE_WORDPOSITION | TTSFEATURE_BOOKMARK | TTSFEATURE_VISUAL |
                     TTSFEATURE_STYLE | TTSFEATURE_ANYWORD;
        m.Interfaces = TTSI_CENTRAL | TTSI_ATTRIBUTES | TTSI_DIALOGS;
        state_->modes.push_back(m);
    };
    for (int i = 0; voices[i]; ++i) {
        const espeak_VOICE* v = voices[i];
        if (!v->identifier || !v->name || !v->languages || !v->languages[0])
            continue;
        // The library counts 1 as male and 2 as female.
        const quint16 gender = v->gender == 1   ? GENDER_MALE
                               : v->gender == 2 ? GENDER_FEMALE
                                                : GENDER_NEUTRAL;
        add(v, QString(), gender, genderWord(gender));
        const QString language = QString::fromUtf8(v->languages + 1);
        if (language == u"en" || language.startsWith(u"en-")) {
            add(v, QStringLiteral("+f3"), GENDER_FEMALE, QStringLiteral(" Female"));
            add(v, QStringLiteral("+m3"), GENDER_MALE, QStringLiteral(" Male 2"));
        }
    }
    // English first, American English at the very top: the first mode is
    // what a new user hears. The order stays the same from run to run, so a
    // stored index keeps naming the same voice.
    auto rank = [](const TTSModeInfo& m) {
        if (m.Language == u"en-us")
            return 0;
        if (m.Language == u"en" || m.Language.startsWith(u"en-"))
            return 1;
        return 2;
    };
    std::stable_sort(state_->modes.begin(), state_->modes.end(),
                     [&](const TTSModeInfo& a, const TTSModeInfo& b) { return rank(a) < rank(b); });
    state_->started = true;
}

void EspeakEngine::start() {
    // Once started, the voice list and the rate never change: read them
    // without waiting for a synthesis that holds the library's lock.
    std::lock_guard stateLock(stateMutex_);
    if (state_ && state_->started)
        return;
    std::lock_guard lock(g_espeakLock);
    ensureStarted();
}

std::vector<TTSModeInfo> EspeakEngine::Modes() {
    start();
    return state_->modes;
}

int EspeakEngine::SampleRate(const TTSModeInfo&) const {
    const_cast<EspeakEngine*>(this)->start();
    return state_->sampleRate;
}

TTSVisualShape EspeakEngine::MouthShape(const QString& phoneme) const {
    return MouthForPhoneme(phoneme);
}

TTSEngineRanges EspeakEngine::Ranges() const {
    TTSEngineRanges r;
    r.speed = {espeakRATE_MINIMUM, espeakRATE_MAXIMUM, espeakRATE_NORMAL};
    r.pitch = {0, 100, 50};
    r.volume = {0, 100, 100};
    return r;
}

QString EspeakEngine::About() const {
    const_cast<EspeakEngine*>(this)->start();
    const QString version = state_->version;
    return QStringLiteral("eSpeak NG %1, a compact open-source speech synthesizer").arg(version);
}

QByteArray EspeakEngine::VoiceName(const TTSModeInfo& mode, TTSVoiceStyle style) {
    QByteArray name = mode.EngineVoice.toUtf8();
    if (style == TTSVoiceStyle::Whisper) {
        const qsizetype plus = name.indexOf('+');
        if (plus >= 0)
            name.truncate(plus);
        name += mode.Gender == GENDER_FEMALE ? "+whisperf" : "+whisper";
    }
    return name;
}

void EspeakEngine::Synthesize(const TTSModeInfo& mode, const QByteArray& utf8,
                              const TTSVoiceParams& params, ITTSSynthOutput& out) {
    start();
    // Another central may hold the library for a long text: wait for it only
    // while this text still wants audio.
    std::unique_lock lock(g_espeakLock, std::defer_lock);
    while (!lock.try_lock_for(std::chrono::milliseconds(20)))
        if (out.Stopped())
            return;
    const QByteArray voice = VoiceName(mode, params.style);
    if (espeak_SetVoiceByName(voice.constData()) != EE_OK)
        throw KaloError(
            QStringLiteral("The voice %1 could not be loaded").arg(QString::fromUtf8(voice)));
    const TTSEngineRanges r = Ranges();
    espeak_SetParameter(espeakRATE, int(r.speed.clamp(params.speed)), 0);
    espeak_SetParameter(espeakPITCH, int(r.pitch.clamp(params.pitch)), 0);
    espeak_SetParameter(espeakVOLUME, int(r.volume.clamp(params.volume)), 0);
    espeak_SetParameter(espeakRANGE, params.style == TTSVoiceStyle::Monotone ? 0 : 50, 0);

    // The library reads a C string: a null character in the text would end
    // it there. A blank in its place keeps every character's position.
    QByteArray text = utf8;
    text.replace('\0', ' ');

    Run run;
    run.out = &out;
    run.sampleRate = state_->sampleRate;
    g_run = &run;
    const espeak_ERROR result = espeak_Synth(text.constData(), size_t(text.size()) + 1, 0,
                                             POS_CHARACTER, 0, espeakCHARS_UTF8, nullptr, nullptr);
    g_run = nullptr;
    if (result != EE_OK && !run.stopped)
        throw KaloError(
            QStringLiteral("The speech engine refused the text (error %1)").arg(int(result)));
}

} // namespace kalo
