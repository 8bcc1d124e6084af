#include "ui/frame_geometry.h"

#include <gtest/gtest.h>

using namespace kalo;

namespace {

struct ZoneCase {
    FramePiece piece;
    QPoint pos;
    FrameOperation operation;
    Qt::Edges edges;
    Qt::CursorShape cursor;
};

QSize pieceSize(FramePiece piece) {
    switch (piece) {
    case FramePiece::Top:
        return {214, 49};
    case FramePiece::TopLeft:
        return {81, 49};
    case FramePiece::TopRight:
        return {97, 49};
    case FramePiece::Left:
        return {10, 212};
    case FramePiece::Right:
        return {13, 212};
    case FramePiece::Bottom:
        return {369, 12};
    case FramePiece::BottomLeft:
        return {10, 12};
    case FramePiece::BottomRight:
        return {13, 12};
    case FramePiece::Caption:
        return {44, 13};
    }
    return {};
}

} // namespace

TEST(FrameZones, SizeableFrameResizesAtEdgesAndCornersAndMovesElsewhere) {
    const auto M = FrameOperation::Move;
    const auto R = FrameOperation::Resize;
    const ZoneCase cases[] = {
        {FramePiece::Top, {100, 7}, R, Qt::TopEdge, Qt::SizeVerCursor},
        {FramePiece::Top, {100, 8}, M, {}, Qt::ArrowCursor},
        {FramePiece::TopLeft, {7, 7}, R, Qt::TopEdge | Qt::LeftEdge, Qt::SizeFDiagCursor},
        {FramePiece::TopLeft, {7, 30}, R, Qt::LeftEdge, Qt::SizeHorCursor},
        {FramePiece::TopLeft, {40, 3}, R, Qt::TopEdge, Qt::SizeVerCursor},
        {FramePiece::TopLeft, {8, 8}, M, {}, Qt::ArrowCursor},
        {FramePiece::TopRight, {89, 7}, R, Qt::TopEdge | Qt::RightEdge, Qt::SizeBDiagCursor},
        {FramePiece::TopRight, {96, 48}, R, Qt::RightEdge, Qt::SizeHorCursor},
        {FramePiece::TopRight, {88, 48}, M, {}, Qt::ArrowCursor},
        {FramePiece::TopRight, {10, 0}, R, Qt::TopEdge, Qt::SizeVerCursor},
        {FramePiece::Left, {5, 100}, R, Qt::LeftEdge, Qt::SizeHorCursor},
        {FramePiece::Right, {5, 100}, R, Qt::RightEdge, Qt::SizeHorCursor},
        {FramePiece::Bottom, {5, 5}, R, Qt::BottomEdge, Qt::SizeVerCursor},
        {FramePiece::BottomLeft, {5, 5}, R, Qt::BottomEdge | Qt::LeftEdge, Qt::SizeBDiagCursor},
        {FramePiece::BottomRight, {5, 5}, R, Qt::BottomEdge | Qt::RightEdge, Qt::SizeFDiagCursor},
        {FramePiece::Caption, {0, 0}, M, {}, Qt::ArrowCursor},
    };
    for (const ZoneCase& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << "piece " << int(c.piece) << " at " << c.pos.x() << "," << c.pos.y());
        const FrameZone z = FrameZoneAt(c.piece, c.pos, pieceSize(c.piece), true, false);
        EXPECT_EQ(z.operation, c.operation);
        EXPECT_EQ(z.edges, c.edges);
        EXPECT_EQ(z.cursor, c.cursor);
    }
}

TEST(FrameZones, FixedFrameOnlyMovesByTheTitleAndMaximisedFrameDoesNothing) {
    for (FramePiece title :
         {FramePiece::Top, FramePiece::TopLeft, FramePiece::TopRight, FramePiece::Caption}) {
        const FrameZone corner = FrameZoneAt(title, {0, 0}, pieceSize(title), false, false);
        EXPECT_EQ(corner.operation, FrameOperation::Move);
        EXPECT_EQ(corner.cursor, Qt::ArrowCursor);
        EXPECT_EQ(FrameZoneAt(title, {0, 0}, pieceSize(title), true, true).operation,
                  FrameOperation::None);
    }
    for (FramePiece edge : {FramePiece::Left, FramePiece::Right, FramePiece::Bottom,
                            FramePiece::BottomLeft, FramePiece::BottomRight}) {
        const FrameZone z = FrameZoneAt(edge, {1, 1}, pieceSize(edge), false, false);
        EXPECT_EQ(z.operation, FrameOperation::None);
        EXPECT_EQ(z.cursor, Qt::ArrowCursor);
        const FrameZone m = FrameZoneAt(edge, {1, 1}, pieceSize(edge), true, true);
        EXPECT_EQ(m.operation, FrameOperation::None);
        EXPECT_EQ(m.cursor, Qt::ArrowCursor);
    }
}

TEST(FramePlaces, ButtonsAndCaptionOnTheDesignWidth) {
    const FrameLayout l = LayOutFrame({392, 273});
    const FrameButtonLefts b = FrameButtonPlaces(l.topRight.left());
    EXPECT_EQ(b.minimise, 330);
    EXPECT_EQ(b.maximise, 350);
    EXPECT_EQ(b.close, 370);
    EXPECT_EQ(CaptionLeft(392, 44), 164);
    EXPECT_EQ(CaptionLeft(392, 45), 163);
    // A caption wider than the window: the division rounds toward zero.
    EXPECT_EQ(CaptionLeft(100, 151), -35);
}

TEST(FramePlaces, BandsSurroundTheClientPanel) {
    const FrameLayout l = LayOutFrame({392, 273});
    EXPECT_EQ(l.client, QRect(10, 49, 369, 212));
    EXPECT_EQ(l.topLeft, QRect(0, 0, 81, 49));
    EXPECT_EQ(l.topRight, QRect(295, 0, 97, 49));
    EXPECT_EQ(l.topMiddle, QRect(81, 0, 214, 49));
    EXPECT_EQ(l.left, QRect(0, 49, 10, 212));
    EXPECT_EQ(l.right, QRect(379, 49, 13, 212));
    EXPECT_EQ(l.bottom, QRect(0, 261, 392, 12));
    EXPECT_EQ(l.bottomMiddle, QRect(10, 261, 369, 12));
    EXPECT_EQ(l.bottomRight, QRect(379, 261, 13, 12));
    // Smaller than the frame itself: nothing gets a negative size.
    const FrameLayout tiny = LayOutFrame({50, 30});
    EXPECT_GE(tiny.client.width(), 0);
    EXPECT_GE(tiny.client.height(), 0);
    EXPECT_GE(tiny.topMiddle.width(), 0);
}

TEST(FrameResizing, NeverBelowTheMinimumAndTheFarEdgesStay) {
    const QRect start(100, 100, 392, 273);
    const QSize min(250, 115);
    // Bottom-right corner dragged to make the window 100 x 50.
    EXPECT_EQ(ResizedGeometry(start, Qt::BottomEdge | Qt::RightEdge, {-292, -223}, min),
              QRect(100, 100, 250, 115));
    // The left edge dragged far right: the right edge stays where it was.
    EXPECT_EQ(ResizedGeometry(start, Qt::LeftEdge, {300, 0}, min), QRect(242, 100, 250, 273));
    // The top-left corner grows the window up and left.
    EXPECT_EQ(ResizedGeometry(start, Qt::TopEdge | Qt::LeftEdge, {-20, -30}, min),
              QRect(80, 70, 412, 303));
    // The top-right corner: top moves, right grows, left and bottom stay.
    EXPECT_EQ(ResizedGeometry(start, Qt::TopEdge | Qt::RightEdge, {10, 250}, min),
              QRect(100, 258, 402, 115));
    // A window already below the minimum grows at the dragged edge.
    EXPECT_EQ(ResizedGeometry(QRect(0, 0, 100, 50), Qt::LeftEdge, {0, 0}, min),
              QRect(-150, 0, 250, 115));
    EXPECT_EQ(ClampToMinimum({100, 500}, 250, 115), QSize(250, 500));
    EXPECT_EQ(ClampToMinimum({600, 50}, 250, 115), QSize(600, 115));
}
