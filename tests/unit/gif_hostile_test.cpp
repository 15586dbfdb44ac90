// Damaged and hostile files: the decoder must stay inside its buffers, always end, keep
// what it decoded before the damage, and go on with the frames after it where it can.
#include "imaging/gif_decoder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "gif_test_support.h"
#include "imaging/gif_canvas.h"

using namespace gif_test;

namespace {

const std::vector<uint32_t> kFourColors = {0x000000, 0xFFFFFF, 0xFF0000, 0x00FF00};

CGifWriter::CImage PlainImage(int nWidth, int nHeight, int nMinCodeSize = 2, uint32_t nSeed = 1) {
    CTestRandom random(nSeed);
    CGifWriter::CImage image;
    image.nWidth = nWidth;
    image.nHeight = nHeight;
    image.arrPixels = random.Pixels(static_cast<size_t>(nWidth) * nHeight, 4);
    image.lzw.nMinCodeSize = nMinCodeSize;
    return image;
}

// An animation with a bit of everything: application and comment blocks, graphic control,
// a local table, an interlaced frame, small sub-blocks.
std::vector<uint8_t> SampleAnimation() {
    CGifWriter writer(24, 16, kFourColors);
    writer.Raw({0x21, 0xFF, 11, 'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E', '2', '.', '0', 3, 1, 0, 0, 0});
    writer.Control(1, 10);
    writer.Image(PlainImage(24, 16, 2, 1));
    writer.Raw({0x21, 0xFE, 3, 'a', 'b', 'c', 0});
    writer.Control(2, 20, 3);
    CGifWriter::CImage local = PlainImage(10, 9, 3, 2);
    local.nLeft = 5;
    local.nTop = 4;
    local.arrLocalColors = CTestRandom(9).Colors(8);
    local.lzw.nSubBlock = 7;
    writer.Image(local);
    writer.Control(3, 30);
    CGifWriter::CImage interlaced = PlainImage(20, 13, 2, 3);
    interlaced.bInterlaced = true;
    writer.Image(interlaced);
    writer.Trailer();
    return writer.Bytes();
}

// The decoded stream order of a frame's pixels (rows of an interlaced frame by pass).
std::vector<uint8_t> StreamOrder(const CGifFrame& frame) {
    std::vector<int> rows;
    if (frame.m_bInterlaced) {
        static constexpr int kStart[4] = {0, 4, 2, 1}, kStep[4] = {8, 8, 4, 2};
        for (int p = 0; p < 4; ++p)
            for (int y = kStart[p]; y < frame.m_nHeight; y += kStep[p]) rows.push_back(y);
    } else {
        for (int y = 0; y < frame.m_nHeight; ++y) rows.push_back(y);
    }
    std::vector<uint8_t> arr;
    for (int y : rows) {
        const std::span<const uint8_t> row = frame.Row(y);
        arr.insert(arr.end(), row.begin(), row.end());
    }
    return arr;
}

// Cut after every byte: each prefix decodes without fault, the frames wholly inside it
// come out as from the whole file, and a frame cut in its image data keeps its pixels up
// to the cut and fills the rest.
TEST(GifHostile, FileCutAtEveryByteKeepsTheFramesBeforeTheCut) {
    const std::vector<uint8_t> file = SampleAnimation();
    const COurImage whole = OurDecode(file);
    ASSERT_EQ(whole.arrFrames.size(), 3u);
    for (GifError result : whole.arrResults) ASSERT_EQ(result, GifError::None);

    size_t nPartialFrames = 0;
    for (size_t nCut = 0; nCut < file.size(); ++nCut) {
        SCOPED_TRACE("cut at " + std::to_string(nCut));
        const COurImage cut = OurDecode(std::span(file).first(nCut), kGifMaxPixelBytes, nCut + 1);
        if (cut.openResult != GifError::None) {
            EXPECT_LE(nCut, 13u + 12u);  // only the header and the global table can make Open fail
            continue;
        }
        ASSERT_TRUE(cut.bReachedEnd);
        ASSERT_LE(cut.arrFrames.size(), whole.arrFrames.size());
        for (size_t i = 0; i < cut.arrFrames.size(); ++i) {
            const CGifFrame& got = cut.arrFrames[i];
            const CGifFrame& full = whole.arrFrames[i];
            ASSERT_EQ(got.m_nWidth, full.m_nWidth);
            ASSERT_EQ(got.m_nHeight, full.m_nHeight);
            const std::vector<uint8_t> gotPixels = StreamOrder(got);
            const std::vector<uint8_t> fullPixels = StreamOrder(full);
            if (cut.arrResults[i] == GifError::None) {
                EXPECT_EQ(gotPixels, fullPixels);
                continue;
            }
            ASSERT_EQ(cut.arrResults[i], GifError::ShortData);
            ASSERT_EQ(i + 1, cut.arrFrames.size()) << "only the last frame can be cut";
            ++nPartialFrames;
            const size_t n = got.m_nDecodedPixels;
            ASSERT_LT(n, fullPixels.size());
            EXPECT_TRUE(std::equal(gotPixels.begin(), gotPixels.begin() + n, fullPixels.begin()));
            const uint8_t nFill = got.m_bTransparent ? got.m_nTransparentIndex : 0;
            EXPECT_TRUE(std::all_of(gotPixels.begin() + n, gotPixels.end(), [&](uint8_t v) { return v == nFill; }));
        }
    }
    EXPECT_GT(nPartialFrames, 20u);
}

// Bytes to put in place of a frame's image data (minimum code size and sub-blocks).
struct CDataCase {
    std::string strName;
    std::vector<uint8_t> arrData;  // from the minimum code size byte to the terminator
    int nWidth, nHeight;
    GifError want;
    size_t nWantDecoded;
};

std::vector<uint8_t> Packed(int nMinCodeSize, const std::vector<std::pair<uint32_t, int>>& codes,
                            bool bTerminate = true) {
    CBitPacker packer;
    for (const auto& [nCode, nBits] : codes) packer.Put(nCode, nBits);
    const std::vector<uint8_t> bytes = packer.Finish();
    std::vector<uint8_t> arr = {static_cast<uint8_t>(nMinCodeSize)};
    for (size_t i = 0; i < bytes.size(); i += 255) {
        const size_t n = std::min<size_t>(255, bytes.size() - i);
        arr.push_back(static_cast<uint8_t>(n));
        arr.insert(arr.end(), bytes.begin() + i, bytes.begin() + i + n);
    }
    if (bTerminate) arr.push_back(0);
    return arr;
}

// The decoder's code width for a stream in which every code after the first adds an entry.
class CCodeWidth {
public:
    int Bits() const { return m_nBits; }
    void Added() {
        if (m_nNext < 4096 && ++m_nNext == (1u << m_nBits) && m_nBits < 12) ++m_nBits;
    }

private:
    uint32_t m_nNext = 6;
    int m_nBits = 3;
};

// Root codes only, each adding a two-pixel entry: the table is full after 4090 of them
// and the stream runs on for as long again with no clear code, then refers to the last
// entries. 76 × 79 = 6004 pixels: 6000 roots and two entries of two.
std::vector<uint8_t> TableOverrun() {
    std::vector<std::pair<uint32_t, int>> codes = {{4, 3}, {1, 3}};
    CCodeWidth width;
    for (int i = 1; i < 6000; ++i) {
        codes.push_back({static_cast<uint32_t>(i % 4), width.Bits()});
        width.Added();
    }
    codes.push_back({4095, 12});
    codes.push_back({4000, 12});
    codes.push_back({5, 12});
    return Packed(2, codes);
}

// Every code defines the next one (K w K w K), so each string is one longer than the
// last: far more pixels than a frame holds, cut at its end.
std::vector<uint8_t> GrowingStrings() {
    std::vector<std::pair<uint32_t, int>> codes = {{4, 3}, {1, 3}};
    CCodeWidth width;
    for (uint32_t nCode = 6; nCode < 2000; ++nCode) {
        codes.push_back({nCode, width.Bits()});
        width.Added();
    }
    return Packed(2, codes);
}

std::vector<CDataCase> DataCases() {
    std::vector<CDataCase> arr;
    for (int nMin : {0, 1, 9, 11, 12, 13, 255})
        arr.push_back({"MinCodeSize" + std::to_string(nMin),
                       {static_cast<uint8_t>(nMin), 1, 0xFF, 0},
                       4,
                       4,
                       GifError::BadCodeSize,
                       0});
    // After 1 2 3 the entries 6 and 7 exist and codes are 4 bits wide; 8 would be next, 9 is
    // past the table.
    arr.push_back(
        {"CodePastTheTable", Packed(2, {{4, 3}, {1, 3}, {2, 3}, {3, 3}, {9, 4}}), 4, 4, GifError::BadCode, 3});
    // A string code straight after a clear has no string to stand on.
    arr.push_back({"StringCodeAfterClear", Packed(2, {{4, 3}, {6, 3}}), 4, 4, GifError::BadCode, 0});
    arr.push_back({"StringCodeAfterSecondClear", Packed(2, {{4, 3}, {1, 3}, {1, 3}, {4, 3}, {6, 3}}), 4, 4,
                   GifError::BadCode, 2});
    // 1, then 6 = "1 1", then 7 = "1 1 1": a 4 × 1 frame has room for one pixel of the last.
    arr.push_back({"StringLongerThanThePixelsLeft", Packed(2, {{4, 3}, {1, 3}, {6, 3}, {7, 3}, {5, 4}}), 4, 1,
                   GifError::None, 4});
    arr.push_back({"EndCodeTooSoon", Packed(2, {{4, 3}, {1, 3}, {2, 3}, {5, 3}}), 4, 4, GifError::ShortData, 2});
    // Nine bits of codes fill two bytes; the seven zero bits left read as two codes 0.
    arr.push_back({"DataTooShort", Packed(2, {{4, 3}, {1, 3}, {2, 3}}), 4, 4, GifError::ShortData, 4});
    arr.push_back({"NoData", {2, 0}, 4, 4, GifError::ShortData, 0});
    arr.push_back({"TableOverrun", TableOverrun(), 76, 79, GifError::None, 6004});
    arr.push_back({"TableOverrunFrameTooBig", TableOverrun(), 100, 100, GifError::ShortData, 6004});
    arr.push_back({"GrowingStringsFillTheLargestFrame", GrowingStrings(), 1024, 768, GifError::None, 1024 * 768});
    arr.push_back({"ZeroWidth", Packed(2, {{4, 3}, {1, 3}, {5, 3}}), 0, 5, GifError::None, 0});
    arr.push_back({"ZeroHeight", Packed(2, {{4, 3}, {1, 3}, {5, 3}}), 5, 0, GifError::None, 0});
    arr.push_back({"ZeroSizeWithoutData", {2, 0}, 0, 0, GifError::None, 0});
    return arr;
}

class GifHostileData : public testing::TestWithParam<CDataCase> {};

// The damaged frame comes second, between two good ones: the first is kept, the damaged
// one is reported with what it had, and the third still decodes.
TEST_P(GifHostileData, DamageStaysInItsFrame) {
    const CDataCase& c = GetParam();
    CGifWriter writer(32, 32, kFourColors);
    const CGifWriter::CImage good = PlainImage(8, 8);
    writer.Image(good);
    writer.Control(1, 5, 0);
    writer.Descriptor(0, 0, c.nWidth, c.nHeight, 0);
    writer.Raw(c.arrData);
    writer.Image(good);
    writer.Trailer();

    const COurImage ours = OurDecode(writer.Bytes());
    ASSERT_TRUE(ours.bReachedEnd);
    ASSERT_EQ(ours.arrResults.size(), 3u);
    EXPECT_EQ(ours.arrResults[0], GifError::None);
    EXPECT_EQ(ours.arrResults[1], c.want) << GifErrorName(ours.arrResults[1]);
    EXPECT_EQ(ours.arrResults[2], GifError::None);
    EXPECT_EQ(Unpadded(ours.arrFrames.front()), good.arrPixels);
    EXPECT_EQ(Unpadded(ours.arrFrames.back()), good.arrPixels);
    if (HasPixels(c.want)) {
        ASSERT_EQ(ours.arrFrames.size(), 3u);
        const CGifFrame& frame = ours.arrFrames[1];
        EXPECT_EQ(frame.m_nDecodedPixels, c.nWantDecoded);
        EXPECT_EQ(frame.m_arrPixels.size(), frame.m_nPixelBytes);
        // The hole shows the canvas: it holds the transparent index (0 here).
        const std::vector<uint8_t> pixels = Unpadded(frame);
        EXPECT_TRUE(std::all_of(pixels.begin() + c.nWantDecoded, pixels.end(), [](uint8_t v) { return v == 0; }));
    } else {
        EXPECT_EQ(ours.arrFrames.size(), 2u);
    }
}

INSTANTIATE_TEST_SUITE_P(Checklist, GifHostileData, testing::ValuesIn(DataCases()),
                         [](const testing::TestParamInfo<CDataCase>& info) { return info.param.strName; });

TEST(GifHostile, TableOverrunDecodesLikeGiflib) {
    for (bool bGrowing : {false, true}) {
        CGifWriter writer(1024, 768, kFourColors);
        if (bGrowing)
            writer.Descriptor(0, 0, 1024, 768, 0);
        else
            writer.Descriptor(0, 0, 76, 79, 0);
        writer.Raw(bGrowing ? GrowingStrings() : TableOverrun());
        writer.Trailer();
        ExpectSameAsGiflib(writer.Bytes());
    }
}

TEST(GifHostile, OversizedFramesAreSkippedAndLaterFramesStillPlay) {
    CGifWriter writer(16, 16, kFourColors);
    // Claims 65535 × 65535 and a local table, with some data: walked past, never allocated.
    writer.Descriptor(0, 0, 65535, 65535, 0x80 | 1);
    writer.Raw(std::vector<uint8_t>(12, 7));
    writer.Raw({2, 3, 1, 2, 3, 0});
    const CGifWriter::CImage good = PlainImage(16, 16);
    writer.Image(good);
    writer.Trailer();

    const COurImage ours = OurDecode(writer.Bytes());
    ASSERT_EQ(ours.arrResults.size(), 2u);
    EXPECT_EQ(ours.arrResults[0], GifError::TooLarge);
    EXPECT_EQ(ours.arrResults[1], GifError::None);
    ASSERT_EQ(ours.arrFrames.size(), 1u);
    EXPECT_EQ(Unpadded(ours.arrFrames[0]), good.arrPixels);
}

TEST(GifHostile, FramesOutsideTheScreenDecodeAndAreClippedOnTheCanvas) {
    CGifWriter writer(10, 10, kFourColors);
    for (const auto& [nLeft, nTop] : std::vector<std::pair<int, int>>{{6, 6}, {60000, 3}, {0, 65535}}) {
        CGifWriter::CImage image = PlainImage(8, 8);
        image.nLeft = nLeft;
        image.nTop = nTop;
        writer.Image(image);
    }
    writer.Trailer();
    ExpectSameAsGiflib(writer.Bytes());

    CGifDecoder decoder;
    ASSERT_EQ(decoder.Open(writer.Bytes()), GifError::None);
    CGifCanvas canvas;
    ASSERT_EQ(canvas.Create(decoder.Width(), decoder.Height(), 0x123456), GifError::None);
    CGifFrame frame;
    ASSERT_EQ(decoder.DecodeNextFrame(frame), GifError::None);
    canvas.Compose(frame);
    EXPECT_EQ(canvas.Pixel(5, 5), 0x123456u);
    EXPECT_EQ(canvas.Pixel(9, 9), frame.m_arrColors[frame.Row(3)[3]]);
    while (decoder.DecodeNextFrame(frame) == GifError::None) canvas.Compose(frame);
    EXPECT_EQ(canvas.Pixel(0, 0), 0x123456u);
}

TEST(GifHostile, HugeScreensCostNothingUntilACanvasIsAskedFor) {
    CGifWriter writer(65535, 65535, kFourColors);
    writer.Image(PlainImage(4, 4));
    writer.Trailer();
    const COurImage ours = OurDecode(writer.Bytes());
    EXPECT_EQ(ours.nWidth, 65535);
    ASSERT_EQ(ours.arrResults.size(), 1u);
    EXPECT_EQ(ours.arrResults[0], GifError::None);

    CGifCanvas canvas;
    EXPECT_EQ(canvas.Create(65535, 65535, 0), GifError::TooLarge);
    EXPECT_EQ(canvas.Width(), 0);
    EXPECT_TRUE(canvas.Pixels().empty());
    canvas.Compose(ours.arrFrames[0]);  // an empty canvas takes frames without harm
    EXPECT_EQ(canvas.Create(2048, 1536, 0), GifError::None);
    EXPECT_EQ(canvas.Create(2048, 1537, 0), GifError::TooLarge);
}

TEST(GifHostile, ManyFramesReuseOneBuffer) {
    CGifWriter writer(4, 4, kFourColors);
    const CGifWriter::CImage tiny = PlainImage(2, 2);
    for (int i = 0; i < 50000; ++i) writer.Image(tiny);
    writer.Trailer();

    CGifDecoder decoder;
    ASSERT_EQ(decoder.Open(writer.Bytes()), GifError::None);
    CGifFrame frame;
    int nFrames = 0;
    GifError result;
    const uint8_t* pBuffer = nullptr;
    while ((result = decoder.DecodeNextFrame(frame)) == GifError::None) {
        if (nFrames++ == 1) pBuffer = frame.m_arrPixels.data();
        ASSERT_TRUE(nFrames < 3 || frame.m_arrPixels.data() == pBuffer);
    }
    EXPECT_EQ(result, GifError::End);
    EXPECT_EQ(nFrames, 50000);
}

// After the data of the first frame its terminator is missing: the next bytes are read as
// one more sub-block, as every decoder must. Nothing breaks, the first frame is whole.
TEST(GifHostile, MissingSubBlockTerminators) {
    for (bool bTrailer : {true, false}) {
        CGifWriter writer(8, 8, kFourColors);
        const CGifWriter::CImage image = PlainImage(8, 8);
        writer.Descriptor(0, 0, 8, 8, 0);
        writer.Raw({2});
        writer.SubBlocks(LzwEncode(image.arrPixels, image.lzw), 255, false);
        writer.Image(image);
        writer.Image(image);
        if (bTrailer) writer.Trailer();
        const COurImage ours = OurDecode(writer.Bytes());
        ASSERT_TRUE(ours.bReachedEnd);
        ASSERT_FALSE(ours.arrFrames.empty());
        EXPECT_EQ(ours.arrResults[0], GifError::None);
        EXPECT_EQ(Unpadded(ours.arrFrames[0]), image.arrPixels);
    }
}

TEST(GifHostile, MissingTrailerEndsLikeATrailer) {
    std::vector<uint8_t> file = SampleAnimation();
    file.pop_back();
    const COurImage ours = OurDecode(file);
    EXPECT_TRUE(ours.bReachedEnd);
    EXPECT_EQ(ours.arrFrames.size(), 3u);
}

TEST(GifHostile, StrayBytesAreConsumedOneACall) {
    CGifWriter writer(4, 4, kFourColors);
    writer.Raw({0x99, 0x00, 0x42, 0x00});
    writer.Image(PlainImage(4, 4));
    writer.Trailer();
    const COurImage ours = OurDecode(writer.Bytes());
    ASSERT_EQ(ours.arrResults.size(), 3u);
    EXPECT_EQ(ours.arrResults[0], GifError::UnknownBlock);
    EXPECT_EQ(ours.arrResults[1], GifError::UnknownBlock);
    EXPECT_EQ(ours.arrResults[2], GifError::None);
}

TEST(GifHostile, AFileWithoutFramesNeverSpins) {
    for (const std::vector<uint8_t>& body :
         {std::vector<uint8_t>{0x3B}, std::vector<uint8_t>{0x00}, std::vector<uint8_t>{0x21, 0xFE, 0x00}}) {
        CGifWriter writer(4, 4, {});
        writer.Raw(body);
        CGifDecoder decoder;
        ASSERT_EQ(decoder.Open(writer.Bytes()), GifError::None);
        CGifFrame frame;
        for (int nLoop = 0; nLoop < 3; ++nLoop) {
            EXPECT_EQ(decoder.DecodeNextFrame(frame), GifError::End);
            decoder.Rewind();
        }
    }
}

TEST(GifHostile, CutExtensionsAndDescriptorsAreTruncated) {
    const std::vector<std::vector<uint8_t>> bodies = {
        {0x21},                                      // no label
        {0x21, 0xF9},                                // no size
        {0x21, 0xF9, 4, 1, 2},                       // short graphic control
        {0x21, 0xF9, 4, 1, 2, 0, 0},                 // no terminator
        {0x21, 0xFF, 11, 'N', 'E'},                  // cut application block
        {0x2C, 0, 0, 0, 0, 4},                       // cut descriptor
        {0x2C, 0, 0, 0, 0, 4, 0, 4, 0, 0x81, 1, 2},  // cut local table
        {0x2C, 0, 0, 0, 0, 4, 0, 4, 0, 0},           // no code size
    };
    for (const std::vector<uint8_t>& body : bodies) {
        CGifWriter writer(4, 4, kFourColors);
        writer.Raw(body);
        CGifDecoder decoder;
        ASSERT_EQ(decoder.Open(writer.Bytes()), GifError::None);
        CGifFrame frame;
        EXPECT_EQ(decoder.DecodeNextFrame(frame), GifError::Truncated) << body.size();
        EXPECT_EQ(decoder.DecodeNextFrame(frame), GifError::End);
    }
}

TEST(GifHostile, GraphicControlWithOddSubBlocks) {
    CGifWriter writer(4, 4, kFourColors);
    writer.Raw({0x21, 0xF9, 0});                                            // no fields at all
    writer.Raw({0x21, 0xF9, 2, 0x09, 7, 0});                                // too short: ignored
    writer.Raw({0x21, 0xF9, 6, 0x09, 9, 0, 2, 0xAA, 0xBB, 3, 1, 2, 3, 0});  // long, with an extra block
    writer.Image(PlainImage(4, 4));
    writer.Trailer();
    const COurImage ours = OurDecode(writer.Bytes());
    ASSERT_EQ(ours.arrFrames.size(), 1u);
    EXPECT_TRUE(ours.arrFrames[0].m_bTransparent);
    EXPECT_EQ(ours.arrFrames[0].m_nDisposal, kGifDisposeBackground);
    EXPECT_EQ(ours.arrFrames[0].m_nDelay, 9);
    EXPECT_EQ(ours.arrFrames[0].m_nTransparentIndex, 2);
}

// Random damage to a valid file, many times over: a quick net under the fuzzer's.
TEST(GifHostile, RandomlyDamagedFilesDecodeSafely) {
    const std::vector<uint8_t> file = SampleAnimation();
    CTestRandom random(77);
    for (int nRound = 0; nRound < 3000; ++nRound) {
        std::vector<uint8_t> damaged = file;
        const int nChanges = 1 + static_cast<int>(random.Next() % 4);
        for (int i = 0; i < nChanges; ++i)
            damaged[13 + random.Next() % (damaged.size() - 13)] = static_cast<uint8_t>(random.Next());
        const COurImage ours = OurDecode(damaged, kGifMaxPixelBytes, damaged.size() + 1);
        ASSERT_TRUE(ours.bReachedEnd) << "round " << nRound;
        for (const CGifFrame& frame : ours.arrFrames) {
            ASSERT_EQ(frame.m_arrPixels.size(), frame.m_nPixelBytes);
            ASSERT_LE(frame.m_nDecodedPixels, static_cast<size_t>(frame.m_nWidth) * frame.m_nHeight);
        }
    }
}

}  // namespace
