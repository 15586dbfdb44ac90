// LoadPictureForBox: a picture file loaded only as large as drawing it into a box needs,
// turned upright as its EXIF orientation says.
#pragma once
#include <windows.h>
#include <ocidl.h>

#include <cstdint>
#include <string>
#include <vector>

#include "framework/com_ptr.h"

// JPEG files go through the control's own scaling decoder (DecodeJpegForBox), upright
// whatever their EXIF orientation; anything it does not take (a GIF, a PNG under a .jpg
// name, a JPEG it refuses) goes to the system's picture object as in LoadPicture.
// A JPEG whose embedded EXIF thumbnail covers the box without being enlarged is shown from
// that thumbnail, and only the head of the file is read; a thumbnail of another aspect than
// the picture's gives its centre in the picture's aspect (the bars a camera puts around a
// wide picture cut off), when that part still covers the box.
// *pPictureSize receives the picture's own upright size in pixels of hdc (not that of the
// possibly smaller picture returned); *pFileSize as for LoadPicture. Null, with the same
// refusals as LoadPicture, when nothing decodes.
// pExifTiff, when given, asks for the picture itself (never its thumbnail), for a copy to be
// made of it: it receives the TIFF structure of the file's EXIF block, or is emptied when
// there is none.
CComPtrT<IPicture> LoadPictureForBox(const std::string& strPath, SIZE sizeBox, HDC hdc, std::uint32_t* pFileSize,
                                     SIZE* pPictureSize, std::vector<std::uint8_t>* pExifTiff = nullptr);
