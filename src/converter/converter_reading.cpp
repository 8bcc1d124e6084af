// The converter's reading and conversion: reading documents aloud, writing
// them into WAV files, encoding those into MP3 files, highlighting the word
// being spoken, and going on with the next document.
#include "converter/converter_window.h"

#include "services/data_module.h"
#include "services/file_dialogs.h"
#include "services/read_prompt.h"
#include "base/settings_store.h"
#include "converter/document_tabs.h"
#include "speech/mp3_parts.h"
#include "speech/mspeech.h"
#include "speech/subtitles.h"
#include "ui/shared_helpers.h"
#include "ui/ui_pictures.h"

#include <QAction>
#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QSlider>
#include <QTabBar>
#include <QTimer>
#include <QToolButton>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace kalo {

namespace {

TMSpeech* speech() {
    return dmMain ? dmMain->MSpeech1 : nullptr;
}

// The picture of an engine in the selector: the first keyword its name holds.
EnginePicture enginePictureFor(const QString& name) {
    if (name.contains(QStringLiteral("Male")))
        return EnginePicture::Male;
    if (name.contains(QStringLiteral("Female")))
        return EnginePicture::Female;
    if (name.contains(QStringLiteral("Mike")))
        return EnginePicture::Mike;
    if (name.contains(QStringLiteral("Mary")))
        return EnginePicture::Mary;
    if (name.contains(QStringLiteral("RoboSoft")))
        return EnginePicture::RoboSoft;
    return EnginePicture::Other;
}

// The WAV file of a file run cannot be created: reported as it is, never
// answered by converting some other text.
class WavFileError : public KaloError {
public:
    using KaloError::KaloError;
};

} // namespace

void TFormConverter::attachSpeech() {
    TMSpeech* s = speech();
    if (!s)
        return;
    connect(s, &TMSpeech::OnStart, this, &TFormConverter::SpeechStart);
    connect(s, &TMSpeech::OnStop, this, &TFormConverter::SpeechStop);
    // An error during a run (a full disk while writing the WAV file, an
    // engine failure) is kept until the run's stop, which then reports it
    // instead of "Done".
    connect(s, &TMSpeech::OnError, this, [this](int, const QString& message) {
        if (FRunning || FStarting)
            FRunError = message;
    });
    connect(s, &TMSpeech::OnWordPosition, this, [this](qint64 ms, qint32 offset) {
        if (FRunSubtitles && (FRunning || FStarting))
            FRunWords.push_back({offset, ms});
    });
}

void TFormConverter::fillEngines() {
    const QSignalBlocker block(ComboBoxExEngines);
    ComboBoxExEngines->clear();
    if (TMSpeech* s = speech())
        for (const QString& name : s->EngineNames())
            ComboBoxExEngines->addItem(QIcon(EnginePicturePath(enginePictureFor(name))), name);
    const int index = Settings.EngineIndex >= 0 && Settings.EngineIndex < ComboBoxExEngines->count()
                          ? Settings.EngineIndex
                          : 0;
    ComboBoxExEngines->setCurrentIndex(ComboBoxExEngines->count() > 0 ? index : -1);
    if (TMSpeech* s = speech()) {
        try {
            if (ComboBoxExEngines->count() > 0)
                s->SelectEngine(engineName());
        } catch (const KaloError&) {
            // Reported when the user reads; the window still opens.
        }
    }
}

QString TFormConverter::engineName() const {
    // The stored engine; one that is no longer installed falls back to the
    // first in the list.
    const int count = ComboBoxExEngines->count();
    if (count == 0)
        return QString();
    const int index = Settings.EngineIndex >= 0 && Settings.EngineIndex < count ? Settings.EngineIndex : 0;
    return ComboBoxExEngines->itemText(index);
}

void TFormConverter::ApplyConvertMode() {
    const int mode = Settings.ConvertMode == 1 || Settings.ConvertMode == 2 ? Settings.ConvertMode : 0;
    QAction* actions[] = {ActionTTS, ActionTTW, ActionTTM};
    static const char* const cursorCaptions[] = {"Read from Cursor", "Read from Cursor to WAV File",
                                                 "Read from Cursor to MP3 File"};
    static const char* const selectedCaptions[] = {"Read Selected Text", "Read Selected Text to WAV File",
                                                   "Read Selected Text to MP3 File"};
    ToolButtonTTX->setDefaultAction(actions[mode]);
    ActionTTXCursor->setText(QString::fromLatin1(cursorCaptions[mode]));
    ActionTTXSelected->setText(QString::fromLatin1(selectedCaptions[mode]));
}

void TFormConverter::setReadButtonDropDown(bool dropDown) {
    ToolButtonTTX->setMenu(dropDown ? PopupMenuTTX : nullptr);
    ToolButtonTTX->setPopupMode(dropDown ? QToolButton::MenuButtonPopup : QToolButton::DelayedPopup);
}

bool TFormConverter::reportErrors(const std::function<void()>& action) {
    try {
        action();
        return true;
    } catch (const KaloError& e) {
        ShowErrorBox(e.message());
    }
    return false;
}

bool TFormConverter::ReadText(const QString& text) {
    ApplyConvertMode();
    TMSpeech* s = speech();
    if (!s)
        throw KaloError(QStringLiteral("Speech Engine not initialized"));

    if (EncodingPending()) {
        // The encoder is reading a WAV file that a new run could overwrite,
        // and deletes its WAV file when it is done: nothing starts meanwhile.
        throw KaloError(QStringLiteral(
            "An MP3 file is still being made. Wait until it is done, or press Stop to cancel it."));
    }

    if (s->Paused()) {
        // Pressing Read while paused goes on with the paused run, on its tab.
        if (FPausedTab >= 0 && FPausedTab < TabControl1->count() && FPausedTab != selectedTab())
            changeTab(FPausedTab);
        s->Resume();
        TimerWordPosition->start();
        return false;
    }

    if (Settings.ConvertMode == 0) {
        s->Output = soGeneral;
        s->SelectEngine(engineName());
    } else {
        s->Output = soFile;
        const QString automatic = Settings.DefWavPath + TabControl1->tabText(selectedTab()) + QStringLiteral(".wav");
        QString path;
        if (Settings.ConvertMode == 1 && !Settings.AutoName)
            path = RunSaveDialog(dmMain->SaveDialogWav, automatic, this);
        if (path.isEmpty())
            path = automatic;
        s->Filename = path;
        s->SelectEngine(engineName());
        std::shared_ptr<IAudioFile> file;
        s->GetInterface(0, file);
        if (file)
            file->RealTimeSet(static_cast<quint32>(Settings.RealTime) & 0xFFFFu);
        discardRunMp3();
        if (Settings.ConvertMode == 2) {
            // The MP3 file is encoded in parts, on every core, while the
            // speech is written; without an encoder the MP3 step says so.
            FRunMp3 = new ParallelMp3Encoder(this);
            if (FRunMp3->prepare(AppPath, path, 0) && file)
                file->SetTap(FRunMp3->input());
        }
    }

    // Where each line starts, in the text the engine gets (lines ended by CR
    // LF) and in the editor (lines ended by "\n"), to turn the engine's word
    // positions into editor positions.
    const QStringList lines = SpokenLines(text);
    FSpokenLineStarts.clear();
    FEditorLineStarts.clear();
    int spoken = 0, editor = 0;
    for (const QString& line : lines) {
        FSpokenLineStarts.append(spoken);
        FEditorLineStarts.append(editor);
        spoken += static_cast<int>(line.size()) + 2;
        editor += static_cast<int>(line.size()) + 1;
    }
    s->Text = lines;
    const bool taken = s->Speak();
    if (!taken)
        discardRunMp3();
    if (!taken && s->Output == soFile) {
        // Nothing was written and nothing will start: say why instead of
        // leaving the user waiting.
        throw WavFileError(QStringLiteral("Cannot create file %1").arg(s->Filename));
    }
    FStarting = taken;
    FRunError.clear();
    FRunPath = selectedTab() >= 0 ? dmMain->FileList.value(selectedTab()) : QString();
    // The run keeps the mode it started in, whatever mode a later Read
    // (which may only resume it) applies.
    FRunMode = Settings.ConvertMode;
    // Subtitles follow the text the engine was given (lines ended by CR LF).
    FRunSubtitles = Settings.Subtitles && s->Output == soFile;
    FRunWords.clear();
    FRunStopped = false;
    FRunText.clear();
    if (FRunSubtitles)
        for (const QString& line : lines)
            FRunText += line + QStringLiteral("\r\n");
    return true;
}

void TFormConverter::ActionTTSExecute() {
    Settings.ConvertMode = 0;
    reportErrors([this] { ReadText(EditorText()); });
}

void TFormConverter::ActionTTWExecute() {
    Settings.ConvertMode = 1;
    reportErrors([this] { ReadText(EditorText()); });
}

void TFormConverter::ActionTTMExecute() {
    Settings.ConvertMode = 2;
    reportErrors([this] { ReadText(EditorText()); });
}

void TFormConverter::readPartial(int start, const QString& text) {
    try {
        // A partial read that only resumes a paused run leaves that run's
        // highlighting as it was.
        if (ReadText(text)) {
            FPartial = true;
            FPartialStart = start;
        }
    } catch (const WavFileError& e) {
        // Converting the whole document instead would write a file the user
        // did not ask for.
        ShowErrorBox(e.message());
    } catch (const KaloError&) {
        // The whole text is tried once more; its error is the one reported.
        reportErrors([this] { ReadText(EditorText()); });
    }
}

void TFormConverter::ActionTTXCursorExecute() {
    const int start = Memo1->textCursor().selectionStart();
    readPartial(start, EditorText().mid(start));
}

void TFormConverter::ActionTTXSelectedExecute() {
    const QTextCursor cursor = Memo1->textCursor();
    const int start = cursor.selectionStart();
    readPartial(start, EditorText().mid(start, cursor.selectionEnd() - start));
}

void TFormConverter::UpdateReadSelected() {
    const bool selection = Memo1->textCursor().hasSelection();
    if (FSelectedHeld)
        FSelectedWasEnabled = selection; // taken up when the encoder is done
    else
        ActionTTXSelected->setEnabled(selection);
}

void TFormConverter::ActionPauseExecute() {
    reportErrors([] {
        if (TMSpeech* s = speech())
            s->Pause();
    });
    TimerWordPosition->stop();
    FPausedTab = selectedTab();
}

void TFormConverter::ActionStopExecute() {
    if (FRunning || FStarting)
        FRunStopped = true; // its subtitles end with the last word heard
    FReading = false;
    FStarting = false;
    FPendingClipboard.clear();
    if (Encoding()) {
        FEncodingCancelled = true;
        while (FMp3Jobs.size() > 1)
            delete FMp3Jobs.takeLast().encoder;
        FEncoder->cancel();
    }
    reportErrors([] {
        TMSpeech* s = speech();
        if (s && s->Selected())
            s->Stop();
    });
}

void TFormConverter::restartReading() {
    // Another tab while a run goes on: read that document instead, in the
    // same mode. Errors here are not shown; the window stays idle.
    ActionStopExecute();
    QAction* mode = ToolButtonTTX->defaultAction();
    try {
        if (mode == ActionTTW)
            Settings.ConvertMode = 1;
        else if (mode == ActionTTM)
            Settings.ConvertMode = 2;
        else
            Settings.ConvertMode = 0;
        ReadText(EditorText());
    } catch (const KaloError&) {
    }
}

void TFormConverter::SpeechStart() {
    FRunning = true;
    UpdateReadActions();
    ActionPause->setEnabled(true);
    ActionStop->setEnabled(true);
    ComboBoxExEngines->setEnabled(false);
    setReadButtonDropDown(false);
    TMSpeech* s = speech();
    qsizetype length = 0;
    if (s)
        for (const QString& line : s->Text)
            length += line.size() + 2;
    GaugeWordPosition->setRange(0, static_cast<int>(std::min<qsizetype>(length, INT_MAX)));
    GaugeWordPosition->setValue(0);
    TimerWordPosition->start();
    if (!FFromClipboard)
        Memo1->setFocus();
    FReading = true;
    FStarting = false;
    SetStatus(s && s->Output == soGeneral ? QStringLiteral(" Reading...")
                                          : QStringLiteral(" Converting into WAV file..."));
}

int TFormConverter::HighlightOffset() const {
    const TMSpeech* s = speech();
    if (!s || FFromClipboard || FSpokenLineStarts.isEmpty() || FShownPath != FRunPath)
        return -1;
    const int spoken = s->WordPosition();
    auto it = std::upper_bound(FSpokenLineStarts.begin(), FSpokenLineStarts.end(), spoken);
    const auto line = std::max<qsizetype>(0, (it - FSpokenLineStarts.begin()) - 1);
    const int within = spoken - FSpokenLineStarts[line];
    return FEditorLineStarts[line] + within + (FPartial ? FPartialStart : 0);
}

void TFormConverter::TimerWordPositionTimer() {
    TMSpeech* s = speech();
    if (!s)
        return;
    GaugeWordPosition->setValue(std::clamp(s->WordPosition(), GaugeWordPosition->minimum(),
                                           GaugeWordPosition->maximum()));
    const int at = HighlightOffset();
    if (at < 0)
        return;
    // One selected character marks the word being spoken and keeps it in view.
    QTextCursor cursor = Memo1->textCursor();
    const int end = Memo1->document()->characterCount() - 1;
    cursor.setPosition(std::clamp(at, 0, end));
    cursor.setPosition(std::clamp(at + 1, 0, end), QTextCursor::KeepAnchor);
    Memo1->setTextCursor(cursor);
}

void TFormConverter::SpeechStop() {
    FRunning = false;
    FStarting = false;
    SetStatus(QStringLiteral(" Done"));
    UpdateReadActions();
    ActionPause->setEnabled(false);
    ActionStop->setEnabled(Encoding());
    TMSpeech* s = speech();
    if (s && s->Paused()) {
        // A pause that came as the text ended: the end's own notifications
        // follow at once; look again once they are in.
        QTimer::singleShot(0, this, &TFormConverter::checkPausedRunEnded);
        return;
    }
    setReadButtonDropDown(true);
    ComboBoxExEngines->setEnabled(true);
    GaugeWordPosition->setValue(0);
    TimerWordPosition->stop();
    if (!FFromClipboard && FShownPath == FRunPath) {
        QTextCursor cursor = Memo1->textCursor();
        cursor.clearSelection();
        Memo1->setTextCursor(cursor);
    }
    if (!FRunError.isEmpty()) {
        // A failed run goes no further: no MP3 step, no next document.
        discardRunMp3();
        const QString error = FRunError;
        FRunError.clear();
        FPartial = false;
        FFromClipboard = false;
        FReading = false;
        const bool toFile = s && s->Output == soFile;
        SetStatus(toFile ? QStringLiteral(" Conversion failed") : QStringLiteral(" Reading failed"));
        ShowErrorBox(toFile ? QStringLiteral("The WAV file %1 could not be completed.\n\n%2").arg(s->Filename, error)
                            : error);
        return;
    }
    const bool next = continuesWithNext();
    const bool mp3 = FRunMode == 2 && !FFromClipboard && s && s->Output == soFile;
    const std::optional<QByteArray> subtitles = runSubtitles(s);
    FPartial = false;
    FFromClipboard = false;
    if (mp3) {
        // The next document waits for the encoder.
        FReading = next;
        FRunSubtitleText = subtitles;
        startMp3Step(s ? s->Filename : QString(), next);
        return;
    }
    if (subtitles && FRunMode == 1 && s && s->Output == soFile) {
        QString error;
        if (!WriteSubtitleFile(SubtitlePathFor(s->Filename), *subtitles, &error))
            ShowErrorBox(QStringLiteral("The subtitles could not be written.\n\n%1").arg(error));
    }
    if (next) {
        goOnWithNext();
        return;
    }
    FReading = false;
}

std::optional<QByteArray> TFormConverter::runSubtitles(TMSpeech* s) const {
    if (!FRunSubtitles || FFromClipboard || !s || s->Output != soFile)
        return std::nullopt;
    std::shared_ptr<IAudioFile> file;
    s->GetInterface(0, file);
    if (!file)
        return std::nullopt;
    return SrtText(BuildCues(FRunText, FRunWords, file->WrittenMs(), !FRunStopped));
}

QString SubtitlePathFor(const QString& audioPath) {
    const QFileInfo info(audioPath);
    return info.path() + u'/' + info.completeBaseName() + QStringLiteral(".srt");
}

void TFormConverter::goOnWithNext() {
    if (FLoading) {
        // A large document is being loaded into the editor, for a tab the
        // user chose: changing the tab under the load would show that
        // document on another tab's name. The next document follows once it
        // is shown, unless a run has begun on it by then.
        QTimer::singleShot(50, this, [this] {
            if (FReading && !FStarting && !FRunning)
                goOnWithNext();
        });
        return;
    }
    // The tab after the document just read; the user may have looked at
    // another one meanwhile.
    const int next = runTab() + 1;
    if (next <= 0 || next >= TabControl1->count() || !changeTab(next)) {
        // Refused at the save question, or nothing left: the run is over,
        // and no later tab change may start one.
        FReading = false;
        return;
    }
    if (!FStarting && !FRunning)
        FReading = false; // the next document could not be started
}

int TFormConverter::runTab() const {
    if (!FRunPath.isEmpty() && selectedTab() >= 0 &&
        dmMain->FileList.value(selectedTab()) == FRunPath)
        return selectedTab();
    const qsizetype at = FRunPath.isEmpty() ? -1 : dmMain->FileList.indexOf(FRunPath);
    return at >= 0 ? static_cast<int>(at) : selectedTab();
}

void TFormConverter::checkPausedRunEnded() {
    TMSpeech* s = speech();
    if (!s || !s->Paused() || s->TextPending() || FRunning)
        return;
    // The text was over when Pause took effect: nothing is left to resume,
    // so the run ends here (its MP3 step included). The user asked it to
    // hold, so no next document follows.
    reportErrors([s] { s->Stop(); });
    FReading = false;
    SpeechStop();
}

bool TFormConverter::continuesWithNext() const {
    const int at = runTab();
    return FReading && Settings.AutoNext && !FPartial && !FFromClipboard && at >= 0 &&
           at < TabControl1->count() - 1;
}

void TFormConverter::startMp3Step(const QString& wavPath, bool thenNext) {
    // From here until the encoder is done no run may start: the encoder
    // reads this WAV file and deletes it at its end.
    FMp3Asking = true;
    UpdateReadActions();
    SetStatus(QStringLiteral(" Converting into MP3 file..."));
    GaugeWordPosition->setRange(0, 100);
    GaugeWordPosition->setValue(0);

    // Named after the WAV file, which is named after the document it came
    // from (the selected tab may have changed since).
    const QString automatic = Settings.DefMp3Path + QFileInfo(wavPath).completeBaseName() + QStringLiteral(".mp3");
    QString mp3Path;
    if (!Settings.AutoName)
        mp3Path = RunSaveDialog(dmMain->SaveDialogMp3, automatic, this);
    if (mp3Path.isEmpty())
        mp3Path = automatic;
    FMp3Asking = false;
    FMp3Jobs.append({wavPath, mp3Path, thenNext, FRunSubtitleText, FRunMp3});
    FRunSubtitleText.reset();
    FRunMp3 = nullptr;
    if (!Encoding())
        startNextMp3Job();
}

QString Mp3PartPath(const QString& mp3Path) {
    return mp3Path + QStringLiteral(".part");
}

void TFormConverter::discardRunMp3() {
    // Its processes end and its parts go with it.
    delete FRunMp3;
    FRunMp3 = nullptr;
}

void TFormConverter::startNextMp3Job() {
    if (FMp3Jobs.isEmpty())
        return;
    const Mp3Job job = FMp3Jobs.first();
    // The encoder runs beside the window, which keeps answering; Stop
    // cancels it and keeps the WAV file. It writes beside the target and the
    // file takes the target's name only once complete, so a stopped or
    // failed encoding leaves no cut-off MP3 file (and an older file of that
    // name stays as it was).
    FEncodingCancelled = false;
    ActionStop->setEnabled(true);
    UpdateReadActions();
    FEncoder = job.encoder;
    if (!FEncoder) {
        mp3JobFinished(false, QStringLiteral("The MP3 encoding was not started."));
        return;
    }
    // The gauge goes on from what was encoded beside the speech.
    connect(FEncoder, &ParallelMp3Encoder::progress, this, [this](int percent) {
        if (!FRunning)
            GaugeWordPosition->setValue(percent);
    });
    connect(FEncoder, &ParallelMp3Encoder::finished, this, [this](bool ok) {
        mp3JobFinished(ok, FEncoder ? FEncoder->errorString() : QString());
    });
    QFile::remove(Mp3PartPath(job.mp3Path));
    if (!FEncoder->finish(Mp3PartPath(job.mp3Path)))
        mp3JobFinished(false, FEncoder->errorString());
}

void TFormConverter::mp3JobFinished(bool ok, const QString& reason) {
    if (FMp3Jobs.isEmpty())
        return;
    const Mp3Job job = FMp3Jobs.takeFirst();
    if (FEncoder) {
        FEncoder->disconnect(this);
        FEncoder->deleteLater();
        FEncoder = nullptr;
    }
    const QString part = Mp3PartPath(job.mp3Path);
    const QFileInfo written(part);
    bool made = ok && written.exists() && written.size() > 0;
    QString why = reason;
    if (made && std::rename(QFile::encodeName(part).constData(),
                            QFile::encodeName(job.mp3Path).constData()) != 0) {
        made = false;
        why = QStringLiteral("The finished file could not take the name %1: %2")
                  .arg(job.mp3Path, QString::fromLocal8Bit(std::strerror(errno)));
    }
    QFile::remove(part);
    if (made) {
        // Only a complete MP3 file replaces the WAV file.
        QFile::remove(job.wavPath);
    }
    QString subtitleError;
    const bool subtitlesFailed =
        made && job.subtitles &&
        !WriteSubtitleFile(SubtitlePathFor(job.mp3Path), *job.subtitles, &subtitleError);
    if (FClosing)
        return;
    if (subtitlesFailed)
        ShowErrorBox(QStringLiteral("The subtitles could not be written.\n\n%1").arg(subtitleError));
    SetStatus(made                 ? QStringLiteral(" Done")
              : FEncodingCancelled ? QStringLiteral(" MP3 encoding cancelled")
                                   : QStringLiteral(" MP3 encoding failed"));
    GaugeWordPosition->setValue(made ? GaugeWordPosition->maximum() : 0);
    GaugeWordPosition->setValue(0);
    ActionStop->setEnabled(!FMp3Jobs.isEmpty());
    UpdateReadActions();
    if (!made && !FEncodingCancelled) {
        if (why.isEmpty())
            why = ok ? QStringLiteral("The encoder wrote no MP3 file.")
                     : QStringLiteral("The encoder failed.");
        const QString wav =
            QFileInfo::exists(job.wavPath)
                ? QStringLiteral("The WAV file is kept: %1").arg(job.wavPath)
                : QStringLiteral("The WAV file %1 is no longer there.").arg(job.wavPath);
        ShowErrorBox(QStringLiteral("The MP3 file %1 could not be made.\n\n%2\n\n%3")
                         .arg(job.mp3Path, why, wav));
    }
    if (!FMp3Jobs.isEmpty()) {
        startNextMp3Job();
        return;
    }
    if (!FPendingClipboard.isEmpty()) {
        // Clipboard text that came while the encoder ran is read now; like
        // any clipboard reading it ends the run of documents.
        const QString text = FPendingClipboard;
        FPendingClipboard.clear();
        FReading = false;
        readClipboardNow(text);
        return;
    }
    if (job.thenNext && FReading) {
        goOnWithNext();
        return;
    }
    FReading = false;
}

bool TFormConverter::Encoding() const {
    return FEncoder && FEncoder->isRunning();
}

bool TFormConverter::EncodingPending() const {
    return FMp3Asking || Encoding() || !FMp3Jobs.isEmpty();
}

void TFormConverter::UpdateReadActions() {
    const bool encoding = EncodingPending();
    const bool whole = !encoding && !FRunning;
    ActionTTS->setEnabled(whole);
    ActionTTW->setEnabled(whole);
    ActionTTM->setEnabled(whole);
    ActionTTXCursor->setEnabled(!encoding);
    if (encoding) {
        if (!FSelectedHeld) {
            FSelectedHeld = true;
            FSelectedWasEnabled = ActionTTXSelected->isEnabled();
        }
        ActionTTXSelected->setEnabled(false);
    } else if (FSelectedHeld) {
        FSelectedHeld = false;
        ActionTTXSelected->setEnabled(FSelectedWasEnabled);
    }
}

bool TFormConverter::Busy() const {
    return FStarting || FRunning || FReading || EncodingPending() || !FPendingClipboard.isEmpty();
}

void TFormConverter::ComboBoxExEnginesChange(int index) {
    Settings.EngineIndex = index;
    reportErrors([this] {
        if (TMSpeech* s = speech())
            s->SelectEngine(ComboBoxExEngines->currentText());
    });
}

void TFormConverter::TrackBarVolChange(int position) {
    SetWaveVolume(position);
}

// Clipboard text this long goes to the document's file first and is shown
// from there, so laying it out in the editor does not hold up the window.
constexpr qsizetype kLargeClipboardText = 1024 * 1024;

void TFormConverter::writeAndShow(const QString& text) {
    const int selected = selectedTab();
    if (selected < 0)
        return;
    const QString path = dmMain->FileList.at(selected);
    TextFormat format = FShownFormat;
    try {
        WriteTextFile(path, text, format);
    } catch (const KaloError& e) {
        ShowErrorBox(e.message());
        return;
    }
    QString reason;
    if (!loadDocument(path, &reason))
        ShowErrorBox(reason);
    SetStatus(QStringLiteral(" Saved"));
}

void TFormConverter::readClipboardNow(const QString& clip) {
    FPartial = true;
    FFromClipboard = true;
    // A run written into a file that this reading replaces makes no MP3.
    discardRunMp3();
    reportErrors([&] {
        TMSpeech* s = speech();
        if (!s)
            throw KaloError(QStringLiteral("Speech Engine not initialized"));
        s->Output = soGeneral;
        s->SelectEngine(engineName());
        s->Text = SpokenLines(clip);
        FStarting = s->Speak();
        FRunError.clear();
        FRunMode = 0;
        FRunSubtitles = false;
        FRunPath.clear();
    });
}

void TFormConverter::ReadClipboard(const QString& text) {
    if (FLoading) {
        // A large document is being shown; act on the text once it is.
        QTimer::singleShot(100, this, [this, text] { ReadClipboard(text); });
        return;
    }
    int choice = Settings.DefAction;
    if (Settings.ShowPrompt)
        choice = AskClipboardAction();
    // Every answer works on the text with "\n" line breaks, as the editor does.
    const QString clip = NormaliseLineBreaks(text);
    switch (choice) {
    case PromptReadNow:
        if (EncodingPending()) {
            // Read once the encoder is done; nothing starts while it runs.
            FPendingClipboard = clip;
            SetStatus(QStringLiteral(" Clipboard text waits for the MP3 file to be made..."));
            break;
        }
        readClipboardNow(clip);
        break;
    case PromptNew: {
        if (!FileNew())
            break;
        // The text goes into the document New made, and nowhere else.
        if (FNewPath.isEmpty() || FShownPath != FNewPath || selectedTab() < 0 ||
            dmMain->FileList.at(selectedTab()) != FNewPath) {
            ShowErrorBox(QStringLiteral(
                "The new document could not be shown, so the clipboard text was not saved."));
            break;
        }
        if (clip.size() < kLargeClipboardText) {
            Memo1->setPlainText(clip);
            FileSave();
        } else {
            writeAndShow(clip);
        }
        break;
    }
    case PromptAppend: {
        if (FShownUnreadable) {
            ShowErrorBox(QStringLiteral("%1 could not be read, so nothing was appended to it.").arg(FShownPath));
            break;
        }
        // The text goes on a line of its own after the document's last line.
        const QString current = EditorText();
        QString added = clip;
        if (!current.isEmpty() && !current.endsWith(QLatin1Char('\n')))
            added.prepend(QLatin1Char('\n'));
        if (added.size() < kLargeClipboardText) {
            QTextCursor cursor(Memo1->document());
            cursor.movePosition(QTextCursor::End);
            cursor.insertText(added);
            FileSave();
        } else {
            writeAndShow(current + added);
        }
        break;
    }
    default:
        break;
    }
}

} // namespace kalo
