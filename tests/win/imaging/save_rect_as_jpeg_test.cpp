#include "imaging/save_rect_as_jpeg.h"

#include <gtest/gtest.h>

#include "framework/gdi.h"
#include "framework/text.h"
#include "imaging/dib_capture.h"
#include "imaging_test_support.h"

#include <cstring>
#include <optional>

namespace {

// A DIB section holding a packed DIB's pixels, selected into a memory context: a drawing
// surface of any depth, as a display of that depth would give.
class CDibSurface {
public:
    explicit CDibSurface(const std::vector<std::uint8_t>& dib) {
        const auto* pInfo = reinterpret_cast<const BITMAPINFO*>(dib.data());
        const int nBits = pInfo->bmiHeader.biBitCount;
        const std::size_t nOffset = 40 + 4 * (nBits <= 8 ? std::size_t{1} << nBits : 0);
        void* pBits = nullptr;
        m_bmp.Reset(CreateDIBSection(nullptr, pInfo, DIB_RGB_COLORS, &pBits, nullptr, 0));
        if (m_bmp) std::memcpy(pBits, dib.data() + nOffset, dib.size() - nOffset);
        m_dc.emplace(nullptr, m_bmp.Get());
    }
    CDibSurface(const CDibSurface&) = delete;
    CDibSurface& operator=(const CDibSurface&) = delete;
    HDC Dc() const { return m_dc->Get(); }
    HBITMAP Bitmap() const { return m_bmp.Get(); }

private:
    CScopedBitmap m_bmp;
    std::optional<CMemoryDC> m_dc;
};

RgbImage Crop(const RgbImage& image, const RECT& rc) {
    RgbImage out{rc.right - rc.left, rc.bottom - rc.top, {}};
    for (int y = rc.top; y < rc.bottom; ++y)
        for (int x = rc.left; x < rc.right; ++x)
            out.arrRgb.insert(out.arrRgb.end(), image.Pixel(x, y), image.Pixel(x, y) + 3);
    return out;
}

class SaveRectDepth : public ::testing::TestWithParam<int> {};

TEST_P(SaveRectDepth, RectangleComesOutPixelForPixel) {
    CScratchFolder folder;
    RgbImage expected;
    const CDibSurface surface(MakeDib(GetParam(), MakeTestPattern(120, 90), true, &expected));
    ASSERT_TRUE(surface.Bitmap());
    const RECT rc{16, 8, 16 + 77, 8 + 53};
    const std::string strPath = folder.File("rect.jpg");
    std::wstring strMessage;
    int nFailed = -1;
    ASSERT_TRUE(SaveRectAsJpeg(surface.Dc(), rc.left, rc.top, rc.right, rc.bottom, 90, AnsiToWide(strPath).c_str(),
                               &strMessage, &nFailed));
    EXPECT_EQ(nFailed, 0);
    EXPECT_EQ(strMessage, AnsiToWide(strPath + " created OK"));
    const auto frame = ReadJpegFrame(strPath);
    ASSERT_TRUE(frame);
    EXPECT_EQ(frame->nMarker, 0xC0);
    EXPECT_EQ(frame->nWidth, 77);
    EXPECT_EQ(frame->nHeight, 53);
    const auto decoded = DecodeWithDjpeg(strPath);
    ASSERT_TRUE(decoded);
    EXPECT_GE(Psnr(*decoded, Crop(expected, rc)), MinJpegPsnr(GetParam()));
}

INSTANTIATE_TEST_SUITE_P(BitCounts, SaveRectDepth, ::testing::Values(1, 4, 8, 16, 24, 32),
                         [](const auto& info) { return std::to_string(info.param) + "Bit"; });

TEST(SaveRectAsJpeg, ScreenCompatibleSurface) {
    // What the thumbnail maker and the preparation draw into: a bitmap compatible with a
    // window's context, at the display's depth.
    CScratchFolder folder;
    const CBackBuffer dc(CWindowDC(nullptr).Get(), 64, 48);
    ASSERT_TRUE(dc);
    const RECT rcAll{0, 0, 64, 48}, rcLeft{0, 0, 32, 48};
    CScopedBrush brRed(CreateSolidBrush(RGB(220, 30, 40)));
    FillRect(dc.Get(), &rcAll, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    FillRect(dc.Get(), &rcLeft, brRed.Get());
    const std::string strPath = folder.File("screen.jpg");
    ASSERT_TRUE(SaveRectAsJpeg(dc.Get(), 0, 0, 64, 48, 90, AnsiToWide(strPath).c_str()));
    const auto decoded = DecodeWithDjpeg(strPath);
    ASSERT_TRUE(decoded);
    const std::uint8_t* pRed = decoded->Pixel(8, 24);
    const std::uint8_t* pWhite = decoded->Pixel(56, 24);
    EXPECT_NEAR(pRed[0], 220, 8);
    EXPECT_NEAR(pRed[1], 30, 8);
    EXPECT_NEAR(pRed[2], 40, 8);
    EXPECT_GE(pWhite[0], 248);
    EXPECT_GE(pWhite[1], 248);
    EXPECT_GE(pWhite[2], 248);
}

TEST(SaveRectAsJpeg, RectangleWithoutAreaFails) {
    CScratchFolder folder;
    const CDibSurface surface(MakeDib(24, MakeTestPattern(16, 16), true, nullptr));
    std::wstring strMessage;
    int nFailed = -1;
    EXPECT_FALSE(
        SaveRectAsJpeg(surface.Dc(), 5, 5, 5, 10, 90, AnsiToWide(folder.File("e.jpg")).c_str(), &strMessage, &nFailed));
    EXPECT_EQ(nFailed, 1);
    EXPECT_EQ(strMessage, L". Could not create CBitmap from rectangle");
}

TEST(SaveRectAsJpeg, UnwritablePathFails) {
    CScratchFolder folder;
    const CDibSurface surface(MakeDib(24, MakeTestPattern(16, 16), true, nullptr));
    std::wstring strMessage;
    int nFailed = -1;
    EXPECT_FALSE(SaveRectAsJpeg(surface.Dc(), 0, 0, 16, 16, 90, AnsiToWide(folder.File("missing\\x.jpg")).c_str(),
                                &strMessage, &nFailed));
    EXPECT_EQ(nFailed, 1);
    EXPECT_EQ(strMessage, L". Could not create JPEG from CBitmap");
    // Neither out-parameter is needed.
    EXPECT_FALSE(SaveRectAsJpeg(surface.Dc(), 0, 0, 16, 16, 90, L""));
}

TEST(CaptureRectToBitmap, CopiesDevicePixelsWhateverTheMappingMode) {
    const CDibSurface surface(MakeDib(24, MakeTestPattern(40, 30), true, nullptr));
    SetMapMode(surface.Dc(), MM_LOMETRIC);
    CScopedBitmap bmp;
    ASSERT_TRUE(CaptureRectToBitmap(surface.Dc(), RECT{10, 5, 30, 25}, bmp));
    EXPECT_EQ(GetMapMode(surface.Dc()), MM_LOMETRIC) << "restored";
    BITMAP bm{};
    ASSERT_TRUE(GetObjectA(bmp.Get(), sizeof(bm), &bm));
    EXPECT_EQ(bm.bmWidth, 20);
    EXPECT_EQ(bm.bmHeight, 20);
    CScopedBitmap none;
    EXPECT_FALSE(CaptureRectToBitmap(surface.Dc(), RECT{10, 5, 5, 25}, none));
    EXPECT_FALSE(none);
}

TEST(BitmapToDib, KeepsTheBitmapsDepthAndTable) {
    RgbImage expected;
    const CDibSurface surface(MakeDib(8, MakeTestPattern(33, 7), true, &expected));
    const auto hPalette = static_cast<HPALETTE>(GetStockObject(DEFAULT_PALETTE));
    const CScopedGlobal hDib = BitmapToDib(surface.Bitmap(), BI_RGB, hPalette);
    ASSERT_TRUE(hDib);
    const auto* pInfo = static_cast<const BITMAPINFO*>(GlobalLock(hDib.Get()));
    EXPECT_EQ(pInfo->bmiHeader.biSize, 40u);
    EXPECT_EQ(pInfo->bmiHeader.biWidth, 33);
    EXPECT_EQ(pInfo->bmiHeader.biHeight, 7);
    EXPECT_EQ(pInfo->bmiHeader.biBitCount, 8);
    // Row 0 of the picture is the last stored row; its first pixel's entry has its colour.
    const auto* pRows = reinterpret_cast<const std::uint8_t*>(pInfo) + 40 + 256 * 4;
    const RGBQUAD& entry = pInfo->bmiColors[pRows[6 * 36]];
    EXPECT_EQ(entry.rgbRed, expected.Pixel(0, 0)[0]);
    EXPECT_EQ(entry.rgbGreen, expected.Pixel(0, 0)[1]);
    EXPECT_EQ(entry.rgbBlue, expected.Pixel(0, 0)[2]);
    GlobalUnlock(hDib.Get());
}

TEST(BitmapToDib, RefusesBitFieldsNoPaletteAndNoBitmap) {
    const CDibSurface surface(MakeDib(24, MakeTestPattern(8, 8), true, nullptr));
    const auto hPalette = static_cast<HPALETTE>(GetStockObject(DEFAULT_PALETTE));
    EXPECT_FALSE(BitmapToDib(surface.Bitmap(), BI_BITFIELDS, hPalette));
    EXPECT_FALSE(BitmapToDib(surface.Bitmap(), BI_RGB, nullptr));
    EXPECT_FALSE(BitmapToDib(nullptr, BI_RGB, hPalette));
}

}  // namespace
