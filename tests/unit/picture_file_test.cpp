#include "imaging/picture_file.h"

#include "pixel_geometry_print.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

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

TEST(SniffPicture, FirstBytesTellJpegAndGifFromEverythingElse) {
    const struct {
        std::vector<std::uint8_t> bytes;
        PictureType nType;
    } cases[] = {
        {{0xFF, 0xD8, 0xFF, 0xE0}, PictureType::Jpeg},
        {{0xFF, 0xD8, 0xFF}, PictureType::Jpeg},
        {{0xFF, 0xD8, 0x00, 0xFF}, PictureType::None},  // no marker after the start of image
        {{'G', 'I', 'F', '8', '9', 'a'}, PictureType::Gif},
        {{'G', 'I', 'F', '8'}, PictureType::Gif},
        {{'G', 'I', 'F', '9'}, PictureType::None},
        {{0xD7, 0xCD, 0xC6, 0x9A}, PictureType::None},  // placeable metafile
        {{0x01, 0x00, 0x00, 0x00, ' ', 'E', 'M', 'F'}, PictureType::None},
        {{0x00, 0x00, 0x01, 0x00}, PictureType::None},  // icon
        {{'B', 'M', 0, 0}, PictureType::None},
        {{0x89, 'P', 'N', 'G'}, PictureType::None},
        {{0xFF, 0xD8}, PictureType::None},
        {{}, PictureType::None},
    };
    for (const auto& c : cases) EXPECT_EQ(SniffPictureType(c.bytes), c.nType) << testing::PrintToString(c.bytes);
}

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

using Bytes = std::vector<std::uint8_t>;

std::optional<PixelSize> Read(const Bytes& b) { return ReadPictureDimensions({b.data(), b.size()}); }

// SOI, an APP0 segment, a quantisation table stub, then a frame header of the given marker.
Bytes Jpeg(std::uint8_t nSofMarker, unsigned nWidth, unsigned nHeight) {
    Bytes b = {0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x10, 'J', 'F',  'I',  'F',  0,    1,    1,
               0,    0,    1,    0,    1,    0,    0,   0xFF, 0xDB, 0x00, 0x04, 0x00, 0x01};
    const Bytes sof = {0xFF,
                       nSofMarker,
                       0x00,
                       0x0B,
                       0x08,
                       static_cast<std::uint8_t>(nHeight >> 8),
                       static_cast<std::uint8_t>(nHeight),
                       static_cast<std::uint8_t>(nWidth >> 8),
                       static_cast<std::uint8_t>(nWidth),
                       0x01,
                       0x01,
                       0x11,
                       0x00};
    b.insert(b.end(), sof.begin(), sof.end());
    return b;
}

TEST(PictureDimensions, JpegFrameHeaderOfEveryCodingKind) {
    for (const std::uint8_t m : {0xC0, 0xC1, 0xC2, 0xC3, 0xC9, 0xCA, 0xCB, 0xCD, 0xCE, 0xCF})
        EXPECT_EQ(Read(Jpeg(m, 20000, 15000)), (PixelSize{20000, 15000})) << int{m};
}

TEST(PictureDimensions, JpegTablesAreNotFrames) {
    // DHT (C4), JPG (C8) and DAC (CC) sit in the same range but carry no size.
    Bytes b = Jpeg(0xC4, 1, 1);
    const Bytes frame = Jpeg(0xC0, 640, 480);
    b.insert(b.end(), frame.begin() + 26, frame.end());
    EXPECT_EQ(Read(b), (PixelSize{640, 480}));
}

TEST(PictureDimensions, JpegFillBytesAndStandaloneMarkersAreSkipped) {
    Bytes b = {0xFF, 0xD8, 0xFF, 0xFF, 0xFF, 0x01, 0xFF, 0xD0};
    const Bytes frame = Jpeg(0xC2, 3, 2);
    b.insert(b.end(), frame.begin() + 20, frame.end());
    EXPECT_EQ(Read(b), (PixelSize{3, 2}));
}

TEST(PictureDimensions, JpegThatEndsOrStartsItsScanFirstHasNoSize) {
    Bytes b = Jpeg(0xC0, 640, 480);
    b.resize(b.size() - 8);  // cut inside the frame header
    EXPECT_EQ(Read(b), std::nullopt);
    EXPECT_EQ(Read(Bytes{0xFF, 0xD8, 0xFF, 0xDA, 0x00, 0x02}), std::nullopt);
    EXPECT_EQ(Read(Bytes{0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x01}), std::nullopt) << "length below 2";
    EXPECT_EQ(Read(Bytes{0xFF, 0xD8, 0xFF, 0xE0, 0xFF, 0xFF, 0x00}), std::nullopt) << "segment past the end";
}

TEST(PictureDimensions, GifLogicalScreen) {
    const Bytes b = {'G', 'I', 'F', '8', '9', 'a', 0x20, 0x4E, 0x10, 0x27};
    EXPECT_EQ(Read(b), (PixelSize{20000, 10000}));
}

TEST(PictureDimensions, PngHeader) {
    Bytes b = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A, 0,    0,    0,    13,
               'I',  'H', 'D', 'R', 0,    0,    0x4E, 0x20, 0xFF, 0xFF, 0xFF, 0xFF};
    EXPECT_EQ(Read(b), (PixelSize{20000, 0x7FFFFFFF})) << "kept from turning negative";
}

TEST(PictureDimensions, BitmapHeadersOfBothKinds) {
    Bytes info(26, 0);
    info[0] = 'B';
    info[1] = 'M';
    info[14] = 40;
    info[18] = 0x80;  // width 128
    info[22] = 0xF6;  // height -10: top-down
    info[23] = info[24] = info[25] = 0xFF;
    EXPECT_EQ(Read(info), (PixelSize{128, 10}));
    Bytes core(26, 0);
    core[0] = 'B';
    core[1] = 'M';
    core[14] = 12;
    core[18] = 7;
    core[20] = 9;
    EXPECT_EQ(Read(core), (PixelSize{7, 9}));
}

TEST(PictureDimensions, OtherBytesHaveNoSize) {
    EXPECT_EQ(Read(Bytes{}), std::nullopt);
    const std::string strText = "just some text in a .jpg";
    EXPECT_EQ(Read(Bytes(strText.begin(), strText.end())), std::nullopt);
    EXPECT_EQ(Read(Bytes{'G', 'I', 'F', '8', '9', 'a', 1}), std::nullopt) << "too short";
}

TEST(PictureDimensions, DecodableUpTo64Megapixels) {
    EXPECT_TRUE(IsDecodableSize({8192, 8192}));
    EXPECT_TRUE(IsDecodableSize({4000, 3000}));
    EXPECT_FALSE(IsDecodableSize({8192, 8193}));
    EXPECT_FALSE(IsDecodableSize({20000, 20000}));
    EXPECT_FALSE(IsDecodableSize({65535, 65535}));
    EXPECT_TRUE(IsDecodableSize({0, 0}));
}

}  // namespace
