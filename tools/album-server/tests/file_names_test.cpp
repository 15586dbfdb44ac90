#include "file_names.h"

#include <gtest/gtest.h>

namespace {

struct NameCase {
    std::string input;
    std::optional<std::string> stored;
};

void PrintTo(const NameCase& c, std::ostream* os) { *os << testing::PrintToString(c.input); }

class SafePictureNames : public testing::TestWithParam<NameCase> {};

TEST_P(SafePictureNames, KeepsOnlyAPlainLastComponent) {
    EXPECT_EQ(SafePictureName(GetParam().input), GetParam().stored);
}

INSTANTIATE_TEST_SUITE_P(
    Names, SafePictureNames,
    testing::Values(NameCase{"img_01.jpg", "img_01.jpg"}, NameCase{"C:\\pics\\img_01.jpg", "img_01.jpg"},
                    NameCase{"../../etc/passwd", "passwd"}, NameCase{"..\\..\\x.gif", "x.gif"},
                    // "照片.jpg" and "乗.jpg" (whose second byte is 0x5C) stay whole.
                    NameCase{"\xd5\xd5\xc6\xac.jpg", "\xd5\xd5\xc6\xac.jpg"}, NameCase{"\x81\x5c.jpg", "\x81\x5c.jpg"},
                    NameCase{"dir\\\x81\x5c.jpg", "\x81\x5c.jpg"}, NameCase{"", std::nullopt},
                    NameCase{".", std::nullopt}, NameCase{"..", std::nullopt}, NameCase{"a/..", std::nullopt},
                    NameCase{".hidden.jpg", std::nullopt}, NameCase{"dir/", std::nullopt},
                    NameCase{"a:b.jpg", std::nullopt}, NameCase{"a*.jpg", std::nullopt},
                    NameCase{"a\r\nb.jpg", std::nullopt}, NameCase{std::string("a\0b.jpg", 7), std::nullopt},
                    NameCase{"\xd5.jpg", std::nullopt},   // lead byte without a valid trail byte
                    NameCase{"x.jpg\xd5", std::nullopt},  // lead byte at the end
                    NameCase{"\xff.jpg", std::nullopt}, NameCase{std::string(201, 'a'), std::nullopt},
                    NameCase{std::string(200, 'a'), std::string(200, 'a')}));

}  // namespace
