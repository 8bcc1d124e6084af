// TMSpeech as the converter uses it: engine list and selection, the
// component's fixed failures, speaking to the device and to WAV files,
// pause and stop, word positions, and what it hands out.
#include "fake_engine.h"
#include "speech_test_support.h"

#include "speech/mspeech.h"

#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

namespace kalo::test {
namespace {

struct Component {
    std::shared_ptr<FakeEngine> engine;
    std::unique_ptr<TMSpeech> speech;
    std::unique_ptr<QSignalSpy> starts, stops, errors;

    explicit Component(QStringList names = {QStringLiteral("Alpha"), QStringLiteral("Beta")})
        : engine(std::make_shared<FakeEngine>(names)) {
        auto e = engine;
        speech = std::make_unique<TMSpeech>(nullptr, [e] {
            return std::make_shared<TTSEnum>(std::vector<std::shared_ptr<ITTSEngine>>{e});
        });
        speech->DeviceKind = AudioDeviceKind::Null;
        starts = std::make_unique<QSignalSpy>(speech.get(), &TMSpeech::OnStart);
        stops = std::make_unique<QSignalSpy>(speech.get(), &TMSpeech::OnStop);
        errors = std::make_unique<QSignalSpy>(speech.get(), &TMSpeech::OnError);
    }
    QString message(const std::function<void()>& f) {
        try {
            f();
        } catch (const EMSpeechException& e) {
            return e.message();
        }
        return {};
    }
};

TEST(TMSpeech, ListsAndSelectsEnginesByNameFirstMatchIgnoringCase) {
    Component c({QStringLiteral("Alpha"), QStringLiteral("Twin"), QStringLiteral("Twin")});
    EXPECT_EQ(c.speech->EngineNames(), (QStringList{"Alpha", "Twin", "Twin"}));
    EXPECT_TRUE(c.speech->Initialized());
    EXPECT_FALSE(c.speech->Selected());
    TTSEnum modes({c.engine});
    c.speech->SelectEngine(QStringLiteral("tWIN"));
    ASSERT_TRUE(c.speech->Selected());
    EXPECT_EQ(c.speech->EngineInfo().ModeName, QStringLiteral("Twin"));
    EXPECT_EQ(c.speech->EngineInfo().ModeID,
              GuidText(modes.AllModes()[1].ModeID)); // the first twin
    EXPECT_EQ(c.speech->EngineInfo().Gender, QStringLiteral("FEMALE"));
    EXPECT_EQ(c.message([&] { c.speech->SelectEngine(QStringLiteral("Gamma")); }),
              QStringLiteral("Specified Speech Engine not found"));
    EXPECT_TRUE(c.speech->Selected()); // the name check comes first and changes nothing
}

TEST(TMSpeech, WithoutEnginesItIsDisabledAndSaysSo) {
    auto engine = std::make_shared<FakeEngine>();
    engine->failModes = true;
    TMSpeech speech(nullptr, [engine] {
        return std::make_shared<TTSEnum>(std::vector<std::shared_ptr<ITTSEngine>>{engine});
    });
    EXPECT_FALSE(speech.Initialized());
    EXPECT_FALSE(speech.Enabled);
    EXPECT_TRUE(speech.EngineNames().isEmpty());
    EXPECT_NO_THROW(speech.Speak()); // disabled: nothing at all
    speech.Enabled = true;
    EXPECT_THROW(speech.SpeakString(QStringLiteral("x")), EMSpeechException);
    try {
        speech.SelectEngine(QStringLiteral("Fake Voice"));
        FAIL();
    } catch (const EMSpeechException& e) {
        EXPECT_EQ(e.message(), QStringLiteral("Speech Engine not initialized"));
    }
}

TEST(TMSpeech, SpeakNeedsASelectionUnlessDisabled) {
    Component c;
    c.speech->Enabled = false;
    c.speech->Text = {QStringLiteral("Hi")};
    EXPECT_FALSE(c.speech->Speak());
    c.speech->Enabled = true;
    EXPECT_EQ(c.message([&] { c.speech->Speak(); }), QStringLiteral("Speech Engine not selected"));
    EXPECT_EQ(c.message([&] { c.speech->Pause(); }), QStringLiteral("Speech Engine not selected"));
    EXPECT_EQ(c.message([&] { c.speech->Stop(); }), QStringLiteral("Speech Engine not selected"));
    waitFor([] { return false; }, 100);
    EXPECT_EQ(c.starts->count() + c.stops->count(), 0);
}

TEST(TMSpeech, SpeakHandsOverTheLinesEachEndedByCrLf) {
    Component c;
    c.engine->msPerChar = c.engine->msPerGap = 1;
    c.speech->SelectEngine(QStringLiteral("alpha"));
    c.speech->Text = {QStringLiteral("Hi"), QStringLiteral("there")};
    ASSERT_TRUE(c.speech->Speak());
    ASSERT_TRUE(waitFor([&] { return c.stops->count() == 1; }));
    ASSERT_EQ(c.engine->calls().size(), 1u);
    EXPECT_EQ(c.engine->calls()[0].text, QStringLiteral("Hi\r\nthere\r\n"));
    EXPECT_EQ(c.starts->count(), 1);

    // An empty text still starts and stops, so a run always ends.
    c.speech->Text.clear();
    ASSERT_TRUE(c.speech->Speak());
    ASSERT_TRUE(waitFor([&] { return c.stops->count() == 2; }));
    EXPECT_EQ(c.engine->calls().size(), 1u);
}

TEST(TMSpeech, PauseReportsTheStopAndStopClearsPaused) {
    Component c;
    c.speech->SelectEngine(QStringLiteral("Alpha"));
    ASSERT_TRUE(c.speech->SpeakString(QStringLiteral("aaaaa bbbbb ccccc ddddd eeeee fffff")));
    ASSERT_TRUE(waitFor([&] { return c.speech->WordPosition() >= 6; }));
    c.speech->Pause();
    EXPECT_TRUE(c.speech->Paused());
    ASSERT_TRUE(waitFor([&] { return c.stops->count() == 1; }));
    const qint32 held = c.speech->WordPosition();
    waitFor([] { return false; }, 300);
    EXPECT_EQ(c.speech->WordPosition(), held);
    c.speech->Resume();
    EXPECT_FALSE(c.speech->Paused());
    ASSERT_TRUE(waitFor([&] { return c.starts->count() == 2; }));
    c.speech->Pause();
    c.speech->Stop();
    EXPECT_FALSE(c.speech->Paused());
    waitFor([] { return false; }, 300);
    EXPECT_EQ(c.stops->count(), 2); // one stop per start
    EXPECT_LT(c.speech->WordPosition(), 30);
}

TEST(TMSpeech, WordPositionFollowsTheWordsAndStartsOverWithEachText) {
    Component c;
    c.engine->msPerChar = c.engine->msPerGap = 5;
    c.speech->SelectEngine(QStringLiteral("Alpha"));
    std::vector<qint32> seen;
    QTimer poll; // as the converter does, but faster
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (seen.empty() || seen.back() != c.speech->WordPosition())
            seen.push_back(c.speech->WordPosition());
    });
    poll.start(1);
    c.speech->SpeakString(QStringLiteral("\u00E9t\u00E9 \U0001F600 word last"));
    ASSERT_TRUE(waitFor([&] { return c.stops->count() == 1; }));
    EXPECT_EQ(c.speech->WordPosition(), 12);
    EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end()));
    c.speech->SpeakString(QStringLiteral("next"));
    EXPECT_EQ(c.speech->WordPosition(), 0);
}

TEST(TMSpeech, MouthShapesComeWhileSomeoneListens) {
    Component c;
    c.engine->msPerChar = c.engine->msPerGap = 2;
    c.speech->SelectEngine(QStringLiteral("Alpha"));
    std::vector<TTSMouth> mouths;
    auto connection = QObject::connect(c.speech.get(), &TMSpeech::OnVisual,
                                       [&](quint32, const TTSMouth& m) { mouths.push_back(m); });
    c.speech->SpeakString(QStringLiteral("mama papa oh"));
    ASSERT_TRUE(waitFor([&] { return c.stops->count() == 1; }));
    ASSERT_EQ(mouths.size(), 3u);
    EXPECT_EQ(mouths[0].MouthHeight, 0); // m: lips closed
    EXPECT_GT(mouths[2].JawOpen, 50);    // o: open
    QObject::disconnect(connection);
    c.speech->SpeakString(QStringLiteral("mama"));
    ASSERT_TRUE(waitFor([&] { return c.stops->count() == 2; }));
    EXPECT_EQ(mouths.size(), 3u);
}

TEST(TMSpeech, AFailingWavPathGivesNoSpeechNoEventsNoMessage) {
    Component c;
    QTemporaryDir dir;
    c.speech->Output = soFile;
    c.speech->Filename = dir.filePath(QStringLiteral("no/such/folder/out.wav"));
    c.speech->SelectEngine(QStringLiteral("Alpha"));
    ASSERT_TRUE(c.speech->Selected());
    EXPECT_FALSE(c.speech->SpeakString(QStringLiteral("nothing comes of this")));
    waitFor([] { return false; }, 300);
    EXPECT_EQ(c.starts->count() + c.stops->count() + c.errors->count(), 0);
    EXPECT_TRUE(c.engine->calls().empty());
}

TEST(TMSpeech, WavFileIsCompleteWhenTheStopArrives) {
    Component c;
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("out.wav"));
    c.speech->Output = soFile;
    c.speech->Filename = path;
    c.speech->SelectEngine(QStringLiteral("Beta"));
    std::shared_ptr<IAudioFile> file;
    c.speech->GetInterface(0, file);
    ASSERT_TRUE(file);
    file->RealTimeSet(4 * kRealTime1x);
    WavFile atStop;
    QObject::connect(c.speech.get(), &TMSpeech::OnStop, [&] { atStop = readWav(path); });
    ASSERT_TRUE(c.speech->SpeakString(QStringLiteral("some words")));
    ASSERT_TRUE(waitFor([&] { return c.stops->count() == 1; }));
    EXPECT_TRUE(atStop.riff);
    EXPECT_TRUE(atStop.sizesMatch);
    EXPECT_EQ(qint64(atStop.samples.size()), c.engine->lengthOf(QStringLiteral("some words")));
}

TEST(TMSpeech, AStoppedWavFileIsCompleteWhenTheStopArrivesAndStaysSo) {
    // The writer may be in the middle of a block when Stop comes: that block
    // is either in the file before the stop is reported, or not written.
    for (int round = 0; round < 15; ++round) {
        Component c;
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("stopped.wav"));
        c.speech->Output = soFile;
        c.speech->Filename = path;
        c.speech->SelectEngine(QStringLiteral("Alpha"));
        WavFile atStop;
        QObject::connect(c.speech.get(), &TMSpeech::OnStop, [&] { atStop = readWav(path); });
        QString text;
        for (int i = 0; i < 4000; ++i)
            text += QStringLiteral("word ");
        ASSERT_TRUE(c.speech->SpeakString(text)); // as fast as it goes: a file of minutes
        ASSERT_TRUE(waitFor([&] { return c.starts->count() == 1; }));
        waitFor([] { return false; }, round % 5);
        c.speech->Stop();
        ASSERT_TRUE(waitFor([&] { return c.stops->count() == 1; })) << round;
        waitFor([] { return false; }, 100);
        const WavFile later = readWav(path);
        ASSERT_TRUE(atStop.riff) << round;
        EXPECT_TRUE(atStop.sizesMatch) << round;
        EXPECT_TRUE(later.sizesMatch) << round;
        EXPECT_EQ(later.samples.size(), atStop.samples.size()) << round;
        EXPECT_LT(qint64(later.samples.size()), c.engine->lengthOf(text)) << round;
    }
}

TEST(TMSpeech, AfterAStopWhilePausedTheNextTextIsSpoken) {
    Component c;
    c.engine->msPerChar = c.engine->msPerGap = 5;
    c.speech->SelectEngine(QStringLiteral("Alpha"));
    ASSERT_TRUE(c.speech->SpeakString(QStringLiteral("aaaaa bbbbb ccccc ddddd eeeee")));
    ASSERT_TRUE(waitFor([&] { return c.starts->count() == 1; }));
    c.speech->Pause();
    ASSERT_TRUE(waitFor([&] { return c.stops->count() == 1; }));
    c.speech->Stop();
    EXPECT_FALSE(c.speech->Paused());
    ASSERT_TRUE(c.speech->SpeakString(QStringLiteral("next text")));
    EXPECT_TRUE(waitFor([&] { return c.stops->count() == 2; }));
    EXPECT_EQ(c.starts->count(), 2);
    EXPECT_EQ(c.speech->WordPosition(), 5);

    // Speaking anew while paused is not paused either: both texts are heard.
    c.speech->SpeakString(QStringLiteral("aaaaa bbbbb ccccc ddddd eeeee"));
    ASSERT_TRUE(waitFor([&] { return c.starts->count() == 3; }));
    c.speech->Pause();
    ASSERT_TRUE(waitFor([&] { return c.stops->count() == 3; }));
    ASSERT_TRUE(c.speech->SpeakString(QStringLiteral("last")));
    EXPECT_FALSE(c.speech->Paused());
    EXPECT_TRUE(waitFor([&] { return c.stops->count() == 5; }));
    EXPECT_EQ(c.starts->count(), 5);
}

TEST(TMSpeech, StartsAndStopsAlternateWhateverTheUserDoes) {
    // Random presses of Read, Pause, Resume, Stop and engine changes, to the
    // device and to files: every OnStop follows an OnStart, and once
    // stopped nothing more comes.
    for (const TSpeechOutput output : {soGeneral, soFile}) {
        Component c;
        c.engine->msPerChar = c.engine->msPerGap = 3;
        QTemporaryDir dir;
        c.speech->Output = output;
        c.speech->Filename = dir.filePath(QStringLiteral("run.wav"));
        c.speech->SelectEngine(QStringLiteral("Alpha"));
        QString order;
        QObject::connect(c.speech.get(), &TMSpeech::OnStart, [&] { order += u'['; });
        QObject::connect(c.speech.get(), &TMSpeech::OnStop, [&] { order += u']'; });
        quint32 seed = 12345;
        auto next = [&](quint32 n) {
            seed = seed * 1103515245u + 12345u;
            return (seed >> 16) % n;
        };
        for (int step = 0; step < 150; ++step) {
            switch (next(6)) {
            case 0:
                c.speech->SpeakString(QStringLiteral("aaa bbb ccc ddd"));
                break;
            case 1:
                c.speech->Pause();
                break;
            case 2:
                c.speech->Resume();
                break;
            case 3:
                c.speech->Stop();
                break;
            case 4:
                if (next(4) == 0) {
                    order += u'|';
                    c.speech->SelectEngine(next(2) ? QStringLiteral("Alpha")
                                                   : QStringLiteral("Beta"));
                }
                break;
            default:
                break;
            }
            waitFor([] { return false; }, int(next(30)));
        }
        c.speech->Stop();
        waitFor([] { return false; }, 300);
        const QString settled = order;
        waitFor([] { return false; }, 300);
        EXPECT_EQ(order, settled) << "notifications after the stop";
        // And the component still speaks.
        c.speech->SpeakString(QStringLiteral("last"));
        EXPECT_TRUE(waitFor([&] { return order.endsWith(QStringLiteral("[]")); }))
            << order.toStdString();
        // Changing the engine (|) silences a run without a stop.
        static const QRegularExpression alternating(
            QStringLiteral("^((\\[\\])*\\[?\\|)*(\\[\\])*$"));
        EXPECT_TRUE(alternating.match(order).hasMatch()) << order.toStdString();
        EXPECT_GT(order.count(u'['), 3) << order.toStdString();
    }
}

TEST(TMSpeech, EngineInfoCarriesTheProbedRangesAndInterfacesAreHandedOut) {
    Component c;
    c.speech->SelectEngine(QStringLiteral("Alpha"));
    const TMSpeechEngineInfo& info = c.speech->EngineInfo();
    EXPECT_EQ(info.PitchMin, 0);
    EXPECT_EQ(info.PitchMax, 100);
    EXPECT_EQ(info.SpeedMin, 80u);
    EXPECT_EQ(info.SpeedMax, 450u);
    EXPECT_EQ(info.RealTimeMin, kRealTime1x); // the sound device plays in real time only
    EXPECT_EQ(info.RealTimeMax, kRealTime1x);
    EXPECT_EQ(info.VolumeMax, 100);
    EXPECT_EQ(info.Gender, QStringLiteral("NEUTRAL"));
    std::shared_ptr<ITTSAttributesA> attributes;
    c.speech->GetInterface(2, attributes);
    ASSERT_TRUE(attributes);
    EXPECT_EQ(attributes->SpeedGet(), 175u); // the probe put the value back

    std::shared_ptr<IAudioFile> file;
    c.speech->GetInterface(0, file); // soGeneral: no file destination
    EXPECT_FALSE(file);
    std::shared_ptr<IAudioMultiMediaDevice> device;
    c.speech->GetInterface(0, device);
    EXPECT_TRUE(device);
    std::shared_ptr<ITTSCentralA> central;
    c.speech->GetInterface(7, central); // an unknown kind leaves it untouched
    EXPECT_FALSE(central);
    c.speech->GetInterface(1, central);
    EXPECT_TRUE(central);
    std::shared_ptr<ITTSDialogsA> dialogs;
    c.speech->GetInterface(3, dialogs);
    EXPECT_EQ(dialogs->AboutText(), QStringLiteral("Fake engine"));

    c.speech->Output = soFile;
    c.speech->SelectEngine(QStringLiteral("Alpha"));
    EXPECT_EQ(c.speech->EngineInfo().RealTimeMin, 1u);
    EXPECT_EQ(c.speech->EngineInfo().RealTimeMax, 65535u);
}

TEST(TMSpeech, TheNextRunMayStartFromTheStopHandler) {
    // As the converter goes on with the next document: inside OnStop it
    // selects the engine anew (dropping the central that reports the stop)
    // and speaks again.
    Component c;
    c.engine->msPerChar = c.engine->msPerGap = 2;
    QTemporaryDir dir;
    c.speech->Output = soFile;
    c.speech->Filename = dir.filePath(QStringLiteral("1.wav"));
    c.speech->SelectEngine(QStringLiteral("Alpha"));
    int runs = 1;
    QObject::connect(c.speech.get(), &TMSpeech::OnStop, [&] {
        if (runs == 3)
            return;
        ++runs;
        c.speech->Filename = dir.filePath(QStringLiteral("%1.wav").arg(runs));
        c.speech->SelectEngine(QStringLiteral("Beta"));
        c.speech->SpeakString(QStringLiteral("document %1").arg(runs));
    });
    c.speech->SpeakString(QStringLiteral("document 1"));
    ASSERT_TRUE(waitFor([&] { return c.stops->count() == 3; }));
    waitFor([] { return false; }, 100);
    EXPECT_EQ(c.starts->count(), 3);
    EXPECT_EQ(c.stops->count(), 3);
    for (int i = 1; i <= 3; ++i)
        EXPECT_TRUE(readWav(dir.filePath(QStringLiteral("%1.wav").arg(i))).sizesMatch) << i;
}

TEST(TMSpeech, SelectingAgainSilencesTheRunningSpeech) {
    Component c;
    c.speech->SelectEngine(QStringLiteral("Alpha"));
    c.speech->SpeakString(QStringLiteral("aaaaa bbbbb ccccc ddddd"));
    ASSERT_TRUE(waitFor([&] { return c.starts->count() == 1; }));
    c.speech->SelectEngine(QStringLiteral("Beta"));
    waitFor([] { return false; }, 600);
    EXPECT_EQ(c.stops->count(), 0);
    EXPECT_EQ(c.speech->WordPosition(), 0);
}

} // namespace
} // namespace kalo::test
