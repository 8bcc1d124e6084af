// Geometry of the skinned dialog frame: where its pieces lie, what each part
// of a piece does under the mouse, where the buttons and the caption go, and
// how the window changes when the user drags an edge. Plain functions, so they
// are checked without a window.
#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>
#include <Qt>

namespace kalo {

// Sizes of the frame's bands and pieces, in pixels.
inline constexpr int FrameTopHeight = 49;
inline constexpr int FrameLeftWidth = 10;
inline constexpr int FrameRightWidth = 13;
inline constexpr int FrameBottomHeight = 12;
inline constexpr int FrameTopLeftWidth = 81;
inline constexpr int FrameTopRightWidth = 97;
inline constexpr int FrameButtonSize = 17;
inline constexpr int FrameButtonTop = 5;
inline constexpr int FrameCaptionTop = 10;
inline constexpr int FrameLogoLeft = 1;
inline constexpr int FrameLogoTop = 9;
inline constexpr int FrameLogoSize = 32;
// Width of the grip zone along an edge of the title pieces.
inline constexpr int FrameGripSize = 8;
// What the frame's show handling sets before a derived window adjusts it.
inline constexpr int FrameDefaultMinWidth = 250;
inline constexpr int FrameDefaultMinHeight = 115;

// The pictures of the frame that react to the mouse, and the caption label.
enum class FramePiece {
    Top,
    TopLeft,
    TopRight,
    Left,
    Right,
    Bottom,
    BottomLeft,
    BottomRight,
    Caption
};

enum class FrameOperation { None, Move, Resize };

// What a point of a frame piece means: the cursor shown there and what
// pressing the left button starts.
struct FrameZone {
    FrameOperation operation = FrameOperation::None;
    Qt::Edges edges;                          // the edges dragged, for Resize
    Qt::CursorShape cursor = Qt::ArrowCursor; // the cursor over this point
};

// The zone at pos (in the piece's own coordinates) of a piece of the given
// size. A frame that is not sizeable only moves, from its title pieces and
// caption; a maximised frame neither moves nor resizes. Wherever nothing can
// be dragged the cursor is the ordinary arrow.
FrameZone FrameZoneAt(FramePiece piece, QPoint pos, QSize pieceSize, bool sizeable, bool maximised);

// Left edges of the three title buttons, from the left edge of the top-right
// title piece.
struct FrameButtonLefts {
    int minimise;
    int maximise; // maximise and restore share one place
    int close;
};
FrameButtonLefts FrameButtonPlaces(int topRightLeft);

// Left edge of the caption label: centred on the window, shifted 10 pixels
// to the left; the division rounds toward zero.
int CaptionLeft(int windowWidth, int labelWidth);

// The size raised to the minimum in each direction on its own.
QSize ClampToMinimum(QSize size, int minWidth, int minHeight);

// The window's geometry after dragging the given edges by delta from the
// start geometry. A dragged left or top edge never pushes the opposite edge:
// at the minimum size the window stops growing smaller and stays in place.
QRect ResizedGeometry(const QRect& start, Qt::Edges edges, QPoint delta, QSize minimum);

// Where every piece lies in a window of the given size (window coordinates).
struct FrameLayout {
    QRect top;     // the whole top band
    QRect topLeft; // pieces of the top band
    QRect topMiddle;
    QRect topRight;
    QRect left; // edges below the top band
    QRect right;
    QRect bottom;     // the whole bottom band
    QRect bottomLeft; // pieces of the bottom band (in window coordinates)
    QRect bottomMiddle;
    QRect bottomRight;
    QRect client; // everything inside the frame
};
FrameLayout LayOutFrame(QSize window);

} // namespace kalo
