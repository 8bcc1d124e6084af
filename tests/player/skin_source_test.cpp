#include "player/skin_source.h"

#include "skin_fixture.h"
#include "support/test_support.h"

#include <QFile>
#include <gtest/gtest.h>

namespace kalo {
namespace {

using test::makeZip;
using test::SkinFolder;

TEST(FolderSkinSource, FindsFilesWithoutRegardToLetterCase) {
    SkinFolder folder;
    folder.write(QStringLiteral("skins/Mine/MAIN.BMP"), "main");
    folder.write(QStringLiteral("skins/Mine/pledit.txt"), "colour");
    const auto skin = openSkin(folder.appPath(), QStringLiteral("mine"));
    EXPECT_EQ(skin->read(QStringLiteral("Main.bmp")).value_or("-"), QByteArray("main"));
    EXPECT_EQ(skin->read(QStringLiteral("Pledit.txt")).value_or("-"), QByteArray("colour"));
    EXPECT_TRUE(skin->contains(QStringLiteral("main.bmp")));
    EXPECT_FALSE(skin->contains(QStringLiteral("Balance.bmp")));
    EXPECT_FALSE(skin->read(QStringLiteral("Balance.bmp")).has_value());
}

TEST(FolderSkinSource, AMissingSkinOrANameThatClimbsOutHasNoFiles) {
    SkinFolder folder;
    folder.write(QStringLiteral("skins/Mine/Main.bmp"), "main");
    folder.write(QStringLiteral("Main.bmp"), "outside");
    for (const QString& name : {QStringLiteral("Nothing"), QStringLiteral(".."),
                                QStringLiteral("../skins/Mine"), QStringLiteral("")}) {
        const auto skin = openSkin(folder.appPath(), name);
        EXPECT_FALSE(skin->contains(QStringLiteral("Main.bmp"))) << qPrintable(name);
    }
    const auto skin = openSkin(folder.appPath(), QStringLiteral("Mine"));
    EXPECT_FALSE(skin->read(QStringLiteral("../Main.bmp")).has_value());
}

// A skin's files are read only when they are regular files: a FIFO (which
// would block) or a device (which never ends) is a file the skin lacks.
TEST(FolderSkinSource, FifosAndDevicesAreFilesTheSkinLacks) {
    SkinFolder folder;
    folder.write(QStringLiteral("skins/Odd/Pledit.txt"), "colour");
    const QString odd = folder.skinPath(QStringLiteral("Odd"));
    const test::TestFifo fifo(odd + QStringLiteral("Main.bmp"));
    const test::TestFifo fifoArchive(folder.appPath() + QStringLiteral("skins/Fifo.wsz"));
    ASSERT_TRUE(QFile::link(QStringLiteral("/dev/zero"), odd + QStringLiteral("Titlebar.bmp")));
    ASSERT_TRUE(QFile::link(QStringLiteral("/dev/zero"),
                            folder.appPath() + QStringLiteral("skins/Zero.wsz")));
    std::optional<QByteArray> main, titlebar;
    ASSERT_TRUE(test::returnsWithin(
        5000,
        [&] {
            const auto skin = openSkin(folder.appPath(), QStringLiteral("Odd"));
            main = skin->read(QStringLiteral("Main.bmp"));
            titlebar = skin->read(QStringLiteral("Titlebar.bmp"));
            EXPECT_EQ(skin->read(QStringLiteral("Pledit.txt")).value_or("-"), "colour");
        },
        fifo));
    EXPECT_FALSE(main.has_value());
    EXPECT_FALSE(titlebar.has_value());
    for (const char* name : {"Fifo", "Zero"}) {
        bool hasMain = true;
        ASSERT_TRUE(test::returnsWithin(
            5000,
            [&] {
                hasMain = openSkin(folder.appPath(), QLatin1String(name))
                              ->contains(QStringLiteral("Main.bmp"));
            },
            fifoArchive))
            << name;
        EXPECT_FALSE(hasMain) << name;
    }
}

TEST(InstalledSkins, FoldersAndArchivesWithTheirDisplayNames) {
    SkinFolder folder;
    folder.write(QStringLiteral("skins/tOPAZ/Main.bmp"), "x");
    folder.write(QStringLiteral("skins/.hidden/Main.bmp"), "x");
    folder.write(QStringLiteral("skins/GREEN glass.WSZ"), makeZip({{"main.bmp", "x"}}));
    folder.write(QStringLiteral("skins/topaz.wsz"), makeZip({{"main.bmp", "x"}}));
    folder.write(QStringLiteral("skins/readme.txt"), "x");
    QStringList names = installedSkins(folder.appPath());
    EXPECT_EQ(names.first(), QStringLiteral("Topaz")); // folders come first
    names.sort();
    EXPECT_EQ(names, (QStringList{QStringLiteral("Green glass"), QStringLiteral("Topaz")}));
    // The display name opens the archive again, whatever its case.
    EXPECT_TRUE(openSkin(folder.appPath(), QStringLiteral("Green glass"))
                    ->contains(QStringLiteral("Main.bmp")));
}

TEST(InstalledSkins, TheUsersSkinsComeBeforeTheInstallationsOnes) {
    SkinFolder user, installed;
    user.write(QStringLiteral("skins/Topaz/Main.bmp"), "my topaz");
    user.write(QStringLiteral("skins/Ruby.wsz"), makeZip({{"main.bmp", "ruby"}}));
    installed.write(QStringLiteral("skins/Topaz/Main.bmp"), "shipped topaz");
    installed.write(QStringLiteral("skins/Sapphire/Main.bmp"), "sapphire");
    const QStringList folders{user.appPath(), installed.appPath()};
    QStringList names = installedSkins(folders);
    names.sort();
    EXPECT_EQ(names, (QStringList{"Ruby", "Sapphire", "Topaz"}));
    const auto read = [&](const char* name) {
        return openSkin(folders, QString::fromLatin1(name))
            ->read(QStringLiteral("Main.bmp"))
            .value_or("-");
    };
    EXPECT_EQ(read("Topaz"), QByteArray("my topaz"));
    EXPECT_EQ(read("sapphire"), QByteArray("sapphire"));
    EXPECT_EQ(read("Ruby"), QByteArray("ruby"));
    EXPECT_EQ(read("Opal"), QByteArray("-"));
}

TEST(InstalledSkins, NoSkinsFolderMeansNoSkins) {
    EXPECT_TRUE(installedSkins(QStringLiteral("/nonexistent/app/")).isEmpty());
}

TEST(ArchiveSkinSource, FilesMaySitInAFolderInsideTheArchive) {
    const ArchiveSkinSource skin(makeZip({{"Deep/skin/MAIN.bmp", "deep"},
                                          {"Skin/Titlebar.BMP", "title"},
                                          {"Skin/", ""},
                                          {"main.bmp", "top"}}));
    ASSERT_TRUE(skin.isOpen());
    EXPECT_EQ(skin.read(QStringLiteral("Main.bmp")).value_or("-"), QByteArray("top"));
    EXPECT_EQ(skin.read(QStringLiteral("titlebar.bmp")).value_or("-"), QByteArray("title"));
    EXPECT_FALSE(skin.contains(QStringLiteral("Skin")));
}

TEST(ArchiveSkinSource, NamesThatClimbOutOrStartAtTheRootAreIgnored) {
    const ArchiveSkinSource skin(makeZip({{"../Main.bmp", "up"},
                                          {"skin/../../Titlebar.bmp", "up"},
                                          {"/Posbar.bmp", "root"},
                                          {"\\Volume.bmp", "root"},
                                          {"C:/Balance.bmp", "drive"},
                                          {"skin\\..\\Cbuttons.bmp", "up"},
                                          {"skin\\Shufrep.bmp", "fine"}}));
    ASSERT_TRUE(skin.isOpen());
    for (const char* name :
         {"Main.bmp", "Titlebar.bmp", "Posbar.bmp", "Volume.bmp", "Balance.bmp", "Cbuttons.bmp"})
        EXPECT_FALSE(skin.contains(QString::fromLatin1(name))) << name;
    EXPECT_EQ(skin.read(QStringLiteral("Shufrep.bmp")).value_or("-"), QByteArray("fine"));
}

TEST(ArchiveSkinSource, SomethingThatIsNotAZipIsASkinWithoutFiles) {
    for (const QByteArray& bytes :
         {QByteArray(), QByteArray("BM not a zip"), QByteArray("PK\x03\x04garbage", 11),
          makeZip({{"main.bmp", QByteArray(5000, 'x')}}).chopped(30)}) {
        const ArchiveSkinSource skin(bytes);
        EXPECT_FALSE(skin.read(QStringLiteral("Main.bmp")).has_value());
    }
    SkinFolder folder;
    folder.write(QStringLiteral("skins/Broken.wsz"), "no zip here");
    EXPECT_FALSE(
        openSkin(folder.appPath(), QStringLiteral("Broken"))->contains(QStringLiteral("Main.bmp")));
}

TEST(ArchiveSkinSource, AnEntryLargerThanTheCapIsNotRead) {
    // Zeros pack to almost nothing: a small archive that would unpack large.
    const QByteArray bomb(int(MaxEntryBytes) + 1, '\0');
    const QByteArray zip = makeZip({{"Main.bmp", bomb}, {"Titlebar.bmp", "small"}});
    ASSERT_LT(zip.size(), 100 * 1024);
    const ArchiveSkinSource skin(zip);
    EXPECT_TRUE(skin.contains(QStringLiteral("Main.bmp")));
    EXPECT_FALSE(skin.read(QStringLiteral("Main.bmp")).has_value());
    EXPECT_EQ(skin.read(QStringLiteral("Titlebar.bmp")).value_or("-"), QByteArray("small"));
}

TEST(ArchiveSkinSource, AnEntryWhoseDeclaredSizeLiesIsStillCapped) {
    const QByteArray big(int(MaxEntryBytes) + 100, 'a');
    QByteArray zip = makeZip({{"Main.bmp", big}});
    // Rewrite the uncompressed size in both headers to 16 bytes.
    const auto patch = [&zip](const QByteArray& signature, int sizeOffset) {
        for (qsizetype at = zip.indexOf(signature); at >= 0; at = zip.indexOf(signature, at + 1)) {
            zip[at + sizeOffset] = char(16);
            zip[at + sizeOffset + 1] = zip[at + sizeOffset + 2] = zip[at + sizeOffset + 3] = 0;
        }
    };
    patch(QByteArray("PK\x03\x04", 4), 22);
    patch(QByteArray("PK\x01\x02", 4), 24);
    const ArchiveSkinSource skin(zip);
    const auto bytes = skin.read(QStringLiteral("Main.bmp"));
    EXPECT_TRUE(!bytes || bytes->size() <= MaxEntryBytes);
}

TEST(ArchiveSkinSource, OnlyTheFirstEntriesOfACrowdedArchiveAreLookedAt) {
    std::vector<std::pair<QString, QByteArray>> entries;
    for (int i = 0; i < MaxArchiveEntries; ++i)
        entries.push_back({QStringLiteral("filler/%1").arg(i), QByteArray()});
    entries.push_back({QStringLiteral("Main.bmp"), "late"});
    const ArchiveSkinSource skin(makeZip(entries));
    EXPECT_TRUE(skin.contains(QStringLiteral("0")));
    EXPECT_FALSE(skin.contains(QStringLiteral("Main.bmp")));
}

TEST(ArchiveSkinSource, TheWholeArchiveGivesOutNoMoreThanItsTotalCap) {
    const QByteArray part(int(MaxEntryBytes) - 10, 'z');
    std::vector<std::pair<QString, QByteArray>> entries;
    const int count = int(MaxArchiveTotalBytes / part.size()) + 2;
    for (int i = 0; i < count; ++i)
        entries.push_back({QStringLiteral("f%1.bmp").arg(i), part});
    const ArchiveSkinSource skin(makeZip(entries));
    qint64 total = 0;
    int refused = 0;
    for (int i = 0; i < count; ++i) {
        if (const auto bytes = skin.read(QStringLiteral("f%1.bmp").arg(i)))
            total += bytes->size();
        else
            ++refused;
    }
    EXPECT_LE(total, MaxArchiveTotalBytes);
    EXPECT_GE(refused, 2);
}

} // namespace
} // namespace kalo
