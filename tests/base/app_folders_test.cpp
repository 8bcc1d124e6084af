// Where the program finds its files: self-contained application folders,
// installations under a prefix, and the user's own folder beside a
// read-only installation.
#include "base/app_folders.h"

#include "base/kalo_error.h"
#include "base/settings_store.h"
#include "support/test_support.h"

#include <QDir>
#include <QFileInfo>

#include <gtest/gtest.h>

using namespace kalo;
using kalo::test::ScratchAppFolder;

namespace {

const auto writable = [](const QString&) { return true; };
const auto readOnly = [](const QString&) { return false; };

TEST(AppFolders, AnInstallationUnderAPrefixKeepsTheUsersFilesInTheDataHome) {
    ScratchAppFolder root;
    ASSERT_TRUE(QDir().mkpath(root.file("usr/lib/kalotalk")));
    ASSERT_TRUE(QDir().mkpath(root.file("usr/share/kalotalk")));
    // Even a program folder that can be written (root's) keeps nothing of
    // the user's there.
    for (const QString& program : {root.file("usr/lib/kalotalk"), root.file("usr/lib/kalotalk/"),
                                   root.file("usr/bin/../lib/kalotalk")}) {
        SCOPED_TRACE(program.toStdString());
        const AppFolders f = LocateAppFolders(program, root.file("home/.local/share"), writable);
        EXPECT_EQ(f.data, root.file("usr/share/kalotalk/"));
        EXPECT_EQ(f.user, root.file("home/.local/share/kalotalk/"));
    }
}

TEST(AppFolders, AnyOtherFolderIsSelfContainedAndUsedWhenItCanBeWritten) {
    ScratchAppFolder root;
    // A build's app folder; lib/kalotalk with no share/kalotalk beside it;
    // a folder whose name only ends like lib/kalotalk, beside a
    // share/kalotalk.
    ASSERT_TRUE(QDir().mkpath(root.file("build/app")));
    ASSERT_TRUE(QDir().mkpath(root.file("a/lib/kalotalk")));
    ASSERT_TRUE(QDir().mkpath(root.file("b/mylib/kalotalk")));
    ASSERT_TRUE(QDir().mkpath(root.file("b/share/kalotalk")));
    for (const char* name : {"build/app", "a/lib/kalotalk", "b/mylib/kalotalk"}) {
        SCOPED_TRACE(name);
        const QString program = root.file(name) + '/';
        const AppFolders f = LocateAppFolders(root.file(name), root.file("data"), writable);
        EXPECT_EQ(f.program, program);
        EXPECT_EQ(f.data, program);
        EXPECT_EQ(f.user, program);
    }
    // One that cannot be written: its data stays, the user's files move.
    const AppFolders f = LocateAppFolders(root.file("build/app"), root.file("data"), readOnly);
    EXPECT_EQ(f.data, root.file("build/app/"));
    EXPECT_EQ(f.user, root.file("data/kalotalk/"));
}

TEST(AppFolders, TheUsersFolderIsMadeWithItsSubFolders) {
    ScratchAppFolder root;
    const QString user = root.file("deep/er/kalotalk/");
    MakeUserFolder(user);
    for (const char* sub : {"txt", "wav", "mp3", "chars", "skins"})
        EXPECT_TRUE(QFileInfo(user + sub).isDir()) << sub;
    MakeUserFolder(user); // again: nothing to do, no error

    // A file where a folder belongs: the message names that folder.
    ASSERT_TRUE(QDir().mkpath(root.file("other/kalotalk")));
    root.write("other/kalotalk/wav", "not a folder");
    try {
        MakeUserFolder(root.file("other/kalotalk"));
        FAIL() << "no error";
    } catch (const KaloError& e) {
        EXPECT_EQ(e.message(), "Cannot create folder " + root.file("other/kalotalk/wav"));
    }
}

TEST(AppFolders, DataIsLookedForInTheUsersFolderThenTheInstallations) {
    const QString savedApp = AppPath, savedData = DataPath;
    AppPath = "/home/u/.local/share/kalotalk/";
    DataPath = "/usr/share/kalotalk/";
    EXPECT_EQ(DataFolders("chars/"),
              (QStringList{"/home/u/.local/share/kalotalk/chars/", "/usr/share/kalotalk/chars/"}));
    EXPECT_EQ(HelpPagePath(), "/usr/share/kalotalk/help/index.html");
    DataPath = AppPath;
    EXPECT_EQ(DataFolders("skins/"), QStringList{"/home/u/.local/share/kalotalk/skins/"});
    DataPath.clear();
    EXPECT_EQ(DataFolders(), QStringList{"/home/u/.local/share/kalotalk/"});
    AppPath = savedApp;
    DataPath = savedData;
}

TEST(AppFolders, ATestsApplicationFolderIsAlsoTheDataFolder) {
    ScratchAppFolder app;
    LoadSettings();
    EXPECT_EQ(AppPath, app.path());
    EXPECT_EQ(DataPath, app.path());
}

} // namespace
