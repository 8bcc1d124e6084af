// The eSpeak NG engine through the speech layer: its modes, the WAV files it
// writes, word positions in real text, marks, and the write rate.
#include "speech_test_support.h"

#include "base/kalo_error.h"
#include "speech/audio_destinations.h"
#include "speech/espeak_engine.h"

#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace kalo::test {
namespace {

std::shared_ptr<ITTSEngine> espeak() {
    return EspeakEngine::Instance();
}

int modeIndex(const QString& name) {
    TTSEnum modes({espeak()});
    for (size_t i = 0; i < modes.AllModes().size(); ++i)
        if (modes.AllModes()[i].ModeName == name)
            return int(i);
    return -1;
}

// Writes text to a WAV file at the given rate; the recorder has the notifications.
struct WavRun {
    QTemporaryDir dir;
    QString path = dir.filePath(QStringLiteral("out.wav"));
    std::shared_ptr<IAudioFile> file = CreateAudioFile();
    std::unique_ptr<CentralUnderTest> t;

    explicit WavRun(
        int mode = modeIndex(QStringLiteral("English (Great Britain) Male - eSpeak NG"))) {
        t = std::make_unique<CentralUnderTest>(espeak(), file, mode);
        EXPECT_TRUE(file->Set(path, 1)) << file->LastError().toStdString();
    }
    bool speak(const QString& text, int timeoutMs = 20000) {
        t->speak(text);
        return t->rec->waitFor(QStringLiteral("done"), 1, timeoutMs);
    }
    bool speak(const TTSMarkedText& text) {
        t->speak(text);
        return t->rec->waitFor(QStringLiteral("done"));
    }
};

TEST(Espeak, ModesHaveStableGuidsAndReadableUniqueNames) {
    TTSEnum first({espeak()});
    TTSEnum second({espeak()});
    const auto& modes = first.AllModes();
    ASSERT_GE(modes.size(), 10u);
    const QRegularExpression guid(
        QStringLiteral("^\\{[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}\\}$"));
    QSet<QString> names;
    QSet<QUuid> ids;
    for (size_t i = 0; i < modes.size(); ++i) {
        const QString text = GuidText(modes[i].ModeID);
        EXPECT_EQ(text.size(), 38);
        EXPECT_TRUE(guid.match(text).hasMatch()) << text.toStdString();
        EXPECT_EQ(GuidFromText(text.toLower()), modes[i].ModeID);
        EXPECT_TRUE(modes[i].ModeName.endsWith(u" - eSpeak NG"));
        names.insert(modes[i].ModeName);
        ids.insert(modes[i].ModeID);
        // Derived from engine and voice: the same in another enumeration.
        EXPECT_EQ(second.AllModes()[i].ModeID, modes[i].ModeID);
    }
    EXPECT_EQ(size_t(names.size()), modes.size());
    EXPECT_EQ(size_t(ids.size()), modes.size());
    // English voices come with female and male variants named so.
    const int female = modeIndex(QStringLiteral("English (America) Female - eSpeak NG"));
    ASSERT_GE(female, 0);
    EXPECT_EQ(modes[size_t(female)].Gender, GENDER_FEMALE);
    EXPECT_EQ(modes[size_t(female)].Language, QStringLiteral("en-us"));
    // A new user's first voice (index 0) speaks American English; English
    // voices come before the others.
    EXPECT_EQ(modeIndex(QStringLiteral("English (America) Male - eSpeak NG")), 0);
    EXPECT_TRUE(modes[10].Language.startsWith(u"en"));
    EXPECT_FALSE(modes.back().Language.startsWith(u"en"));
    EXPECT_GE(modeIndex(QStringLiteral("German Male - eSpeak NG")), 0);
}

TEST(Espeak, EnumeratorWalksTheModesOnceAndSelectsById) {
    TTSEnum modes({espeak()});
    const size_t total = modes.AllModes().size();
    std::vector<TTSModeInfo> got;
    EXPECT_EQ(modes.Next(2, got), 2);
    EXPECT_TRUE(modes.Skip(int(total) - 3));
    EXPECT_EQ(modes.Next(5, got), 1);
    EXPECT_EQ(modes.Next(1, got), 0); // after the last mode
    EXPECT_FALSE(modes.Skip(1));
    modes.Reset();
    EXPECT_EQ(modes.Next(1, got), 1);
    EXPECT_EQ(got.back().ModeID, modes.AllModes()[0].ModeID);
    EXPECT_THROW(modes.Select(QUuid::createUuid(), CreateAudioFile()), KaloError);
    auto file = CreateAudioFile();
    auto central = modes.Select(modes.AllModes()[3].ModeID, file);
    EXPECT_EQ(central->ModeInfo().ModeID, modes.AllModes()[3].ModeID);
    EXPECT_THROW(modes.Select(modes.AllModes()[3].ModeID, file), KaloError); // destination taken
}

TEST(Espeak, WritesAValidWavOfPlausibleLengthThatSoxDecodes) {
    WavRun wav;
    ASSERT_TRUE(wav.speak(QStringLiteral("The quick brown fox jumps over the lazy dog.")));
    const WavFile w = readWav(wav.path);
    ASSERT_TRUE(w.riff);
    EXPECT_TRUE(w.sizesMatch);
    EXPECT_EQ(w.rate, 22050);
    EXPECT_EQ(w.channels, 1);
    EXPECT_EQ(w.bits, 16);
    // Nine words at about 175 words a minute: about three seconds.
    EXPECT_GT(w.seconds(), 1.8);
    EXPECT_LT(w.seconds(), 5.0);
    int loud = 0;
    for (qint16 s : w.samples)
        loud += std::abs(s) > 3000;
    EXPECT_GT(loud, 1000) << "the file holds no speech";
    const ProcessResult sox =
        run(QStringLiteral("sox"), {wav.path, QStringLiteral("-n"), QStringLiteral("stat")});
    EXPECT_EQ(sox.exitCode, 0) << sox.err.toStdString();
    EXPECT_TRUE(sox.err.contains(QStringLiteral("Length (seconds)"))) << sox.err.toStdString();
    // The stop came after the whole file was written.
    EXPECT_EQ(wav.t->rec->sequence().section(u' ', -2), QStringLiteral("stop done"));
}

TEST(Espeak, WordPositionsRiseAndLandOnWordStartsInAnyScript) {
    struct Case {
        const char* voice;
        QString text;
    };
    const std::vector<Case> cases = {
        {"French (France) Male - eSpeak NG",
         QStringLiteral("Ça marche très bien, naïve Zoé. Où êtes vous?")},
        {"Russian Male - eSpeak NG", QStringLiteral("Привет мир, как дела сегодня?")},
        {"English (Great Britain) Male - eSpeak NG",
         QStringLiteral("\U0001F600 Smile, \U0001F600 please: caf\u00E9 time.")},
        {"English (America) Male - eSpeak NG",
         QStringLiteral("One sentence ends here. Another one starts \U0001F600 after it.")},
    };
    for (const Case& c : cases) {
        const int mode = modeIndex(QString::fromUtf8(c.voice));
        ASSERT_GE(mode, 0) << c.voice;
        WavRun run(mode);
        ASSERT_TRUE(run.speak(c.text));
        const std::vector<qint64> words = run.t->rec->values(QStringLiteral("word"));
        ASSERT_GE(words.size(), 4u) << c.voice;
        QSet<qint64> starts;
        for (size_t i = 0; i < words.size(); ++i) {
            const qint64 w = words[i];
            ASSERT_LT(w, c.text.size());
            // Never the blank before a word.
            EXPECT_FALSE(c.text.at(w).isSpace()) << c.voice << ": position " << w;
            if (i > 0)
                EXPECT_GE(w, words[i - 1]);
            starts.insert(w);
        }
        // Every word of letters is reported where it begins.
        static const QRegularExpression word(QStringLiteral("\\p{L}+"));
        for (auto it = word.globalMatch(c.text); it.hasNext();) {
            const auto m = it.next();
            EXPECT_TRUE(starts.contains(m.capturedStart()))
                << c.voice << ": " << m.captured().toStdString() << " at " << m.capturedStart();
        }
    }
}

TEST(Espeak, ANullCharacterDoesNotEndTheText) {
    // Documents may hold U+0000; the library reads C strings.
    QString text = QStringLiteral("First part. Second part follows here.");
    text[11] = QChar(0);
    WavRun run;
    ASSERT_TRUE(run.speak(text));
    const std::vector<qint64> words = run.t->rec->values(QStringLiteral("word"));
    EXPECT_NE(std::find(words.begin(), words.end(), qint64(text.indexOf(u"follows"))), words.end())
        << words.size() << " words";
    EXPECT_GT(readWav(run.path).seconds(), 1.8);
}

TEST(Espeak, MarksChangeTheVoiceAndEveryBookmarkArrives) {
    const QString text = QStringLiteral("One sentence here. Another one follows. And the end.");
    WavRun plain;
    ASSERT_TRUE(plain.speak(text));
    const double plainSeconds = readWav(plain.path).seconds();

    WavRun marked;
    TTSMarkedText m;
    m.text = text;
    // Bookmarks right after full stops, where SSML marks get lost.
    m.marks = {{18, TTSTextMark::Bookmark, 1},
               {19, TTSTextMark::Speed, 400},
               {39, TTSTextMark::Bookmark, 2},
               {text.size(), TTSTextMark::Bookmark, 3}};
    ASSERT_TRUE(marked.speak(m));
    EXPECT_EQ(marked.t->rec->values(QStringLiteral("mark")), (std::vector<qint64>{1, 2, 3}));
    // Phonemes with mouth shapes come along, pauses among them.
    EXPECT_GT(marked.t->rec->count(QStringLiteral("visual")), 20);
    const std::vector<qint64> hints = marked.t->rec->values(QStringLiteral("visual"));
    EXPECT_GT(std::count(hints.begin(), hints.end(), qint64(TTSVISUAL_SILENCE)), 0);
    EXPECT_GT(std::count(hints.begin(), hints.end(), qint64(TTSVISUAL_VOWEL)), 5);
    const QString seq = marked.t->rec->sequence();
    EXPECT_LT(seq.indexOf(u"mark1"), seq.indexOf(u"word19"));
    EXPECT_LT(seq.indexOf(u"mark2"), seq.indexOf(u"word40"));
    EXPECT_LT(seq.indexOf(u"mark3"), seq.indexOf(u"stop"));
    // Most of the text at 400 words a minute is a good deal shorter.
    EXPECT_LT(readWav(marked.path).seconds(), plainSeconds * 0.8);

    EXPECT_EQ(EspeakEngine::VoiceName(TTSModeInfo{.Gender = GENDER_FEMALE,
                                                  .EngineVoice = QStringLiteral("gmw/en-US+f3")},
                                      TTSVoiceStyle::Whisper),
              QByteArray("gmw/en-US+whisperf"));
}

TEST(Espeak, WritesNoFasterThanTheRateAllows) {
    WavRun run;
    run.file->RealTimeSet(2 * kRealTime1x);
    const QString text = QStringLiteral("This sentence takes a little under three seconds to say.");
    QElapsedTimer clock;
    clock.start();
    ASSERT_TRUE(run.speak(text));
    const double written = clock.elapsed() / 1000.0;
    const double audio = readWav(run.path).seconds();
    EXPECT_GT(written, audio / 2 * 0.9);
    EXPECT_LT(written, audio / 2 + 0.5);

    // As fast as the engine goes at the top rate.
    run.file->RealTimeSet(kRealTimeUnthrottled);
    ASSERT_TRUE(run.file->Set(run.path, 1));
    clock.restart();
    run.t->speak(text);
    ASSERT_TRUE(run.t->rec->waitFor(QStringLiteral("done"), 2));
    EXPECT_LT(clock.elapsed(), audio * 1000 / 8);
}

} // namespace
} // namespace kalo::test
