// The character controller driving the real Agent control with James, on the
// offscreen platform and the silent sound device.
#include "agent/jq_agent.h"

#include "base/kalo_error.h"
#include "base/work_area.h"
#include "speech/tts_enum.h"
#include "support/test_support.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include <memory>

namespace kalo {
namespace {

class JQChar : public ::testing::Test {
protected:
    void SetUp() override {
        CharsFolder = QStringLiteral(KALO_JAMES_ACS).section('/', 0, -2) + '/';
        InitAgent();
        Agent->SetSilentForTests(true);
    }
    void TearDown() override {
        character.reset();
        DoneAgent();
    }

    TJQChar& load() {
        character = std::make_unique<TJQChar>(CharsFolder + "James.acs");
        return *character;
    }

    // Records the bookmarks the control raises.
    std::vector<qint32> bookmarks;
    void listen() {
        QObject::connect(Agent, &TAgent::Bookmark, [this](qint32 id) { bookmarks.push_back(id); });
    }

    std::unique_ptr<TJQChar> character;
};

TEST_F(JQChar, InitAgentListsTheInstalledTonesAndConnects) {
    ASSERT_NE(Agent, nullptr);
    EXPECT_TRUE(Agent->Connected());
    ASSERT_FALSE(ToneNames.isEmpty());
    ASSERT_EQ(ToneNames.size(), ToneModeIds.size());
    TTSEnum modes;
    ASSERT_EQ(qsizetype(modes.AllModes().size()), ToneNames.size());
    for (qsizetype i = 0; i < ToneNames.size(); ++i) {
        EXPECT_EQ(ToneNames[i], modes.AllModes()[size_t(i)].ModeName);
        EXPECT_EQ(ToneModeIds[i], GuidText(modes.AllModes()[size_t(i)].ModeID));
        EXPECT_EQ(ToneModeIds[i].size(), 38);
        EXPECT_EQ(ToneModeIds[i], ToneModeIds[i].toUpper());
    }
    DoneAgent();
    EXPECT_EQ(Agent, nullptr);
    EXPECT_TRUE(ToneNames.isEmpty());
    EXPECT_TRUE(ToneModeIds.isEmpty());
}

TEST_F(JQChar, AFailingToneListStopsInitAgentBeforeTheControl) {
    DoneAgent();
    SetToneEnumeratorFactory(
        []() -> std::unique_ptr<ITTSEnumA> { throw KaloError("no speech engine"); });
    EXPECT_THROW(InitAgent(), KaloError);
    EXPECT_EQ(Agent, nullptr);
    EXPECT_TRUE(ToneNames.isEmpty());
    SetToneEnumeratorFactory({});
    InitAgent();
    EXPECT_NE(Agent, nullptr);
    EXPECT_FALSE(ToneNames.isEmpty());
}

TEST_F(JQChar, CreateLoadsTheCharacterInvisibleAtTheWorkAreaCorner) {
    TJQChar& c = load();
    ASSERT_NE(c.Character(), nullptr);
    EXPECT_EQ(c.CharacterID(), "James");
    EXPECT_EQ(Agent->CharacterIds(), QStringList{"James"});
    EXPECT_TRUE(c.AnimationNames().contains("Read"));
    EXPECT_TRUE(c.AnimationNames().contains("ReadReturn"));
    EXPECT_TRUE(c.AnimationNames().contains("Wave"));
    EXPECT_EQ(c.AnimationNames(), c.Character()->AnimationNames());
    // Shown, so it can speak, but at 0 by 0.
    EXPECT_FALSE(c.Visible());
    EXPECT_TRUE(c.Character()->Visible());
    EXPECT_EQ(c.Width(), 0);
    EXPECT_EQ(c.Height(), 0);
    EXPECT_EQ(c.Character()->Width(), 0);
    EXPECT_EQ(c.Character()->Height(), 0);
    EXPECT_EQ(c.SavedWidth(), 150);
    EXPECT_EQ(c.SavedHeight(), 187);
    EXPECT_EQ(c.Left(), WorkAreaRight());
    EXPECT_EQ(c.Top(), WorkAreaBottom());
    EXPECT_FALSE(c.DefaultTone().isEmpty());
    EXPECT_EQ(c.DefaultTone(), c.Character()->TTSModeID());
    EXPECT_EQ(c.Volume, 65535);
    EXPECT_EQ(c.Pitch, 50);
    EXPECT_EQ(c.Speed, 150);
    EXPECT_EQ(c.VoiceType, "Normal");
    EXPECT_TRUE(c.BalloonVisible);
    EXPECT_TRUE(c.AnimationOn);
    EXPECT_EQ(c.BookmarkCount(), 0);
}

TEST_F(JQChar, VisibilityIsBySizeAndRemembersTheFirstHiddenSize) {
    TJQChar& c = load();
    c.SetVisible(true);
    EXPECT_TRUE(c.Visible());
    EXPECT_EQ(c.Character()->Width(), 150);
    EXPECT_EQ(c.Character()->Height(), 187);
    c.SetWidth(200);
    c.SetHeight(250);
    EXPECT_EQ(c.Character()->Width(), 200);
    c.SetVisible(false);
    EXPECT_EQ(c.Character()->Width(), 0);
    EXPECT_EQ(c.Character()->Height(), 0);
    EXPECT_TRUE(c.Character()->Visible());
    c.SetVisible(false);
    EXPECT_EQ(c.SavedWidth(), 200);
    EXPECT_EQ(c.SavedHeight(), 250);
    c.SetVisible(true);
    EXPECT_EQ(c.Width(), 200);
    EXPECT_EQ(c.Character()->Height(), 250);
    c.SetLeft(10);
    c.SetTop(-20);
    EXPECT_EQ(c.Left(), 10);
    EXPECT_EQ(c.Top(), -20);
}

// The size the character has when shown: set while it is hidden, it is only
// remembered, and showing applies it.
TEST_F(JQChar, TheShownSizeWaitsWhileHiddenAndAppliesWhenShown) {
    TJQChar& c = load();
    EXPECT_EQ(c.ShownWidth(), 150);
    EXPECT_EQ(c.ShownHeight(), 187);
    c.SetShownWidth(120);
    c.SetShownHeight(140);
    EXPECT_FALSE(c.Visible());
    EXPECT_EQ(c.Width(), 0);
    EXPECT_EQ(c.Character()->Width(), 0);
    EXPECT_EQ(c.Character()->Height(), 0);
    EXPECT_EQ(c.ShownWidth(), 120);
    // A size of nothing is no size to show at.
    c.SetShownWidth(0);
    EXPECT_EQ(c.ShownWidth(), 120);
    c.SetVisible(true);
    EXPECT_EQ(c.Character()->Width(), 120);
    EXPECT_EQ(c.Character()->Height(), 140);
    // Shown, it takes the size at once.
    c.SetShownWidth(90);
    EXPECT_EQ(c.Width(), 90);
    EXPECT_EQ(c.Character()->Width(), 90);
    EXPECT_EQ(c.ShownWidth(), 90);
    c.SetVisible(false);
    EXPECT_EQ(c.ShownWidth(), 90);
    EXPECT_EQ(c.ShownHeight(), 140);
}

TEST_F(JQChar, HidingKeepsTheSoundEffectsSetting) {
    TJQChar& c = load();
    for (bool on : {true, false}) {
        c.SetSoundEffectsOn(on);
        c.SetVisible(true);
        c.SetVisible(false);
        EXPECT_EQ(c.SoundEffectsOn(), on);
        EXPECT_EQ(c.Character()->SoundEffectsOn(), on);
    }
}

TEST_F(JQChar, ShowAndHideWaitForTheControl) {
    TJQChar& c = load();
    c.Hide();
    EXPECT_FALSE(c.Character()->Visible());
    c.Show();
    EXPECT_TRUE(c.Character()->Visible());
}

// A show or hide queued behind a text being spoken would keep whoever waits
// for it (a window's handler) until the text ends: it is not waited for then,
// and goes in its turn. A hide that was waited for while a text was queued
// behind it, and the quiet show at 0 by 0 after it, come back at once too.
TEST_F(JQChar, AShowOrHideBehindASpeechIsNotWaitedFor) {
    TJQChar& c = load();
    c.SetVisible(true);
    c.Show();
    const QString text = QStringLiteral("word ").repeated(400);
    bool stopped = false;
    // Should a wait hold on, the speech ends after a while: the test fails
    // instead of taking minutes.
    QObject alive;
    QTimer::singleShot(15000, &alive, [&] {
        if (c.Speaking()) {
            stopped = true;
            c.Stop();
        }
    });
    // The text comes while the hide is under way (from a handler run by the
    // wait, as a Play pressed meanwhile would).
    QTimer::singleShot(0, &alive, [&] { c.Speak(text, true); });
    c.Hide();
    EXPECT_FALSE(c.Character()->Visible());
    ASSERT_TRUE(c.Speaking());
    c.SetVisible(false);
    EXPECT_TRUE(c.Speaking()) << "SetVisible waited for the speech";
    c.Show();
    EXPECT_TRUE(c.Speaking()) << "Show waited for the speech";
    c.Hide();
    EXPECT_TRUE(c.Speaking()) << "Hide waited for the speech";
    EXPECT_FALSE(stopped);
    // Stop drops them with the text.
    c.Stop();
    EXPECT_FALSE(c.Speaking());
    EXPECT_FALSE(c.Character()->Visible());
}

TEST_F(JQChar, SpeakTagsTheTextAndTheBookmarksComeBackInOrder) {
    TJQChar& c = load();
    listen();
    c.Speak(" Hello big world ", false);
    EXPECT_EQ(c.BookmarkCount(), 3);
    EXPECT_EQ(bookmarks, (std::vector<qint32>{1, 2, 3}));

    // A typed tag in the text is spoken, not obeyed.
    bookmarks.clear();
    c.BalloonVisible = false;
    c.VoiceType = "Whisper";
    c.Speak("say \\Mrk=99\\ now", false);
    EXPECT_EQ(c.BookmarkCount(), 3);
    EXPECT_EQ(bookmarks, (std::vector<qint32>{1, 2, 3}));
}

TEST_F(JQChar, EveryBookmarkIsTracedToTheTextThatPlacedIt) {
    TJQChar& c = load();
    c.Speed = 250;
    struct Seen {
        int token, bookmark, count;
        bool operator==(const Seen&) const = default;
    };
    std::vector<Seen> seen;
    QObject::connect(Agent, &TAgent::Bookmark, [&](qint32 id) {
        const TJQChar::SpokenText now = c.SpeakingNow();
        seen.push_back({now.token, id, now.bookmarkCount});
    });
    const int first = c.Speak("one two three four five six", true);
    const int second = c.Speak("seven eight", true);
    EXPECT_NE(first, 0);
    EXPECT_NE(second, first);
    // The last text's count, as ever; the queued second text does not
    // change what the first one's bookmarks are matched with.
    EXPECT_EQ(c.BookmarkCount(), 2);
    EXPECT_TRUE(c.Pending(first));
    EXPECT_TRUE(c.Pending(second));
    ASSERT_TRUE(test::waitFor([&] { return !c.Pending(second); }, 30000));
    const std::vector<Seen> expected{{first, 1, 6}, {first, 2, 6}, {first, 3, 6},  {first, 4, 6},
                                     {first, 5, 6}, {first, 6, 6}, {second, 1, 2}, {second, 2, 2}};
    EXPECT_TRUE(seen == expected);
    EXPECT_FALSE(c.Pending(first));
    EXPECT_EQ(c.SpeakingNow().token, 0);

    // Stopped texts and those of an unloaded character are over.
    const int third = c.Speak("nine ten", true);
    c.Stop();
    EXPECT_FALSE(c.Pending(third));
    const int fourth = c.Speak("eleven twelve", true);
    c.LoadCharacter(CharsFolder + "James.acs");
    EXPECT_FALSE(c.Pending(fourth));
    EXPECT_GT(c.Speak("thirteen", true), fourth);
}

TEST_F(JQChar, PlayAnimationIgnoresCaseAndUnknownNames) {
    TJQChar& c = load();
    c.SetVisible(true);
    c.PlayAnimation("wave");
    EXPECT_TRUE(test::waitFor([&] { return c.Character()->CurrentAnimation() == "Wave"; }));
    c.Stop();
    EXPECT_NO_THROW(c.PlayAnimation("Dance"));
    c.AnimationOn = false;
    c.PlayAnimation("Blink");
    EXPECT_FALSE(test::waitFor([&] { return c.Character()->CurrentAnimation() == "Blink"; }, 400));
}

TEST_F(JQChar, ReadSpeaksBetweenTheReadingAnimations) {
    TJQChar& c = load();
    c.SetVisible(true);
    listen();
    QStringList seen;
    auto watch = [&] {
        const QString a = c.Character()->CurrentAnimation();
        if (!a.isEmpty() && (seen.isEmpty() || seen.back() != a))
            seen << a;
        return !bookmarks.empty() && bookmarks.back() == 2;
    };
    c.Read("two words");
    ASSERT_TRUE(test::waitFor(watch, 15000));
    EXPECT_TRUE(test::waitFor([&] {
        watch();
        return seen.contains("ReadReturn");
    }));
    ASSERT_TRUE(seen.contains("Read"));
    EXPECT_LT(seen.indexOf("Read"), seen.indexOf("ReadReturn"));

    // Without animations Read only speaks.
    c.Character()->Play("RestPose");
    ASSERT_TRUE(test::waitFor([&] { return c.Character()->CurrentAnimation() == "RestPose"; }));
    seen.clear();
    bookmarks.clear();
    c.AnimationOn = false;
    c.Read("two words");
    ASSERT_TRUE(test::waitFor(watch, 15000));
    EXPECT_FALSE(seen.contains("Read"));
    EXPECT_FALSE(seen.contains("ReadReturn"));
}

TEST_F(JQChar, GreetWavesAndSpeaksTheGreetingOfTheHour) {
    TJQChar& c = load();
    c.SetVisible(true);
    c.SetClock([] { return QTime(18, 0); });
    listen();
    c.Greet();
    EXPECT_EQ(c.BookmarkCount(), 4); // Good Evening! I'm ready.
    EXPECT_TRUE(test::waitFor([&] { return c.Character()->CurrentAnimation() == "Wave"; }));
    EXPECT_TRUE(test::waitFor([&] { return bookmarks == std::vector<qint32>{1, 2, 3, 4}; }, 15000));
}

TEST_F(JQChar, WaitForRequestEndsOnEveryFinalStatusAndRunsHandlers) {
    TJQChar& c = load();
    c.SetVisible(true);
    RequestPtr done = c.Character()->Play("Blink");
    WaitForRequest(done);
    EXPECT_EQ(done->Status(), kRequestComplete);
    RequestPtr failed = c.Character()->Play("NoSuchAnimation");
    WaitForRequest(failed);
    EXPECT_EQ(failed->Status(), kRequestFailed);
    // A handler run during the wait stops the speech it waits for.
    RequestPtr speech = c.Character()->Speak("a long text that would take a while to say", "");
    QTimer::singleShot(200, [&] { c.Stop(); });
    WaitForRequest(speech);
    EXPECT_EQ(speech->Status(), kRequestInterrupted);
    WaitForRequest(nullptr);
}

TEST_F(JQChar, SetToneSwallowsUnknownModes) {
    TJQChar& c = load();
    const QString before = c.Character()->TTSModeID();
    EXPECT_NO_THROW(c.SetTone("{00000000-0000-0000-0000-0000000000AB}"));
    EXPECT_NO_THROW(c.SetTone("not a mode"));
    EXPECT_EQ(c.Character()->TTSModeID(), before);
    ASSERT_GE(ToneModeIds.size(), 2);
    const QString other = ToneModeIds[0] == before ? ToneModeIds[1] : ToneModeIds[0];
    c.SetTone(other);
    EXPECT_EQ(c.Character()->TTSModeID(), other);
    c.SetTone(c.DefaultTone());
    EXPECT_EQ(c.Character()->TTSModeID(), before);
}

TEST_F(JQChar, LoadingReplacesTheCharacterAndAFailedLoadKeepsTheOneThere) {
    TJQChar& c = load();
    QTemporaryDir dir;
    ASSERT_TRUE(QFile::copy(CharsFolder + "James.acs", dir.filePath("Reader.two.acs")));
    c.LoadCharacter(dir.filePath("Reader.two.acs"));
    EXPECT_EQ(c.CharacterID(), "Reader.two");
    EXPECT_EQ(Agent->CharacterIds(), QStringList{"Reader.two"});
    EXPECT_FALSE(c.Visible());
    c.SetVisible(true);
    EXPECT_EQ(c.Character()->Width(), 150);
    c.SetLeft(30);

    // A file that is no character, and one that is not there: the running
    // character stays as it was, loaded, shown and able to speak.
    QFile bad(dir.filePath("Broken.acs"));
    ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
    bad.write("not a character");
    bad.close();
    for (const QString& path : {bad.fileName(), dir.filePath("Missing.acs")}) {
        EXPECT_THROW(c.LoadCharacter(path), KaloError) << path.toStdString();
        ASSERT_NE(c.Character(), nullptr);
        EXPECT_EQ(c.CharacterID(), "Reader.two");
        EXPECT_EQ(Agent->CharacterIds(), QStringList{"Reader.two"});
        EXPECT_TRUE(c.Visible());
        EXPECT_EQ(c.Width(), 150);
        EXPECT_EQ(c.Character()->Width(), 150);
        EXPECT_EQ(c.Left(), 30);
        EXPECT_NO_THROW(c.Speak("still here", true));
        c.Stop();
    }

    // The character that runs, chosen again, is loaded anew under its name.
    c.LoadCharacter(dir.filePath("Reader.two.acs"));
    EXPECT_EQ(c.CharacterID(), "Reader.two");
    EXPECT_EQ(Agent->CharacterIds(), QStringList{"Reader.two"});
    EXPECT_FALSE(c.Visible());
    EXPECT_NO_THROW(c.LoadCharacter(CharsFolder + "James.acs"));
    EXPECT_EQ(c.CharacterID(), "James");
    EXPECT_EQ(Agent->CharacterIds(), QStringList{"James"});

    EXPECT_NO_THROW(c.UnloadCharacter());
    EXPECT_EQ(c.Character(), nullptr);
    EXPECT_THROW(c.Speak("x", true), KaloError);
    EXPECT_THROW(TJQChar(dir.filePath("Missing.acs")), KaloError);
    EXPECT_TRUE(Agent->CharacterIds().isEmpty());
}

TEST_F(JQChar, DestroyingTheControllerUnloadsTheCharacter) {
    load();
    ASSERT_EQ(Agent->CharacterIds().size(), 1);
    character.reset();
    EXPECT_TRUE(Agent->CharacterIds().isEmpty());
}

TEST_F(JQChar, AControllerOutlivingTheControlIsHarmless) {
    TJQChar& c = load();
    DoneAgent();
    EXPECT_EQ(c.Character(), nullptr);
    EXPECT_THROW(c.Speak("x", true), KaloError);
    character.reset();
    InitAgent();
}

} // namespace
} // namespace kalo
