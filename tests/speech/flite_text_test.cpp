// Text cut into tokens and utterances for Flite: where tokens start, what
// is peeled off them, the bounds that keep Flite's own code out of trouble,
// and where utterances end.
#include "speech/flite_text.h"

#include <QString>
#include <QStringList>

#include <gtest/gtest.h>

namespace kalo::test {
namespace {

std::vector<FliteToken> tokensOf(const QByteArray& text) {
    FliteTokenizer t(text, FliteSymbols{});
    std::vector<FliteToken> out;
    FliteToken tok;
    while (t.next(tok))
        out.push_back(tok);
    return out;
}

FliteToken token(const char* name, const char* post = "", const char* whitespace = " ",
                 int newlines = 0) {
    FliteToken t;
    t.name = name;
    t.postpunctuation = post;
    t.whitespace = whitespace;
    t.newlines = newlines;
    return t;
}

TEST(FliteText, TokensPointAtTheirWordsWithPunctuationPeeledOff) {
    const QByteArray text = "  Hello, \"world\"! (yes) ... end.\n\nNext";
    const std::vector<FliteToken> t = tokensOf(text);
    ASSERT_EQ(t.size(), 6u);
    const char* names[] = {"Hello", "world", "yes", ".", "end", "Next"};
    for (size_t i = 0; i < t.size(); ++i) {
        EXPECT_EQ(t[i].name, QByteArray(names[i]));
        EXPECT_EQ(text.mid(t[i].offset, t[i].name.size()), t[i].name) << names[i];
    }
    EXPECT_EQ(t[0].whitespace, QByteArray("  "));
    EXPECT_EQ(t[0].postpunctuation, QByteArray(","));
    EXPECT_EQ(t[1].prepunctuation, QByteArray("\""));
    EXPECT_EQ(t[1].postpunctuation, QByteArray("\"!"));
    EXPECT_EQ(t[2].prepunctuation, QByteArray("("));
    EXPECT_EQ(t[3].postpunctuation, QByteArray("..")); // punctuation alone keeps one as its name
    EXPECT_EQ(t[5].newlines, 2);
}

TEST(FliteText, LongRunsAreCutWithoutSplittingACharacter) {
    // 100 letters, then 30 three-byte characters with no blank between.
    QByteArray text(100, 'x');
    for (int i = 0; i < 30; ++i)
        text += "\xE2\x82\xAC"; // the euro sign
    FliteTokenizer tokenizer(text, FliteSymbols{});
    FliteToken t;
    qsizetype covered = 0;
    int pieces = 0;
    while (tokenizer.next(t)) {
        EXPECT_LE(t.name.size(), kFliteMaxRun);
        EXPECT_EQ(t.offset, covered) << "pieces follow each other";
        covered += t.name.size();
        ++pieces;
    }
    EXPECT_EQ(covered, 100) << "the euro signs have nothing Flite can say";
    EXPECT_EQ(pieces, 3);

    // Cut points never fall inside a UTF-8 sequence: with one letter in
    // front, every piece of the accented run starts on a lead byte.
    QByteArray accented = "a";
    for (int i = 0; i < 60; ++i)
        accented += "\xC3\xA9"; // é
    FliteTokenizer t2(accented, FliteSymbols{});
    int n = 0;
    while (t2.next(t)) {
        EXPECT_NE(quint8(accented[t.offset]) & 0xC0, 0x80) << "piece at " << t.offset;
        EXPECT_TRUE(t.name.startsWith(n == 0 ? "ae" : "e")) << t.name.constData();
        ++n;
    }
    EXPECT_GE(n, 3);
}

TEST(FliteText, PunctuationAndBlanksHandedToFliteAreBounded) {
    // Flite's own tokenizer overran its buffer on long runs of punctuation.
    QByteArray text = "Wait" + QByteArray(500, '!') + " " + QByteArray(300, '"') + "quoted" +
                      QByteArray(5000, ' ') + QByteArray(300, '.');
    for (const FliteToken& t : tokensOf(text)) {
        EXPECT_LE(t.prepunctuation.size(), kFliteMaxPunctuation);
        EXPECT_LE(t.postpunctuation.size(), kFliteMaxPunctuation);
        EXPECT_LE(t.whitespace.size(), kFliteMaxWhitespace);
        EXPECT_LE(t.name.size(), kFliteMaxRun);
        EXPECT_FALSE(t.name.isEmpty());
    }
}

TEST(FliteText, ForeignLettersBecomeAsciiAndControlCharactersAreBlanks) {
    const QByteArray text =
        QStringLiteral(u"Zoë’s café\u0000na\u00EFve “quoted” Straße 日本語 end").toUtf8();
    const std::vector<FliteToken> t = tokensOf(text);
    QStringList names;
    for (const FliteToken& tok : t) {
        names << QString::fromLatin1(tok.name);
        for (char c : tok.name)
            EXPECT_LT(quint8(c), 0x80);
    }
    EXPECT_EQ(names.join(u'|'), QStringLiteral("Zoe's|cafe|naive|quoted|Strasse|end"));
    EXPECT_EQ(t[3].prepunctuation, QByteArray("\""));
    EXPECT_EQ(t[3].postpunctuation, QByteArray("\""));
    // The offsets stay those of the original bytes.
    EXPECT_EQ(text.mid(t[5].offset, 3), QByteArray("end"));
    EXPECT_EQ(text.mid(t[1].offset, 3), QByteArray("caf"));
}

TEST(FliteText, UtterancesEndWithSentencesAndParagraphs) {
    EXPECT_TRUE(FliteUtteranceBreak(token("end", "."), token("Next")));
    EXPECT_TRUE(FliteUtteranceBreak(token("what", "?"), token("yes")));
    EXPECT_TRUE(FliteUtteranceBreak(token("note", ":"), token("the")));
    EXPECT_TRUE(FliteUtteranceBreak(token("line"), token("Next", "", "\n\n", 2)));
    EXPECT_FALSE(FliteUtteranceBreak(token("line"), token("next", "", "\n", 1)));
    EXPECT_FALSE(FliteUtteranceBreak(token("end", "."), token("next")));
    EXPECT_FALSE(FliteUtteranceBreak(token("Mr", "."), token("Smith")));
    EXPECT_FALSE(FliteUtteranceBreak(token("J", "."), token("Smith")));
    EXPECT_TRUE(FliteUtteranceBreak(token("J", "."), token("Smith", "", "  ")));
    EXPECT_FALSE(FliteUtteranceBreak(token("one", ","), token("Two")));
}

TEST(FliteText, UtterancesCoverTheTextInOrderWithinTheirBounds) {
    QByteArray text = "Short one. Many words: ";
    for (int i = 0; i < 100; ++i)
        text += "word ";
    text += "then, a clause. Last sentence here.";
    const std::vector<FliteToken> all = tokensOf(text);

    FliteUtterances u(text, FliteSymbols{});
    std::vector<std::vector<FliteToken>> utts;
    for (auto next = u.next(12, 480); !next.empty(); next = u.next(30, 480))
        utts.push_back(next);
    size_t i = 0;
    for (size_t n = 0; n < utts.size(); ++n) {
        EXPECT_LE(utts[n].size(), n == 0 ? 12u : 30u);
        for (const FliteToken& t : utts[n])
            EXPECT_EQ(t.offset, all[i++].offset);
    }
    EXPECT_EQ(i, all.size());
    ASSERT_EQ(utts.size(), 7u);
    EXPECT_EQ(utts[0].size(), 2u); // "Short one."
    EXPECT_EQ(utts[1].size(), 2u); // "Many words:"
    EXPECT_EQ(utts[2].size(), 30u);
    EXPECT_EQ(utts[5].size(), 13u); // to the sentence's end: the comma came too early
    EXPECT_EQ(utts[5].back().name, QByteArray("clause"));
    EXPECT_EQ(utts.back().back().name, QByteArray("here"));
    EXPECT_EQ(utts.back().size(), 3u);

    // A byte bound: long names make short utterances.
    QByteArray longWords;
    for (int i = 0; i < 40; ++i)
        longWords += QByteArray(30, char('a' + i % 26)) + ' ';
    FliteUtterances bytes(longWords, FliteSymbols{});
    EXPECT_EQ(bytes.next(100, 100).size(), 3u);

    // Past half the token bound a long sentence ends at a comma.
    QByteArray clauses;
    for (int i = 0; i < 40; ++i)
        clauses += i == 19 ? "word, " : "word ";
    FliteUtterances commas(clauses, FliteSymbols{});
    EXPECT_EQ(commas.next(30, 480).size(), 20u);
    EXPECT_EQ(commas.next(30, 480).size(), 20u);
}

TEST(FliteText, CodePointsCountCharactersNotBytes) {
    const QByteArray text = QStringLiteral(u"aé€\U0001F600b").toUtf8();
    Utf8CodePoints cp(text);
    EXPECT_EQ(cp.at(0), 0);
    EXPECT_EQ(cp.at(1), 1);
    EXPECT_EQ(cp.at(3), 2);  // after é
    EXPECT_EQ(cp.at(6), 3);  // after €
    EXPECT_EQ(cp.at(10), 4); // after the emoji
    EXPECT_EQ(cp.at(2), 2);  // inside é counts it; a step back starts over
    EXPECT_EQ(cp.at(100), 5);
}

} // namespace
} // namespace kalo::test
