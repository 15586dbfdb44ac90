#include "imaging/gif_canvas.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "gif_test_support.h"
#include "imaging/gif_decoder.h"

using namespace gif_test;

namespace {

constexpr uint32_t kBackdrop = 0x123456;

// Every canvas state of an animation, one per frame.
std::vector<std::vector<uint32_t>> ComposeAll(std::span<const uint8_t> file, int& nWidth, int& nHeight) {
    std::vector<std::vector<uint32_t>> states;
    CGifDecoder decoder;
    if (decoder.Open(file) != GifError::None) return states;
    nWidth = decoder.Width();
    nHeight = decoder.Height();
    CGifCanvas canvas;
    if (canvas.Create(nWidth, nHeight, kBackdrop) != GifError::None) return states;
    CGifFrame frame;
    while (decoder.DecodeNextFrame(frame) == GifError::None) {
        canvas.Compose(frame);
        states.emplace_back(canvas.Pixels().begin(), canvas.Pixels().end());
    }
    return states;
}

struct CCoalesceCase {
    std::string strName;
    std::string strArgs;
};

class GifCanvasCoalesce : public testing::TestWithParam<CCoalesceCase> {
protected:
    static void SetUpTestSuite() { s_pDir = std::make_unique<CScratchDir>(); }
    static void TearDownTestSuite() { s_pDir.reset(); }
    static std::unique_ptr<CScratchDir> s_pDir;
};
std::unique_ptr<CScratchDir> GifCanvasCoalesce::s_pDir;

// Disposal "background" restores what was under the frame here, as "previous" does.
std::string BackgroundAsPrevious(std::string strArgs) {
    for (size_t n = 0; (n = strArgs.find("-dispose Background", n)) != std::string::npos;)
        strArgs.replace(n, 19, "-dispose Previous");
    return strArgs;
}

// ImageMagick's own composition (-coalesce), each frame flattened on the backdrop colour,
// is the reference; it is made of the same frames with "background" disposal given as
// "previous" (ImageMagick clears to transparent for "background").
TEST_P(GifCanvasCoalesce, EveryStateMatchesImageMagick) {
    const CCoalesceCase& c = GetParam();
    const std::string strGif = s_pDir->File(c.strName + ".gif");
    const std::string strRefGif = s_pDir->File(c.strName + "-ref.gif");
    const std::string strRgb = s_pDir->File(c.strName + ".rgb");
    ASSERT_TRUE(RunConvert(c.strArgs, strGif));
    ASSERT_TRUE(RunConvert(BackgroundAsPrevious(c.strArgs), strRefGif));
    ASSERT_TRUE(RunConvert("'" + strRefGif + "' -coalesce -background '#123456' -alpha remove -alpha off -depth 8",
                           "rgb:" + strRgb));
    const std::vector<uint8_t> rgb = ReadFileBytes(strRgb);

    int nWidth = 0, nHeight = 0;
    const std::vector<std::vector<uint32_t>> states = ComposeAll(ReadFileBytes(strGif), nWidth, nHeight);
    const size_t nPixels = static_cast<size_t>(nWidth) * nHeight;
    ASSERT_FALSE(states.empty());
    ASSERT_EQ(rgb.size(), states.size() * nPixels * 3);
    for (size_t f = 0; f < states.size(); ++f)
        for (size_t i = 0; i < nPixels; ++i) {
            const uint8_t* p = &rgb[(f * nPixels + i) * 3];
            const uint32_t want = (uint32_t{p[0]} << 16) | (uint32_t{p[1]} << 8) | p[2];
            ASSERT_EQ(states[f][i], want) << "frame " << f << " x " << i % nWidth << " y " << i / nWidth;
        }
}

INSTANTIATE_TEST_SUITE_P(
    ImageMagick, GifCanvasCoalesce,
    testing::Values(
        CCoalesceCase{"EveryDisposal",
                      "-size 60x40 xc:white "
                      "-dispose None -delay 10 -page 60x40+0+0 \\( -size 20x20 xc:red \\) "
                      "-dispose Background -page 60x40+10+5 \\( -size 20x20 xc:green \\) "
                      "-dispose Previous -page 60x40+30+10 \\( -size 25x25 xc:blue \\) "
                      "-dispose Undefined -page 60x40+40+20 \\( -size 20x20 xc:yellow \\) "
                      "-dispose None -page 60x40+5+15 \\( -size 30x20 xc:purple \\) -loop 0"},
        CCoalesceCase{"TransparentOverBackground",
                      "-dispose Background \\( -size 50x40 xc:none -fill orange -draw 'circle 10 20 10 5' \\) "
                      "\\( -size 50x40 xc:none -fill orange -draw 'circle 25 20 25 5' \\) "
                      "\\( -size 50x40 xc:none -fill navy -draw 'circle 40 20 40 5' \\) -loop 0"},
        CCoalesceCase{"TransparentOverPrevious",
                      "\\( -size 40x30 xc:none -fill teal -draw 'rectangle 0 0 39 14' \\) "
                      "-dispose Previous -page +5+5 \\( -size 20x20 xc:none -fill red -draw 'circle 10 10 10 2' \\) "
                      "-page +15+8 \\( -size 20x20 xc:none -fill lime -draw 'circle 10 10 10 2' \\) "
                      "-dispose None -page +0+0 \\( -size 10x10 xc:gold \\) -loop 0"},
        CCoalesceCase{"TransparentKept",
                      "-dispose None \\( -size 30x30 xc:none -fill red -draw 'point 3 3' \\) "
                      "\\( -size 30x30 xc:none -fill blue -draw 'line 0 0 29 29' \\) "
                      "\\( -size 30x30 xc:none -fill green -draw 'line 29 0 0 29' \\)"}),
    [](const testing::TestParamInfo<CCoalesceCase>& info) { return info.param.strName; });

// A frame of one colour index over the whole given rectangle.
CGifFrame SolidFrame(int nLeft, int nTop, int nWidth, int nHeight, uint8_t nIndex, int nDisposal) {
    CGifFrame frame;
    frame.m_nLeft = nLeft;
    frame.m_nTop = nTop;
    frame.m_nWidth = nWidth;
    frame.m_nHeight = nHeight;
    frame.m_nStride = nWidth == 0 ? 0 : ((nWidth - 1) | 3) + 1;
    frame.m_nPixelBytes = static_cast<size_t>(frame.m_nStride) * nHeight;
    frame.m_arrPixels.assign(frame.m_nPixelBytes, nIndex);
    frame.m_nDecodedPixels = static_cast<size_t>(nWidth) * nHeight;
    frame.m_nColors = 4;
    frame.m_arrColors[0] = 0x000000;
    frame.m_arrColors[1] = 0xFF0000;
    frame.m_arrColors[2] = 0x00FF00;
    frame.m_arrColors[3] = 0x0000FF;
    frame.m_nDisposal = nDisposal;
    return frame;
}

TEST(GifCanvas, UndefinedDisposalsLeaveTheFrameInPlace) {
    for (int nDisposal : {kGifDisposeNone, kGifDisposeKeep, 16, 20, 24, 28}) {
        CGifCanvas canvas;
        ASSERT_EQ(canvas.Create(4, 4, kBackdrop), GifError::None);
        canvas.Compose(SolidFrame(0, 0, 2, 2, 1, nDisposal));
        canvas.Compose(SolidFrame(2, 2, 2, 2, 2, kGifDisposeNone));
        EXPECT_EQ(canvas.Pixel(0, 0), 0xFF0000u) << nDisposal;
        EXPECT_EQ(canvas.Pixel(3, 3), 0x00FF00u);
    }
}

TEST(GifCanvas, BackgroundDisposalRestoresWhatWasUnderTheFrame) {
    for (int nDisposal : {kGifDisposeBackground, kGifDisposePrevious}) {
        CGifCanvas canvas;
        ASSERT_EQ(canvas.Create(4, 4, kBackdrop), GifError::None);
        canvas.Compose(SolidFrame(0, 0, 4, 4, 1, kGifDisposeNone));
        canvas.Compose(SolidFrame(1, 1, 2, 2, 2, nDisposal));
        EXPECT_EQ(canvas.Pixel(1, 1), 0x00FF00u) << nDisposal;
        canvas.Compose(SolidFrame(3, 3, 1, 1, 3, kGifDisposeNone));
        EXPECT_EQ(canvas.Pixel(1, 1), 0xFF0000u) << nDisposal;
        EXPECT_EQ(canvas.Pixel(2, 2), 0xFF0000u) << nDisposal;
    }
}

// An empty frame still ends the previous frame's life: its disposal is applied.
TEST(GifCanvas, ZeroSizeFramesApplyThePreviousDisposal) {
    CGifCanvas canvas;
    ASSERT_EQ(canvas.Create(4, 4, kBackdrop), GifError::None);
    canvas.Compose(SolidFrame(0, 0, 4, 4, 1, kGifDisposeBackground));
    EXPECT_EQ(canvas.Pixel(1, 1), 0xFF0000u);
    canvas.Compose(SolidFrame(1, 1, 0, 0, 2, kGifDisposeNone));
    EXPECT_EQ(canvas.Pixel(1, 1), kBackdrop);
}

TEST(GifCanvas, BackdropIsWhatShowsAndWhatResetRestores) {
    CGifCanvas canvas;
    ASSERT_EQ(canvas.Create(2, 1, 0), GifError::None);
    EXPECT_FALSE(canvas.SetBackdrop(std::vector<uint32_t>{1, 2, 3}));
    ASSERT_TRUE(canvas.SetBackdrop(std::vector<uint32_t>{0xAAAAAA, 0xBBBBBB}));
    CGifFrame frame = SolidFrame(0, 0, 2, 1, 1, kGifDisposeBackground);
    frame.m_bTransparent = true;
    frame.m_nTransparentIndex = 0;
    frame.m_arrPixels[0] = 0;
    canvas.Compose(frame);
    EXPECT_EQ(canvas.Pixel(0, 0), 0xAAAAAAu);
    EXPECT_EQ(canvas.Pixel(1, 0), 0xFF0000u);
    canvas.Reset();
    EXPECT_EQ(canvas.Pixel(1, 0), 0xBBBBBBu);
    // Nothing pending after a reset: the next frame is drawn over the backdrop as it is.
    canvas.Compose(SolidFrame(0, 0, 1, 1, 3, kGifDisposeNone));
    EXPECT_EQ(canvas.Pixel(0, 0), 0x0000FFu);
    EXPECT_EQ(canvas.Pixel(1, 0), 0xBBBBBBu);
}

// A frame the decoder could not fill shows the canvas through the part it did not reach.
TEST(GifCanvas, ADamagedTransparentFrameShowsTheCanvasThroughItsHole) {
    CGifWriter writer(4, 2, {0x000000, 0xFFFFFF, 0xFF0000, 0x00FF00});
    writer.Control(1, 0, 3);
    writer.Descriptor(0, 0, 4, 2, 0);
    CBitPacker packer;
    for (auto [nCode, nBits] : {std::pair{4u, 3}, {1u, 3}, {2u, 3}, {5u, 3}}) packer.Put(nCode, nBits);
    writer.Raw({2});
    writer.SubBlocks(packer.Finish());
    writer.Trailer();

    CGifDecoder decoder;
    ASSERT_EQ(decoder.Open(writer.Bytes()), GifError::None);
    CGifFrame frame;
    ASSERT_EQ(decoder.DecodeNextFrame(frame), GifError::ShortData);
    CGifCanvas canvas;
    ASSERT_EQ(canvas.Create(4, 2, kBackdrop), GifError::None);
    canvas.Compose(frame);
    EXPECT_EQ(canvas.Pixel(0, 0), 0xFFFFFFu);
    EXPECT_EQ(canvas.Pixel(1, 0), 0xFF0000u);
    EXPECT_EQ(canvas.Pixel(2, 0), kBackdrop);
    EXPECT_EQ(canvas.Pixel(3, 1), kBackdrop);
}

TEST(GifCanvas, RefusedFramesDrawNothing) {
    CGifCanvas canvas;
    ASSERT_EQ(canvas.Create(4, 4, kBackdrop), GifError::None);
    CGifFrame frame = SolidFrame(0, 0, 4, 4, 1, kGifDisposeNone);
    frame.m_arrPixels.clear();  // what the decoder leaves for a frame it refused
    canvas.Compose(frame);
    EXPECT_EQ(canvas.Pixel(2, 2), kBackdrop);
}

}  // namespace
