#include "imaging/fit_picture.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <string>

#include "pixel_geometry_print.h"

namespace {

// The picture box of the first grid cell: 100 by 100 from (16, 7).
constexpr PixelRect kBox{16, 7, 116, 107};

struct FitRectCase {
    const char* pszName;
    PixelRect rcBox;
    int nWidth, nHeight;
    PixelRect rcExpected;
};

class FitPictureRectCases : public ::testing::TestWithParam<FitRectCase> {};

TEST_P(FitPictureRectCases, BoxTakesThePicturesShape) {
    const FitRectCase& c = GetParam();
    PixelRect rc = c.rcBox;
    FitPictureRect(rc, c.nWidth, c.nHeight);
    EXPECT_EQ(rc, c.rcExpected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FitPictureRectCases,
    ::testing::Values(
        // 400 × 300: d = 75, top + trunc(12.5) + 1 = 13 below, 75 high.
        FitRectCase{"Landscape", kBox, 400, 300, {16, 20, 116, 95}},
        FitRectCase{"Portrait", kBox, 300, 400, {29, 7, 104, 107}}, FitRectCase{"Square", kBox, 640, 640, kBox},
        // 101 × 100: d = 99.01, shift trunc(0.495) + 1 = 1, 99 high, ending at the box's bottom.
        FitRectCase{"NearlySquare", kBox, 101, 100, {16, 8, 116, 107}},
        // 1000 × 1: d = 0.1, shift 50, nothing left to show.
        FitRectCase{"HairLine", kBox, 1000, 1, {16, 57, 116, 57}}, FitRectCase{"OnePixelPicture", kBox, 1, 1, kBox},
        // d = 49.99999998: shift trunc(25.00000001) + 1 = 26, then trunc(d) = 49 high.
        FitRectCase{"HugePicture", kBox, INT_MAX, INT_MAX / 2, {16, 33, 116, 82}},
        FitRectCase{"HugeTallPicture", kBox, 1, INT_MAX, {66, 7, 66, 107}},
        // A 2:1 box and a 3:1 picture: d = 33.3, shift trunc(8.3) + 1 = 9.
        FitRectCase{"FlatterPictureInAWideBox", PixelRect{0, 0, 100, 50}, 300, 100, {0, 9, 100, 42}},
        // Only the axis the picture's orientation names is narrowed: a 4:3 picture in a
        // 2:1 box (d = 75, not below 50) keeps the box and is stretched.
        FitRectCase{"LandscapeInAFlatterBox", PixelRect{0, 0, 100, 50}, 400, 300, {0, 0, 100, 50}},
        // Scrolled above the window: offsets count from the box, not from zero.
        FitRectCase{"NegativeCoordinates", PixelRect{16, -141, 116, -41}, 400, 300, {16, -128, 116, -53}},
        FitRectCase{"ZeroWidthPicture", kBox, 0, 300, kBox}, FitRectCase{"NegativePicture", kBox, -400, 300, kBox},
        FitRectCase{"EmptyBox", PixelRect{5, 5, 5, 50}, 400, 300, PixelRect{5, 5, 5, 50}},
        FitRectCase{"InsideOutBox", PixelRect{50, 50, 10, 10}, 400, 300, PixelRect{50, 50, 10, 10}}),
    [](const auto& info) { return std::string(info.param.pszName); });

// Any picture in any box: the result lies inside the box, is not inside out, and has the
// picture's ratio to within the pixel lost by cutting.
TEST(FitPictureRect, ResultStaysInsideTheBoxWithThePicturesRatio) {
    for (const PixelRect box : {kBox, PixelRect{-300, -1000, -200, -900}, PixelRect{0, 0, 1, 1},
                                PixelRect{0, 0, 3, 200}, PixelRect{7, 7, 4007, 3007}})
        for (int w : {1, 2, 3, 7, 99, 100, 101, 640, 4000, 65535, INT_MAX})
            for (int h : {1, 2, 3, 7, 99, 100, 101, 480, 3000, 65535, INT_MAX}) {
                PixelRect rc = box;
                FitPictureRect(rc, w, h);
                SCOPED_TRACE(::testing::Message() << w << " x " << h);
                ASSERT_GE(rc.left, box.left);
                ASSERT_GE(rc.top, box.top);
                ASSERT_LE(rc.right, box.right);
                ASSERT_LE(rc.bottom, box.bottom);
                ASSERT_GE(rc.Width(), 0);
                ASSERT_GE(rc.Height(), 0);
                // One side keeps the box's extent; the other is at most a pixel short of it.
                const double dWanted = static_cast<double>(w) / h;
                if (rc.Width() == box.Width() && rc.Height() < box.Height())
                    EXPECT_NEAR(rc.Height(), box.Width() / dWanted, 1.0);
                else if (rc.Height() == box.Height() && rc.Width() < box.Width())
                    EXPECT_NEAR(rc.Width(), box.Height() * dWanted, 1.0);
                else
                    EXPECT_EQ(rc, box);
            }
}

struct CropCase {
    const char* pszName;
    PixelSize sizePicture, sizeAspect;
    PixelRect rcExpected;
};

class CentreCropToAspectCases : public ::testing::TestWithParam<CropCase> {};

TEST_P(CentreCropToAspectCases, CentreKeepsTheOtherPicturesShape) {
    const CropCase& c = GetParam();
    EXPECT_EQ(CentreCropToAspect(c.sizePicture, c.sizeAspect), c.rcExpected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CentreCropToAspectCases,
    ::testing::Values(
        // A camera's 4:3 thumbnail of a 16:9 picture: 90 rows of picture between two bars of 15.
        CropCase{"LetterboxedWide", {160, 120}, {1920, 1080}, {0, 15, 160, 105}},
        // The same turned upright: the bars at the sides.
        CropCase{"PillarboxedTall", {120, 160}, {1080, 1920}, {15, 0, 105, 160}},
        CropCase{"SameShape", {160, 120}, {4000, 3000}, {0, 0, 160, 120}},
        // 3:2 in 4:3 rounds 106.67 to 107 rows; the odd row left over goes below.
        CropCase{"ThreeByTwo", {160, 120}, {3000, 2000}, {0, 6, 160, 113}},
        CropCase{"AspectWithoutArea", {160, 120}, {0, 1080}, {0, 0, 160, 120}},
        CropCase{"PictureWithoutArea", {0, 120}, {1920, 1080}, {0, 0, 0, 120}},
        // Sides near INT_MAX multiply past 32 bits without wrapping.
        CropCase{"HugeSquareOfAWideOne", {INT_MAX, INT_MAX}, {INT_MAX, 1}, {0, INT_MAX / 2, INT_MAX, INT_MAX / 2 + 1}}),
    [](const auto& info) { return std::string(info.param.pszName); });

struct LimitsCase {
    const char* pszName;
    int nMaxWidth, nMaxHeight;
    int nWidth, nHeight;
    int nExpectedWidth, nExpectedHeight;
};

class FitWithinLimitsCases : public ::testing::TestWithParam<LimitsCase> {};

TEST_P(FitWithinLimitsCases, SizeShrinksToTheLimits) {
    const LimitsCase& c = GetParam();
    int w = c.nWidth, h = c.nHeight;
    FitWithinLimits(c.nMaxWidth, c.nMaxHeight, w, h);
    EXPECT_EQ(w, c.nExpectedWidth);
    EXPECT_EQ(h, c.nExpectedHeight);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FitWithinLimitsCases,
    ::testing::Values(
        LimitsCase{"Double", 800, 600, 1600, 1200, 800, 600},
        LimitsCase{"SquareTakesTheLowerLimit", 800, 600, 1000, 1000, 600, 600},
        LimitsCase{"AlreadyInside", 800, 600, 640, 480, 640, 480},
        LimitsCase{"ExactlyAtTheLimits", 800, 600, 800, 600, 800, 600},
        LimitsCase{"JustInside", 800, 600, 799, 599, 799, 599}, LimitsCase{"XGA", 800, 600, 1024, 768, 800, 600},
        LimitsCase{"WidePanorama", 800, 600, 3000, 1000, 800, 266},
        LimitsCase{"TallStrip", 800, 600, 1000, 3000, 200, 600},
        LimitsCase{"OnlyTooHigh", 800, 600, 700, 1400, 300, 600}, LimitsCase{"NoWidth", 800, 600, 0, 480, 0, 480},
        LimitsCase{"NoHeight", 800, 600, 640, 0, 640, 0},
        LimitsCase{"NegativeSize", 800, 600, -1600, 1200, -1600, 1200},
        LimitsCase{"LimitsOfOne", 1, 1, 1600, 1200, 1, 1}, LimitsCase{"OnePixelInsideLimitsOfOne", 1, 1, 1, 1, 1, 1},
        LimitsCase{"WidthLimitOfOne", 1, 600, 1600, 1200, 1, 1},
        LimitsCase{"ZeroLimitsLeaveTheSizeAlone", 0, 0, 1600, 1200, 1600, 1200},
        LimitsCase{"NegativeWidthLimitLimitsOnlyTheHeight", -5, 600, 3000, 1000, 1800, 600},
        LimitsCase{"ZeroHeightLimitLimitsOnlyTheWidth", 800, 0, 1600, 1200, 800, 600},
        LimitsCase{"ScaledSideNeverVanishes", 800, 600, 3000, 1, 800, 1},
        LimitsCase{"HugeWide", 800, 600, INT_MAX, 1, 800, 1}, LimitsCase{"HugeTall", 800, 600, 1, INT_MAX, 1, 600},
        LimitsCase{"HugeSquare", 800, 600, INT_MAX, INT_MAX, 600, 600},
        LimitsCase{"HugeLimits", INT_MAX, INT_MAX, INT_MAX, INT_MAX, INT_MAX, INT_MAX},
        LimitsCase{"HugeLimitsSmallPicture", INT_MAX, INT_MAX, 3, 2, 3, 2}),
    [](const auto& info) { return std::string(info.param.pszName); });

TEST(FitWithinLimits, ResultFitsAndKeepsTheRatio) {
    for (int nMax : {1, 2, 100, 600, 800, 65535, INT_MAX})
        for (int w : {1, 2, 599, 600, 601, 800, 801, 1600, 20000, INT_MAX})
            for (int h : {1, 2, 599, 600, 601, 800, 801, 1200, 20000, INT_MAX}) {
                int nW = w, nH = h;
                FitWithinLimits(nMax, nMax / 2 + 1, nW, nH);
                SCOPED_TRACE(::testing::Message() << w << " x " << h << " in " << nMax);
                ASSERT_GE(nW, 1);
                ASSERT_GE(nH, 1);
                ASSERT_LE(nW, std::max(w, 1));
                ASSERT_LE(nH, std::max(h, 1));
                ASSERT_LE(nW, nMax);
                ASSERT_LE(nH, nMax / 2 + 1);
                // Cutting toward zero loses less than a pixel on the side that was computed;
                // a side raised to 1 pixel is the only larger error.
                if (nW > 1 && nH > 1) {
                    EXPECT_LE(std::fabs(static_cast<double>(nW) * h - static_cast<double>(nH) * w),
                              std::max(w, h) * 1.0 + 1);
                }
            }
}

}  // namespace
