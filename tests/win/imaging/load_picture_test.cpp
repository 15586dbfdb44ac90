#include "imaging/load_picture.h"

#include <gtest/gtest.h>

#include "imaging_test_support.h"
#include "test_support.h"

namespace {

constexpr std::uint32_t kSentinel = 0xDEADBEEF;

class LoadPictureTest : public CPictureTest {};

TEST_F(LoadPictureTest, DecodesAndReportsTheFileSize) {
    const std::string strPath = m_folder.File("a.jpg");
    ASSERT_TRUE(WriteTestJpeg(strPath, 400, 300, JpegKind::Baseline));
    std::uint32_t nSize = kSentinel;
    const CComPtrT<IPicture> picture = LoadPicture(strPath, &nSize);
    ASSERT_TRUE(picture);
    EXPECT_EQ(nSize, ReadBytes(strPath).size());
    const SIZE size = PictureSizeInPixels(picture.Get(), m_hdc);
    EXPECT_EQ(size.cx, 400);
    EXPECT_EQ(size.cy, 300);
}

TEST_F(LoadPictureTest, GifLoads) {
    const std::string strPath = m_folder.File("small.gif");
    ASSERT_TRUE(WriteBytes(strPath, kSmallGif.data(), kSmallGif.size()));
    const CComPtrT<IPicture> picture = LoadPicture(strPath, nullptr);
    ASSERT_TRUE(picture);
    EXPECT_EQ(PictureSizeInPixels(picture.Get(), m_hdc).cx, 4);
    EXPECT_EQ(PictureSizeInPixels(picture.Get(), m_hdc).cy, 3);
}

TEST_F(LoadPictureTest, MissingFileLeavesTheSizeAlone) {
    std::uint32_t nSize = kSentinel;
    EXPECT_FALSE(LoadPicture(m_folder.File("none.jpg"), &nSize));
    EXPECT_EQ(nSize, kSentinel);
}

TEST_F(LoadPictureTest, UndecodableFilesStillReportTheirSize) {
    struct Case {
        const char* pszName;
        std::string strBytes;
    };
    const Case cases[] = {{"empty.jpg", ""},
                          {"text.jpg", "not a picture at all\r\n"},
                          {"half.jpg", std::string("\xFF\xD8\xFF\xE0\x00\x10JFIF", 10)},
                          {"noframe.gif", std::string(kGifWithoutFrame.begin(), kGifWithoutFrame.end())}};
    for (const Case& c : cases) {
        const std::string strPath = m_folder.File(c.pszName);
        ASSERT_TRUE(WriteBytes(strPath, c.strBytes.data(), c.strBytes.size()));
        std::uint32_t nSize = kSentinel;
        EXPECT_FALSE(LoadPicture(strPath, &nSize)) << c.pszName;
        EXPECT_EQ(nSize, c.strBytes.size()) << c.pszName;
    }
}

TEST_F(LoadPictureTest, PictureTooLargeToDecodeIsRefusedAtOnce) {
    // A real 20000 × 20000 JPEG (400 megapixels, 1.6 GB as a bitmap): the header says
    // enough, and the decoder is never asked.
    const std::string strPath = m_folder.File("huge.jpg");
    ASSERT_TRUE(WriteTestJpeg(strPath, 20000, 20000, JpegKind::Grey, 20, true));
    std::uint32_t nSize = kSentinel;
    const DWORD dwStart = GetTickCount();
    EXPECT_FALSE(LoadPicture(strPath, &nSize));
    EXPECT_LT(GetTickCount() - dwStart, 1000u);
    EXPECT_EQ(nSize, ReadBytes(strPath).size());
}

TEST_F(LoadPictureTest, ReleasedPictureTakesItsBitmapAlong) {
    // Thousands of thumbnails come and go with the folders: a bitmap left behind by each
    // one adds up to the whole address space.
    const std::string strPath = m_folder.File("own.jpg");
    ASSERT_TRUE(WriteTestJpeg(strPath, 100, 75, JpegKind::Baseline));
    CComPtrT<IPicture> picture = LoadPicture(strPath, nullptr);
    ASSERT_TRUE(picture);
    OLE_HANDLE hHandle = 0;
    ASSERT_EQ(picture->get_Handle(&hHandle), S_OK);
    const auto hBitmap = reinterpret_cast<HGDIOBJ>(static_cast<UINT_PTR>(hHandle));
    EXPECT_EQ(GetObjectType(hBitmap), static_cast<DWORD>(OBJ_BITMAP));
    picture.Release();
    EXPECT_EQ(GetObjectType(hBitmap), 0u);
}

TEST_F(LoadPictureTest, FileIsOnlyRead) {
    const std::string strPath = m_folder.File("r.jpg");
    ASSERT_TRUE(WriteTestJpeg(strPath, 64, 64, JpegKind::Progressive));
    const FileFingerprint before = Fingerprint(strPath);
    Sleep(20);
    ASSERT_TRUE(LoadPicture(strPath, nullptr));
    EXPECT_EQ(Fingerprint(strPath), before);
}

}  // namespace
