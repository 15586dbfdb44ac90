// The looping logic the player's thread drives: holds, restarts, damaged and cut files.
#include "imaging/gif_animation.h"

#include <gtest/gtest.h>

#include "gif_test_support.h"
#include "tests/unit/gif_writer.h"
#include "tests/win/test_support.h"

namespace {
using namespace gif_test;

const std::vector<uint32_t> kColours = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF};
}  // namespace

TEST(GifAnimation, HoldsFramesForTheirDelaysAndZeroFor50Ms) {
    const auto file =
        BuildGif(4, 4, kColours, {SolidFrame(4, 4, 0, 0), SolidFrame(4, 4, 1, 25), SolidFrame(4, 4, 2, 8)});
    CGifAnimation animation;
    ASSERT_EQ(animation.Open(file, 0x123456), GifError::None);
    const int expected[] = {50, 250, 80, 50, 250};
    for (int i = 0; i < 5; ++i) {
        const GifStep step = animation.Step();
        EXPECT_TRUE(step.bFrame);
        EXPECT_FALSE(step.bDamaged);
        EXPECT_EQ(step.nHoldMs, expected[i]) << "step " << i;
        EXPECT_EQ(animation.FrameIndex(), i % 3);
    }
    EXPECT_EQ(animation.FramesShown(), 5u);
}

TEST(GifAnimation, LoopStartsOnAFreshCanvas) {
    // Frame 1 covers the left half, frame 2 the right half; the second loop's first frame
    // must not show the first loop's right half.
    GifFrameSpec left = SolidFrame(2, 2, 0, 5);
    GifFrameSpec right = SolidFrame(2, 2, 1, 5);
    right.nLeft = 2;
    const auto file = BuildGif(4, 2, kColours, {left, right});
    CGifAnimation animation;
    ASSERT_EQ(animation.Open(file, 0x123456), GifError::None);
    animation.Step();
    animation.Step();
    EXPECT_EQ(animation.Canvas().Pixel(3, 0), 0x00FF00u);
    animation.Step();
    EXPECT_EQ(animation.Canvas().Pixel(0, 0), 0xFF0000u);
    EXPECT_EQ(animation.Canvas().Pixel(3, 0), 0x123456u);
}

TEST(GifAnimation, RefusedFrameIsReportedAndSkipped) {
    GifFrameSpec bad = SolidFrame(4, 4, 1, 5);
    bad.nMinCodeSize = 12;
    const auto file = BuildGif(4, 4, kColours, {SolidFrame(4, 4, 0, 5), bad, SolidFrame(4, 4, 2, 5)});
    CGifAnimation animation;
    ASSERT_EQ(animation.Open(file, 0), GifError::None);
    EXPECT_FALSE(animation.Step().bDamaged);
    const GifStep step = animation.Step();
    EXPECT_TRUE(step.bDamaged);
    EXPECT_TRUE(step.bFrame);
    EXPECT_EQ(animation.Canvas().Pixel(0, 0), 0x0000FFu);
}

TEST(GifAnimation, FileWithoutImagesIdlesForever) {
    const auto file = BuildGif(4, 4, kColours, {});
    CGifAnimation animation;
    ASSERT_EQ(animation.Open(file, 0), GifError::None);
    for (int i = 0; i < 3; ++i) {
        const GifStep step = animation.Step();
        EXPECT_FALSE(step.bFrame);
        EXPECT_EQ(step.nHoldMs, -1);
    }
}

TEST(GifAnimation, RefusesWhatCanNeverShow) {
    CGifAnimation animation;
    EXPECT_EQ(animation.Open(BuildGif(0, 4, kColours, {}), 0), GifError::NotGif);
    EXPECT_EQ(animation.Open(BuildGif(65535, 65535, kColours, {}), 0), GifError::TooLarge);
    auto file = BuildGif(4, 4, kColours, {SolidFrame(4, 4, 0, 5)});
    file[5] = 'b';
    EXPECT_EQ(animation.Open(file, 0), GifError::NotGif);
    EXPECT_FALSE(animation.IsOpen());
    EXPECT_FALSE(animation.Step().bFrame);
}

TEST(GifAnimation, UploadGifCutShortStepsWithoutHanging) {
    const auto whole = ReadBytes(UploadGifPath());
    ASSERT_GT(whole.size(), 100u);
    CGifAnimation animation;
    // Every offset through the header, the tables and the first frame, then a spread over
    // the rest (the decoder's own tests cut at every byte).
    for (size_t nCut = 0; nCut <= whole.size(); nCut += nCut < 1200 ? 1 : 61) {
        const std::span<const uint8_t> part(whole.data(), nCut);
        if (animation.Open(part, 0) != GifError::None) continue;
        // Two passes at most: every step ends, and a cut file loops over what it has.
        for (int i = 0; i < 14; ++i) {
            const GifStep step = animation.Step();
            ASSERT_TRUE(step.bFrame || step.nHoldMs == -1) << "cut at " << nCut;
            if (!step.bFrame) break;
            ASSERT_LT(animation.FrameIndex(), 12);
        }
    }
}
