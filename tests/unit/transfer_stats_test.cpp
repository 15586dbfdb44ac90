#include "upload/transfer_stats.h"

#include <gtest/gtest.h>

#include <cmath>

#include "rc_strings.h"

namespace {

struct TimeCase {
    double dRemainingKB;
    double dSpeed;
    const char* text;
};

TEST(FormatRemainingTime, ChoosesTheLargestUnit) {
    const CRcStrings texts;
    const TimeCase cases[] = {
        {54000, 60, "15分0秒"},
        {30, 60, "0.500秒"},
        {3661, 1, "1时1分1秒"},
        {3600, 1, "1时0分0秒"},
        {86400, 1, "1天0时0分0秒"},
        {90061.5, 1, "1天1时1分1秒"},
        {60, 1, "1分0秒"},
        {0, 60, ""},
        {-5, 60, ""},
        {100, 0, ""},
        {100, -1, ""},
        {NAN, 60, ""},
        {100, NAN, ""},
        // Longer than any day count can say: nothing rather than garbage.
        {1e300, 1e-300, ""},
    };
    for (const TimeCase& c : cases)
        EXPECT_EQ(FormatRemainingTime(c.dRemainingKB, c.dSpeed, texts), c.text)
            << c.dRemainingKB << " KB at " << c.dSpeed << " KB/s";
}

TEST(FormatSpeed, FourDecimalsUpToOneKilobytePerSecond) {
    const CRcStrings texts;
    EXPECT_EQ(FormatSpeed(1.0, texts), "1.0000 KB/秒");
    EXPECT_EQ(FormatSpeed(0.25, texts), "0.2500 KB/秒");
    EXPECT_EQ(FormatSpeed(1.5, texts), "1.50 KB/秒");
}

TEST(TransferStats, SpeedBetweenTwoReportsMoreThanThirtyMillisecondsApart) {
    CTransferStats stats;
    EXPECT_FALSE(stats.Sample(1000, 10)) << "the first report has nothing to compare with";
    EXPECT_FALSE(stats.Sample(1030, 20)) << "30 ms is not enough";
    // The reference moved to the 1030 report: 50 KB in 500 ms.
    const auto speed = stats.Sample(1530, 70);
    ASSERT_TRUE(speed);
    EXPECT_DOUBLE_EQ(*speed, 100.0);
    EXPECT_FALSE(stats.Sample(2000, 70)) << "no growth, no speed";
    EXPECT_FALSE(stats.Sample(3000, 10)) << "a new pass starts below the last amount";
}

TEST(TransferStats, TickWrapGivesTheTrueElapsedTime) {
    CTransferStats stats;
    stats.Sample(0xFFFFFF00u, 0);
    const auto speed = stats.Sample(0x00000100u, 512);  // 512 ms later, across the wrap
    ASSERT_TRUE(speed);
    EXPECT_DOUBLE_EQ(*speed, 1000.0);
}

TEST(TransferStats, ZeroElapsedTimeMeasuresNothing) {
    CTransferStats stats;
    stats.Sample(500, 0);
    EXPECT_FALSE(stats.Sample(500, 100));
}

}  // namespace
