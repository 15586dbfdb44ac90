#include "imaging/thumb_schedule.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

std::vector<std::size_t> Drain(CThumbSchedule& schedule) {
    std::vector<std::size_t> order;
    while (const auto next = schedule.Next()) order.push_back(*next);
    return order;
}

TEST(ThumbSchedule, EverythingInListOrderUntilTheScreenIsKnown) {
    CThumbSchedule schedule(4);
    EXPECT_EQ(Drain(schedule), (std::vector<std::size_t>{0, 1, 2, 3}));
    EXPECT_EQ(Drain(schedule), std::vector<std::size_t>{}) << "each once";
}

TEST(ThumbSchedule, TheScreenFirstThenAroundItNearestFirst) {
    struct Case {
        std::size_t nCount, nFirst, nEnd, nAround;
        std::vector<std::size_t> order;
    };
    const std::vector<Case> cases = {
        {20, 8, 11, 2, {8, 9, 10, 11, 7, 12, 6}},
        {20, 0, 3, 2, {0, 1, 2, 3, 4}},   // nothing above the top
        {10, 8, 10, 3, {8, 9, 7, 6, 5}},  // nothing below the end
        {10, 4, 4, 1, {4, 3}},            // an empty screen still has neighbours
        {5, 3, 50, 50, {3, 4, 2, 1, 0}},  // cut to the list
        {0, 0, 0, 5, {}},
    };
    for (const Case& c : cases) {
        CThumbSchedule schedule(c.nCount);
        schedule.Want(c.nFirst, c.nEnd, c.nAround);
        EXPECT_EQ(Drain(schedule), c.order) << c.nCount << " items, screen " << c.nFirst << ".." << c.nEnd;
    }
}

TEST(ThumbSchedule, AForgottenItemIsMadeAgainOnlyWhenWanted) {
    CThumbSchedule schedule(100);
    schedule.Want(0, 4, 0);
    ASSERT_EQ(Drain(schedule).size(), 4u);
    schedule.Want(50, 54, 0);
    ASSERT_EQ(Drain(schedule).size(), 4u);
    schedule.Forget(1);
    EXPECT_FALSE(schedule.IsWanted(1));
    EXPECT_EQ(Drain(schedule), std::vector<std::size_t>{}) << "far away: not made";
    schedule.Want(0, 4, 0);
    EXPECT_EQ(Drain(schedule), std::vector<std::size_t>{1}) << "back on screen: made again, the others kept";
    schedule.Forget(1000);  // past the end: nothing happens
}

TEST(ThumbSchedule, DistanceCountsItemsToTheScreen) {
    CThumbSchedule schedule(100);
    schedule.Want(10, 20, 5);
    EXPECT_EQ(schedule.DistanceFromScreen(10), 0u);
    EXPECT_EQ(schedule.DistanceFromScreen(19), 0u);
    EXPECT_EQ(schedule.DistanceFromScreen(20), 1u);
    EXPECT_EQ(schedule.DistanceFromScreen(9), 1u);
    EXPECT_EQ(schedule.DistanceFromScreen(0), 10u);
    EXPECT_EQ(schedule.DistanceFromScreen(99), 80u);
    EXPECT_TRUE(schedule.IsWanted(5));
    EXPECT_TRUE(schedule.IsWanted(24));
    EXPECT_FALSE(schedule.IsWanted(4));
    EXPECT_FALSE(schedule.IsWanted(25));
}

}  // namespace
