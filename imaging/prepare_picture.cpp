#include "imaging/prepare_picture.h"

#include "framework/file_reader.h"
#include "framework/gdi.h"
#include "framework/text.h"
#include "imaging/exif_reader.h"
#include "imaging/fit_picture.h"
#include "imaging/jpeg_writer.h"
#include "imaging/load_picture.h"

#include <vector>

namespace {

constexpr int kUploadQuality = 90;

// Bytes of a file up to 4 GiB; 0 when it cannot be read, as for an empty one.
std::uint32_t FileLength(const std::string& strPath) {
    const auto nLength = FileLengthOf(strPath);
    return nLength && *nLength <= 0xFFFFFFFF ? static_cast<std::uint32_t>(*nLength) : 0;
}

}  // namespace

CPreparedUpload PreparePicture(const std::string& strPath, PictureType nType, int nLimitX, int nLimitY, HDC hdc) {
    CPreparedUpload result;
    if (!hdc) return result;
    // A JPEG is decoded only as large as the limits need (at least twice them where the
    // DCT's scales allow) and upright; the size is the picture's own upright size, which is
    // what the limits apply to.
    std::uint32_t nFileSize = 0;
    SIZE size{};
    std::vector<std::uint8_t> exifTiff;
    CComPtrT<IPicture> picture = LoadPictureForBox(strPath, SIZE{LimitOrUnlimited(nLimitX), LimitOrUnlimited(nLimitY)},
                                                   hdc, &nFileSize, &size, &exifTiff);
    if (!picture) return result;
    int nWidth = static_cast<int>(size.cx);
    int nHeight = static_cast<int>(size.cy);

    // Kept as it is, the file goes byte for byte, its orientation tag with it.
    if (nType != PictureType::Jpeg || IsBelowLimits(nLimitX, nLimitY, nWidth, nHeight)) {
        result.bKeptAsIs = true;
        result.strUploadPath = strPath;
        result.nUploadSize = nFileSize;
        return result;
    }
    // A JPEG that only reaches a limit keeps its size and is re-encoded as it is.
    FitWithinLimits(nLimitX, nLimitY, nWidth, nHeight);

    result.fileCopy = CTempFile::Create();
    if (!result.fileCopy) return result;  // no copy, nothing to upload: unprepared
    result.strUploadPath = result.fileCopy.GetPath();
    result.bWritten = true;
    // The copy keeps the date taken, the camera and the exposure; a block that cannot be
    // read goes without.
    std::vector<std::uint8_t> exifApp1;
    if (const auto exif = ReadExifTiff(exifTiff)) exifApp1 = RewriteExifForCopy(*exif, PixelSize{nWidth, nHeight});
    {
        // The surface is the scaled size, within the limits: never the picture's own.
        CBackBuffer surface(hdc, nWidth, nHeight);
        if (surface) {
            const RECT rc{0, 0, nWidth, nHeight};
            FillRect(surface.Get(), &rc, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
            RenderWholePicture(surface.Get(), picture.Get(), nWidth, nHeight);
            picture.Release();  // the pixels are drawn: the decoded picture can go now
            const CScopedBitmap bmp = surface.TakeBitmap();
            SaveBitmapAsJpeg(AnsiToWide(result.strUploadPath).c_str(), bmp.Get(), kUploadQuality, exifApp1);
        }
    }
    // Judged by the file: one the writer could not fill counts 0 and is prepared again.
    result.nUploadSize = FileLength(result.strUploadPath);
    return result;
}
