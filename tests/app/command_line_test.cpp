// Kalotalk's command line and what start-up does with it.
#include "app/command_line.h"

#include "support/test_support.h"

#include <QDir>

#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace kalo;

namespace {

TStartOptions parsed(const QStringList& args) {
    TStartOptions o;
    const QString error = ParseKalotalkArguments(args, o);
    EXPECT_TRUE(error.isEmpty()) << args.join(' ').toStdString() << ": " << error.toStdString();
    return o;
}

TEST(CommandLine, ReadsTheInterfaceAndTheFiles) {
    EXPECT_EQ(parsed({}).open, TStartOptions::Interface::Stored);
    EXPECT_EQ(parsed({"--converter"}).open, TStartOptions::Interface::Converter);
    EXPECT_EQ(parsed({"--cartoon", "--cartoon"}).open, TStartOptions::Interface::Cartoon);
    EXPECT_TRUE(parsed({"-h"}).help);
    EXPECT_TRUE(parsed({"--version"}).version);
    // After "--" even a name that starts with a dash is a file; "-" alone is
    // a file name too.
    const TStartOptions o = parsed({"a.txt", "--converter", "--", "--cartoon", "-"});
    EXPECT_EQ(o.open, TStartOptions::Interface::Converter);
    EXPECT_EQ(o.files, (QStringList{"a.txt", "--cartoon", "-"}));

    TStartOptions bad;
    EXPECT_FALSE(ParseKalotalkArguments({"--converter", "--cartoon"}, bad).isEmpty());
    EXPECT_FALSE(ParseKalotalkArguments({"--bogus"}, bad).isEmpty());
    EXPECT_FALSE(ParseKalotalkArguments({"-platform", "xcb"}, bad).isEmpty());
}

TEST(CommandLine, AnInterfaceOptionLaunchesItWithoutTouchingTheRest) {
    QStringList list{"/docs/a.txt"};
    int activeUi = 0, tabIndex = 0;
    EXPECT_FALSE(ApplyStartOptions(parsed({}), list, activeUi, tabIndex, nullptr));
    EXPECT_EQ(activeUi, 0);

    EXPECT_TRUE(ApplyStartOptions(parsed({"--cartoon"}), list, activeUi, tabIndex, nullptr));
    EXPECT_EQ(activeUi, 1);
    activeUi = 7; // a stored value outside the two
    EXPECT_TRUE(ApplyStartOptions(parsed({"--converter"}), list, activeUi, tabIndex, nullptr));
    EXPECT_EQ(activeUi, 0);
    EXPECT_EQ(list, QStringList{"/docs/a.txt"});
    EXPECT_EQ(tabIndex, 0);
}

TEST(CommandLine, FilesBecomeConverterDocumentsOnceEach) {
    test::ScratchAppFolder dir;
    dir.write("b.txt", "bee");
    dir.write("c.txt", "sea");
    QStringList list{dir.file("a.txt"), dir.file("c.txt")};
    int activeUi = 1, tabIndex = 0;
    const QString relative = QDir::current().relativeFilePath(dir.file("b.txt"));
    QStringList skipped;
    // A new file (given by a relative path), one already listed (given with
    // a detour), and one that does not exist yet.
    EXPECT_TRUE(
        ApplyStartOptions(parsed({relative, dir.path() + "sub/../c.txt", dir.file("new.txt")}),
                          list, activeUi, tabIndex, &skipped));
    EXPECT_EQ(list, (QStringList{dir.file("a.txt"), dir.file("c.txt"), dir.file("b.txt"),
                                 dir.file("new.txt")}));
    EXPECT_EQ(tabIndex, 2); // the first file given
    EXPECT_EQ(activeUi, 0);
    EXPECT_TRUE(skipped.isEmpty());

    // The listed file's tab is shown when it comes first.
    EXPECT_TRUE(ApplyStartOptions(parsed({dir.file("c.txt")}), list, activeUi, tabIndex, nullptr));
    EXPECT_EQ(tabIndex, 1);
    EXPECT_EQ(list.size(), 4);

    // With --cartoon the files join the reading list; the converter's tab
    // stays as stored.
    dir.write("d.txt", "dee");
    EXPECT_TRUE(ApplyStartOptions(parsed({"--cartoon", dir.file("d.txt")}), list, activeUi,
                                  tabIndex, nullptr));
    EXPECT_EQ(activeUi, 1);
    EXPECT_EQ(tabIndex, 1);
    EXPECT_EQ(list.last(), dir.file("d.txt"));
}

TEST(CommandLine, FoldersAndPipesAreLeftOutAndNamed) {
    test::ScratchAppFolder dir;
    ASSERT_TRUE(QDir().mkpath(dir.file("folder.txt")));
    ASSERT_EQ(mkfifo(dir.file("pipe.txt").toLocal8Bit().constData(), 0600), 0);
    QStringList list;
    int activeUi = 1, tabIndex = 3;
    QStringList skipped;
    EXPECT_TRUE(ApplyStartOptions(parsed({dir.file("folder.txt"), dir.file("pipe.txt")}), list,
                                  activeUi, tabIndex, &skipped));
    EXPECT_TRUE(list.isEmpty());
    EXPECT_EQ(skipped, (QStringList{dir.file("folder.txt"), dir.file("pipe.txt")}));
    EXPECT_EQ(tabIndex, 3);
    EXPECT_EQ(activeUi, 0); // files ask for the converter even when none was usable
}

TEST(CommandLine, KnowsWhenNoDisplayCanBeReached) {
    EXPECT_TRUE(DisplayMissing({}, {}));
    EXPECT_TRUE(DisplayMissing("xcb", {}));
    EXPECT_FALSE(DisplayMissing({}, ":0"));
    EXPECT_FALSE(DisplayMissing("offscreen", {}));
    EXPECT_FALSE(DisplayMissing("wayland", {})); // Qt itself finds out; see the e2e test
    EXPECT_FALSE(NoDisplayMessage().contains('\n'));
    EXPECT_TRUE(NoDisplayMessage().contains("X11"));
}

} // namespace
