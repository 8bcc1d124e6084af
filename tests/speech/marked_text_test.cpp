// Taking marked text apart: where it splits, what each stretch is spoken
// with, and how engine character counts map back to UTF-16 offsets.
#include "speech/marked_text.h"
#include "speech/mouth_shapes.h"

#include <gtest/gtest.h>

namespace kalo {
namespace {

const TTSEngineRanges kRanges{{80, 450, 175}, {0, 100, 50}, {0, 100, 100}};
const TTSVoiceParams kStart{175, 50, 100, TTSVoiceStyle::Normal};

TTSTextMark mark(qsizetype pos, TTSTextMark::Kind kind, qint64 value) {
    return {pos, kind, value};
}

TEST(MarkedText, SplitsOnlyWhereTheVoiceSettingsChange) {
    TTSMarkedText t;
    t.text = QStringLiteral("one two three four");
    t.marks = {mark(4, TTSTextMark::Bookmark, 1), // never splits
               mark(8, TTSTextMark::Speed, 300),  // splits
               mark(8, TTSTextMark::Pitch, 70),   // same place: one split
               mark(14, TTSTextMark::Speed, 300), // no change: no split
               mark(14, TTSTextMark::Style, int(TTSVoiceStyle::Whisper))};
    const auto segs = SplitIntoSegments(t, kStart, kRanges);
    ASSERT_EQ(segs.size(), 3u);
    EXPECT_EQ(segs[0].begin, 0);
    EXPECT_EQ(segs[0].end, 8);
    EXPECT_EQ(segs[0].params, kStart);
    EXPECT_EQ(segs[1].begin, 8);
    EXPECT_EQ(segs[1].end, 14);
    EXPECT_EQ(segs[1].params.speed, 300u);
    EXPECT_EQ(segs[1].params.pitch, 70u);
    EXPECT_EQ(segs[2].begin, 14);
    EXPECT_EQ(segs[2].end, t.text.size());
    EXPECT_EQ(segs[2].params.style, TTSVoiceStyle::Whisper);
    EXPECT_EQ(segs[2].params.speed, 300u);
}

TEST(MarkedText, LimitsValuesAndPositionsAndKeepsSurrogatePairsWhole) {
    TTSMarkedText t;
    t.text = QStringLiteral("a\U0001F600b");       // a, an emoji as two UTF-16 units, b
    t.marks = {mark(2, TTSTextMark::Speed, 99999), // inside the pair: moves before it
               mark(-5, TTSTextMark::Volume, -3), mark(100, TTSTextMark::Pitch, 7)};
    const auto segs = SplitIntoSegments(t, kStart, kRanges);
    ASSERT_EQ(segs.size(), 2u);
    EXPECT_EQ(segs[0].params.volume, 0u); // -3 limited to the range, from position 0
    EXPECT_EQ(segs[0].end, 1);
    EXPECT_EQ(segs[1].params.speed, 450u);
    EXPECT_EQ(segs[1].end, 4); // the pitch mark past the end splits nothing

    EXPECT_TRUE(SplitIntoSegments(TTSMarkedText{}, kStart, kRanges).empty());
    TTSMarkedText later;
    later.text = QStringLiteral("ab");
    later.marks = {mark(1, TTSTextMark::Speed, 200), mark(0, TTSTextMark::Speed, 100)};
    EXPECT_EQ(NormalisedMarks(later).front().position, 0); // sorted by position
}

TEST(MarkedText, CodePointCursorCountsSurrogatePairsAsOneCharacter) {
    const QString s = QStringLiteral("xx\U0001F600 \u00E9t\u00E9 \U0001F600z");
    // The stretch starts at 2: code points: emoji, space, é, t, é, space, emoji, z.
    CodePointCursor c(s, 2, s.size());
    EXPECT_EQ(c.offsetOf(0), 2);
    EXPECT_EQ(c.offsetOf(1), 4);
    EXPECT_EQ(c.offsetOf(2), 5);
    EXPECT_EQ(c.offsetOf(7), 11);
    EXPECT_EQ(c.offsetOf(1), 4);         // falling index: starts over
    EXPECT_EQ(c.offsetOf(50), s.size()); // never past the stretch
}

TEST(MouthShapes, LipsCloseForLabialsAndRestInPauses) {
    EXPECT_EQ(MouthForPhoneme(QStringLiteral("p")).mouth.MouthHeight, 0);
    EXPECT_EQ(MouthForPhoneme(QStringLiteral("m")).mouth.MouthHeight, 0);
    const TTSVisualShape pause = MouthForPhoneme(QStringLiteral("_:"));
    EXPECT_EQ(pause.hints, quint32(TTSVISUAL_SILENCE));
    EXPECT_EQ(pause.mouth.JawOpen, 0);
    const TTSVisualShape a = MouthForPhoneme(QStringLiteral("a#"));
    EXPECT_EQ(a.hints, quint32(TTSVISUAL_VOWEL));
    EXPECT_GT(a.mouth.JawOpen, MouthForPhoneme(QStringLiteral("i:")).mouth.JawOpen);
    EXPECT_LT(MouthForPhoneme(QStringLiteral("u:")).mouth.MouthWidth, a.mouth.MouthWidth);
}

} // namespace
} // namespace kalo
