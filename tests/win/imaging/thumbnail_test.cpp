#include "imaging/thumbnail.h"

#include <gtest/gtest.h>

#include "framework/text.h"
#include "imaging/jpeg_writer.h"
#include "imaging/load_picture.h"
#include "imaging_test_support.h"
#include "test_support.h"

namespace {

// The source reduced by plain averaging over the pixels each thumbnail pixel covers.
RgbImage BoxReduced(const RgbImage& src, int nWidth, int nHeight) {
    RgbImage out{nWidth, nHeight, std::vector<std::uint8_t>(static_cast<std::size_t>(nWidth) * nHeight * 3)};
    for (int y = 0; y < nHeight; ++y)
        for (int x = 0; x < nWidth; ++x) {
            const int x0 = x * src.nWidth / nWidth, x1 = (x + 1) * src.nWidth / nWidth;
            const int y0 = y * src.nHeight / nHeight, y1 = (y + 1) * src.nHeight / nHeight;
            for (int c = 0; c < 3; ++c) {
                long nSum = 0;
                for (int yy = y0; yy < y1; ++yy)
                    for (int xx = x0; xx < x1; ++xx) nSum += src.Pixel(xx, yy)[c];
                out.arrRgb[(static_cast<std::size_t>(y) * nWidth + x) * 3 + c] =
                    static_cast<std::uint8_t>(nSum / ((x1 - x0) * (y1 - y0)));
            }
        }
    return out;
}

class MakeThumbnailTest : public CPictureTest {};

TEST_F(MakeThumbnailTest, SmallPictureOfTheBoxShowingTheWholePicture) {
    // Through the writer itself, so the expected pixels are known exactly.
    const RgbImage source = MakeTestPattern(400, 300);
    const std::vector<std::uint8_t> dib = MakeDib(24, source, true, nullptr);
    const std::string strPath = m_folder.File("p.jpg");
    std::string strError;
    ASSERT_TRUE(WriteDibAsJpeg({dib.data(), dib.size()}, 95, AnsiToWide(strPath).c_str(), strError));
    const CComPtrT<IPicture> picture = LoadPicture(strPath, nullptr);
    ASSERT_TRUE(picture);

    const std::vector<std::string> arrTempBefore = ControlTempFiles();
    const CComPtrT<IPicture> thumb = MakeThumbnail(m_hdc, picture.Get(), 100, 75);
    ASSERT_TRUE(thumb);
    const SIZE size = PictureSizeInPixels(thumb.Get(), m_hdc);
    EXPECT_EQ(size.cx, 100);
    EXPECT_EQ(size.cy, 75);
    // Halftone stretching and two quality-90 round trips: 28 dB against a plain average is
    // a faithful small copy; upside down, mirrored or channel-swapped ones score below 15.
    const RgbImage shown = RenderPicture(thumb.Get(), 100, 75);
    EXPECT_GE(Psnr(shown, BoxReduced(source, 100, 75)), 28.0);
    EXPECT_LT(Psnr(shown, FlippedVertically(BoxReduced(source, 100, 75))), 20.0);
    EXPECT_EQ(ControlTempFiles(), arrTempBefore) << "the round-trip file is gone";
}

TEST_F(MakeThumbnailTest, NullOrEmptyInputGivesNoThumbnail) {
    const std::string strPath = m_folder.File("p.jpg");
    ASSERT_TRUE(WriteTestJpeg(strPath, 40, 30, JpegKind::Baseline));
    const CComPtrT<IPicture> picture = LoadPicture(strPath, nullptr);
    ASSERT_TRUE(picture);
    const std::vector<std::string> arrTempBefore = ControlTempFiles();
    EXPECT_FALSE(MakeThumbnail(nullptr, picture.Get(), 40, 30));
    EXPECT_FALSE(MakeThumbnail(m_hdc, nullptr, 40, 30));
    EXPECT_FALSE(MakeThumbnail(m_hdc, picture.Get(), 0, 30));
    EXPECT_EQ(ControlTempFiles(), arrTempBefore);
}

TEST_F(MakeThumbnailTest, OnePixelPictureFillsTheBox) {
    const std::string strPath = m_folder.File("one.jpg");
    ASSERT_TRUE(WriteTestJpeg(strPath, 1, 1, JpegKind::Baseline));
    const CComPtrT<IPicture> picture = LoadPicture(strPath, nullptr);
    ASSERT_TRUE(picture);
    const CComPtrT<IPicture> thumb = MakeThumbnail(m_hdc, picture.Get(), 100, 100);
    ASSERT_TRUE(thumb);
    EXPECT_EQ(PictureSizeInPixels(thumb.Get(), m_hdc).cx, 100);
    EXPECT_EQ(PictureSizeInPixels(thumb.Get(), m_hdc).cy, 100);
}

}  // namespace
