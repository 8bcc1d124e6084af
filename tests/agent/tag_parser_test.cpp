// The control's window-free logic: speech tags, balloon layout, voice
// mapping and animation stepping.
#include "agent/animation_stepper.h"
#include "agent/balloon_layout.h"
#include "agent/speech_tags.h"
#include "agent/voice_mapping.h"
#include "speech/mouth_shapes.h"
#include "agent_test_character.h"

#include <gtest/gtest.h>

#include <deque>

namespace kalo {
namespace {

struct M {
    qsizetype at;
    TTSTextMark::Kind kind;
    qint64 value;
    bool operator==(const M&) const = default;
};

std::vector<M> marksOf(const ParsedSpeech& p) {
    std::vector<M> out;
    for (const TTSTextMark& m : p.marks)
        out.push_back({m.position, m.kind, m.value});
    return out;
}

TEST(SpeechTags, ControllerTextGivesWordsBookmarksAndVoice) {
    const ParsedSpeech p = ParseSpeechTags(
        QStringLiteral("\\Vol=65535\\\\Pit=50\\\\Spd=150\\Hello\\Mrk=1\\ big\\Mrk=2\\ world"
                       "\\Mrk=3\\ "));
    EXPECT_EQ(p.spoken, QStringLiteral("Hello big world "));
    EXPECT_EQ(p.balloon, p.spoken);
    const std::vector<M> want = {{0, TTSTextMark::Volume, 65535}, {0, TTSTextMark::Pitch, 50},
                                 {0, TTSTextMark::Speed, 150},    {5, TTSTextMark::Bookmark, 1},
                                 {9, TTSTextMark::Bookmark, 2},   {15, TTSTextMark::Bookmark, 3}};
    EXPECT_EQ(marksOf(p), want);
    EXPECT_EQ(p.Bookmarks(), (std::vector<qint32>{1, 2, 3}));
}

TEST(SpeechTags, BalloonOffAndWhisperWrapping) {
    // The controller's text with the balloon off and the whisper style.
    const QString inner = QStringLiteral("\\Vol=100\\\\Pit=50\\\\Spd=150\\a\\Mrk=1\\ b\\Mrk=2\\ ");
    const ParsedSpeech p = ParseSpeechTags(QStringLiteral("\\Chr=\"Whisper\"\\\\Map=\"") + inner +
                                           QStringLiteral("\"=\"\"\\"));
    EXPECT_EQ(p.spoken, QStringLiteral("a b "));
    EXPECT_TRUE(p.balloon.isEmpty());
    ASSERT_FALSE(p.marks.empty());
    EXPECT_EQ(p.marks.front().kind, TTSTextMark::Style);
    EXPECT_EQ(p.marks.front().value, qint64(TTSVoiceStyle::Whisper));
    EXPECT_EQ(p.Bookmarks(), (std::vector<qint32>{1, 2}));
}

TEST(SpeechTags, MapQuotesAndBalloonPositions) {
    const ParsedSpeech p =
        ParseSpeechTags(QStringLiteral("Say \\Map=\"\"\"hi\"\" there\"=\"HELLO \"\"X\"\"\"\\ now"));
    EXPECT_EQ(p.spoken, QStringLiteral("Say \"hi\" there now"));
    EXPECT_EQ(p.balloon, QStringLiteral("Say HELLO \"X\" now"));
    // Plain parts map one to one, the mapped part in proportion.
    EXPECT_EQ(p.BalloonPosition(2), 2);
    EXPECT_EQ(p.BalloonPosition(4), 4);
    EXPECT_GT(p.BalloonPosition(10), 4);
    EXPECT_LT(p.BalloonPosition(10), 13);
    EXPECT_EQ(p.BalloonPosition(p.spoken.indexOf(u"now")), p.balloon.indexOf(u"now"));
    EXPECT_EQ(p.BalloonPosition(p.spoken.size()), p.balloon.size());
}

TEST(SpeechTags, StrayQuotesInsideAMapStaySpoken) {
    // A quote the controller did not double still leaves a well-formed map.
    const ParsedSpeech p =
        ParseSpeechTags(QStringLiteral("\\Map=\"He said \"no\" twice\\Mrk=1\\ \"=\"\"\\"));
    EXPECT_EQ(p.spoken, QStringLiteral("He said \"no\" twice "));
    EXPECT_TRUE(p.balloon.isEmpty());
    EXPECT_EQ(p.Bookmarks(), std::vector<qint32>{1});
}

TEST(SpeechTags, EscapesUnknownAndMalformedTags) {
    struct Case {
        const char* in;
        const char* spoken;
    } cases[] = {
        {"a\\\\b", "a\\b"},                 // doubled backslash
        {"a\\\\\\\\b", "a\\\\b"},           // two of them
        {"x\\Pau=300\\y", "xy"},            // unknown tag with a value: dropped
        {"x\\Emp\\y", "xy"},                // unknown tag without a value
        {"x\\Ctx=\"Address\"\\y", "xy"},    // quoted value
        {"C:\\temp file", "C:\\temp file"}, // no closing backslash: kept
        {"a \\ b", "a \\ b"},               // no name: kept
        {"end\\", "end\\"},                 // lone backslash at the end
        {"x\\Vol=loud\\y", "xy"},           // bad number: the tag is dropped
        {"\\Map=\"open", "\\Map=\"open"},   // a map that never closes
    };
    for (const Case& c : cases) {
        const ParsedSpeech p = ParseSpeechTags(QString::fromUtf8(c.in));
        EXPECT_EQ(p.spoken, QString::fromUtf8(c.spoken)) << c.in;
        EXPECT_EQ(p.balloon, p.spoken) << c.in;
    }
    EXPECT_TRUE(ParseSpeechTags(QStringLiteral("x\\Vol=loud\\y")).marks.empty());
}

TEST(SpeechTags, ValuesAreLimitedAndCaseIsIgnored) {
    const ParsedSpeech p = ParseSpeechTags(QStringLiteral(
        "\\vol=99999\\\\VOL=-5\\\\chr=\"monotone\"\\\\Chr=Normal\\\\Chr=\"Shout\"\\\\mrk=7\\"
        "\\Mrk=99999999999\\x\\Rst\\"));
    const std::vector<M> want = {{0, TTSTextMark::Volume, 65535},
                                 {0, TTSTextMark::Volume, 0},
                                 {0, TTSTextMark::Style, qint64(TTSVoiceStyle::Monotone)},
                                 {0, TTSTextMark::Style, qint64(TTSVoiceStyle::Normal)},
                                 {0, TTSTextMark::Bookmark, 7},
                                 {1, TTSTextMark::Volume, 65535},
                                 {1, TTSTextMark::Pitch, kVoiceDefault},
                                 {1, TTSTextMark::Speed, kVoiceDefault},
                                 {1, TTSTextMark::Style, qint64(TTSVoiceStyle::Normal)}};
    EXPECT_EQ(marksOf(p), want);
    EXPECT_EQ(p.spoken, QStringLiteral("x"));
}

TEST(VoiceMapping, EngineUnits) {
    const TTSRange volume{0, 100, 100}, pitch{0, 100, 50}, speed{80, 450, 175};
    EXPECT_EQ(EngineVolume(0, volume), 0u);
    EXPECT_EQ(EngineVolume(65535, volume), 100u);
    EXPECT_EQ(EngineVolume(32768, volume), 50u);
    EXPECT_EQ(EnginePitch(50, pitch), 0u);
    EXPECT_EQ(EnginePitch(10, pitch), 0u);
    EXPECT_EQ(EnginePitch(400, pitch), 100u);
    EXPECT_EQ(EnginePitch(1000, pitch), 100u);
    EXPECT_NEAR(double(EnginePitch(141, pitch)), 50.0, 1.0);
    EXPECT_LT(EnginePitch(100, pitch), EnginePitch(200, pitch));
    EXPECT_EQ(EnginePitch(kVoiceDefault, pitch), 50u);
    EXPECT_EQ(EngineSpeed(50, speed), 80u);
    EXPECT_EQ(EngineSpeed(150, speed), 150u);
    EXPECT_EQ(EngineSpeed(kVoiceDefault, speed), 175u);

    TTSEngineRanges r{speed, pitch, volume};
    const TTSMarkedText t =
        EngineText(ParseSpeechTags(QStringLiteral("a\\Spd=200\\b\\Rst\\c")), {65535, 400, 120}, r);
    EXPECT_EQ(t.text, QStringLiteral("abc"));
    // Start settings at 0, then the tag, then \Rst\ back to the start values.
    ASSERT_EQ(t.marks.size(), 9u);
    EXPECT_EQ(t.marks[1].value, 100); // pitch 400 Hz
    EXPECT_EQ(t.marks[2].value, 120);
    EXPECT_EQ(t.marks[4].position, 1);
    EXPECT_EQ(t.marks[4].value, 200);
    EXPECT_EQ(t.marks[6].value, 100); // \Rst\ pitch: the character's own
    EXPECT_EQ(t.marks[7].value, 120);
}

TEST(VoiceMapping, ClosestModeByLanguageThenGender) {
    auto mode = [](const char* lang, quint16 gender) {
        TTSModeInfo m;
        m.Language = QString::fromLatin1(lang);
        m.Gender = gender;
        return m;
    };
    const std::vector<TTSModeInfo> modes = {mode("de", GENDER_MALE), mode("en-gb", GENDER_MALE),
                                            mode("en-us", GENDER_MALE),
                                            mode("en-us", GENDER_FEMALE)};
    EXPECT_EQ(ClosestMode(modes, LanguageCodeForId(0x0409), GENDER_FEMALE), 3);
    EXPECT_EQ(ClosestMode(modes, LanguageCodeForId(0x0409), GENDER_MALE), 2);
    EXPECT_EQ(ClosestMode(modes, LanguageCodeForId(0x0809), GENDER_FEMALE), 1);
    EXPECT_EQ(ClosestMode(modes, LanguageCodeForId(9), GENDER_NEUTRAL), 1); // first English
    EXPECT_EQ(ClosestMode(modes, LanguageCodeForId(0x0407), GENDER_FEMALE), 0);
    EXPECT_EQ(ClosestMode(modes, QString(), GENDER_FEMALE), 3);
    EXPECT_EQ(ClosestMode({}, QStringLiteral("en"), 0), -1);
    EXPECT_EQ(LanguageCodeForId(0x7FFF), QString());
}

TEST(VoiceMapping, MouthPictures) {
    TTSMouth m;
    EXPECT_EQ(MouthPicture(m, TTSVISUAL_SILENCE), 0);
    m.MouthHeight = 200;
    m.MouthWidth = 160;
    EXPECT_EQ(MouthPicture(m, TTSVISUAL_VOWEL), 4);
    m.MouthWidth = 70;
    EXPECT_EQ(MouthPicture(m, TTSVISUAL_VOWEL), 6);
    m.MouthWidth = 200;
    m.MouthHeight = 90;
    EXPECT_EQ(MouthPicture(m, TTSVISUAL_VOWEL), 2);
    m.MouthHeight = 60;
    EXPECT_EQ(MouthPicture(m, TTSVISUAL_CONSONANT), 5);
    EXPECT_EQ(MouthPicture(m, TTSVISUAL_SILENCE), 0);
}

TEST(VoiceMapping, FlitePhonesReachEachOfTheSevenMouthPictures) {
    auto picture = [](const char* phone) {
        const TTSVisualShape s = MouthForFlitePhone(QString::fromLatin1(phone));
        return MouthPicture(s.mouth, s.hints);
    };
    // 0 closed, 1 to 4 open from a little to wide, 5 medium, 6 narrow.
    for (const char* closed : {"pau", "p", "b", "m"})
        EXPECT_EQ(picture(closed), 0) << closed;
    EXPECT_EQ(picture("f"), 1);
    EXPECT_EQ(picture("th"), 1);
    EXPECT_EQ(picture("iy"), 2);
    EXPECT_EQ(picture("ih"), 2);
    EXPECT_EQ(picture("ah"), 3);
    EXPECT_EQ(picture("eh"), 3);
    EXPECT_EQ(picture("aa"), 4);
    EXPECT_EQ(picture("ae"), 4);
    EXPECT_EQ(picture("t"), 5);
    EXPECT_EQ(picture("s"), 5);
    for (const char* narrow : {"uw", "ow", "w", "sh", "ch"})
        EXPECT_EQ(picture(narrow), 6) << narrow;
}

TEST(BalloonLayout, WrapsWordsBreaksLinesAndPages) {
    const BalloonLayout l(QStringLiteral("one two three four\nfive  sixsevenEIGHT"), 9, 2);
    QStringList lines;
    for (const auto& line : l.Lines())
        lines << QStringLiteral("one two three four\nfive  sixsevenEIGHT")
                     .mid(line.begin, line.end - line.begin);
    EXPECT_EQ(lines, (QStringList{"one two", "three", "four", "five", "sixsevenE", "IGHT"}));
    EXPECT_EQ(l.PageCount(), 3);

    // Up to the end of the word being spoken, on that word's page.
    auto v = l.Reveal(4);
    EXPECT_EQ(v.page, 0);
    EXPECT_EQ(v.lines, (QStringList{"one two", ""}));
    v = l.Reveal(8);
    EXPECT_EQ(v.lines, (QStringList{"one two", "three"}));
    v = l.Reveal(14);
    EXPECT_EQ(v.page, 1);
    EXPECT_EQ(v.lines, (QStringList{"four", ""}));
    v = l.Reveal(1000);
    EXPECT_EQ(v.page, 2);
    EXPECT_EQ(v.lines, (QStringList{"sixsevenE", "IGHT"}));
}

TEST(BalloonLayout, BlankLinesAndEmptyText) {
    const QString text = QStringLiteral("ab \n\ncd");
    const BalloonLayout l(text, 10, 3);
    ASSERT_EQ(l.Lines().size(), 3u);
    EXPECT_EQ(text.mid(l.Lines()[0].begin, l.Lines()[0].end - l.Lines()[0].begin), "ab");
    EXPECT_EQ(l.Lines()[1].begin, l.Lines()[1].end);
    EXPECT_EQ(BalloonLayout(QString(), 10, 2).PageCount(), 1);
    EXPECT_EQ(BalloonLayout(QStringLiteral("abc"), 0, 0).Lines().size(), 3u);
}

TEST(BalloonLayout, LinesAreBrokenByTheWidthOfTheirCharacters) {
    // W is three units wide, everything else one; lines of ten units.
    const auto advance = [](char32_t c) { return c == U'W' ? 3 : 1; };
    const QString text = QStringLiteral("ww W ww WWW WWWWWWW ab");
    const BalloonLayout l(text, 10, 2, advance);
    QStringList lines;
    for (const auto& line : l.Lines())
        lines << text.mid(line.begin, line.end - line.begin);
    EXPECT_EQ(lines, (QStringList{"ww W ww", "WWW", "WWW", "WWW", "W ab"}));
    std::vector<int> widths;
    for (const auto& line : l.Lines())
        widths.push_back(line.width);
    EXPECT_EQ(widths, (std::vector<int>{9, 9, 9, 9, 6}));
}

TEST(BalloonLayout, EveryCharacterIsMeasuredABoundedNumberOfTimes) {
    // A megabyte without a blank, after a short word, then words again:
    // the long word must not be measured anew at every line it fills.
    const QString text =
        QStringLiteral("a ") + QString(1 << 20, u'x') + QStringLiteral(" end of it");
    qint64 measured = 0;
    const BalloonLayout l(text, 32, 3, [&](char32_t) {
        ++measured;
        return 1;
    });
    EXPECT_LE(measured, 3 * text.size());
    EXPECT_EQ(l.Lines().size(), size_t(1 + (1 << 20) / 32 + 1));
    // Revealing the speech word by word, through the long word too.
    for (qsizetype at = 0; at < text.size(); at += 4096)
        EXPECT_EQ(l.WordEnd(at), at < 2 ? 1 : text.size() - 10);
}

TEST(BalloonLayout, APairOfSurrogatesStaysOnOneLine) {
    const QString faces = QString::fromUtf8("😀😀😀😀😀");
    for (int width : {1, 2, 3}) {
        const BalloonLayout l(faces, width, 2);
        for (const auto& line : l.Lines()) {
            EXPECT_FALSE(faces.at(line.begin).isLowSurrogate());
            EXPECT_FALSE(faces.at(line.end - 1).isHighSurrogate());
        }
        EXPECT_EQ(l.Lines().back().end, faces.size());
    }
}

// --- animation stepping

RandomSource Scripted(std::deque<int> values) {
    auto v = std::make_shared<std::deque<int>>(std::move(values));
    return [v](int bound) {
        if (v->empty())
            return 0;
        const int r = v->front() % bound;
        v->pop_front();
        return r;
    };
}

TEST(AnimationStepper, BranchesByRunningPercentage) {
    const acs::Character c = test::MakeTestCharacter();
    const int branchy = AnimationIndex(c, u"branchy");
    ASSERT_GE(branchy, 0);
    // Branches 30 % to frame 2, then 50 % to frame 3; 20 % on to frame 1.
    for (auto [r, want] : {std::pair{0, 2}, {29, 2}, {30, 3}, {79, 3}, {80, 1}, {99, 1}}) {
        AnimationStepper s(c, Scripted({r}));
        ASSERT_TRUE(s.Start(branchy));
        ASSERT_TRUE(s.Next());
        EXPECT_EQ(s.Frame(), want) << r;
    }
}

TEST(AnimationStepper, PlaysToTheEndLoopsAndExits) {
    const acs::Character c = test::MakeTestCharacter();
    AnimationStepper s(c, Scripted({}));
    ASSERT_TRUE(s.Start(AnimationIndex(c, u"Greet")));
    EXPECT_TRUE(s.Next());
    EXPECT_TRUE(s.Next());
    EXPECT_FALSE(s.Next());
    EXPECT_EQ(s.Frame(), 2); // the last frame stays

    // The loop goes back to its start for ever...
    ASSERT_TRUE(s.Start(AnimationIndex(c, u"Loop")));
    for (int i = 0; i < 10; ++i)
        ASSERT_TRUE(s.Next());
    EXPECT_EQ(s.Frame(), 1);
    EXPECT_FALSE(s.Looped());
    ASSERT_TRUE(s.Next());
    ASSERT_TRUE(s.Next());
    EXPECT_EQ(s.Frame(), 0);
    EXPECT_TRUE(s.Looped());
    // ...and leaves by its exits: frame 0 -> 1 (next), 1 -> 2, 2 -> end.
    s.BeginExit();
    ASSERT_TRUE(s.Next());
    EXPECT_EQ(s.Frame(), 1);
    ASSERT_TRUE(s.Next());
    EXPECT_EQ(s.Frame(), 2);
    EXPECT_FALSE(s.Next());
}

TEST(AnimationStepper, ExitWalkToItselfIsCapped) {
    const acs::Character c = test::MakeTestCharacter();
    AnimationStepper s(c, Scripted({}));
    ASSERT_TRUE(s.Start(AnimationIndex(c, u"SelfExit")));
    s.BeginExit();
    int steps = 0;
    while (s.Next() && steps < 1000)
        ++steps;
    EXPECT_LE(steps, 1);
    EXPECT_FALSE(s.Running());
}

TEST(AnimationStepper, StatesAndMissingAnimations) {
    acs::Character c = test::MakeTestCharacter();
    const RandomSource r = Scripted({});
    EXPECT_EQ(StateAnimation(c, u"showing", {}, r), AnimationIndex(c, u"Show"));
    EXPECT_EQ(StateAnimation(c, u"IDLINGLEVEL3", {}, r), -1);
    c.states.clear();
    EXPECT_EQ(StateAnimation(c, u"SHOWING", {QStringLiteral("show")}, r),
              AnimationIndex(c, u"Show"));
    EXPECT_EQ(StateAnimation(c, u"SHOWING", {}, r), -1);
    AnimationStepper s(c, r);
    EXPECT_FALSE(s.Start(-1));
    EXPECT_FALSE(s.Start(1000));
    EXPECT_FALSE(s.Next());
}

} // namespace
} // namespace kalo
