#include "base/mbcs_text.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct NameCase {
    const char* pszName;
    std::string strPath;
    std::string strExpected;
};

class FileNamePartCases : public ::testing::TestWithParam<NameCase> {};

TEST_P(FileNamePartCases, PartAfterTheLastBackslash) {
    EXPECT_EQ(GetFileNamePart(GetParam().strPath, IsGbkLeadByte), GetParam().strExpected);
}

// "刓" is 0x84 0x5C in code page 936: its trail byte is a backslash.
INSTANTIATE_TEST_SUITE_P(
    Paths, FileNamePartCases,
    ::testing::Values(NameCase{"FullPath", "C:\\photos\\2004\\b.jpg", "b.jpg"},
                      NameCase{"NoBackslash", "b.jpg", "b.jpg"}, NameCase{"Empty", "", ""},
                      NameCase{"LoneBackslash", "\\", ""}, NameCase{"TrailingBackslash", "C:\\photos\\", ""},
                      NameCase{"ForwardSlashIsNoSeparator", "C:/photos/a.gif", "C:/photos/a.gif"},
                      NameCase{"ChineseName", "C:\\\xd5\xd5\xc6\xac\\\xcd\xbc.jpg", "\xcd\xbc.jpg"},
                      NameCase{"TrailByteBackslash", "C:\\a\\\x84\\x.jpg", "\x84\\x.jpg"},
                      NameCase{"TrailByteBackslashInFolder", "C:\\\x84\\\\y.gif", "y.gif"},
                      NameCase{"LoneLeadByteAtTheEnd", "C:\\a\\b\x84", "b\x84"}),
    [](const auto& info) { return std::string(info.param.pszName); });

TEST(FileNamePart, SingleByteCodePageSplitsAtEveryBackslash) {
    // In code page 1252 0xE9 is "é", a character of its own.
    auto noLeadBytes = [](unsigned char) { return false; };
    EXPECT_EQ(GetFileNamePart("C:\\caf\xe9\\x.jpg", noLeadBytes), "x.jpg");
    EXPECT_EQ(GetFileNamePart("C:\\caf\xe9\\x.jpg", IsGbkLeadByte), "caf\xe9\\x.jpg") << "read as GBK";
}

TEST(MbcsText, EndsWithBackslashOnlyForABackslashCharacter) {
    // "誠" is 0x90 0x5C in code page 936: a folder ending in it needs its separator.
    const struct {
        const char* pszPath;
        bool bEnds;
    } cases[] = {{"C:\\", true},           {"C:\\a\\", true}, {"C:\\a", false}, {"C:\\\x90\x5c", false},
                 {"C:\\\x90\x5c\\", true}, {"", false},       {"\x90", false},  {"\\", true}};
    for (const auto& c : cases) EXPECT_EQ(EndsWithBackslash(c.pszPath, IsGbkLeadByte), c.bEnds) << c.pszPath;
    EXPECT_TRUE(EndsWithBackslash("C:\\caf\x90\x5c", [](unsigned char) { return false; })) << "one-byte code page";
}

}  // namespace
