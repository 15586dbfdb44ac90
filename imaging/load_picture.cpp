#include "imaging/load_picture.h"

#include "framework/file_reader.h"
#include "imaging/picture_dimensions.h"

#include <span>
#include <utility>

namespace {

// Global memory locked for one scope.
class CGlobalLock {
public:
    explicit CGlobalLock(HGLOBAL h) : m_h(h), m_p(static_cast<std::uint8_t*>(GlobalLock(h))) {}
    ~CGlobalLock() {
        if (m_p) GlobalUnlock(m_h);
    }
    CGlobalLock(const CGlobalLock&) = delete;
    CGlobalLock& operator=(const CGlobalLock&) = delete;
    std::uint8_t* Get() const { return m_p; }

private:
    HGLOBAL m_h;
    std::uint8_t* m_p;
};

}  // namespace

CScopedGlobal ReadPictureFile(const std::string& strPath, std::uint32_t* pFileSize) {
    CScopedHandle file = OpenFileForReading(strPath);
    if (!file) return {};
    const auto nSize = OpenFileLength(file.Get());
    if (!nSize || *nSize > 0x7FFFFFFF) return {};
    const auto nLength = static_cast<DWORD>(*nSize);
    if (pFileSize) *pFileSize = nLength;
    if (nLength == 0) return {};
    CScopedGlobal hMem(GlobalAlloc(GMEM_MOVEABLE, nLength));
    if (!hMem) return {};
    const CGlobalLock lock(hMem.Get());
    // Shorter than its size said: it changed under us.
    if (!lock.Get() || ReadFileFully(file.Get(), lock.Get(), nLength) != nLength) return {};
    return hMem;
}

bool HasDecodableSize(HGLOBAL hBytes, std::uint32_t nLength) {
    const CGlobalLock lock(hBytes);
    if (!lock.Get()) return false;
    const auto size = ReadPictureDimensions(std::span<const std::uint8_t>(lock.Get(), nLength));
    return !size || IsDecodableSize(*size);
}

CComPtrT<IPicture> DecodePictureFile(CScopedGlobal hBytes, std::uint32_t nLength) {
    if (!hBytes || nLength == 0 || nLength > 0x7FFFFFFF) return {};
    CComPtrT<IStream> stream;
    if (FAILED(CreateStreamOnHGlobal(hBytes.Get(), TRUE, stream.Receive()))) return {};
    (void)hBytes.Take();  // the stream's now
    // The stream takes the block's size, which may be rounded up past the file's end.
    ULARGE_INTEGER nStreamSize{};
    nStreamSize.QuadPart = nLength;
    if (FAILED(stream->SetSize(nStreamSize))) return {};
    // Run mode FALSE, though TRUE would spare the copy of the file's bytes the picture then
    // keeps: Wine takes run mode TRUE to mean the picture does not own its bitmap, so every
    // picture released would leave its pixels behind (30 KB a thumbnail, megabytes for a
    // full-size picture). FALSE owns the bitmap on Windows and Wine alike.
    CComPtrT<IPicture> picture;
    if (FAILED(OleLoadPicture(stream.Get(), static_cast<LONG>(nLength), FALSE, IID_IPicture, picture.ReceiveVoid())))
        return {};
    return picture;
}

CComPtrT<IPicture> LoadPicture(const std::string& strPath, std::uint32_t* pFileSize) {
    constexpr std::uint32_t kNotOpened = 0xFFFFFFFF;  // no file is that long here
    std::uint32_t nLength = kNotOpened;
    CScopedGlobal hBytes = ReadPictureFile(strPath, &nLength);
    if (pFileSize && nLength != kNotOpened) *pFileSize = nLength;
    // A header that asks for more memory than this process can spare is not decoded.
    if (!hBytes || !HasDecodableSize(hBytes.Get(), nLength)) return {};
    return DecodePictureFile(std::move(hBytes), nLength);
}
