#include "converter/find_text.h"

#include <gtest/gtest.h>

using namespace kalo;

TEST(FindText, DownUpCaseAndWholeWords) {
    const QString text = "The cat saw another Cat; cats scatter.";
    EXPECT_EQ(FindText(text, "cat", 0, {}), 4);
    EXPECT_EQ(FindText(text, "cat", 5, {}), 20);
    EXPECT_EQ(FindText(text, "cat", 5, {.matchCase = true}), 25);
    EXPECT_EQ(FindText(text, "cat", 0, {.wholeWord = true}), 4);
    EXPECT_EQ(FindText(text, "cat", 5, {.wholeWord = true}), 20);
    EXPECT_EQ(FindText(text, "cat", 21, {.wholeWord = true}), -1);
    EXPECT_EQ(FindText(text, "cat", text.size(), {.down = false}), 31);
    EXPECT_EQ(FindText(text, "cat", 31, {.down = false}), 25);
    EXPECT_EQ(FindText(text, "cat", 7, {.down = false}), 4);
    EXPECT_EQ(FindText(text, "cat", 6, {.down = false}), -1);
    EXPECT_EQ(FindText(text, "", 0, {}), -1);
}

TEST(FindText, ReplaceAllCountsAndDoesNotRescanReplacements) {
    QString text = "aaa a";
    EXPECT_EQ(ReplaceAllText(text, "a", "aa", {}), 4);
    EXPECT_EQ(text, "aaaaaa aa");
    text = "Word word sword";
    EXPECT_EQ(ReplaceAllText(text, "word", "X", {.wholeWord = true}), 2);
    EXPECT_EQ(text, "X X sword");
}
