// Subtitle cues: where the text is cut, how the engine's words time the
// cues, and the two file formats.
#include "speech/subtitles.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace kalo {
namespace {

QStringList spanTexts(const QString& text, qsizetype maxChars = kCueChars) {
    QStringList out;
    for (const TextSpan& s : CueSpans(text, maxChars))
        out << text.mid(s.begin, s.end - s.begin);
    return out;
}

QStringList wordsOf(const QString& text) {
    return text.split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts);
}

TEST(CueSpans, SentencesEndAtTheirMarksBeforeABlankAndAtEmptyLines) {
    const QString text = QStringLiteral(
        "  \"Is it 3.14?\" she asked.  Yes!! It is...\nreally.\n \n"
        "A heading without a stop\n\nLast one (in brackets.) Done");
    EXPECT_EQ(spanTexts(text), (QStringList{"\"Is it 3.14?\"", "she asked.", "Yes!!", "It is...",
                                            "really.", "A heading without a stop",
                                            "Last one (in brackets.)", "Done"}));
    // CJK full stops end a sentence with no blank after them.
    EXPECT_EQ(spanTexts(QStringLiteral("你好。我是机器人！真的吗？「是。」好")),
              (QStringList{"你好。", "我是机器人！", "真的吗？", "「是。」", "好"}));
    EXPECT_TRUE(spanTexts(QStringLiteral(" \n\t ")).isEmpty());
}

TEST(CueSpans, LongSentencesAreCutIntoEvenPiecesAtBlanks) {
    QString sentence;
    for (int i = 0; sentence.size() < 200; ++i)
        sentence += QStringLiteral("word%1 ").arg(i);
    sentence = sentence.trimmed() + u'.';
    const QStringList pieces = spanTexts(sentence);
    ASSERT_EQ(pieces.size(), 3);
    for (const QString& p : pieces) {
        EXPECT_LE(p.size(), 80);
        EXPECT_GE(p.size(), 50); // even, not 80 + 80 + a scrap
        EXPECT_FALSE(p.startsWith(u' ') || p.endsWith(u' '));
    }
    EXPECT_EQ(wordsOf(pieces.join(u' ')), wordsOf(sentence)); // cut between words only

    // Without blanks, after a comma when there is one in reach.
    const QString commas = QString(50, u'x') + u',' + QString(50, u'y');
    EXPECT_EQ(spanTexts(commas), (QStringList{QString(50, u'x') + u',', QString(50, u'y')}));
}

TEST(CueSpans, TextWithoutBlanksIsCutAnywhereButNeverInsideACharacter) {
    // Characters outside the BMP take two UTF-16 units: never split.
    QString text;
    for (int i = 0; i < 2000; ++i)
        text += i % 3 ? QStringLiteral("\U0001F600") : QStringLiteral("a");
    const std::vector<TextSpan> spans = CueSpans(text);
    ASSERT_GT(spans.size(), 40u);
    qsizetype at = 0;
    for (const TextSpan& s : spans) {
        EXPECT_EQ(s.begin, at);
        EXPECT_LE(s.end - s.begin, 80);
        EXPECT_FALSE(text[s.begin].isLowSurrogate());
        at = s.end;
    }
    EXPECT_EQ(at, text.size());
}

TEST(BuildCues, EachCueStartsAtItsFirstWordAndEndsWhereTheNextBegins) {
    const QString text = QStringLiteral("One two. Three four. Five six.");
    //                                   0   4    9     15   21   26
    const std::vector<WordTiming> words = {{0, 100}, {4, 300},  {9, 700},
                                           {15, 900}, {21, 1500}, {26, 1700}};
    const std::vector<SubtitleCue> cues = BuildCues(text, words, 2000, true);
    ASSERT_EQ(cues.size(), 3u);
    EXPECT_EQ(cues[0].startMs, 100);
    EXPECT_EQ(cues[0].endMs, 700);
    EXPECT_EQ(cues[1].text, "Three four.");
    EXPECT_EQ(cues[1].startMs, 700);
    EXPECT_EQ(cues[2].endMs, 2000);
}

TEST(BuildCues, TextNoWordWasHeardInJoinsItsNeighbour) {
    const QString text = QStringLiteral("* * *.\nOne.\n\n... ?\nTwo. Three. Four.");
    // "* * *." and "... ?" have no words of their own; "Three." was
    // reported at the same time as "Two." (so it cannot start a cue).
    const qsizetype one = text.indexOf(u"One"), two = text.indexOf(u"Two"),
                    three = text.indexOf(u"Three"), four = text.indexOf(u"Four");
    const std::vector<WordTiming> words = {{one, 50}, {two, 400}, {three, 400}, {four, 900}};
    std::vector<SubtitleCue> cues = BuildCues(text, words, 1200, true);
    ASSERT_EQ(cues.size(), 3u);
    EXPECT_EQ(cues[0].text, "* * *. One. ... ?");
    EXPECT_EQ(cues[0].startMs, 50);
    EXPECT_EQ(cues[1].text, "Two. Three.");
    EXPECT_EQ(cues[2].text, "Four.");

    // A stopped reading ends with the last cue heard.
    cues = BuildCues(text, {{one, 50}, {two, 400}}, 600, false);
    ASSERT_EQ(cues.size(), 2u);
    EXPECT_EQ(cues[1].text, "Two.");
    EXPECT_EQ(cues[1].endMs, 600);
    EXPECT_TRUE(BuildCues(text, {}, 600, false).empty());
    // The last cue never ends before it starts.
    EXPECT_GT(BuildCues(text, words, 0, true).back().endMs, 900);
}

TEST(SubtitleFiles, SrtAndLrcLookAsPlayersExpect) {
    const std::vector<SubtitleCue> cues = {{1234, 5678, QStringLiteral("Caf\u00e9 one.")},
                                           {5678, 363604500, QStringLiteral("Two.")}};
    EXPECT_EQ(SrtText(cues), QByteArray("1\r\n00:00:01,234 --> 00:00:05,678\r\nCaf\xC3\xA9 one.\r\n\r\n"
                                        "2\r\n00:00:05,678 --> 101:00:04,500\r\nTwo.\r\n\r\n"));
    EXPECT_EQ(LrcText(cues), QByteArray("[00:01.23]Caf\xC3\xA9 one.\n[00:05.67]Two.\n[6060:04.50]\n"));
    EXPECT_TRUE(SrtText({}).isEmpty());
}

TEST(SubtitleFiles, AFileThatCannotBeWrittenIsReportedAndLeavesNothing) {
    QTemporaryDir dir;
    QString error;
    EXPECT_FALSE(WriteSubtitleFile(dir.filePath(QStringLiteral("no/such/a.srt")), "x", &error));
    EXPECT_TRUE(error.contains(QStringLiteral("no/such/a.srt"))) << error.toStdString();
    EXPECT_FALSE(WriteSubtitleFile(dir.path(), "x", &error));
    ASSERT_TRUE(WriteSubtitleFile(dir.filePath(QStringLiteral("a.srt")), "1\r\n", &error));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"a.srt"});
}

} // namespace
} // namespace kalo
