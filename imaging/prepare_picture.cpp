#include "imaging/prepare_picture.h"

#include "framework/file_reader.h"
#include "framework/text.h"
#include "imaging/area_scale.h"
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

// The copy's pixels as a packed DIB for the writer: a header, then 32-bit rows top-down
// (a negative height), the words the scaler fills at PixelsOf.
class CCopyDib {
public:
    explicit CCopyDib(PixelSize size)
        : m_arrWords(kHeaderWords + static_cast<std::size_t>(size.cx) * static_cast<std::size_t>(size.cy)) {
        BITMAPINFOHEADER bi{};
        bi.biSize = sizeof bi;
        bi.biWidth = size.cx;
        bi.biHeight = -size.cy;
        bi.biPlanes = 1;
        bi.biBitCount = 32;
        bi.biCompression = BI_RGB;
        std::memcpy(m_arrWords.data(), &bi, sizeof bi);
    }
    std::span<std::uint32_t> Pixels() { return std::span<std::uint32_t>(m_arrWords).subspan(kHeaderWords); }
    std::span<const std::uint8_t> Bytes() const {
        return {reinterpret_cast<const std::uint8_t*>(m_arrWords.data()), m_arrWords.size() * 4};
    }

private:
    static constexpr std::size_t kHeaderWords = sizeof(BITMAPINFOHEADER) / 4;
    std::vector<std::uint32_t> m_arrWords;
};

}  // namespace

CPreparedUpload PreparePicture(const std::string& strPath, PictureType nType, int nLimitX, int nLimitY,
                               const std::atomic<bool>* pbGoOn) {
    if (nType != PictureType::Jpeg) {
        // A GIF goes as it is whatever its size, once the system's decoder takes it.
        std::uint32_t nFileSize = 0;
        if (!LoadPicture(strPath, &nFileSize)) return {};
        return KeptAsIs(strPath, nFileSize);
    }
    // Kept as it is, the picture is still decoded (at the smallest scale) so that one the
    // copy could not be made of is not sent either.
    const auto coverFor = [&](PixelSize size) {
        if (IsBelowLimits(nLimitX, nLimitY, size.cx, size.cy)) return PixelSize{1, 1};
        FitWithinLimits(nLimitX, nLimitY, size.cx, size.cy);
        return size;
    };
    std::optional<CJpegPixels> decoded = LoadJpegPixels(strPath, coverFor, pbGoOn);
    if (!decoded) return {};
    // The decoded size decides, not the header's: they agree for any file libjpeg reads.
    PixelSize size = decoded->sizePicture;
    // Kept as it is, the file goes byte for byte, its orientation tag with it.
    if (IsBelowLimits(nLimitX, nLimitY, size.cx, size.cy)) return KeptAsIs(strPath, decoded->nFileSize);
    // A JPEG that only reaches a limit keeps its size and is re-encoded as it is.
    FitWithinLimits(nLimitX, nLimitY, size.cx, size.cy);

    CCopyDib dib(size);
    AreaScale(decoded->pixels, decoded->size, dib.Pixels(), size);
    // The copy keeps the date taken, the camera and the exposure; a block that cannot be
    // read goes without.
    std::vector<std::uint8_t> exifApp1;
    if (const auto exif = ReadExifTiff(decoded->exifTiff)) exifApp1 = RewriteExifForCopy(*exif, size);
    decoded.reset();  // the pixels are scaled: the decoded picture can go now
    if (pbGoOn && !pbGoOn->load()) return {};

    CPreparedUpload result;
    result.fileCopy = CTempFile::Create();
    if (!result.fileCopy) return result;  // no copy, nothing to upload: unprepared
    result.strUploadPath = result.fileCopy.GetPath();
    result.bWritten = true;
    std::string strError;
    WriteDibAsJpeg(dib.Bytes(), kUploadQuality, AnsiToWide(result.strUploadPath).c_str(), strError, exifApp1);
    // Judged by the file: one the writer could not fill counts 0 and is prepared again.
    result.nUploadSize = FileLength(result.strUploadPath);
    return result;
}
