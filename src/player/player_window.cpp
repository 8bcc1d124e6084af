#include "player/player_window.h"

#include "agent/jq_agent.h"
#include "base/app_folders.h"
#include "base/kalo_error.h"
#include "base/settings_store.h"
#include "player/character_menus.h"
#include "player/face_button.h"
#include "player/jq_track_bar.h"
#include "player/player_geometry.h"
#include "player/skin_loader.h"
#include "player/sys_tray.h"
#include "services/interface_windows.h"
#include "services/options_dialog.h"
#include "ui/about_box.h"
#include "ui/dialog_frame.h"
#include "ui/fonts.h"
#include "ui/shared_helpers.h"
#include "ui/ui_pictures.h"
#include "ui/window_placement.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QCursor>
#include <QGuiApplication>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QShortcut>
#include <QThread>
#include <QTimer>
#include <QWindow>

#include <exception>

namespace kalo {

// ---------------------------------------------------------------- labels

TFaceLabel::TFaceLabel(QWidget* parent, Qt::Alignment alignment) : QLabel(parent) {
    setAlignment(alignment | Qt::AlignVCenter);
    setAttribute(Qt::WA_TranslucentBackground);
    setAutoFillBackground(false);
}

void TFaceLabel::setText(const QString& text) {
    QLabel::setText(text);
    fitToText();
}

void TFaceLabel::anchorAt(int x, int y) {
    anchorX_ = x;
    anchorY_ = y;
    fitToText();
}

void TFaceLabel::fitToText() {
    const QSize size = sizeHint();
    if (alignment() & Qt::AlignRight)
        setGeometry(anchorX_ - size.width(), anchorY_, size.width(), size.height());
    else
        setGeometry(anchorX_, anchorY_, size.width(), size.height());
}

// ---------------------------------------------------------------- face

TFaceImage::TFaceImage(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void TFaceImage::setPicture(const QImage& picture) {
    picture_ = picture;
    update();
}

void TFaceImage::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    if (picture_.isNull())
        painter.fillRect(rect(), Qt::black);
    else
        painter.drawImage(rect(), picture_);
}

void TFaceImage::mousePressEvent(QMouseEvent* event) {
    if (OnMouseDown)
        OnMouseDown(event);
}

void TFaceImage::mouseMoveEvent(QMouseEvent* event) {
    if (OnMouseMove)
        OnMouseMove(event);
}

void TFaceImage::mouseDoubleClickEvent(QMouseEvent* event) {
    // The second press of a double-click is a press like any other, then the
    // double-click itself.
    if (OnMouseDown)
        OnMouseDown(event);
    if (OnDblClick)
        OnDblClick(event);
}

// ---------------------------------------------------------------- skin target

// What the skin loader paints on: this window's face, buttons, bars and
// labels, and the windowshade state kept in AppBar.
class PlayerSkinTarget : public SkinnedWindow {
public:
    explicit PlayerSkinTarget(TFormKALO& form) : form_(form) {}

    bool isApplicationActive() const override {
        return QGuiApplication::applicationState() == Qt::ApplicationActive;
    }
    bool windowShade() const override { return Settings.AppBar; }
    void storeWindowShade(bool on) override { Settings.AppBar = on; }
    void setLabelColour(const QColor& colour) override {
        for (QLabel* label :
             {static_cast<QLabel*>(form_.LabelFileName), static_cast<QLabel*>(form_.LabelNumber)}) {
            QPalette pal = label->palette();
            pal.setColor(QPalette::WindowText, colour);
            label->setPalette(pal);
        }
    }
    QImage facePicture() const override { return form_.Image1->picture(); }
    void setFacePicture(const QImage& face) override { form_.Image1->setPicture(face); }
    void setFaceButtonPictures(int index, const FaceButtonPictures& p) override {
        if (index >= 0 && index < FaceButtonCount && form_.FaceButtons[size_t(index)])
            form_.FaceButtons[size_t(index)]->setPictures(p.normal, p.disabled, p.pressed,
                                                          p.latched);
    }
    void setTitleButtonsVisible(bool visible) override {
        for (int i = 0; i < 4; ++i) {
            if (form_.FaceButtons[size_t(i)])
                form_.FaceButtons[size_t(i)]->setVisible(visible);
        }
    }
    void setClientSize(QSize size) override {
        form_.setFixedSize(size);
        form_.Image1->setGeometry(QRect(QPoint(0, 0), size));
    }
    TJQTrackBar* trackBar(SkinBar bar) override {
        switch (bar) {
        case SkinBar::Position:
            return form_.PositionBar;
        case SkinBar::Volume:
            return form_.VolumeBar;
        case SkinBar::Speed:
            return form_.SpeedBar;
        }
        return nullptr;
    }

private:
    TFormKALO& form_;
};

// ---------------------------------------------------------------- window

TFormKALO::TFormKALO(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint),
      FSkinTarget(std::make_unique<PlayerSkinTarget>(*this)),
      FSkinLoader(std::make_unique<TSkinLoader>(*FSkinTarget)) {
    setObjectName(QStringLiteral("FormKALO"));
    setWindowTitle(QString::fromLatin1(ApplicationTitle));
    setWindowIcon(AppIcon());
    setFont(NamedPixelFont(QStringLiteral("MS Sans Serif"), 11));
    setFixedSize(PlayerFaceSize);
    WorkArea = [] {
        const QScreen* screen = QGuiApplication::primaryScreen();
        return screen ? screen->availableGeometry() : QRect();
    };
    createActions();
    createMenus();
    createControls();
    FormCreate();
}

TFormKALO::~TFormKALO() {
    FormDestroy();
}

QAction* TFormKALO::makeAction(const char* name, const QString& caption, const QString& hint,
                               const QKeySequence& shortcut, bool toggle) {
    auto* action = new QAction(caption, this);
    action->setObjectName(QString::fromLatin1(name));
    // A hint with a bar gives the tool tip before it and the status text
    // after it; an empty hint gives no tool tip at all.
    const qsizetype bar = hint.indexOf(QLatin1Char('|'));
    action->setToolTip(bar < 0 ? hint : hint.left(bar));
    action->setStatusTip(bar < 0 ? hint : hint.mid(bar + 1));
    if (!shortcut.isEmpty()) {
        action->setShortcut(shortcut);
        action->setShortcutContext(Qt::WindowShortcut);
    }
    action->setCheckable(toggle);
    addAction(action);
    ActionManager1.append(action);
    return action;
}

void TFormKALO::createActions() {
    const auto key = [](const char* text) { return QKeySequence(QString::fromLatin1(text)); };
    const QKeySequence none;
    ActionMainMenu = makeAction("ActionMainMenu", "KALO Menu", "KALO Menu", key("Alt+F"), false);
    ActionMini = makeAction("ActionMini", "Minimize", "Minimize", none, false);
    ActionShade = makeAction("ActionShade", "Windowshade Mode", "Toggle Windowshade mode",
                             key("Ctrl+W"), true);
    ActionExit = makeAction("ActionExit", "Exit", "Close", key("Alt+F4"), false);
    ActionOptions = makeAction("ActionOptions", "Options", "Options Menu", none, false);
    ActionStayOnTop =
        makeAction("ActionStayOnTop", "Always On Top", "Toggle Always-On-Top", key("Ctrl+A"), true);
    ActionSoundEffectsOn =
        makeAction("ActionSoundEffectsOn", "Sound Effects", "Sound Effects", key("Alt+3"), true);
    ActionBalloonVisible = makeAction("ActionBalloonVisible", "Speaking with Balloon",
                                      "Speaking with Balloon", key("Ctrl+D"), true);
    ActionAnimationOn =
        makeAction("ActionAnimationOn", "Show Animation", "Show Animation", key("Alt+A"), true);
    ActionChar1Visible = makeAction("ActionChar1Visible", "Show/Hide Character",
                                    "Show/Hide Character", key("Alt+G"), true);
    ActionAutoSpeak = makeAction("ActionAutoSpeak", "Watch Clipboard",
                                 "Auto Speak When Clipboard Changed", key("Alt+E"), true);
    ActionPrev = makeAction("ActionPrev", "Previous", "Previous Track", key("Z"), false);
    ActionPlay = makeAction("ActionPlay", "Play", "Play", key("X"), false);
    ActionPause = makeAction("ActionPause", "Read Clipboard", "Read Clipboard", key("C"), false);
    ActionStop = makeAction("ActionStop", "Stop", "Stop", key("V"), false);
    ActionNext = makeAction("ActionNext", "Next", "Next Track", key("B"), false);
    ActionFile =
        makeAction("ActionFile", "Open Text File...", "Open Text File(s)", key("L"), false);
    ActionShuffle = makeAction("ActionShuffle", "Shuffle", "Toggle Shuffle", key("S"), true);
    ActionRepeat1 = makeAction("ActionRepeat1", "Repeat", "Toggle Repeat", key("R"), true);
    ActionAbout = makeAction("ActionAbout", "Halden Software KALO...", {}, none, false);
    ActionSpeak = makeAction("ActionSpeak", "Speak Clipboard", {}, key("Ctrl+C"), false);
    ActionPreferences =
        makeAction("ActionPreferences", "Preferences...", "Preferences", key("Ctrl+P"), false);
    ActionHome = makeAction("ActionHome", "KALO Home Page", {}, none, false);
    ActionJQ = makeAction("ActionJQ", "Halden Home Page", {}, none, false);
    ActionDown = makeAction("ActionDown", "Download More Characters", {}, none, false);
    ActionDownLatest =
        makeAction("ActionDownLatest", "Download the Latest Version", {}, none, false);
    ActionHelp = makeAction("ActionHelp", "Help", {}, key("F1"), false);
    ActionRecordClipboard = makeAction("ActionRecordClipboard", "Record Clipboard",
                                       "Add to list when clipboard change", key("Alt+R"), true);
    ActionConverter =
        makeAction("ActionConverter", "Converter Mode", "Switch to Converter Mode", none, false);

    for (QAction* a : {ActionMainMenu, ActionMini, ActionShade, ActionExit})
        a->setProperty("Category", QStringLiteral("System"));
    for (QAction* a : {ActionPrev, ActionPlay, ActionPause, ActionStop, ActionNext})
        a->setProperty("Category", QStringLiteral("Playback"));
    ActionFile->setProperty("Category", QStringLiteral("File"));

    // The check marks as designed, before the settings are applied: only
    // Watch Clipboard and Record Clipboard are on.
    ActionAutoSpeak->setChecked(true);
    ActionRecordClipboard->setChecked(true);

    // Record Clipboard shows in no menu, yet its shortcut works.
    ActionRecordClipboard->setVisible(false);
    auto* recordKey = new QShortcut(ActionRecordClipboard->shortcut(), this);
    recordKey->setContext(Qt::WindowShortcut);
    connect(recordKey, &QShortcut::activated, ActionRecordClipboard, &QAction::trigger);

    const auto on = [this](QAction* action, void (TFormKALO::*handler)()) {
        connect(action, &QAction::triggered, this, [this, handler] { (this->*handler)(); });
    };
    on(ActionMainMenu, &TFormKALO::ActionMainMenuExecute);
    on(ActionMini, &TFormKALO::ActionMiniExecute);
    on(ActionShade, &TFormKALO::ActionShadeExecute);
    on(ActionExit, &TFormKALO::ActionExitExecute);
    on(ActionOptions, &TFormKALO::ActionOptionsExecute);
    on(ActionStayOnTop, &TFormKALO::ActionStayOnTopExecute);
    on(ActionSoundEffectsOn, &TFormKALO::ActionSoundEffectsOnExecute);
    on(ActionBalloonVisible, &TFormKALO::ActionBalloonVisibleExecute);
    on(ActionAnimationOn, &TFormKALO::ActionAnimationOnExecute);
    on(ActionChar1Visible, &TFormKALO::ActionChar1VisibleExecute);
    on(ActionAutoSpeak, &TFormKALO::ActionAutoSpeakExecute);
    on(ActionPrev, &TFormKALO::ActionPrevExecute);
    on(ActionPlay, &TFormKALO::ActionPlayExecute);
    on(ActionPause, &TFormKALO::ActionPauseExecute);
    on(ActionStop, &TFormKALO::ActionStopExecute);
    on(ActionNext, &TFormKALO::ActionNextExecute);
    on(ActionFile, &TFormKALO::ActionFileExecute);
    on(ActionShuffle, &TFormKALO::ActionShuffleExecute);
    on(ActionRepeat1, &TFormKALO::ActionRepeat1Execute);
    on(ActionAbout, &TFormKALO::ActionAboutExecute);
    on(ActionSpeak, &TFormKALO::ActionSpeakExecute);
    on(ActionPreferences, &TFormKALO::ActionPreferencesExecute);
    on(ActionHome, &TFormKALO::ActionHomeExecute);
    on(ActionJQ, &TFormKALO::ActionJQExecute);
    on(ActionDown, &TFormKALO::ActionDownExecute);
    on(ActionDownLatest, &TFormKALO::ActionDownLatestExecute);
    on(ActionHelp, &TFormKALO::ActionHelpExecute);
    on(ActionRecordClipboard, &TFormKALO::ActionRecordClipboardExecute);
    on(ActionConverter, &TFormKALO::ActionConverterExecute);
}

void TFormKALO::createMenus() {
    PopupMenuOptions = new QMenu(this);
    PopupMenuOptions->setObjectName(QStringLiteral("PopupMenuOptions"));
    PopupMenuOptions->addAction(ActionPreferences);
    Characters1 = PopupMenuOptions->addMenu(QStringLiteral("Characters"));
    Characters1->setObjectName(QStringLiteral("Characters1"));
    Skins1 = PopupMenuOptions->addMenu(QStringLiteral("Skins"));
    Skins1->setObjectName(QStringLiteral("Skins1"));
    Tones1 = PopupMenuOptions->addMenu(QStringLiteral("Tones"));
    Tones1->setObjectName(QStringLiteral("Tones1"));
    PopupMenuOptions->addSeparator();
    PopupMenuOptions->addActions({ActionAutoSpeak, ActionRecordClipboard, ActionChar1Visible,
                                  ActionAnimationOn, ActionBalloonVisible, ActionSoundEffectsOn});
    PopupMenuOptions->addSeparator();
    PopupMenuOptions->addActions({ActionStayOnTop, ActionShade});
    PopupMenuOptions->addSeparator();
    PopupMenuOptions->addActions({ActionRepeat1, ActionShuffle});

    // The main menu as designed; creation inserts the options menu into it.
    PopupMenuKALO = new QMenu(this);
    PopupMenuKALO->setObjectName(QStringLiteral("PopupMenuKALO"));
    PopupMenuKALO->addAction(ActionAbout);
    PopupMenuKALO->addSeparator();
    PopupMenuKALO->addActions({ActionPause, ActionFile});
    PopupMenuKALO->addSeparator();
    Playback1 = PopupMenuKALO->addMenu(QStringLiteral("Playback"));
    Playback1->setObjectName(QStringLiteral("Playback1"));
    Playback1->addActions({ActionPrev, ActionPlay, ActionPause, ActionStop, ActionNext});
    PopupMenuKALO->addSeparator();
    PopupMenuKALO->addAction(ActionConverter);
    PopupMenuKALO->addSeparator();
    PopupMenuKALO->addActions({ActionHelp, ActionExit});
}

void TFormKALO::createControls() {
    Image1 = new TFaceImage(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setGeometry(QRect(QPoint(0, 0), PlayerFaceSize));
    Image1->OnMouseDown = [this](QMouseEvent* e) { Image1MouseDown(e); };
    Image1->OnMouseMove = [this](QMouseEvent* e) { Image1MouseMove(e); };
    Image1->OnDblClick = [this](QMouseEvent* e) { Image1DblClick(e); };

    LabelFileName = new TFaceLabel(this, Qt::AlignLeft);
    LabelFileName->setObjectName(QStringLiteral("LabelFileName"));
    LabelFileName->setFont(NamedPixelFont(QStringLiteral("Arial"), 11));
    LabelFileName->anchorAt(111, 25);
    LabelFileName->setText(QStringLiteral("I'm ready!"));

    LabelNumber = new TFaceLabel(this, Qt::AlignRight);
    LabelNumber->setObjectName(QStringLiteral("LabelNumber"));
    LabelNumber->setFont(NamedPixelFont(QStringLiteral("Arial"), 16));
    LabelNumber->anchorAt(97, 27);
    LabelNumber->setText(QString());

    // The bars exist from the start so nothing ever meets a missing one;
    // creation gives them their places, ranges and positions and shows them.
    PositionBar = new TJQTrackBar(this);
    PositionBar->setObjectName(QStringLiteral("PositionBar"));
    VolumeBar = new TJQTrackBar(this);
    VolumeBar->setObjectName(QStringLiteral("VolumeBar"));
    SpeedBar = new TJQTrackBar(this);
    SpeedBar->setObjectName(QStringLiteral("SpeedBar"));
    for (TJQTrackBar* bar : {PositionBar, VolumeBar, SpeedBar})
        bar->hide();

    SysTray1 = new TSysTray(this);
    SysTray1->setObjectName(QStringLiteral("SysTray1"));
    SysTray1->setIcon(AppIcon());
    SysTray1->setHint(QStringLiteral("Kalotalk"));
    SysTray1->setPopupMenu(PopupMenuKALO);
    SysTray1->setPopupMode(TSysTray::pmLeftClick | TSysTray::pmRightClick);
    SysTray1->setPopupAlign(TSysTray::TPopupAlignment::Right);
    SysTray1->setActive(true);
}

void TFormKALO::setCheckedQuietly(QAction* action, bool checked) {
    // setChecked changes the mark (and a toggle button's latched picture)
    // without running the action.
    action->setChecked(checked);
}

void TFormKALO::FormCreate() {
    try {
        // The options dialog reaches the character and the check marks
        // through the window, so also a character made later (after a
        // failed load below).
        TCharacterOptionsLink link;
        link.setPitch = [this](int pitch) {
            if (JQChar)
                JQChar->Pitch = pitch;
        };
        link.setVoiceType = [this](const QString& voiceType) {
            if (JQChar)
                JQChar->VoiceType = voiceType;
        };
        // A hidden character keeps a typed size for its next showing.
        link.setWidth = [this](short width) {
            if (JQChar && JQChar->Character())
                JQChar->SetShownWidth(width);
        };
        link.setHeight = [this](short height) {
            if (JQChar && JQChar->Character())
                JQChar->SetShownHeight(height);
        };
        link.setAutoSpeak = [this](bool on) {
            setCheckedQuietly(ActionAutoSpeak, on);
            SetAutoSpeak(on);
        };
        SetCharacterOptionsLink(std::move(link));
        // 1. Painting is double-buffered by the toolkit; the title strip
        // follows the application's activation.
        connect(qApp, &QGuiApplication::applicationStateChanged, this,
                &TFormKALO::applicationStateChanged);
        FHooked = true;
        // 2.
        ItemIndex = 0;
        Playing = false;
        // 3. The tone lists and the Agent control.
        InitAgent(MainWindow());
        // 4. The submenus; a failure leaves a submenu empty.
        for (void (TFormKALO::*build)() : {&TFormKALO::BuildCharacterMenu,
                                           &TFormKALO::BuildSkinMenu, &TFormKALO::BuildToneMenu}) {
            try {
                (this->*build)();
            } catch (...) {
            }
        }
        // 5. The options menu becomes the main menu's "Options" submenu.
        PopupMenuOptions->setTitle(QStringLiteral("Options"));
        PopupMenuKALO->insertMenu(PopupMenuKALO->actions().at(5), PopupMenuOptions);
        // 6. The bars; their first positions run no change handler.
        PositionBar->setGeometry(16, 72, 248, 10);
        PositionBar->setSliderWidth(29);
        PositionBar->setSliderHeight(10);
        PositionBar->setMin(1);
        PositionBar->setPosition(1);
        PositionBar->setEnabled(false);
        // Display only: presses on it reach the face.
        PositionBar->setAttribute(Qt::WA_TransparentForMouseEvents);
        PositionBar->show();
        VolumeBar->setGeometry(107, 57, 68, 13);
        VolumeBar->setSliderWidth(14);
        VolumeBar->setSliderHeight(11);
        VolumeBar->setMin(1);
        VolumeBar->setMax(65535);
        VolumeBar->setPosition(GetWaveVolume());
        VolumeBar->OnChange = [this](TJQTrackBar* sender) { VolumeBarChange(sender); };
        VolumeBar->show();
        SpeedBar->setGeometry(177, 57, 38, 13);
        SpeedBar->setSliderWidth(14);
        SpeedBar->setSliderHeight(11);
        SpeedBar->setMin(50);
        SpeedBar->setMax(250);
        SpeedBar->setPosition(Settings.Spd);
        SpeedBar->OnChange = [this](TJQTrackBar* sender) { SpeedBarChange(sender); };
        SpeedBar->show();
        // 7.
        CreateFaceButtons();
        // 8. Also applies the stored windowshade state.
        ApplySkin();
        // 9. A stored place that lies on no screen any more (a monitor gone,
        // a smaller resolution) is brought into the primary work area.
        move(PlaceOnScreen(QRect(QPoint(Settings.MainLeft, Settings.MainTop), size())));
        // 10.
        if (Agent) {
            connect(Agent, &TAgent::Click, this, &TFormKALO::AgentClick);
            connect(Agent, &TAgent::Bookmark, this, &TFormKALO::AgentBookmark);
            connect(Agent, &TAgent::RequestFailed, this, &TFormKALO::AgentRequestFailed);
        }
        // 11.
        // The file is found whatever its letter case (a stored Char1 of
        // james still finds James.acs).
        JQChar = std::make_unique<TJQChar>(CharacterFilePath(CharsFolders(), Settings.Char1));
        ApplyCharacterSettings();
        // 12. and 13.
        ApplyStartSettings();
        // 14.
        if (Settings.Char1Visible && Settings.GreetingWhenStart)
            JQChar->Greet();
    } catch (const KaloError& e) {
        // The window opens with the steps before the failure done.
        ShowErrorBox(e.message());
    } catch (const std::exception& e) {
        ShowErrorBox(QString::fromLocal8Bit(e.what()));
    }
}

void TFormKALO::ApplyStartSettings() {
    // The check marks from the settings.
    setCheckedQuietly(ActionAutoSpeak, Settings.AutoSpeak);
    setCheckedQuietly(ActionChar1Visible, Settings.Char1Visible);
    setCheckedQuietly(ActionStayOnTop, Settings.StayOnTop);
    setCheckedQuietly(ActionShuffle, Settings.Shuffle);
    setCheckedQuietly(ActionRepeat1, Settings.Repeat1);
    setCheckedQuietly(ActionBalloonVisible, Settings.BalloonVisible);
    setCheckedQuietly(ActionAnimationOn, Settings.AnimationOn);
    setCheckedQuietly(ActionSoundEffectsOn, Settings.SoundEffectsOn);
    setCheckedQuietly(ActionRecordClipboard, Settings.RecordClipboard);
    setCheckedQuietly(ActionShade, Settings.AppBar);
    // The stored values again through their setters.
    SetAutoSpeak(Settings.AutoSpeak);
    SetStayOnTop(Settings.StayOnTop);
    if (JQChar) {
        JQChar->BalloonVisible = Settings.BalloonVisible;
        JQChar->AnimationOn = Settings.AnimationOn;
        JQChar->SetSoundEffectsOn(Settings.SoundEffectsOn);
    }
}

void TFormKALO::FormDestroy() {
    // Unloading the character waits for it to hide, handling events: from
    // here on nothing reaches this window from outside.
    FDestroying = true;
    FConverterPending = false;
    // A list entry still being read would otherwise arrive while the
    // character goes, and show its label or its error box on a window
    // being destroyed.
    dropPendingRead();
    if (FormKALO == this)
        FormKALO = nullptr;
    SysTray1->setActive(false);
    if (Agent)
        disconnect(Agent, nullptr, this, nullptr);
    if (FHooked)
        disconnect(qApp, &QGuiApplication::applicationStateChanged, this,
                   &TFormKALO::applicationStateChanged);
    FHooked = false;
    SetCharacterOptionsLink({});
    // Each step on its own: the window's place is stored whatever happens
    // to the character.
    if (JQChar) {
        try {
            StoreCharacterSettings();
        } catch (...) {
        }
    }
    try {
        JQChar.reset();
    } catch (...) {
    }
    try {
        DoneAgent();
    } catch (...) {
    }
    Settings.MainLeft = x();
    Settings.MainTop = y();
}

void TFormKALO::CreateFaceButtons() {
    const auto& specs = faceButtonSpecs();
    for (int i = 0; i < FaceButtonCount; ++i) {
        auto* button = new TFaceButton(this, FaceButtonGroup(i));
        button->setObjectName(QStringLiteral("FaceButton%1").arg(i));
        button->setGeometry(specs[size_t(i)].place);
        button->setAction(ActionManager1.at(i));
        button->show();
        FaceButtons[size_t(i)] = button;
    }
}

void TFormKALO::ApplySkin() {
    FSkinLoader->ApplySkin(DataFolders(), Settings.Skin);
}

void TFormKALO::SetShade(bool on) {
    FSkinLoader->SetShade(on);
}

void TFormKALO::PaintTitleBar() {
    FSkinLoader->PaintTitleBar();
}

bool TFormKALO::WindowShade() const {
    return Settings.AppBar;
}

void TFormKALO::applicationStateChanged() {
    PaintTitleBar();
}

void TFormKALO::applyStayOnTopFlag(bool on) {
    Qt::WindowFlags flags = windowFlags();
    flags.setFlag(Qt::WindowStaysOnTopHint, on);
    if (flags == windowFlags())
        return;
    if (QWindow* handle = windowHandle()) {
        // Changed on the living window, which stays where it is and shown.
        overrideWindowFlags(flags);
        handle->setFlags(flags);
    } else {
        setWindowFlags(flags);
    }
}

void TFormKALO::SetStayOnTop(bool on) {
    Settings.StayOnTop = on;
    if (FaceButtons[5])
        FaceButtons[5]->setLatched(on);
    applyStayOnTopFlag(on);
}

void TFormKALO::SetAutoSpeak(bool on) {
    Settings.AutoSpeak = on;
    if (FaceButtons[10])
        FaceButtons[10]->setLatched(on);
}

void TFormKALO::Image1MouseDown(QMouseEvent* event) {
    DragOrigin = Image1->mapTo(this, event->position().toPoint());
    // The mouse button is not examined: a right-click on a hot spot runs it
    // and then opens the menu.
    const auto actions = HotSpotActionsAt(DragOrigin, WindowShade());
    for (PlayerAction action : actions)
        ActionManager1.at(action)->trigger();
}

void TFormKALO::Image1MouseMove(QMouseEvent* event) {
    if (!(event->buttons() & Qt::LeftButton))
        return;
    const DragStep step =
        DragWindow(event->globalPosition().toPoint(), DragOrigin, size(), WorkArea());
    if (step.topLeft != pos())
        move(step.topLeft);
    if (step.pointerMoved)
        QCursor::setPos(step.pointer);
}

void TFormKALO::Image1DblClick(QMouseEvent* event) {
    const QPoint p = mapFromGlobal(event->globalPosition().toPoint());
    if (InTitleStrip(p))
        ActionShade->trigger();
}

void TFormKALO::AgentClick(const QString&, qint16 button, qint16, qint16 x, qint16 y) {
    if (button != 2)
        return;
    try {
        PopupMainMenu(QPoint(x, y));
    } catch (...) {
    }
}

void TFormKALO::PopupMainMenu(QPoint screenPoint) {
    PopupMenuKALO->popup(RightAlignedMenuAt(screenPoint, PopupMenuKALO->sizeHint().width()));
}

void TFormKALO::contextMenuEvent(QContextMenuEvent* event) {
    event->accept();
    PopupMainMenu(event->globalPos());
}

void TFormKALO::closeEvent(QCloseEvent* event) {
    event->accept();
    if (FConverterSwitch)
        return;
    // Exit wins over a switch still waiting for the main loop.
    FConverterPending = false;
    CloseMainWindow();
}

// ---------------------------------------------------------------- actions

void TFormKALO::ActionMainMenuExecute() {
    PopupMainMenu(pos() + QPoint(6, 3));
}

void TFormKALO::ActionMiniExecute() {
    MinimizeApplication();
}

void TFormKALO::ActionShadeExecute() {
    SetShade(!WindowShade());
}

void TFormKALO::ActionExitExecute() {
    close();
}

void TFormKALO::ActionOptionsExecute() {
    PopupMenuOptions->popup(pos() + QPoint(10, 24));
}

void TFormKALO::ActionStayOnTopExecute() {
    SetStayOnTop(!Settings.StayOnTop);
}

void TFormKALO::ActionSoundEffectsOnExecute() {
    Settings.SoundEffectsOn = !Settings.SoundEffectsOn;
    if (JQChar)
        JQChar->SetSoundEffectsOn(Settings.SoundEffectsOn);
}

void TFormKALO::ActionBalloonVisibleExecute() {
    Settings.BalloonVisible = !Settings.BalloonVisible;
    if (JQChar)
        JQChar->BalloonVisible = Settings.BalloonVisible;
}

void TFormKALO::ActionAnimationOnExecute() {
    Settings.AnimationOn = !Settings.AnimationOn;
    if (JQChar)
        JQChar->AnimationOn = Settings.AnimationOn;
}

void TFormKALO::ActionChar1VisibleExecute() {
    // Without a character only the setting changes. While the character is
    // saying something (a list entry, a copy), its hide would come only
    // after all of it, and is left out: the size alone changes, at once, and
    // the speech goes on (the character neither waits for a show behind it).
    if (JQChar && Settings.Char1Visible && !JQChar->Speaking())
        JQChar->Hide();
    Settings.Char1Visible = !Settings.Char1Visible;
    if (!JQChar)
        return;
    JQChar->SetVisible(Settings.Char1Visible);
    if (Settings.Char1Visible)
        JQChar->Show();
}

void TFormKALO::ActionAutoSpeakExecute() {
    SetAutoSpeak(!Settings.AutoSpeak);
}

void TFormKALO::ActionAboutExecute() {
    ShowAbout(this);
}

void TFormKALO::ActionPreferencesExecute() {
    ShowOptions();
}

void TFormKALO::ActionHomeExecute() {
    ShellOpen(QString::fromLatin1(ProductWebSite), QStringLiteral("Open"), SW_SHOWMAXIMIZED);
}

void TFormKALO::ActionJQExecute() {
    ShellOpen(QString::fromLatin1(MakerWebSite), QStringLiteral("Open"), SW_SHOWMAXIMIZED);
}

void TFormKALO::ActionDownExecute() {
    ShellOpen(QString::fromLatin1(ProductWebSite), QStringLiteral("Open"), SW_SHOWMAXIMIZED);
}

void TFormKALO::ActionDownLatestExecute() {
    ShellOpen(QString::fromLatin1(ProductWebSite), QStringLiteral("Open"), SW_SHOWMAXIMIZED);
}

void TFormKALO::ActionHelpExecute() {
    ShellOpen(HelpPagePath(), QStringLiteral("Open"), SW_SHOWMAXIMIZED);
}

void TFormKALO::ActionRecordClipboardExecute() {
    Settings.RecordClipboard = !Settings.RecordClipboard;
}

bool TFormKALO::InNestedEventLoop() {
    // The application's main loop is the first event loop; a modal dialog
    // runs a second one, and a wait for the character handles events
    // without a loop of its own.
    return QThread::currentThread()->loopLevel() > 1 || WaitingForRequest();
}

void TFormKALO::ActionConverterExecute() {
    // Chosen while a modal dialog of this window (the About box, a file
    // dialog, Preferences, a message) or a wait for the character runs its
    // own event loop, with this window's handler below it on the stack:
    // destroying the window there would pull it from under that handler.
    // The switch waits until control is back in the main loop.
    if (FConverterPending || FConverterSwitch || FDestroying)
        return;
    FConverterPending = true;
    switchToConverter();
}

void TFormKALO::switchToConverter() {
    if (!FConverterPending)
        return;
    if (InNestedEventLoop()) {
        QTimer::singleShot(kSwitchRetryMs, this, &TFormKALO::switchToConverter);
        return;
    }
    FConverterPending = false;
    // The window goes once the current event has been handled; its
    // destruction stores its values as at any other end.
    FConverterSwitch = true;
    hide();
    SysTray1->setActive(false);
    FormKALO = nullptr;
    deleteLater();
    Settings.ActiveUI = 0;
    ShowMainWindow();
}

bool TFormKALO::ClipboardReady() const {
    return JQChar != nullptr;
}

void RegisterPlayerWindow() {
    SetInterfaceWindowFactory(CartoonInterface, [] { return new TFormKALO; });
}

} // namespace kalo
