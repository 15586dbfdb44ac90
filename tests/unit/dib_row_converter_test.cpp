#include "imaging/dib_row_converter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

struct Rgb {
    std::uint8_t r = 0, g = 0, b = 0;
    friend bool operator==(const Rgb&, const Rgb&) = default;
};

void PutU32(Bytes& v, size_t at, std::uint32_t n) {
    for (int i = 0; i < 4; ++i) v[at + i] = static_cast<std::uint8_t>(n >> (8 * i));
}

// A BITMAPINFOHEADER as the format lays it out, written field by field.
Bytes InfoHeader(int nWidth, int nHeight, int nBitCount, std::uint32_t nHeaderSize = 40,
                 std::uint32_t nCompression = 0) {
    Bytes v(nHeaderSize, 0);
    PutU32(v, 0, nHeaderSize);
    PutU32(v, 4, static_cast<std::uint32_t>(nWidth));
    PutU32(v, 8, static_cast<std::uint32_t>(nHeight));
    v[12] = 1;  // planes
    v[14] = static_cast<std::uint8_t>(nBitCount);
    v[15] = static_cast<std::uint8_t>(nBitCount >> 8);
    PutU32(v, 16, nCompression);
    return v;
}

int RoundUp4(int n) { return (n + 3) / 4 * 4; }

// Stored row lengths as the format's table states them, one rule per depth.
int StoredRowBytes(int nBitCount, int nWidth) {
    switch (nBitCount) {
    case 1: return RoundUp4((nWidth + 7) / 8);
    case 4: return RoundUp4((nWidth + 1) / 2);
    case 8: return RoundUp4(nWidth);
    case 16: return 2 * (nWidth + nWidth % 2);
    case 24: return RoundUp4(3 * nWidth);
    case 32: return 4 * nWidth;
    }
    return 0;
}

// 5-bit to 8-bit, as the writer's rule lists it value by value.
std::uint8_t Widened(unsigned v) {
    if (v == 0) return 0;
    if (v == 31) return 255;
    return static_cast<std::uint8_t>(8 * v + 8);
}

// A picture of random pixels, its DIB at one depth, and what each pixel must come out as.
struct TestDib {
    Bytes dib;
    std::vector<Rgb> arrExpected;  // top row first
};

TestDib MakeDib(int nBitCount, int nWidth, int nHeight, bool bTopDown, std::mt19937& rng) {
    auto byte = [&rng] { return static_cast<std::uint8_t>(rng()); };
    TestDib t;
    t.dib = InfoHeader(nWidth, bTopDown ? -nHeight : nHeight, nBitCount);

    std::vector<Rgb> arrPalette;
    if (nBitCount <= 8) {
        for (int i = 0; i < (1 << nBitCount); ++i) {
            const Rgb c{byte(), byte(), byte()};
            arrPalette.push_back(c);
            t.dib.insert(t.dib.end(), {c.b, c.g, c.r, byte()});  // the fourth byte is never read
        }
    }

    const int nStride = StoredRowBytes(nBitCount, nWidth);
    std::vector<Bytes> arrStored;  // top row first
    for (int y = 0; y < nHeight; ++y) {
        Bytes row(nStride, 0xA5);  // padding filled with noise
        for (int x = 0; x < nWidth; ++x) {
            Rgb c;
            switch (nBitCount) {
            case 1: {
                const unsigned k = rng() & 1;
                c = arrPalette[k];
                std::uint8_t& b = row[x / 8];
                if (x % 8 == 0) b = 0xFF >> std::min(8, nWidth - x);  // unused low bits set
                b |= static_cast<std::uint8_t>(k << (7 - x % 8));
                break;
            }
            case 4: {
                const unsigned k = rng() & 15;
                c = arrPalette[k];
                std::uint8_t& b = row[x / 2];
                b = x % 2 == 0 ? static_cast<std::uint8_t>(k << 4 | 0x0F) : static_cast<std::uint8_t>((b & 0xF0) | k);
                break;
            }
            case 8: {
                const unsigned k = rng() & 255;
                c = arrPalette[k];
                row[x] = static_cast<std::uint8_t>(k);
                break;
            }
            case 16: {
                const unsigned r5 = rng() % 32, g5 = rng() % 32, b5 = rng() % 32;
                const unsigned v = (rng() & 1) << 15 | r5 << 10 | g5 << 5 | b5;
                row[2 * x] = static_cast<std::uint8_t>(v);
                row[2 * x + 1] = static_cast<std::uint8_t>(v >> 8);
                c = {Widened(r5), Widened(g5), Widened(b5)};
                break;
            }
            case 24:
                c = {byte(), byte(), byte()};
                row[3 * x] = c.b;
                row[3 * x + 1] = c.g;
                row[3 * x + 2] = c.r;
                break;
            case 32:
                c = {byte(), byte(), byte()};
                row[4 * x] = c.b;
                row[4 * x + 1] = c.g;
                row[4 * x + 2] = c.r;
                row[4 * x + 3] = byte();
                break;
            }
            t.arrExpected.push_back(c);
        }
        arrStored.push_back(row);
    }
    for (int i = 0; i < nHeight; ++i) {
        const Bytes& row = arrStored[bTopDown ? i : nHeight - 1 - i];
        t.dib.insert(t.dib.end(), row.begin(), row.end());
    }
    return t;
}

constexpr std::uint8_t kGuard = 0xCD;
constexpr int kGuardBytes = 16;

// Output rows of width × 3 bytes followed by guard bytes that must stay untouched.
struct OutputRows {
    OutputRows(int nWidth, int nHeight) : nRowBytes(nWidth * 3) {
        for (int i = 0; i < nHeight; ++i) arrRows.emplace_back(nRowBytes + kGuardBytes, kGuard);
        for (Bytes& row : arrRows) arrPointers.push_back(row.data());
    }
    Rgb At(int x, int y) const {
        const std::uint8_t* p = &arrRows[y][3 * x];
        return {p[0], p[1], p[2]};
    }
    bool GuardsIntact() const {
        for (const Bytes& row : arrRows)
            for (int i = nRowBytes; i < nRowBytes + kGuardBytes; ++i)
                if (row[i] != kGuard) return false;
        return true;
    }
    int nRowBytes;
    std::vector<Bytes> arrRows;
    std::vector<std::uint8_t*> arrPointers;
};

class DibRowsDepth : public ::testing::TestWithParam<int> {};

TEST_P(DibRowsDepth, EveryPixelComesOutAsItsColour) {
    const int nBitCount = GetParam();
    std::mt19937 rng(20040601 + nBitCount);
    for (bool bTopDown : {false, true})
        for (int nHeight : {1, 2, 5})
            for (int nWidth : {1, 2, 3, 4, 5, 7, 8, 9, 15, 16, 17, 33, 100}) {
                SCOPED_TRACE(::testing::Message()
                             << nWidth << " x " << nHeight << (bTopDown ? " top-down" : " bottom-up"));
                const TestDib t = MakeDib(nBitCount, nWidth, nHeight, bTopDown, rng);
                OutputRows out(nWidth, nHeight);
                std::string strError = "stale";
                ASSERT_TRUE(DibToRgbRows(t.dib, out.nRowBytes, out.arrPointers.data(), strError)) << strError;
                EXPECT_EQ(strError, "");
                for (int y = 0; y < nHeight; ++y)
                    for (int x = 0; x < nWidth; ++x)
                        ASSERT_EQ(out.At(x, y), t.arrExpected[y * nWidth + x]) << "pixel (" << x << ", " << y << ")";
                EXPECT_TRUE(out.GuardsIntact());
            }
}

TEST_P(DibRowsDepth, BufferOneByteShortIsRefused) {
    std::mt19937 rng(7);
    TestDib t = MakeDib(GetParam(), 9, 3, false, rng);
    t.dib.pop_back();
    OutputRows out(9, 3);
    std::string strError;
    EXPECT_FALSE(DibToRgbRows(t.dib, out.nRowBytes, out.arrPointers.data(), strError));
    EXPECT_EQ(strError, "Invalid input data");
}

INSTANTIATE_TEST_SUITE_P(BitCounts, DibRowsDepth, ::testing::Values(1, 4, 8, 16, 24, 32),
                         [](const auto& info) { return std::to_string(info.param) + "bpp"; });

// ---------------------------------------------------------------------------------------
// The writer's own examples, byte by byte.

Rgb Convert1x1(const Bytes& dib) {
    OutputRows out(1, 1);
    std::string strError;
    EXPECT_TRUE(DibToRgbRows(dib, 3, out.arrPointers.data(), strError)) << strError;
    return out.At(0, 0);
}

Bytes Dib16(std::uint16_t nPixel) {
    Bytes dib = InfoHeader(1, 1, 16);
    dib.insert(dib.end(), {static_cast<std::uint8_t>(nPixel), static_cast<std::uint8_t>(nPixel >> 8), 0, 0});
    return dib;
}

TEST(DibRows, SixteenBitWhiteAndLowestBlue) {
    EXPECT_EQ(Convert1x1(Dib16(0x7FFF)), (Rgb{255, 255, 255}));
    EXPECT_EQ(Convert1x1(Dib16(0xFFFF)), (Rgb{255, 255, 255}));  // bit 15 is not colour
    EXPECT_EQ(Convert1x1(Dib16(0x0001)), (Rgb{0, 0, 16}));
    EXPECT_EQ(Convert1x1(Dib16(0x0000)), (Rgb{0, 0, 0}));
}

TEST(DibRows, SixteenBitChannelsSitInBits10To14And5To9And0To4) {
    EXPECT_EQ(Convert1x1(Dib16(2 << 10 | 30 << 5 | 16)), (Rgb{24, 248, 136}));
    EXPECT_EQ(Convert1x1(Dib16(31 << 10)), (Rgb{255, 0, 0}));
    EXPECT_EQ(Convert1x1(Dib16(31 << 5)), (Rgb{0, 255, 0}));
}

TEST(DibRows, FourBitByteSelectsHighNibbleFirst) {
    Bytes dib = InfoHeader(2, 1, 4);
    for (int i = 0; i < 16; ++i)  // entry i: blue i, green 2i, red 3i
        dib.insert(dib.end(), {static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(2 * i),
                               static_cast<std::uint8_t>(3 * i), 0xEE});
    dib.insert(dib.end(), {0x1F, 0, 0, 0});
    OutputRows out(2, 1);
    std::string strError;
    ASSERT_TRUE(DibToRgbRows(dib, out.nRowBytes, out.arrPointers.data(), strError));
    EXPECT_EQ(out.At(0, 0), (Rgb{3, 2, 1}));
    EXPECT_EQ(out.At(1, 0), (Rgb{45, 30, 15}));
}

TEST(DibRows, TwentyFourBitRowsOfThreePixelsArePaddedToTwelveBytes) {
    // Two rows, stored bottom row first: 9 bytes of pixels and 3 of padding each.
    Bytes dib = InfoHeader(3, 2, 24);
    const Bytes bottom{1, 2, 3, 4, 5, 6, 7, 8, 9, 0xEE, 0xEE, 0xEE};
    const Bytes top{10, 11, 12, 13, 14, 15, 16, 17, 18, 0xEE, 0xEE, 0xEE};
    dib.insert(dib.end(), bottom.begin(), bottom.end());
    dib.insert(dib.end(), top.begin(), top.end());
    ASSERT_EQ(dib.size(), 40u + 24u);
    std::uint8_t rows[2][9];
    std::uint8_t* pRows[2] = {rows[0], rows[1]};
    std::string strError;
    ASSERT_TRUE(DibToRgbRows(dib, 9, pRows, strError));
    const std::uint8_t wantTop[9] = {12, 11, 10, 15, 14, 13, 18, 17, 16};
    const std::uint8_t wantBottom[9] = {3, 2, 1, 6, 5, 4, 9, 8, 7};
    EXPECT_EQ(0, std::memcmp(rows[0], wantTop, 9));
    EXPECT_EQ(0, std::memcmp(rows[1], wantBottom, 9));
}

TEST(DibRows, EveryEightBitIndexFindsItsOwnEntry) {
    Bytes dib = InfoHeader(256, 1, 8);
    for (int i = 0; i < 256; ++i)
        dib.insert(dib.end(), {static_cast<std::uint8_t>(255 - i), static_cast<std::uint8_t>(i),
                               static_cast<std::uint8_t>(i ^ 0x5A), 0});
    for (int i = 0; i < 256; ++i) dib.push_back(static_cast<std::uint8_t>(i));
    OutputRows out(256, 1);
    std::string strError;
    ASSERT_TRUE(DibToRgbRows(dib, out.nRowBytes, out.arrPointers.data(), strError));
    for (int i = 0; i < 256; ++i)
        ASSERT_EQ(out.At(i, 0), (Rgb{static_cast<std::uint8_t>(i ^ 0x5A), static_cast<std::uint8_t>(i),
                                     static_cast<std::uint8_t>(255 - i)}));
}

TEST(DibRows, LongerHeaderMovesTheTableAndRows) {
    // A 108-byte header: the table starts at biSize, not at 40.
    Bytes dib = InfoHeader(1, 1, 1, 108);
    dib.insert(dib.end(), {0, 0, 0, 0, 0x30, 0x20, 0x10, 0});  // entries 0 and 1
    dib.insert(dib.end(), {0x80, 0, 0, 0});
    EXPECT_EQ(Convert1x1(dib), (Rgb{0x10, 0x20, 0x30}));
}

TEST(DibRows, WiderOutputRowsKeepTheirTail) {
    std::mt19937 rng(3);
    const TestDib t = MakeDib(24, 5, 2, false, rng);
    Bytes row0(40, kGuard), row1(40, kGuard);
    std::uint8_t* pRows[2] = {row0.data(), row1.data()};
    std::string strError;
    ASSERT_TRUE(DibToRgbRows(t.dib, 40, pRows, strError));
    for (int i = 15; i < 40; ++i) ASSERT_EQ(row0[i], kGuard);
}

// ---------------------------------------------------------------------------------------
// Refusals.

struct RefusalCase {
    const char* pszName;
    Bytes dib;
    int nRowBytes;
    const char* pszError;
};

Bytes WithPixels(Bytes header, size_t nBytes) {
    header.resize(header.size() + nBytes, 0);
    return header;
}

class DibRowsRefusal : public ::testing::TestWithParam<RefusalCase> {};

TEST_P(DibRowsRefusal, UnusableInputIsReportedAndNothingWritten) {
    const RefusalCase& c = GetParam();
    Bytes row(64, kGuard);
    std::uint8_t* pRows[4] = {row.data(), row.data(), row.data(), row.data()};
    std::string strError;
    EXPECT_FALSE(DibToRgbRows(c.dib, c.nRowBytes, pRows, strError));
    EXPECT_EQ(strError, c.pszError);
    EXPECT_EQ(row, Bytes(64, kGuard));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DibRowsRefusal,
    ::testing::Values(
        RefusalCase{"Empty", {}, 3, "Invalid input data"},
        RefusalCase{"ZeroRowBytes", WithPixels(InfoHeader(1, 1, 24), 4), 0, "Invalid input data"},
        RefusalCase{"NegativeRowBytes", WithPixels(InfoHeader(1, 1, 24), 4), -3, "Invalid input data"},
        RefusalCase{"RowBytesShorterThanThePicture", WithPixels(InfoHeader(4, 1, 24), 12), 11, "Invalid input data"},
        RefusalCase{"BitCount0", WithPixels(InfoHeader(1, 1, 0), 4), 3, "Invalid bitmap bit count"},
        RefusalCase{"BitCount2", WithPixels(InfoHeader(1, 1, 2), 20), 3, "Invalid bitmap bit count"},
        RefusalCase{"BitCount15", WithPixels(InfoHeader(1, 1, 15), 4), 3, "Invalid bitmap bit count"},
        RefusalCase{"BitCount64", WithPixels(InfoHeader(1, 1, 64), 8), 3, "Invalid bitmap bit count"},
        RefusalCase{"TruncatedHeader", Bytes(39, 0), 3, "Invalid input data"},
        RefusalCase{"HeaderSizeTooSmall", WithPixels(InfoHeader(1, 1, 24, 39), 5), 3, "Invalid input data"},
        RefusalCase{"HeaderSizePastTheBuffer",
                    [] {
                        Bytes v = WithPixels(InfoHeader(1, 1, 24), 4);
                        PutU32(v, 0, 1000);
                        return v;
                    }(),
                    3, "Invalid input data"},
        RefusalCase{"BitFields", WithPixels(InfoHeader(1, 1, 16, 40, 3), 16), 3, "Invalid input data"},
        RefusalCase{"RunLength", WithPixels(InfoHeader(1, 1, 8, 40, 1), 1028), 3, "Invalid input data"},
        RefusalCase{"ZeroWidth", WithPixels(InfoHeader(0, 1, 24), 4), 3, "Invalid input data"},
        RefusalCase{"NegativeWidth", WithPixels(InfoHeader(-1, 1, 24), 4), 3, "Invalid input data"},
        RefusalCase{"ZeroHeight", WithPixels(InfoHeader(1, 0, 24), 4), 3, "Invalid input data"},
        RefusalCase{"MostNegativeHeight", WithPixels(InfoHeader(1, INT_MIN, 24), 4), 3, "Invalid input data"},
        RefusalCase{"PaletteMissing", WithPixels(InfoHeader(1, 1, 8), 1000), 3, "Invalid input data"},
        RefusalCase{"HugeWidthSmallBuffer", WithPixels(InfoHeader(INT_MAX, INT_MAX, 32), 64), 48, "Invalid input data"},
        RefusalCase{"HugeHeightSmallBuffer", WithPixels(InfoHeader(1, INT_MAX, 1), 64 + 8), 3, "Invalid input data"}),
    [](const auto& info) { return std::string(info.param.pszName); });

TEST(DibRows, MissingRowArrayIsRefused) {
    std::mt19937 rng(1);
    const TestDib t = MakeDib(24, 2, 2, false, rng);
    std::string strError;
    EXPECT_FALSE(DibToRgbRows(t.dib, 6, nullptr, strError));
    EXPECT_EQ(strError, "Invalid input data");
}

TEST(DibRows, StoredRowsRunBottomUpUnlessTheHeightIsNegative) {
    Bytes bottomUp = InfoHeader(1, 3, 32);
    Bytes topDown = InfoHeader(1, -3, 32);
    for (std::uint8_t n : {10, 20, 30}) {  // stored order
        bottomUp.insert(bottomUp.end(), {n, n, n, n});
        topDown.insert(topDown.end(), {n, n, n, n});
    }
    const CDibRowConverter up(bottomUp), down(topDown);
    ASSERT_TRUE(up.IsValid() && down.IsValid());
    EXPECT_EQ(*up.GetStoredRow(0), 30);
    EXPECT_EQ(*up.GetStoredRow(2), 10);
    EXPECT_EQ(*down.GetStoredRow(0), 10);
    EXPECT_EQ(*down.GetStoredRow(2), 30);
    EXPECT_EQ(up.GetStoredRow(0), bottomUp.data() + 40 + 8);
}

TEST(DibRows, ConverterTellsTheSizeForTheCompressor) {
    std::mt19937 rng(2);
    const TestDib t = MakeDib(8, 13, 7, true, rng);
    const CDibRowConverter converter(t.dib);
    ASSERT_TRUE(converter.IsValid());
    EXPECT_EQ(converter.GetWidth(), 13);
    EXPECT_EQ(converter.GetHeight(), 7);  // a top-down DIB has a positive height too
    EXPECT_EQ(converter.GetBitCount(), 8);
}

}  // namespace
