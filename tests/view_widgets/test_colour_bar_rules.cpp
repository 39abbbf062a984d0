// The colour bar's rules without a window: marker places, pick zones and their order, dragging
// within [T, B) and the 10-pixel rule, the threshold sticking at the range high, the Ctrl+wheel
// bands and the icons.
#include <gtest/gtest.h>

#include "foundation/CAppSettings.h"
#include "view/COGLSlider.h"

namespace {

using namespace colour_bar;

// The colour map's default range with CoefK 1 and CoefB 0 (19.99 to 49.99 degrees).
constexpr std::uint16_t kLow = 18761;
constexpr std::uint16_t kHigh = 20681;

// A bar 600 pixels high: T 30, B 570, length 540.
const BarSpan kSpan = SpanOf(600, kBarTop, kBarBottom);

TEST(ColourBarSpan, EndsAndMarkersTruncate)
{
    EXPECT_EQ(kSpan.top, 30);
    EXPECT_EQ(kSpan.bottom, 570);
    EXPECT_EQ(kSpan.length, 540);
    const BarSpan odd = SpanOf(333, kBarTop, kBarBottom);
    EXPECT_EQ(odd.top, 16);     // 16.65
    EXPECT_EQ(odd.bottom, 316); // 316.35
    EXPECT_EQ(MarkerY(kSpan, 0.05), 57);
    EXPECT_EQ(MarkerY(kSpan, 0.95), 543);
    EXPECT_EQ(MarkerY(kSpan, 0.0), 30);
    EXPECT_EQ(MarkerY(kSpan, 1.0), 570);
}

TEST(ColourBarMarkers, PositionIsMeasuredFromTheRangeHigh)
{
    EXPECT_DOUBLE_EQ(MarkerPosition(kHigh, kLow, kHigh), 0.0);
    EXPECT_DOUBLE_EQ(MarkerPosition(kLow, kLow, kHigh), 1.0);
    // The default threshold lies a fifth of the way down.
    EXPECT_NEAR(MarkerPosition(20297, kLow, kHigh), 0.2, 1e-6);
    EXPECT_EQ(MarkerY(kSpan, MarkerPosition(20297, kLow, kHigh)), 138);
    // Frame extremes outside the range land outside the bar.
    EXPECT_LT(MarkerPosition(kHigh + 100, kLow, kHigh), 0.0);
    EXPECT_GT(MarkerPosition(kLow - 100, kLow, kHigh), 1.0);
}

TEST(ColourBarMarkers, EmptyRangePutsEverythingAtTheTop)
{
    EXPECT_DOUBLE_EQ(MarkerPosition(500, 1000, 1000), 0.0);
    EXPECT_DOUBLE_EQ(MarkerPosition(500, 1000, 900), 0.0);
}

TEST(ColourBarMarkers, RawAtPositionInvertsThePosition)
{
    EXPECT_EQ(RawAtPosition(0.0, kLow, kHigh), kHigh);
    EXPECT_EQ(RawAtPosition(1.0, kLow, kHigh), kLow);
    EXPECT_EQ(RawAtPosition(0.5, kLow, kHigh), 19721);
    EXPECT_EQ(RawAtPosition(-0.5, kLow, kHigh), 21641);  // above the range: not bounded here
    EXPECT_EQ(WindowEndAt(0.25, kLow, kHigh), 20201);
}

TEST(ColourBarMarkers, ClampRawKeepsTheSampleScale)
{
    EXPECT_EQ(ClampRaw(-5), 0);
    EXPECT_EQ(ClampRaw(70000), 0xFFFF);
    EXPECT_EQ(ClampRaw(1234), 1234);
}

struct PickCase {
    int y;
    int expected;
};

class ColourBarPick : public ::testing::TestWithParam<PickCase> {};

// Window high at 100, window low at 200, threshold at 300.
TEST_P(ColourBarPick, ZonesOfEachMarker)
{
    EXPECT_EQ(PickMarker(GetParam().y, 100, 200, 300), GetParam().expected) << "y " << GetParam().y;
}

INSTANTIATE_TEST_SUITE_P(Zones, ColourBarPick,
                         ::testing::Values(PickCase{84, -1}, PickCase{85, 0}, PickCase{99, 0}, PickCase{100, -1},
                                           PickCase{199, -1}, PickCase{200, 1}, PickCase{214, 1}, PickCase{215, -1},
                                           PickCase{284, -1}, PickCase{285, 2}, PickCase{314, 2}, PickCase{315, -1}));

TEST(ColourBarPickOrder, OverlappingZonesGoToTheFirstMarker)
{
    // All three markers on one line: above it the window high, on and below it the window low;
    // the threshold's zone is wholly covered, so it cannot be picked.
    EXPECT_EQ(PickMarker(85, 100, 100, 100), 0);
    EXPECT_EQ(PickMarker(99, 100, 100, 100), 0);
    EXPECT_EQ(PickMarker(100, 100, 100, 100), 1);
    EXPECT_EQ(PickMarker(114, 100, 100, 100), 1);
    EXPECT_EQ(PickMarker(115, 100, 100, 100), -1);
    // The threshold under the window high's zone loses to it.
    EXPECT_EQ(PickMarker(90, 100, 300, 95), 0);
    EXPECT_EQ(PickMarker(100, 100, 300, 95), 2);
}

struct DragFixture : ::testing::Test {
    double pos[kMarkerCount] = {0.2, 0.8, 0.5, 0.1, 0.9};  // window high at y 138, low at 462
};

TEST_F(DragFixture, PickedMarkerFollowsThePointerInsideTheBar)
{
    EXPECT_TRUE(DragWindowMarker(kWindowHigh, 300, kSpan, pos));
    EXPECT_DOUBLE_EQ(pos[kWindowHigh], 0.5);
    EXPECT_TRUE(DragWindowMarker(kWindowLow, 560, kSpan, pos));
    EXPECT_DOUBLE_EQ(pos[kWindowLow], 530.0 / 540.0);
    EXPECT_DOUBLE_EQ(pos[kThreshold], 0.5);
}

TEST_F(DragFixture, PointerOutsideTopToBottomMovesNothing)
{
    for (int y : {29, 570, -100, 1000}) {
        EXPECT_FALSE(DragWindowMarker(kWindowHigh, y, kSpan, pos)) << y;
        EXPECT_FALSE(DragWindowMarker(kWindowLow, y, kSpan, pos)) << y;
    }
    EXPECT_DOUBLE_EQ(pos[kWindowHigh], 0.2);
    EXPECT_DOUBLE_EQ(pos[kWindowLow], 0.8);
    // T itself is inside; B is not.
    EXPECT_TRUE(DragWindowMarker(kWindowHigh, 30, kSpan, pos));
    EXPECT_DOUBLE_EQ(pos[kWindowHigh], 0.0);
}

TEST_F(DragFixture, OnlyWindowMarkersAreDraggedThisWay)
{
    EXPECT_FALSE(DragWindowMarker(kThreshold, 300, kSpan, pos));
    EXPECT_FALSE(DragWindowMarker(-1, 300, kSpan, pos));
    EXPECT_DOUBLE_EQ(pos[kThreshold], 0.5);
}

TEST_F(DragFixture, SmallStepsStopAboutTenPixelsFromTheOtherMarker)
{
    for (int y = 139; y < 560; ++y)
        DragWindowMarker(kWindowHigh, y, kSpan, pos);
    const int yHigh = MarkerY(kSpan, pos[kWindowHigh]);
    const int yLow = MarkerY(kSpan, pos[kWindowLow]);
    EXPECT_EQ(yLow, 462);
    EXPECT_GE(yLow - yHigh, 9);
    EXPECT_LE(yLow - yHigh, 11);

    for (int y = 461; y > 40; --y)
        DragWindowMarker(kWindowLow, y, kSpan, pos);
    EXPECT_EQ(MarkerY(kSpan, pos[kWindowHigh]), yHigh);
    const int yLow2 = MarkerY(kSpan, pos[kWindowLow]);
    EXPECT_GE(yLow2 - yHigh, 9);
    EXPECT_LE(yLow2 - yHigh, 11);
}

TEST_F(DragFixture, CloseMarkersOnlyMoveApart)
{
    pos[kWindowHigh] = 270.0 / 540.0;  // y 300
    pos[kWindowLow] = 275.0 / 540.0;   // y 305
    EXPECT_FALSE(DragWindowMarker(kWindowLow, 303, kSpan, pos));
    EXPECT_FALSE(DragWindowMarker(kWindowHigh, 302, kSpan, pos));
    EXPECT_TRUE(DragWindowMarker(kWindowLow, 310, kSpan, pos));
    EXPECT_TRUE(DragWindowMarker(kWindowHigh, 290, kSpan, pos));
    EXPECT_EQ(MarkerY(kSpan, pos[kWindowHigh]), 290);
    EXPECT_EQ(MarkerY(kSpan, pos[kWindowLow]), 310);
}

TEST_F(DragFixture, ExactlyTenPixelsApartCountsAsClose)
{
    pos[kWindowHigh] = 270.0 / 540.0;  // y 300
    pos[kWindowLow] = 280.0 / 540.0;   // y 310
    EXPECT_FALSE(DragWindowMarker(kWindowHigh, 305, kSpan, pos));
    pos[kWindowLow] = 281.0 / 540.0;   // y 311: apart
    EXPECT_TRUE(DragWindowMarker(kWindowHigh, 305, kSpan, pos));
}

TEST_F(DragFixture, OneJumpCarriesAMarkerAcrossTheOther)
{
    EXPECT_TRUE(DragWindowMarker(kWindowHigh, 500, kSpan, pos));
    EXPECT_EQ(MarkerY(kSpan, pos[kWindowHigh]), 500);
    EXPECT_EQ(MarkerY(kSpan, pos[kWindowLow]), 462);  // not reordered
    EXPECT_GT(pos[kWindowHigh], pos[kWindowLow]);
}

TEST_F(DragFixture, EmptyBarTakesNoDrag)
{
    const BarSpan flat = SpanOf(1, kBarTop, kBarBottom);
    ASSERT_EQ(flat.length, 0);
    EXPECT_FALSE(DragWindowMarker(kWindowHigh, 0, flat, pos));
    EXPECT_FALSE(DragThreshold(0, flat, pos, kLow, kHigh).has_value());
    EXPECT_DOUBLE_EQ(pos[kThreshold], 0.5);
}

TEST_F(DragFixture, ThresholdFollowsThePointerAnywhere)
{
    EXPECT_EQ(DragThreshold(300, kSpan, pos, kLow, kHigh), 19721);
    EXPECT_DOUBLE_EQ(pos[kThreshold], 0.5);
    // Below the bar: below the range low, no lower bound.
    EXPECT_EQ(DragThreshold(1110, kSpan, pos, kLow, kHigh), 16841);
    EXPECT_DOUBLE_EQ(pos[kThreshold], 2.0);
}

TEST_F(DragFixture, ThresholdAboveTheBarSticksAtTheRangeHigh)
{
    EXPECT_EQ(DragThreshold(30, kSpan, pos, kLow, kHigh), kHigh);
    EXPECT_DOUBLE_EQ(pos[kThreshold], 0.0);
    pos[kThreshold] = 0.5;
    EXPECT_EQ(DragThreshold(-200, kSpan, pos, kLow, kHigh), kHigh);
    EXPECT_DOUBLE_EQ(pos[kThreshold], 0.0);
    EXPECT_EQ(MarkerY(kSpan, pos[kThreshold]), kSpan.top);
}

TEST_F(DragFixture, ThresholdFarBelowStopsAtTheBottomOfTheScale)
{
    // 20 bar lengths down: the value would be far below zero.
    EXPECT_EQ(DragThreshold(30 + 540 * 20, kSpan, pos, kLow, kHigh), 0);
    EXPECT_DOUBLE_EQ(pos[kThreshold], 20.0);
}

TEST(ColourBarOffsets, WindowChangeIsAddedToTheModesOffsets)
{
    std::int16_t offsets[2] = {-128, 64};
    AddWindowOffsets(offsets, 1000, 2000, 990, 2030);
    EXPECT_EQ(offsets[0], -138);
    EXPECT_EQ(offsets[1], 94);
    std::int16_t edge[2] = {32767, -32768};
    AddWindowOffsets(edge, 0, 10, 1, 9);  // 16-bit values wrap
    EXPECT_EQ(edge[0], -32768);
    EXPECT_EQ(edge[1], 32767);
}

struct WheelCase {
    POINT pt;
    int expected;
};

class ColourBarWheel : public ::testing::TestWithParam<WheelCase> {};

TEST_P(ColourBarWheel, TopAndBottomBandsOnly)
{
    const RECT client{0, 0, 125, 600};
    EXPECT_EQ(WheelEnd(GetParam().pt, client), GetParam().expected) << GetParam().pt.x << "," << GetParam().pt.y;
}

INSTANTIATE_TEST_SUITE_P(Bands, ColourBarWheel,
                         ::testing::Values(WheelCase{{60, 0}, 1}, WheelCase{{0, 49}, 1}, WheelCase{{124, 20}, 1},
                                           WheelCase{{60, 50}, -1}, WheelCase{{60, 300}, -1},
                                           WheelCase{{60, 549}, -1}, WheelCase{{60, 550}, 0},
                                           WheelCase{{60, 599}, 0}, WheelCase{{60, 600}, -1},
                                           WheelCase{{125, 20}, -1}, WheelCase{{-1, 580}, -1},
                                           WheelCase{{60, -1}, -1}));

TEST(ColourBarWheelBands, ShortBarGivesTheTopBandFirst)
{
    const RECT client{0, 0, 125, 80};
    EXPECT_EQ(WheelEnd(POINT{10, 40}, client), 1);
    EXPECT_EQ(WheelEnd(POINT{10, 50}, client), 0);
}

TEST(ColourBarWheelStep, OneDegreeEitherWay)
{
    EXPECT_DOUBLE_EQ(WheelStep(120), 1.0);
    EXPECT_DOUBLE_EQ(WheelStep(1), 1.0);
    EXPECT_DOUBLE_EQ(WheelStep(0), -1.0);
    EXPECT_DOUBLE_EQ(WheelStep(-120), -1.0);
}

TEST(ColourBarIcons, TargetsCountFromTheBottomLikeAViewport)
{
    const RECT client{0, 0, 125, 600};
    const ViewRect t = IconTarget(2, client);
    EXPECT_EQ(t.x, 105);
    EXPECT_EQ(t.y, 540);
    EXPECT_EQ(t.w, 20);
    EXPECT_EQ(t.h, 20);
}

TEST(ColourBarIcons, IconsSitInTheTopRightCornerWhateverTheHeight)
{
    for (int height : {120, 600, 1000}) {
        const RECT client{0, 0, 125, height};
        for (int icon = 1; icon <= 4; ++icon) {
            const RECT r = IconRect(IconTarget(icon, client), client);
            EXPECT_EQ(r.left, 105);
            EXPECT_EQ(r.right, 125);
            EXPECT_EQ(r.top, 30 * icon - 20) << "icon " << icon << " height " << height;
            EXPECT_EQ(r.bottom, 30 * icon);
        }
    }
}

struct IconCase {
    POINT pt;
    int expected;
};

class ColourBarIconHit : public ::testing::TestWithParam<IconCase> {};

TEST_P(ColourBarIconHit, FirstIconUnderThePoint)
{
    const RECT client{0, 0, 125, 600};
    EXPECT_EQ(HitIcon(GetParam().pt, client), GetParam().expected) << GetParam().pt.x << "," << GetParam().pt.y;
}

INSTANTIATE_TEST_SUITE_P(Corners, ColourBarIconHit,
                         ::testing::Values(IconCase{{105, 10}, 1}, IconCase{{124, 29}, 1}, IconCase{{104, 15}, 0},
                                           IconCase{{125, 15}, 0}, IconCase{{110, 9}, 0}, IconCase{{110, 30}, 0},
                                           IconCase{{110, 40}, 2}, IconCase{{110, 75}, 3},
                                           IconCase{{110, 119}, 4}, IconCase{{110, 120}, 0}));

TEST(ColourBarIcons, TogglesAreSavedToEntriesSevenToNine)
{
    EXPECT_EQ(IconSetting(0), -1);
    EXPECT_EQ(IconSetting(1), -1);
    EXPECT_EQ(IconSetting(2), SETTING_TemptureAlarm);
    EXPECT_EQ(IconSetting(3), SETTING_AutoMaxTempture);
    EXPECT_EQ(IconSetting(4), SETTING_MouseTempture);
    EXPECT_EQ(SETTING_TemptureAlarm, 7);
    EXPECT_EQ(SETTING_MouseTempture, 9);
}

}  // namespace
