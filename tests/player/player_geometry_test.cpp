#include "player/player_geometry.h"

#include <gtest/gtest.h>

using namespace kalo;

namespace {
std::vector<PlayerAction> at(int x, int y, bool shade) {
    return HotSpotActionsAt(QPoint(x, y), shade);
}
using Actions = std::vector<PlayerAction>;
} // namespace

TEST(PlayerHotSpots, AboutSpotWorksOnlyWhereTheFaceIsFull) {
    EXPECT_EQ(at(258, 97, false), Actions{paAbout});
    // In windowshade mode the point lies outside the strip, but the table is
    // not what keeps it out: the spot is tested always.
    EXPECT_EQ(at(258, 97, true), Actions{paAbout});
    EXPECT_TRUE(at(253, 97, false).empty());
    EXPECT_TRUE(at(263, 97, false).empty());
    EXPECT_TRUE(at(258, 93, false).empty());
    EXPECT_TRUE(at(258, 103, false).empty());
    EXPECT_EQ(at(254, 94, false), Actions{paAbout});
    EXPECT_EQ(at(262, 102, false), Actions{paAbout});
}

TEST(PlayerHotSpots, StripPlayControlsOnlyInWindowshadeMode) {
    EXPECT_EQ(at(170, 5, true), Actions{paPrev});
    EXPECT_TRUE(at(170, 5, false).empty());
    // Left edges inclusive, right edges exclusive, in order along the strip.
    const std::pair<int, PlayerAction> spots[] = {{168, paPrev}, {177, paPlay}, {186, paPause},
                                                  {195, paStop}, {204, paNext}, {215, paFile}};
    for (const auto& [left, action] : spots) {
        EXPECT_EQ(at(left, 3, true), Actions{action}) << left;
        EXPECT_EQ(at(left + 8, 11, true), Actions{action}) << left;
        EXPECT_TRUE(at(left + 4, 12, true).empty()) << left;
        EXPECT_TRUE(at(left + 4, 2, true).empty()) << left;
        EXPECT_TRUE(at(left, 3, false).empty()) << left;
    }
    // The gap between Next and Open File.
    EXPECT_TRUE(at(213, 5, true).empty());
}

TEST(PlayerHotSpots, TitleButtonsSpotsAlwaysTested) {
    for (bool shade : {false, true}) {
        EXPECT_EQ(at(6, 3, shade), Actions{paMainMenu});
        EXPECT_EQ(at(248, 7, shade), Actions{paMini});
        EXPECT_EQ(at(254, 3, shade), Actions{paShade});
        EXPECT_EQ(at(272, 11, shade), Actions{paExit});
        EXPECT_TRUE(at(273, 11, shade).empty());
        EXPECT_TRUE(at(15, 3, shade).empty());
    }
    // The eleven spots never overlap: no point runs two actions.
    for (int y = 0; y < 116; ++y)
        for (int x = 0; x < 275; ++x)
            ASSERT_LE(at(x, y, true).size(), 1u) << x << "," << y;
}

TEST(PlayerFaceButtons, TogglesAreTheLatchingButtons) {
    for (int i = 0; i < 19; ++i) {
        const bool toggle = (i >= 5 && i <= 10) || i == 17 || i == 18;
        EXPECT_EQ(FaceButtonIsToggle(i), toggle) << i;
    }
    // Every toggle is alone in its group.
    for (int i = 0; i < 19; ++i)
        for (int j = i + 1; j < 19; ++j)
            if (FaceButtonIsToggle(i))
                EXPECT_NE(FaceButtonGroup(i), FaceButtonGroup(j));
}

TEST(PlayerTitleStrip, DoubleClickAreaIsTheTopFourteenRows) {
    EXPECT_TRUE(InTitleStrip({0, 0}));
    EXPECT_TRUE(InTitleStrip({274, 13}));
    EXPECT_FALSE(InTitleStrip({275, 5}));
    EXPECT_FALSE(InTitleStrip({100, 14}));
    EXPECT_FALSE(InTitleStrip({-1, 5}));
}

TEST(PlayerSnapping, NearEdgeWithinElevenPixelsSnapsTwelveDoesNot) {
    // Work area 0..1024 (exclusive right edge), window 275 wide.
    EXPECT_EQ(SnapAxis(11, 275, 0, 1024).position, 0);
    EXPECT_TRUE(SnapAxis(11, 275, 0, 1024).snapped);
    EXPECT_EQ(SnapAxis(12, 275, 0, 1024).position, 12);
    EXPECT_FALSE(SnapAxis(12, 275, 0, 1024).snapped);
    EXPECT_EQ(SnapAxis(-11, 275, 0, 1024).position, 0);
    EXPECT_EQ(SnapAxis(-12, 275, 0, 1024).position, -12);
    // Already at the edge: stays by the plain case, no snap reported.
    EXPECT_EQ(SnapAxis(0, 275, 0, 1024).position, 0);
    EXPECT_FALSE(SnapAxis(0, 275, 0, 1024).snapped);
}

TEST(PlayerSnapping, FarEdgeSnapsToTheExclusiveRightOrBottom) {
    EXPECT_EQ(SnapAxis(1024 - 275 - 11, 275, 0, 1024).position, 1024 - 275);
    EXPECT_EQ(SnapAxis(1024 - 275 + 11, 275, 0, 1024).position, 1024 - 275);
    EXPECT_EQ(SnapAxis(1024 - 275 - 12, 275, 0, 1024).position, 1024 - 275 - 12);
    EXPECT_FALSE(SnapAxis(1024 - 275, 275, 0, 1024).snapped);
    // A work area that does not start at 0 (a panel on the left or top).
    EXPECT_EQ(SnapAxis(40, 116, 30, 768).position, 30);
    EXPECT_EQ(SnapAxis(41, 116, 30, 768).position, 30);
    EXPECT_EQ(SnapAxis(42, 116, 30, 768).position, 42);
    EXPECT_EQ(SnapAxis(768 - 116 - 5, 116, 30, 768).position, 768 - 116);
}

TEST(PlayerSnapping, DragStepMovesThePointerByTheSnapOnlyOnTheSnappedAxis) {
    const QRect work(0, 0, 1024, 740); // a 28-pixel panel at the bottom
    const QSize size(275, 116);
    // Pressed at 100, 5 in the face; the pointer now puts the window at
    // 9, 300: the left edge snaps by -9 and the pointer follows; y stays.
    DragStep s = DragWindow(QPoint(109, 305), QPoint(100, 5), size, work);
    EXPECT_EQ(s.topLeft, QPoint(0, 300));
    EXPECT_TRUE(s.pointerMoved);
    EXPECT_EQ(s.pointer, QPoint(100, 305));
    // Bottom edge 5 pixels above the panel: snaps down by 5.
    s = DragWindow(QPoint(600, 740 - 116 - 5 + 5), QPoint(100, 5), size, work);
    EXPECT_EQ(s.topLeft, QPoint(500, 740 - 116));
    EXPECT_EQ(s.pointer, QPoint(600, 740 - 116 + 5));
    // Far from every edge: the window follows the pointer, which stays.
    s = DragWindow(QPoint(400, 300), QPoint(100, 5), size, work);
    EXPECT_EQ(s.topLeft, QPoint(300, 295));
    EXPECT_FALSE(s.pointerMoved);
    EXPECT_EQ(s.pointer, QPoint(400, 300));
    // Both axes at once: the corner.
    s = DragWindow(QPoint(1024 - 275 + 3 + 100, 4 + 5), QPoint(100, 5), size, work);
    EXPECT_EQ(s.topLeft, QPoint(1024 - 275, 0));
    EXPECT_EQ(s.pointer, QPoint(1024 - 275 + 100, 5));
}

TEST(PlayerMenus, RightAlignedMenuEndsAtThePoint) {
    EXPECT_EQ(RightAlignedMenuAt(QPoint(300, 200), 180), QPoint(120, 200));
}
