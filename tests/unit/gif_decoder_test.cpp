#include "imaging/gif_decoder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "gif_test_support.h"

using namespace gif_test;

namespace {

// Large enough for the 1000 × 1000 pictures of the corpus; the player's own limit is
// tested on its own below.
constexpr size_t kCorpusLimit = 1024 * 1000;

// One file of the ImageMagick corpus: the arguments that make it and what it must contain
// for the case to mean anything.
enum : unsigned { kWantLocalColors = 1, kWantInterlace = 2, kWantTransparency = 4 };

struct CCorpusCase {
    CCorpusCase(std::string name, std::string args, unsigned nWant = 0, std::vector<int> disposals = {})
        : strName(std::move(name)), strArgs(std::move(args)), nWant(nWant), arrWantDisposals(std::move(disposals)) {}
    std::string strName;
    std::string strArgs;
    unsigned nWant;
    std::vector<int> arrWantDisposals;
};

std::string Plasma(int nWidth, int nHeight, int nColors, int nSeed) {
    return "-seed " + std::to_string(nSeed) + " -size " + std::to_string(nWidth) + "x" + std::to_string(nHeight) +
           " plasma:fractal -colors " + std::to_string(nColors);
}

std::vector<CCorpusCase> CorpusCases() {
    std::vector<CCorpusCase> arr;
    // Sizes, from a single pixel to a million.
    arr.push_back({"Size1x1", "-size 1x1 xc:red"});
    arr.push_back({"Size1x9", Plasma(1, 9, 4, 1)});
    arr.push_back({"Size9x1", Plasma(9, 1, 4, 2)});
    arr.push_back({"Size3x7", Plasma(3, 7, 8, 3)});
    arr.push_back({"Size333x77", Plasma(333, 77, 64, 4)});
    arr.push_back({"Size640x480", Plasma(640, 480, 256, 5)});
    arr.push_back({"Size1000x1000", Plasma(1000, 1000, 256, 6)});
    arr.push_back({"Size1000x1000Flat", "-size 1000x1000 gradient:white-black -colors 2"});
    // Palettes of 2 to 256 colours give minimum code sizes 2 to 8.
    for (int nColors : {2, 4, 8, 16, 32, 64, 128, 256}) {
        arr.push_back({"Palette" + std::to_string(nColors), Plasma(200, 150, nColors, 10 + nColors)});
    }
    // Interlaced, including heights where some passes have no rows.
    arr.push_back({"Interlaced1Row", Plasma(7, 1, 16, 20) + " -interlace GIF", kWantInterlace});
    arr.push_back({"Interlaced3Rows", Plasma(7, 3, 16, 21) + " -interlace GIF", kWantInterlace});
    arr.push_back({"Interlaced10Rows", Plasma(13, 10, 16, 22) + " -interlace GIF", kWantInterlace});
    arr.push_back({"Interlaced500x377", Plasma(500, 377, 256, 23) + " -interlace GIF", kWantInterlace});
    // Local colour tables: frames whose palettes differ from the first.
    arr.push_back({"LocalPalettes",
                   "\\( " + Plasma(64, 48, 16, 30) +
                       " \\) \\( -size 64x48 gradient:blue-yellow -colors 32 \\) "
                       "\\( " +
                       Plasma(64, 48, 4, 31) + " \\) \\( -size 64x48 xc:green \\) -loop 0",
                   kWantLocalColors});
    arr.push_back({"LocalPalettes256",
                   "\\( " + Plasma(120, 90, 256, 32) + " \\) \\( " + Plasma(120, 90, 256, 33) +
                       " \\) "
                       "\\( " +
                       Plasma(120, 90, 2, 34) + " \\)",
                   kWantLocalColors});
    // Transparency, still and animated.
    arr.push_back({"TransparentStill",
                   "-size 80x60 xc:none -fill red -draw 'circle 40 30 40 10' -fill blue -draw 'rectangle 5 5 20 50'",
                   kWantTransparency});
    arr.push_back({"TransparentFrames",
                   "-dispose Background -delay 7 \\( -size 50x40 xc:none -fill orange -draw 'circle 10 20 10 5' \\) "
                   "\\( -size 50x40 xc:none -fill orange -draw 'circle 25 20 25 5' \\) "
                   "\\( -size 50x40 xc:none -fill navy -draw 'circle 40 20 40 5' \\) -loop 0",
                   kWantTransparency});
    // Every disposal method, on frames that cover part of the screen at offsets.
    arr.push_back({"Disposals",
                   "-size 60x40 xc:white "
                   "-dispose None -delay 10 -page 60x40+0+0 \\( -size 20x20 xc:red \\) "
                   "-dispose Background -delay 20 -page 60x40+10+5 \\( -size 20x20 xc:green \\) "
                   "-dispose Previous -delay 30 -page 60x40+30+10 \\( -size 25x25 xc:blue \\) "
                   "-dispose Undefined -delay 0 -page 60x40+40+20 \\( -size 20x20 xc:yellow \\) -loop 0",
                   0,
                   {0, 1, 2, 3}});
    // A plasma animation long enough to run the table full many times over.
    arr.push_back({"Animation24", "-delay 4 " + [] {
                       std::string s;
                       for (int i = 0; i < 24; ++i) s += "\\( " + Plasma(160, 120, 256, 40 + i) + " \\) ";
                       return s;
                   }() + "-loop 0"});
    return arr;
}

class GifCorpus : public testing::TestWithParam<CCorpusCase> {
protected:
    static void SetUpTestSuite() { s_pDir = std::make_unique<CScratchDir>(); }
    static void TearDownTestSuite() { s_pDir.reset(); }
    static std::unique_ptr<CScratchDir> s_pDir;
};
std::unique_ptr<CScratchDir> GifCorpus::s_pDir;

TEST_P(GifCorpus, EveryFrameMatchesGiflibPixelForPixel) {
    const CCorpusCase& c = GetParam();
    ASSERT_TRUE(s_pDir->IsValid());
    const std::string strPath = s_pDir->File(c.strName + ".gif");
    ASSERT_TRUE(RunConvert(c.strArgs, strPath)) << c.strArgs;
    const std::vector<uint8_t> bytes = ReadFileBytes(strPath);
    ASSERT_GT(bytes.size(), 13u);

    // The case must hold what it is named for, else it would test nothing.
    CRefImage ref;
    ASSERT_TRUE(GiflibDecode(bytes, ref));
    bool bLocal = false, bInterlace = false, bTransparent = false;
    std::vector<int> arrDisposals;
    for (const CRefFrame& f : ref.arrFrames) {
        bLocal |= f.bLocalColors;
        bInterlace |= f.bInterlaced;
        bTransparent |= f.nTransparent != NO_TRANSPARENT_COLOR;
        arrDisposals.push_back(f.nDisposalMode);
    }
    if (c.nWant & kWantLocalColors) EXPECT_TRUE(bLocal);
    if (c.nWant & kWantInterlace) EXPECT_TRUE(bInterlace);
    if (c.nWant & kWantTransparency) EXPECT_TRUE(bTransparent);
    for (int n : c.arrWantDisposals)
        EXPECT_NE(std::find(arrDisposals.begin(), arrDisposals.end(), n), arrDisposals.end()) << "disposal " << n;

    ExpectSameAsGiflib(bytes, kCorpusLimit);
}

INSTANTIATE_TEST_SUITE_P(ImageMagick, GifCorpus, testing::ValuesIn(CorpusCases()),
                         [](const testing::TestParamInfo<CCorpusCase>& info) { return info.param.strName; });

// Streams from our own encoder, for what ImageMagick never writes: a table that stays full
// with no clear code, no clear at the start, no end code, odd sub-block sizes.
struct CStreamCase {
    std::string strName;
    int nWidth, nHeight;
    uint32_t nColors;  // pixel values drawn below this
    CLzwOptions lzw;
    bool bInterlaced = false;
};

std::vector<CStreamCase> StreamCases() {
    std::vector<CStreamCase> arr;
    for (int nMin = 2; nMin <= 8; ++nMin) {
        // Enough random pixels to fill the 4096 entries several times over.
        arr.push_back(
            {"DeferredClearMin" + std::to_string(nMin), 320, 200, 1u << nMin, {nMin, true, false, true, 255}});
    }
    arr.push_back({"DeferredClearNoLeadingClear", 300, 100, 256, {8, false, false, true, 255}});
    arr.push_back({"DeferredClearNoEndCode", 300, 100, 16, {4, true, false, false, 255}});
    arr.push_back({"DeferredClearInterlaced", 257, 131, 256, {8, true, false, true, 255}, true});
    arr.push_back({"DeferredClearTinySubBlocks", 200, 100, 64, {6, true, false, true, 1}});
    arr.push_back({"ClearWhenFull", 320, 200, 256, {8, true, true, true, 200}});
    arr.push_back({"FewColoursWideCode", 100, 100, 2, {8, true, false, true, 255}});
    return arr;
}

class GifStream : public testing::TestWithParam<CStreamCase> {};

TEST_P(GifStream, MatchesGiflibAndTheSourcePixels) {
    const CStreamCase& c = GetParam();
    CTestRandom random(static_cast<uint32_t>(c.nWidth * 31 + c.lzw.nMinCodeSize));
    const std::vector<uint32_t> arrColors = random.Colors(1u << c.lzw.nMinCodeSize);
    CGifWriter writer(c.nWidth, c.nHeight, arrColors);
    CGifWriter::CImage image;
    image.nWidth = c.nWidth;
    image.nHeight = c.nHeight;
    image.arrPixels = random.Pixels(static_cast<size_t>(c.nWidth) * c.nHeight, c.nColors);
    image.bInterlaced = c.bInterlaced;
    image.lzw = c.lzw;
    writer.Image(image);
    writer.Trailer();

    ExpectSameAsGiflib(writer.Bytes());
    const COurImage ours = OurDecode(writer.Bytes());
    ASSERT_EQ(ours.arrFrames.size(), 1u);
    EXPECT_TRUE(Unpadded(ours.arrFrames[0]) == image.arrPixels);
}

INSTANTIATE_TEST_SUITE_P(Crafted, GifStream, testing::ValuesIn(StreamCases()),
                         [](const testing::TestParamInfo<CStreamCase>& info) { return info.param.strName; });

// One frame per local table size, 2 to 256 entries, each coded at the table's own minimum
// code size (2 at least), over a global table of a different size.
TEST(GifDecoder, LocalTablesOfEverySizeMatchGiflib) {
    CTestRandom random(5);
    CGifWriter writer(40, 30, random.Colors(8));
    for (int nBits = 1; nBits <= 8; ++nBits) {
        CGifWriter::CImage image;
        image.nLeft = nBits;
        image.nTop = 2 * nBits;
        image.nWidth = 17 + nBits;
        image.nHeight = 11;
        image.arrLocalColors = random.Colors(1u << nBits);
        image.arrPixels = random.Pixels(static_cast<size_t>(image.nWidth) * image.nHeight, 1u << nBits);
        image.lzw.nMinCodeSize = std::max(2, nBits);
        writer.Control(nBits % 4, nBits * 3, nBits % 2 ? nBits : -1);
        writer.Image(image);
    }
    writer.Trailer();
    ExpectSameAsGiflib(writer.Bytes());
}

// A one-frame file with the given frame size and nothing special. Beyond a million pixels
// the frame only has a token of data: it is meant to be refused unread.
std::vector<uint8_t> SingleFrame(int nWidth, int nHeight) {
    CGifWriter writer(nWidth, nHeight, {0x000000, 0xFFFFFF, 0xFF0000, 0x00FF00});
    if (static_cast<size_t>(nWidth) * nHeight > (1u << 20)) {
        writer.Descriptor(0, 0, nWidth, nHeight, 0);
        writer.Raw({2, 2, 0x4C, 0x01, 0});
        writer.Trailer();
        return writer.Bytes();
    }
    CGifWriter::CImage image;
    image.nWidth = nWidth;
    image.nHeight = nHeight;
    image.lzw.nMinCodeSize = 2;
    for (int y = 0; y < nHeight; ++y)
        for (int x = 0; x < nWidth; ++x) image.arrPixels.push_back(static_cast<uint8_t>((x + y) & 3));
    writer.Image(image);
    writer.Trailer();
    return writer.Bytes();
}

struct CLimitCase {
    int nWidth, nHeight;
    GifError want;
};

class GifPixelLimit : public testing::TestWithParam<CLimitCase> {};

// The limit is on stride × height, the stride being the width rounded up to 4.
TEST_P(GifPixelLimit, FramesAboveTheBufferLimitAreRefused) {
    const CLimitCase& c = GetParam();
    const COurImage ours = OurDecode(SingleFrame(c.nWidth, c.nHeight));
    ASSERT_EQ(ours.arrResults.size(), 1u);
    EXPECT_EQ(ours.arrResults[0], c.want) << GifErrorName(ours.arrResults[0]);
    EXPECT_TRUE(ours.bReachedEnd);
}

INSTANTIATE_TEST_SUITE_P(
    Sizes, GifPixelLimit,
    testing::Values(CLimitCase{1024, 768, GifError::None}, CLimitCase{1024, 769, GifError::TooLarge},
                    CLimitCase{1021, 768, GifError::None}, CLimitCase{1021, 769, GifError::TooLarge},
                    CLimitCase{768, 1024, GifError::None}, CLimitCase{65535, 65535, GifError::TooLarge}));

TEST(GifDecoder, InterlacedRowsComeInPassOrder) {
    // Ten rows, each of one pixel value equal to its stream position: the picture's row r
    // then holds the position at which it was sent.
    CGifWriter writer(1, 10, {});
    writer.Descriptor(0, 0, 1, 10, 0x40 | 0x80 | 3);  // local table of 16
    for (int i = 0; i < 16; ++i) writer.Raw({static_cast<uint8_t>(i), 0, 0});
    writer.Raw({4});
    CLzwOptions lzw;
    lzw.nMinCodeSize = 4;
    writer.SubBlocks(LzwEncode(std::vector<uint8_t>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9}, lzw));
    writer.Trailer();

    const COurImage ours = OurDecode(writer.Bytes());
    ASSERT_EQ(ours.arrFrames.size(), 1u);
    const std::vector<uint8_t> rows = Unpadded(ours.arrFrames[0]);
    // Rows 0, 8, 4, 2, 6, 1, 3, 5, 7, 9 are filled in that order.
    const std::vector<uint8_t> want = {0, 5, 3, 6, 2, 7, 4, 8, 1, 9};
    EXPECT_EQ(rows, want);
}

TEST(GifDecoder, RowsArePaddedToFourBytesWithZeros) {
    const COurImage ours = OurDecode(SingleFrame(5, 3));
    ASSERT_EQ(ours.arrFrames.size(), 1u);
    const CGifFrame& frame = ours.arrFrames[0];
    EXPECT_EQ(frame.m_nStride, 8);
    EXPECT_EQ(frame.m_nPixelBytes, 24u);
    ASSERT_EQ(frame.m_arrPixels.size(), 24u);
    for (int y = 0; y < 3; ++y)
        for (int x = 5; x < 8; ++x) EXPECT_EQ(frame.m_arrPixels[y * 8 + x], 0);
}

TEST(GifDecoder, OnlyGif87aAndGif89aHeadersAreAccepted) {
    std::vector<uint8_t> good = SingleFrame(2, 2);
    for (const char* pszVersion : {"87a", "89a"}) {
        std::copy(pszVersion, pszVersion + 3, good.begin() + 3);
        CGifDecoder decoder;
        EXPECT_EQ(decoder.Open(good), GifError::None) << pszVersion;
    }
    for (const char* pszVersion : {"89b", "88a", "87A", "90a"}) {
        std::vector<uint8_t> bad = good;
        std::copy(pszVersion, pszVersion + 3, bad.begin() + 3);
        CGifDecoder decoder;
        EXPECT_EQ(decoder.Open(bad), GifError::NotGif) << pszVersion;
        EXPECT_FALSE(decoder.IsOpen());
    }
    CGifDecoder decoder;
    EXPECT_EQ(decoder.Open(std::span(good).first(12)), GifError::NotGif);
    std::vector<uint8_t> notGif = good;
    notGif[0] = 'J';
    EXPECT_EQ(decoder.Open(notGif), GifError::NotGif);
}

TEST(GifDecoder, HeaderAndGlobalTableAloneAreNotAPicture) {
    // 13 header bytes and a 4-entry table, then nothing.
    const std::vector<uint8_t> file = SingleFrame(2, 2);
    CGifDecoder decoder;
    EXPECT_EQ(decoder.Open(std::span(file).first(13 + 12)), GifError::Truncated);
    EXPECT_EQ(decoder.Open(std::span(file).first(13 + 11)), GifError::Truncated);
    EXPECT_EQ(decoder.Open(std::span(file).first(13 + 13)), GifError::None);
    EXPECT_EQ(decoder.Width(), 2);
    EXPECT_EQ(decoder.GlobalColors(), 4);
}

// The graphic control extension belongs to the image after it: a frame without one has no
// transparency, no delay and no disposal, also on the next loop of the animation.
TEST(GifDecoder, GraphicControlAppliesToTheNextFrameOnly) {
    CGifWriter writer(4, 4, {0x000000, 0xFFFFFF, 0xFF0000, 0x00FF00});
    CGifWriter::CImage image;
    image.nWidth = image.nHeight = 4;
    image.arrPixels.assign(16, 1);
    image.lzw.nMinCodeSize = 2;
    writer.Image(image);
    writer.Control(3, 25, 2);
    writer.Image(image);
    writer.Image(image);
    writer.Trailer();

    CGifDecoder decoder;
    ASSERT_EQ(decoder.Open(writer.Bytes()), GifError::None);
    CGifFrame frame;
    for (int nLoop = 0; nLoop < 2; ++nLoop) {
        ASSERT_EQ(decoder.DecodeNextFrame(frame), GifError::None);
        EXPECT_FALSE(frame.m_bTransparent);
        EXPECT_EQ(frame.m_nDelay, 0);
        ASSERT_EQ(decoder.DecodeNextFrame(frame), GifError::None);
        EXPECT_TRUE(frame.m_bTransparent);
        EXPECT_EQ(frame.m_nTransparentIndex, 2);
        EXPECT_EQ(frame.m_crTransparent, 0xFF0000u);
        EXPECT_EQ(frame.m_nDelay, 25);
        EXPECT_EQ(frame.m_nDisposal, kGifDisposePrevious);
        ASSERT_EQ(decoder.DecodeNextFrame(frame), GifError::None);
        EXPECT_FALSE(frame.m_bTransparent);
        EXPECT_EQ(frame.m_nDisposal, kGifDisposeNone);
        EXPECT_EQ(decoder.DecodeNextFrame(frame), GifError::End);
        EXPECT_EQ(decoder.DecodeNextFrame(frame), GifError::End);
        decoder.Rewind();
    }
}

TEST(GifDecoder, OpaqueColoursCloseToTheTransparentOneAreMovedAwayFromIt) {
    CGifWriter writer(3, 1, {0x808080, 0x8A8A8A, 0xFF0000, 0x8A8A8A});
    CGifWriter::CImage image;
    image.nWidth = 3;
    image.nHeight = 1;
    image.arrPixels = {0, 1, 2};
    image.lzw.nMinCodeSize = 2;
    writer.Image(image);
    writer.Control(0, 0, 0);
    writer.Image(image);
    writer.Trailer();

    const COurImage ours = OurDecode(writer.Bytes());
    ASSERT_EQ(ours.arrFrames.size(), 2u);
    EXPECT_EQ(ours.arrFrames[0].m_arrColors[1], 0x8A8A8Au) << "without transparency nothing moves";
    const CGifFrame& frame = ours.arrFrames[1];
    EXPECT_EQ(frame.m_crTransparent, 0x808080u);
    EXPECT_EQ(frame.m_arrColors[0], 0x808080u);
    EXPECT_EQ(frame.m_arrColors[1], 0x9E9E9Eu);
    EXPECT_EQ(frame.m_arrColors[2], 0xFF0000u);
}

TEST(GifDecoder, ExtensionsOtherThanGraphicControlAreWalkedPast) {
    CGifWriter writer(2, 2, {0x000000, 0xFFFFFF});
    writer.Raw({0x21, 0xFF, 11, 'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E', '2', '.', '0', 3, 1, 0, 0, 0});
    writer.Raw({0x21, 0xFE, 5, 'h', 'e', 'l', 'l', 'o', 0});
    writer.Raw({0x21, 0x01, 12, 0, 0, 0, 0, 2, 0, 2, 0, 8, 8, 1, 0, 2, 'h', 'i', 0});
    writer.Raw({0x21, 0x77, 3, 1, 2, 3, 0});  // a label nobody knows
    CGifWriter::CImage image;
    image.nWidth = image.nHeight = 2;
    image.arrPixels = {0, 1, 1, 0};
    image.lzw.nMinCodeSize = 2;
    writer.Image(image);
    writer.Trailer();

    ExpectSameAsGiflib(writer.Bytes());
}

TEST(GifDecoder, NoColourTableMeansBlackAndIndicesPastATableAreKept) {
    // A 2-entry global table with pixels 0..3: indices 2 and 3 have no colour of their own.
    CGifWriter writer(4, 1, {0x112233, 0x445566});
    CGifWriter::CImage image;
    image.nWidth = 4;
    image.nHeight = 1;
    image.arrPixels = {0, 1, 2, 3};
    image.lzw.nMinCodeSize = 2;
    writer.Image(image);
    writer.Trailer();
    ExpectSameAsGiflib(writer.Bytes());
    const COurImage ours = OurDecode(writer.Bytes());
    ASSERT_EQ(ours.arrFrames.size(), 1u);
    const CGifFrame& frame = ours.arrFrames[0];
    EXPECT_EQ(frame.m_nColors, 2);
    EXPECT_EQ(frame.m_arrColors[1], 0x445566u);
    EXPECT_EQ(frame.m_arrColors[2], 0u);
    EXPECT_EQ(frame.m_arrColors[3], 0u);

    CGifWriter bare(4, 1, {});
    bare.Image(image);
    bare.Trailer();
    const COurImage noTable = OurDecode(bare.Bytes());
    ASSERT_EQ(noTable.arrFrames.size(), 1u);
    EXPECT_EQ(noTable.arrFrames[0].m_nColors, 0);
    EXPECT_EQ(Unpadded(noTable.arrFrames[0]), image.arrPixels);
}

}  // namespace

namespace {

// The animation the progress dialog ships with: every frame decodes whole, inside the
// logical screen, within the player's limit, and it loops.
TEST(GifDecoder, TheShippedUploadAnimationPlays) {
    const std::filesystem::path path = std::filesystem::path(TESSALINE_SOURCE_DIR) / "res/Upload.gif";
    const std::vector<uint8_t> bytes = ReadFileBytes(path.string());
    ASSERT_FALSE(bytes.empty()) << path;
    ExpectSameAsGiflib(bytes);
    const COurImage ours = OurDecode(bytes);
    EXPECT_EQ(ours.nWidth, 272);
    EXPECT_EQ(ours.nHeight, 56);
    EXPECT_GE(ours.arrFrames.size(), 10u);
    for (const CGifFrame& frame : ours.arrFrames) {
        EXPECT_LE(frame.m_nLeft + frame.m_nWidth, ours.nWidth);
        EXPECT_LE(frame.m_nTop + frame.m_nHeight, ours.nHeight);
        EXPECT_TRUE(frame.m_bTransparent);
        EXPECT_GT(frame.m_nDelay, 0);
    }
}

}  // namespace
