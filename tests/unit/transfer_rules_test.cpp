// Which redirects a transfer follows: a table of the rule, since the engine's tests cannot
// reach other hosts.
#include "transport/transfer_rules.h"

#include <gtest/gtest.h>

#include "transport/http_url.h"

namespace {

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

struct DelayCase {
    RetryWait why;
    uint32_t nAttemptsUsed;
    std::optional<uint32_t> nRetryAfter;
    uint32_t nDelayMs;
};

void PrintTo(const DelayCase& c, std::ostream* os) {
    *os << (c.why == RetryWait::Busy ? "busy" : "broken") << " after " << c.nAttemptsUsed;
}

class TransferRulesDelay : public testing::TestWithParam<DelayCase> {};

TEST_P(TransferRulesDelay, WaitsAsTheServerAsksOrBacksOff) {
    const auto& c = GetParam();
    EXPECT_EQ(RetryDelayMs(c.why, c.nAttemptsUsed, c.nRetryAfter), c.nDelayMs);
}

INSTANTIATE_TEST_SUITE_P(Table, TransferRulesDelay,
                         testing::Values(DelayCase{RetryWait::Busy, 1, std::nullopt, 2000},
                                         DelayCase{RetryWait::Busy, 2, std::nullopt, 4000},
                                         DelayCase{RetryWait::Busy, 1, 7, 7000}, DelayCase{RetryWait::Busy, 2, 0, 0},
                                         DelayCase{RetryWait::Busy, 2, 60, 60000},
                                         DelayCase{RetryWait::Broken, 1, std::nullopt, 1000},
                                         DelayCase{RetryWait::Broken, 2, std::nullopt, 2000},
                                         // A broken connection has no Retry-After to obey.
                                         DelayCase{RetryWait::Broken, 1, 30, 1000},
                                         DelayCase{RetryWait::Broken, 9, std::nullopt, 4000}));

TEST(TransferRules, BusyServerIsTriedAgainLaterAsUnavailable) {
    for (uint32_t nStatus : {429u, 503u}) {
        const StatusRule rule = RuleForStatus(nStatus);
        EXPECT_EQ(rule.action, StatusAction::RetryLater) << nStatus;
        EXPECT_EQ(rule.code, TransferCode::Unavailable) << nStatus;
    }
}

}  // namespace
