#include "converter_fixture.h"

#include "app/selector.h"
#include "base/output_volume.h"
#include "services/interface_windows.h"
#include "speech/mspeech.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QProcess>
#include <QProgressBar>
#include <QRegularExpression>
#include <QSlider>
#include <QTimer>
#include <QToolButton>

using namespace kalo;
using kalo::test::ConverterTest;
using kalo::test::ProcessesNaming;
using kalo::test::Prose;
using kalo::test::waitFor;

namespace {

class ReadingTest : public ConverterTest {
protected:
    void SetUp() override {
        ConverterTest::SetUp();
        dm->MSpeech1->DeviceKind = AudioDeviceKind::Null;
        Settings.RealTime = 32768; // files as fast as the engine goes
        Settings.EngineIndex =
            static_cast<int>(dm->MSpeech1->EngineNames().indexOf("English (Great Britain) Male - eSpeak NG"));
        ASSERT_GE(Settings.EngineIndex, 0) << "the English voice is not installed";
        QObject::connect(dm->MSpeech1, &TMSpeech::OnStart, [this] { ++starts; });
        QObject::connect(dm->MSpeech1, &TMSpeech::OnStop, [this] { ++stops; });
    }
    // Until a run has started, every run has stopped and nothing waits to
    // follow (an encoding or the next document).
    bool waitIdle(int ms = 20000) {
        return waitFor([this] { return starts > 0 && !converter->Busy(); }, ms);
    }
    // Until the n-th run speaks its words.
    bool waitReading(int n = 1, int ms = 5000) {
        return waitFor([this, n] { return starts >= n && stops < starts && dm->MSpeech1->WordPosition() > 0; }, ms);
    }
    int starts = 0;
    int stops = 0;
    // Duration in seconds of a sound file, as sox reads it; -1 when it cannot.
    static double soundSeconds(const QString& path) {
        QProcess soxi;
        soxi.start("soxi", {"-D", path});
        if (!soxi.waitForFinished(10000) || soxi.exitCode() != 0)
            return -1;
        return soxi.readAllStandardOutput().trimmed().toDouble();
    }
};

} // namespace

TEST_F(ReadingTest, ReadingFollowsTheSpokenWordAndReturnsToIdle) {
    const QString text = "First line here.\nSecond line with h\u00e9llo w\u00f6rld and \U0001F600 more words to say.\n";
    open({doc("a.txt", text.toUtf8())});
    QTextCursor cursor = converter->Memo1->textCursor();
    cursor.setPosition(24); // in the middle of the second line
    converter->Memo1->setTextCursor(cursor);
    converter->ActionTTXCursorExecute();
    ASSERT_TRUE(waitReading());
    EXPECT_EQ(converter->Status(), " Reading...");
    EXPECT_FALSE(converter->ActionTTS->isEnabled());
    EXPECT_TRUE(converter->ActionPause->isEnabled());
    EXPECT_FALSE(converter->ComboBoxExEngines->isEnabled());
    EXPECT_EQ(converter->ToolButtonTTX->menu(), nullptr);
    EXPECT_TRUE(converter->FPartial);

    // Every highlighted place is the start of a word at or after the caret,
    // in the editor's own text.
    const QString editor = converter->EditorText();
    QSet<int> seen;
    while (converter->FReading || converter->ActionStop->isEnabled()) {
        QTest::qWait(20);
        const QTextCursor c = converter->Memo1->textCursor();
        if (c.hasSelection() && converter->ActionStop->isEnabled())
            seen.insert(c.selectionStart());
        if (seen.size() > 50)
            break;
    }
    ASSERT_GE(seen.size(), 3);
    for (int at : seen) {
        EXPECT_GE(at, 24);
        EXPECT_TRUE(editor.at(at).isLetterOrNumber() || editor.at(at).isSurrogate()) << at;
        EXPECT_TRUE(at == 24 || !editor.at(at - 1).isLetterOrNumber()) << at;
    }
    ASSERT_TRUE(waitIdle());
    EXPECT_EQ(converter->Status(), " Done");
    EXPECT_TRUE(converter->ComboBoxExEngines->isEnabled());
    EXPECT_EQ(converter->ToolButtonTTX->menu(), converter->PopupMenuTTX);
    EXPECT_FALSE(converter->FPartial);
    EXPECT_EQ(selected(), 0); // a partial read never goes on to the next tab
}

TEST_F(ReadingTest, AutoNextConvertsEveryFollowingTabInTheSameMode) {
    Settings.AutoName = true;
    Settings.AutoNext = true;
    open({doc("one.txt", "One."), doc("two.txt", "Two."), doc("three.txt", "Three.")});
    converter->TabControl1->setCurrentIndex(1);
    converter->ActionTTWExecute();
    ASSERT_TRUE(waitFor([&] { return QFile::exists(app.file("wav/three.wav")); }, 20000));
    ASSERT_TRUE(waitIdle());
    EXPECT_FALSE(QFile::exists(app.file("wav/one.wav")));
    EXPECT_GT(soundSeconds(app.file("wav/two.wav")), 0.2);
    EXPECT_GT(soundSeconds(app.file("wav/three.wav")), 0.2);
    EXPECT_EQ(selected(), 2);
    EXPECT_EQ(Settings.ConvertMode, 1);
    EXPECT_EQ(converter->ToolButtonTTX->defaultAction(), converter->ActionTTW);
    EXPECT_EQ(converter->ActionTTXCursor->text(), "Read from Cursor to WAV File");
}

TEST_F(ReadingTest, CancellingTheWavDialogStillConvertsToTheAutomaticName) {
    Settings.AutoName = false;
    open({doc("story.txt", "A short story.")});
    dialogAnswer = {};
    converter->ActionTTWExecute();
    ASSERT_TRUE(waitIdle());
    ASSERT_EQ(dialogs.size(), 1);
    EXPECT_EQ(dialogs.at(0), "Convert into Wav File | " + app.file("wav/story.wav"));
    EXPECT_GT(soundSeconds(app.file("wav/story.wav")), 0.3);
    EXPECT_TRUE(errors.isEmpty());
}

TEST_F(ReadingTest, Mp3RunAsksOnlyForTheMp3NameAndLeavesOnlyTheMp3) {
    Settings.AutoName = false;
    open({doc("story.txt", "A short story, read into an MP3 file.")});
    dialogAnswer = {app.file("mp3/chosen name.mp3")};
    converter->ActionTTMExecute();
    ASSERT_TRUE(waitIdle(30000));
    ASSERT_EQ(dialogs.size(), 1);
    EXPECT_EQ(dialogs.at(0), "Convert into Mp3 File | " + app.file("mp3/story.mp3"));
    const double seconds = soundSeconds(app.file("mp3/chosen name.mp3"));
    EXPECT_GT(seconds, 1.5);
    EXPECT_LT(seconds, 6.0);
    EXPECT_FALSE(QFile::exists(app.file("wav/story.wav")));
    EXPECT_EQ(converter->Status(), " Done");
    EXPECT_TRUE(errors.isEmpty()) << errors.join("; ").toStdString();
}

TEST_F(ReadingTest, WithoutAnEncoderTheWavFileIsKeptAndTheUserIsTold) {
    Settings.AutoName = true;
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", app.path().toUtf8()); // no lame to be found
    open({doc("story.txt", "No encoder here.")});
    converter->ActionTTMExecute();
    const bool idle = waitIdle();
    qputenv("PATH", path);
    ASSERT_TRUE(idle);
    EXPECT_EQ(converter->Status(), " MP3 encoding failed");
    ASSERT_EQ(errors.size(), 1);
    EXPECT_TRUE(errors.at(0).contains("The WAV file is kept: " + app.file("wav/story.wav")));
    EXPECT_GT(soundSeconds(app.file("wav/story.wav")), 0.3);
    EXPECT_FALSE(QFile::exists(app.file("mp3/story.mp3")));
}

TEST_F(ReadingTest, AnEncoderThatWritesNothingKeepsTheWavFile) {
    Settings.AutoName = true;
    app.write("lame", "#!/bin/sh\nexit 0\n");
    QFile::setPermissions(app.file("lame"), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    open({doc("story.txt", "An encoder that does nothing.")});
    converter->ActionTTMExecute();
    ASSERT_TRUE(waitIdle());
    EXPECT_EQ(converter->Status(), " MP3 encoding failed");
    ASSERT_EQ(errors.size(), 1);
    EXPECT_TRUE(QFile::exists(app.file("wav/story.wav")));
}

TEST_F(ReadingTest, PauseThenAnotherTabThenReadResumesThePausedTab) {
    open({doc("long.txt", "This is a rather long sentence that keeps the reader busy for a few seconds at least."),
          doc("other.txt", "Other words.")});
    converter->ActionTTSExecute();
    ASSERT_TRUE(waitReading());
    converter->ActionPauseExecute();
    ASSERT_TRUE(waitFor([&] { return dm->MSpeech1->Paused() && stops == 1; }));
    EXPECT_TRUE(converter->ActionTTS->isEnabled());
    EXPECT_FALSE(converter->ActionStop->isEnabled());
    EXPECT_EQ(converter->ToolButtonTTX->menu(), nullptr); // still no drop-down while paused
    const int pausedAt = dm->MSpeech1->WordPosition();
    converter->TabControl1->setCurrentIndex(1); // no restart while paused
    EXPECT_EQ(converter->EditorText(), "Other words.");
    QTest::qWait(300);
    EXPECT_EQ(dm->MSpeech1->WordPosition(), pausedAt);
    converter->ActionTTSExecute();
    EXPECT_EQ(selected(), 0);
    EXPECT_FALSE(dm->MSpeech1->Paused());
    ASSERT_TRUE(waitFor([&] { return dm->MSpeech1->WordPosition() > pausedAt; }));
    converter->ActionStopExecute();
    ASSERT_TRUE(waitIdle());
}

TEST_F(ReadingTest, AnotherTabWhileReadingReadsThatTabInstead) {
    Settings.AutoNext = false;
    open({doc("long.txt", "This is a rather long sentence that keeps the reader busy for a few seconds at least."),
          doc("other.txt", "Other words to read.")});
    converter->ActionTTSExecute();
    ASSERT_TRUE(waitReading());
    converter->TabControl1->setCurrentIndex(1);
    ASSERT_TRUE(waitReading(2));
    EXPECT_TRUE(converter->FReading);
    EXPECT_TRUE(converter->ActionStop->isEnabled());
    EXPECT_EQ(dm->MSpeech1->Text, QStringList{"Other words to read."});
    ASSERT_TRUE(waitIdle());
    EXPECT_EQ(converter->Status(), " Done");
}

TEST_F(ReadingTest, ClipboardReadingNeverMovesTheCaretNorWritesFiles) {
    Settings.ShowPrompt = false;
    Settings.DefAction = 0;
    Settings.ConvertMode = 2;
    Settings.AutoNext = true;
    open({doc("a.txt", "Some document text."), doc("b.txt", "More.")});
    QTextCursor cursor = converter->Memo1->textCursor();
    cursor.setPosition(5);
    converter->Memo1->setTextCursor(cursor);
    converter->ReadClipboard("Text that came from the clipboard.");
    ASSERT_TRUE(waitReading());
    EXPECT_TRUE(converter->FFromClipboard);
    ASSERT_TRUE(waitIdle());
    EXPECT_EQ(converter->Memo1->textCursor().position(), 5);
    EXPECT_FALSE(converter->Memo1->textCursor().hasSelection());
    EXPECT_EQ(selected(), 0);
    EXPECT_TRUE(QDir(app.file("wav")).isEmpty());
    EXPECT_TRUE(QDir(app.file("mp3")).isEmpty());
    EXPECT_EQ(Settings.ConvertMode, 2); // not consulted, not changed
}

TEST_F(ReadingTest, ClipboardNewAndAppendSaveTheirDocuments) {
    Settings.ShowPrompt = false;
    open({doc("a.txt", "first line")});
    Settings.DefAction = 2;
    converter->ReadClipboard("appended\r\ntext");
    EXPECT_EQ(app.read("txt/a.txt"), "first line\nappended\ntext");
    Settings.DefAction = 1;
    converter->ReadClipboard("a new document");
    EXPECT_EQ(tabs(), QStringList({"a", "untitled1"}));
    EXPECT_EQ(app.read("txt/untitled1.txt"), "a new document");
    Settings.DefAction = 3;
    converter->ReadClipboard("nothing happens");
    EXPECT_EQ(tabs().size(), 2);

    // A huge text goes through the file and is shown from there.
    const QString huge = QString(1200000, QLatin1Char('x'));
    Settings.DefAction = 2;
    converter->ReadClipboard(huge);
    EXPECT_EQ(app.read("txt/untitled1.txt"), "a new document\n" + huge.toLatin1());
    EXPECT_EQ(converter->EditorText().size(), huge.size() + 15);
    EXPECT_FALSE(converter->Modified());
}

TEST_F(ReadingTest, TheVolumeBarSetsBothChannels) {
    open({doc("a.txt", "a")});
    converter->TrackBarVol->setValue(4660);
    EXPECT_EQ(OutputVolumeWord(), 0x12341234u);
    converter->TrackBarVol->setValue(65535);
    EXPECT_EQ(OutputVolumeWord(), 0xFFFFFFFFu);
}

TEST_F(ReadingTest, AMissingWavFolderIsReportedAndNothingStarts) {
    Settings.AutoName = true;
    Settings.DefWavPath = app.file("no-such-folder/");
    open({doc("a.txt", "Some text.")});
    converter->ActionTTWExecute();
    ASSERT_EQ(errors.size(), 1);
    EXPECT_EQ(errors.at(0), "Cannot create file " + app.file("no-such-folder/a.wav"));
    QTest::qWait(200);
    EXPECT_FALSE(converter->FReading);
    EXPECT_TRUE(converter->ActionTTS->isEnabled());
}

TEST_F(ReadingTest, ThePromptAppendsAfterItsDelayAndEscapeDoesNothing) {
    Settings.ShowPrompt = true;
    Settings.DefAction = 2;
    Settings.PromptDelay = 1;
    open({doc("a.txt", "start\n")});
    QElapsedTimer t;
    t.start();
    converter->ReadClipboard("after the delay");
    EXPECT_GE(t.elapsed(), 900);
    EXPECT_EQ(app.read("txt/a.txt"), "start\nafter the delay");

    QTimer::singleShot(100, [] {
        if (QWidget* prompt = QApplication::activeModalWidget())
            QTest::keyClick(prompt->focusWidget(), Qt::Key_Escape);
    });
    converter->ReadClipboard("escaped");
    EXPECT_EQ(app.read("txt/a.txt"), "start\nafter the delay");
    EXPECT_EQ(tabs().size(), 1);
}

TEST_F(ReadingTest, ResumingWithAnotherReadActionKeepsTheRunsModeAndHighlighting) {
    Settings.AutoName = true;
    Settings.RealTime = 512; // twice real time, so there is time to pause
    open({doc("story.txt", "A story written into an MP3 file, a few words at a time, for a while.")});
    converter->ActionTTMExecute();
    ASSERT_TRUE(waitReading());
    converter->ActionPauseExecute();
    ASSERT_TRUE(waitFor([&] { return dm->MSpeech1->Paused() && stops == 1; }));
    // Read from the cursor (in read-aloud mode) only resumes the paused run.
    QTextCursor cursor = converter->Memo1->textCursor();
    cursor.setPosition(10);
    converter->Memo1->setTextCursor(cursor);
    Settings.ConvertMode = 0;
    converter->ActionTTXCursorExecute();
    EXPECT_FALSE(converter->FPartial);
    ASSERT_TRUE(waitIdle(30000));
    // The run was an MP3 run and still ends as one.
    EXPECT_GT(soundSeconds(app.file("mp3/story.mp3")), 2.0);
    EXPECT_FALSE(QFile::exists(app.file("wav/story.wav")));
    EXPECT_TRUE(errors.isEmpty()) << errors.join("; ").toStdString();
}

TEST_F(ReadingTest, AWavFileThatCannotBeCompletedIsReportedAndGoesNoFurther) {
    Settings.AutoName = true;
    Settings.AutoNext = true;
    SetWavDataLimitForTests(20000); // as if the file could hold no more
    open({doc("one.txt", "A first document, long enough to pass the limit of the file."), doc("two.txt", "Two.")});
    converter->ActionTTMExecute();
    const bool idle = waitIdle();
    SetWavDataLimitForTests(0);
    ASSERT_TRUE(idle);
    EXPECT_EQ(converter->Status(), " Conversion failed");
    ASSERT_EQ(errors.size(), 1);
    EXPECT_TRUE(errors.at(0).startsWith("The WAV file " + app.file("wav/one.wav") + " could not be completed."));
    EXPECT_FALSE(QFile::exists(app.file("mp3/one.mp3")));
    EXPECT_EQ(selected(), 0); // no next document
}

namespace {

// An encoder of the test's own in the application folder: a shell script
// given the WAV path and the path to write as $1 and $2.
void fakeEncoder(const kalo::test::ScratchAppFolder& app, const QByteArray& script) {
    app.write("lame", "#!/bin/sh\n" + script + "\n");
    QFile::setPermissions(app.file("lame"), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
}

} // namespace

TEST_F(ReadingTest, NoRunStartsWhileTheEncoderRunsAndATabChangeLetsItFinish) {
    Settings.AutoName = true;
    Settings.AutoNext = false;
    // Slow enough to try everything while it runs; the "MP3" is a copy.
    fakeEncoder(app, "sleep 2\ncp \"$1\" \"$2\"");
    open({doc("one.txt", "The first document."), doc("two.txt", "The second document.")});
    converter->ActionTTMExecute();
    ASSERT_TRUE(waitFor([&] { return converter->Encoding(); }, 20000));
    const QByteArray wav = app.read("wav/one.wav");
    ASSERT_FALSE(wav.isEmpty());
    // F2, F3, F4 and both partial reads are off; called anyway, they start nothing.
    EXPECT_FALSE(converter->ActionTTS->isEnabled());
    EXPECT_FALSE(converter->ActionTTW->isEnabled());
    EXPECT_FALSE(converter->ActionTTM->isEnabled());
    EXPECT_FALSE(converter->ActionTTXCursor->isEnabled());
    EXPECT_FALSE(converter->ActionTTXSelected->isEnabled());
    EXPECT_TRUE(converter->ActionStop->isEnabled());
    converter->ActionTTWExecute();
    converter->ActionTTXCursorExecute();
    converter->ActionTTMExecute();
    EXPECT_EQ(errors.size(), 3);
    // A tab change only shows the other document.
    converter->TabControl1->setCurrentIndex(1);
    EXPECT_EQ(converter->EditorText(), "The second document.");
    converter->TabControl1->setCurrentIndex(0);
    EXPECT_TRUE(converter->Encoding());
    QTest::qWait(300);
    EXPECT_EQ(starts, 1);
    ASSERT_TRUE(waitIdle());
    EXPECT_EQ(starts, 1);
    EXPECT_EQ(app.read("mp3/one.mp3"), wav);
    EXPECT_FALSE(QFile::exists(app.file("wav/one.wav")));
    EXPECT_EQ(converter->Status(), " Done");
    EXPECT_TRUE(converter->ActionTTS->isEnabled());
    EXPECT_TRUE(converter->ActionTTXCursor->isEnabled());
    // Every message about files names files that are there.
    for (const QString& e : errors)
        EXPECT_TRUE(e.startsWith("An MP3 file is still being made.")) << e.toStdString();
}

TEST_F(ReadingTest, AutoNextStartsTheNextDocumentOnlyAfterTheEncoderIsDone) {
    Settings.AutoName = true;
    Settings.AutoNext = true;
    fakeEncoder(app, "sleep 1\ncp \"$1\" \"$2\"");
    open({doc("one.txt", "One document."), doc("two.txt", "Two documents.")});
    bool firstDoneAtSecondStart = false;
    QObject::connect(dm->MSpeech1, &TMSpeech::OnStart, converter, [&] {
        if (starts == 2)
            firstDoneAtSecondStart =
                QFile::exists(app.file("mp3/one.mp3")) && !QFile::exists(app.file("wav/one.wav"));
    });
    converter->ActionTTMExecute();
    ASSERT_TRUE(waitFor([&] { return QFile::exists(app.file("mp3/two.mp3")); }, 30000));
    ASSERT_TRUE(waitIdle());
    EXPECT_TRUE(firstDoneAtSecondStart);
    EXPECT_EQ(starts, 2);
    EXPECT_FALSE(QFile::exists(app.file("wav/one.wav")));
    EXPECT_FALSE(QFile::exists(app.file("wav/two.wav")));
    EXPECT_EQ(selected(), 1);
    EXPECT_TRUE(errors.isEmpty()) << errors.join("; ").toStdString();
}

TEST_F(ReadingTest, AStoppedOrFailedEncodingLeavesNoCutOffMp3) {
    Settings.AutoName = true;
    fakeEncoder(app, "printf partial > \"$2\"\nexec sleep 30");
    open({doc("one.txt", "A document to encode.")});
    converter->ActionTTMExecute();
    ASSERT_TRUE(
        waitFor([&] { return converter->Encoding() && QDir(app.file("mp3")).count() > 2; }, 20000));
    converter->ActionStopExecute();
    ASSERT_TRUE(waitIdle());
    EXPECT_EQ(converter->Status(), " MP3 encoding cancelled");
    EXPECT_TRUE(QDir(app.file("mp3")).isEmpty());
    EXPECT_GT(soundSeconds(app.file("wav/one.wav")), 0.3); // the WAV file stays
    EXPECT_TRUE(errors.isEmpty());

    // A failing encoder: an MP3 file from before stays as it was.
    app.write("mp3/one.mp3", "an older mp3");
    fakeEncoder(app, "printf partial > \"$2\"\nexit 1");
    converter->ActionTTMExecute();
    ASSERT_TRUE(waitFor([&] { return starts == 2 && !converter->Busy(); }, 20000));
    EXPECT_EQ(converter->Status(), " MP3 encoding failed");
    EXPECT_EQ(app.read("mp3/one.mp3"), "an older mp3");
    EXPECT_EQ(QDir(app.file("mp3")).entryList(QDir::Files), QStringList{"one.mp3"});
    ASSERT_EQ(errors.size(), 1);
    EXPECT_TRUE(errors.at(0).contains("The WAV file is kept: " + app.file("wav/one.wav")));
    EXPECT_TRUE(QFile::exists(app.file("wav/one.wav")));
}

TEST_F(ReadingTest, ClosingTheWindowWaitsForTheEncoder) {
    Settings.AutoName = true;
    fakeEncoder(app, "sleep 1\ncp \"$1\" \"$2\"");
    open({doc("one.txt", "A document to encode.")});
    converter->ActionTTMExecute();
    ASSERT_TRUE(waitFor([&] { return converter->Encoding(); }, 20000));
    delete converter;
    converter = nullptr;
    EXPECT_GT(soundSeconds(app.file("mp3/one.mp3")), 0.3);
    EXPECT_FALSE(QFile::exists(app.file("wav/one.wav")));
}

TEST_F(ReadingTest, ClipboardNewDuringARunLetsTheRunGoOn) {
    Settings.ShowPrompt = false;
    Settings.DefAction = 1;
    Settings.AutoNext = false;
    const QString text =
        "This is a rather long sentence that keeps the reader busy for a few seconds at least.";
    open({doc("long.txt", text.toUtf8())});
    converter->ActionTTSExecute();
    ASSERT_TRUE(waitReading());
    converter->ReadClipboard("words from the clipboard");
    EXPECT_EQ(app.read("txt/untitled1.txt"), "words from the clipboard");
    EXPECT_EQ(converter->EditorText(), "words from the clipboard");
    QTest::qWait(400);
    EXPECT_EQ(starts, 1);
    EXPECT_TRUE(converter->FReading);
    EXPECT_EQ(dm->MSpeech1->Text, QStringList{text});
    // The highlighting stays out of the new document.
    EXPECT_FALSE(converter->Memo1->textCursor().hasSelection());
    converter->ActionStopExecute();
    ASSERT_TRUE(waitIdle());
    EXPECT_EQ(app.read("txt/untitled1.txt"), "words from the clipboard");
    EXPECT_EQ(app.read("txt/long.txt"), text.toUtf8());
}

TEST_F(ReadingTest, APartialReadWhoseWavCannotBeMadeIsReportedAndStops) {
    Settings.AutoName = false;
    Settings.ConvertMode = 1;
    open({doc("a.txt", "Some words, and some more words.")});
    int asked = 0;
    // The first answer cannot be created; a second dialog would be cancelled,
    // which means the automatic name in the existing WAV folder.
    SetFileDialogHandler([&](const TFileDialogSetup&, const QString&) {
        return ++asked % 2 == 1 ? QStringList{app.file("no-such-folder/x.wav")} : QStringList{};
    });
    QTextCursor cursor = converter->Memo1->textCursor();
    cursor.setPosition(6);
    cursor.setPosition(11, QTextCursor::KeepAnchor);
    converter->Memo1->setTextCursor(cursor);
    converter->ActionTTXSelectedExecute();
    ASSERT_EQ(errors.size(), 1);
    EXPECT_EQ(errors.at(0), "Cannot create file " + app.file("no-such-folder/x.wav"));
    EXPECT_EQ(asked, 1);
    asked = 0;
    converter->ActionTTXCursorExecute();
    QTest::qWait(300);
    EXPECT_EQ(errors.size(), 2);
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(starts, 0);
    EXPECT_TRUE(QDir(app.file("wav")).isEmpty());
}

TEST_F(ReadingTest, AutoNextRefusedAtTheSaveQuestionEndsTheRun) {
    Settings.AutoNext = true;
    open({doc("one.txt", "The first document, in a few words."), doc("two.txt", "Two.")});
    converter->ActionTTSExecute();
    ASSERT_TRUE(waitReading());
    converter->Memo1->document()->setModified(true); // edits not saved
    answer = SaveChangesAnswer::Cancel;
    ASSERT_TRUE(waitFor([&] { return stops >= 1 && !asked.isEmpty(); }, 10000));
    EXPECT_EQ(selected(), 0);
    EXPECT_FALSE(converter->FReading);
    ASSERT_TRUE(waitIdle());
    // Looking at the next tab later starts nothing.
    answer = SaveChangesAnswer::Discard;
    converter->TabControl1->setCurrentIndex(1);
    QTest::qWait(400);
    EXPECT_EQ(starts, 1);
    EXPECT_FALSE(converter->FReading);
}

TEST_F(ReadingTest, PausePressedAsTheTextEndsEndsTheRunCleanly) {
    Settings.AutoName = true;
    Settings.AutoNext = true;
    // Connected before the window is, so Pause lands between the engine's
    // end of the text and the window hearing of it.
    bool armed = true;
    QObject::connect(dm->MSpeech1, &TMSpeech::OnStop, [&] {
        if (armed && converter && !dm->MSpeech1->Paused()) {
            armed = false;
            converter->ActionPauseExecute();
        }
    });
    open({doc("one.txt", "Short words."), doc("two.txt", "Two.")});
    converter->ActionTTMExecute();
    ASSERT_TRUE(waitFor([&] { return !armed; }, 20000));
    ASSERT_TRUE(waitIdle(30000));
    EXPECT_FALSE(converter->FReading);
    EXPECT_FALSE(converter->TimerWordPosition->isActive());
    EXPECT_FALSE(dm->MSpeech1->Paused());
    EXPECT_TRUE(converter->ActionTTS->isEnabled());
    EXPECT_EQ(converter->ToolButtonTTX->menu(), converter->PopupMenuTTX);
    EXPECT_GT(soundSeconds(app.file("mp3/one.mp3")), 0.3); // the MP3 step ran
    EXPECT_FALSE(QFile::exists(app.file("wav/one.wav")));
    // The user paused: no next document.
    EXPECT_EQ(selected(), 0);
    EXPECT_EQ(starts, 1);
}

TEST_F(ReadingTest, ALineBreakAtTheEndIsNotSpokenNorCounted) {
    open({doc("a.txt", "One line of words.\nAnother line.\n")});
    converter->ActionTTSExecute();
    ASSERT_TRUE(waitReading());
    EXPECT_EQ(dm->MSpeech1->Text, QStringList({"One line of words.", "Another line."}));
    EXPECT_EQ(converter->GaugeWordPosition->maximum(), 18 + 2 + 13 + 2);
    converter->ActionStopExecute();
    ASSERT_TRUE(waitIdle());
}

TEST_F(ReadingTest, ClipboardTextThatComesWhileEncodingIsReadAfterwards) {
    Settings.AutoName = true;
    Settings.ShowPrompt = false;
    Settings.DefAction = 0; // Read Now!
    fakeEncoder(app, "sleep 1\ncp \"$1\" \"$2\"");
    open({doc("one.txt", "A document to encode.")});
    QTextCursor cursor = converter->Memo1->textCursor();
    cursor.setPosition(2);
    cursor.setPosition(10, QTextCursor::KeepAnchor);
    converter->Memo1->setTextCursor(cursor);
    converter->UpdateReadSelected();
    ASSERT_TRUE(converter->ActionTTXSelected->isEnabled());
    converter->ActionTTMExecute();
    ASSERT_TRUE(waitFor([&] { return converter->Encoding(); }, 20000));
    EXPECT_FALSE(converter->ActionTTXSelected->isEnabled());
    converter->ReadClipboard("Words copied while the encoder ran.");
    QTest::qWait(200);
    EXPECT_EQ(starts, 1);
    EXPECT_TRUE(converter->Encoding());
    ASSERT_TRUE(waitFor([&] { return starts == 2; }, 20000));
    EXPECT_TRUE(converter->FFromClipboard);
    EXPECT_EQ(dm->MSpeech1->Text, QStringList{"Words copied while the encoder ran."});
    EXPECT_TRUE(QFile::exists(app.file("mp3/one.mp3")));
    ASSERT_TRUE(waitIdle());
    EXPECT_TRUE(converter->ActionTTXSelected->isEnabled()); // as it was before
    EXPECT_TRUE(errors.isEmpty()) << errors.join("; ").toStdString();
}

TEST_F(ReadingTest, CartoonModeDuringEncodingStillFinishesTheMp3) {
    Settings.AutoName = true;
    fakeEncoder(app, "sleep 1\ncp \"$1\" \"$2\"");
    open({doc("one.txt", "A document to encode.")});
    FormConverter = converter;
    TJQFormSelector selector;
    converter->ActionTTMExecute();
    ASSERT_TRUE(waitFor([&] { return converter->Encoding(); }, 20000));
    QPointer<TFormConverter> watch(converter);
    converter->ActionCartoon->trigger();
    converter = nullptr;
    ASSERT_TRUE(waitFor([&] { return watch.isNull(); }, 20000));
    EXPECT_GT(soundSeconds(app.file("mp3/one.mp3")), 0.3);
    EXPECT_FALSE(QFile::exists(app.file("wav/one.wav")));
    EXPECT_TRUE(selector.isVisible());
}

namespace {

// The cues of an SRT file: start and end in ms, and the text.
struct SrtCue {
    qint64 start = 0;
    qint64 end = 0;
    QString text;
};

std::vector<SrtCue> srtCues(const QByteArray& bytes) {
    static const QRegularExpression cue(
        "\\d+\\r\\n(\\d+):(\\d\\d):(\\d\\d),(\\d{3}) --> (\\d+):(\\d\\d):(\\d\\d),(\\d{3})\\r\\n([^\\r\\n]+)\\r\\n\\r\\n");
    std::vector<SrtCue> cues;
    auto it = cue.globalMatch(QString::fromUtf8(bytes));
    while (it.hasNext()) {
        const auto m = it.next();
        auto ms = [&](int i) {
            return ((m.captured(i).toLongLong() * 60 + m.captured(i + 1).toLongLong()) * 60 +
                    m.captured(i + 2).toLongLong()) * 1000 + m.captured(i + 3).toLongLong();
        };
        cues.push_back({ms(1), ms(5), m.captured(9)});
    }
    return cues;
}

// Everything in a folder, hidden files and folders too.
QStringList everythingIn(const QString& folder) {
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
}

} // namespace

TEST_F(ReadingTest, WriteSubtitlesPutsAnSrtBesideEveryWavAndMp3File) {
    Settings.AutoName = true;
    Settings.AutoNext = false;
    const QString text = "The first sentence is here.\nAnd the second one is there.";
    open({doc("book.txt", text.toUtf8()), doc("other.txt", "Nothing more.")});
    EXPECT_TRUE(converter->ActionSubtitles->isCheckable());
    EXPECT_FALSE(converter->ActionSubtitles->isChecked()); // off unless asked for
    EXPECT_TRUE(converter->Playback1->actions().contains(converter->ActionSubtitles));
    EXPECT_TRUE(converter->PopupMenuTTX->actions().contains(converter->ActionSubtitles));
    converter->ActionSubtitles->setChecked(true);
    EXPECT_TRUE(Settings.Subtitles);
    converter->ActionTTWExecute();
    ASSERT_TRUE(waitIdle());
    std::vector<SrtCue> cues = srtCues(app.read("wav/book.srt"));
    ASSERT_EQ(cues.size(), 2u);
    EXPECT_EQ(cues[0].text, "The first sentence is here.");
    EXPECT_EQ(cues[1].text, "And the second one is there.");
    EXPECT_LT(cues[0].start, cues[1].start);
    EXPECT_NEAR(cues[1].end / 1000.0, soundSeconds(app.file("wav/book.wav")), 0.5);

    // Read from the cursor: the subtitles of the part read, timed in its file.
    QTextCursor cursor = converter->Memo1->textCursor();
    cursor.setPosition(static_cast<int>(text.indexOf("And")));
    converter->Memo1->setTextCursor(cursor);
    starts = 0;
    converter->ActionTTXCursorExecute();
    ASSERT_TRUE(waitIdle());
    cues = srtCues(app.read("wav/book.srt"));
    ASSERT_EQ(cues.size(), 1u);
    EXPECT_EQ(cues[0].text, "And the second one is there.");
    EXPECT_LT(cues[0].start, 300);

    // MP3: beside the MP3 file, once it is made.
    starts = 0;
    converter->ActionTTMExecute();
    ASSERT_TRUE(waitIdle(30000));
    ASSERT_TRUE(QFile::exists(app.file("mp3/book.mp3")));
    cues = srtCues(app.read("mp3/book.srt"));
    ASSERT_EQ(cues.size(), 2u);
    EXPECT_NEAR(cues[1].end / 1000.0, soundSeconds(app.file("mp3/book.mp3")), 0.5);

    // Switched off: no subtitles.
    converter->ActionSubtitles->setChecked(false);
    EXPECT_FALSE(Settings.Subtitles);
    converter->TabControl1->setCurrentIndex(1);
    starts = 0;
    converter->ActionTTWExecute();
    ASSERT_TRUE(waitIdle());
    EXPECT_TRUE(QFile::exists(app.file("wav/other.wav")));
    EXPECT_FALSE(QFile::exists(app.file("wav/other.srt")));
    EXPECT_TRUE(errors.isEmpty()) << errors.join("; ").toStdString();
}

TEST_F(ReadingTest, AStoppedRunHasSubtitlesUpToWhereItStopped) {
    Settings.AutoName = true;
    Settings.Subtitles = true;
    Settings.RealTime = 512; // twice real time, so there is time to stop
    QString text;
    for (int i = 1; i <= 12; ++i)
        text += QString("This is sentence number %1 of the book.\n").arg(i);
    open({doc("long.txt", text.toUtf8())});
    converter->ActionTTWExecute();
    ASSERT_TRUE(waitFor([&] { return dm->MSpeech1->WordPosition() > 90; }, 10000));
    converter->ActionStopExecute();
    ASSERT_TRUE(waitIdle());
    const std::vector<SrtCue> cues = srtCues(app.read("wav/long.srt"));
    ASSERT_GE(cues.size(), 2u);
    EXPECT_LT(cues.size(), 12u);
    for (size_t i = 0; i < cues.size(); ++i)
        EXPECT_EQ(cues[i].text, QString("This is sentence number %1 of the book.").arg(i + 1));
    EXPECT_NEAR(cues.back().end / 1000.0, soundSeconds(app.file("wav/long.wav")), 0.5);
}

TEST_F(ReadingTest, ALongDocumentIsEncodedInPartsBesideTheSpeechIntoOneMp3) {
    Settings.AutoName = true;
    // About two and a half minutes of speech; the encoder waits a little
    // before each part, so the encoding's progress can be seen.
    fakeEncoder(app, "sleep 0.3\nexec lame \"$1\" \"$2\"");
    open({doc("book.txt", Prose(2300))});
    // The WAV file of the run, as it is when the speech ends (the engine
    // may speak a text a little differently the next time).
    QObject::connect(dm->MSpeech1, &TMSpeech::OnStop, converter,
                     [&] { QFile::copy(app.file("wav/book.wav"), app.file("book.wav")); });

    // Parts are encoded while the speech is still being written.
    int encodersDuringSpeech = 0;
    QList<int> gauge;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (converter->FReading && !converter->Encoding())
            encodersDuringSpeech =
                std::max(encodersDuringSpeech, ProcessesNaming(app.file("wav/.kalotalk-mp3-")));
        if (converter->Encoding() &&
            (gauge.isEmpty() || gauge.last() != converter->GaugeWordPosition->value()))
            gauge << converter->GaugeWordPosition->value();
    });
    watch.start(5);
    Settings.RealTime = 4096; // sixteen times real time: the speech takes a while
    converter->ActionTTMExecute();
    ASSERT_TRUE(waitIdle(120000));
    watch.stop();
    EXPECT_TRUE(errors.isEmpty()) << errors.join("; ").toStdString();
    EXPECT_EQ(converter->Status(), " Done");
    EXPECT_GE(encodersDuringSpeech, 1);
    // The gauge of the MP3 step moves on from where the encoding stood.
    EXPECT_GE(gauge.size(), 2) << gauge.size();
    EXPECT_TRUE(std::is_sorted(gauge.begin(), gauge.end()));

    const QString mp3 = app.file("mp3/book.mp3");
    const double wavSeconds = soundSeconds(app.file("book.wav"));
    ASSERT_GT(wavSeconds, 100);
    EXPECT_NEAR(soundSeconds(mp3), wavSeconds, wavSeconds * 0.005);
    // As long as lame makes it from the whole WAV file, within a frame.
    ASSERT_EQ(QProcess::execute("lame", {"--quiet", app.file("book.wav"), app.file("whole.mp3")}),
              0);
    EXPECT_NEAR(soundSeconds(mp3), soundSeconds(app.file("whole.mp3")), 0.03);
    EXPECT_TRUE(everythingIn(app.file("wav")).isEmpty())
        << everythingIn(app.file("wav")).join(' ').toStdString();
    EXPECT_EQ(everythingIn(app.file("mp3")), QStringList{"book.mp3"});
}

TEST_F(ReadingTest, StoppingTheMp3StepEndsEveryEncoderAndKeepsOnlyTheWav) {
    Settings.AutoName = true;
    // An encoder that never ends, with the part it reads on its command line.
    fakeEncoder(app, "exec tail -f \"$1\"");
    open({doc("book.txt", Prose(2300))});
    converter->ActionTTMExecute();
    ASSERT_TRUE(waitFor([&] { return converter->Encoding(); }, 60000));
    ASSERT_GE(ProcessesNaming(app.file("wav/.kalotalk-mp3-")), 1);
    converter->ActionStopExecute();
    EXPECT_EQ(ProcessesNaming(app.file("wav/.kalotalk-mp3-")), 0);
    ASSERT_TRUE(waitIdle());
    EXPECT_EQ(converter->Status(), " MP3 encoding cancelled");
    EXPECT_TRUE(errors.isEmpty()) << errors.join("; ").toStdString();
    EXPECT_EQ(everythingIn(app.file("wav")), QStringList{"book.wav"});
    EXPECT_GT(soundSeconds(app.file("wav/book.wav")), 100);
    EXPECT_TRUE(everythingIn(app.file("mp3")).isEmpty())
        << everythingIn(app.file("mp3")).join(' ').toStdString();
}

TEST_F(ReadingTest, AnEncoderFailingOnAPartIsReportedAtTheMp3StepAndTheWavIsKept) {
    Settings.AutoName = true;
    fakeEncoder(app,
                "case \"$1\" in *part-000001.wav) exit 3;; esac\nexec lame --quiet \"$1\" \"$2\"");
    open({doc("book.txt", Prose(2300))});
    converter->ActionTTMExecute();
    ASSERT_TRUE(waitIdle(60000));
    EXPECT_EQ(converter->Status(), " MP3 encoding failed");
    ASSERT_EQ(errors.size(), 1);
    EXPECT_TRUE(errors.at(0).contains("The MP3 encoder failed (exit code 3)"))
        << errors.at(0).toStdString();
    EXPECT_TRUE(errors.at(0).contains("The WAV file is kept: " + app.file("wav/book.wav")));
    EXPECT_EQ(everythingIn(app.file("wav")), QStringList{"book.wav"});
    EXPECT_TRUE(everythingIn(app.file("mp3")).isEmpty());
}

TEST_F(ReadingTest, StoppingTheSpeechOfAnMp3RunEncodesWhatWasWritten) {
    Settings.AutoName = true;
    Settings.RealTime = 4096; // sixteen times real time: parts are made while it runs
    open({doc("book.txt", Prose(6000))});
    QObject::connect(dm->MSpeech1, &TMSpeech::OnStop, converter,
                     [&] { QFile::copy(app.file("wav/book.wav"), app.file("book.wav")); });
    converter->ActionTTMExecute();
    // Past the first part (20 s of speech), well before the end.
    ASSERT_TRUE(waitFor([&] { return dm->MSpeech1->WordPosition() > 1200; }, 30000));
    converter->ActionStopExecute();
    ASSERT_TRUE(waitIdle(60000));
    EXPECT_TRUE(errors.isEmpty()) << errors.join("; ").toStdString();
    const double wavSeconds = soundSeconds(app.file("book.wav"));
    ASSERT_GT(wavSeconds, 25);
    EXPECT_LT(wavSeconds, 300);
    // The MP3 file holds what the WAV file held when the speech stopped.
    ASSERT_EQ(QProcess::execute("lame", {"--quiet", app.file("book.wav"), app.file("whole.mp3")}),
              0);
    EXPECT_NEAR(soundSeconds(app.file("mp3/book.mp3")), soundSeconds(app.file("whole.mp3")), 0.03);
    EXPECT_TRUE(everythingIn(app.file("wav")).isEmpty())
        << everythingIn(app.file("wav")).join(' ').toStdString();
}

// Another tab chosen while a document is read, one large enough to be loaded
// in the background: the reading's end, arriving during that load, must not
// move to the next tab under the load, or the editor would show the large
// document on another tab's name, and saving would write it over that file.
TEST_F(ReadingTest, AReadingThatEndsDuringALargeLoadLeavesTabAndEditorTogether) {
    Settings.AutoNext = true;
    QByteArray large;
    while (large.size() < 24 * 1024 * 1024)
        large += "A line of a large document, loaded in the background.\n";
    const QByteArray cText = QByteArray("Cee is a document of many words. ").repeated(50);
    const QString c = doc("c.txt", cText);
    open({doc("a.txt", "A short document, read in a second."), c, doc("big.txt", large)});
    converter->ActionTTSExecute();
    ASSERT_TRUE(waitReading());
    converter->TabControl1->setCurrentIndex(2);
    // The large document is read from its start now.
    EXPECT_TRUE(waitReading(2, 20000));
    EXPECT_EQ(dm->MSpeech1->Text.value(0).left(20), "A line of a large do");
    converter->ActionStopExecute();
    ASSERT_TRUE(waitFor([this] { return !converter->Busy(); }, 20000));
    waitFor([] { return false; }, 300);
    const int tab = selected();
    EXPECT_EQ(tab, 2);
    EXPECT_EQ(converter->ShownPath(), dm->FileList.at(tab)) << tab;
    EXPECT_EQ(converter->EditorText().left(6), tab == 2 ? "A line" : "Cee is");
    converter->FileSave();
    EXPECT_EQ(QFileInfo(c).size(), cText.size()) << "the small document was written over";
}
