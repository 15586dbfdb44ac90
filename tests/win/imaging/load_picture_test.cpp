#include "imaging/load_picture.h"

#include <gtest/gtest.h>

#include "framework/scoped_handle.h"
#include "imaging/picture_file.h"
#include "imaging_test_support.h"
#include "test_support.h"

#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr std::uint32_t kSentinel = 0xDEADBEEF;

class LoadPictureTest : public CPictureTest {};

TEST_F(LoadPictureTest, DecodesAndReportsTheFileSize) {
    const std::string strPath = m_folder.File("a.jpg");
    ASSERT_TRUE(WriteTestJpeg(strPath, 400, 300, JpegKind::Baseline));
    std::uint32_t nSize = kSentinel;
    const CComPtrT<IPicture> picture = LoadPicture(strPath, &nSize);
    ASSERT_TRUE(picture);
    EXPECT_EQ(nSize, ReadBytes(strPath).size());
    const SIZE size = PictureSizeInPixels(picture.Get(), m_hdc);
    EXPECT_EQ(size.cx, 400);
    EXPECT_EQ(size.cy, 300);
}

TEST_F(LoadPictureTest, GifLoads) {
    const std::string strPath = m_folder.File("small.gif");
    ASSERT_TRUE(WriteBytes(strPath, kSmallGif.data(), kSmallGif.size()));
    const CComPtrT<IPicture> picture = LoadPicture(strPath, nullptr);
    ASSERT_TRUE(picture);
    EXPECT_EQ(PictureSizeInPixels(picture.Get(), m_hdc).cx, 4);
    EXPECT_EQ(PictureSizeInPixels(picture.Get(), m_hdc).cy, 3);
}

TEST_F(LoadPictureTest, MissingFileLeavesTheSizeAlone) {
    std::uint32_t nSize = kSentinel;
    EXPECT_FALSE(LoadPicture(m_folder.File("none.jpg"), &nSize));
    EXPECT_EQ(nSize, kSentinel);
}

TEST_F(LoadPictureTest, UndecodableFilesStillReportTheirSize) {
    struct Case {
        const char* pszName;
        std::string strBytes;
    };
    const Case cases[] = {{"empty.jpg", ""},
                          {"text.jpg", "not a picture at all\r\n"},
                          {"half.jpg", std::string("\xFF\xD8\xFF\xE0\x00\x10JFIF", 10)},
                          {"noframe.gif", std::string(kGifWithoutFrame.begin(), kGifWithoutFrame.end())}};
    for (const Case& c : cases) {
        const std::string strPath = m_folder.File(c.pszName);
        ASSERT_TRUE(WriteBytes(strPath, c.strBytes.data(), c.strBytes.size()));
        std::uint32_t nSize = kSentinel;
        EXPECT_FALSE(LoadPicture(strPath, &nSize)) << c.pszName;
        EXPECT_EQ(nSize, c.strBytes.size()) << c.pszName;
    }
}

TEST_F(LoadPictureTest, PictureTooLargeToDecodeIsRefusedAtOnce) {
    // A real 20000 × 20000 JPEG (400 megapixels, 1.6 GB as a bitmap): the header says
    // enough, and the decoder is never asked.
    const std::string strPath = m_folder.File("huge.jpg");
    ASSERT_TRUE(WriteTestJpeg(strPath, 20000, 20000, JpegKind::Grey, 20, true));
    std::uint32_t nSize = kSentinel;
    const DWORD dwStart = GetTickCount();
    EXPECT_FALSE(LoadPicture(strPath, &nSize));
    EXPECT_LT(GetTickCount() - dwStart, 1000u);
    EXPECT_EQ(nSize, ReadBytes(strPath).size());
}

// An enhanced metafile of a filled rectangle, as GDI writes one.
std::vector<std::uint8_t> EnhancedMetafile(const std::string& strScratch) {
    const RECT rcFrame{0, 0, 2000, 1500};  // hundredths of a millimetre
    HDC hdc = CreateEnhMetaFileA(nullptr, strScratch.c_str(), &rcFrame, nullptr);
    if (!hdc) return {};
    Rectangle(hdc, 0, 0, 60, 40);
    DeleteEnhMetaFile(CloseEnhMetaFile(hdc));
    std::vector<std::uint8_t> bytes = ReadBytes(strScratch);
    DeleteFileA(strScratch.c_str());
    return bytes;
}

// A placeable Windows metafile: the 22-byte header the system's picture object looks for,
// then a metafile of a filled rectangle.
std::vector<std::uint8_t> PlaceableMetafile() {
    HDC hdc = CreateMetaFileA(nullptr);
    if (!hdc) return {};
    Rectangle(hdc, 0, 0, 60, 40);
    HMETAFILE hmf = CloseMetaFile(hdc);
    std::vector<std::uint8_t> bits(GetMetaFileBitsEx(hmf, 0, nullptr));
    GetMetaFileBitsEx(hmf, static_cast<UINT>(bits.size()), bits.data());
    DeleteMetaFile(hmf);
    std::vector<std::uint16_t> header = {0xCDD7, 0x9AC6, 0, 0, 0, 60, 40, 1440, 0, 0};
    std::uint16_t nChecksum = 0;
    for (std::uint16_t n : header) nChecksum ^= n;
    header.push_back(nChecksum);
    std::vector<std::uint8_t> bytes(reinterpret_cast<const std::uint8_t*>(header.data()),
                                    reinterpret_cast<const std::uint8_t*>(header.data() + header.size()));
    bytes.insert(bytes.end(), bits.begin(), bits.end());
    return bytes;
}

// A 24-bit bitmap file.
std::vector<std::uint8_t> BitmapFile() {
    const std::vector<std::uint8_t> dib = MakeDib(24, MakeTestPattern(8, 6), true, nullptr);
    BITMAPFILEHEADER bf{};
    bf.bfType = 0x4D42;
    bf.bfSize = static_cast<DWORD>(sizeof bf + dib.size());
    bf.bfOffBits = sizeof bf + 40;
    std::vector<std::uint8_t> bytes(reinterpret_cast<const std::uint8_t*>(&bf),
                                    reinterpret_cast<const std::uint8_t*>(&bf) + sizeof bf);
    bytes.insert(bytes.end(), dib.begin(), dib.end());
    return bytes;
}

// What the first bytes say decides, not the name: the system's decoder, which would play a
// metafile or show a bitmap, is never given anything but a GIF.
TEST_F(LoadPictureTest, OnlyJpegAndGifBytesAreDecodedWhateverTheName) {
    std::vector<std::uint8_t> jpeg;
    ASSERT_TRUE(WriteTestJpeg(m_folder.File("source.jpg"), 40, 30, JpegKind::Baseline));
    jpeg = ReadBytes(m_folder.File("source.jpg"));
    struct Case {
        std::string strName;
        std::vector<std::uint8_t> bytes;
        bool bDecoded;
    };
    const std::vector<std::uint8_t> emf = EnhancedMetafile(m_folder.File("scratch.emf"));
    const std::vector<std::uint8_t> wmf = PlaceableMetafile();
    const std::vector<std::uint8_t> bmp = BitmapFile();
    ASSERT_FALSE(emf.empty());
    ASSERT_FALSE(wmf.empty());
    const std::vector<Case> cases = {
        {"emf.jpg", emf, false}, {"emf.gif", emf, false},       {"wmf.jpg", wmf, false},      {"wmf.gif", wmf, false},
        {"bmp.jpg", bmp, false}, {"png.gif", kSmallPng, false}, {"gif.jpg", kSmallGif, true}, {"jpeg.gif", jpeg, true}};
    for (const Case& c : cases) ASSERT_TRUE(WriteBytes(m_folder.File(c.strName), c.bytes.data(), c.bytes.size()));

    const CCost cost = MeasureCost([&] {
        for (const Case& c : cases) {
            std::uint32_t nSize = kSentinel;
            SIZE size{};
            EXPECT_EQ(
                static_cast<bool>(LoadPictureForBox(m_folder.File(c.strName), SIZE{100, 100}, m_hdc, &nSize, &size)),
                c.bDecoded)
                << c.strName;
            EXPECT_EQ(nSize, c.bytes.size()) << c.strName;
            EXPECT_EQ(static_cast<bool>(LoadPicture(m_folder.File(c.strName), nullptr)), c.bDecoded) << c.strName;
        }
    });
    std::printf("renamed files, %zu of them: %lu ms, peak private bytes +%llu KB\n", cases.size(),
                static_cast<unsigned long>(cost.dwMs), static_cast<unsigned long long>(cost.nPeakPrivateBytes >> 10));
}

// Every coefficient of a progressive picture is kept while its scans are read, whatever
// the scale it is decoded at: 192 MB for this one, which libjpeg's limit refuses before
// allocating any of it.
TEST_F(LoadPictureTest, HugeProgressiveJpegIsRefusedWithinTheMemoryLimit) {
    const std::string strPath = m_folder.File("progressive.jpg");
    ASSERT_TRUE(WriteTestJpeg(strPath, 8192, 8192, JpegKind::Progressive, 75));
    const std::size_t nFileBytes = ReadBytes(strPath).size();
    std::uint32_t nSize = kSentinel;
    SIZE size{};
    CComPtrT<IPicture> picture;
    const CCost cost = MeasureCost([&] { picture = LoadPictureForBox(strPath, SIZE{100, 100}, m_hdc, &nSize, &size); });
    EXPECT_FALSE(picture);
    EXPECT_EQ(nSize, nFileBytes);
    // The file itself is read whole; libjpeg adds little before it gives up.
    EXPECT_LT(cost.nPeakPrivateBytes, nFileBytes + (32u << 20));
    std::printf("8192 x 8192 progressive JPEG of %zu KB: %lu ms, peak private bytes +%llu KB\n", nFileBytes >> 10,
                static_cast<unsigned long>(cost.dwMs), static_cast<unsigned long long>(cost.nPeakPrivateBytes >> 10));
}

// Each scan of a progressive file is a pass over the whole picture: a file of one scan for
// each brightness coefficient (66 scans in all) is refused; the usual ten decode.
TEST_F(LoadPictureTest, JpegOfTooManyScansIsRefused) {
    const std::string strBaseline = m_folder.File("baseline.jpg");
    ASSERT_TRUE(WriteTestJpeg(strBaseline, 320, 240, JpegKind::Baseline));
    std::string strScript = "0,1,2: 0 0 0 0;\n1: 1 63 0 0;\n2: 1 63 0 0;\n";
    for (int k = 1; k < 64; ++k) strScript += "0: " + std::to_string(k) + " " + std::to_string(k) + " 0 0;\n";
    const std::string strScans = m_folder.File("scans.txt");
    ASSERT_TRUE(WriteBytes(strScans, strScript.data(), strScript.size()));
    const std::string strMany = m_folder.File("many.jpg");
    const std::string strUsual = m_folder.File("usual.jpg");
    ASSERT_TRUE(RunJpegTool("jpegtran.exe",
                            "-scans \"" + strScans + "\" -outfile \"" + strMany + "\" \"" + strBaseline + "\""));
    ASSERT_TRUE(RunJpegTool("jpegtran.exe", "-progressive -outfile \"" + strUsual + "\" \"" + strBaseline + "\""));
    SIZE size{};
    EXPECT_FALSE(LoadPictureForBox(strMany, SIZE{100, 100}, m_hdc, nullptr, &size));
    EXPECT_TRUE(LoadPictureForBox(strUsual, SIZE{100, 100}, m_hdc, nullptr, &size));
}

TEST_F(LoadPictureTest, FileAboveTheSizeCapIsNotRead) {
    // A small JPEG padded past the cap after its end: a decoder would show it.
    const std::string strPath = m_folder.File("padded.jpg");
    ASSERT_TRUE(WriteTestJpeg(strPath, 64, 48, JpegKind::Baseline));
    {
        CScopedHandle file(CreateFileA(strPath.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(file);
        LARGE_INTEGER nEnd{};
        nEnd.QuadPart = static_cast<LONGLONG>(kMaxPictureFileBytes) + 1;
        ASSERT_TRUE(SetFilePointerEx(file.Get(), nEnd, nullptr, FILE_BEGIN));
        ASSERT_TRUE(SetEndOfFile(file.Get()));
    }
    std::uint32_t nSize = kSentinel;
    SIZE size{};
    EXPECT_FALSE(LoadPictureForBox(strPath, SIZE{100, 100}, m_hdc, &nSize, &size));
    EXPECT_EQ(nSize, kMaxPictureFileBytes + 1);
    EXPECT_FALSE(LoadPicture(strPath, nullptr));
}

TEST_F(LoadPictureTest, ReleasedPictureTakesItsBitmapAlong) {
    // Thousands of thumbnails come and go with the folders: a bitmap left behind by each
    // one adds up to the whole address space.
    const std::string strPath = m_folder.File("own.jpg");
    ASSERT_TRUE(WriteTestJpeg(strPath, 100, 75, JpegKind::Baseline));
    CComPtrT<IPicture> picture = LoadPicture(strPath, nullptr);
    ASSERT_TRUE(picture);
    OLE_HANDLE hHandle = 0;
    ASSERT_EQ(picture->get_Handle(&hHandle), S_OK);
    const auto hBitmap = reinterpret_cast<HGDIOBJ>(static_cast<UINT_PTR>(hHandle));
    EXPECT_EQ(GetObjectType(hBitmap), static_cast<DWORD>(OBJ_BITMAP));
    picture.Release();
    EXPECT_EQ(GetObjectType(hBitmap), 0u);
}

TEST_F(LoadPictureTest, FileIsOnlyRead) {
    const std::string strPath = m_folder.File("r.jpg");
    ASSERT_TRUE(WriteTestJpeg(strPath, 64, 64, JpegKind::Progressive));
    const FileFingerprint before = Fingerprint(strPath);
    Sleep(20);
    ASSERT_TRUE(LoadPicture(strPath, nullptr));
    EXPECT_EQ(Fingerprint(strPath), before);
}

}  // namespace
