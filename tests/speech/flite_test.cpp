// The Flite engine: its modes and their identifiers, word and phone timing
// against the audio, the voice settings, stopping, hostile text, two
// threads at once, WAV files through the speech layer, and a system where
// Flite is missing.
#include "speech_test_support.h"

#include "base/kalo_error.h"
#include "speech/audio_destinations.h"
#include "speech/espeak_engine.h"
#include "speech/flite_engine.h"

#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <thread>

namespace kalo::test {
namespace {

std::shared_ptr<FliteEngine> flite() {
    return FliteEngine::Instance();
}

TTSModeInfo mode(const char* voice) {
    for (const TTSModeInfo& m : flite()->Modes())
        if (m.EngineVoice == QLatin1String(voice))
            return m;
    ADD_FAILURE() << "no Flite voice " << voice;
    return {};
}

TTSVoiceParams normal() {
    const TTSEngineRanges r = flite()->Ranges();
    return {r.speed.normal, r.pitch.normal, r.volume.normal, TTSVoiceStyle::Normal};
}

// Takes what the engine makes, noting for each word and phone how much
// audio had been handed out when it was reported.
class Capture : public ITTSSynthOutput {
public:
    struct Event {
        bool word = false;
        qsizetype codePoint = 0;
        QString phone;
        qint64 sample = 0;
        qint64 handedOut = 0;
    };
    std::vector<qint16> audio;
    std::vector<Event> events;
    qint64 stopAfter = -1; // Audio answers false once this much is handed out
    bool stopped = false;  // Stopped() answers true

    bool Audio(const qint16* samples, qsizetype count) override {
        audio.insert(audio.end(), samples, samples + count);
        return stopAfter < 0 || qint64(audio.size()) < stopAfter;
    }
    void Word(qsizetype codePoint, qint64 sample) override {
        events.push_back({true, codePoint, {}, sample, qint64(audio.size())});
    }
    void Phoneme(const QString& name, qint64 sample) override {
        events.push_back({false, 0, name, sample, qint64(audio.size())});
    }
    bool Stopped() const override { return stopped; }

    std::vector<qsizetype> words() const {
        std::vector<qsizetype> w;
        for (const Event& e : events)
            if (e.word)
                w.push_back(e.codePoint);
        return w;
    }
    double seconds(int rate) const { return double(audio.size()) / rate; }
};

Capture speak(const char* voice, const QString& text, TTSVoiceParams params = normal()) {
    Capture c;
    flite()->Synthesize(mode(voice), text.toUtf8(), params, c);
    return c;
}

double rms(const std::vector<qint16>& s) {
    double sum = 0;
    for (qint16 v : s)
        sum += double(v) * v;
    return s.empty() ? 0 : std::sqrt(sum / double(s.size()));
}

// Fundamental frequencies of the loud 40 ms frames, by autocorrelation
// between 40 and 500 Hz.
std::vector<double> pitches(const std::vector<qint16>& s, int rate) {
    std::vector<double> out;
    const size_t frame = size_t(rate) * 40 / 1000;
    const double loud = rms(s) * 0.8;
    for (size_t at = 0; at + frame <= s.size(); at += frame) {
        std::vector<qint16> f(s.begin() + qsizetype(at), s.begin() + qsizetype(at + frame));
        if (rms(f) < loud)
            continue;
        double best = 0;
        int bestLag = 0;
        for (int lag = rate / 500; lag <= rate / 40; ++lag) {
            double sum = 0;
            for (size_t i = 0; i + size_t(lag) < frame; ++i)
                sum += double(f[i]) * f[i + size_t(lag)];
            if (sum > best) {
                best = sum;
                bestLag = lag;
            }
        }
        if (bestLag > 0)
            out.push_back(double(rate) / bestLag);
    }
    return out;
}

double median(std::vector<double> v) {
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

TEST(Flite, ModesNameEachVoiceWithStableIdentifiersAfterEspeak) {
    const std::vector<TTSModeInfo> modes = flite()->Modes();
    QStringList names;
    for (const TTSModeInfo& m : modes)
        names << m.ModeName;
    EXPECT_EQ(
        names,
        (QStringList{"English (America) Female slt - Flite", "English (America) Male rms - Flite",
                     "English (Scotland) Male awb - Flite", "English (America) Male kal16 - Flite",
                     "English (America) Male kal - Flite"}));
    EXPECT_EQ(mode("slt").Gender, GENDER_FEMALE);
    EXPECT_EQ(mode("rms").Gender, GENDER_MALE);
    EXPECT_EQ(mode("slt").Language, QStringLiteral("en-us"));
    EXPECT_EQ(mode("awb").Language, QStringLiteral("en-gb-scotland"));
    EXPECT_TRUE(mode("kal").Features & TTSFEATURE_WORDPOSITION);
    EXPECT_TRUE(mode("kal").Features & TTSFEATURE_VISUAL);

    // The rate of each voice, as its WAV files will state it.
    EXPECT_EQ(flite()->SampleRate(mode("slt")), 16000);
    EXPECT_EQ(flite()->SampleRate(mode("kal16")), 16000);
    EXPECT_EQ(flite()->SampleRate(mode("kal")), 8000);

    // The identifiers are derived, not drawn: another engine object (as in
    // another run) gives the same ones, distinct from each other and from
    // eSpeak NG's. They are listed after every eSpeak NG mode.
    FliteEngine other;
    const std::vector<TTSModeInfo> again = other.Modes();
    ASSERT_EQ(again.size(), modes.size());
    QSet<QUuid> ids;
    for (size_t i = 0; i < modes.size(); ++i) {
        EXPECT_EQ(again[i].ModeID, modes[i].ModeID);
        EXPECT_EQ(GuidFromText(GuidText(modes[i].ModeID)), modes[i].ModeID);
        ids.insert(modes[i].ModeID);
    }
    EXPECT_EQ(ids.size(), 5);
    EXPECT_EQ(GuidText(mode("slt").ModeID),
              GuidText(QUuid::createUuidV5(flite()->EngineID(), QStringLiteral("cmu_us_slt"))));
    TTSEnum all;
    const auto& listed = all.AllModes();
    ASSERT_GT(listed.size(), 5u);
    const size_t espeakCount = EspeakEngine::Instance()->Modes().size();
    ASSERT_EQ(listed.size(), espeakCount + 5);
    for (size_t i = 0; i < espeakCount; ++i)
        EXPECT_FALSE(ids.contains(listed[i].ModeID));
    for (size_t i = 0; i < 5; ++i)
        EXPECT_EQ(listed[espeakCount + i].ModeID, modes[i].ModeID);
}

TEST(Flite, WithoutItsLibrariesTheProgramKeepsEspeak) {
    FliteEngine::Libraries missing = FliteEngine::DefaultLibraries();
    missing.core = "libkalo-no-such-flite.so.1";
    auto absent = std::make_shared<FliteEngine>(missing);
    try {
        absent->Modes();
        ADD_FAILURE() << "modes from a library that does not exist";
    } catch (const KaloError& e) {
        EXPECT_TRUE(e.message().contains(QStringLiteral("Flite is not installed")))
            << e.message().toStdString();
        EXPECT_TRUE(e.message().contains(QStringLiteral("libkalo-no-such-flite")));
    }
    EXPECT_THROW(absent->Modes(), KaloError); // and again, without trying twice
    const TTSEnum modes({EspeakEngine::Instance(), absent});
    EXPECT_EQ(modes.AllModes().size(), EspeakEngine::Instance()->Modes().size());
    for (const TTSModeInfo& m : modes.AllModes())
        EXPECT_TRUE(m.ModeName.endsWith(u" - eSpeak NG"));

    // A voice whose library is missing is left out; the others stay.
    FliteEngine::Libraries oneGone = FliteEngine::DefaultLibraries();
    oneGone.voices[0].library = "libkalo-no-such-voice.so.1";
    FliteEngine partial(oneGone);
    const std::vector<TTSModeInfo> left = partial.Modes();
    ASSERT_EQ(left.size(), 4u);
    EXPECT_EQ(left[0].EngineVoice, QStringLiteral("rms"));
    // None at all: a failure that names the libraries.
    FliteEngine::Libraries noVoices = FliteEngine::DefaultLibraries();
    for (auto& v : noVoices.voices)
        v.library = "libkalo-no-such-voice.so.1";
    EXPECT_THROW(FliteEngine(noVoices).Modes(), KaloError);
}

TEST(Flite, WordsAndPhonesComeInOrderAheadOfTheirAudio) {
    const QString text = QStringLiteral(
        "The quick brown fox jumps over the lazy dog. Then it costs $12.50, said Zoë.");
    for (const char* voice : {"slt", "kal"}) {
        const Capture c = speak(voice, text);
        const int rate = flite()->SampleRate(mode(voice));
        // A little over four seconds of speech.
        EXPECT_GT(c.seconds(rate), 3.0) << voice;
        EXPECT_LT(c.seconds(rate), 9.0) << voice;

        // One word report per written word, at its first letter ($12.50
        // is several spoken words and one report).
        std::vector<qsizetype> expected;
        static const QRegularExpression word(QStringLiteral("[\\p{L}$][^\\s,.]*"));
        for (auto it = word.globalMatch(text); it.hasNext();)
            expected.push_back(it.next().capturedStart());
        EXPECT_EQ(c.words(), expected) << voice;

        qint64 last = -1;
        int pauses = 0;
        static const QSet<QString> phones = {
            "pau", "aa", "ae", "ah", "ao", "aw", "ax", "ay", "b", "ch", "d", "dh", "eh", "er",
            "ey",  "f",  "g",  "hh", "ih", "iy", "jh", "k",  "l", "m",  "n", "ng", "ow", "oy",
            "p",   "r",  "s",  "sh", "t",  "th", "uh", "uw", "v", "w",  "y", "z",  "zh"};
        for (const Capture::Event& e : c.events) {
            EXPECT_GE(e.sample, last) << voice;
            last = e.sample;
            // Reported before the audio that holds it was handed out.
            EXPECT_LE(e.handedOut, e.sample) << voice;
            if (!e.word) {
                EXPECT_TRUE(phones.contains(e.phone)) << e.phone.toStdString();
                pauses += e.phone == u"pau";
            }
        }
        EXPECT_LT(last, qint64(c.audio.size()));
        EXPECT_GE(pauses, 2) << voice;
        EXPECT_EQ(c.events.front().phone, QStringLiteral("pau")) << voice;

        // A word starts where its audio grows loud: the 100 ms after each
        // word's start are louder than the pause before the first one.
        const Capture::Event* firstWord = nullptr;
        for (const Capture::Event& e : c.events)
            if (e.word && !firstWord)
                firstWord = &e;
        ASSERT_TRUE(firstWord);
        const auto span = [&](qint64 from, qint64 n) {
            from = std::clamp<qint64>(from, 0, qint64(c.audio.size()));
            n = std::min<qint64>(n, qint64(c.audio.size()) - from);
            return std::vector<qint16>(c.audio.begin() + from, c.audio.begin() + from + n);
        };
        EXPECT_LT(rms(span(0, firstWord->sample)) * 4, rms(span(firstWord->sample, rate / 10)))
            << voice;
    }
}

TEST(Flite, SpeedPitchAndVolumeMapAroundTheVoicesOwn) {
    const QString text = QStringLiteral("Seven silly swans swam slowly south in the summer.");
    const Capture base = speak("slt", text);
    const double seconds = base.seconds(16000);
    // About 175 words a minute at the normal speed.
    EXPECT_GT(seconds, 2.0);
    EXPECT_LT(seconds, 5.0);

    TTSVoiceParams p = normal();
    p.speed = 350;
    EXPECT_NEAR(speak("slt", text, p).seconds(16000) / seconds, 0.5, 0.12);
    p.speed = 100000; // limited to the range
    const double fastest = speak("slt", text, p).seconds(16000);
    p.speed = flite()->Ranges().speed.max;
    EXPECT_DOUBLE_EQ(speak("slt", text, p).seconds(16000), fastest);

    p = normal();
    p.volume = 50;
    EXPECT_NEAR(rms(speak("slt", text, p).audio) / rms(base.audio), 0.5, 0.08);
    p.volume = 0;
    EXPECT_EQ(rms(speak("slt", text, p).audio), 0);

    // Pitch: the voice's own at 50, half an octave each way at the ends
    // (the diphone voices go no lower than 80 Hz).
    for (const char* voice : {"slt", "kal16"}) {
        const int rate = flite()->SampleRate(mode(voice));
        const double own = median(pitches(speak(voice, text).audio, rate));
        p = normal();
        p.pitch = 100;
        const double high = median(pitches(speak(voice, text, p).audio, rate));
        p.pitch = 0;
        const double low = median(pitches(speak(voice, text, p).audio, rate));
        EXPECT_NEAR(high / own, 1.41, 0.12) << voice << " " << own << " " << high;
        EXPECT_LT(low / own, 0.9) << voice << " " << own << " " << low;
        // Monotone holds the pitch level; Whisper, which Flite cannot do,
        // is spoken as Normal.
        p = normal();
        p.style = TTSVoiceStyle::Monotone;
        const std::vector<double> flat = pitches(speak(voice, text, p).audio, rate);
        const std::vector<double> natural = pitches(speak(voice, text).audio, rate);
        // Frames an octave or more off the middle are the estimate's errors.
        auto spread = [](std::vector<double> v) {
            const double mid = median(v);
            std::erase_if(v, [&](double f) { return f < mid * 0.6 || f > mid * 1.6; });
            std::sort(v.begin(), v.end());
            return v[v.size() * 9 / 10] / v[v.size() / 10];
        };
        EXPECT_LT(spread(flat), spread(natural)) << voice;
        p.style = TTSVoiceStyle::Whisper;
        EXPECT_EQ(speak(voice, text, p).audio.size(), speak(voice, text).audio.size()) << voice;
    }
}

TEST(Flite, LongTextsGoUtteranceByUtteranceAndStopAtOnce) {
    QString text;
    for (int i = 0; i < 200; ++i)
        text += QStringLiteral("Sentence number %1 goes on for a while before it ends. ").arg(i);
    Capture c;
    c.stopAfter = 16000; // one second
    flite()->Synthesize(mode("kal16"), text.toUtf8(), normal(), c);
    // The stop ended the synthesis within the first, short utterance: the
    // text was not made whole before its audio went out.
    EXPECT_LT(c.audio.size(), 16000u * 8);
    EXPECT_GE(c.words().size(), 1u);
    EXPECT_LE(c.words().size(), size_t(FliteEngine::kFirstUtteranceTokens));

    Capture none;
    none.stopped = true;
    flite()->Synthesize(mode("slt"), text.toUtf8(), normal(), none);
    EXPECT_TRUE(none.audio.empty());
}

TEST(Flite, HostileTextSpeaksWhatItCanAndEnds) {
    std::mt19937 rng(7);
    QByteArray binary(50000, 0);
    for (char& b : binary)
        b = char(rng());
    const std::vector<QByteArray> texts = {
        // Flite's own tokenizer wrote past its buffer on these.
        "Wait" + QByteArray(500, '!') + " and " + QByteArray(400, '"') + "see" +
            QByteArray(400, ')'),
        QByteArray(300, '.'),
        QByteArray(3000, '7') + " " + QByteArray(3000, 'x'),
        QStringLiteral(u"日本語のテキスト、中文文本。Русский текст. العربية").toUtf8(),
        QByteArray("Nul\0in the middle", 17),
        binary,
        QByteArray(),
        QByteArray(" \n\t "),
    };
    for (const QByteArray& text : texts) {
        Capture c;
        c.stopAfter = 16000 * 10;
        flite()->Synthesize(mode("kal16"), text, normal(), c);
        for (const Capture::Event& e : c.events)
            if (e.word)
                EXPECT_LE(e.codePoint, text.size());
    }
    // Fifty megabytes without a blank: the first utterance comes at once
    // and a stop ends it; nothing beyond it is worked on.
    Capture huge;
    huge.stopAfter = 16000;
    flite()->Synthesize(mode("slt"), QByteArray(50 << 20, 'a'), normal(), huge);
    EXPECT_GE(huge.audio.size(), 16000u);
    ASSERT_FALSE(huge.words().empty());
    EXPECT_EQ(huge.words().front(), 0);

    // Words of a hostile run still point into the text.
    const Capture digits = speak("kal16", QString(300, u'7') + QStringLiteral(" end"));
    ASSERT_FALSE(digits.words().empty());
    EXPECT_EQ(digits.words().back(), 301);
}

TEST(Flite, TwoThreadsAtOnceGetTheirOwnVoicesAndSettings) {
    const QString text = QStringLiteral("Two voices take turns.");
    TTSVoiceParams slow = normal();
    slow.speed = 100;
    const size_t aloneA = speak("slt", text, slow).audio.size();
    const size_t aloneB = speak("kal", text).audio.size();
    for (int round = 0; round < 2; ++round) {
        Capture a;
        Capture b;
        std::thread ta([&] {
            for (int i = 0; i < 3; ++i) {
                a = {};
                flite()->Synthesize(mode("slt"), text.toUtf8(), slow, a);
            }
        });
        std::thread tb([&] {
            for (int i = 0; i < 3; ++i) {
                b = {};
                flite()->Synthesize(mode("kal"), text.toUtf8(), normal(), b);
            }
        });
        ta.join();
        tb.join();
        EXPECT_EQ(a.audio.size(), aloneA);
        EXPECT_EQ(b.audio.size(), aloneB);
    }
}

TEST(Flite, WritesWavFilesAtEachVoicesRateThroughTheSpeechLayer) {
    TTSEnum modes({flite()});
    for (const char* voice : {"slt", "kal"}) {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("out.wav"));
        auto file = CreateAudioFile();
        int index = -1;
        for (size_t i = 0; i < modes.AllModes().size(); ++i)
            if (modes.AllModes()[i].EngineVoice == QLatin1String(voice))
                index = int(i);
        CentralUnderTest t(flite(), file, index);
        ASSERT_TRUE(file->Set(path, 1));
        TTSMarkedText m;
        m.text = QStringLiteral("First words here. And then the rest of it.");
        m.marks = {{6, TTSTextMark::Bookmark, 1},
                   {18, TTSTextMark::Bookmark, 2},
                   {m.text.size(), TTSTextMark::Bookmark, 3}};
        t.speak(m);
        ASSERT_TRUE(t.rec->waitFor(QStringLiteral("done"), 1, 30000)) << voice;
        EXPECT_EQ(t.rec->count(QStringLiteral("error")), 0);
        EXPECT_EQ(t.rec->values(QStringLiteral("mark")), (std::vector<qint64>{1, 2, 3}));
        EXPECT_EQ(t.rec->values(QStringLiteral("word")),
                  (std::vector<qint64>{0, 6, 12, 18, 22, 27, 31, 36, 39}));
        const QString seq = t.rec->sequence();
        EXPECT_LT(seq.indexOf(u"mark1"), seq.indexOf(u"word6"));
        EXPECT_LT(seq.indexOf(u"mark2"), seq.indexOf(u"word18"));
        // Phones with the mouth shapes of Flite's alphabet, pauses among them.
        const std::vector<qint64> hints = t.rec->values(QStringLiteral("visual"));
        EXPECT_GT(std::count(hints.begin(), hints.end(), qint64(TTSVISUAL_SILENCE)), 0);
        EXPECT_GT(std::count(hints.begin(), hints.end(), qint64(TTSVISUAL_VOWEL)), 8);

        const WavFile w = readWav(path);
        ASSERT_TRUE(w.riff);
        EXPECT_TRUE(w.sizesMatch);
        EXPECT_EQ(w.rate, flite()->SampleRate(modes.AllModes()[size_t(index)]));
        EXPECT_GT(w.seconds(), 1.5);
        // A decoder that is not ours agrees on rate and length.
        const ProcessResult soxi = run(QStringLiteral("soxi"), {QStringLiteral("-r"), path});
        EXPECT_EQ(soxi.out.trimmed().toInt(), w.rate) << soxi.err.toStdString();
        const ProcessResult length = run(QStringLiteral("soxi"), {QStringLiteral("-D"), path});
        EXPECT_NEAR(length.out.trimmed().toDouble(), w.seconds(), 0.01);
    }
}

TEST(Flite, AHugeTextOnTheSoundDeviceStartsAndStopsAtOnce) {
    // The converter's way with a long document: one text, then Stop.
    CentralUnderTest t(flite(), CreateAudioDevice(AudioDeviceKind::Null));
    QString text;
    text.reserve(2 << 20);
    while (text.size() < (2 << 20))
        text += QStringLiteral("A long document goes on and on, sentence after sentence. ");
    t.speak(text);
    ASSERT_TRUE(t.rec->waitFor(QStringLiteral("word"), 3, 20000));
    t.central->AudioReset();
    ASSERT_TRUE(t.rec->waitFor(QStringLiteral("stop"), 1, 5000));
    const int words = t.rec->count(QStringLiteral("word"));
    waitFor([] { return false; }, 500);
    EXPECT_EQ(t.rec->count(QStringLiteral("word")), words) << "words after the stop";
    EXPECT_EQ(t.rec->count(QStringLiteral("done")), 0);
    EXPECT_EQ(t.rec->count(QStringLiteral("error")), 0);
}

TEST(Flite, PhonesMapOntoMouthShapes) {
    EXPECT_EQ(MouthForFlitePhone(QStringLiteral("pau")).hints, quint32(TTSVISUAL_SILENCE));
    for (const char* closed : {"p", "b", "m"})
        EXPECT_EQ(MouthForFlitePhone(QString::fromLatin1(closed)).mouth.MouthHeight, 0) << closed;
    for (const char* vowel : {"aa", "ae", "ah", "ao", "aw", "ax", "ay", "eh", "er", "ey", "ih",
                              "iy", "ow", "oy", "uh", "uw"})
        EXPECT_EQ(MouthForFlitePhone(QString::fromLatin1(vowel)).hints, quint32(TTSVISUAL_VOWEL))
            << vowel;
    const TTSMouth open = MouthForFlitePhone(QStringLiteral("aa")).mouth;
    const TTSMouth round = MouthForFlitePhone(QStringLiteral("uw")).mouth;
    const TTSMouth spread = MouthForFlitePhone(QStringLiteral("iy")).mouth;
    EXPECT_GT(open.JawOpen, spread.JawOpen);
    EXPECT_LT(round.MouthWidth, spread.MouthWidth);
    EXPECT_GT(MouthForFlitePhone(QStringLiteral("f")).mouth.TeethUpperVisible, 200);
    EXPECT_GT(MouthForFlitePhone(QStringLiteral("th")).mouth.TonguePosn, 200);
    EXPECT_EQ(MouthForFlitePhone(QStringLiteral("sh")).hints, quint32(TTSVISUAL_CONSONANT));
    // An unknown name gets a half-open mouth, not a closed or silent one.
    EXPECT_EQ(MouthForFlitePhone(QStringLiteral("xx")).hints, quint32(TTSVISUAL_CONSONANT));
    EXPECT_GT(MouthForFlitePhone(QStringLiteral("xx")).mouth.MouthHeight, 0);
    // The engine reports its phones in this alphabet.
    EXPECT_EQ(flite()->MouthShape(QStringLiteral("ch")).mouth,
              MouthForFlitePhone(QStringLiteral("ch")).mouth);
}

} // namespace
} // namespace kalo::test
