// James, the program's default character: a friendly reader with round
// glasses and a red book, drawn with QPainter from a pose description. Every
// frame of his animations is one pose.
#pragma once

#include <QImage>
#include <QPointF>

namespace james {

// Size of every frame of the character.
inline constexpr int FrameWidth = 150;
inline constexpr int FrameHeight = 187;

enum class Eyes { Open, Half, Closed, Happy };
enum class Hand { Relaxed, Open, Point };

// Where the book is.
enum class Book {
    AtSide,      // hanging closed in his left hand (on the viewer's right)
    Lifting,     // closed, on its way up in the left hand
    FrontClosed, // closed, held at the chest with both hands
    FrontOpen,   // open towards him, held with both hands
    PageTurn,    // open, a page turning over
};

// Mouth shapes: 0 closed, 1 to 4 open from slightly to wide, 5 medium
// (rounded), 6 narrow; Smile is the resting smile.
enum Mouth : int { MouthClosed = 0, MouthMedium = 5, MouthNarrow = 6, MouthSmile = 7 };

struct Pose {
    double scale = 1.0;  // the whole figure, around the point between his feet
    double bow = 0;      // how far head and shoulders sink forward, in pixels
    double headTilt = 0; // degrees, clockwise
    Eyes eyes = Eyes::Open;
    double lookX = 0; // pupils, -1 (viewer's left) to 1
    double lookY = 0; // pupils, -1 (up) to 1
    double brows = 0; // raised by this many pixels
    int mouth = MouthSmile;
    // Hand positions in frame coordinates (before scaling). The free hand is
    // his right one, on the viewer's left; the book hand is on the right.
    QPointF freeHand{43, 140};
    Hand freeHandShape = Hand::Relaxed;
    double freeHandTilt = 0;   // degrees, for waving
    bool freeElbowLow = false; // the free elbow bends down rather than out
    QPointF bookHand{107, 136};
    Book book = Book::AtSide;
    double pageTurn = 0.5; // 0..1 while Book::PageTurn
    int sleep = 0;         // 1, 2: one or two Zs above his head
    bool sparkle = false;  // the little sparkles of his entrance
};

// The resting pose he stands and speaks in.
Pose RestPose();

// The pose drawn at the frame size, with hard edges against the
// transparent background: every pixel is fully opaque or fully transparent.
QImage DrawPose(const Pose& pose);

} // namespace james
