#include "services/data_module.h"

#include "base/settings_store.h"
#include "support/test_support.h"
#include "ui/shared_helpers.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

using namespace kalo;
using kalo::test::ScratchAppFolder;

namespace {
struct ErrorBoxRecorder {
    QStringList shown;
    ErrorBoxRecorder() {
        SetErrorBoxHandler([this](const QString& text) { shown << text; });
    }
    ~ErrorBoxRecorder() { SetErrorBoxHandler({}); }
};
} // namespace

TEST(DataModule, StartUpReadsBothFilesAndShutDownWritesBoth) {
    ScratchAppFolder app;
    ErrorBoxRecorder errors;
    app.write("kalo.dll", "[Converter]\r\nDefTxtPath=/home/u/Texts/\r\n");
    {
        TdmMain dm;
        EXPECT_EQ(dmMain, &dm);
        EXPECT_EQ(dm.FileList, QStringList{"/home/u/Texts/untitled.txt"});
        EXPECT_EQ(dm.OpenDialogTxt.initialDir, "/home/u/Texts/");
        EXPECT_EQ(dm.SaveDialogTxt.initialDir, "/home/u/Texts/");
        EXPECT_EQ(dm.SaveDialogWav.title, "Convert into Wav File");
        dm.FileList << "/home/u/Texts/Second.txt";
    }
    EXPECT_EQ(dmMain, nullptr);
    EXPECT_TRUE(errors.shown.isEmpty());
    EXPECT_EQ(app.read("filelist.dll"), "/home/u/Texts/untitled.txt\r\n/home/u/Texts/Second.txt\r\n");
    EXPECT_TRUE(app.read("kalo.dll").contains("DefTxtPath=/home/u/Texts/\r\n"));
}

TEST(DataModule, EachFileIsWrittenOnItsOwnAndEachFailureIsReported) {
    ScratchAppFolder app;
    ErrorBoxRecorder errors;
    {
        TdmMain dm;
        // A folder where kalo.dll should go: it cannot be replaced.
        QDir().mkpath(app.file("kalo.dll/inside"));
        dm.FileList = {"/x/a.txt"};
    }
    ASSERT_EQ(errors.shown.size(), 1);
    EXPECT_EQ(errors.shown.at(0), "Cannot create file " + app.file("kalo.dll"));
    EXPECT_EQ(app.read("filelist.dll"), "/x/a.txt\r\n");
}
