// The player window playing the document list through its real character
// (speaking to the null device), reading the clipboard, and the menus,
// voice bars and options page acting on the character.
#include "player/player_window.h"

#include "agent/jq_agent.h"
#include "base/settings_store.h"
#include "player/jq_track_bar.h"
#include "services/data_module.h"
#include "services/file_dialogs.h"
#include "services/interface_windows.h"
#include "services/options_dialog.h"
#include "support/test_support.h"
#include "ui/shared_helpers.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QMenu>
#include <QMimeData>
#include <QRegularExpression>
#include <QSlider>
#include <QSpinBox>
#include <QTest>
#include <QThreadPool>
#include <QTimer>

#include <gtest/gtest.h>

#include <memory>

using namespace kalo;
using kalo::test::ScratchAppFolder;
using kalo::test::waitFor;

namespace {

class PlaybackTest : public ::testing::Test {
protected:
    void SetUp() override {
        // The skin the program ships with: its bars show their sliders.
        QDir().mkpath(app.file("skins/Topaz"));
        QDir().mkpath(app.file("chars"));
        const QDir topaz(QStringLiteral(KALO_SOURCE_DIR "/data/skins/Topaz"));
        for (const QString& name : topaz.entryList(QDir::Files))
            ASSERT_TRUE(QFile::copy(topaz.filePath(name), app.file("skins/Topaz/" + name)));
        ASSERT_TRUE(QFile::copy(QStringLiteral(KALO_SOURCE_DIR "/data/chars/James.acs"),
                                app.file("chars/James.acs")));
        SetAppPathOverride(app.path());
        CharsFolder.clear(); // taken from this test's application folder
        dm = std::make_unique<TdmMain>();
        Settings.Skin = QStringLiteral("Topaz");
        Settings.GreetingWhenStart = false;
        Settings.Char1 = QStringLiteral("James");
        Settings.ActiveUI = 1;
        Settings.AutoSpeak = true;
        Settings.IgnoreLen = 1;
        Settings.Spd = 250; // short waits: the character speaks at real-time pace
        Settings.Tone = -1;
        dm->FileList.clear();
        SetErrorBoxHandler([this](const QString& text) { errors << text; });
        SetFileDialogHandler([this](const TFileDialogSetup& setup, const QString&) {
            ++dialogs;
            dialogTitle = setup.title;
            return dialogAnswer;
        });
        a = writeText("a.txt", "Alpha one.");
        b = writeText("b.txt", "Beta two.");
    }
    void TearDown() override {
        delete form.data();
        SetErrorBoxHandler({});
        SetFileDialogHandler({});
        dm.reset();
        SetAppPathOverride(QString());
        QGuiApplication::clipboard()->clear();
    }

    QString writeText(const char* name, const QByteArray& text) {
        app.write(QString::fromLatin1(name), text);
        return app.file(QString::fromLatin1(name));
    }

    TFormKALO* open() {
        form = new TFormKALO;
        FormKALO = form.data();
        form->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(form.data()));
        EXPECT_TRUE(form->JQChar) << errors.join(" | ").toStdString();
        return form.data();
    }
    QString label() const { return form->LabelFileName->text(); }
    bool waitLabel(const QString& pattern, int ms = 20000) {
        const QRegularExpression re(QStringLiteral("^") + pattern + QStringLiteral("$"));
        return waitFor([&] { return re.match(label()).hasMatch(); }, ms);
    }

    ScratchAppFolder app;
    std::unique_ptr<TdmMain> dm;
    QPointer<TFormKALO> form;
    QStringList errors;
    QStringList dialogAnswer;
    QString dialogTitle;
    int dialogs = 0;
    QString a, b;
};

TEST_F(PlaybackTest, PlaysTwoFilesOneAfterTheOtherWithTheirLabels) {
    open();
    dialogAnswer = {a, b};
    form->ActionPlay->trigger();
    EXPECT_EQ(dialogs, 1);
    EXPECT_EQ(dialogTitle, "Open File(s) to Read");
    EXPECT_EQ(dm->FileList, (QStringList{a, b}));
    ASSERT_TRUE(waitLabel(R"(1\. a\.txt \( 2 \))")) << label().toStdString();
    EXPECT_TRUE(form->Playing);
    ASSERT_TRUE(waitLabel(R"(2\. b\.txt \( 2 \))")) << label().toStdString();
    ASSERT_TRUE(waitFor([&] { return form->ItemIndex == 2; }, 20000));
    EXPECT_EQ(form->LabelNumber->text(), "0002");
    EXPECT_EQ(form->PositionBar->Max(), 2);
    EXPECT_EQ(form->PositionBar->Position(), 2);
    // Previous from past the end reads the last file again.
    form->ActionPrev->trigger();
    ASSERT_TRUE(waitLabel(R"(2\. b\.txt( \( 2 \))?)"));
    EXPECT_EQ(form->ItemIndex, 1);
    EXPECT_TRUE(errors.isEmpty()) << errors.join(" | ").toStdString();
}

TEST_F(PlaybackTest, ClipboardWatchInterruptsAnEntryAndTheListGoesOn) {
    open();
    a = writeText("a.txt", "One two three four five six seven eight nine ten eleven twelve.");
    dm->FileList = {a, b};
    form->ActionPlay->trigger();
    ASSERT_TRUE(waitLabel(R"(1\. a\.txt \( 12 \))"));
    QGuiApplication::clipboard()->setText(QStringLiteral("copied text"));
    ASSERT_TRUE(waitLabel(R"(Reading Clipboard( \( 2 \))?)", 5000)) << label().toStdString();
    EXPECT_TRUE(form->Playing);
    EXPECT_EQ(form->ItemIndex, 0);
    // When the copied text ends, the next entry follows.
    ASSERT_TRUE(waitLabel(R"(2\. b\.txt( \( 2 \))?)")) << label().toStdString();
}

// A tone or a character chosen while an entry is read: the announcement
// must not end the entry early nor move the list on.
class AnnouncementDuringAnEntry : public PlaybackTest {
protected:
    // The label and the counter at every bookmark, as the window shows them.
    QStringList shown;
    void playTwelveWords() {
        open();
        a = writeText("a.txt", "One two three four five six seven eight nine ten eleven twelve.");
        dm->FileList = {a, b};
        QObject::connect(Agent, &TAgent::Bookmark, form.data(),
                         [this] { shown << label() + "|" + form->LabelNumber->text(); });
        form->ActionPlay->trigger();
        ASSERT_TRUE(waitLabel(R"(1\. a\.txt \( 12 \))"));
    }
};

TEST_F(AnnouncementDuringAnEntry, ANewTone) {
    playTwelveWords();
    if (ToneNames.isEmpty())
        GTEST_SKIP() << "no speech mode installed";
    form->Tones1->actions().at(0)->trigger();
    ASSERT_TRUE(waitLabel(R"(2\. b\.txt( \( 2 \))?)")) << label().toStdString();
    EXPECT_TRUE(shown.contains("New Voice|0012")) << shown.join(" ").toStdString();
    EXPECT_EQ(form->ItemIndex, 1);
    EXPECT_TRUE(errors.isEmpty()) << errors.join(" | ").toStdString();
}

TEST_F(AnnouncementDuringAnEntry, ANewCharacterGoesOnFromTheWordReached) {
    playTwelveWords();
    ASSERT_TRUE(waitFor([&] { return form->LabelNumber->text() >= "0003"; }, 20000));
    form->Characters1->actions().at(0)->trigger();
    EXPECT_EQ(label(), "New Character");
    ASSERT_TRUE(waitLabel(R"(2\. b\.txt( \( 2 \))?)", 30000)) << label().toStdString();
    // The entry was taken up again after the introduction and read to its end,
    // the counter never running back.
    const qsizetype end = shown.indexOf("1. a.txt ( 12 )|0012");
    EXPECT_GE(end, 0) << shown.join(" ").toStdString();
    QString before;
    for (qsizetype i = 0; i <= end; ++i) {
        const QString number = shown[i].section('|', 1);
        EXPECT_GE(number, before) << shown.join(" ").toStdString();
        before = number;
    }
    EXPECT_EQ(form->ItemIndex, 1);
}

TEST_F(PlaybackTest, ReadClipboardWithAnImageSaysThereIsNoText) {
    open();
    QImage picture(8, 8, QImage::Format_RGB32);
    picture.fill(Qt::red);
    QGuiApplication::clipboard()->setImage(picture);
    form->Playing = true;
    form->ActionPause->trigger();
    EXPECT_FALSE(form->Playing);
    EXPECT_EQ(form->JQChar->BookmarkCount(), 8); // "There is no text available in the clipboard."
    ASSERT_TRUE(waitLabel(R"(Reading Clipboard \( 8 \))"));
    ASSERT_TRUE(waitFor([&] { return form->LabelNumber->text() == "0008"; }, 20000));
}

TEST_F(PlaybackTest, EmptyListPreviousAndNextAskForFilesAndCancelKeepsItEmpty) {
    open();
    form->ActionNext->trigger();
    form->ActionPrev->trigger();
    EXPECT_EQ(dialogs, 2);
    EXPECT_TRUE(dm->FileList.isEmpty());
    EXPECT_FALSE(form->Playing);
    dialogAnswer = {b, a};
    form->ActionNext->trigger();
    EXPECT_EQ(form->ItemIndex, 0);
    ASSERT_TRUE(waitLabel(R"(1\. b\.txt( \( 2 \))?)"));
}

TEST_F(PlaybackTest, AnUnreadableEntryShowsTheErrorAndStopsCleanly) {
    open();
    dm->FileList = {app.file("missing.txt")};
    form->LabelFileName->setText(QStringLiteral("before"));
    form->ActionPlay->trigger();
    ASSERT_TRUE(waitFor([&] { return !errors.isEmpty(); }));
    EXPECT_TRUE(errors[0].contains("missing.txt")) << errors[0].toStdString();
    EXPECT_EQ(label(), "before");
    EXPECT_TRUE(form->Playing);
}

// An entry whose read ends while the window goes (closed, or Converter Mode)
// arrives while the character is being unloaded: the window takes nothing
// of it any more, neither a label nor an error box.
TEST_F(PlaybackTest, AReadEndingWhileTheWindowGoesIsDropped) {
    open();
    form->JQChar->SetVisible(true);
    form->JQChar->Show();
    dm->FileList = {app.file("missing.txt")};
    form->ActionPlay->trigger();
    // The read is done, its result waiting in the queue, when the window goes.
    ASSERT_TRUE(QThreadPool::globalInstance()->waitForDone(20000));
    delete form.data();
    waitFor([] { return false; }, 100);
    EXPECT_TRUE(errors.isEmpty()) << errors.join(" | ").toStdString();
}

// Show/Hide Character while an entry is read: the character's show and hide
// requests would wait in its queue behind the whole entry, and the handler
// with them (Converter Mode and the program's end waiting too). The size
// changes at once instead, and the reading goes on.
TEST_F(PlaybackTest, ShowHideCharacterDuringAReadingReturnsAtOnce) {
    Settings.Char1Visible = true;
    open();
    const QString words = QStringLiteral("word ").repeated(2000);
    dm->FileList = {writeText("long.txt", words.toUtf8())};
    form->ActionPlay->trigger();
    ASSERT_TRUE(waitFor([&] { return form->LabelNumber->text() >= "0002"; }, 20000));
    // Should the handler wait for the speech, the speech is stopped after
    // a while, so the test ends.
    bool returned = false;
    QTimer::singleShot(15000, form.data(), [&] {
        if (!returned)
            form->JQChar->Stop();
    });
    const QSize shown(form->JQChar->Width(), form->JQChar->Height());
    ASSERT_GT(shown.width(), 0);
    form->ActionChar1Visible->trigger();
    EXPECT_FALSE(Settings.Char1Visible);
    EXPECT_EQ(form->JQChar->Width(), 0);
    form->ActionChar1Visible->trigger();
    returned = true;
    EXPECT_TRUE(Settings.Char1Visible);
    EXPECT_EQ(QSize(form->JQChar->Width(), form->JQChar->Height()), shown);
    EXPECT_TRUE(form->JQChar->Character()->Visible());
    // Still reading the entry, and on from where it was.
    const QString reached = form->LabelNumber->text();
    EXPECT_TRUE(form->JQChar->SpeakingNow().token != 0) << "the handler waited for the speech";
    EXPECT_TRUE(waitFor([&] { return form->LabelNumber->text() > reached; }, 20000));
    EXPECT_TRUE(label().startsWith("1. long.txt")) << label().toStdString();
    form->ActionStop->trigger();
}

TEST_F(PlaybackTest, ABinaryFileIsReadWithoutHarm) {
    open();
    QByteArray bytes;
    for (int i = 0; i < 3000; ++i)
        bytes.append(char((i * 37 + 11) % 256));
    bytes.replace('\\', "\\\\Spd=1\\");
    dm->FileList = {writeText("blob.bin", bytes), b};
    form->ActionPlay->trigger();
    ASSERT_TRUE(waitLabel(R"(1\. blob\.bin( \( \d+ \))?)"));
    form->ActionNext->trigger();
    ASSERT_TRUE(waitLabel(R"(2\. b\.txt( \( 2 \))?)"));
    EXPECT_TRUE(errors.isEmpty()) << errors.join(" | ").toStdString();
}

TEST_F(PlaybackTest, ShuffleAndRepeatToggleTheirSettings) {
    open();
    const bool shuffle = Settings.Shuffle;
    const bool repeat = Settings.Repeat1;
    form->ActionShuffle->trigger();
    form->ActionRepeat1->trigger();
    EXPECT_EQ(Settings.Shuffle, !shuffle);
    EXPECT_EQ(Settings.Repeat1, !repeat);
    EXPECT_EQ(form->ActionShuffle->isChecked(), Settings.Shuffle);
    EXPECT_EQ(form->ActionRepeat1->isChecked(), Settings.Repeat1);
}

QAction* CheckedItem(QMenu* menu) {
    for (QAction* item : menu->actions())
        if (item->isChecked())
            return item;
    return nullptr;
}

TEST_F(PlaybackTest, CharacterAndToneMenus) {
    open();
    const QList<QAction*> characters = form->Characters1->actions();
    ASSERT_EQ(characters.size(), 1);
    EXPECT_EQ(characters[0]->text(), "James");
    EXPECT_EQ(CheckedItem(form->Characters1), characters[0]);

    const QList<QAction*> tones = form->Tones1->actions();
    const int modes = static_cast<int>(ToneNames.size());
    ASSERT_EQ(tones.size(), modes + 2);
    EXPECT_TRUE(tones[modes]->isSeparator());
    EXPECT_EQ(tones[modes + 1]->text(), "Default Tone of Current Character");
    EXPECT_EQ(CheckedItem(form->Tones1), tones[modes + 1]);

    if (modes > 0) {
        tones[0]->trigger();
        EXPECT_EQ(Settings.Tone, 0);
        EXPECT_EQ(label(), "New Voice");
        EXPECT_EQ(CheckedItem(form->Tones1), tones[0]);
    }
    // A new character resets the voice to its own.
    characters[0]->trigger();
    EXPECT_EQ(Settings.Tone, -1);
    EXPECT_EQ(CheckedItem(form->Tones1), tones[modes + 1]);
    EXPECT_EQ(label(), "New Character");
    EXPECT_EQ(Settings.Char1, "James");
    EXPECT_TRUE(form->JQChar->Visible());
    EXPECT_EQ(form->JQChar->BookmarkCount(), 9); // My name is James. Thank you for selecting me.
}

TEST_F(PlaybackTest, SkinsMenuListsTheInstalledSkinsAndAppliesTheChoice) {
    QDir().mkpath(app.file("skins/SECOND"));
    QDir(app.path()).mkpath(QStringLiteral("skins/.hidden"));
    open();
    QStringList captions;
    for (QAction* item : form->Skins1->actions())
        captions << item->text();
    captions.sort();
    EXPECT_EQ(captions, (QStringList{"Second", "Topaz"}));
    ASSERT_NE(CheckedItem(form->Skins1), nullptr);
    EXPECT_EQ(CheckedItem(form->Skins1)->text(), "Topaz");
    for (QAction* item : form->Skins1->actions())
        if (item->text() == "Second")
            item->trigger();
    EXPECT_EQ(Settings.Skin, "Second");
    EXPECT_EQ(CheckedItem(form->Skins1)->text(), "Second");
    EXPECT_TRUE(errors.isEmpty());
}

TEST_F(PlaybackTest, Char1InTheWrongCaseChecksNoCharacter) {
    Settings.Char1 = QStringLiteral("james");
    open();
    // The character loads, but the menu compares captions exactly.
    EXPECT_EQ(CheckedItem(form->Characters1), nullptr);
    EXPECT_EQ(form->Characters1->actions().value(0)->text(), "James");
}

TEST_F(PlaybackTest, SpeedBarAtItsRightEndStores250AndVolumeBarSetsTheOutput) {
    Settings.Spd = 150;
    open();
    TJQTrackBar* bar = form->SpeedBar;
    const QPoint end(bar->width() - 1, bar->height() / 2);
    QTest::mousePress(bar, Qt::LeftButton, {}, QPoint(2, bar->height() / 2));
    QTest::mouseMove(bar, end);
    QTest::mouseRelease(bar, Qt::LeftButton, {}, end);
    EXPECT_EQ(bar->Position(), 250);
    EXPECT_EQ(Settings.Spd, 250);
    EXPECT_EQ(form->JQChar->Speed, 250);

    form->VolumeBar->setPosition(30000);
    EXPECT_EQ(GetWaveVolume(), 30000);
    EXPECT_EQ(form->JQChar->Volume, Settings.Vol) << "the bar leaves the character's volume";
}

TEST_F(PlaybackTest, OptionsCartoonPageActsOnTheRunningCharacter) {
    open();
    TFormOption dialog;
    dialog.FormShow();
    dialog.TrackBarPit->setValue(230);
    EXPECT_EQ(form->JQChar->Pitch, 230);
    dialog.ComboBoxTypeChange(2); // as the user's choice of "Whisper" runs it
    EXPECT_EQ(form->JQChar->VoiceType, "Whisper");
    form->JQChar->SetVisible(true);
    dialog.SpinEditWidth->setValue(90);
    dialog.SpinEditHeight->setValue(70);
    EXPECT_EQ(form->JQChar->Width(), 90);
    EXPECT_EQ(form->JQChar->Height(), 70);
    // Stored back at the window's end.
    delete form.data();
    EXPECT_EQ(Settings.Pit, 230);
    EXPECT_EQ(Settings.VoiceType, "Whisper");
    EXPECT_EQ(Settings.Width, 90);
}

} // namespace
