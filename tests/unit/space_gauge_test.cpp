#include "ui/space_gauge_model.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "pixel_geometry_print.h"

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kMax = std::numeric_limits<double>::max();

// The gauge's usual client: 100 by 12, so the bars run inside 98 by 8 from (1, 2).
constexpr PixelSize kGauge{100, 12};

struct GaugeCase {
    const char* pszName;
    double dTotal, dUsed, dSelected;
    int nUsedWidth, nSelectedWidth;  // worked out by hand for a 98-pixel bar
};

class SpaceGaugeFigures : public ::testing::TestWithParam<GaugeCase> {};

TEST_P(SpaceGaugeFigures, BarsHaveTheWidthsOfTheirShares) {
    const GaugeCase& c = GetParam();
    CSpaceGaugeModel gauge;
    ASSERT_TRUE(gauge.Recalc(c.dTotal, c.dUsed, c.dSelected, kGauge));
    EXPECT_EQ(gauge.GetUsedRect(), (PixelRect{1, 2, 1 + c.nUsedWidth, 10}));
    EXPECT_EQ(gauge.GetSelectedRect(), (PixelRect{1 + c.nUsedWidth, 2, 1 + c.nUsedWidth + c.nSelectedWidth, 10}));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SpaceGaugeFigures,
    ::testing::Values(GaugeCase{"Nothing", 10240, 0, 0, 0, 0},
                      GaugeCase{"HalfUsedTenthSelected", 10240, 5120, 1024, 49, 9},  // 9.8 cut to 9
                      GaugeCase{"TruncatedTowardZero", 3, 1, 1, 32, 32},             // 32.67 each
                      GaugeCase{"UsedBeyondTotalFillsTheBar", 100, 200, 50, 98, 0},
                      GaugeCase{"UsedEqualsTotal", 100, 100, 50, 98, 0},
                      GaugeCase{"SelectionCutToTheRest", 100, 60, 70, 58, 39},     // 58.8 and 39.2
                      GaugeCase{"NegativeUsedCountsAsNone", 100, -50, 25, 0, 24},  // 24.5
                      GaugeCase{"NegativeSelectedCountsAsNone", 100, 50, -25, 49, 0},
                      GaugeCase{"NaNUsedCountsAsNone", 100, kNaN, 50, 0, 49},
                      GaugeCase{"InfiniteUsedFillsTheBar", 100, kInf, 50, 98, 0},
                      GaugeCase{"InfiniteSelectionTakesTheRest", 100, 25, kInf, 24, 73},  // 24.5, 73.5
                      GaugeCase{"InfiniteTotalShowsNothing", kInf, 1e300, 1e300, 0, 0},
                      GaugeCase{"HugeFigures", kMax, kMax / 2, kMax, 49, 49},
                      GaugeCase{"TinyFigures", 1e-300, 0, 1e-300, 0, 98}),
    [](const auto& info) { return std::string(info.param.pszName); });

// Without a total there is nothing to divide by: the bars keep what they showed.
TEST(SpaceGauge, NoTotalLeavesTheBarsAsTheyWere) {
    for (double dTotal : {0.0, -5.0, kNaN, -kInf}) {
        SCOPED_TRACE(dTotal);
        CSpaceGaugeModel gauge;
        ASSERT_TRUE(gauge.Recalc(100, 50, 0, kGauge));
        const PixelRect rcUsed = gauge.GetUsedRect();
        EXPECT_FALSE(gauge.Recalc(dTotal, 10, 0, kGauge));
        EXPECT_EQ(gauge.GetUsedRect(), rcUsed);
    }
}

class SpaceGaugeSizes : public ::testing::TestWithParam<PixelSize> {};

TEST_P(SpaceGaugeSizes, BarsStayInsideTheFrameAndTouch) {
    const PixelSize sz = GetParam();
    for (double dUsed : {0.0, 30.0, 99.0, 100.0, 1e9})
        for (double dSelected : {0.0, 1.0, 70.0, 1e9}) {
            CSpaceGaugeModel gauge;
            ASSERT_TRUE(gauge.Recalc(100, dUsed, dSelected, sz));
            const PixelRect& u = gauge.GetUsedRect();
            const PixelRect& s = gauge.GetSelectedRect();
            SCOPED_TRACE(::testing::Message() << "used " << dUsed << ", selected " << dSelected);
            EXPECT_GE(u.Width(), 0);
            EXPECT_GE(u.Height(), 0);
            EXPECT_GE(s.Width(), 0);
            EXPECT_EQ(u.right, s.left);
            EXPECT_GE(u.left, 0);
            EXPECT_GE(u.top, 0);
            // Inside the frame's 1-pixel and 2-pixel insets, or collapsed at the edge of a
            // client too small for them.
            EXPECT_LE(s.right, sz.cx >= 2 ? sz.cx - 1 : sz.cx);
            EXPECT_LE(u.bottom, sz.cy >= 4 ? sz.cy - 2 : sz.cy);
        }
}

INSTANTIATE_TEST_SUITE_P(ClientSizes, SpaceGaugeSizes,
                         ::testing::Values(PixelSize{0, 0}, PixelSize{1, 1}, PixelSize{2, 4}, PixelSize{3, 5},
                                           PixelSize{100, 12}, PixelSize{4000, 3000}),
                         [](const auto& info) {
                             return std::to_string(info.param.cx) + "x" + std::to_string(info.param.cy);
                         });

}  // namespace
