#include "imaging/exif_reader.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "pixel_geometry_print.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

// A camera's EXIF block laid out as cameras lay it out: header, IFD0 (orientation, the
// EXIF directory), the EXIF directory (pixel size, date taken), IFD1 (the thumbnail), the
// date's text, the thumbnail last. The offsets are public so that cases can break them.
struct TiffBuilder {
    bool bBig = false;
    unsigned nOrientation = 6;
    Bytes thumbnail = {0xFF, 0xD8, 0xFF, 0xD9, 1, 2, 3, 4};

    static constexpr std::size_t kIfd0 = 8;  // 2 entries
    static constexpr std::size_t kExifIfd = kIfd0 + 2 + 2 * 12 + 4;
    static constexpr std::size_t kIfd1 = kExifIfd + 2 + 3 * 12 + 4;
    static constexpr std::size_t kDate = kIfd1 + 2 + 2 * 12 + 4;
    static constexpr std::size_t kThumb = kDate + 20;

    Bytes Build() const {
        Bytes b(kThumb);
        Put16(b, 0, bBig ? 0x4D4D : 0x4949);
        Put16(b, 2, 42);
        Put32(b, 4, kIfd0);
        Ifd(b, kIfd0, {{0x0112, 3, 1, nOrientation}, {0x8769, 4, 1, kExifIfd}}, kIfd1);
        Ifd(b, kExifIfd, {{0xA002, 4, 1, 4000}, {0xA003, 3, 1, 3000}, {0x9003, 2, 20, kDate}}, 0);
        Ifd(b, kIfd1, {{0x0201, 4, 1, kThumb}, {0x0202, 4, 1, static_cast<std::uint32_t>(thumbnail.size())}}, 0);
        const std::string strDate = "2024:05:06 07:08:09";
        std::copy(strDate.begin(), strDate.end(), b.begin() + kDate);
        b.insert(b.end(), thumbnail.begin(), thumbnail.end());
        return b;
    }

    struct Entry {
        unsigned nTag, nType;
        std::uint32_t nCount, nValue;
    };
    void Put16(Bytes& b, std::size_t i, unsigned n) const {
        b[i + (bBig ? 0 : 1)] = static_cast<std::uint8_t>(n >> 8);
        b[i + (bBig ? 1 : 0)] = static_cast<std::uint8_t>(n);
    }
    void Put32(Bytes& b, std::size_t i, std::uint32_t n) const {
        for (int k = 0; k < 4; ++k) b[i + (bBig ? 3 - k : k)] = static_cast<std::uint8_t>(n >> (8 * k));
    }
    void Ifd(Bytes& b, std::size_t at, const std::vector<Entry>& entries, std::uint32_t nNext) const {
        Put16(b, at, static_cast<unsigned>(entries.size()));
        std::size_t i = at + 2;
        for (const Entry& e : entries) {
            Put16(b, i, e.nTag);
            Put16(b, i + 2, e.nType);
            Put32(b, i + 4, e.nCount);
            if (e.nType == 3)
                Put16(b, i + 8, e.nValue);
            else
                Put32(b, i + 8, e.nValue);
            i += 12;
        }
        Put32(b, i, nNext);
    }
};

// SOI, a JFIF segment, the APP1 segment holding the TIFF bytes, a stub table.
Bytes JpegWith(const Bytes& tiff, std::size_t nDeclaredExtra = 0) {
    Bytes b = {0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x10, 'J', 'F', 'I', 'F', 0, 1, 1, 0, 0, 1, 0, 1, 0, 0};
    const std::size_t nLength = 2 + 6 + tiff.size() + nDeclaredExtra;
    const Bytes app1 = {
        0xFF, 0xE1, static_cast<std::uint8_t>(nLength >> 8), static_cast<std::uint8_t>(nLength), 'E', 'x', 'i', 'f',
        0,    0};
    b.insert(b.end(), app1.begin(), app1.end());
    b.insert(b.end(), tiff.begin(), tiff.end());
    const Bytes dqt = {0xFF, 0xDB, 0x00, 0x04, 0x00, 0x01};
    b.insert(b.end(), dqt.begin(), dqt.end());
    return b;
}

// The block's views point into b, which must outlive them.
std::optional<ExifBlock> Read(const Bytes& b) { return ReadExif({b.data(), b.size()}); }

TEST(ExifReader, ReadsWhatACameraWritesInEitherByteOrder) {
    for (const bool bBig : {false, true}) {
        TiffBuilder t;
        t.bBig = bBig;
        const Bytes jpeg = JpegWith(t.Build());
        const auto exif = Read(jpeg);
        ASSERT_TRUE(exif) << bBig;
        EXPECT_EQ(exif->bBigEndian, bBig);
        EXPECT_EQ(exif->nOrientation, 6);
        EXPECT_EQ(exif->sizeDeclared, (PixelSize{4000, 3000}));
        EXPECT_EQ(exif->strDateTaken, "2024:05:06 07:08:09");
        EXPECT_EQ(Bytes(exif->thumbnail.begin(), exif->thumbnail.end()), t.thumbnail);
    }
}

struct BadCase {
    const char* pszName;
    std::function<Bytes()> make;
    bool bFound;       // a block comes back at all
    int nOrientation;  // when found
    bool bThumbnail;
    bool bSize;
};

Bytes Changed(std::function<void(Bytes&)> change) {
    Bytes tiff = TiffBuilder{}.Build();
    change(tiff);
    return JpegWith(tiff);
}

TEST(ExifReader, BadBlocksAreReadSafelyOrIgnored) {
    const TiffBuilder le;
    const BadCase cases[] = {
        {"not a jpeg", [] { return Bytes{'G', 'I', 'F', '8', '9', 'a', 'E', 'x', 'i', 'f', 0, 0}; }, false, 0, false,
         false},
        {"app1 longer than the bytes", [] { return JpegWith(TiffBuilder{}.Build(), 100); }, false, 0, false, false},
        {"no tiff magic", [] { return Changed([](Bytes& b) { b[2] = 0; }); }, false, 0, false, false},
        {"ifd0 past the end", [&] { return Changed([&](Bytes& b) { le.Put32(b, 4, 0x7FFFFFF0); }); }, true, 1, false,
         false},
        {"ifd0 cut short",
         [] {
             Bytes b = TiffBuilder{}.Build();
             b.resize(TiffBuilder::kIfd0 + 2 + 12 + 5);
             return JpegWith(b);
         },
         true, 6, false, false},
        {"huge entry count", [&] { return Changed([&](Bytes& b) { le.Put16(b, TiffBuilder::kIfd0, 0xFFFF); }); }, true,
         6, false, true},
        {"ifd1 loops to ifd0",
         [&] { return Changed([&](Bytes& b) { le.Put32(b, TiffBuilder::kIfd0 + 2 + 24, TiffBuilder::kIfd0); }); }, true,
         6, false, true},
        {"exif ifd is ifd0",
         [&] { return Changed([&](Bytes& b) { le.Put32(b, TiffBuilder::kIfd0 + 2 + 12 + 8, TiffBuilder::kIfd0); }); },
         true, 6, true, false},
        {"orientation 0",
         [] {
             TiffBuilder t;
             t.nOrientation = 0;
             return JpegWith(t.Build());
         },
         true, 1, true, true},
        {"orientation 9",
         [] {
             TiffBuilder t;
             t.nOrientation = 9;
             return JpegWith(t.Build());
         },
         true, 1, true, true},
        {"thumbnail not a jpeg",
         [] {
             TiffBuilder t;
             t.thumbnail = {'B', 'M', 0, 0};
             return JpegWith(t.Build());
         },
         true, 6, false, true},
        {"thumbnail longer than the block",
         [&] { return Changed([&](Bytes& b) { le.Put32(b, TiffBuilder::kIfd1 + 2 + 12 + 8, 0xFFFFFFF0); }); }, true, 6,
         false, true},
        {"thumbnail offset past the end",
         [&] { return Changed([&](Bytes& b) { le.Put32(b, TiffBuilder::kIfd1 + 2 + 8, 0xFFFFFFFC); }); }, true, 6,
         false, true},
        {"date count huge",
         [&] { return Changed([&](Bytes& b) { le.Put32(b, TiffBuilder::kExifIfd + 2 + 24 + 4, 0xFFFFFFFF); }); }, true,
         6, true, true},
    };
    for (const BadCase& c : cases) {
        const Bytes b = c.make();
        const auto exif = Read(b);
        ASSERT_EQ(static_cast<bool>(exif), c.bFound) << c.pszName;
        if (!exif) continue;
        EXPECT_EQ(exif->nOrientation, c.nOrientation) << c.pszName;
        EXPECT_EQ(!exif->thumbnail.empty(), c.bThumbnail) << c.pszName;
        EXPECT_EQ(exif->sizeDeclared.has_value(), c.bSize) << c.pszName;
        if (std::string(c.pszName) == "date count huge") EXPECT_EQ(exif->strDateTaken, "") << c.pszName;
        // Every rewrite of a damaged block stays inside it and reads back.
        const Bytes app1 = RewriteExifForCopy(*exif, PixelSize{80, 60});
        ASSERT_GE(app1.size(), 6u + 8u) << c.pszName;
        EXPECT_TRUE(ReadExifTiff({app1.data() + 6, app1.size() - 6})) << c.pszName;
    }
}

TEST(ExifReader, CopyIsUprightAtItsNewSizeWithoutTheThumbnail) {
    for (const bool bBig : {false, true}) {
        TiffBuilder t;
        t.bBig = bBig;
        const Bytes jpeg = JpegWith(t.Build());
        const auto exif = Read(jpeg);
        ASSERT_TRUE(exif);
        const Bytes app1 = RewriteExifForCopy(*exif, PixelSize{1500, 2000});
        ASSERT_EQ(app1.size(), 6 + TiffBuilder::kThumb) << "the thumbnail's bytes are cut off";
        EXPECT_EQ(Bytes(app1.begin(), app1.begin() + 6), (Bytes{'E', 'x', 'i', 'f', 0, 0}));
        const auto copy = ReadExifTiff({app1.data() + 6, app1.size() - 6});
        ASSERT_TRUE(copy);
        EXPECT_EQ(copy->nOrientation, 1);
        EXPECT_EQ(copy->sizeDeclared, (PixelSize{1500, 2000}));
        EXPECT_EQ(copy->strDateTaken, "2024:05:06 07:08:09");
        EXPECT_TRUE(copy->thumbnail.empty());
        const auto link = copy->tiff.subspan(copy->nNextIfdField, 4);
        EXPECT_EQ(Bytes(link.begin(), link.end()), Bytes(4, 0)) << "IFD0 links to nothing";
    }
}

TEST(ExifReader, OrientationTurnsTheTopLeftCornerUpright) {
    // Where the stored picture's first pixel (of 4 by 3 pixels) shows once upright.
    const struct {
        int nOrientation;
        PixelSize sizeUpright;
        PixelPoint ptFirst, ptLastOfFirstRow;
    } cases[] = {
        {1, {4, 3}, {0, 0}, {3, 0}}, {2, {4, 3}, {3, 0}, {0, 0}}, {3, {4, 3}, {3, 2}, {0, 2}},
        {4, {4, 3}, {0, 2}, {3, 2}}, {5, {3, 4}, {0, 0}, {0, 3}}, {6, {3, 4}, {2, 0}, {2, 3}},
        {7, {3, 4}, {2, 3}, {2, 0}}, {8, {3, 4}, {0, 3}, {0, 0}}, {0, {4, 3}, {0, 0}, {3, 0}},
    };
    const PixelSize sizeStored{4, 3};
    for (const auto& c : cases) {
        EXPECT_EQ(UprightSize(sizeStored, c.nOrientation), c.sizeUpright) << c.nOrientation;
        EXPECT_EQ(UprightPoint({0, 0}, sizeStored, c.nOrientation), c.ptFirst) << c.nOrientation;
        EXPECT_EQ(UprightPoint({3, 0}, sizeStored, c.nOrientation), c.ptLastOfFirstRow) << c.nOrientation;
    }
}

}  // namespace
