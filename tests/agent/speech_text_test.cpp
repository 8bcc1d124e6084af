// The text a character is given to speak: tags, bookmarks, the protection
// of the user's own text, and the greeting of the time of day.
#include "agent/jq_agent.h"
#include "agent/speech_tags.h"

#include <gtest/gtest.h>

namespace kalo {
namespace {

const QString Voice = QStringLiteral("\\Vol=65535\\\\Pit=50\\\\Spd=150\\");

QString tags(const QString& text, bool balloon = true, const QString& type = "Normal",
             int* count = nullptr) {
    int n = -1;
    const QString r = BuildSpeechTags(text, 65535, 50, 150, type, balloon, &n);
    if (count)
        *count = n;
    return r;
}

TEST(SpeechTags, WordsGetBookmarksAfterTheVoiceTags) {
    int count = 0;
    EXPECT_EQ(tags(" Hello big world", true, "Normal", &count),
              "\\Vol=65535\\\\Pit=50\\\\Spd=150\\Hello\\Mrk=1\\ big\\Mrk=2\\ world\\Mrk=3\\ ");
    EXPECT_EQ(count, 3);
    // Values go in as they stand, negative ones with their sign.
    EXPECT_EQ(BuildSpeechTags("x", -5, 400, 0, "Normal", true, &count),
              "\\Vol=-5\\\\Pit=400\\\\Spd=0\\x\\Mrk=1\\ ");
}

TEST(SpeechTags, StyleTagComesBeforeTheEmptyBalloonMap) {
    int count = 0;
    const QString plain = tags(" Hello big world");
    EXPECT_EQ(tags(" Hello big world", false, "Whisper", &count),
              "\\Chr=\"Whisper\"\\\\Map=\"" + plain + "\"=\"\"\\");
    EXPECT_EQ(count, 3);
    EXPECT_EQ(tags("Hi", true, "Monotone"), "\\Chr=\"Monotone\"\\" + Voice + "Hi\\Mrk=1\\ ");
    EXPECT_EQ(tags("Hi", false), "\\Map=\"" + Voice + "Hi\\Mrk=1\\ \"=\"\"\\");
    // The voice type is compared exactly.
    EXPECT_EQ(tags("Hi", true, "whisper"), Voice + "Hi\\Mrk=1\\ ");
    EXPECT_EQ(tags("Hi", true, "MONOTONE"), Voice + "Hi\\Mrk=1\\ ");
}

TEST(SpeechTags, EverySpaceIsABookmark) {
    int count = 0;
    EXPECT_EQ(tags("a  b", true, "Normal", &count), Voice + "a\\Mrk=1\\ \\Mrk=2\\ b\\Mrk=3\\ ");
    EXPECT_EQ(count, 3);
}

TEST(SpeechTags, BlankTextHasOnlyTheEndBookmark) {
    int count = 0;
    EXPECT_EQ(tags("", true, "Normal", &count), Voice + "\\Mrk=1\\ ");
    EXPECT_EQ(count, 1);
    EXPECT_EQ(tags(QStringLiteral(" \t\r\n\x01 "), true, "Normal", &count), Voice + "\\Mrk=1\\ ");
    EXPECT_EQ(count, 1);
}

TEST(SpeechTags, LineBreaksStayAndShareABookmark) {
    int count = 0;
    EXPECT_EQ(tags("\r\none\r\ntwo\tthree four\n", true, "Normal", &count),
              Voice + "one\r\ntwo\tthree\\Mrk=1\\ four\\Mrk=2\\ ");
    EXPECT_EQ(count, 2);
}

// What the control makes of the tagged text: the spoken text and the
// bookmarks in order.
struct Heard {
    QString spoken;
    QString balloon;
    std::vector<qint32> bookmarks;
    std::vector<qint64> volumes;
};

Heard hear(const QString& text, bool balloon, const QString& type = "Normal") {
    const ParsedSpeech p =
        ParseSpeechTags(BuildSpeechTags(text, 65535, 50, 150, type, balloon, nullptr));
    Heard h{p.spoken, p.balloon, p.Bookmarks(), {}};
    for (const TTSTextMark& m : p.marks)
        if (m.kind == TTSTextMark::Volume)
            h.volumes.push_back(m.value);
    return h;
}

TEST(SpeechTags, TheUsersTextCannotAddTagsOrBookmarks) {
    for (bool balloon : {true, false}) {
        SCOPED_TRACE(balloon ? "balloon on" : "balloon off");
        // A Windows path, tags typed into the text, a lone backslash at the end.
        Heard h =
            hear(QStringLiteral("C:\\Vol=0\\temp \\Mrk=99\\ \\Chr=\"Whisper\"\\ end\\"), balloon);
        EXPECT_EQ(h.spoken,
                  QStringLiteral("C:\\Vol=0\\temp \\Mrk=99\\ \\Chr=\"Whisper\"\\ end\\ "));
        EXPECT_EQ(h.bookmarks, (std::vector<qint32>{1, 2, 3, 4}));
        EXPECT_EQ(h.volumes, (std::vector<qint64>{65535}));
        if (balloon)
            EXPECT_EQ(h.balloon, h.spoken);
        else
            EXPECT_EQ(h.balloon, QString());

        // Quotes, also a quoted Map of the user's own.
        h = hear(QStringLiteral("He said \"hi\" \\Map=\"x\"=\"y\"\\ ok"), balloon);
        EXPECT_EQ(h.spoken, QStringLiteral("He said \"hi\" \\Map=\"x\"=\"y\"\\ ok "));
        EXPECT_EQ(h.bookmarks, (std::vector<qint32>{1, 2, 3, 4, 5}));
        if (!balloon)
            EXPECT_EQ(h.balloon, QString());

        // The Map's own separator and end typed into the text.
        h = hear(QStringLiteral("a\"=\"b\"\\Vol=0\\ c"), balloon);
        EXPECT_EQ(h.spoken, QStringLiteral("a\"=\"b\"\\Vol=0\\ c "));
        EXPECT_EQ(h.bookmarks, (std::vector<qint32>{1, 2}));
        EXPECT_EQ(h.volumes, (std::vector<qint64>{65535}));
        h = hear(QStringLiteral("\"=\"\"\\Vol=0\\ x"), balloon);
        EXPECT_EQ(h.spoken, QStringLiteral("\"=\"\"\\Vol=0\\ x "));
        EXPECT_EQ(h.bookmarks, (std::vector<qint32>{1, 2}));
        EXPECT_EQ(h.volumes, (std::vector<qint64>{65535}));
    }
}

TEST(SpeechTags, EscapingLeavesTheNumberingAlone) {
    int plain = 0, escaped = 0;
    BuildSpeechTags("a b c", 1, 2, 3, "Normal", false, &plain);
    BuildSpeechTags("\\a \"b\" c\\", 1, 2, 3, "Normal", false, &escaped);
    EXPECT_EQ(plain, 3);
    EXPECT_EQ(escaped, 3);
    EXPECT_EQ(tags("\\\"", true), Voice + "\\\\\"\\Mrk=1\\ ");
    EXPECT_EQ(tags("\\\"", false), "\\Map=\"" + Voice + "\\\\\"\"\\Mrk=1\\ \"=\"\"\\");
}

TEST(Greeting, FollowsTheTimeOfDay) {
    EXPECT_EQ(GreetingText(QTime(0, 0)), "Good morning! I'm ready.");
    EXPECT_EQ(GreetingText(QTime(11, 59, 59, 999)), "Good morning! I'm ready.");
    EXPECT_EQ(GreetingText(QTime(12, 0)), "Good afternoon! I'm ready.");
    EXPECT_EQ(GreetingText(QTime(17, 59, 59)), "Good afternoon! I'm ready.");
    EXPECT_EQ(GreetingText(QTime(18, 0)), "Good Evening! I'm ready.");
    EXPECT_EQ(GreetingText(QTime(23, 59, 59)), "Good Evening! I'm ready.");
}

} // namespace
} // namespace kalo
