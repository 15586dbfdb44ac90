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

TEST(PictureKinds, NameAndFirstBytesTellTheKind) {
    const struct {
        std::string_view name;
        PictureKind kind;
    } names[] = {{"a.jpg", PictureKind::Jpeg},     {"a.JPEG", PictureKind::Jpeg},     {"a.Gif", PictureKind::Gif},
                 {"a.gif.jpg", PictureKind::Jpeg}, {"a.jpg.html", PictureKind::None}, {"a.png", PictureKind::None},
                 {"a.jpe", PictureKind::None},     {"jpg", PictureKind::None},        {"a.", PictureKind::None}};
    for (const auto& c : names) EXPECT_EQ(PictureKindOfName(c.name), c.kind) << c.name;
    const struct {
        std::string_view head;
        PictureKind kind;
    } heads[] = {{"\xff\xd8\xff\xe0", PictureKind::Jpeg},
                 {"GIF89a", PictureKind::Gif},
                 {"GIF87a", PictureKind::Gif},
                 {"\xff\xd8", PictureKind::None},
                 {"GIF", PictureKind::None},
                 {"<html>", PictureKind::None},
                 {"", PictureKind::None}};
    for (const auto& c : heads) EXPECT_EQ(PictureKindOfContent(c.head), c.kind) << testing::PrintToString(c.head);
}
