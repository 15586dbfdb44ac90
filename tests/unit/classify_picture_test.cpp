#include "imaging/classify_picture.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct ClassifyCase {
    const char* pszName;
    std::string strFile;
    PictureType nType;
};

class ClassifyPicture : public ::testing::TestWithParam<ClassifyCase> {};

TEST_P(ClassifyPicture, LastFourCharactersDecide) {
    EXPECT_EQ(ClassifyPictureFile(GetParam().strFile, IsGbkLeadByte), GetParam().nType);
}

INSTANTIATE_TEST_SUITE_P(
    Names, ClassifyPicture,
    ::testing::Values(
        ClassifyCase{"UpperJpg", "A.JPG", PictureType::Jpeg}, ClassifyCase{"Jpeg", "b.jpeg", PictureType::Jpeg},
        ClassifyCase{"MixedGif", "c.Gif", PictureType::Gif}, ClassifyCase{"Bmp", "d.bmp", PictureType::Bitmap},
        ClassifyCase{"MixedBmp", "e.BmP", PictureType::Bitmap},
        ClassifyCase{"UpperJpeg", "photo.JPEG", PictureType::Jpeg}, ClassifyCase{"Png", "e.png", PictureType::None},
        ClassifyCase{"Text", "f.txt", PictureType::None},
        ClassifyCase{"PictureNameWithOtherExtension", "notes.jpg.txt", PictureType::None},
        ClassifyCase{"BareThreeLetters", "jpg", PictureType::Jpeg},
        ClassifyCase{"BareFourLetters", "JPEG", PictureType::Jpeg}, ClassifyCase{"NoDot", "xgif", PictureType::Gif},
        ClassifyCase{"TrailingSpace", "x.gif ", PictureType::Gif},  // "gif " holds gif
        ClassifyCase{"Truncated", "a.jpe", PictureType::None}, ClassifyCase{"TwoLetters", "gi", PictureType::None},
        ClassifyCase{"Empty", "", PictureType::None},
        ClassifyCase{"FullPath", "C:\\My Pictures\\trip.jpg", PictureType::Jpeg},
        ClassifyCase{"FolderNameDoesNotCount", "C:\\gif\\readme", PictureType::None},
        ClassifyCase{"BmpWinsOverGif", "gbmp", PictureType::Bitmap},
        ClassifyCase{"GifWinsOverJpg", "x.gif", PictureType::Gif},
        // Code page 936 names: 照片.jpg, 图gif (a character and three letters).
        ClassifyCase{"ChineseJpg", "\xd5\xd5\xc6\xac.jpg", PictureType::Jpeg},
        ClassifyCase{"ChineseThenGif", "\xcd\xbcgif", PictureType::Gif},
        // 0x81 0x6A is one character whose trail byte is 'j': it is no letter j.
        ClassifyCase{"TrailByteIsNoLetter", "a\x81jpg", PictureType::None},
        ClassifyCase{"TrailByteUpperIsNoLetter", "a\x81GIF", PictureType::None},
        // Four double-byte characters push ".jpg" out of the last four characters.
        ClassifyCase{"FourWideCharactersLast", "a.jpg\xd5\xd5\xc6\xac\xcd\xbc\xd5\xd5", PictureType::None},
        ClassifyCase{"LoneLeadByteAtTheEnd", "a.gif\x81", PictureType::Gif}),
    [](const auto& info) { return std::string(info.param.pszName); });

TEST(ClassifyPictureCodePage, SingleByteCodePageTakesTheLastFourBytes) {
    auto noLeadBytes = [](unsigned char) { return false; };
    EXPECT_EQ(ClassifyPictureFile("a\x81jpg", noLeadBytes), PictureType::Jpeg);
}

TEST(ClassifyPictureCodePage, TypeValuesAreThoseStoredInItems) {
    EXPECT_EQ(static_cast<int>(PictureType::None), 0);
    EXPECT_EQ(static_cast<int>(PictureType::Bitmap), 1);
    EXPECT_EQ(static_cast<int>(PictureType::Gif), 2);
    EXPECT_EQ(static_cast<int>(PictureType::Jpeg), 3);
}

}  // namespace
