#include "imaging/embedded_thumbnail.h"

#include <gtest/gtest.h>

#include <vector>

#include "pixel_geometry_print.h"

namespace {

constexpr std::uint32_t kBlack = 0x000000;
constexpr std::uint32_t kGrey = 0x808080;

// A thumbnail of sizeThumb filled with crFill, and dark bars of nBar rows above and below
// (bTopBottom) or nBar columns left and right.
std::vector<std::uint32_t> Thumbnail(PixelSize size, int nBar, bool bTopBottom, std::uint32_t crFill = kGrey) {
    std::vector<std::uint32_t> arr(static_cast<std::size_t>(size.cx) * size.cy, crFill);
    for (int y = 0; y < size.cy; ++y)
        for (int x = 0; x < size.cx; ++x) {
            const int n = bTopBottom ? y : x;
            const int nSide = bTopBottom ? size.cy : size.cx;
            if (n < nBar || n >= nSide - nBar) arr[static_cast<std::size_t>(y) * size.cx + x] = kBlack;
        }
    return arr;
}

TEST(EmbeddedThumbnail, AspectMatchesWithinAPixelAtTheThumbnailsSize) {
    EXPECT_TRUE(HasAspectWithinAPixel({160, 120}, {4000, 3000}));
    EXPECT_TRUE(HasAspectWithinAPixel({160, 107}, {3000, 2000}));  // 106.67 rounded
    EXPECT_TRUE(HasAspectWithinAPixel({160, 106}, {3000, 2000}));
    EXPECT_FALSE(HasAspectWithinAPixel({160, 105}, {3000, 2000}));
    EXPECT_FALSE(HasAspectWithinAPixel({160, 120}, {3000, 3000}));  // a square crop
    EXPECT_FALSE(HasAspectWithinAPixel({160, 120}, {3000, 4000}));  // turned
    EXPECT_FALSE(HasAspectWithinAPixel({0, 120}, {4000, 3000}));
    EXPECT_FALSE(HasAspectWithinAPixel({160, 120}, {4000, 0}));
}

TEST(EmbeddedThumbnail, WholeThumbnailOfTheSameShape) {
    const PixelSize size{160, 120};
    EXPECT_EQ(PictureInThumbnail(Thumbnail(size, 0, true), size, {4000, 3000}), (PixelRect{0, 0, 160, 120}));
    // A dark picture is no bar when the shapes match anyway.
    EXPECT_EQ(PictureInThumbnail(Thumbnail(size, 0, true, kBlack), size, {4000, 3000}), (PixelRect{0, 0, 160, 120}));
}

TEST(EmbeddedThumbnail, BarsAroundAPictureOfAnotherShapeAreCutOff) {
    EXPECT_EQ(PictureInThumbnail(Thumbnail({160, 120}, 15, true), {160, 120}, {1920, 1080}),
              (PixelRect{0, 15, 160, 105}));
    EXPECT_EQ(PictureInThumbnail(Thumbnail({120, 160}, 15, false), {120, 160}, {1080, 1920}),
              (PixelRect{15, 0, 105, 160}));
    // Compression rings next to the picture: a few brighter pixels leave a bar a bar.
    std::vector<std::uint32_t> arr = Thumbnail({160, 120}, 15, true);
    for (int x = 0; x < 160; x += 4) arr[14 * 160 + x] = 0x303030;
    EXPECT_EQ(PictureInThumbnail(arr, {160, 120}, {1920, 1080}), (PixelRect{0, 15, 160, 105}));
}

TEST(EmbeddedThumbnail, ThumbnailLeftBehindByACropOrATurnIsNotUsed) {
    const PixelSize size{160, 120};
    EXPECT_FALSE(PictureInThumbnail(Thumbnail(size, 0, true), size, {3000, 3000}));
    EXPECT_FALSE(PictureInThumbnail(Thumbnail(size, 0, true), size, {3000, 4000}));
    EXPECT_FALSE(PictureInThumbnail(Thumbnail(size, 0, true), size, {1920, 1080})) << "no bars to cut off";
    // Bars on one side only are part of the picture.
    std::vector<std::uint32_t> arr = Thumbnail(size, 15, true);
    for (std::size_t i = 105 * 160; i < arr.size(); ++i) arr[i] = kGrey;
    EXPECT_FALSE(PictureInThumbnail(arr, size, {1920, 1080}));
    // Bars, but the picture between them has another shape again.
    EXPECT_FALSE(PictureInThumbnail(Thumbnail(size, 15, true), size, {1000, 1000}));
}

TEST(EmbeddedThumbnail, TooFewPixelsOrNoAreaGiveNothing) {
    EXPECT_FALSE(PictureInThumbnail({}, {160, 120}, {4000, 3000}));
    EXPECT_FALSE(PictureInThumbnail({}, {0, 0}, {4000, 3000}));
}

}  // namespace
