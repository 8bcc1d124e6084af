#include "player/jq_track_bar.h"
#include "player/skin_geometry.h"

#include <QTest>
#include <gtest/gtest.h>

#include <climits>
#include <vector>

namespace kalo {
namespace {

using namespace trackbar;

TEST(TrackBarMath, PositionBarPlacesItsSliderByThePlayersRange) {
    // PositionBar: 248 x 10, slider 29 x 10, Min 1, Max 100.
    EXPECT_EQ(sliderLeft(50, 1, 100, 248, 29), 109);
    EXPECT_EQ(sliderLeft(1, 1, 100, 248, 29), 2);
    EXPECT_EQ(sliderLeft(100, 1, 100, 248, 29), 219);
    EXPECT_EQ(sliderTop(10, 10), 0);
}

TEST(TrackBarMath, SpeedBarPlacementAndPressValues) {
    // SpeedBar: 38 x 13, slider 14 x 11, Min 50, Max 250.
    EXPECT_EQ(sliderLeft(150, 50, 250, 38, 14), 12);
    EXPECT_EQ(sliderTop(13, 11), 1);
    for (int x : {-5, 0, 6, 7})
        EXPECT_EQ(valueAt(x, 50, 250, 38, 14), 50) << x;
    EXPECT_EQ(valueAt(8, 50, 250, 38, 14), 57); // 49 + 1 * 201 div 24
    EXPECT_EQ(valueAt(19, 50, 250, 38, 14), 149);
    for (int x : {31, 32, 100})
        EXPECT_EQ(valueAt(x, 50, 250, 38, 14), 250) << x;
    EXPECT_EQ(valueAt(30, 50, 250, 38, 14), 49 + 23 * 201 / 24);
}

TEST(TrackBarMath, VolumeBarPressValuesNearTheRightEnd) {
    // VolumeBar: 68 x 13, slider 14 x 11, Min 1, Max 65535.
    EXPECT_EQ(valueAt(60, 1, 65535, 68, 14), 64321);
    EXPECT_EQ(valueAt(61, 1, 65535, 68, 14), 65535);
    EXPECT_EQ(valueAt(7, 1, 65535, 68, 14), 1);
}

TEST(TrackBarMath, EqualMinAndMaxKeepTheSliderAtTheLeft) {
    EXPECT_EQ(sliderLeft(0, 5, 5, 248, 29), 0);
    EXPECT_EQ(sliderLeft(1000, 5, 5, 248, 29), 0);
}

TEST(TrackBarMath, PointerXIsASigned16BitNumber) {
    // 65536 + 19 is 19 after the cut to 16 bits; 32768 + x is negative.
    EXPECT_EQ(valueAt(65536 + 19, 50, 250, 38, 14), 149);
    EXPECT_EQ(valueAt(32768 + 19, 50, 250, 38, 14), 50);
}

TEST(TrackBarMath, RangesThatWouldDivideByZeroOrOverflowGiveNumbersNotFaults) {
    // Max = Min - 1 makes the divisor 0.
    EXPECT_EQ(sliderLeft(3, 10, 9, 248, 29), 0);
    // INT_MIN div -1 wraps instead of trapping: Max - Min + 1 = -1 and
    // (INT_MAX - 0 + 1) wraps to INT_MIN.
    EXPECT_EQ(sliderLeft(INT_MAX, 0, -2, 1, 0), INT_MIN);
    // Products past 32 bits wrap like the 32-bit machine's.
    const std::int32_t wrapped = std::int32_t(std::uint32_t(20000000) * 219u) / 100;
    EXPECT_EQ(sliderLeft(20000000, 1, 100, 248, 29), wrapped);
    // The full int range is a range of 0 values: Min - 1 + 0, wrapped.
    EXPECT_EQ(valueAt(20, INT_MIN, INT_MAX, 38, 14), INT_MAX);
    // A bar narrower than its slider never divides.
    EXPECT_EQ(valueAt(5, 0, 10, 10, 29), 0);
    EXPECT_EQ(valueAt(15, 0, 10, 10, 29), 10);
}

// A bitmap whose pixel at x, y is rgb(x, y, 7): every cut shows where it came
// from.
QImage coordinateBitmap(int w, int h) {
    QImage image(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image.setPixel(x, y, qRgb(x & 0xff, y & 0xff, 7));
    return image;
}

class SpeedBarTest : public ::testing::Test {
protected:
    void SetUp() override {
        bar.resize(38, 13);
        bar.setSliderWidth(14);
        bar.setSliderHeight(11);
        bar.setMin(50);
        bar.setMax(250);
        bar.OnChange = [this](TJQTrackBar* sender) {
            EXPECT_EQ(sender, &bar);
            changes.push_back(bar.Position());
        };
        bar.LoadSkin(coordinateBitmap(68, 433), 9, 0, 15, 422, 0, 422);
    }
    QPoint pixelSource(int x, int y) const {
        const QRgb c = bar.picture().pixel(x, y);
        return QPoint(qRed(c), qGreen(c));
    }
    TJQTrackBar bar;
    std::vector<int> changes;
};

TEST_F(SpeedBarTest, LoadSkinCutsThreePicturesAndShowsOnlyTheBackground) {
    ASSERT_EQ(bar.background().size(), QSize(38, 13));
    ASSERT_EQ(bar.slider().size(), QSize(14, 11));
    EXPECT_EQ(bar.background().pixel(0, 0), qRgb(9, 0, 7));
    EXPECT_EQ(bar.background().pixel(37, 12), qRgb(46, 12, 7));
    EXPECT_EQ(bar.slider().pixel(0, 0), qRgb(15, 422 & 0xff, 7));
    EXPECT_EQ(bar.pressedSlider().pixel(13, 10), qRgb(13, 432 & 0xff, 7));
    EXPECT_EQ(bar.picture(), bar.background());
    EXPECT_TRUE(changes.empty());
}

TEST_F(SpeedBarTest, ShowingTheSliderDrawsItAtItsPlaceAndHidingRestoresTheBackground) {
    bar.setPosition(150);
    changes.clear();
    bar.setSliderVisible(true);
    EXPECT_EQ(pixelSource(12, 1), QPoint(15, 422 & 0xff));  // slider's top-left
    EXPECT_EQ(pixelSource(25, 11), QPoint(28, 432 & 0xff)); // its bottom-right
    EXPECT_EQ(pixelSource(11, 1), QPoint(9 + 11, 1));       // background left of it
    EXPECT_EQ(pixelSource(12, 0), QPoint(9 + 12, 0));       // and above it
    bar.setSliderVisible(false);
    EXPECT_EQ(bar.picture(), bar.background());
    EXPECT_TRUE(changes.empty());
}

TEST_F(SpeedBarTest, EverySettingOfPositionRaisesOnChangeAndMovesTheSlider) {
    bar.setSliderVisible(true);
    bar.setPosition(150);
    bar.setPosition(150);
    bar.setPosition(250);
    EXPECT_EQ(changes, (std::vector<int>{150, 150, 250}));
    // 250: x = 201 * 24 div 201 = 24; the old place is background again.
    EXPECT_EQ(pixelSource(24, 1), QPoint(15, 422 & 0xff));
    EXPECT_EQ(pixelSource(12, 1), QPoint(9 + 12, 1));
}

TEST_F(SpeedBarTest, APositionBelowTheRangeKeepsTheSliderAtTheLeftEdge) {
    bar.setSliderVisible(true);
    bar.setPosition(-1000); // x would be negative
    EXPECT_EQ(pixelSource(0, 1), QPoint(15, 422 & 0xff));
}

TEST_F(SpeedBarTest, AClickRaisesOnChangeTwiceAndLeavesTheNormalSlider) {
    bar.setSliderVisible(true);
    changes.clear();
    QTest::mousePress(&bar, Qt::LeftButton, {}, QPoint(19, 5));
    EXPECT_TRUE(bar.Dragging());
    // while held, the pressed slider shows: x = (149 - 50 + 1) * 24 div 201 = 11
    EXPECT_EQ(pixelSource(11, 1), QPoint(0, 422 & 0xff));
    QTest::mouseRelease(&bar, Qt::LeftButton, {}, QPoint(19, 5));
    EXPECT_FALSE(bar.Dragging());
    EXPECT_EQ(changes, (std::vector<int>{149, 149}));
    EXPECT_EQ(pixelSource(11, 1), QPoint(15, 422 & 0xff));
}

TEST_F(SpeedBarTest, DraggingFollowsThePointerEvenPastTheEnds) {
    bar.setSliderVisible(true);
    changes.clear();
    QTest::mousePress(&bar, Qt::LeftButton, {}, QPoint(19, 5));
    QMouseEvent move(QEvent::MouseMove, QPointF(-30, 5), bar.mapToGlobal(QPointF(-30, 5)),
                     Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&bar, &move);
    QMouseEvent far(QEvent::MouseMove, QPointF(90, 5), bar.mapToGlobal(QPointF(90, 5)),
                    Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&bar, &far);
    QTest::mouseRelease(&bar, Qt::LeftButton, {}, QPoint(90, 5));
    EXPECT_EQ(changes, (std::vector<int>{149, 50, 250, 250}));
}

TEST_F(SpeedBarTest, ADisabledBarOrOneWithoutItsSliderTakesNoInput) {
    QTest::mouseClick(&bar, Qt::LeftButton, {}, QPoint(19, 5));
    EXPECT_TRUE(changes.empty()); // slider not shown yet
    bar.setSliderVisible(true);
    bar.setEnabled(false);
    QTest::mouseClick(&bar, Qt::LeftButton, {}, QPoint(19, 5));
    EXPECT_TRUE(changes.empty());
    EXPECT_EQ(bar.Position(), 0);
    bar.setEnabled(true);
    QTest::mouseClick(&bar, Qt::RightButton, {}, QPoint(19, 5));
    EXPECT_TRUE(changes.empty());
}

TEST(TrackBar, StartsWithTheComponentsDefaults) {
    TJQTrackBar bar;
    EXPECT_EQ(bar.size(), QSize(249, 10));
    EXPECT_EQ(bar.SliderWidth(), 29);
    EXPECT_EQ(bar.SliderHeight(), 10);
    EXPECT_FALSE(bar.SliderVisible());
    EXPECT_EQ(bar.Position(), 0);
    EXPECT_EQ(bar.Min(), 0);
    EXPECT_EQ(bar.Max(), 220);
}

TEST(TrackBar, LoadSkinFromAMissingFileThrowsAndKeepsThePictures) {
    TJQTrackBar bar;
    bar.LoadSkin(coordinateBitmap(307, 10), 0, 0, 248, 0, 278, 0);
    const QImage before = bar.background();
    EXPECT_ANY_THROW(bar.LoadSkin(QStringLiteral("/nonexistent/Posbar.bmp"), 0, 0, 248, 0, 278, 0));
    EXPECT_EQ(bar.background(), before);
}

TEST(TrackBar, PicturesCutFromASmallBitmapAreBlackOutsideIt) {
    TJQTrackBar bar;
    bar.LoadSkin(coordinateBitmap(100, 5), 0, 0, 90, 0, 278, 0);
    EXPECT_EQ(bar.background().size(), QSize(249, 10));
    EXPECT_EQ(bar.background().pixel(99, 4), qRgb(99, 4, 7));
    EXPECT_EQ(bar.background().pixel(100, 4), qRgb(0, 0, 0));
    EXPECT_EQ(bar.background().pixel(0, 5), qRgb(0, 0, 0));
    // a slider partly inside keeps the part it has, black beyond
    ASSERT_EQ(bar.slider().size(), QSize(29, 10));
    EXPECT_EQ(bar.slider().pixel(9, 4), qRgb(99, 4, 7));
    EXPECT_EQ(bar.slider().pixel(10, 4), qRgb(0, 0, 0));
}

// Real skins ship a Volume.bmp of 68 x 418, without the rows 422 to 432 the
// sliders are cut from: such a bar has no slider, and shows its background
// wherever its slider would be.
TEST_F(SpeedBarTest, ASliderWhollyOutsideTheBitmapHasNoPictureAndDrawsNothing) {
    bar.LoadSkin(coordinateBitmap(68, 418), 9, 0, 15, 422, 0, 422);
    EXPECT_TRUE(bar.slider().isNull());
    EXPECT_TRUE(bar.pressedSlider().isNull());
    bar.setSliderVisible(true);
    EXPECT_EQ(bar.picture(), bar.background());
    bar.setPosition(150);
    EXPECT_EQ(bar.picture(), bar.background());
    QTest::mousePress(&bar, Qt::LeftButton, {}, QPoint(19, 6));
    EXPECT_TRUE(bar.Dragging());
    EXPECT_EQ(bar.picture(), bar.background());
    QTest::mouseRelease(&bar, Qt::LeftButton, {}, QPoint(19, 6));
    EXPECT_EQ(bar.Position(), 149); // the bar still works without a slider to show
    // and on the screen no black box where the slider would be
    const QImage shown = bar.grab().toImage().convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(shown, bar.background());
}

} // namespace
} // namespace kalo
