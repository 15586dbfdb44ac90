#include "upload/announcement_pacer.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace {

TEST(AnnouncementPacer, TellsAtMostOnceASecondAndHoldsTheLastChange) {
    CAnnouncementPacer pacer;
    EXPECT_TRUE(pacer.Change(5000));
    // Every 10 ms for 2.5 s, as a pass of small pictures changes the bar.
    int nTold = 1;
    std::uint32_t nLastToldMs = 5000;
    for (std::uint32_t t = 5010; t <= 7500; t += 10) {
        const bool bTold = pacer.Change(t) || pacer.TakeDue(t);
        if (!bTold) continue;
        EXPECT_GE(t - nLastToldMs, CAnnouncementPacer::kIntervalMs);
        nLastToldMs = t;
        ++nTold;
    }
    EXPECT_EQ(nTold, 3);
    EXPECT_TRUE(pacer.IsHolding()) << "the changes since 7000 ms wait for their turn";
    EXPECT_FALSE(pacer.TakeDue(7999));
    EXPECT_TRUE(pacer.TakeDue(8000));
    EXPECT_FALSE(pacer.TakeDue(9500)) << "told once";
}

TEST(AnnouncementPacer, TheTickWrappingDoesNotSilenceIt) {
    CAnnouncementPacer pacer;
    EXPECT_TRUE(pacer.Change(0xFFFFFF00u));
    EXPECT_FALSE(pacer.Change(0xFFFFFFF0u));
    EXPECT_TRUE(pacer.TakeDue(0x00000400u));
    pacer.Reset();
    EXPECT_TRUE(pacer.Change(0x00000410u)) << "a new window starts afresh";
}

}  // namespace
