// LoadPictureForBox: a picture file loaded only as large as drawing it into a box needs.
#pragma once
#include <windows.h>
#include <ocidl.h>

#include <cstdint>
#include <string>

#include "framework/com_ptr.h"

// JPEG files go through the control's own scaling decoder (DecodeJpegForBox); anything it
// does not take (a GIF, a PNG under a .jpg name, a JPEG it refuses) goes to the system's
// picture object as in LoadPicture. *pPictureSize receives the picture's own size in
// pixels of hdc (not that of the possibly smaller picture returned); *pFileSize as for
// LoadPicture. Null, with the same refusals as LoadPicture, when nothing decodes.
CComPtrT<IPicture> LoadPictureForBox(const std::string& strPath, SIZE sizeBox, HDC hdc, std::uint32_t* pFileSize,
                                     SIZE* pPictureSize);
