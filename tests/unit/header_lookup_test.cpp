#include "transport/header_lookup.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace {

const std::string kAnswer =
    "HTTP/1.1 200 OK\r\n"
    "Server: album\r\n"
    "Album-RetCode: 100\r\n"
    "Error-Info: \xc9\xcf\xb4\xab\xb3\xc9\xb9\xa6  \r\n"
    "Content-Length: 0\r\n\r\n";

struct LookupCase {
    const char* what;
    std::string block;
    std::string name;
    std::optional<std::string> value;
};

void PrintTo(const LookupCase& c, std::ostream* os) { *os << c.what; }

class HeaderLookup : public testing::TestWithParam<LookupCase> {};

TEST_P(HeaderLookup, FindsTheValueOfAWholeHeaderName) {
    const auto& c = GetParam();
    const auto value = FindHeaderValue(c.block, c.name);
    ASSERT_EQ(value.has_value(), c.value.has_value());
    if (value) EXPECT_EQ(std::string(*value), *c.value);
}

using namespace std::string_literals;

INSTANTIATE_TEST_SUITE_P(
    Blocks, HeaderLookup,
    testing::Values(
        LookupCase{"plain", kAnswer, "Album-RetCode", " 100"},
        LookupCase{"name in another case", kAnswer, "album-retcode", " 100"},
        LookupCase{"block in another case", "HTTP/1.1 200 OK\r\nALBUM-RETCODE: 7\r\n", "Album-RetCode", " 7"},
        LookupCase{"name given with its colon", kAnswer, "Album-RetCode:", " 100"},
        LookupCase{"inner blanks of a value kept", kAnswer, "Error-Info", " \xc9\xcf\xb4\xab\xb3\xc9\xb9\xa6  "},
        LookupCase{"first of duplicates", "HTTP/1.1 200 OK\r\nAlbum-RetCode: 999\r\nAlbum-RetCode: 100\r\n",
                   "Album-RetCode", " 999"},
        LookupCase{"longer name ending with it", "HTTP/1.1 200 OK\r\nX-Album-RetCode: 100\r\n", "Album-RetCode",
                   std::nullopt},
        LookupCase{"longer name starting with it", "HTTP/1.1 200 OK\r\nAlbum-RetCodes: 100\r\n", "Album-RetCode",
                   std::nullopt},
        LookupCase{"name inside another value", "HTTP/1.1 200 OK\r\nError-Info: spoof album-retcode: 100\r\n",
                   "Album-RetCode", std::nullopt},
        LookupCase{"real header after a lookalike", "HTTP/1.1 200 OK\r\nX-Album-RetCode: 100\r\nAlbum-RetCode: 999\r\n",
                   "Album-RetCode", " 999"},
        LookupCase{"line without colon", "HTTP/1.1 200 OK\r\nAlbum-RetCode 100\r\n", "Album-RetCode", std::nullopt},
        LookupCase{"blank before the colon", "HTTP/1.1 200 OK\r\nAlbum-RetCode : 100\r\n", "Album-RetCode",
                   std::nullopt},
        LookupCase{"folded line is not a header", "HTTP/1.1 200 OK\r\nX: a\r\n Album-RetCode: 100\r\n", "Album-RetCode",
                   std::nullopt},
        LookupCase{"no final line break", "HTTP/1.1 200 OK\r\nError-Info: abc", "Error-Info", " abc"},
        LookupCase{"no line breaks at all", "Album-RetCode: 100", "Album-RetCode", " 100"},
        LookupCase{"bare LF lines", "HTTP/1.1 200 OK\nAlbum-RetCode: 5\nError-Info: e\n", "Error-Info", " e"},
        LookupCase{"bare CR lines", "HTTP/1.1 200 OK\rAlbum-RetCode: 5\rError-Info: e\r", "Album-RetCode", " 5"},
        LookupCase{"empty value", "HTTP/1.1 200 OK\r\nError-Info:\r\nX: 1\r\n", "Error-Info", ""},
        LookupCase{"block ends at NUL", "HTTP/1.1 200 OK\r\nAlbum-RetCode: 1\0Error-Info: x\r\n"s, "Error-Info",
                   std::nullopt},
        LookupCase{"value cut at NUL", "HTTP/1.1 200 OK\r\nAlbum-RetCode: 1\0 00\r\n"s, "Album-RetCode", " 1"},
        LookupCase{"leading blanks of the block", "\r\n  Album-RetCode: 3\r\n", "Album-RetCode", " 3"},
        LookupCase{"empty block", "", "Album-RetCode", std::nullopt},
        LookupCase{"only line breaks", "\r\n\r\n\r\n", "Album-RetCode", std::nullopt},
        LookupCase{"colon alone as name", kAnswer, ":", std::nullopt},
        LookupCase{"name with a line break", kAnswer, "Server: album\r\nAlbum-RetCode", std::nullopt},
        LookupCase{"name with a colon inside", "a:b: c\r\n", "a:b", std::nullopt},
        LookupCase{"name longer than the block", "Ab: 1", "Album-RetCode", std::nullopt},
        LookupCase{"huge line before it",
                   "HTTP/1.1 200 OK\r\nX-Pad: " + std::string(1 << 20, 'p') + "\r\nAlbum-RetCode: 100\r\n",
                   "Album-RetCode", " 100"},
        LookupCase{"huge value", "HTTP/1.1 200 OK\r\nError-Info: " + std::string(1 << 20, 'v') + "\r\n", "Error-Info",
                   " " + std::string(1 << 20, 'v')}));

TEST(HeaderLookup, StringOfEmptyNameLeavesTheOutputAlone) {
    std::string out = "sentinel";
    EXPECT_FALSE(GetHeaderString(kAnswer, "", out, true));
    EXPECT_EQ(out, "sentinel");
}

TEST(HeaderLookup, StringOfAbsentHeaderIsEmptied) {
    std::string out = "sentinel";
    EXPECT_FALSE(GetHeaderString(kAnswer, "Location", out, true));
    EXPECT_EQ(out, "");
}

TEST(HeaderLookup, StringIsTrimmedOnlyWhenAsked) {
    std::string out;
    ASSERT_TRUE(GetHeaderString(kAnswer, "Error-Info", out, true));
    EXPECT_EQ(out, "\xc9\xcf\xb4\xab\xb3\xc9\xb9\xa6");
    ASSERT_TRUE(GetHeaderString(kAnswer, "Error-Info", out, false));
    EXPECT_EQ(out, " \xc9\xcf\xb4\xab\xb3\xc9\xb9\xa6  ");
}

struct NumberCase {
    std::string value;
    bool bOk;
    uint32_t nValue;
};

void PrintTo(const NumberCase& c, std::ostream* os) { *os << testing::PrintToString(c.value); }

class HeaderNumber : public testing::TestWithParam<NumberCase> {};

TEST_P(HeaderNumber, ReadsTheLeadingDecimalNumber) {
    const auto& c = GetParam();
    const std::string block = "HTTP/1.1 200 OK\r\nAlbum-RetCode:" + c.value + "\r\nX: 1\r\n";
    uint32_t n = 0xdeadbeef;
    EXPECT_EQ(GetHeaderNumber(block, "Album-RetCode", n), c.bOk) << "value '" << c.value << "'";
    EXPECT_EQ(n, c.nValue) << "value '" << c.value << "'";
}

INSTANTIATE_TEST_SUITE_P(
    Values, HeaderNumber,
    testing::Values(NumberCase{" 100", true, 100}, NumberCase{"100", true, 100}, NumberCase{" 0", true, 0},
                    NumberCase{"  100 \t", true, 100}, NumberCase{" 999", true, 999}, NumberCase{" 100abc", true, 100},
                    NumberCase{" 007", true, 7}, NumberCase{" abc", false, 0}, NumberCase{"", false, 0},
                    NumberCase{"   ", false, 0}, NumberCase{" -1", false, 0}, NumberCase{" +100", true, 100},
                    NumberCase{"+-100", false, 0}, NumberCase{" 4294967294", true, 4294967294u},
                    NumberCase{" 4294967295", false, 0}, NumberCase{" 99999999999999999999999", false, 0}));

TEST(HeaderNumber, AbsentHeaderGivesZero) {
    uint32_t n = 0xdeadbeef;
    EXPECT_FALSE(GetHeaderNumber(kAnswer, "Location", n));
    EXPECT_EQ(n, 0u);
}

TEST(HeaderNumber, EmptyNameLeavesTheOutputAlone) {
    uint32_t n = 0xdeadbeef;
    EXPECT_FALSE(GetHeaderNumber(kAnswer, "", n));
    EXPECT_EQ(n, 0xdeadbeefu);
}

}  // namespace
