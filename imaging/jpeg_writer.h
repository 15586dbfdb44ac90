// The JPEG writer: a packed DIB written as a baseline JPEG file through libjpeg
// (WriteDibAsJpeg), and the copies of a drawing surface that feed it, a bitmap
// (SaveBitmapAsJpeg) or a rectangle of a device context (SaveRectAsJpeg).
#pragma once
#include <windows.h>

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "base/geometry.h"
#include "framework/scoped_handle.h"

// A packed DIB that owns its words, as WriteDibAsJpeg takes it: the header, then 32-bit
// rows top-down (a negative height) of blue, green, red and a spare byte.
class CTopDownDib {
public:
    explicit CTopDownDib(PixelSize size);
    std::span<std::uint32_t> Pixels() { return std::span<std::uint32_t>(m_arrWords).subspan(kHeaderWords); }
    std::span<const std::uint8_t> Bytes() const {
        return {reinterpret_cast<const std::uint8_t*>(m_arrWords.data()), m_arrWords.size() * 4};
    }

private:
    static constexpr std::size_t kHeaderWords = sizeof(BITMAPINFOHEADER) / 4;
    std::vector<std::uint32_t> m_arrWords;
};

// Writes the packed DIB (BITMAPINFOHEADER, colour table, pixel rows; 1, 4, 8, 16, 24 or 32
// bits a pixel, uncompressed) to pszPath as a baseline JPEG of nQuality (0 to 100).
// True exactly when strError is empty at the end; otherwise strError says why: "Invalid
// input data", "Cannot open <path>", "Invalid bitmap bit count", or libjpeg's own message.
// A failed write leaves whatever the file holds by then. exifApp1, when not empty, is the
// payload of an APP1 segment ("Exif\0\0" and its TIFF structure, at most 65533 bytes)
// written right after the start of the file in place of the JFIF segment.
bool WriteDibAsJpeg(std::span<const std::uint8_t> dib, int nQuality, const wchar_t* pszPath, std::string& strError,
                    std::span<const std::uint8_t> exifApp1 = {});

// Writes the bitmap as a JPEG at nQuality through a packed DIB of its own depth, with the
// EXIF segment of WriteDibAsJpeg when exifApp1 is not empty; false for an empty name, a
// bitmap without a description, or a failed write.
bool SaveBitmapAsJpeg(const wchar_t* pszPath, HBITMAP hBitmap, int nQuality,
                      std::span<const std::uint8_t> exifApp1 = {});

// Copies (left, top)-(right, bottom) of hdc pixel for pixel and writes it to pszPath as a
// baseline JPEG of exactly that size. pMessage (optional) receives "<path> created OK",
// ". Could not create CBitmap from rectangle" or ". Could not create JPEG from CBitmap";
// pFailed (optional) 0 or 1. Returns true on success. No caller needs more than the file.
bool SaveRectAsJpeg(HDC hdc, int left, int top, int right, int bottom, int nQuality, const wchar_t* pszPath,
                    std::wstring* pMessage = nullptr, int* pFailed = nullptr);

// Copies the rectangle of hdc pixel for pixel into a new bitmap compatible with hdc (the
// same colour depth and, for a DIB section selected into a memory context, the same
// format). False, and bmpOut empty, when the rectangle has no area or the copy fails.
bool CaptureRectToBitmap(HDC hdc, const RECT& rc, CScopedBitmap& bmpOut);

// The bitmap as a packed DIB in global memory (BITMAPINFOHEADER, a colour table for 8 bits
// or fewer, rows bottom-up, padded to 4 bytes) at the bitmap's own bit depth. Null for no
// bitmap, BI_BITFIELDS, no palette, or a failure of GetDIBits. GlobalSize of the block may
// exceed the DIB.
CScopedGlobal BitmapToDib(HBITMAP hBitmap, DWORD dwCompression, HPALETTE hPalette);
