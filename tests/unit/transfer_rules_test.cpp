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
                                         StatusCase{401, StatusAction::GiveUp, TransferCode::AuthenticationRequired},
                                         StatusCase{407, StatusAction::GiveUp, TransferCode::AuthenticationRequired},
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

struct ErrorCase {
    uint32_t nError;
    TransferCode code;
    bool bEndsJob;
};

void PrintTo(const ErrorCase& c, std::ostream* os) { *os << "error " << c.nError; }

class TransferRulesError : public testing::TestWithParam<ErrorCase> {};

// Starting from Incomplete, so that an error that keeps the code shows it.
TEST_P(TransferRulesError, MapsTheErrorToItsCodeAndSaysWhetherTheJobEnds) {
    const auto& c = GetParam();
    const InternetErrorRule rule = RuleForInternetError(TransferCode::Incomplete, c.nError);
    EXPECT_EQ(rule.code, c.code);
    EXPECT_EQ(rule.bEndsJob, c.bEndsJob);
}

INSTANTIATE_TEST_SUITE_P(Table, TransferRulesError,
                         testing::Values(ErrorCase{12007, TransferCode::HostNotFound, false},
                                         ErrorCase{12029, TransferCode::Incomplete, false},
                                         ErrorCase{12030, TransferCode::Incomplete, false},
                                         ErrorCase{12045, TransferCode::CertificateUntrusted, true},
                                         ErrorCase{12055, TransferCode::CertificateUntrusted, true},
                                         ErrorCase{12056, TransferCode::CertificateUntrusted, true},
                                         ErrorCase{12057, TransferCode::CertificateUntrusted, true},
                                         ErrorCase{12169, TransferCode::CertificateUntrusted, true},
                                         ErrorCase{12170, TransferCode::CertificateUntrusted, true},
                                         ErrorCase{12038, TransferCode::CertificateWrongHost, true},
                                         ErrorCase{12037, TransferCode::CertificateExpired, true},
                                         ErrorCase{12157, TransferCode::SecureConnectionFailed, true}));

struct RedirectCase {
    const char* from;
    const char* to;
    uint32_t nStatus;
    bool bPost;
    std::optional<TransferCode> refusal;
};

void PrintTo(const RedirectCase& c, std::ostream* os) { *os << c.from << " -> " << c.to << " " << c.nStatus; }

class TransferRulesRedirect : public testing::TestWithParam<RedirectCase> {};

TEST_P(TransferRulesRedirect, FollowsOnlyWhatStaysWithTheHost) {
    const auto& c = GetParam();
    const auto from = CHttpUrl::Parse(c.from);
    const auto to = CHttpUrl::Parse(c.to);
    ASSERT_TRUE(from && to);
    EXPECT_EQ(RedirectRefusal(*from, *to, c.nStatus, c.bPost), c.refusal);
}

constexpr auto kRefused = TransferCode::RedirectRefused;
constexpr auto kInsecure = TransferCode::InsecureRedirect;

INSTANTIATE_TEST_SUITE_P(
    Table, TransferRulesRedirect,
    testing::Values(RedirectCase{"http://a/x", "http://a/y", 302, true, std::nullopt},
                    RedirectCase{"http://a/x", "http://A:80/y", 307, true, std::nullopt},
                    RedirectCase{"https://a/x", "https://a:443/y", 301, true, std::nullopt},
                    // Up to https on the same host, whatever the port: the certificate proves the host.
                    RedirectCase{"http://a/x", "https://a/y", 302, true, std::nullopt},
                    RedirectCase{"http://a:8080/x", "https://a:8443/y", 308, true, std::nullopt},
                    RedirectCase{"https://a/x", "http://a/y", 302, true, kInsecure},
                    RedirectCase{"https://a/x", "http://b/y", 302, true, kInsecure},
                    RedirectCase{"http://a/x", "http://b/y", 302, true, kRefused},
                    RedirectCase{"http://a/x", "https://b/y", 302, true, kRefused},
                    RedirectCase{"http://a/x", "http://a:81/y", 302, true, kRefused},
                    RedirectCase{"https://a/x", "https://a:444/y", 307, true, kRefused},
                    RedirectCase{"http://127.0.0.1/x", "http://localhost/y", 302, true, kRefused},
                    // A 303 asks for a GET instead of the upload; a GET may follow it.
                    RedirectCase{"http://a/x", "http://a/y", 303, true, kRefused},
                    RedirectCase{"http://a/x", "http://a/y", 303, false, std::nullopt}));

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
