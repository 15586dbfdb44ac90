// One picture's thumbnail: MakeThumbnail, a small copy that holds only its own few pixels,
// and CThumbResult, what the thumbnail producer hands over for one picture of the list.
#pragma once
#include <windows.h>
#include <ocidl.h>

#include "framework/com_ptr.h"

// Renders the whole picture on white at nWidth by nHeight pixels, writes that as a
// quality-90 JPEG to a temporary file and loads it back: the result owns only a picture of
// that size, never the full-size pixels. Null when hdc or the picture is null, the size
// has no area, or the detour through the file fails; the file is deleted in every case.
CComPtrT<IPicture> MakeThumbnail(HDC hdc, IPicture* pPicture, int nWidth, int nHeight);

struct CThumbResult {
    // The thumbnail, owning one reference; null when the file could not be read or
    // decoded (the grid then draws the cell's frame and caption only).
    CComPtrT<IPicture> pThumb;
    // Pixel size of pThumb: the picture box fitted to the picture's aspect ratio, so
    // FitPictureRect of the item's box with it gives the same rectangle. {0, 0} without one.
    SIZE sizeThumb{};
};
