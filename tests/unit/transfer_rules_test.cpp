#include "transport/transfer_rules.h"

#include <gtest/gtest.h>

#include "transport/attempt_counter.h"

namespace {

struct StatusCase {
    uint32_t nStatus;
    StatusAction action;
    std::optional<TransferCode> code;
};

void PrintTo(const StatusCase& c, std::ostream* os) { *os << "status " << c.nStatus; }

class TransferRulesStatus : public testing::TestWithParam<StatusCase> {};

TEST_P(TransferRulesStatus, MapsTheStatusToItsActionAndCode) {
    const auto& c = GetParam();
    const StatusRule rule = RuleForStatus(c.nStatus);
    EXPECT_EQ(rule.action, c.action) << "status " << c.nStatus;
    EXPECT_EQ(rule.code, c.code) << "status " << c.nStatus;
}

INSTANTIATE_TEST_SUITE_P(Table, TransferRulesStatus,
                         testing::Values(StatusCase{200, StatusAction::ReadBody, std::nullopt},
                                         StatusCase{206, StatusAction::Fail, std::nullopt},
                                         StatusCase{301, StatusAction::Redirect, std::nullopt},
                                         StatusCase{302, StatusAction::Redirect, std::nullopt},
                                         StatusCase{303, StatusAction::Redirect, std::nullopt},
                                         StatusCase{307, StatusAction::Redirect, std::nullopt},
                                         StatusCase{308, StatusAction::Redirect, std::nullopt},
                                         StatusCase{304, StatusAction::NotModified, TransferCode::NotModified},
                                         StatusCase{401, StatusAction::Authenticate, std::nullopt},
                                         StatusCase{407, StatusAction::Authenticate, std::nullopt},
                                         StatusCase{404, StatusAction::GiveUp, TransferCode::NotFound},
                                         StatusCase{416, StatusAction::RetryOnce, TransferCode::Failed},
                                         StatusCase{503, StatusAction::GiveUp, TransferCode::Unavailable},
                                         // Everything else fails the attempt with the plain failure code.
                                         StatusCase{0, StatusAction::Fail, TransferCode::Failed},
                                         StatusCase{100, StatusAction::Fail, TransferCode::Failed},
                                         StatusCase{201, StatusAction::Fail, TransferCode::Failed},
                                         StatusCase{204, StatusAction::Fail, TransferCode::Failed},
                                         StatusCase{300, StatusAction::Fail, TransferCode::Failed},
                                         StatusCase{305, StatusAction::Fail, TransferCode::Failed},
                                         StatusCase{400, StatusAction::Fail, TransferCode::Failed},
                                         StatusCase{403, StatusAction::Fail, TransferCode::Failed},
                                         StatusCase{500, StatusAction::Fail, TransferCode::Failed},
                                         StatusCase{502, StatusAction::Fail, TransferCode::Failed},
                                         StatusCase{504, StatusAction::Fail, TransferCode::Failed},
                                         StatusCase{0xFFFFFFFFu, StatusAction::Fail, TransferCode::Failed}));

TEST(TransferRules, BodyWithoutLengthIsCompleteWhenTheServerEndsIt) {
    const auto rule = RuleForBodyEnd(0xFFFFFFFFu, 12345);
    EXPECT_EQ(rule.result, StepResult::Complete);
    EXPECT_EQ(rule.code, TransferCode::Complete);
}

TEST(TransferRules, BodyIsCompleteOnlyAtItsLength) {
    EXPECT_EQ(RuleForBodyEnd(100, 100).result, StepResult::Complete);
    EXPECT_EQ(RuleForBodyEnd(0, 0).result, StepResult::Complete);
    for (uint32_t nReceived : {0u, 99u, 101u}) {
        const auto rule = RuleForBodyEnd(100, nReceived);
        EXPECT_EQ(rule.result, StepResult::Retry);
        EXPECT_EQ(rule.code, TransferCode::Incomplete);
    }
}

TEST(TransferRules, NameNotResolvedMarksHostNotFoundOtherErrorsKeepTheCode) {
    EXPECT_EQ(CodeAfterInternetError(TransferCode::Complete, 12007), TransferCode::HostNotFound);
    EXPECT_EQ(CodeAfterInternetError(TransferCode::Incomplete, 12007), TransferCode::HostNotFound);
    EXPECT_EQ(CodeAfterInternetError(TransferCode::Incomplete, 12029), TransferCode::Incomplete);
    EXPECT_EQ(CodeAfterInternetError(TransferCode::Complete, 12030), TransferCode::Complete);
}

TEST(TransferRules, FailedJobNeverReportsComplete) {
    EXPECT_EQ(CodeAtJobEnd(StepResult::Complete, TransferCode::Complete), TransferCode::Complete);
    EXPECT_EQ(CodeAtJobEnd(StepResult::Complete, TransferCode::NotModified), TransferCode::NotModified);
    for (StepResult r : {StepResult::Exhausted, StepResult::GiveUp, StepResult::Stopped, StepResult::Failed}) {
        EXPECT_EQ(CodeAtJobEnd(r, TransferCode::Complete), TransferCode::Failed);
        EXPECT_EQ(CodeAtJobEnd(r, TransferCode::HostNotFound), TransferCode::HostNotFound);
        EXPECT_EQ(CodeAtJobEnd(r, TransferCode::Incomplete), TransferCode::Incomplete);
    }
}

TEST(AttemptCounter, AllowsThreeAttemptsPerJob) {
    CAttemptCounter counter;
    EXPECT_TRUE(counter.BeginAttempt());
    EXPECT_TRUE(counter.BeginAttempt());
    EXPECT_TRUE(counter.BeginAttempt());
    EXPECT_FALSE(counter.BeginAttempt());
    counter.Reset();
    EXPECT_TRUE(counter.BeginAttempt());
}

TEST(AttemptCounter, RedirectGivesTheNewAddressFreshAttempts) {
    CAttemptCounter counter;
    ASSERT_TRUE(counter.BeginAttempt());
    ASSERT_TRUE(counter.BeginAttempt());
    ASSERT_TRUE(counter.TakeRedirect());
    EXPECT_EQ(counter.Attempts(), 0u);
    EXPECT_TRUE(counter.BeginAttempt());
    EXPECT_TRUE(counter.BeginAttempt());
    EXPECT_TRUE(counter.BeginAttempt());
    EXPECT_FALSE(counter.BeginAttempt());
}

TEST(AttemptCounter, RedirectLoopEndsTheJob) {
    // A server that answers every attempt with a redirect: the job ends after a bounded
    // number of requests instead of running until it is cancelled.
    CAttemptCounter counter;
    uint32_t nRequests = 0;
    while (counter.BeginAttempt()) {
        ++nRequests;
        if (!counter.TakeRedirect()) break;
        ASSERT_LT(nRequests, 1000u);
    }
    EXPECT_EQ(nRequests, CAttemptCounter::kMaxRedirects + 1);
    EXPECT_EQ(counter.Redirects(), CAttemptCounter::kMaxRedirects + 1);
}

}  // namespace
