// MakeThumbnail: a small copy of a picture that holds only its own few pixels.
#pragma once
#include <windows.h>
#include <ocidl.h>

#include "framework/com_ptr.h"

// Renders the whole picture on white at nWidth by nHeight pixels, writes that as a
// quality-90 JPEG to a temporary file and loads it back: the result owns only a picture of
// that size, never the full-size pixels. Null when hdc or the picture is null, the size
// has no area, or the detour through the file fails; the file is deleted in every case.
CComPtrT<IPicture> MakeThumbnail(HDC hdc, IPicture* pPicture, int nWidth, int nHeight);

// Renders the whole picture upright, scaled to nWidth by nHeight at (0, 0) of hdc, with
// halftone stretching (left set on hdc).
void RenderWholePicture(HDC hdc, IPicture* pPicture, int nWidth, int nHeight);
