#include "base/dpi_scale.h"

#include <gtest/gtest.h>

#include <climits>

namespace {

struct ScaleCase {
    int nDpi;
    int n;
    int nScaled;
};

class DpiScaleCases : public ::testing::TestWithParam<ScaleCase> {};

TEST_P(DpiScaleCases, ScalesToTheNearestPixelAlikeBothWays) {
    const CDpiScale scale(GetParam().nDpi);
    EXPECT_EQ(scale.Scale(GetParam().n), GetParam().nScaled);
    EXPECT_EQ(scale.Scale(-GetParam().n), -GetParam().nScaled);
}

INSTANTIATE_TEST_SUITE_P(Figures, DpiScaleCases,
                         ::testing::Values(ScaleCase{96, 102, 102}, ScaleCase{120, 102, 128},  // 127.5
                                           ScaleCase{144, 117, 176},                           // 175.5
                                           ScaleCase{144, 1, 2}, ScaleCase{120, 1, 1},         // 1.25
                                           ScaleCase{192, 5, 10}, ScaleCase{192, 0, 0}, ScaleCase{120, 12, 15},
                                           ScaleCase{144, 25, 38}));  // 37.5

TEST(DpiScale, NonsenseDpiStandsForTheBase) {
    for (int nDpi : {0, -96, CDpiScale::kMaxDpi + 1, INT_MAX}) {
        EXPECT_EQ(CDpiScale(nDpi).GetDpi(), CDpiScale::kBaseDpi) << nDpi;
        EXPECT_EQ(CDpiScale(nDpi).Scale(40), 40) << nDpi;
    }
}

TEST(DpiScale, LargeFiguresDoNotOverflow) {
    EXPECT_EQ(CDpiScale(CDpiScale::kMaxDpi).Scale(INT_MAX / 16), INT_MAX / 16 * 16);
}

}  // namespace
