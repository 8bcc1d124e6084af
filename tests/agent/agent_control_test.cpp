// The control as the character controller uses it: loading, requests and
// their statuses, speech with bookmarks, the windows on the offscreen
// platform.
#include "agent/agent_control.h"
#include "agent/character_player.h"
#include "agent/character_voice.h"
#include "agent/character_window.h"
#include "agent/sound_effects.h"
#include "agent_test_character.h"
#include "base/kalo_error.h"
#include "speech/tts_enum.h"
#include "support/test_support.h"

#include <QElapsedTimer>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

#include <set>

namespace kalo {
namespace {

using test::waitFor;

bool finished(const RequestPtr& r) {
    return r->Status() == kRequestComplete || r->Status() == kRequestFailed ||
           r->Status() == kRequestInterrupted;
}

class AgentControl : public ::testing::Test {
protected:
    void SetUp() override {
        agent.SetSilentForTests(true);
        path = test::WriteTestCharacter(dir.path());
        agent.Load(QStringLiteral("Testy"), path);
        c = agent.Character(QStringLiteral("Testy"));
        c->SetIdleOn(false);
        c->SetLeft(100);
        c->SetTop(200);
    }

    test::ScratchAppFolder dir;
    TAgent agent;
    QString path;
    TAgentCharacter* c = nullptr;
};

TEST_F(AgentControl, LoadsTheFileAndRefusesBadOnes) {
    EXPECT_EQ(c->Width(), test::kTestWidth);
    EXPECT_EQ(c->Height(), test::kTestHeight);
    EXPECT_EQ(c->AnimationNames(),
              (QStringList{"RestPose", "Show", "Hide", "Greet", "Loop", "Branchy", "SelfExit",
                           "Speaking", "Idle1", "Idle2", "ReturnTest", "Lean"}));
    EXPECT_EQ(c->Name(), QStringLiteral("Testy"));
    EXPECT_FALSE(c->Visible());

    try {
        agent.Load(QStringLiteral("Gone"), dir.file(QStringLiteral("Missing.acs")));
        FAIL() << "a missing file loaded";
    } catch (const KaloError& e) {
        EXPECT_TRUE(e.message().contains(QStringLiteral("Missing.acs")))
            << e.message().toStdString();
    }
    dir.write(QStringLiteral("Junk.acs"), QByteArray("not a character at all"));
    EXPECT_THROW(agent.Load(QStringLiteral("Junk"), dir.file(QStringLiteral("Junk.acs"))),
                 KaloError);
    EXPECT_THROW(agent.Load(QStringLiteral("Testy"), path), KaloError); // the id is taken
    EXPECT_THROW(agent.Character(QStringLiteral("Junk")), KaloError);
    EXPECT_EQ(agent.CharacterIds(), QStringList{QStringLiteral("Testy")});
    agent.Unload(QStringLiteral("Nobody")); // nothing happens
    agent.Unload(QStringLiteral("Testy"));
    EXPECT_THROW(agent.Character(QStringLiteral("Testy")), KaloError);
}

TEST_F(AgentControl, ACharacterCanTakeAnotherNameAndClicksCarryIt) {
    agent.Rename(QStringLiteral("Testy"), QStringLiteral("Other"));
    EXPECT_EQ(agent.Character(QStringLiteral("Other")), c);
    EXPECT_THROW(agent.Character(QStringLiteral("Testy")), KaloError);
    agent.Load(QStringLiteral("Testy"), path);
    EXPECT_THROW(agent.Rename(QStringLiteral("Other"), QStringLiteral("Testy")), KaloError);
    EXPECT_THROW(agent.Rename(QStringLiteral("Nobody"), QStringLiteral("Third")), KaloError);
    EXPECT_THROW(agent.Rename(QStringLiteral("Other"), QString()), KaloError);
    EXPECT_EQ(agent.CharacterIds(), (QStringList{"Other", "Testy"}));
    // The character's window reports clicks under the new name.
    QSignalSpy clicks(&agent, &TAgent::Click);
    ASSERT_TRUE(waitFor([&] { return finished(c->Show(true)); }));
    ASSERT_NE(c->Window(), nullptr);
    QTest::mouseClick(c->Window(), Qt::RightButton, {}, QPoint(20, 15));
    ASSERT_EQ(clicks.count(), 1);
    EXPECT_EQ(clicks.at(0).at(0).toString(), QStringLiteral("Other"));
}

// With no voice to speak with, a speech request fails when its turn comes,
// and the control says so with the request, once.
TEST_F(AgentControl, AFailedSpeechIsReportedWithItsRequest) {
    agent.SetVoicelessForTests(true);
    agent.Load(QStringLiteral("Mute"), path);
    TAgentCharacter* mute = agent.Character(QStringLiteral("Mute"));
    std::vector<std::pair<QString, RequestPtr>> failed;
    QObject::connect(&agent, &TAgent::RequestFailed, &agent,
                     [&](const QString& id, const RequestPtr& r) { failed.emplace_back(id, r); });
    RequestPtr wave = mute->Play(QStringLiteral("Greet"));
    RequestPtr speak = mute->Speak(QStringLiteral("Hello\\Mrk=1\\ "), {});
    ASSERT_TRUE(waitFor([&] { return finished(speak); }, 5000));
    EXPECT_EQ(wave->Status(), kRequestComplete);
    EXPECT_EQ(speak->Status(), kRequestFailed);
    EXPECT_FALSE(speak->Description().isEmpty());
    ASSERT_EQ(failed.size(), 1u);
    EXPECT_EQ(failed[0].first, QStringLiteral("Mute"));
    EXPECT_EQ(failed[0].second, speak);
    // A character loaded with a voice speaks as before.
    RequestPtr spoken = c->Speak(QStringLiteral("Hi\\Mrk=1\\ "), {});
    ASSERT_TRUE(waitFor([&] { return finished(spoken); }, 20000));
    EXPECT_EQ(spoken->Status(), kRequestComplete);
    EXPECT_EQ(failed.size(), 1u);
}

TEST_F(AgentControl, RequestsRunInOrderWithTheirStatuses) {
    RequestPtr show = c->Show(false);
    RequestPtr greet = c->Play(QStringLiteral("greet"));
    RequestPtr missing = c->Play(QStringLiteral("NoSuchThing"));
    RequestPtr branchy = c->Play(QStringLiteral("Branchy"));
    EXPECT_EQ(show->Status(), kRequestInProgress);
    EXPECT_EQ(greet->Status(), kRequestPending);
    EXPECT_EQ(missing->Status(), kRequestFailed);
    EXPECT_FALSE(missing->Description().isEmpty());
    EXPECT_EQ(branchy->Status(), kRequestPending);
    EXPECT_FALSE(show->Finished());
    EXPECT_FALSE(greet->Finished()) << "a request waiting in the queue has not finished";
    EXPECT_TRUE(missing->Finished());
    EXPECT_TRUE(c->Visible());

    // Each request starts only when the one before it has ended.
    std::vector<QString> order;
    ASSERT_TRUE(waitFor(
        [&] {
            if (greet->Status() == kRequestInProgress && order.empty()) {
                EXPECT_EQ(show->Status(), kRequestComplete);
                EXPECT_EQ(branchy->Status(), kRequestPending);
                order.push_back(QStringLiteral("greet"));
            }
            if (branchy->Status() == kRequestInProgress && order.size() == 1) {
                EXPECT_EQ(greet->Status(), kRequestComplete);
                order.push_back(QStringLiteral("branchy"));
            }
            return branchy->Status() == kRequestComplete;
        },
        5000));
    EXPECT_EQ(order.size(), 2u);
    RequestPtr hide = c->Hide(false);
    ASSERT_TRUE(waitFor([&] { return finished(hide); }));
    EXPECT_EQ(hide->Status(), kRequestComplete);
    EXPECT_FALSE(c->Visible());
    EXPECT_EQ(c->CurrentAnimation(), QString());
}

TEST_F(AgentControl, StopAllInterruptsAndTheLoopLeavesByItsExits) {
    ASSERT_TRUE(waitFor([&] { return finished(c->Show(true)); }));
    RequestPtr loop = c->Play(QStringLiteral("Loop"));
    RequestPtr speak = c->Speak(QStringLiteral("never said"), {});
    RequestPtr greet = c->Play(QStringLiteral("Greet"));
    // The loop ends by its exits when requests wait behind it...
    ASSERT_TRUE(waitFor([&] { return loop->Status() == kRequestComplete; }, 3000));
    ASSERT_TRUE(waitFor([&] { return speak->Status() == kRequestInProgress; }, 3000));
    // ...and StopAll ends the speech in progress and what is queued.
    c->StopAll(QString());
    EXPECT_EQ(speak->Status(), kRequestInterrupted);
    EXPECT_EQ(greet->Status(), kRequestInterrupted);

    // Alone, a loop runs until stopped; typed stops leave other types alone.
    loop = c->Play(QStringLiteral("Loop"));
    ASSERT_TRUE(waitFor([&] { return loop->Status() == kRequestInProgress; }));
    QTest::qWait(200);
    EXPECT_EQ(loop->Status(), kRequestInProgress);
    c->StopAll(QStringLiteral("Speak"));
    EXPECT_EQ(loop->Status(), kRequestInProgress);
    RequestPtr after = c->Play(QStringLiteral("Greet"));
    c->StopAll(QStringLiteral("Play"));
    EXPECT_EQ(loop->Status(), kRequestInterrupted);
    EXPECT_EQ(after->Status(), kRequestInterrupted);
    // The stopped loop walks out by its exits; the next request follows.
    RequestPtr next = c->Play(QStringLiteral("Greet"));
    ASSERT_TRUE(waitFor([&] { return finished(next); }, 3000));
    EXPECT_EQ(next->Status(), kRequestComplete);
}

TEST_F(AgentControl, BookmarksArriveInOrderAndTheLastAtTheEnd) {
    QSignalSpy marks(&agent, &TAgent::Bookmark);
    ASSERT_TRUE(waitFor([&] { return finished(c->Show(true)); }));
    QElapsedTimer clock;
    std::vector<qint64> at;
    QObject::connect(&agent, &TAgent::Bookmark, &agent,
                     [&](qint32) { at.push_back(clock.elapsed()); });
    clock.start();
    RequestPtr r = c->Speak(QStringLiteral("\\Vol=65535\\\\Pit=100\\\\Spd=200\\One\\Mrk=1\\ two"
                                           "\\Mrk=2\\ three. Four\\Mrk=3\\ \\Mrk=4\\ "),
                            {});
    ASSERT_TRUE(waitFor([&] { return finished(r); }, 20000));
    const qint64 doneAt = clock.elapsed();
    EXPECT_EQ(r->Status(), kRequestComplete);
    ASSERT_EQ(marks.count(), 4);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(marks.at(i).at(0).toInt(), i + 1);
    // Timed to the audio: spread over the speech, the last at its end.
    EXPECT_GT(at[1] - at[0], 100);
    EXPECT_GT(at[2] - at[1], 100);
    EXPECT_LE(doneAt - at[3], 500); // generous: the machine may be busy
    EXPECT_GE(at[3], at[2]);
}

TEST_F(AgentControl, InvisibleAtZeroSizeStillSpeaks) {
    c->SetWidth(0);
    c->SetHeight(0);
    ASSERT_TRUE(waitFor([&] { return finished(c->Show(false)); }));
    QSignalSpy marks(&agent, &TAgent::Bookmark);
    RequestPtr r = c->Speak(QStringLiteral("Hi\\Mrk=1\\ there\\Mrk=2\\ "), {});
    ASSERT_TRUE(waitFor([&] { return finished(r); }, 20000));
    EXPECT_EQ(r->Status(), kRequestComplete);
    EXPECT_EQ(marks.count(), 2);
    EXPECT_TRUE(!c->Window() || !c->Window()->isVisible());
    EXPECT_TRUE(!c->BalloonWindow() || !c->BalloonWindow()->isVisible());
    // Back at its size it shows again.
    c->SetWidth(test::kTestWidth * 2);
    c->SetHeight(test::kTestHeight * 2);
    ASSERT_NE(c->Window(), nullptr);
    EXPECT_TRUE(c->Window()->isVisible());
    EXPECT_EQ(c->Window()->geometry(),
              QRect(100, 200, test::kTestWidth * 2, test::kTestHeight * 2));
}

TEST(DrawnSize, EachSideIsBoundByTheScreenOrTheFrameWhicheverIsLarger) {
    const QSize frame(128, 96), screen(1920, 1080);
    EXPECT_EQ(DrawnSize(QSize(256, 192), frame, screen), QSize(256, 192));
    EXPECT_EQ(DrawnSize(QSize(30000, 30000), frame, screen), QSize(1920, 1080));
    EXPECT_EQ(DrawnSize(QSize(32767, 50), frame, screen), QSize(1920, 50));
    EXPECT_EQ(DrawnSize(QSize(0, 50), frame, screen), QSize(0, 50));
    // A character larger than a small screen may still be drawn at its size.
    EXPECT_EQ(DrawnSize(QSize(30000, 30000), QSize(800, 900), QSize(640, 480)), QSize(800, 900));
    // Without a screen, four times the frame.
    EXPECT_EQ(DrawnSize(QSize(30000, 30000), frame, QSize()), QSize(512, 384));
}

// Width and Height are 16-bit numbers the user may type in: 30000 keeps its
// value but the character is drawn no larger than the screen.
TEST_F(AgentControl, AHugeSizeKeepsItsValueAndIsDrawnNoLargerThanTheScreen) {
    const QSize screen = QGuiApplication::primaryScreen()->geometry().size();
    c->SetWidth(20000); // a picture of 20000 x 40 is still cheap to test with
    c->SetHeight(40);
    ASSERT_TRUE(waitFor([&] { return finished(c->Show(true)); }));
    EXPECT_EQ(c->Width(), 20000);
    EXPECT_EQ(c->Height(), 40);
    ASSERT_NE(c->Window(), nullptr);
    EXPECT_EQ(c->Window()->geometry(), QRect(100, 200, screen.width(), 40));
    // the window is shaped to the picture at the drawn size
    EXPECT_TRUE(c->Window()->mask().boundingRect().right() < screen.width());
    EXPECT_TRUE(c->Window()->mask().contains(QPoint(screen.width() / 2, 20)));
}

TEST_F(AgentControl, WindowIsShapedAndTheBalloonShowsTheWords) {
    ASSERT_TRUE(waitFor([&] { return finished(c->Show(true)); }));
    QWidget* w = c->Window();
    ASSERT_NE(w, nullptr);
    EXPECT_TRUE(w->isVisible());
    EXPECT_TRUE(w->windowFlags() & Qt::FramelessWindowHint);
    EXPECT_TRUE(w->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_EQ(w->windowFlags() & Qt::WindowType_Mask, Qt::Tool);
    // Shaped to the disc: the centre is in, the corners are out.
    EXPECT_TRUE(w->mask().contains(QPoint(test::kTestWidth / 2, test::kTestHeight / 2)));
    EXPECT_FALSE(w->mask().contains(QPoint(0, 0)));
    EXPECT_FALSE(w->mask().contains(QPoint(test::kTestWidth - 1, test::kTestHeight - 1)));

    RequestPtr r = c->Speak(QStringLiteral("Hello there balloon"), {});
    ASSERT_TRUE(
        waitFor([&] { return c->BalloonWindow() && c->BalloonWindow()->isVisible(); }, 10000));
    const QRect b = c->BalloonWindow()->geometry();
    EXPECT_LE(b.bottom(), 200); // above the character
    ASSERT_TRUE(waitFor([&] { return finished(r); }, 20000));
    // It lingers a moment after the speech, then goes.
    EXPECT_TRUE(c->BalloonWindow()->isVisible());
    EXPECT_TRUE(waitFor([&] { return !c->BalloonWindow()->isVisible(); }, 5000));

    // A balloon text mapped to nothing shows nothing.
    r = c->Speak(QStringLiteral("\\Map=\"quiet words\"=\"\"\\"), {});
    ASSERT_TRUE(waitFor([&] { return finished(r); }, 20000));
    EXPECT_FALSE(c->BalloonWindow()->isVisible());
}

TEST_F(AgentControl, FrameSoundsFollowSoundEffectsOn) {
    ASSERT_TRUE(waitFor([&] { return finished(c->Show(true)); }));
    EXPECT_TRUE(c->SoundEffectsOn());
    RequestPtr r = c->Play(QStringLiteral("Greet")); // its second frame has a sound
    ASSERT_TRUE(waitFor([&] { return finished(r); }));
    EXPECT_TRUE(waitFor([&] { return c->SoundEffectsPlayed() == 1; }, 3000));
    c->SetSoundEffectsOn(false);
    EXPECT_FALSE(c->SoundEffectsOn());
    r = c->Play(QStringLiteral("Greet"));
    ASSERT_TRUE(waitFor([&] { return finished(r); }));
    QTest::qWait(300);
    EXPECT_EQ(c->SoundEffectsPlayed(), 1);
}

// A sound plays at most four seconds: they are cut from the sound before it
// is brought to the playing rate, so a long sound at a low rate costs no
// more than four seconds; a rate no sound has is not played at all.
TEST(SoundEffects, FourSecondsAreCutBeforeTheRateChanges) {
    std::vector<qint16> long8k(8000 * 600); // ten minutes at 8 kHz
    for (size_t i = 0; i < long8k.size(); ++i)
        long8k[i] = qint16(i % 8000); // a ramp each second
    const std::vector<qint16> played = SoundEffects::Prepare(long8k, 8000);
    ASSERT_EQ(played.size(), size_t(SoundEffects::kRate) * 4);
    // The same as changing the rate of the first four seconds alone.
    const std::vector<qint16> first4s(long8k.begin(), long8k.begin() + 8000 * 4);
    EXPECT_EQ(played, Resample(first4s, 8000, SoundEffects::kRate));
    // Shorter sounds keep their length in time.
    EXPECT_EQ(SoundEffects::Prepare(std::vector<qint16>(11025, 5), 11025).size(), 22050u);
    EXPECT_TRUE(SoundEffects::Prepare(std::vector<qint16>(4, 5), 1).empty());
    EXPECT_TRUE(SoundEffects::Prepare(std::vector<qint16>(4, 5), 0).empty());

    SoundEffects effects(AudioDeviceKind::Null);
    effects.Play(std::vector<qint16>(10, 1000), 1);
    effects.Play(std::vector<qint16>(1000, 1000), 1000);
    QTest::qWait(200);
    EXPECT_EQ(effects.Started(), 0);
    effects.Play(std::vector<qint16>(2205, 1000), 22050);
    EXPECT_TRUE(waitFor([&] { return effects.Finished() == 1; }, 3000));
}

TEST_F(AgentControl, ModeChangeWhileSpeakingAppliesToTheNextSpeech) {
    ASSERT_TRUE(waitFor([&] { return finished(c->Show(true)); }));
    TTSEnum modes;
    RequestPtr first = c->Speak(QStringLiteral("The first text goes on to its end."), {});
    RequestPtr second = c->Speak(QStringLiteral("The second one in another voice."), {});
    ASSERT_TRUE(waitFor([&] { return first->Status() == kRequestInProgress; }));
    QTest::qWait(300);
    c->SetTTSModeID(GuidText(modes.AllModes().back().ModeID));
    ASSERT_TRUE(waitFor([&] { return finished(second); }, 30000));
    EXPECT_EQ(first->Status(), kRequestComplete);
    EXPECT_EQ(second->Status(), kRequestComplete);
}

TEST_F(AgentControl, BalloonStaysWhenTheFileSaysSoAndIsAbsentWithoutABlock) {
    acs::Character stays = test::MakeTestCharacter();
    stays.flags |= acs::kBalloonAutoHideDisabled;
    agent.Load(QStringLiteral("Stays"),
               test::WriteTestCharacter(dir.path(), stays, QStringLiteral("Stays")));
    acs::Character none = test::MakeTestCharacter();
    none.balloon.reset();
    none.flags &= ~quint32(acs::kBalloonEnabled);
    agent.Load(QStringLiteral("None"),
               test::WriteTestCharacter(dir.path(), none, QStringLiteral("None")));
    for (const char* id : {"Stays", "None"}) {
        TAgentCharacter* ch = agent.Character(QString::fromLatin1(id));
        ch->SetIdleOn(false);
        ASSERT_TRUE(waitFor([&] { return finished(ch->Show(true)); }));
        RequestPtr r = ch->Speak(QStringLiteral("Words for the balloon"), {});
        ASSERT_TRUE(waitFor([&] { return finished(r); }, 20000));
    }
    QTest::qWait(2000); // longer than a balloon lingers
    QWidget* b = agent.Character(QStringLiteral("Stays"))->BalloonWindow();
    ASSERT_NE(b, nullptr);
    EXPECT_TRUE(b->isVisible());
    EXPECT_EQ(agent.Character(QStringLiteral("None"))->BalloonWindow(), nullptr);
}

TEST_F(AgentControl, ClicksAndDragsReachTheCaller) {
    ASSERT_TRUE(waitFor([&] { return finished(c->Show(true)); }));
    QWidget* w = c->Window();
    ASSERT_NE(w, nullptr);
    QSignalSpy clicks(&agent, &TAgent::Click);
    const QPoint centre(test::kTestWidth / 2, test::kTestHeight / 2);
    QTest::mouseClick(w, Qt::RightButton, {}, centre);
    QTest::mouseClick(w, Qt::LeftButton, Qt::ShiftModifier, centre);
    ASSERT_EQ(clicks.count(), 2);
    EXPECT_EQ(clicks.at(0).at(0).toString(), QStringLiteral("Testy"));
    EXPECT_EQ(clicks.at(0).at(1).toInt(), 2);
    EXPECT_EQ(clicks.at(0).at(3).toInt(), w->mapToGlobal(centre).x());
    EXPECT_EQ(clicks.at(0).at(4).toInt(), w->mapToGlobal(centre).y());
    EXPECT_EQ(clicks.at(1).at(1).toInt(), 1);
    EXPECT_EQ(clicks.at(1).at(2).toInt(), 1); // shift

    // A drag moves the character and is no click.
    QTest::mousePress(w, Qt::LeftButton, {}, centre);
    QMouseEvent move(QEvent::MouseMove, QPointF(centre + QPoint(30, 20)),
                     QPointF(w->mapToGlobal(centre + QPoint(30, 20))), Qt::NoButton, Qt::LeftButton,
                     {});
    QCoreApplication::sendEvent(w, &move);
    QTest::mouseRelease(w, Qt::LeftButton, {}, centre + QPoint(30, 20));
    EXPECT_EQ(clicks.count(), 2);
    EXPECT_EQ(c->Left(), 130);
    EXPECT_EQ(c->Top(), 220);
}

TEST_F(AgentControl, SpeechModesAndTheCharactersOwnVoice) {
    TTSEnum modes;
    ASSERT_FALSE(modes.AllModes().empty());
    const QString own = c->TTSModeID();
    ASSERT_EQ(own.size(), 38);
    // The test character is an American English man.
    const TTSModeInfo* picked = nullptr;
    for (const TTSModeInfo& m : modes.AllModes())
        if (GuidText(m.ModeID) == own)
            picked = &m;
    ASSERT_NE(picked, nullptr);
    EXPECT_EQ(picked->Language, QStringLiteral("en-us"));
    EXPECT_EQ(picked->Gender, GENDER_MALE);

    EXPECT_THROW(c->SetTTSModeID(QStringLiteral("{00000000-0000-0000-0000-000000000001}")),
                 KaloError);
    EXPECT_THROW(c->SetTTSModeID(QStringLiteral("nonsense")), KaloError);
    EXPECT_EQ(c->TTSModeID(), own);
    const QString other = GuidText(modes.AllModes().back().ModeID);
    c->SetTTSModeID(other.toLower());
    EXPECT_EQ(c->TTSModeID(), other);
    c->SetLanguageID(9); // a chosen mode stays
    EXPECT_EQ(c->TTSModeID(), other);
    ASSERT_TRUE(waitFor([&] { return finished(c->Show(true)); }));
    RequestPtr r = c->Speak(QStringLiteral("ok"), {});
    ASSERT_TRUE(waitFor([&] { return finished(r); }, 20000));
    EXPECT_EQ(r->Status(), kRequestComplete);
}

TEST_F(AgentControl, IdlesWhenNothingIsQueued) {
    ASSERT_TRUE(waitFor([&] { return finished(c->Show(true)); }));
    c->SetIdleDelays(100, 100000, 200000);
    c->SetIdleOn(true);
    EXPECT_TRUE(waitFor([&] { return c->CurrentAnimation() == QStringLiteral("Idle1"); }, 3000));
    // A request ends the idling at once.
    RequestPtr r = c->Play(QStringLiteral("Greet"));
    ASSERT_TRUE(waitFor([&] { return finished(r); }, 3000));
    EXPECT_EQ(r->Status(), kRequestComplete);
}

TEST(BalloonPlacement, AboveOrBelowAndInsideTheScreen) {
    const QRect screen(0, 0, 1024, 768);
    bool below = true;
    // Above the character, centred on it, the tail's height included.
    QRect r = BalloonWindow::Placement({200, 50}, QRect(400, 300, 100, 120), screen, &below);
    EXPECT_FALSE(below);
    EXPECT_NEAR(r.center().x(), QRect(400, 300, 100, 120).center().x(), 1);
    EXPECT_EQ(r.bottom(), 299);
    EXPECT_GT(r.height(), 50);
    // No room above: below it.
    r = BalloonWindow::Placement({200, 50}, QRect(400, 10, 100, 120), screen, &below);
    EXPECT_TRUE(below);
    EXPECT_EQ(r.top(), 130);
    // At the screen's edges it stays on the screen.
    r = BalloonWindow::Placement({200, 50}, QRect(-40, 300, 100, 120), screen, &below);
    EXPECT_EQ(r.left(), 0);
    r = BalloonWindow::Placement({200, 50}, QRect(990, 300, 100, 120), screen, &below);
    EXPECT_EQ(r.right(), 1023);
}

TEST(BalloonWindowSize, FixedOrSizedToTheText) {
    acs::Balloon b;
    b.lines = 3;
    b.charsPerLine = 20;
    b.fontName = QStringLiteral("DejaVu Sans");
    BalloonStyle style = StyleFromCharacter(b);
    BalloonWindow fixed(style);
    style.sizeToText = true;
    BalloonWindow sized(style);
    fixed.SetText(QStringLiteral("Hi"));
    sized.SetText(QStringLiteral("Hi"));
    EXPECT_LT(sized.BalloonSize().width(), fixed.BalloonSize().width());
    EXPECT_LT(sized.BalloonSize().height(), fixed.BalloonSize().height());
    // A long text fills the balloon either way.
    const QString text = QStringLiteral("many words that take more than a single page of lines "
                                        "in this rather small balloon of twenty characters");
    fixed.SetText(text);
    sized.SetText(text);
    EXPECT_EQ(sized.BalloonSize(), fixed.BalloonSize());
}

TEST(BalloonWindowSize, WideLettersStayInsideTheBalloon) {
    acs::Balloon b;
    b.lines = 2;
    b.charsPerLine = 24;
    b.fontName = QStringLiteral("DejaVu Sans");
    const BalloonStyle style = StyleFromCharacter(b);
    const QFontMetrics fm(style.font);
    const int lineWidth = fm.averageCharWidth() * b.charsPerLine;
    BalloonWindow balloon(style);
    const QString shouted = QStringLiteral("WHY DOES THE WOMBAT WANDER WESTWARD WHEN MOMMA "
                                           "WARNS HIM ABOUT WILD WOLVES AND WEASELS");
    balloon.SetText(shouted);
    for (qsizetype at = 0; at <= shouted.size(); at += 5) {
        balloon.Reveal(at, QRect(400, 400, 100, 100));
        for (const QString& line : balloon.ShownLines())
            EXPECT_LE(fm.horizontalAdvance(line), lineWidth) << line.toStdString();
    }
    EXPECT_TRUE(balloon.ShownLines().last().endsWith("WEASELS"));
    // The balloon keeps its width, whatever the letters.
    EXPECT_EQ(balloon.BalloonSize().width(), BalloonWindow(style).BalloonSize().width());
}

// --- the player without windows

class Player : public ::testing::Test {
protected:
    std::shared_ptr<const acs::Character> character =
        std::make_shared<const acs::Character>(test::MakeTestCharacter());
    CharacterPlayer player{character};
    std::vector<QString> pictures; // animation name of every picture change

    void SetUp() override {
        player.SetIdleOn(false);
        QObject::connect(&player, &CharacterPlayer::PictureChanged, &player, [this] {
            const int a = player.PictureAnimation();
            const QString name = a >= 0 ? character->animations[size_t(a)].name : QString();
            if (pictures.empty() || pictures.back() != name)
                pictures.push_back(name);
        });
    }
};

TEST_F(Player, ShowAndHidePlayTheirStatesAndReturnsComeBeforeTheNext) {
    RequestPtr show = player.Show(false);
    RequestPtr ret = player.Play(QStringLiteral("ReturnTest"));
    RequestPtr loop = player.Play(QStringLiteral("Loop"));
    RequestPtr hide = player.Hide(false);
    ASSERT_TRUE(waitFor([&] { return finished(hide); }, 5000));
    EXPECT_EQ(loop->Status(), kRequestComplete);
    // ReturnTest returns through Greet before Loop starts; the loop leaves
    // by its exits when Hide waits.
    EXPECT_EQ(pictures, (std::vector<QString>{"Show", "ReturnTest", "Greet", "Loop", "Hide"}));
    EXPECT_FALSE(player.Visible());
    EXPECT_EQ(player.PictureAnimation(), -1);
}

TEST_F(Player, ExitBranchesReturnBeforeTheNextAnimation) {
    std::vector<QString> frames;
    QObject::connect(&player, &CharacterPlayer::PictureChanged, &player, [&] {
        const int a = player.PictureAnimation();
        frames.push_back(character->animations[size_t(a)].name +
                         QString::number(player.PictureFrame()));
    });
    player.Show(true);
    RequestPtr lean = player.Play(QStringLiteral("Lean"));
    ASSERT_TRUE(waitFor([&] { return finished(lean); }));
    // Played to its end, it stays there until the next animation...
    EXPECT_EQ(frames, (std::vector<QString>{"RestPose0", "Lean0", "Lean1"}));
    RequestPtr greet = player.Play(QStringLiteral("Greet"));
    ASSERT_TRUE(waitFor([&] { return finished(greet); }));
    // ...which waits for the walk back by its exits: frame 1 exits to 0.
    EXPECT_EQ(frames, (std::vector<QString>{"RestPose0", "Lean0", "Lean1", "Lean0", "Greet0",
                                            "Greet1", "Greet2"}));
}

TEST_F(Player, FastShowUsesTheRestPoseAndSpeakingFindsAMouth) {
    std::vector<int> sounds;
    QObject::connect(&player, &CharacterPlayer::FrameSound, &player,
                     [&](int i) { sounds.push_back(i); });
    RequestPtr show = player.Show(true);
    EXPECT_EQ(show->Status(), kRequestComplete);
    EXPECT_EQ(pictures, std::vector<QString>{"RestPose"});
    RequestPtr greet = player.Play(QStringLiteral("Greet"));
    ASSERT_TRUE(waitFor([&] { return finished(greet); }));
    EXPECT_EQ(sounds, std::vector<int>{0});
    // Greet's last frame has no mouth: speaking goes through the SPEAKING
    // state's animation to its frame with mouths. Without a voice the
    // speech itself fails.
    RequestPtr speak = player.Speak(QStringLiteral("hello"));
    ASSERT_TRUE(waitFor([&] { return finished(speak); }));
    EXPECT_EQ(speak->Status(), kRequestFailed);
    EXPECT_EQ(pictures.back(), QStringLiteral("Speaking"));
    EXPECT_EQ(player.PictureFrame(), 1);
}

TEST_F(Player, MouthFollowsTheSpeech) {
    auto modes = std::make_shared<TTSEnum>();
    CharacterVoice voice(modes, AudioDeviceKind::Null);
    voice.SetMode(modes->AllModes().front().ModeID);
    player.SetVoice(&voice);
    player.Show(true);
    std::set<int> mouths;
    int overlays = 0;
    QObject::connect(&player, &CharacterPlayer::PictureChanged, &player, [&] {
        if (player.Speaking())
            mouths.insert(player.MouthPicture());
        overlays += player.CurrentMouth() != nullptr;
    });
    RequestPtr r = player.Speak(QStringLiteral("Open wide, look around, whisper softly."));
    ASSERT_TRUE(waitFor([&] { return finished(r); }, 20000));
    EXPECT_EQ(r->Status(), kRequestComplete);
    EXPECT_GE(mouths.size(), 4u);
    EXPECT_GT(overlays, 5);
    EXPECT_EQ(player.CurrentMouth(), nullptr); // closed again after the speech
}

// A typed StopAll takes queued requests out of the middle of the queue,
// which moves the speech in progress to another place in it; the speech's
// word and end notifications must still read the balloon text it began with.
TEST_F(Player, ATypedStopAllWhileSpeakingLeavesTheSpeechItsText) {
    auto modes = std::make_shared<TTSEnum>();
    CharacterVoice voice(modes, AudioDeviceKind::Null);
    voice.SetMode(modes->AllModes().front().ModeID);
    player.SetVoice(&voice);
    player.Show(true);
    const QString text = QStringLiteral("Seven words are spoken here, and then more.");
    std::vector<qsizetype> reveals; // of the first speech, up to its end
    bool ended = false;
    QObject::connect(&player, &CharacterPlayer::BalloonReveal, &player, [&](qsizetype at) {
        if (!ended)
            reveals.push_back(at);
    });
    QObject::connect(&player, &CharacterPlayer::BalloonEnd, &player, [&] { ended = true; });
    RequestPtr speak = player.Speak(text);
    ASSERT_TRUE(waitFor([&] { return player.Speaking(); }, 5000));
    // Queued behind it: plays to be stopped, then speeches that stay.
    std::vector<RequestPtr> plays, later;
    for (int i = 0; i < 3; ++i)
        plays.push_back(player.Play(QStringLiteral("Greet")));
    for (int i = 0; i < 6; ++i)
        later.push_back(player.Speak(QStringLiteral("Then %1.").arg(i)));
    player.StopAll(QStringLiteral("Play"));
    for (const RequestPtr& p : plays)
        EXPECT_EQ(p->Status(), kRequestInterrupted);
    EXPECT_EQ(speak->Status(), kRequestInProgress);
    ASSERT_TRUE(waitFor([&] { return finished(speak); }, 20000));
    EXPECT_EQ(speak->Status(), kRequestComplete);
    // Every reveal of the first speech lies within its text, and its end
    // shows the whole of it.
    ASSERT_FALSE(reveals.empty());
    for (qsizetype at : reveals)
        EXPECT_LE(at, text.size());
    EXPECT_EQ(reveals.back(), text.size());
    player.StopAll(QString());
}

// An animation that ends on a pose with mouths and no time of its own (as
// a character's Read does): that last picture is shown, not skipped as an
// end marker, the animation ends at once, and the speech after it speaks
// in that pose with its mouths instead of going through SPEAKING.
TEST(PlayerLastFrame, AZeroTimePoseWithMouthsIsShownAndSpokenIn) {
    acs::Character c = test::MakeTestCharacter();
    acs::Frame pose = c.FindAnimation(QStringLiteral("RestPose"))->frames.front();
    pose.images = {{2, 0, 0}};
    pose.duration = 0;
    acs::Animation raise;
    raise.name = QStringLiteral("Raise");
    raise.frames.resize(1);
    raise.frames[0].images = {{1, 0, 0}};
    raise.frames[0].duration = 2;
    raise.frames.push_back(pose);
    c.animations.push_back(raise);
    auto character = std::make_shared<const acs::Character>(std::move(c));

    auto modes = std::make_shared<TTSEnum>();
    CharacterVoice voice(modes, AudioDeviceKind::Null);
    voice.SetMode(modes->AllModes().front().ModeID);
    CharacterPlayer player(character);
    player.SetIdleOn(false);
    player.SetVoice(&voice);
    player.Show(true);

    std::vector<QString> frames; // every picture change, with "+" while speaking
    int overlays = 0;
    QObject::connect(&player, &CharacterPlayer::PictureChanged, &player, [&] {
        const int a = player.PictureAnimation();
        frames.push_back(character->animations[size_t(a)].name +
                         QString::number(player.PictureFrame()) +
                         (player.Speaking() ? QStringLiteral("+") : QString()));
        overlays += player.CurrentMouth() != nullptr;
    });
    RequestPtr play = player.Play(QStringLiteral("Raise"));
    RequestPtr speak = player.Speak(QStringLiteral("Open wide, look around, whisper softly."));
    ASSERT_TRUE(waitFor([&] { return finished(speak); }, 20000));
    EXPECT_EQ(play->Status(), kRequestComplete);
    EXPECT_EQ(speak->Status(), kRequestComplete);
    ASSERT_GE(frames.size(), 4u);
    EXPECT_EQ(frames[0], QStringLiteral("Raise0"));
    EXPECT_EQ(frames[1], QStringLiteral("Raise1"));
    // The speech starts on the raised pose and stays there to its end.
    for (size_t i = 2; i + 1 < frames.size(); ++i)
        EXPECT_EQ(frames[i], QStringLiteral("Raise1+")) << i;
    EXPECT_EQ(frames.back(), QStringLiteral("Raise1"));
    EXPECT_GT(overlays, 3);
    EXPECT_EQ(player.PictureAnimation(), int(character->animations.size()) - 1);
}

TEST_F(Player, IdleLevelsRiseWithTheQuietAndFallBackToTheLevelsThereAre) {
    player.Show(true);
    player.SetIdleDelays(50, 400, 800);
    player.SetIdleOn(true);
    ASSERT_TRUE(waitFor([&] { return player.IdleLevel() == 1; }, 3000));
    EXPECT_EQ(pictures.back(), QStringLiteral("Idle1"));
    ASSERT_TRUE(waitFor([&] { return player.IdleLevel() == 2; }, 3000));
    ASSERT_TRUE(waitFor([&] { return pictures.back() == QStringLiteral("Idle2"); }, 3000));
    // Level 3 has no animations of its own: level 2 goes on.
    QTest::qWait(1000);
    EXPECT_EQ(player.IdleLevel(), 2);
    // A request starts the quiet over.
    RequestPtr r = player.Play(QStringLiteral("Greet"));
    EXPECT_EQ(player.IdleLevel(), 0);
    ASSERT_TRUE(waitFor([&] { return finished(r); }));
    EXPECT_EQ(r->Status(), kRequestComplete);
    // Hidden, the character does not idle.
    RequestPtr hide = player.Hide(true);
    ASSERT_TRUE(waitFor([&] { return finished(hide); }));
    pictures.clear();
    QTest::qWait(300);
    EXPECT_TRUE(pictures.empty());
}

TEST_F(Player, DestroyedPlayerEndsItsRequests) {
    RequestPtr loop;
    {
        CharacterPlayer p(character);
        p.Show(true);
        loop = p.Play(QStringLiteral("Loop"));
        EXPECT_EQ(loop->Status(), kRequestInProgress);
    }
    EXPECT_EQ(loop->Status(), kRequestInterrupted);
}

TEST(SoundEffects, PlaysOnTheNullDeviceAndStops) {
    SoundEffects fx(AudioDeviceKind::Null);
    std::vector<qint16> beep(1100, 1000);
    fx.Play(beep, 11025);
    ASSERT_TRUE(waitFor([&] { return fx.Finished() == 1; }, 3000));
    EXPECT_EQ(fx.Started(), 1);
    fx.Play(std::vector<qint16>(11025 * 3, 5), 11025);
    fx.Play(beep, 11025);
    fx.Play(beep, 11025); // a third one waiting is dropped
    fx.Stop();
    QTest::qWait(100);
    EXPECT_EQ(fx.Finished(), 3);
    EXPECT_EQ(Resample({0, 100}, 1, 2).size(), 4u);
    EXPECT_EQ(Resample({0, 100, 200, 300}, 2, 1), (std::vector<qint16>{0, 200}));
}

} // namespace
} // namespace kalo
