// The main window of the cartoon interface: a small borderless window whose
// face is a skin picture with 19 face buttons, 11 hot spots, three skinned
// track bars and two labels. It owns the character controller for its whole
// life, carries the window's 29 actions, the main and options menus and the
// tray icon, and moves itself when dragged, snapping to the work area's edges.
//
// The reading list and playback, the character, tone and skin menus and the
// character settings are written in player_playback_slots.cpp and the
// playback files beside it; this file declares every slot they fill in.
#pragma once

#include "agent/agent_control.h"
#include "services/interface_windows.h"

#include <QImage>
#include <QLabel>
#include <QList>
#include <QPoint>
#include <QWidget>

#include <array>
#include <functional>
#include <memory>

class QAction;
class QKeySequence;
class QMenu;
class QMouseEvent;

namespace kalo {

class TFaceButton;
class TJQChar;
class TJQTrackBar;
class TSkinLoader;
class TSysTray;
class PlayerSkinTarget;

// A text label on the face whose size follows its text. LabelFileName keeps
// its left edge, LabelNumber its right edge (it is right-aligned).
class TFaceLabel : public QLabel {
    Q_OBJECT
public:
    TFaceLabel(QWidget* parent, Qt::Alignment alignment);
    // Sets the text and resizes the label around it. Hides QLabel::setText,
    // so call it through a TFaceLabel pointer.
    void setText(const QString& text);
    // Keeps the label's anchored edge at x (left edge for left-aligned labels,
    // right edge, exclusive, for right-aligned ones) and its top at y.
    void anchorAt(int x, int y);
    void fitToText();

private:
    int anchorX_ = 0;
    int anchorY_ = 0;
};

// The face picture: the whole client area. It receives the mouse for the hot
// spots, dragging and the double-click on the title strip.
class TFaceImage : public QWidget {
    Q_OBJECT
public:
    explicit TFaceImage(QWidget* parent);
    const QImage& picture() const { return picture_; }
    void setPicture(const QImage& picture);

    std::function<void(QMouseEvent*)> OnMouseDown;
    std::function<void(QMouseEvent*)> OnMouseMove;
    std::function<void(QMouseEvent*)> OnDblClick;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    QImage picture_;
};

class TFormKALO : public QWidget, public TClipboardReader {
    Q_OBJECT
public:
    explicit TFormKALO(QWidget* parent = nullptr);
    // FormDestroy: stores the character settings and MainLeft / MainTop.
    ~TFormKALO() override;

    // --- Actions, in ActionManager1's order: face button i runs action i,
    // and the hot spots refer to actions by position.
    QAction* ActionMainMenu = nullptr;        // 0
    QAction* ActionMini = nullptr;            // 1
    QAction* ActionShade = nullptr;           // 2
    QAction* ActionExit = nullptr;            // 3
    QAction* ActionOptions = nullptr;         // 4
    QAction* ActionStayOnTop = nullptr;       // 5
    QAction* ActionSoundEffectsOn = nullptr;  // 6
    QAction* ActionBalloonVisible = nullptr;  // 7
    QAction* ActionAnimationOn = nullptr;     // 8
    QAction* ActionChar1Visible = nullptr;    // 9
    QAction* ActionAutoSpeak = nullptr;       // 10
    QAction* ActionPrev = nullptr;            // 11
    QAction* ActionPlay = nullptr;            // 12
    QAction* ActionPause = nullptr;           // 13 "Read Clipboard"
    QAction* ActionStop = nullptr;            // 14
    QAction* ActionNext = nullptr;            // 15
    QAction* ActionFile = nullptr;            // 16
    QAction* ActionShuffle = nullptr;         // 17
    QAction* ActionRepeat1 = nullptr;         // 18
    QAction* ActionAbout = nullptr;           // 19
    QAction* ActionSpeak = nullptr;           // 20 "Speak Clipboard"
    QAction* ActionPreferences = nullptr;     // 21
    QAction* ActionHome = nullptr;            // 22
    QAction* ActionJQ = nullptr;              // 23
    QAction* ActionDown = nullptr;            // 24
    QAction* ActionDownLatest = nullptr;      // 25
    QAction* ActionHelp = nullptr;            // 26
    QAction* ActionRecordClipboard = nullptr; // 27 (hidden)
    QAction* ActionConverter = nullptr;       // 28
    // All 29 in order.
    QList<QAction*> ActionManager1;

    // --- Menus. PopupMenuOptions is inserted into PopupMenuKALO as its
    // "Options" submenu at creation.
    QMenu* PopupMenuKALO = nullptr;
    QMenu* PopupMenuOptions = nullptr;
    QMenu* Characters1 = nullptr; // filled by BuildCharacterMenu
    QMenu* Skins1 = nullptr;      // filled by BuildSkinMenu
    QMenu* Tones1 = nullptr;      // filled by BuildToneMenu
    QMenu* Playback1 = nullptr;   // Previous, Play, Read Clipboard, Stop, Next

    // --- Controls, from bottom to top.
    TFaceImage* Image1 = nullptr;
    TFaceLabel* LabelFileName = nullptr;
    TFaceLabel* LabelNumber = nullptr;
    TJQTrackBar* PositionBar = nullptr;
    TJQTrackBar* VolumeBar = nullptr;
    TJQTrackBar* SpeedBar = nullptr;
    std::array<TFaceButton*, 19> FaceButtons{};
    TSysTray* SysTray1 = nullptr;

    // The character controller; null when creating it failed.
    std::unique_ptr<TJQChar> JQChar;

    // Position in the document list of the current entry (may equal the
    // count: past the end), and whether the end of a text goes on to the
    // next entry.
    int ItemIndex = 0;
    bool Playing = false;

    // Where the pointer was within the face at the last button press.
    QPoint DragOrigin;

    // --- The window (player_window.cpp).
    void CreateFaceButtons();
    // The skin loader's operations on this window.
    void ApplySkin();
    void SetShade(bool on);
    void PaintTitleBar();
    bool WindowShade() const;
    void SetStayOnTop(bool on);
    void SetAutoSpeak(bool on);

    void Image1MouseDown(QMouseEvent* event);
    void Image1MouseMove(QMouseEvent* event);
    void Image1DblClick(QMouseEvent* event);
    // The Agent control's click on the character: the right button opens
    // PopupMenuKALO at the click.
    void AgentClick(const QString& characterId, qint16 button, qint16 shift, qint16 x, qint16 y);

    void ActionMainMenuExecute();
    void ActionMiniExecute();
    void ActionShadeExecute();
    void ActionExitExecute();
    void ActionOptionsExecute();
    void ActionStayOnTopExecute();
    void ActionSoundEffectsOnExecute();
    void ActionBalloonVisibleExecute();
    void ActionAnimationOnExecute();
    void ActionChar1VisibleExecute();
    void ActionAutoSpeakExecute();
    void ActionAboutExecute();
    void ActionPreferencesExecute();
    void ActionHomeExecute();
    void ActionJQExecute();
    void ActionDownExecute();
    void ActionDownLatestExecute();
    void ActionHelpExecute();
    void ActionRecordClipboardExecute();
    // Destroys the window (once the current event is handled), sets
    // ActiveUI 0 and shows the selector on the converter page. Chosen inside
    // a nested event loop (a modal dialog, a wait for the character), the
    // switch happens when control is back in the main loop.
    void ActionConverterExecute();
    // Whether events are being handled inside a nested event loop: a modal
    // dialog's, or a wait for the character.
    static bool InNestedEventLoop();

    // Opens PopupMenuKALO with its right edge at the screen point.
    void PopupMainMenu(QPoint screenPoint);

    // Where the face's drag and snapping read the work area from; the
    // primary screen's available area unless replaced (tests).
    std::function<QRect()> WorkArea;

    // --- Reading list, playback, the submenus and the character settings
    // (player_playback_slots.cpp and the playback files).
    void ActionPrevExecute();
    void ActionPlayExecute();
    void ActionPauseExecute();
    void ActionStopExecute();
    void ActionNextExecute();
    void ActionFileExecute();
    void ActionShuffleExecute();
    void ActionRepeat1Execute();
    void ActionSpeakExecute();
    void AgentBookmark(qint32 bookmarkId);
    // A request of the character failed: when it is one of the character's
    // speeches, the reading list hears of it, once back in the event loop.
    void AgentRequestFailed(const QString& characterId, const RequestPtr& request);
    void ShuffleList();
    void BuildCharacterMenu();
    void BuildSkinMenu();
    void BuildToneMenu();
    void CharacterItemClick(QAction* item);
    void SkinItemClick(QAction* item);
    void ToneItemClick(QAction* item);
    void ApplyCharacterSettings();
    void StoreCharacterSettings();
    // The check marks from the settings, and stay-on-top, Watch Clipboard,
    // balloon, animation and sound effects applied through their setters:
    // the end of creation once the character is there (also a character
    // chosen after the start-up load failed).
    void ApplyStartSettings();
    void SpeedBarChange(TJQTrackBar* sender);
    void VolumeBarChange(TJQTrackBar* sender);

    // The clipboard watch (TClipboardReader): reads only while there is a
    // character, through ActionSpeakExecute.
    bool ClipboardReady() const override;
    void ReadClipboard(const QString& text) override;

protected:
    void closeEvent(QCloseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void FormCreate();
    void FormDestroy();
    void createActions();
    void createMenus();
    void createControls();
    QAction* makeAction(const char* name, const QString& caption, const QString& hint,
                        const QKeySequence& shortcut, bool toggle);
    void setCheckedQuietly(QAction* action, bool checked);
    void applicationStateChanged();
    void applyStayOnTopFlag(bool on);

    std::unique_ptr<PlayerSkinTarget> FSkinTarget;
    // Drops a file the reading list is still reading (player_playback_slots.cpp).
    void dropPendingRead();
    void switchToConverter();
    // How often a switch waiting for the main loop looks again.
    static constexpr int kSwitchRetryMs = 50;

    std::unique_ptr<TSkinLoader> FSkinLoader;
    bool FConverterPending = false; // chosen, waiting for the main loop
    bool FConverterSwitch = false;  // switching: the window is going
    bool FDestroying = false;
    bool FHooked = false;
};

// Registers the player as the window Launch opens for the cartoon interface.
void RegisterPlayerWindow();

} // namespace kalo
