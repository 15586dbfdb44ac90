// DecodeJpegForBox: a JPEG decoded by the control's own libjpeg at the smallest DCT scale
// that still covers a thumbnail box, as an OLE picture.
#pragma once
#include <windows.h>
#include <ocidl.h>

#include <cstddef>
#include <cstdint>
#include <optional>

#include "base/geometry.h"
#include "framework/com_ptr.h"

// The thumbnail producer's decoder for JPEG files. The system's picture object decodes
// every pixel of a camera picture (under Wine with a plain C libjpeg, about 40 megapixels
// a second, and 4 bytes a pixel twice over) only for the thumbnail maker to throw nearly
// all of them away; scaling in the DCT, as libjpeg can, decodes a 4000 by 3000 picture to
// 500 by 375 in a fraction of the time and memory. The picture is scaled to at least
// twice the fitted box where the scales allow, so the last step down still averages.
// nOrientation (1 to 8, as EXIF numbers them) says how the pixels are stored; the picture
// comes out upright, and sizeBox and *pFullSize are sizes of the upright picture.
// rcPart, when given, keeps only that part of the upright picture (in its own pixels, cut
// to the picture): what comes out is the part, scaled for the box as a picture of the
// part's size would be. Null when the bytes are not a JPEG this libjpeg decodes, declare
// more than kMaxDecodedPixels, or the part has no area; *pFullSize then stays as it was,
// else it gets the whole picture's own upright size.
CComPtrT<IPicture> DecodeJpegForBox(const std::uint8_t* pData, std::size_t nLength, SIZE sizeBox, int nOrientation,
                                    SIZE* pFullSize, std::optional<PixelRect> rcPart = std::nullopt);
