#include "services/option_mappings.h"

#include <QUrl>

#include <gtest/gtest.h>

using namespace kalo;

TEST(OptionMappings, WriteSpeedListShowsRealTimeAndStoresItBack) {
    const QStringList items = WriteSpeedItems();
    ASSERT_EQ(items.size(), 8);
    EXPECT_EQ(items[WriteSpeedItemFor(4096, items)], "16 X");
    EXPECT_EQ(items[WriteSpeedItemFor(256, items)], "1 X");
    EXPECT_EQ(items[WriteSpeedItemFor(32768, items)], "128 X");
    // Only the high bits count: 4096 + 255 still reads as 16.
    EXPECT_EQ(items[WriteSpeedItemFor(4351, items)], "16 X");
    // No item for the value: "8 X".
    EXPECT_EQ(WriteSpeedItemFor(1000, items), 3);
    EXPECT_EQ(WriteSpeedItemFor(0, items), 3);
    EXPECT_EQ(WriteSpeedItemFor(-256, items), 3); // shifted as unsigned: huge

    EXPECT_EQ(RealTimeForWriteSpeed("128 X"), 32768);
    EXPECT_EQ(RealTimeForWriteSpeed("1 X"), 256);
    EXPECT_EQ(RealTimeForWriteSpeed("16 x"), 4096); // letter case ignored
    EXPECT_EQ(RealTimeForWriteSpeed("fast"), 256);
    EXPECT_EQ(RealTimeForWriteSpeed(""), 256);
    for (const QString& item : items)
        EXPECT_EQ(items[WriteSpeedItemFor(RealTimeForWriteSpeed(item), items)], item);
}

TEST(OptionMappings, VoiceTypeMatchesExactTextOnly) {
    EXPECT_EQ(VoiceTypeItemFor("Monotone"), 1);
    EXPECT_EQ(VoiceTypeItemFor("Whisper"), 2);
    EXPECT_EQ(VoiceTypeItemFor("whisper"), 0);
    EXPECT_EQ(VoiceTypeItemFor("Normal"), 0);
    EXPECT_EQ(VoiceTypeItemFor(""), 0);
    EXPECT_EQ(VoiceTypeForItem(1), "Monotone");
    EXPECT_EQ(VoiceTypeForItem(2), "Whisper");
    EXPECT_EQ(VoiceTypeForItem(0), "Normal");
    EXPECT_EQ(VoiceTypeForItem(-1), "Normal");
    EXPECT_EQ(VoiceTypeItems(), (QStringList{"Normal", "Monotone", "Whisper"}));
}

TEST(OptionMappings, FoldersKeepExactlyOneTrailingSeparator) {
    EXPECT_EQ(FolderSetting("/home/u/Texts"), "/home/u/Texts/");
    EXPECT_EQ(FolderSetting("/home/u/Texts/"), "/home/u/Texts/");
    EXPECT_EQ(FolderSetting("/"), "/");
    EXPECT_EQ(FolderSetting(""), ""); // no folder, not the root
    // What a folder button puts into its edit, and what that stores.
    EXPECT_EQ(FolderEditText("/home/u/Wav/"), "/home/u/Wav");
    EXPECT_EQ(FolderEditText("/home/u/Wav"), "/home/u/Wav");
    EXPECT_EQ(FolderEditText("/"), "/");
    EXPECT_EQ(FolderSetting(FolderEditText("/")), "/");
    EXPECT_EQ(FolderSetting(FolderEditText("/srv/mp3/")), "/srv/mp3/");
}

TEST(OptionMappings, SizesAreCutTo16BitsAndEnginePagesFollowTheList) {
    EXPECT_EQ(CutTo16Bits(70000), 4464);
    EXPECT_EQ(CutTo16Bits(40000), -25536);
    EXPECT_EQ(CutTo16Bits(-1), -1);
    EXPECT_EQ(CutTo16Bits(150), 150);

    const QStringList items = EngineDownloadItems();
    const QStringList pages = EngineDownloadPages();
    ASSERT_EQ(items.size(), 7);
    ASSERT_EQ(pages.size(), 7);
    EXPECT_EQ(items[1], "British English ( Male & Female )");
    const char* files[] = {"lhttsspe.exe", "lhttseng.exe", "lhttsdun.exe", "lhttsfrf.exe",
                           "lhttsged.exe", "lhttsiti.exe", "lhttsptb.exe"};
    for (int i = 0; i < 7; ++i) {
        const QUrl url(pages[i]);
        EXPECT_TRUE(url.host().endsWith(".example.com")) << pages[i].toStdString();
        EXPECT_EQ(url.path(), QStringLiteral("/activex/controls/agent2/") + files[i]);
    }
}
