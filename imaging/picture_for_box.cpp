#include "imaging/picture_for_box.h"

#include "imaging/jpeg_thumbnail_decoder.h"
#include "imaging/load_picture.h"
#include "imaging/picture_size.h"

#include <utility>

CComPtrT<IPicture> LoadPictureForBox(const std::string& strPath, SIZE sizeBox, HDC hdc, std::uint32_t* pFileSize,
                                     SIZE* pPictureSize) {
    constexpr std::uint32_t kNotOpened = 0xFFFFFFFF;  // no file is that long here
    std::uint32_t nLength = kNotOpened;
    CScopedGlobal hBytes = ReadPictureFile(strPath, &nLength);
    if (pFileSize && nLength != kNotOpened)
        *pFileSize = nLength;
    if (!hBytes || !HasDecodableSize(hBytes.Get(), nLength))
        return {};
    SIZE sizePicture{};
    CComPtrT<IPicture> picture;
    if (const auto* pBytes = static_cast<const std::uint8_t*>(GlobalLock(hBytes.Get()))) {
        picture = DecodeJpegForBox(pBytes, nLength, sizeBox, &sizePicture);
        GlobalUnlock(hBytes.Get());
    }
    if (!picture) {
        picture = DecodePictureFile(std::move(hBytes), nLength);
        sizePicture = PictureSizeInPixels(picture.Get(), hdc);
    }
    if (picture && pPictureSize)
        *pPictureSize = sizePicture;
    return picture;
}
