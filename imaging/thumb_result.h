// CThumbResult: what the thumbnail producer found out about one picture of the list.
#pragma once
#include <windows.h>
#include <ocidl.h>

#include "framework/com_ptr.h"

struct CThumbResult {
    // The thumbnail, owning one reference; null when the file could not be read or
    // decoded (the grid then draws the cell's frame and caption only).
    CComPtrT<IPicture> pThumb;
    // Pixel size of pThumb: the picture box fitted to the picture's aspect ratio, so
    // FitPictureRect of the item's box with it gives the same rectangle. {0, 0} without one.
    SIZE sizeThumb{};
};
