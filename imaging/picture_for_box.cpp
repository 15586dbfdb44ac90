#include "imaging/picture_for_box.h"

#include "framework/file_reader.h"
#include "imaging/exif_reader.h"
#include "imaging/fit_picture.h"
#include "imaging/jpeg_thumbnail_decoder.h"
#include "imaging/load_picture.h"
#include "imaging/picture_dimensions.h"
#include "imaging/picture_size.h"

#include <algorithm>
#include <cstdlib>
#include <optional>
#include <span>
#include <utility>

namespace {

constexpr std::uint32_t kNotOpened = 0xFFFFFFFF;  // no file is that long here

// An APP1 segment holds at most 64 KiB; it follows the start of the file and perhaps a
// JFIF segment, and the main picture's frame header comes soon after it.
constexpr std::size_t kHeadBytes = 96 * 1024;

// Sizes within 3% of the same aspect: a thumbnail rounded to whole pixels still matches,
// one of another shape (a camera's 4:3 thumbnail of a 16:9 picture) does not.
bool HasSameAspect(PixelSize a, PixelSize b) {
    const long long nA = static_cast<long long>(a.cx) * b.cy;
    const long long nB = static_cast<long long>(b.cx) * a.cy;
    return std::llabs(nA - nB) * 100 <= 3 * nB;
}

// The picture drawn from its embedded thumbnail, when that is good enough for the box;
// null otherwise. A thumbnail of another shape holds the picture between bars (cameras
// store 160 by 120 whatever the picture's shape): its centre in the picture's shape is used,
// the bars cut off.
CComPtrT<IPicture> DecodeEmbeddedThumbnail(std::span<const std::uint8_t> head, SIZE sizeBox, SIZE* pPictureSize) {
    const auto exif = ReadExif(head);
    if (!exif || exif->thumbnail.empty()) return {};
    const auto sizeMain = ReadPictureDimensions(head);
    const auto sizeThumb = ReadPictureDimensions(exif->thumbnail);
    if (!sizeMain || !sizeThumb || sizeMain->cx <= 0 || sizeMain->cy <= 0 || sizeThumb->cx <= 0 || sizeThumb->cy <= 0)
        return {};
    const PixelSize sizeUpright = UprightSize(*sizeMain, exif->nOrientation);
    const PixelSize sizeThumbUpright = UprightSize(*sizeThumb, exif->nOrientation);
    const std::optional<PixelRect> rcPart = HasSameAspect(*sizeMain, *sizeThumb)
                                                ? std::nullopt
                                                : std::optional(CentreCropToAspect(sizeThumbUpright, sizeUpright));
    const PixelSize sizeShown = rcPart ? PixelSize{rcPart->Width(), rcPart->Height()} : sizeThumbUpright;
    PixelRect rcFit{0, 0, static_cast<int>(sizeBox.cx), static_cast<int>(sizeBox.cy)};
    FitPictureRect(rcFit, sizeUpright.cx, sizeUpright.cy);
    if (sizeShown.cx < rcFit.Width() || sizeShown.cy < rcFit.Height()) return {};  // it would be enlarged
    SIZE sizeDecoded{};
    CComPtrT<IPicture> picture = DecodeJpegForBox(exif->thumbnail.data(), exif->thumbnail.size(), sizeBox,
                                                  exif->nOrientation, &sizeDecoded, rcPart);
    if (picture) *pPictureSize = SIZE{sizeUpright.cx, sizeUpright.cy};
    return picture;
}

// The first bytes of the file, as many as the head holds; empty when it cannot be read.
// *pFileSize as for LoadPicture.
std::vector<std::uint8_t> ReadHead(const std::string& strPath, std::uint32_t* pFileSize) {
    CScopedHandle file = OpenFileForReading(strPath);
    if (!file) return {};
    const auto nSize = OpenFileLength(file.Get());
    if (!nSize || *nSize > 0x7FFFFFFF) return {};
    *pFileSize = static_cast<std::uint32_t>(*nSize);
    std::vector<std::uint8_t> head(std::min<std::size_t>(kHeadBytes, static_cast<std::size_t>(*nSize)));
    head.resize(ReadFileFully(file.Get(), head.data(), head.size()));
    return head;
}

}  // namespace

CComPtrT<IPicture> LoadPictureForBox(const std::string& strPath, SIZE sizeBox, HDC hdc, std::uint32_t* pFileSize,
                                     SIZE* pPictureSize, std::vector<std::uint8_t>* pExifTiff) {
    SIZE sizePicture{};
    if (!pExifTiff) {
        std::uint32_t nLength = kNotOpened;
        const std::vector<std::uint8_t> head = ReadHead(strPath, &nLength);
        if (nLength == kNotOpened) return {};  // not opened: the size output stays as it was
        if (pFileSize) *pFileSize = nLength;
        if (CComPtrT<IPicture> picture = DecodeEmbeddedThumbnail(head, sizeBox, &sizePicture)) {
            if (pPictureSize) *pPictureSize = sizePicture;
            return picture;
        }
    }
    std::uint32_t nLength = kNotOpened;
    CScopedGlobal hBytes = ReadPictureFile(strPath, &nLength);
    if (pFileSize && nLength != kNotOpened) *pFileSize = nLength;
    if (pExifTiff) pExifTiff->clear();
    if (!hBytes || !HasDecodableSize(hBytes.Get(), nLength)) return {};
    CComPtrT<IPicture> picture;
    if (const auto* pBytes = static_cast<const std::uint8_t*>(GlobalLock(hBytes.Get()))) {
        const std::span<const std::uint8_t> bytes(pBytes, nLength);
        const auto exif = ReadExif(bytes);
        picture = DecodeJpegForBox(pBytes, nLength, sizeBox, exif ? exif->nOrientation : 1, &sizePicture);
        if (picture && exif && pExifTiff) pExifTiff->assign(exif->tiff.begin(), exif->tiff.end());
        GlobalUnlock(hBytes.Get());
    }
    if (!picture) {
        picture = DecodePictureFile(std::move(hBytes), nLength);
        sizePicture = PictureSizeInPixels(picture.Get(), hdc);
    }
    if (picture && pPictureSize) *pPictureSize = sizePicture;
    return picture;
}
