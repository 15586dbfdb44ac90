// Picture files as the system's OLE picture objects: loaded whole (LoadPicture) or only as
// large as drawing them into a box needs (LoadPictureForBox), measured and drawn on a device.
#pragma once
#include <windows.h>
#include <ocidl.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "base/geometry.h"
#include "framework/com_ptr.h"
#include "framework/scoped_handle.h"
#include "imaging/jpeg_writer.h"
#include "imaging/picture_file.h"

// Reads the whole file and decodes it with OleLoadPicture; null when the file cannot be
// read or decoded, is larger than kMaxPictureFileBytes, does not begin as a JPEG or a GIF
// does (SniffPictureType: the system's decoder also plays metafiles and icons, whatever the
// file's name), or declares more pixels than may be decoded here (kMaxDecodedPixels).
// *pFileSize (optional) receives the file's length as soon as the file is open, even when
// decoding then fails, and is left alone when it cannot be opened. The file is only read.
CComPtrT<IPicture> LoadPicture(const std::string& strPath, std::uint32_t* pFileSize);

// What the first bytes of the file say it is (SniffPictureType); None when it cannot be read.
PictureType SniffPictureFile(const std::string& strPath);

// A JPEG decoded and averaged down for a copy to be made of it.
struct CJpegCopy {
    CTopDownDib dib;        // the copy's pixels, upright
    PixelSize size;         // of dib: what sizeFor asked for
    PixelSize sizePicture;  // the picture's own upright size
    std::uint32_t nFileSize = 0;
    std::vector<std::uint8_t> exifTiff;  // the TIFF structure of the file's EXIF block; empty for none
};

// Reads the file once, a piece at a time, and decodes it upright with the control's own
// libjpeg at the smallest DCT scale whose size still covers what sizeFor asks for the
// picture's own upright size, each decoded row averaged down to that size as it comes
// (CAreaScaler): neither the file nor the decoded picture is ever held whole. Empty for a
// file that cannot be read, does not begin as a JPEG does, is refused as LoadPictureForBox
// refuses one, or ends before its length, and when *pbGoOn (if given) turned false on the
// way. Needs no device: a worker thread's own.
std::optional<CJpegCopy> LoadJpegCopy(const std::string& strPath, const std::function<PixelSize(PixelSize)>& sizeFor,
                                      const std::atomic<bool>* pbGoOn = nullptr);

// What the first bytes say decides, not the name: a JPEG goes through the control's own
// libjpeg only, decoded at the smallest DCT scale that still covers the box and upright
// whatever its EXIF orientation, within libjpeg memory and scan limits; a GIF goes to the
// system's picture object as in LoadPicture; anything else gives null, as do the refusals
// of LoadPicture.
// A JPEG whose embedded EXIF thumbnail covers the box without being enlarged is shown from
// that thumbnail, and only the head of the file is read; a thumbnail of another aspect than
// the picture's gives its centre in the picture's aspect (the bars a camera puts around a
// wide picture cut off), when that part still covers the box.
// *pPictureSize receives the picture's own upright size in pixels of hdc (not that of the
// possibly smaller picture returned); *pFileSize as for LoadPicture.
// pbGoOn, when given, is watched while a JPEG decodes: once it is false the decode gives up
// and the result is null.
CComPtrT<IPicture> LoadPictureForBox(const std::string& strPath, SIZE sizeBox, HDC hdc, std::uint32_t* pFileSize,
                                     SIZE* pPictureSize, const std::atomic<bool>* pbGoOn = nullptr);

// The picture's natural size (HIMETRIC, hundredths of a millimetre) in pixels of hdc:
// MulDiv by LOGPIXELSX or LOGPIXELSY and 2540. {0, 0} for a null picture or context.
SIZE PictureSizeInPixels(IPicture* pPicture, HDC hdc);

// Renders the whole picture upright, scaled to nWidth by nHeight at (0, 0) of hdc, with
// halftone stretching (left set on hdc).
void RenderWholePicture(HDC hdc, IPicture* pPicture, int nWidth, int nHeight);
