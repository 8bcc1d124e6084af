#include "converter/converter_window.h"

#include "base/app_folders.h"
#include "base/settings_store.h"
#include "converter/document_tabs.h"
#include "converter/find_replace_dialog.h"
#include "services/data_module.h"
#include "services/file_dialogs.h"
#include "services/interface_windows.h"
#include "services/options_dialog.h"
#include "speech/mp3_parts.h"
#include "speech/mspeech.h"
#include "ui/about_box.h"
#include "ui/shared_helpers.h"
#include "ui/ui_pictures.h"
#include "ui/window_placement.h"

#include <QAction>

#include <algorithm>
#include <atomic>
#include <memory>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSlider>
#include <QSplitter>
#include <QStatusTipEvent>
#include <QTabBar>
#include <QTextCursor>
#include <QTextDocument>
#include <QThread>
#include <QEventLoop>
#include <QPlainTextDocumentLayout>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace kalo {

namespace {

SaveChangesAnswer askSaveChangesBox(QWidget* parent, const QString& path) {
    QMessageBox box(QMessageBox::Warning, QString::fromLatin1(ApplicationTitle),
                    QStringLiteral("The document %1 has changed.\n\nDo you want to save the changes?")
                        .arg(QFileInfo(path).fileName()),
                    QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, parent);
    box.setInformativeText(path);
    box.setDefaultButton(QMessageBox::Save);
    switch (box.exec()) {
    case QMessageBox::Save:
        return SaveChangesAnswer::Save;
    case QMessageBox::Discard:
        return SaveChangesAnswer::Discard;
    default:
        return SaveChangesAnswer::Cancel;
    }
}

// A 48-pixel tool bar picture with its disabled and hot looks.
QIcon toolBarIcon(ToolBarPicture picture) {
    QIcon icon;
    icon.addFile(ToolBarPicturePath(picture, PictureState::Normal), QSize(48, 48), QIcon::Normal);
    icon.addFile(ToolBarPicturePath(picture, PictureState::Disabled), QSize(48, 48), QIcon::Disabled);
    icon.addFile(ToolBarPicturePath(picture, PictureState::Hot), QSize(48, 48), QIcon::Active);
    return icon;
}

// The splitting of a hint: tool tip before the bar, status text after it.
void applyHint(QAction* action, const QString& hint) {
    const qsizetype bar = hint.indexOf(QLatin1Char('|'));
    action->setToolTip(bar < 0 ? hint : hint.left(bar));
    action->setStatusTip(bar < 0 ? hint : hint.mid(bar + 1));
}

} // namespace

TFormConverter::TFormConverter(QWidget* parent) : TJQForm(parent, Qt::Window) {
    setObjectName(QStringLiteral("FormConverter"));
    setWindowTitle(QStringLiteral("Text To Speech/Wav/Mp3 Converter"));
    setBorderIcons(biSystemMenu | biMinimize | biMaximize);
    AskSaveChanges = [this](const QString& path) { return askSaveChangesBox(this, path); };
    createActions();
    createControls();
    createMenus();
    FormCreate();
}

TFormConverter::~TFormConverter() {
    // The window's values go back into the settings; they reach the file at
    // shut-down.
    const QRect r = NormalGeometry();
    Settings.ConverterWidth = r.width();
    Settings.ConverterHeight = r.height();
    Settings.ConverterLeft = r.x();
    Settings.ConverterTop = r.y();
    Settings.EngineIndex = ComboBoxExEngines->currentIndex();
    Settings.Vol = TrackBarVol->value();
    // An MP3 file being made is finished first, as it would be if the
    // program waited for the encoder: the user's conversion is not lost.
    FClosing = true;
    if (FEncoder && FEncoder->isRunning())
        FEncoder->waitForFinished();
    // Nothing of this window may be called once it is gone.
    if (dmMain && dmMain->MSpeech1)
        dmMain->MSpeech1->disconnect(this);
}

QAction* TFormConverter::makeAction(const QString& name, const QString& caption, const QString& hint,
                                    const QKeySequence& shortcut) {
    auto* action = new QAction(caption, this);
    action->setObjectName(name);
    applyHint(action, hint);
    if (!shortcut.isEmpty()) {
        action->setShortcut(shortcut);
        action->setShortcutContext(Qt::WindowShortcut);
    }
    addAction(action);
    return action;
}

void TFormConverter::createActions() {
    ActionFileNew = makeAction("ActionFileNew", "New", "Create a new document", QKeySequence("Ctrl+N"));
    ActionFileOpen = makeAction("ActionFileOpen", "Open...", "Open document(s)", QKeySequence("Ctrl+O"));
    ActionFileSave = makeAction("ActionFileSave", "Save", "Save the selected document", QKeySequence("Ctrl+S"));
    ActionFileSaveAs = makeAction("ActionFileSaveAs", "Save As...", "Save the selected document as...");
    ActionFileClose = makeAction("ActionFileClose", "Close", "Close the selected document");
    ActionFileCloseAll = makeAction("ActionFileCloseAll", "Close All", "Close all documents");
    ActionFileExit = makeAction("ActionFileExit", "Exit", "Exit");
    ActionFirst = makeAction("ActionFirst", "First", "First", QKeySequence(Qt::Key_F7));
    ActionLast = makeAction("ActionLast", "Last", "Last", QKeySequence(Qt::Key_F8));
    ActionOptions = makeAction("ActionOptions", "Options", "Options");
    ActionCartoon = makeAction("ActionCartoon", "Cartoon Mode", "Switch to Cartoon Mode");
    ActionBrowseTxt = makeAction("ActionBrowseTxt", "Browse Documents", "Browse documents", QKeySequence(Qt::Key_F9));
    ActionBrowseWav = makeAction("ActionBrowseWav", "Browse WAV Files", "Browse WAV files", QKeySequence(Qt::Key_F10));
    ActionBrowseMp3 = makeAction("ActionBrowseMp3", "Browse MP3 Files", "Browse MP3 files", QKeySequence(Qt::Key_F11));
    ActionHelp = makeAction("ActionHelp", "Help", "Help for KALO", QKeySequence(Qt::Key_F1));
    ActionHelpContact = makeAction("ActionHelpContact", "Contact Us", "Contact us via email");
    ActionHelpKALOHome = makeAction("ActionHelpKALOHome", "KALO Home Page", "KALO Home Page");
    ActionHelpJQHome = makeAction("ActionHelpJQHome", "Halden Software Home Page", "Halden Software Home Page");
    ActionHelpAbout = makeAction("ActionHelpAbout", "Halden Software KALO...", "About KALO");

    // The editor handles its own editing keys; these actions carry the same
    // shortcuts for the menus to show, and act on the editor when chosen.
    auto editAction = [this](const char* name, const QString& caption, const QString& hint,
                             const QKeySequence& shortcut) {
        QAction* a = makeAction(QString::fromLatin1(name), caption, hint);
        a->setShortcut(shortcut);
        a->setShortcutContext(Qt::WidgetShortcut);
        return a;
    };
    EditUndo1 = editAction("EditUndo1", "&Undo", "Undo|Reverts the last action", QKeySequence("Ctrl+Z"));
    EditCut1 = editAction("EditCut1", "Cu&t", "Cut|Cuts the selection and puts it on the Clipboard", QKeySequence("Ctrl+X"));
    EditCopy1 = editAction("EditCopy1", "&Copy", "Copy|Copies the selection and puts it on the Clipboard", QKeySequence("Ctrl+C"));
    EditPaste1 = editAction("EditPaste1", "&Paste", "Paste|Inserts Clipboard contents", QKeySequence("Ctrl+V"));
    EditDelete1 = editAction("EditDelete1", "&Delete", "Delete|Erases the selection", {});
    EditSelectAll1 = editAction("EditSelectAll1", "Select &All", "Select All|Selects the entire document", QKeySequence("Ctrl+A"));
    SearchFind1 = makeAction("SearchFind1", "&Find...", "Find|Finds the specified text", QKeySequence("Ctrl+F"));
    SearchReplace1 = makeAction("SearchReplace1", "&Replace", "Replace|Replaces specific text with different text");
    SearchFindFirst1 = makeAction("SearchFindFirst1", "F&ind First", "Find First|Finds the first occurance of specified text");
    SearchFindNext1 = makeAction("SearchFindNext1", "Find &Next", "Find Next|Repeats the last find");
    SearchFindNext1->setEnabled(false);

    ActionTTS = makeAction("ActionTTS", "Read", "Read document", QKeySequence(Qt::Key_F2));
    ActionTTW = makeAction("ActionTTW", "Read to WAV File", "Convert document into WAV file", QKeySequence(Qt::Key_F3));
    ActionTTM = makeAction("ActionTTM", "Read to MP3 File", "Convert document into MP3 file", QKeySequence(Qt::Key_F4));
    ActionPause = makeAction("ActionPause", "Pause", "Pause", QKeySequence(Qt::Key_F5));
    ActionStop = makeAction("ActionStop", "Stop", "Stop", QKeySequence(Qt::Key_F6));
    ActionTTXCursor = makeAction("ActionTTXCursor", "Read from Cursor", "", QKeySequence("Ctrl+Q"));
    ActionTTXSelected = makeAction("ActionTTXSelected", "Read Selected Text", "", QKeySequence("Ctrl+W"));
    ActionSubtitles = makeAction("ActionSubtitles", "Write Subtitles",
                                 "Write subtitles (.srt) beside every WAV and MP3 file");
    ActionSubtitles->setCheckable(true);
    ActionSubtitles->setChecked(Settings.Subtitles);
    ActionPause->setEnabled(false);
    ActionStop->setEnabled(false);
    ActionTTXSelected->setEnabled(false);

    TabClose = new QAction(QStringLiteral("Close"), this);
    TabClose->setObjectName(QStringLiteral("TabClose"));

    connect(ActionFileNew, &QAction::triggered, this, &TFormConverter::FileNew);
    connect(ActionFileOpen, &QAction::triggered, this, &TFormConverter::FileOpen);
    connect(ActionFileSave, &QAction::triggered, this, &TFormConverter::FileSave);
    connect(ActionFileSaveAs, &QAction::triggered, this, &TFormConverter::FileSaveAs);
    connect(ActionFileClose, &QAction::triggered, this, &TFormConverter::FileClose);
    connect(TabClose, &QAction::triggered, this, &TFormConverter::FileClose);
    connect(ActionFileCloseAll, &QAction::triggered, this, &TFormConverter::FileCloseAll);
    connect(ActionFileExit, &QAction::triggered, this, &QWidget::close);
    connect(ActionFirst, &QAction::triggered, this, &TFormConverter::SelectFirst);
    connect(ActionLast, &QAction::triggered, this, &TFormConverter::SelectLast);
    connect(ActionOptions, &QAction::triggered, this, [] { ShowOptions(); });
    connect(ActionTTS, &QAction::triggered, this, &TFormConverter::ActionTTSExecute);
    connect(ActionTTW, &QAction::triggered, this, &TFormConverter::ActionTTWExecute);
    connect(ActionTTM, &QAction::triggered, this, &TFormConverter::ActionTTMExecute);
    connect(ActionTTXCursor, &QAction::triggered, this, &TFormConverter::ActionTTXCursorExecute);
    connect(ActionTTXSelected, &QAction::triggered, this, &TFormConverter::ActionTTXSelectedExecute);
    connect(ActionPause, &QAction::triggered, this, &TFormConverter::ActionPauseExecute);
    connect(ActionStop, &QAction::triggered, this, &TFormConverter::ActionStopExecute);
    connect(ActionSubtitles, &QAction::toggled, this, [](bool on) { Settings.Subtitles = on; });
    connect(ActionCartoon, &QAction::triggered, this, &TFormConverter::CartoonMode);
    connect(ActionBrowseTxt, &QAction::triggered, this,
            [] { ShellOpen(Settings.DefTxtPath, QStringLiteral("explore"), SW_SHOWMAXIMIZED); });
    connect(ActionBrowseWav, &QAction::triggered, this,
            [] { ShellOpen(Settings.DefWavPath, QStringLiteral("explore"), SW_SHOWMAXIMIZED); });
    connect(ActionBrowseMp3, &QAction::triggered, this,
            [] { ShellOpen(Settings.DefMp3Path, QStringLiteral("explore"), SW_SHOWMAXIMIZED); });
    connect(ActionHelp, &QAction::triggered, this,
            [] { ShellOpen(HelpPagePath(), QStringLiteral("Open"), SW_SHOWMAXIMIZED); });
    connect(ActionHelpContact, &QAction::triggered, this,
            [] { ShellOpen(QStringLiteral("mailto:") + QString::fromLatin1(SupportMail), QStringLiteral("Open"), SW_SHOWMAXIMIZED); });
    connect(ActionHelpKALOHome, &QAction::triggered, this,
            [] { ShellOpen(QString::fromLatin1(ProductWebSite), QStringLiteral("Open"), SW_SHOWMAXIMIZED); });
    connect(ActionHelpJQHome, &QAction::triggered, this,
            [] { ShellOpen(QString::fromLatin1(MakerWebSite), QStringLiteral("Open"), SW_SHOWMAXIMIZED); });
    connect(ActionHelpAbout, &QAction::triggered, this, [this] { ShowAbout(this); });
}

void TFormConverter::createControls() {
    auto* layout = new QVBoxLayout(PanelJQClient);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);

    MenuBar = new QMenuBar(PanelJQClient);
    MenuBar->setNativeMenuBar(false);
    layout->addWidget(MenuBar);

    ToolBarSpeech = new QToolBar(PanelJQClient);
    ToolBarSpeech->setObjectName(QStringLiteral("ToolBarSpeech"));
    ToolBarSpeech->setIconSize(QSize(48, 48));
    ToolBarSpeech->setToolButtonStyle(Qt::ToolButtonIconOnly);
    ActionTTS->setIcon(toolBarIcon(ToolBarPicture::Read));
    ActionTTW->setIcon(toolBarIcon(ToolBarPicture::Wav));
    ActionTTM->setIcon(toolBarIcon(ToolBarPicture::Mp3));
    ActionPause->setIcon(toolBarIcon(ToolBarPicture::Pause));
    ActionStop->setIcon(toolBarIcon(ToolBarPicture::Stop));
    ActionFirst->setIcon(toolBarIcon(ToolBarPicture::First));
    ActionLast->setIcon(toolBarIcon(ToolBarPicture::Last));
    ActionOptions->setIcon(toolBarIcon(ToolBarPicture::Options));

    PopupMenuTTX = new QMenu(this);
    PopupMenuTTX->setObjectName(QStringLiteral("PopupMenuTTX"));
    PopupMenuTTX->addAction(ActionTTS);
    PopupMenuTTX->addAction(ActionTTW);
    PopupMenuTTX->addAction(ActionTTM);
    PopupMenuTTX->addSeparator();
    PopupMenuTTX->addAction(ActionSubtitles);
    ToolButtonTTX = new QToolButton(ToolBarSpeech);
    ToolButtonTTX->setObjectName(QStringLiteral("ToolButtonTTX"));
    ToolButtonTTX->setIconSize(QSize(48, 48));
    ToolButtonTTX->setDefaultAction(ActionTTS);
    ToolButtonTTX->setMenu(PopupMenuTTX);
    ToolButtonTTX->setPopupMode(QToolButton::MenuButtonPopup);
    ToolBarSpeech->addWidget(ToolButtonTTX);
    ToolBarSpeech->addAction(ActionPause);
    ToolBarSpeech->addAction(ActionStop);
    ToolBarSpeech->addAction(ActionFirst);
    ToolBarSpeech->addAction(ActionLast);

    auto* enginePanel = new QWidget(ToolBarSpeech);
    auto* engineLayout = new QVBoxLayout(enginePanel);
    engineLayout->setContentsMargins(4, 2, 4, 2);
    engineLayout->setSpacing(4);
    ComboBoxExEngines = new QComboBox(enginePanel);
    ComboBoxExEngines->setObjectName(QStringLiteral("ComboBoxExEngines"));
    ComboBoxExEngines->setToolTip(QStringLiteral("Select Voice"));
    ComboBoxExEngines->setFixedWidth(167);
    ComboBoxExEngines->setMaxVisibleItems(8);
    TrackBarVol = new QSlider(Qt::Horizontal, enginePanel);
    TrackBarVol->setObjectName(QStringLiteral("TrackBarVol"));
    TrackBarVol->setRange(1, 65535);
    TrackBarVol->setPageStep(2048);
    TrackBarVol->setTickPosition(QSlider::NoTicks);
    TrackBarVol->setValue(65535);
    TrackBarVol->setToolTip(QStringLiteral("Adjust Volume"));
    TrackBarVol->setFixedWidth(167);
    engineLayout->addWidget(ComboBoxExEngines);
    engineLayout->addWidget(TrackBarVol);
    ToolBarSpeech->addWidget(enginePanel);
    ToolBarSpeech->addAction(ActionOptions);
    layout->addWidget(ToolBarSpeech);

    TabControl1 = new QTabBar(PanelJQClient);
    TabControl1->setObjectName(QStringLiteral("TabControl1"));
    TabControl1->setExpanding(false);
    TabControl1->setUsesScrollButtons(true);
    TabControl1->setDrawBase(true);
    TabControl1->installEventFilter(this);
    connect(TabControl1, &QTabBar::currentChanged, this, &TFormConverter::TabBarCurrentChanged);
    layout->addWidget(TabControl1);

    Memo1 = new QPlainTextEdit(PanelJQClient);
    Memo1->setObjectName(QStringLiteral("Memo1"));
    QFont font(QStringLiteral("Courier New"));
    font.setStyleHint(QFont::Monospace);
    font.setPixelSize(13);
    Memo1->setFont(font);
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo1->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    // Lines break between words only: breaking anywhere makes laying out a
    // long run without spaces take minutes.
    Memo1->setWordWrapMode(QTextOption::WordWrap);
    Memo1->setContextMenuPolicy(Qt::CustomContextMenu);
    layout->addWidget(Memo1, 1);

    auto* statusLine = new QSplitter(Qt::Horizontal, PanelJQClient);
    PanelStatus = new QLabel(statusLine);
    PanelStatus->setObjectName(QStringLiteral("PanelStatus"));
    PanelStatus->setFrameShape(QFrame::StyledPanel);
    PanelStatus->setFrameShadow(QFrame::Sunken);
    auto* gaugePanel = new QWidget(statusLine);
    auto* gaugeLayout = new QHBoxLayout(gaugePanel);
    gaugeLayout->setContentsMargins(2, 2, 2, 2);
    GaugeWordPosition = new QProgressBar(gaugePanel);
    GaugeWordPosition->setObjectName(QStringLiteral("GaugeWordPosition"));
    GaugeWordPosition->setRange(0, 100);
    GaugeWordPosition->setValue(0);
    GaugeWordPosition->setTextVisible(true);
    GaugeWordPosition->setFormat(QStringLiteral("%p%"));
    GaugeWordPosition->setAlignment(Qt::AlignCenter);
    GaugeWordPosition->setStyleSheet(QStringLiteral(
        "QProgressBar { border: none; background: palette(button); text-align: center; }"
        "QProgressBar::chunk { background-color: rgb(68, 119, 170); }"));
    gaugeLayout->addWidget(GaugeWordPosition);
    gaugePanel->setFixedWidth(185);
    statusLine->addWidget(PanelStatus);
    statusLine->addWidget(gaugePanel);
    statusLine->setStretchFactor(0, 1);
    statusLine->setChildrenCollapsible(false);
    statusLine->setFixedHeight(22);
    layout->addWidget(statusLine);
    SetStatus(QStringLiteral(" Ready"));

    TimerWordPosition = new QTimer(this);
    TimerWordPosition->setObjectName(QStringLiteral("TimerWordPosition"));
    TimerWordPosition->setInterval(100);
    connect(TimerWordPosition, &QTimer::timeout, this, &TFormConverter::TimerWordPositionTimer);
    connect(ComboBoxExEngines, &QComboBox::activated, this, &TFormConverter::ComboBoxExEnginesChange);
    connect(TrackBarVol, &QSlider::valueChanged, this, &TFormConverter::TrackBarVolChange);

    FindDialog = new TFindReplaceDialog(Memo1, this);
    connect(FindDialog, &TFindReplaceDialog::Searched, this, [this] { SearchFindNext1->setEnabled(true); });
    connect(SearchFind1, &QAction::triggered, FindDialog, &TFindReplaceDialog::ShowFind);
    connect(SearchReplace1, &QAction::triggered, FindDialog, &TFindReplaceDialog::ShowReplace);
    connect(SearchFindFirst1, &QAction::triggered, this, [this] {
        if (FindDialog->EditFind->text().isEmpty())
            FindDialog->ShowFindFirst();
        else
            FindDialog->FindFirst();
    });
    connect(SearchFindNext1, &QAction::triggered, FindDialog, &TFindReplaceDialog::FindNext);

    connect(EditUndo1, &QAction::triggered, Memo1, &QPlainTextEdit::undo);
    connect(EditCut1, &QAction::triggered, Memo1, &QPlainTextEdit::cut);
    connect(EditCopy1, &QAction::triggered, Memo1, &QPlainTextEdit::copy);
    connect(EditPaste1, &QAction::triggered, Memo1, &QPlainTextEdit::paste);
    connect(EditDelete1, &QAction::triggered, this, [this] { Memo1->textCursor().removeSelectedText(); });
    connect(EditSelectAll1, &QAction::triggered, Memo1, &QPlainTextEdit::selectAll);
    EditUndo1->setEnabled(false);
    EditCut1->setEnabled(false);
    EditCopy1->setEnabled(false);
    EditDelete1->setEnabled(false);
    connect(Memo1, &QPlainTextEdit::undoAvailable, EditUndo1, &QAction::setEnabled);
    connect(Memo1, &QPlainTextEdit::copyAvailable, EditCut1, &QAction::setEnabled);
    connect(Memo1, &QPlainTextEdit::copyAvailable, EditCopy1, &QAction::setEnabled);
    connect(Memo1, &QPlainTextEdit::copyAvailable, EditDelete1, &QAction::setEnabled);
}

void TFormConverter::createMenus() {
    File1 = MenuBar->addMenu(QStringLiteral("&File"));
    File1->addActions({ActionFileNew, ActionFileOpen});
    File1->addSeparator();
    File1->addActions({ActionFileSave, ActionFileSaveAs, ActionFileClose, ActionFileCloseAll});
    File1->addSeparator();
    File1->addAction(ActionFileExit);

    Edit1 = MenuBar->addMenu(QStringLiteral("&Edit"));
    Edit1->addAction(EditUndo1);
    Edit1->addSeparator();
    Edit1->addActions({EditCut1, EditCopy1, EditPaste1, EditDelete1});
    Edit1->addSeparator();
    Edit1->addAction(EditSelectAll1);

    Search1 = MenuBar->addMenu(QStringLiteral("&Search"));
    Search1->addActions({SearchFind1, SearchReplace1});
    Search1->addSeparator();
    Search1->addActions({SearchFindFirst1, SearchFindNext1});

    Playback1 = MenuBar->addMenu(QStringLiteral("&Playback"));
    Playback1->addActions({ActionTTS, ActionTTW, ActionTTM});
    Playback1->addSeparator();
    Playback1->addActions({ActionTTXCursor, ActionTTXSelected});
    Playback1->addSeparator();
    Playback1->addActions({ActionPause, ActionStop});
    Playback1->addSeparator();
    Playback1->addActions({ActionFirst, ActionLast});
    Playback1->addSeparator();
    Playback1->addAction(ActionSubtitles);

    Tools1 = MenuBar->addMenu(QStringLiteral("&Tools"));
    Tools1->addAction(ActionOptions);
    Tools1->addSeparator();
    Tools1->addAction(ActionCartoon);
    Tools1->addSeparator();
    Tools1->addActions({ActionBrowseTxt, ActionBrowseWav, ActionBrowseMp3});

    Help1 = MenuBar->addMenu(QStringLiteral("&Help"));
    Help1->addAction(ActionHelp);
    Help1->addSeparator();
    Help1->addActions({ActionHelpContact, ActionHelpKALOHome, ActionHelpJQHome});
    Help1->addSeparator();
    Help1->addAction(ActionHelpAbout);

    PopupMenuTab = new QMenu(this);
    PopupMenuTab->setObjectName(QStringLiteral("PopupMenuTab"));
    PopupMenuTab->addAction(TabClose);
    PopupMenuTab->addSeparator();
    PopupMenuTab->addActions({ActionFileSave, ActionFileSaveAs});

    PopupMenuMemo = new QMenu(this);
    PopupMenuMemo->setObjectName(QStringLiteral("PopupMenuMemo"));
    PopupMenuMemo->addActions({ActionTTXCursor, ActionTTXSelected});
    PopupMenuMemo->addSeparator();
    PopupMenuMemo->addAction(EditUndo1);
    PopupMenuMemo->addSeparator();
    PopupMenuMemo->addActions({EditCut1, EditCopy1, EditPaste1, EditDelete1});
    PopupMenuMemo->addSeparator();
    PopupMenuMemo->addAction(EditSelectAll1);
    connect(Memo1, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& pos) { PopupMenuMemo->popup(Memo1->viewport()->mapToGlobal(pos)); });
    connect(Playback1, &QMenu::aboutToShow, this, &TFormConverter::UpdateReadSelected);
    connect(PopupMenuMemo, &QMenu::aboutToShow, this, &TFormConverter::UpdateReadSelected);
}

void TFormConverter::FormCreate() {
    FPartial = false;
    FFromClipboard = false;
    QRect r(Settings.ConverterLeft, Settings.ConverterTop, Settings.ConverterWidth, Settings.ConverterHeight);
    r.setSize(r.size().expandedTo(QSize(603, 220)));
    r.moveTopLeft(PlaceOnScreen(r));
    setGeometry(r);
    attachSpeech();
    fillEngines();
    TrackBarVol->setValue(std::clamp(Settings.Vol, 1, 65535));

    if (Settings.TabIndex >= dmMain->FileList.size() || Settings.TabIndex < 0)
        Settings.TabIndex = 0;
    RefreshTabs();
    if (TabControl1->currentIndex() != Settings.TabIndex) {
        selectTab(Settings.TabIndex);
        TabControl1Change();
    }
    ApplyConvertMode();
}

void TFormConverter::FormShow() {
    TJQForm::FormShow();
    MinWidth = 603;
    MinHeight = 220;
}

void TFormConverter::SetStatus(const QString& text) {
    FStatus = text;
    PanelStatus->setText(text);
    PanelStatus->repaint();
}

QString TFormConverter::Status() const {
    return FStatus;
}

int TFormConverter::selectedTab() const {
    return TabControl1->currentIndex();
}

void TFormConverter::selectTab(int index) {
    const QSignalBlocker block(TabControl1);
    TabControl1->setCurrentIndex(index);
}

QString TFormConverter::EditorText() const {
    QString text = Memo1->document()->toRawText();
    for (QChar& c : text)
        if (c == QChar::ParagraphSeparator || c == QChar::LineSeparator)
            c = QLatin1Char('\n');
    return text;
}

bool TFormConverter::Modified() const {
    return Memo1->document()->isModified();
}

namespace {

// Thrown by a large document's load that was given up because the program
// is ending.
struct LoadAbandoned {};

// Puts text into a new document a piece at a time, each cut after a line
// break where there is one, so a stop asked for meanwhile ends the work
// between two pieces. False when it was stopped.
bool FillDocument(QTextDocument& document, const QString& text, const std::atomic<bool>& stop) {
    constexpr qsizetype kPiece = 1 << 20;
    const QStringView all(text);
    document.setUndoRedoEnabled(false);
    QTextCursor cursor(&document);
    cursor.beginEditBlock();
    for (qsizetype at = 0; at < all.size();) {
        if (stop.load())
            return false;
        qsizetype length = std::min(kPiece, all.size() - at);
        if (at + length < all.size()) {
            // Only this piece is searched, so a text without line breaks
            // costs no more than one with them.
            const qsizetype lineBreak = all.mid(at, length).lastIndexOf(u'\n');
            if (lineBreak >= 0)
                length = lineBreak + 1;
            else if (all.at(at + length - 1).isHighSurrogate())
                --length; // the pair stays whole
        }
        cursor.insertText(all.mid(at, length).toString());
        at += length;
    }
    cursor.endEditBlock();
    document.setUndoRedoEnabled(true);
    return true;
}

} // namespace

bool TFormConverter::loadDocument(const QString& path, QString* reason) {
    // Small documents load at once. A large one is read and laid out into a
    // document on a worker thread while the window keeps painting; user input
    // waits until it is shown, so nothing can act on a half-loaded text.
    constexpr qint64 kBackgroundLoadBytes = 2 * 1024 * 1024;
    const QFileInfo info(path);
    try {
        if (!info.isFile() || info.size() < kBackgroundLoadBytes) {
            DecodedText d = ReadTextFile(path);
            Memo1->setReadOnly(false);
            Memo1->setPlainText(d.text);
            FShownFormat = d.format;
        } else {
            loadLargeDocument(path);
        }
        Memo1->document()->setModified(false);
        FShownPath = path;
        FShownUnreadable = false;
        FShownTab = selectedTab();
        return true;
    } catch (const KaloError& e) {
        if (reason)
            *reason = e.message();
        return false;
    } catch (const LoadAbandoned&) {
        // The program is ending: the document's tab shows nothing of it, and
        // as for an unreadable file nothing can be written over it. Nothing
        // more is read aloud, and no message is due.
        showUnreadable(path);
        FReading = false;
        return true;
    }
}

void TFormConverter::loadLargeDocument(const QString& path) {
    const QString previousStatus = FStatus;
    SetStatus(QStringLiteral(" Loading %1...").arg(QFileInfo(path).fileName()));
    QApplication::setOverrideCursor(Qt::WaitCursor);
    FLoading = true;

    QThread* gui = QThread::currentThread();
    const QFont font = Memo1->font();
    QTextDocument* built = nullptr;
    TextFormat format;
    QString error;
    std::atomic<bool> stop{false};
    QThread* worker = QThread::create([&] {
        try {
            DecodedText d = ReadTextFile(path, [&stop] { return stop.load(); });
            auto doc = std::make_unique<QTextDocument>();
            doc->setDocumentLayout(new QPlainTextDocumentLayout(doc.get()));
            doc->setDefaultFont(font);
            QTextOption option = doc->defaultTextOption();
            option.setWrapMode(QTextOption::WordWrap);
            doc->setDefaultTextOption(option);
            if (!FillDocument(*doc, d.text, stop))
                return;
            doc->moveToThread(gui);
            built = doc.release();
            format = d.format;
        } catch (const KaloError& e) {
            error = e.message();
        } catch (const std::exception& e) {
            error = QStringLiteral("Cannot read file \"%1\". %2").arg(path, QString::fromLocal8Bit(e.what()));
        }
    });
    QEventLoop loop;
    connect(worker, &QThread::finished, &loop, &QEventLoop::quit);
    worker->start();
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    // The loop also ends when the program is asked to end (the window closed
    // by its frame meanwhile): the load is given up then, within a piece of
    // the file, instead of keeping the end waiting for the whole document.
    const bool abandoned = !worker->isFinished();
    if (abandoned)
        stop = true;
    worker->wait();
    delete worker;

    FLoading = false;
    QApplication::restoreOverrideCursor();
    SetStatus(previousStatus);
    if (abandoned) {
        delete built;
        throw LoadAbandoned{};
    }
    if (!built)
        throw KaloError(error);
    // The editor deletes the document it made itself; one of ours (a large
    // document loaded before) is deleted here.
    QPointer<QTextDocument> old = Memo1->document();
    const bool oursOld = old->parent() == Memo1;
    built->setParent(Memo1);
    Memo1->setReadOnly(false);
    Memo1->setDocument(built);
    Memo1->setWordWrapMode(QTextOption::WordWrap);
    if (oursOld && old)
        old->deleteLater();
    FShownFormat = format;
}

void TFormConverter::showUnreadable(const QString& path) {
    // The file exists but cannot be read: show nothing of it and keep the
    // editor from writing over it.
    showEmpty(path);
    Memo1->setReadOnly(true);
    FShownUnreadable = true;
}

bool TFormConverter::RefreshTabs() {
    const int remembered = selectedTab();
    {
        const QSignalBlocker block(TabControl1);
        while (TabControl1->count() > 0)
            TabControl1->removeTab(0);
        for (const QString& path : dmMain->FileList) {
            const int i = TabControl1->addTab(TabCaption(path));
            TabControl1->setTabToolTip(i, path);
        }
        TabControl1->setCurrentIndex(SelectionAfterRebuild(remembered, TabControl1->count()));
    }
    const int selected = selectedTab();
    if (selected < 0)
        return false;
    const QString path = dmMain->FileList.at(selected);
    QString reason;
    if (loadDocument(path, &reason))
        return true;
    if (QFileInfo::exists(path)) {
        showUnreadable(path);
        ShowErrorBox(reason + QStringLiteral("\n\nThe file is left as it is."));
        return false;
    }
    // A document whose file is missing starts as a new, empty file.
    showEmpty(path);
    return writeEditorTo(path);
}

void TFormConverter::showEmpty(const QString& path) {
    Memo1->setReadOnly(false);
    Memo1->clear();
    Memo1->document()->setModified(false);
    FShownPath = path;
    FShownFormat = TextFormat{};
    FShownUnreadable = false;
    FShownTab = selectedTab();
}

void TFormConverter::TabControl1Change() {
    const int selected = selectedTab();
    if (selected < 0 || selected >= dmMain->FileList.size())
        return;
    const QString path = dmMain->FileList.at(selected);
    QString reason;
    if (!loadDocument(path, &reason)) {
        if (QFileInfo::exists(path)) {
            showUnreadable(path);
            SetStatus(QStringLiteral(" ") + reason);
        } else {
            // Gone from disk: an empty editor; Save writes the file anew.
            showEmpty(path);
        }
    }
    // While an MP3 file is being made the tab change only shows the document;
    // the encoder goes on, and the next document follows it as planned.
    if (FReading && dmMain->MSpeech1 && !dmMain->MSpeech1->Paused() && !EncodingPending())
        restartReading();
}

bool TFormConverter::changeTab(int index) {
    if (!ConfirmDiscard())
        return false;
    selectTab(index);
    TabControl1Change();
    return true;
}

void TFormConverter::TabBarCurrentChanged(int index) {
    if (index == FShownTab)
        return;
    if (!ConfirmDiscard()) {
        selectTab(FShownTab);
        return;
    }
    TabControl1Change();
}

bool TFormConverter::ConfirmDiscard() {
    if (!Modified() || FShownUnreadable)
        return true;
    switch (AskSaveChanges(FShownPath)) {
    case SaveChangesAnswer::Save:
        return writeEditorTo(FShownPath);
    case SaveChangesAnswer::Discard:
        Memo1->document()->setModified(false);
        return true;
    case SaveChangesAnswer::Cancel:
        break;
    }
    return false;
}

bool TFormConverter::writeEditorTo(const QString& path) {
    try {
        TextFormat format = FShownFormat;
        WriteTextFile(path, EditorText(), format);
        if (path == FShownPath) {
            FShownFormat = format;
            Memo1->document()->setModified(false);
        }
        return true;
    } catch (const KaloError& e) {
        ShowErrorBox(e.message());
        return false;
    }
}

bool TFormConverter::FileNew() {
    FNewPath.clear();
    if (!ConfirmDiscard())
        return false;
    const QString candidate =
        NextUntitledPath(Settings.DefTxtPath, [](const QString& p) { return QFileInfo::exists(p); });
    try {
        TextFormat format;
        WriteTextFile(candidate, QString(), format);
    } catch (const KaloError& e) {
        ShowErrorBox(e.message());
        return false;
    }
    // The list may already hold this name (a listed document whose file was
    // deleted outside the program): its tab is the new document's tab.
    AddDocument(dmMain->FileList, candidate);
    Memo1->document()->setModified(false);
    RefreshTabs();
    const qsizetype index = dmMain->FileList.indexOf(NormalisedDocumentPath(candidate));
    if (index < 0)
        return false;
    selectTab(static_cast<int>(index));
    // Shown directly, not through the tab change: a run going on keeps
    // reading its own document.
    QString reason;
    if (!loadDocument(dmMain->FileList.at(index), &reason))
        showEmpty(dmMain->FileList.at(index));
    FNewPath = dmMain->FileList.at(index);
    return true;
}

bool TFormConverter::FileOpen() {
    const QStringList chosen = RunOpenDialog(dmMain->OpenDialogTxt, this);
    if (chosen.isEmpty())
        return false;
    if (!ConfirmDiscard())
        return false;
    for (const QString& path : chosen)
        AddDocument(dmMain->FileList, path);
    RefreshTabs();
    return true;
}

bool TFormConverter::FileSave() {
    const int selected = selectedTab();
    if (selected < 0)
        return false;
    const QString path = dmMain->FileList.at(selected);
    if (FShownUnreadable) {
        ShowErrorBox(QStringLiteral("%1 could not be read, so it was not saved.").arg(path));
        return false;
    }
    if (!writeEditorTo(path))
        return false;
    SetStatus(QStringLiteral(" Saved"));
    return true;
}

bool TFormConverter::FileSaveAs() {
    const int selected = selectedTab();
    if (selected < 0)
        return false;
    const QString chosen = RunSaveDialog(dmMain->SaveDialogTxt, dmMain->FileList.at(selected), this);
    if (chosen.isEmpty())
        return false;
    TextFormat format = FShownFormat;
    try {
        WriteTextFile(chosen, EditorText(), format);
    } catch (const KaloError& e) {
        ShowErrorBox(e.message());
        return false;
    }
    // The edits now live in the chosen file; nothing is lost when the tabs
    // are rebuilt.
    Memo1->document()->setModified(false);
    RenameDocument(dmMain->FileList, selected, chosen);
    RefreshTabs();
    SetStatus(QStringLiteral(" Saved"));
    return true;
}

bool TFormConverter::FileClose() {
    if (!ConfirmDiscard())
        return false;
    CloseDocument(dmMain->FileList, selectedTab(), Settings.DefTxtPath);
    Memo1->document()->setModified(false);
    RefreshTabs();
    return true;
}

bool TFormConverter::FileCloseAll() {
    if (!ConfirmDiscard())
        return false;
    CloseAllDocuments(dmMain->FileList, Settings.DefTxtPath);
    Memo1->document()->setModified(false);
    RefreshTabs();
    return true;
}

void TFormConverter::SelectFirst() {
    if (TabControl1->count() > 0)
        changeTab(0);
}

void TFormConverter::SelectLast() {
    if (TabControl1->count() > 0)
        changeTab(TabControl1->count() - 1);
}

void TFormConverter::TabControl1MouseUp(QPoint pos) {
    const int index = TabControl1->tabAt(pos);
    if (index < 0)
        return;
    if (index != selectedTab()) {
        changeTab(index);
        if (index != selectedTab())
            return;
    }
    TabClose->setText(QStringLiteral("Close ") + dmMain->FileList.at(index));
    PopupMenuTab->popup(TabControl1->mapToGlobal(pos));
}

void TFormConverter::CartoonMode() {
    if (!ConfirmDiscard())
        return;
    // The speech stops; an MP3 file being made is finished (the window waits
    // for the encoder as it goes), so switching loses no conversion.
    if (EncodingPending()) {
        FReading = false;
        FPendingClipboard.clear();
    } else {
        ActionStopExecute();
    }
    FCartoonSwitch = true;
    hide();
    FormConverter = nullptr;
    Settings.ActiveUI = 1;
    deleteLater();
    ShowMainWindow();
}

void TFormConverter::closeEvent(QCloseEvent* event) {
    if (!FCartoonSwitch && !ConfirmDiscard()) {
        event->ignore();
        return;
    }
    event->accept();
    if (!FCartoonSwitch)
        CloseMainWindow();
}

bool TFormConverter::event(QEvent* event) {
    // Hints of menus and buttons show in the status panel while the pointer
    // is on them; the status text comes back afterwards.
    if (event->type() == QEvent::StatusTip) {
        const QString tip = static_cast<QStatusTipEvent*>(event)->tip();
        PanelStatus->setText(tip.isEmpty() ? FStatus : QStringLiteral(" ") + tip);
        return true;
    }
    return TJQForm::event(event);
}

bool TFormConverter::eventFilter(QObject* watched, QEvent* event) {
    // The wheel over the tab bar would switch documents (and so restart a
    // reading) as the pointer merely passes: only clicks and keys choose.
    if (watched == TabControl1 && event->type() == QEvent::Wheel)
        return true;
    if (watched == TabControl1 && event->type() == QEvent::MouseButtonRelease) {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::RightButton)
            TabControl1MouseUp(mouse->position().toPoint());
    }
    return TJQForm::eventFilter(watched, event);
}

void RegisterConverterWindow() {
    SetInterfaceWindowFactory(ConverterInterface, [] { return new TFormConverter; });
}

} // namespace kalo
