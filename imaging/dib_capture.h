// Copies of a drawing surface for the JPEG writer: a rectangle into a new bitmap, and a
// bitmap into a packed DIB at its own colour depth.
#pragma once
#include <windows.h>

#include "framework/scoped_handle.h"

// Copies the rectangle of hdc pixel for pixel into a new bitmap compatible with hdc (the
// same colour depth and, for a DIB section selected into a memory context, the same
// format). False, and bmpOut empty, when the rectangle has no area or the copy fails.
bool CaptureRectToBitmap(HDC hdc, const RECT& rc, CScopedBitmap& bmpOut);

// The bitmap as a packed DIB in global memory (BITMAPINFOHEADER, a colour table for 8 bits
// or fewer, rows bottom-up, padded to 4 bytes) at the bitmap's own bit depth. Null for no
// bitmap, BI_BITFIELDS, no palette, or a failure of GetDIBits. GlobalSize of the block may
// exceed the DIB.
CScopedGlobal BitmapToDib(HBITMAP hBitmap, DWORD dwCompression, HPALETTE hPalette);
