#include "imaging/save_rect_as_jpeg.h"

#include "framework/text.h"
#include "imaging/dib_capture.h"
#include "imaging/jpeg_writer.h"

#include <cstdint>
#include <cwchar>
#include <new>
#include <span>

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
