// How long a busy server's Retry-After makes the upload wait: seconds or a date, capped, and
// nothing at all for what asks for no usable wait.
#include "transport/retry_after.h"

#include <gtest/gtest.h>

namespace {

// Sun, 06 Nov 1994 08:49:37 GMT.
constexpr int64_t kNow = 784111777;

struct RetryAfterCase {
    const char* value;
    std::optional<uint32_t> nSeconds;
};

void PrintTo(const RetryAfterCase& c, std::ostream* os) { *os << '"' << c.value << '"'; }

class RetryAfter : public testing::TestWithParam<RetryAfterCase> {};

TEST_P(RetryAfter, GivesTheWaitInSeconds) { EXPECT_EQ(ParseRetryAfter(GetParam().value, kNow), GetParam().nSeconds); }

INSTANTIATE_TEST_SUITE_P(Table, RetryAfter,
                         testing::Values(RetryAfterCase{"2", 2}, RetryAfterCase{" 12 ", 12}, RetryAfterCase{"0", 0},
                                         RetryAfterCase{"60", 60}, RetryAfterCase{"61", 60},
                                         RetryAfterCase{"86400", 60}, RetryAfterCase{"99999999999999999999999999", 60},
                                         RetryAfterCase{"0002", 2},
                                         // Not a number of seconds.
                                         RetryAfterCase{"-1", std::nullopt}, RetryAfterCase{"+5", std::nullopt},
                                         RetryAfterCase{"1.5", std::nullopt}, RetryAfterCase{"5s", std::nullopt},
                                         RetryAfterCase{"5 5", std::nullopt}, RetryAfterCase{"", std::nullopt},
                                         RetryAfterCase{"   ", std::nullopt}, RetryAfterCase{"soon", std::nullopt},
                                         RetryAfterCase{"\xb7\xfe\xce\xf1\xc6\xf7", std::nullopt},
                                         // Dates in the three forms, against now.
                                         RetryAfterCase{"Sun, 06 Nov 1994 08:49:40 GMT", 3},
                                         RetryAfterCase{"Sunday, 06-Nov-94 08:49:47 GMT", 10},
                                         RetryAfterCase{"Sun Nov  6 08:50:07 1994", 30},
                                         RetryAfterCase{"Sun, 06 Nov 1994 09:49:37 GMT", 60},
                                         RetryAfterCase{"Mon, 07 Nov 1994 08:49:37 GMT", 60},
                                         // Now or past: no wait asked for.
                                         RetryAfterCase{"Sun, 06 Nov 1994 08:49:37 GMT", std::nullopt},
                                         RetryAfterCase{"Sat, 05 Nov 1994 08:49:37 GMT", std::nullopt},
                                         RetryAfterCase{"Thu, 01 Jan 1970 00:00:00 GMT", std::nullopt},
                                         // Dates that are not dates.
                                         RetryAfterCase{"Sun, 31 Nov 1994 08:49:40 GMT", std::nullopt},
                                         RetryAfterCase{"Sun, 06 Nov 1994 25:49:40 GMT", std::nullopt},
                                         RetryAfterCase{"Sun, 06 Nov 1994 08:49:40 UTC", std::nullopt},
                                         RetryAfterCase{"Sun, 06 Nov 1994 08:49:40", std::nullopt},
                                         RetryAfterCase{"Sun, 06 Nov 1994 08:49:40 GMT trailing", std::nullopt},
                                         RetryAfterCase{"sun, 06 nov 1994 08:49:40 gmt", std::nullopt},
                                         RetryAfterCase{"Sun, 6 Nov 1994 08:49:40 GMT", std::nullopt}));

struct DateCase {
    const char* value;
    std::optional<int64_t> nUtc;
};

void PrintTo(const DateCase& c, std::ostream* os) { *os << '"' << c.value << '"'; }

class HttpDate : public testing::TestWithParam<DateCase> {};

TEST_P(HttpDate, ReadsAsSecondsSince1970) { EXPECT_EQ(ParseHttpDate(GetParam().value), GetParam().nUtc); }

INSTANTIATE_TEST_SUITE_P(Table, HttpDate,
                         testing::Values(DateCase{"Thu, 01 Jan 1970 00:00:00 GMT", 0},
                                         DateCase{"Sun, 06 Nov 1994 08:49:37 GMT", kNow},
                                         DateCase{"Tuesday, 29-Feb-00 12:00:00 GMT", 951825600},
                                         DateCase{"Wed, 29 Feb 2023 12:00:00 GMT", std::nullopt},
                                         DateCase{"Fri, 11 Dec 2026 05:30:00 GMT", 1796967000},
                                         DateCase{"Tue Jan 19 03:14:08 2038", 2147483648},
                                         DateCase{"Sat, 01 Jan 2100 00:00:00 GMT", 4102444800}));

}  // namespace
