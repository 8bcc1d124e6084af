#include "base/ini_image.h"

#include <gtest/gtest.h>

using kalo::IniImage;

TEST(IniImage, ReadingRulesTrimCommentsSectionsAndFirstEquals) {
    const IniImage image = IniImage::parse("stray=before any section\r\n"
                                           "  [ General ]  \r\n"
                                           "; a comment\r\n"
                                           "\r\n"
                                           "  Key  =  a = b  \n"
                                           "no equals here\r"
                                           "Empty=\r\n"
                                           "[Other]\n"
                                           "key=second section");
    EXPECT_EQ(image.value("General", "Key"), "a = b");
    EXPECT_EQ(image.value("general", "KEY"), "a = b"); // letter case ignored
    EXPECT_EQ(image.value("General", "Empty"), "");    // present, empty
    EXPECT_EQ(image.value("General", "stray"), std::nullopt);
    EXPECT_EQ(image.value("Other", "key"), "second section");
    EXPECT_EQ(image.serialize(), "[General]\r\nKey=a = b\r\nno equals here\r\nEmpty=\r\n\r\n"
                                 "[Other]\r\nkey=second section\r\n\r\n");
}

TEST(IniImage, DuplicateKeysAndSectionsReadTheFirstAndKeepTheRest) {
    IniImage image = IniImage::parse("[A]\nk=1\nk=2\n[B]\nx=1\n[a]\nk=3\n");
    EXPECT_EQ(image.value("A", "k"), "1");
    image.setValue("A", "k", "9");
    EXPECT_EQ(image.serialize(), "[A]\r\nk=9\r\nk=2\r\n\r\n[B]\r\nx=1\r\n\r\n[a]\r\nk=3\r\n\r\n");
}

TEST(IniImage, SetValueAppendsMissingKeysAndSectionsAtTheEnd) {
    IniImage image = IniImage::parse("[A]\nunknown=kept\n");
    image.setValue("B", "one", "1");
    image.setValue("A", "two", "2");
    image.setValue("B", "three", "3");
    image.setValue("B", "one", "uno");
    EXPECT_EQ(image.serialize(),
              "[A]\r\nunknown=kept\r\ntwo=2\r\n\r\n[B]\r\none=uno\r\nthree=3\r\n\r\n");
}

TEST(IniImage, LineBreaksInAValueCannotSplitTheEntry) {
    IniImage image;
    image.setValue("A", "k", "line1\r\nline2");
    const IniImage back = IniImage::parse(image.serialize());
    EXPECT_EQ(back.value("A", "k"), "line1  line2");
}

TEST(IniImage, BinaryGarbageAndHugeLinesParseAndRoundTrip) {
    std::string garbage;
    for (int i = 0; i < 200000; ++i)
        garbage.push_back(static_cast<char>((i * 7919) % 256));
    garbage += "\n[General]\nkey=" + std::string(1 << 20, 'x') + "\n";
    const IniImage image = IniImage::parse(garbage);
    EXPECT_EQ(image.value("General", "key")->size(), size_t(1) << 20);
    const std::string once = image.serialize();
    EXPECT_EQ(IniImage::parse(once).serialize(), once);
}
