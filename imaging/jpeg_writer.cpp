#include "imaging/jpeg_writer.h"

#include "framework/gdi.h"
#include "framework/text.h"
#include "imaging/dib_row_converter.h"
#include "imaging/jpeg_error.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <memory>
#include <new>
#include <utility>

namespace {

constexpr char kInvalidInput[] = "Invalid input data";

// A segment's length field counts its own two bytes.
constexpr std::size_t kMaxApp1Payload = 65533;

// Rows handed to the compressor per call: one group of its 4:2:0 subsampling, small enough
// to stay in the cache between our conversion and its colour transform.
constexpr int kRowsPerCall = 16;

// Everything the compression touches lives here, in the caller's frame: after a longjmp
// the setjmp frame may only trust what it did not keep in its own locals.
struct CJpegJob {
    jpeg_compress_struct cinfo{};
    CJpegError error{};
    const CDibRowConverter* pDib = nullptr;
    FILE* pFile = nullptr;
    int nQuality = 0;
    const std::uint8_t* pExif = nullptr;
    unsigned nExifLength = 0;
};

// The only frame with setjmp: plain C data and pointers, nothing with a destructor, so the
// jump out of libjpeg skips nothing. Always destroys the compressor.
bool CompressRows(CJpegJob* pJob) {
    jpeg_compress_struct* cinfo = &pJob->cinfo;
    pJob->error.Install(reinterpret_cast<j_common_ptr>(cinfo));
    if (setjmp(pJob->error.jump)) {
        jpeg_destroy_compress(&pJob->cinfo);
        return false;
    }
    jpeg_create_compress(cinfo);
    jpeg_stdio_dest(cinfo, pJob->pFile);

    const CDibRowConverter& dib = *pJob->pDib;
    cinfo->image_width = static_cast<JDIMENSION>(dib.GetWidth());
    cinfo->image_height = static_cast<JDIMENSION>(dib.GetHeight());
    // 24- and 32-bit rows go in as they are stored (libjpeg-turbo reads blue, green, red
    // itself, in its SIMD colour transform); the palette and 5-5-5 depths are converted.
    const int nBitCount = dib.GetBitCount();
    const bool bDirect = nBitCount == 24 || nBitCount == 32;
    cinfo->input_components = nBitCount == 32 ? 4 : 3;
    cinfo->in_color_space = nBitCount == 24 ? JCS_EXT_BGR : nBitCount == 32 ? JCS_EXT_BGRX : JCS_RGB;
    jpeg_set_defaults(cinfo);
    jpeg_set_quality(cinfo, pJob->nQuality, TRUE);
    // An EXIF file starts with its APP1 segment; readers look for it there.
    if (pJob->nExifLength) cinfo->write_JFIF_header = FALSE;
    jpeg_start_compress(cinfo, TRUE);
    if (pJob->nExifLength) jpeg_write_marker(cinfo, JPEG_APP0 + 1, pJob->pExif, pJob->nExifLength);

    JSAMPROW arrRows[kRowsPerCall];
    JSAMPARRAY pConverted = nullptr;
    if (!bDirect) {
        pConverted = cinfo->mem->alloc_sarray(reinterpret_cast<j_common_ptr>(cinfo), JPOOL_IMAGE,
                                              cinfo->image_width * 3, kRowsPerCall);
    }
    while (cinfo->next_scanline < cinfo->image_height) {
        const int nFirst = static_cast<int>(cinfo->next_scanline);
        const int nCount = std::min<int>(kRowsPerCall, dib.GetHeight() - nFirst);
        for (int k = 0; k < nCount; ++k) {
            if (bDirect) {
                // libjpeg only reads the rows; its interface just lacks the const.
                arrRows[k] = const_cast<JSAMPROW>(dib.GetStoredRow(nFirst + k));
            } else {
                dib.ConvertRow(nFirst + k, pConverted[k]);
                arrRows[k] = pConverted[k];
            }
        }
        jpeg_write_scanlines(cinfo, arrRows, static_cast<JDIMENSION>(nCount));
    }
    jpeg_finish_compress(cinfo);
    jpeg_destroy_compress(cinfo);
    return true;
}

struct FileCloser {
    void operator()(FILE* pFile) const { std::fclose(pFile); }
};

// A palette selected and realised into a context for one scope.
class CScopedPalette {
public:
    CScopedPalette(HDC hdc, HPALETTE hPalette) : m_hdc(hdc), m_hOld(SelectPalette(hdc, hPalette, FALSE)) {
        RealizePalette(hdc);
    }
    ~CScopedPalette() {
        if (m_hOld) SelectPalette(m_hdc, m_hOld, FALSE);
    }
    CScopedPalette(const CScopedPalette&) = delete;
    CScopedPalette& operator=(const CScopedPalette&) = delete;

private:
    HDC m_hdc;
    HPALETTE m_hOld;
};

// Keeps a context's mapping mode for one scope.
class CScopedMapMode {
public:
    CScopedMapMode(HDC hdc, int nMode) : m_hdc(hdc), m_nOld(SetMapMode(hdc, nMode)) {}
    ~CScopedMapMode() {
        if (m_nOld) SetMapMode(m_hdc, m_nOld);
    }
    CScopedMapMode(const CScopedMapMode&) = delete;
    CScopedMapMode& operator=(const CScopedMapMode&) = delete;

private:
    HDC m_hdc;
    int m_nOld;
};

}  // namespace

CTopDownDib::CTopDownDib(PixelSize size)
    : m_arrWords(kHeaderWords + static_cast<std::size_t>(size.cx) * static_cast<std::size_t>(size.cy)) {
    BITMAPINFOHEADER bi{};
    bi.biSize = sizeof bi;
    bi.biWidth = size.cx;
    bi.biHeight = -size.cy;
    bi.biPlanes = 1;
    bi.biBitCount = 32;
    bi.biCompression = BI_RGB;
    std::memcpy(m_arrWords.data(), &bi, sizeof bi);
}

bool WriteDibAsJpeg(std::span<const std::uint8_t> dib, int nQuality, const wchar_t* pszPath, std::string& strError,
                    std::span<const std::uint8_t> exifApp1) {
    if (nQuality < 0 || nQuality > 100 || dib.empty() || pszPath == nullptr || *pszPath == L'\0' ||
        exifApp1.size() > kMaxApp1Payload) {
        strError = kInvalidInput;
        return false;
    }
    strError.clear();
    std::unique_ptr<FILE, FileCloser> file(_wfopen(pszPath, L"wb"));
    if (!file) {
        strError = "Cannot open " + WideToAnsi(pszPath, wcslen(pszPath));
        return false;
    }
    // libjpeg hands over 4 KB at a time; a larger stdio buffer saves system calls, which
    // are dear under Wine.
    std::setvbuf(file.get(), nullptr, _IOFBF, 1 << 16);

    const CDibRowConverter converter(dib);
    if (!converter.IsValid()) {
        strError = converter.GetError();
        return false;
    }
    auto pJob = std::make_unique<CJpegJob>();
    pJob->pDib = &converter;
    pJob->pFile = file.get();
    pJob->nQuality = nQuality;
    pJob->pExif = exifApp1.data();
    pJob->nExifLength = static_cast<unsigned>(exifApp1.size());
    if (!CompressRows(pJob.get())) {
        strError = pJob->error.szMessage[0] ? pJob->error.szMessage : "JPEG compression failed";
        return false;
    }
    if (std::fclose(file.release()) != 0) strError = "Cannot write " + WideToAnsi(pszPath, wcslen(pszPath));
    return strError.empty();
}

bool SaveBitmapAsJpeg(const wchar_t* pszPath, HBITMAP hBitmap, int nQuality, std::span<const std::uint8_t> exifApp1) {
    BITMAP bm{};
    if (!pszPath || !*pszPath || !hBitmap || !GetObjectA(hBitmap, sizeof(bm), &bm)) return false;
    const CScopedGlobal hDib = BitmapToDib(hBitmap, BI_RGB, static_cast<HPALETTE>(GetStockObject(DEFAULT_PALETTE)));
    if (!hDib) return false;
    // GMEM_FIXED: the handle is the address.
    const std::span<const std::uint8_t> dib(static_cast<const std::uint8_t*>(hDib.Get()), GlobalSize(hDib.Get()));
    std::string strError;
    return WriteDibAsJpeg(dib, nQuality, pszPath, strError, exifApp1);
}

bool SaveRectAsJpeg(HDC hdc, int left, int top, int right, int bottom, int nQuality, const wchar_t* pszPath,
                    std::wstring* pMessage, int* pFailed) {
    try {
        bool bOk = false;
        std::string strOutcome;
        CScopedBitmap bmp;
        if (!CaptureRectToBitmap(hdc, RECT{left, top, right, bottom}, bmp)) {
            strOutcome = ". Could not create CBitmap from rectangle";
        } else if (!SaveBitmapAsJpeg(pszPath, bmp.Get(), nQuality)) {
            strOutcome = ". Could not create JPEG from CBitmap";
        } else {
            strOutcome = WideToAnsi(pszPath, std::wcslen(pszPath)) + " created OK";
            bOk = true;
        }
        if (pFailed) *pFailed = bOk ? 0 : 1;
        if (pMessage) *pMessage = AnsiToWide(strOutcome);
        return bOk;
    } catch (const std::bad_alloc&) {
        // Out of memory for the texts: the file is all the callers look at.
        return false;
    }
}

bool CaptureRectToBitmap(HDC hdc, const RECT& rc, CScopedBitmap& bmpOut) {
    bmpOut.Reset();
    const int nWidth = rc.right - rc.left;
    const int nHeight = rc.bottom - rc.top;
    if (!hdc || nWidth <= 0 || nHeight <= 0) return false;
    // Device units: the rectangle is in pixels whatever mapping the caller left set.
    const CScopedMapMode mapMode(hdc, MM_TEXT);
    CBackBuffer surface(hdc, nWidth, nHeight);
    if (!surface || !StretchBlt(surface.Get(), 0, 0, nWidth, nHeight, hdc, rc.left, rc.top, nWidth, nHeight, SRCCOPY))
        return false;
    bmpOut = surface.TakeBitmap();
    return true;
}

CScopedGlobal BitmapToDib(HBITMAP hBitmap, DWORD dwCompression, HPALETTE hPalette) {
    if (!hBitmap || dwCompression == BI_BITFIELDS || !hPalette) return CScopedGlobal();
    BITMAP bm{};
    if (!GetObjectA(hBitmap, sizeof(bm), &bm) || bm.bmWidth <= 0 || bm.bmHeight <= 0) return CScopedGlobal();

    BITMAPINFOHEADER bi{};
    bi.biSize = sizeof(BITMAPINFOHEADER);
    bi.biWidth = bm.bmWidth;
    bi.biHeight = bm.bmHeight;
    bi.biPlanes = 1;
    bi.biBitCount = static_cast<WORD>(bm.bmPlanes * bm.bmBitsPixel);
    bi.biCompression = dwCompression;
    const DWORD nEntries = bi.biBitCount <= 8 ? 1u << bi.biBitCount : 0;
    const DWORD nHeaderBytes = bi.biSize + nEntries * sizeof(RGBQUAD);

    const CWindowDC screen(nullptr);
    if (!screen.Get()) return CScopedGlobal();
    const CScopedPalette palette(screen.Get(), hPalette);

    // GetDIBits fills in the image size from the header alone; room for the colour table
    // it also writes.
    CScopedGlobal hInfo(GlobalAlloc(GMEM_FIXED, nHeaderBytes));
    if (!hInfo) return CScopedGlobal();
    auto* pInfo = static_cast<BITMAPINFO*>(GlobalLock(hInfo.Get()));
    std::memcpy(pInfo, &bi, sizeof(bi));
    GetDIBits(screen.Get(), hBitmap, 0, static_cast<UINT>(bm.bmHeight), nullptr, pInfo, DIB_RGB_COLORS);
    std::uint64_t nImageBytes = pInfo->bmiHeader.biSizeImage;
    GlobalUnlock(hInfo.Get());
    if (nImageBytes == 0) {
        nImageBytes = (static_cast<std::uint64_t>(bi.biWidth) * bi.biBitCount + 31) / 32 * 4 * bi.biHeight;
        if (dwCompression != BI_RGB) nImageBytes = nImageBytes * 3 / 2;
    }
    if (nImageBytes > 0x7FFFFFFF - nHeaderBytes) return CScopedGlobal();

    CScopedGlobal hDib(GlobalAlloc(GMEM_FIXED, nHeaderBytes + static_cast<SIZE_T>(nImageBytes)));
    if (!hDib) return CScopedGlobal();
    auto* pDib = static_cast<BYTE*>(GlobalLock(hDib.Get()));
    std::memcpy(pDib, &bi, sizeof(bi));
    const int nLines = GetDIBits(screen.Get(), hBitmap, 0, static_cast<UINT>(bm.bmHeight), pDib + nHeaderBytes,
                                 reinterpret_cast<BITMAPINFO*>(pDib), DIB_RGB_COLORS);
    // GetDIBits may have rewritten the header; the writer needs it as described.
    auto* pHeader = reinterpret_cast<BITMAPINFOHEADER*>(pDib);
    const bool bOk = nLines == bm.bmHeight && pHeader->biBitCount == bi.biBitCount;
    GlobalUnlock(hDib.Get());
    if (!bOk) return CScopedGlobal();
    return hDib;
}
