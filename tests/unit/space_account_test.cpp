#include "ui/space_account.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

constexpr double kTwoToMinus20 = 9.5367431640625e-07;
constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

class SpaceAccountFigures : public ::testing::TestWithParam<double> {};

// Values the page may hand to SpaceSize / SpaceUsedSize that must change nothing.
TEST_P(SpaceAccountFigures, SpaceOfAtMostTwoToTheMinus20IsIgnored) {
    CSpaceAccount account;
    ASSERT_TRUE(account.SetTotalSpace(500));
    ASSERT_TRUE(account.SetUsedSpace(100));
    EXPECT_FALSE(account.SetTotalSpace(GetParam()));
    EXPECT_FALSE(account.SetUsedSpace(GetParam()));
    EXPECT_EQ(account.GetTotalSpace(), 500);
    EXPECT_EQ(account.GetUsedSpace(), 100);
}

INSTANTIATE_TEST_SUITE_P(Rejected, SpaceAccountFigures,
                         ::testing::Values(kTwoToMinus20, 0.0, -0.0, -1.0, -kInf, kNaN,
                                           std::numeric_limits<double>::denorm_min()));

TEST(SpaceAccount, AnythingAboveTwoToTheMinus20IsTaken) {
    CSpaceAccount account;
    const double dJustAbove = std::nextafter(kTwoToMinus20, 1.0);
    EXPECT_TRUE(account.SetTotalSpace(dJustAbove));
    EXPECT_EQ(account.GetTotalSpace(), dJustAbove);
    EXPECT_TRUE(account.SetUsedSpace(kInf));
    EXPECT_EQ(account.GetUsedSpace(), kInf);
    EXPECT_EQ(CSpaceAccount::kMinSpaceKB, kTwoToMinus20);
}

TEST(SpaceAccount, StartsWithTenMegabytesFreeAndNothingSelected) {
    const CSpaceAccount account;
    EXPECT_EQ(account.FormatText("已使用/总空间：%.2fM/%.2fM  当前选择：%.2fM  "),
              "已使用/总空间：0.00M/10.00M  当前选择：0.00M  ");
    EXPECT_FALSE(account.IsOverQuota(0));
}

TEST(SpaceAccount, SelectionReachingTheTotalMayGoButNotBeyond) {
    CSpaceAccount account;
    account.SetTotalSpace(10240);
    account.SetUsedSpace(10000);
    EXPECT_FALSE(account.IsOverQuota(240));
    EXPECT_TRUE(account.IsOverQuota(240.5));
}

TEST(SpaceAccount, AlbumAlreadyOverQuotaBlocksEvenAnEmptySelection) {
    CSpaceAccount account;
    account.SetTotalSpace(100);
    account.SetUsedSpace(100.5);
    EXPECT_TRUE(account.IsOverQuota(0));
}

TEST(SpaceAccount, DeselectingWhatWasSelectedRestoresTheFormerFigure) {
    CSpaceAccount account;
    account.AddSelected(12.25);
    account.AddSelected(0.7);
    account.SubtractSelected(0.7);
    EXPECT_DOUBLE_EQ(account.GetSelected(), 12.25);
}

TEST(SpaceAccount, SelectionNeverDropsBelowZero) {
    CSpaceAccount account;
    account.AddSelected(1.5);
    account.SubtractSelected(2.0);
    EXPECT_EQ(account.GetSelected(), 0.0);
    account.SetSelected(kNaN);
    EXPECT_EQ(account.GetSelected(), 0.0);
}

TEST(SpaceAccount, FilledPercentCountsTheSelectionAndStaysWithinTheGauge) {
    struct Case {
        double dTotal, dUsed, dSelected;
        int nPercent;
    };
    for (const Case& c :
         {Case{1000, 0, 0, 0}, Case{1000, 250, 0, 25}, Case{1000, 250, 120, 37}, Case{1000, 994, 0, 99},
          Case{1000, 995, 0, 100}, Case{1000, 900, 500, 100}, Case{1000, 2000, 0, 100}, Case{1000, 1, 0, 0}}) {
        CSpaceAccount account;
        account.SetTotalSpace(c.dTotal);
        if (c.dUsed > 0) account.SetUsedSpace(c.dUsed);
        account.SetSelected(c.dSelected);
        EXPECT_EQ(account.GetFilledPercent(), c.nPercent) << c.dUsed << " + " << c.dSelected << " of " << c.dTotal;
    }
}

}  // namespace
