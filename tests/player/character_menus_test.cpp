#include "player/character_menus.h"

#include "base/kalo_error.h"
#include "base/settings_store.h"
#include "fake_character.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <QDir>

using namespace kalo;
using kalo::test::FakeCharacter;
using kalo::test::ScratchAppFolder;

namespace {

TEST(CharacterMenus, CaptionsAreCaseNormalised) {
    EXPECT_EQ(CaseNormalised(QStringLiteral("JAMES")), "James");
    EXPECT_EQ(CaseNormalised(QStringLiteral("merlin")), "Merlin");
    EXPECT_EQ(CaseNormalised(QStringLiteral("mY sKIN-2")), "My skin-2");
    EXPECT_EQ(CaseNormalised(QString()), "");
    EXPECT_EQ(StripAccelerators(QStringLiteral("&Mer&lin")), "Merlin");
}

TEST(CharacterMenus, CharactersAreTheAcsFilesOfTheFolder) {
    ScratchAppFolder folder;
    folder.write(QStringLiteral("JAMES.ACS"), "x");
    folder.write(QStringLiteral("merlin.acs"), "x");
    folder.write(QStringLiteral("readme.txt"), "x");
    folder.write(QStringLiteral("notes.acs.bak"), "x");
    folder.write(QStringLiteral(".acs"), "x");
    QDir(folder.path()).mkdir(QStringLiteral("folder.acs"));
    QStringList captions = CharacterMenuCaptions(folder.path());
    captions.sort(); // the menu keeps the directory's order; compare as sets
    EXPECT_EQ(captions, (QStringList{"James", "Merlin"}));
    EXPECT_TRUE(CharacterMenuCaptions(folder.file(QStringLiteral("no-such-folder/"))).isEmpty());
    EXPECT_TRUE(CharacterMenuCaptions(QString()).isEmpty());
}

TEST(CharacterMenus, ACaptionFindsItsFileWhateverTheFilesLetterCase) {
    ScratchAppFolder folder;
    folder.write(QStringLiteral("JAMES.ACS"), "x");
    folder.write(QStringLiteral("Merlin.acs"), "x");
    EXPECT_EQ(CharacterFilePath(folder.path(), QStringLiteral("James")), folder.file("JAMES.ACS"));
    EXPECT_EQ(CharacterFilePath(folder.path(), QStringLiteral("Merlin")),
              folder.file("Merlin.acs"));
    EXPECT_EQ(CharacterFilePath(folder.path(), QStringLiteral("Robby")), folder.file("Robby.acs"));

    FakeCharacter character;
    TSettings settings;
    ChooseCharacter(character, QStringLiteral("James"), folder.path(), settings, {});
    EXPECT_EQ(character.calls.value(0), "Load:" + folder.file("JAMES.ACS"));
}

TEST(CharacterMenus, TheUsersCharactersComeBeforeTheInstallationsOnes) {
    ScratchAppFolder user, installed;
    user.write(QStringLiteral("merlin.acs"), "mine");
    user.write(QStringLiteral("Robby.acs"), "mine");
    installed.write(QStringLiteral("James.acs"), "shipped");
    installed.write(QStringLiteral("MERLIN.ACS"), "shipped");
    const QStringList folders{user.path(), installed.path(), installed.file("missing/")};
    QStringList captions = CharacterMenuCaptions(folders);
    captions.sort();
    EXPECT_EQ(captions, (QStringList{"James", "Merlin", "Robby"})); // Merlin once
    EXPECT_EQ(CharacterFilePath(folders, QStringLiteral("Merlin")), user.file("merlin.acs"));
    EXPECT_EQ(CharacterFilePath(folders, QStringLiteral("james")), installed.file("James.acs"));
    // A name no folder has points into the user's folder.
    EXPECT_EQ(CharacterFilePath(folders, QStringLiteral("Genie")), user.file("Genie.acs"));

    FakeCharacter character;
    TSettings settings;
    ChooseCharacter(character, QStringLiteral("James"), folders, settings, {});
    EXPECT_EQ(character.calls.value(0), "Load:" + installed.file("James.acs"));
    EXPECT_EQ(settings.Char1, "James");
}

TEST(CharacterMenus, CheckMarksCompareCaptionsExactly) {
    const QStringList captions{"James", "Merlin"};
    EXPECT_EQ(CheckedItemByCaption(captions, QStringLiteral("Merlin")), 1);
    EXPECT_EQ(CheckedItemByCaption(captions, QStringLiteral("james")), -1);
    EXPECT_EQ(SkinMenuCaptions({"topaz", "BASE"}), (QStringList{"Topaz", "Base"}));
}

TEST(ToneMenu, ModesThenSeparatorThenDefault) {
    const QStringList tones = ToneMenuCaptions({"Adam", "Betty"});
    EXPECT_EQ(tones, (QStringList{"Adam", "Betty", "-", "Default Tone of Current Character"}));
    // No modes installed: only the separator and the default item.
    EXPECT_EQ(ToneMenuCaptions({}), (QStringList{"-", "Default Tone of Current Character"}));
    EXPECT_EQ(CheckedToneItem(0, 2), 0);
    EXPECT_EQ(CheckedToneItem(1, 2), 1);
    EXPECT_EQ(CheckedToneItem(-1, 2), 3);
    EXPECT_EQ(CheckedToneItem(-1, 0), 1);
    EXPECT_EQ(CheckedToneItem(2, 2), -1) << "a stored Tone beyond the modes checks nothing";
    EXPECT_EQ(CheckedToneItem(-5, 2), -1);
    EXPECT_EQ(CheckedToneItem(0, 0), -1);
}

class CharacterSettingsTest : public ::testing::Test {
protected:
    void SetUp() override {
        settings.Left = 500;
        settings.Top = 400;
        settings.Char1Visible = true;
        settings.Width = 200;
        settings.Height = 150;
        settings.Vol = 40000;
        settings.Pit = 120;
        settings.Spd = 180;
        settings.VoiceType = QStringLiteral("Whisper");
        settings.BalloonVisible = false;
        settings.AnimationOn = false;
        settings.SoundEffectsOn = true;
        settings.Tone = 1;
        settings.Char1 = QStringLiteral("James");
    }
    TSettings settings;
    FakeCharacter character;
    const QStringList ids{"{ID-0}", "{ID-1}"};
};

TEST_F(CharacterSettingsTest, ApplyThenStoreGivesTheSettingsBack) {
    ApplyCharacterSettings(character, settings, ids);
    EXPECT_EQ(character.left, 500);
    EXPECT_EQ(character.top, 400);
    EXPECT_TRUE(character.visible);
    EXPECT_EQ(character.width, 200);
    EXPECT_EQ(character.height, 150);
    EXPECT_EQ(character.volume, 40000);
    EXPECT_EQ(character.pitch, 120);
    EXPECT_EQ(character.speed, 180);
    EXPECT_EQ(character.voiceType, "Whisper");
    EXPECT_FALSE(character.balloon);
    EXPECT_FALSE(character.animation);
    EXPECT_TRUE(character.soundEffects);
    EXPECT_EQ(character.tone, "{ID-1}");

    TSettings back;
    StoreCharacterSettings(character, back);
    EXPECT_EQ(back.Left, 500);
    EXPECT_EQ(back.Top, 400);
    EXPECT_EQ(back.Width, 200);
    EXPECT_EQ(back.Height, 150);
    EXPECT_EQ(back.Vol, 40000);
    EXPECT_EQ(back.Pit, 120);
    EXPECT_EQ(back.Spd, 180);
    EXPECT_EQ(back.VoiceType, "Whisper");
    EXPECT_TRUE(back.Char1Visible);
}

// A hidden character stays hidden at 0 by 0 with its stored size kept for
// showing, and that size, not 0 by 0, goes back into the settings.
TEST_F(CharacterSettingsTest, AHiddenCharacterKeepsItsSizeForShowing) {
    settings.Char1Visible = false;
    character.LoadCharacter(QStringLiteral("/chars/James.acs"));
    ApplyCharacterSettings(character, settings, ids);
    EXPECT_FALSE(character.visible);
    EXPECT_EQ(character.width, 0);
    EXPECT_EQ(character.height, 0);
    TSettings back;
    StoreCharacterSettings(character, back);
    EXPECT_FALSE(back.Char1Visible);
    EXPECT_EQ(back.Width, 200);
    EXPECT_EQ(back.Height, 150);
    character.SetVisible(true);
    EXPECT_EQ(character.width, 200);
    EXPECT_EQ(character.height, 150);
}

TEST_F(CharacterSettingsTest, ToneOutsideTheModesUsesTheCharactersOwnVoice) {
    for (const int tone : {-1, 2, 99}) {
        settings.Tone = tone;
        ApplyCharacterSettings(character, settings, ids);
        EXPECT_EQ(character.tone, "{DEFAULT}") << tone;
    }
    settings.Tone = 0;
    ApplyCharacterSettings(character, settings, ids);
    EXPECT_EQ(character.tone, "{ID-0}");
    // No modes installed at all.
    settings.Tone = 0;
    ApplyCharacterSettings(character, settings, {});
    EXPECT_EQ(character.tone, "{DEFAULT}");
}

TEST_F(CharacterSettingsTest, ANewCharacterResetsTheTone) {
    character.loadedWidth = 96;
    character.loadedHeight = 112;
    const QString said = ChooseCharacter(character, QStringLiteral("Merlin"),
                                         QStringLiteral("/chars/"), settings, ids);
    EXPECT_EQ(said, "My name is Merlin. Thank you for selecting me.");
    EXPECT_EQ(character.calls.value(0), "Load:/chars/Merlin.acs");
    EXPECT_EQ(character.calls.value(1), "Visible:1");
    EXPECT_EQ(settings.Tone, -1);
    EXPECT_EQ(character.tone, "{DEFAULT}");
    EXPECT_EQ(settings.Width, 96);
    EXPECT_EQ(settings.Height, 112);
    EXPECT_EQ(character.width, 96);
    EXPECT_EQ(settings.Char1, "Merlin");
    // The stored voice settings came with it.
    EXPECT_EQ(character.pitch, 120);
    EXPECT_EQ(character.voiceType, "Whisper");
}

TEST_F(CharacterSettingsTest, ACharacterThatFailsToLoadKeepsTheOldName) {
    character.failLoad = true;
    EXPECT_THROW(ChooseCharacter(character, QStringLiteral("Broken"), QStringLiteral("/chars/"),
                                 settings, ids),
                 KaloError);
    EXPECT_EQ(settings.Char1, "James");
    EXPECT_EQ(settings.Tone, 1);
}

TEST_F(CharacterSettingsTest, ChoosingTones) {
    ChooseTone(&character, 0, settings, ids);
    EXPECT_EQ(settings.Tone, 0);
    EXPECT_EQ(character.tone, "{ID-0}");
    // The default item sits after the separator: position M + 1.
    ChooseTone(&character, 3, settings, ids);
    EXPECT_EQ(settings.Tone, -1);
    EXPECT_EQ(character.tone, "{DEFAULT}");
}

} // namespace
