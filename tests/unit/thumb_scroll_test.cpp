#include "ui/thumb_scroll.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "ui/thumb_grid_layout.h"

namespace {

// The bar of 7 items in 3 columns and a 400-pixel client: range 0..447, page 90.
constexpr ThumbScrollState kBar{0, 447, 90, 100, 250};

struct ActionCase {
    const char* pszName;
    ThumbScrollAction action;
    int nRequested;
};

class ThumbScrollActions : public ::testing::TestWithParam<ActionCase> {};

TEST_P(ThumbScrollActions, ActionAsksForItsPosition) {
    EXPECT_EQ(RequestedScrollPos(GetParam().action, kBar), GetParam().nRequested);
}

INSTANTIATE_TEST_SUITE_P(Codes, ThumbScrollActions,
                         ::testing::Values(ActionCase{"LineUp", ThumbScrollAction::LineUp, 70},
                                           ActionCase{"LineDown", ThumbScrollAction::LineDown, 130},
                                           ActionCase{"PageUp", ThumbScrollAction::PageUp, 10},
                                           ActionCase{"PageDown", ThumbScrollAction::PageDown, 190},
                                           ActionCase{"ThumbTrack", ThumbScrollAction::ThumbTrack, 250},
                                           ActionCase{"Top", ThumbScrollAction::Top, 0},
                                           ActionCase{"Bottom", ThumbScrollAction::Bottom, 447},
                                           ActionCase{"OtherCodesStay", ThumbScrollAction::Other, 100}),
                         [](const auto& info) { return std::string(info.param.pszName); });

TEST(ThumbScroll, SystemKeepsThePositionWithinTheRangeLessAPage) {
    EXPECT_EQ(ClampScrollPos(447, kBar), 358);  // 447 - (90 - 1)
    EXPECT_EQ(ClampScrollPos(-30, kBar), 0);
    EXPECT_EQ(ClampScrollPos(200, kBar), 200);
    // A page larger than the range pins the position to the minimum.
    EXPECT_EQ(ClampScrollPos(5, ThumbScrollState{0, 50, 90, 0, 0}), 0);
}

TEST(ThumbScroll, LineStepsStopAtTheEndsAndThenChangeNothing) {
    ThumbScrollState state = kBar;
    state.nPos = 0;
    EXPECT_EQ(ClampScrollPos(RequestedScrollPos(ThumbScrollAction::LineUp, state), state), 0);
    int nSteps = 0;
    for (;;) {
        const int nNew = ClampScrollPos(RequestedScrollPos(ThumbScrollAction::LineDown, state), state);
        if (nNew == state.nPos) break;  // no change: the grid sends no WM_THUMBS_SCROLLED
        EXPECT_LE(nNew - state.nPos, 30);
        state.nPos = nNew;
        ++nSteps;
    }
    EXPECT_EQ(state.nPos, 358);
    EXPECT_EQ(nSteps, 12);  // 11 full steps of 30 and a last one of 28
}

TEST(ThumbScroll, ExtremePositionsDoNotOverflow) {
    const ThumbScrollState state{INT_MIN, INT_MAX, INT_MAX, INT_MAX, 0};
    EXPECT_EQ(RequestedScrollPos(ThumbScrollAction::LineDown, state), INT_MAX);
    EXPECT_EQ(RequestedScrollPos(ThumbScrollAction::PageDown, state), INT_MAX);
    const ThumbScrollState low{INT_MIN, INT_MAX, INT_MAX, INT_MIN, 0};
    EXPECT_EQ(RequestedScrollPos(ThumbScrollAction::LineUp, low), INT_MIN);
    EXPECT_EQ(ClampScrollPos(INT_MAX, low), 1);  // INT_MAX - (INT_MAX - 1)
}

struct WheelCase {
    const char* pszName;
    int nDelta;
    int nLines;
    ThumbScrollAction action;
    int nSteps;
};

class ThumbScrollWheel : public ::testing::TestWithParam<WheelCase> {};

TEST_P(ThumbScrollWheel, TurnMakesItsSteps) {
    const WheelCase& c = GetParam();
    const ThumbWheelScroll wheel = WheelToScroll(c.nDelta, c.nLines);
    EXPECT_EQ(wheel.action, c.action);
    EXPECT_EQ(wheel.nSteps, c.nSteps);
}

INSTANTIATE_TEST_SUITE_P(Turns, ThumbScrollWheel,
                         ::testing::Values(WheelCase{"NotchAwayScrollsUp", 120, 3, ThumbScrollAction::LineUp, 1},
                                           WheelCase{"NotchTowardScrollsDown", -120, 3, ThumbScrollAction::LineDown, 1},
                                           WheelCase{"ThreeNotches", 360, 3, ThumbScrollAction::LineUp, 3},
                                           WheelCase{"OneLineSettingStillSteps", 120, 1, ThumbScrollAction::LineUp, 1},
                                           WheelCase{"SixLinesTwoStepsANotch", -120, 6, ThumbScrollAction::LineDown, 2},
                                           WheelCase{"FineDeltaStillSteps", 40, 3, ThumbScrollAction::LineUp, 1},
                                           WheelCase{"ZeroDeltaCountsAsDown", 0, 3, ThumbScrollAction::LineDown, 1},
                                           WheelCase{"ZeroLines", 120, 0, ThumbScrollAction::LineUp, 1},
                                           WheelCase{"PageSettingUp", 120, -1, ThumbScrollAction::PageUp, 1},
                                           WheelCase{"PageSettingDown", -720, -1, ThumbScrollAction::PageDown, 1},
                                           WheelCase{"AbsurdSettingIsBounded", INT_MIN, INT_MAX,
                                                     ThumbScrollAction::LineDown, kMaxWheelSteps}),
                         [](const auto& info) { return std::string(info.param.pszName); });

TEST(ThumbScroll, OneNotchMovesTheGridThirtyPixels) {
    // The grid's handling: step, set and read back, then WM_THUMBS_SCROLLED adds old - new to the offset.
    const CThumbGridLayout before({351, 400}, 7, 0);
    ThumbScrollState state{0, before.ScrollBar().nMax, before.ScrollBar().nPage, before.ScrollBar().nPos, 1};
    const ThumbWheelScroll wheel = WheelToScroll(-120, 3);
    for (int i = 0; i < wheel.nSteps; ++i) state.nPos = ClampScrollPos(RequestedScrollPos(wheel.action, state), state);
    const int nOffset = before.GetScrollOffset() + (before.ScrollBar().nPos - state.nPos);
    const CThumbGridLayout after({351, 400}, 7, nOffset);
    EXPECT_EQ(after.CellRects(0).rcCell.top, before.CellRects(0).rcCell.top - 30);
}

}  // namespace
