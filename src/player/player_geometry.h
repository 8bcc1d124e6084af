// The player window's geometry as plain functions: the face hot spots and
// their hit test, the face buttons' groups, the title strip, and the edge
// snapping of a dragged window. Used by the window and tested without a
// display.
#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

#include <array>
#include <vector>

namespace kalo {

inline constexpr int ActionCount = 29;
inline constexpr int HotSpotCount = 11;
inline constexpr int HotSpotSize = 9;
inline constexpr int SnapDistance = 12;
inline constexpr QSize PlayerFaceSize{275, 116};
inline constexpr QSize PlayerShadeSize{275, 14};

// Positions of the window's actions in ActionManager1.
enum PlayerAction : int {
    paMainMenu,
    paMini,
    paShade,
    paExit,
    paOptions,
    paStayOnTop,
    paSoundEffectsOn,
    paBalloonVisible,
    paAnimationOn,
    paChar1Visible,
    paAutoSpeak,
    paPrev,
    paPlay,
    paPause,
    paStop,
    paNext,
    paFile,
    paShuffle,
    paRepeat1,
    paAbout,
    paSpeak,
    paPreferences,
    paHome,
    paJQ,
    paDown,
    paDownLatest,
    paHelp,
    paRecordClipboard,
    paConverter,
};

// A 9 x 9 square of the face that runs an action when pressed; some are
// tested only in windowshade mode (the play controls of the title strip).
struct HotSpot {
    QPoint topLeft;
    bool windowShadeOnly;
    PlayerAction action;
};
const std::array<HotSpot, HotSpotCount>& HotSpots();

// The actions of the hot spots that contain the point (face coordinates), in
// the order the hot spots are tested.
std::vector<PlayerAction> HotSpotActionsAt(QPoint point, bool windowShade);

// Face button i runs action i; a button whose group is not 0 is a toggle,
// alone in its group.
int FaceButtonGroup(int button);
inline bool FaceButtonIsToggle(int button) {
    return FaceButtonGroup(button) != 0;
}

// A double-click here toggles windowshade mode.
bool InTitleStrip(QPoint clientPoint);

// One axis of a dragged window: the proposed near edge snaps to the low edge
// of the work area, or its far edge to the high edge (exclusive), when it
// comes closer than SnapDistance without being there already.
struct AxisSnap {
    int position;
    bool snapped;
};
AxisSnap SnapAxis(int proposed, int size, int low, int high);

// The whole drag step: the window at topLeft with the given size, the pointer
// now at pointer (screen) and pressed at origin (within the window). Gives the
// new top-left and, when an axis snapped, where the pointer goes so it keeps
// its place inside the window.
struct DragStep {
    QPoint topLeft;
    QPoint pointer;
    bool pointerMoved;
};
DragStep DragWindow(QPoint pointer, QPoint origin, QSize size, const QRect& workArea);

// The top-left corner of a menu of the given width opened with its right
// edge at the point.
QPoint RightAlignedMenuAt(QPoint point, int menuWidth);

} // namespace kalo
