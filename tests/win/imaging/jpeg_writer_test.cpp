#include "imaging/jpeg_writer.h"

#include <gtest/gtest.h>

#include <utility>

#include "imaging_test_support.h"
#include "framework/text.h"

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

}  // namespace
