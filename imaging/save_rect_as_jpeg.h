// SaveRectAsJpeg: a rectangle of a drawing surface written as a JPEG file.
#pragma once
#include <windows.h>

#include <cstdint>
#include <span>
#include <string>

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
