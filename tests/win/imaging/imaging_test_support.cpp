#include "imaging_test_support.h"

#include "framework/gdi.h"
#include "imaging/thumbnail_producer.h"
#include "test_support.h"
#include "tests/unit/gif_writer.h"

#include <psapi.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cmath>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <memory>
#include <thread>

#include <jpeglib.h>

namespace {

std::uint8_t Clamp(double v) { return static_cast<std::uint8_t>(v < 0 ? 0 : v > 255 ? 255 : v + 0.5); }

}  // namespace

RgbImage MakeTestPattern(int nWidth, int nHeight) {
    RgbImage image{nWidth, nHeight, std::vector<std::uint8_t>(static_cast<std::size_t>(nWidth) * nHeight * 3)};
    const double cx = nWidth * 0.35, cy = nHeight * 0.6, r = 0.3 * (nWidth < nHeight ? nWidth : nHeight);
    for (int y = 0; y < nHeight; ++y) {
        for (int x = 0; x < nWidth; ++x) {
            const double u = nWidth > 1 ? static_cast<double>(x) / (nWidth - 1) : 0.5;
            const double v = nHeight > 1 ? static_cast<double>(y) / (nHeight - 1) : 0.5;
            double red = 30 + 200 * u, green = 40 + 180 * v, blue = 200 - 150 * u * v;
            // A soft disc: the light one way round and not the other.
            const double d = std::hypot(x - cx, y - cy) / (r > 0 ? r : 1);
            const double w = d < 0.8 ? 1.0 : d < 1.2 ? (1.2 - d) / 0.4 : 0.0;
            red = red * (1 - w) + 240 * w;
            green = green * (1 - w) + 210 * w;
            blue = blue * (1 - w) + 40 * w;
            std::uint8_t* p = &image.arrRgb[(static_cast<std::size_t>(y) * nWidth + x) * 3];
            p[0] = Clamp(red);
            p[1] = Clamp(green);
            p[2] = Clamp(blue);
        }
    }
    return image;
}

RgbImage FlippedVertically(const RgbImage& image) {
    RgbImage out = image;
    const std::size_t nRow = static_cast<std::size_t>(image.nWidth) * 3;
    for (int y = 0; y < image.nHeight; ++y)
        std::memcpy(&out.arrRgb[y * nRow], &image.arrRgb[(image.nHeight - 1 - y) * nRow], nRow);
    return out;
}

namespace {

struct TestJpegError : jpeg_error_mgr {
    std::jmp_buf jump;
};

[[noreturn]] void TestJpegExit(j_common_ptr cinfo) { std::longjmp(static_cast<TestJpegError*>(cinfo->err)->jump, 1); }

struct TestJpegJob {
    jpeg_compress_struct cinfo{};
    TestJpegError error{};
    FILE* pFile = nullptr;
    int nWidth = 0, nHeight = 0, nQuality = 0;
    JpegKind kind = JpegKind::Baseline;
    bool bFlat = false;
    std::uint8_t* pRow = nullptr;  // one row of width × 4 bytes
};

bool CompressTestJpeg(TestJpegJob* job) {
    jpeg_compress_struct* cinfo = &job->cinfo;
    cinfo->err = jpeg_std_error(&job->error);
    job->error.error_exit = &TestJpegExit;
    if (setjmp(job->error.jump)) {
        jpeg_destroy_compress(&job->cinfo);
        return false;
    }
    jpeg_create_compress(cinfo);
    jpeg_stdio_dest(cinfo, job->pFile);
    cinfo->image_width = static_cast<JDIMENSION>(job->nWidth);
    cinfo->image_height = static_cast<JDIMENSION>(job->nHeight);
    switch (job->kind) {
    case JpegKind::Cmyk:
        cinfo->input_components = 4;
        cinfo->in_color_space = JCS_CMYK;
        break;
    case JpegKind::Grey:
        cinfo->input_components = 1;
        cinfo->in_color_space = JCS_GRAYSCALE;
        break;
    default:
        cinfo->input_components = 3;
        cinfo->in_color_space = JCS_RGB;
        break;
    }
    jpeg_set_defaults(cinfo);
    jpeg_set_quality(cinfo, job->nQuality, TRUE);
    if (job->kind == JpegKind::Progressive) jpeg_simple_progression(cinfo);
    jpeg_start_compress(cinfo, TRUE);
    const int nComponents = cinfo->input_components;
    while (cinfo->next_scanline < cinfo->image_height) {
        const int y = static_cast<int>(cinfo->next_scanline);
        for (int x = 0; x < job->nWidth; ++x) {
            std::uint8_t* p = job->pRow + x * nComponents;
            const int a = job->bFlat ? 128 : (x * 255) / (job->nWidth > 1 ? job->nWidth - 1 : 1);
            const int b = job->bFlat ? 128 : (y * 255) / (job->nHeight > 1 ? job->nHeight - 1 : 1);
            for (int c = 0; c < nComponents; ++c)
                p[c] = static_cast<std::uint8_t>(c == 0 ? a : c == 1 ? b : (c == 2 ? 255 - a : 255 - (a + b) / 2));
        }
        JSAMPROW row = job->pRow;
        jpeg_write_scanlines(cinfo, &row, 1);
    }
    jpeg_finish_compress(cinfo);
    jpeg_destroy_compress(cinfo);
    return true;
}

}  // namespace

bool WriteTestJpeg(const std::string& strPath, int nWidth, int nHeight, JpegKind kind, int nQuality, bool bFlat) {
    FILE* pFile = std::fopen(strPath.c_str(), "wb");
    if (!pFile) return false;
    std::vector<std::uint8_t> arrRow(static_cast<std::size_t>(nWidth) * 4);
    auto job = std::make_unique<TestJpegJob>();
    job->pFile = pFile;
    job->nWidth = nWidth;
    job->nHeight = nHeight;
    job->nQuality = nQuality;
    job->kind = kind;
    job->bFlat = bFlat;
    job->pRow = arrRow.data();
    const bool bOk = CompressTestJpeg(job.get());
    return std::fclose(pFile) == 0 && bOk;
}

std::vector<std::uint8_t> MakeDib(int nBitCount, const RgbImage& source, bool bBottomUp, RgbImage* pExpected) {
    const int w = source.nWidth, h = source.nHeight;
    const int nEntries = nBitCount <= 8 ? 1 << nBitCount : 0;
    const std::size_t nStride = (static_cast<std::size_t>(w) * nBitCount + 31) / 32 * 4;
    const std::size_t nOffset = 40 + 4 * static_cast<std::size_t>(nEntries);
    std::vector<std::uint8_t> dib(nOffset + nStride * h, 0);
    BITMAPINFOHEADER bi{};
    bi.biSize = 40;
    bi.biWidth = w;
    bi.biHeight = bBottomUp ? h : -h;
    bi.biPlanes = 1;
    bi.biBitCount = static_cast<WORD>(nBitCount);
    bi.biCompression = BI_RGB;
    std::memcpy(dib.data(), &bi, sizeof(bi));

    // Palettes: 1 bit dark blue and light yellow; 4 bits levels of a 2-4-2 grid; 8 bits
    // 3-3-2 levels. Entries are blue, green, red, 0.
    std::vector<std::uint8_t> arrPalette(4 * nEntries);
    auto setEntry = [&](int i, int r, int g, int b) {
        arrPalette[4 * i] = static_cast<std::uint8_t>(b);
        arrPalette[4 * i + 1] = static_cast<std::uint8_t>(g);
        arrPalette[4 * i + 2] = static_cast<std::uint8_t>(r);
    };
    if (nBitCount == 1) {
        setEntry(0, 20, 30, 90);
        setEntry(1, 240, 230, 150);
    } else if (nBitCount == 4) {
        for (int i = 0; i < 16; ++i) setEntry(i, (i >> 3) * 200 + 30, ((i >> 1) & 3) * 70 + 20, (i & 1) * 180 + 40);
    } else if (nBitCount == 8) {
        for (int i = 0; i < 256; ++i) setEntry(i, (i >> 5) * 255 / 7, ((i >> 2) & 7) * 255 / 7, (i & 3) * 255 / 3);
    }
    std::memcpy(dib.data() + 40, arrPalette.data(), arrPalette.size());

    RgbImage expected{w, h, std::vector<std::uint8_t>(static_cast<std::size_t>(w) * h * 3)};
    auto nearest = [&](const std::uint8_t* rgb) {
        int nBest = 0;
        long nBestDist = 1L << 30;
        for (int i = 0; i < nEntries; ++i) {
            const long dr = rgb[0] - arrPalette[4 * i + 2], dg = rgb[1] - arrPalette[4 * i + 1],
                       db = rgb[2] - arrPalette[4 * i];
            const long d = dr * dr + dg * dg + db * db;
            if (d < nBestDist) {
                nBestDist = d;
                nBest = i;
            }
        }
        return nBest;
    };
    auto widen5 = [](unsigned v) { return v == 0 ? 0u : v == 31 ? 255u : 8 * v + 8; };
    for (int y = 0; y < h; ++y) {
        std::uint8_t* row = dib.data() + nOffset + nStride * (bBottomUp ? h - 1 - y : y);
        for (int x = 0; x < w; ++x) {
            const std::uint8_t* src = source.Pixel(x, y);
            std::uint8_t* out = &expected.arrRgb[(static_cast<std::size_t>(y) * w + x) * 3];
            if (nBitCount <= 8) {
                // Flat regions of 16 by 16 pixels so that hard palette edges fall on the
                // compressor's block and subsampling grid.
                const int bx = x / 16 * 16 + 8, by = y / 16 * 16 + 8;
                const int i = nearest(source.Pixel(bx < w ? bx : w - 1, by < h ? by : h - 1));
                if (nBitCount == 1)
                    row[x / 8] |= static_cast<std::uint8_t>(i << (7 - x % 8));
                else if (nBitCount == 4)
                    row[x / 2] |= static_cast<std::uint8_t>(x % 2 ? i : i << 4);
                else
                    row[x] = static_cast<std::uint8_t>(i);
                out[0] = arrPalette[4 * i + 2];
                out[1] = arrPalette[4 * i + 1];
                out[2] = arrPalette[4 * i];
            } else if (nBitCount == 16) {
                const unsigned r = src[0] >> 3, g = src[1] >> 3, b = src[2] >> 3;
                const unsigned v = r << 10 | g << 5 | b;
                row[2 * x] = static_cast<std::uint8_t>(v);
                row[2 * x + 1] = static_cast<std::uint8_t>(v >> 8);
                out[0] = static_cast<std::uint8_t>(widen5(r));
                out[1] = static_cast<std::uint8_t>(widen5(g));
                out[2] = static_cast<std::uint8_t>(widen5(b));
            } else {
                const int n = nBitCount / 8;
                row[n * x] = src[2];
                row[n * x + 1] = src[1];
                row[n * x + 2] = src[0];
                if (n == 4) row[n * x + 3] = 0x5A;  // not read: anything may be there
                std::memcpy(out, src, 3);
            }
        }
    }
    if (pExpected) *pExpected = std::move(expected);
    return dib;
}

std::optional<RgbImage> ReadPpm(const std::string& strPath) {
    const std::vector<std::uint8_t> bytes = ReadBytes(strPath);
    std::size_t i = 0;
    auto token = [&]() -> long {
        for (;;) {
            while (i < bytes.size() && std::isspace(bytes[i])) ++i;
            if (i < bytes.size() && bytes[i] == '#') {
                while (i < bytes.size() && bytes[i] != '\n') ++i;
                continue;
            }
            break;
        }
        long n = 0;
        bool bAny = false;
        while (i < bytes.size() && std::isdigit(bytes[i])) {
            n = n * 10 + (bytes[i++] - '0');
            bAny = true;
        }
        return bAny ? n : -1;
    };
    if (bytes.size() < 2 || bytes[0] != 'P' || bytes[1] != '6') return std::nullopt;
    i = 2;
    const long w = token(), h = token(), maxval = token();
    if (w <= 0 || h <= 0 || maxval != 255) return std::nullopt;
    ++i;  // the one whitespace byte before the pixels
    const std::size_t n = static_cast<std::size_t>(w) * h * 3;
    if (bytes.size() < i + n) return std::nullopt;
    RgbImage image{static_cast<int>(w), static_cast<int>(h),
                   std::vector<std::uint8_t>(bytes.begin() + i, bytes.begin() + i + n)};
    return image;
}

bool RunJpegTool(const std::string& strTool, const std::string& strArgs) {
    std::string strCommand = "\"" + WindowsPathOf(TESSALINE_JPEG_BIN) + "\\" + strTool + "\" " + strArgs;
    STARTUPINFOA si{};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi{};
    if (!CreateProcessA(nullptr, strCommand.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        return false;
    CScopedHandle hProcess(pi.hProcess), hThread(pi.hThread);
    if (WaitForSingleObject(hProcess.Get(), 60000) != WAIT_OBJECT_0) return false;
    DWORD dwExit = 1;
    GetExitCodeProcess(hProcess.Get(), &dwExit);
    return dwExit == 0;
}

std::optional<RgbImage> DecodeWithDjpeg(const std::string& strJpegPath) {
    const std::string strOut = strJpegPath + ".ppm";
    const bool bDecoded = RunJpegTool("djpeg.exe", "-ppm -outfile \"" + strOut + "\" \"" + strJpegPath + "\"");
    std::optional<RgbImage> image = bDecoded ? ReadPpm(strOut) : std::nullopt;
    DeleteFileA(strOut.c_str());
    return image;
}

CCost MeasureCost(const std::function<void()>& work) {
    // The commit charge, which is what private bytes count; Wine leaves PrivateUsage 0.
    const auto PrivateBytes = [] {
        PROCESS_MEMORY_COUNTERS counters{};
        counters.cb = sizeof counters;
        GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
        return static_cast<std::uint64_t>(counters.PagefileUsage);
    };
    const std::uint64_t nBefore = PrivateBytes();
    std::atomic<std::uint64_t> nPeak{nBefore};
    std::atomic<bool> bDone{false};
    std::thread sampler([&] {
        while (!bDone.load()) {
            const std::uint64_t n = PrivateBytes();
            if (n > nPeak.load()) nPeak.store(n);
            Sleep(1);
        }
    });
    const DWORD dwStart = GetTickCount();
    work();
    CCost cost;
    cost.dwMs = GetTickCount() - dwStart;
    bDone.store(true);
    sampler.join();
    cost.nPeakPrivateBytes = std::max(nPeak.load(), PrivateBytes()) - nBefore;
    return cost;
}

bool WriteSlowGif(const std::string& strPath, int nSide) {
    std::vector<std::uint32_t> arrColors(256);
    for (std::uint32_t i = 0; i < 256; ++i) arrColors[i] = i * 0x010101u;
    gif_test::CGifWriter writer(nSide, nSide, arrColors);
    gif_test::CGifWriter::CImage image;
    image.nWidth = image.nHeight = nSide;
    image.arrPixels.resize(static_cast<std::size_t>(nSide) * nSide);
    std::uint32_t nState = 2463534242u;  // noise: LZW finds little to share
    for (std::uint8_t& n : image.arrPixels) {
        nState ^= nState << 13;
        nState ^= nState >> 17;
        nState ^= nState << 5;
        n = static_cast<std::uint8_t>(nState);
    }
    writer.Image(image);
    writer.Trailer();
    return WriteBytes(strPath, writer.Bytes().data(), writer.Bytes().size());
}

double Psnr(const RgbImage& a, const RgbImage& b) {
    if (a.nWidth != b.nWidth || a.nHeight != b.nHeight || a.arrRgb.empty()) return 0;
    double dSum = 0;
    for (std::size_t i = 0; i < a.arrRgb.size(); ++i) {
        const double d = static_cast<double>(a.arrRgb[i]) - b.arrRgb[i];
        dSum += d * d;
    }
    const double dMse = dSum / static_cast<double>(a.arrRgb.size());
    return dMse == 0 ? 99.0 : 10.0 * std::log10(255.0 * 255.0 / dMse);
}

RgbImage RenderPicture(IPicture* pPicture, int nWidth, int nHeight) {
    RgbImage image{nWidth, nHeight, std::vector<std::uint8_t>(static_cast<std::size_t>(nWidth) * nHeight * 3)};
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bi.bmiHeader.biWidth = nWidth;
    bi.bmiHeader.biHeight = -nHeight;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    void* pBits = nullptr;
    CScopedBitmap bmp(CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &pBits, nullptr, 0));
    if (!bmp) return image;
    {
        const CMemoryDC dc(nullptr, bmp.Get());
        if (!dc) return image;
        const RECT rc{0, 0, nWidth, nHeight};
        FillRect(dc.Get(), &rc, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
        OLE_XSIZE_HIMETRIC hmW = 0;
        OLE_YSIZE_HIMETRIC hmH = 0;
        pPicture->get_Width(&hmW);
        pPicture->get_Height(&hmH);
        pPicture->Render(dc.Get(), 0, 0, nWidth, nHeight, 0, hmH, hmW, -hmH, nullptr);
        GdiFlush();
    }
    const auto* p = static_cast<const std::uint8_t*>(pBits);
    for (std::size_t i = 0; i < static_cast<std::size_t>(nWidth) * nHeight; ++i) {
        image.arrRgb[3 * i] = p[4 * i + 2];
        image.arrRgb[3 * i + 1] = p[4 * i + 1];
        image.arrRgb[3 * i + 2] = p[4 * i];
    }
    return image;
}

FileFingerprint Fingerprint(const std::string& strPath) {
    FileFingerprint fp;
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(strPath.c_str(), GetFileExInfoStandard, &data)) return fp;
    fp.bExists = true;
    fp.ftWrite = data.ftLastWriteTime;
    const std::vector<std::uint8_t> bytes = ReadBytes(strPath);
    fp.nSize = bytes.size();
    std::uint64_t h = 1469598103934665603ull;  // FNV-1a
    for (std::uint8_t b : bytes) {
        h ^= b;
        h *= 1099511628211ull;
    }
    fp.nHash = h;
    return fp;
}

bool ProduceThumbnails(const std::vector<std::string>& arrPaths, DWORD dwTimeoutMs,
                       std::vector<CThumbResult>& results) {
    results.assign(arrPaths.size(), CThumbResult{});
    CThumbnailProducer producer;
    if (!producer.Start(PictureNames(arrPaths), nullptr)) return false;
    std::size_t nDone = 0;
    const bool bAll = PumpUntil(
        [&] {
            nDone += producer.TakeResults([&](std::size_t i, CThumbResult& r) { results[i] = std::move(r); });
            return nDone == arrPaths.size();
        },
        dwTimeoutMs);
    return producer.Stop() && bAll;
}

std::optional<JpegFrame> ReadJpegFrame(const std::string& strPath) {
    const std::vector<std::uint8_t> b = ReadBytes(strPath);
    if (b.size() < 4 || b[0] != 0xFF || b[1] != 0xD8) return std::nullopt;
    std::size_t i = 2;
    while (i + 4 <= b.size()) {
        if (b[i] != 0xFF) return std::nullopt;
        const int m = b[i + 1];
        const std::size_t nLength = b[i + 2] << 8 | b[i + 3];
        if (m >= 0xC0 && m <= 0xCF && m != 0xC4 && m != 0xC8 && m != 0xCC) {
            if (i + 9 > b.size()) return std::nullopt;
            return JpegFrame{m, b[i + 7] << 8 | b[i + 8], b[i + 5] << 8 | b[i + 6]};
        }
        i += 2 + nLength;
    }
    return std::nullopt;
}

const std::vector<std::uint8_t> kSmallGif = {0x47, 0x49, 0x46, 0x38, 0x39, 0x61, 0x04, 0x00, 0x03, 0x00, 0xf0, 0x00,
                                             0x00, 0xff, 0x00, 0x00, 0x00, 0x00, 0xff, 0x21, 0xf9, 0x04, 0x00, 0x00,
                                             0x00, 0x00, 0x00, 0x2c, 0x00, 0x00, 0x00, 0x00, 0x04, 0x00, 0x03, 0x00,
                                             0x00, 0x02, 0x04, 0x84, 0x1d, 0x77, 0x05, 0x00, 0x3b};

const std::vector<std::uint8_t> kSmallPng = {
    0x89, 0x50, 0x4e, 0x47, 0x0d, 0x0a, 0x1a, 0x0a, 0x00, 0x00, 0x00, 0x0d, 0x49, 0x48, 0x44, 0x52, 0x00,
    0x00, 0x00, 0x05, 0x00, 0x00, 0x00, 0x04, 0x01, 0x03, 0x00, 0x00, 0x00, 0x7c, 0xfd, 0x67, 0x03, 0x00,
    0x00, 0x00, 0x03, 0x50, 0x4c, 0x54, 0x45, 0x00, 0x80, 0x00, 0x9c, 0xf9, 0xa5, 0x91, 0x00, 0x00, 0x00,
    0x0b, 0x49, 0x44, 0x41, 0x54, 0x08, 0xd7, 0x63, 0x60, 0x80, 0x00, 0x00, 0x00, 0x08, 0x00, 0x01, 0x2f,
    0x20, 0xdd, 0x31, 0x00, 0x00, 0x00, 0x00, 0x49, 0x45, 0x4e, 0x44, 0xae, 0x42, 0x60, 0x82};

// GIF89a, 10 × 10, a global table of 2 colours, then straight to the trailer.
const std::vector<std::uint8_t> kGifWithoutFrame = {0x47, 0x49, 0x46, 0x38, 0x39, 0x61, 0x0a, 0x00, 0x0a, 0x00,
                                                    0x80, 0x00, 0x00, 0x00, 0x00, 0x00, 0xff, 0xff, 0xff, 0x3b};

std::shared_ptr<const CPictureNames> PictureNames(const std::vector<std::string>& arrPaths) {
    auto pNames = std::make_shared<CPictureNames>("");
    for (const std::string& strPath : arrPaths) pNames->Add(strPath);
    return pNames;
}
