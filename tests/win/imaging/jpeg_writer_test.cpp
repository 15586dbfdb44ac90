#include "imaging/jpeg_writer.h"

#include "framework/gdi.h"
#include "framework/text.h"
#include "imaging_test_support.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <cstring>
#include <optional>
#include <utility>

// libjpeg-turbo's own answers to "will the SIMD code run here".
extern "C" int jsimd_can_rgb_ycc(void);
extern "C" int jsimd_can_fdct_islow(void);
extern "C" int jsimd_can_huff_encode_one_block(void);

namespace {

std::span<const std::uint8_t> Span(const std::vector<std::uint8_t>& v) { return {v.data(), v.size()}; }

RgbImage RedBlueSwapped(RgbImage image) {
    for (std::size_t i = 0; i < image.arrRgb.size(); i += 3) std::swap(image.arrRgb[i], image.arrRgb[i + 2]);
    return image;
}

struct DepthCase {
    int nBitCount;
    bool bBottomUp;
};

std::string CaseName(const ::testing::TestParamInfo<DepthCase>& info) {
    return std::to_string(info.param.nBitCount) + (info.param.bBottomUp ? "BitBottomUp" : "BitTopDown");
}

class JpegWriterDepth : public ::testing::TestWithParam<DepthCase> {};

TEST_P(JpegWriterDepth, WrittenFileDecodesCloseToItsSource) {
    const DepthCase& c = GetParam();
    CScratchFolder folder;
    // Odd sizes: partial bytes at the end of 1- and 4-bit rows, padding at every depth.
    RgbImage expected;
    const std::vector<std::uint8_t> dib = MakeDib(c.nBitCount, MakeTestPattern(97, 61), c.bBottomUp, &expected);
    const std::string strPath = folder.File("out.jpg");
    std::string strError = "not touched";
    ASSERT_TRUE(WriteDibAsJpeg(Span(dib), 90, AnsiToWide(strPath).c_str(), strError));
    EXPECT_EQ(strError, "");

    const auto frame = ReadJpegFrame(strPath);
    ASSERT_TRUE(frame);
    EXPECT_EQ(frame->nMarker, 0xC0) << "baseline";
    EXPECT_EQ(frame->nWidth, 97);
    EXPECT_EQ(frame->nHeight, 61);
    const auto decoded = DecodeWithDjpeg(strPath);
    ASSERT_TRUE(decoded);
    EXPECT_GE(Psnr(*decoded, expected), MinJpegPsnr(c.nBitCount));
    EXPECT_LT(Psnr(*decoded, FlippedVertically(expected)), kMaxWrongPsnr) << "the bound tells orientation apart";
    EXPECT_LT(Psnr(*decoded, RedBlueSwapped(expected)), kMaxWrongPsnr) << "and channel order";
}

INSTANTIATE_TEST_SUITE_P(BitCounts, JpegWriterDepth,
                         ::testing::Values(DepthCase{1, true}, DepthCase{4, true}, DepthCase{8, true},
                                           DepthCase{16, true}, DepthCase{24, true}, DepthCase{32, true},
                                           DepthCase{8, false}, DepthCase{24, false}, DepthCase{32, false}),
                         CaseName);

TEST(JpegWriter, OnePixelAndThreePixelRows) {
    // Rows of one colour each that drift slowly downwards: chroma subsampling costs little,
    // and 3 pixels of 24 bits (9 bytes stored in 12) show whether the stride is right.
    CScratchFolder folder;
    for (const int nWidth : {1, 3}) {
        RgbImage source{nWidth, 5, {}};
        for (int y = 0; y < 5; ++y)
            for (int x = 0; x < nWidth; ++x)
                source.arrRgb.insert(source.arrRgb.end(),
                                     {static_cast<std::uint8_t>(100 + 6 * y), static_cast<std::uint8_t>(50 + 4 * y),
                                      static_cast<std::uint8_t>(200 - 6 * y)});
        RgbImage expected;
        const std::vector<std::uint8_t> dib = MakeDib(24, source, true, &expected);
        const std::string strPath = folder.File("w" + std::to_string(nWidth) + ".jpg");
        std::string strError;
        ASSERT_TRUE(WriteDibAsJpeg(Span(dib), 90, AnsiToWide(strPath).c_str(), strError)) << strError;
        const auto decoded = DecodeWithDjpeg(strPath);
        ASSERT_TRUE(decoded);
        EXPECT_EQ(decoded->nWidth, nWidth);
        EXPECT_EQ(decoded->nHeight, 5);
        EXPECT_GE(Psnr(*decoded, expected), MinJpegPsnr(24));
    }
}

TEST(JpegWriter, QualityOutsideZeroToHundredOpensNoFile) {
    CScratchFolder folder;
    const std::vector<std::uint8_t> dib = MakeDib(24, MakeTestPattern(8, 8), true, nullptr);
    for (const int nQuality : {-1, 101}) {
        const std::string strPath = folder.File("q.jpg");
        std::string strError;
        EXPECT_FALSE(WriteDibAsJpeg(Span(dib), nQuality, AnsiToWide(strPath).c_str(), strError));
        EXPECT_EQ(strError, "Invalid input data");
        EXPECT_EQ(GetFileAttributesA(strPath.c_str()), INVALID_FILE_ATTRIBUTES);
    }
}

TEST(JpegWriter, MissingInputOrPathIsInvalidInput) {
    const std::vector<std::uint8_t> dib = MakeDib(24, MakeTestPattern(8, 8), true, nullptr);
    std::string strError;
    EXPECT_FALSE(WriteDibAsJpeg(Span(dib), 90, L"", strError));
    EXPECT_EQ(strError, "Invalid input data");
    strError.clear();
    EXPECT_FALSE(WriteDibAsJpeg(Span(dib), 90, nullptr, strError));
    EXPECT_EQ(strError, "Invalid input data");
    strError.clear();
    EXPECT_FALSE(WriteDibAsJpeg({}, 90, L"C:\\x.jpg", strError));
    EXPECT_EQ(strError, "Invalid input data");
}

TEST(JpegWriter, FolderThatDoesNotExistCannotBeOpened) {
    CScratchFolder folder;
    const std::vector<std::uint8_t> dib = MakeDib(24, MakeTestPattern(8, 8), true, nullptr);
    const std::string strPath = folder.File("no such folder\\x.jpg");
    std::string strError;
    EXPECT_FALSE(WriteDibAsJpeg(Span(dib), 90, AnsiToWide(strPath).c_str(), strError));
    EXPECT_EQ(strError, "Cannot open " + strPath);
}

TEST(JpegWriter, UnknownBitCountIsReported) {
    CScratchFolder folder;
    std::vector<std::uint8_t> dib = MakeDib(8, MakeTestPattern(8, 8), true, nullptr);
    dib[14] = 2;  // biBitCount
    std::string strError;
    EXPECT_FALSE(WriteDibAsJpeg(Span(dib), 90, AnsiToWide(folder.File("b.jpg")).c_str(), strError));
    EXPECT_EQ(strError, "Invalid bitmap bit count");
}

TEST(JpegWriter, FatalLibraryErrorComesBackAsText) {
    // Wider than JPEG allows: libjpeg gives up inside jpeg_start_compress, and the writer
    // must come back with its message instead of ending the process.
    CScratchFolder folder;
    const std::vector<std::uint8_t> dib = MakeDib(24, MakeTestPattern(70000, 1), true, nullptr);
    std::string strError;
    EXPECT_FALSE(WriteDibAsJpeg(Span(dib), 90, AnsiToWide(folder.File("wide.jpg")).c_str(), strError));
    EXPECT_NE(strError.find("65500"), std::string::npos) << strError;
    // And the next write works as ever.
    const std::vector<std::uint8_t> small = MakeDib(24, MakeTestPattern(8, 8), true, nullptr);
    EXPECT_TRUE(WriteDibAsJpeg(Span(small), 90, AnsiToWide(folder.File("ok.jpg")).c_str(), strError));
}

TEST(JpegWriter, LibjpegSimdRunsHere) {
    // The set-up script builds libjpeg-turbo with nasm; without it compression is about
    // 4.5 times slower and nothing else would say so.
    EXPECT_TRUE(jsimd_can_rgb_ycc());
    EXPECT_TRUE(jsimd_can_fdct_islow());
    EXPECT_TRUE(jsimd_can_huff_encode_one_block());
}

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
