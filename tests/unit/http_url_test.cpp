#include "transport/http_url.h"

#include <gtest/gtest.h>

namespace {

struct ParseCase {
    const char* url;
    bool bOk;
    const char* host = "";
    uint16_t nPort = 0;
    const char* object = "";
    const char* user = "";
    const char* password = "";
};

void PrintTo(const ParseCase& c, std::ostream* os) { *os << testing::PrintToString(std::string(c.url)); }

class HttpUrlParse : public testing::TestWithParam<ParseCase> {};

TEST_P(HttpUrlParse, SplitsHostPortAndObject) {
    const auto& c = GetParam();
    const auto url = CHttpUrl::Parse(c.url);
    ASSERT_EQ(url.has_value(), c.bOk) << c.url;
    if (!url) return;
    EXPECT_EQ(url->Host(), c.host);
    EXPECT_EQ(url->Port(), c.nPort);
    EXPECT_EQ(url->Object(), c.object);
    EXPECT_EQ(url->User(), c.user);
    EXPECT_EQ(url->Password(), c.password);
    // What it prints splits again into the same pieces.
    const auto again = CHttpUrl::Parse(url->ToString());
    ASSERT_TRUE(again.has_value()) << url->ToString();
    EXPECT_EQ(again->ToString(), url->ToString());
}

INSTANTIATE_TEST_SUITE_P(
    Urls, HttpUrlParse,
    testing::Values(
        ParseCase{"http://127.0.0.1:8080/cgi-bin/upload", true, "127.0.0.1", 8080, "/cgi-bin/upload"},
        ParseCase{"http://photo.example/upload.cgi?x=1&y=2", true, "photo.example", 80, "/upload.cgi?x=1&y=2"},
        ParseCase{"HTTP://Host", true, "Host", 80, "/"}, ParseCase{"http://host?q", true, "host", 80, "/?q"},
        ParseCase{"http://host/a#frag", true, "host", 80, "/a"}, ParseCase{"http://host:/a", true, "host", 80, "/a"},
        ParseCase{"http://u:p@host:81/a", true, "host", 81, "/a", "u", "p"},
        ParseCase{"http://u@host/", true, "host", 80, "/", "u", ""},
        ParseCase{"http://[::1]:8080/x", true, "[::1]", 8080, "/x"},
        ParseCase{"  http://host/a  ", true, "host", 80, "/a"},
        ParseCase{"http://host/\xc9\xcf\xb4\xab", true, "host", 80, "/\xc9\xcf\xb4\xab"},
        ParseCase{"https://host/", true, "host", 443, "/"}, ParseCase{"HTTPS://h:8443/a?b", true, "h", 8443, "/a?b"},
        ParseCase{"https://", false}, ParseCase{"httpss://host/", false}, ParseCase{"ftp://host/", false},
        ParseCase{"host/upload", false}, ParseCase{"http://", false}, ParseCase{"http:///a", false},
        ParseCase{"http://host:0/", false}, ParseCase{"http://host:65536/", false}, ParseCase{"http://host:8x/", false},
        ParseCase{"http://ho st/", false},
        // Spaces in the object go out encoded; control bytes are refused anywhere.
        ParseCase{"http://host/cgi bin/up load.cgi?name=a b", true, "host", 80, "/cgi%20bin/up%20load.cgi?name=a%20b"},
        ParseCase{"http://host?a b", true, "host", 80, "/?a%20b"},
        ParseCase{"http://host/a%20b c", true, "host", 80, "/a%20b%20c"},
        ParseCase{"http://u s:p q@host/", true, "host", 80, "/", "u s", "p q"}, ParseCase{"http://host/a\tb", false},
        ParseCase{"http://host/a\r\nX: 1", false}, ParseCase{"http://host/\x7f", false},
        ParseCase{"http://host /", false}, ParseCase{"http://h%41st/", false}, ParseCase{"http://[::1/", false},
        ParseCase{"", false}));

struct ResolveCase {
    const char* base;
    const char* location;
    const char* result;  // "" when the redirect cannot be followed
};

void PrintTo(const ResolveCase& c, std::ostream* os) { *os << testing::PrintToString(std::string(c.location)); }

class HttpUrlResolve : public testing::TestWithParam<ResolveCase> {};

TEST_P(HttpUrlResolve, ResolvesTheLocationAgainstTheCurrentAddress) {
    const auto& c = GetParam();
    const auto base = CHttpUrl::Parse(c.base);
    ASSERT_TRUE(base.has_value());
    const auto resolved = base->Resolve(c.location);
    EXPECT_EQ(resolved ? resolved->ToString() : std::string(), c.result) << c.location;
}

INSTANTIATE_TEST_SUITE_P(Locations, HttpUrlResolve,
                         testing::Values(ResolveCase{"http://a:81/b/c?q", "http://x/y", "http://x/y"},
                                         ResolveCase{"http://a:81/b/c?q", "//x:82/y", "http://x:82/y"},
                                         ResolveCase{"http://a:81/b/c?q", "/y/z", "http://a:81/y/z"},
                                         ResolveCase{"http://a:81/b/c?q", "d", "http://a:81/b/d"},
                                         ResolveCase{"http://a:81/b/c?q", "../d?r", "http://a:81/d?r"},
                                         ResolveCase{"http://a:81/b/c?q", "../../../d", "http://a:81/d"},
                                         ResolveCase{"http://a:81/b/c?q", "./", "http://a:81/b/"},
                                         ResolveCase{"http://a:81/b/c?q", "?r", "http://a:81/b/c?r"},
                                         ResolveCase{"http://a:81/b/c?q", "#f", "http://a:81/b/c?q"},
                                         ResolveCase{"http://a:81/b/c?q", "/x/./y/../z", "http://a:81/x/z"},
                                         ResolveCase{"http://u:p@a/b", "c", "http://u:p@a/c"},
                                         ResolveCase{"http://a/b", "https://a/b", "https://a/b"},
                                         ResolveCase{"https://a:8443/b", "//c/d", "https://c/d"},
                                         ResolveCase{"https://a:8443/b", "/d", "https://a:8443/d"},
                                         ResolveCase{"https://a/b", "http://a:443/b", "http://a:443/b"},
                                         ResolveCase{"http://a/b", "ftp://a/b", ""},
                                         ResolveCase{"http://a/b", "mailto:x@y", ""}, ResolveCase{"http://a/b", "", ""},
                                         ResolveCase{"http://a:81/b/c?q", "d e?f g", "http://a:81/b/d%20e?f%20g"},
                                         ResolveCase{"http://a/b", "http://x/y z", "http://x/y%20z"},
                                         ResolveCase{"http://a/b", "/a\r\nb", ""}));

}  // namespace
