#include "base/settings_store.h"

#include "support/test_support.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

using namespace kalo;
using kalo::test::returnsWithin;
using kalo::test::ScratchAppFolder;
using kalo::test::TestFifo;

namespace {

QByteArray defaultsFile(const QString& app) {
    return QByteArray("[General]\r\n"
                      "GreetingWhenStart=1\r\nActiveUI=0\r\nShowSelector=1\r\nAutoSpeak=1\r\n"
                      "IgnoreLen=10\r\nShowPrompt=1\r\nPromptDelay=3\r\nDefAction=0\r\n"
                      "Shuffle=0\r\nRepeat1=0\r\nShowHint=1\r\nRecordClipboard=1\r\nRecordNo=0\r\n"
                      "EngineIndex=0\r\n\r\n"
                      "[Char]\r\n"
                      "Char1Visible=1\r\nBalloonVisible=1\r\nAnimationOn=1\r\nSoundEffectsOn=1\r\n"
                      "Vol=65535\r\nPit=50\r\nSpd=150\r\nLeft=874\r\nTop=441\r\nWidth=150\r\n"
                      "Height=187\r\nChar1=James\r\nVoiceType=Normal\r\nTone=-1\r\n\r\n"
                      "[MainWnd]\r\n"
                      "Skin=Topaz\r\nAppBar=0\r\nMainLeft=749\r\nMainTop=628\r\nStayOnTop=0\r\n\r\n"
                      "[Converter]\r\n"
                      "TabIndex=0\r\n") +
           "DefTxtPath=" + app.toUtf8() + "txt/\r\n" + "DefWavPath=" + app.toUtf8() + "wav/\r\n" +
           "DefMp3Path=" + app.toUtf8() + "mp3/\r\n" +
           "RealTime=2048\r\nConvertMode=0\r\nConverterWidth=603\r\nConverterHeight=400\r\n"
           "ConverterLeft=210\r\nConverterTop=184\r\nAutoNext=1\r\nAutoName=0\r\nSubtitles=0\r\n\r\n";
}

} // namespace

TEST(SettingsStore, NoFileGivesTheDefaultsAndWritesThemInTableOrder) {
    ScratchAppFolder app;
    Settings = TSettings{};
    LoadSettings();
    EXPECT_EQ(AppPath, app.path());
    EXPECT_EQ(Settings.Left, 874);
    EXPECT_EQ(Settings.Top, 441);
    EXPECT_EQ(Settings.MainLeft, 749);
    EXPECT_EQ(Settings.MainTop, 628);
    EXPECT_EQ(Settings.ConverterLeft, 210);
    EXPECT_EQ(Settings.ConverterTop, 184);
    EXPECT_EQ(Settings.Char1, "James");
    EXPECT_EQ(Settings.Tone, -1);
    SaveSettings();
    EXPECT_EQ(app.read("kalo.dll"), defaultsFile(app.path()));
}

TEST(SettingsStore, ComputedDefaultsFollowTheScreenWhenTheKeyIsRead) {
    ScratchAppFolder app;
    SetScreenSizeProvider([] { return QSize(1920, 1080); });
    LoadSettings();
    EXPECT_EQ(Settings.Left, 1770);
    EXPECT_EQ(Settings.Top, 753);
    EXPECT_EQ(Settings.ConverterLeft, 658);
    EXPECT_EQ(Settings.ConverterTop, 340);
    // div rounds toward zero on a screen narrower than the window.
    SetScreenSizeProvider([] { return QSize(600, 399); });
    LoadSettings();
    EXPECT_EQ(Settings.ConverterLeft, -1);
    EXPECT_EQ(Settings.ConverterTop, 0);
}

TEST(SettingsStore, ValueEncodings) {
    ScratchAppFolder app;
    app.write("kalo.dll", "[General]\r\nAutoSpeak=0x0\r\nIgnoreLen=$14\r\nPromptDelay=0X1f\r\n"
                          "ShowPrompt=yes\r\nDefAction=ten\r\nRecordNo=-7\r\nEngineIndex=0x\r\n"
                          "[Char]\r\nWidth=70000\r\nHeight=-70000\r\nVol=$FFFFFFFF\r\n"
                          "Pit=99999999999\r\nChar1=\r\n");
    LoadSettings();
    EXPECT_FALSE(Settings.AutoSpeak);
    EXPECT_EQ(Settings.IgnoreLen, 20);
    EXPECT_EQ(Settings.PromptDelay, 31);
    EXPECT_TRUE(Settings.ShowPrompt);   // not a number: the default
    EXPECT_EQ(Settings.DefAction, 0);   // "ten": the default
    EXPECT_EQ(Settings.RecordNo, -7);
    EXPECT_EQ(Settings.EngineIndex, 0); // "0x" alone is not hexadecimal
    EXPECT_EQ(Settings.Width, 4464);    // low 16 bits
    EXPECT_EQ(Settings.Height, -4464);
    EXPECT_EQ(Settings.Vol, -1);
    EXPECT_EQ(Settings.Pit, 50); // out of range: the default
    EXPECT_EQ(Settings.Char1, ""); // present but empty is not the default
    Settings.IgnoreLen = 10;
    SaveSettings();
    const QByteArray written = app.read("kalo.dll");
    EXPECT_TRUE(written.contains("\r\nWidth=4464\r\n"));
    EXPECT_TRUE(written.contains("\r\nIgnoreLen=10\r\n"));
    EXPECT_TRUE(written.contains("\r\nChar1=\r\n"));
}

TEST(SettingsStore, UnknownKeysStayInPlaceAndCommentsGo) {
    ScratchAppFolder app;
    app.write("kalo.dll", "; written by hand\r\n[General]\r\nActiveUI=1\r\nMyKey = my value \r\n"
                          "ShowSelector=0\r\n\r\n[Plugins]\r\nx=1\r\n");
    LoadSettings();
    EXPECT_EQ(Settings.ActiveUI, 1);
    EXPECT_FALSE(Settings.ShowSelector);
    SaveSettings();
    const QByteArray written = app.read("kalo.dll");
    EXPECT_FALSE(written.contains("written by hand"));
    EXPECT_TRUE(written.startsWith("[General]\r\nActiveUI=1\r\nMyKey=my value\r\nShowSelector=0\r\n"
                                   "GreetingWhenStart=1\r\n"));
    // The unknown section keeps its place, before the sections added after it.
    EXPECT_LT(written.indexOf("[Plugins]\r\nx=1\r\n\r\n"), written.indexOf("[Char]"));
}

TEST(SettingsStore, SaveReadsTheFileAfreshSoOtherWritersKeysSurvive) {
    ScratchAppFolder app;
    LoadSettings();
    app.write("kalo.dll", "[General]\r\nAddedMeanwhile=yes\r\nIgnoreLen=99\r\n");
    Settings.IgnoreLen = 12;
    SaveSettings();
    const QByteArray written = app.read("kalo.dll");
    EXPECT_TRUE(written.contains("AddedMeanwhile=yes\r\nIgnoreLen=12\r\n"));
}

TEST(SettingsStore, UnwritableFileIsReportedAndTheOldFileSurvives) {
    ScratchAppFolder app;
    app.write("kalo.dll", "[General]\r\nIgnoreLen=33\r\n");
    LoadSettings();
    QFile::setPermissions(app.path(), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    if (QFile(app.file("probe")).open(QIODevice::WriteOnly))
        GTEST_SKIP() << "running with permissions that ignore read-only folders";
    Settings.IgnoreLen = 5;
    try {
        SaveSettings();
        FAIL() << "no error for an unwritable settings file";
    } catch (const KaloError& e) {
        EXPECT_EQ(e.message(), "Cannot create file " + app.file("kalo.dll"));
    }
    QFile::setPermissions(app.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    EXPECT_EQ(app.read("kalo.dll"), "[General]\r\nIgnoreLen=33\r\n");
}

TEST(SettingsStore, GarbageHugeAndBrokenFilesLoadAndKeepWhatTheyCan) {
    ScratchAppFolder app;
    QByteArray bytes("[General]\r\nIgnoreLen=17\r\nIgnoreLen=18\r\nBad=\xff\xfe\xc3\x28\r\n");
    bytes += "Long=" + QByteArray(1 << 20, 'y') + "\r\n";
    for (int i = 0; i < 300000; ++i)
        bytes += char((i * 31) % 251 + 1);
    app.write("kalo.dll", bytes);
    LoadSettings();
    EXPECT_EQ(Settings.IgnoreLen, 17);
    SaveSettings();
    const QByteArray written = app.read("kalo.dll");
    EXPECT_TRUE(written.contains("Bad=\xff\xfe\xc3\x28\r\n"));
    EXPECT_TRUE(written.contains("Long=" + QByteArray(1 << 20, 'y') + "\r\n"));
    EXPECT_TRUE(written.contains("IgnoreLen=17\r\nIgnoreLen=18\r\n"));
}

TEST(SettingsStore, UnreadableFileIsReportedAndLeavesTheDefaults) {
    ScratchAppFolder app;
    QDir().mkdir(app.file("kalo.dll")); // a folder where the file should be
    Settings = TSettings{};
    EXPECT_THROW(LoadSettings(), KaloError);
    EXPECT_EQ(Settings.IgnoreLen, 10);
    EXPECT_EQ(Settings.Char1, "James");
}

TEST(SettingsStore, AFifoOrDeviceForTheFileNeitherBlocksNorIsWrittenOver) {
    ScratchAppFolder app;
    const TestFifo fifo(app.file("kalo.dll"));
    Settings = TSettings{};
    QString loadError;
    ASSERT_TRUE(returnsWithin(
        5000,
        [&] {
            try {
                LoadSettings();
            } catch (const KaloError& e) {
                loadError = e.message();
            }
        },
        fifo));
    EXPECT_EQ(loadError,
              "Cannot open file \"" + app.file("kalo.dll") + "\". It is not a regular file.");
    EXPECT_EQ(Settings.IgnoreLen, 10);
    QString saveError;
    ASSERT_TRUE(returnsWithin(
        5000,
        [&] {
            try {
                SaveSettings();
            } catch (const KaloError& e) {
                saveError = e.message();
            }
        },
        fifo));
    EXPECT_EQ(saveError, "Cannot create file " + app.file("kalo.dll"));
    EXPECT_TRUE(QFileInfo::exists(fifo.path()));
    EXPECT_FALSE(QFileInfo(fifo.path()).isFile());

    // A device that never ends is no settings file either.
    QFile::remove(fifo.path());
    ASSERT_TRUE(QFile::link("/dev/zero", app.file("kalo.dll")));
    ASSERT_TRUE(returnsWithin(
        5000, [&] { EXPECT_THROW(LoadSettings(), KaloError); }, fifo));
    EXPECT_EQ(Settings.IgnoreLen, 10);
}

TEST(SettingsStore, StringsThatAreNotUtf8AreWindows1252AndGoBackByteForByte) {
    ScratchAppFolder app;
    // "Zoë" and "Café" in Windows-1252, a folder with "é" in UTF-8.
    app.write("kalo.dll",
              "[Char]\r\nChar1=Zo\xEB\r\nVoiceType=Normal\r\n[MainWnd]\r\nSkin=Caf\xE9 \x80\r\n"
              "[Converter]\r\nDefTxtPath=/d\xC3\xA9j\xC3\xA0/\r\nDefWavPath=/w\xE9/\r\n");
    LoadSettings();
    EXPECT_EQ(Settings.Char1, QStringLiteral("Zo\u00EB"));
    EXPECT_EQ(Settings.Skin, QStringLiteral("Caf\u00E9 \u20AC"));
    EXPECT_EQ(Settings.DefTxtPath, QStringLiteral("/d\u00E9j\u00E0/"));
    EXPECT_EQ(Settings.DefWavPath, QStringLiteral("/w\u00E9/"));
    Settings.DefWavPath = QStringLiteral("/new\u00E9/"); // changed: written as UTF-8
    SaveSettings();
    const QByteArray written = app.read("kalo.dll");
    EXPECT_TRUE(written.contains("\r\nChar1=Zo\xEB\r\n"));
    EXPECT_TRUE(written.contains("\r\nSkin=Caf\xE9 \x80\r\n"));
    EXPECT_TRUE(written.contains("\r\nDefTxtPath=/d\xC3\xA9j\xC3\xA0/\r\n"));
    EXPECT_TRUE(written.contains("\r\nDefWavPath=/new\xC3\xA9/\r\n"));
}
