#include "ui/window_placement.h"

#include <gtest/gtest.h>

using namespace kalo;

namespace {
const QRect Primary(0, 0, 1024, 740); // a 1024 x 768 screen under a 28-pixel panel
const QRect Second(1024, 0, 1280, 1024);
} // namespace

TEST(WindowPlacement, WindowsThatCanBeGrabbedStayWhereTheyAre) {
    const QList<QRect> both{Primary, Second};
    EXPECT_EQ(PlaceOnScreen(QRect(394, 255, 323, 335), both, Primary), QPoint(394, 255));
    // On the second screen, and straddling both.
    EXPECT_EQ(PlaceOnScreen(QRect(1500, 600, 323, 335), both, Primary), QPoint(1500, 600));
    EXPECT_EQ(PlaceOnScreen(QRect(900, 20, 323, 335), both, Primary), QPoint(900, 20));
    // Mostly off the right edge, but 40 pixels of its title still show.
    EXPECT_EQ(PlaceOnScreen(QRect(984, 100, 323, 335), {Primary}, Primary), QPoint(984, 100));
}

TEST(WindowPlacement, WindowsOnNoScreenComeIntoThePrimaryWorkArea) {
    // Its monitor was unplugged: the window comes to the nearest place inside.
    EXPECT_EQ(PlaceOnScreen(QRect(1500, 600, 323, 335), {Primary}, Primary), QPoint(701, 405));
    // Only a sliver of the title shows at the right.
    EXPECT_EQ(PlaceOnScreen(QRect(1000, 100, 323, 335), {Primary}, Primary), QPoint(701, 100));
    // Its title lies above the top of the screen, though the body shows.
    EXPECT_EQ(PlaceOnScreen(QRect(394, -60, 323, 335), {Primary}, Primary), QPoint(394, 0));
    // Title under the panel at the bottom.
    EXPECT_EQ(PlaceOnScreen(QRect(394, 735, 323, 335), {Primary}, Primary), QPoint(394, 405));
    // Far to the upper left.
    EXPECT_EQ(PlaceOnScreen(QRect(-5000, -5000, 323, 335), {Primary}, Primary), QPoint(0, 0));
}

TEST(WindowPlacement, WindowLargerThanTheWorkAreaKeepsItsTitleReachable) {
    const QRect big(3000, 3000, 1600, 1200);
    EXPECT_EQ(FitIntoWorkArea(big, Primary).topLeft(), QPoint(0, 0));
    EXPECT_FALSE(TitleReachable(big, {Primary}));
    EXPECT_FALSE(TitleReachable(QRect(10, 10, 0, 0), {Primary}));
    // A tiny window counts as reachable when all of its title shows.
    EXPECT_TRUE(TitleReachable(QRect(1010, 700, 14, 10), {Primary}));
}
