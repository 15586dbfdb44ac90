#include "control/site_lock.h"

#include <gtest/gtest.h>

namespace {

const char kList[] = "https://album.example.com https://*.example.com\n http://127.0.0.1:8080/";

TEST(SiteLock, PagesAgainstTheList) {
    const auto lock = CSiteLock::Parse(kList);
    ASSERT_TRUE(lock);
    struct Case {
        const char* url;
        bool bAllowed;
    } cases[] = {
        {"https://album.example.com/upload.html", true},
        {"https://ALBUM.Example.COM/", true},
        {"https://album.example.com:443/a?b#c", true},
        {"https://album.example.com", true},
        {"https://photos.example.com/x", true},  // the wildcard
        {"https://a.b.example.com/x", true},     // any depth below it
        {"https://example.com/", false},         // not the domain itself
        {"https://badexample.com/", false},      // a suffix that is not a label
        {"https://example.com.evil.net/", false},
        {"http://album.example.com/", false},        // scheme
        {"https://album.example.com:8443/", false},  // port
        {"http://127.0.0.1:8080/page", true},
        {"http://127.0.0.1/page", false},  // the default port is another
        {"https://127.0.0.1:8080/page", false},
        {"https://evil.net@album.example.com/", false},  // a user name in front
        {"https://album.example.com@evil.net/", false},
        {"https://evil.net\\@album.example.com/", false},  // a backslash ends the host
        {"https://evil.net/https://album.example.com/", false},
        {"https://evil.net/?u=https://album.example.com", false},
        {"https://album.example.com./", false},
        {"https://album%2eexample.com/", false},
        {"file:///C:/pages/upload.html", false},
        {"about:blank", false},
        {"", false},  // a page without an address
    };
    for (const Case& c : cases) EXPECT_EQ(lock->Allows(c.url), c.bAllowed) << c.url;
}

TEST(SiteLock, AnEmptyListAllowsEveryPageEvenOneWithoutAnAddress) {
    for (const char* list : {"", "  \n\t"}) {
        const auto lock = CSiteLock::Parse(list);
        ASSERT_TRUE(lock) << '"' << list << '"';
        EXPECT_TRUE(lock->IsEmpty());
        EXPECT_TRUE(lock->Allows(""));
        EXPECT_TRUE(lock->Allows("https://anywhere.net/"));
    }
}

TEST(SiteLock, EntriesThatAreNoOriginAreRefused) {
    for (const char* list :
         {"album.example.com", "ftp://album.example.com", "https://album.example.com/path", "https://", "https://*.",
          "https://a.*.example.com", "https://*example.com", "https://album.example.com:0",
          "https://album.example.com:99999", "https://album.example.com:8o", "https://user@album.example.com",
          "https://good.example.com bad"}) {
        EXPECT_FALSE(CSiteLock::Parse(list)) << list;
    }
}

}  // namespace
