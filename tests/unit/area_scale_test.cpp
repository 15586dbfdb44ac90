#include "imaging/area_scale.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace {

// Grey pixels of one level each, opaque, as the scaler writes them (it ignores the spare
// byte it reads).
std::vector<std::uint32_t> Greys(const std::vector<int>& arrLevels) {
    std::vector<std::uint32_t> arrPixels;
    for (const int n : arrLevels) {
        const auto v = static_cast<std::uint32_t>(n);
        arrPixels.push_back(0xFF000000u | v << 16 | v << 8 | v);
    }
    return arrPixels;
}

struct ScaleCase {
    std::string strWhat;
    PixelSize sizeSrc;
    std::vector<int> arrSrc;
    PixelSize sizeDst;
    std::vector<int> arrWant;
};

TEST(AreaScale, EachPixelIsTheMeanOfTheAreaItCovers) {
    const ScaleCase cases[] = {
        {"same size", {3, 1}, {10, 20, 30}, {3, 1}, {10, 20, 30}},
        {"halved both ways", {2, 2}, {0, 100, 200, 100}, {1, 1}, {100}},
        // Three into two: the middle pixel is split half and half.
        {"three into two", {3, 1}, {0, 90, 180}, {2, 1}, {30, 150}},
        {"down a column", {1, 3}, {0, 90, 180}, {1, 2}, {30, 150}},
        {"a row into one", {4, 1}, {0, 40, 80, 120}, {1, 1}, {60}},
        {"a growing side repeats", {2, 1}, {10, 200}, {4, 1}, {10, 10, 200, 200}},
    };
    for (const ScaleCase& c : cases) {
        std::vector<std::uint32_t> arrDst(c.arrWant.size(), 0);
        AreaScale(Greys(c.arrSrc), c.sizeSrc, arrDst, c.sizeDst);
        EXPECT_EQ(arrDst, Greys(c.arrWant)) << c.strWhat;
    }
}

TEST(AreaScale, KeepsTheChannelsApartAndMakesThePixelsOpaque) {
    const std::vector<std::uint32_t> arrSrc{0x00102030, 0x00305070};
    std::vector<std::uint32_t> arrDst(1);
    AreaScale(arrSrc, PixelSize{2, 1}, arrDst, PixelSize{1, 1});
    EXPECT_EQ(arrDst[0], 0xFF203850u);
}

TEST(AreaScale, WritesNothingWithoutAreaOrRoom) {
    const std::vector<std::uint32_t> arrSrc(4, 0x00FFFFFF);
    struct {
        PixelSize sizeSrc, sizeDst;
        std::size_t nDst;
    } const cases[] = {{{0, 4}, {1, 1}, 1}, {{2, 2}, {0, 1}, 1}, {{4, 4}, {1, 1}, 1}, {{2, 2}, {2, 2}, 3}};
    for (const auto& c : cases) {
        std::vector<std::uint32_t> arrDst(c.nDst, 7);
        AreaScale(arrSrc, c.sizeSrc, arrDst, c.sizeDst);
        EXPECT_EQ(arrDst, std::vector<std::uint32_t>(c.nDst, 7));
    }
}

}  // namespace
