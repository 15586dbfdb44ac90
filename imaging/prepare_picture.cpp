#include "imaging/prepare_picture.h"

#include "framework/file_reader.h"
#include "framework/gdi.h"
#include "framework/text.h"
#include "imaging/exif_reader.h"
#include "imaging/fit_picture.h"
#include "imaging/jpeg_writer.h"
#include "imaging/load_picture.h"

#include <windows.h>

#include <cstring>
#include <optional>
#include <span>
#include <vector>

namespace {

constexpr int kUploadQuality = 90;

// Bytes of a file up to 4 GiB; 0 when it cannot be read, as for an empty one.
std::uint32_t FileLength(const std::string& strPath) {
    const auto nLength = FileLengthOf(strPath);
    return nLength && *nLength <= 0xFFFFFFFF ? static_cast<std::uint32_t>(*nLength) : 0;
}

CPreparedUpload KeptAsIs(const std::string& strPath, std::uint32_t nFileSize) {
    CPreparedUpload result;
    result.bKeptAsIs = true;
    result.strUploadPath = strPath;
    result.nUploadSize = nFileSize;
    return result;
}

// The kinds the control's own libjpeg does not read, a GIF, or a GIF under a JPEG's name:
// the system's decoder reads the file, and the rule of the kind its name gives applies to
// the picture's size in pixels of the screen. A copy is drawn on white at its size on a
// surface of this thread's own, halftone, and written at quality 90.
CPreparedUpload PrepareBySystemDecoder(const std::string& strPath, PictureType nType, int nLimitX, int nLimitY) {
    std::uint32_t nFileSize = 0;
    CComPtrT<IPicture> picture = LoadPicture(strPath, &nFileSize);
    if (!picture) return {};
    const CWindowDC screen(nullptr);
    const SIZE sizePicture = PictureSizeInPixels(picture.Get(), screen.Get());
    int nWidth = static_cast<int>(sizePicture.cx);
    int nHeight = static_cast<int>(sizePicture.cy);
    if (nType != PictureType::Jpeg || IsBelowLimits(nLimitX, nLimitY, nWidth, nHeight))
        return KeptAsIs(strPath, nFileSize);
    FitWithinLimits(nLimitX, nLimitY, nWidth, nHeight);

    CPreparedUpload result;
    result.fileCopy = CTempFile::Create();
    if (!result.fileCopy) return result;
    result.strUploadPath = result.fileCopy.GetPath();
    result.bWritten = true;
    CBackBuffer surface(screen.Get(), nWidth, nHeight);
    if (surface) {
        FillSolidRect(surface.Get(), RECT{0, 0, nWidth, nHeight}, RGB(255, 255, 255));
        RenderWholePicture(surface.Get(), picture.Get(), nWidth, nHeight);
        picture.Release();  // drawn: the decoded picture can go now
        const CScopedBitmap bmp = surface.TakeBitmap();
        SaveBitmapAsJpeg(AnsiToWide(result.strUploadPath).c_str(), bmp.Get(), kUploadQuality);
    }
    result.nUploadSize = FileLength(result.strUploadPath);
    return result;
}

}  // namespace

CPreparedUpload PreparePicture(const std::string& strPath, PictureType nType, int nLimitX, int nLimitY,
                               const std::atomic<bool>* pbGoOn) {
    // A GIF goes as it is whatever its size, once the system's decoder takes it.
    if (nType != PictureType::Jpeg) return PrepareBySystemDecoder(strPath, nType, nLimitX, nLimitY);
    // Kept as it is, the picture is still decoded (at the smallest scale, to a single pixel)
    // so that one the copy could not be made of is not sent either.
    const auto copySize = [&](PixelSize size) {
        if (IsBelowLimits(nLimitX, nLimitY, size.cx, size.cy)) return PixelSize{1, 1};
        // A JPEG that only reaches a limit keeps its size and is re-encoded as it is.
        FitWithinLimits(nLimitX, nLimitY, size.cx, size.cy);
        return size;
    };
    std::optional<CJpegCopy> decoded = LoadJpegCopy(strPath, copySize, pbGoOn);
    if (!decoded) {
        // The name says JPEG, the bytes say GIF: a picture all the same, its name's rule applies.
        if ((!pbGoOn || pbGoOn->load()) && SniffPictureFile(strPath) == PictureType::Gif)
            return PrepareBySystemDecoder(strPath, nType, nLimitX, nLimitY);
        return {};
    }
    // The decoded size decides, not the header's: they agree for any file libjpeg reads.
    // Kept as it is, the file goes byte for byte, its orientation tag with it.
    if (IsBelowLimits(nLimitX, nLimitY, decoded->sizePicture.cx, decoded->sizePicture.cy))
        return KeptAsIs(strPath, decoded->nFileSize);
    // The copy keeps the date taken, the camera and the exposure; a block that cannot be
    // read goes without.
    std::vector<std::uint8_t> exifApp1;
    if (const auto exif = ReadExifTiff(decoded->exifTiff)) exifApp1 = RewriteExifForCopy(*exif, decoded->size);
    if (pbGoOn && !pbGoOn->load()) return {};

    CPreparedUpload result;
    result.fileCopy = CTempFile::Create();
    if (!result.fileCopy) return result;  // no copy, nothing to upload: unprepared
    result.strUploadPath = result.fileCopy.GetPath();
    result.bWritten = true;
    std::string strError;
    WriteDibAsJpeg(decoded->dib.Bytes(), kUploadQuality, AnsiToWide(result.strUploadPath).c_str(), strError, exifApp1);
    // Judged by the file: one the writer could not fill counts 0 and is prepared again.
    result.nUploadSize = FileLength(result.strUploadPath);
    return result;
}
