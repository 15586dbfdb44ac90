#include "imaging/prepare_picture.h"

#include <gtest/gtest.h>

#include "imaging_test_support.h"
#include "test_support.h"
#include "tests/unit/gif_writer.h"

namespace {

constexpr int kLimitX = 800;
constexpr int kLimitY = 600;

struct SizeCase {
    int nWidth, nHeight;
    bool bReencoded;
    int nOutWidth, nOutHeight;
};

std::string CaseName(const ::testing::TestParamInfo<SizeCase>& info) {
    return std::to_string(info.param.nWidth) + "x" + std::to_string(info.param.nHeight);
}

class PreparePictureTest : public CPictureTest {};

class PreparePictureSize : public PreparePictureTest, public ::testing::WithParamInterface<SizeCase> {};

TEST_P(PreparePictureSize, JpegIsKeptOrScaledToTheLimits) {
    const SizeCase& c = GetParam();
    const std::string strPath = m_folder.File("p.jpg");
    ASSERT_TRUE(WriteTestJpeg(strPath, c.nWidth, c.nHeight, JpegKind::Baseline));
    const FileFingerprint before = Fingerprint(strPath);
    std::string strCopy;
    {
        const CPreparedUpload upload = PreparePicture(strPath, PictureType::Jpeg, kLimitX, kLimitY);
        EXPECT_EQ(upload.bWritten, c.bReencoded);
        EXPECT_EQ(upload.bKeptAsIs, !c.bReencoded);
        if (!c.bReencoded) {
            EXPECT_EQ(upload.strUploadPath, strPath);
            EXPECT_EQ(upload.nUploadSize, before.nSize);
            EXPECT_FALSE(upload.fileCopy);
        } else {
            strCopy = upload.strUploadPath;
            EXPECT_EQ(upload.fileCopy.GetPath(), strCopy);
            EXPECT_NE(strCopy, strPath);
            EXPECT_EQ(upload.nUploadSize, ReadBytes(strCopy).size());
            EXPECT_GT(upload.nUploadSize, 0u);
            const auto frame = ReadJpegFrame(strCopy);
            ASSERT_TRUE(frame);
            EXPECT_EQ(frame->nMarker, 0xC0);
            EXPECT_EQ(frame->nWidth, c.nOutWidth);
            EXPECT_EQ(frame->nHeight, c.nOutHeight);
        }
    }
    if (!strCopy.empty()) {
        EXPECT_EQ(GetFileAttributesA(strCopy.c_str()), INVALID_FILE_ATTRIBUTES) << "copy gone with its owner";
    }
    EXPECT_EQ(Fingerprint(strPath), before) << "the picture itself is only read";
}

INSTANTIATE_TEST_SUITE_P(Limits800x600, PreparePictureSize,
                         ::testing::Values(SizeCase{799, 599, false, 0, 0}, SizeCase{640, 480, false, 0, 0},
                                           SizeCase{800, 600, true, 800, 600}, SizeCase{800, 300, true, 800, 300},
                                           SizeCase{1600, 1200, true, 800, 600}, SizeCase{1000, 1000, true, 600, 600},
                                           SizeCase{1024, 768, true, 800, 600}, SizeCase{3000, 1000, true, 800, 266},
                                           SizeCase{1000, 3000, true, 200, 600}),
                         CaseName);

TEST_F(PreparePictureTest, ALimitOfZeroOrBelowLeavesItsSideUnlimited) {
    const std::string strPath = m_folder.File("big.jpg");
    ASSERT_TRUE(WriteTestJpeg(strPath, 1600, 1200, JpegKind::Baseline));
    struct {
        int nLimitX, nLimitY;
        bool bReencoded;
        int nOutWidth, nOutHeight;
    } const cases[] = {
        {0, 0, false, 0, 0}, {-1, -800, false, 0, 0}, {0, 600, true, 800, 600}, {400, -1, true, 400, 300}};
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.nLimitX << " x " << c.nLimitY);
        const CPreparedUpload upload = PreparePicture(strPath, PictureType::Jpeg, c.nLimitX, c.nLimitY);
        EXPECT_EQ(upload.bKeptAsIs, !c.bReencoded);
        if (!c.bReencoded) {
            EXPECT_EQ(upload.strUploadPath, strPath);
            continue;
        }
        const auto frame = ReadJpegFrame(upload.strUploadPath);
        ASSERT_TRUE(frame);
        EXPECT_EQ(frame->nWidth, c.nOutWidth);
        EXPECT_EQ(frame->nHeight, c.nOutHeight);
    }
}

TEST_F(PreparePictureTest, CopyShowsThePictureScaledOnWhite) {
    const std::string strPath = m_folder.File("big.jpg");
    // Four times the limits: decoded at half its size in the DCT, then halved on drawing.
    ASSERT_TRUE(WriteTestJpeg(strPath, 3200, 2400, JpegKind::Baseline, 95));
    const auto original = DecodeWithDjpeg(strPath);
    ASSERT_TRUE(original);
    const CPreparedUpload upload = PreparePicture(strPath, PictureType::Jpeg, kLimitX, kLimitY);
    ASSERT_TRUE(upload.bWritten);
    const auto copy = DecodeWithDjpeg(upload.strUploadPath);
    ASSERT_TRUE(copy);
    ASSERT_EQ(copy->nWidth, 800);
    // Every fourth pixel of the original against the copy: the same picture, the right way
    // up and in its own colours (a wrong one measures below 16 dB).
    RgbImage sampled{800, 600, {}};
    for (int y = 0; y < 600; ++y)
        for (int x = 0; x < 800; ++x)
            sampled.arrRgb.insert(sampled.arrRgb.end(), original->Pixel(4 * x + 1, 4 * y + 1),
                                  original->Pixel(4 * x + 1, 4 * y + 1) + 3);
    EXPECT_GE(Psnr(*copy, sampled), 30.0);
}

TEST_F(PreparePictureTest, GifIsAlwaysItsOwnFile) {
    const std::string strPath = m_folder.File("small.gif");
    ASSERT_TRUE(WriteBytes(strPath, kSmallGif.data(), kSmallGif.size()));
    // Even with limits it exceeds.
    const CPreparedUpload upload = PreparePicture(strPath, PictureType::Gif, 2, 2);
    EXPECT_FALSE(upload.bWritten);
    EXPECT_TRUE(upload.bKeptAsIs);
    EXPECT_EQ(upload.strUploadPath, strPath);
    EXPECT_EQ(upload.nUploadSize, kSmallGif.size());
}

TEST_F(PreparePictureTest, AGifUnderAJpegNameFollowsTheJpegRulesBySize) {
    // 1000 × 750, left half red and right half blue, saved as a GIF under a JPEG's name: the
    // name picks the rule, the system's decoder reads what the file holds.
    gif_test::CGifWriter writer(1000, 750, {0xFF0000, 0x0000FF});
    gif_test::CGifWriter::CImage image;
    image.nWidth = 1000;
    image.nHeight = 750;
    for (int y = 0; y < 750; ++y)
        for (int x = 0; x < 1000; ++x) image.arrPixels.push_back(x < 500 ? 0 : 1);
    image.lzw.nMinCodeSize = 2;
    writer.Image(image);
    writer.Trailer();
    const std::string strPath = m_folder.File("drawing.jpg");
    ASSERT_TRUE(WriteBytes(strPath, writer.Bytes().data(), writer.Bytes().size()));
    const FileFingerprint before = Fingerprint(strPath);

    const CPreparedUpload kept = PreparePicture(strPath, PictureType::Jpeg, 1600, 1200);
    EXPECT_TRUE(kept.bKeptAsIs);
    EXPECT_EQ(kept.strUploadPath, strPath);
    EXPECT_EQ(kept.nUploadSize, before.nSize);

    const CPreparedUpload copy = PreparePicture(strPath, PictureType::Jpeg, kLimitX, kLimitY);
    ASSERT_TRUE(copy.bWritten);
    EXPECT_FALSE(copy.bKeptAsIs);
    EXPECT_EQ(copy.nUploadSize, ReadBytes(copy.strUploadPath).size());
    const auto frame = ReadJpegFrame(copy.strUploadPath);
    ASSERT_TRUE(frame);
    EXPECT_EQ(frame->nMarker, 0xC0);
    EXPECT_EQ(frame->nWidth, 800);
    EXPECT_EQ(frame->nHeight, 600);
    const auto pixels = DecodeWithDjpeg(copy.strUploadPath);
    ASSERT_TRUE(pixels);
    const std::uint8_t* pLeft = pixels->Pixel(200, 300);
    const std::uint8_t* pRight = pixels->Pixel(600, 300);
    EXPECT_GT(pLeft[0], 200);
    EXPECT_LT(pLeft[2], 60);
    EXPECT_LT(pRight[0], 60);
    EXPECT_GT(pRight[2], 200);
    EXPECT_EQ(Fingerprint(strPath), before) << "the picture itself is only read";
}

TEST_F(PreparePictureTest, UndecodablePictureStaysUnprepared) {
    const std::vector<std::string> arrTempBefore = ControlTempFiles();
    const std::string strText = m_folder.File("text.jpg");
    ASSERT_TRUE(WriteBytes(strText, "hello", 5));
    const std::string strHuge = m_folder.File("huge.jpg");
    ASSERT_TRUE(WriteTestJpeg(strHuge, 20000, 20000, JpegKind::Grey, 20, true));
    for (const std::string& strPath : {strText, strHuge, m_folder.File("missing.jpg")}) {
        const CPreparedUpload upload = PreparePicture(strPath, PictureType::Jpeg, kLimitX, kLimitY);
        EXPECT_FALSE(upload.bWritten) << strPath;
        EXPECT_FALSE(upload.bKeptAsIs) << strPath;
        EXPECT_EQ(upload.strUploadPath, "") << strPath;
        EXPECT_EQ(upload.nUploadSize, 0u) << strPath;
    }
    EXPECT_EQ(ControlTempFiles(), arrTempBefore);
}

TEST_F(PreparePictureTest, CmykProgressiveAndOnePixelJpegs) {
    for (const JpegKind kind : {JpegKind::Cmyk, JpegKind::Progressive, JpegKind::Grey}) {
        const std::string strPath = m_folder.File("k.jpg");
        ASSERT_TRUE(WriteTestJpeg(strPath, 1200, 900, kind));
        const CPreparedUpload upload = PreparePicture(strPath, PictureType::Jpeg, kLimitX, kLimitY);
        // Whatever the system's decoder makes of it: prepared to the limits, or left unprepared.
        if (upload.bWritten) {
            const auto frame = ReadJpegFrame(upload.strUploadPath);
            ASSERT_TRUE(frame);
            EXPECT_EQ(frame->nWidth, 800);
            EXPECT_EQ(frame->nHeight, 600);
        } else {
            EXPECT_EQ(upload.nUploadSize, 0u);
        }
    }
    const std::string strOne = m_folder.File("one.jpg");
    ASSERT_TRUE(WriteTestJpeg(strOne, 1, 1, JpegKind::Baseline));
    const CPreparedUpload one = PreparePicture(strOne, PictureType::Jpeg, kLimitX, kLimitY);
    EXPECT_TRUE(one.bKeptAsIs);
    // Limits of 1 pixel: re-encoded, at 1 by 1.
    const CPreparedUpload tiny = PreparePicture(strOne, PictureType::Jpeg, 1, 1);
    ASSERT_TRUE(tiny.bWritten);
    const auto frame = ReadJpegFrame(tiny.strUploadPath);
    ASSERT_TRUE(frame);
    EXPECT_EQ(frame->nWidth, 1);
    EXPECT_EQ(frame->nHeight, 1);
}

}  // namespace
