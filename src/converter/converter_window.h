// The converter: a tabbed text editor over the document list. Every tab is a
// text file on disk; the one editor shows the selected tab's file.
#pragma once

#include "services/interface_windows.h"
#include "base/text_file.h"
#include "speech/subtitles.h"
#include "ui/dialog_frame.h"

#include <QPointer>

#include <functional>
#include <optional>
#include <vector>

class QAction;
class QComboBox;
class QLabel;
class QMenu;
class QMenuBar;
class QPlainTextEdit;
class QProgressBar;
class QSlider;
class QTabBar;
class QTimer;
class QToolBar;
class QToolButton;

namespace kalo {

class TFindReplaceDialog;
class TMSpeech;

// What the user answers when unsaved edits would be lost.
enum class SaveChangesAnswer { Save, Discard, Cancel };

class TFormConverter : public TJQForm, public TClipboardReader {
    Q_OBJECT
public:
    explicit TFormConverter(QWidget* parent = nullptr);
    ~TFormConverter() override;

    // Rebuilds the tabs from the document list and shows the selected
    // document. False when the document could neither be read nor created.
    bool RefreshTabs();
    // Shows the selected tab's document (the tab bar's change handler).
    void TabControl1Change();

    // The documents' operations; each returns false when it did not happen
    // (cancelled, or failed with a message).
    bool FileNew();
    bool FileOpen();
    bool FileSave();
    bool FileSaveAs();
    bool FileClose();
    bool FileCloseAll();
    void SelectFirst();
    void SelectLast();
    void CartoonMode();

    // The editor's text with "\n" line breaks, exactly as typed.
    QString EditorText() const;
    // The document shown in the editor and whether it has unsaved edits.
    QString ShownPath() const { return FShownPath; }
    bool Modified() const;

    // Asked before unsaved edits would be lost; replaceable for tests.
    std::function<SaveChangesAnswer(const QString& path)> AskSaveChanges;

    // Actions, with the captions, hints and shortcuts of the menus.
    QAction* ActionFileNew = nullptr;
    QAction* ActionFileOpen = nullptr;
    QAction* ActionFileSave = nullptr;
    QAction* ActionFileSaveAs = nullptr;
    QAction* ActionFileClose = nullptr;
    QAction* ActionFileCloseAll = nullptr;
    QAction* ActionFileExit = nullptr;
    QAction* ActionFirst = nullptr;
    QAction* ActionLast = nullptr;
    QAction* ActionOptions = nullptr;
    QAction* ActionCartoon = nullptr;
    QAction* ActionBrowseTxt = nullptr;
    QAction* ActionBrowseWav = nullptr;
    QAction* ActionBrowseMp3 = nullptr;
    QAction* ActionHelp = nullptr;
    QAction* ActionHelpContact = nullptr;
    QAction* ActionHelpKALOHome = nullptr;
    QAction* ActionHelpJQHome = nullptr;
    QAction* ActionHelpAbout = nullptr;
    QAction* EditUndo1 = nullptr;
    QAction* EditCut1 = nullptr;
    QAction* EditCopy1 = nullptr;
    QAction* EditPaste1 = nullptr;
    QAction* EditDelete1 = nullptr;
    QAction* EditSelectAll1 = nullptr;
    QAction* SearchFind1 = nullptr;
    QAction* SearchReplace1 = nullptr;
    QAction* SearchFindFirst1 = nullptr;
    QAction* SearchFindNext1 = nullptr;
    QAction* ActionTTS = nullptr;
    QAction* ActionTTW = nullptr;
    QAction* ActionTTM = nullptr;
    QAction* ActionPause = nullptr;
    QAction* ActionStop = nullptr;
    QAction* ActionTTXCursor = nullptr;
    QAction* ActionTTXSelected = nullptr;
    // "Write Subtitles": a check item kept in the setting Subtitles.
    QAction* ActionSubtitles = nullptr;
    QAction* TabClose = nullptr;

    QMenuBar* MenuBar = nullptr;
    QMenu* File1 = nullptr;
    QMenu* Edit1 = nullptr;
    QMenu* Search1 = nullptr;
    QMenu* Playback1 = nullptr;
    QMenu* Tools1 = nullptr;
    QMenu* Help1 = nullptr;
    QMenu* PopupMenuTab = nullptr;
    QMenu* PopupMenuMemo = nullptr;
    QMenu* PopupMenuTTX = nullptr;

    QToolBar* ToolBarSpeech = nullptr;
    QToolButton* ToolButtonTTX = nullptr;
    QComboBox* ComboBoxExEngines = nullptr;
    QSlider* TrackBarVol = nullptr;
    QTabBar* TabControl1 = nullptr;
    QPlainTextEdit* Memo1 = nullptr;
    QLabel* PanelStatus = nullptr;
    QProgressBar* GaugeWordPosition = nullptr;
    QTimer* TimerWordPosition = nullptr;
    TFindReplaceDialog* FindDialog = nullptr;

    // Run state of reading (see the reading code).
    bool FReading = false;
    bool FPartial = false;
    bool FFromClipboard = false;
    int FPartialStart = 0;
    int FPausedTab = 0;

    // Reading and conversion.
    void ActionTTSExecute();
    void ActionTTWExecute();
    void ActionTTMExecute();
    void ActionTTXCursorExecute();
    void ActionTTXSelectedExecute();
    void ActionPauseExecute();
    void ActionStopExecute();
    void TimerWordPositionTimer();
    void ComboBoxExEnginesChange(int index);
    void TrackBarVolChange(int position);
    // Enables Read Selected Text exactly when the editor has a selection;
    // run when the Playback menu or the editor's pop-up opens.
    void UpdateReadSelected();
    // Sets the Read button's action and the partial reads' captions from
    // ConvertMode.
    void ApplyConvertMode();
    // Clipboard text arrived: read it, make a document of it, or append it,
    // as the settings (and the prompt) say.
    void ReadClipboard(const QString& text) override;
    // The editor offset the word being spoken is at, or -1 when no run
    // follows the editor.
    int HighlightOffset() const;
    // True while the MP3 encoder runs after a conversion.
    bool Encoding() const;
    // True from the end of an MP3 run's speech until its encoding is over
    // (the MP3 name is asked, the encoder runs or waits): no run starts then.
    bool EncodingPending() const;
    // Enables the read actions for the window's state: the whole-document
    // reads while idle, nothing while an MP3 file is being made.
    void UpdateReadActions();
    // True from the moment a text is handed over for reading until the run,
    // its encoding and any next document are over.
    bool Busy() const;

    // Sets the status text (every status text begins with one space).
    void SetStatus(const QString& text);
    QString Status() const;

protected:
    void FormShow() override;
    void closeEvent(QCloseEvent* event) override;
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void FormCreate();
    void attachSpeech();
    void fillEngines();
    QString engineName() const;
    // Hands text to the speech component in the current mode, or resumes the
    // paused run; true when a new run was started. Throws the component's
    // errors.
    bool ReadText(const QString& text);
    void readPartial(int start, const QString& text);
    // Runs an action, showing its error in the error box; false on error.
    bool reportErrors(const std::function<void()>& action);
    void restartReading();
    void SpeechStart();
    void SpeechStop();
    bool continuesWithNext() const;
    // The tab of the document being read (the selected one when it is gone).
    int runTab() const;
    // Selects the tab after the document just read, which reads it.
    void goOnWithNext();
    void checkPausedRunEnded();
    void readClipboardNow(const QString& text);
    void startMp3Step(const QString& wavPath, bool thenNext);
    void startNextMp3Job();
    // Drops the MP3 encoding of a run that ends without its MP3 step.
    void discardRunMp3();
    void mp3JobFinished(bool ok, const QString& reason);
    void setReadButtonDropDown(bool dropDown);
    // False when the user kept the shown document (cancelled at the save
    // question).
    bool changeTab(int index);
    // Writes text as the selected document and shows it from its file.
    void writeAndShow(const QString& text);
    void createActions();
    void createMenus();
    void createControls();
    QAction* makeAction(const QString& name, const QString& caption, const QString& hint,
                        const QKeySequence& shortcut = {});
    void TabControl1MouseUp(QPoint pos);
    void TabBarCurrentChanged(int index);

    // Loads a document into the editor; false with the reason when it cannot
    // be read.
    bool loadDocument(const QString& path, QString* reason);
    void loadLargeDocument(const QString& path);
    void showUnreadable(const QString& path);
    // An empty, editable document for a file that does not exist (yet).
    void showEmpty(const QString& path);
    bool writeEditorTo(const QString& path);
    // Before the editor's text would be replaced: asks to save unsaved edits.
    // False when the user cancelled (or saving failed).
    bool ConfirmDiscard();
    int selectedTab() const;
    void selectTab(int index);

    QString FShownPath;
    // The document the last successful New created.
    QString FNewPath;
    TextFormat FShownFormat;
    bool FShownUnreadable = false;
    int FShownTab = -1;
    QString FStatus;
    bool FCartoonSwitch = false;
    bool FLoading = false;
    // Where the lines of the text being read start: in the text handed to the
    // engine (each line ended by CR LF) and in the editor (ended by "\n").
    QVector<int> FSpokenLineStarts;
    QVector<int> FEditorLineStarts;
    // A run's audio is going on (between its start and stop), or a text was
    // handed over and its audio has not started yet.
    bool FRunning = false;
    bool FStarting = false;
    // The mode the current run was started in, and an error it reported.
    int FRunMode = 0;
    QString FRunError;
    // MP3 encodings waiting or running, oldest first, and whether the next
    // document follows the encoding.
    struct Mp3Job {
        QString wavPath;
        QString mp3Path;
        bool thenNext = false;
        std::optional<QByteArray> subtitles; // written beside the MP3 file when it is made
        // Has encoded the parts of the run's speech as they were written.
        class ParallelMp3Encoder* encoder = nullptr;
    };
    QList<Mp3Job> FMp3Jobs;
    // The encoder of the job being finished.
    class ParallelMp3Encoder* FEncoder = nullptr;
    // The encoder taking the speech of the MP3 run going on.
    class ParallelMp3Encoder* FRunMp3 = nullptr;
    bool FEncodingCancelled = false;
    bool FMp3Asking = false;
    // The window is going: an encoding still running is waited for.
    bool FClosing = false;
    // The document the run reads (empty for clipboard text).
    QString FRunPath;
    // Clipboard text to read once the encoder is done.
    QString FPendingClipboard;
    // Subtitles of a file run: whether it writes them (taken at its start),
    // the text the engine was given, the words heard, whether Stop ended
    // it, and the subtitles made at its end for the MP3 step.
    bool FRunSubtitles = false;
    QString FRunText;
    std::vector<WordTiming> FRunWords;
    bool FRunStopped = false;
    std::optional<QByteArray> FRunSubtitleText;
    // The subtitles of the run that just ended; none when it writes none.
    std::optional<QByteArray> runSubtitles(TMSpeech* speech) const;
    // Read Selected Text is held disabled while an MP3 file is being made.
    bool FSelectedHeld = false;
    bool FSelectedWasEnabled = false;
};

// Where the encoder writes an MP3 file until it is complete.
QString Mp3PartPath(const QString& mp3Path);
// The subtitle file that goes beside an audio file: <name>.srt.
QString SubtitlePathFor(const QString& audioPath);

// Registers the converter as the window Launch opens for the converter
// interface.
void RegisterConverterWindow();

} // namespace kalo
