#include "imaging/area_scale.h"

#include <gtest/gtest.h>

#include <algorithm>
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

// The whole of src fed to a scaler a row at a time, as a decoder does.
void AreaScale(const std::vector<std::uint32_t>& arrSrc, PixelSize sizeSrc, std::vector<std::uint32_t>& arrDst,
               PixelSize sizeDst) {
    CAreaScaler scaler(sizeSrc, sizeDst, arrDst);
    for (int y = 0; y < sizeSrc.cy; ++y) scaler.AddRow(arrSrc.data() + static_cast<std::size_t>(y * sizeSrc.cx));
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

// The mean of what each destination pixel covers, worked out in doubles from the
// definition: the reference the scaler's 4096ths are held to.
std::vector<double> ExactMeans(const std::vector<int>& arrSrc, PixelSize sizeSrc, PixelSize sizeDst) {
    std::vector<double> arrOut;
    const double dStepX = static_cast<double>(sizeSrc.cx) / sizeDst.cx;
    const double dStepY = static_cast<double>(sizeSrc.cy) / sizeDst.cy;
    const auto covered = [](int s, double dStart, double dEnd) {
        return std::max(0.0, std::min<double>(s + 1, dEnd) - std::max<double>(s, dStart));
    };
    for (int y = 0; y < sizeDst.cy; ++y)
        for (int x = 0; x < sizeDst.cx; ++x) {
            double dSum = 0;
            for (int sy = 0; sy < sizeSrc.cy; ++sy)
                for (int sx = 0; sx < sizeSrc.cx; ++sx)
                    dSum += arrSrc[static_cast<std::size_t>(sy * sizeSrc.cx + sx)] *
                            covered(sx, x * dStepX, (x + 1) * dStepX) * covered(sy, y * dStepY, (y + 1) * dStepY);
            arrOut.push_back(dSum / (dStepX * dStepY));
        }
    return arrOut;
}

TEST(AreaScale, RoundsTheExactMeanAndFlatStaysFlat) {
    struct {
        PixelSize sizeSrc, sizeDst;
    } const cases[] = {{{50, 38}, {40, 30}}, {{38, 50}, {30, 40}}, {{97, 13}, {31, 7}}, {{16, 16}, {3, 3}}};
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message()
                     << c.sizeSrc.cx << "x" << c.sizeSrc.cy << " to " << c.sizeDst.cx << "x" << c.sizeDst.cy);
        std::vector<int> arrLevels;
        for (int i = 0; i < c.sizeSrc.cx * c.sizeSrc.cy; ++i) arrLevels.push_back((i * 37 + i / 7 * 91) % 256);
        std::vector<std::uint32_t> arrDst(static_cast<std::size_t>(c.sizeDst.cx * c.sizeDst.cy));
        AreaScale(Greys(arrLevels), c.sizeSrc, arrDst, c.sizeDst);
        const std::vector<double> arrExact = ExactMeans(arrLevels, c.sizeSrc, c.sizeDst);
        // Half a level for the rounding, a tenth for shares held in 4096ths.
        for (std::size_t i = 0; i < arrDst.size(); ++i)
            ASSERT_NEAR(static_cast<double>(arrDst[i] & 0xFF), arrExact[i], 0.6) << "pixel " << i;
        // White stays white and black black, whatever the shares: they sum to a whole.
        for (const int nLevel : {0, 255}) {
            AreaScale(Greys(std::vector<int>(arrLevels.size(), nLevel)), c.sizeSrc, arrDst, c.sizeDst);
            EXPECT_EQ(arrDst, Greys(std::vector<int>(arrDst.size(), nLevel)));
        }
    }
}

TEST(AreaScale, ADestinationRowIsWrittenOnceItsSourceRowsHaveCome) {
    // Five rows into two: the first destination row covers source rows 0 to 2.5.
    const std::vector<std::uint32_t> arrRow = Greys({100, 100});
    std::vector<std::uint32_t> arrDst(4, 7);
    CAreaScaler scaler(PixelSize{2, 5}, PixelSize{2, 2}, arrDst);
    ASSERT_TRUE(scaler);
    for (int y = 0; y < 2; ++y) scaler.AddRow(arrRow.data());
    EXPECT_EQ(arrDst, std::vector<std::uint32_t>(4, 7));
    scaler.AddRow(arrRow.data());
    EXPECT_EQ(arrDst, (std::vector<std::uint32_t>{Greys({100, 100})[0], Greys({100, 100})[0], 7, 7}));
    for (int y = 0; y < 4; ++y) scaler.AddRow(arrRow.data());  // two more than the source has
    EXPECT_EQ(arrDst, Greys({100, 100, 100, 100}));
}

TEST(AreaScale, WritesNothingWithoutAreaOrRoom) {
    const std::vector<std::uint32_t> arrSrc(4, 0x00FFFFFF);
    struct {
        PixelSize sizeSrc, sizeDst;
        std::size_t nDst;
    } const cases[] = {{{0, 2}, {1, 1}, 1}, {{2, 2}, {0, 1}, 1}, {{2, 2}, {2, 2}, 3}};
    for (const auto& c : cases) {
        std::vector<std::uint32_t> arrDst(c.nDst, 7);
        AreaScale(arrSrc, c.sizeSrc, arrDst, c.sizeDst);
        EXPECT_EQ(arrDst, std::vector<std::uint32_t>(c.nDst, 7));
    }
}

}  // namespace
