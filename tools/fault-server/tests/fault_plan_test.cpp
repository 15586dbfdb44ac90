#include "fault_plan.h"

#include <gtest/gtest.h>

namespace {

struct PlanCase {
    const char* path;
    std::optional<FaultMode> mode;
    uint32_t nStatus = 200;
    uint64_t nCount = 0;
    const char* value = "";
};

void PrintTo(const PlanCase& c, std::ostream* os) { *os << c.path; }

class FaultPlans : public testing::TestWithParam<PlanCase> {};

TEST_P(FaultPlans, PathNamesTheFault) {
    const auto& c = GetParam();
    const auto plan = ParseFaultPlan(c.path);
    ASSERT_EQ(plan.has_value(), c.mode.has_value());
    if (!plan) return;
    EXPECT_EQ(plan->mode, *c.mode);
    EXPECT_EQ(plan->nStatus, c.nStatus);
    EXPECT_EQ(plan->nCount, c.nCount);
    EXPECT_EQ(plan->strValue, c.value);
}

INSTANTIATE_TEST_SUITE_P(
    Paths, FaultPlans,
    testing::Values(
        PlanCase{"/ok", FaultMode::Ok}, PlanCase{"/ok?x=1", FaultMode::Ok}, PlanCase{"//ok/", FaultMode::Ok},
        PlanCase{"/retcode/abc", FaultMode::RetCode, 200, 0, "abc"},
        PlanCase{"/retcode/%20100", FaultMode::RetCode, 200, 0, "%20100"},
        PlanCase{"/retcode-missing", FaultMode::RetCodeMissing},
        PlanCase{"/verdict/999/%C9%CF/2560", FaultMode::Verdict, 200, 2560, "999"},
        PlanCase{"/verdict/1/x", FaultMode::Verdict, 200, 1, "1"}, PlanCase{"/verdict/1", std::nullopt},
        PlanCase{"/status/503", FaultMode::Status, 503}, PlanCase{"/redirect/307/3", FaultMode::Redirect, 307, 3},
        PlanCase{"/redirect/301", FaultMode::Redirect, 301, 1},
        PlanCase{"/redirect-loop/302", FaultMode::RedirectLoop, 302},
        PlanCase{"/redirect-relative/302", FaultMode::RedirectRelative, 302},
        PlanCase{"/redirect-nolocation/303", FaultMode::RedirectNoLocation, 303},
        PlanCase{"/reset-after/10240", FaultMode::ResetAfter, 200, 10240},
        PlanCase{"/stop-reading/100000", FaultMode::StopReading, 200, 100000},
        PlanCase{"/drop/5000/4000", FaultMode::Drop, 200, 5000},
        PlanCase{"/redirect-scheme/302/https", FaultMode::RedirectScheme, 302, 0, "https"},
        PlanCase{"/cookie-check", FaultMode::CookieCheck, 200, 0, ""},
        PlanCase{"/redirect-to/307/http%3A%2F%2Fh%2Fok", FaultMode::RedirectTo, 307, 0, "http%3A%2F%2Fh%2Fok"},
        PlanCase{"/no-length/5", FaultMode::NoLength, 200, 5},
        PlanCase{"/no-length", FaultMode::NoLength, 200, kEndless},
        PlanCase{"/long-body/7", FaultMode::LongBody, 200, 7}, PlanCase{"/slow", FaultMode::Slow, 200, 100},
        PlanCase{"/slow/5", FaultMode::Slow, 200, 5}, PlanCase{"/big-header", FaultMode::BigHeader, 200, 65536},
        PlanCase{"/chunked", FaultMode::Chunked}, PlanCase{"/stall", FaultMode::Stall},
        PlanCase{"/_log", FaultMode::ShowLog}, PlanCase{"/lie-longer", FaultMode::LieLonger, 200, 1000},
        PlanCase{"/lie-longer/500/reset", FaultMode::LieLonger, 200, 500, "reset"},
        PlanCase{"/lie-longer/500/x", std::nullopt}, PlanCase{"/busy/503", FaultMode::Busy, 503},
        PlanCase{"/busy/429/-5", FaultMode::Busy, 429, 0, "-5"}, PlanCase{"/busy/503/1/2", std::nullopt},
        // Paths that name no fault, or name one badly, get the default plan.
        PlanCase{"/", std::nullopt}, PlanCase{"/cgi-bin/upload", std::nullopt}, PlanCase{"/status", std::nullopt},
        PlanCase{"/status/abc", std::nullopt}, PlanCase{"/status/99", std::nullopt},
        PlanCase{"/status/1000", std::nullopt}, PlanCase{"/reset-after", std::nullopt},
        PlanCase{"/reset-after/-1", std::nullopt}, PlanCase{"/redirect/302/x", std::nullopt},
        PlanCase{"/stop-reading", std::nullopt}, PlanCase{"/stop-reading/1/x", std::nullopt},
        PlanCase{"/drop/5000", std::nullopt}, PlanCase{"/drop/1/x", std::nullopt},
        PlanCase{"/redirect-scheme/302", std::nullopt}, PlanCase{"/redirect-to/302", std::nullopt},
        PlanCase{"/redirect-to/302/a/b", std::nullopt}, PlanCase{"/long-body", std::nullopt}));

}  // namespace
