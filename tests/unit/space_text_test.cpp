#include "ui/space_text.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>

namespace {

// String 208 as the string table holds it at run time, in code page 936.
const std::string kFormat208Gbk =
    "\xd2\xd1\xca\xb9\xd3\xc3/\xd7\xdc\xbf\xd5\xbc\xe4\xa3\xba%.2fM/%.2fM  "
    "\xb5\xb1\xc7\xb0\xd1\xa1\xd4\xf1\xa3\xba%.2fM  ";
const std::string kUsedTotalGbk = "\xd2\xd1\xca\xb9\xd3\xc3/\xd7\xdc\xbf\xd5\xbc\xe4\xa3\xba";
const std::string kSelectionGbk = "\xb5\xb1\xc7\xb0\xd1\xa1\xd4\xf1\xa3\xba";

// The same text as this file's UTF-8, for readable expectations.
constexpr char kFormat208[] = "已使用/总空间：%.2fM/%.2fM  当前选择：%.2fM  ";

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

TEST(SpaceText, DefaultFiguresReadAsThePanelStartsWithThem) {
    EXPECT_EQ(FormatSpaceText(kFormat208, 0, 10240, 0), "已使用/总空间：0.00M/10.00M  当前选择：0.00M  ");
}

TEST(SpaceText, GbkFormatKeepsItsDoubleByteCharacters) {
    EXPECT_EQ(FormatSpaceText(kFormat208Gbk, 10000, 10240, 240),
              kUsedTotalGbk + "9.77M/10.00M  " + kSelectionGbk + "0.23M  ");
}

struct FigureCase {
    const char* pszName;
    double dUsed, dTotal, dSelected;
    const char* pszExpected;
};

class SpaceTextFigures : public ::testing::TestWithParam<FigureCase> {};

TEST_P(SpaceTextFigures, FiguresShowInMegabytesWithTwoDecimals) {
    const FigureCase& c = GetParam();
    EXPECT_EQ(FormatSpaceText("%.2f|%.2f|%.2f", c.dUsed, c.dTotal, c.dSelected), c.pszExpected);
}

INSTANTIATE_TEST_SUITE_P(Cases, SpaceTextFigures,
                         ::testing::Values(FigureCase{"Quota", 10000, 10240, 240.5, "9.77|10.00|0.23"},
                                           FigureCase{"RoundsUp", 1023, 1024 * 1.005, 5.12, "1.00|1.00|0.01"},
                                           FigureCase{"Negative", -1024, -0.0, -10.24, "-1.00|-0.00|-0.01"},
                                           FigureCase{"NotANumber", kNaN, 0, 0, "nan|0.00|0.00"},
                                           FigureCase{"Infinite", kInf, -kInf, 1, "inf|-inf|0.00"},
                                           FigureCase{"Gigabytes", 1024.0 * 1024 * 1024, 0, 0, "1048576.00|0.00|0.00"}),
                         [](const auto& info) { return std::string(info.param.pszName); });

TEST(SpaceText, LargestDoubleIsWrittenOutInFull) {
    const double dMax = std::numeric_limits<double>::max();
    const std::string str = FormatSpaceText("[%.2f]", dMax, 0, 0);
    // 1.797...e308 / 1024 = 1.7556e305: 306 digits before the point.
    ASSERT_EQ(str.size(), 1 + 306 + 3 + 1);
    EXPECT_EQ(str.substr(0, 5), "[1755");
    EXPECT_EQ(str.substr(str.size() - 4), ".00]");
}

TEST(SpaceText, OnlyTheFirstThreeFiguresAreFilledAndTheRestStaysText) {
    EXPECT_EQ(FormatSpaceText("a%.2fb%.2f%.2f|%.2f %d 100%", 1024, 2048, 3072), "a1.00b2.003.00|%.2f %d 100%");
    EXPECT_EQ(FormatSpaceText("%.2f only", 1024, 2048, 3072), "1.00 only");
    EXPECT_EQ(FormatSpaceText("", 1024, 2048, 3072), "");
}

}  // namespace
