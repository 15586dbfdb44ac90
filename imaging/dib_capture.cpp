#include "framework/gdi.h"
#include "imaging/dib_capture.h"

#include <cstdint>
#include <cstring>
#include <utility>

namespace {

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
