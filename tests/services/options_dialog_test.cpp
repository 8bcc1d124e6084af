#include "services/options_dialog.h"

#include "services/data_module.h"
#include "services/folder_picker.h"
#include "services/interface_windows.h"
#include "base/settings_store.h"
#include "support/test_support.h"
#include "ui/picture_control.h"
#include "ui/shared_helpers.h"
#include "ui/tool_tips.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

using namespace kalo;

namespace {

// Settings as a fresh installation has them.
void defaultSettings() {
    Settings = TSettings{};
    Settings.AutoSpeak = true;
    Settings.IgnoreLen = 10;
    Settings.ShowPrompt = true;
    Settings.PromptDelay = 3;
    Settings.ShowHint = true;
    Settings.Pit = 50;
    Settings.Width = 150;
    Settings.Height = 187;
    Settings.VoiceType = "Normal";
    Settings.GreetingWhenStart = true;
    Settings.RealTime = 2048;
    Settings.AutoNext = true;
    Settings.DefTxtPath = "/home/u/txt/";
    Settings.DefWavPath = "/home/u/wav/";
    Settings.DefMp3Path = "/home/u/mp3/";
}

// The dialog shown without blocking, as ShowOptions would show it.
struct ShownOptions {
    TFormOption dialog;
    ShownOptions() {
        dialog.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    }
};

void click(QWidget* w) {
    QTest::mouseClick(w, Qt::LeftButton, {}, QPoint(6, w->height() / 2));
}

// Picks an item as the user does: the list's activation, not a program's
// selection.
void pick(QComboBox* list, int index) {
    list->setCurrentIndex(index);
    emit list->activated(index);
}

struct Recorder {
    QStringList events;
    Recorder() {
        SetMessageBoxHandler([this](const QString& text, int flags) {
            events << QStringLiteral("message %1: %2").arg(flags).arg(text);
        });
        SetShellOpener([this](const QString& target, const QString& verb, int state) {
            events << QStringLiteral("open %1 %2 %3").arg(target, verb).arg(state);
        });
    }
    ~Recorder() {
        SetMessageBoxHandler({});
        SetShellOpener({});
    }
};

} // namespace

TEST(OptionsDialog, ClipboardGroupFollowsWatchClipboardAndPromptDelayFollowsThePrompt) {
    defaultSettings();
    Settings.AutoSpeak = false;
    Settings.ShowPrompt = false;
    ShownOptions s;
    TFormOption& d = s.dialog;
    EXPECT_EQ(d.size(), QSize(446, 353));
    EXPECT_FALSE(d.Sizeable);
    EXPECT_EQ(d.LabelJQCaption->text(), " Options");
    EXPECT_EQ(d.ButtonOK->mapTo(&d, QPoint(0, 0)), QPoint(350, 308));
    EXPECT_FALSE(d.GroupBoxClipboard->isEnabled());
    EXPECT_TRUE(d.CheckBoxWatchClipboard->isEnabled());
    EXPECT_FALSE(d.SpinEditPromptDelay->isEnabled());

    d.PageControl1->setCurrentWidget(d.TabSheet1);
    click(d.CheckBoxWatchClipboard);
    EXPECT_TRUE(Settings.AutoSpeak);
    EXPECT_TRUE(d.GroupBoxClipboard->isEnabled());
    EXPECT_TRUE(d.CheckBoxPrompt->isEnabled());
    EXPECT_FALSE(d.SpinEditPromptDelay->isEnabled()); // the prompt is still off
    click(d.CheckBoxPrompt);
    EXPECT_TRUE(Settings.ShowPrompt);
    EXPECT_TRUE(d.SpinEditPromptDelay->isEnabled());
    click(d.CheckBoxWatchClipboard);
    EXPECT_FALSE(Settings.AutoSpeak);
    EXPECT_FALSE(d.SpinEditPromptDelay->isEnabled());

    // The check box is the group's heading: on its top edge, over its frame.
    const QRect box = d.CheckBoxWatchClipboard->geometry();
    const QRect group = d.GroupBoxClipboard->geometry();
    EXPECT_NEAR(box.center().y(), group.top(), 2) << box.y() << " " << group.y();
    EXPECT_GT(box.left(), group.left());
    EXPECT_LT(box.right(), group.right());
    EXPECT_TRUE(d.CheckBoxWatchClipboard->autoFillBackground());
}

TEST(OptionsDialog, EveryControlWritesItsSettingAtOnce) {
    defaultSettings();
    Settings.PromptDelay = 0; // below the spin edit's range
    ShownOptions s;
    TFormOption& d = s.dialog;
    EXPECT_EQ(Settings.PromptDelay, 1);
    EXPECT_EQ(d.SpinEditIgnoreLen->value(), 10);
    d.SpinEditIgnoreLen->setValue(-5); // no limits
    EXPECT_EQ(Settings.IgnoreLen, -5);
    d.SpinEditPromptDelay->setValue(1000);
    EXPECT_EQ(Settings.PromptDelay, 999);
    pick(d.ComboBoxDefAction, 2);
    EXPECT_EQ(Settings.DefAction, 2);
    d.CheckBoxAutoNext->setChecked(false);
    d.CheckBoxAutoName->setChecked(true);
    d.CheckBoxGreeting->setChecked(false);
    EXPECT_FALSE(Settings.AutoNext);
    EXPECT_TRUE(Settings.AutoName);
    EXPECT_FALSE(Settings.GreetingWhenStart);
    d.TrackBarPit->setValue(400);
    EXPECT_EQ(Settings.Pit, 400);
    d.SpinEditWidth->setValue(70000);
    EXPECT_EQ(Settings.Width, 4464);
    d.SpinEditHeight->setValue(-2);
    EXPECT_EQ(Settings.Height, -2);
    pick(d.ComboBoxType, 1);
    EXPECT_EQ(Settings.VoiceType, "Monotone");

    // Closing keeps every change, whichever way the dialog ends.
    click(d.closeImage);
    EXPECT_FALSE(d.isVisible());
    EXPECT_EQ(Settings.DefAction, 2);
}

TEST(OptionsDialog, ListsShowTheSettingsWithoutChangingThemUntilPicked) {
    defaultSettings();
    Settings.RealTime = 4096;
    {
        ShownOptions s;
        EXPECT_EQ(s.dialog.ComboBoxWriteSpeed->currentText(), "16 X");
        EXPECT_EQ(s.dialog.ComboBoxEngines->currentIndex(), 0);
    }
    Settings.RealTime = 1000;
    Settings.VoiceType = "whisper";
    Settings.DefAction = 3;
    ShownOptions s;
    TFormOption& d = s.dialog;
    EXPECT_EQ(d.ComboBoxWriteSpeed->currentText(), "8 X");
    EXPECT_EQ(d.ComboBoxType->currentText(), "Normal");
    EXPECT_EQ(d.ComboBoxDefAction->currentText(), "Cancel");
    EXPECT_EQ(Settings.RealTime, 1000);
    EXPECT_EQ(Settings.VoiceType, "whisper");
    pick(d.ComboBoxWriteSpeed, d.ComboBoxWriteSpeed->findText("128 X"));
    EXPECT_EQ(Settings.RealTime, 32768);
    pick(d.ComboBoxType, 2);
    EXPECT_EQ(Settings.VoiceType, "Whisper");
}

TEST(OptionsDialog, FolderSettingsGetTheirTrailingSeparator) {
    kalo::test::ScratchAppFolder app;
    TdmMain dm;
    defaultSettings();
    Settings.DefWavPath = "/home/u/wav";
    Settings.DefMp3Path = "";
    QStringList captions;
    QString next;
    SetFolderPicker([&](const QString& caption) {
        captions << caption;
        return next;
    });
    {
        ShownOptions s;
        TFormOption& d = s.dialog;
        // Opening the dialog mends the folder that lacked its "/"; the empty
        // one stays empty.
        EXPECT_EQ(Settings.DefWavPath, "/home/u/wav/");
        EXPECT_EQ(Settings.DefMp3Path, "");
        EXPECT_EQ(d.EditWav->text(), "/home/u/wav");

        next = "/srv/texts/";
        click(d.SpeedButton1);
        EXPECT_EQ(captions.value(0), "Select a folder as the default");
        EXPECT_EQ(d.EditTxt->text(), "/srv/texts");
        EXPECT_EQ(Settings.DefTxtPath, "/srv/texts/");
        EXPECT_EQ(dm.OpenDialogTxt.initialDir, "/srv/texts/");
        EXPECT_EQ(dm.SaveDialogTxt.initialDir, "/srv/texts/");

        // The root is stored with its one separator.
        next = "/";
        click(d.SpeedButton1);
        EXPECT_EQ(Settings.DefTxtPath, "/");
        EXPECT_EQ(dm.OpenDialogTxt.initialDir, "/");

        // A cancelled picker changes nothing.
        next = "";
        click(d.SpeedButton3);
        EXPECT_EQ(Settings.DefMp3Path, "");
        next = "/srv/mp3";
        click(d.SpeedButton3);
        EXPECT_EQ(Settings.DefMp3Path, "/srv/mp3/");
        next = "/srv/wav";
        click(d.SpeedButton2);
        EXPECT_EQ(Settings.DefWavPath, "/srv/wav/");
        // The WAV folder leaves the text dialogs alone.
        EXPECT_EQ(dm.OpenDialogTxt.initialDir, "/");
    }
    SetFolderPicker({});
}

TEST(OptionsDialog, OnlyTheRunningInterfacesPageCanBeReached) {
    defaultSettings();
    Settings.ActiveUI = 0;
    {
        ShownOptions s;
        QTabWidget* pages = s.dialog.PageControl1;
        EXPECT_EQ(pages->currentWidget(), s.dialog.TabSheetConverter);
        EXPECT_TRUE(pages->isTabVisible(pages->indexOf(s.dialog.TabSheet1)));
        EXPECT_FALSE(pages->isTabVisible(pages->indexOf(s.dialog.TabSheetCartoon)));
        EXPECT_EQ(pages->tabText(0), "General");
    }
    Settings.ActiveUI = 5;
    ShownOptions s;
    QTabWidget* pages = s.dialog.PageControl1;
    EXPECT_EQ(pages->currentWidget(), s.dialog.TabSheetCartoon);
    EXPECT_FALSE(pages->isTabVisible(pages->indexOf(s.dialog.TabSheetConverter)));
}

namespace {
// A link to the character that writes down every call.
TCharacterOptionsLink RecordingLink(QStringList& calls) {
    return {[&](int p) { calls << QStringLiteral("pitch %1").arg(p); },
            [&](const QString& t) { calls << "type " + t; },
            [&](short w) { calls << QStringLiteral("width %1").arg(w); },
            [&](short h) { calls << QStringLiteral("height %1").arg(h); },
            [&](bool on) { calls << QStringLiteral("watch %1").arg(on); }};
}
} // namespace

TEST(OptionsDialog, CharacterChangesReachTheCharacterOnlyWhileTheCartoonInterfaceRuns) {
    defaultSettings();
    QStringList calls;
    SetCharacterOptionsLink(RecordingLink(calls));
    Settings.ActiveUI = 1;
    {
        ShownOptions s;
        calls.clear();
        // No player window: only the settings change.
        s.dialog.TrackBarPit->setValue(90);
        EXPECT_EQ(Settings.Pit, 90);
        EXPECT_TRUE(calls.isEmpty());

        QWidget player;
        FormKALO = &player;
        s.dialog.TrackBarPit->setValue(120);
        pick(s.dialog.ComboBoxType, 2);
        s.dialog.SpinEditWidth->setValue(70000);
        s.dialog.SpinEditHeight->setValue(200);
        click(s.dialog.CheckBoxWatchClipboard);
        EXPECT_EQ(calls, (QStringList{"pitch 120", "type Whisper", "width 4464", "height 200",
                                      "watch 0"}));

        // The converter is the interface in use: nothing reaches a character.
        calls.clear();
        Settings.ActiveUI = 0;
        s.dialog.TrackBarPit->setValue(130);
        EXPECT_EQ(Settings.Pit, 130);
        EXPECT_TRUE(calls.isEmpty());
    }
    SetCharacterOptionsLink({});
}

// The size shown in the dialog is the stored one; showing it must not push
// it into a character that is hidden at 0 by 0, or anything else.
TEST(OptionsDialog, ShowingTheDialogPushesNothingIntoTheCharacter) {
    defaultSettings();
    Settings.Width = 300;
    Settings.Height = 374;
    QStringList calls;
    SetCharacterOptionsLink(RecordingLink(calls));
    Settings.ActiveUI = 1;
    QWidget player;
    FormKALO = &player;
    {
        ShownOptions s;
        EXPECT_EQ(s.dialog.SpinEditWidth->value(), 300);
        EXPECT_EQ(s.dialog.SpinEditHeight->value(), 374);
        EXPECT_TRUE(calls.isEmpty()) << calls.join(", ").toStdString();
        EXPECT_EQ(Settings.Width, 300);
        // What the user types goes on at once.
        s.dialog.SpinEditWidth->setValue(200);
        EXPECT_EQ(calls, QStringList{"width 200"});
        EXPECT_EQ(Settings.Width, 200);
    }
    FormKALO = nullptr;
    SetCharacterOptionsLink({});
}

TEST(OptionsDialog, HintsSwitchAtOnceAndTheEngineButtonTellsThenOpens) {
    defaultSettings();
    Recorder recorder;
    ShownOptions s;
    TFormOption& d = s.dialog;
    SetToolTipsEnabled(true);
    d.PageControl1->setCurrentWidget(d.TabSheet1);
    click(d.CheckBoxHint);
    EXPECT_FALSE(Settings.ShowHint);
    EXPECT_FALSE(ToolTipsEnabled());
    click(d.CheckBoxHint);
    EXPECT_TRUE(ToolTipsEnabled());

    EXPECT_EQ(d.SpeedButton4->toolTip(), "Download Now!");
    pick(d.ComboBoxEngines, 2);
    click(d.SpeedButton4);
    const QString page = "https://speech-engines.example.com/activex/controls/agent2/lhttsdun.exe";
    EXPECT_EQ(recorder.events,
              (QStringList{"message 64: You can download Dutch ( Male & Female ) at:\n" + page,
                           "open " + page + " Open 3"}));
    EXPECT_TRUE(d.isVisible());
    click(d.ButtonOK);
    EXPECT_EQ(d.result(), QDialog::Accepted);
}
