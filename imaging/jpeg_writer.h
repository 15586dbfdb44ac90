// WriteDibAsJpeg: a packed DIB written as a baseline JPEG file through libjpeg.
#pragma once
#include <cstdint>
#include <span>
#include <string>

// Writes the packed DIB (BITMAPINFOHEADER, colour table, pixel rows; 1, 4, 8, 16, 24 or 32
// bits a pixel, uncompressed) to pszPath as a baseline JPEG of nQuality (0 to 100).
// True exactly when strError is empty at the end; otherwise strError says why: "Invalid
// input data", "Cannot open <path>", "Invalid bitmap bit count", or libjpeg's own message.
// A failed write leaves whatever the file holds by then. exifApp1, when not empty, is the
// payload of an APP1 segment ("Exif\0\0" and its TIFF structure, at most 65533 bytes)
// written right after the start of the file in place of the JFIF segment.
bool WriteDibAsJpeg(std::span<const std::uint8_t> dib, int nQuality, const wchar_t* pszPath, std::string& strError,
                    std::span<const std::uint8_t> exifApp1 = {});
