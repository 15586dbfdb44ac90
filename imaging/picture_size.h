// The pixel size of an OLE picture on a device, and FitPictureRect for a window.
#pragma once
#include <windows.h>
#include <ocidl.h>

// The picture's natural size (HIMETRIC, hundredths of a millimetre) in pixels of hdc:
// MulDiv by LOGPIXELSX or LOGPIXELSY and 2540. {0, 0} for a null picture or context.
SIZE PictureSizeInPixels(IPicture* pPicture, HDC hdc);

// Shrinks rcBox along one axis to the picture's aspect ratio, centred (see the portable
// FitPictureRect), measuring the picture with a client context of hWnd. A null picture
// leaves the box as it is.
void FitPictureRect(HWND hWnd, RECT& rcBox, IPicture* pPicture);
