#include "imaging/exif_reader.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
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

// The tags of the directory at nOffset, each with its value's bytes, and its link onwards.
struct Directory {
    std::map<unsigned, Bytes> tags;
    std::uint32_t nNext = 0;
};
Directory ReadDirectory(std::span<const std::uint8_t> tiff, bool bBig, std::size_t nOffset) {
    const auto U16 = [&](std::size_t i) { return bBig ? tiff[i] << 8 | tiff[i + 1] : tiff[i] | tiff[i + 1] << 8; };
    const auto U32 = [&](std::size_t i) {
        return bBig ? std::uint32_t(U16(i)) << 16 | std::uint32_t(U16(i + 2))
                    : std::uint32_t(U16(i + 2)) << 16 | std::uint32_t(U16(i));
    };
    static const std::map<unsigned, std::size_t> kSizes = {{2, 1}, {3, 2}, {4, 4}, {5, 8}, {7, 1}};
    Directory dir;
    const std::size_t nCount = U16(nOffset);
    for (std::size_t k = 0; k < nCount; ++k) {
        const std::size_t e = nOffset + 2 + 12 * k;
        const std::size_t nSize = kSizes.at(static_cast<unsigned>(U16(e + 2))) * U32(e + 4);
        const std::size_t nAt = nSize <= 4 ? e + 8 : U32(e + 8);
        dir.tags[static_cast<unsigned>(U16(e))] = Bytes(tiff.begin() + nAt, tiff.begin() + nAt + nSize);
    }
    dir.nNext = U32(nOffset + 2 + 12 * nCount);
    return dir;
}

// Tags of a camera's block beyond the builder's: make and model, exposure, a GPS block,
// maker notes and the body's serial number.
struct CameraBlock {
    static constexpr std::size_t kIfd0 = 8, kExif = kIfd0 + 2 + 6 * 12 + 4, kGps = kExif + 2 + 8 * 12 + 4,
                                 kIfd1 = kGps + 2 + 12 + 4, kData = kIfd1 + 2 + 2 * 12 + 4;
    static constexpr std::size_t kMake = kData, kModel = kMake + 10, kExposure = kModel + 12, kFNumber = kExposure + 8,
                                 kDate = kFNumber + 8, kMaker = kDate + 20, kSerial = kMaker + 16, kThumb = kSerial + 8;

    static Bytes Build(bool bBig) {
        TiffBuilder t;
        t.bBig = bBig;
        Bytes b(kThumb + t.thumbnail.size());
        t.Put16(b, 0, bBig ? 0x4D4D : 0x4949);
        t.Put16(b, 2, 42);
        t.Put32(b, 4, kIfd0);
        t.Ifd(b, kIfd0,
              {{0x010F, 2, 10, kMake},
               {0x0110, 2, 11, kModel},
               {0x0112, 3, 1, 6},
               {0x0131, 2, 4, 0x534F4F54},
               {0x8769, 4, 1, kExif},
               {0x8825, 4, 1, kGps}},
              kIfd1);
        t.Ifd(b, kExif,
              {{0x829A, 5, 1, kExposure},
               {0x829D, 5, 1, kFNumber},
               {0x8827, 3, 1, 200},
               {0x9003, 2, 20, kDate},
               {0x927C, 7, 16, kMaker},
               {0xA002, 4, 1, 4000},
               {0xA003, 4, 1, 3000},
               {0xA431, 2, 8, kSerial}},
              0);
        t.Ifd(b, kGps, {{0x0001, 2, 2, 'N'}}, 0);
        t.Ifd(b, kIfd1, {{0x0201, 4, 1, kThumb}, {0x0202, 4, 1, static_cast<std::uint32_t>(t.thumbnail.size())}}, 0);
        const auto Text = [&](std::size_t at, const std::string& str) {
            std::copy(str.begin(), str.end(), b.begin() + at);
        };
        Text(kMake, "Testmaker");
        Text(kModel, "Testcam X1");
        t.Put32(b, kExposure, 1);
        t.Put32(b, kExposure + 4, 125);
        t.Put32(b, kFNumber, 56);
        t.Put32(b, kFNumber + 4, 10);
        Text(kDate, "2024:05:06 07:08:09");
        Text(kMaker, "serial SN998877");
        Text(kSerial, "SN12345");
        std::copy(t.thumbnail.begin(), t.thumbnail.end(), b.begin() + kThumb);
        return b;
    }
};

TEST(ExifReader, CopyKeepsCameraDateAndExposureOnlyUprightAtItsNewSize) {
    for (const bool bBig : {false, true}) {
        const Bytes source = CameraBlock::Build(bBig);
        const Directory sourceExif = ReadDirectory(source, bBig, CameraBlock::kExif);
        const Directory sourceIfd0 = ReadDirectory(source, bBig, CameraBlock::kIfd0);
        const Bytes jpeg = JpegWith(source);
        const auto exif = Read(jpeg);
        ASSERT_TRUE(exif);
        const Bytes app1 = RewriteExifForCopy(*exif, PixelSize{1500, 2000});
        ASSERT_GT(app1.size(), 6u);
        EXPECT_EQ(Bytes(app1.begin(), app1.begin() + 6), (Bytes{'E', 'x', 'i', 'f', 0, 0}));
        const std::span<const std::uint8_t> tiff(app1.data() + 6, app1.size() - 6);
        const auto copy = ReadExifTiff(tiff);
        ASSERT_TRUE(copy);
        EXPECT_EQ(copy->bBigEndian, bBig);
        EXPECT_EQ(copy->nOrientation, 1);
        EXPECT_EQ(copy->sizeDeclared, (PixelSize{1500, 2000}));
        EXPECT_EQ(copy->strDateTaken, "2024:05:06 07:08:09");
        EXPECT_TRUE(copy->thumbnail.empty());

        const std::size_t nIfd0 = bBig ? tiff[7] : tiff[4];
        const Directory ifd0 = ReadDirectory(tiff, bBig, nIfd0);
        EXPECT_EQ(ifd0.nNext, 0u) << "no thumbnail directory";
        std::vector<unsigned> arrTags;
        for (const auto& [nTag, value] : ifd0.tags) arrTags.push_back(nTag);
        EXPECT_EQ(arrTags, (std::vector<unsigned>{0x010F, 0x0110, 0x0112, 0x8769})) << "no GPS block, no software";
        EXPECT_EQ(ifd0.tags.at(0x010F), sourceIfd0.tags.at(0x010F));
        EXPECT_EQ(ifd0.tags.at(0x0110), sourceIfd0.tags.at(0x0110));
        const Bytes& link = ifd0.tags.at(0x8769);
        const std::size_t nExif = bBig ? link[3] | link[2] << 8 : link[0] | link[1] << 8;
        const Directory exifDir = ReadDirectory(tiff, bBig, nExif);
        arrTags.clear();
        for (const auto& [nTag, value] : exifDir.tags) arrTags.push_back(nTag);
        EXPECT_EQ(arrTags, (std::vector<unsigned>{0x829A, 0x829D, 0x8827, 0x9003, 0xA002, 0xA003}))
            << "no maker notes, no serial number";
        for (unsigned nTag : {0x829Au, 0x829Du, 0x8827u, 0x9003u})
            EXPECT_EQ(exifDir.tags.at(nTag), sourceExif.tags.at(nTag)) << std::hex << nTag;
        const std::string strCopy(app1.begin(), app1.end());
        EXPECT_EQ(strCopy.find("SN"), std::string::npos) << "no serial number anywhere in the block";
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
